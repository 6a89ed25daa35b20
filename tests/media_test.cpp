// The core library's media dictionary: standard sizes by id, size and name,
// the preferred form among equal sizes, added forms, trays.
#include <gtest/gtest.h>

#include "zqcore/MediaHandler.h"
#include "zqcore/Resolution.h"
#include "zqutil/TamorException.h"

namespace {

Dimension Tenths(double value) {
  return Dimension(value, Dimension::kTenthMillimetre);
}

class Media : public ::testing::Test {
 protected:
  void TearDown() override { PageSizeDictionary::RemoveAddedEntries(); }
};

struct SizeCase {
  int formId;
  const char16_t* name;
  double width;
  double length;
  int type;
};

TEST_F(Media, StandardSizesByIdSizeAndName) {
  const SizeCase cases[] = {
      {1, u"Letter", 2159, 2794, 25001},
      {5, u"Legal", 2159, 3556, 25001},
      {9, u"A4", 2100, 2970, 25001},
      {77, u"A4 Rotated", 2970, 2100, 25002},
      {118, u"PRC Envelope #10 Rotated", 4580, 3240, 25002},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.formId);
    const PageSize byValue = MediaHandler::GetPageSize(5600 + c.formId);
    EXPECT_EQ(byValue.GetWindowsFormId(), c.formId);
    EXPECT_EQ(byValue.GetWindowsFormName(), CXString(c.name));
    EXPECT_EQ(byValue.GetWidth().GetValue(Dimension::kTenthMillimetre), c.width);
    EXPECT_EQ(byValue.GetLength().GetValue(Dimension::kTenthMillimetre), c.length);
    EXPECT_EQ(byValue.GetType(), c.type);
    ASSERT_EQ(MediaHandler::GetPageSizes(c.formId).size(), 1u);
    const auto bySize = MediaHandler::GetPageSizes(Tenths(c.width), Tenths(c.length));
    ASSERT_FALSE(bySize.empty());
    EXPECT_EQ(bySize.front().GetWindowsFormId(), c.formId);
    CXString upper(c.name);
    upper.MakeUpper();
    ASSERT_EQ(MediaHandler::GetPageSizes(upper).size(), 1u);
  }
  EXPECT_EQ(PageSizeDictionary::StandardSizes().size(), 116u);  // 1..118 less the two reserved ids
  EXPECT_TRUE(MediaHandler::GetPageSizes(48).empty());
  PageSize unknown;
  EXPECT_FALSE(MediaHandler::TryGetPageSize(5600 + 48, unknown));
  EXPECT_THROW(MediaHandler::GetPageSize(5599), ExceptionInvalidArgument);
  EXPECT_EQ(MediaHandler::GetPageSize(5732).GetType(), 25005);
}

TEST_F(Media, SizesMatchWithinATenthAndEqualSizesGiveThePreferredForm) {
  // Letter is 612 x 792 points exactly.
  EXPECT_TRUE(PageSizeDictionary::AnyExist(Dimension(612, Dimension::kPoint), Dimension(792, Dimension::kPoint)));
  EXPECT_EQ(
      PageSizeDictionary::GetPageSizeEntryRefs(Tenths(2160), Tenths(2793)).front().GetPageSize().GetWindowsFormId(), 1);
  EXPECT_FALSE(PageSizeDictionary::AnyExist(Tenths(2161), Tenths(2794)));
  // Letter Small, Note and Letter Transverse share Letter's size.
  const auto letters = MediaHandler::GetPageSizes(Tenths(2159), Tenths(2794));
  ASSERT_EQ(letters.size(), 1u);
  EXPECT_EQ(letters.front().GetWindowsFormId(), 1);
  EXPECT_EQ(MediaHandler::GetPageSizes(54).front().GetType(), 25002);
  // Every standard size resolves to one form.
  for (const PageSize& size : PageSizeDictionary::StandardSizes())
    EXPECT_EQ(MediaHandler::GetPageSizes(size.GetWidth(), size.GetLength()).size(), 1u) << size.GetWindowsFormId();
}

TEST_F(Media, AddedFormsAreCustomAndCheckedOnTheWayIn) {
  const PageSize card = MediaHandler::AddWindowsForm(u"Index Card", Tenths(1270), Tenths(2032), 257);
  EXPECT_EQ(card.GetValueId(), 5800);
  EXPECT_EQ(card.GetType(), 25003);
  EXPECT_EQ(MediaHandler::AddWindowsForm(u"Index Card", Tenths(1270), Tenths(2032), 257).GetValueId(), 5800);
  EXPECT_EQ(MediaHandler::GetPageSize(5800).GetWindowsFormName(), CXString(u"Index Card"));
  EXPECT_EQ(PageSizeDictionary::GetPageSizeEntryRefs(Tenths(1270), Tenths(2032)).front().GetType(), 25003);

  // A form of a standard size comes after the standard form.
  MediaHandler::AddWindowsForm(u"House A4", Tenths(2100), Tenths(2970), 258);
  const auto a4 = PageSizeDictionary::GetPageSizeEntryRefs(Tenths(2100), Tenths(2970));
  ASSERT_EQ(a4.size(), 2u);
  EXPECT_EQ(a4[0].GetType(), 25001);
  EXPECT_EQ(a4[1].GetType(), 25003);

  EXPECT_THROW(MediaHandler::AddWindowsForm(u"index card", Tenths(1000), Tenths(2000), 259), ExceptionInvalidFormName);
  EXPECT_THROW(MediaHandler::AddWindowsForm(u"Letter", Tenths(1000), Tenths(2000), 259), ExceptionInvalidFormName);
  EXPECT_THROW(MediaHandler::AddWindowsForm(std::u16string(32, u'n'), Tenths(1000), Tenths(2000), 259),
               ExceptionInvalidFormName);
  EXPECT_THROW(MediaHandler::AddWindowsForm(u"Flat", Tenths(0), Tenths(2000), 259), ExceptionInvalidPaperSizeData);
  EXPECT_THROW(MediaHandler::AddWindowsForm(u"Shadow", Tenths(100), Tenths(200), 9), ExceptionInvalidArgument);
}

TEST_F(Media, TraysAndBins) {
  const struct {
    int tray;
    int bin;
  } cases[] = {{4001, 15}, {0, 15}, {6151, 4}, {6154, 2}, {6157, 11}, {9999, 15}};
  for (const auto& c : cases) EXPECT_EQ(MediaHandler::GetMsTrayId(c.tray), c.bin) << c.tray;
  EXPECT_EQ(MediaHandler::GetTrayValueFromMsBin(2), 6154);
  EXPECT_EQ(MediaHandler::GetTrayValueFromMsBin(15), 4001);
  EXPECT_EQ(MediaHandler::GetTrayValueFromMsBin(7), 0);

  EXPECT_EQ(Resolution::FromPacked(39322800), Resolution(600, 1200));
  EXPECT_EQ(Resolution(1200, 600).GetPacked(), 78643800);
}

}  // namespace
