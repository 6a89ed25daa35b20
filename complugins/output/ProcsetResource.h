// The PostScript procedure sets the plug-in carries as resources of its own
// module (type "PSPROC", numbers in ModuleResources.h).
#pragma once

#include <string_view>

#include "ModuleResources.h"
#include "platform/win32.h"

// The text of procedure set `id` in `module`: its bytes up to the zero byte
// that ends the text sets, or all of them when there is none. False (and
// `text` emptied) when the module has no such resource or it cannot be
// loaded. The bytes belong to the module and stay valid while it is loaded.
bool TryLoadProcsetText(HMODULE module, WORD id, std::string_view& text);
