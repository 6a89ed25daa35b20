// Control of the POSIX platform by the program that plays the spooler and the
// PostScript driver (renps, and the tests). The plug-in never includes this:
// it sees only the Win32 calls of platform/win32.h.
//
// Printers registered here are what OpenPrinterW, GetPrinterW,
// GetPrinterDriverW, GetJobW, DeviceCapabilitiesW and WritePrinter answer for.
// Printer data (GetPrinterDataW/SetPrinterDataW) and registry values live in
// the state store under the state directory, one readable text file per hive.
//
// On Windows renps answers the same calls itself (host/win32): it routes the
// plug-in's imports of them to its own functions, so the declarations here
// serve both platforms; the fault switches exist on POSIX only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

#if defined(_WIN32)
#define RENPS_HOST_API
#else
#define RENPS_HOST_API __attribute__((visibility("default")))
#endif

namespace platform::host {

struct PrinterDescription {
  std::u16string name;                         // OpenPrinterW name
  std::u16string port;                         // PRINTER_INFO_2W::pPortName
  std::u16string driverName;                   // PRINTER_INFO_2W::pDriverName, DRIVER_INFO_3W::pName
  std::vector<std::u16string> dependentFiles;  // DRIVER_INFO_3W::pDependentFiles
  std::u16string driverDirectory;              // GetPrinterDriverDirectoryW (default: <state dir>/drivers)
  bool color = true;                           // DeviceCapabilitiesW(DC_COLORDEVICE)
  std::vector<std::array<std::int32_t, 3>> resolutions{{0, 600, 600}};  // (kind, x, y); DC_ENUMRESOLUTIONS gives x, y
  std::uint32_t driverPrivateFFFA = 0;                                  // DeviceCapabilitiesW(0xFFFA)
};

// Receives the bytes that WritePrinter hands to the printer. Returns false to
// make WritePrinter fail (the failure path of the output).
using SpoolSink = std::function<bool(const void* data, std::size_t size)>;

struct JobRecord {
  std::uint32_t jobId = 0;
  std::u16string owner;     // JOB_INFO_1W::pUserName
  std::u16string document;  // JOB_INFO_1W::pDocument
  std::u16string machine;   // JOB_INFO_1W::pMachineName
};

// Registers (or replaces) a printer. The sink receives every WritePrinter on
// any handle opened for it.
RENPS_HOST_API void RegisterPrinter(const PrinterDescription& printer, SpoolSink sink);
RENPS_HOST_API void UnregisterPrinter(std::u16string_view name);
// Job record answered by GetJobW for the printer.
RENPS_HOST_API void SetJob(std::u16string_view printerName, const JobRecord& job);

// Where the state store lives; empty: RENPS_STATE_DIR, else a per-user state
// directory ($XDG_STATE_HOME/renps or ~/.local/state/renps).
RENPS_HOST_API void SetStateDirectory(const std::string& directory);
RENPS_HOST_API std::string GetStateDirectory();

// Fixed local time for GetLocalTime; nullopt returns to the real clock.
RENPS_HOST_API void SetFixedLocalTime(std::optional<SYSTEMTIME> time);
// What GetUserNameW and GetComputerNameW answer (empty: from the system).
RENPS_HOST_API void SetMachineFacts(std::u16string_view userName, std::u16string_view computerName);
// What GetModuleFileNameW(NULL) answers; a name ending in "spoolsv.exe" makes
// the plug-in believe it runs inside the spooler.
RENPS_HOST_API void SetProcessImageName(std::u16string_view path);

// Receives every OutputDebugStringW line (default: appended to the file named
// by RENPS_DEBUG_LOG, else dropped).
RENPS_HOST_API void SetDebugLogSink(std::function<void(std::u16string_view)> sink);

// A call into the plug-in, as the state store sees it: while one is open (on
// this thread; they nest), each hive file is checked for another process's
// changes once, at the call's first read of it, and the call's later reads
// are answered from memory. A change of this process is seen at once, and a
// change always starts from the file as it is. Outside such a call every
// read checks the file.
RENPS_HOST_API void BeginStoreSnapshot();
RENPS_HOST_API void EndStoreSnapshot();
class StoreSnapshot {
 public:
  StoreSnapshot() { BeginStoreSnapshot(); }
  ~StoreSnapshot() { EndStoreSnapshot(); }
  StoreSnapshot(const StoreSnapshot&) = delete;
  StoreSnapshot& operator=(const StoreSnapshot&) = delete;
};
// The last failure of the state store in this process (a damaged file with
// its path and line, a directory that cannot be written), empty when none
// has happened since the last Reset. The call that failed also returned a
// Win32 error (ERROR_BADDB for a damaged file) and wrote the text to the
// debug output.
RENPS_HOST_API std::string GetLastStoreError();

#if !defined(_WIN32)
// ---- Faults, for tests -------------------------------------------------------
//
// A test switch that makes the platform's calls fail the way a full disk, a
// refusing spooler or a damaged module does, so the plug-in's failure paths
// can be run. Nothing fails unless a test arms it; Reset disarms everything.

enum class FaultCall { CreateFile, ReadFile, WriteFile, WritePrinter, FindResource };

// From now on the `failAtNthCall`-th call (1: the next one) of `call` fails
// with `error` as its last error (0: the call's own failure code), and with
// `everyLaterCall` every call after it too. Counting starts again here.
RENPS_HOST_API void InjectFault(FaultCall call, std::uint32_t failAtNthCall, bool everyLaterCall = false,
                                DWORD error = 0);
// A disk that fills: WriteFile takes `bytesLeft` more bytes in all; the write
// that does not fit writes what does, reports that count and fails with
// ERROR_DISK_FULL, as does every write after it.
RENPS_HOST_API void InjectDiskFull(std::uint64_t bytesLeft);
// Calls of `call` since the last InjectFault for it or ClearFaults, failed or not.
RENPS_HOST_API std::uint32_t FaultCallCount(FaultCall call);
// Disarms every fault and sets the counts to zero.
RENPS_HOST_API void ClearFaults();
#endif

// Forgets printers, jobs, fixed time, facts, sinks and faults (between tests).
RENPS_HOST_API void Reset();

}  // namespace platform::host
