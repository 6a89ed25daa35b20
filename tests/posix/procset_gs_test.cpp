// The procedure sets as the printer runs them: the job patch with the
// printer's RRCustomProcs stand-in and the procset-family commands that rely
// on it, and fit to page judged by where Ghostscript puts the ink.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Ghostscript.h"
#include "PluginHarness.h"
#include "TestPrinter.h"
#include "com/ModuleState.h"
#include "devmode/XDevmode.h"
#include "msdevmode/MsFeatureManager.h"
#include "output/ProcsetResource.h"
#include "output/fittopage/FitToPage.h"
#include "pdev/XOemPdev.h"
#include "platform/text.h"
#include "zqutil/PrinterDataNames.h"

using namespace renpsoem;

namespace {

std::string Procset(WORD id) {
  std::string_view text;
  EXPECT_TRUE(TryLoadProcsetText(module_state::GetModuleHandle(), id, text));
  return std::string(text);
}

// Commands of the procset family as the plug-in writes them, in job order.
constexpr const char* kFamilyCommands = R"PS(
mark {
/RRCustomProcs /ProcSet findresource (logjobinfo) known {
(alice) /RRCustomProcs /ProcSet findresource begin logusername end
(Report \(v2\)) /RRCustomProcs /ProcSet findresource begin logfilename end
(Report \(v2\)) /RRCustomProcs /ProcSet findresource begin logjobname end
/RRCustomProcs /ProcSet findresource begin logjobinfo end
}if
} stopped cleartomark
userdict /tamor$jobname <5265706f7274> put

featurebegin{
%%BeginFeature: *JobType secure-print
	tamor$pagedevice /DeferredMediaSelection true put
{
userdict /tamor$jobpassword <3132> put
userdict /tamor$validate_jobname {
  { tamor$jobname length 0 eq {exit} if
    tamor$jobname 0 get 32 eq
    { userdict /tamor$jobname tamor$jobname 1 tamor$jobname length 1 sub getinterval put }
    { exit } ifelse
  } loop
  tamor$jobname length 0 eq { userdict /tamor$jobname (unnamed) put } if
} put
tamor$set_job_type {
  tamor$validate_jobname
  tamor$jobname length 4 add string
  dup 0 (0000) putinterval
  dup tamor$jobpassword dup length 4 sub neg exch putinterval
  dup 4 tamor$jobname putinterval
  3 /RRCustomProcs /ProcSet findresource /setjobtype get exec
  userdict /tamor$set_job_type false put
} if
} stopped {
/tamor$buffer 4096 string def
{currentfile tamor$buffer readstring exch pop not {exit} if} loop
} if
%% End Feature
}featurecleanup

featurebegin{
%%BeginFeature: *margins none
	userdict /tamor$edgetoedgedone known not {
      false /RRCustomProcs /ProcSet findresource /edgetoedge get exec
      userdict /tamor$edgetoedgedone true put
   } if
%% End Feature
}featurecleanup

featurebegin{
%%BeginFeature: *TMRCoverPage First
	tamor$booklet_job {2}{1} ifelse
tamor$CoverPageSource
/RRCustomProcs /ProcSet findresource /setcoverpages get exec 
%% End Feature
}featurecleanup
featurebegin{
%%BeginFeature: *size mismatch policy scale
	userdict /tamor$media_mismatch_code {
      true /RRCustomProcs /ProcSet findresource /setautofit get exec
      tamor$pagedevice /TraySwitch get not
      tamor$pagedevice /ManualFeed get not and
     {
        tamor$pagedevice /MediaClass null put
     } if
  } put
%% End Feature
}featurecleanup
featurebegin{
%%BeginFeature: *Lightness - Job-Level
	tamor$Lightness 0 15 put
%% End Feature
}featurecleanup

featurebegin{
%%BeginFeature: *PageSize
<</PageSize [595 842]>> /RRCustomProcs /ProcSet resourcestatus
{pop pop tamor$pagedevice copy tamor$setpagedevice}
{setpagedevice} ifelse
%% End Feature
}featurecleanup
featurebegin{
%%BeginFeature: *xdrv-image-smoothing Enabled
	true /RRCustomProcs /ProcSet findresource /setforceinterpolate get exec
   tamor$pageSizeDone {tamor$pagedevice tamor$setpagedevice} if
   userdict /tamor$smoothingDone true put
%% End Feature
}featurecleanup
)PS";

