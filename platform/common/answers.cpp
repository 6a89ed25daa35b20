#include "common/answers.h"

#include <algorithm>
#include <cstring>

#include "common/printers.h"

namespace platform::common {
namespace {

// Lays out a structure followed by its strings in the caller's buffer; the
// structure's pointers go to the placed strings in the order given.
template <class Struct, class Fill>
BOOL Answer(const std::vector<const std::u16string*>& strings, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded,
            Fill fill) {
  std::size_t needed = sizeof(Struct);
  for (const auto* text : strings) needed += (text->size() + 1) * sizeof(WCHAR);
  *pcbNeeded = static_cast<DWORD>(needed);
  if (buffer == nullptr || cbBuf < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::size_t next = sizeof(Struct);
  std::vector<LPWSTR> placed;
  placed.reserve(strings.size());
  for (const auto* text : strings) {
    auto* at = reinterpret_cast<LPWSTR>(buffer + next);
    std::memcpy(at, text->c_str(), (text->size() + 1) * sizeof(WCHAR));
    next += (text->size() + 1) * sizeof(WCHAR);
    placed.push_back(at);
  }
  Struct info{};
  fill(info, placed);
  std::memcpy(buffer, &info, sizeof(Struct));
  return TRUE;
}

const std::u16string kEmpty, kRaw = u"RAW";

}  // namespace

BOOL AnswerPrinterInfo2(const host::PrinterDescription& printer, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded) {
  static const std::u16string processor = u"WinPrint";
  const auto& d = printer;
  return Answer<PRINTER_INFO_2W>(
      {&d.name, &kEmpty, &d.port, &d.driverName, &kEmpty, &kEmpty, &kEmpty, &processor, &kRaw, &kEmpty}, buffer, cbBuf,
      pcbNeeded, [](PRINTER_INFO_2W& info, const std::vector<LPWSTR>& s) {
        info.pPrinterName = s[0];
        info.pShareName = s[1];
        info.pPortName = s[2];
        info.pDriverName = s[3];
        info.pComment = s[4];
        info.pLocation = s[5];
        info.pSepFile = s[6];
        info.pPrintProcessor = s[7];
        info.pDatatype = s[8];
        info.pParameters = s[9];
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        info.Priority = 1;
        info.DefaultPriority = 1;
      });
}

BOOL AnswerDriverInfo3(const host::PrinterDescription& printer, std::u16string_view directory, char16_t separator,
                       LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded) {
  const auto inVersionFolder = [&](std::u16string_view file) {
    std::u16string path(directory);
    path += separator;
    path += u'3';
    path += separator;
    path += file;
    return path;
  };
  const std::u16string environment = u"Windows x64", driverPath = inVersionFolder(u"pscript5.dll"),
                       dataFile = inVersionFolder(printer.driverName + u".ppd"),
                       configFile = inVersionFolder(u"ps5ui.dll");
  // The dependent files: each name terminated, then one more terminator,
  // packed as one string holding the inner terminators.
  std::u16string dependents;
  for (const auto& file : printer.dependentFiles) {
    if (file.empty()) continue;
    dependents += file;
    dependents.push_back(0);
  }
  return Answer<DRIVER_INFO_3W>(
      {&printer.driverName, &environment, &driverPath, &dataFile, &configFile, &kEmpty, &dependents, &kEmpty, &kRaw},
      buffer, cbBuf, pcbNeeded, [](DRIVER_INFO_3W& info, const std::vector<LPWSTR>& s) {
        info.cVersion = 3;
        info.pName = s[0];
        info.pEnvironment = s[1];
        info.pDriverPath = s[2];
        info.pDataFile = s[3];
        info.pConfigFile = s[4];
        info.pHelpFile = s[5];
        info.pDependentFiles = s[6];
        info.pMonitorName = s[7];
        info.pDefaultDataType = s[8];
      });
}

BOOL AnswerJobInfo1(std::u16string_view printerName, const host::JobRecord& job, const SYSTEMTIME& submitted,
                    LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded) {
  const std::u16string printer(printerName);
  return Answer<JOB_INFO_1W>({&printer, &job.machine, &job.owner, &job.document, &kRaw}, buffer, cbBuf, pcbNeeded,
                             [&](JOB_INFO_1W& info, const std::vector<LPWSTR>& s) {
                               info.JobId = job.jobId;
                               info.pPrinterName = s[0];
                               info.pMachineName = s[1];
                               info.pUserName = s[2];
                               info.pDocument = s[3];
                               info.pDatatype = s[4];
                               info.Status = JOB_STATUS_PRINTING;
                               info.Priority = 1;
                               info.Position = 1;
                               info.Submitted = submitted;
                             });
}

BOOL AnswerText(std::u16string_view text, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded) {
  const auto needed = static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR));
  *pcbNeeded = needed;
  if (buffer == nullptr || cbBuf < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
  std::memset(buffer + text.size() * sizeof(WCHAR), 0, sizeof(WCHAR));
  return TRUE;
}

DWORD AnswerCapability(const host::PrinterDescription& printer, WORD capability, LPWSTR pOutput) {
  constexpr auto kUnknown = static_cast<DWORD>(-1);
  switch (capability) {
    case DC_COLORDEVICE:
      return printer.color ? 1 : 0;
    case DC_ENUMRESOLUTIONS: {
      // Pairs of LONG (x, y); the caller's buffer is typed LPWSTR by the API.
      if (pOutput != nullptr) {
        auto* out = reinterpret_cast<BYTE*>(pOutput);
        for (const auto& r : printer.resolutions) {
          const LONG pair[2] = {r[1], r[2]};
          std::memcpy(out, pair, sizeof pair);
          out += sizeof pair;
        }
      }
      return static_cast<DWORD>(printer.resolutions.size());
    }
    case DC_COPIES:
      return 9999;
    case DC_COLLATE:
      return 1;
    case 0xFFFA:
      return printer.driverPrivateFFFA;
    default:
      SetLastError(ERROR_NOT_SUPPORTED);
      return kUnknown;
  }
}

LONG QueryValue(DWORD type, const std::vector<BYTE>& data, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpType != nullptr) *lpType = type;
  if (lpcbData == nullptr) return ERROR_SUCCESS;
  const auto size = static_cast<DWORD>(data.size());
  if (lpData == nullptr) {
    *lpcbData = size;
    return ERROR_SUCCESS;
  }
  if (*lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  std::copy(data.begin(), data.end(), lpData);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

DWORD AnswerPrinterData(DWORD type, const std::vector<BYTE>& data, LPDWORD pType, LPBYTE pData, DWORD nSize,
                        LPDWORD pcbNeeded) {
  DWORD size = nSize;
  const LONG status = QueryValue(type, data, pType, pData, &size);
  *pcbNeeded = size;
  if (status == ERROR_SUCCESS && pData == nullptr && !data.empty()) return ERROR_MORE_DATA;
  return static_cast<DWORD>(status);
}

}  // namespace platform::common
