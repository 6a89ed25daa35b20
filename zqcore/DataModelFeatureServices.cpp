#include "zqcore/DataModelFeatureServices.h"

#include <algorithm>

#include "zqcore/DataModelIds.h"
#include "zqcore/DataModelNotifications.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "zqcore/datamodelfeatureservices";
// Observers that keep changing what each other observe would never settle.
constexpr int kMaxDeliveryRounds = 64;

using DataModelIds::kInstanceCurrentSettings;
using DataModelIds::kInstanceFeatureDefinitions;

bool Contains(const std::vector<std::uint32_t>& values, std::uint32_t value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

DataModelFeatureServices::~DataModelFeatureServices() {
  std::vector<IObserver*> unlinked;
  for (const Registration& r : registrations_) {
    if (std::find(unlinked.begin(), unlinked.end(), r.observer) != unlinked.end()) continue;
    r.observer->UnlinkRegistry(*this);
    unlinked.push_back(r.observer);
  }
}

bool DataModelFeatureServices::Allows(const FeatureDefinition& definition, const FeatureValue& value) const {
  if (value.IsNone()) return false;
  if (definition.kind != FeatureKind::None && value.GetKind() != definition.kind) return false;
  switch (value.GetKind()) {
    case FeatureKind::Option:
      return definition.valueList.empty() || Contains(definition.valueList, value.GetOption());
    case FeatureKind::Integer:
      return value.GetInteger() >= definition.minimum && value.GetInteger() <= definition.maximum;
    case FeatureKind::List: {
      if (definition.valueList.empty()) return true;
      const AttributeBytesListValue* list = value.GetList();
      for (std::size_t i = 0; i < list->GetCount(); ++i) {
        const auto* item = dynamic_cast<const AttributeBytesOptionValue*>(list->GetItem(i));
        if (item != nullptr && !Contains(definition.valueList, item->GetValue())) return false;
      }
      return true;
    }
    default:
      return true;
  }
}

void DataModelFeatureServices::CheckAllowed(const FeatureDefinition& definition, const FeatureValue& value) const {
  if (Allows(definition, value)) return;
  TamorThrow<ExceptionInvalidArgument>(
      kSource, __LINE__, "DataModelFeatureServices::CheckAllowed",
      CXString::Formatted(u"feature %u (%hs) does not take this %hs value", static_cast<unsigned>(definition.feature),
                          FeatureKindName(definition.kind), FeatureKindName(value.GetKind())));
}

void DataModelFeatureServices::DeclareFeature(const FeatureDefinition& declaration) {
  FeatureDefinition definition = declaration;
  if (definition.kind == FeatureKind::None) definition.kind = definition.defaultValue.GetKind();
  if (definition.kind == FeatureKind::None)
    TamorThrow<ExceptionInvalidArgument>(
        kSource, __LINE__, "DataModelFeatureServices::DeclareFeature",
        CXString::Formatted(u"feature %u has no kind", static_cast<unsigned>(definition.feature)));
  if (!definition.defaultValue.IsNone()) CheckAllowed(definition, definition.defaultValue);

  auto [it, added] = features_.try_emplace(definition.feature);
  Held& held = it->second;
  const bool definitionChanged = added || !held.declared || held.definition.kind != definition.kind ||
                                 held.definition.valueList != definition.valueList ||
                                 !(held.definition.defaultValue == definition.defaultValue);
  held.definition = std::move(definition);
  held.declared = true;
  if (!held.current.IsNone() && !Allows(held.definition, held.current)) {
    held.current = FeatureValue();
    FeatureChanged(held.definition.feature, kInstanceCurrentSettings);
  }
  if (definitionChanged) FeatureChanged(held.definition.feature, kInstanceFeatureDefinitions);
}

void DataModelFeatureServices::SetValueList(std::uint32_t feature, const std::vector<std::uint32_t>& values) {
  auto it = features_.find(feature);
  if (it == features_.end() || !it->second.declared)
    TamorThrow<ExceptionInvalidArgument>(
        kSource, __LINE__, "DataModelFeatureServices::SetValueList",
        CXString::Formatted(u"feature %u is not declared", static_cast<unsigned>(feature)));
  Held& held = it->second;
  if (held.definition.valueList == values) return;
  held.definition.valueList = values;
  if (!held.definition.defaultValue.IsNone() && !Allows(held.definition, held.definition.defaultValue))
    held.definition.defaultValue = FeatureValue();
  if (!held.current.IsNone() && !Allows(held.definition, held.current)) {
    held.current = FeatureValue();
    FeatureChanged(feature, kInstanceCurrentSettings);
  }
  FeatureChanged(feature, kInstanceFeatureDefinitions);
}

void DataModelFeatureServices::SetDefaultValue(std::uint32_t feature, const FeatureValue& value) {
  auto it = features_.find(feature);
  if (it == features_.end()) {
    FeatureDefinition definition;
    definition.feature = feature;
    definition.kind = value.GetKind();
    CheckAllowed(definition, value);
    it = features_.emplace(feature, Held{definition, false, FeatureValue()}).first;
  }
  Held& held = it->second;
  if (!value.IsNone()) CheckAllowed(held.definition, value);
  if (held.definition.defaultValue == value) return;
  held.definition.defaultValue = value;
  FeatureChanged(feature, kInstanceFeatureDefinitions);
}

std::vector<std::uint32_t> DataModelFeatureServices::GetValueList(std::uint32_t feature) const {
  auto it = features_.find(feature);
  return it == features_.end() ? std::vector<std::uint32_t>() : it->second.definition.valueList;
}

FeatureValue DataModelFeatureServices::GetDefaultValue(std::uint32_t feature) const {
  auto it = features_.find(feature);
  return it == features_.end() ? FeatureValue() : it->second.definition.defaultValue;
}

bool DataModelFeatureServices::IsFeatureAvailable(std::uint32_t feature) const {
  auto it = features_.find(feature);
  return it != features_.end() && it->second.declared;
}

bool DataModelFeatureServices::HoldsFeature(std::uint32_t feature) const {
  return features_.count(feature) != 0;
}

const FeatureDefinition* DataModelFeatureServices::GetDefinition(std::uint32_t feature) const {
  auto it = features_.find(feature);
  return it == features_.end() ? nullptr : &it->second.definition;
}

std::vector<std::uint32_t> DataModelFeatureServices::GetHeldFeatures() const {
  std::vector<std::uint32_t> held;
  for (const auto& [feature, unused] : features_) held.push_back(feature);
  return held;
}

FeatureValue DataModelFeatureServices::GetCurrentValue(std::uint32_t feature) const {
  auto it = features_.find(feature);
  if (it == features_.end()) return FeatureValue();
  return it->second.current.IsNone() ? it->second.definition.defaultValue : it->second.current;
}

bool DataModelFeatureServices::IsSpecified(std::uint32_t feature) const {
  auto it = features_.find(feature);
  return it != features_.end() && !it->second.current.IsNone();
}

void DataModelFeatureServices::SetCurrentValue(std::uint32_t feature, const FeatureValue& value) {
  auto it = features_.find(feature);
  if (it == features_.end()) {
    FeatureDefinition definition;
    definition.feature = feature;
    definition.kind = value.GetKind();
    CheckAllowed(definition, value);
    features_.emplace(feature, Held{definition, false, value});
    FeatureChanged(feature, kInstanceCurrentSettings);
    return;
  }
  Held& held = it->second;
  CheckAllowed(held.definition, value);
  if (held.current == value) return;
  held.current = value;
  FeatureChanged(feature, kInstanceCurrentSettings);
}

bool DataModelFeatureServices::SetIsSpecified(std::uint32_t feature, bool isSpecified) {
  auto it = features_.find(feature);
  if (it == features_.end()) return !isSpecified;
  Held& held = it->second;
  if (isSpecified == !held.current.IsNone()) return true;
  if (isSpecified) {
    if (held.definition.defaultValue.IsNone()) return false;
    held.current = held.definition.defaultValue;
  } else {
    held.current = FeatureValue();
  }
  FeatureChanged(feature, kInstanceCurrentSettings);
  return true;
}

void DataModelFeatureServices::BeginMassSet() {
  ++massSetDepth_;
}

void DataModelFeatureServices::EndMassSet() {
  if (massSetDepth_ == 0) return;
  if (--massSetDepth_ == 0) DeliverUnlessHeld();
}

void DataModelFeatureServices::AbandonMassSet() {
  if (massSetDepth_ == 0) return;
  if (--massSetDepth_ == 0) pending_.clear();
}

void DataModelFeatureServices::RegisterFeatureObserver(IObserver& observer, DWORD featureChangeId,
                                                       std::uint32_t feature, DWORD settingsInstance, DWORD capability,
                                                       DWORD flags) {
  for (const Registration& r : registrations_)
    if (r.observer == &observer && !r.isEvent && r.feature == feature && r.settingsInstance == settingsInstance) return;
  Registration registration;
  registration.observer = &observer;
  registration.featureChangeId = featureChangeId;
  registration.feature = feature;
  registration.settingsInstance = settingsInstance;
  registration.capability = capability;
  registration.flags = flags;
  registrations_.push_back(registration);
  observer.LinkRegistry(*this);
}

void DataModelFeatureServices::RegisterEventObserver(IObserver& observer, DWORD eventId) {
  for (const Registration& r : registrations_)
    if (r.observer == &observer && r.isEvent && r.eventId == eventId) return;
  Registration registration;
  registration.observer = &observer;
  registration.isEvent = true;
  registration.eventId = eventId;
  registrations_.push_back(registration);
  observer.LinkRegistry(*this);
}

void DataModelFeatureServices::UnregisterObserver(IObserver& observer) {
  ForgetObserver(observer);
  observer.UnlinkRegistry(*this);
}

void DataModelFeatureServices::ForgetObserver(IObserver& observer) {
  std::erase_if(registrations_, [&](const Registration& r) { return r.observer == &observer; });
  std::erase_if(pending_, [&](const Pending& p) { return p.observer == &observer; });
}

bool DataModelFeatureServices::IsRegistered(const IObserver* observer) const {
  return std::any_of(registrations_.begin(), registrations_.end(),
                     [&](const Registration& r) { return r.observer == observer; });
}

void DataModelFeatureServices::FireEvent(DWORD eventId) {
  for (const Registration& r : registrations_)
    if (r.isEvent && r.eventId == eventId)
      Queue(Pending{r.observer, std::make_unique<EventNotification>(eventId), eventId, 0, true});
  DeliverUnlessHeld();
}

void DataModelFeatureServices::NotifyAllRegistered(DWORD settingsInstance) {
  for (const Registration& r : registrations_)
    if (!r.isEvent && r.settingsInstance == settingsInstance)
      Queue(Pending{r.observer,
                    std::make_unique<FeatureChangeNotification>(r.featureChangeId, settingsInstance,
                                                                FeatureId(r.feature), FeatureId(r.feature)),
                    r.feature, settingsInstance, false});
  DeliverUnlessHeld();
}

void DataModelFeatureServices::FeatureChanged(std::uint32_t feature, DWORD settingsInstance) {
  for (const Registration& r : registrations_)
    if (!r.isEvent && r.feature == feature && r.settingsInstance == settingsInstance)
      Queue(Pending{r.observer,
                    std::make_unique<FeatureChangeNotification>(r.featureChangeId, settingsInstance, FeatureId(feature),
                                                                FeatureId(r.feature)),
                    feature, settingsInstance, false});
  DeliverUnlessHeld();
}

void DataModelFeatureServices::Queue(Pending pending) {
  for (const Pending& p : pending_)
    if (p.observer == pending.observer && p.isEvent == pending.isEvent && p.feature == pending.feature &&
        p.settingsInstance == pending.settingsInstance)
      return;
  pending_.push_back(std::move(pending));
}

void DataModelFeatureServices::DeliverUnlessHeld() {
  if (massSetDepth_ > 0 || delivering_ || pending_.empty()) return;
  delivering_ = true;
  try {
    for (int round = 0; !pending_.empty(); ++round) {
      if (round == kMaxDeliveryRounds)
        TamorThrow<ExceptionCapacityExceeded>(kSource, __LINE__, "DataModelFeatureServices::Deliver",
                                              u"change notifications do not settle");
      std::vector<Pending> batch = std::move(pending_);
      pending_.clear();
      // One bundle per observer, observers in the order their first notification arose.
      std::vector<std::pair<IObserver*, NotificationBundle>> bundles;
      for (Pending& p : batch) {
        auto it = std::find_if(bundles.begin(), bundles.end(), [&](const auto& b) { return b.first == p.observer; });
        if (it == bundles.end()) it = bundles.insert(bundles.end(), {p.observer, NotificationBundle()});
        it->second.Add(std::move(p.notification));
      }
      // An observer may unregister another (or itself) while it is notified.
      for (auto& [observer, bundle] : bundles)
        if (IsRegistered(observer)) observer->Notify(bundle);
    }
  } catch (...) {
    delivering_ = false;
    pending_.clear();
    throw;
  }
  delivering_ = false;
}
