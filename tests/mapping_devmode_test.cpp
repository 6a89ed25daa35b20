// The Windows devmode mapping over real devmodes built by the driver double:
// the helper and the private offsets agree, the private-word rules, paper
// size validation, bounds, and the bulk operations with the paper scoring.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "CoreHelper.h"
#include "DevmodeLayout.h"
#include "msdevmode/MsDevmodeUsingReverseEngineering.h"
#include "msdevmode/MsFeatureManager.h"
#include "zqcore/MediaHandler.h"
#include "zqutil/AttributeBytes.h"
#include "zqutil/TamorException.h"

namespace {

constexpr std::uint32_t kPs = 0x400;
constexpr std::uint32_t kColor = 0x1000;
constexpr std::uint32_t kMono = 0x2000;

struct Devmode {
  explicit Devmode(const driversim::PublicFields& fields = {}, const driversim::DriverOptions& options = {})
      : bytes(driversim::BuildDevmode(fields, options)) {}
  DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(bytes.data()); }
  std::uint8_t* privatePart() { return bytes.data() + driversim::kPublicDevmodeSize; }
  driversim::DriverOptions Options() { return driversim::ReadDriverOptions(privatePart()); }
  std::vector<std::uint8_t> bytes;
};

struct HelperRelease {
  void operator()(driversim::CoreHelper* helper) const { helper->Release(); }
};
using HelperPtr = std::unique_ptr<driversim::CoreHelper, HelperRelease>;

HelperPtr MakeHelper(Devmode& devmode) {
  return HelperPtr(new driversim::CoreHelper(devmode.dm(), static_cast<DWORD>(devmode.bytes.size())));
}

std::unique_ptr<MsFeatureManager> ThroughHelper(Devmode& devmode, IPrintCoreHelper* helper,
                                                std::uint32_t color = kColor) {
  return MsFeatureManager::CreateMsFeatureManagerFromDevmode(nullptr, devmode.dm(), 3, helper, kPs, color);
}

std::unique_ptr<MsFeatureManager> ByOffsets(Devmode& devmode, std::uint32_t pdl = kPs, std::uint32_t color = kColor) {
  return MsFeatureManager::CreateMsFeatureManagerFromDevmode(nullptr, devmode.dm(), 3, nullptr, pdl, color);
}

struct OptionCase {
  int feature;
  int option;
};

// The helper reads as the driver does: what one path writes, the other must
// read back.
TEST(MappingPostScript, WritesThroughEitherPathReadBackThroughTheOther) {
  const OptionCase writes[] = {{3, 4012},  {3, 4010},  {19, 6243}, {20, 4111}, {21, 4121}, {23, 4151}, {24, 4163},
                               {25, 4170}, {26, 4181}, {27, 4191}, {28, 4201}, {29, 4212}, {10, 4421}, {8, 4026}};
  for (bool writeWithHelper : {true, false}) {
    Devmode devmode;
    auto helper = MakeHelper(devmode);
    auto viaHelper = ThroughHelper(devmode, helper.get(), kMono);
    auto viaOffsets = ByOffsets(devmode, kPs, kMono);
    MsFeatureManager& writer = writeWithHelper ? *viaHelper : *viaOffsets;
    MsFeatureManager& reader = writeWithHelper ? *viaOffsets : *viaHelper;
    for (const OptionCase& c : writes) {
      writer.SetMsFeatureValue(c.feature, c.option, true);
      EXPECT_EQ(reader.GetMsFeatureValue(c.feature, true), c.option)
          << (writeWithHelper ? "helper" : "offsets") << " wrote feature " << c.feature;
    }
  }
}

TEST(MappingPostScript, NupAndBookletShareOneWord) {
  for (bool withHelper : {true, false}) {
    SCOPED_TRACE(withHelper ? "helper" : "offsets");
    Devmode devmode;
    auto helper = MakeHelper(devmode);
    auto manager = withHelper ? ThroughHelper(devmode, helper.get()) : ByOffsets(devmode);
    manager->SetMsFeatureValue(20, 1, false);
    EXPECT_TRUE(devmode.Options().booklet);
    manager->SetMsFeatureValue(19, 0, false);  // 1-up while booklet is on
    EXPECT_TRUE(devmode.Options().booklet);
    EXPECT_EQ(manager->GetMsFeatureValue(19, false), 0);
    manager->SetMsFeatureValue(20, 0, false);
    EXPECT_FALSE(devmode.Options().booklet);
    manager->SetMsFeatureValue(19, 6242, true);  // 4-up
    EXPECT_EQ(devmode.Options().pagesPerSheet, 2u);
    manager->SetMsFeatureValue(20, 4110, true);  // booklet off leaves 4-up alone
    EXPECT_EQ(devmode.Options().pagesPerSheet, 2u);
    EXPECT_EQ(manager->GetMsFeatureValue(20, false), 0);
  }
}

