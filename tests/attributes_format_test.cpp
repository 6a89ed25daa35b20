// The byte forms of the settings model: exact layout, round trips, and
// malformed input that must read as invalid without a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "zqutil/AttributeBytes.h"
#include "zqutil/AttributeBytesFormat.h"
#include "zqutil/Dimension.h"
#include "zqutil/PersistentAttributes.h"
#include "zqutil/TamorException.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// 285 = option 7430; 160 = integer -5, not specified; 70000 (a 32-bit id) = "Ab".
AttributeBytesIndexedList SmallList() {
  AttributeBytesIndexedList list;
  list.SetOptionValue(285, 7430);
  list.SetIntegerValue(160, -5);
  list.SetIsSpecified(160, false);
  list.SetStringValue(70000, u"Ab");
  return list;
}

const Bytes kSmallListBody = {0x03, 0x00,                                            // count
                              0x01, 0x1D, 0x01, 0x02, 0x00, 0x06, 0x1D,              // 285 option 7430
                              0x13, 0xA0, 0x00, 0x04, 0x00, 0xFB, 0xFF, 0xFF, 0xFF,  // 160 integer, unspecified
                              0x25, 0x70, 0x11, 0x01, 0x00, 0x04, 0x00, 0x41, 0x00, 0x62, 0x00};  // 70000 "Ab"

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The image of SmallList in namespace 1 and a blob "X" = DE AD in namespace 2.
const Bytes kSmallImage = Concat({{0xA7, 0x01, 0x02, 0x01, 0x00},
                                  kSmallListBody,
                                  {0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x01, 0x58, 0x00, 0x02, 0x00, 0xDE, 0xAD}});

// Every kind, nesting and a list of collections.
AttributeBytesIndexedList RichList() {
  AttributeBytesIndexedList list = SmallList();
  list.SetOptionValue(36, 0x12345678);
  list.SetNewValueId(155, u"42");
  list.SetNewValueId(170, u"Heavy Gl\u00F6ss", 9000);
  list.SetBooleanValue(4, true);
  list.SetBooleanValue(5, false);
  list.SetStringValue(78, u"");
  list.SetPaperSizeValues(164, 2100, -2970);
  list.SetDimensionValue(172, Dimension(2159, Dimension::kTenthMillimetre));
  list.SetDimensionValue(173, Dimension(-0.125, Dimension::kPoint));
  list.SetIsSpecified(900, false);
  AttributeBytesIndexedList inner;
  inner.SetPaperSizeValues(164, 2159, 2794);
  AttributeBytesIndexedList outer;
  outer.SetCollection(210, inner);
  outer.SetOptionValue(168, 5732);
  list.SetCollection(202, outer);
  AttributeBytesListValue items;
  items.AppendCollection(inner);
  items.AppendCollection(outer);
  items.AppendOptionValue(6901);
  items.AppendNewValueId(u"Job A");
  AttributeBytesListValue nested;
  nested.AppendOptionValue(1);
  items.Append(nested);
  list.SetList(203, items);
  return list;
}

// A chain of `depth` collections, each holding feature 1 = the next; the innermost is empty.
Bytes NestedCollections(int depth) {
  Bytes body = {0x00, 0x00};
  for (int i = 0; i < depth; ++i) {
    const auto length = static_cast<std::uint16_t>(body.size());
    body = Concat(
        {{0x01, 0x00, 0x07, 0x01, 0x00, static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8)},
         body});
  }
  return Concat({{0xA1, 0x01}, body});
}

bool ParsesAsListState(const Bytes& bytes) {
  AttributeBytesIndexedList list;
  return attribute_bytes_format::ParseListState(bytes.data(), bytes.size(), list);
}

TEST(AttributesFormat, ExactBytesOfListStateAndImage) {
  const ByteBuffer state = SmallList().GetAttributeBytesIndexedListState();
  EXPECT_EQ(state.bytes(), Concat({{0xA1, 0x01}, kSmallListBody}));

  PersistentAttributes image;
  image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace, SmallList());
  image.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"X", ByteBuffer(Bytes{0xDE, 0xAD}));
  EXPECT_EQ(image.GetBytes().bytes(), kSmallImage);
}

