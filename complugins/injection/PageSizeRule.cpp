#include "injection/PageSizeRule.h"

#include "zqcore/DataModelIds.h"

#include "msdevmode/MsFeatureManager.h"
#include "zqcore/PageSizeDictionary.h"
#include "zqutil/Dimension.h"

namespace renpsoem {

namespace {
constexpr int kUnitTenthsMm = 5;
constexpr int kUnitPoints = 8;
constexpr int kTypeCustom = 25003;
constexpr int kTypeCustomOther = 25005;
}  // namespace

PageSizeInPoints PageSizeFromWindowsFeatures(MsFeatureManager& features) {
  const Dimension width(static_cast<double>(static_cast<std::int32_t>(
                            features.GetMsFeatureValue(DataModelIds::kFeatureMsPaperWidth, false))),
                        kUnitTenthsMm);
  const Dimension length(static_cast<double>(static_cast<std::int32_t>(
                             features.GetMsFeatureValue(DataModelIds::kFeatureMsPaperLength, false))),
                         kUnitTenthsMm);
  PageSizeInPoints size;
  if (PageSizeDictionary::AnyExist(width, length)) {
    const auto entries = PageSizeDictionary::GetPageSizeEntryRefs(width, length);
    size.standard =
        !entries.empty() && entries.front().GetType() != kTypeCustom && entries.front().GetType() != kTypeCustomOther;
  }
  size.width = width.GetStringValue(kUnitPoints, 0, 0.499999, false);
  size.length = length.GetStringValue(kUnitPoints, 0, 0.499999, false);
  return size;
}

}  // namespace renpsoem
