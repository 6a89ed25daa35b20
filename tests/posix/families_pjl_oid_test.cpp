// The PJL page-device family and the OID-ticket family against a printer of
// the POSIX spooler with a fixed clock, user and machine: the PJL lines byte
// for byte, the feature blocks they choose, and the rotation rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DevmodeLayout.h"
#include "TestPrinter.h"
#include "families/oid/OidTicket.h"
#include "families/pjl/PageDeviceFamily.h"
#include "families/pjl/PjlHeader.h"
#include "msdevmode/MsFeatureManager.h"
#include "pdev/XOemPdev.h"
#include "workflow/WorkflowExtension.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/Registry.h"
#include "zqutil/User.h"

using namespace renpsoem;

namespace {

platform::host::PrinterDescription Printer() {
  platform::host::PrinterDescription printer;
  printer.name = u"Office";
  printer.port = u"IP_192.0.2.10";
  printer.driverName = u"Demo PS Driver";
  printer.resolutions = {{0, 300, 300}, {0, 600, 600}, {0, 1200, 1200}};
  return printer;
}

void SetAddress(const std::u16string& address) {
  Registry::WriteValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\RenPS", u"ComputerAddress", REG_SZ, address.c_str(),
                       static_cast<DWORD>((address.size() + 1) * sizeof(char16_t)));
}

// The entries one emitter made, by injection point, in the order written.
struct Emitted {
  InjectionList list;
  std::string At(DWORD index) const {
    std::string text;
    for (const InjectionEntry& entry : list)
      if (entry.injectionIndex == index) text.append(entry.data.bytes().begin(), entry.data.bytes().end());
    return text;
  }
  bool Has(DWORD index, const std::string& text) const { return At(index).find(text) != std::string::npos; }
};

class FamilyTest : public ::testing::Test {
 protected:
  FamilyTest() {
    SYSTEMTIME now{};
    now.wYear = 2024;
    now.wMonth = 5;
    now.wDay = 31;
    now.wHour = 9;
    now.wMinute = 30;
    platform::host::SetFixedLocalTime(now);
    platform::host::SetMachineFacts(u"alice", u"WS-17");
    platform::host::SetJob(u"Office", {7, u"alice", u"Report", u"WS-17"});
    SetAddress(u"192.168.1.10");
    pdev.SetString(kPdevDocumentName, u"Report");
    pdev.SetLong(kPdevJobId, 7);
  }

  template <class Emitter>
  Emitted Run(Emitter emitter) {
    devmode = driversim::BuildDevmode(fields, driversim::DriverOptions{});
    auto features = MsFeatureManager::CreateMsFeatureManagerFromDevmode(
        printer.handle, reinterpret_cast<DEVMODEW*>(devmode.data()), 3, nullptr, 0x400, 0x1000);
    AttributeBytesListReader reader{AttributeBytesIndexedList(settings)};
    Emitted out;
    emitter(reader, *features, out.list);
    return out;
  }
  Emitted Pjl() {
    return Run([this](AttributeBytesReader& reader, MsFeatureManager& features, InjectionList& list) {
      CXString workspace;
      EmitPjlFamily(workspace, printer.handle, pdev, reader, features, list);
    });
  }
  Emitted Oid() {
    return Run([this](AttributeBytesReader& reader, MsFeatureManager& features, InjectionList& list) {
      EmitOidFamilySettings(oid, printer.handle, pdev, reader, features, list);
    });
  }

  harness::TestPrinter printer{Printer()};
  XOemPdevPs pdev;
  AttributeBytesList settings;
  driversim::PublicFields fields;
  std::vector<std::uint8_t> devmode;
  OidEmission oid;
};

TEST(HoldKey, Base64OfTheMaskedPasscodeUpToFifteenCharacters) {
  struct Case {
    const char16_t* passcode;
    const char16_t* key;
  };
  const Case cases[] = {
      {u"", u""},
      {u"ab", u"EAk="},
      {u"4711 0815", u"RVxJR1FbQEdE"},
      {u"abcdefghijklm", u"EAkbEhQNHx4YARMabQ=="},
      // Past the twelfth character the mask no longer applies.
      {u"Abcdefghijklmno", u"MAkbEhQNHx4YARMabW5v"},
      {u"abcdefghijklmnop", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeHoldKey(c.passcode).str(), c.key) << CXString(c.passcode).ToUtf8();
}

TEST(HostAddress, EachPartAsTwoHexDigits) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"192.168.1.10", u"C0A8010A"}, {u"10.0.0.1", u"0A000001"}, {u"10.x.0.1", u"0A000001"}, {u"255.0", u"FF00"}};
  for (const auto& [dotted, hex] : cases) EXPECT_EQ(FormatHostAddressHex(dotted).str(), hex);
}

