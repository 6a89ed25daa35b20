// The plug-in's side of the driver's WritePrinter: every byte of the job comes
// through here. It goes straight to the spooler, or, when the job is to be
// imposed, into a spool file that is post-processed, offered to the workflow
// extension and re-sent at the end of the job.
#pragma once

#include <memory>

#include "output/OutputStage.h"
#include "platform/oemps.h"
#include "zqutil/CXString.h"

class XOemPdev;
class WorkflowExtension;

// Rewrites a finished spool file (booklet imposition); may replace `path` by
// the path of the file that is to be sent instead.
class SpoolFilePostProcessor {
 public:
  virtual HRESULT PostProcessSpoolFile(PDEVOBJ pdevobj, XOemPdev* pdev, CXString& path) = 0;

 protected:
  ~SpoolFilePostProcessor() = default;
};

class OutputFilter {
 public:
  OutputFilter() = default;
  // A capture still open here never got its last write: its file is kept and named.
  ~OutputFilter();
  OutputFilter(const OutputFilter&) = delete;
  OutputFilter& operator=(const OutputFilter&) = delete;

  // Decides once per plug-in object, at its first non-empty write, whether
  // jobs are captured (booklet imposition requested and capture not forbidden).
  void DecideCapture(PDEVOBJ pdevobj, const void* pBuf, DWORD cbBuffer);

  // Writes one buffer of the driver's output; the job's last write finishes
  // a captured job.
  HRESULT Write(PDEVOBJ pdevobj, const void* pBuf, DWORD cbBuffer, PDWORD pcbWritten, WorkflowExtension& workflow,
                SpoolFilePostProcessor& postProcessor);

  bool IsCapturing() const { return spool_ != nullptr; }

 private:
  HRESULT FinishCapturedJob(PDEVOBJ pdevobj, XOemPdev& pdev, WorkflowExtension& workflow,
                            SpoolFilePostProcessor& postProcessor);

  std::unique_ptr<SpoolFileStage> spool_;
  bool firstWrite_ = false;
};