// The ink of each page, from the bbox device.
struct Box {
  double left, bottom, right, top;
};
void ExpectBox(const Box& box, const Box& expected) {
  EXPECT_NEAR(box.left, expected.left, 0.05);
  EXPECT_NEAR(box.bottom, expected.bottom, 0.05);
  EXPECT_NEAR(box.right, expected.right, 0.05);
  EXPECT_NEAR(box.top, expected.top, 0.05);
}
std::vector<Box> Boxes(const gs::Result& run) {
  std::vector<Box> boxes;
  for (const auto& line : gs::LinesStartingWith(run.errors, "%%HiResBoundingBox:")) {
    Box box{};
    if (std::sscanf(line.c_str(), "%%%%HiResBoundingBox: %lf %lf %lf %lf", &box.left, &box.bottom, &box.right,
                    &box.top) == 4)
      boxes.push_back(box);
  }
  return boxes;
}

TEST(JobPatchInGhostscript, FamilyCommandsReachThePrinterProcedures) {
  gs::TempDirectory dir;
  // The cover source is defined by its own block in a real job.
  const std::string job = Procset(kJobPatchResource) + "userdict /tamor$CoverPageSource 0 put\n" + kFamilyCommands +
                          "(PAGESIZE) print currentpagedevice /PageSize get ==\n"
                          "(LIGHTNESS) print tamor$Transform /Lightness get 0 get ==\n"
                          "0 0 moveto 100 100 lineto stroke showpage\n";
  const auto run = gs::Run({gs::StandIn(), dir.Write("job.ps", job)});
  if (!run.started) GTEST_SKIP() << run.error;
  ASSERT_TRUE(gs::NoPostScriptError(run));
  const std::vector<std::string> expected = {
      "RRCP logusername (alice)",
      "RRCP logfilename (Report \\(v2\\))",
      "RRCP logjobname (Report \\(v2\\))",
      "RRCP logjobinfo",
      "RRCP setjobtype (0012Report) 3",
      "RRCP edgetoedge false",
      "RRCP setcoverpages 1 0",
      "RRCP setcustomflag false",
      "RRCP setautofit true",
      "RRCP setforceinterpolate true",
      "RRCP setcustomflag false",
      "RRCP setautofit true",
  };
  EXPECT_EQ(gs::LinesStartingWith(run.output, "RRCP "), expected);
  EXPECT_EQ(gs::LinesStartingWith(run.output, "PAGESIZE"), std::vector<std::string>{"PAGESIZE[595 842]"});
  EXPECT_EQ(gs::LinesStartingWith(run.output, "LIGHTNESS"), std::vector<std::string>{"LIGHTNESS0.5"});
}

