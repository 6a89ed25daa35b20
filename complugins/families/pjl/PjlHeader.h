// The PJL job around the PostScript of two controller families: the full
// header of the page-device family (where the job came from, its banner and
// its job type: held with an encoded key, proof, delayed, fax) and the short
// job-name wrapper of the OID-ticket family. Both are injection entries: the
// header before the driver's first byte, the end of job after its last.
#pragma once

#include <cstdint>

#include "injection/InjectionEntry.h"
#include "platform/win32.h"
#include "zqutil/CXString.h"
#include "zqutil/XDateTime.h"

class AttributeBytesReader;
class MsFeatureManager;
class XOemPdev;

namespace renpsoem {

// Longest passcode EncodeHoldKey encodes: its Base64 form must fit the
// printer's 23-character key field.
inline constexpr std::size_t kHoldKeyMaxLength = 15;

// The hold key the printer expects: the passcode's low bytes XORed with the
// printer's fixed key, in Base64. Empty for an empty or too long passcode.
CXString EncodeHoldKey(const CXString& passcode);

// "192.168.1.10" -> "C0A8010A": each dotted part as at least two upper-case
// hexadecimal digits; a part that is not a number counts as 0.
CXString FormatHostAddressHex(const CXString& dotted);

// The day a job delayed to hour:minute prints on: today, or tomorrow when
// that time of day has already passed (the same minute still counts as today).
XDateTime DelayedPrintDay(int hour, int minute);

// Feature 65 or 66 of the first stored-job entry (list 203 in collection 202);
// false when absent.
bool ReadStoredJobString(AttributeBytesReader& settings, std::uint32_t feature, CXString& value);

// The page-device family's PJL header (at the start of the stream) and end of
// job (at its end).
void EmitPjlFamilyHeader(CXString& workspace, HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                         MsFeatureManager& features, InjectionList& list);

// The OID family's job-name wrapper. The job is named by the stored job name
// for a saved job that has one, else by `jobName`; `workspace` receives the
// name used.
bool EmitPjlJobNameWrapper(CXString& workspace, AttributeBytesReader& settings, InjectionList& list,
                           const CXString& jobName);

}  // namespace renpsoem
