// Named mutexes over lock files. Every handle of one name in this process
// shares one lock: threads wait for each other on a condition variable, and
// the thread that owns the mutex holds an flock on the name's file, which
// keeps every other process out. Ownership is recursive, as on Windows.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "internal.h"
#include "platform/sync.h"
#include "platform/text.h"

namespace {

using platform::posix::Object;

class NamedLock {
 public:
  explicit NamedLock(int fd) : fd_(fd) {}
  ~NamedLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  DWORD Wait(DWORD milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    const std::thread::id me = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    if (owner_ == me) {
      ++depth_;
      return WAIT_OBJECT_0;
    }
    auto free = [&] { return owner_ == std::thread::id(); };
    if (milliseconds == INFINITE) {
      released_.wait(lock, free);
    } else if (!released_.wait_until(lock, deadline, free)) {
      return WAIT_TIMEOUT;
    }
    owner_ = me;
    depth_ = 1;
    lock.unlock();
    if (LockFile(milliseconds, deadline)) return WAIT_OBJECT_0;
    lock.lock();
    owner_ = std::thread::id();
    depth_ = 0;
    released_.notify_one();
    return milliseconds == INFINITE ? WAIT_FAILED : WAIT_TIMEOUT;
  }

  bool Release() {
    std::lock_guard lock(mutex_);
    if (owner_ != std::this_thread::get_id()) return false;
    if (--depth_ == 0) {
      if (fd_ >= 0) ::flock(fd_, LOCK_UN);
      owner_ = std::thread::id();
      released_.notify_one();
    }
    return true;
  }

 private:
  // Other processes: a blocking flock, or tries until the deadline.
  bool LockFile(DWORD milliseconds, std::chrono::steady_clock::time_point deadline) {
    if (fd_ < 0) return true;
    if (milliseconds == INFINITE) {
      while (::flock(fd_, LOCK_EX) != 0)
        if (errno != EINTR) return false;
      return true;
    }
    while (true) {
      if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
      if (errno != EWOULDBLOCK && errno != EINTR) return false;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  int fd_;
  std::mutex mutex_;
  std::condition_variable released_;
  std::thread::id owner_;
  unsigned depth_ = 0;
};

struct MutexObject : Object {
  std::shared_ptr<NamedLock> lock;
};

// The lock file's name: letters, digits, '-', '_' and '.' as they are, every
// other byte of the UTF-8 name as %XX.
std::string FileNameFor(std::u16string_view name) {
  for (std::u16string_view prefix : {std::u16string_view(u"Global\\"), std::u16string_view(u"Local\\")})
    if (name.substr(0, prefix.size()) == prefix) name.remove_prefix(prefix.size());
  static const char hex[] = "0123456789ABCDEF";
  std::string file;
  for (unsigned char c : platform::ToUtf8(name)) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        (c == '.' && !file.empty())) {
      file.push_back(static_cast<char>(c));
    } else {
      file += '%';
      file.push_back(hex[c >> 4]);
      file.push_back(hex[c & 15]);
    }
  }
  return file + ".lock";
}

std::mutex g_namesMutex;
std::map<std::string, std::weak_ptr<NamedLock>> g_names;

std::shared_ptr<NamedLock> LockNamed(std::u16string_view name, DWORD& error) {
  const std::filesystem::path directory = std::filesystem::path(platform::posix::StateDirectory()) / "locks";
  const std::string path = (directory / FileNameFor(name)).string();
  std::lock_guard guard(g_namesMutex);
  if (auto existing = g_names[path].lock()) {
    error = ERROR_ALREADY_EXISTS;
    return existing;
  }
  std::error_code ignored;
  std::filesystem::create_directories(directory, ignored);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = platform::posix::Win32ErrorFromErrno(errno);
    return nullptr;
  }
  error = ERROR_SUCCESS;
  auto lock = std::make_shared<NamedLock>(fd);
  g_names[path] = lock;
  return lock;
}

}  // namespace

namespace platform::posix {
bool IsMutexObject(const Object& object) {
  return dynamic_cast<const MutexObject*>(&object) != nullptr;
}
}  // namespace platform::posix

HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES /*lpMutexAttributes*/, BOOL bInitialOwner, LPCWSTR lpName) {
  auto object = std::make_shared<MutexObject>();
  DWORD error = ERROR_SUCCESS;
  if (lpName != nullptr && *lpName != 0) {
    object->lock = LockNamed(platform::U(lpName), error);
    if (object->lock == nullptr) {
      SetLastError(error);
      return nullptr;
    }
  } else {
    object->lock = std::make_shared<NamedLock>(-1);
  }
  if (bInitialOwner && object->lock->Wait(INFINITE) != WAIT_OBJECT_0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HANDLE handle = platform::posix::AddObject(object);
  SetLastError(error);
  return handle;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  auto object = platform::posix::Find<MutexObject>(hHandle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return object->lock->Wait(dwMilliseconds);
}

BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
  auto object = platform::posix::Find<MutexObject>(hMutex);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!object->lock->Release()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}
