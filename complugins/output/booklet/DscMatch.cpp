#include "output/booklet/DscMatch.h"

#include <cstdint>

#include "output/booklet/BookletGeometry.h"

namespace booklet {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsCaseBlind(std::string_view line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Lower(line[i]) != Lower(prefix[i])) return false;
  return true;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

// A number as atoi reads it (sign and digits, saturated to the int range);
// `at` moves past it and past a fraction, whose digits are not kept.
std::int64_t ReadNumber(std::string_view text, std::size_t& at) {
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  std::int64_t value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    if (value < INT32_MAX) value = value * 10 + (text[at] - '0');
    ++at;
  }
  if (value > INT32_MAX) value = INT32_MAX;
  while (at < text.size() && (text[at] == '.' || (text[at] >= '0' && text[at] <= '9'))) ++at;
  return negative ? -value : value;
}

}  // namespace

bool MatchDscLine(std::string_view keyword, std::string_view line) {
  if (line.substr(0, keyword.size()) != keyword) return false;
  if (keyword == kBeginDocument) return true;
  return SkipBlanks(line, keyword.size()) == line.size();
}

bool IsSeparatorLine(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && IsLineIndent(line[at])) ++at;
  return MatchDscLine(kSeparatorEnd, line.substr(at));
}

bool IsPageLine(std::string_view line) {
  return StartsCaseBlind(line, "%%Page:");
}

bool IsPsAdobeLine(std::string_view line) {
  return StartsCaseBlind(line, "%!PS-Adobe-");
}

std::uint32_t FindPageSize(std::string_view line) {
  line = line.substr(0, line.find('\0'));
  const std::size_t key = line.find("/PageSize");
  if (key == std::string_view::npos) return 0;
  const std::size_t open = line.find('[', key + 9);
  if (open == std::string_view::npos) return 0;
  std::size_t at = SkipBlanks(line, open + 1);
  const std::int64_t width = ReadNumber(line, at);
  at = SkipBlanks(line, at);
  const std::int64_t height = ReadNumber(line, at);
  at = SkipBlanks(line, at);
  if (at >= line.size() || line[at] != ']') return 0;
  if (width <= 0 || height <= 0 || (width & 0xFFFF) == 0 || (height & 0xFFFF) == 0) return 0;
  return PackPageSize(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
}

}  // namespace booklet
