#include "zqutil/CriticalResource.h"

#include <map>

namespace {

// One lock per name for the life of the process: a name once used keeps its
// lock, so two resources created at different times still share it.
std::shared_ptr<std::recursive_mutex> LockNamed(const CXString& name) {
  static std::mutex guard;
  static auto* locks = new std::map<std::u16string, std::shared_ptr<std::recursive_mutex>>();  // never destroyed:
  // a lock may still be taken by a static destructor during unload.
  std::lock_guard<std::mutex> lock(guard);
  auto& entry = (*locks)[name.str()];
  if (!entry) entry = std::make_shared<std::recursive_mutex>();
  return entry;
}

}  // namespace

CriticalResource::CriticalResource(const CXString& name) : name_(name), mutex_(LockNamed(name)) {}

void CriticalResource::Enter() {
  mutex_->lock();
}

bool CriticalResource::TryEnter() {
  return mutex_->try_lock();
}

void CriticalResource::Leave() {
  mutex_->unlock();
}

OwnedCriticalResource::OwnedCriticalResource(CriticalResource& resource, const char* source, int line)
    : resource_(&resource), source_(source != nullptr ? source : ""), line_(line) {
  resource_->Enter();
}

OwnedCriticalResource::OwnedCriticalResource(const CXString& name, const char* source, int line)
    : own_(std::make_unique<CriticalResource>(name)),
      resource_(own_.get()),
      source_(source != nullptr ? source : ""),
      line_(line) {
  resource_->Enter();
}

OwnedCriticalResource::~OwnedCriticalResource() {
  Release();
}

void OwnedCriticalResource::Release() {
  if (!held_) return;
  held_ = false;
  resource_->Leave();
}
