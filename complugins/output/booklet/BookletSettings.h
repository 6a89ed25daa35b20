// The booklet's settings: from the public devmode, the private settings, the
// PDEV state and the printer's device margins.
#pragma once

#include <functional>

#include "output/booklet/BookletJob.h"
#include "platform/win32.h"
#include "zqutil/AttributeBytes.h"

namespace booklet {

// The printer's device margins in points.
struct PrinterMargins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The booklet's one input from the layout computations (the printer-margin
// reader over device features 422 to 425, in points).
PrinterMargins ReadPrinterMarginsInPoints(HANDLE hPrinter);

// Booklet imposition mode (PDEV key 8) 2: the sheet is the output paper size
// of the settings rather than the document's.
inline constexpr DWORD kBookletModeSheetFromSettings = 2;

// `rotateKey` is PDEV key 20 (0 when absent). The printer margins are asked
// for only when the margin setting wants them.
BookletSettings ReadBookletSettings(const DEVMODEW& devmode, const AttributeBytesList& settings, DWORD mode,
                                    DWORD rotateKey, const std::function<PrinterMargins()>& printerMargins);

}  // namespace booklet
