// Registry: small checked reads and writes of registry values, shared by the
// classes that keep per-user and machine facts there.
#pragma once

#include "platform/win32.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

namespace Registry {

// The value's type and bytes; false when the key or value does not exist.
bool ReadValue(HKEY root, const CXString& path, const CXString& valueName, DWORD& type, ByteBuffer& data);
// REG_SZ / REG_EXPAND_SZ text; false when absent or of another type.
bool ReadString(HKEY root, const CXString& path, const CXString& valueName, CXString& value);
// REG_DWORD; false when absent or of another type.
bool ReadDword(HKEY root, const CXString& path, const CXString& valueName, DWORD& value);
// Creates the key when needed; returns the registry's status (ERROR_SUCCESS).
LSTATUS WriteValue(HKEY root, const CXString& path, const CXString& valueName, DWORD type, const void* data,
                   DWORD size);

}  // namespace Registry
