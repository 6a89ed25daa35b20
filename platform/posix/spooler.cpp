// The spooler calls, answered from the printers the host registered. Printer
// data lives in the state store under HKLM\Printers\<name>\PrinterDriverData.
#include <cstring>
#include <vector>

#include "internal.h"
#include "platform/text.h"
#include "store.h"

namespace platform::posix {
namespace {

std::u16string PrinterDataKey(std::u16string_view printerName);

struct PrinterObject : Object {
  explicit PrinterObject(std::u16string n) : name(std::move(n)), dataKey(PrinterDataKey(name)) {}
  std::u16string name;
  std::u16string dataKey;  // where its printer data lives in the store
};

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The printer behind an open handle, as registered now. A printer the host
// removed after the handle was opened makes the handle invalid.
std::optional<PrinterRecord> PrinterFor(HANDLE hPrinter) {
  auto object = Find<PrinterObject>(hPrinter);
  if (!object) return std::nullopt;
  return FindPrinter(object->name);
}

std::u16string PrinterDataKey(std::u16string_view printerName) {
  // Printer names may hold backslashes (\\server\queue); the spooler's own
  // key names replace them with commas.
  std::u16string name(printerName);
  for (auto& c : name)
    if (c == u'\\') c = u',';
  return u"Printers\\" + name + u"\\PrinterDriverData";
}

// Lays out a structure followed by its strings in a caller's buffer, the
// way the spooler answers: first the size, then (when it fits) the copy.
class Packer {
 public:
  explicit Packer(std::size_t structSize) : needed_(structSize) {}
  void Reserve(const std::u16string* text) {
    if (text != nullptr) needed_ += (text->size() + 1) * sizeof(WCHAR);
  }
  std::size_t Needed() const { return needed_; }
  void Begin(LPBYTE buffer, std::size_t structSize) {
    buffer_ = buffer;
    next_ = structSize;
  }
  LPWSTR Place(const std::u16string* text) {
    if (text == nullptr) return nullptr;
    auto* at = reinterpret_cast<WCHAR*>(buffer_ + next_);
    std::memcpy(at, text->c_str(), (text->size() + 1) * sizeof(WCHAR));
    next_ += (text->size() + 1) * sizeof(WCHAR);
    return at;
  }

 private:
  std::size_t needed_;
  LPBYTE buffer_ = nullptr;
  std::size_t next_ = 0;
};

// Shared size protocol: *pcbNeeded always; FALSE with ERROR_INSUFFICIENT_BUFFER
// when the buffer is short.
template <class Struct, class Fill>
BOOL Answer(const std::vector<const std::u16string*>& strings, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded,
            Fill fill) {
  Packer packer(sizeof(Struct));
  for (const auto* text : strings) packer.Reserve(text);
  *pcbNeeded = static_cast<DWORD>(packer.Needed());
  if (buffer == nullptr || cbBuf < packer.Needed()) return Fail(ERROR_INSUFFICIENT_BUFFER);
  packer.Begin(buffer, sizeof(Struct));
  Struct info{};
  std::vector<LPWSTR> placed;
  placed.reserve(std::size(strings));
  for (const auto* text : strings) placed.push_back(packer.Place(text));
  fill(info, placed);
  std::memcpy(buffer, &info, sizeof(Struct));
  return TRUE;
}

}  // namespace

bool IsPrinterObject(const Object& object) {
  return dynamic_cast<const PrinterObject*>(&object) != nullptr;
}

}  // namespace platform::posix

using namespace platform::posix;
using platform::U;

