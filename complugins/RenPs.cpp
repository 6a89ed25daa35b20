#include "RenPs.h"
#include "ByteAccess.h"

#include <cstring>

#include "DevmodeHandler.h"
#include "EntryGuard.h"
#include "InjectionDispatcher.h"
#include "ModuleState.h"
#include "OutputPath.h"
#include "PdevAdjustment.h"
#include "PdevLifecycle.h"
#include "output/booklet/TamorPsBookletVerticalFeature.h"
#include "platform/win32.h"

namespace {
// The hooks the plug-in installs in the driver, in the order the driver gets them.
DRVFN g_hookTable[] = {
    {INDEX_DrvStartPage, FunctionCast<PFN>(&OEMStartPage)}, {INDEX_DrvSendPage, FunctionCast<PFN>(&OEMSendPage)},
    {INDEX_DrvEscape, FunctionCast<PFN>(&OEMEscape)},       {INDEX_DrvStartDoc, FunctionCast<PFN>(&OEMStartDoc)},
    {INDEX_DrvEndDoc, FunctionCast<PFN>(&OEMEndDoc)},
};

}  // namespace

RenBase::~RenBase() {
  if (spoolFile_ != nullptr && spoolFile_ != INVALID_HANDLE_VALUE) CloseHandle(spoolFile_);
}

RenPs::RenPs() : outputFilter_(this) {
  module_state::ObjectCreated();
}

RenPs::~RenPs() {
  if (driverHelper_ != nullptr) {
    driverHelper_->Release();
    driverHelper_ = nullptr;
  }
  module_state::ObjectDestroyed();
}

HRESULT STDMETHODCALLTYPE RenPs::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemPS2) || IsEqualIID(riid, IID_IPrintOemPS)) {
    *ppv = static_cast<IPrintOemPS2*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE RenPs::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE RenPs::Release() {
  const LONG count = InterlockedDecrement(&refCount_);
  if (count == 0) {
    GuardedEntry("RenPs::Release", 0, [this]() {
      delete static_cast<RenBase*>(this);
      return 0;
    });
  }
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE RenPs::GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) {
  if (pcbNeeded == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  DWORD value = 0;
  switch (dwMode) {
    case OEMGI_GETPUBLISHERINFO:
      *pcbNeeded = sizeof(PUBLISHERINFO);
      return E_FAIL;
    case OEMGI_GETSIGNATURE:
      value = kSignature;
      break;
    case OEMGI_GETVERSION:
      value = kVersion;
      break;
    case OEMGI_GETREQUESTEDHELPERINTERFACES:
      value = OEMPUBLISH_IPRINTCOREHELPER;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return E_FAIL;
  }
  *pcbNeeded = sizeof(DWORD);
  if (cbSize < sizeof(DWORD) || pBuffer == nullptr) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return E_FAIL;
  }
  bytes::Write32(pBuffer, value);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RenPs::DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) {
  return GuardedEntry("RenPs::DevMode", E_FAIL, [&] { return HandleDevMode(dwMode, pOemDMParam); });
}

HRESULT STDMETHODCALLTYPE RenPs::EnableDriver(DWORD /*DriverVersion*/, DWORD /*cbSize*/, PDRVENABLEDATA pded) {
  return GuardedEntry("RenPs::EnableDriver", E_FAIL, [&]() -> HRESULT {
    if (pded == nullptr) return E_FAIL;
    pded->iDriverVersion = PRINTER_OEMINTF_VERSION;
    pded->c = sizeof(g_hookTable) / sizeof(g_hookTable[0]);
    pded->pdrvfn = g_hookTable;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE RenPs::DisableDriver() {
  return GuardedEntry("RenPs::DisableDriver", E_FAIL, [this]() -> HRESULT {
    if (driverHelper_ != nullptr) {
      driverHelper_->Release();
      driverHelper_ = nullptr;
    }
    if (coreHelper_ != nullptr) {
      coreHelper_->Release();
      coreHelper_ = nullptr;
    }
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE RenPs::EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns,
                                            ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo,
                                            DRVENABLEDATA* pded, PDEVOEM* pDevOem) {
  return GuardedEntry("RenPs::EnablePDEV", E_FAIL, [&] {
    return EnablePdev(*this, pdevobj, pPrinterName, cPatterns, phsurfPatterns, cjGdiInfo, pGdiInfo, cjDevInfo, pDevInfo,
                      pded, pDevOem);
  });
}

HRESULT STDMETHODCALLTYPE RenPs::DisablePDEV(PDEVOBJ pdevobj) {
  return GuardedEntry("RenPs::DisablePDEV", E_FAIL, [&] { return DisablePdev(pdevobj); });
}

HRESULT STDMETHODCALLTYPE RenPs::ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) {
  return GuardedEntry("RenPs::ResetPDEV", E_FAIL, [&] { return ResetPdev(pdevobjOld, pdevobjNew); });
}

HRESULT STDMETHODCALLTYPE RenPs::PublishDriverInterface(IUnknown* pIUnknown) {
  if (pIUnknown == nullptr) return E_FAIL;
  if (driverHelper_ == nullptr) {
    void* helper = nullptr;
    if (SUCCEEDED(pIUnknown->QueryInterface(IID_IPrintOemDriverPS, &helper)) && helper != nullptr) {
      driverHelper_ = static_cast<IPrintOemDriverPS*>(helper);
      return S_OK;
    }
    driverHelper_ = nullptr;
  }
  if (coreHelper_ != nullptr) return E_FAIL;
  void* helper = nullptr;
  if (SUCCEEDED(pIUnknown->QueryInterface(IID_IPrintCoreHelper, &helper)) && helper != nullptr) {
    coreHelper_ = static_cast<IPrintCoreHelper*>(helper);
    return S_OK;
  }
  coreHelper_ = nullptr;
  return E_FAIL;
}

HRESULT STDMETHODCALLTYPE RenPs::Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize, DWORD* pdwResult) {
  return GuardedEntry("RenPs::Command", E_FAIL,
                      [&] { return DispatchCommand(*this, pdevobj, dwIndex, pData, cbSize, pdwResult); });
}

HRESULT STDMETHODCALLTYPE RenPs::WritePrinter(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, PDWORD pcbWritten) {
  RenPs& owner = *outputFilter_.GetOwner();
  return GuardedEntry("RenPs::WritePrinter", E_FAIL, [&] {
    DecideCapture(owner.firstWrite_, pdevobj, pBuf, cbBuffer);
    return owner.FilterOutput(pdevobj, pBuf, cbBuffer, pcbWritten);
  });
}

HRESULT RenPs::FilterOutput(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, PDWORD pcbWritten) {
  return FilterOutputStream(*this, spoolFile_, pdevobj, pBuf, cbBuffer, pcbWritten);
}

HRESULT STDMETHODCALLTYPE RenPs::GetPDEVAdjustment(PDEVOBJ pdevobj, DWORD dwAdjustType, PVOID pBuf, DWORD cbBuffer,
                                                   BOOL* pbAdjustmentDone) {
  return GuardedEntry("RenPs::GetPDEVAdjustment", S_FALSE,
                      [&] { return AdjustPdev(pdevobj, dwAdjustType, pBuf, cbBuffer, pbAdjustmentDone); });
}

HRESULT RenPs::PostProcessSpoolFile(PDEVOBJ pdevobj, XOemPdev* /*pdev*/, CXString& path) {
  // A failed imposition leaves the captured file in place, and that is what gets sent.
  TamorPsBookletVerticalFeature booklet;
  booklet.Impose(pdevobj, path);
  return S_OK;
}