TEST(MappingPostScript, RotatedLandscapeIsBitTwoOfWordFive) {
  Devmode devmode;
  auto manager = ByOffsets(devmode);
  manager->SetMsFeatureValue(3, 3, false);
  EXPECT_EQ(devmode.dm()->dmOrientation, 2);
  EXPECT_EQ(devmode.privatePart()[5] & 0x02, 0x02);
  EXPECT_EQ(manager->GetMsFeatureValue(3, true), 4012);
  manager->SetMsFeatureValue(3, 2, false);
  EXPECT_EQ(devmode.privatePart()[5] & 0x02, 0);
  EXPECT_EQ(manager->GetMsFeatureValue(3, false), 2);
}

TEST(MappingPublicFields, WritesSetTheFieldBitsAndUnknownRawReadsAsFirstRow) {
  driversim::PublicFields fields;
  fields.fields = 0;
  fields.duplex = 9;
  Devmode devmode(fields);
  auto manager = ByOffsets(devmode);
  EXPECT_EQ(manager->GetMsFeatureValue(10, true), 4420);
  const struct {
    int feature;
    int raw;
    DWORD bit;
  } writes[] = {{4, 150, 0x10},        {5, 3, 0x100},      {6, 0, 0x8000},       {7, 2, 0x200},
                {8, 13107400, 0x2400}, {9, 1, 0x800},      {10, 2, 0x1000},      {11, 3, 0x4000},
                {15, 2, 0x800000},     {16, 3, 0x1000000}, {17, 260, 0x2000000}, {18, 4, 0x4000000}};
  for (const auto& w : writes) {
    manager->SetMsFeatureValue(w.feature, w.raw, false);
    EXPECT_EQ(devmode.dm()->dmFields & w.bit, w.bit) << w.feature;
    EXPECT_EQ(manager->GetMsFeatureValue(w.feature, false), w.raw) << w.feature;
  }
  EXPECT_EQ(devmode.dm()->dmPrintQuality, 200);
  EXPECT_EQ(devmode.dm()->dmYResolution, 200);
  for (int readOnly : {12, 13, 14, 40})
    EXPECT_THROW(manager->SetMsFeatureValue(readOnly, 1, false), ExceptionMicrosoftFeatureNotFound) << readOnly;
}

TEST(MappingPaperSize, ValidationAndFields) {
  Devmode devmode;
  auto manager = ByOffsets(devmode);
  EXPECT_THROW(manager->SetMsPaperSizeFeaturesCurrentValues(0, 0, 2970, u""), ExceptionInvalidPaperSizeData);
  EXPECT_THROW(manager->SetMsPaperSizeFeaturesCurrentValues(9, 2100, 0, u""), ExceptionInvalidPaperSizeData);
  EXPECT_THROW(manager->SetMsPaperSizeFeaturesCurrentValues(9, 0, 0, std::u16string(32, u'x')),
               ExceptionInvalidFormName);

  manager->SetMsPaperSizeFeaturesCurrentValues(9, 0, 0, std::u16string(31, u'x'));
  EXPECT_EQ(devmode.dm()->dmPaperSize, 9);
  EXPECT_EQ(devmode.dm()->dmPaperWidth, 0);
  EXPECT_EQ(devmode.dm()->dmFields & (DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH | DM_FORMNAME),
            static_cast<DWORD>(DM_PAPERSIZE));
  EXPECT_EQ(devmode.dm()->dmFormName[0], 0);

  manager->SetMsPaperSizeFeaturesCurrentValues(0, 1000, 1500, u"Card");
  EXPECT_EQ(manager->GetMsFeatureValue(13, false), 1000);
  EXPECT_EQ(manager->GetMsFeatureValue(14, false), 1500);
  EXPECT_EQ(devmode.dm()->dmFields & (DM_PAPERWIDTH | DM_PAPERLENGTH),
            static_cast<DWORD>(DM_PAPERWIDTH | DM_PAPERLENGTH));
}

