// The imposed file: writes gathered into large pieces before they reach
// WriteFile, so the many short header and comment lines cost no system call
// each.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "output/booklet/DscReader.h"
#include "platform/win32.h"

namespace booklet {

class BookletOutput : public ByteSink {
 public:
  static constexpr int kShortWrite = -1;
  static constexpr int kWriteFailed = -2;

  // Throws std::bad_alloc when the buffer cannot be had.
  explicit BookletOutput(HANDLE file, std::size_t capacity = 64 * 1024);

  // 0, or kShortWrite / kWriteFailed from the file.
  int Write(const char* data, std::size_t size) override;
  int Write(std::string_view text) { return Write(text.data(), text.size()); }
  int Flush();

 private:
  int WriteOut(const char* data, std::size_t size);

  HANDLE file_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace booklet
