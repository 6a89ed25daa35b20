// The job ticket of a workflow printer, written at the very start of the
// stream (PSINJECT_BEGINSTREAM) when a workflow extension is loaded: either
// DSC comments beginning "%TMR", or an XML ticket from the core library's
// translator, as the device setting 546 chooses.
//
// The ticket is written from the job's settings: the private devmode's
// document settings, adjusted from the devmode (copies, collation, plex), the
// accounting ids and the PDEV's output options (TicketSettings).
#pragma once

#include <cstdint>

#include "platform/oemps.h"
#include "zqutil/AttributeBytes.h"
#include "zqutil/ByteBuffer.h"

class XDevmode;
class XOemPdev;

namespace renpsoem {

// The accounting mode and its two ids, from the device settings (and, for ids
// entered when printing, the PDEV state). Mode 4001 and no ids when the
// device has no accounting.
struct Accounting {
  DWORD mode;
  CXString first;
  CXString second;
};
Accounting ReadAccounting(const AttributeBytesList& deviceSettings, const XOemPdev& pdev);

// The settings the ticket is written from: `documentSettings` with the
// adjustments, in this order: the accounting ids (mode 6622), the copy count
// from the devmode (44 is 4400), collation from the devmode (415 is 7090),
// plex from the devmode (46 holds a value), the output form from the PDEV's
// output options. A null devmode adjusts nothing of its own.
AttributeBytesIndexedList TicketSettings(const AttributeBytesList& documentSettings,
                                         const AttributeBytesList& deviceSettings, const DEVMODEW* devmode,
                                         const XOemPdev& pdev, std::uint64_t outputOptions);

// Appends the ticket to `out` and returns true, or returns false (nothing
// appended) when the private feature 286 is not true. The XML form needs the
// core library module and throws ExceptionLibraryNotLoaded without it.
// `workflowValue` is the extension's job-ticket value; nothing in the ticket
// depends on it.
bool WriteJobTicket(HANDLE hPrinter, const DEVMODEW* devmode, XOemPdev& pdev, XDevmode& settings, ByteBuffer& out,
                    std::uint64_t outputOptions, DWORD workflowValue);

// Appends the DSC-comment ticket for `settings` to `out`; always true.
bool BuildDscJobTicket(const AttributeBytesList& settings, ByteBuffer& out);

}  // namespace renpsoem
