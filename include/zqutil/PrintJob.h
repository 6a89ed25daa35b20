// PrintJob: the spooler's record of one print job (GetJobW).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "zqutil/CXString.h"

class PrintJob {
 public:
  // Reads the job record at `level` (only level 1 is supported). Throws
  // ExceptionPrintJobFailure when the handle is invalid, the level unknown or
  // the spooler has no such job.
  void GetJobInfo(HANDLE hPrinter, DWORD jobId, DWORD level = 1);
  // The JOB_INFO_1W of the last successful GetJobInfo; null before. Its
  // strings point into this object and live as long as it does.
  const JOB_INFO_1W* GetJobInfoPtr() const;

  // A key that names the job to the printer's job log: the decimal job id,
  // then '-' and the letters and digits of the user name when there are any;
  // empty without a job id. It never holds characters that would need quoting
  // inside a PostScript string. The printer handle is not read.
  static CXString GetKorvidPrintJobIDkey(HANDLE hPrinter, DWORD jobId, const CXString& userName);

 private:
  std::vector<std::uint64_t> buffer_;  // 8-byte aligned storage for the record
};
