// The output path as stages. A stage takes bytes with Write and is closed with
// Finish; both report failure instead of dropping it. The plug-in object
// composes the stages per job: pass-through to the spooler, or capture into a
// spool file that is post-processed and re-sent at the end of the job.
#pragma once

#include <memory>

#include "platform/oemps.h"
#include "zqutil/CXString.h"

class OutputStage {
 public:
  OutputStage() = default;
  OutputStage(const OutputStage&) = delete;
  OutputStage& operator=(const OutputStage&) = delete;
  virtual ~OutputStage() = default;

  // Writes `size` bytes; `written` receives the count the stage took.
  virtual bool Write(const void* data, DWORD size, DWORD& written) = 0;
  // Ends the stage's part of the job; false when something was not delivered.
  virtual bool Finish() = 0;
};

// Pass-through: the spooler's WritePrinter on the job's printer handle.
class PrinterStage final : public OutputStage {
 public:
  explicit PrinterStage(HANDLE hPrinter) : hPrinter_(hPrinter) {}
  bool Write(const void* data, DWORD size, DWORD& written) override;
  bool Finish() override { return true; }

 private:
  HANDLE hPrinter_;
};

// Capture: the job's bytes appended to a spool file, which survives the stage
// (closing it never deletes it).
class SpoolFileStage final : public OutputStage {
 public:
  // Opens `path` for appending, or creates it. The stage exists even when
  // neither works: every write then fails, so the job reports the failure.
  explicit SpoolFileStage(const CXString& path);
  ~SpoolFileStage() override;

  bool Write(const void* data, DWORD size, DWORD& written) override;
  bool Finish() override;
  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE && file_ != nullptr; }
  const CXString& Path() const { return path_; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  CXString path_;
};

// Re-send: streams a finished file into `sink` in 4096-byte pieces. False when
// the file cannot be opened or read, or the sink refuses a piece; the file is
// never touched, so a caller can keep it when the re-send failed.
bool ResendFile(const CXString& path, OutputStage& sink);
