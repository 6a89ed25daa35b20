// Device contexts: enabling, resetting and disabling the per-PDEV state.
#pragma once

#include "platform/oemps.h"

struct PluginContext;

namespace renpsoem {

HRESULT EnablePdev(PluginContext& plugin, PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns,
                   ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
                   PDEVOEM* pDevOem);
HRESULT ResetPdev(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew);
HRESULT DisablePdev(PDEVOBJ pdevobj);

// dmSize + dmDriverExtra bytes of a public devmode.
std::size_t DevmodeTotalSize(const DEVMODEW* devmode);

}  // namespace renpsoem
