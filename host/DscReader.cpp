#include "DscReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "JobFile.h"
#include "System.h"
#include "zqutil/LineScan.h"

namespace renps {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The comment without its line end: "%%Page: 1 1\r\n" -> "%%Page: 1 1".
std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// The comment `keyword` alone or followed by a blank and its arguments.
bool Is(std::string_view text, std::string_view keyword) {
  const std::string_view t = Trimmed(text);
  return t == keyword || (StartsWith(t, keyword) && (t[keyword.size()] == ' ' || t[keyword.size()] == '\t'));
}

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

// The length of the first line of s[0, n) with its line end (CR, LF or
// CR LF), or npos when no line end is there or a CR is the last byte and
// `final` is false (an LF may follow it).
std::size_t FirstLineLength(const char* s, std::size_t n, bool final) {
  const void* lf = std::memchr(s, '\n', n);
  const std::size_t lfAt = lf == nullptr ? n : static_cast<std::size_t>(static_cast<const char*>(lf) - s);
  const void* cr = std::memchr(s, '\r', lfAt);
  if (cr != nullptr) {
    const auto crAt = static_cast<std::size_t>(static_cast<const char*>(cr) - s);
    if (crAt + 1 < n) return crAt + (s[crAt + 1] == '\n' ? 2 : 1);
    return final ? crAt + 1 : npos;
  }
  return lf == nullptr ? npos : lfAt + 1;
}

// Where the next line that begins with '%' starts in s[0, n) (never at 0),
// or npos.
std::size_t NextPercentLine(const char* s, std::size_t n) {
  const char* found = LineScan::FindCommentStart(s, s + n);
  return found == s + n ? npos : static_cast<std::size_t>(found - s);
}

// The length of the whole lines of s[0, n), or 0 when it holds no line end
// (a CR at the very end counts only when `final`).
std::size_t WholeLinesLength(const char* s, std::size_t n, bool final) {
  const std::string_view text(s, n);
  if (const std::size_t lf = text.rfind('\n'); lf != npos) return lf + 1;
  const std::size_t limit = final ? n : n - 1;
  if (const std::size_t cr = text.substr(0, limit).rfind('\r'); cr != npos) return cr + 1;
  return 0;
}

// A count of a data block's comment: digits only, saturating.
std::optional<std::size_t> Count(std::string_view word) {
  if (word.empty()) return std::nullopt;
  std::size_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::size_t>(c - '0');
    value = value > (SIZE_MAX - digit) / 10 ? SIZE_MAX : value * 10 + digit;
  }
  return value;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (true) {
    at = text.find_first_not_of(" \t", at);
    if (at == npos) break;
    const std::size_t end = text.find_first_of(" \t", at);
    words.push_back(text.substr(at, end == npos ? npos : end - at));
    if (end == npos) break;
    at = end;
  }
  return words;
}

}  // namespace

DscReader::DscReader(std::FILE* file, std::string name) : file_(file), name_(std::move(name)) {
  const int fd = fileno(file);
  long long size = 0;
  if (sys::RegularFileSize(fd, size) && size > 0 && std::ftell(file) == 0) {
    fd_ = fd;
    fileSize_ = size;
  } else {
    block_.resize(kBlock);
    data_ = block_.data();
  }
}

DscReader::~DscReader() {
  sys::UnmapView(window_, windowLength_);
}

// The window from the page that holds the first unread byte on. A file cut
// short since it was opened ends where it ends now.
bool DscReader::MapNextWindow() {
  if (atEnd_) return false;
  static const auto kPage = static_cast<long long>(sys::MapAlignment());
  const long long position = windowOffset_ + static_cast<long long>(begin_);
  const long long start = position - position % kPage;
  if (const long long size = sys::CurrentSize(fd_); size >= 0 && size < fileSize_) fileSize_ = size;
  sys::UnmapView(window_, windowLength_);
  window_ = nullptr;
  data_ = nullptr;
  begin_ = end_ = 0;
  windowOffset_ = position;
  if (position >= fileSize_) {
    atEnd_ = true;
    return false;
  }
  const auto length = static_cast<std::size_t>(std::min<long long>(kWindow, fileSize_ - start));
  std::string why;
  const void* window = sys::MapView(fd_, start, length, why);
  if (window == nullptr) throw InputError(name_ + ": cannot read the document: " + why);
  window_ = window;
  windowLength_ = length;
  windowOffset_ = start;
  data_ = static_cast<const char*>(window);
  begin_ = static_cast<std::size_t>(position - start);
  end_ = length;
  atEnd_ = start + static_cast<long long>(length) >= fileSize_;
  return true;
}

bool DscReader::Refill() {
  if (fd_ >= 0) return MapNextWindow();
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(block_.data(), block_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == block_.size()) return false;
  const std::size_t wanted = block_.size() - end_;
  const std::size_t got = std::fread(block_.data() + end_, 1, wanted, file_);
  end_ += got;
  if (got < wanted) {
    if (std::ferror(file_)) throw InputError(name_ + ": cannot read the document: " + std::strerror(errno));
    atEnd_ = true;
  }
  return got > 0;
}