TEST(Passcode, MaskedWithTheTicketKeyAndCutAtAZero) {
  EXPECT_EQ(ObfuscatePasscode(u"1234").str(), u"\\PA@");
  EXPECT_EQ(ObfuscatePasscode(u"secret12345xyz").str(),
            u"\x1e\x07\x11\x06\x08\x16"
            u"CF^V5xyz");
  EXPECT_EQ(ObfuscatePasscode(u"mbrtX").str(), u"") << "the first unit becomes 0";
}

TEST_F(FamilyTest, MachineAddressUnlessTheInstallerFixedOne) {
  EXPECT_EQ(User::GetComputerIPAddressStr().str(), u"192.168.1.10");
  SetAddress(u"");
  const std::string real = User::GetComputerIPAddressStr().ToUtf8();
  if (!real.empty()) {
    EXPECT_EQ(std::count(real.begin(), real.end(), '.'), 3) << real;
    EXPECT_NE(real.rfind("127.", 0), 0u) << "the loopback is not the machine's address";
  }
}

TEST_F(FamilyTest, FaxHeaderHasNoBannerAndOneCopy) {
  settings.SetOptionValue(36, 6894);
  settings.SetOptionValue(47, 4431);
  SetAddress(u"10.0.0.1");
  const Emitted out = Pjl();
  EXPECT_EQ(out.At(PSINJECT_BEGINSTREAM),
            "\x1b%-12345X"
            "@PJL SET JOBATTR=\"@HOAD=I0A000001\"\n"
            "@PJL SET JOBATTR=\"@CNAM=WS-17\"\n"
            "@PJL SET JOBATTR=\"@LUNA=alice\"\n"
            "@PJL SET JOBATTR=\"@ACNA=Report\"\n"
            "@PJL JOB MODE=DIRECTFAX\n@PJL SET COPIES=1\n"
            "@PJL ENTER LANGUAGE=POSTSCRIPT\n");
  EXPECT_EQ(out.At(PSINJECT_ENDSTREAM), "\x1b%-12345X@PJL EOJ\n");

  // The ticket of a fax ends right after the page device's basics.
  const Emitted ticket = Oid();
  EXPECT_EQ(ticket.At(PSINJECT_PSADOBE).rfind("%%TMRend\n%%DriverName: ", 0), 0u) << ticket.At(PSINJECT_PSADOBE);
  EXPECT_TRUE(ticket.Has(PSINJECT_BEGINSETUP, "*TmrInputSlot Auto_Select\n"));
  EXPECT_FALSE(ticket.Has(PSINJECT_BEGINSETUP, "*Stapling ")) << "nothing after the input tray";
}

TEST_F(FamilyTest, JobTypesOfTheHeader) {
  struct Case {
    int jobType;
    const char16_t* password;
    const char* text;
  };
  const Case cases[] = {
      {6890, nullptr, "@PJL JOB MODE=PRINTER\n"},
      {6891, u"4711 0815",
       "@PJL JOB MODE=PRINTER\n@PJL SET HOLD=STORE\n@PJL SET HOLDTYPE=PRIVATE\n@PJL SET "
       "HOLDENCRYPTKEY=\"RVxJR1FbQEdE\"\n"
       "@PJL SET USERNAME=\"alice\"\n@PJL SET JOBNAME=\"Report\"\n"},
      {6891, nullptr, "@PJL JOB MODE=PRINTER\n@PJL SET HOLD=STORE\n@PJL SET USERNAME=\"alice\"\n"},
      // Too long to encode: the key field stays, empty.
      {6891, u"abcdefghijklmnop", "@PJL SET HOLDENCRYPTKEY=\"\"\n"},
      {6892, nullptr, "@PJL JOB MODE=PRINTER\n@PJL SET HOLD=PROOF\n@PJL SET USERNAME=\"alice\"\n"},
      {6900, nullptr, "@PJL SET JOBATTR=\"@ACNA=Report\"\n@PJL ENTER LANGUAGE=POSTSCRIPT\n"},
  };
  for (const Case& c : cases) {
    settings.SetOptionValue(36, c.jobType);
    if (c.password != nullptr) settings.SetStringValue(42, c.password);
    EXPECT_TRUE(Pjl().Has(PSINJECT_BEGINSTREAM, c.text)) << c.jobType << "\n" << Pjl().At(PSINJECT_BEGINSTREAM);
    settings.Remove(42);
  }
}

