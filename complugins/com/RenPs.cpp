#include "com/RenPs.h"
#include "support/ByteAccess.h"

#include <cstring>

#include "com/ModuleState.h"
#include "devmode/DevmodeHandler.h"
#include "injection/DriverHooks.h"
#include "injection/InjectionDispatcher.h"
#include "output/booklet/TamorPsBookletVerticalFeature.h"
#include "pdev/PdevAdjustment.h"
#include "pdev/PdevLifecycle.h"
#include "platform/win32.h"
#include "support/EntryGuard.h"

namespace {
// The hooks the plug-in installs in the driver, in the order the driver gets them.
DRVFN g_hookTable[] = {
    {INDEX_DrvStartPage, FunctionCast<PFN>(&renpsoem::OEMStartPage)},
    {INDEX_DrvSendPage, FunctionCast<PFN>(&renpsoem::OEMSendPage)},
    {INDEX_DrvEscape, FunctionCast<PFN>(&renpsoem::OEMEscape)},
    {INDEX_DrvStartDoc, FunctionCast<PFN>(&renpsoem::OEMStartDoc)},
    {INDEX_DrvEndDoc, FunctionCast<PFN>(&renpsoem::OEMEndDoc)},
};

}  // namespace

RenPs::RenPs() : outputFilter_(this) {
  module_state::ObjectCreated();
  // Extensions lie beside the plug-in and get this object as their settings source.
  context_.workflow.SetOwner(module_state::GetModuleHandle(), static_cast<DataSourceProvider*>(this));
}

RenPs::~RenPs() {
  if (context_.driverHelper != nullptr) {
    context_.driverHelper->Release();
    context_.driverHelper = nullptr;
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
  return GuardedEntry("RenPs::DevMode", E_FAIL, [&] { return renpsoem::HandleDevMode(dwMode, pOemDMParam); });
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
    if (context_.driverHelper != nullptr) {
      context_.driverHelper->Release();
      context_.driverHelper = nullptr;
    }
    if (context_.coreHelper != nullptr) {
      context_.coreHelper->Release();
      context_.coreHelper = nullptr;
    }
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE RenPs::EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns,
                                            ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo,
                                            DRVENABLEDATA* pded, PDEVOEM* pDevOem) {
  return GuardedEntry("RenPs::EnablePDEV", E_FAIL, [&] {
    return renpsoem::EnablePdev(context_, pdevobj, pPrinterName, cPatterns, phsurfPatterns, cjGdiInfo, pGdiInfo,
                                cjDevInfo, pDevInfo, pded, pDevOem);
  });
}

HRESULT STDMETHODCALLTYPE RenPs::DisablePDEV(PDEVOBJ pdevobj) {
  return GuardedEntry("RenPs::DisablePDEV", E_FAIL, [&] { return renpsoem::DisablePdev(pdevobj); });
}

HRESULT STDMETHODCALLTYPE RenPs::ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) {
  return GuardedEntry("RenPs::ResetPDEV", E_FAIL, [&] { return renpsoem::ResetPdev(pdevobjOld, pdevobjNew); });
}

HRESULT STDMETHODCALLTYPE RenPs::PublishDriverInterface(IUnknown* pIUnknown) {
  if (pIUnknown == nullptr) return E_FAIL;
  if (context_.driverHelper == nullptr) {
    void* helper = nullptr;
    if (SUCCEEDED(pIUnknown->QueryInterface(IID_IPrintOemDriverPS, &helper)) && helper != nullptr) {
      context_.driverHelper = static_cast<IPrintOemDriverPS*>(helper);
      return S_OK;
    }
    context_.driverHelper = nullptr;
  }
  if (context_.coreHelper != nullptr) return E_FAIL;
  void* helper = nullptr;
  if (SUCCEEDED(pIUnknown->QueryInterface(IID_IPrintCoreHelper, &helper)) && helper != nullptr) {
    context_.coreHelper = static_cast<IPrintCoreHelper*>(helper);
    return S_OK;
  }
  context_.coreHelper = nullptr;
  return E_FAIL;
}

HRESULT STDMETHODCALLTYPE RenPs::Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize, DWORD* pdwResult) {
  return GuardedEntry("RenPs::Command", E_FAIL,
                      [&] { return renpsoem::DispatchCommand(context_, pdevobj, dwIndex, pData, cbSize, pdwResult); });
}

HRESULT STDMETHODCALLTYPE RenPs::WritePrinter(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, PDWORD pcbWritten) {
  RenPs& owner = *outputFilter_.GetOwner();
  return GuardedEntry("RenPs::WritePrinter", E_FAIL, [&] {
    owner.output_.DecideCapture(pdevobj, pBuf, cbBuffer);
    return owner.FilterOutput(pdevobj, pBuf, cbBuffer, pcbWritten);
  });
}

HRESULT STDMETHODCALLTYPE RenPs::GetPDEVAdjustment(PDEVOBJ pdevobj, DWORD dwAdjustType, PVOID pBuf, DWORD cbBuffer,
                                                   BOOL* pbAdjustmentDone) {
  return GuardedEntry("RenPs::GetPDEVAdjustment", S_FALSE,
                      [&] { return renpsoem::AdjustPdev(pdevobj, dwAdjustType, pBuf, cbBuffer, pbAdjustmentDone); });
}

HRESULT RenPs::PostProcessSpoolFile(PDEVOBJ pdevobj, XOemPdev* /*pdev*/, CXString& path) {
  // A failed imposition leaves the captured file in place, and that is what gets sent.
  TamorPsBookletVerticalFeature booklet;
  booklet.Impose(pdevobj, path);
  return S_OK;
}
