// The optional workflow extension: a companion library whose object gets the
// first say on every command, may substitute the devmode and sees every device
// context. The plug-in works alone when no extension is installed.
#pragma once

#include "platform/oemps.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class XOemPdev;
class RenBase;

// The extension's object, used through its table of operations in this order.
class WorkflowObject {
 public:
  virtual void OnCommand() = 0;
  virtual HRESULT EnablePdev(PDEVOBJ pdevobj, XOemPdev* pdev, PWSTR pPrinterName, ULONG cPatterns,
                             HSURF* phsurfPatterns, ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo,
                             DEVINFO* pDevInfo, DRVENABLEDATA* pded) = 0;
  virtual HRESULT Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize, XOemPdev* pdev,
                          IPrintOemDriverPS* driverHelper, DWORD* pdwResult) = 0;
  virtual HRESULT Initialize(HANDLE hPrinter) = 0;
  virtual HRESULT Start() = 0;
  virtual HRESULT SpoolFile(XOemPdev* pdev, CXString path) = 0;
  virtual DWORD ReplacementDevmode(XOemPdev* pdev, ByteBuffer& devmode) = 0;
  virtual DWORD JobTicketValue() = 0;

 protected:
  ~WorkflowObject() = default;
};

// The extension's object for the printer, loading it on demand; null when the
// printer has none. Loading and detection arrive with the extension loader;
// until then every printer is served by the plug-in alone.
WorkflowObject* EnsureWorkflowExtension(RenBase& owner, HANDLE hPrinter);
