// ProductData: device-specific commands of one printer product.
//
// A product can replace the plug-in's built-in code for a feature or for one
// of its options. The commands are stored by the driver's installer in the
// printer data, one REG_SZ value per command, named
//   "XPdlCommand:<pdl type>:<feature name>:<option name>"
// (the option name is empty for the feature's own command). Escape sequences
// "\n" in the stored text stay as written; the caller decides.
#pragma once

#include "platform/win32.h"
#include "zqutil/CXString.h"

class ProductData {
 public:
  ProductData(HANDLE hPrinter, const CXString& modelName, DWORD modelType);

  // True when the product defines the command (it may be empty).
  bool GetPDLCommand(DWORD pdlType, const CXString& featureName, const CXString& optionName, CXString& command) const;

  static CXString CommandValueName(DWORD pdlType, const CXString& featureName, const CXString& optionName);

 private:
  HANDLE printer_;
  CXString modelName_;
  [[maybe_unused]] DWORD modelType_;
};
