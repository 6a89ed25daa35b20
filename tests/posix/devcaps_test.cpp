// Device-capability answers from blocks built from the POSIX spooler's
// printer and kept in the printer's settings caches.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <memory>
#include <optional>
#include <tuple>
#include "TempDirectory.h"
#include "capabilities/MSDeviceCapabilities.h"
#include "devmode/XDevmode.h"
#include "platform/posixhost.h"
#include "platform/text.h"
#include "zqutil/Crc32.h"
#include "zqutil/DataCache.h"
#include "zqutil/PersistentAttributes.h"
#include "zqutil/TamorException.h"

namespace {

using Resolutions = std::vector<std::array<std::int32_t, 3>>;
constexpr HRESULT kInsufficientBuffer = static_cast<HRESULT>(0x8007007A);

class DevCapsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = std::make_unique<harness::TempDirectory>("renps-devcaps");
    directory_ = temp_->path();
    platform::host::SetStateDirectory(directory_);
  }
  void TearDown() override {
    for (HANDLE h : handles_) ClosePrinter(h);
    platform::host::Reset();
    temp_.reset();
  }

  HANDLE Register(bool color, const Resolutions& resolutions, std::uint32_t flags = 0,
                  std::u16string name = u"Caps Printer") {
    platform::host::PrinterDescription printer;
    printer.name = name;
    printer.port = u"IP_192.0.2.20";
    printer.color = color;
    printer.resolutions = resolutions;
    printer.driverPrivateFFFA = flags;
    platform::host::RegisterPrinter(printer, [](const void*, std::size_t) { return true; });
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(platform::W(name.data()), &h, nullptr));
    handles_.push_back(h);
    return h;
  }

  static ByteBuffer Words(std::initializer_list<std::uint32_t> words) {
    ByteBuffer out;
    for (std::uint32_t w : words) out.appendDword(w);
    return out;
  }
  static ByteBuffer Stored(const ByteBuffer& data) {
    ByteBuffer out;
    out.appendDword(Crc32::GetCrc(data.getLpbyte(), data.size()));
    out.append(data);
    return out;
  }

  std::unique_ptr<harness::TempDirectory> temp_;
  std::string directory_;
  std::vector<HANDLE> handles_;
};

// The installed options: one record, id 15, named "Tray 1" (at 2) and "T1" (at 50).
ByteBuffer OptionsBlock() {
  ByteBuffer options;
  for (std::uint32_t w : {0u, 0u, 1u, 0u}) options.appendDword(w);
  ByteBuffer option;
  option.resize(98);
  option.getLpbyte()[0] = 15;
  std::memcpy(option.getLpbyte() + 2, u"Tray 1", 12);
  std::memcpy(option.getLpbyte() + 50, u"T1", 4);
  options.append(option);
  return options;
}

DWORD Answer(MSDeviceCapabilities& caps, HANDLE h, WORD index, DWORD callerValue = 0, HRESULT expected = S_OK) {
  DWORD result = 0xABCD;
  EXPECT_EQ(caps.DeviceCapabilities(h, index, nullptr, 0, nullptr, callerValue, result), expected) << "index " << index;
  return result;
}

