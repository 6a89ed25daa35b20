// The spooler calls, answered from the printers the host registered. Printer
// data lives in the state store under HKLM\Printers\<name>\PrinterDriverData.
#include "common/answers.h"
#include "internal.h"
#include "platform/text.h"
#include "store.h"

namespace platform::posix {
namespace {

using common::Fail;
using common::PrinterDataKey;

struct PrinterObject : Object {
  explicit PrinterObject(std::u16string n) : name(std::move(n)), dataKey(PrinterDataKey(name)) {}
  std::u16string name;
  std::u16string dataKey;  // where its printer data lives in the store
};

// The printer behind an open handle, as registered now. A printer the host
// removed after the handle was opened makes the handle invalid.
std::optional<PrinterRecord> PrinterFor(HANDLE hPrinter) {
  auto object = Find<PrinterObject>(hPrinter);
  if (!object) return std::nullopt;
  return FindPrinter(object->name);
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
  return platform::common::AnswerPrinterInfo2(printer->description, pPrinter, cbBuf, pcbNeeded);
}

BOOL WINAPI GetPrinterDriverW(HANDLE hPrinter, LPWSTR /*pEnvironment*/, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                              LPDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  auto printer = PrinterFor(hPrinter);
  if (!printer) return Fail(ERROR_INVALID_HANDLE);
  if (Level != 3) return Fail(ERROR_INVALID_LEVEL);
  const auto& d = printer->description;
  const std::u16string directory = d.driverDirectory.empty() ? DriverDirectory() : d.driverDirectory;
  return platform::common::AnswerDriverInfo3(d, directory, u'/', pDriverInfo, cbBuf, pcbNeeded);
}

BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR /*pName*/, LPWSTR /*pEnvironment*/, DWORD Level, LPBYTE pDriverDirectory,
                                       DWORD cbBuf, LPDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  return platform::common::AnswerText(DriverDirectory(), pDriverDirectory, cbBuf, pcbNeeded);
}

DWORD WINAPI GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                             LPDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) return ERROR_INVALID_PARAMETER;
  auto object = Find<PrinterObject>(hPrinter);
  if (!object) return ERROR_INVALID_HANDLE;
  std::u16string_view name = pValueName == nullptr ? std::u16string_view() : U(pValueName);
  return static_cast<DWORD>(
      store::GetValue(store::Hive::LocalMachine, object->dataKey, name, [&](const store::Value& value) -> LONG {
        return static_cast<LONG>(
            platform::common::AnswerPrinterData(value.type, value.data, pType, pData, nSize, pcbNeeded));
      }));
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
  SYSTEMTIME submitted{};
  GetLocalTime(&submitted);
  return platform::common::AnswerJobInfo1(printer->description.name, *printer->job, submitted, pJob, cbBuf, pcbNeeded);
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
  return platform::common::AnswerCapability(printer->description, fwCapability, pOutput);
}
