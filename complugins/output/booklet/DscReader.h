// DscReader: a spool file read in large blocks and cut into the lines the
// booklet writer acts on.
//
// The scan and the writer must see the same comment lines, or a page would be
// copied twice or lost. A comment line begins with "%" at the start of the
// data (or of a seek) or right after a CR or LF, runs to CR, LF or CR LF,
// holds no NUL and is at most kCommentLimit bytes long with its line end.
// Anything else is data. Memory is one window of about one block, whatever
// the length of the file or of its lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace booklet {

// Where the writer's copied data goes. Write returns 0 or a negative result code.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual int Write(const char* data, std::size_t size) = 0;
};

class DscReader {
 public:
  static constexpr std::size_t kCommentLimit = 256;
  // Bytes of a line that the scan examines (what a 1024-byte line buffer holds).
  static constexpr std::size_t kLineView = 1023;
  static constexpr std::size_t kDefaultBlock = 128 * 1024;

  struct Line {
    std::string_view text;  // without the line end; at most kLineView bytes of a longer line
    std::string_view raw;   // text with its line end (the bytes to copy)
    std::uint64_t end = 0;  // offset just after the line end; 0 for a line longer than the view
    bool indented = false;  // "%" after blanks or 0x04 bytes: not a comment line (see NextComment)
  };
  enum class Status { kLine, kEnd, kError };

  // Reads `file` from its current position, `blockSize` bytes at a time.
  // Throws std::bad_alloc when the window cannot be had.
  explicit DscReader(HANDLE file, std::size_t blockSize = kDefaultBlock);

  // Continues at `offset`, which counts as the start of a line. False when
  // the file cannot be positioned.
  bool Seek(std::uint64_t offset);

  // Reads stop at `offset` when the data up to it suffice: the copy of a
  // page then reads no further than the page. 0 for none.
  void SetReadHint(std::uint64_t offset) { readHint_ = offset; }

  // The next line of any kind.
  Status NextLine(Line& line);
  // The next comment line. The data before it go to `copy` when one is given;
  // the comment line itself is not copied. With `withIndented`, a "%" that
  // follows nothing but blanks and 0x04 bytes on its line is returned too,
  // marked indented (only the separator line is looked for in that form).
  Status NextComment(Line& line, ByteSink* copy, bool withIndented);

  // After kError: kReadError, or the code the sink returned.
  int Error() const { return error_; }
  static constexpr int kReadError = -501;

  // The views of a returned line stay valid until the next call.
 private:
  bool Ensure(std::size_t at, std::size_t count, std::size_t* shifted = nullptr);
  bool FlushCopy(std::size_t upTo);
  bool IsLineStart(std::size_t at) const;
  std::size_t FindCandidate(bool withIndented) const;
  bool IsIndentedLineStart(std::size_t at) const;
  // 1 comment line found, 0 not a comment line, -1 error.
  int CollectComment(std::size_t& at, Line& line);
  bool SkipRestOfLine();

  HANDLE file_;
  std::size_t block_;
  std::vector<char> window_;
  std::size_t end_ = 0;          // bytes held
  std::size_t pos_ = 0;          // first byte not yet examined
  std::size_t copyFrom_ = 0;     // first byte not yet handed to the sink
  std::uint64_t base_ = 0;       // file offset of window_[0]
  std::uint64_t lineStart_ = 0;  // offset that counts as a line start (the last seek)
  std::uint64_t readHint_ = 0;
  bool eof_ = false;
  bool skipRest_ = false;  // the last NextLine returned the head of a longer line
  ByteSink* sink_ = nullptr;
  int error_ = 0;
};

}  // namespace booklet
