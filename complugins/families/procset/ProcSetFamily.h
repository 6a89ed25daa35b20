// The procset controller family (7430): printers driven through procedures of
// their own ProcSet resource RRCustomProcs and the shared tamor$pagedevice
// dictionary that the job patch sets up. One call appends, as once entries in
// a fixed order, the job's accounting log, client job id, job patch, job name,
// colour-access PIN, password and job type, then its page-device features
// (ProcSetPageDevice.h) and the driver identification.
#pragma once

#include <cstdint>
#include <vector>

#include "injection/InjectionEntry.h"
#include "platform/win32.h"
#include "zqutil/CXString.h"

class AttributeBytesReader;
class MsFeatureManager;
class XOemPdev;

namespace renpsoem {

void EmitProcSetFamilySettings(HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                               MsFeatureManager& features, InjectionList& list);

// The pieces of the job setup, exposed for their tests.

// The title the printer logs and names the job by: the stored document name
// less its last unit, the terminator (or `fallback` without a name),
// "Microsoft Word - " taken out, and backslashes and parentheses escaped for a
// PostScript string.
CXString ProcSetDocumentTitle(const CXString& documentName, const CXString& fallback);
// Each UTF-16 unit as lower-case hex, two digits at least.
CXString HexOfJobName(const CXString& name);
// The same with at most three digits per unit.
CXString HexOfPassword(const CXString& password);
// The colour-access PIN as four digits; false when `text` is empty or holds
// anything but digits.
bool FourDigitPin(const CXString& text, CXString& pin);

// What decides the job type block.
struct JobTypeRequest {
  std::uint32_t jobType = 0;  // feature 36
  bool savedKindPresent = false;
  std::uint32_t savedKind = 0;      // feature 37
  CXString passwordHex;             // already turned into hex
  bool printWithPresent = false;    // feature 465 holds at least one entry
  std::vector<CXString> printWith;  // its option values' new-value ids
};
// The job type block, framed; empty when the request makes none.
CXString BuildJobTypeBlock(const JobTypeRequest& request);

}  // namespace renpsoem