TEST(MappingBounds, PrivateWordsMustLieInsideThePrivatePart) {
  Devmode devmode;
  devmode.dm()->dmDriverExtra = 130;  // word 124 fits, 128 ends at 130, 132 does not
  MsDevmodeUsingReverseEngineering access(nullptr, devmode.dm(), kPs, kColor);
  EXPECT_NO_THROW(access.GetMsFeatureValue(24, false));
  EXPECT_NO_THROW(access.GetMsFeatureValue(29, false));
  EXPECT_THROW(access.GetMsFeatureValue(21, false), ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds);
  EXPECT_THROW(access.SetMsFeatureValue(19, 1, false), ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds);
  EXPECT_THROW(access.ReadPrivateWord(129), ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds);
  EXPECT_THROW(access.ReadPrivateWord(-1), ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds);
  EXPECT_THROW(access.GetMsFeatureValue(30, false), ExceptionMicrosoftFeatureNotFound);

  // Raster settings the driver does not have take the out-of-bounds path.
  MsDevmodeUsingReverseEngineering raster(nullptr, devmode.dm(), 0x100, kColor);
  EXPECT_THROW(raster.GetMsFeatureValue(24, false), ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds);
  EXPECT_THROW(MsFeatureManager::CreateMsFeatureManagerFromDevmode(nullptr, nullptr, 3, nullptr),
               ExceptionInvalidArgumentNullPointer);
}

TEST(MappingRaster, PrivateWordsOfTheRasterDriver) {
  Devmode devmode;
  MsDevmodeUsingReverseEngineering raster(nullptr, devmode.dm(), 0x100, kColor);
  raster.SetRasterFeatureOffsets({{34, 10}, {31, 12}});
  raster.WritePrivateWord(20, 1);
  raster.WritePrivateWord(24, 6);
  raster.WritePrivateWord(16, 0x10);
  EXPECT_EQ(raster.GetMsFeatureValue(21, true), 4121);
  EXPECT_EQ(raster.GetMsFeatureValue(20, true), 4111);
  EXPECT_EQ(raster.GetMsFeatureValue(19, false), 0);
  EXPECT_EQ(raster.GetMsFeatureValue(23, true), 4150);  // mask set means off
  EXPECT_EQ(raster.GetMsFeatureValue(30, true), 4221);

  raster.SetMsFeatureValue(22, 4133, true);
  EXPECT_EQ(raster.ReadPrivateWord(28), 0xFFFF);
  EXPECT_EQ(raster.ReadPrivateWord(30), 0xFFFF);
  raster.SetMsFeatureValue(22, 4132, true);
  EXPECT_EQ(raster.ReadPrivateWord(28), 2);
  EXPECT_EQ(raster.ReadPrivateWord(30), 0);

  raster.SetMsFeatureValue(34, 4971, true);
  EXPECT_EQ(raster.ReadPrivateWord(58), 0);
  EXPECT_EQ(devmode.dm()->dmColor, 1);  // the public colour follows
  raster.SetMsFeatureValue(31, 4230, true);
  EXPECT_EQ(raster.ReadPrivateWord(60), 1);
  EXPECT_EQ(raster.GetMsFeatureValue(3, true), 4010);  // public field, raster table
}

TEST(MappingHelper, RowsTheDriverDoesNotAnswerAreDroppedAndFailuresAreNamed) {
  Devmode devmode;
  auto helper = MakeHelper(devmode);
  helper->HideFeature("%Negative");
  auto manager = ThroughHelper(devmode, helper.get(), kMono);
  EXPECT_EQ(manager->GetAccessor().FindWorkingRow(28), nullptr);
  EXPECT_NE(manager->GetAccessor().FindWorkingRow(24), nullptr);
  // Colour printers have no negative row at all.
  auto colour = ThroughHelper(devmode, helper.get(), kColor);
  EXPECT_THROW(colour->GetMsFeatureValue(28, true), ExceptionMicrosoftFeatureNotFound);

  helper->SetForcedResult(E_FAIL);
  EXPECT_THROW(manager->GetMsFeatureValue(24, true), ExceptionIPrintCoreHelperReadFailure);
  EXPECT_THROW(manager->SetMsFeatureValue(24, 4161, true), ExceptionIPrintCoreHelperWriteFailure);
  helper->SetForcedResult(S_OK);
  EXPECT_THROW(manager->SetMsFeatureValue(24, 4999, true), ExceptionMicrosoftDevmodeValueMappingFailed);
  EXPECT_EQ(manager->GetMsFeatureValue(5, false), 1);  // no keyword: public field
}

