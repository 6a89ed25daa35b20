// The injection dispatcher: what the plug-in writes at each of the driver's
// injection points, and the five driver hooks around documents, pages and
// escapes.
#pragma once

#include "platform/oemps.h"

class RenPs;

HRESULT DispatchCommand(RenPs& plugin, PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize, DWORD* pdwResult);

BOOL APIENTRY OEMStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
BOOL APIENTRY OEMEndDoc(SURFOBJ* pso, FLONG fl);
BOOL APIENTRY OEMStartPage(SURFOBJ* pso);
BOOL APIENTRY OEMSendPage(SURFOBJ* pso);
ULONG APIENTRY OEMEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
