#include "zqutil/DriverLoadedContext.h"

#include <vector>

#include "platform/text.h"
#include "zqutil/CXString.h"

bool DriverLoadedContext::IsSpoolerContext() {
  // Asked every time: the image name is fixed in a real process, and the host
  // may change it between runs of the tests.
  std::vector<char16_t> buffer(MAX_PATH, 0);
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(nullptr, platform::W(buffer.data()), static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) break;
    if (buffer.size() >= 32768) return false;
    buffer.assign(buffer.size() * 2, 0);
  }
  constexpr char16_t kSpooler[] = u"spoolsv.exe";
  constexpr std::size_t kLength = sizeof(kSpooler) / sizeof(char16_t) - 1;
  if (length < kLength) return false;
  return CXString(buffer.data() + length - kLength, kLength).CompareNoCase(kSpooler) == 0;
}