TEST(MappingModel, DeclaredFeatures) {
  Devmode devmode;
  auto manager = ByOffsets(devmode);
  std::map<int, MsDeclaredFeature> declared;
  for (const MsDeclaredFeature& f : manager->GetDeclaredFeatures()) declared.emplace(f.feature, f);
  for (int internal : {10, 12, 19, 20, 28, 31}) EXPECT_EQ(declared.count(internal), 0u) << internal;
  ASSERT_EQ(declared.count(24), 1u);
  EXPECT_EQ(declared[24].options, (std::vector<int>{4160, 4161, 4162, 4163}));
  EXPECT_EQ(declared[25].defaultValue, 4172);
  EXPECT_EQ(declared[4].minimum, 25);
  EXPECT_EQ(declared[4].maximum, 400);
  EXPECT_EQ(declared[4].defaultValue, 100);
  EXPECT_EQ(declared[5].maximum, 9999);
  EXPECT_EQ(declared[5].defaultValue, 1);
  EXPECT_FALSE(declared[5].isOption);
}

class MappingBulk : public ::testing::Test {
 protected:
  void TearDown() override { PageSizeDictionary::RemoveAddedEntries(); }

  static int ChosenPageSize(driversim::PublicFields fields, int current = 4001) {
    Devmode devmode(fields);
    auto manager = ByOffsets(devmode);
    AttributeBytesIndexedList settings;
    if (current != 4001) {
      AttributeBytesIndexedList media;
      media.SetOptionValue(168, static_cast<AttributeBytesValueEnum>(current));
      settings.SetCollection(478, media);
    }
    manager->ReadDevmodeToSettings(settings);
    AttributeBytesIndexedList media;
    AttributeBytesValueEnum value = 4001;
    if (settings.GetCollection(478, media)) media.GetOptionValue(168, value);
    return static_cast<int>(value);
  }
  static driversim::PublicFields Paper(short id, short width, short length, std::u16string name, DWORD fields) {
    driversim::PublicFields p;
    p.paperSize = id;
    p.paperWidth = width;
    p.paperLength = length;
    p.formName = std::move(name);
    p.fields = fields;
    return p;
  }
};

TEST_F(MappingBulk, PaperScoring) {
  const int letter = 5600 + 1;
  EXPECT_EQ(ChosenPageSize(Paper(1, 0, 0, u"", DM_PAPERSIZE)), letter);
  EXPECT_EQ(ChosenPageSize(Paper(0, 2159, 2794, u"", DM_PAPERWIDTH | DM_PAPERLENGTH)), letter);
  EXPECT_EQ(ChosenPageSize(Paper(0, 0, 0, u"LETTER", DM_FORMNAME)), letter);
  // Within the rounding tolerance nothing scores: the first candidate.
  EXPECT_EQ(ChosenPageSize(Paper(0, 2160, 2794, u"", DM_PAPERWIDTH | DM_PAPERLENGTH)), letter);
  // No candidate: the page size stays as it was.
  EXPECT_EQ(ChosenPageSize(Paper(0, 1234, 4321, u"", DM_PAPERWIDTH | DM_PAPERLENGTH)), 4001);

  // The last candidate that scores wins, even over one that scores more.
  const PageSize added = MediaHandler::AddWindowsForm(u"Letter Card", Dimension(2159, 5), Dimension(2794, 5), 300);
  EXPECT_EQ(ChosenPageSize(Paper(1, 2159, 2794, u"", DM_PAPERWIDTH | DM_PAPERLENGTH)), added.GetValueId());
}

