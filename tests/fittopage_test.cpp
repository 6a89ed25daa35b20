// Fit to page: when it is active, what the procset writer writes and
// records, and the initialisation call with its sheet, scale and anchor.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "PluginHarness.h"
#include "com/ModuleState.h"
#include "devmode/XDevmode.h"
#include "msdevmode/MsFeatureManager.h"
#include "output/ProcsetResource.h"
#include "output/fittopage/FitToPage.h"
#include "pdev/XOemPdev.h"

namespace {

constexpr std::int32_t kLetterWidth = 2159;  // tenths of a millimetre
constexpr std::int32_t kLetterLength = 2794;
constexpr std::int32_t kA4Width = 2100;
constexpr std::int32_t kA4Length = 2970;

enum class Paper { None, Listed, Named };

struct Settings {
  Paper paper = Paper::None;
  std::int32_t width = kLetterWidth;
  std::int32_t length = kLetterLength;
  std::optional<DWORD> mode;
  std::optional<LONG> percent;
  std::optional<DWORD> anchor;
  std::optional<DWORD> nup;

  AttributeBytesList Build() const {
    AttributeBytesList list;
    if (paper != Paper::None) {
      AttributeBytesList output;
      if (paper == Paper::Named)
        output.SetNewValueId(168, u"Shop sheet", 5732);
      else
        output.SetOptionValue(168, 5601);
      output.SetPaperSizeValues(164, width, length);
      list.SetCollection(210, output);
    }
    if (mode) list.SetOptionValue(219, *mode);
    if (percent) list.SetIntegerValue(160, *percent);
    if (anchor) list.SetOptionValue(161, *anchor);
    if (nup) list.SetOptionValue(215, *nup);
    return list;
  }
};

// A device context whose devmode carries the settings.
class Job {
 public:
  explicit Job(const Settings& settings, bool portrait = true) {
    driversim::PublicFields fields;
    fields.orientation = portrait ? 1 : 2;
    h.SetSettings(settings.Build(), fields);
    EXPECT_EQ(h.EnablePdev(), S_OK);
    h.output.clear();
  }
  XOemPdev* Pdev() { return PdevFrom(&h.devobj); }
  std::unique_ptr<MsFeatureManager> Features() {
    return MsFeatureManager::CreateMsFeatureManagerFromDevmode(nullptr, h.Devmode(), 3, h.core);
  }
  bool Active() {
    XDevmode reader(h.Devmode());
    return FitToPageActive(nullptr, reader, Pdev());
  }
  std::string Init() {
    auto features = Features();
    EmitFitToPageInit(h.driver, &h.devobj, Pdev(), features.get());
    return h.output;
  }

