#include "observers/FinishingVerticalFeature.h"

#include <algorithm>

#include "zqcore/DataModelNotifications.h"
#include "zqutil/TamorException.h"

namespace {

using namespace DataModelIds;

constexpr std::uint32_t kOn = kValueFinishingDependentOn;
constexpr std::uint32_t kOff = kValueFinishingDependentOff;

// The finishing choices 6788 to 6867 and what each needs; the list choice
// (6787) and values outside these ranges are decided apart.
struct ChoiceRange {
  std::uint32_t first;
  std::uint32_t last;
  std::uint32_t result;
};
constexpr ChoiceRange kChoices[] = {
    {6788, 6792, kOff}, {6793, 6799, kOn}, {6800, 6802, kOff}, {6803, 6812, kOn}, {6813, 6814, kOff}, {6815, 6815, kOn},
    {6816, 6816, kOff}, {6817, 6817, kOn}, {6818, 6819, kOff}, {6820, 6820, kOn}, {6821, 6821, kOff}, {6822, 6825, kOn},
    {6826, 6826, kOff}, {6827, 6829, kOn}, {6830, 6864, kOff}, {6865, 6867, kOn},
};

bool ListItemNeedsIt(std::uint32_t item) {
  return (item >= kValueFinishingStapleFirst && item <= kValueFinishingStapleLast) ||
         item == kValueFinishingStapleQuad || item == kValueFinishingStapleMultiple;
}

}  // namespace

std::uint32_t FinishingVerticalFeature::DependentValueFor(std::uint32_t finishing,
                                                          const std::vector<std::uint32_t>& finishingList) {
  if (finishing == static_cast<std::uint32_t>(kValueFinishingFromList))
    return std::any_of(finishingList.begin(), finishingList.end(), ListItemNeedsIt) ? kOn : kOff;
  for (const ChoiceRange& range : kChoices)
    if (finishing >= range.first && finishing <= range.last) return range.result;
  return kOff;
}

void FinishingVerticalFeature::IntegrateSourceData(DataModelManager& model) {
  DataModelFeatureServices& services = model.GetFeatureServices();
  const std::vector<std::uint32_t> allowed = services.GetValueList(kFeatureFinishingDependent);
  if (allowed.empty() || std::find(allowed.begin(), allowed.end(), kOff) != allowed.end())
    services.SetCurrentValue(kFeatureFinishingDependent, FeatureValue::MakeOption(kOff));
}

void FinishingVerticalFeature::RegisterForCurrentSettingsChanges(DataModelManager& model) {
  DataModelFeatureServices& services = model.GetFeatureServices();
  services.RegisterFeatureObserver(*this, kChangeFeature, kFeatureFinishing, kInstanceCurrentSettings, 0,
                                   kNotifyAfterChange);
  services.RegisterFeatureObserver(*this, kChangeFeature, kFeatureFinishingList, kInstanceCurrentSettings, 0,
                                   kNotifyAfterChange);
}

void FinishingVerticalFeature::Notify(const NotificationBundle& bundle) {
  DataModelManager* model = GetDataModel();
  if (model == nullptr) return;
  for (std::size_t i = 0; i < bundle.GetCount(); ++i) {
    const auto* change = dynamic_cast<const FeatureChangeNotification*>(bundle.GetNotification(i));
    if (change == nullptr || change->GetSettingsInstance() != static_cast<DWORD>(kInstanceCurrentSettings) ||
        change->GetFeatureChangeId() != static_cast<DWORD>(kChangeFeature))
      continue;
    const std::uint32_t registered = change->GetOriginallyRegisteredSetting().GetFeatureEnum();
    if (registered == static_cast<std::uint32_t>(kFeatureFinishing) ||
        registered == static_cast<std::uint32_t>(kFeatureFinishingList)) {
      Update(*model);
      return;
    }
  }
}

void FinishingVerticalFeature::Update(DataModelManager& model) {
  DataModelFeatureServices& services = model.GetFeatureServices();
  ListOfFeaturesRef features = model.GetFeatureList();
  const std::vector<std::uint32_t> allowed = services.GetValueList(kFeatureFinishingDependent);
  std::uint32_t result = kOff;
  if (std::find(allowed.begin(), allowed.end(), kOn) != allowed.end()) {
    std::vector<std::uint32_t> items;
    for (const ValueId& item : ListOfValuesRef(features, FeatureId(kFeatureFinishingList)).GetValues())
      items.push_back(item.GetValueEnum());
    result =
        DependentValueFor(OptionFeatureRef(features, FeatureId(kFeatureFinishing)).GetValue().GetValueEnum(), items);
  }
  // A model that offers neither value keeps whatever 252 holds.
  if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), result) == allowed.end()) return;
  OptionFeatureRef(features, FeatureId(kFeatureFinishingDependent)).SetValue(ValueId(result));
}