// The devmode's features go inside the collection 2; the paper's width and
// length are dimensions in tenths of a millimetre.
TEST_F(MappingBulk, ReadFillsTheModelAndKeepsACustomSize) {
  driversim::DriverOptions options;
  options.outputFormat = 1;
  Devmode devmode(Paper(0, 1000, 1500, u"", DM_PAPERWIDTH | DM_PAPERLENGTH | DM_DEFAULTSOURCE | DM_DUPLEX), options);
  devmode.dm()->dmDefaultSource = 2;
  devmode.dm()->dmDuplex = 2;
  MediaHandler::AddWindowsForm(u"Card", Dimension(1000, 5), Dimension(1500, 5), 301);
  auto manager = ByOffsets(devmode);
  AttributeBytesIndexedList settings;
  AttributeBytesIndexedList media;
  media.SetOptionValue(168, 5732);
  media.SetPaperSizeValues(164, 1000, 1500);
  settings.SetCollection(478, media);
  AttributeBytesIndexedList earlier;
  earlier.SetOptionValue(24, 4160);
  earlier.SetOptionValue(999, 1);  // not the mapping's: kept
  settings.SetCollection(2, earlier);
  manager->ReadDevmodeToSettings(settings);

  AttributeBytesValueEnum value = 0;
  std::int32_t number = 0;
  AttributeBytesIndexedList windows;
  ASSERT_TRUE(settings.GetCollection(2, windows));
  EXPECT_TRUE(windows.GetOptionValue(24, value) && value == 4161);
  EXPECT_TRUE(windows.GetIntegerValue(5, number) && number == 1);
  EXPECT_TRUE(windows.IsPresent(999));
  EXPECT_FALSE(windows.IsPresent(10));  // not a model feature
  for (AttributeBytesFeatureId feature : {3u, 5u, 24u}) EXPECT_FALSE(settings.IsPresent(feature)) << feature;
  EXPECT_TRUE(settings.GetOptionValue(193, value) && value == 6154);
  EXPECT_TRUE(settings.GetOptionValue(46, value) && value == 4421);
  ASSERT_TRUE(settings.GetCollection(478, media));
  EXPECT_TRUE(media.GetOptionValue(168, value) && value == 5732);
  EXPECT_TRUE(media.IsPresent(164));
  EXPECT_FALSE(media.IsSpecified(164));
  Dimension width;
  Dimension length;
  ASSERT_TRUE(media.GetDimensionValue(172, width));
  ASSERT_TRUE(media.GetDimensionValue(173, length));
  EXPECT_EQ(width.GetUnit(), Dimension::kTenthMillimetre);
  EXPECT_EQ(width.GetValue(Dimension::kTenthMillimetre), 1000);
  EXPECT_EQ(length.GetValue(Dimension::kTenthMillimetre), 1500);
  EXPECT_FALSE(media.GetIntegerValue(172, number));
}

TEST_F(MappingBulk, WriteByMode) {
  AttributeBytesIndexedList settings;
  AttributeBytesIndexedList media;
  media.SetOptionValue(168, 5600 + 9);
  settings.SetCollection(478, media);
  AttributeBytesIndexedList windows;
  windows.SetOptionValue(3, 4011);
  windows.SetOptionValue(24, 4162);
  windows.SetOptionValue(21, 4001);
  windows.SetIntegerValue(5, 4);
  settings.SetCollection(2, windows);
  settings.SetOptionValue(193, 6155);
  settings.SetOptionValue(46, 4422);

  Devmode publicOnly(Paper(1, 0, 0, u"Letter", DM_PAPERSIZE | DM_FORMNAME));
  ByOffsets(publicOnly)->WriteSettingsToDevmode(settings, 1, false);
  EXPECT_EQ(publicOnly.dm()->dmOrientation, 2);
  EXPECT_EQ(publicOnly.dm()->dmCopies, 4);
  EXPECT_EQ(publicOnly.dm()->dmPaperSize, 9);
  EXPECT_EQ(publicOnly.dm()->dmFields & DM_FORMNAME, 0u);
  EXPECT_EQ(publicOnly.dm()->dmDefaultSource, 3);
  EXPECT_EQ(publicOnly.dm()->dmDuplex, 3);
  EXPECT_EQ(publicOnly.Options().outputFormat, 0u);

  driversim::DriverOptions reversed;
  reversed.pageOrder = 1;
  Devmode privateOnly({}, reversed);
  ByOffsets(privateOnly)->WriteSettingsToDevmode(settings, 2, true);
  EXPECT_EQ(privateOnly.dm()->dmOrientation, 1);
  EXPECT_EQ(privateOnly.Options().outputFormat, 2u);
  EXPECT_EQ(privateOnly.Options().pageOrder, 0u);  // 4001 with defaults: the first row
  EXPECT_EQ(privateOnly.dm()->dmDefaultSource, 15);

  // Features at the top level are not the mapping's.
  AttributeBytesIndexedList topLevel;
  topLevel.SetOptionValue(3, 4011);
  Devmode untouched;
  ByOffsets(untouched)->WriteSettingsToDevmode(topLevel, 0, false);
  EXPECT_EQ(untouched.dm()->dmOrientation, 1);

  EXPECT_THROW(ByOffsets(privateOnly)->WriteSettingsToDevmode(settings, 3, true), ExceptionInvalidArgument);
}

