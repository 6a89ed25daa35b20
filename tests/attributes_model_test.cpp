// The settings model in memory: building, replacing, marking and typed reads.
#include <gtest/gtest.h>

#include "zqutil/AttributeBytes.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/Dimension.h"
#include "zqutil/TamorException.h"

namespace {

// One feature of every kind, numbered by kind.
AttributeBytesIndexedList OneOfEachKind() {
  AttributeBytesIndexedList list;
  list.SetOptionValue(1, 7430);
  list.SetNewValueId(2, u"Heavy Gloss", 9000);
  list.SetIntegerValue(3, -150);
  list.SetBooleanValue(4, true);
  list.SetStringValue(5, u"Report");
  list.SetPaperSizeValues(6, 2100, 2970);
  AttributeBytesIndexedList inner;
  inner.SetOptionValue(168, 5732);
  list.SetCollection(7, inner);
  AttributeBytesListValue items;
  items.AppendOptionValue(6901);
  list.SetList(8, items);
  return list;
}

TEST(AttributesModel, TypedReadsAnswerOnlyTheirOwnKind) {
  const AttributeBytesIndexedList list = OneOfEachKind();
  for (AttributeBytesFeatureId feature = 1; feature <= 8; ++feature) {
    SCOPED_TRACE(feature);
    AttributeBytesValueEnum option = 0;
    CXString text;
    std::int32_t integer = 0;
    bool boolean = false;
    std::int32_t w = 0, l = 0;
    AttributeBytesIndexedList collection;
    AttributeBytesListValue items;
    std::size_t count = 0;
    // An option value is found for new-value ids too: they carry one.
    EXPECT_EQ(list.GetOptionValue(feature, option), feature == 1 || feature == 2);
    EXPECT_EQ(list.GetNewValueId(feature, text), feature == 2);
    EXPECT_EQ(list.GetIntegerValue(feature, integer), feature == 3);
    EXPECT_EQ(list.GetBooleanValue(feature, boolean), feature == 4);
    EXPECT_EQ(list.GetStringValue(feature, text), feature == 5);
    EXPECT_EQ(list.GetPaperSizeValues(feature, w, l), feature == 6);
    EXPECT_EQ(list.GetCollection(feature, collection), feature == 7);
    EXPECT_EQ(list.GetList(feature, items), feature == 8);
    EXPECT_EQ(list.GetListCount(feature, count), feature == 8);
  }
  AttributeBytesValueEnum option = 0;
  CXString id = u"stale";
  bool isNewValueId = true;
  ASSERT_TRUE(list.GetOptionValueOrNewId(1, option, id, isNewValueId));
  EXPECT_EQ(option, 7430u);
  EXPECT_TRUE(id.IsEmpty());
  EXPECT_FALSE(isNewValueId);
  ASSERT_TRUE(list.GetOptionValueOrNewId(2, option, id, isNewValueId));
  EXPECT_EQ(option, 9000u);
  EXPECT_EQ(id, CXString(u"Heavy Gloss"));
  EXPECT_TRUE(isNewValueId);
  EXPECT_FALSE(list.GetOptionValueOrNewId(3, option, id, isNewValueId));
  EXPECT_FALSE(list.GetOptionValueOrNewId(99, option, id, isNewValueId));
}

TEST(AttributesModel, ReplacingKeepsThePositionAndRemovingKeepsTheIndexRight) {
  AttributeBytesIndexedList list = OneOfEachKind();
  list.SetStringValue(3, u"was an integer");
  std::int32_t integer = 0;
  EXPECT_FALSE(list.GetIntegerValue(3, integer));
  EXPECT_EQ(list.GetCount(), 8u);

  EXPECT_TRUE(list.Remove(1));
  EXPECT_FALSE(list.Remove(1));
  std::vector<AttributeBytesFeatureId> order;
  for (auto it = list.GetIterator(); list.IsValid(it);) order.push_back(list.GetNextAttributeBytes(it).GetFeatureId());
  EXPECT_EQ(order, (std::vector<AttributeBytesFeatureId>{2, 3, 4, 5, 6, 7, 8}));
  CXString text;
  ASSERT_TRUE(list.GetStringValue(3, text));
  EXPECT_EQ(text, CXString(u"was an integer"));
  ASSERT_TRUE(list.GetStringValue(5, text));
  EXPECT_EQ(text, CXString(u"Report"));

  AttributeBytesIterator end = list.GetCount();
  EXPECT_THROW(list.GetNextAttributeBytes(end), ExceptionIndexOutOfRange);
}

TEST(AttributesModel, NotSpecifiedFeaturesArePresentButAnswerNoValue) {
  AttributeBytesIndexedList list = OneOfEachKind();
  ASSERT_TRUE(list.SetIsSpecified(1, false));
  AttributeBytesValueEnum option = 0;
  EXPECT_TRUE(list.IsPresent(1));
  EXPECT_FALSE(list.IsSpecified(1));
  EXPECT_FALSE(list.GetOptionValue(1, option));
  ASSERT_TRUE(list.SetIsSpecified(1, true));
  EXPECT_TRUE(list.GetOptionValue(1, option));

  EXPECT_FALSE(list.SetIsSpecified(164, true));
  EXPECT_FALSE(list.IsPresent(164));
  ASSERT_TRUE(list.SetIsSpecified(164, false));
  EXPECT_TRUE(list.IsPresent(164));
  EXPECT_EQ(list.Find(164)->GetKind(), AttributeBytesKind::None);
  // Setting a value makes it specified again.
  list.SetOptionValue(1, 7431);
  ASSERT_TRUE(list.SetIsSpecified(1, false));
  list.SetOptionValue(1, 7432);
  EXPECT_TRUE(list.IsSpecified(1));
}

TEST(AttributesModel, ListItemsByIndex) {
  AttributeBytesIndexedList job;
  job.SetStringValue(65, u"Stored");
  AttributeBytesListValue items;
  items.AppendOptionValue(6901);
  items.AppendNewValueId(u"Heavy Gloss");
  items.AppendCollection(job);
  AttributeBytesIndexedList list;
  list.SetList(203, items);

  AttributeBytesValueEnum option = 0;
  CXString id;
  AttributeBytesIndexedList collection;
  EXPECT_TRUE(list.GetOptionValueByIndex(203, 0, option));
  EXPECT_EQ(option, 6901u);
  EXPECT_TRUE(list.GetOptionValueByIndex(203, 1, option));
  EXPECT_EQ(option, kAttributeBytesNoValue);
  EXPECT_FALSE(list.GetOptionValueByIndex(203, 2, option));
  EXPECT_FALSE(list.GetOptionValueByIndex(203, 3, option));
  EXPECT_FALSE(list.GetNewValueIdByIndex(203, 0, id));
  EXPECT_TRUE(list.GetNewValueIdByIndex(203, 1, id));
  EXPECT_EQ(id, CXString(u"Heavy Gloss"));
  EXPECT_FALSE(list.GetCollectionByIndex(203, 1, collection));
  ASSERT_TRUE(list.GetCollectionByIndex(203, 2, collection));
  EXPECT_TRUE(collection == job);
  EXPECT_FALSE(list.GetCollectionByIndex(204, 0, collection));
}

TEST(AttributesModel, ImportReplacesSharedFeaturesAndKeepsTheRest) {
  AttributeBytesIndexedList target;
  target.SetOptionValue(285, 7430);
  target.SetIntegerValue(160, 100);
  AttributeBytesIndexedList source;
  source.SetOptionValue(285, 7433);
  source.SetBooleanValue(1000, false);
  target.ImportFromOtherList(source);
  AttributeBytesValueEnum option = 0;
  std::int32_t percent = 0;
  bool flag = true;
  ASSERT_TRUE(target.GetOptionValue(285, option));
  EXPECT_EQ(option, 7433u);
  ASSERT_TRUE(target.GetIntegerValue(160, percent));
  EXPECT_EQ(percent, 100);
  ASSERT_TRUE(target.GetBooleanValue(1000, flag));
  EXPECT_FALSE(flag);
}

TEST(AttributesModel, CollectionReadIntoTheListThatHoldsIt) {
  AttributeBytesIndexedList list = OneOfEachKind();
  ASSERT_TRUE(list.GetCollection(7, list));
  AttributeBytesValueEnum option = 0;
  ASSERT_TRUE(list.GetOptionValue(168, option));
  EXPECT_EQ(option, 5732u);
  EXPECT_EQ(list.GetCount(), 1u);
}

TEST(AttributesModel, PaperSizesAreKeptInTenthsOfAMillimetre) {
  AttributeBytesIndexedList list;
  list.SetPaperSizeValues(164, Dimension(612, Dimension::kPoint), Dimension(792, Dimension::kPoint));
  std::int32_t w = 0, l = 0;
  ASSERT_TRUE(list.GetPaperSizeValues(164, w, l));
  EXPECT_EQ(w, 2159);
  EXPECT_EQ(l, 2794);
  Dimension width, length;
  ASSERT_TRUE(list.GetPaperSizeValues(164, width, length));
  EXPECT_DOUBLE_EQ(width.GetValue(Dimension::kPoint), 612.0);
  EXPECT_DOUBLE_EQ(length.GetValue(Dimension::kTenthMillimetre), 2794.0);
  EXPECT_THROW(list.SetPaperSizeValues(164, Dimension(1e12, Dimension::kPoint), length), ExceptionInvalidArgument);
}

TEST(AttributesModel, ReaderAnswersFromTheDocumentList) {
  AttributeBytesListReader empty;
  EXPECT_TRUE(empty.IsEmpty());
  AttributeBytesListReader reader(OneOfEachKind());
  EXPECT_FALSE(reader.IsEmpty());
  DWORD option = 0;
  LONG integer = 0;
  bool boolean = false;
  CXString text;
  Dimension width, length;
  AttributeBytesIndexedList collection;
  AttributeBytesListValue items;
  ASSERT_TRUE(reader.GetOptionValueFromAttributeBytes(1, option));
  EXPECT_EQ(option, 7430u);
  ASSERT_TRUE(reader.GetNewValueIdFromAttributeBytes(2, text));
  EXPECT_EQ(text, CXString(u"Heavy Gloss"));
  ASSERT_TRUE(reader.GetIntegerValueFromAttributeBytes(3, integer));
  EXPECT_EQ(integer, -150);
  ASSERT_TRUE(reader.GetBooleanValueFromAttributeBytes(4, boolean));
  EXPECT_TRUE(boolean);
  ASSERT_TRUE(reader.GetStringValueFromAttributeBytes(5, text));
  EXPECT_EQ(text, CXString(u"Report"));
  ASSERT_TRUE(reader.GetPaperSizeFromAttributeBytes(6, width, length));
  EXPECT_DOUBLE_EQ(length.GetValue(Dimension::kTenthMillimetre), 2970.0);
  ASSERT_TRUE(reader.GetCollectionFromAttributeBytes(7, collection));
  ASSERT_TRUE(reader.GetListFromAttributeBytes(8, items));
  EXPECT_EQ(items.GetCount(), 1u);
  EXPECT_TRUE(reader.IsFeaturePresentInAttributeBytes(8));
  EXPECT_FALSE(reader.GetOptionValueFromAttributeBytes(3, option));
  EXPECT_EQ(&reader.GetAttributeBytesList(), &reader.GetDocumentAttributeBytesList());
}

}  // namespace
