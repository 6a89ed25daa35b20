// What the booklet takes from the devmode, the settings and the PDEV: sheet,
// margins, gutter, creep, rotations and side order.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "output/booklet/BookletSettings.h"
#include "zqcore/DataModelIds.h"

using namespace booklet;

namespace {

DEVMODEW A4Devmode() {
  DEVMODEW devmode{};
  devmode.dmSize = sizeof devmode;
  devmode.dmCopies = 1;
  devmode.dmPaperWidth = 2100;
  devmode.dmPaperLength = 2970;
  return devmode;
}

const PrinterMargins kMargins{12, 14, 10, 30};

}  // namespace

TEST(BookletSettingsRead, MarginsGutterAndCreep) {
  struct Case {
    const char* name;
    std::function<void(AttributeBytesList&)> set;
    std::uint32_t marginX, marginY, gutter, creepTenths;
    bool marginsAsked;
  };
  const Case cases[] = {
      {"nothing set", [](AttributeBytesList&) {}, 0, 0, 0, 0, false},
      {"printer margins", [](AttributeBytesList& s) { s.SetOptionValue(311, 7010); }, 12, 30, 60, 0, true},
      {"margins stored as no value", [](AttributeBytesList& s) { s.SetOptionValue(311, 4001); }, 12, 30, 60, 0, true},
      {"no margins", [](AttributeBytesList& s) { s.SetOptionValue(311, 7011); }, 0, 0, 0, 0, false},
      {"other margin value", [](AttributeBytesList& s) { s.SetOptionValue(311, 7012); }, 0, 0, 0, 0, false},
      {"gutter 10 mm, creep 0.5 mm",
       [](AttributeBytesList& s) {
         s.SetOptionValue(311, 7010);
         s.SetIntegerValue(312, 10000);
         s.SetIntegerValue(313, 500);
       },
       12, 30, 28, 14, true},  // 28.35 pt and 14.17 tenths
      {"lengths that round up",
       [](AttributeBytesList& s) {
         s.SetIntegerValue(312, 1358);  // 3.849 pt
         s.SetIntegerValue(313, 2000);  // 56.69 tenths
       },
       0, 0, 4, 57, false},
      {"negative lengths count as none",
       [](AttributeBytesList& s) {
         s.SetIntegerValue(312, -5000);
         s.SetIntegerValue(313, -5000);
       },
       0, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    AttributeBytesList settings;
    c.set(settings);
    bool asked = false;
    const BookletSettings read = ReadBookletSettings(A4Devmode(), settings, 1, 0, [&] {
      asked = true;
      return kMargins;
    });
    EXPECT_EQ(read.marginX, c.marginX) << c.name;
    EXPECT_EQ(read.marginY, c.marginY) << c.name;
    EXPECT_EQ(read.gutter, c.gutter) << c.name;
    EXPECT_EQ(read.creepPerSheet, c.creepTenths) << c.name;
    EXPECT_EQ(asked, c.marginsAsked) << c.name;
  }
}

TEST(BookletSettingsRead, RotationsOrderAndBorders) {
  struct Case {
    const char* name;
    DWORD rotateKey;
    std::uint32_t rotate51, variant491, borders218;  // 0: not set
    bool rotateSheet, rotateFlip;
    SideOrder order;
    std::uint32_t borderStyle;
  };
  const Case cases[] = {
      {"defaults", 0, 0, 0, 0, true, false, SideOrder::kNormal, 0},
      {"key 20 set", 1, 0, 0, 0, false, false, SideOrder::kNormal, 0},
      {"invert sheet", 0, 0, 7651, 0, false, false, SideOrder::kNormal, 0},
      {"reverse sides", 0, 0, 7652, 0, true, false, SideOrder::kReversed, 0},
      {"both", 1, 0, 7653, 0, true, false, SideOrder::kReversed, 0},
      {"rotate 180", 0, 4461, 0, 0, true, true, SideOrder::kNormal, 0},
      {"other rotation value", 0, 4460, 0, 0, true, false, SideOrder::kNormal, 0},
      {"borders on", 0, 0, 0, 6610, true, false, SideOrder::kNormal, 2},
      {"borders off", 0, 0, 0, 6611, true, false, SideOrder::kNormal, 0},
  };
  for (const auto& c : cases) {
    AttributeBytesList settings;
    if (c.rotate51 != 0) settings.SetOptionValue(51, c.rotate51);
    if (c.variant491 != 0) settings.SetOptionValue(491, c.variant491);
    if (c.borders218 != 0) settings.SetOptionValue(218, c.borders218);
    const BookletSettings read = ReadBookletSettings(A4Devmode(), settings, 1, c.rotateKey, [] { return kMargins; });
    EXPECT_EQ(read.rotateSheet, c.rotateSheet) << c.name;
    EXPECT_FALSE(read.rotatePagelet) << c.name;
    EXPECT_EQ(read.rotateFlip, c.rotateFlip) << c.name;
    EXPECT_EQ(read.order, c.order) << c.name;
    EXPECT_EQ(read.borderStyle, c.borderStyle) << c.name;
  }
}

TEST(BookletSettingsRead, SheetFromTheDevmodeOrTheOutputPaperSize) {
  DEVMODEW devmode = A4Devmode();
  devmode.dmCopies = -2;
  AttributeBytesList settings;
  BookletSettings read = ReadBookletSettings(devmode, settings, 2, 0, [] { return kMargins; });
  EXPECT_EQ(read.copies, 0xFFFFFFFEu) << "sign-extended";
  EXPECT_EQ(read.sheetWidth, 595u);
  EXPECT_EQ(read.sheetHeight, 842u);
  EXPECT_TRUE(read.sizeFromDocument) << "mode 2 without an output paper size";

  AttributeBytesList output;
  output.SetPaperSizeValues(164, 2794, 4318);  // tabloid, 792 x 1224 pt
  settings.SetCollection(210, output);
  read = ReadBookletSettings(devmode, settings, 2, 0, [] { return kMargins; });
  EXPECT_FALSE(read.sizeFromDocument);
  EXPECT_EQ(read.sheetWidth, 792u);
  EXPECT_EQ(read.sheetHeight, 1224u);

  read = ReadBookletSettings(devmode, settings, 1, 0, [] { return kMargins; });
  EXPECT_TRUE(read.sizeFromDocument) << "only mode 2 takes the output paper size";
  EXPECT_EQ(read.sheetWidth, 595u);
}
