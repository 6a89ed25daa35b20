#include "zqutil/CXString.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "platform/text.h"

namespace {

// Collects formatted output and refuses everything past the buffer's room, so
// a huge width or precision costs no more than the buffer it is cut to.
class Sink {
 public:
  explicit Sink(std::size_t room) : room_(room) {}
  bool Full() const { return out_.size() >= room_; }
  void Put(char16_t c) {
    if (!Full()) out_.push_back(c);
  }
  void Repeat(char16_t c, std::size_t count) {
    std::size_t n = std::min(count, room_ - std::min(room_, out_.size()));
    out_.append(n, c);
  }
  void Append(std::u16string_view text) {
    std::size_t n = std::min(text.size(), room_ - std::min(room_, out_.size()));
    out_.append(text.substr(0, n));
  }
  std::u16string Take() { return std::move(out_); }

 private:
  std::size_t room_;
  std::u16string out_;
};

struct Directive {
  bool left = false;
  bool zero = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  std::size_t width = 0;
  bool hasPrecision = false;
  std::size_t precision = 0;
  enum class Length { kDefault, kChar, kShort, kLong, kLongLong, kSize, kWide } length = Length::kDefault;
};

// Widths beyond this are cut by the sink anyway; the cap keeps the arithmetic small.
constexpr std::size_t kMaxField = 1u << 20;

std::size_t ReadNumber(const char16_t*& p) {
  std::size_t n = 0;
  while (*p >= u'0' && *p <= u'9') {
    n = std::min<std::size_t>(n * 10 + static_cast<std::size_t>(*p - u'0'), kMaxField);
    ++p;
  }
  return n;
}

void PutPadded(Sink& sink, const Directive& field, std::u16string_view prefix, std::u16string_view body) {
  std::size_t length = prefix.size() + body.size();
  std::size_t pad = field.width > length ? field.width - length : 0;
  if (field.left) {
    sink.Append(prefix);
    sink.Append(body);
    sink.Repeat(u' ', pad);
  } else if (field.zero) {
    sink.Append(prefix);
    sink.Repeat(u'0', pad);
    sink.Append(body);
  } else {
    sink.Repeat(u' ', pad);
    sink.Append(prefix);
    sink.Append(body);
  }
}

std::u16string Widen(std::string_view narrow) {
  std::u16string out;
  out.reserve(narrow.size());
  for (char c : narrow) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

void FormatInteger(Sink& sink, Directive field, char16_t conversion, std::uint64_t magnitude, bool negative) {
  unsigned base = 10;
  if (conversion == u'x' || conversion == u'X') base = 16;
  if (conversion == u'o') base = 8;
  const char* digitsOf = conversion == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";

  char16_t reversed[64];
  std::size_t count = 0;
  for (std::uint64_t v = magnitude; v != 0; v /= base) reversed[count++] = static_cast<char16_t>(digitsOf[v % base]);
  std::u16string digits;
  std::size_t minimum = field.hasPrecision ? std::min(field.precision, kMaxField) : 1;
  if (count < minimum) digits.assign(minimum - count, u'0');
  for (std::size_t i = count; i > 0; --i) digits.push_back(reversed[i - 1]);

  std::u16string prefix;
  if (conversion == u'd' || conversion == u'i') {
    if (negative)
      prefix = u"-";
    else if (field.plus)
      prefix = u"+";
    else if (field.space)
      prefix = u" ";
  } else if (field.alternate && magnitude != 0) {
    if (base == 16) prefix = conversion == u'X' ? u"0X" : u"0x";
    if (base == 8 && (digits.empty() || digits.front() != u'0')) prefix = u"0";
  }
  if (field.hasPrecision) field.zero = false;  // as printf: a precision turns the 0 flag off
  PutPadded(sink, field, prefix, digits);
}

void FormatFloating(Sink& sink, Directive field, char16_t conversion, double value) {
  std::chars_format format = std::chars_format::fixed;
  char16_t lower = conversion | 0x20;
  if (lower == u'e') format = std::chars_format::scientific;
  if (lower == u'g') format = std::chars_format::general;
  int precision = field.hasPrecision ? static_cast<int>(std::min<std::size_t>(field.precision, 300)) : 6;
  if (lower == u'g' && precision == 0) precision = 1;

  // std::to_chars never looks at the locale, so the point is always '.'.
  char buffer[400];
  bool negative = std::signbit(value);
  double magnitude = negative ? -value : value;
  auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, format, precision);
  std::string text = result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
  if (field.alternate && text.find_first_of(".en") == std::string::npos) text += '.';
  if (conversion != lower)
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });

  std::u16string prefix = negative ? u"-" : field.plus ? u"+" : field.space ? u" " : u"";
  if (!std::isfinite(value)) field.zero = false;
  PutPadded(sink, field, prefix, Widen(text));
}

