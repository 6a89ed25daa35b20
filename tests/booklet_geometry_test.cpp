// Booklet arithmetic and the DSC line rules of the imposition, without files.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "output/booklet/BookletGeometry.h"
#include "output/booklet/DscMatch.h"

using namespace booklet;

namespace {

std::vector<std::pair<std::uint32_t, std::uint32_t>> Sides(std::uint32_t padded, SideOrder order) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sides;
  for (std::uint32_t i = 1; i <= padded; i += 2)
    sides.emplace_back(BookletSourcePage(padded, i, order), BookletSourcePage(padded, i + 1, order));
  return sides;
}

}  // namespace

TEST(BookletGeometry, SheetSidesOfSmallBooklets) {
  using Sides_ = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
  struct Case {
    std::uint32_t padded;
    SideOrder order;
    Sides_ sides;
  };
  const Case cases[] = {
      {4, SideOrder::kNormal, {{4, 1}, {2, 3}}},
      {4, SideOrder::kReversed, {{2, 3}, {4, 1}}},
      {8, SideOrder::kNormal, {{8, 1}, {2, 7}, {6, 3}, {4, 5}}},
      {8, SideOrder::kReversed, {{4, 5}, {6, 3}, {2, 7}, {8, 1}}},
      {12, SideOrder::kNormal, {{12, 1}, {2, 11}, {10, 3}, {4, 9}, {8, 5}, {6, 7}}},
  };
  for (const auto& c : cases) EXPECT_EQ(Sides(c.padded, c.order), c.sides) << c.padded;
}

TEST(BookletGeometry, EveryPageOnceFacingPagesAddUpAndReversedIsBackToFront) {
  for (std::uint32_t padded = 4; padded <= 400; padded += 4) {
    const auto normal = Sides(padded, SideOrder::kNormal);
    const auto reversed = Sides(padded, SideOrder::kReversed);
    std::set<std::uint32_t> seen;
    for (const auto& [left, right] : normal) {
      EXPECT_EQ(left + right, padded + 1) << padded;
      seen.insert(left);
      seen.insert(right);
    }
    EXPECT_EQ(seen.size(), padded);
    EXPECT_EQ(*seen.begin(), 1u);
    EXPECT_EQ(*seen.rbegin(), padded);
    EXPECT_EQ(std::vector(reversed.rbegin(), reversed.rend()), normal) << padded;
  }
}

TEST(BookletGeometry, PaddedPageCountsFillWholeSheets) {
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {{0, 0}, {1, 4}, {3, 4},      {4, 4},
                                                           {5, 8}, {8, 8}, {1001, 1004}};
  for (const auto& [pages, padded] : cases) EXPECT_EQ(PaddedPageCount(pages), padded) << pages;
}

TEST(BookletGeometry, CreepGrowsTowardsTheInnermostSheet) {
  struct Case {
    std::uint32_t pages, position, creepTenths;
    SideOrder order;
    std::uint32_t maxCreep, shift;
  };
  const Case cases[] = {
      // 8 pages, 2 sheets, 10 pt per sheet: the outer sheet stays, the inner moves half the creep.
      {8, 1, 100, SideOrder::kNormal, 10, 0},
      {8, 4, 100, SideOrder::kNormal, 10, 0},
      {8, 5, 100, SideOrder::kNormal, 10, 5},
      {8, 8, 100, SideOrder::kNormal, 10, 5},
      // Reversed: the first sheet printed is the innermost.
      {8, 1, 100, SideOrder::kReversed, 10, 5},
      {8, 8, 100, SideOrder::kReversed, 10, 0},
      // Whole points of tenths are truncated at each step.
      {12, 1, 15, SideOrder::kNormal, 3, 0},
      {12, 5, 15, SideOrder::kNormal, 3, 1},
      {12, 9, 15, SideOrder::kNormal, 3, 1},
      // One sheet: nothing to creep.
      {3, 2, 500, SideOrder::kNormal, 0, 0},
      {0, 1, 500, SideOrder::kNormal, 0, 0},
  };
  for (const auto& c : cases) {
    const Creep creep = CreepAt(c.pages, c.position, c.creepTenths, c.order);
    EXPECT_EQ(creep.maxCreep, c.maxCreep) << c.pages << " pages, position " << c.position;
    EXPECT_EQ(creep.shift, c.shift) << c.pages << " pages, position " << c.position;
  }
}

