#include "zqutil/TamorUtilities.h"

#include <cstdarg>
#include <vector>

#include "platform/text.h"
#include "zqutil/DriverLoadedContext.h"
#include "zqutil/TamorException.h"

namespace TamorUtilities {

void debugDisplayExceptionMessage(void* /*window*/, const std::exception* exception, const char* entryName,
                                  const char* extra) {
  CXString line = CXString::FromUtf8(entryName != nullptr ? entryName : "");
  if (const auto* ours = dynamic_cast<const TamorException*>(exception)) {
    line += u": ";
    line += CXString::FromUtf8(ours->GetClassName());
    line += u": ";
    line += ours->GetMessage();
    line += u" (";
    line += CXString::FromUtf8(ours->GetSource());
    line += u":";
    line += CXString::Formatted(u"%d", ours->GetLine());
    line += u" ";
    line += CXString::FromUtf8(ours->GetFunction());
    line += u")";
  } else if (exception != nullptr) {
    line += u": std::exception: ";
    line += CXString::FromUtf8(exception->what());
  } else {
    line += u": unknown exception";
  }
  if (extra != nullptr && *extra != '\0') {
    line += u" - ";
    line += CXString::FromUtf8(extra);
  }
  OutputDebugStringW(platform::W(line.c_str()));
}

CXString formatString(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  CXString text;
  text.FormatV(format, args);
  va_end(args);
  return text;
}

CXString getModulePath(HMODULE module) {
  // Paths may be longer than MAX_PATH; grow until the name fits.
  std::vector<char16_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(module, platform::W(buffer.data()), static_cast<DWORD>(buffer.size()));
    if (length == 0) return CXString();
    if (length < buffer.size()) return getPathFromFileName(CXString(buffer.data(), length));
    if (buffer.size() >= 32768) return CXString();
    buffer.resize(buffer.size() * 2);
  }
}

CXString getPathFromFileName(const CXString& fileName) {
  std::size_t last = fileName.str().find_last_of(u"\\/");
  if (last == std::u16string::npos) return CXString();
  return fileName.Left(last + 1);
}

CXString ConvertPortNameToRegistryKey(const CXString& portName) {
  // A registry key name cannot hold a backslash; the others are refused
  // because they split paths or lines in the stores that keep the keys.
  CXString key = portName;
  for (char16_t& c : key.str())
    if (c == u'\\' || c == u'/' || c < 0x20) c = u'_';
  return key;
}

HKEY GetRegistryHiveByContext() {
  return DriverLoadedContext::IsSpoolerContext() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

}  // namespace TamorUtilities
