// The layout feature manager against a printer of the POSIX spooler: the N-up
// patch at the end of the setup section (and that Ghostscript runs it), the
// printer's margins, the effective paper, the turned-sheet and automatic
// rotation tests, and its data-model side.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

#include "DevmodeLayout.h"
#include "DriverHelper.h"
#include "PluginHarness.h"
#include "Settings.h"
#include "TestPrinter.h"
#include "msdevmode/MsFeatureManager.h"
#include "observers/LayoutFeatureManager.h"
#include "pdev/XOemPdev.h"
#include "zqcore/DeviceInterface.h"
#include "zqcore/MediaHandler.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/TamorException.h"

namespace {

using json = nlohmann::ordered_json;

constexpr char kDisableBorders[] = "\r\n%TMR Disable Nup Borders\r\n/framenup false def\r\n";

platform::host::PrinterDescription Description() {
  platform::host::PrinterDescription description;
  description.name = u"Layout Printer";
  description.port = u"IP_192.0.2.30";
  return description;
}

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printer_.SetDword(PrinterDataNames::kPdlType, 0x400);
    SetDeviceSettings(R"({"422": {"int": 1200}, "423": {"int": 1400}, "424": {"int": 1200}, "425": {"int": 3000}})");
  }

  void SetDeviceSettings(const char* text) {
    ByteBuffer image = renps::BuildSettingsImage(json::parse(text));
    std::u16string name = PrinterDataNames::kDeviceSettings;
    SetPrinterDataW(printer_.handle, platform::W(name.data()), REG_BINARY, image.getLpbyte(),
                    static_cast<DWORD>(image.size()));
  }

  // The devmode of a job with these document settings (job file notation).
  void SetSettings(const char* text, driversim::PublicFields fields = {}) {
    devmode_ = driversim::BuildDevmode(fields, driversim::DriverOptions{},
                                       harness::SectionWithSettings(renps::BuildSettingsList(json::parse(text))));
  }
  DEVMODEW* Devmode() { return reinterpret_cast<DEVMODEW*>(devmode_.data()); }
  std::unique_ptr<MsFeatureManager> Features(DWORD pdl = 0x400) {
    return MsFeatureManager::CreateMsFeatureManagerFromDevmode(printer_.handle, Devmode(), 3, nullptr, pdl, 0x1000);
  }

  // What Handle_PSINJECT_ENDSETUP writes through the driver.
  std::string EndSetup() {
    std::string written;
    auto* driver = new driversim::DriverHelper(
        [&](const void* data, std::size_t size) { written.append(static_cast<const char*>(data), size); });
    DEVOBJ devobj{};
    devobj.hPrinter = printer_.handle;
    devobj.pPublicDM = Devmode();
    LayoutFeatureManager layout;
    layout.Handle_PSINJECT_ENDSETUP(&devobj, driver);
    driver->Release();
    return written;
  }

  harness::TestPrinter printer_{Description()};
  std::vector<std::uint8_t> devmode_;
};

TEST_F(LayoutTest, EndSetupPatchCases) {
  struct Case {
    const char* name;
    DWORD pdl;
    const char* settings;
    std::string expected;
  };
  const std::string marginPatch = "\r\n%TMR Nup Margin Patch\r\n/papermarg_nup 30 def\r\n";
  const Case cases[] = {
      {"one page per sheet", 0x400, R"({"215": 6240, "218": 6611})", ""},
      {"N-up unset", 0x400, R"({"215": 4001, "218": 6611})", ""},
      {"not PostScript", 0x0, R"({"215": 6241, "218": 6611})", ""},
      {"borders off", 0x400, R"({"215": 6241, "218": 6611, "311": 7010})", kDisableBorders},
      {"borders off, no margins", 0x400, R"({"215": 6245, "218": 6611, "311": 7011})", kDisableBorders},
      {"borders not set", 0x400, R"({"215": 6242})", kDisableBorders},
      {"borders on, no margins", 0x400, R"({"215": 6241, "218": 6610, "311": 7011})", ""},
      {"booklet with N-up", 0x400, R"({"215": 6242, "216": true, "218": 6611})", ""},
      {"borders on, printer margins", 0x400, R"({"215": 6243, "218": 6610, "311": 7010})", marginPatch},
      {"borders on, margins not set", 0x400, R"({"215": 6244, "218": 6610})", marginPatch},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer_.SetDword(PrinterDataNames::kPdlType, c.pdl);
    SetSettings(c.settings);
    EXPECT_EQ(EndSetup(), c.expected);
  }
}

