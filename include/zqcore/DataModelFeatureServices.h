// DataModelFeatureServices: the features of one data model, their value
// lists, defaults and current values, and the observers of their changes.
//
// A feature is declared by a settings source with its kind, its value list
// (the option values allowed; empty allows any) and its default. A feature can
// also be held without a declaration, when a value is set for it or imported:
// it then takes the kind of that value and allows any value. Its current value
// is the value set, or else its default; IsSpecified tells which.
//
// Setting a value checks it against the declaration (kind, value list, integer
// range) and throws ExceptionInvalidArgument when it does not fit, leaving the
// model unchanged. A change that alters the value (or the specified mark)
// notifies the observers registered for the feature in settings instance
// 23002; a changed default or value list notifies those registered in 23003;
// events notify those registered for the event. Inside BeginMassSet /
// EndMassSet (which nest) notifications wait and each observer receives them
// in one bundle at the outermost EndMassSet, one per feature and instance.
// Changes made by an observer while it is notified are delivered after it
// returns; notifications that keep causing each other for 64 rounds throw
// ExceptionCapacityExceeded.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <vector>

#include "zqcore/FeatureValue.h"
#include "zqutil/Observer.h"

class AttributeTranslatorForXml;

struct FeatureDefinition {
  std::uint32_t feature = 0;
  FeatureKind kind = FeatureKind::None;
  // Option values allowed for an option or the items of a list; empty: any.
  std::vector<std::uint32_t> valueList;
  // None: no default.
  FeatureValue defaultValue;
  std::int32_t minimum = std::numeric_limits<std::int32_t>::min();
  std::int32_t maximum = std::numeric_limits<std::int32_t>::max();
};

class DataModelFeatureServices : public ObserverRegistry {
 public:
  DataModelFeatureServices() = default;
  DataModelFeatureServices(const DataModelFeatureServices&) = delete;
  DataModelFeatureServices& operator=(const DataModelFeatureServices&) = delete;
  ~DataModelFeatureServices() override;

  // --- definitions ---
  // Declares a feature, or replaces its declaration. A current value that the
  // new declaration does not allow is dropped. A default that the declaration
  // itself does not allow throws ExceptionInvalidArgument.
  void DeclareFeature(const FeatureDefinition& definition);
  // Replaces the value list of a declared feature (ExceptionInvalidArgument
  // for an undeclared one); a default or current value outside it is dropped.
  void SetValueList(std::uint32_t feature, const std::vector<std::uint32_t>& values);
  void SetDefaultValue(std::uint32_t feature, const FeatureValue& value);
  // Empty for a feature that is not held or allows any value.
  std::vector<std::uint32_t> GetValueList(std::uint32_t feature) const;
  FeatureValue GetDefaultValue(std::uint32_t feature) const;
  // Declared by a source.
  bool IsFeatureAvailable(std::uint32_t feature) const;
  // Declared, or given a value.
  bool HoldsFeature(std::uint32_t feature) const;
  // Null when the feature is not held.
  const FeatureDefinition* GetDefinition(std::uint32_t feature) const;
  // Every feature held, ascending.
  std::vector<std::uint32_t> GetHeldFeatures() const;

  // --- current values ---
  // The value set, else the default, else a value of kind None.
  FeatureValue GetCurrentValue(std::uint32_t feature) const;
  bool IsSpecified(std::uint32_t feature) const;
  // Throws ExceptionInvalidArgument for a value of kind None or one that the
  // declaration does not allow.
  void SetCurrentValue(std::uint32_t feature, const FeatureValue& value);
  // Not specified: the value set is dropped and the default applies. Specified:
  // the default becomes the value set; false when there is no default.
  bool SetIsSpecified(std::uint32_t feature, bool isSpecified);

  // --- bulk changes ---
  void BeginMassSet();
  void EndMassSet();
  // Ends a mass set and drops what it would have delivered (after a failure).
  void AbandonMassSet();
  bool IsInMassSet() const { return massSetDepth_ > 0; }

  // The XML job ticket of the model (AttributeTranslators.h).
  AttributeTranslatorForXml GetTpifTranslator(DWORD schema) const;

  // --- observers ---
  // Registering the same observer, feature and instance again changes nothing.
  void RegisterFeatureObserver(IObserver& observer, DWORD featureChangeId, std::uint32_t feature,
                               DWORD settingsInstance, DWORD capability, DWORD flags);
  void RegisterEventObserver(IObserver& observer, DWORD eventId);
  void UnregisterObserver(IObserver& observer);
  void ForgetObserver(IObserver& observer) override;
  void FireEvent(DWORD eventId);
  // Notifies every observer registered in `settingsInstance` once, for its
  // feature (a model that has been populated tells the definitions' observers).
  void NotifyAllRegistered(DWORD settingsInstance);

 private:
  struct Held {
    FeatureDefinition definition;
    bool declared = false;
    FeatureValue current;  // None: not specified
  };
  struct Registration {
    IObserver* observer = nullptr;
    bool isEvent = false;
    DWORD featureChangeId = 0;
    std::uint32_t feature = 0;
    DWORD settingsInstance = 0;
    DWORD capability = 0;
    DWORD flags = 0;
    DWORD eventId = 0;
  };
  struct Pending {
    IObserver* observer = nullptr;
    std::unique_ptr<Notification> notification;
    std::uint32_t feature = 0;  // with the instance, what a feature change is deduplicated by
    DWORD settingsInstance = 0;
    bool isEvent = false;
  };

  void CheckAllowed(const FeatureDefinition& definition, const FeatureValue& value) const;
  bool Allows(const FeatureDefinition& definition, const FeatureValue& value) const;
  void FeatureChanged(std::uint32_t feature, DWORD settingsInstance);
  void Queue(Pending pending);
  void DeliverUnlessHeld();
  bool IsRegistered(const IObserver* observer) const;

  std::map<std::uint32_t, Held> features_;
  std::vector<Registration> registrations_;
  std::vector<Pending> pending_;
  int massSetDepth_ = 0;
  bool delivering_ = false;
};