// What a feature without a usable value becomes, with and without defaults.
TEST_F(MappingBulk, WriteWithoutDefaultsWritesWhatTheSettingsHold) {
  enum class Held { kAbsent, kNoValue, kValue, kValueNotSpecified };
  struct Row {
    const char* what;
    int feature;  // 5 copies (integer) or 21 page order (option)
    Held held;
    std::int32_t value;
    bool useDefaults;
    std::optional<int> expected;  // copies, or page order word; nullopt: the mapping fails
  };
  const Row rows[] = {
      {"copies absent, no defaults: left", 5, Held::kAbsent, 0, false, 3},
      {"copies absent, defaults", 5, Held::kAbsent, 0, true, 1},
      {"copies not specified, no defaults: its value", 5, Held::kValueNotSpecified, 7, false, 7},
      {"copies not specified, defaults", 5, Held::kValueNotSpecified, 7, true, 1},
      {"copies specified", 5, Held::kValue, 7, true, 7},
      {"page order 4001, no defaults: fails", 21, Held::kValue, 4001, false, std::nullopt},
      {"page order 4001, defaults: the first row", 21, Held::kValue, 4001, true, 0},
      {"page order without a value, no defaults: left", 21, Held::kNoValue, 0, false, 1},
      {"page order not specified: its value", 21, Held::kValueNotSpecified, 4120, true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    driversim::PublicFields fields;
    fields.copies = 3;
    driversim::DriverOptions options;
    options.pageOrder = 1;
    Devmode devmode(fields, options);
    AttributeBytesIndexedList windows;
    const auto id = static_cast<AttributeBytesFeatureId>(row.feature);
    if (row.held == Held::kValue || row.held == Held::kValueNotSpecified) {
      if (row.feature == 5)
        windows.SetIntegerValue(id, row.value);
      else
        windows.SetOptionValue(id, static_cast<AttributeBytesValueEnum>(row.value));
    }
    if (row.held == Held::kValueNotSpecified || row.held == Held::kNoValue) windows.SetIsSpecified(id, false);
    AttributeBytesIndexedList settings;
    settings.SetCollection(2, windows);
    auto manager = ByOffsets(devmode);
    const int mode = row.feature == 5 ? 1 : 2;
    if (!row.expected) {
      EXPECT_THROW(manager->WriteSettingsToDevmode(settings, mode, row.useDefaults),
                   ExceptionMicrosoftDevmodeValueMappingFailed);
      continue;
    }
    manager->WriteSettingsToDevmode(settings, mode, row.useDefaults);
    if (row.feature == 5)
      EXPECT_EQ(devmode.dm()->dmCopies, *row.expected);
    else
      EXPECT_EQ(devmode.Options().pageOrder, static_cast<unsigned>(*row.expected));
  }
}

TEST_F(MappingBulk, AnUnknownPageSizeFailsTheMapping) {
  for (auto [pageSize, known] : {std::pair{5600 + 9, true}, std::pair{5998, false}}) {
    AttributeBytesIndexedList media;
    media.SetOptionValue(168, static_cast<AttributeBytesValueEnum>(pageSize));
    AttributeBytesIndexedList settings;
    settings.SetCollection(478, media);
    Devmode devmode(Paper(1, 0, 0, u"", DM_PAPERSIZE));
    if (known) {
      ByOffsets(devmode)->WriteSettingsToDevmode(settings, 1, false);
      EXPECT_EQ(devmode.dm()->dmPaperSize, 9);
    } else {
      EXPECT_THROW(ByOffsets(devmode)->WriteSettingsToDevmode(settings, 1, false), ExceptionInvalidArgument);
      EXPECT_EQ(devmode.dm()->dmPaperSize, 1);
    }
  }
}

}  // namespace
