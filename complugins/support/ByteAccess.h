// Little-endian reads and writes of 16- and 32-bit fields in byte buffers that
// come from outside (devmodes, escape buffers). Callers check the bounds; these
// only keep the accesses free of alignment and aliasing trouble.
#pragma once

#include <cstdint>
#include <cstring>

namespace bytes {

inline std::uint16_t Read16(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::uint32_t Read32(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
inline void Write16(void* p, std::uint16_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  b[0] = static_cast<std::uint8_t>(v);
  b[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Write32(void* p, std::uint32_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The private escapes that answer with a status write it to the caller's
// buffer: 32 bits, but never beyond the cjOut bytes given.
inline void WriteEscapeStatus(void* out, std::uint32_t outSize, std::uint32_t status) {
  if (out == nullptr || outSize == 0) return;
  std::uint8_t value[4];
  Write32(value, status);
  std::memcpy(out, value, outSize < 4 ? outSize : 4);
}

}  // namespace bytes
