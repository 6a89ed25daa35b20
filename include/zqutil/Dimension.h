// Dimension: a length with its unit, converted on request.
//
// Unit numbers (they are stored in settings and passed between libraries, so
// they never change):
//    1  inch
//    3  millimetre
//    4  millimetre, the unit of the media-size texts (whole millimetres)
//    5  tenth of a millimetre (Windows devmode paper sizes)
//    7  thousandth of a millimetre (Windows forms, setting lengths)
//    8  point, 1/72 inch (everything written into PostScript)
//    9  tenth of a point, 1/720 inch
//   10  hundredth of a point, 1/7200 inch (the printer's device margins:
//       1152 is 0.16 inch, 1500 is 0.2083 inch)
// Any other unit number throws ExceptionInvalidArgument.
//
// Conversions multiply before they divide, so whole values that convert to
// whole values stay exact (Letter, 2159 x 2794 tenths of a millimetre, is
// exactly 612 x 792 points).
#pragma once

#include <compare>

#include "zqutil/CXString.h"

class Dimension {
 public:
  static constexpr int kInch = 1;
  static constexpr int kMillimetre = 3;
  static constexpr int kMediaMillimetre = 4;
  static constexpr int kTenthMillimetre = 5;
  static constexpr int kThousandthMillimetre = 7;
  static constexpr int kPoint = 8;
  static constexpr int kTenthPoint = 9;
  static constexpr int kHundredthPoint = 10;

  Dimension() = default;
  Dimension(double value, int unit);

  static bool IsValidUnit(int unit);
  // Units of the unit per inch; throws ExceptionInvalidArgument for an unknown unit.
  static double UnitsPerInch(int unit);

  double GetValue(int unit) const;
  int GetUnit() const { return unit_; }
  void SetValue(double value, int unit);

  // The value in `unit` as text in the classic "C" form. With 0 decimals it is
  // Number::GetIntValue(value, roundingOffset); otherwise the value is scaled by
  // 10^decimals, taken the same way and written with '.' before the last
  // `decimals` digits. trimZeros drops trailing zeros of the fraction.
  CXString GetStringValue(int unit, int decimals, double roundingOffset, bool trimZeros) const;

  // Exact comparison of the lengths, whatever their units.
  friend std::partial_ordering operator<=>(const Dimension& a, const Dimension& b);
  friend bool operator==(const Dimension& a, const Dimension& b) { return (a <=> b) == 0; }

 private:
  double value_ = 0.0;
  int unit_ = kThousandthMillimetre;
};
