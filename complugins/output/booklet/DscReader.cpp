#include "output/booklet/DscReader.h"

#include "zqutil/LineScan.h"

#include <algorithm>
#include <cstring>

#include "output/booklet/DscMatch.h"

namespace booklet {

namespace {

// Bytes kept before the examined position when the window moves on, so that
// an indented "%" can still see the start of its line.
constexpr std::size_t kHistory = 64;

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// The first CR or LF in [from, to), or null.
const char* FindLineEnd(const char* from, const char* to) {
  const auto* lf = static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(to - from)));
  const char* limit = lf != nullptr ? lf : to;
  const auto* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<std::size_t>(limit - from)));
  return cr != nullptr ? cr : lf;
}

}  // namespace

DscReader::DscReader(HANDLE file, std::size_t blockSize)
    : file_(file), block_(std::max<std::size_t>(blockSize, 1)), window_(block_ + 2 * (kLineView + 1) + kHistory) {}

bool DscReader::Seek(std::uint64_t offset) {
  skipRest_ = false;
  lineStart_ = offset;
  if (offset >= base_ && offset <= base_ + end_) {
    pos_ = copyFrom_ = static_cast<std::size_t>(offset - base_);
    return true;
  }
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(0);
  const DWORD low = SetFilePointer(file_, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != 0) return false;
  base_ = offset;
  end_ = pos_ = copyFrom_ = 0;
  eof_ = false;
  return true;
}

bool DscReader::FlushCopy(std::size_t upTo) {
  if (sink_ == nullptr || copyFrom_ >= upTo) {
    copyFrom_ = std::max(copyFrom_, upTo);
    return true;
  }
  const int result = sink_->Write(window_.data() + copyFrom_, upTo - copyFrom_);
  copyFrom_ = upTo;
  if (result < 0) {
    error_ = result;
    return false;
  }
  return true;
}

// Makes `count` bytes from index `at` available unless the file ends first.
// The window may move towards its start: pos_ and copyFrom_ follow, and
// `shifted` tells the caller by how much its own indexes move.
bool DscReader::Ensure(std::size_t at, std::size_t count, std::size_t* shifted) {
  if (shifted != nullptr) *shifted = 0;
  if (end_ - at >= count || eof_) return true;
  if (!FlushCopy(at)) return false;
  const std::size_t keep = at > kHistory ? at - kHistory : 0;
  if (keep > 0) {
    std::memmove(window_.data(), window_.data() + keep, end_ - keep);
    end_ -= keep;
    at -= keep;
    pos_ -= std::min(pos_, keep);
    copyFrom_ -= std::min(copyFrom_, keep);
    base_ += keep;
    if (shifted != nullptr) *shifted = keep;
  }
  while (end_ - at < count && !eof_) {
    std::size_t room = std::min(block_, window_.size() - end_);
    // Stop at the hint (the end of the page being copied), unless more is needed to get there.
    const std::uint64_t next = base_ + end_;
    if (readHint_ > next && readHint_ - next < room && readHint_ - next >= count - (end_ - at))
      room = static_cast<std::size_t>(readHint_ - next);
    DWORD read = 0;
    if (!ReadFile(file_, window_.data() + end_, static_cast<DWORD>(room), &read, nullptr)) {
      error_ = kReadError;
      return false;
    }
    if (read == 0) eof_ = true;
    end_ += read;
  }
  return true;
}

bool DscReader::IsLineStart(std::size_t at) const {
  return base_ + at == lineStart_ || (at > 0 && IsLineEnd(window_[at - 1]));
}

bool DscReader::IsIndentedLineStart(std::size_t at) const {
  std::size_t i = at;
  while (i > 0 && IsLineIndent(window_[i - 1])) --i;
  if (i == at) return false;
  return IsLineStart(i);
}

int DscReader::CollectComment(std::size_t& at, Line& line) {
  // What is held is looked at first: reading ahead only when the line may go
  // on past it keeps the reads within the hint.
  std::size_t length = 0;
  for (int round = 0;; ++round) {
    const std::size_t available = std::min(end_ - at, kCommentLimit + 1);
    while (length < available && window_[at + length] != '\0' && !IsLineEnd(window_[at + length])) ++length;
    // Ahead are needed: the rest of a line not yet ended, or the byte after a CR.
    const std::size_t needed = length < available ? (window_[at + length] == '\r' ? length + 2 : 0)
                                                  : (available < kCommentLimit + 1 ? kCommentLimit + 1 : 0);
    if (round > 0 || needed == 0 || end_ - at >= needed || eof_) break;
    std::size_t shifted = 0;
    if (!Ensure(at, needed, &shifted)) return -1;
    at -= shifted;
  }
  const char* start = window_.data() + at;
  const std::size_t available = std::min(end_ - at, kCommentLimit + 1);
  std::size_t withEnd = length;
  if (length < available) {
    if (start[length] == '\0') return 0;
    withEnd = length + 1;
    if (start[length] == '\r' && at + withEnd < end_ && start[withEnd] == '\n') ++withEnd;
  } else if (!(eof_ && end_ - at <= kCommentLimit)) {
    return 0;  // longer than a comment line may be
  }
  if (withEnd > kCommentLimit) return 0;
  line.text = std::string_view(start, length);
  line.raw = std::string_view(start, withEnd);
  line.end = base_ + at + withEnd;
  return 1;
}

