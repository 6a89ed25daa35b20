// The PostScript driver double: the devmode it builds, byte for byte where
// the layout fixes it, and its IPrintCoreHelper answers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CoreHelper.h"
#include "DevmodeLayout.h"

namespace {

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8));
}

TEST(CoreHelperDevmode, LayoutOfTheBuiltDevmode) {
  driversim::DriverOptions options;
  options.outputFormat = 3;
  options.pagesPerSheet = 4;
  options.pageOrder = 1;
  options.languageLevel = 2;
  options.negative = true;
  options.metafileSpooling = true;
  const std::vector<std::uint8_t> section(40, 0xAB);
  const auto bytes = driversim::BuildDevmode({}, options, section);
  ASSERT_EQ(bytes.size(), 220u + 160u + 40u);
  const auto* dm = reinterpret_cast<const DEVMODEW*>(bytes.data());
  EXPECT_EQ(dm->dmSize, 220);
  EXPECT_EQ(dm->dmDriverExtra, 200);
  EXPECT_EQ(dm->dmPaperSize, 9);
  EXPECT_EQ(dm->dmFormName[0], u'A');
  const std::size_t p = 220;
  EXPECT_EQ(Word(bytes, p + 114), 160);
  EXPECT_EQ(Word(bytes, p + 8), 160);
  EXPECT_EQ(Word(bytes, p + 124), 3);
  EXPECT_EQ(Word(bytes, p + 132), 1);
  EXPECT_EQ(Word(bytes, p + 136), 4);
  EXPECT_EQ(Word(bytes, p + 140), 2);
  EXPECT_EQ(Word(bytes, p + 4) & 0x10, 0x10);
  EXPECT_EQ(Word(bytes, p + 5) & 0x20, 0x20);
  EXPECT_EQ(bytes[p + 160], 0xAB);
  EXPECT_EQ(driversim::ReadDriverOptions(bytes.data() + p), options);

  options.booklet = true;
  EXPECT_EQ(Word(driversim::BuildDevmode({}, options), p + 136), 6);
  driversim::PublicFields longName;
  longName.formName = std::u16string(32, u'x');
  EXPECT_THROW(driversim::BuildDevmode(longName, {}), std::invalid_argument);
}

struct Answer {
  const char* feature;
  const char* option;
};

TEST(CoreHelperOptions, AnswersSetsAndRefusals) {
  driversim::PublicFields fields;
  fields.orientation = 2;
  fields.duplex = 2;
  fields.printQuality = 1200;
  fields.yResolution = 600;
  driversim::DriverOptions options;
  options.booklet = true;
  options.rotatedLandscape = true;
  options.ttDownload = 3;
  auto bytes = driversim::BuildDevmode(fields, options);
  auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
  const auto size = static_cast<DWORD>(bytes.size());
  auto* helper = new driversim::CoreHelper(dm, size);

  const Answer answers[] = {{"%PagePerSheet", "Booklet"},
                            {"%Orientation", "RotatedLandscape"},
                            {"Duplex", "DuplexNoTumble"},
                            {"Resolution", "1200x600dpi"},
                            {"%TTDownloadFormat", "NativeTrueType"},
                            {"%OutputPSLevel", "3"},
                            {"%Negative", "False"},
                            {"%PageOrder", "FrontToBack"}};
  for (const Answer& a : answers) {
    PCSTR option = nullptr;
    ASSERT_EQ(helper->GetOption(dm, size, a.feature, &option), S_OK) << a.feature;
    EXPECT_STREQ(option, a.option) << a.feature;
  }
  PCSTR option = nullptr;
  EXPECT_EQ(helper->GetOption(nullptr, 0, "Resolution", &option), S_OK);  // the current devmode
  EXPECT_EQ(helper->GetOption(dm, size, "%Stapling", &option), E_FAIL);
  EXPECT_EQ(helper->GetOption(dm, size, "duplex", &option), E_FAIL);
  EXPECT_EQ(helper->GetOption(dm, 300, "Duplex", &option), E_INVALIDARG);

  const PRINT_FEATURE_OPTION pairs[] = {{"%PagePerSheet", "9"}, {"Resolution", "300x300dpi"}, {"%Mirroring", "True"}};
  DWORD written = 0;
  DWORD result = 99;
  EXPECT_EQ(helper->SetOptions(dm, size, FALSE, pairs, 3, &written, &result), S_OK);
  EXPECT_EQ(written, 0u);  // not committed without conflict resolution
  EXPECT_TRUE(driversim::ReadDriverOptions(bytes.data() + 220).booklet);
  EXPECT_EQ(helper->SetOptions(dm, size, TRUE, pairs, 3, &written, &result), S_OK);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(result, static_cast<DWORD>(SETOPTIONS_RESULT_NO_CONFLICT));
  const auto after = driversim::ReadDriverOptions(bytes.data() + 220);
  EXPECT_FALSE(after.booklet);
  EXPECT_EQ(after.pagesPerSheet, 4u);
  EXPECT_TRUE(after.mirror);
  EXPECT_EQ(dm->dmPrintQuality, 300);
  const PRINT_FEATURE_OPTION bad[] = {{"Duplex", "Sideways"}, {"Resolution", "300dpi"}};
  EXPECT_EQ(helper->SetOptions(dm, size, TRUE, bad, 2, &written, &result), E_INVALIDARG);
  EXPECT_EQ(written, 0u);

  IPrintCoreHelper* asHelper = nullptr;
  ASSERT_EQ(helper->QueryInterface(IID_IPrintCoreHelper, reinterpret_cast<void**>(&asHelper)), S_OK);
  IUnknown* asUnknown = nullptr;
  ASSERT_EQ(helper->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&asUnknown)), S_OK);
  void* other = nullptr;
  EXPECT_EQ(helper->QueryInterface(IID_IPrintOemDriverPS, &other), E_NOINTERFACE);
  EXPECT_EQ(helper->ReferenceCount(), 3u);
  asHelper->Release();
  asUnknown->Release();
  EXPECT_EQ(helper->Release(), 0u);
}

}  // namespace
