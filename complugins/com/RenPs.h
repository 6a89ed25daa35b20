// The plug-in object: the COM face of the plug-in. Each method is a doorway to
// the component that does the work (device contexts, the injection dispatcher,
// the private devmode, the output path).
#pragma once

#include "com/RenBase.h"
#include "platform/oemps.h"

class RenPs;

// Output-stream filter embedded in the plug-in object; reaches its owner.
class PostScriptPdlFilter {
 public:
  explicit PostScriptPdlFilter(RenPs* owner) : owner_(owner) {}
  virtual ~PostScriptPdlFilter() = default;
  RenPs* GetOwner() const { return owner_; }

 private:
  RenPs* owner_;
};

class RenPs final : public IPrintOemPS2, public RenBase {
 public:
  static constexpr DWORD kSignature = 0x544D4B56;  // "TMKV"
  static constexpr DWORD kVersion = 1;

  RenPs();
  ~RenPs() override;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IPrintOemCommon
  HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
  HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) override;
  // IPrintOemEngine
  HRESULT STDMETHODCALLTYPE EnableDriver(DWORD DriverVersion, DWORD cbSize, PDRVENABLEDATA pded) override;
  HRESULT STDMETHODCALLTYPE DisableDriver() override;
  HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns,
                                       ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo,
                                       DRVENABLEDATA* pded, PDEVOEM* pDevOem) override;
  HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ pdevobj) override;
  HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) override;
  // IPrintOemPS
  HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) override;
  HRESULT STDMETHODCALLTYPE Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize,
                                    DWORD* pdwResult) override;
  // IPrintOemPS2
  HRESULT STDMETHODCALLTYPE WritePrinter(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, PDWORD pcbWritten) override;
  HRESULT STDMETHODCALLTYPE GetPDEVAdjustment(PDEVOBJ pdevobj, DWORD dwAdjustType, PVOID pBuf, DWORD cbBuffer,
                                              BOOL* pbAdjustmentDone) override;

  // RenBase side
  void OnDataSourceUpdate() override {}
  HRESULT PostProcessSpoolFile(PDEVOBJ pdevobj, XOemPdev* pdev, CXString& path) override;

  IPrintOemDriverPS* GetDriverHelper() const { return context_.driverHelper; }
  IPrintCoreHelper* GetCoreHelper() const { return context_.coreHelper; }

 private:
  LONG volatile refCount_ = 1;
  PostScriptPdlFilter outputFilter_;
};