TEST_F(LayoutTest, NullArgumentsAreRefusedWithTheirReportLines) {
  LayoutFeatureManager layout;
  try {
    layout.Initialize(printer_.handle, nullptr);
    FAIL();
  } catch (const ExceptionInvalidArgumentNullPointer& e) {
    EXPECT_EQ(e.GetLine(), 819);
    EXPECT_EQ(e.GetFunction(), "LayoutFeatureManager::Initialize");
  }
  DEVOBJ devobj{};
  try {
    layout.Handle_PSINJECT_ENDSETUP(&devobj, nullptr);
    FAIL();
  } catch (const ExceptionInvalidArgumentNullPointer& e) {
    EXPECT_EQ(e.GetLine(), 1617);
  }
}

TEST_F(LayoutTest, PatchesRunInGhostscriptAndDefineWhatTheySay) {
  SetSettings(R"({"215": 6241, "218": 6611})");
  const std::string borders = EndSetup();
  SetSettings(R"({"215": 6241, "218": 6610, "311": 7010})");
  const std::string margins = EndSetup();
  ASSERT_FALSE(borders.empty());
  ASSERT_FALSE(margins.empty());
  const std::string path = testing::TempDir() + "layout-patch.ps";
  std::ofstream(path, std::ios::binary)
      << "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%BeginSetup\n"
      << borders << margins
      << "%%EndSetup\n%%Page: 1 1\n"
         "framenup false eq papermarg_nup 30 eq and { (PATCH-OK) } { (PATCH-WRONG) } ifelse print flush\n"
         "/Helvetica findfont 12 scalefont setfont 72 720 moveto (page) show showpage\n%%EOF\n";
  const std::string command = "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage " + path + " 2>&1";
  FILE* gs = popen(command.c_str(), "r");
  ASSERT_NE(gs, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, gs) != nullptr) output += buffer;
  EXPECT_EQ(pclose(gs), 0) << output;
  EXPECT_EQ(output, "PATCH-OK");
  std::remove(path.c_str());
}

TEST_F(LayoutTest, PrinterMarginsInTheUnitAsked) {
  int margins[4] = {-1, -1, -1, -1};
  LayoutFeatureManager::GetPrinterMargins(printer_.handle, margins, Dimension::kPoint);
  EXPECT_EQ(std::vector<int>(margins, margins + 4), (std::vector<int>{12, 14, 12, 30}));
  LayoutFeatureManager::GetPrinterMargins(printer_.handle, margins, Dimension::kThousandthMillimetre);
  EXPECT_EQ(std::vector<int>(margins, margins + 4), (std::vector<int>{4233, 4939, 4233, 10583}));
  SetDeviceSettings(R"({"423": {"int": 1152}})");
  LayoutFeatureManager::GetPrinterMargins(printer_.handle, margins, Dimension::kTenthPoint);
  EXPECT_EQ(std::vector<int>(margins, margins + 4), (std::vector<int>{0, 115, 0, 0})) << "absent margins are 0";
}

