#include "output/booklet/BookletSettings.h"

#include <algorithm>

#include "zqcore/DataModelIds.h"
#include "zqutil/Dimension.h"
#include "zqutil/Number.h"

namespace booklet {

namespace {

using namespace DataModelIds;

constexpr double kRounding = 0.499999;

// A length in `unit`, rounded; a negative length counts as none.
std::uint32_t Rounded(const Dimension& length, int unit) {
  return static_cast<std::uint32_t>(std::max(Number::GetIntValue(length.GetValue(unit), kRounding), 0));
}

std::uint32_t LengthIn(std::int32_t thousandthsMm, int unit) {
  return Rounded(Dimension(static_cast<double>(thousandthsMm), Dimension::kThousandthMillimetre), unit);
}

// Tenths of a millimetre of the devmode to points, as integers.
std::uint32_t TenthsMmToPoints(short tenths) {
  return static_cast<std::uint32_t>((static_cast<int>(tenths) * 72 + 127) / 254);
}

bool OptionIs(const AttributeBytesList& settings, int feature, std::uint32_t value) {
  AttributeBytesValueEnum option = 0;
  return settings.GetOptionValue(static_cast<AttributeBytesFeatureId>(feature), option) && option == value;
}

}  // namespace

BookletSettings ReadBookletSettings(const DEVMODEW& devmode, const AttributeBytesList& settings, DWORD mode,
                                    DWORD rotateKey, const std::function<PrinterMargins()>& printerMargins) {
  BookletSettings out;
  out.copies = static_cast<std::uint32_t>(static_cast<std::int32_t>(devmode.dmCopies));
  out.sheetWidth = TenthsMmToPoints(devmode.dmPaperWidth);
  out.sheetHeight = TenthsMmToPoints(devmode.dmPaperLength);
  out.sizeFromDocument = true;

  if (mode == kBookletModeSheetFromSettings) {
    AttributeBytesIndexedList output;
    Dimension width;
    Dimension length;
    if (settings.GetCollection(kFeatureOutputPaperSize, output) &&
        output.GetPaperSizeValues(kFeaturePaperSizeValues, width, length)) {
      out.sizeFromDocument = false;
      out.sheetWidth = Rounded(width, Dimension::kPoint);
      out.sheetHeight = Rounded(length, Dimension::kPoint);
    }
  }

  AttributeBytesValueEnum margins = 0;
  if (settings.GetOptionValue(kFeatureEdgeToEdge, margins) &&
      (margins == kValueNone || margins == kValueEdgeToEdgeOff)) {
    const PrinterMargins printer = printerMargins();
    out.marginX = static_cast<std::uint32_t>(std::max({printer.left, printer.right, 0}));
    out.marginY = static_cast<std::uint32_t>(std::max({printer.top, printer.bottom, 0}));
  }

  std::int32_t length = 0;
  out.gutter =
      settings.GetIntegerValue(kFeatureBookletGutter, length) ? LengthIn(length, Dimension::kPoint) : 2 * out.marginY;
  out.creepPerSheet =
      settings.GetIntegerValue(kFeatureBookletCreep, length) ? LengthIn(length, Dimension::kTenthPoint) : 0;

  out.rotateFlip = OptionIs(settings, kFeatureBookletRotation, kValueBookletRotationInverted);
  out.borderStyle = OptionIs(settings, kFeatureNupBorders, kValueNupBordersOn) ? 2 : 0;

  out.rotateSheet = rotateKey == 0;
  out.rotatePagelet = false;
  AttributeBytesValueEnum variant = 0;
  if (settings.GetOptionValue(kFeatureBookletVariant, variant)) {
    if (variant == kValueBookletInvertSheet || variant == kValueBookletInvertAndReverse)
      out.rotateSheet = !out.rotateSheet;
    if (variant == kValueBookletReverseSides || variant == kValueBookletInvertAndReverse)
      out.order = SideOrder::kReversed;
  }
  return out;
}

}  // namespace booklet
