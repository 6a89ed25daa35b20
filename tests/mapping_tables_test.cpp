// The catalogue and the value tables of the Windows devmode mapping: rows in
// both directions, keywords without case, the fallback rules, and which rows
// apply to which printer.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "msdevmode/MsCatalogue.h"
#include "zqutil/TamorException.h"

namespace {

constexpr std::uint32_t kPs = 0x400;
constexpr std::uint32_t kRaster = 0x100;

struct TableCase {
  int feature;
  bool postScript;
  int raw;
  int option;
  const char* keyword;  // null: the row has none
};

// Spot checks: a row or two of each table.
const TableCase kTableCases[] = {
    {3, true, 3, 4012, "RotatedLandscape"},
    {3, false, 2, 4011, "LANDSCAPE_CC90"},
    {6, true, 0, 4411, nullptr},
    {8, true, 39322200, 4023, "600x600dpi"},
    {8, false, 157288800, 4028, "Res2400x2400"},
    {9, true, 1, 4971, nullptr},
    {10, true, 3, 4422, "DuplexTumble"},
    {10, false, 3, 4422, "HORIZONTAL"},
    {11, true, 2, 4051, nullptr},
    {15, true, 4, 4073, nullptr},
    {16, true, 4, 4090, nullptr},
    {19, true, 5, 6245, "16"},
    {20, true, 1, 4111, "Booklet"},
    {21, true, 1, 4121, "BackToFront"},
    {22, false, -1, 4133, nullptr},
    {23, true, 0, 4150, "False"},
    {24, true, 3, 4163, "Archive"},
    {25, true, 1, 4170, "1"},
    {26, true, 1, 4181, "True"},
    {27, true, 1, 4191, "True"},
    {28, true, 1, 4201, "True"},
    {29, true, 3, 4213, "NativeTrueType"},
    {30, false, 0, 4220, "True"},
    {31, false, 0, 4231, "HPGL2MODE"},
    {32, false, 2, 4252, "TTF_DOWNLOAD_NONE"},
    {33, false, 1, 4241, "TMR_HIGH_CONTRAST_HT"},
    {34, false, 0, 4971, "Mono"},
    {35, false, 1, 4261, "EDGE_TO_EDGE_ON"},
};

TEST(MappingTables, RowsMapBothWaysAndByKeyword) {
  for (const TableCase& c : kTableCases) {
    SCOPED_TRACE("feature " + std::to_string(c.feature) + " raw " + std::to_string(c.raw));
    const ms::ValueTable table = ms::SelectValueTable(c.feature, c.postScript, c.postScript ? kPs : kRaster);
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(ms::RawToOption(table, c.raw), c.option);
    EXPECT_EQ(ms::OptionToRaw(table, c.option, c.feature), c.raw);
    if (c.keyword == nullptr) continue;
    std::string lower = c.keyword;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(ms::KeywordToRow(table, c.keyword, c.feature).option, c.option);
    EXPECT_EQ(ms::KeywordToRow(table, lower.c_str(), c.feature).option, c.option);
  }
}

TEST(MappingTables, FallbacksAndFailures) {
  const ms::ValueTable duplex = ms::SelectValueTable(10, true, kPs);
  // An unknown raw value reads as the first row: Simplex.
  EXPECT_EQ(ms::RawToOption(duplex, 77), 4420);
  EXPECT_EQ(ms::KeywordToRow(duplex, "duplextumble", 10).option, 4422);
  EXPECT_THROW(ms::OptionToRaw(duplex, 4999, 10), ExceptionMicrosoftDevmodeValueMappingFailed);
  EXPECT_THROW(ms::KeywordToRow(duplex, "Tumble", 10), ExceptionMicrosoftDevmodeValueMappingFailed);
  EXPECT_THROW(ms::KeywordToRow(duplex, nullptr, 10), ExceptionInvalidArgumentNullPointer);

  // Booklet and N-up share keywords; each answers its own option.
  EXPECT_EQ(ms::KeywordToRow(ms::SelectValueTable(19, true, kPs), "Booklet", 19).option, 6240);
  EXPECT_EQ(ms::KeywordToRow(ms::SelectValueTable(20, true, kPs), "4", 20).option, 4110);

  // Features without a table pass values through.
  for (int feature : {4, 5, 12, 13, 14}) {
    const ms::ValueTable none = ms::SelectValueTable(feature, true, kPs);
    EXPECT_TRUE(none.empty()) << feature;
    EXPECT_EQ(ms::RawToOption(none, 2970), 2970);
    EXPECT_EQ(ms::OptionToRaw(none, 150, feature), 150);
  }
  // A driver kind's own features have no table on the other kind.
  EXPECT_TRUE(ms::SelectValueTable(24, false, kRaster).empty());
  EXPECT_TRUE(ms::SelectValueTable(31, true, kPs).empty());
}

struct AppliesCase {
  std::uint32_t pdl;
  std::uint32_t color;
  std::set<int> present;
  std::set<int> absent;
};

TEST(MappingTables, RowsApplyByPdlAndColourMode) {
  const AppliesCase cases[] = {
      {0x400, 0x1000, {3, 4, 9, 10, 15, 16, 23, 24, 25, 26, 27, 29}, {18, 22, 28, 30, 31, 32, 33, 34, 35}},
      {0x400, 0x2000, {9, 28}, {15, 16, 31}},
      {0x100, 0x1000, {30, 31, 32, 34, 35}, {24, 28, 33}},
      {0x80, 0x2000, {30, 32, 33, 35}, {31, 34, 15}},
  };
  for (const AppliesCase& c : cases) {
    std::set<int> applied;
    int orientationRows = 0;
    for (const ms::CatalogueRow& row : ms::Catalogue())
      if (ms::RowApplies(row, c.pdl, c.color)) {
        applied.insert(row.feature);
        if (row.feature == 3) ++orientationRows;
      }
    EXPECT_EQ(orientationRows, 1) << std::hex << c.pdl;
    for (int f : c.present)
      EXPECT_TRUE(applied.count(f)) << "pdl " << std::hex << c.pdl << " feature " << std::dec << f;
    for (int f : c.absent)
      EXPECT_FALSE(applied.count(f)) << "pdl " << std::hex << c.pdl << " feature " << std::dec << f;
  }
}

}  // namespace
