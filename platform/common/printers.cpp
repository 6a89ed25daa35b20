#include "common/printers.h"

#include <algorithm>
#include <utility>

#include "platform/text.h"

namespace platform::common {

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldName(a[i]) != FoldName(b[i])) return false;
  return true;
}

bool CopyOut(std::u16string_view text, WCHAR* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity < text.size() + 1) return false;
  text.copy(U(buffer), text.size());
  buffer[text.size()] = 0;
  return true;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

std::u16string PrinterDataKey(std::u16string_view printerName) {
  // Printer names may hold backslashes (\\server\queue); the spooler's own
  // key names replace them with commas.
  std::u16string name(printerName);
  std::replace(name.begin(), name.end(), u'\\', u',');
  return u"Printers\\" + name + u"\\PrinterDriverData";
}

PrinterRecord* PrinterTable::Find(std::u16string_view name) {
  for (auto& printer : printers_)
    if (SameName(printer.description.name, name)) return &printer;
  return nullptr;
}

void PrinterTable::Register(const host::PrinterDescription& printer, host::SpoolSink sink) {
  std::optional<host::JobRecord> job;
  if (auto* existing = Find(printer.name)) {
    job = std::move(existing->job);
    std::erase_if(printers_, [&](const PrinterRecord& p) { return &p == existing; });
  }
  printers_.push_back({printer, std::move(sink), std::move(job)});
}

void PrinterTable::Unregister(std::u16string_view name) {
  std::erase_if(printers_, [&](const PrinterRecord& p) { return SameName(p.description.name, name); });
}

std::u16string PrinterTable::LatestDriverDirectory() const {
  for (auto it = printers_.rbegin(); it != printers_.rend(); ++it)
    if (!it->description.driverDirectory.empty()) return it->description.driverDirectory;
  return {};
}

}  // namespace platform::common
