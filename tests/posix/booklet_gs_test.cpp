// Imposed booklets on the stand-in printer: Ghostscript runs the imposed
// document with the booklet procset, and where its text and marks land on
// each sheet side is checked (txtwrite gives the text positions, bbox the
// extent of the marks), not our own bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "BookletTesting.h"

using namespace booklet_testing;

namespace {

// Letter, the sheet of the test documents: halves split at y = 396.
constexpr double kSheetHeight = 792;
// 300-point numbers on a 612 x 792 page scaled into a 396 x 612 half sheet.
constexpr double kPageletScale = 396.0 / 612.0;

struct Half {
  std::string text;  // the digits shown in this half, in drawing order
  std::vector<double> sizes;
};
struct Side {
  Half top;     // y < 396 in txtwrite's top-down coordinates
  Half bottom;  // y > 396
};

// The value of attribute `name` in the element that starts at `at`.
std::string Attribute(const std::string& xml, std::size_t at, const std::string& name) {
  const std::size_t close = xml.find('>', at);
  const std::size_t start = xml.find(" " + name + "=\"", at);
  if (start == std::string::npos || start > close) return "";
  const std::size_t value = start + name.size() + 3;
  return xml.substr(value, xml.find('"', value) - value);
}

// The sheet sides as txtwrite reports them (TextFormat 0: one <char> element
// per glyph with its box in device space, y down, inside a <span> that
// carries the size).
std::vector<Side> ParseTextPages(const std::string& xml) {
  std::vector<Side> sides;
  double size = 0;
  for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
    if (xml.compare(at, 6, "<page>") == 0) {
      sides.emplace_back();
    } else if (xml.compare(at, 6, "<span ") == 0) {
      size = std::stod(Attribute(xml, at, "size"));
    } else if (xml.compare(at, 6, "<char ") == 0 && !sides.empty()) {
      double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
      EXPECT_EQ(std::sscanf(Attribute(xml, at, "bbox").c_str(), "%lf %lf %lf %lf", &x0, &y0, &x1, &y1), 4);
      EXPECT_EQ(y0 < kSheetHeight / 2, y1 < kSheetHeight / 2) << "a glyph across the fold: " << xml.substr(at, 60);
      Half& half = y0 < kSheetHeight / 2 ? sides.back().top : sides.back().bottom;
      half.text += Attribute(xml, at, "c");
      half.sizes.push_back(size);
    }
  }
  return sides;
}

struct Box {
  double llx, lly, urx, ury;
};

std::vector<Box> ParseBoundingBoxes(const std::string& log) {
  std::vector<Box> boxes;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    Box box{};
    if (std::sscanf(line.c_str(), "%%%%HiResBoundingBox: %lf %lf %lf %lf", &box.llx, &box.lly, &box.urx, &box.ury) == 4)
      boxes.push_back(box);
  }
  return boxes;
}

class BookletGhostscriptTest : public BookletDirTest {
 protected:
  void SetUp() override {
    if (!HaveGhostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
    BookletDirTest::SetUp();
  }

  // Imposes `document` and runs the result through `device`; the device's
  // output (and Ghostscript's messages) in `output`.
  void ImposeAndRun(const std::string& document, const booklet::BookletSettings& settings, const std::string& device,
                    std::string& output, int pages) {
    WriteBytes(Path("in.ps"), document);
    booklet::BookletJob job = Job("in.ps");
    job.settings = settings;
    ASSERT_EQ(booklet::RunBooklet(job), pages);
    ASSERT_EQ(RunGhostscript(device, Path("out.ps"), output, device == "txtwrite" ? "-dTextFormat=0" : ""), 0)
        << output;
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    EXPECT_EQ(output.find("X3DBM sp: Failed."), std::string::npos) << output;
  }

  static booklet::BookletSettings Defaults() {
    booklet::BookletSettings settings;
    settings.sheetWidth = 595;
    settings.sheetHeight = 842;
    return settings;
  }
};

// {pagelet 1, pagelet 2} of each side; "" for a blank pagelet.
using Expected = std::vector<std::pair<std::string, std::string>>;

void ExpectSides(const std::vector<Side>& sides, const Expected& expected, bool pageletOneAtBottom,
                 const std::string& name) {
  ASSERT_EQ(sides.size(), expected.size()) << name;
  for (std::size_t i = 0; i < sides.size(); ++i) {
    const Half& first = pageletOneAtBottom ? sides[i].bottom : sides[i].top;
    const Half& second = pageletOneAtBottom ? sides[i].top : sides[i].bottom;
    EXPECT_EQ(first.text, expected[i].first) << name << ", side " << i + 1;
    EXPECT_EQ(second.text, expected[i].second) << name << ", side " << i + 1;
    for (const Half* half : {&first, &second})
      for (double size : half->sizes)
        EXPECT_NEAR(size, 300 * kPageletScale, 0.01) << name << ", side " << i + 1 << ": scaled uniformly to fit";
  }
}

}  // namespace

