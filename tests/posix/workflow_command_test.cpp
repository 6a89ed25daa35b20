// Command with a workflow extension: the extension's first say, the job
// ticket at the start of the stream in either form, and what the extension
// sees, all through the plug-in's COM interface with our extension module.
#include <gtest/gtest.h>

#include <optional>

#include "ModuleDirectory.h"
#include "PluginHarness.h"
#include "TestPrinter.h"
#include "pdev/XOemPdev.h"
#include "zqcore/DataModelIds.h"
#include "zqutil/PersistentAttributes.h"
#include "zqutil/PrinterDataNames.h"

namespace {

using namespace DataModelIds;
using harness::CountLines;
using harness::ReadLines;

constexpr DWORD kTicketForms[] = {kValueJobTicketDsc, 0};  // 0: no form set, the XML ticket

struct JobSetup {
  DWORD selector = 2;
  std::optional<bool> ticketWanted = true;
  DWORD form = kValueJobTicketDsc;
  DWORD answerIndex = 0;
  DWORD replacementCopies = 0;
  std::uint32_t outputFormat = 0;
  std::string spoolTo;
};

// A printer with our extension beside the plug-in (the test program's own
// directory) and a device context whose devmode carries the job's settings.
class WorkflowJob {
 public:
  WorkflowJob(const JobSetup& setup, const harness::TempDirectory& logDirectory)
      : log_(logDirectory / "workflow.log"), printer_(Description()) {
    printer_.SetDword(PrinterDataNames::kWorkflowDll, setup.selector);
    printer_.SetText(u"RenpsWorkflowLog", platform::FromUtf8(log()));
    if (setup.answerIndex != 0) printer_.SetDword(u"RenpsWorkflowAnswer", setup.answerIndex);
    if (setup.replacementCopies != 0) printer_.SetDword(u"RenpsWorkflowCopies", setup.replacementCopies);
    if (!setup.spoolTo.empty()) printer_.SetText(u"RenpsWorkflowSpoolTo", platform::FromUtf8(setup.spoolTo));
    AttributeBytesList device;
    if (setup.form != 0) device.SetOptionValue(kFeatureJobTicketForm, setup.form);
    PersistentAttributes image;
    image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace, device);
    ByteBuffer bytes = image.GetBytes();
    SetPrinterDataW(printer_.handle, platform::W(const_cast<char16_t*>(PrinterDataNames::kDeviceSettings)), REG_BINARY,
                    bytes.getLpbyte(), static_cast<DWORD>(bytes.size()));

    AttributeBytesList settings;
    settings.SetOptionValue(kFeatureControllerFamily, kValueFamilyPlain);
    if (setup.ticketWanted) settings.SetBooleanValue(kFeatureJobTicketWanted, *setup.ticketWanted);
    settings.SetStringValue(kFeatureJobName, u"Q3 report");
    settings.SetOptionValue(kFeatureCopiesSource, kValueCopiesFromDevmode);
    driversim::DriverOptions options;
    options.outputFormat = setup.outputFormat;
    plugin.SetSettings(settings, driversim::PublicFields{}, options);
    plugin.devobj.hPrinter = printer_.handle;
  }

  const std::string& log() const { return log_; }
  std::vector<std::string> Log() const { return ReadLines(log_); }
  const std::string& spooled() const { return printer_.spooled; }

 private:
  std::string log_;
  harness::TestPrinter printer_;

 public:
  harness::PluginHarness plugin;

 private:
  static platform::host::PrinterDescription Description() {
    platform::host::PrinterDescription printer;
    printer.name = u"Office";
    printer.port = u"IP_192.0.2.10";
    printer.driverName = u"Demo PS Driver";
    return printer;
  }
};

std::string FirstCommand(const JobSetup& setup) {
  harness::TempDirectory logs;
  WorkflowJob job(setup, logs);
  EXPECT_EQ(job.plugin.EnablePdev(), S_OK);
  EXPECT_EQ(job.plugin.Command(PSINJECT_BEGINSTREAM), S_OK);
  return job.plugin.output;
}

TEST(WorkflowCommand, TicketOnlyWithTheExtensionAndFeature286) {
  struct Case {
    const char* what;
    JobSetup setup;
    const char* starts;  // null: no ticket
  } cases[] = {
      {"extension, comment form", {}, "%TMRbegin: 001.0300\n%TMRtitle: Q3 report\n"},
      {"extension, XML form", {.form = 0}, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<JobTicket schema=\"216\">\n"},
      {"no extension", {.selector = 0}, nullptr},
      {"selector 7", {.selector = 7}, nullptr},
      {"286 false, comment form", {.ticketWanted = false}, nullptr},
      {"286 false, XML form", {.ticketWanted = false, .form = 0}, nullptr},
      {"286 absent", {.ticketWanted = std::nullopt}, nullptr},
      {"output format without device code", {.outputFormat = 2}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string output = FirstCommand(c.setup);
    if (c.starts != nullptr) {
      EXPECT_EQ(output.substr(0, std::string(c.starts).size()), c.starts) << output;
    } else {
      EXPECT_EQ(output.find("%TMR"), std::string::npos) << output;
      EXPECT_EQ(output.find("<?xml"), std::string::npos) << output;
    }
  }
}

TEST(WorkflowCommand, ExtensionAnsweringACommandMakesItTheResultAndNothingIsWritten) {
  for (DWORD form : kTicketForms) {
    SCOPED_TRACE(form);
    harness::TempDirectory logs;
    WorkflowJob job({.form = form, .answerIndex = PSINJECT_BEGINSTREAM}, logs);
    ASSERT_EQ(job.plugin.EnablePdev(), S_OK);
    DWORD result = 77;
    EXPECT_EQ(job.plugin.Command(PSINJECT_BEGINSTREAM, &result), S_FALSE);
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS)) << "the extension's own result";
    EXPECT_TRUE(job.plugin.output.empty()) << job.plugin.output;
    EXPECT_EQ(CountLines(job.Log(), "OnCommand"), 0) << "the plug-in did nothing else";
    EXPECT_EQ(job.plugin.Command(PSINJECT_PSADOBE), S_OK) << "other commands are passed on";
  }
}

