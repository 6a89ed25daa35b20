// Number: conversions between numbers and their texts.
//
// Texts are read and written in the classic "C" form (digits, optional sign,
// '.' as the decimal point) whatever the process locale is.
#pragma once

#include <cstdint>

#include "zqutil/CXString.h"

class Number {
 public:
  // The integer part of value + roundingOffset for values >= 0 and of
  // value - roundingOffset for negative values (so 0.499999 rounds half away
  // from zero, just short of the halves). Results beyond the int range are
  // clamped to it; NaN gives 0.
  static int GetIntValue(double value, double roundingOffset = 0.0);
  static std::int64_t GetInt64Value(double value, double roundingOffset = 0.0);

  // A decimal integer text: optional blanks, an optional sign, digits,
  // optional blanks. Anything else, or a value outside the int range, is not
  // a number: GetIntValue gives 0, TryGetIntValue answers false.
  static int GetIntValue(const CXString& text);
  static bool TryGetIntValue(const CXString& text, int& value);

  // A decimal number text ("12", "-0.5", "1e3"); 0.0 / false when not a number.
  static double GetDoubleValue(const CXString& text);
  static bool TryGetDoubleValue(const CXString& text, double& value);

  static CXString GetStringValue(std::int64_t value);
  // `decimals` digits after the point (0 to 9): the value scaled by
  // 10^decimals is taken with GetInt64Value(scaled, roundingOffset) and written
  // with '.' before its last `decimals` digits; with trimZeros trailing
  // fraction zeros (and a bare point) are dropped.
  static CXString GetStringValue(double value, int decimals, double roundingOffset, bool trimZeros);
};
