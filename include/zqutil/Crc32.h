// Crc32: the standard reflected CRC-32 (polynomial 0xEDB88320, initial value
// and final mask 0xFFFFFFFF), as used by zip and PNG.
//
// A result can be continued over more data: GetCrc(b, nb, GetCrc(a, na)) equals
// the CRC of a followed by b, so a fingerprint can span values read separately.
#pragma once

#include <cstddef>
#include <cstdint>

class Crc32 {
 public:
  // CRC of `length` bytes at `data`, continuing from `previous` (0 starts a new
  // CRC). A null `data` with a non-zero length throws ExceptionInvalidArgumentNullPointer.
  static std::uint32_t GetCrc(const void* data, std::size_t length, std::uint32_t previous = 0);
};
