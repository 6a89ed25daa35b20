// A workflow extension of our own: the plug-in's test double, and a worked
// example for anyone who writes an extension.
//
// Built as the module that selector 2 of "XWorkflowDLL" loads ("zqwfwuA2.dll",
// "zqwfwuA2.so" on POSIX), beside the plug-in. It implements every operation
// of WorkflowObject (complugins/workflow/WorkflowObject.h) and exports
// GetWorkflowObject and ReleaseWorkflowObject. What it does is set through
// printer data values, read once when the plug-in initialises the object:
//
//   RenpsWorkflowAnswer       REG_DWORD  an injection index the extension answers
//                                        itself with S_FALSE (the plug-in then
//                                        writes nothing for it); 0 or absent:
//                                        every command is passed on (E_NOTIMPL)
//   RenpsWorkflowCopies       REG_DWORD  non-zero: a replacement devmode is
//                                        supplied at every command, the public
//                                        devmode with dmCopies set to this value
//   RenpsWorkflowTicketValue  REG_DWORD  the job-ticket value (default 0)
//   RenpsWorkflowSpoolTo      REG_SZ     take the spool file of a captured job,
//                                        moving it to this path; absent: leave
//                                        it to the plug-in
//   RenpsWorkflowLog          REG_SZ     a file to which one line per call is
//                                        appended ("Initialize", "Command 1" ...)
//   RenpsWorkflowThrow        REG_DWORD  operations that throw a C++ exception
//                                        (std::runtime_error) instead of
//                                        answering, as a broken extension
//                                        would: a set of the Throw... bits below
//
// GetWorkflowObject cannot read the printer's data (it gets no printer): it
// throws when the environment variable RENPS_WORKFLOW_THROW holds a number
// with ThrowOnCreate set.
//
// An extension keeps the pointers the plug-in hands it (the provider, the
// device context state) only as opaque handles; it learns about the job from
// the DEVOBJ and the printer handle, as this one does.
#pragma once

#include <string>
#include <vector>

#include "workflow/WorkflowObject.h"

namespace workflowext {

inline constexpr char16_t kAnswerValue[] = u"RenpsWorkflowAnswer";
inline constexpr char16_t kCopiesValue[] = u"RenpsWorkflowCopies";
inline constexpr char16_t kTicketValue[] = u"RenpsWorkflowTicketValue";
inline constexpr char16_t kSpoolToValue[] = u"RenpsWorkflowSpoolTo";
inline constexpr char16_t kLogValue[] = u"RenpsWorkflowLog";
inline constexpr char16_t kThrowValue[] = u"RenpsWorkflowThrow";
inline constexpr char kThrowEnvironment[] = "RENPS_WORKFLOW_THROW";

// The bits of RenpsWorkflowThrow, one per operation. Initialize throws after
// it has read the printer's data, so its log line is still written.
enum ThrowBits : DWORD {
  kThrowOnCommandNotification = 1u << 0,
  kThrowOnEnablePdev = 1u << 1,
  kThrowOnCommand = 1u << 2,
  kThrowOnInitialize = 1u << 3,
  kThrowOnStart = 1u << 4,
  kThrowOnSpoolFile = 1u << 5,
  kThrowOnReplacementDevmode = 1u << 6,
  kThrowOnJobTicketValue = 1u << 7,
  kThrowOnRelease = 1u << 8,
  kThrowOnCreate = 1u << 9,
};

class DemoWorkflowObject final : public WorkflowObject {
 public:
  explicit DemoWorkflowObject(DataSourceProvider* provider);
  ~DemoWorkflowObject();
  DemoWorkflowObject(const DemoWorkflowObject&) = delete;
  DemoWorkflowObject& operator=(const DemoWorkflowObject&) = delete;

  void OnCommand() override;
  HRESULT EnablePdev(PDEVOBJ pdevobj, XOemPdev* pdev, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns,
                     ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo,
                     DRVENABLEDATA* pded) override;
  HRESULT Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize, XOemPdev* pdev,
                  IPrintOemDriverPS* driverHelper, DWORD* pdwResult) override;
  HRESULT Initialize(HANDLE hPrinter) override;
  HRESULT Start() override;
  HRESULT SpoolFile(XOemPdev* pdev, CXString path) override;
  DWORD ReplacementDevmode(XOemPdev* pdev, ByteBuffer& devmode) override;
  DWORD JobTicketValue() override;

  bool ThrowsOnRelease() const { return Throws(kThrowOnRelease); }

 private:
  bool Throws(DWORD bit) const { return (throwing_ & bit) != 0; }
  void Log(const std::string& line);
  // Logs the operation, then throws when the printer asks this one to.
  void Enter(const std::string& line, DWORD bit);

  DWORD answerIndex_ = 0;
  DWORD copies_ = 0;
  DWORD ticketValue_ = 0;
  DWORD throwing_ = 0;
  std::u16string spoolTo_;
  std::u16string logPath_;
  // Lines logged before Initialize told where the log goes.
  std::vector<std::string> pending_;
  bool initialized_ = false;
  // The public devmode of the last command, whole (with the driver's part).
  std::vector<std::uint8_t> lastDevmode_;
};

}  // namespace workflowext