TEST(AttributesFormat, ListStateRoundTripKeepsEveryKindAndMark) {
  const AttributeBytesIndexedList list = RichList();
  const AttributeBytesIndexedList rebuilt(list.GetAttributeBytesIndexedListState());
  EXPECT_TRUE(rebuilt == list);
  EXPECT_FALSE(rebuilt == SmallList());
  AttributeBytesIndexedList collection;
  std::int32_t w = 0, l = 0;
  ASSERT_TRUE(rebuilt.GetCollectionByIndex(203, 1, collection));
  ASSERT_TRUE(collection.GetCollection(210, collection));
  ASSERT_TRUE(collection.GetPaperSizeValues(164, w, l));
  EXPECT_EQ(w, 2159);
  EXPECT_EQ(l, 2794);
  EXPECT_FALSE(rebuilt.IsSpecified(160));
  EXPECT_TRUE(rebuilt.IsPresent(900));
}

TEST(AttributesFormat, ImageRoundTripWithTwoNamespacesAndBlobs) {
  PersistentAttributes image;
  image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace, RichList());
  image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, SmallList());
  image.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"XResolutions", ByteBuffer(Bytes{1, 2, 3}));
  image.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"XDevCaps", ByteBuffer(Bytes{4}));
  image.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"XDevCaps", ByteBuffer(Bytes{5, 6}));
  image.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"Empty", ByteBuffer());

  const PersistentAttributes read(image.GetBytes(), true);
  ASSERT_TRUE(read.IsValid());
  EXPECT_TRUE(read.GetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace) == RichList());
  EXPECT_TRUE(read.GetAttributeBytesListForNameSpace(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace) ==
              SmallList());
  EXPECT_TRUE(read.GetAttributeBytesListForNameSpace(7).IsEmpty());
  ByteBuffer blob;
  ASSERT_TRUE(read.GetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"XDevCaps", blob));
  EXPECT_EQ(blob.bytes(), (Bytes{5, 6}));
  ASSERT_TRUE(read.GetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"Empty", blob));
  EXPECT_TRUE(blob.empty());
  EXPECT_FALSE(read.GetBlob(PersistentAttributes::skoDataModelDocPropNameSpace, u"XDevCaps", blob));
  EXPECT_EQ(read.GetBytes(), image.GetBytes());

  const PersistentAttributes nothing{ByteBuffer()};
  EXPECT_TRUE(nothing.IsValid());
  EXPECT_TRUE(nothing.GetNameSpaces().empty());
}

TEST(AttributesFormat, EveryTruncationIsInvalid) {
  PersistentAttributes image;
  image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace, RichList());
  image.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"XDevCaps", ByteBuffer(Bytes{5, 6}));
  const Bytes full = image.GetBytes().bytes();
  for (std::size_t size = 1; size < full.size(); ++size) {
    const PersistentAttributes cut(ByteBuffer(Bytes(full.begin(), full.begin() + size)));
    EXPECT_FALSE(cut.IsValid()) << size;
    EXPECT_TRUE(cut.GetNameSpaces().empty()) << size;
  }
  const Bytes state = RichList().GetAttributeBytesIndexedListState().bytes();
  for (std::size_t size = 0; size < state.size(); ++size) {
    EXPECT_FALSE(ParsesAsListState(Bytes(state.begin(), state.begin() + size))) << size;
  }
}

