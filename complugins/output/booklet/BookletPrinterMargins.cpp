#include "observers/LayoutFeatureManager.h"
#include "output/booklet/BookletSettings.h"
#include "zqutil/Dimension.h"

namespace booklet {

// The printer's own margins come from the layout observer, in points.
PrinterMargins ReadPrinterMarginsInPoints(HANDLE hPrinter) {
  int margins[4] = {};
  LayoutFeatureManager::GetPrinterMargins(hPrinter, margins, Dimension::kPoint);
  return {margins[0], margins[1], margins[2], margins[3]};
}

}  // namespace booklet
