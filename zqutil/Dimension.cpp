#include "zqutil/Dimension.h"

#include <cmath>

#include "zqutil/Number.h"
#include "zqutil/TamorException.h"

namespace {

struct UnitRow {
  int unit;
  double perInch;
};

// One row per unit number; the numbers are documented in the header.
constexpr UnitRow kUnits[] = {
    {1, 1.0},      // inch
    {3, 25.4},     // millimetre
    {4, 25.4},     // millimetre (media-size texts)
    {5, 254.0},    // tenth of a millimetre
    {7, 25400.0},  // thousandth of a millimetre
    {8, 72.0},     // point
    {9, 720.0},    // tenth of a point
    {10, 7200.0},  // hundredth of a point
};

const UnitRow* FindUnit(int unit) {
  for (const UnitRow& row : kUnits)
    if (row.unit == unit) return &row;
  return nullptr;
}

}  // namespace

Dimension::Dimension(double value, int unit) {
  SetValue(value, unit);
}

bool Dimension::IsValidUnit(int unit) {
  return FindUnit(unit) != nullptr;
}

double Dimension::UnitsPerInch(int unit) {
  const UnitRow* row = FindUnit(unit);
  if (row == nullptr)
    TamorThrow<ExceptionInvalidArgument>("zqutil/dimension", __LINE__, "Dimension::UnitsPerInch",
                                         CXString::Formatted(u"unknown unit %d", unit));
  return row->perInch;
}

void Dimension::SetValue(double value, int unit) {
  UnitsPerInch(unit);  // refuses an unknown unit before anything changes
  value_ = value;
  unit_ = unit;
}

double Dimension::GetValue(int unit) const {
  double to = UnitsPerInch(unit);
  if (unit == unit_) return value_;
  return value_ * to / UnitsPerInch(unit_);
}

CXString Dimension::GetStringValue(int unit, int decimals, double roundingOffset, bool trimZeros) const {
  return Number::GetStringValue(GetValue(unit), decimals, roundingOffset, trimZeros);
}

std::partial_ordering operator<=>(const Dimension& a, const Dimension& b) {
  // Cross-multiplied by the other unit's scale: whole values compare exactly.
  return a.value_ * Dimension::UnitsPerInch(b.unit_) <=> b.value_ * Dimension::UnitsPerInch(a.unit_);
}
