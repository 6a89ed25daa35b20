// File handles over file descriptors. The share mode has no POSIX
// counterpart (no mandatory locking) and is accepted and ignored.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "internal.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

struct FileObject : Object {
  explicit FileObject(int descriptor) : fd(descriptor) {}
  ~FileObject() override {
    if (fd >= 0) ::close(fd);
  }
  int fd;
};

using common::Fail;

// ENOENT means a missing file only when the directory exists.
DWORD OpenError(int error, const std::string& path) {
  if (error == ENOENT) {
    auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash != 0) {
      struct stat info {};
      if (::stat(path.substr(0, slash).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return ERROR_PATH_NOT_FOUND;
    }
  }
  return Win32ErrorFromErrno(error);
}

std::shared_ptr<FileObject> FindFile(HANDLE handle) {
  return Find<FileObject>(handle);
}

}  // namespace
}  // namespace platform::posix

using namespace platform::posix;

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                          LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                          DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
  if (lpFileName == nullptr || *lpFileName == 0) {
    SetLastError(lpFileName == nullptr ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (FaultHere(platform::host::FaultCall::CreateFile)) return INVALID_HANDLE_VALUE;
  const bool read = (dwDesiredAccess & GENERIC_READ) != 0;
  const bool write = (dwDesiredAccess & GENERIC_WRITE) != 0;
  int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
  if (dwCreationDisposition == TRUNCATE_EXISTING && !write) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path = NativePath(lpFileName);

  int fd = -1;
  bool existed = false;
  switch (dwCreationDisposition) {
    case CREATE_NEW:
      fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
      // Open first to learn whether the file was there; a file appearing in
      // between is taken on the next round.
      for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        fd = ::open(path.c_str(), flags | (dwCreationDisposition == CREATE_ALWAYS ? O_TRUNC : 0));
        if (fd >= 0) {
          existed = true;
          break;
        }
        if (errno != ENOENT) break;
        fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
        if (fd < 0 && errno != EEXIST) break;
      }
      break;
    case OPEN_EXISTING:
      fd = ::open(path.c_str(), flags);
      break;
    case TRUNCATE_EXISTING:
      fd = ::open(path.c_str(), flags | O_TRUNC);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  if (fd < 0) {
    SetLastError(OpenError(errno, path));
    return INVALID_HANDLE_VALUE;
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return AddObject(std::make_shared<FileObject>(fd));
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
  auto file = FindFile(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (lpOverlapped != nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (lpBuffer == nullptr && nNumberOfBytesToRead != 0) return Fail(ERROR_NOACCESS);
  if (FaultHere(platform::host::FaultCall::ReadFile)) return FALSE;
  DWORD done = 0;
  // Like a synchronous Windows read of a disk file: fill the request unless
  // the end of the file comes first; at the end, TRUE with zero bytes.
  while (done < nNumberOfBytesToRead) {
    ssize_t n = ::read(file->fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = done;
      return Fail(errno == EBADF ? ERROR_ACCESS_DENIED : Win32ErrorFromErrno(errno));
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = done;
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
  auto file = FindFile(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (lpOverlapped != nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (lpBuffer == nullptr && nNumberOfBytesToWrite != 0) return Fail(ERROR_NOACCESS);
  if (FaultHere(platform::host::FaultCall::WriteFile)) return FALSE;
  // A disk filled by a test takes what fits and refuses the rest.
  const auto room = static_cast<DWORD>(DiskRoom(nNumberOfBytesToWrite));
  DWORD done = 0;
  while (done < room) {
    ssize_t n = ::write(file->fd, static_cast<const char*>(lpBuffer) + done, room - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = done;
      return Fail(n == 0 ? ERROR_DISK_FULL : errno == EBADF ? ERROR_ACCESS_DENIED : Win32ErrorFromErrno(errno));
    }
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = done;
  if (room < nNumberOfBytesToWrite) return Fail(ERROR_DISK_FULL);
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  auto file = FindFile(hFile);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int whence = dwMoveMethod == FILE_BEGIN     ? SEEK_SET
               : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
               : dwMoveMethod == FILE_END     ? SEEK_END
                                              : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  // Without the high part the distance is a signed 32-bit value; with it, the
  // two halves form one signed 64-bit distance.
  std::int64_t distance = lDistanceToMove;
  if (lpDistanceToMoveHigh != nullptr)
    distance = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*lpDistanceToMoveHigh)) << 32) |
        static_cast<std::uint32_t>(lDistanceToMove));
  off_t base = 0;
  if (whence == SEEK_CUR) {
    base = ::lseek(file->fd, 0, SEEK_CUR);
  } else if (whence == SEEK_END) {
    struct stat info {};
    base = ::fstat(file->fd, &info) == 0 ? info.st_size : -1;
  }
  if (base < 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  std::int64_t target = static_cast<std::int64_t>(base) + distance;
  if (target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh == nullptr && target > 0xFFFFFFFELL) {
    // The position could not be reported; Windows refuses the move.
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (::lseek(file->fd, static_cast<off_t>(target), SEEK_SET) < 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh != nullptr)
    *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(target) >> 32);
  // A low part of 0xFFFFFFFF is a valid position; callers tell it from a
  // failure by the last error.
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(static_cast<std::uint64_t>(target) & 0xFFFFFFFFu);
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
  if (lpFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string path = NativePath(lpFileName);
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (::unlink(path.c_str()) != 0) return Fail(OpenError(errno, path));
  return TRUE;
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) {
  if (lpFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string path = NativePath(lpFileName);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    SetLastError(OpenError(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (::access(path.c_str(), W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  const char* env = std::getenv("TMPDIR");
  std::u16string path = platform::FromUtf8(env != nullptr && *env != 0 ? env : "/tmp");
  if (path.back() != u'/') path.push_back(u'/');
  // Returns the length without the terminator when it fits, else the size
  // needed with it, leaving the buffer alone.
  if (!CopyOut(path, lpBuffer, lpBuffer == nullptr ? 0 : nBufferLength)) return static_cast<DWORD>(path.size() + 1);
  return static_cast<DWORD>(path.size());
}

UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) {
  if (lpPathName == nullptr || lpTempFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string directory(platform::U(lpPathName));
  if (!directory.empty() && directory.back() != u'/' && directory.back() != u'\\') directory.push_back(u'/');
  std::u16string prefix;
  if (lpPrefixString != nullptr)
    prefix.assign(platform::U(lpPrefixString), platform::Length(platform::U(lpPrefixString), 3));

  auto nameFor = [&](UINT unique) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string hex;
    unique &= 0xFFFFu;
    do {
      hex.insert(hex.begin(), digits[unique & 0xF]);
      unique >>= 4;
    } while (unique != 0);
    return directory + prefix + hex + u".tmp";
  };
  auto deliver = [&](const std::u16string& name) {
    if (!CopyOut(name, lpTempFileName, MAX_PATH)) {
      SetLastError(ERROR_BUFFER_OVERFLOW);
      return false;
    }
    return true;
  };

  if (uUnique != 0) {
    // Only the name is made; the caller creates the file.
    return deliver(nameFor(uUnique)) ? uUnique : 0;
  }
  if (nameFor(0xFFFF).size() + 1 > MAX_PATH) {
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return 0;
  }
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  UINT start = static_cast<UINT>((now.tv_nsec / 1000) ^ (::getpid() << 4)) & 0xFFFFu;
  if (start == 0) start = 1;
  UINT unique = start;
  do {
    std::u16string name = nameFor(unique);
    std::string path = NativePath(platform::W(name.c_str()));
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      deliver(name);
      return unique;
    }
    if (errno != EEXIST) {
      SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_DIRECTORY : Win32ErrorFromErrno(errno));
      return 0;
    }
    unique = unique == 0xFFFF ? 1 : unique + 1;
  } while (unique != start);
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  // Files and printer handles alike; registry keys close with RegCloseKey.
  auto object = FindObject(hObject);
  if (!object || dynamic_cast<FileObject*>(object.get()) == nullptr) {
    if (object && platform::posix::IsPrinterObject(*object)) return ClosePrinter(hObject);
    if (object && platform::posix::IsMutexObject(*object))
      return RemoveObject(hObject) ? TRUE : Fail(ERROR_INVALID_HANDLE);
    return Fail(ERROR_INVALID_HANDLE);
  }
  if (!RemoveObject(hObject)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

std::FILE* _wfopen(const WCHAR* filename, const WCHAR* mode) {
  if (filename == nullptr || mode == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  std::string native = NativePath(filename);
  // Windows modes may carry 'b', 't', 'ccs=' and the like; 'b' is
  // meaningful to fopen only as a no-op, the text-mode markers are dropped.
  std::string narrow;
  for (const char16_t* m = platform::U(mode); *m != 0 && *m != u','; ++m)
    if (*m == u'r' || *m == u'w' || *m == u'a' || *m == u'+' || *m == u'b' || *m == u'x')
      narrow.push_back(static_cast<char>(*m));
  narrow.push_back('e');  // close-on-exec, as Windows handles are not inherited by default
  return std::fopen(native.c_str(), narrow.c_str());
}
