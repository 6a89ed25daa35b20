// The plug-in's private devmode section as the driver's user interface writes
// it: find the section behind the PostScript driver's private part, read its
// entries, and put an entry in with the count and the CRC made right again.
//
// Layout (little-endian, 3056 bytes): 0 size, 4 signature 0x544D4B56,
// 8 version 1, 12 payload size 3000, 16..55 zero, 56 CRC-32 over the 2996
// bytes from 60, 60 16-bit entry count, from 62 the entries (16-bit id,
// 16-bit length, bytes) in ascending id order, zero to the end.
//
// Every read is checked against the bytes given; a malformed section is
// reported, never trusted. The CRC is computed here on its own (the standard
// reflected CRC-32) so that a fault in the plug-in's CRC cannot hide behind
// the same code on both sides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace driversim {

inline constexpr std::size_t kOemSectionSize = 3056;
inline constexpr std::uint32_t kOemSectionSignature = 0x544D4B56;
inline constexpr std::uint32_t kOemSectionVersion = 1;
inline constexpr std::uint32_t kOemSectionPayloadSize = 3000;
inline constexpr std::size_t kOemSectionCrcOffset = 56;
inline constexpr std::size_t kOemSectionCountOffset = 60;
inline constexpr std::size_t kOemSectionEntriesOffset = 62;
inline constexpr std::size_t kOemSectionEntrySpace = kOemSectionSize - kOemSectionEntriesOffset;  // 2994

struct OemSectionEntry {
  std::uint16_t id = 0;
  std::vector<std::uint8_t> bytes;
};

// Standard reflected CRC-32 (polynomial 0xEDB88320), "123456789" -> 0xCBF43926.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

// The CRC the section should carry (over the 2996 bytes from offset 60).
std::uint32_t ComputeOemSectionCrc(std::span<const std::uint8_t> section);

// The entries of a section, or nullopt with a reason in *error when the
// header, the CRC or an entry head does not hold.
std::optional<std::vector<OemSectionEntry>> ReadOemSectionEntries(std::span<const std::uint8_t> section,
                                                                  std::string* error = nullptr);

// Puts entry `id` into the section (replacing one with the same id), rewrites
// the count, the entries in ascending order and the CRC. Returns false and
// leaves the section unchanged when it is not a valid section or the entries
// would not fit in the 2994 bytes.
bool WriteOemSectionEntry(std::span<std::uint8_t> section, std::uint16_t id, std::span<const std::uint8_t> bytes,
                          std::string* error = nullptr);

// Offset of the plug-in section from the start of the devmode, found as the
// plug-in finds it: through the 16-bit offset at byte 114 of the driver's
// private part when dmDriverExtra >= 117, else through byte 8. Nullopt when
// no valid section is there.
std::optional<std::size_t> FindOemSection(std::span<const std::uint8_t> devmode);

}  // namespace driversim
