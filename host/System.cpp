#include "System.h"

#include <cerrno>

namespace renps::sys {

bool WriteAll(int fd, const char* data, std::size_t size, int& error) {
  while (size > 0) {
    const long n = WriteSome(fd, data, size);
    if (n <= 0) {
      // A write that takes nothing and reports no error is a full device.
      error = n < 0 ? errno : ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace renps::sys
