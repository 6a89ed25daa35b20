// The procset controller family: what EmitProcSetFamilySettings appends for a
// job's settings, byte for byte where the printer depends on the bytes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "DevmodeLayout.h"
#include "PluginHarness.h"
#include "families/procset/ProcSetFamily.h"
#include "msdevmode/MsFeatureManager.h"
#include "pdev/XOemPdev.h"
#include "platform/text.h"
#include "zqutil/AttributeBytesReader.h"

using namespace renpsoem;

namespace {

struct Job {
  AttributeBytesList settings;
  driversim::PublicFields fields;
  std::optional<std::u16string> document;
  DWORD jobId = 0;
};

struct Emitted {
  InjectionList list;

  // The entries at one injection point, in order.
  std::vector<std::string> At(DWORD point) const {
    std::vector<std::string> texts;
    for (const auto& entry : list)
      if (entry.injectionIndex == point) texts.emplace_back(entry.data.bytes().begin(), entry.data.bytes().end());
    return texts;
  }
  // The entries at the document setup that contain `marker`.
  std::vector<std::string> Setup(const std::string& marker) const {
    std::vector<std::string> found;
    for (auto& text : At(PSINJECT_BEGINSETUP))
      if (text.find(marker) != std::string::npos) found.push_back(text);
    return found;
  }
};

Emitted Emit(const Job& job) {
  auto devmode = driversim::BuildDevmode(job.fields, {});
  auto features = MsFeatureManager::CreateMsFeatureManagerFromDevmode(
      nullptr, reinterpret_cast<DEVMODEW*>(devmode.data()), 3, nullptr, 0x400, 0x1000);
  XOemPdev pdev;
  if (job.document) pdev.SetString(kPdevDocumentName, CXString(*job.document));
  if (job.jobId != 0) pdev.SetLong(kPdevJobId, job.jobId);
  AttributeBytesListReader reader{AttributeBytesIndexedList(job.settings)};
  Emitted out;
  EmitProcSetFamilySettings(nullptr, pdev, reader, *features, out.list);
  return out;
}

std::string Block(const std::string& keyword, const std::string& option, const std::string& code) {
  return "\nfeaturebegin{\n%%BeginFeature: *" + keyword + " " + option + "\n\t" + code +
         "\n%% End Feature\n}featurecleanup\n";
}

// Pieces of the job type templates as the printer receives them.
const std::string kDeferred = "tamor$pagedevice /DeferredMediaSelection true put\n";
const std::string kNameCheck =
    "userdict /tamor$validate_jobname {\n"
    "  { tamor$jobname length 0 eq {exit} if\n"
    "    tamor$jobname 0 get 32 eq\n"
    "    { userdict /tamor$jobname tamor$jobname 1 tamor$jobname length 1 sub getinterval put }\n"
    "    { exit } ifelse\n"
    "  } loop\n"
    "  tamor$jobname length 0 eq { userdict /tamor$jobname (unnamed) put } if\n"
    "} put\n";
const std::string kFlush =
    "} stopped {\n/tamor$buffer 4096 string def\n{currentfile tamor$buffer readstring exch pop not {exit} if} "
    "loop\n} if";

std::string Call(bool passwordPrefixed, int number, bool printWith = false) {
  return std::string("tamor$set_job_type {\n  tamor$validate_jobname\n") +
         (passwordPrefixed ? "  tamor$jobname length 4 add string\n"
                             "  dup 0 (0000) putinterval\n"
                             "  dup tamor$jobpassword dup length 4 sub neg exch putinterval\n"
                             "  dup 4 tamor$jobname putinterval\n"
                           : "  tamor$jobname\n") +
         "  " + std::to_string(number) + " /RRCustomProcs /ProcSet findresource /setjobtype get exec\n" +
         (printWith ? "  userdict /tamor$printWithJobType true put\n" : "") +
         "  userdict /tamor$set_job_type false put\n} if\n";
}

AttributeBytesList JobType(std::uint32_t type) {
  AttributeBytesList s;
  s.SetOptionValue(36, type);
  return s;
}

TEST(ProcSetJobType, EachJobTypeGetsItsTemplate) {
  AttributeBytesList secure = JobType(6891);
  secure.SetStringValue(42, u"1234");
  AttributeBytesList saved = JobType(6898);
  saved.SetOptionValue(37, 7070);
  saved.SetStringValue(42, u"99");  // a saved job without a password ignores it
  AttributeBytesList savedWithPassword = JobType(6898);
  savedWithPassword.SetOptionValue(37, 7071);
  savedWithPassword.SetStringValue(42, u"99");
  AttributeBytesList printWith = JobType(6901);
  AttributeBytesListValue jobs;
  jobs.AppendNewValueId(u"17");
  jobs.AppendNewValueId(u"23");
  printWith.SetList(465, jobs);

  struct Case {
    const char* name;
    AttributeBytesList settings;
    std::string expected;
  };
  const Case cases[] = {
      {"normal", JobType(6890), Block("JobType", "normal-print", "userdict /tamor$normal_job_type true put")},
      {"secure", secure,
       Block("JobType", "secure-print",
             kDeferred + "{\nuserdict /tamor$jobpassword <31323334> put\n" + kNameCheck + Call(true, 3) + kFlush)},
      {"personal", JobType(6897), Block("JobType", "personal-print", kDeferred + "{\n" + Call(false, 6) + kFlush)},
      {"saved", saved,
       Block("JobType", "saved-print", kDeferred + "mark {\n" + Call(false, 2) + "} stopped cleartomark")},
      {"saved with password", savedWithPassword,
       Block("JobType", "personal-saved-print",
             kDeferred + "{\nuserdict /tamor$jobpassword <3939> put\n" + kNameCheck + Call(true, 11) + kFlush)},
      {"proof", JobType(6899),
       Block("JobType", "proof-print",
             "tamor$pagedevice /DeferredMediaSelection false put\n" + kNameCheck + "mark {\n" + Call(false, 1) +
                 "} stopped cleartomark")},
      {"print-with", printWith,
       Block("TMRJobType PrintWith", "",
             "userdict /tamor$jobs [ 17 23] put\n " + kDeferred + "{\n" + Call(true, 12, true) + kFlush)},
  };
  for (const auto& c : cases) {
    const auto blocks = Emit({c.settings}).Setup("JobType ");
    auto jobType = blocks;
    std::erase_if(jobType, [](const std::string& b) { return b.find("color-access-pin") != std::string::npos; });
    ASSERT_EQ(jobType.size(), 1u) << c.name;
    EXPECT_EQ(jobType.front(), c.expected) << c.name;
  }
}

TEST(ProcSetJobType, IncompleteRequestsMakeNoBlockAndReadNoPassword) {
  AttributeBytesList noKind = JobType(6898);
  noKind.SetStringValue(42, u"1234");
  AttributeBytesList emptyPrintWith = JobType(6901);
  emptyPrintWith.SetList(465, AttributeBytesListValue());
  for (const auto& settings : {noKind, emptyPrintWith, JobType(6895), AttributeBytesList()})
    EXPECT_TRUE(Emit({settings}).Setup("JobType").empty());

  // A secure job without a password still clears the printer's password.
  EXPECT_NE(Emit({JobType(6891)}).Setup("secure-print").at(0).find("userdict /tamor$jobpassword <> put\n"),
            std::string::npos);
}

TEST(ProcSetJobSetup, AccountingEntryIsWrittenWithEmptyUserAndTitle) {
  const auto comments = Emit({}).At(PSINJECT_COMMENTS);
  ASSERT_EQ(comments.size(), 4u) << "the accounting log and the three identification entries";
  EXPECT_EQ(comments[0],
            "mark {\n/RRCustomProcs /ProcSet findresource (logjobinfo) known {\n"
            "() /RRCustomProcs /ProcSet findresource begin logusername end\n"
            "() /RRCustomProcs /ProcSet findresource begin logfilename end\n"
            "() /RRCustomProcs /ProcSet findresource begin logjobname end\n"
            "/RRCustomProcs /ProcSet findresource begin logjobinfo end\n}if\n} stopped cleartomark\n");
  EXPECT_EQ(comments[1].rfind("%%DriverName: ", 0), 0u);
  EXPECT_EQ(comments[3].rfind("%%RenOSVer: ", 0), 0u);
  // Without a spooler job id there is no client job id.
  EXPECT_TRUE(Emit({}).At(PSINJECT_ENDPROLOG).empty());
}

TEST(ProcSetJobSetup, TitleDropsTheWordPrefixAndIsEscaped) {
  struct Case {
    std::u16string stored;  // as the start of the document stores it, with one unit after the title
    std::u16string fallback;
    std::u16string title;
  };
  const Case cases[] = {
      {u"Microsoft Word - Report (v2)x", u"", u"Report \\(v2\\)"},
      {u"Microsoft Word - Microsoft Word - Ax", u"", u"Microsoft Word - A"},
      {u"C:\\tmp\\a.txt!", u"", u"C:\\\\tmp\\\\a.txt"},
      {u"", u"Memo (draft)", u"Memo \\(draft\\)"},
      {u"x", u"unused", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProcSetDocumentTitle(c.stored, c.fallback).str(), c.title) << platform::ToUtf8(c.stored);

  // The job name is the escaped title in hex.
  Job job;
  job.document = u"Microsoft Word - Report (v2)";
  job.settings.SetOptionValue(36, 6890);
  const auto setup = Emit(job).At(PSINJECT_BEGINSETUP);
  EXPECT_EQ(setup.at(0), "userdict /tamor$jobname <5265706f7274205c2876325c29> put\n");
  const auto comments = Emit(job).At(PSINJECT_COMMENTS);
  EXPECT_NE(comments.at(0).find("\n(Report \\(v2\\)) /RRCustomProcs /ProcSet findresource begin logfilename end\n"),
            std::string::npos);

  // An empty document name gives way to the title in the settings.
  job.document = u"";
  job.settings.SetStringValue(78, u"Memo");
  EXPECT_EQ(Emit(job).At(PSINJECT_BEGINSETUP).at(0), "userdict /tamor$jobname <4d656d6f> put\n");
}

TEST(ProcSetJobSetup, StoredJobNameNamesProofAndSavedJobs) {
  AttributeBytesList entry;
  entry.SetStringValue(65, u"Q3");
  AttributeBytesListValue entries;
  entries.AppendCollection(AttributeBytesIndexedList(entry));
  AttributeBytesList stored;
  stored.SetList(203, entries);
  for (std::uint32_t type : {6899u, 6898u, 6890u}) {
    Job job;
    job.document = u"Report";
    job.settings = JobType(type);
    job.settings.SetCollection(202, stored);
    const std::string expected = type == 6890 ? "5265706f7274" : "5133";
    EXPECT_EQ(Emit(job).At(PSINJECT_BEGINSETUP).at(0), "userdict /tamor$jobname <" + expected + "> put\n") << type;
  }
  // An empty stored name falls back to the title.
  entry.SetStringValue(65, u"");
  entries = AttributeBytesListValue();
  entries.AppendCollection(AttributeBytesIndexedList(entry));
  stored.SetList(203, entries);
  Job proof;
  proof.document = u"Report";
  proof.settings = JobType(6899);
  proof.settings.SetCollection(202, stored);
  EXPECT_EQ(Emit(proof).At(PSINJECT_BEGINSETUP).at(0), "userdict /tamor$jobname <5265706f7274> put\n");
}

TEST(ProcSetJobSetup, HexFormsOfNamesAndPasswords) {
  EXPECT_EQ(HexOfJobName(u"A\x05\u00e9\u20ac").str(), u"4105e920ac");
  EXPECT_EQ(HexOfPassword(u"A\x05\u00e9\u0123\u20ac").str(), u"4105e912320a") << "three digits at most per unit";
}

TEST(ProcSetJobSetup, PinIsAlwaysFourDigits) {
  struct Case {
    std::u16string text;
    const char16_t* pin;  // null: no PIN block
  };
  const Case cases[] = {{u"7", u"0007"},   {u"1234", u"1234"}, {u"123456", u"1234"},
                        {u"12a", nullptr}, {u"", nullptr},     {u" 12", nullptr}};
  for (const auto& c : cases) {
    Job job;
    job.settings.SetStringValue(55, c.text);
    const auto blocks = Emit(job).Setup("color-access-pin");
    if (c.pin == nullptr) {
      EXPECT_TRUE(blocks.empty()) << platform::ToUtf8(c.text);
      continue;
    }
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], Block("JobType", "color-access-pin",
                               "   mark {\n       " + platform::ToUtf8(c.pin) +
                                   " /RRCustomProcs /ProcSet findresource /validatecoloraccess get exec\n   } "
                                   "stopped cleartomark\n"));
  }
}