TEST_F(FamilyTest, LongDocumentNamesAreCutToTwentyFourCharacters) {
  pdev.SetString(kPdevDocumentName, u"Annual report 2024, draft 7 b2");  // 30 characters
  settings.SetOptionValue(36, 6892);
  const std::string header = Pjl().At(PSINJECT_BEGINSTREAM);
  EXPECT_TRUE(header.find("@PJL SET JOBATTR=\"@ACNA=Annual report 2024, draf\"\n") != std::string::npos) << header;
  EXPECT_TRUE(header.find("@PJL SET JOBNAME=\"Annual report 2024, draf\"\n") != std::string::npos) << header;
}

TEST_F(FamilyTest, DelayedPrintIsDatedTomorrowOnceItsTimeHasPassed) {
  struct Case {
    const char16_t* hour;
    const char16_t* minute;
    const char* pjl;
    const char* ticket;
  };
  // The clock shows 2024-05-31 09:30.
  const Case cases[] = {
      {u"8", u"15", "@PRTM=2024:06:01:08:15", "\"20240601081500\""},
      {u"9", u"29", "@PRTM=2024:06:01:09:29", "\"20240601092900\""},
      {u"9", u"30", "@PRTM=2024:05:31:09:30", "\"20240531093000\""},
      {u"21", u"05", "@PRTM=2024:05:31:21:05", "\"20240531210500\""},
  };
  settings.SetOptionValue(36, 6893);
  for (const Case& c : cases) {
    settings.SetStringValue(39, c.hour);
    settings.SetStringValue(40, c.minute);
    EXPECT_TRUE(Pjl().Has(PSINJECT_BEGINSTREAM, std::string("@PJL SET JOBATTR=\"") + c.pjl + "\"\n"))
        << Pjl().At(PSINJECT_BEGINSTREAM);
    EXPECT_TRUE(Oid().Has(PSINJECT_BEGINSTREAM, std::string("%%OID_ATT_JOB_PRINT_AFTER ") + c.ticket + ";\n"))
        << Oid().At(PSINJECT_BEGINSTREAM);
  }
}

TEST_F(FamilyTest, SavedJobWrapperNamesTheStoredJob) {
  settings.SetOptionValue(36, 6900);
  settings.SetOptionValue(37, 7070);
  for (const char16_t* stored : {u"Minutes", u""}) {
    AttributeBytesList entry;
    entry.SetStringValue(65, stored);
    AttributeBytesListValue entries;
    entries.AppendCollection(AttributeBytesIndexedList(entry));
    AttributeBytesList storedJob;
    storedJob.SetList(203, entries);
    settings.SetCollection(202, storedJob);
    const std::string name = *stored != 0 ? "Minutes" : "Report";
    const Emitted out = Oid();
    const std::string wrapper =
        "\x1b%-12345X@PJL JOB NAME = \"" + name + "\"\n@PJL ENTER LANGUAGE = POSTSCRIPT\n%!PS-Adobe-3.0\n%%TMRbegin\n";
    EXPECT_EQ(out.At(PSINJECT_BEGINSTREAM).rfind(wrapper, 0), 0u) << out.At(PSINJECT_BEGINSTREAM);
    EXPECT_TRUE(out.Has(PSINJECT_BEGINSTREAM,
                        "%%OID_ATT_SAVE_DISPOSITION OID_VAL_SAVE_DISPOSITION_SAVE_ONLY;\n"
                        "%%OID_ATT_SAVE_NAME \"" +
                            name + "\";\n"));
    EXPECT_EQ(oid.workspace.ToUtf8(), name);
    EXPECT_EQ(out.At(PSINJECT_ENDSTREAM), "\x1b%-12345X@PJL EOJ\n\x1b%-12345X");
  }
}

TEST_F(FamilyTest, CopiesOneGetNoBlockTwoAGuardedOne) {
  const std::string two =
      "\nfeaturebegin{\n%%BeginNonPPDFeature: *NumCopies 2\n2 /languagelevel where {pop languagelevel}{1} ifelse\n"
      "2 ge { 1 dict dup /NumCopies 4 -1 roll put setpagedevice }{ userdict /#copies 3 -1 roll put } ifelse\n"
      "%%EndNonPPDFeature\n}featurecleanup\n";
  for (short copies : {1, 2}) {
    fields.copies = copies;
    EXPECT_EQ(Pjl().Has(PSINJECT_BEGINSETUP, two), copies == 2);
    EXPECT_EQ(Oid().Has(PSINJECT_BEGINSETUP, two), copies == 2);
  }
}

