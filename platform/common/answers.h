// The spooler's and the registry's answers to a caller's buffer, built from
// what the host registered, the same bytes whether the POSIX platform library
// or renps on Windows answers. The callers have found the printer and checked
// the level; what is left is the buffer protocol: *pcbNeeded always, the copy
// only when it fits (FALSE with ERROR_INSUFFICIENT_BUFFER otherwise).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posixhost.h"
#include "platform/win32.h"

namespace platform::common {

// GetPrinterW, level 2: a local printer on the WinPrint processor.
BOOL AnswerPrinterInfo2(const host::PrinterDescription& printer, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded);
// GetPrinterDriverW, level 3: the driver's files below `directory` in its
// version folder, joined by the platform's `separator`.
BOOL AnswerDriverInfo3(const host::PrinterDescription& printer, std::u16string_view directory, char16_t separator,
                       LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded);
// GetJobW, level 1, for a job the host set up and submitted at `submitted`.
BOOL AnswerJobInfo1(std::u16string_view printerName, const host::JobRecord& job, const SYSTEMTIME& submitted,
                    LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded);
// GetPrinterDriverDirectoryW, level 1: the terminated text.
BOOL AnswerText(std::u16string_view text, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded);

// DeviceCapabilitiesW for a found printer; (DWORD)-1 with the last error set
// for a capability it does not know.
DWORD AnswerCapability(const host::PrinterDescription& printer, WORD capability, LPWSTR pOutput);

// GetUserNameW for a known name: the size is in characters and counts the
// terminator, both ways.
BOOL AnswerUserName(std::u16string_view name, LPWSTR lpBuffer, LPDWORD pcbBuffer);
// GetComputerNameW for a known name. In: the buffer size in characters. Out:
// the length without the terminator on success, the size needed with it on
// ERROR_BUFFER_OVERFLOW.
BOOL AnswerComputerName(std::u16string_view name, LPWSTR lpBuffer, LPDWORD nSize);

// RegQueryValueExW's answer for a found value: type, size, and the bytes when
// the buffer holds them (ERROR_MORE_DATA with the size when it does not).
LONG QueryValue(DWORD type, std::span<const BYTE> data, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
// GetPrinterDataW's answer for a found value, which differs from the
// registry's in that a size-only query of a non-empty value is "more data".
DWORD AnswerPrinterData(DWORD type, std::span<const BYTE> data, LPDWORD pType, LPBYTE pData, DWORD nSize,
                        LPDWORD pcbNeeded);

}  // namespace platform::common