TEST(WorkflowCommand, ExtensionIsMadeOnceForEveryCommandOfTheJob) {
  harness::TempDirectory logs;
  WorkflowJob job({}, logs);
  ASSERT_EQ(job.plugin.EnablePdev(), S_OK);
  const DWORD indices[] = {PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE, PSINJECT_BEGINPROLOG, PSINJECT_BEGINSETUP,
                           PSINJECT_ENDSETUP,    PSINJECT_TRAILER, PSINJECT_EOF,         PSINJECT_ENDSTREAM};
  // (The prolog's result is the fax cover's, a failure without one.)
  for (DWORD index : indices) job.plugin.Command(index);
  const auto log = job.Log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 4),
            (std::vector<std::string>{"GetWorkflowObject provider", "Initialize", "Start", "EnablePdev"}));
  EXPECT_EQ(CountLines(log, "GetWorkflowObject provider"), 1);
  EXPECT_EQ(CountLines(log, "Initialize"), 1);
  EXPECT_EQ(CountLines(log, "Start"), 1);
  EXPECT_EQ(CountLines(log, "OnCommand"), static_cast<int>(std::size(indices)));
  EXPECT_EQ(CountLines(log, "JobTicketValue 0"), 1) << "asked only at the start of the stream";
  EXPECT_EQ(CountLines(log, "Command 1"), 1);
}

TEST(WorkflowCommand, ReplacementDevmodeIsTheOneTheTicketReads) {
  for (DWORD copies : {0u, 7u}) {
    SCOPED_TRACE(copies);
    harness::TempDirectory logs;
    WorkflowJob job({.replacementCopies = copies}, logs);
    ASSERT_EQ(job.plugin.EnablePdev(), S_OK);
    ASSERT_EQ(job.plugin.Command(PSINJECT_BEGINSTREAM), S_OK);
    const std::string expected = "%TMRcopyCount: " + std::to_string(copies == 0 ? 1 : copies) + "\n";
    EXPECT_NE(job.plugin.output.find(expected), std::string::npos) << job.plugin.output;
  }
}

TEST(WorkflowCommand, ReleasedWithThePluginObject) {
  harness::TempDirectory logs;
  std::string log;
  {
    WorkflowJob job({}, logs);
    ASSERT_EQ(job.plugin.EnablePdev(), S_OK);
    ASSERT_EQ(job.plugin.Command(PSINJECT_BEGINSTREAM), S_OK);
    log = job.log();
    EXPECT_EQ(CountLines(job.Log(), "ReleaseWorkflowObject"), 0);
  }
  EXPECT_EQ(CountLines(ReadLines(log), "ReleaseWorkflowObject"), 1);
}

TEST(WorkflowCommand, ExtensionTakesTheSpoolFileOfACapturedJobOrLeavesIt) {
  for (bool take : {false, true}) {
    SCOPED_TRACE(take);
    harness::TempDirectory logs;
    const std::string taken = logs / "taken.prn";
    WorkflowJob job({.spoolTo = take ? taken : std::string()}, logs);
    ASSERT_EQ(job.plugin.EnablePdev(), S_OK);
    auto& pdev = *static_cast<XOemPdev*>(job.plugin.devobj.pdevOEM);
    pdev.SetLong(kPdevBookletMode, 1);
    DWORD written = 0;
    std::string first = "%!PS-Adobe-3.0\n";
    ASSERT_EQ(
        job.plugin.plugin->WritePrinter(&job.plugin.devobj, first.data(), static_cast<DWORD>(first.size()), &written),
        S_OK);
    CXString path;
    ASSERT_TRUE(pdev.GetString(kPdevSpoolFilePath, path));
    job.plugin.Command(PSINJECT_ENDSTREAM);
    std::string last = "%%EOF\n\x04";
    ASSERT_EQ(
        job.plugin.plugin->WritePrinter(&job.plugin.devobj, last.data(), static_cast<DWORD>(last.size()), &written),
        S_OK);
    EXPECT_FALSE(std::ifstream(path.ToUtf8()).good()) << "moved by the extension, or deleted after the re-send";
    if (take) {
      EXPECT_EQ(job.spooled(), "") << "the extension took the job";
      EXPECT_EQ(harness::ReadLines(taken), (std::vector<std::string>{"%!PS-Adobe-3.0", "%%EOF"}));
      EXPECT_EQ(CountLines(job.Log(), "SpoolFile taken"), 1);
    } else {
      EXPECT_EQ(job.spooled(), "%!PS-Adobe-3.0\n%%EOF\n");
      EXPECT_EQ(CountLines(job.Log(), "SpoolFile left"), 1);
    }
  }
}

}  // namespace
