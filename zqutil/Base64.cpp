#include "zqutil/Base64.h"

#include <array>
#include <cstdint>

#include "zqutil/TamorException.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> MakeReverse() {
  std::array<std::int8_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  return table;
}

constexpr std::array<std::int8_t, 256> kReverse = MakeReverse();

// Decodes into `out`; on failure returns the offset of the first bad
// character (or the text length for a bad length) and a reason.
bool DecodeInto(std::string_view text, std::vector<std::uint8_t>& out, std::size_t& badAt, const char16_t*& reason) {
  out.clear();
  if (text.size() % 4 != 0) {
    badAt = text.size();
    reason = u"length is not a multiple of 4";
    return false;
  }
  out.reserve(text.size() / 4 * 3);
  for (std::size_t group = 0; group < text.size(); group += 4) {
    bool last = group + 4 == text.size();
    std::uint32_t bits = 0;
    int padding = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      char c = text[group + i];
      if (c == '=') {
        // Padding: only in the last group, only in its last two places, and
        // only followed by more padding.
        if (!last || i < 2) {
          badAt = group + i;
          reason = u"misplaced padding";
          return false;
        }
        ++padding;
        bits <<= 6;
        continue;
      }
      std::int8_t value = kReverse[static_cast<unsigned char>(c)];
      if (value < 0 || padding > 0) {
        badAt = group + i;
        reason = value < 0 ? u"character outside the alphabet" : u"data after padding";
        return false;
      }
      bits = (bits << 6) | static_cast<std::uint32_t>(value);
    }
    std::uint32_t unused = padding == 2 ? (bits & 0xFFFF) : padding == 1 ? (bits & 0xFF) : 0;
    if (unused != 0) {
      badAt = group + 3 - static_cast<std::size_t>(padding);
      reason = u"non-zero bits after the data";
      return false;
    }
    out.push_back(static_cast<std::uint8_t>(bits >> 16));
    if (padding < 2) out.push_back(static_cast<std::uint8_t>(bits >> 8));
    if (padding < 1) out.push_back(static_cast<std::uint8_t>(bits));
  }
  return true;
}

}  // namespace

std::string Base64::Encode(const void* data, std::size_t length) {
  if (length == 0) return {};
  if (data == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>("zqutil/base64", __LINE__, "Base64::Encode", u"data");
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::string out;
  out.reserve((length + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= length; i += 3) {
    std::uint32_t bits = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(bits >> shift) & 0x3F]);
  }
  if (length - i == 1) {
    std::uint32_t bits = bytes[i] << 16;
    out.push_back(kAlphabet[(bits >> 18) & 0x3F]);
    out.push_back(kAlphabet[(bits >> 12) & 0x3F]);
    out += "==";
  } else if (length - i == 2) {
    std::uint32_t bits = (bytes[i] << 16) | (bytes[i + 1] << 8);
    out.push_back(kAlphabet[(bits >> 18) & 0x3F]);
    out.push_back(kAlphabet[(bits >> 12) & 0x3F]);
    out.push_back(kAlphabet[(bits >> 6) & 0x3F]);
    out += "=";
  }
  return out;
}

CXString Base64::EncodeToString(const void* data, std::size_t length) {
  std::string text = Encode(data, length);
  return CXString::FromMultiByte(text.data(), text.size());
}

ByteBuffer Base64::Decode(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  std::size_t badAt = 0;
  const char16_t* reason = u"";
  if (!DecodeInto(text, bytes, badAt, reason)) {
    CXString detail;
    detail.Format(u"Base64 text of %zu characters: %s at offset %zu", text.size(), reason, badAt);
    TamorThrow<ExceptionInvalidData>("zqutil/base64", __LINE__, "Base64::Decode", detail);
  }
  return ByteBuffer(std::move(bytes));
}

ByteBuffer Base64::Decode(const CXString& text) {
  std::string narrow;
  narrow.reserve(text.GetLength());
  // A unit outside Latin-1 must not alias a valid character.
  for (char16_t c : text.str()) narrow.push_back(c < 128 ? static_cast<char>(c) : '\x80');
  return Decode(std::string_view(narrow));
}

bool Base64::TryDecode(std::string_view text, ByteBuffer& out) {
  std::vector<std::uint8_t> bytes;
  std::size_t badAt = 0;
  const char16_t* reason = u"";
  if (!DecodeInto(text, bytes, badAt, reason)) {
    out.clear();
    return false;
  }
  out = ByteBuffer(std::move(bytes));
  return true;
}
