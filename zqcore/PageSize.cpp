#include "zqcore/PageSize.h"

CXString PageSize::GetDisplayString() const {
  if (type_ == DataModelIds::kValuePageSizeTypeCustom && windowsFormName_.IsEmpty()) return CXString(u"Custom");
  const bool inch = displayUnit_ == Dimension::kInch;
  const int unit = inch ? Dimension::kInch : Dimension::kMillimetre;
  CXString text = windowsFormName_;
  text += u" (";
  text += width_.GetStringValue(unit, inch ? 2 : 0, 0.499999, true);
  text += u" x ";
  text += length_.GetStringValue(unit, inch ? 2 : 0, 0.499999, true);
  text += inch ? u" in)" : u" mm)";
  return text;
}