std::size_t DscReader::RawPieceLength() const {
  const char* s = data_ + begin_;
  const std::size_t n = std::min(end_ - begin_, kBlock);
  if (rawBytes_ > 0) return std::min(rawBytes_, n);
  // A counted number of lines: up to the end of the last of them.
  std::size_t at = 0;
  for (std::size_t lines = rawLines_; lines > 0 && at < n; --lines) {
    const std::size_t length = FirstLineLength(s + at, n - at, true);
    if (length == npos) return n;
    at += length;
  }
  return at;
}

std::size_t DscReader::PieceLength() const {
  const char* s = data_ + begin_;
  // A piece is at most a block long; when that much is there, or the file
  // has no more, what is there decides.
  const std::size_t n = std::min(end_ - begin_, kBlock);
  const bool final = atEnd_ || end_ - begin_ >= kBlock;
  if (atLineStart_ && s[0] == '%') {
    const std::size_t length = FirstLineLength(s, std::min(n, kMaxLine), final || n > kMaxLine);
    if (length != npos) return length;
    if (n >= kMaxLine) return kMaxLine;
    return final ? n : npos;
  }
  // Code: a run of lines up to the next line that may be a comment.
  if (const std::size_t comment = NextPercentLine(s, n); comment != npos) return comment;
  if (const std::size_t lines = WholeLinesLength(s, n, final); lines > 0) return lines;
  return final ? n : npos;
}

bool DscReader::Fetch(std::string_view& text, bool& whole) {
  begin_ += handedOut_;
  handedOut_ = 0;
  const bool raw = rawBytes_ > 0 || rawLines_ > 0;
  std::size_t length = npos;
  while (true) {
    if (begin_ < end_) length = raw ? RawPieceLength() : PieceLength();
    if (length != npos) break;
    if (!Refill() && begin_ == end_) return false;
  }
  const char* s = data_ + begin_;
  text = std::string_view(s, length);
  whole = atLineStart_;
  handedOut_ = length;
  atLineStart_ = IsLineEnd(s[length - 1]);
  if (rawBytes_ > 0) {
    rawBytes_ -= length;
  } else if (rawLines_ > 0) {
    for (std::size_t at = 0; at < length && rawLines_ > 0;) {
      const std::size_t line = FirstLineLength(s + at, length - at, true);
      if (line == npos || !IsLineEnd(s[at + line - 1])) break;
      at += line;
      --rawLines_;
    }
  }
  opaque_ = raw;
  return true;
}

void DscReader::ReadHeaderLine() {
  std::string_view text;
  bool whole = true;
  if (!Fetch(text, whole)) throw InputError(name_ + ": empty document");
  // A Ctrl-D before the document is what some drivers' print-to-file leaves.
  if (text[0] == '\x04') {
    handedOut_ = 1;
    atLineStart_ = true;
    if (!Fetch(text, whole)) throw InputError(name_ + ": empty document");
  }
  if (!StartsWith(text, "%!")) throw InputError(name_ + ":1: not a PostScript document (it does not start with %!)");
  eps_ = Trimmed(text).find("EPSF") != npos;
  conforming_ = StartsWith(text, "%!PS-Adobe-");
}

DscLine DscReader::Next() {
  // Comments that only open or close a part are not handed out; skip them in
  // a loop (a document of nothing but such comments must not recurse).
  for (;;) {
    std::string_view text;
    bool whole = true;
    if (state_ == State::Done || !Fetch(text, whole)) {
      state_ = State::Done;
      return DscLine{};
    }
    if (auto line = Classify(text, whole)) return std::move(*line);
  }
}

DscPart DscReader::ContentPart() const {
  switch (state_) {
    case State::Header:
    case State::Document:
      return sawSetupOrPage_ || prologEnded_ ? DscPart::Setup : DscPart::Prolog;
    case State::Defaults:
      return DscPart::Defaults;
    case State::Prolog:
      return DscPart::Prolog;
    case State::Setup:
      return DscPart::Setup;
    case State::PageComments:
    case State::Page:
      return DscPart::PageBody;
    case State::PageSetup:
      return DscPart::PageSetup;
    case State::PageTrailer:
      return DscPart::PageTrailer;
    default:
      return DscPart::Trailer;
  }
}

void DscReader::BeginData(std::string_view comment) {
  // %%BeginData: count [type [Bytes|Lines]], %%BeginBinary: count.
  const bool binary = Is(comment, "%%BeginBinary:");
  const std::string_view t = Trimmed(comment);
  const auto words = Words(t.substr(t.find(':') + 1));
  const auto count = words.empty() ? std::nullopt : Count(words[0]);
  if (!count) {
    dataEnd_ = binary ? "%%EndBinary" : "%%EndData";
  } else if (!binary && words.size() >= 3 && words[2] == "Lines") {
    rawLines_ = *count;
  } else {
    rawBytes_ = *count;
  }
}

