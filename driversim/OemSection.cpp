#include "OemSection.h"

#include <algorithm>
#include <array>

namespace driversim {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr auto kCrcTable = MakeCrcTable();

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

bool Fail(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
  return false;
}

bool CheckHeader(std::span<const std::uint8_t> section, std::string* error) {
  if (section.size() < kOemSectionSize) return Fail(error, "section shorter than 3056 bytes");
  if (Get32(section, 0) != kOemSectionSize) return Fail(error, "size field is not 3056");
  if (Get32(section, 4) != kOemSectionSignature) return Fail(error, "signature is not 0x544D4B56");
  return true;
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t ComputeOemSectionCrc(std::span<const std::uint8_t> section) {
  if (section.size() < kOemSectionSize) return 0;
  return Crc32(section.data() + kOemSectionCountOffset, kOemSectionSize - kOemSectionCountOffset);
}

std::optional<std::vector<OemSectionEntry>> ReadOemSectionEntries(std::span<const std::uint8_t> section,
                                                                  std::string* error) {
  if (!CheckHeader(section, error)) return std::nullopt;
  const std::uint32_t crc = Get32(section, kOemSectionCrcOffset);
  const std::uint16_t count = Get16(section, kOemSectionCountOffset);
  // An all-zero payload is the cleared section: valid, without entries.
  if ((crc != 0 || count != 0) && crc != ComputeOemSectionCrc(section)) {
    Fail(error, "CRC does not match the payload");
    return std::nullopt;
  }
  std::vector<OemSectionEntry> entries;
  std::size_t at = kOemSectionEntriesOffset;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (at + 4 > kOemSectionSize) {
      Fail(error, "entry " + std::to_string(i) + " head lies outside the section");
      return std::nullopt;
    }
    const std::uint16_t id = Get16(section, at);
    const std::uint16_t length = Get16(section, at + 2);
    if (at + 4 + length > kOemSectionSize) {
      Fail(error, "entry " + std::to_string(id) + " runs past the end of the section");
      return std::nullopt;
    }
    entries.push_back({id, std::vector<std::uint8_t>(section.begin() + at + 4, section.begin() + at + 4 + length)});
    at += 4 + length;
  }
  return entries;
}

bool WriteOemSectionEntry(std::span<std::uint8_t> section, std::uint16_t id, std::span<const std::uint8_t> bytes,
                          std::string* error) {
  auto entries = ReadOemSectionEntries(section, error);
  if (!entries) return false;
  if (bytes.size() > 0xFFFF) return Fail(error, "entry longer than 65535 bytes");
  auto same = std::find_if(entries->begin(), entries->end(), [id](const auto& e) { return e.id == id; });
  if (same != entries->end())
    same->bytes.assign(bytes.begin(), bytes.end());
  else
    entries->push_back({id, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
  std::stable_sort(entries->begin(), entries->end(), [](const auto& a, const auto& b) { return a.id < b.id; });

  std::size_t needed = 0;
  for (const auto& e : *entries) needed += 4 + e.bytes.size();
  if (needed > kOemSectionEntrySpace)
    return Fail(error, "entries need " + std::to_string(needed) + " bytes, the section holds " +
                           std::to_string(kOemSectionEntrySpace));

  std::fill(section.begin() + kOemSectionCrcOffset, section.begin() + kOemSectionSize, std::uint8_t{0});
  Put16(section, kOemSectionCountOffset, static_cast<std::uint16_t>(entries->size()));
  std::size_t at = kOemSectionEntriesOffset;
  for (const auto& e : *entries) {
    Put16(section, at, e.id);
    Put16(section, at + 2, static_cast<std::uint16_t>(e.bytes.size()));
    std::copy(e.bytes.begin(), e.bytes.end(), section.begin() + at + 4);
    at += 4 + e.bytes.size();
  }
  Put32(section, kOemSectionCrcOffset, ComputeOemSectionCrc(section));
  return true;
}

std::optional<std::size_t> FindOemSection(std::span<const std::uint8_t> devmode) {
  constexpr std::size_t kDmSize = 68, kDmDriverExtra = 70;
  if (devmode.size() < kDmDriverExtra + 2) return std::nullopt;
  const std::size_t publicSize = Get16(devmode, kDmSize);
  const std::size_t extra = Get16(devmode, kDmDriverExtra);
  if (publicSize + extra > devmode.size()) return std::nullopt;
  auto privatePart = devmode.subspan(publicSize, extra);
  auto candidate = [&](std::size_t offset) -> std::optional<std::size_t> {
    if (offset == 0 || extra <= offset + 12) return std::nullopt;
    if (Get32(privatePart, offset + 4) != kOemSectionSignature) return std::nullopt;
    if (extra < offset + Get32(privatePart, offset)) return std::nullopt;
    return publicSize + offset;
  };
  if (extra >= 117) {
    if (auto found = candidate(Get16(privatePart, 114))) return found;
  }
  if (extra >= 11) return candidate(Get16(privatePart, 8));
  return std::nullopt;
}

}  // namespace driversim
