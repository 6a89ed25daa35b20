// The driver's side doubles: the recording spool helper and the UI's writer
// of the plug-in's private devmode section.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DriverHelper.h"
#include "OemSection.h"

namespace {

using driversim::DriverHelper;

std::vector<std::uint8_t> ClearedSection() {
  std::vector<std::uint8_t> s(driversim::kOemSectionSize, 0);
  const std::uint32_t head[4] = {3056, 0x544D4B56, 1, 3000};
  std::memcpy(s.data(), head, sizeof head);
  return s;
}

std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST(DriverHelperTest, WritesReachTheSinkInOrderAndAreRecordedByInjectionPoint) {
  std::string sink;
  auto* helper = new DriverHelper([&](const void* d, std::size_t n) { sink.append(static_cast<const char*>(d), n); });
  DWORD written = 99;
  helper->SetCurrentIndex(14);
  char a[] = "abc";
  EXPECT_EQ(helper->DrvWriteSpoolBuf(nullptr, a, 3, &written), S_OK);
  EXPECT_EQ(written, 3u);
  helper->SetCurrentIndex(101);
  helper->SetCurrentPage(2);
  char b[] = "de";
  EXPECT_EQ(helper->DrvWriteSpoolBuf(nullptr, b, 2, nullptr), S_OK);
  helper->SetCurrentIndex(14);
  EXPECT_EQ(helper->DrvWriteSpoolBuf(nullptr, b, 1, &written), S_OK);

  EXPECT_EQ(sink, "abcded");
  EXPECT_EQ(helper->BytesAt(14), "abcd");
  EXPECT_EQ(helper->BytesAt(101), "de");
  ASSERT_EQ(helper->Writes().size(), 3u);
  EXPECT_EQ(helper->Writes()[1].page, 2u);

  // A null buffer with a length is refused and nothing reaches the sink.
  EXPECT_EQ(helper->DrvWriteSpoolBuf(nullptr, nullptr, 4, &written), E_INVALIDARG);
  EXPECT_EQ(written, 0u);
  helper->SetWriteResult(E_FAIL);
  EXPECT_EQ(helper->DrvWriteSpoolBuf(nullptr, a, 3, &written), E_FAIL);
  EXPECT_EQ(sink, "abcded");
  EXPECT_EQ(helper->CallCount(), 5u);
  helper->Release();
}

TEST(DriverHelperTest, AnswersOnlyItsOwnInterfacesAndCountsReferences) {
  auto* helper = new DriverHelper();
  void* out = nullptr;
  EXPECT_EQ(helper->QueryInterface(IID_IPrintOemDriverPS, &out), S_OK);
  EXPECT_EQ(out, static_cast<IPrintOemDriverPS*>(helper));
  EXPECT_EQ(helper->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(helper->ReferenceCount(), 3u);
  EXPECT_EQ(helper->QueryInterface(IID_IPrintCoreHelper, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(helper->Release(), 2u);
  EXPECT_EQ(helper->Release(), 1u);
  EXPECT_EQ(helper->Release(), 0u);
}

TEST(OemSectionTest, CrcIsTheStandardOne) {
  const char* text = "123456789";
  EXPECT_EQ(driversim::Crc32(reinterpret_cast<const std::uint8_t*>(text), 9), 0xCBF43926u);
}

TEST(OemSectionTest, EntriesAreKeptInAscendingOrderWithCountAndCrc) {
  auto s = ClearedSection();
  ASSERT_TRUE(driversim::ReadOemSectionEntries(s).has_value());
  const std::vector<std::uint8_t> five = {5, 5}, one = {1, 2, 3}, oneAgain = {9};
  ASSERT_TRUE(driversim::WriteOemSectionEntry(s, 5, five));
  ASSERT_TRUE(driversim::WriteOemSectionEntry(s, 1, one));
  // Exact bytes: count 2, entry 1 (3 bytes) then entry 5 (2 bytes).
  const std::vector<std::uint8_t> expected = {2, 0, 1, 0, 3, 0, 1, 2, 3, 5, 0, 2, 0, 5, 5, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(s.begin() + 60, s.begin() + 76), expected);
  EXPECT_EQ(Read32(s, 56), driversim::Crc32(s.data() + 60, 2996));

  ASSERT_TRUE(driversim::WriteOemSectionEntry(s, 1, oneAgain));
  auto entries = driversim::ReadOemSectionEntries(s);
  ASSERT_TRUE(entries && entries->size() == 2);
  EXPECT_EQ((*entries)[0].bytes, oneAgain);
  EXPECT_EQ((*entries)[1].id, 5);
}

TEST(OemSectionTest, DamagedOrOverfullSectionsAreRefusedAndLeftAlone) {
  auto s = ClearedSection();
  std::string error;
  auto full = s;  // 4-byte head + 2990 bytes fill the entry space exactly
  EXPECT_TRUE(driversim::WriteOemSectionEntry(full, 1, std::vector<std::uint8_t>(2990, 7)));
  EXPECT_FALSE(driversim::WriteOemSectionEntry(s, 1, std::vector<std::uint8_t>(2991, 7), &error));
  EXPECT_NE(error.find("2994"), std::string::npos);
  EXPECT_EQ(s, ClearedSection());

  ASSERT_TRUE(driversim::WriteOemSectionEntry(s, 1, std::vector<std::uint8_t>{1, 2}));
  auto flipped = s;
  flipped[200] ^= 1;
  EXPECT_FALSE(driversim::ReadOemSectionEntries(flipped, &error));
  EXPECT_NE(error.find("CRC"), std::string::npos);

  // A length that runs past the end, with a CRC that matches it.
  auto overlong = s;
  overlong[64] = 0xFF;
  overlong[65] = 0xFF;
  const std::uint32_t crc = driversim::ComputeOemSectionCrc(overlong);
  std::memcpy(overlong.data() + 56, &crc, 4);
  EXPECT_FALSE(driversim::ReadOemSectionEntries(overlong, &error));

  auto wrongSignature = s;
  wrongSignature[4] = 0;
  EXPECT_FALSE(driversim::WriteOemSectionEntry(wrongSignature, 1, std::vector<std::uint8_t>{1}));
  EXPECT_FALSE(driversim::ReadOemSectionEntries(std::span<const std::uint8_t>(s.data(), 100)));
}

TEST(OemSectionTest, FindsTheSectionThroughEitherDriverOffset) {
  struct Case {
    std::uint16_t driverExtra;
    std::size_t offsetAt;  // where the driver records the section's offset
    bool found;
  };
  const Case cases[] = {{160 + 3056, 114, true}, {100 + 3056, 8, true}, {160 + 3056, 40, false}};
  for (const auto& c : cases) {
    const std::size_t driverPart = c.driverExtra - 3056;
    std::vector<std::uint8_t> dm(220 + c.driverExtra, 0);
    dm[68] = 220;
    dm[70] = static_cast<std::uint8_t>(c.driverExtra);
    dm[71] = static_cast<std::uint8_t>(c.driverExtra >> 8);
    dm[220 + c.offsetAt] = static_cast<std::uint8_t>(driverPart);
    auto section = ClearedSection();
    std::copy(section.begin(), section.end(), dm.begin() + 220 + driverPart);
    auto at = driversim::FindOemSection(dm);
    EXPECT_EQ(at.has_value(), c.found) << c.offsetAt;
    if (at) {
      EXPECT_EQ(*at, 220 + driverPart);
    }
  }
  // A section whose size field claims more than the devmode holds is not taken.
  std::vector<std::uint8_t> dm(220 + 200, 0);
  dm[68] = 220;
  dm[70] = 200;
  dm[220 + 114] = 20;
  dm[220 + 20 + 4] = 0x56;
  dm[220 + 20 + 5] = 0x4B;
  dm[220 + 20 + 6] = 0x4D;
  dm[220 + 20 + 7] = 0x54;
  dm[220 + 20 + 1] = 0x0B;  // size 0x0B00
  EXPECT_FALSE(driversim::FindOemSection(dm).has_value());
}

}  // namespace