TEST_F(DevCapsTest, BlocksBuiltFromTheSpoolerAnswerColourAndResolutions) {
  struct Case {
    bool color;
    Resolutions resolutions;
    std::uint32_t flags;
  };
  const Case cases[] = {
      {true, {{0, 600, 600}}, 0},
      {false, {{0, 300, 300}, {0, 600, 600}, {0, 1200, 600}}, 0x5},
      {true, {{0, 600, 600}, {0, 2400, 1200}}, 0xFFFFFF01u},
  };
  int number = 0;
  for (const Case& c : cases) {
    // Each case its own printer: blocks are kept per printer.
    HANDLE h = Register(c.color, c.resolutions, c.flags, u"Printer " + std::u16string(1, u'A' + number++));
    MSDeviceCapabilities caps;
    caps.Initialize(h, /*readCachedOnly=*/false);
    EXPECT_EQ(caps.IsColorDevice(h), c.color);
    EXPECT_EQ(Answer(caps, h, MSDeviceCapabilities::kColorDevice) != 0, c.color);
    EXPECT_EQ(caps.GetResolutions(h), c.resolutions);
    EXPECT_EQ(Answer(caps, h, MSDeviceCapabilities::kResolutions), c.resolutions.size());

    // DC_ENUMRESOLUTIONS gives the (x, y) pairs alone.
    std::vector<LONG> pairs(c.resolutions.size() * 2);
    DWORD count = 0;
    ASSERT_EQ(caps.DeviceCapabilities(h, DC_ENUMRESOLUTIONS, pairs.data(),
                                      static_cast<DWORD>(pairs.size() * sizeof(LONG)), nullptr, 0, count),
              S_OK);
    ASSERT_EQ(count, c.resolutions.size());
    for (std::size_t i = 0; i < c.resolutions.size(); ++i) {
      EXPECT_EQ(pairs[2 * i], c.resolutions[i][1]);
      EXPECT_EQ(pairs[2 * i + 1], c.resolutions[i][2]);
    }
    // The resolution block keeps the driver-private answer as its flag word.
    const ByteBuffer& block = caps.GetBlock(MSDeviceCapabilities::kResolutionsBlock);
    EXPECT_EQ(block.getDword(0), c.resolutions.size());
    EXPECT_EQ(block.getDword(4), c.flags);
    EXPECT_EQ(block.size(), 8 + 12 * c.resolutions.size());
    EXPECT_EQ(Answer(caps, h, DC_COPIES), 9999u);
  }
}

TEST_F(DevCapsTest, StoredBlocksAreReadBackWithoutAskingTheSpoolerAgain) {
  HANDLE h = Register(true, {{0, 600, 600}, {0, 1200, 1200}});
  {
    MSDeviceCapabilities first;
    first.Initialize(h, false);
  }
  DataCache settings(h, MSDeviceCapabilities::kSettingsCacheSignature);
  EXPECT_NE(settings.GetCurrentCRC(), 0u);
  ByteBuffer stored = settings.GetCachedBytesValue(u"XDevCaps");
  ASSERT_GE(stored.size(), 4u);
  EXPECT_EQ(stored.getDword(0), Crc32::GetCrc(stored.getLpbyte() + 4, stored.size() - 4));
  EXPECT_FALSE(settings.GetCachedBytesValue(u"XResolutions").empty());
  EXPECT_FALSE(settings.GetCachedBytesValue(u"XCapsFlags").empty());

  // The printer changes; a later object still answers from the stored blocks.
  HANDLE changed = Register(false, {{0, 300, 300}});
  MSDeviceCapabilities second;
  second.Initialize(changed, false);
  EXPECT_EQ(second.IsColorDevice(changed), true);
  EXPECT_EQ(second.GetResolutions(changed), (Resolutions{{0, 600, 600}, {0, 1200, 1200}}));
}

