#include "zqutil/Observer.h"

#include <algorithm>
#include <atomic>

#include "platform/text.h"

namespace {

std::atomic<DWORD> nextObserverId{1};

}  // namespace

IObserver::IObserver() : id_(nextObserverId.fetch_add(1)) {}

IObserver::~IObserver() {
  // A registry unlinks itself while forgetting, so work on a copy.
  const std::vector<ObserverRegistry*> registries = registries_;
  for (ObserverRegistry* registry : registries) registry->ForgetObserver(*this);
}

CXString IObserver::GetDumpDisplayString() const {
  return CXString::Formatted(u"%s #%u", GetObserverClassNameHeirarchy().c_str(), static_cast<unsigned>(id_));
}

void IObserver::Dump() const {
  CXString line = GetDumpDisplayString() + CXString(u"\n");
  OutputDebugStringW(platform::W(line.c_str()));
}

void IObserver::LinkRegistry(ObserverRegistry& registry) {
  if (std::find(registries_.begin(), registries_.end(), &registry) == registries_.end())
    registries_.push_back(&registry);
}

void IObserver::UnlinkRegistry(ObserverRegistry& registry) {
  std::erase(registries_, &registry);
}
