// GetPDEVAdjustment: the driver's planned values that the plug-in may change.
#pragma once

#include "platform/oemps.h"

namespace renpsoem {

HRESULT AdjustPdev(PDEVOBJ pdevobj, DWORD dwAdjustType, PVOID pBuf, DWORD cbBuffer, BOOL* pbAdjustmentDone);

}  // namespace renpsoem