std::optional<DscLine> DscReader::Classify(std::string_view text, bool whole) {
  const bool dsc = whole && StartsWith(text, "%%");
  auto line = [&](DscPart part, bool comment = false) {
    DscLine l;
    l.part = part;
    l.text = text;
    l.whole = whole;
    l.comment = comment;
    l.implicit = state_ == State::Document;
    return l;
  };
  // What embedded documents and data blocks hold is content of whatever part
  // holds them.
  auto enterContent = [&] {
    if (state_ == State::Header) state_ = State::Document;
    if (state_ == State::PageComments) state_ = State::Page;
  };
  if (opaque_) return line(ContentPart());
  if (!dataEnd_.empty()) {
    if (dsc && Is(text, dataEnd_)) dataEnd_.clear();
    return line(ContentPart());
  }
  if (embedded_ > 0) {
    if (dsc && Is(text, "%%BeginDocument:")) ++embedded_;
    if (dsc && Is(text, "%%EndDocument")) --embedded_;
    return line(ContentPart());
  }
  if (dsc && Is(text, "%%BeginDocument:")) {
    enterContent();
    ++embedded_;
    return line(ContentPart(), true);
  }
  if (dsc && (Is(text, "%%BeginData:") || Is(text, "%%BeginBinary:"))) {
    enterContent();
    BeginData(text);
    return line(ContentPart(), true);
  }

  // Comments that start a part, from any state but the data ones above.
  if (dsc) {
    if (Is(text, "%%Page:")) {
      state_ = State::PageComments;
      sawSetupOrPage_ = true;
      std::string_view label = Trimmed(text).substr(7);
      const auto first = label.find_first_not_of(" \t");
      label = first == npos ? std::string_view() : label.substr(first);
      // The label is everything but the ordinal (the last word).
      if (const auto last = label.find_last_of(" \t"); last != npos)
        label = label.substr(0, label.find_last_not_of(" \t", last) + 1);
      DscLine l = line(DscPart::PageStart, true);
      l.label = label;
      return l;
    }
    if (Is(text, "%%Trailer")) {
      state_ = State::Trailer;
      finished_ = true;
      return std::nullopt;
    }
    if (Is(text, "%%EOF")) {
      state_ = State::Done;
      finished_ = true;
      return DscLine{};
    }
  }

  switch (state_) {
    case State::Header:
      if (dsc && Is(text, "%%EndComments")) {
        state_ = State::Document;
        return std::nullopt;
      }
      // A header comment is '%' and a printable character other than a blank.
      if (whole && text.size() >= 2 && text[0] == '%' && text[1] > ' ' && text[1] < 0x7F &&
          !(dsc && (Is(text, "%%BeginDefaults") || Is(text, "%%BeginProlog") || Is(text, "%%BeginSetup"))))
        return line(DscPart::Header, dsc);
      state_ = State::Document;
      return Classify(text, whole);
    case State::Document:
      if (dsc && Is(text, "%%BeginDefaults")) {
        state_ = State::Defaults;
        return std::nullopt;
      }
      if (dsc && Is(text, "%%BeginProlog")) {
        state_ = State::Prolog;
        return std::nullopt;
      }
      if (dsc && Is(text, "%%BeginSetup")) {
        state_ = State::Setup;
        sawSetupOrPage_ = true;
        return std::nullopt;
      }
      if (dsc &&
          (Is(text, "%%EndProlog") || Is(text, "%%EndSetup") || Is(text, "%%EndDefaults") || Is(text, "%%EndComments")))
        return std::nullopt;  // a stray end: the driver writes its own
      return line(ContentPart(), dsc);
    case State::Defaults:
      if (dsc && Is(text, "%%EndDefaults")) {
        state_ = State::Document;
        return std::nullopt;
      }
      return line(DscPart::Defaults, dsc);
    case State::Prolog:
      if (dsc && Is(text, "%%EndProlog")) {
        state_ = State::Document;
        prologEnded_ = true;
        return std::nullopt;
      }
      return line(DscPart::Prolog, dsc);
    case State::Setup:
      if (dsc && Is(text, "%%EndSetup")) {
        state_ = State::Document;
        return std::nullopt;
      }
      return line(DscPart::Setup, dsc);
    case State::PageComments:
      if (dsc && Is(text, "%%BeginPageSetup")) {
        state_ = State::PageSetup;
        return std::nullopt;
      }
      if (dsc && !Is(text, "%%PageTrailer") && !Is(text, "%%BeginObject:")) return line(DscPart::PageComment, true);
      state_ = State::Page;
      return Classify(text, whole);
    case State::PageSetup:
      if (dsc && Is(text, "%%EndPageSetup")) {
        state_ = State::Page;
        return std::nullopt;
      }
      return line(DscPart::PageSetup, dsc);
    case State::Page:
      if (dsc && Is(text, "%%PageTrailer")) {
        state_ = State::PageTrailer;
        return std::nullopt;
      }
      return line(DscPart::PageBody, dsc);
    case State::PageTrailer:
      return line(DscPart::PageTrailer, dsc);
    case State::Trailer:
      return line(DscPart::Trailer, dsc);
    case State::Done:
      break;
  }
  return DscLine{};
}

}  // namespace renps