BOOL WINAPI OpenPrinterW(LPWSTR pPrinterName, PHANDLE phPrinter, LPPRINTER_DEFAULTSW /*pDefault*/) {
  if (phPrinter == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *phPrinter = nullptr;
  if (pPrinterName == nullptr) return Fail(ERROR_INVALID_PRINTER_NAME);
  auto printer = FindPrinter(U(pPrinterName));
  if (!printer) return Fail(ERROR_INVALID_PRINTER_NAME);
  *phPrinter = AddObject(std::make_shared<PrinterObject>(printer->description.name));
  return TRUE;
}

BOOL WINAPI ClosePrinter(HANDLE hPrinter) {
  if (!Find<PrinterObject>(hPrinter) || !RemoveObject(hPrinter)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

BOOL WINAPI GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  auto printer = PrinterFor(hPrinter);
  if (!printer) return Fail(ERROR_INVALID_HANDLE);
  if (Level != 2) return Fail(ERROR_INVALID_LEVEL);
  const auto& d = printer->description;
  static const std::u16string empty, processor = u"WinPrint", datatype = u"RAW";
  return Answer<PRINTER_INFO_2W>(
      {&d.name, &empty, &d.port, &d.driverName, &empty, &empty, &empty, &processor, &datatype, &empty}, pPrinter, cbBuf,
      pcbNeeded, [](PRINTER_INFO_2W& info, const std::vector<LPWSTR>& s) {
        info.pServerName = nullptr;  // a local printer
        info.pPrinterName = s[0];
        info.pShareName = s[1];
        info.pPortName = s[2];
        info.pDriverName = s[3];
        info.pComment = s[4];
        info.pLocation = s[5];
        info.pDevMode = nullptr;
        info.pSepFile = s[6];
        info.pPrintProcessor = s[7];
        info.pDatatype = s[8];
        info.pParameters = s[9];
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        info.Priority = 1;
        info.DefaultPriority = 1;
      });
}

BOOL WINAPI GetPrinterDriverW(HANDLE hPrinter, LPWSTR /*pEnvironment*/, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                              LPDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  auto printer = PrinterFor(hPrinter);
  if (!printer) return Fail(ERROR_INVALID_HANDLE);
  if (Level != 3) return Fail(ERROR_INVALID_LEVEL);
  const auto& d = printer->description;
  std::u16string directory = d.driverDirectory.empty() ? DriverDirectory() : d.driverDirectory;
  std::u16string environment = u"Windows x64";
  std::u16string driverPath = directory + u"/3/pscript5.dll";
  std::u16string dataFile = directory + u"/3/" + d.driverName + u".ppd";
  std::u16string configFile = directory + u"/3/ps5ui.dll";
  std::u16string empty, datatype = u"RAW";
  // The dependent files: each name terminated, then one more terminator.
  // Packed as one string holding the inner terminators.
  std::u16string dependents;
  for (const auto& file : d.dependentFiles) {
    if (file.empty()) continue;
    dependents += file;
    dependents.push_back(0);
  }
  return Answer<DRIVER_INFO_3W>(
      {&d.driverName, &environment, &driverPath, &dataFile, &configFile, &empty, &dependents, &empty, &datatype},
      pDriverInfo, cbBuf, pcbNeeded, [](DRIVER_INFO_3W& info, const std::vector<LPWSTR>& s) {
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

BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR /*pName*/, LPWSTR /*pEnvironment*/, DWORD Level, LPBYTE pDriverDirectory,
                                       DWORD cbBuf, LPDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  std::u16string directory = DriverDirectory();
  auto needed = static_cast<DWORD>((directory.size() + 1) * sizeof(WCHAR));
  *pcbNeeded = needed;
  if (pDriverDirectory == nullptr || cbBuf < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(pDriverDirectory, directory.c_str(), needed);
  return TRUE;
}

DWORD WINAPI GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                             LPDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) return ERROR_INVALID_PARAMETER;
  auto object = Find<PrinterObject>(hPrinter);
  if (!object) return ERROR_INVALID_HANDLE;
  store::Value value;
  std::u16string_view name = pValueName == nullptr ? std::u16string_view() : U(pValueName);
  if (LONG status = store::GetValue(store::Hive::LocalMachine, object->dataKey, name, value); status != ERROR_SUCCESS)
    return static_cast<DWORD>(status);
  DWORD size = nSize;
  LONG status = QueryValue(value, pType, pData, &size);
  *pcbNeeded = size;
  // A size-only query (no buffer) is "more data" for the spooler, unlike the registry.
  if (status == ERROR_SUCCESS && pData == nullptr && !value.data.empty()) return ERROR_MORE_DATA;
  return static_cast<DWORD>(status);
}

DWORD WINAPI SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
  auto object = Find<PrinterObject>(hPrinter);
  if (!object) return ERROR_INVALID_HANDLE;
  if (pData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
  store::Value value{pValueName == nullptr ? std::u16string() : std::u16string(U(pValueName)), Type, {}};
  if (cbData != 0) value.data.assign(pData, pData + cbData);
  return static_cast<DWORD>(store::SetValue(store::Hive::LocalMachine, object->dataKey, value));
}

DWORD WINAPI DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName) {
  auto object = Find<PrinterObject>(hPrinter);
  if (!object) return ERROR_INVALID_HANDLE;
  std::u16string_view name = pValueName == nullptr ? std::u16string_view() : U(pValueName);
  return static_cast<DWORD>(store::DeleteValue(store::Hive::LocalMachine, object->dataKey, name));
}

BOOL WINAPI WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
  if (pcWritten == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *pcWritten = 0;
  auto object = Find<PrinterObject>(hPrinter);
  auto sink = object ? FindSink(object->name) : std::nullopt;
  if (!sink) return Fail(ERROR_INVALID_HANDLE);
  if (pBuf == nullptr && cbBuf != 0) return Fail(ERROR_NOACCESS);
  if (FaultHere(platform::host::FaultCall::WritePrinter)) return FALSE;
  if (cbBuf == 0) return TRUE;
  // No sink is a printer that takes nothing: the bytes must not vanish silently.
  if (!*sink || !(*sink)(pBuf, cbBuf)) return Fail(ERROR_WRITE_FAULT);
  *pcWritten = cbBuf;
  return TRUE;
}

BOOL WINAPI GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  auto printer = PrinterFor(hPrinter);
  if (!printer) return Fail(ERROR_INVALID_HANDLE);
  if (!printer->job || printer->job->jobId != JobId) return Fail(ERROR_INVALID_PARAMETER);
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  const auto& job = *printer->job;
  static const std::u16string datatype = u"RAW";
  SYSTEMTIME submitted{};
  GetLocalTime(&submitted);
  return Answer<JOB_INFO_1W>({&printer->description.name, &job.machine, &job.owner, &job.document, &datatype}, pJob,
                             cbBuf, pcbNeeded, [&](JOB_INFO_1W& info, const std::vector<LPWSTR>& s) {
                               info.JobId = job.jobId;
                               info.pPrinterName = s[0];
                               info.pMachineName = s[1];
                               info.pUserName = s[2];
                               info.pDocument = s[3];
                               info.pDatatype = s[4];
                               info.pStatus = nullptr;
                               info.Status = JOB_STATUS_PRINTING;
                               info.Priority = 1;
                               info.Position = 1;
                               info.Submitted = submitted;
                             });
}

DWORD WINAPI DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR /*pPort*/, WORD fwCapability, LPWSTR pOutput,
                                 const DEVMODEW* /*pDevMode*/) {
  constexpr auto kUnknown = static_cast<DWORD>(-1);
  if (pDevice == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kUnknown;
  }
  auto printer = FindPrinter(U(pDevice));
  if (!printer) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return kUnknown;
  }
  const auto& d = printer->description;
  switch (fwCapability) {
    case DC_COLORDEVICE:
      return d.color ? 1 : 0;
    case DC_ENUMRESOLUTIONS: {
      // Pairs of LONG (x, y); the caller's buffer is typed LPWSTR by the API.
      if (pOutput != nullptr) {
        auto* out = reinterpret_cast<BYTE*>(pOutput);
        for (const auto& r : d.resolutions) {
          LONG pair[2] = {r[1], r[2]};
          std::memcpy(out, pair, sizeof(pair));
          out += sizeof(pair);
        }
      }
      return static_cast<DWORD>(d.resolutions.size());
    }
    case DC_COPIES:
      return 9999;
    case DC_COLLATE:
      return 1;
    case 0xFFFA:
      return d.driverPrivateFFFA;
    default:
      SetLastError(ERROR_NOT_SUPPORTED);
      return kUnknown;
  }
}