TEST(JobPatchInGhostscript, DefinesTheSharedStateWithItsDefaults) {
  gs::TempDirectory dir;
  // name, then the value as == prints it (dictionaries and procedures by kind).
  // A few of each kind: the printer's procedures read these before any block sets them.
  const std::vector<std::pair<std::string, std::string>> names = {
      {"tamor$set_job_type", "true"},
      {"tamor$normal_job_type", "false"},
      {"tamor$useHostSpotColorValues", "true"},
      {"tamor$jobname", "(unnamed)"},
      {"tamor$jobpassword", "()"},
      {"tamor$jog", "3"},
      {"tamor$jobs", "[0]"},
      {"tamor$Intent", "[() () () () () () ()]"},
      {"tamor$Lightness", "[0 0 0 0 0 0 0]"},
      {"tamor$YellowBlue", "[0 0 0 0 0 0 0]"},
      {"tamor$pagedevice", "-dict-"},
  };
  std::string job = Procset(kJobPatchResource);
  for (const auto& [name, value] : names)
    job += "(" + name + " ) print userdict /" + name + " known { " + name + " == } { (missing) = } ifelse\n";
  for (const char* procedure :
       {"tamor$env", "tamor$media_mismatch_code", "tamor$setpagedevice", "tamor$validate_jobname", "tamor$pm_job",
        "tamor$invokeColorSliders", "tamor$old_install"})
    job += std::string("(") + procedure + " ) print userdict /" + procedure + " known { userdict /" + procedure +
           " get xcheck {(procedure)} {(data)} ifelse = } { (missing) = } ifelse\n";
  job +=
      "(pagedevice ) print [/MediaClass /MediaPosition /PageSize /TraySwitch /ManualFeed /ImagingBBox "
      "/ProcessColorModel /PostRenderingEnhance] { tamor$pagedevice exch get ==only ( ) print } forall () =\n";
  job += "(pm_job ) print tamor$pm_job ==only userdict /P40PS 1 put ( ) print tamor$pm_job ==\n";
  job +=
      "(jobname ) print userdict /tamor$jobname (  ) put tamor$validate_jobname tamor$jobname ==only "
      "userdict /tamor$jobname (  a b) put tamor$validate_jobname ( ) print tamor$jobname ==\n";
  const auto run = gs::Run({gs::StandIn(), dir.Write("job.ps", job)});
  if (!run.started) GTEST_SKIP() << run.error;
  ASSERT_TRUE(gs::NoPostScriptError(run));
  for (const auto& [name, value] : names)
    EXPECT_EQ(gs::LinesStartingWith(run.output, name + " "), std::vector<std::string>{name + " " + value});
  for (const char* procedure : {"tamor$env", "tamor$setpagedevice", "tamor$invokeColorSliders", "tamor$old_install"})
    EXPECT_EQ(gs::LinesStartingWith(run.output, std::string(procedure) + " "),
              std::vector<std::string>{std::string(procedure) + " procedure"});
  EXPECT_EQ(gs::LinesStartingWith(run.output, "pagedevice "),
            std::vector<std::string>{"pagedevice null null [612 792] true false null /DeviceCMYK false "});
  EXPECT_EQ(gs::LinesStartingWith(run.output, "pm_job "), std::vector<std::string>{"pm_job false true"});
  EXPECT_EQ(gs::LinesStartingWith(run.output, "jobname "), std::vector<std::string>{"jobname (unnamed) (a b)"});
}

TEST(JobPatchInGhostscript, FlipTurnsThePageAndPrintWithNamesEveryJob) {
  gs::TempDirectory dir;
  const std::string job = Procset(kJobPatchResource) +
                          "userdict /tamor$flip true put userdict /tamor$printWithJobType true put\n"
                          "userdict /tamor$jobs [7 9] put\n"
                          "<</PageSize [612 792]>> tamor$pagedevice copy tamor$setpagedevice\n"
                          "0 0 100 50 rectfill showpage\n";
  const auto run = gs::Run({gs::StandIn(), dir.Write("job.ps", job)}, "bbox");
  if (!run.started) GTEST_SKIP() << run.error;
  ASSERT_TRUE(gs::NoPostScriptError(run));
  EXPECT_EQ(gs::LinesStartingWith(run.output, "RRCP printwith"),
            (std::vector<std::string>{"RRCP printwith 7", "RRCP printwith 9"}));
  // Turned about the centre: the box drawn at the bottom left lands at the top right.
  const auto boxes = Boxes(run);
  ASSERT_EQ(boxes.size(), 1u);
  ExpectBox(boxes[0], {512, 742, 612, 792});
}

// A document on A4 that the driver brackets with the plug-in's fit-to-page
// output: the procset in the prolog, the initialisation in the setup, the
// page call at the end of each page setup. Each page fills its whole page.
std::string A4Document(const std::string& prolog, const std::string& setup, int pages) {
  std::string document = "%!PS-Adobe-3.0\n%%BeginProlog\n" + prolog + "%%EndProlog\n%%BeginSetup\n" + setup +
                         "<< /PageSize [595 842] >> setpagedevice\n%%EndSetup\n";
  for (int page = 1; page <= pages; ++page) {
    document += "%%Page: " + std::to_string(page) + " " + std::to_string(page) +
                "\n%%BeginPageSetup\n/pagesave save def\n"
                "%%TMRFitToPage\r\n/TmrKvFtpPage where {pop TmrKvFtpPage} if\r\n"
                "%%EndPageSetup\n0 0 595 842 rectfill\npagesave restore showpage\n";
  }
  return document + "%%Trailer\n(SHEET) print currentpagedevice /PageSize get ==\n%%EOF\n";
}

struct FitCase {
  const char* name;
  AttributeBytesList settings;
  Box expected;
};

