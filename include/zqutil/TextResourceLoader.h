// TextResourceLoader: the library's own texts, looked up by number.
//
// The string table is compiled in (no Windows resources are needed):
//   468  a copyright line with one "%s" for the range of years
//   470  a rights line
// An unknown number gives an empty string.
#pragma once

#include "platform/win32.h"
#include "zqutil/CXString.h"

class TextResourceLoader {
 public:
  static constexpr UINT kCopyright = 468;
  static constexpr UINT kRights = 470;

  // Records the printer whose driver language selects the texts; reload
  // forgets an earlier choice. Only the English table exists, so every
  // language reads it; loading works without Initialize too.
  static void Initialize(HANDLE hPrinter, bool reload);
  static CXString LoadStringW(UINT id);
  static bool IsInitialized();
};
