// The five hooks the plug-in installs in the driver around documents, pages
// and escapes. Each does the plug-in's part and then calls the driver's own
// hook, which the device context keeps.
#pragma once

#include "platform/oemps.h"

namespace renpsoem {

BOOL APIENTRY OEMStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
BOOL APIENTRY OEMEndDoc(SURFOBJ* pso, FLONG fl);
BOOL APIENTRY OEMStartPage(SURFOBJ* pso);
BOOL APIENTRY OEMSendPage(SURFOBJ* pso);
ULONG APIENTRY OEMEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);

}  // namespace renpsoem