TEST_F(DevCapsTest, CorruptedStoredBlockIsRebuiltFromTheSpooler) {
  HANDLE h = Register(true, {{0, 600, 600}});
  MSDeviceCapabilities{}.Initialize(h, false);
  HANDLE changed = Register(false, {{0, 300, 300}, {0, 600, 600}});

  struct Damage {
    const char16_t* name;
    std::size_t byte;  // flipped; past the end: the value is cut to 3 bytes
  };
  for (const Damage& damage : {Damage{u"XDevCaps", 4}, Damage{u"XDevCaps", 0}, Damage{u"XResolutions", 100}}) {
    DataCache settings(changed, MSDeviceCapabilities::kSettingsCacheSignature);
    ByteBuffer before = settings.GetCachedBytesValue(damage.name);
    ByteBuffer bad = before;
    if (damage.byte < bad.size()) {
      bad.getLpbyte()[damage.byte] ^= 0x40;
    } else {
      bad.resize(3);
    }
    settings.SetCachedValue(damage.name, bad, false);

    MSDeviceCapabilities caps;
    caps.Initialize(changed, false);
    ByteBuffer after = settings.GetCachedBytesValue(damage.name);
    ASSERT_GE(after.size(), 4u);
    EXPECT_EQ(after.getDword(0), Crc32::GetCrc(after.getLpbyte() + 4, after.size() - 4));
    if (std::u16string(damage.name) == u"XDevCaps") {
      EXPECT_EQ(caps.IsColorDevice(changed), false);
    } else {
      EXPECT_EQ(caps.GetResolutions(changed), (Resolutions{{0, 300, 300}, {0, 600, 600}}));
    }
  }
}

TEST_F(DevCapsTest, InvalidPrinterHandlesThrow) {
  MSDeviceCapabilities caps;
  for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
    try {
      caps.Initialize(bad);
      ADD_FAILURE() << "no exception";
    } catch (const ExceptionInvalidPrinterHandle& e) {
      EXPECT_EQ(e.GetSource(), "complugins/msdevicecapabilities");
      EXPECT_EQ(e.GetMessage().str().rfind(u"*Throwing* ExceptionInvalidPrinterHandle: ", 0), 0u);
    }
    DWORD result = 0;
    EXPECT_THROW(caps.DeviceCapabilities(bad, DC_FIELDS, nullptr, 0, nullptr, 0, result),
                 ExceptionInvalidPrinterHandle);
  }
}

TEST_F(DevCapsTest, SelectedAnswersAndUnservedIndices) {
  HANDLE color = Register(true, {{0, 600, 600}}, 0, u"Colour");
  HANDLE mono = Register(false, {{0, 600, 600}}, 0, u"Mono");
  MSDeviceCapabilities caps;
  caps.Initialize(color, false);
  struct Row {
    HANDLE h;
    WORD index;
    DWORD caller;
    HRESULT hr;
    DWORD result;
  };
  const Row rows[] = {
      {color, DC_FIELDS, 0, S_OK, 0x2019902},
      {color, DC_FIELDS, 0x1, S_OK, 0x2019903},
      {color, DC_FIELDS, 0x2019902, S_OK, 0x2019902},
      {color, DC_COLLATE, 0, S_OK, 1},
      {color, DC_COLORDEVICE, 1, S_OK, 1},
      {color, DC_COLORDEVICE, 0, S_OK, 0},
      {mono, DC_COLORDEVICE, 1, S_OK, 0},
      {color, DC_SIZE, 0, E_NOTIMPL, 0},
      {color, DC_DUPLEX, 0, E_NOTIMPL, 0},  // the spooler gave no duplex answer
      {color, DC_PAPERS, 0, E_NOTIMPL, 0},  // nor papers
      {color, 65535, 0, E_NOTIMPL, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Answer(caps, row.h, row.index, row.caller, row.hr), row.result) << "index " << row.index;
  }
}