TEST_F(LayoutTest, PaperMarginAdjustmentShrinksOnlyForPrinterMargins) {
  struct Case {
    const char* settings;
    RECTL expected;
  };
  const Case cases[] = {
      {R"({"311": 7010})", {4233 + 1000, 4939 + 2000, 200000 - 4233, 280000 - 10583}},
      {R"({"311": 7011})", {1000, 2000, 200000, 280000}},
      {R"({"215": 6241})", {1000, 2000, 200000, 280000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    SetSettings(c.settings);
    XDevmode settings(Devmode());
    RECTL area{1000, 2000, 200000, 280000};
    EXPECT_EQ(LayoutFeatureManager::ShrinkToPrinterMargins(printer_.handle, settings, area), c.expected.left != 1000);
    EXPECT_EQ(std::vector<LONG>({area.left, area.top, area.right, area.bottom}),
              std::vector<LONG>({c.expected.left, c.expected.top, c.expected.right, c.expected.bottom}));
  }
}

struct RotationCase {
  const char* name;
  DWORD pdl;
  short orientation;  // dmOrientation: 1 portrait, 2 landscape
  const char* settings;
  bool rotated;
};

TEST_F(LayoutTest, SheetIsTurnedByTwoAndSixUpAndByLandscapeBooklets) {
  const RotationCase cases[] = {
      {"PS portrait 2-up", 0x400, 1, R"({"215": 6241})", true},
      {"PS portrait 6-up", 0x400, 1, R"({"215": 6243})", true},
      {"PS portrait 4-up", 0x400, 1, R"({"215": 6242})", false},
      {"PS landscape 2-up", 0x400, 2, R"({"215": 6241})", false},
      {"other landscape 2-up", 0x0, 2, R"({"215": 6241})", true},
      {"other portrait 2-up", 0x0, 1, R"({"215": 6241})", false},
      {"landscape booklet", 0x400, 2, R"({"216": true})", true},
      {"portrait booklet", 0x400, 1, R"({"216": true})", false},
  };
  for (const RotationCase& c : cases) {
    SCOPED_TRACE(c.name);
    driversim::PublicFields fields;
    fields.orientation = c.orientation;
    SetSettings(c.settings, fields);
    XDevmode settings(Devmode());
    EXPECT_EQ(LayoutFeatureManager::IsSheetRotated(printer_.handle, settings, *Features(c.pdl)), c.rotated);
  }
}

TEST_F(LayoutTest, EffectivePaperSizeAndAutomaticRotation) {
  driversim::PublicFields envelope;
  envelope.paperSize = 20;  // Envelope #10 by its form id only
  envelope.paperWidth = 0;
  envelope.paperLength = 0;
  SetSettings(R"({"285": 7431})", envelope);
  XDevmode settings(Devmode());
  const auto size = LayoutFeatureManager::GetEffectivePaperSize(printer_.handle, settings, *Features());
  EXPECT_EQ(size.width, 1048);
  EXPECT_EQ(size.length, 2413);

  SetSettings(R"({"285": 7431, "210": {"164": {"paper": [2970, 4200]}}})");
  XDevmode output(Devmode());
  const auto a3 = LayoutFeatureManager::GetEffectivePaperSize(printer_.handle, output, *Features());
  EXPECT_EQ(a3.width, 2970);
  EXPECT_EQ(a3.length, 4200);

  // The automatic rotation: the turned sheet, except where the product turns envelopes itself.
  struct Case {
    const char* name;
    const char16_t* product;
    short orientation;
    const char* settings;
    bool needed;
  };
  const Case cases[] = {
      {"not the OID family", u"", 1, R"({"285": 7430, "215": 6241})", false},
      {"OID 2-up portrait", u"", 1, R"({"285": 7431, "215": 6241})", true},
      {"fax output", u"", 1, R"({"285": 7431, "215": 6241, "36": 6894})", false},
      {"OID 1-up", u"", 1, R"({"285": 7431})", false},
      {"turning product, envelope", u"QB42", 1, R"({"285": 7431, "210": {"164": {"paper": [1048, 2413]}}})", true},
      {"turning product, fold", u"QB42", 1, R"({"285": 7431, "144": [5280]})", true},
      {"turning product, odd landscape sheet", u"QB42", 2, R"({"285": 7431, "210": {"164": {"paper": [3300, 4830]}}})",
       true},
      {"turning product, odd sheet of tab stock", u"QB42", 2,
       R"({"285": 7431, "175": 5802, "210": {"164": {"paper": [3300, 4830]}}})", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer_.SetText(PrinterDataNames::kProductId, c.product);
    driversim::PublicFields fields;
    fields.orientation = c.orientation;
    SetSettings(c.settings, fields);
    XDevmode caseSettings(Devmode());
    EXPECT_EQ(LayoutFeatureManager::IsAutoRotationNeeded(printer_.handle, caseSettings, *Features(), nullptr),
              c.needed);
  }
}

TEST_F(LayoutTest, DefaultMarginsFollowTheDefaultMarginSelectorAndFamily) {
  struct Case {
    const char* deviceSettings;
    DWORD family;
    int expected;  // 0: the device's own margins stay
  };
  const Case cases[] = {
      {R"({"231": 6363})", 7430, 1500},
      {R"({"231": 6363})", 7432, 1152},
      {R"({"231": 6364, "422": {"int": 700}})", 7430, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deviceSettings);
    SetDeviceSettings(c.deviceSettings);
    printer_.SetDword(PrinterDataNames::kControllerFamily, c.family);
    MediaHandler::SetDefaultMargins(Dimension(), Dimension(), Dimension(), Dimension());
    DeviceInterface device(printer_.handle);
    LayoutFeatureManager layout;
    DataModelManager model(DataModelIds::kDataModelModeRendering, u"");
    model.PopulateFromSourceData({&device, &layout});
    ListOfFeaturesRef list = model.GetFeatureList();
    for (std::uint32_t f = 422; f <= 425; ++f) {
      EXPECT_TRUE(IntegerFeatureRef(list, FeatureId(f)).IsAvailable());
      if (c.expected != 0) {
        EXPECT_EQ(IntegerFeatureRef(list, FeatureId(f)).GetValue(), c.expected);
      }
    }
    if (c.expected == 0) {
      EXPECT_EQ(IntegerFeatureRef(list, FeatureId(422)).GetValue(), 700);
    }
    EXPECT_EQ(MediaHandler::GetDefaultMargins()[3], Dimension(c.expected, Dimension::kHundredthPoint));
  }
  MediaHandler::SetDefaultMargins(Dimension(), Dimension(), Dimension(), Dimension());
}

TEST_F(LayoutTest, RestrictedLayoutPinsOnePagePerSheetWithoutBorders) {
  LayoutFeatureManager layout(/*restrictLayout=*/true);
  DataModelManager model(DataModelIds::kDataModelModeRendering, u"");
  model.PopulateFromSourceData({&layout});
  DataModelFeatureServices& s = model.GetFeatureServices();
  EXPECT_EQ(s.GetCurrentValue(215).GetOption(), 6240u);
  EXPECT_EQ(s.GetCurrentValue(218).GetOption(), 6611u);
  EXPECT_EQ(s.GetCurrentValue(217).GetOption(), 6611u);
  EXPECT_FALSE(s.GetCurrentValue(216).GetBoolean());
  EXPECT_EQ(s.GetValueList(215), (std::vector<std::uint32_t>{6240, 6241, 6242, 6243, 6244, 6245}));
  EXPECT_THROW(s.SetCurrentValue(218, FeatureValue::MakeOption(6612)), ExceptionInvalidArgument);

  LayoutFeatureManager open;
  DataModelManager other(DataModelIds::kDataModelModeRendering, u"");
  other.PopulateFromSourceData({&open});
  EXPECT_FALSE(other.GetFeatureServices().HoldsFeature(215));
  EXPECT_TRUE(other.GetFeatureServices().IsFeatureAvailable(425));
}

}  // namespace