TEST_F(FamilyTest, ResolutionAndOutputBinFallBackDifferently) {
  struct Case {
    short dpi;
    int bin;
    const char* resolution;
    const char* output;
  };
  const Case cases[] = {
      {1200, 5388, "*Resolution DPI_1200_X_1200\n",
       "*output-bin stacker2\n\t      (<<) cvx exec /OutputType (Stacker2)"},
      {300, 5386, "*Resolution DPI_600_X_600\n", "*output-bin stacker\n"},
      {600, 5390, "*Resolution DPI_600_X_600\n", nullptr},
  };
  for (const Case& c : cases) {
    fields.printQuality = c.dpi;
    fields.yResolution = c.dpi;
    settings.SetOptionValue(139, c.bin);
    const Emitted out = Oid();
    EXPECT_TRUE(out.Has(PSINJECT_BEGINSETUP, c.resolution)) << c.dpi;
    EXPECT_TRUE(
        out.Has(PSINJECT_BEGINSETUP, std::string("/HWResolution [") + (c.dpi == 1200 ? "1200 1200" : "600 600")));
    if (c.output != nullptr)
      EXPECT_TRUE(out.Has(PSINJECT_BEGINSETUP, c.output)) << c.bin;
    else
      EXPECT_FALSE(out.Has(PSINJECT_BEGINSETUP, "output-bin")) << c.bin;
  }
}

// An extension object that is only ever compared with null.
class NoWorkflow : public WorkflowObject {
 public:
  void OnCommand() override {}
  HRESULT EnablePdev(PDEVOBJ, XOemPdev*, PWSTR, ULONG, HSURF*, ULONG, GDIINFO*, ULONG, DEVINFO*,
                     DRVENABLEDATA*) override {
    return E_NOTIMPL;
  }
  HRESULT Command(PDEVOBJ, DWORD, PVOID, DWORD, XOemPdev*, IPrintOemDriverPS*, DWORD*) override { return E_NOTIMPL; }
  HRESULT Initialize(HANDLE) override { return E_NOTIMPL; }
  HRESULT Start() override { return E_NOTIMPL; }
  HRESULT SpoolFile(XOemPdev*, CXString) override { return E_NOTIMPL; }
  DWORD ReplacementDevmode(XOemPdev*, ByteBuffer&) override { return 1; }
  DWORD JobTicketValue() override { return 0; }
};

AttributeBytesList Cover(int imaged, int color) {
  AttributeBytesList cover;
  cover.SetOptionValue(186, imaged);
  AttributeBytesList colorCollection;
  colorCollection.SetOptionValue(174, color);
  cover.SetCollection(210, colorCollection);
  return cover;
}

TEST_F(FamilyTest, CoversOfABookletAreOnlyItsFrontCover) {
  AttributeBytesList jobColor;
  jobColor.SetOptionValue(174, 5753);
  settings.SetCollection(210, jobColor);
  settings.SetCollection(197, Cover(4953, 4001));
  settings.SetCollection(198, Cover(4950, 5754));
  const std::string both = Oid().At(PSINJECT_PSADOBE);
  EXPECT_NE(both.find("%%OID_ATT_FIRSTLAST_PAGE_IMAGED TRUE;\r\n%%OID_ATT_FIRSTLAST_PAGE_MEDIA_TYPE \"Unspecified\";"
                      "\r\n%%OID_ATT_FIRSTLAST_PAGE_MEDIA_COLOR \"Yellow\";\r\n"
                      "%%OID_ATT_FIRSTLAST_PAGE_MEDIA_SIZE \"210 297\";\r\n%%TMRend\n"),
            std::string::npos)
      << both;
  settings.SetBooleanValue(216, true);
  const std::string booklet = Oid().At(PSINJECT_PSADOBE);
  EXPECT_NE(booklet.find("%%OID_ATT_FIRST_PAGE_IMAGED TRUE;\r\n"), std::string::npos) << booklet;
  EXPECT_EQ(booklet.find("LAST_PAGE_"), std::string::npos) << booklet;
  // The extension's own ticket may carry the covers instead.
  NoWorkflow extension;
  oid.workflow = &extension;
  oid.savedInExtensionTicket = [](std::uint32_t feature) { return feature == 197; };
  EXPECT_EQ(Oid().At(PSINJECT_PSADOBE).find("_PAGE_"), std::string::npos);
}