TEST_F(DevCapsTest, AnswersFromBlocksPreparedElsewhere) {
  HANDLE h = Register(true, {{0, 600, 600}});
  DataCache settings(h, MSDeviceCapabilities::kSettingsCacheSignature);
  // Papers: count in word 2, records of 37 words: id, width, length, -, type, name.
  ByteBuffer papers = Words({0, 2});
  for (auto [id, w, l, name] : {std::tuple{9u, 2100u, 2970u, u"A4"}, std::tuple{1u, 2159u, 2794u, u"Letter"}}) {
    ByteBuffer record = Words({id, w, l, 0, 1});
    record.resize(148);
    std::memcpy(record.getLpbyte() + 20, name, std::char_traits<char16_t>::length(name) * 2);
    papers.append(record);
  }
  settings.SetCachedValue(u"XPaperCaps", Stored(papers), false);
  // Without a live bin block the bins are the installed options.
  DataCache(h, u"IP_192.0.2.20", static_cast<DWORD>(-1)).SetCachedValue(u"XOptions", Stored(OptionsBlock()), false);

  MSDeviceCapabilities caps;
  std::array<WORD, 2> ids{};
  DWORD count = 0;
  ASSERT_EQ(caps.DeviceCapabilities(h, DC_PAPERS, ids.data(), sizeof ids, nullptr, 0, count), S_OK);
  EXPECT_EQ(ids, (std::array<WORD, 2>{9, 1}));
  std::array<LONG, 5> sizes{};
  sizes.fill(-7);
  // A buffer one entry short is refused untouched.
  EXPECT_EQ(caps.DeviceCapabilities(h, DC_PAPERSIZE, sizes.data(), 15, nullptr, 0, count), kInsufficientBuffer);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(sizes, (std::array<LONG, 5>{-7, -7, -7, -7, -7}));
  ASSERT_EQ(caps.DeviceCapabilities(h, DC_PAPERSIZE, sizes.data(), 16, nullptr, 0, count), S_OK);
  EXPECT_EQ(sizes, (std::array<LONG, 5>{2100, 2970, 2159, 2794, -7}));
  std::array<char16_t, 128> names{};
  ASSERT_EQ(caps.DeviceCapabilities(h, DC_PAPERNAMES, names.data(), sizeof names, nullptr, 0, count), S_OK);
  EXPECT_EQ(std::u16string(names.data()), u"A4");
  EXPECT_EQ(std::u16string(names.data() + 64), u"Letter");
  std::array<char16_t, 24> binName{};
  ASSERT_EQ(caps.DeviceCapabilities(h, DC_BINNAMES, binName.data(), sizeof binName, nullptr, 0, count), S_OK);
  EXPECT_EQ(std::u16string(binName.data()), u"Tray 1");

  // The general block, with a print-rate unit, replaces the one built from the spooler.
  for (auto [stored, expected] : {std::pair{6700u, 1u}, std::pair{6701u, 2u}, std::pair{6703u, 4u}}) {
    settings.SetCachedValue(u"XDevCaps", Stored(Words({0x80 | 0x4, 0, 0, 5, 0, 0, 0, 0, stored})), false);
    MSDeviceCapabilities fresh;
    EXPECT_EQ(Answer(fresh, h, DC_PRINTRATEUNIT), expected);
    EXPECT_EQ(Answer(fresh, h, DC_COPIES), 5u);
    EXPECT_EQ(fresh.IsColorDevice(h), std::nullopt);  // no colour flag: no colour answer
  }
  settings.SetCachedValue(u"XDevCaps", Stored(Words({0x80, 0, 0, 0, 0, 0, 0, 0, 6704})), false);
  MSDeviceCapabilities unknownUnit;
  Answer(unknownUnit, h, DC_PRINTRATEUNIT, 0, E_NOTIMPL);
}

TEST_F(DevCapsTest, BlocksTravelThroughTheDevmodeAttributes) {
  HANDLE source = Register(false, {{0, 300, 300}, {0, 600, 600}}, 0, u"Source");
  MSDeviceCapabilities from;
  from.Initialize(source, false);
  PersistentAttributes attributes;
  from.ExportBlocks(attributes);

  HANDLE target = Register(true, {{0, 1200, 1200}}, 0, u"Target");
  MSDeviceCapabilities to;
  to.Initialize(target, false);
  ASSERT_EQ(to.IsColorDevice(target), true);
  PersistentAttributes copy(attributes.GetBytes());
  EXPECT_EQ(to.ImportBlocks(copy), 2);
  EXPECT_EQ(to.IsColorDevice(target), false);
  EXPECT_EQ(to.GetResolutions(target), (Resolutions{{0, 300, 300}, {0, 600, 600}}));
}

