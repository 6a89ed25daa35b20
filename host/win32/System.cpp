#include "System.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/text.h"
#include "platform/win32.h"

namespace renps::sys {
namespace {

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = platform::FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

HANDLE OsHandle(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

const char* const kPluginFileName = "renpsoem.dll";
const int kStandardOutput = 1;

void UseBinaryStandardStreams() {
  // The printer stream is bytes: no CR before each LF, no end at Ctrl-Z.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

std::string ExecutableDirectory() {
  // By the program's own module: GetModuleFileNameW(NULL) answers what the
  // host made the plug-in believe it runs in.
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(GetModuleHandleW(nullptr), path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return std::filesystem::path(path).parent_path().string();
}

std::string TemporaryDirectory() {
  std::error_code ec;
  const auto directory = std::filesystem::temp_directory_path(ec);
  return ec ? std::string(".") : directory.string();
}

bool IsDirectory(int fd) {
  BY_HANDLE_FILE_INFORMATION info{};
  return fd >= 0 && GetFileInformationByHandle(OsHandle(fd), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RegularFileSize(int fd, long long& size) {
  if (fd < 0 || GetFileType(OsHandle(fd)) != FILE_TYPE_DISK || IsDirectory(fd)) return false;
  size = CurrentSize(fd);
  return size >= 0;
}

long long CurrentSize(int fd) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(OsHandle(fd), &size) ? static_cast<long long>(size.QuadPart) : -1;
}

std::size_t MapAlignment() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwAllocationGranularity;
}

const void* MapView(int fd, long long offset, std::size_t length, std::string& error) {
  HANDLE mapping = CreateFileMappingW(OsHandle(fd), nullptr, PAGE_READONLY, 0, 0, nullptr);
  const void* view = nullptr;
  if (mapping != nullptr) {
    view = MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32),
                         static_cast<DWORD>(offset & 0xFFFFFFFF), length);
    // The view keeps the mapping alive.
    CloseHandle(mapping);
  }
  if (view == nullptr) error = "system error " + std::to_string(GetLastError());
  return view;
}

void UnmapView(const void* view, std::size_t) {
  if (view != nullptr) UnmapViewOfFile(view);
}

namespace {
wchar_t g_temporary[4096] = {};
PVOID g_handler = nullptr;

LONG CALLBACK OnReadFault(EXCEPTION_POINTERS* exception) {
  if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_IN_PAGE_ERROR) return EXCEPTION_CONTINUE_SEARCH;
  static constexpr char kMessage[] = "renps: a document was cut short while it was read\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), kMessage, sizeof kMessage - 1, &written, nullptr);
  if (g_temporary[0] != 0) DeleteFileW(g_temporary);
  ExitProcess(1);
}
}  // namespace

ReadFaultGuard::ReadFaultGuard(const std::string& temporary) {
  const std::wstring wide = Wide(temporary);
  const std::size_t size = std::min(wide.size(), std::size(g_temporary) - 1);
  wide.copy(g_temporary, size);
  g_temporary[size] = 0;
  g_handler = AddVectoredExceptionHandler(1, &OnReadFault);
}

ReadFaultGuard::~ReadFaultGuard() {
  if (g_handler != nullptr) RemoveVectoredExceptionHandler(g_handler);
  g_handler = nullptr;
  g_temporary[0] = 0;
}

PathKind Probe(const std::string& path, unsigned& mode) {
  // Devices (NUL, CON, pipes under \\.\) are written into as they are.
  if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return PathKind::Other;
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::Directory;
  mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
  return PathKind::Regular;
}

unsigned NewFileMode() {
  return 0666;
}

int OpenForWriting(const std::string& path) {
  return _wopen(Wide(path).c_str(), _O_WRONLY | _O_BINARY);
}

int CreateTemporary(const std::string& directory, const std::string& prefix, std::string& path) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%08x%04x", random(), (counter++) & 0xFFFF);
    const std::string candidate = (std::filesystem::path(directory) / (prefix + suffix)).string();
    const int fd = _wopen(Wide(candidate).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd >= 0) {
      path = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

long WriteSome(int fd, const char* data, std::size_t size) {
  return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

long WriteSome(int fd, const char* head, std::size_t headSize, const char*, std::size_t) {
  return WriteSome(fd, head, headSize);
}

long Read(int fd, char* data, std::size_t size) {
  return _read(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

bool Rewind(int fd) {
  return _lseeki64(fd, 0, SEEK_SET) == 0;
}

bool SetMode(int, unsigned) {
  // Permissions are the directory's on Windows; the read-only attribute of a
  // replaced file is not carried over.
  return true;
}

bool Close(int fd) {
  return _close(fd) == 0;
}

bool Replace(const std::string& from, const std::string& to) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

int RunProgram(const std::vector<std::string>& arguments) {
  // _wspawnvp joins the arguments with blanks: each is quoted for the
  // program's own command-line parser.
  std::vector<std::wstring> quoted;
  for (const auto& argument : arguments) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : Wide(argument)) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
      backslashes = 0;
      text += c;
    }
    text.append(backslashes * 2, L'\\');
    text += L'"';
    quoted.push_back(std::move(text));
  }
  std::vector<const wchar_t*> argv;
  for (const auto& argument : quoted) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const intptr_t status = _wspawnvp(_P_WAIT, Wide(arguments.at(0)).c_str(), argv.data());
  return status < 0 ? -1 : static_cast<int>(status);
}

}  // namespace renps::sys
