// The page-size rule the emitters share: the devmode's paper width and length
// in PostScript points, and whether the page-size dictionary knows the size as
// a standard one (else the custom form is written).
#pragma once

#include "zqutil/CXString.h"

class MsFeatureManager;

namespace renpsoem {

struct PageSizeInPoints {
  bool standard = false;
  CXString width;
  CXString length;
};

PageSizeInPoints PageSizeFromWindowsFeatures(MsFeatureManager& features);

}  // namespace renpsoem
