// Registry calls over the state store, for HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER.
#include "common/answers.h"
#include "internal.h"
#include "platform/text.h"
#include "store.h"

namespace platform::posix {
namespace {

struct KeyObject : Object {
  KeyObject(store::Hive h, std::u16string p, REGSAM a) : hive(h), path(std::move(p)), access(a) {}
  store::Hive hive;
  std::u16string path;
  REGSAM access;
};

struct OpenKey {
  store::Hive hive;
  std::u16string path;
  REGSAM access;
};

// A predefined root or a key this process opened.
LONG Resolve(HKEY hKey, OpenKey& key) {
  if (hKey == HKEY_LOCAL_MACHINE) {
    key = {store::Hive::LocalMachine, u"", KEY_ALL_ACCESS};
    return ERROR_SUCCESS;
  }
  if (hKey == HKEY_CURRENT_USER) {
    key = {store::Hive::CurrentUser, u"", KEY_ALL_ACCESS};
    return ERROR_SUCCESS;
  }
  auto object = Find<KeyObject>(hKey);
  if (!object) return ERROR_INVALID_HANDLE;
  key = {object->hive, object->path, object->access};
  return ERROR_SUCCESS;
}

std::u16string_view Name(LPCWSTR name) {
  return name == nullptr ? std::u16string_view() : U(name);
}

}  // namespace

}  // namespace platform::posix

using namespace platform::posix;

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired, PHKEY phkResult) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  OpenKey parent;
  if (LONG status = Resolve(hKey, parent); status != ERROR_SUCCESS) return status;
  std::u16string path;
  if (!store::NormalizeKeyPath(store::JoinKeyPath(parent.path, Name(lpSubKey)), path)) return ERROR_INVALID_PARAMETER;
  bool exists = false;
  if (LONG status = store::KeyExists(parent.hive, path, exists); status != ERROR_SUCCESS) return status;
  if (!exists) return ERROR_FILE_NOT_FOUND;
  *phkResult = static_cast<HKEY>(AddObject(std::make_shared<KeyObject>(parent.hive, path, samDesired)));
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR /*lpClass*/, DWORD /*dwOptions*/,
                               REGSAM samDesired, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  OpenKey parent;
  if (LONG status = Resolve(hKey, parent); status != ERROR_SUCCESS) return status;
  std::u16string path;
  if (!store::NormalizeKeyPath(store::JoinKeyPath(parent.path, Name(lpSubKey)), path)) return ERROR_INVALID_PARAMETER;
  bool created = false;
  if (LONG status = store::CreateKey(parent.hive, path, created); status != ERROR_SUCCESS) return status;
  if (lpdwDisposition != nullptr) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *phkResult = static_cast<HKEY>(AddObject(std::make_shared<KeyObject>(parent.hive, path, samDesired)));
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD /*lpReserved*/, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
  if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
  OpenKey key;
  if (LONG status = Resolve(hKey, key); status != ERROR_SUCCESS) return status;
  if ((key.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  return store::GetValue(key.hive, key.path, Name(lpValueName), [&](const store::Value& value) {
    return platform::common::QueryValue(value.type, value.data, lpType, lpData, lpcbData);
  });
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType, const BYTE* lpData,
                              DWORD cbData) {
  if (lpData == nullptr && cbData != 0) return ERROR_NOACCESS;
  OpenKey key;
  if (LONG status = Resolve(hKey, key); status != ERROR_SUCCESS) return status;
  if ((key.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  store::Value value{std::u16string(Name(lpValueName)), dwType, {}};
  if (cbData != 0) value.data.assign(lpData, lpData + cbData);
  return store::SetValue(key.hive, key.path, value);
}

LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  OpenKey key;
  if (LONG status = Resolve(hKey, key); status != ERROR_SUCCESS) return status;
  if ((key.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  return store::DeleteValue(key.hive, key.path, Name(lpValueName));
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  if (!Find<KeyObject>(hKey) || !RemoveObject(hKey)) return ERROR_INVALID_HANDLE;
  return ERROR_SUCCESS;
}
