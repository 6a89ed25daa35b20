#include "msdevmode/MsFeatureManager.h"

#include <algorithm>
#include <climits>

#include "msdevmode/MsDevmodeUsingIPrintCoreHelper.h"
#include "msdevmode/MsDevmodeUsingReverseEngineering.h"
#include "zqcore/DataModelIds.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/TamorException.h"

namespace {
constexpr const char* kSource = "complugins/msfeaturemanager";
}

std::unique_ptr<MsFeatureManager> MsFeatureManager::CreateMsFeatureManagerFromDevmode(HANDLE hPrinter,
                                                                                      DEVMODEW* devmode, DWORD mode,
                                                                                      IPrintCoreHelper* helper) {
  if (devmode == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__,
                                                    "MsFeatureManager::CreateMsFeatureManagerFromDevmode", u"devmode");
  std::uint32_t pdlBits = PrintDriver::GetPdlTypeFromHandle(hPrinter);
  if ((pdlBits & ms::kPdlMask) == 0) pdlBits = ms::kPdlPostScript;
  std::uint32_t colorMode = PrintDriver::GetColorModeFromHandle(hPrinter);
  if (colorMode == 0) colorMode = ms::kColorModeColor;
  return CreateMsFeatureManagerFromDevmode(hPrinter, devmode, mode, helper, pdlBits, colorMode);
}

std::unique_ptr<MsFeatureManager> MsFeatureManager::CreateMsFeatureManagerFromDevmode(HANDLE hPrinter,
                                                                                      DEVMODEW* devmode, DWORD mode,
                                                                                      IPrintCoreHelper* helper,
                                                                                      std::uint32_t pdlBits,
                                                                                      std::uint32_t colorMode) {
  if (devmode == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__,
                                                    "MsFeatureManager::CreateMsFeatureManagerFromDevmode", u"devmode");
  std::unique_ptr<MsDevmodeBase> accessor;
  if (helper != nullptr)
    accessor = std::make_unique<MsDevmodeUsingIPrintCoreHelper>(hPrinter, devmode, pdlBits, colorMode, helper, mode);
  else
    accessor = std::make_unique<MsDevmodeUsingReverseEngineering>(hPrinter, devmode, pdlBits, colorMode);
  return std::make_unique<MsFeatureManager>(std::move(accessor));
}

std::vector<MsDeclaredFeature> MsFeatureManager::GetDeclaredFeatures() const {
  std::vector<MsDeclaredFeature> declared;
  for (const MsWorkingRow& row : GetAccessor().GetWorkingCatalogue()) {
    if (!row.row->inModel) continue;
    const int feature = row.row->feature;
    if (!row.table.empty()) {
      MsDeclaredFeature option{feature, true, {}, row.table.front().option, 0, 0};
      for (const ms::ValueRow& value : row.table)
        if (std::find(option.options.begin(), option.options.end(), value.option) == option.options.end())
          option.options.push_back(value.option);
      declared.push_back(std::move(option));
    } else if (feature == DataModelIds::kFeatureMsScale) {
      declared.push_back({feature, false, {}, 100, 25, 400});
    } else if (feature == DataModelIds::kFeatureMsCopies) {
      declared.push_back({feature, false, {}, 1, 1, 9999});
    } else {
      declared.push_back({feature, false, {}, GetDefaultValue(feature), INT_MIN, INT_MAX});
    }
  }
  return declared;
}
