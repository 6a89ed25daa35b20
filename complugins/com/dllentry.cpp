// Exported entry points of the plug-in module.
#include <new>

#include "ModuleResources.h"
#include "com/IOemCF.h"
#include "com/ModuleState.h"
#include "platform/moduleentry.h"

namespace {
void OnModuleEvent(HMODULE module, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) {
    module_state::SetModuleHandle(module);
    RegisterEmbeddedResources(module);
  } else if (reason == DLL_PROCESS_DETACH) {
    UnregisterEmbeddedResources(module);
  }
}
}  // namespace

RENPS_DEFINE_MODULE_ENTRY(OnModuleEvent)

extern "C" RENPS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!IsEqualCLSID(rclsid, CLSID_OEMRENDER)) return CLASS_E_CLASSNOTAVAILABLE;
  IOemCF* factory = new (std::nothrow) IOemCF();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

extern "C" RENPS_MODULE_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return (module_state::ObjectCount() != 0 || module_state::LockCount() != 0) ? S_FALSE : S_OK;
}
