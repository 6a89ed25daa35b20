#include "zqutil/PrintJob.h"

#include "zqutil/Printer.h"
#include "zqutil/TamorException.h"

namespace {
constexpr const char* kSource = "zqutil/printjob";
}

void PrintJob::GetJobInfo(HANDLE hPrinter, DWORD jobId, DWORD level) {
  buffer_.clear();
  if (!Printer::IsValidHandle(hPrinter))
    TamorThrow<ExceptionPrintJobFailure>(kSource, __LINE__, "PrintJob::GetJobInfo", u"no printer handle");
  if (level != 1)
    TamorThrow<ExceptionPrintJobFailure>(kSource, __LINE__, "PrintJob::GetJobInfo",
                                         CXString::Formatted(u"job information level %lu is not supported", level));
  DWORD needed = 0;
  GetJobW(hPrinter, jobId, 1, nullptr, 0, &needed);  // asks for the size
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (needed < sizeof(JOB_INFO_1W)) needed = sizeof(JOB_INFO_1W);
    buffer_.assign((needed + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
    auto size = static_cast<DWORD>(buffer_.size() * sizeof(std::uint64_t));
    if (GetJobW(hPrinter, jobId, 1, reinterpret_cast<LPBYTE>(buffer_.data()), size, &needed)) return;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
  }
  DWORD error = GetLastError();
  buffer_.clear();
  TamorThrow<ExceptionPrintJobFailure>(kSource, __LINE__, "PrintJob::GetJobInfo",
                                       CXString::Formatted(u"GetJobW for job %lu failed (error %lu)", jobId, error));
}

const JOB_INFO_1W* PrintJob::GetJobInfoPtr() const {
  return buffer_.empty() ? nullptr : reinterpret_cast<const JOB_INFO_1W*>(buffer_.data());
}

CXString PrintJob::GetKorvidPrintJobIDkey(HANDLE /*hPrinter*/, DWORD jobId, const CXString& userName) {
  if (jobId == 0) return CXString();
  CXString key = CXString::Formatted(u"%lu", jobId);
  CXString user;
  for (char16_t c : userName.str())
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) user += c;
  if (!user.IsEmpty()) {
    key += u'-';
    key += user;
  }
  return key;
}