// An object that reads cached blocks only never asks the spooler: with
// nothing prepared it has no answers, and the caches stay empty.
TEST_F(DevCapsTest, ReadCachedOnlyAnswersFromPreparedBlocksAlone) {
  HANDLE h = Register(true, {{0, 600, 600}});
  MSDeviceCapabilities caps;
  EXPECT_EQ(caps.IsColorDevice(h), std::nullopt);
  EXPECT_TRUE(caps.GetResolutions(h).empty());
  EXPECT_TRUE(caps.IsReadCachedOnly());
  DataCache settings(h, MSDeviceCapabilities::kSettingsCacheSignature);
  EXPECT_TRUE(settings.GetCachedBytesValue(u"XDevCaps").empty());

  // Allowed to ask, the same object fills what is missing.
  caps.Initialize(h, false);
  EXPECT_FALSE(caps.IsReadCachedOnly());
  EXPECT_EQ(caps.IsColorDevice(h), true);
  EXPECT_EQ(caps.GetResolutions(h), (Resolutions{{0, 600, 600}}));
  EXPECT_FALSE(settings.GetCachedBytesValue(u"XDevCaps").empty());
}

// The bin questions follow the printer's live-bins choice: the bins the
// device reports, or the installed options.
TEST_F(DevCapsTest, BinQuestionsFollowTheLiveBinsChoice) {
  // Live bins: ids 1 and 2, values 100 and 200, names at 8.
  ByteBuffer bins = Words({2, 0});
  for (auto [id, value, name] : {std::tuple{1u, 100u, u"Upper"}, std::tuple{2u, 200u, u"Lower"}}) {
    ByteBuffer record = Words({id, value});
    record.resize(56);
    std::memcpy(record.getLpbyte() + 8, name, std::char_traits<char16_t>::length(name) * 2);
    bins.append(record);
  }

  struct Row {
    std::optional<DWORD> liveBins;  // the printer data value; absent when empty
    bool live;
  };
  int number = 0;
  for (const Row& row : {Row{std::nullopt, false}, Row{0, false}, Row{1, true}, Row{0x100, true}}) {
    HANDLE h = Register(true, {{0, 600, 600}}, 0, u"Bins " + std::u16string(1, u'A' + number++));
    if (row.liveBins) {
      DWORD value = *row.liveBins;
      SetPrinterDataW(h, platform::W(const_cast<char16_t*>(u"XLiveBins")), REG_DWORD, reinterpret_cast<LPBYTE>(&value),
                      sizeof value);
    }
    DataCache(h, MSDeviceCapabilities::kSettingsCacheSignature).SetCachedValue(u"XBinCaps", Stored(bins), false);
    DataCache(h, u"IP_192.0.2.20", static_cast<DWORD>(-1)).SetCachedValue(u"XOptions", Stored(OptionsBlock()), false);
    MSDeviceCapabilities caps;
    caps.Initialize(h);
    SCOPED_TRACE(row.live ? "live bins" : "installed options");
    EXPECT_EQ(caps.UsesLiveBins(), row.live);

    std::array<WORD, 3> ids{};
    DWORD count = 0;
    ASSERT_EQ(caps.DeviceCapabilities(h, DC_BINS, ids.data(), sizeof ids, nullptr, 0, count), S_OK);
    EXPECT_EQ(ids, row.live ? (std::array<WORD, 3>{1, 2, 0}) : (std::array<WORD, 3>{15, 0, 0}));

    // Id and name, 50 bytes each; one entry short is refused.
    std::vector<std::uint8_t> entries(100, 0xEE);
    EXPECT_EQ(caps.DeviceCapabilities(h, MSDeviceCapabilities::kBinEntries, entries.data(), row.live ? 99 : 49, nullptr,
                                      0, count),
              kInsufficientBuffer);
    ASSERT_EQ(caps.DeviceCapabilities(h, MSDeviceCapabilities::kBinEntries, entries.data(), 100, nullptr, 0, count),
              S_OK);
    EXPECT_EQ(count, row.live ? 2u : 1u);
    EXPECT_EQ(entries[0], row.live ? 1 : 15);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(entries.data() + 2)), row.live ? u"Upper" : u"Tray 1");
    if (row.live) {
      EXPECT_EQ(entries[50], 2);
      EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(entries.data() + 52)), u"Lower");
    } else {
      EXPECT_EQ(entries[50], 0xEE) << "nothing written past the one entry";
    }

    std::array<DWORD, 2> values{};
    const HRESULT valuesAnswer =
        caps.DeviceCapabilities(h, MSDeviceCapabilities::kBinValues, values.data(), sizeof values, nullptr, 0, count);
    const HRESULT recordsAnswer =
        caps.DeviceCapabilities(h, MSDeviceCapabilities::kBinRecords, nullptr, 0, nullptr, 0, count);
    if (row.live) {
      EXPECT_EQ(valuesAnswer, S_OK);
      EXPECT_EQ(values, (std::array<DWORD, 2>{100, 200}));
      EXPECT_EQ(recordsAnswer, S_OK);
    } else {
      EXPECT_EQ(valuesAnswer, E_NOTIMPL);
      EXPECT_EQ(recordsAnswer, E_NOTIMPL);
    }
    // The option records answer either way.
    std::array<std::uint8_t, 98> record{};
    ASSERT_EQ(caps.DeviceCapabilities(h, MSDeviceCapabilities::kOptionRecords, record.data(), sizeof record, nullptr, 0,
                                      count),
              S_OK);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(record.data() + 50)), u"T1");
  }
}

