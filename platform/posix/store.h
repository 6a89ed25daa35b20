// The state store: registry values and printer data, one readable text file
// per hive in the state directory (HKLM.reg, HKCU.reg).
//
// File format (UTF-8), in the manner of Wine's registry files:
//   ; comment
//   [Printers\\Demo\\PrinterDriverData]
//   "XWorkflowDLL"=dword:00000002
//   "Blob"=hex:0a,0b,0c        (long ones continue after a trailing '\')
//   "Name"=sz:"text with \" escapes"
//   "List"=multi_sz:"one","two"
//   @=sz:"the key's default value"
//   "Odd"=hex(7):61,00
// Key paths and strings use the escapes \\ \" \n \r \t \0 and \uXXXX; a
// value whose bytes do not fit its type's readable form (a REG_SZ without
// its terminator, a REG_DWORD of 3 bytes) is written as hex(TYPE) and comes
// back byte for byte.
//
// Every change re-reads the file under an exclusive flock on HIVE.reg.lock,
// writes a temporary file in the same directory, fsyncs it and renames it
// over the hive, so concurrent processes never lose each other's values and
// readers (which take no lock) always see a whole file. Reads are answered
// from memory while the file is still the one that was read, unchanged; the
// check costs an fstat, made at every read, or once per snapshot (a call
// into the plug-in) when the host opens one. A file that does not parse is
// never rewritten: the call fails with ERROR_BADDB and the message names the
// file and line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/win32.h"

namespace platform::posix::store {

enum class Hive { LocalMachine, CurrentUser };

struct Value {
  std::u16string name;  // empty: the key's default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::u16string path;  // components joined by '\\', no empty component
  std::vector<Value> values;
};

struct Document {
  std::vector<Key> keys;
};

// "A\\\\B\\" -> "A\\B": drops empty components. False for a component that
// is too long or a path too deep to be a registry key.
bool NormalizeKeyPath(std::u16string_view path, std::u16string& normalized);
std::u16string JoinKeyPath(std::u16string_view parent, std::u16string_view child);

// Parsing and writing of the file text (exposed for the fuzz target).
bool Parse(std::string_view text, Document& document, std::size_t& errorLine, std::string& error);
std::string Format(const Document& document, Hive hive);

// The calls below return Win32 error codes.
LONG KeyExists(Hive hive, std::u16string_view path, bool& exists);
LONG CreateKey(Hive hive, std::u16string_view path, bool& created);
// Reads a value where the store holds it: `answer` sees it (under the
// store's lock, so it must not call back into the store) and what it returns
// is the call's result; ERROR_FILE_NOT_FOUND when there is no such value.
using ValueAnswer = LONG (*)(const Value& value, void* context);
LONG GetValue(Hive hive, std::u16string_view path, std::u16string_view name, ValueAnswer answer, void* context);
template <class Answer>
LONG GetValue(Hive hive, std::u16string_view path, std::u16string_view name, Answer&& answer) {
  using Callable = std::remove_reference_t<Answer>;
  return GetValue(
      hive, path, name,
      [](const Value& value, void* context) -> LONG { return (*static_cast<Callable*>(context))(value); },
      const_cast<void*>(static_cast<const void*>(&answer)));
}
LONG SetValue(Hive hive, std::u16string_view path, const Value& value);
LONG DeleteValue(Hive hive, std::u16string_view path, std::u16string_view name);

// A snapshot on this thread (platform::host::BeginStoreSnapshot): reads
// check each file once, changes always.
void BeginSnapshot();
void EndSnapshot();

std::string LastError();
void ClearLastError();
void ForgetCache();

}  // namespace platform::posix::store
