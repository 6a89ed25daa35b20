// The page-device half of the procset family: one feature block per setting,
// each a once entry at the start of the document setup (the page size also at
// the first page's setup). Most merge a request into tamor$pagedevice or call
// a procedure of the printer's RRCustomProcs. EmitProcSetFamilySettings calls
// these at their places in its order of emission.
#pragma once

#include "injection/InjectionEntry.h"
#include "platform/win32.h"

class AttributeBytesReader;
class MsFeatureManager;

namespace renpsoem {

// Duplex, from the Windows devmode.
void AppendProcSetDuplex(MsFeatureManager& features, InjectionList& list);
// Print quality through its resolution table; the product's own commands win.
void AppendProcSetPrintQuality(HANDLE hPrinter, AttributeBytesReader& settings, InjectionList& list);
// Everything from edge-to-edge to the page size.
void AppendProcSetPageDevice(AttributeBytesReader& settings, MsFeatureManager& features, InjectionList& list);

}  // namespace renpsoem
