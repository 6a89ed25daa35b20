// Small helpers of the utility library shared by every part of the plug-in.
#pragma once

#include <exception>
#include <string>

#include "platform/win32.h"
#include "zqutil/CXString.h"

namespace TamorUtilities {

// Writes one line naming the entry point and the exception (its class, message,
// source, line and function when it is one of ours) to the debug log through
// OutputDebugStringW. `exception` may be null for a thrown non-std object.
void debugDisplayExceptionMessage(void* window, const std::exception* exception, const char* entryName,
                                  const char* extra);

// printf-style formatting into a fresh string (CXString::Format rules).
CXString formatString(const char16_t* format, ...);

// Directory of a module with its trailing separator ("C:\\dir\\" or "/dir/").
CXString getModulePath(HMODULE module);
CXString getPathFromFileName(const CXString& fileName);

// Registry key name derived from a port name (characters that a key name
// cannot hold become '_').
CXString ConvertPortNameToRegistryKey(const CXString& portName);

// The hive that holds the library's machine-wide caches for the running code:
// HKEY_LOCAL_MACHINE inside the spooler, HKEY_CURRENT_USER elsewhere.
HKEY GetRegistryHiveByContext();

}  // namespace TamorUtilities
