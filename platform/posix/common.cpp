#include <cerrno>
#include <mutex>
#include <unordered_map>

#include "internal.h"
#include "platform/text.h"

namespace platform::posix {

std::string NativePath(const WCHAR* path) {
  std::string native = ToUtf8(U(path));
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

DWORD Win32ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    default:
      return ERROR_GEN_FAILURE;
  }
}

namespace {
std::mutex g_objectsMutex;
std::unordered_map<const void*, std::shared_ptr<Object>>& Objects() {
  static auto* objects = new std::unordered_map<const void*, std::shared_ptr<Object>>();
  return *objects;
}
}  // namespace

void* AddObject(std::shared_ptr<Object> object) {
  void* handle = object.get();
  std::lock_guard lock(g_objectsMutex);
  Objects().emplace(handle, std::move(object));
  return handle;
}

std::shared_ptr<Object> FindObject(const void* handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard lock(g_objectsMutex);
  auto it = Objects().find(handle);
  return it == Objects().end() ? nullptr : it->second;
}

std::shared_ptr<Object> RemoveObject(const void* handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard lock(g_objectsMutex);
  auto it = Objects().find(handle);
  if (it == Objects().end()) return nullptr;
  auto object = std::move(it->second);
  Objects().erase(it);
  return object;
}

}  // namespace platform::posix
