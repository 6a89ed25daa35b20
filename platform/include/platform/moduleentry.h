// The entry of a loadable module, the same for the plug-in on both platforms.
//
// RENPS_DEFINE_MODULE_ENTRY(fn) makes fn(HMODULE, DWORD reason) run when the
// module is loaded (DLL_PROCESS_ATTACH) and unloaded (DLL_PROCESS_DETACH): from
// DllMain on Windows, from an ELF constructor and destructor elsewhere, where
// the HMODULE is the module's base address as the POSIX platform hands it out.
// RENPS_MODULE_EXPORT marks the exported functions (the .def file decides on
// Windows). platform::ModuleContaining names the module a piece of code lies in.
#pragma once

#include "platform/win32.h"

#if defined(_WIN32)

#define RENPS_MODULE_EXPORT

namespace platform {
// The module whose code or data holds `addressInside` (no reference is taken).
inline HMODULE ModuleContaining(const void* addressInside) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(addressInside), &module))
    return nullptr;
  return module;
}
}  // namespace platform

#define RENPS_DEFINE_MODULE_ENTRY(fn)                                                     \
  extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) { \
    fn(instance, reason);                                                                 \
    return TRUE;                                                                          \
  }

#else

#include <dlfcn.h>

#define RENPS_MODULE_EXPORT __attribute__((visibility("default")))

namespace platform::detail {
inline HMODULE OwnModuleBase(const void* addressInside) {
  Dl_info info{};
  if (dladdr(addressInside, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}
}  // namespace platform::detail

namespace platform {
// The module whose code or data holds `addressInside` (no reference is taken).
inline HMODULE ModuleContaining(const void* addressInside) {
  return detail::OwnModuleBase(addressInside);
}
}  // namespace platform

#define RENPS_DEFINE_MODULE_ENTRY(fn)                                                                           \
  namespace {                                                                                                   \
  __attribute__((constructor)) void RenpsModuleAttach() {                                                       \
    fn(platform::detail::OwnModuleBase(reinterpret_cast<const void*>(&RenpsModuleAttach)), DLL_PROCESS_ATTACH); \
  }                                                                                                             \
  __attribute__((destructor)) void RenpsModuleDetach() {                                                        \
    fn(platform::detail::OwnModuleBase(reinterpret_cast<const void*>(&RenpsModuleDetach)), DLL_PROCESS_DETACH); \
  }                                                                                                             \
  }

#endif
