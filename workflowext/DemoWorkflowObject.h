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

 private:
  void Log(const std::string& line);

  DWORD answerIndex_ = 0;
  DWORD copies_ = 0;
  DWORD ticketValue_ = 0;
  std::u16string spoolTo_;
  std::u16string logPath_;
  // Lines logged before Initialize told where the log goes.
  std::vector<std::string> pending_;
  bool initialized_ = false;
  // The public devmode of the last command, whole (with the driver's part).
  std::vector<std::uint8_t> lastDevmode_;
};

}  // namespace workflowext
