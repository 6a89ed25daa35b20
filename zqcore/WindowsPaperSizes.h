// The standard Windows paper sizes (DMPAPER_*), from Microsoft's published
// DEVMODE paper list, in tenths of a millimetre as the devmode rounds them.
#pragma once

#include <span>

namespace zqcore {

struct WindowsPaperSize {
  int formId;
  const char16_t* formName;
  int width;        // tenths of a millimetre
  int length;       // tenths of a millimetre
  bool transverse;  // a transverse or rotated variant of another form
  bool inch;        // defined in inches rather than millimetres
};

std::span<const WindowsPaperSize> WindowsPaperSizes();

}  // namespace zqcore
