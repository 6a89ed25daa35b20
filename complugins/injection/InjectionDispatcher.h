// The injection dispatcher: what the plug-in writes at each of the driver's
// injection points. It runs the controller family's emitters once per plug-in
// object and writes the injection list's entries at their points.
#pragma once

#include "platform/oemps.h"

struct PluginContext;

namespace renpsoem {

HRESULT DispatchCommand(PluginContext& plugin, PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize,
                        DWORD* pdwResult);

}  // namespace renpsoem
