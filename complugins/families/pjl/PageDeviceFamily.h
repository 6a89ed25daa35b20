// The page-device family: every job setting as an ordinary setpagedevice
// request in its own feature block in the document setup, inside the PJL job
// of PjlHeader.h. Several requests use the printer's own page-device keys
// (OutputType, StapleDetails, PunchDetails, BookletDetails, MediaClass ...).
#pragma once

#include "injection/InjectionEntry.h"
#include "platform/win32.h"

class AttributeBytesReader;
class MsFeatureManager;
class XOemPdev;
class CXString;

namespace renpsoem {

bool EmitPageDeviceFamilySettings(CXString& workspace, HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                                  MsFeatureManager& features, InjectionList& list);

// The whole family: the PJL header, then the page-device settings.
void EmitPjlFamily(CXString& workspace, HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                   MsFeatureManager& features, InjectionList& list);

}  // namespace renpsoem
