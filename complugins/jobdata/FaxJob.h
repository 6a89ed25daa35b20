// Fax jobs: the cover and destination list an application hands over with
// private escapes, and the fax job attributes added to the injection list when
// the document settings select fax output.
#pragma once

#include "injection/InjectionEntry.h"
#include "pdev/XOemPdev.h"
#include "platform/win32.h"

class AttributeBytesReader;

namespace renpsoem {

// Whether `iEsc` is one of the fax escapes.
bool IsFaxEscape(ULONG iEsc);
// Escapes 0xF43575CC (destinations) and 0xF43575CD (cover). E_NOTIMPL
// otherwise. The copy of the data is made before it replaces what is held, so
// a failing allocation (std::bad_alloc) leaves the held data as it was.
HRESULT HandleFaxEscape(XOemPdevPs& pdev, PDEVOBJ pdevobj, ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut,
                        void* pvOut);
// Writes the cover once; E_FAIL when there is none (or it was already closed).
HRESULT WriteFaxCover(XOemPdevPs& pdev, PDEVOBJ pdevobj);
// Appends the fax attribute lines for the held destinations.
void EmitFaxAttributes(XOemPdevPs& pdev, AttributeBytesReader& settings, InjectionList& list);
// Frees the fax data at the end of the device context.
void EndFaxPdev(FaxJobBlock& fax, PDEVOBJ pdevobj);

// The delayed-send time "YYYYMMDDhhmm00": today at the requested hour and
// minute, or tomorrow when that time of day has already passed.
CXString FaxSendTime(const SYSTEMTIME& now, int hour, int minute);

}  // namespace renpsoem
