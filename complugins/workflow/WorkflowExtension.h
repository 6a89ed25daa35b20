// The optional workflow extension: a companion library whose object gets the
// first say on every command, may substitute the devmode, sees every device
// context and may take the finished spool file. The plug-in works alone when
// no extension is installed.
#pragma once

#include "platform/oemps.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class XOemPdev;

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

// The plug-in object's slot for the extension: the loaded module and its
// object, released together when the slot goes.
class WorkflowExtension {
 public:
  WorkflowExtension() = default;
  WorkflowExtension(const WorkflowExtension&) = delete;
  WorkflowExtension& operator=(const WorkflowExtension&) = delete;
  ~WorkflowExtension();

  // The extension's object for the printer, loading it on first use; null
  // when the printer has none.
  WorkflowObject* Ensure(HANDLE hPrinter);
  WorkflowObject* Get() const { return object_; }

 private:
  HMODULE module_ = nullptr;
  WorkflowObject* object_ = nullptr;
};
