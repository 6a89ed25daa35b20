#include "DscReader.h"

#include "JobFile.h"

namespace renps {
namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// The comment keyword without the line end: "%%Page: 1 1\r\n" -> "%%Page: 1 1".
std::string Trimmed(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
  return text.substr(0, end);
}

bool Is(const std::string& text, const char* keyword) {
  const std::string t = Trimmed(text);
  return t == keyword || (StartsWith(t, keyword) && (t[std::char_traits<char>::length(keyword)] == ' ' ||
                                                     t[std::char_traits<char>::length(keyword)] == '\t'));
}

}  // namespace

DscReader::DscReader(std::FILE* file, std::string name) : file_(file), name_(std::move(name)) {}

bool DscReader::ReadRaw(std::string& text, bool& whole) {
  text.clear();
  whole = atLineStart_;
  int c = 0;
  while (text.size() < kMaxLine && (c = std::fgetc(file_)) != EOF) {
    text.push_back(static_cast<char>(c));
    if (c == '\n') break;
    if (c == '\r') {
      // A lone CR ends a line too (old Mac files); CR LF stays one line end.
      const int next = std::fgetc(file_);
      if (next == '\n')
        text.push_back('\n');
      else if (next != EOF)
        std::ungetc(next, file_);
      break;
    }
  }
  if (text.empty()) return false;
  const char last = text.back();
  atLineStart_ = last == '\n' || last == '\r' || c == EOF;
  if (whole) ++lineNumber_;
  return true;
}

void DscReader::ReadHeaderLine() {
  std::string text;
  bool whole = true;
  if (!ReadRaw(text, whole)) throw InputError(name_ + ": empty document");
  if (!StartsWith(text, "%!PS"))
    throw InputError(name_ + ":1: not a DSC-conforming PostScript document (it does not start with %!PS-Adobe)");
}

DscLine DscReader::Next() {
  // Comments that only open or close a part are not handed out; skip them in
  // a loop (a document of nothing but such comments must not recurse).
  for (;;) {
    std::string text;
    bool whole = true;
    if (state_ == State::Done || !ReadRaw(text, whole)) {
      state_ = State::Done;
      return {DscPart::End, "", true, ""};
    }
    if (auto line = Classify(std::move(text), whole)) return std::move(*line);
  }
}

std::optional<DscLine> DscReader::Classify(std::string text, bool whole) {
  auto line = [&](DscPart part) { return DscLine{part, std::move(text), whole, ""}; };
  const bool comment = whole && StartsWith(text, "%%");

  // Embedded documents and data blocks are content of whatever part holds them.
  auto contentPart = [&]() {
    switch (state_) {
      case State::Header:
      case State::Document:
        return sawSetupOrPage_ ? DscPart::Setup : DscPart::Prolog;
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
  };
  if (!dataEnd_.empty()) {
    if (comment && Is(text, dataEnd_.c_str())) dataEnd_.clear();
    return line(contentPart());
  }
  if (embedded_ > 0) {
    if (comment && Is(text, "%%BeginDocument:")) ++embedded_;
    if (comment && Is(text, "%%EndDocument")) --embedded_;
    return line(contentPart());
  }
  if (comment && Is(text, "%%BeginDocument:")) {
    if (state_ == State::Header || state_ == State::PageComments)
      state_ = state_ == State::Header ? State::Document : State::Page;
    ++embedded_;
    return line(contentPart());
  }
  if (comment && (Is(text, "%%BeginData:") || Is(text, "%%BeginBinary:"))) {
    dataEnd_ = Is(text, "%%BeginData:") ? "%%EndData" : "%%EndBinary";
    if (state_ == State::Header || state_ == State::PageComments)
      state_ = state_ == State::Header ? State::Document : State::Page;
    return line(contentPart());
  }

  // Comments that start a part, from any state but the data ones above.
  if (comment) {
    if (Is(text, "%%Page:")) {
      state_ = State::PageComments;
      sawSetupOrPage_ = true;
      std::string label = Trimmed(text).substr(7);
      const auto first = label.find_first_not_of(" \t");
      label = first == std::string::npos ? "" : label.substr(first);
      // The label is everything but the ordinal (the last word).
      const auto last = label.find_last_of(" \t");
      if (last != std::string::npos) label = label.substr(0, label.find_last_not_of(" \t", last) + 1);
      return DscLine{DscPart::PageStart, std::move(text), true, label};
    }
    if (Is(text, "%%Trailer")) {
      state_ = State::Trailer;
      return std::nullopt;
    }
    if (Is(text, "%%EOF")) {
      state_ = State::Done;
      return DscLine{DscPart::End, "", true, ""};
    }
  }

  switch (state_) {
    case State::Header:
      if (comment && Is(text, "%%EndComments")) {
        state_ = State::Document;
        return std::nullopt;
      }
      if (whole && (StartsWith(text, "%%") || StartsWith(text, "%!")) && !Is(text, "%%BeginDefaults") &&
          !Is(text, "%%BeginProlog") && !Is(text, "%%BeginSetup"))
        return line(DscPart::Header);
      state_ = State::Document;
      return Classify(std::move(text), whole);
    case State::Document:
      if (comment && Is(text, "%%BeginDefaults")) {
        state_ = State::Defaults;
        return std::nullopt;
      }
      if (comment && Is(text, "%%BeginProlog")) {
        state_ = State::Prolog;
        return std::nullopt;
      }
      if (comment && Is(text, "%%BeginSetup")) {
        state_ = State::Setup;
        sawSetupOrPage_ = true;
        return std::nullopt;
      }
      if (comment && (Is(text, "%%EndProlog") || Is(text, "%%EndSetup") || Is(text, "%%EndDefaults")))
        return std::nullopt;  // a stray end: the driver writes its own
      return line(prologEnded_ || sawSetupOrPage_ ? DscPart::Setup : DscPart::Prolog);
    case State::Defaults:
      if (comment && Is(text, "%%EndDefaults")) {
        state_ = State::Document;
        return std::nullopt;
      }
      return line(DscPart::Defaults);
    case State::Prolog:
      if (comment && Is(text, "%%EndProlog")) {
        state_ = State::Document;
        prologEnded_ = true;
        return std::nullopt;
      }
      return line(DscPart::Prolog);
    case State::Setup:
      if (comment && Is(text, "%%EndSetup")) {
        state_ = State::Document;
        return std::nullopt;
      }
      return line(DscPart::Setup);
    case State::PageComments:
      if (comment && Is(text, "%%BeginPageSetup")) {
        state_ = State::PageSetup;
        return std::nullopt;
      }
      if (comment && Is(text, "%%EndPageComments")) return line(DscPart::PageComment);
      if (comment && !Is(text, "%%PageTrailer") && !Is(text, "%%BeginObject:")) return line(DscPart::PageComment);
      state_ = State::Page;
      return Classify(std::move(text), whole);
    case State::PageSetup:
      if (comment && Is(text, "%%EndPageSetup")) {
        state_ = State::Page;
        return std::nullopt;
      }
      return line(DscPart::PageSetup);
    case State::Page:
      if (comment && Is(text, "%%PageTrailer")) {
        state_ = State::PageTrailer;
        return std::nullopt;
      }
      return line(DscPart::PageBody);
    case State::PageTrailer:
      return line(DscPart::PageTrailer);
    case State::Trailer:
      return line(DscPart::Trailer);
    case State::Done:
      break;
  }
  return DscLine{DscPart::End, "", true, ""};
}

}  // namespace renps