void FormatText(Sink& sink, Directive field, std::u16string_view text) {
  if (field.hasPrecision && field.precision < text.size()) text = text.substr(0, field.precision);
  field.zero = false;
  PutPadded(sink, field, u"", text);
}

std::u16string FormatInto(std::size_t bufferSize, const char16_t* format, va_list args) {
  if (bufferSize == 0 || format == nullptr) return {};
  Sink sink(bufferSize - 1);
  const char16_t* p = format;
  while (*p != 0 && !sink.Full()) {
    if (*p != u'%') {
      sink.Put(*p++);
      continue;
    }
    const char16_t* start = p++;
    if (*p == u'%') {
      sink.Put(u'%');
      ++p;
      continue;
    }
    Directive field;
    for (;; ++p) {
      if (*p == u'-')
        field.left = true;
      else if (*p == u'0')
        field.zero = true;
      else if (*p == u'+')
        field.plus = true;
      else if (*p == u' ')
        field.space = true;
      else if (*p == u'#')
        field.alternate = true;
      else
        break;
    }
    if (*p == u'*') {
      int width = va_arg(args, int);
      if (width < 0) {
        field.left = true;
        width = width == INT32_MIN ? INT32_MAX : -width;
      }
      field.width = std::min<std::size_t>(static_cast<std::size_t>(width), kMaxField);
      ++p;
    } else {
      field.width = ReadNumber(p);
    }
    if (*p == u'.') {
      ++p;
      field.hasPrecision = true;
      if (*p == u'*') {
        int precision = va_arg(args, int);
        field.hasPrecision = precision >= 0;
        field.precision = precision >= 0 ? std::min<std::size_t>(static_cast<std::size_t>(precision), kMaxField) : 0;
        ++p;
      } else {
        field.precision = ReadNumber(p);
      }
    }
    if (field.left) field.zero = false;

    // Length modifiers. 'l' is the Windows long, 32 bits, whatever the host's
    // long is: the callers pass LONG and DWORD values with it.
    if (p[0] == u'h' && p[1] == u'h') {
      field.length = Directive::Length::kChar;
      p += 2;
    } else if (*p == u'h') {
      field.length = Directive::Length::kShort;
      ++p;
    } else if (p[0] == u'l' && p[1] == u'l') {
      field.length = Directive::Length::kLongLong;
      p += 2;
    } else if (*p == u'l' || *p == u'w') {
      field.length = *p == u'w' ? Directive::Length::kWide : Directive::Length::kLong;
      ++p;
    } else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
      field.length = Directive::Length::kLongLong;
      p += 3;
    } else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') {
      field.length = Directive::Length::kLong;
      p += 3;
    } else if (*p == u'I' || *p == u'z' || *p == u't') {
      field.length = Directive::Length::kSize;
      ++p;
    } else if (*p == u'j' || *p == u'L') {
      field.length = Directive::Length::kLongLong;
      ++p;
    }

    const char16_t conversion = *p;
    switch (conversion) {
      case u'd':
      case u'i': {
        std::int64_t v;
        switch (field.length) {
          case Directive::Length::kLongLong:
            v = va_arg(args, long long);
            break;
          case Directive::Length::kSize:
            v = static_cast<std::int64_t>(va_arg(args, std::ptrdiff_t));
            break;
          case Directive::Length::kShort:
            v = static_cast<short>(va_arg(args, int));
            break;
          case Directive::Length::kChar:
            // %hhd: the argument is a signed char by definition.
            v = static_cast<signed char>(va_arg(args, int));  // NOLINT(bugprone-signed-char-misuse)
            break;
          default:
            v = va_arg(args, int);
            break;
        }
        std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        FormatInteger(sink, field, conversion, magnitude, v < 0);
        break;
      }
      case u'u':
      case u'x':
      case u'X':
      case u'o': {
        std::uint64_t v;
        switch (field.length) {
          case Directive::Length::kLongLong:
            v = va_arg(args, unsigned long long);
            break;
          case Directive::Length::kSize:
            v = va_arg(args, std::size_t);
            break;
          case Directive::Length::kShort:
            v = static_cast<unsigned short>(va_arg(args, unsigned));
            break;
          case Directive::Length::kChar:
            v = static_cast<unsigned char>(va_arg(args, unsigned));
            break;
          default:
            v = va_arg(args, unsigned);
            break;
        }
        FormatInteger(sink, field, conversion, v, false);
        break;
      }
      case u'p': {
        auto v = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
        field.hasPrecision = true;
        field.precision = sizeof(void*) * 2;
        FormatInteger(sink, field, u'X', v, false);
        break;
      }
      case u'f':
      case u'F':
      case u'e':
      case u'E':
      case u'g':
      case u'G':
        FormatFloating(sink, field, conversion, va_arg(args, double));
        break;
      case u'c':
      case u'C': {
        int v = va_arg(args, int);
        char16_t c = field.length == Directive::Length::kShort ? static_cast<char16_t>(static_cast<unsigned char>(v))
                                                               : static_cast<char16_t>(v);
        FormatText(sink, field, std::u16string_view(&c, 1));
        break;
      }
      case u's':
      case u'S': {
        if (field.length == Directive::Length::kShort || field.length == Directive::Length::kChar) {
          const char* narrow = va_arg(args, const char*);
          if (narrow == nullptr) {
            FormatText(sink, field, u"(null)");
          } else {
            // Read no further than the precision allows: the text need not be terminated then.
            std::size_t limit = field.hasPrecision ? field.precision : static_cast<std::size_t>(-1);
            std::size_t n = 0;
            while (n < limit && narrow[n] != 0) ++n;
            FormatText(sink, field, Widen(std::string_view(narrow, n)));
          }
        } else {
          const char16_t* wide = va_arg(args, const char16_t*);
          if (wide == nullptr) {
            FormatText(sink, field, u"(null)");
          } else {
            std::size_t limit = field.hasPrecision ? field.precision : static_cast<std::size_t>(-1);
            FormatText(sink, field, std::u16string_view(wide, platform::Length(wide, limit)));
          }
        }
        break;
      }
      case u'n':
        // Writing through a caller's pointer from a format is never wanted; the
        // argument is consumed so the ones after it stay in step.
        (void)va_arg(args, void*);
        break;
      default:
        // Not a conversion we know: written as it stands, no argument consumed.
        sink.Append(std::u16string_view(start, static_cast<std::size_t>(p - start) + (conversion != 0 ? 1 : 0)));
        break;
    }
    if (conversion == 0) break;
    ++p;
  }
  std::u16string out = sink.Take();
  // A cut must not leave the first half of a surrogate pair.
  if (out.size() == bufferSize - 1 && !out.empty() && out.back() >= 0xD800 && out.back() <= 0xDBFF) out.pop_back();
  return out;
}

