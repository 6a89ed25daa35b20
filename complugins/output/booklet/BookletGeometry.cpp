#include "output/booklet/BookletGeometry.h"

namespace booklet {

std::uint32_t PaddedPageCount(std::uint32_t pageCount) {
  return pageCount % 4 == 0 ? pageCount : pageCount + (4 - pageCount % 4);
}

std::uint32_t BookletSourcePage(std::uint32_t paddedCount, std::uint32_t position, SideOrder order) {
  const std::uint32_t t = paddedCount;
  const std::uint32_t i = position;
  const bool normal = order == SideOrder::kNormal;
  switch (i % 4) {
    case 1:
      return normal ? t - (i - 1) / 2 : (t - i + 1) / 2;
    case 2:
      return normal ? i / 2 : (t + i) / 2;
    case 3:
      return normal ? (i + 1) / 2 : (t + i + 1) / 2;
    default:
      return normal ? t - (i - 2) / 2 : (t - i + 2) / 2;
  }
}

Creep CreepAt(std::uint32_t pageCount, std::uint32_t position, std::uint32_t creepPerSheetTenthsPt, SideOrder order) {
  const std::uint32_t sheets = (pageCount + 3) / 4;
  const std::uint32_t sheet = (position + 3) / 4;
  Creep creep;
  if (sheets == 0) return creep;
  creep.maxCreep = ((sheets - 1) * creepPerSheetTenthsPt) / 10;
  const std::uint32_t fromOuter = order == SideOrder::kNormal ? sheets - sheet : sheet - 1;
  const std::uint32_t mine = (fromOuter * creepPerSheetTenthsPt) / 10;
  creep.shift = (creep.maxCreep - mine) / 2;
  return creep;
}

}  // namespace booklet
