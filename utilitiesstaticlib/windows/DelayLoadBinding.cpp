// The core library's entry points are imported through the delay-load import
// library: the first call runs the platform's delay-load helper, which asks
// the notification hook below where the library comes from. The bindings
// load the library through the same loader first, so the hook hands the
// helper the module already loaded and a missing library is reported as an
// exception of ours instead of the helper's structured exception, which
// nothing in the plug-in could catch.
#include "platform/win32.h"

// After windows.h, whose types it uses.
#include <delayimp.h>

#include <cstring>

#include "CoreLibrary.h"
#include "DllDelayLoader.h"

namespace {

FARPROC WINAPI NotifyHook(unsigned notification, PDelayLoadInfo info) {
  if (info == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(DllDelayLoader::Instance().Notify(notification, info->szDll));
}

// A module of another version without one of the entries: the call fails
// with a result instead of the helper's exception.
HRESULT MissingExportTicketXml(DWORD, const BYTE*, DWORD, ZqcoreByteSink, void*) {
  return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

FARPROC WINAPI FailureHook(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliFailGetProc || info == nullptr || !info->dlp.fImportByName) return nullptr;
  if (std::strcmp(info->dlp.szProcName, "ZqcoreExportTicketXml") == 0)
    return FunctionCast<FARPROC>(&MissingExportTicketXml);
  return nullptr;
}

}  // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = NotifyHook;
PfnDliHook __pfnDliFailureHook2 = FailureHook;
}

namespace delay_load {

void Unload(const std::string& libraryName, HMODULE module) {
  // The helper forgets the library and frees it when it bound calls into it;
  // a library loaded but never called is freed here.
  if (!__FUnloadDelayLoadedDLL2(libraryName.c_str())) FreeLibrary(module);
}

PFN_ZqcoreExportTicketXml BindExportTicketXml(HMODULE /*module*/) {
  return &ZqcoreExportTicketXml;
}

}  // namespace delay_load