TEST(FitToPageInGhostscript, A4PagesLandInsideTheLetterSheetAtTheirScale) {
  AttributeBytesList letter;
  letter.SetNewValueId(168, u"Letter", 5601);
  letter.SetPaperSizeValues(164, 2159, 2794);
  AttributeBytesList fit;
  fit.SetCollection(210, letter);
  AttributeBytesList half = fit;
  half.SetOptionValue(219, 6262);
  half.SetIntegerValue(160, 50);
  AttributeBytesList halfCentred = half;
  halfCentred.SetOptionValue(161, 6467);
  const double fitScale = 792.0 / 842.0;  // the height limits A4 on Letter
  const FitCase cases[] = {
      {"fit, top left", fit, {0, 0, 595 * fitScale, 792}},
      {"50 %, top left", half, {0, 792 - 421, 297.5, 792}},
      {"50 %, centred", halfCentred, {(612 - 297.5) / 2, (792 - 421) / 2.0, (612 + 297.5) / 2, (792 + 421) / 2.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    harness::PluginHarness h;
    h.SetSettings(c.settings);
    ASSERT_EQ(h.EnablePdev(), S_OK);
    XOemPdev* pdev = PdevFrom(&h.devobj);
    h.output.clear();
    EmitFitToPageProcset(h.driver, &h.devobj, pdev);
    const std::string prolog = h.output;
    h.output.clear();
    auto features = MsFeatureManager::CreateMsFeatureManagerFromDevmode(nullptr, h.Devmode(), 3, h.core);
    EmitFitToPageInit(h.driver, &h.devobj, pdev, features.get());
    const std::string setup = h.output;
    ASSERT_FALSE(prolog.empty());
    ASSERT_FALSE(setup.empty());

    gs::TempDirectory dir;
    const auto run = gs::Run({dir.Write("job.ps", A4Document(prolog, setup, 2))}, "bbox");
    if (!run.started) GTEST_SKIP() << run.error;
    ASSERT_TRUE(gs::NoPostScriptError(run));
    EXPECT_EQ(gs::LinesStartingWith(run.output, "SHEET"), std::vector<std::string>{"SHEET[612 792]"});
    const auto boxes = Boxes(run);
    ASSERT_EQ(boxes.size(), 2u);
    for (const Box& box : boxes) {
      ExpectBox(box, c.expected);
      EXPECT_GE(box.left, 0.0);
      EXPECT_GE(box.bottom, 0.0);
      EXPECT_LE(box.right, 612.0);
      EXPECT_LE(box.top, 792.0);
    }
  }
}

TEST(FitToPageInGhostscript, RunningTheProcsetTwiceDoesNotScaleTwice) {
  const std::string procset = Procset(kFitToPageProcsetResource);
  const std::string init = "/TmrKvFtpInit where {pop 612 792 0 0 0 0 false false false 50 7 TmrKvFtpInit} if\n";
  gs::TempDirectory dir;
  const auto run = gs::Run({dir.Write("job.ps", A4Document(procset + procset, init, 1))}, "bbox");
  if (!run.started) GTEST_SKIP() << run.error;
  ASSERT_TRUE(gs::NoPostScriptError(run));
  const auto boxes = Boxes(run);
  ASSERT_EQ(boxes.size(), 1u);
  ExpectBox(boxes[0], {0, 0, 297.5, 421});
}

TEST(FitToPageInGhostscript, OwnPageSizeStaysAndIsScaled) {
  const std::string procset = Procset(kFitToPageProcsetResource);
  const std::string init = "/TmrKvFtpInit where {pop -1 -1 0 0 0 0 false false false 50 5 TmrKvFtpInit} if\n";
  gs::TempDirectory dir;
  const auto run = gs::Run({dir.Write("job.ps", A4Document(procset, init, 1))}, "bbox");
  if (!run.started) GTEST_SKIP() << run.error;
  ASSERT_TRUE(gs::NoPostScriptError(run));
  EXPECT_EQ(gs::LinesStartingWith(run.output, "SHEET"), std::vector<std::string>{"SHEET[595 842]"});
  EXPECT_EQ(gs::LinesStartingWith(run.output, "Manually scaling"),
            std::vector<std::string>{"Manually scaling w/o changing paper size - dict left unchanged."});
  const auto boxes = Boxes(run);
  ASSERT_EQ(boxes.size(), 1u);
  ExpectBox(boxes[0], {595 / 4.0, 842 / 4.0, 595 * 3 / 4.0, 842 * 3 / 4.0});
}

TEST(FitToPageInGhostscript, RequestsThroughTheJobPatchAreFittedToo) {
  // The job patch comes before the prolog, so its tamor$setpagedevice must
  // find the fit-to-page wrapper at run time.
  const std::string init =
      "/TmrKvFtpInit where {pop 612 792 0 0 0 0 false false false 50 5 TmrKvFtpInit} if\n"
      "featurebegin{\n<</PageSize [595 842]>> /RRCustomProcs /ProcSet resourcestatus\n"
      "{pop pop tamor$pagedevice copy tamor$setpagedevice}\n{setpagedevice} ifelse\n"
      "}featurecleanup\n(PATCH) print tamor$pagedevice /PageSize get ==\n";
  gs::TempDirectory dir;
  const std::string job = Procset(kJobPatchResource) + A4Document(Procset(kFitToPageProcsetResource), init, 1);
  const auto run = gs::Run({gs::StandIn(), dir.Write("job.ps", job)}, "bbox");
  if (!run.started) GTEST_SKIP() << run.error;
  ASSERT_TRUE(gs::NoPostScriptError(run));
  EXPECT_EQ(gs::LinesStartingWith(run.output, "SHEET"), std::vector<std::string>{"SHEET[612 792]"});
  // The shared request keeps the application's size for later requests.
  EXPECT_EQ(gs::LinesStartingWith(run.output, "PATCH"), std::vector<std::string>{"PATCH[595 842]"});
  const auto boxes = Boxes(run);
  ASSERT_EQ(boxes.size(), 1u);
  ExpectBox(boxes[0], {(612 - 297.5) / 2, (792 - 421) / 2.0, (612 + 297.5) / 2, (792 + 421) / 2.0});
}

TEST(ModuleResourcesOfThePlugin, TheLoadedModuleCarriesTheProcsets) {
  const std::u16string path = platform::FromUtf8(RENPS_BINARY_DIR "/bin/renpsoem.so");
  HMODULE plugin = LoadLibraryExW(platform::W(path.c_str()), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  ASSERT_NE(plugin, nullptr);
  for (const WORD id : {kFitToPageProcsetResource, kJobPatchResource}) {
    std::string_view text;
    EXPECT_TRUE(TryLoadProcsetText(plugin, id, text)) << id;
    EXPECT_EQ(text, Procset(id)) << id;
  }
  EXPECT_TRUE(FreeLibrary(plugin));
}

TEST(FitToPagePrinter, OnlyPostScriptPrintersFitToPage) {
  for (const DWORD pdl : {0x400u, 0x401u, 0x200u}) {
    harness::TestPrinter printer({.name = u"Fit printer"});
    printer.SetDword(PrinterDataNames::kPdlType, pdl);
    harness::PluginHarness h;
    AttributeBytesList settings;
    settings.SetOptionValue(219, 6262);
    settings.SetIntegerValue(160, 50);
    h.SetSettings(settings);
    ASSERT_EQ(h.EnablePdev(), S_OK);
    XDevmode reader(h.Devmode());
    EXPECT_EQ(FitToPageActive(printer.handle, reader, PdevFrom(&h.devobj)), (pdl & 0x400) != 0) << pdl;
  }
}

TEST(FitToPagePrinter, AMissingProcsetStillRecordsTheDecision) {
  harness::PluginHarness h;
  AttributeBytesList settings;
  settings.SetOptionValue(219, 6262);
  settings.SetIntegerValue(160, 50);
  h.SetSettings(settings);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  h.output.clear();
  const HMODULE module = module_state::GetModuleHandle();
  RenRegisterModuleResources(module, nullptr, 0);
  EmitFitToPageProcset(h.driver, &h.devobj, PdevFrom(&h.devobj));
  RegisterEmbeddedResources(module);
  EXPECT_EQ(h.output, "");
  DWORD recorded = 0;
  EXPECT_TRUE(PdevFrom(&h.devobj)->GetLong(kPdevFitToPageWritten, recorded));
  EXPECT_EQ(recorded, 1u);
}

}  // namespace
