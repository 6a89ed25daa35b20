// Feature-block framing and the plain controller family's output.
#include <gtest/gtest.h>

#include "PluginHarness.h"
#include "injection/FeatureBlock.h"
#include "pdev/XOemPdev.h"
#include "zqutil/AttributeBytesReader.h"

using namespace renpsoem;

namespace {

TEST(FeatureBlock, FramingTextsAreExact) {
  EXPECT_EQ(BuildFeatureBlock(u"Duplex", u"One-sided", u"X").str(),
            u"\nfeaturebegin{\n%%BeginFeature: *Duplex One-sided\n\tX\n%% End Feature\n}featurecleanup\n");
  EXPECT_EQ(BuildNonPpdFeatureBlock(u"K", u"O", u"C").str(),
            u"\nfeaturebegin{\n%%BeginNonPPDFeature: *K O\nO C\n%%EndNonPPDFeature\n}featurecleanup\n");
  // A code of several lines keeps its breaks; only its first line is indented.
  EXPECT_EQ(BuildFeatureBlock(u"K", u"O", u"a\nb").str(),
            u"\nfeaturebegin{\n%%BeginFeature: *K O\n\ta\nb\n%% End Feature\n}featurecleanup\n");
}

TEST(FeatureBlock, EntriesCarryTheBytesWithoutTerminator) {
  InjectionEntry entry;
  entry.injectionIndex = 99;
  EXPECT_FALSE(MakeInjectionEntry(entry, CXString(), PSINJECT_BEGINSETUP, true));
  EXPECT_EQ(entry.injectionIndex, 99u) << "an empty text leaves the entry untouched";
  ASSERT_TRUE(MakeInjectionEntry(entry, u"abc", PSINJECT_BEGINSETUP, false));
  EXPECT_EQ(std::string(entry.data.bytes().begin(), entry.data.bytes().end()), "abc");
  EXPECT_EQ(entry.injectionIndex, static_cast<std::uint32_t>(PSINJECT_BEGINSETUP));
  EXPECT_FALSE(entry.once);
  EXPECT_EQ(entry.lastPage, 0u);
}

const FeatureCommandEntry kQualityTable[] = {
    {4470, u"TmrQuality", u"enhanced", u"\"userdict /q 2 put\\nuserdict /r 1 put\""},
    {4471, u"TmrQuality", u"standard", u"/q 1 def"},
};

TEST(FeatureBlock, TableRowsBecomeOneEntryWithQuotesAndEscapesResolved) {
  AttributeBytesList list;
  list.SetOptionValue(52, 4470);
  AttributeBytesListReader settings{AttributeBytesIndexedList(list)};
  InjectionList out;
  EmitFeatureFromTable(nullptr, false, 0, settings, 52, kQualityTable, 2, out, PSINJECT_BEGINSETUP);
  ASSERT_EQ(out.size(), 1u);
  const std::string text(out.front().data.bytes().begin(), out.front().data.bytes().end());
  EXPECT_EQ(text,
            "\nfeaturebegin{\n%%BeginFeature: *TmrQuality enhanced\n\tuserdict /q 2 put\nuserdict /r 1 put\n"
            "%% End Feature\n}featurecleanup\n");
  EXPECT_TRUE(out.front().once);

  out.clear();
  EmitFeatureFromTable(nullptr, false, 1, settings, 52, kQualityTable, 2, out, PSINJECT_BEGINSETUP);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(std::string(out.front().data.bytes().begin(), out.front().data.bytes().end()),
            "userdict /q 2 put\nuserdict /r 1 put");

  out.clear();
  list.SetOptionValue(52, 4479);
  AttributeBytesListReader unknown{AttributeBytesIndexedList(list)};
  EmitFeatureFromTable(nullptr, true, 0, unknown, 52, kQualityTable, 2, out, PSINJECT_BEGINSETUP);
  EXPECT_TRUE(out.empty()) << "no row and no product command: nothing";
}

TEST(PlainFamily, LetterGetsTheStandardPageSizeAndForcedCopies) {
  harness::PluginHarness h;
  AttributeBytesList settings;
  settings.SetOptionValue(285, 7432);
  driversim::PublicFields letter;
  letter.paperSize = 1;
  letter.paperWidth = 2159;
  letter.paperLength = 2794;
  letter.formName = u"Letter";
  letter.copies = 3;
  h.SetSettings(settings, letter);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  h.Command(PSINJECT_BEGINSTREAM);
  h.Command(PSINJECT_PSADOBE);
  const std::string adobe = h.driver->BytesAt(PSINJECT_PSADOBE);
  EXPECT_EQ(adobe.rfind("%%DriverName: ", 0), 0u) << adobe;
  EXPECT_NE(adobe.find("\n%%DriverLanguage: English\n%%DriverBuildVer: "), std::string::npos);
  EXPECT_NE(adobe.find("\n%%DataType: RAW\n"), std::string::npos);
  h.Command(PSINJECT_BEGINSETUP);
  const std::string pageSize =
      "\nfeaturebegin{\n%%BeginFeature: *PageSize Paper\n\t(<<) cvx exec /PageSize [612 792] /ImagingBBox null "
      "(>>) cvx exec setpagedevice\n%% End Feature\n}featurecleanup\n";
  const std::string copies =
      "\nfeaturebegin{\n%%BeginFeature: *TmrCopies One\n\t%% See Job Ticket for real copy count.  Force to 1 "
      "here:\n/languagelevel where {pop languagelevel}{1} ifelse\n2 ge { <</NumCopies 1>> setpagedevice }{ "
      "userdict /#copies 1 put } ifelse\n%% End Feature\n}featurecleanup\n";
  EXPECT_EQ(h.driver->BytesAt(PSINJECT_BEGINSETUP), pageSize + copies);
  h.StartPage();
  harness::PluginHarness* hp = &h;
  static_cast<XOemPdev*>(hp->devobj.pdevOEM)->SetLong(21, 1);  // written after a devmode change
  h.Command(PSINJECT_BEGINPAGESETUP);
  EXPECT_EQ(h.driver->BytesAt(PSINJECT_BEGINPAGESETUP), pageSize);
}

TEST(PlainFamily, UnknownSizeGetsTheCustomPageSize) {
  harness::PluginHarness h;
  AttributeBytesList settings;
  settings.SetOptionValue(285, 7432);
  driversim::PublicFields custom;
  custom.paperSize = 0;
  custom.paperWidth = 1000;
  custom.paperLength = 1500;
  custom.formName = u"";
  h.SetSettings(settings, custom);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  h.Command(PSINJECT_BEGINSETUP);
  const std::string setup = h.driver->BytesAt(PSINJECT_BEGINSETUP);
  EXPECT_EQ(setup.rfind("\nfeaturebegin{\n%%BeginFeature: *CustomPageSize Custom\n\t283 425 \n    2 dict begin\n", 0),
            0u)
      << setup;
  EXPECT_NE(setup.find("       setpagedevice\n\n%% End Feature\n}featurecleanup\n"), std::string::npos);
}

}  // namespace