TEST_F(BookletGhostscriptTest, EightPagesMakeFourSidesInBookletOrder) {
  struct Case {
    const char* name;
    DocumentOptions document;
    booklet::SideOrder order;
    bool rotateSheet;
    Expected sides;
  };
  DocumentOptions crlfInsideSave;
  crlfInsideSave.lineEnd = "\r\n";
  crlfInsideSave.showpageInsideSave = true;
  DocumentOptions five;
  five.pages = 5;
  const Expected normal = {{"8", "1"}, {"2", "7"}, {"6", "3"}, {"4", "5"}};
  const Case cases[] = {
      {"defaults", {}, booklet::SideOrder::kNormal, true, normal},
      {"CR LF, showpage inside the page's save", crlfInsideSave, booklet::SideOrder::kNormal, true, normal},
      {"sheet not turned", {}, booklet::SideOrder::kNormal, false, normal},
      {"reversed sides", {}, booklet::SideOrder::kReversed, true, {{"4", "5"}, {"6", "3"}, {"2", "7"}, {"8", "1"}}},
      {"five pages", five, booklet::SideOrder::kNormal, true, {{"", "1"}, {"2", ""}, {"", "3"}, {"4", "5"}}},
  };
  for (const auto& c : cases) {
    booklet::BookletSettings settings = Defaults();
    settings.order = c.order;
    settings.rotateSheet = c.rotateSheet;
    std::string output;
    ImposeAndRun(DriverDocument(c.document), settings, "txtwrite", output, c.document.pages);
    // Turning the sheet by 180 degrees puts the first pagelet in the lower half.
    ExpectSides(ParseTextPages(output), c.sides, c.rotateSheet, c.name);
  }
}

TEST_F(BookletGhostscriptTest, PageletsFillTheirHalfCentred) {
  DocumentOptions document;
  document.pages = 5;
  document.fillPage = true;
  std::string output;
  ImposeAndRun(DriverDocument(document), Defaults(), "bbox", output, 5);
  const std::vector<Box> boxes = ParseBoundingBoxes(output);
  ASSERT_EQ(boxes.size(), 4u) << output;
  // 612 x 792 scaled by 396/612 is 396 x 512.5, centred across the 612-point width.
  const double left = (612 - 792 * kPageletScale) / 2;
  struct Expect {
    bool lower, upper;  // halves with a page (y up: lower is y < 396)
  };
  const Expect halves[] = {{false, true}, {true, false}, {false, true}, {true, true}};
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    SCOPED_TRACE("side " + std::to_string(i + 1));
    EXPECT_NEAR(boxes[i].llx, left, 0.5);
    EXPECT_NEAR(boxes[i].urx, 612 - left, 0.5);
    EXPECT_NEAR(boxes[i].lly, halves[i].lower ? 0 : 396, 0.5);
    EXPECT_NEAR(boxes[i].ury, halves[i].upper ? 792 : 396, 0.5);
  }
}

TEST_F(BookletGhostscriptTest, MarginsGutterAndCreepMoveThePagelets) {
  DocumentOptions document;
  document.fillPage = true;
  booklet::BookletSettings settings = Defaults();
  settings.marginX = 20;
  settings.marginY = 10;
  settings.gutter = 30;
  settings.creepPerSheet = 200;  // 20 points: the inner sheet's pagelets move 10 points towards the fold
  std::string output;
  ImposeAndRun(DriverDocument(document), settings, "bbox", output, 8);
  const std::vector<Box> boxes = ParseBoundingBoxes(output);
  ASSERT_EQ(boxes.size(), 4u) << output;
  // Half-sheet box: 792/2 - (10 + (30 + 20)/2) = 361 wide, 612 - 40 = 572 high.
  const double scale = std::min(361.0 / 612.0, 572.0 / 792.0);
  const double left = 20 + (572 - 792 * scale) / 2;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    SCOPED_TRACE("side " + std::to_string(i + 1));
    const double shift = i < 2 ? 0 : 10;  // sides 3 and 4 are the inner sheet
    EXPECT_NEAR(boxes[i].llx, left, 0.5);
    EXPECT_NEAR(boxes[i].urx, 612 - left, 0.5);
    // Each pagelet starts at margin + shift from its outer edge; the gap at the fold is what is left.
    EXPECT_NEAR(boxes[i].lly, 10 + shift, 0.5);
    EXPECT_NEAR(boxes[i].ury, 792 - 10 - shift, 0.5);
  }
}

TEST_F(BookletGhostscriptTest, PrinterJobPatchTakesThePageSizeRequest) {
  // A printer with the custom procedures and the job patch: the sheet size
  // goes through the patch's page-device request, once, and later calls of
  // that request are dropped.
  DocumentOptions document;
  document.pages = 4;
  document.pageExtra = "<< /PageSize [100 100] >> tamor$setpagedevice\n";
  std::string text = DriverDocument(document);
  const std::string patch =
      "/RRCustomProcs 1 dict /ProcSet defineresource pop\n"
      "userdict /tamor$pagedevice << /PageSize [612 792] /MediaClass null >> put\n"
      "userdict /tamor$setpagedevice {dup /PageSize get aload pop exch (TMRSPGD ) print =only ( ) print = "
      "setpagedevice} put\n";
  text.insert(text.find("%%EndProlog"), patch);
  std::string output;
  ImposeAndRun(text, Defaults(), "nullpage", output, 4);
  EXPECT_EQ(output, "TMRSPGD 612 792\n");
}
