#include "zqutil/Number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// The text without surrounding blanks, as ASCII; false when a unit is not ASCII.
bool TrimmedAscii(const CXString& text, std::string& out) {
  const std::u16string& s = text.str();
  std::size_t first = 0;
  std::size_t last = s.size();
  while (first < last && IsBlank(s[first])) ++first;
  while (last > first && IsBlank(s[last - 1])) --last;
  out.clear();
  for (std::size_t i = first; i < last; ++i) {
    if (s[i] >= 0x80) return false;
    out.push_back(static_cast<char>(s[i]));
  }
  return !out.empty();
}

}  // namespace

std::int64_t Number::GetInt64Value(double value, double roundingOffset) {
  if (std::isnan(value)) return 0;
  double shifted = value >= 0 ? value + roundingOffset : value - roundingOffset;
  double whole = std::trunc(shifted);
  constexpr double kHigh = 9223372036854774784.0;  // the largest double below 2^63
  if (whole >= kHigh) return std::numeric_limits<std::int64_t>::max();
  if (whole <= -kHigh) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(whole);
}

int Number::GetIntValue(double value, double roundingOffset) {
  std::int64_t v = GetInt64Value(value, roundingOffset);
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

bool Number::TryGetIntValue(const CXString& text, int& value) {
  value = 0;
  std::string ascii;
  if (!TrimmedAscii(text, ascii)) return false;
  const char* first = ascii.data();
  const char* last = first + ascii.size();
  if (*first == '+') ++first;  // from_chars takes '-' only
  if (first == last || (*first == '-' && ascii[0] == '+')) return false;
  int parsed = 0;
  auto result = std::from_chars(first, last, parsed, 10);
  if (result.ec != std::errc() || result.ptr != last) return false;
  value = parsed;
  return true;
}

int Number::GetIntValue(const CXString& text) {
  int value = 0;
  return TryGetIntValue(text, value) ? value : 0;
}

bool Number::TryGetDoubleValue(const CXString& text, double& value) {
  value = 0.0;
  std::string ascii;
  if (!TrimmedAscii(text, ascii)) return false;
  const char* first = ascii.data();
  const char* last = first + ascii.size();
  if (*first == '+') ++first;
  if (first == last || (*first == '-' && ascii[0] == '+')) return false;
  double parsed = 0.0;
  auto result = std::from_chars(first, last, parsed, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != last || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

double Number::GetDoubleValue(const CXString& text) {
  double value = 0.0;
  return TryGetDoubleValue(text, value) ? value : 0.0;
}

CXString Number::GetStringValue(std::int64_t value) {
  return CXString::Formatted(u"%lld", static_cast<long long>(value));
}

CXString Number::GetStringValue(double value, int decimals, double roundingOffset, bool trimZeros) {
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  std::int64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  std::int64_t scaled = GetInt64Value(value * static_cast<double>(scale), roundingOffset);
  bool negative = scaled < 0;
  std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::uint64_t whole = magnitude / static_cast<std::uint64_t>(scale);
  std::uint64_t fraction = magnitude % static_cast<std::uint64_t>(scale);

  CXString text = CXString::Formatted(u"%s%llu", negative ? u"-" : u"", static_cast<unsigned long long>(whole));
  if (decimals == 0) return text;
  CXString digits = CXString::Formatted(u"%0*llu", decimals, static_cast<unsigned long long>(fraction));
  if (trimZeros) {
    std::size_t keep = digits.GetLength();
    while (keep > 0 && digits.GetAt(keep - 1) == u'0') --keep;
    digits = digits.Left(keep);
  }
  if (!digits.IsEmpty()) {
    text += u'.';
    text += digits;
  }
  return text;
}