TEST(BookletDscLines, KeywordsMatchAtTheStartWithOnlyBlanksAfter) {
  struct Case {
    std::string_view keyword;
    std::string line;
    bool match;
  };
  const Case cases[] = {
      {kTrailer, "%%Trailer", true},
      {kTrailer, "%%Trailer \t\r\n", true},
      {kTrailer, "%%Trailer x", false},
      {kTrailer, "%%TrailerX", false},
      {kTrailer, " %%Trailer", false},
      {kTrailer, "%%trailer", false},
      {kBeginDocument, "%%BeginDocument: inner.eps 3.0 EPS", true},
      {kBeginDocument, "%%BeginDocumentation", true},
      {kEndDocument, "%%EndDocument: x", false},
      {kBeginProlog, "%%BeginProlog", true},
      {kProcsetMarker, "%%TMR X3DBMIncluded", true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchDscLine(c.keyword, c.line), c.match) << c.keyword << " / " << c.line;

  EXPECT_TRUE(IsPageLine("%%Page: 1 1"));
  EXPECT_TRUE(IsPageLine("%%PAGE:(i) 1"));
  EXPECT_FALSE(IsPageLine("%%Pages: 3"));
  EXPECT_FALSE(IsPageLine("%%Page"));
  EXPECT_TRUE(IsPsAdobeLine("%!ps-adobe-3.0 EPSF-3.0"));
  EXPECT_FALSE(IsPsAdobeLine("%!PS"));
  EXPECT_TRUE(IsSeparatorLine("%!PS-Adobe-3.0 TMR Separator File End Job Begin"));
  EXPECT_TRUE(IsSeparatorLine(std::string("\x04 \t%!PS-Adobe-3.0 TMR Separator File End Job Begin\r")));
  EXPECT_FALSE(IsSeparatorLine("%!PS-Adobe-3.0 TMR Separator File End Job Begins"));
  EXPECT_FALSE(IsSeparatorLine("x%!PS-Adobe-3.0 TMR Separator File End Job Begin"));
}

TEST(BookletDscLines, PageSizesAreFoundOnlyWhenComplete) {
  struct Case {
    std::string line;
    std::uint32_t width, height;  // 0, 0: no size
  };
  const Case cases[] = {
      {"<</PageSize [612 792] /ImagingBBox null>> setpagedevice", 612, 792},
      {"/PageSize[ 595.28  841.89 ] def", 595, 841},
      {"/PageSize [+420\t595]", 420, 595},
      {"/PageSize [65535 1]", 65535, 1},  // the largest width a table entry holds
      {"/PageSize [65536 792]", 0, 0},    // low 16 bits zero
      {"/PageSize [612 792", 0, 0},
      {"/PageSize [612 792 0]", 0, 0},
      {"/PageSize [0 792]", 0, 0},
      {"/PageSize [-612 792]", 0, 0},
      {"/PageSize /Letter", 0, 0},
      {"[612 792] /PageSize", 0, 0},
      {std::string("/PageSize [612\0 792]", 20), 0, 0},
      {"/PageSize [99999999999999999999 5]", 0xFFFF, 5},  // saturated like atoi, then cut to 16 bits
  };
  for (const auto& c : cases) {
    const std::uint32_t packed = FindPageSize(c.line);
    EXPECT_EQ(PackedWidth(packed), c.width) << c.line;
    EXPECT_EQ(PackedHeight(packed), c.height) << c.line;
  }
}
