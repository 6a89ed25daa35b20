// The interface between the plug-in and a workflow extension: the object the
// extension hands out and the two functions its module exports. An extension
// module includes this header and nothing else of the plug-in.
//
// The plug-in calls the object's operations through its table of virtual
// operations, in the order they are declared here; the order is the contract,
// so an operation is never moved or removed. The plug-in passes its device
// context state (XOemPdev) and its settings-source provider as opaque
// pointers: an extension may keep them for the duration of a call and hand
// them back, nothing more.
#pragma once

#include "platform/oemps.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class XOemPdev;
class DataSourceProvider;

class WorkflowObject {
 public:
  // After the controller family's emitters ran, at every command of a job
  // that gets device code. The plug-in relies on nothing.
  virtual void OnCommand() = 0;
  // A device context was enabled; the result is ignored.
  virtual HRESULT EnablePdev(PDEVOBJ pdevobj, XOemPdev* pdev, PWSTR pPrinterName, ULONG cPatterns,
                             HSURF* phsurfPatterns, ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo,
                             DEVINFO* pDevInfo, DRVENABLEDATA* pded) = 0;
  // First thing in every command. E_NOTIMPL lets the plug-in go on; any other
  // result is the command's result, and the plug-in does nothing else for it.
  virtual HRESULT Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize, XOemPdev* pdev,
                          IPrintOemDriverPS* driverHelper, DWORD* pdwResult) = 0;
  // Once, right after the object was created.
  virtual HRESULT Initialize(HANDLE hPrinter) = 0;
  // Once, right after Initialize.
  virtual HRESULT Start() = 0;
  // The finished spool file of a captured job. E_NOTIMPL: the plug-in sends
  // the file on and deletes it; any other result: the extension took it.
  virtual HRESULT SpoolFile(XOemPdev* pdev, CXString path) = 0;
  // After Command answered E_NOTIMPL. 0 means `devmode` holds a devmode the
  // plug-in uses instead of the public devmode for the rest of that command.
  virtual DWORD ReplacementDevmode(XOemPdev* pdev, ByteBuffer& devmode) = 0;
  // At the start of the stream: a value handed on to the job ticket writer.
  virtual DWORD JobTicketValue() = 0;

 protected:
  // Objects are freed by the module that made them (ReleaseWorkflowObject).
  ~WorkflowObject() = default;
};

// The exports of an extension module, by these names.
inline constexpr char kGetWorkflowObjectExport[] = "GetWorkflowObject";
inline constexpr char kReleaseWorkflowObjectExport[] = "ReleaseWorkflowObject";
// The object for the plug-in, or null when the extension has none to give.
using PFN_GetWorkflowObject = WorkflowObject* (*)(DataSourceProvider* provider);
using PFN_ReleaseWorkflowObject = void (*)(WorkflowObject* object);
