#include "output/booklet/BookletSettings.h"

namespace booklet {

// The device margin features have no reader in the plug-in yet, so the
// printer's margins count as none; the booklet then uses the full sheet.
PrinterMargins ReadPrinterMarginsInPoints(HANDLE /*hPrinter*/) {
  return {};
}

}  // namespace booklet
