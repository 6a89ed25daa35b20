// The class factory of the plug-in object. Factories are not counted in the
// module's object count; LockServer keeps the module loaded.
#pragma once

#include "platform/oemps.h"

class IOemCF final : public IClassFactory {
 public:
  IOemCF() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

 private:
  ~IOemCF() = default;
  LONG volatile refCount_ = 1;
};