// Blocks a devmode carries answer before the printer's: a blob of at least 4
// bytes is a block (its data after the first 4), a shorter one is not.
TEST_F(DevCapsTest, BlocksCarriedInTheDevmodeAnswerFirst) {
  HANDLE h = Register(true, {{0, 600, 600}});
  MSDeviceCapabilities caps;
  caps.Initialize(h, false);
  ASSERT_EQ(caps.IsColorDevice(h), true);

  const ByteBuffer monochrome = Words({0x2, 0, 0});
  ByteBuffer badCrc = Stored(monochrome);
  badCrc.getLpbyte()[0] ^= 0xFF;
  ByteBuffer emptyBlock = Words({0});
  ByteBuffer tooShort = Words({0});
  tooShort.resize(3);
  struct Row {
    const char* what;
    std::optional<ByteBuffer> blob;
    std::optional<bool> color;
  };
  const Row rows[] = {
      {"no blob: the printer's block", std::nullopt, true},
      {"a block of the devmode", Stored(monochrome), false},
      {"its CRC is not what decides", badCrc, false},
      {"4 bytes: an empty block, no answer", emptyBlock, std::nullopt},
      {"3 bytes: not a block", tooShort, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    PersistentAttributes image;
    if (row.blob) image.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, u"XDevCaps", *row.blob);
    std::vector<std::uint8_t> section(XDevmode::kSectionSize);
    XDevmode::ClearOemDevmode(section.data());
    XDevmode writer;
    ASSERT_TRUE(writer.Parse(section.data()));
    ASSERT_TRUE(writer.SetEntry(XDevmode::kEntrySettings, image.GetBytes()));
    XDevmode devmode;
    ASSERT_TRUE(devmode.Parse(section.data()));

    EXPECT_EQ(caps.IsColorDevice(h, &devmode), row.color);
    EXPECT_EQ(caps.IsColorDevice(h), true) << "the held block is not replaced";
    MSDeviceCapabilities imported;
    imported.Initialize(h);
    EXPECT_EQ(imported.ImportBlocks(image), row.blob && row.blob->size() >= 4 ? 1 : 0);
    EXPECT_EQ(imported.IsColorDevice(h), row.color);
  }
}

}  // namespace