TEST_F(FamilyTest, FinishingTheLaterValueOfAGroupWins) {
  struct Case {
    std::vector<int> values;
    short orientation;
    const char* oid;
    const char* pjl;
  };
  const Case cases[] = {
      {{5254, 5258}, 1, "*Stapling Dual-Landscape\n", "*Stapling Dual-Portrait\n"},
      {{5254, 5286}, 1, "*Stapling Multiple\n", "*Stapling Multiple\n"},
      {{5258, 5254},
       2,
       "*Stapling Single-Landscape\n",
       "(STACKER TRAY) def currentpagedevice /PageSize get aload pop 720 "
       "eq exch 576 eq and {\t/LeadingEdge 0 def } if  2 dict begin  "
       "/Type 7 def  /Location 1 def"},
      {{5271}, 1, "*Punching 3-Hole\n", "*Punching 3-Hole\n\t4 dict begin /Punch 3 def"},
      {{5270, 5272},
       2,
       "*Punching 4-Hole\n",
       "/NumHoles 4 put put setpagedevice\n4 dict begin /Punch 3 def "
       "currentpagedevice /Punch get 0 eq {/LeadingEdge 0 def} if  2 dict begin  "
       "/Type 5 def  /Position 1 def"},
      {{5277, 5278, 5279}, 1, "*Fold C Fold\n", "*Booklet Fold Fold-No Staple\n"},
  };
  for (const Case& c : cases) {
    AttributeBytesListValue list;
    for (int value : c.values) list.AppendOptionValue(value);
    settings.SetList(144, list);
    fields.orientation = c.orientation;
    const std::string oidSetup = Oid().At(PSINJECT_BEGINSETUP);
    const std::string pjlSetup = Pjl().At(PSINJECT_BEGINSETUP);
    EXPECT_NE(oidSetup.find(c.oid), std::string::npos) << oidSetup;
    EXPECT_NE(pjlSetup.find(c.pjl), std::string::npos) << pjlSetup;
    EXPECT_EQ(oidSetup.find("%%BeginFeature: *Stapling"), oidSetup.rfind("%%BeginFeature: *Stapling"));
    EXPECT_EQ(pjlSetup.find("%%BeginFeature: *Punching"), pjlSetup.rfind("%%BeginFeature: *Punching"));
  }
}

TEST_F(FamilyTest, RotationTurnsPagesOrTheNupPatchOrTheBooklet) {
  settings.SetOptionValue(88, 4602);
  Emitted out = Oid();
  const std::string turn = "\n%TmrRotate180\n297 421 translate -1 -1 scale -297 -421 translate\n";
  const std::string pageSetup = out.At(PSINJECT_BEGINPAGESETUP);
  ASSERT_GE(pageSetup.size(), turn.size());
  EXPECT_EQ(pageSetup.substr(pageSetup.size() - turn.size()), turn) << "after the page's own setpagedevice requests";
  int perPage = 0;
  for (const InjectionEntry& entry : out.list) perPage += entry.once ? 0 : 1;
  EXPECT_EQ(perPage, 1) << "the turn stays for every page";

  settings.SetOptionValue(215, 6242);
  out = Oid();
  ASSERT_EQ(out.At(PSINJECT_ENDSETUP),
            "\n%TmrRotatedNup\n/definenup{6 -1 roll 180 add 6 +1 roll /LH/nupshowpage ld "
            "nupv astore !/pgx_nup 0 store/pgy_nup 0 store}def\n");
  for (const InjectionEntry& entry : out.list) EXPECT_TRUE(entry.once);
  EXPECT_FALSE(out.Has(PSINJECT_BEGINPAGESETUP, "TmrRotate180"));

  // The automatic turn cancels the requested one; the booklet takes the turn itself.
  oid.autoRotationNeeded = [] { return true; };
  settings.Remove(215);
  EXPECT_FALSE(Oid().Has(PSINJECT_BEGINPAGESETUP, "TmrRotate180"));
  settings.Remove(88);
  settings.SetBooleanValue(216, true);
  out = Oid();
  DWORD bookletTurn = 0;
  EXPECT_TRUE(pdev.GetLong(kPdevBookletRotate, bookletTurn));
  EXPECT_EQ(bookletTurn, 1u);
  EXPECT_FALSE(out.Has(PSINJECT_BEGINPAGESETUP, "TmrRotate180"));
}

}  // namespace
