#include "output/OutputFilter.h"

#include <optional>

#include "pdev/XOemPdev.h"
#include "platform/text.h"
#include "support/EntryGuard.h"
#include "workflow/WorkflowExtension.h"
#include "zqutil/OperatingSystem.h"

namespace {

void Report(const char16_t* what, const CXString& path) {
  CXString line(u"RenPs::WritePrinter: ");
  line += what;
  line += path;
  line += u"\n";
  OutputDebugStringW(platform::W(line.c_str()));
}

CXString SpoolFilePath(XOemPdev& pdev) {
  CXString path;
  if (!pdev.GetString(kPdevSpoolFilePath, path)) {
    path = OperatingSystem::GetTempFileNameW();
    pdev.SetString(kPdevSpoolFilePath, path);
  }
  return path;
}

}  // namespace

OutputFilter::~OutputFilter() {
  // The end of the stream never came (the driver stopped, or the injection
  // point that marks it failed): the job's bytes wait in the spool file.
  if (spool_ == nullptr || !spool_->IsOpen()) return;
  try {
    Report(u"the job ended before its last write; its spool file is kept, not sent: ", spool_->Path());
  } catch (...) {
    // Nothing more can be said from a destructor.
  }
}

void OutputFilter::DecideCapture(PDEVOBJ pdevobj, const void* pBuf, DWORD cbBuffer) {
  if (pBuf == nullptr || cbBuffer == 0 || firstWrite_) return;
  if (XOemPdevPs* pdev = PdevFrom(pdevobj)) {
    DWORD noCapture = 0;
    pdev->GetLong(kPdevNoCapture, noCapture);
    ByteBuffer booklet;
    pdev->GetBuffer(kPdevBookletMode, booklet);
    if (noCapture == 0 && booklet.getAsLongValue() != 0) pdev->SetLong(kPdevCaptureActive, 1);
  }
  firstWrite_ = true;
}

HRESULT OutputFilter::Write(PDEVOBJ pdevobj, const void* pBuf, DWORD cbBuffer, PDWORD pcbWritten,
                            WorkflowExtension& workflow, SpoolFilePostProcessor& postProcessor) {
  if (pBuf == nullptr && cbBuffer == 0) return S_OK;
  if (pdevobj == nullptr || pcbWritten == nullptr) return E_FAIL;
  workflow.Ensure(pdevobj->hPrinter);
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  if (pdev == nullptr) return E_FAIL;

  DWORD value = 0;
  if (pdev->GetLong(kPdevOutputRefused, value)) {
    // The job is refused from here on; what was captured stays on disk.
    spool_.reset();
    return E_FAIL;
  }
  if (pdev->GetLong(kPdevCaptureActive, value) && spool_ == nullptr) {
    spool_ = std::make_unique<SpoolFileStage>(SpoolFilePath(*pdev));
  }
  const bool last = pdev->GetLong(kPdevEndOfStream, value);

  HRESULT result;
  if (spool_ != nullptr) {
    // The Ctrl-D that marks the last write is the plug-in's own, not the job's.
    const auto* bytes = static_cast<const unsigned char*>(pBuf);
    const bool dropCtrlD = last && cbBuffer >= 1 && bytes[cbBuffer - 1] == 0x04;
    const DWORD count = dropCtrlD ? cbBuffer - 1 : cbBuffer;
    result = spool_->Write(pBuf, count, *pcbWritten) ? S_OK : E_FAIL;
    if (result != S_OK)
      Report(u"a write into the spool file failed; the job goes on without it: ", SpoolFilePath(*pdev));
    if (dropCtrlD) *pcbWritten += 1;
  } else {
    PrinterStage printer(pdevobj->hPrinter);
    result = printer.Write(pBuf, cbBuffer, *pcbWritten) ? S_OK : E_FAIL;
  }
  if (!last || spool_ == nullptr) return result;
  // A failed last write still finishes the job.
  FinishCapturedJob(pdevobj, *pdev, workflow, postProcessor);
  return result;
}

HRESULT OutputFilter::FinishCapturedJob(PDEVOBJ pdevobj, XOemPdev& pdev, WorkflowExtension& workflow,
                                        SpoolFilePostProcessor& postProcessor) {
  spool_->Finish();
  spool_.reset();
  DWORD value = 0;
  if (!pdev.GetLong(kPdevCapturedJobDone, value)) pdev.SetLong(kPdevCapturedJobDone, 1);
  CXString path;
  pdev.GetString(kPdevSpoolFilePath, path);
  postProcessor.PostProcessSpoolFile(pdevobj, &pdev, path);
  if (WorkflowObject* extension = workflow.Get()) {
    const std::optional<HRESULT> taken = GuardedEntry<std::optional<HRESULT>>(
        "RenPs::WritePrinter", std::nullopt, [&] { return std::optional(extension->SpoolFile(&pdev, path)); });
    if (!taken) {
      // Whether the extension still took the file cannot be told: sending it
      // could print the job twice, deleting it could lose it.
      Report(u"the workflow extension failed on the spool file, which is kept, not sent: ", path);
      return E_FAIL;
    }
    if (*taken != E_NOTIMPL) return S_OK;
  }
  PrinterStage printer(pdevobj->hPrinter);
  if (!ResendFile(path, printer)) {
    // Keep the job: a file that did not reach the spooler is not deleted.
    Report(u"the spool file could not be sent and is kept: ", path);
    return E_FAIL;
  }
  DeleteFileW(platform::W(path.c_str()));
  return S_OK;
}
