#include "zqutil/ProductData.h"

#include "zqutil/Printer.h"

ProductData::ProductData(HANDLE hPrinter, const CXString& modelName, DWORD modelType)
    : printer_(hPrinter), modelName_(modelName), modelType_(modelType) {}

CXString ProductData::CommandValueName(DWORD pdlType, const CXString& featureName, const CXString& optionName) {
  return CXString::Formatted(u"XPdlCommand:%u:%s:%s", pdlType, featureName.c_str(), optionName.c_str());
}

bool ProductData::GetPDLCommand(DWORD pdlType, const CXString& featureName, const CXString& optionName,
                                CXString& command) const {
  if (!Printer::IsValidHandle(printer_)) return false;
  Printer printer(printer_);
  return printer.GetPrinterDataString(CommandValueName(pdlType, featureName, optionName), command);
}
