// The core library module's entry points (zqcore/CoreModule.h) as the plug-in
// calls them. Nothing is linked: the module is loaded on the first call
// (DllDelayLoader). When it cannot be found, that call throws
// ExceptionLibraryNotLoaded; the rest of the plug-in does not need it.
#pragma once

#include "platform/win32.h"
#include "zqcore/CoreModule.h"
#include "zqutil/AttributeBytes.h"
#include "zqutil/ByteBuffer.h"

namespace core_library {

// Appends the XML job ticket for `features` (zqcore/TicketXml.h) to `out`.
// Throws ExceptionLibraryNotLoaded without the module, ExceptionInvalidData
// when the module refuses the list.
void ExportTicketXml(const AttributeBytesList& features, DWORD schema, ByteBuffer& out);

}  // namespace core_library

namespace delay_load {
// The module's entry, bound for the platform (one unit per platform); null
// when the module lacks it.
PFN_ZqcoreExportTicketXml BindExportTicketXml(HMODULE module);
}  // namespace delay_load