char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool IsLatinUpper(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
}
bool IsLatinLower(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

}  // namespace

CXString::CXString(const char16_t* text) : text_(text != nullptr ? text : u"") {}

CXString::CXString(const char16_t* text, std::size_t length) {
  if (text != nullptr) text_.assign(text, length);
}

CXString::CXString(std::u16string text) : text_(std::move(text)) {}

CXString::CXString(std::u16string_view text) : text_(text) {}

CXString CXString::FromMultiByte(const char* text, std::size_t length) {
  if (text == nullptr) return CXString();
  if (length == npos) length = std::strlen(text);
  return CXString(Widen(std::string_view(text, length)));
}

CXString CXString::FromUtf8(std::string_view text) {
  return CXString(platform::FromUtf8(text));
}

void CXString::Format(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  text_ = FormatInto(kDefaultFormatBuffer, format, args);
  va_end(args);
}

void CXString::FormatV(const char16_t* format, va_list args, std::size_t bufferSize) {
  va_list copy;
  va_copy(copy, args);
  text_ = FormatInto(bufferSize, format, copy);
  va_end(copy);
}

void CXString::FormatSized(std::size_t bufferSize, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  text_ = FormatInto(bufferSize, format, args);
  va_end(args);
}

CXString CXString::Formatted(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  CXString result(FormatInto(kDefaultFormatBuffer, format, args));
  va_end(args);
  return result;
}

