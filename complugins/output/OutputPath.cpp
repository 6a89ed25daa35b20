#include "output/OutputPath.h"

#include "com/RenPs.h"
#include "workflow/WorkflowExtension.h"
#include "pdev/XOemPdev.h"
#include "platform/text.h"
#include "zqutil/OperatingSystem.h"

namespace {

constexpr DWORD kSpoolFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
constexpr std::size_t kResendChunk = 4096;

HANDLE OpenSpoolFile(XOemPdevPs& pdev) {
  CXString path;
  if (!pdev.GetString(kPdevSpoolFilePath, path)) {
    path = OperatingSystem::GetTempFileNameW();
    pdev.SetString(kPdevSpoolFilePath, path);
  }
  HANDLE file = CreateFileW(platform::W(path.c_str()), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, kSpoolFlags, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    SetFilePointer(file, 0, nullptr, FILE_END);
    return file;
  }
  return CreateFileW(platform::W(path.c_str()), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                     kSpoolFlags, nullptr);
}

// Streams the finished file to the spooler and deletes it.
void ResendSpoolFile(HANDLE hPrinter, const CXString& path) {
  HANDLE file = CreateFileW(platform::W(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            kSpoolFlags, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  unsigned char buffer[kResendChunk];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &read, nullptr) || read == 0) break;
    DWORD written = 0;
    WritePrinter(hPrinter, buffer, read, &written);
  }
  CloseHandle(file);
  DeleteFileW(platform::W(path.c_str()));
}

}  // namespace

void DecideCapture(bool& firstWrite, PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer) {
  if (pBuf == nullptr || cbBuffer == 0 || firstWrite) return;
  if (XOemPdevPs* pdev = PdevFrom(pdevobj)) {
    DWORD noCapture = 0;
    pdev->GetLong(kPdevNoCapture, noCapture);
    ByteBuffer booklet;
    pdev->GetBuffer(kPdevBookletMode, booklet);
    if (noCapture == 0 && booklet.getAsLongValue() != 0) pdev->SetLong(kPdevCaptureActive, 1);
  }
  firstWrite = true;
}

HRESULT FilterOutputStream(RenPs& plugin, HANDLE& spoolFile, PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer,
                           PDWORD pcbWritten) {
  if (pBuf == nullptr && cbBuffer == 0) return S_OK;
  if (pdevobj == nullptr || pcbWritten == nullptr) return E_FAIL;
  WorkflowObject* workflow = EnsureWorkflowExtension(plugin, pdevobj->hPrinter);
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  if (pdev == nullptr) return E_FAIL;

  DWORD value = 0;
  if (pdev->GetLong(kPdevOutputRefused, value)) {
    if (spoolFile != nullptr) {
      CloseHandle(spoolFile);
      spoolFile = nullptr;
    }
    return E_FAIL;
  }
  if (pdev->GetLong(kPdevCaptureActive, value) && spoolFile == nullptr) spoolFile = OpenSpoolFile(*pdev);
  const bool last = pdev->GetLong(kPdevEndOfStream, value);

  HRESULT result;
  if (spoolFile != nullptr) {
    const auto* bytes = static_cast<const unsigned char*>(pBuf);
    const bool dropCtrlD = last && cbBuffer >= 1 && bytes[cbBuffer - 1] == 0x04;
    const DWORD count = dropCtrlD ? cbBuffer - 1 : cbBuffer;
    result = WriteFile(spoolFile, pBuf, count, pcbWritten, nullptr) ? S_OK : E_FAIL;
    if (dropCtrlD) *pcbWritten += 1;
  } else {
    result = ::WritePrinter(pdevobj->hPrinter, pBuf, cbBuffer, pcbWritten) ? S_OK : E_FAIL;
  }
  if (!last) return result;

  if (spoolFile == nullptr) return result;
  CloseHandle(spoolFile);
  spoolFile = nullptr;
  if (!pdev->GetLong(kPdevCapturedJobDone, value)) pdev->SetLong(kPdevCapturedJobDone, 1);
  CXString path;
  pdev->GetString(kPdevSpoolFilePath, path);
  plugin.PostProcessSpoolFile(pdevobj, pdev, path);
  if (workflow != nullptr && workflow->SpoolFile(pdev, path) != E_NOTIMPL) return result;
  ResendSpoolFile(pdevobj->hPrinter, path);
  return result;
}
