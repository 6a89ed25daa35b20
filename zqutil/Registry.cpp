#include "zqutil/Registry.h"

#include "platform/text.h"

namespace Registry {

bool ReadValue(HKEY root, const CXString& path, const CXString& valueName, DWORD& type, ByteBuffer& data) {
  data.clear();
  type = REG_NONE;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, platform::W(path.c_str()), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  bool found = false;
  // The value may grow between the size query and the read; try a few times.
  for (int attempt = 0; attempt < 4 && !found; ++attempt) {
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, platform::W(valueName.c_str()), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) break;
    data.resize(size);
    status = RegQueryValueExW(key, platform::W(valueName.c_str()), nullptr, &type, data.getLpbyte(), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size <= data.size() ? size : data.size());
      found = true;
    } else if (status != ERROR_MORE_DATA) {
      break;
    }
  }
  RegCloseKey(key);
  if (!found) data.clear();
  return found;
}

bool ReadString(HKEY root, const CXString& path, const CXString& valueName, CXString& value) {
  value.Empty();
  DWORD type = REG_NONE;
  ByteBuffer data;
  if (!ReadValue(root, path, valueName, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  value = data.getAsStringValue();
  return true;
}

bool ReadDword(HKEY root, const CXString& path, const CXString& valueName, DWORD& value) {
  value = 0;
  DWORD type = REG_NONE;
  ByteBuffer data;
  if (!ReadValue(root, path, valueName, type, data) || type != REG_DWORD || data.size() != 4) return false;
  value = data.getAsLongValue();
  return true;
}

LSTATUS WriteValue(HKEY root, const CXString& path, const CXString& valueName, DWORD type, const void* data,
                   DWORD size) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(root, platform::W(path.c_str()), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(key, platform::W(valueName.c_str()), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return status;
}

}  // namespace Registry
