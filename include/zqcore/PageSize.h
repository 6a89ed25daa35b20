// PageSize: one paper size of the media dictionary.
//
// Width and length are lengths (Dimension; the dictionary keeps them in
// tenths of a millimetre, the unit of the Windows devmode). A size that is a
// Windows form carries the form's DMPAPER id (0 when it is none) and name.
// The type tells how the size is written to a printer: 25001 standard, 25002
// a transverse or rotated standard form, 25003 a Windows form added at run
// time, 25005 the free custom size (DataModelIds::kValuePageSizeType*).
#pragma once

#include "zqcore/DataModelIds.h"
#include "zqutil/CXString.h"
#include "zqutil/Dimension.h"

class PageSize {
 public:
  PageSize() = default;
  PageSize(DataModelIds::ValueEnum valueId, int windowsFormId, CXString windowsFormName, Dimension width,
           Dimension length, int type, int displayUnit)
      : valueId_(valueId),
        windowsFormId_(windowsFormId),
        windowsFormName_(std::move(windowsFormName)),
        width_(width),
        length_(length),
        type_(type),
        displayUnit_(displayUnit) {}

  DataModelIds::ValueEnum GetValueId() const { return valueId_; }
  int GetWindowsFormId() const { return windowsFormId_; }
  const CXString& GetWindowsFormName() const { return windowsFormName_; }
  const Dimension& GetWidth() const { return width_; }
  const Dimension& GetLength() const { return length_; }
  int GetType() const { return type_; }
  bool IsCustomType() const {
    return type_ == DataModelIds::kValuePageSizeTypeAddedForm || type_ == DataModelIds::kValuePageSizeTypeCustom;
  }
  // The unit the size is known by (Dimension::kInch or kMillimetre).
  int GetDisplayUnit() const { return displayUnit_; }
  // "Letter (8.5 x 11 in)", "A4 (210 x 297 mm)".
  CXString GetDisplayString() const;

 private:
  DataModelIds::ValueEnum valueId_ = DataModelIds::kValueNone;
  int windowsFormId_ = 0;
  CXString windowsFormName_;
  Dimension width_;
  Dimension length_;
  int type_ = DataModelIds::kValuePageSizeTypeCustom;
  int displayUnit_ = Dimension::kMillimetre;
};
