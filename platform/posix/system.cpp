// Last error, debug output, the clock and machine facts.
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "common/answers.h"
#include "internal.h"
#include "platform/text.h"

namespace {
thread_local DWORD t_lastError = 0;
}

void WINAPI SetLastError(DWORD dwErrCode) {
  t_lastError = dwErrCode;
}
DWORD WINAPI GetLastError() {
  return t_lastError;
}

namespace platform::posix {

void DebugOutput(std::u16string_view text) {
  if (auto sink = DebugSink()) {
    sink(text);
    return;
  }
  const char* logFile = std::getenv("RENPS_DEBUG_LOG");
  if (logFile == nullptr || *logFile == 0) return;
  // Opened per line with O_APPEND so several processes can share one log.
  int fd = ::open(logFile, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return;
  std::string utf8 = ToUtf8(text);
  std::size_t done = 0;
  while (done < utf8.size()) {
    ssize_t n = ::write(fd, utf8.data() + done, utf8.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

void DebugOutputUtf8(std::string_view text) {
  DebugOutput(FromUtf8(text));
}

}  // namespace platform::posix

void WINAPI OutputDebugStringW(LPCWSTR lpOutputString) {
  if (lpOutputString == nullptr) return;
  DWORD saved = t_lastError;  // Windows leaves the last error alone here
  platform::posix::DebugOutput(platform::U(lpOutputString));
  t_lastError = saved;
}

BOOL WINAPI IsDebuggerPresent() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10) != 0 ? TRUE : FALSE;
  }
  return FALSE;
}

void WINAPI DebugBreak() {
  ::raise(SIGTRAP);
}

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (lpSystemTime == nullptr) return;
  if (auto fixed = platform::posix::FixedLocalTime()) {
    *lpSystemTime = *fixed;
    return;
  }
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  ::localtime_r(&now.tv_sec, &local);
  lpSystemTime->wYear = static_cast<WORD>(local.tm_year + 1900);
  lpSystemTime->wMonth = static_cast<WORD>(local.tm_mon + 1);
  lpSystemTime->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  lpSystemTime->wDay = static_cast<WORD>(local.tm_mday);
  lpSystemTime->wHour = static_cast<WORD>(local.tm_hour);
  lpSystemTime->wMinute = static_cast<WORD>(local.tm_min);
  lpSystemTime->wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
  lpSystemTime->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

DWORD WINAPI GetTickCount() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  // Wraps after 49.7 days, as on Windows.
  auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);
}

DWORD WINAPI GetCurrentProcessId() {
  return static_cast<DWORD>(::getpid());
}

namespace {

std::u16string SystemUserName() {
  std::string buffer(4096, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr)
    return platform::FromUtf8(found->pw_name);
  if (const char* user = std::getenv("USER"); user != nullptr) return platform::FromUtf8(user);
  return u"user";
}

std::u16string SystemComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof(name) - 1) != 0) return u"localhost";
  std::string host(name);
  // The NetBIOS-style short name: Windows reports the host without its domain.
  if (auto dot = host.find('.'); dot != std::string::npos) host.resize(dot);
  return platform::FromUtf8(host);
}

}  // namespace

BOOL WINAPI GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer) {
  std::u16string name = platform::posix::UserNameFact();
  if (name.empty()) name = SystemUserName();
  return platform::common::AnswerUserName(name, lpBuffer, pcbBuffer);
}

BOOL WINAPI GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
  std::u16string name = platform::posix::ComputerNameFact();
  if (name.empty()) name = SystemComputerName();
  return platform::common::AnswerComputerName(name, lpBuffer, nSize);
}