bool DscReader::SkipRestOfLine() {
  skipRest_ = false;
  for (;;) {
    if (pos_ >= end_) {
      if (!Ensure(pos_, 1)) return false;
      if (pos_ >= end_) return true;
    }
    const char* found = FindLineEnd(window_.data() + pos_, window_.data() + end_);
    if (found == nullptr) {
      pos_ = end_;
      continue;
    }
    pos_ = static_cast<std::size_t>(found - window_.data()) + 1;
    if (*found == '\r') {
      if (!Ensure(pos_, 1)) return false;
      if (pos_ < end_ && window_[pos_] == '\n') ++pos_;
    }
    return true;
  }
}

DscReader::Status DscReader::NextLine(Line& line) {
  sink_ = nullptr;
  if (skipRest_ && !SkipRestOfLine()) return Status::kError;
  if (!Ensure(pos_, kLineView + 2)) return Status::kError;
  if (pos_ >= end_) return Status::kEnd;
  const char* start = window_.data() + pos_;
  const std::size_t held = end_ - pos_;
  const std::size_t view = std::min(held, kLineView);
  const char* found = FindLineEnd(start, start + view);
  line.indented = false;
  if (found != nullptr) {
    const auto length = static_cast<std::size_t>(found - start);
    std::size_t withEnd = length + 1;
    if (*found == '\r' && withEnd < held && start[withEnd] == '\n') ++withEnd;
    line.text = std::string_view(start, length);
    line.raw = std::string_view(start, withEnd);
    line.end = base_ + pos_ + withEnd;
    pos_ += withEnd;
  } else if (held <= kLineView) {
    // The last line of the file, without a line end.
    line.text = line.raw = std::string_view(start, held);
    line.end = base_ + end_;
    pos_ = end_;
  } else {
    line.text = line.raw = std::string_view(start, view);
    line.end = 0;
    pos_ += view;
    skipRest_ = true;
  }
  copyFrom_ = pos_;
  return Status::kLine;
}

// The first "%" from pos_ on that may open a comment line: at a line start,
// or (with `withIndented`) followed by "!" or at the end of what is held.
// end_ when there is none. Most "%" in page data fail the test, so it runs
// on plain pointers.
std::size_t DscReader::FindCandidate(bool withIndented) const {
  const char* data = window_.data();
  const char* forced = lineStart_ >= base_ && lineStart_ - base_ < end_ ? data + (lineStart_ - base_) : nullptr;
  const char* from = data + pos_;
  const char* end = data + end_;
  if (from >= end) return end_;
  // The first byte has no previous byte in the window: only a seek's line
  // start or a "%!" makes it a candidate.
  if (pos_ == 0 && *from == '%' && (from == forced || (withIndented && (from + 1 == end || from[1] == '!')))) return 0;
  const char* found = LineScan::FindCommentStart(pos_ == 0 ? from : from - 1, end, withIndented);
  if (forced != nullptr && forced >= from && forced < found && *forced == '%') found = forced;
  return static_cast<std::size_t>(found - data);
}

DscReader::Status DscReader::NextComment(Line& line, ByteSink* copy, bool withIndented) {
  sink_ = copy;
  skipRest_ = false;
  copyFrom_ = pos_;
  for (;;) {
    if (pos_ >= end_) {
      if (!Ensure(pos_, 1)) return Status::kError;
      if (pos_ >= end_) return FlushCopy(pos_) ? Status::kEnd : Status::kError;
    }
    const std::size_t at0 = FindCandidate(withIndented);
    if (at0 == end_) {
      pos_ = end_;
      continue;
    }
    std::size_t at = at0;
    const bool start = IsLineStart(at);
    bool indented = false;
    if (!start && withIndented) {
      // Only the separator line is wanted indented, and it starts with "%!".
      if (at + 1 >= end_ && !eof_) {
        std::size_t shifted = 0;
        if (!Ensure(at, 2, &shifted)) return Status::kError;
        at -= shifted;
      }
      indented = at + 1 < end_ && window_[at + 1] == '!' && IsIndentedLineStart(at);
    }
    if (start || indented) {
      const int collected = CollectComment(at, line);
      if (collected < 0) return Status::kError;
      if (collected > 0) {
        if (!FlushCopy(at)) return Status::kError;
        line.indented = indented;
        pos_ = copyFrom_ = at + line.raw.size();
        return Status::kLine;
      }
    }
    pos_ = at + 1;
  }
}

}  // namespace booklet
