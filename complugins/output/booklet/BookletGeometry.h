// Booklet arithmetic without I/O: which source page goes to which pagelet
// position, how far each sheet's pagelets creep towards the fold, and the
// packed page sizes the scan records.
//
// Positions count from 1. Positions 2k-1 and 2k form sheet side k: pagelet 1
// on the left, pagelet 2 on the right before any rotation. Four positions make
// one sheet (two sides).
#pragma once

#include <cstdint>

namespace booklet {

enum class SideOrder : std::uint32_t {
  kNormal = 1,    // the first side carries the last and the first page
  kReversed = 2,  // the same sides, last to first
};

// Page count rounded up to whole sheets (a multiple of 4); 0 stays 0.
std::uint32_t PaddedPageCount(std::uint32_t pageCount);

// The source page at `position` (1 to paddedCount) of a booklet of
// `paddedCount` positions (a multiple of 4). A result above the document's
// page count stands for a blank pagelet.
std::uint32_t BookletSourcePage(std::uint32_t paddedCount, std::uint32_t position, SideOrder order);

// Creep in points for one position: `maxCreep` is what the innermost sheet
// needs in all (it widens the fold gap of every sheet), `shift` moves this
// position's pagelet towards the fold. The arithmetic is unsigned 32-bit,
// with the creep per sheet in tenths of a point.
struct Creep {
  std::uint32_t maxCreep = 0;
  std::uint32_t shift = 0;
};
Creep CreepAt(std::uint32_t pageCount, std::uint32_t position, std::uint32_t creepPerSheetTenthsPt, SideOrder order);

// A page size as the tables keep it: width in the high 16 bits, height in
// the low 16 bits. 0 means no size.
inline constexpr std::uint32_t PackPageSize(std::uint32_t width, std::uint32_t height) {
  return (width << 16) | (height & 0xFFFFu);
}
inline constexpr std::uint32_t PackedWidth(std::uint32_t packed) {
  return packed >> 16;
}
inline constexpr std::uint32_t PackedHeight(std::uint32_t packed) {
  return packed & 0xFFFFu;
}

}  // namespace booklet