std::string Staple(const std::string& option, int mode) {
  return Block("Stapling", option,
               "<< /Staple 3 /OutputType (Finisher Bin) /StapleDetails <</Type 6 /StapleMode " + std::to_string(mode) +
                   ">> >> tamor$pagedevice copy pop\n");
}
const std::string kNoStaple = Block("Stapling", "None", "<< /Staple 0 >> tamor$pagedevice copy pop\n");
const std::string kNoPunch = Block("Punch", "None", "<< /Punch false >> tamor$pagedevice copy pop\n");

TEST(ProcSetPageDevice, FinishingListLaterEntryWinsAndFoldClearsStaple) {
  struct Case {
    std::vector<std::uint32_t> items;
    short paper;
    short orientation;  // DMORIENT_*
    std::uint32_t nup;  // 0: none
    std::vector<std::string> expected;
  };
  const std::string fold3 =
      Block("Booklet Fold", "Fold, Staple",
            "<< /Staple 3 /OutputType (Finisher Bin) /StapleDetails <</Type 6 /StapleMode 3>> >> tamor$pagedevice "
            "copy pop\n");
  const std::string punch4 = Block(
      "Punching", "4-Hole",
      "<< /Punch true /PunchDetails <</Type 1 /PunchHoles 4>> /OutputType (Finisher Bin) >> tamor$pagedevice copy "
      "pop\n");
  const Case cases[] = {
      {{}, 1, 1, 0, {kNoStaple, kNoPunch}},
      {{5258, 5277}, 1, 1, 0, {kNoPunch, fold3}},
      {{5277, 5258}, 1, 1, 0, {Staple("Dual", 2), kNoPunch, fold3}},
      {{5254, 5285}, 1, 1, 0, {Staple("Quad", 4), kNoPunch}},
      {{5270, 5272}, 9, 1, 0, {kNoStaple, punch4}},
      {{5254}, 1, 1, 0, {Staple("Front", 0), kNoPunch}},
      {{5254}, 1, 2, 0, {Staple("Rear", 1), kNoPunch}},
      {{5254}, 5, 2, 0, {Staple("Front", 0), kNoPunch}},
      {{5254}, 5, 1, 0, {Staple("Rear", 1), kNoPunch}},
      {{5254}, 13, 2, 6241, {Staple("Front", 0), kNoPunch}},
  };
  for (const auto& c : cases) {
    Job job;
    AttributeBytesListValue items;
    for (auto item : c.items) items.AppendOptionValue(item);
    job.settings.SetList(144, items);
    if (c.nup != 0) job.settings.SetOptionValue(215, c.nup);
    job.fields.paperSize = c.paper;
    job.fields.orientation = c.orientation;
    const Emitted out = Emit(job);
    std::vector<std::string> finishing = out.Setup("*Stapling ");
    for (const auto& b : out.Setup("*Punch")) finishing.push_back(b);
    for (const auto& b : out.Setup("*Booklet Fold")) finishing.push_back(b);
    EXPECT_EQ(finishing, c.expected) << "case with " << c.items.size() << " items, paper " << c.paper;
  }
}

