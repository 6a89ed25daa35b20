// The notifications the data model delivers to its observers.
#pragma once

#include "zqcore/FeatureId.h"
#include "zqutil/Observer.h"

// A feature's value (settings instance 23002) or definition (23003) changed.
class FeatureChangeNotification : public Notification {
 public:
  FeatureChangeNotification(DWORD featureChangeId, DWORD settingsInstance, FeatureId changedSetting,
                            FeatureId registeredSetting)
      : featureChangeId_(featureChangeId),
        settingsInstance_(settingsInstance),
        changedSetting_(changedSetting),
        registeredSetting_(registeredSetting) {}

  DWORD GetNotificationKind() const override { return featureChangeId_; }
  DWORD GetFeatureChangeId() const { return featureChangeId_; }
  DWORD GetSettingsInstance() const { return settingsInstance_; }
  FeatureId GetChangedSetting() const { return changedSetting_; }
  // The setting the observer registered for.
  FeatureId GetOriginallyRegisteredSetting() const { return registeredSetting_; }

 private:
  DWORD featureChangeId_;
  DWORD settingsInstance_;
  FeatureId changedSetting_;
  FeatureId registeredSetting_;
};

// An event of the model (settings saved, settings applied ...).
class EventNotification : public Notification {
 public:
  explicit EventNotification(DWORD eventId) : eventId_(eventId) {}
  DWORD GetNotificationKind() const override { return eventId_; }
  DWORD GetEventId() const { return eventId_; }

 private:
  DWORD eventId_;
};
