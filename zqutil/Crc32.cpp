#include "zqutil/Crc32.h"

#include <array>

#include "zqutil/TamorException.h"

namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x77073096u && kTable[255] == 0x2D02EF8Du);

}  // namespace

std::uint32_t Crc32::GetCrc(const void* data, std::size_t length, std::uint32_t previous) {
  if (length == 0) return previous;
  if (data == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>("zqutil/crc32", __LINE__, "Crc32::GetCrc", u"data");
  // The final inversion of the previous result is undone first, so a CRC
  // continues exactly where the earlier one stopped.
  std::uint32_t crc = ~previous;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < length; ++i) crc = kTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}