TEST(ProcSetPageDevice, CoversAndSlipSheetsWithTheirDefaults) {
  auto tray = [](std::uint32_t value) {
    AttributeBytesList c;
    c.SetOptionValue(193, value);
    return c;
  };
  const std::string firstCode =
      "tamor$booklet_job {2}{1} ifelse\ntamor$CoverPageSource\n/RRCustomProcs /ProcSet findresource /setcoverpages "
      "get exec ";
  const std::string firstLastCode =
      "3 tamor$CoverPageSource\n/RRCustomProcs /ProcSet findresource /setcoverpages get exec ";
  const std::string tray1 = Block("TMRCoverPageSource", "Tray1", "userdict /tamor$CoverPageSource 0 put");
  const std::string none = Block("TMRCoverPage", "None", "");

  struct Cover {
    std::optional<std::uint32_t> option;
    bool booklet;
    std::optional<std::uint32_t> tray;
    std::vector<std::string> expected;
  };
  const Cover covers[] = {
      {std::nullopt, true, 6156, {tray1, none}},
      {6760, true, 6156, {tray1, none}},
      {6761, false, std::nullopt, {tray1, Block("TMRCoverPage", "First", firstCode)}},
      {6762,
       true,
       6157,
       {Block("TMRCoverPageSource", "Tray5", "userdict /tamor$CoverPageSource 4 put"),
        Block("TMRCoverPage", "First", firstCode)}},
      {6762,
       false,
       6154,
       {Block("TMRCoverPageSource", "Tray2", "userdict /tamor$CoverPageSource 1 put"),
        Block("TMRCoverPage", "FirstLast", firstLastCode)}},
      {6762, false, 6152, {tray1, Block("TMRCoverPage", "FirstLast", firstLastCode)}},
  };
  for (const auto& c : covers) {
    Job job;
    if (c.option) job.settings.SetOptionValue(272, *c.option);
    job.settings.SetBooleanValue(216, c.booklet);
    if (c.tray) job.settings.SetCollection(197, tray(*c.tray));
    EXPECT_EQ(Emit(job).Setup("*TMRCoverPage"), c.expected) << c.option.value_or(0);
  }

  auto source = [](const std::string& option, int n) {
    return Block("TMRSlipSheetSource", option,
                 std::to_string(n) + " /RRCustomProcs /ProcSet findresource /setslipsheetsource get exec ");
  };
  auto sheet = [](const std::string& option, int n) {
    return Block("Slipsheet", option, "tamor$pagedevice /SlipSheet " + std::to_string(n) + " put");
  };
  struct Slip {
    std::optional<std::uint32_t> kind;  // nullopt with tray nullopt: no collection
    std::optional<std::uint32_t> tray;
    std::vector<std::string> expected;
  };
  const Slip slips[] = {
      {std::nullopt, std::nullopt, {source("Tray1", 0), sheet("None", 0)}},
      {6760, 6155, {source("Tray1", 0), sheet("None", 0)}},
      {7130, std::nullopt, {source("Tray1", 0), sheet("EndOfJob", 2)}},
      {7131, 6155, {source("Tray3", 2), sheet("EndOfSet", 3)}},
      {7132, 6156, {source("Tray4", 3), sheet("EndOfPage", 4)}},
      {7199, 6157, {source("Tray5", 4), sheet("None", 0)}},
  };
  for (const auto& c : slips) {
    Job job;
    if (c.kind || c.tray) {
      AttributeBytesList slip = c.tray ? tray(*c.tray) : AttributeBytesList();
      if (c.kind) slip.SetOptionValue(418, *c.kind);
      job.settings.SetCollection(420, slip);
    }
    std::vector<std::string> blocks = Emit(job).Setup("*TMRSlipSheetSource");
    for (const auto& b : Emit(job).Setup("*Slipsheet")) blocks.push_back(b);
    EXPECT_EQ(blocks, c.expected) << c.kind.value_or(0);
  }
}

