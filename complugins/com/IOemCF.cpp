#include "com/IOemCF.h"

#include <new>

#include "com/ModuleState.h"
#include "com/RenPs.h"
#include "support/EntryGuard.h"

HRESULT STDMETHODCALLTYPE IOemCF::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE IOemCF::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE IOemCF::Release() {
  const LONG count = InterlockedDecrement(&refCount_);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE IOemCF::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
  if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
  return GuardedEntry("IOemCF::CreateInstance", E_FAIL, [&]() -> HRESULT {
    // Memory that runs out while the object is built (its own or that of a
    // member) is the same failure as none for the object itself.
    RenPs* object = nullptr;
    try {
      object = new (std::nothrow) RenPs();
    } catch (const std::bad_alloc&) {
      object = nullptr;
    }
    if (object == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  });
}

HRESULT STDMETHODCALLTYPE IOemCF::LockServer(BOOL fLock) {
  if (fLock)
    module_state::Lock();
  else
    module_state::Unlock();
  return S_OK;
}
