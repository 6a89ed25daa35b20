#include "common/answers.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "common/printers.h"

namespace platform::common {
namespace {

// One string of a structure: the member that points to it once it is placed.
template <class Struct>
struct Field {
  LPWSTR Struct::*member;
  const std::u16string* text;
};

// Lays out `info` followed by the fields' strings in the caller's buffer,
// each member pointing to its placed string.
template <class Struct>
BOOL Answer(Struct info, std::initializer_list<Field<Struct>> fields, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded) {
  std::size_t needed = sizeof(Struct);
  for (const auto& field : fields) needed += (field.text->size() + 1) * sizeof(WCHAR);
  *pcbNeeded = static_cast<DWORD>(needed);
  if (buffer == nullptr || cbBuf < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::size_t next = sizeof(Struct);
  for (const auto& field : fields) {
    auto* at = reinterpret_cast<LPWSTR>(buffer + next);
    std::memcpy(at, field.text->c_str(), (field.text->size() + 1) * sizeof(WCHAR));
    next += (field.text->size() + 1) * sizeof(WCHAR);
    info.*field.member = at;
  }
  std::memcpy(buffer, &info, sizeof(Struct));
  return TRUE;
}

const std::u16string kEmpty, kRaw = u"RAW";

}  // namespace

BOOL AnswerPrinterInfo2(const host::PrinterDescription& printer, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded) {
  static const std::u16string processor = u"WinPrint";
  PRINTER_INFO_2W info{};
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  info.Priority = 1;
  info.DefaultPriority = 1;
  using I = PRINTER_INFO_2W;
  return Answer(info,
                {{&I::pPrinterName, &printer.name},
                 {&I::pShareName, &kEmpty},
                 {&I::pPortName, &printer.port},
                 {&I::pDriverName, &printer.driverName},
                 {&I::pComment, &kEmpty},
                 {&I::pLocation, &kEmpty},
                 {&I::pSepFile, &kEmpty},
                 {&I::pPrintProcessor, &processor},
                 {&I::pDatatype, &kRaw},
                 {&I::pParameters, &kEmpty}},
                buffer, cbBuf, pcbNeeded);
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
  DRIVER_INFO_3W info{};
  info.cVersion = 3;
  using I = DRIVER_INFO_3W;
  return Answer(info,
                {{&I::pName, &printer.driverName},
                 {&I::pEnvironment, &environment},
                 {&I::pDriverPath, &driverPath},
                 {&I::pDataFile, &dataFile},
                 {&I::pConfigFile, &configFile},
                 {&I::pHelpFile, &kEmpty},
                 {&I::pDependentFiles, &dependents},
                 {&I::pMonitorName, &kEmpty},
                 {&I::pDefaultDataType, &kRaw}},
                buffer, cbBuf, pcbNeeded);
}

BOOL AnswerJobInfo1(std::u16string_view printerName, const host::JobRecord& job, const SYSTEMTIME& submitted,
                    LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded) {
  const std::u16string printer(printerName);
  JOB_INFO_1W info{};
  info.JobId = job.jobId;
  info.Status = JOB_STATUS_PRINTING;
  info.Priority = 1;
  info.Position = 1;
  info.Submitted = submitted;
  using I = JOB_INFO_1W;
  return Answer(info,
                {{&I::pPrinterName, &printer},
                 {&I::pMachineName, &job.machine},
                 {&I::pUserName, &job.owner},
                 {&I::pDocument, &job.document},
                 {&I::pDatatype, &kRaw}},
                buffer, cbBuf, pcbNeeded);
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

BOOL AnswerUserName(std::u16string_view name, LPWSTR lpBuffer, LPDWORD pcbBuffer) {
  if (pcbBuffer == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const bool copied = CopyOut(name, lpBuffer, lpBuffer == nullptr ? 0 : *pcbBuffer);
  *pcbBuffer = static_cast<DWORD>(name.size() + 1);
  return copied ? TRUE : Fail(ERROR_INSUFFICIENT_BUFFER);
}

BOOL AnswerComputerName(std::u16string_view name, LPWSTR lpBuffer, LPDWORD nSize) {
  if (nSize == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (!CopyOut(name, lpBuffer, lpBuffer == nullptr ? 0 : *nSize)) {
    *nSize = static_cast<DWORD>(name.size() + 1);
    return Fail(ERROR_BUFFER_OVERFLOW);
  }
  *nSize = static_cast<DWORD>(name.size());
  return TRUE;
}

LONG QueryValue(DWORD type, std::span<const BYTE> data, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
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

DWORD AnswerPrinterData(DWORD type, std::span<const BYTE> data, LPDWORD pType, LPBYTE pData, DWORD nSize,
                        LPDWORD pcbNeeded) {
  DWORD size = nSize;
  const LONG status = QueryValue(type, data, pType, pData, &size);
  *pcbNeeded = size;
  if (status == ERROR_SUCCESS && pData == nullptr && !data.empty()) return ERROR_MORE_DATA;
  return static_cast<DWORD>(status);
}

}  // namespace platform::common