TEST(ProcSetPageDevice, CmykSlidersAreNeutralUnlessAppliedToCmyk) {
  auto sliders = [](std::int32_t lightness) {
    AttributeBytesList c;
    c.SetIntegerValue(120, lightness);
    return c;
  };
  struct Case {
    bool applyToCmyk;
    std::optional<std::uint32_t> correction;
    std::vector<std::string> expected;  // the slider blocks
  };
  auto slider = [](const std::string& kind, int k, int value) {
    return Block(kind + " - Lightness", "",
                 "tamor$Lightness " + std::to_string(k) + " " + std::to_string(value) + " put");
  };
  const Case cases[] = {
      {false, std::nullopt, {slider("Job-Level", 0, 15), slider("RGB: Images", 2, 20), slider("CMYK: Images", 4, 0)}},
      {true, std::nullopt, {slider("Job-Level", 0, 15), slider("RGB: Images", 2, 20), slider("CMYK: Images", 4, 30)}},
      {false, 5061, {slider("Job-Level", 0, 0), slider("RGB: Images", 2, 0), slider("CMYK: Images", 4, 0)}},
      {true, 5061, {slider("Job-Level", 0, 15), slider("RGB: Images", 2, 20), slider("CMYK: Images", 4, 30)}},
      {false, 5017, {slider("Job-Level", 0, 15), slider("RGB: Images", 2, 20), slider("CMYK: Images", 4, 0)}},
  };
  for (const auto& c : cases) {
    Job job;
    job.settings.SetIntegerValue(120, 15);
    job.settings.SetCollection(299, sliders(20));
    job.settings.SetCollection(302, sliders(30));
    job.settings.SetBooleanValue(310, c.applyToCmyk);
    if (c.correction) job.settings.SetOptionValue(143, *c.correction);
    EXPECT_EQ(Emit(job).Setup(" - Lightness"), c.expected) << c.applyToCmyk << " " << c.correction.value_or(0);
  }
}

