#include "output/booklet/BookletOutput.h"

#include <algorithm>
#include <cstring>

namespace booklet {

BookletOutput::BookletOutput(HANDLE file, std::size_t capacity) : file_(file), buffer_(capacity == 0 ? 1 : capacity) {}

int BookletOutput::WriteOut(const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file_, data, piece, &written, nullptr)) return kWriteFailed;
    if (written != piece) return kShortWrite;
    data += piece;
    size -= piece;
  }
  return 0;
}

int BookletOutput::Flush() {
  const std::size_t used = used_;
  used_ = 0;
  return used == 0 ? 0 : WriteOut(buffer_.data(), used);
}

int BookletOutput::Write(const char* data, std::size_t size) {
  // Only whole buffers are written until the end: block-sized writes at
  // block-aligned offsets cost the file system least.
  while (size > 0) {
    const std::size_t piece = std::min(size, buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, data, piece);
    used_ += piece;
    data += piece;
    size -= piece;
    if (used_ == buffer_.size()) {
      if (const int result = Flush(); result < 0) return result;
    }
  }
  return 0;
}

}  // namespace booklet
