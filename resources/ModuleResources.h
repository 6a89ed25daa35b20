// The resources compiled into the plug-in module (see ModuleResources.cmake).
//
// The module calls RegisterEmbeddedResources with its own handle when it is
// loaded and UnregisterEmbeddedResources when it is unloaded. On Windows the
// resource compiler has already placed the data and both do nothing; on POSIX
// they hand the module's table to the platform, which answers FindResourceW
// for that handle from it.
#pragma once

#include "platform/win32.h"

// Type of the PostScript procedure sets.
inline constexpr const char16_t* kProcsetResourceType = u"PSPROC";

// Numbers of the procedure sets within kProcsetResourceType.
enum ProcsetResourceId : WORD {
  kBookletProcsetResource = 106,    // booklet and N-up imposition
  kFitToPageProcsetResource = 107,  // fit to page
  kJobPatchResource = 108,          // shared job state of the procset-family commands
};

void RegisterEmbeddedResources(HMODULE module);
void UnregisterEmbeddedResources(HMODULE module);