TEST(ProcSetPageDevice, IntentsAreNumberedInTheOrderWritten) {
  Job job;
  job.settings.SetOptionValue(129, 5061);  // CMYK images
  job.settings.SetOptionValue(293, 5019);  // spot images
  job.settings.SetOptionValue(125, 4001);  // not a transform: no block, no number
  EXPECT_EQ(Emit(job).Setup("Color Correction "),
            (std::vector<std::string>{
                Block("CMYK Images Color Correction", "", "tamor$Intent 1 (SWOP-Coated) put"),
                Block("Spot Images Color Correction", "", "tamor$Intent 2 (Automatic) put"),
            }));
  job.settings.SetOptionValue(125, 5015);
  const auto blocks = Emit(job).Setup("Color Correction ");
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0], Block("RGB Text and Graphics Color Correction", "", "tamor$Intent 1 (Vivid) put"));
  EXPECT_NE(blocks[2].find("tamor$Intent 3 (Automatic) put"), std::string::npos);
}

TEST(ProcSetPageDevice, PageSizeGoesToTheSetupAndTheFirstPage) {
  const std::string a4 =
      "\nfeaturebegin{\n%%BeginFeature: *PageSize\n<</PageSize [595 842]>> /RRCustomProcs /ProcSet resourcestatus\n"
      "{pop pop tamor$pagedevice copy tamor$setpagedevice}\n{setpagedevice} ifelse\n%% End Feature\n"
      "}featurecleanup\n";
  const Emitted out = Emit({});
  const auto setup = out.At(PSINJECT_BEGINSETUP);
  EXPECT_EQ(setup.back(), a4) << "the page size ends the setup";
  EXPECT_EQ(out.At(PSINJECT_BEGINPAGESETUP), std::vector<std::string>{a4});
  for (const auto& entry : out.list) EXPECT_TRUE(entry.once);

  // Through the dispatcher: once in the document setup, once in the setup of
  // the page after a devmode change, and not again.
  harness::PluginHarness h;
  AttributeBytesList settings;
  settings.SetOptionValue(285, 7430);
  h.SetSettings(settings);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  h.Command(PSINJECT_BEGINSETUP);
  EXPECT_NE(h.driver->BytesAt(PSINJECT_BEGINSETUP).find(a4), std::string::npos);
  h.StartPage();
  static_cast<XOemPdev*>(h.devobj.pdevOEM)->SetLong(kPdevDevmodeChanged, 1);
  h.Command(PSINJECT_BEGINPAGESETUP);
  EXPECT_EQ(h.driver->BytesAt(PSINJECT_BEGINPAGESETUP), a4);
}