std::string CXString::GetAsMultiByte() const {
  std::string out;
  out.reserve(text_.size() + 1);
  for (char16_t c : text_) out.push_back(c < 256 ? static_cast<char>(static_cast<unsigned char>(c)) : '?');
  out.push_back('\0');
  return out;
}

std::string CXString::ToUtf8() const {
  return platform::ToUtf8(text_);
}

std::size_t CXString::Find(const char16_t* what, std::size_t start) const {
  if (what == nullptr || start > text_.size()) return npos;
  return text_.find(what, start);
}

std::size_t CXString::Find(char16_t what, std::size_t start) const {
  if (start >= text_.size()) return npos;
  return text_.find(what, start);
}

std::size_t CXString::Replace(const char16_t* what, const char16_t* with) {
  if (what == nullptr || *what == 0) return 0;
  std::u16string_view from(what);
  std::u16string_view to = with != nullptr ? std::u16string_view(with) : std::u16string_view();
  std::u16string out;
  std::size_t count = 0;
  std::size_t position = 0;
  for (std::size_t hit; (hit = text_.find(from, position)) != std::u16string::npos; position = hit + from.size()) {
    out.append(text_, position, hit - position);
    out.append(to);
    ++count;
  }
  if (count == 0) return 0;
  out.append(text_, position);
  text_ = std::move(out);
  return count;
}

std::size_t CXString::Replace(char16_t what, char16_t with) {
  std::size_t count = 0;
  for (char16_t& c : text_) {
    if (c == what) {
      c = with;
      ++count;
    }
  }
  return count;
}

std::size_t CXString::Remove(char16_t what) {
  std::size_t before = text_.size();
  std::erase(text_, what);
  return before - text_.size();
}

void CXString::Insert(std::size_t index, const char16_t* text) {
  if (text == nullptr) return;
  text_.insert(std::min(index, text_.size()), text);
}

void CXString::Delete(std::size_t index, std::size_t count) {
  if (index >= text_.size()) return;
  text_.erase(index, count);
}

CXString CXString::Mid(std::size_t first, std::size_t count) const {
  if (first >= text_.size()) return CXString();
  return CXString(text_.substr(first, count));
}

CXString CXString::Left(std::size_t count) const {
  return CXString(text_.substr(0, count));
}

CXString CXString::Right(std::size_t count) const {
  if (count >= text_.size()) return *this;
  return CXString(text_.substr(text_.size() - count));
}

void CXString::MakeLower() {
  for (char16_t& c : text_)
    if (IsLatinUpper(c)) c = static_cast<char16_t>(c + 32);
}

void CXString::MakeUpper() {
  for (char16_t& c : text_)
    if (IsLatinLower(c)) c = static_cast<char16_t>(c - 32);
}

void CXString::Trim() {
  std::size_t first = 0;
  while (first < text_.size() && IsBlank(text_[first])) ++first;
  std::size_t last = text_.size();
  while (last > first && IsBlank(text_[last - 1])) --last;
  text_ = text_.substr(first, last - first);
}

int CXString::Compare(const char16_t* other) const {
  int r = text_.compare(other != nullptr ? other : u"");
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CXString::CompareNoCase(const char16_t* other) const {
  std::u16string_view b = other != nullptr ? std::u16string_view(other) : std::u16string_view();
  std::size_t n = std::min(text_.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = AsciiLower(text_[i]);
    char16_t y = AsciiLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return text_.size() == b.size() ? 0 : text_.size() < b.size() ? -1 : 1;
}

bool CXString::IsContainNumericCharsOnly() const {
  return !text_.empty() && std::all_of(text_.begin(), text_.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

CXString& CXString::operator=(const char16_t* text) {
  text_ = text != nullptr ? text : u"";
  return *this;
}

CXString& CXString::operator+=(const CXString& other) {
  text_ += other.text_;
  return *this;
}

CXString& CXString::operator+=(const char16_t* text) {
  if (text != nullptr) text_ += text;
  return *this;
}

CXString& CXString::operator+=(char16_t c) {
  text_ += c;
  return *this;
}

CXString operator+(const CXString& a, const CXString& b) {
  return CXString(a.text_ + b.text_);
}
