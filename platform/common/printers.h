// The printers the host registered and the names they are found by, kept the
// same way by the POSIX platform library and by renps on Windows (which
// answers the plug-in's spooler calls itself). Built into those two only,
// never into the plug-in. Nothing here locks: each side guards its table
// with its own mutex.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posixhost.h"
#include "platform/win32.h"

namespace platform::common {

// Case-insensitive comparison of names (registry keys, values, printers,
// resources), as Windows folds them for the Latin letters.
bool SameName(std::u16string_view a, std::u16string_view b);
// The form SameName compares a character in: ASCII and Latin-1 letters
// upper-cased. Windows folds more, but names here are ASCII in practice and
// an over-eager fold would merge names Windows keeps apart.
inline char16_t FoldName(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}
// Copies text and its terminator into a WCHAR buffer of `capacity` units when
// it fits; returns false (buffer untouched) otherwise.
bool CopyOut(std::u16string_view text, WCHAR* buffer, std::size_t capacity);
// The spooler's failure: the last error set, FALSE returned.
BOOL Fail(DWORD error);

// Where a printer's data lives below HKLM.
std::u16string PrinterDataKey(std::u16string_view printerName);

struct PrinterRecord {
  host::PrinterDescription description;
  host::SpoolSink sink;
  std::optional<host::JobRecord> job;
};

// Registration order is kept: the latest printer names the driver directory.
class PrinterTable {
 public:
  PrinterRecord* Find(std::u16string_view name);
  // Registers or replaces; a replaced printer keeps its job record unless
  // the host sets a new one.
  void Register(const host::PrinterDescription& printer, host::SpoolSink sink);
  void Unregister(std::u16string_view name);
  // The directory of the most recently registered printer that names one
  // (the host drives one printer at a time); empty when none does.
  std::u16string LatestDriverDirectory() const;
  void Clear() { printers_.clear(); }

 private:
  std::vector<PrinterRecord> printers_;
};

}  // namespace platform::common
