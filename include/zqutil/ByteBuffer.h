// ByteBuffer: an owned byte array, the value type of the PDEV state store, of
// devmode entries and of injection entries.
//
// Long values are 4 bytes little-endian. String values are UTF-16LE units
// followed by a zero unit (length x 2 + 2 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zqutil/CXString.h"

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const void* data, std::size_t size) { setWithLpbyte(data, size); }
  explicit ByteBuffer(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  void setWithLpbyte(const void* data, std::size_t size);
  void append(const ByteBuffer& other);
  void appendLpbyte(const void* data, std::size_t size);
  void appendAscii(std::string_view text);
  void appendByte(std::uint8_t value) { bytes_.push_back(value); }
  void appendDword(std::uint32_t value);
  void clear() { bytes_.clear(); }
  void resize(std::size_t size) { bytes_.resize(size); }

  const std::uint8_t* getLpbyte() const { return bytes_.data(); }
  std::uint8_t* getLpbyte() { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  // DWORD at a byte offset; throws ExceptionIndexOutOfRange when it does not fit.
  std::uint32_t getDword(std::size_t offset = 0) const;
  // First four bytes as a little-endian value; shorter buffers read the bytes
  // they have (missing high bytes are zero), an empty buffer reads 0.
  std::uint32_t getAsLongValue() const;
  // UTF-16LE text up to the first zero unit or the end (an odd last byte is ignored).
  CXString getAsStringValue() const;

  static ByteBuffer createFromLongValue(std::uint32_t value);
  static ByteBuffer createFromStringValue(const CXString& text);

  friend bool operator==(const ByteBuffer& a, const ByteBuffer& b) { return a.bytes_ == b.bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};