TEST(ProcSetJobSetup, OrderOfEmission) {
  Job job;
  job.document = u"Report";
  job.jobId = 42;
  job.settings.SetOptionValue(36, 6894);
  job.settings.SetStringValue(82, u"bob");
  job.settings.SetStringValue(55, u"12");
  job.settings.SetOptionValue(54, 7391);
  job.settings.SetOptionValue(52, 4470);
  job.settings.SetOptionValue(311, 7011);
  job.settings.SetOptionValue(193, 6153);
  job.fields.duplex = 3;
  const Emitted out = Emit(job);
  EXPECT_EQ(out.At(PSINJECT_BEGINSTREAM), std::vector<std::string>{"%!PS\n%%TMRbegin\n"});
  EXPECT_EQ(out.At(PSINJECT_PSADOBE), std::vector<std::string>{"%%TMRend\n"});
  EXPECT_EQ(out.At(PSINJECT_ENDPROLOG).at(0).find("/logclientjobid where {pop (42-bob) logclientjobid} if\n"),
            std::string("mark {/RRCustomProcs /ProcSet findresource begin\n/logjobinfo where\n{pop\n").size());
  ASSERT_EQ(out.At(PSINJECT_BEGINDEFAULTS).size(), 1u);
  EXPECT_EQ(out.At(PSINJECT_BEGINDEFAULTS)[0].rfind("[{\n%%BeginFeature: *JobPatchFile 1", 0), 0u)
      << "our job patch, resource 108 of the module";

  std::vector<std::string> order;
  for (const auto& text : out.At(PSINJECT_BEGINSETUP)) {
    const auto begin = text.find("%%BeginFeature: *");
    const auto end = text.find('\n', begin);
    order.push_back(begin == std::string::npos ? text.substr(0, text.find(' ', 10))
                                               : text.substr(begin + 17, end - begin - 17));
  }
  const std::vector<std::string> expected = {
      "userdict /tamor$jobname",
      "Duplex Two-Sided Short Edge",
      "JobType color-access-pin",
      "prnQuality 1200x1200",
      "margins none",
      "Stapling None",
      "Punch None",
      "TMRCoverPageSource Tray1",
      "TMRCoverPage None",
      "TMRSlipSheetSource Tray1",
      "Slipsheet None",
      "Collation On",
      "Apply to CMYK ",
      "Use Advanced Setup ",
      "Print Settings on Page ",
      "Use Printer Halftones ",
      "Allow Printer to Manage Spot Colors ",
      "Media Tray Tray 1",
      "PageSize",
  };
  EXPECT_EQ(order, expected);
}

}  // namespace