TEST(AttributesFormat, MalformedImagesReadAsInvalid) {
  struct Case {
    const char* what;
    std::size_t offset;  // into kSmallImage
    Bytes patch;
  };
  // Image offsets: 0 tag, 1 version, 2 namespace count, 3 namespace id, 5 list count,
  // 7 first head, 8 its id, 10 its length, 14 second head, 28 third length, 34 blob count
  // of namespace 1, 35 second namespace id, 39 its blob count, 40 name length, 43 data length.
  const Case cases[] = {
      {"tag", 0, {0xA1}},
      {"version", 1, {2}},
      {"namespace count overruns", 2, {3}},
      {"namespace count beyond the bytes", 2, {0xFF}},
      {"attribute count overruns", 5, {4}},
      {"attribute count beyond the bytes", 6, {0xFF}},
      {"unknown kind", 7, {0x0A}},
      {"unknown head bit", 7, {0x41}},
      {"option length 3", 10, {0x03}},
      {"integer of kind boolean", 14, {0x04}},
      {"string length overruns", 28, {0x06}},
      {"string length far beyond the bytes", 29, {0x40}},
      {"repeated feature id", 8, {0xA0, 0x00}},
      {"namespace ids repeated", 35, {0x01}},
      {"blob count overruns", 39, {0x02}},
      {"blob name overruns", 40, {0x20}},
      {"blob data overruns", 43, {0x03}},
  };
  ASSERT_TRUE(PersistentAttributes(ByteBuffer(kSmallImage)).IsValid());
  for (const Case& c : cases) {
    Bytes bytes = kSmallImage;
    ASSERT_LE(c.offset + c.patch.size(), bytes.size()) << c.what;
    std::copy(c.patch.begin(), c.patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.offset));
    EXPECT_FALSE(PersistentAttributes(ByteBuffer(bytes)).IsValid()) << c.what;
    EXPECT_THROW(PersistentAttributes(ByteBuffer(bytes), true), ExceptionInvalidData) << c.what;
  }
  Bytes trailing = kSmallImage;
  trailing.push_back(0);
  EXPECT_FALSE(PersistentAttributes(ByteBuffer(trailing)).IsValid());
  // Blob names must ascend: a repeated name is not a second blob.
  const Bytes twoBlobs = {0xA7, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x02, 0x01,
                          0x58, 0x00, 0x00, 0x00, 0x01, 0x59, 0x00, 0x00, 0x00};
  EXPECT_TRUE(PersistentAttributes(ByteBuffer(twoBlobs)).IsValid());
  Bytes sameName = twoBlobs;
  sameName[14] = 0x58;
  EXPECT_FALSE(PersistentAttributes(ByteBuffer(sameName)).IsValid());
  // A boolean other than 0 or 1.
  EXPECT_TRUE(ParsesAsListState({0xA1, 0x01, 0x01, 0x00, 0x04, 0x01, 0x00, 0x01, 0x00, 0x01}));
  EXPECT_FALSE(ParsesAsListState({0xA1, 0x01, 0x01, 0x00, 0x04, 0x01, 0x00, 0x01, 0x00, 0x02}));
  // A collection whose length leaves a byte its list does not use.
  EXPECT_TRUE(ParsesAsListState({0xA1, 0x01, 0x01, 0x00, 0x07, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00}));
  EXPECT_FALSE(ParsesAsListState({0xA1, 0x01, 0x01, 0x00, 0x07, 0x01, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00}));
  // A string of an odd byte count; a list item without a value.
  EXPECT_FALSE(ParsesAsListState({0xA1, 0x01, 0x01, 0x00, 0x05, 0x01, 0x00, 0x01, 0x00, 0x41}));
  EXPECT_FALSE(ParsesAsListState({0xA1, 0x01, 0x01, 0x00, 0x08, 0x01, 0x00, 0x05, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(ParsesAsListState({0xA1, 0x01, 0x01, 0x00, 0x08, 0x01, 0x00, 0x05, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00}));
}

// A dimension is its unit and its length in that unit, bit for bit.
TEST(AttributesFormat, DimensionsKeepTheirUnitAndValue) {
  AttributeBytesIndexedList list;
  list.SetDimensionValue(172, Dimension(2159, Dimension::kTenthMillimetre));
  const Bytes state = list.GetAttributeBytesIndexedListState().bytes();
  // 2159.0 = 0x40A0DE0000000000
  EXPECT_EQ(state, (Bytes{0xA1, 0x01, 0x01, 0x00, 0x09, 0xAC, 0x00, 0x09, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00,
                          0xDE, 0xA0, 0x40}));
  Dimension length;
  ASSERT_TRUE(AttributeBytesIndexedList(ByteBuffer(state)).GetDimensionValue(172, length));
  EXPECT_EQ(length.GetUnit(), Dimension::kTenthMillimetre);
  EXPECT_EQ(length.GetValue(Dimension::kTenthMillimetre), 2159.0);
  std::int32_t number = 0;
  EXPECT_FALSE(list.GetIntegerValue(172, number)) << "a dimension is not an integer";

  struct Case {
    const char* what;
    std::size_t offset;
    Bytes patch;
  };
  const Case cases[] = {
      {"unit 2 is no unit", 9, {0x02}},
      {"unit 11 is no unit", 9, {0x0B}},
      {"not a number", 16, {0xF8, 0x7F}},
      {"infinite", 10, {0, 0, 0, 0, 0, 0, 0xF0, 0x7F}},
      {"length 8", 7, {0x08}},
  };
  for (const Case& c : cases) {
    Bytes bad = state;
    std::copy(c.patch.begin(), c.patch.end(), bad.begin() + static_cast<std::ptrdiff_t>(c.offset));
    EXPECT_FALSE(ParsesAsListState(bad)) << c.what;
  }
  Bytes unit10 = state;
  unit10[9] = 0x0A;
  EXPECT_TRUE(ParsesAsListState(unit10));
  EXPECT_THROW(list.SetDimensionValue(173, Dimension(std::numeric_limits<double>::infinity(), 5)),
               ExceptionInvalidArgument);
}

TEST(AttributesFormat, NestingDeeperThanEightIsRefusedBothWays) {
  EXPECT_TRUE(ParsesAsListState(NestedCollections(kAttributeBytesMaxDepth)));
  EXPECT_FALSE(ParsesAsListState(NestedCollections(kAttributeBytesMaxDepth + 1)));
  EXPECT_FALSE(ParsesAsListState(NestedCollections(200)));

  AttributeBytesIndexedList chain;
  for (int depth = 0; depth < kAttributeBytesMaxDepth; ++depth) {
    AttributeBytesIndexedList next;
    next.SetCollection(1, chain);
    chain = next;
  }
  EXPECT_EQ(chain.GetAttributeBytesIndexedListState().bytes(), NestedCollections(kAttributeBytesMaxDepth));
  AttributeBytesIndexedList tooDeep;
  tooDeep.SetCollection(1, chain);
  EXPECT_THROW(tooDeep.GetAttributeBytesIndexedListState(), ExceptionCapacityExceeded);
  // A malformed state gives an empty list, not an exception.
  EXPECT_TRUE(AttributeBytesIndexedList(ByteBuffer(NestedCollections(9))).IsEmpty());
}

TEST(AttributesFormat, WritersRefuseWhatCannotBeEncoded) {
  AttributeBytesIndexedList list;
  list.SetStringValue(1, CXString(std::u16string(40000, u'x')));
  EXPECT_THROW(list.GetAttributeBytesIndexedListState(), ExceptionCapacityExceeded);
  PersistentAttributes image;
  EXPECT_THROW(image.SetAttributeBytesListForNameSpace(-1, list), ExceptionInvalidArgument);
  EXPECT_THROW(image.SetBlob(70000, u"X", ByteBuffer()), ExceptionInvalidArgument);
  EXPECT_THROW(image.SetBlob(2, CXString(std::u16string(256, u'n')), ByteBuffer()), ExceptionInvalidArgument);
  EXPECT_THROW(image.SetBlob(2, u"X", ByteBuffer(Bytes(65536))), ExceptionInvalidArgument);
}

}  // namespace