  harness::PluginHarness h;
};

std::string InitCall(const std::string& operands) {
  return "%%TMRFitToPageInit\r\n/TmrKvFtpInit where {pop " + operands + " TmrKvFtpInit} if\r\n";
}

TEST(FitToPage, ActiveForANamedOutputPaperOrAScaleOtherThan100) {
  struct Case {
    const char* name;
    Settings settings;
    std::optional<DWORD> booklet;
    bool active;
  };
  const Case cases[] = {
      {"nothing asked", {}, std::nullopt, false},
      {"custom 50 %", {.mode = 6262, .percent = 50}, std::nullopt, true},
      {"custom 100 %", {.mode = 6262, .percent = 100}, std::nullopt, false},
      {"custom 101 %", {.mode = 6262, .percent = 101}, std::nullopt, true},
      {"custom without percentage", {.mode = 6262}, std::nullopt, true},
      {"fit, listed output paper", {.paper = Paper::Listed, .mode = 6263}, std::nullopt, false},
      {"fit, named output paper", {.paper = Paper::Named, .mode = 6263}, std::nullopt, true},
      {"100 %, named output paper", {.paper = Paper::Named, .mode = 6261}, std::nullopt, true},
      {"named output paper, booklet off", {.paper = Paper::Named}, 0, true},
      {"named output paper, booklet", {.paper = Paper::Named}, 2, false},
      {"custom 50 %, booklet", {.mode = 6262, .percent = 50}, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Job job(c.settings);
    if (c.booklet) job.Pdev()->SetLong(kPdevBookletMode, *c.booklet);
    EXPECT_EQ(job.Active(), c.active);
  }
}

TEST(FitToPage, ProcsetIsWrittenWhole) {
  std::string_view procset;
  ASSERT_TRUE(TryLoadProcsetText(module_state::GetModuleHandle(), kFitToPageProcsetResource, procset));
  struct Case {
    const char* name;
    Settings settings;
    std::optional<DWORD> noProcset;
    bool written;
  };
  const Case cases[] = {
      {"active", {.mode = 6262, .percent = 50}, std::nullopt, true},
      {"active, key 11 zero", {.mode = 6262, .percent = 50}, 0, true},
      {"active, key 11 set", {.mode = 6262, .percent = 50}, 1, false},
      {"inactive", {.mode = 6262, .percent = 100}, std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Job job(c.settings);
    if (c.noProcset) job.Pdev()->SetLong(kPdevNoCapture, *c.noProcset);
    EmitFitToPageProcset(job.h.driver, &job.h.devobj, job.Pdev());
    DWORD recorded = 0;
    EXPECT_EQ(job.Pdev()->GetLong(kPdevFitToPageWritten, recorded), c.written);
    EXPECT_EQ(recorded, c.written ? 1u : 0u);
    EXPECT_EQ(job.h.output, c.written ? std::string(procset) : std::string());
    EXPECT_EQ(job.h.driver->CallCount(), c.written ? 1u : 0u);
  }
}

TEST(FitToPage, InitNamesTheSheetTheScaleAndTheAnchor) {
  struct Case {
    const char* name;
    Settings settings;
    bool portrait;
    const char* operands;
  };
  const Case cases[] = {
      {"fit onto Letter", {.paper = Paper::Named, .mode = 6263}, true, "612 792 0 0 0 0 false false false -1 1"},
      {"fit onto A4",
       {.paper = Paper::Named, .width = kA4Width, .length = kA4Length},
       true,
       "595 842 0 0 0 0 false false false -1 1"},
      {"listed paper still gives the sheet",
       {.paper = Paper::Listed, .mode = 6262, .percent = 50},
       true,
       "612 792 0 0 0 0 false false false 50 1"},
      {"50 %, own page size, bottom right",
       {.mode = 6262, .percent = 50, .anchor = 6465},
       true,
       "-1 -1 0 0 0 0 false false false 50 9"},
      {"50 %, landscape, bottom right",
       {.mode = 6262, .percent = 50, .anchor = 6465},
       false,
       "-1 -1 0 0 0 0 false false false 50 3"},
      {"100 %, landscape, last anchor",
       {.paper = Paper::Named, .mode = 6261, .anchor = 6468},
       false,
       "612 792 0 0 0 0 false false false 100 6"},
      {"custom without percentage fits", {.mode = 6262, .anchor = 6460}, true, "-1 -1 0 0 0 0 false false false -1 1"},
      {"anchor below the range",
       {.mode = 6262, .percent = 75, .anchor = 6459},
       true,
       "-1 -1 0 0 0 0 false false false 75 1"},
      {"anchor above the range, landscape",
       {.mode = 6262, .percent = 75, .anchor = 6469},
       false,
       "-1 -1 0 0 0 0 false false false 75 7"},
      {"2-up turns the sheet",
       {.mode = 6262, .percent = 75, .anchor = 6461, .nup = 6241},
       true,
       "-1 -1 0 0 0 0 false false false 75 8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Job job(c.settings, c.portrait);
    job.Pdev()->SetLong(kPdevFitToPageWritten, 1);
    EXPECT_EQ(job.Init(), InitCall(c.operands));
  }
}

TEST(FitToPage, InitFollowsTheProcsetDecision) {
  const Settings settings{.mode = 6262, .percent = 50};
  for (const std::optional<DWORD> recorded :
       {std::optional<DWORD>(), std::optional<DWORD>(0), std::optional<DWORD>(2)}) {
    Job job(settings);
    if (recorded) job.Pdev()->SetLong(kPdevFitToPageWritten, *recorded);
    EXPECT_EQ(job.Init(), "");
  }
  Job job(settings);
  EmitFitToPageProcset(job.h.driver, &job.h.devobj, job.Pdev());
  job.h.output.clear();
  EXPECT_EQ(job.Init(), InitCall("-1 -1 0 0 0 0 false false false 50 1"));
}

}  // namespace
