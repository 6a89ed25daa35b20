// The booklet procset the imposed document carries in its prolog: a PSPROC
// resource of the plug-in's module, plain text ended by a zero byte.
#pragma once

#include <string_view>

#include "platform/win32.h"

namespace booklet {

inline constexpr DWORD kBookletProcsetId = 106;

// The resource's text up to (not including) its zero byte; false when the
// module has no such resource.
bool FindProcsetText(HMODULE module, DWORD id, std::string_view& text);

}  // namespace booklet
