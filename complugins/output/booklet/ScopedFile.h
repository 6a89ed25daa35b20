// A file handle closed when it goes out of scope.
#pragma once

#include "platform/text.h"
#include "platform/win32.h"
#include "zqutil/CXString.h"

namespace booklet {

class ScopedFile {
 public:
  explicit ScopedFile(HANDLE handle) : handle_(handle) {}
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  ~ScopedFile() { Close(); }

  bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    const bool closed = !IsValid() || CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

inline constexpr DWORD kSequentialFile = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;

inline HANDLE OpenForReading(const CXString& path) {
  return CreateFileW(platform::W(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, kSequentialFile,
                     nullptr);
}

}  // namespace booklet
