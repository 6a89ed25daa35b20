// The DSC-comment job ticket: its lines for the cases a workflow printer
// sees, the rows of its value tables, and the adjustments the ticket's
// settings get from the devmode, the accounting and the output options.
#include <gtest/gtest.h>

#include <string>

#include "pdev/XOemPdev.h"
#include "workflow/JobTicket.h"
#include "zqcore/DataModelIds.h"

namespace {

using namespace DataModelIds;

std::string Dsc(const AttributeBytesList& settings) {
  ByteBuffer out;
  EXPECT_TRUE(renpsoem::BuildDscJobTicket(settings, out));
  return std::string(reinterpret_cast<const char*>(out.getLpbyte()), out.size());
}

constexpr char kHead[] = "%TMRbegin: 001.0300\n%TMRtitle: Default job\n%TMRsenderName: Default Sender\n";
constexpr char kNoFinishing[] = "%TMRbinding: None\n%TMRedgeStitching: None\n%TMRbookletMaker: False\n";

TEST(DscJobTicket, CasesOfAWorkflowPrinter) {
  struct Case {
    const char* what;
    AttributeBytesList settings;
    std::string ticket;
  };
  std::vector<Case> cases;
  cases.push_back({"no settings at all", {}, std::string(kHead) + "%TMRsignature: False\n" + kNoFinishing});
  {
    AttributeBytesList s;
    s.SetStringValue(kFeatureFinishingBypass, u"Tray 9");
    s.SetStringValue(kFeatureSlipSheeting, u"yes");
    s.SetOptionValue(kFeatureFinishingList, kValueStapleDualPortrait);
    cases.push_back({"finishing bypass: nothing else of the finishing", std::move(s),
                     std::string(kHead) + "%TMRsignature: False\n%TMRoutputLocation: FinishingBypass Tray 9\n"});
  }
  {
    AttributeBytesList s;
    s.SetStringValue(kFeatureSlipSheeting, u"yes");
    s.SetOptionValue(kFeatureFinishingList, kValueFinishingBookletMaker);
    cases.push_back({"slip sheeting: the finishing lines empty", std::move(s),
                     std::string(kHead) + "%TMRsignature: False\n%TMRrequirements: slipSheeting\n" + kNoFinishing});
  }
  {
    AttributeBytesList s;
    s.SetOptionValue(kFeatureDuplex, kValueMsSimplex);
    s.SetIntegerValue(kFeatureImageShiftFrontX, 150);
    s.SetIntegerValue(kFeatureImageShiftFrontY, -25);
    s.SetIntegerValue(kFeatureImageShiftBackX, 300);
    s.SetIntegerValue(kFeatureImageShiftBackY, 400);
    cases.push_back({"simplex: only the front shifts", std::move(s),
                     std::string(kHead) + "%TMRsignature: False\n%TMRrequirements: simplex\n" + kNoFinishing +
                         "%TMRxImageShift: 1.500000\n%TMRyImageShift: -0.250000\n"});
  }
  {
    AttributeBytesList s;
    s.SetIntegerValue(kFeatureImageShiftBackX, 250);
    cases.push_back({"a back shift of 250 without a plex", std::move(s),
                     std::string(kHead) + "%TMRsignature: False\n" + kNoFinishing + "%TMRx2ImageShift: 2.500000\n"});
  }
  {
    AttributeBytesList s;
    s.SetIntegerValue(kFeaturePaperWeight, 90);
    s.SetOptionValue(kFeatureMediaType, kValueMediaTypePreCutTab);
    s.SetIntegerValue(kFeatureTabCount, 4);
    s.SetOptionValue(kFeatureDrilled, kValueDrilled);
    s.SetNewValueId(kFeatureMediaColor, u"Sea Green", 9100);
    s.SetOptionValue(kFeatureMismatchedHighlightColor, kValueMismatchHold);
    s.SetOptionValue(kFeatureHighlightMappingAlgorithm, kValueHighlightPictorialTable);
    s.SetOptionValue(kFeatureHighlightMappingColor, kValueHighlightMapYellow);
    s.SetOptionValue(kFeatureHighlightPrintingColor, kValueHighlightPrintRuby);
    s.SetOptionValue(kFeatureDisposition, kValueDispositionPrintAndSave);
    s.SetIntegerValue(kFeatureImageShiftBackY, -250);
    s.SetIntegerValue(kFeatureImageShiftFrontX, 1);
    s.SetOptionValue(kFeatureRotate180, kValueRotation90);
    s.SetOptionValue(kFeatureCollation, kValueMsCollated);
    AttributeBytesListValue finishing;
    finishing.AppendOptionValue(kValueStapleRightDualLandscape);
    finishing.AppendOptionValue(kValueBindingLeft);
    s.SetList(kFeatureFinishingList, finishing);
    s.SetOptionValue(kFeatureDuplex, kValueMsDuplexShortEdge);
    s.SetIntegerValue(kFeatureCopies, 3);
    s.SetOptionValue(kFeatureSignature, kValueSignatureOn);
    s.SetStringValue(kFeatureJobStartMessage, u"Starting");
    s.SetStringValue(kFeatureMessage, u"Handle with care");
    s.SetStringValue(kFeatureRecipientName, u"Bob");
    s.SetStringValue(kFeatureJobOwner, u"Alice");
    s.SetStringValue(kFeatureJobName, u"Q3 report");
    cases.push_back({"every line, in the ticket's order whatever the settings' order", std::move(s),
                     "%TMRbegin: 001.0300\n"
                     "%TMRtitle: Q3 report\n"
                     "%TMRsenderName: Alice\n"
                     "%TMRrecipientName: Bob\n"
                     "%TMRmessage: Handle with care\n"
                     "%TMRjobStartMessage: Starting\n"
                     "%TMRsignature: True\n"
                     "%TMRcopyCount: 3\n"
                     "%TMRrequirements: duplex(tumble)\n"
                     "%TMRbinding: None\n"
                     "%TMRedgeStitching: RightDualLandscape\n"
                     "%TMRbookletMaker: False\n"
                     "%TMRrequirements: collated\n"
                     "%TMRrotation: 90\n"
                     "%TMRxImageShift: 0.010000\n"
                     "%TMRy2ImageShift: -2.500000\n"
                     "%TMRdisposition: PRINT&SAVE\n"
                     "%TMRhighlightPrintingColor: ruby\n"
                     "%TMRhighlightMappingColor: yellow\n"
                     "%TMRhighlightMappingAlgorithm: PictorialTable\n"
                     "%TMRmismatchedHighlightPrintingColor: hold\n"
                     "%TMRdocumentPaperColors: Sea Green\n"
                     "%TMRpaperType-opacity: opaque\n"
                     "%TMRpaperType-preFinish: DrilledPreCutTab 3 4\n"
                     "%TMRpaperType-weight: 90\n"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Dsc(c.settings), c.ticket);
  }
}

// One feature set to one value gives this line (or none) among the fixed ones.
TEST(DscJobTicket, ValueTableRows) {
  struct Row {
    FeatureEnum feature;
    DWORD value;
    const char* line;  // null: no line of its own
  } rows[] = {
      {kFeatureSignature, kValueSignatureOff, nullptr},  // the fixed "False" line
      {kFeatureDuplex, 4423, nullptr},
      {kFeatureRotate180, kValueRotation270, "%TMRrotation: 270\n"},
      {kFeatureRotate180, 4604, nullptr},
      {kFeatureDisposition, kValueNone, "%TMRdisposition: PRINT\n"},
      {kFeatureHighlightPrintingColor, 4761, nullptr},
      {kFeatureHighlightPrintingColor, kValueHighlightPrintOther, "%TMRhighlightPrintingColor: other\n"},
      {kFeatureHighlightMappingColor, 4813, nullptr},
      {kFeatureMediaColor, kValuePaperColorNone, "%TMRdocumentPaperColors: noColor\n"},
      {kFeatureMediaColor, 5762, "%TMRdocumentPaperColors: 5762\n"},
      {kFeatureMediaType, kValueMediaTypeTransparency,
       "%TMRpaperType-opacity: transparency\n%TMRpaperType-preFinish: Plain 0 0\n"},
      {kFeatureMediaType, kValueMediaTypePreCutTabAlternate,
       "%TMRpaperType-opacity: opaque\n%TMRpaperType-preFinish: PlainPreCutTab 0 0\n"},
      {kFeatureMediaType, kValueMediaTypePreprinted,
       "%TMRpaperType-opacity: opaque\n%TMRpaperType-preFinish: Preprinted 0 0\n"},
      {kFeatureMediaType, 5802, "%TMRpaperType-opacity: opaque\n%TMRpaperType-preFinish: 5802 0 0\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.feature) + " = " + std::to_string(row.value));
    AttributeBytesList settings;
    settings.SetOptionValue(row.feature, row.value);
    std::string expected = std::string(kHead) + "%TMRsignature: False\n";
    const bool beforeFinishing = row.feature == kFeatureDuplex;
    if (beforeFinishing && row.line != nullptr) expected += row.line;
    expected += kNoFinishing;
    if (!beforeFinishing && row.line != nullptr) expected += row.line;
    EXPECT_EQ(Dsc(settings), expected);
  }
}

TEST(DscJobTicket, FinishingChoices) {
  struct Row {
    DWORD finishing;
    const char* lines;
  } rows[] = {
      {kValueFinishingBookletMaker, "%TMRbinding: None\n%TMRedgeStitching: None\n%TMRbookletMaker: True\n"},
      {kValueStapleRightDualPortrait,
       "%TMRbinding: None\n%TMRedgeStitching: RightDualPortrait\n%TMRbookletMaker: False\n"},
      {kValueBindingRight, "%TMRbinding: right\n%TMRedgeStitching: None\n%TMRbookletMaker: False\n"},
      {5262, kNoFinishing},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.finishing);
    AttributeBytesList settings;
    settings.SetOptionValue(kFeatureFinishingList, row.finishing);
    EXPECT_EQ(Dsc(settings), std::string(kHead) + "%TMRsignature: False\n" + row.lines);
  }
}

TEST(DscJobTicket, NamedMediaTypeIsOneTokenWithTheDrilledFields) {
  AttributeBytesList settings;
  settings.SetNewValueId(kFeatureMediaType, u"Heavy Gloss", 9000);
  settings.SetOptionValue(kFeatureDrilled, kValueDrilled);
  settings.SetIntegerValue(kFeatureTabCount, 12);
  EXPECT_NE(Dsc(settings).find("%TMRpaperType-preFinish: Heavy\x08Gloss 3 12\n"), std::string::npos);
}

TEST(JobTicketSettings, AdjustmentsFromTheDevmodeAccountingAndOutputOptions) {
  XOemPdevPs pdev;
  pdev.SetString(kPdevAccountingUser, u"typed-user");
  pdev.SetString(kPdevAccountingAccount, u"typed-account");
  DEVMODEW devmode{};
  devmode.dmCopies = 5;
  devmode.dmCollate = DMCOLLATE_FALSE;
  devmode.dmDuplex = DMDUP_VERTICAL;

  AttributeBytesList document;
  document.SetOptionValue(kFeatureCopiesSource, kValueCopiesFromDevmode);
  document.SetIntegerValue(kFeatureCopies, 1);
  document.SetOptionValue(kFeatureCollationSource, kValueCollationFromDevmode);
  document.SetOptionValue(kFeatureDuplex, kValueMsSimplex);

  AttributeBytesList device;
  device.SetOptionValue(kFeatureAccountingSystem, kValueAccountingWithIds);
  device.SetOptionValue(kFeatureAccountingEntryMode, 6640);
  device.SetStringValue(kFeatureAccountingUserId, u"device-user");
  device.SetStringValue(kFeatureAccountingAccountId, u"device-account");

  auto settings = renpsoem::TicketSettings(document, device, &devmode, pdev, kOutputOptionPostScriptForm);
  std::int32_t copies = 0;
  AttributeBytesValueEnum value = 0;
  CXString text;
  EXPECT_TRUE(settings.GetIntegerValue(kFeatureCopies, copies));
  EXPECT_EQ(copies, 5);
  EXPECT_TRUE(settings.GetOptionValue(kFeatureCollation, value));
  EXPECT_EQ(value, kValueMsUncollated);
  EXPECT_TRUE(settings.GetOptionValue(kFeatureDuplex, value));
  EXPECT_EQ(value, kValueMsDuplexLongEdge);
  EXPECT_TRUE(settings.GetStringValue(kFeatureAccountingUserId, text));
  EXPECT_EQ(text, CXString(u"device-user"));
  EXPECT_TRUE(settings.GetStringValue(kFeatureAccountingAccountId, text));
  EXPECT_EQ(text, CXString(u"device-account"));
  EXPECT_TRUE(settings.GetOptionValue(kFeatureTicketOutputForm, value));
  EXPECT_EQ(value, kValueTicketOutputPostScript);

  // Ids entered when printing come from the PDEV state; no source setting, no ids.
  device.SetOptionValue(kFeatureAccountingEntryMode, kValueAccountingIdsAtPrintTime);
  settings = renpsoem::TicketSettings(document, device, &devmode, pdev, 0);
  EXPECT_TRUE(settings.GetStringValue(kFeatureAccountingUserId, text));
  EXPECT_EQ(text, CXString(u"typed-user"));
  EXPECT_TRUE(settings.GetStringValue(kFeatureAccountingAccountId, text));
  EXPECT_EQ(text, CXString(u"typed-account"));
  EXPECT_FALSE(settings.IsPresent(kFeatureTicketOutputForm));
  device.Remove(kFeatureAccountingEntryMode);
  EXPECT_FALSE(renpsoem::TicketSettings(document, device, &devmode, pdev, 0).IsPresent(kFeatureAccountingUserId));
}

TEST(JobTicketSettings, SettingsThatDoNotAskForTheDevmodeKeepTheirValues) {
  XOemPdevPs pdev;
  DEVMODEW devmode{};
  devmode.dmCopies = 5;
  devmode.dmCollate = DMCOLLATE_TRUE;
  devmode.dmDuplex = 7;  // not a duplex value: the plex stays

  AttributeBytesList document;
  document.SetIntegerValue(kFeatureCopies, 2);
  document.SetOptionValue(kFeatureDuplex, kValueMsDuplexShortEdge);
  document.SetOptionValue(kFeatureCollationSource, 7091);
  AttributeBytesList device;
  device.SetOptionValue(kFeatureAccountingSystem, kValueAccountingOff);
  device.SetOptionValue(kFeatureAccountingEntryMode, kValueAccountingIdsAtPrintTime);

  const auto settings = renpsoem::TicketSettings(document, device, &devmode, pdev, 0x80);
  std::int32_t copies = 0;
  AttributeBytesValueEnum value = 0;
  EXPECT_TRUE(settings.GetIntegerValue(kFeatureCopies, copies));
  EXPECT_EQ(copies, 2);
  EXPECT_TRUE(settings.GetOptionValue(kFeatureDuplex, value));
  EXPECT_EQ(value, kValueMsDuplexShortEdge);
  EXPECT_FALSE(settings.IsPresent(kFeatureCollation));
  EXPECT_FALSE(settings.IsPresent(kFeatureAccountingUserId));
  EXPECT_TRUE(settings.GetOptionValue(kFeatureTicketOutputForm, value));
  EXPECT_EQ(value, kValueTicketOutputOther);

  // A plex of no value is left alone, and so is a plex the settings do not hold.
  AttributeBytesList noPlex;
  noPlex.SetOptionValue(kFeatureDuplex, kValueNone);
  devmode.dmDuplex = DMDUP_HORIZONTAL;
  EXPECT_TRUE(renpsoem::TicketSettings(noPlex, device, &devmode, pdev, 0).GetOptionValue(kFeatureDuplex, value));
  EXPECT_EQ(value, kValueNone);
  EXPECT_FALSE(renpsoem::TicketSettings(AttributeBytesList(), device, &devmode, pdev, 0).IsPresent(kFeatureDuplex));
}

}  // namespace
