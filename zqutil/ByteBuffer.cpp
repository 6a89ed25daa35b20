#include "zqutil/ByteBuffer.h"

#include "zqutil/TamorException.h"

namespace {
constexpr const char* kSource = "zqutil/bytebuffer";
}

void ByteBuffer::setWithLpbyte(const void* data, std::size_t size) {
  if (data == nullptr && size != 0)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__, "ByteBuffer::setWithLpbyte", u"data");
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  bytes_.assign(bytes, bytes + size);
}

void ByteBuffer::append(const ByteBuffer& other) {
  // Copy first: `other` may be this buffer.
  std::vector<std::uint8_t> tail = other.bytes_;
  bytes_.insert(bytes_.end(), tail.begin(), tail.end());
}

void ByteBuffer::appendLpbyte(const void* data, std::size_t size) {
  if (size == 0) return;
  if (data == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__, "ByteBuffer::appendLpbyte", u"data");
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint8_t> tail(bytes, bytes + size);
  bytes_.insert(bytes_.end(), tail.begin(), tail.end());
}

void ByteBuffer::appendAscii(std::string_view text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void ByteBuffer::appendDword(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t ByteBuffer::getDword(std::size_t offset) const {
  if (offset > bytes_.size() || bytes_.size() - offset < 4) {
    CXString detail;
    detail.Format(u"offset %zu of %zu bytes", offset, bytes_.size());
    TamorThrow<ExceptionIndexOutOfRange>(kSource, __LINE__, "ByteBuffer::getDword", detail);
  }
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes_[offset + static_cast<std::size_t>(i)];
  return value;
}

std::uint32_t ByteBuffer::getAsLongValue() const {
  std::uint32_t value = 0;
  std::size_t n = bytes_.size() < 4 ? bytes_.size() : 4;
  for (std::size_t i = n; i > 0; --i) value = (value << 8) | bytes_[i - 1];
  return value;
}

CXString ByteBuffer::getAsStringValue() const {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes_.size(); i += 2) {
    auto unit = static_cast<char16_t>(bytes_[i] | (bytes_[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return CXString(std::move(text));
}

ByteBuffer ByteBuffer::createFromLongValue(std::uint32_t value) {
  ByteBuffer buffer;
  buffer.appendDword(value);
  return buffer;
}

ByteBuffer ByteBuffer::createFromStringValue(const CXString& text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.GetLength() * 2 + 2);
  for (char16_t unit : text.str()) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return ByteBuffer(std::move(bytes));
}
