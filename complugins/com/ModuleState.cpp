#include "com/ModuleState.h"

#include "zqutil/ResourceLoader.h"

namespace {
HMODULE g_module = nullptr;
LONG volatile g_objects = 0;
LONG volatile g_locks = 0;
}  // namespace

namespace module_state {

void SetModuleHandle(HMODULE module) {
  g_module = module;
  // The parts below read the module's procedure sets through the library.
  ResourceLoader::SetResourceModule(module);
}
HMODULE GetModuleHandle() {
  return g_module;
}

void ObjectCreated() {
  InterlockedIncrement(&g_objects);
}
void ObjectDestroyed() {
  InterlockedDecrement(&g_objects);
}
LONG ObjectCount() {
  return InterlockedExchangeAdd(&g_objects, 0);
}

void Lock() {
  InterlockedIncrement(&g_locks);
}
void Unlock() {
  InterlockedDecrement(&g_locks);
}
LONG LockCount() {
  return InterlockedExchangeAdd(&g_locks, 0);
}

}  // namespace module_state
