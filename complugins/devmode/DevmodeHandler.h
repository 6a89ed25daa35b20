// The plug-in's DevMode entry: size, default, convert and merge of its private
// devmode section.
#pragma once

#include "platform/oemps.h"

namespace renpsoem {

HRESULT HandleDevMode(DWORD dwMode, POEMDMPARAM param);

}  // namespace renpsoem
