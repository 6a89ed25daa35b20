// The plain controller family: comment lines that identify the driver, its
// version and the operating system, an explicit page size and a copy count
// forced to 1 (the copies travel elsewhere).
#pragma once

#include <cstdint>

#include "injection/InjectionEntry.h"
#include "platform/win32.h"

class AttributeBytesReader;
class MsFeatureManager;
class XOemPdev;
class CXString;

namespace renpsoem {

// The three identification entries at the "%!PS-Adobe" point.
void AppendDriverIdentification(HANDLE hPrinter, InjectionList& list);
// The same entries at another injection point (the procset family puts them among the header comments).
void AppendDriverIdentification(HANDLE hPrinter, InjectionList& list, std::uint32_t injectionPoint);

// The page-size block for the devmode's paper (standard or custom form).
CXString BuildIdentificationPageSizeBlock(MsFeatureManager& features);

bool EmitIdentificationFamilySettings(CXString& workspace, HANDLE hPrinter, XOemPdev& pdev,
                                      AttributeBytesReader& settings, MsFeatureManager& features, InjectionList& list);

}  // namespace renpsoem
