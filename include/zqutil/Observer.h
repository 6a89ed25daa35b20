// Change observers: notifications, the bundle that carries them, the observer
// and the registry an observer is registered with.
//
// An observer and the registries that hold it know each other: destroying
// either one unlinks it from the other, so a registry never calls an observer
// that is gone and an observer never unregisters from a registry that is gone.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win32.h"
#include "zqutil/CXString.h"

class Notification {
 public:
  virtual ~Notification() = default;
  // What kind of notification this is (the data model's change kinds and events).
  virtual DWORD GetNotificationKind() const = 0;
};

// The notifications delivered to one observer in one call, in the order they arose.
class NotificationBundle {
 public:
  void Add(std::unique_ptr<Notification> notification) { notifications_.push_back(std::move(notification)); }
  std::size_t GetCount() const { return notifications_.size(); }
  // Null when the index is out of range.
  const Notification* GetNotification(std::size_t index) const {
    return index < notifications_.size() ? notifications_[index].get() : nullptr;
  }

 private:
  std::vector<std::unique_ptr<Notification>> notifications_;
};

class IObserver;

class ObserverRegistry {
 public:
  virtual ~ObserverRegistry() = default;
  // Drops every registration of the observer; called when it is destroyed.
  virtual void ForgetObserver(IObserver& observer) = 0;
};

class IObserver {
 public:
  IObserver();
  IObserver(const IObserver&) = delete;
  IObserver& operator=(const IObserver&) = delete;
  virtual ~IObserver();

  // Unique among the observers of this process.
  virtual DWORD GetObserverId() const { return id_; }
  virtual void Notify(const NotificationBundle& bundle) = 0;
  virtual CXString GetObserverClassNameHeirarchy() const { return u"IObserver"; }
  virtual CXString GetDumpDisplayString() const;
  // Writes the display string to the debug output.
  virtual void Dump() const;

  // Kept by the registries themselves.
  void LinkRegistry(ObserverRegistry& registry);
  void UnlinkRegistry(ObserverRegistry& registry);

 private:
  DWORD id_;
  std::vector<ObserverRegistry*> registries_;
};
