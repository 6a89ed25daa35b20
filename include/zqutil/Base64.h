// Base64: the RFC 4648 encoding with the standard alphabet and '=' padding.
//
// Decode is strict: the text must be a whole number of four-character groups,
// padding only at the end, no characters outside the alphabet (no blanks or
// line breaks), and the unused bits of the last group zero. Anything else
// throws ExceptionInvalidData naming the offending position.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class Base64 {
 public:
  static std::string Encode(const void* data, std::size_t length);
  static std::string Encode(const ByteBuffer& data) { return Encode(data.getLpbyte(), data.size()); }
  static CXString EncodeToString(const void* data, std::size_t length);

  static ByteBuffer Decode(std::string_view text);
  static ByteBuffer Decode(const CXString& text);
  // As Decode, but answers false (and leaves `out` empty) instead of throwing.
  static bool TryDecode(std::string_view text, ByteBuffer& out);
};
