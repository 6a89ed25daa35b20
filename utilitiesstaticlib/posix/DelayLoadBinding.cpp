// Without a delay-load helper the entry points are bound by name in the
// module the loader found, and the module is freed like any other.
#include "CoreLibrary.h"
#include "DllDelayLoader.h"

namespace delay_load {

void Unload(const std::string& /*libraryName*/, HMODULE module) {
  FreeLibrary(module);
}

PFN_ZqcoreExportTicketXml BindExportTicketXml(HMODULE module) {
  return FunctionCast<PFN_ZqcoreExportTicketXml>(GetProcAddress(module, "ZqcoreExportTicketXml"));
}

}  // namespace delay_load
