// Shared pieces of the POSIX implementation of the Win32 calls. Not part of
// the library's interface: every symbol here has hidden visibility.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/printers.h"
#include "platform/posixhost.h"
#include "platform/win32.h"

namespace platform::posix {

// ---- Text and paths --------------------------------------------------------

// A Win32 path as a POSIX path: UTF-8, with '\\' taken as a separator like '/'.
std::string NativePath(const WCHAR* path);
using common::CopyOut;
using common::SameName;
// The Win32 error code for an errno value.
DWORD Win32ErrorFromErrno(int error);

// ---- Handles ---------------------------------------------------------------

// Everything a HANDLE or an opened HKEY stands for. Handles are the addresses
// of these objects, looked up in a table before use, so a stale or made-up
// handle is refused instead of followed.
struct Object {
  virtual ~Object() = default;
};

void* AddObject(std::shared_ptr<Object> object);
std::shared_ptr<Object> FindObject(const void* handle);
// Removes the handle from the table and returns its object (null if unknown).
std::shared_ptr<Object> RemoveObject(const void* handle);

// Whether an object is an open printer (CloseHandle closes those too).
bool IsPrinterObject(const Object& object);
// Whether an object is a mutex (sync.cpp; CloseHandle closes those too).
bool IsMutexObject(const Object& object);

template <class T>
std::shared_ptr<T> Find(const void* handle) {
  return std::dynamic_pointer_cast<T>(FindObject(handle));
}

// ---- What the host set up --------------------------------------------------

using common::PrinterRecord;

std::optional<PrinterRecord> FindPrinter(std::u16string_view name);
// Only the printer's sink: WritePrinter runs for every piece of a job and
// needs nothing else of the record.
std::optional<host::SpoolSink> FindSink(std::u16string_view name);
// The driver directory GetPrinterDriverDirectoryW reports.
std::u16string DriverDirectory();
std::optional<SYSTEMTIME> FixedLocalTime();
std::u16string UserNameFact();
std::u16string ComputerNameFact();
std::u16string ProcessImageName();
std::function<void(std::u16string_view)> DebugSink();
// The state directory actually in use (host setting, RENPS_STATE_DIR, the
// compiled-in default, or the per-user directory).
std::string StateDirectory();
// The same into `directory`, whose storage is reused.
void StateDirectoryInto(std::string& directory);

// ---- Faults armed by a test (faults.cpp) ---------------------------------

// Counts a call of `call` and tells whether it is to fail; when it is, the
// last error is already set.
bool FaultHere(host::FaultCall call);
// How many of `size` bytes WriteFile may still write before the disk is full
// (`size` when no full disk is armed); sets ERROR_DISK_FULL when fewer.
std::size_t DiskRoom(std::size_t size);

// One line to the debug output, the same path OutputDebugStringW takes.
void DebugOutput(std::u16string_view text);
void DebugOutputUtf8(std::string_view text);

}  // namespace platform::posix
