#include "System.h"

#include <algorithm>
#include <cerrno>

namespace renps::sys {

bool WriteAll(int fd, const char* data, std::size_t size, int& error) {
  return WriteAll(fd, nullptr, 0, data, size, error);
}

bool WriteAll(int fd, const char* head, std::size_t headSize, const char* tail, std::size_t tailSize, int& error) {
  while (headSize + tailSize > 0) {
    const long n = headSize > 0 ? WriteSome(fd, head, headSize, tail, tailSize) : WriteSome(fd, tail, tailSize);
    if (n <= 0) {
      // A write that takes nothing and reports no error is a full device.
      error = n < 0 ? errno : ENOSPC;
      return false;
    }
    auto taken = static_cast<std::size_t>(n);
    const std::size_t fromHead = std::min(taken, headSize);
    head += fromHead;
    headSize -= fromHead;
    taken -= fromHead;
    tail += taken;
    tailSize -= taken;
  }
  return true;
}

}  // namespace renps::sys
