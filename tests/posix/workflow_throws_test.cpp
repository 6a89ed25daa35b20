// A workflow extension that throws a C++ exception from one of its
// operations or exports: every entry point of the plug-in that calls into it
// answers its failure value and no exception leaves it; the job prints
// without the extension's part, or ends, and a captured job that could not be
// finished keeps its spool file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "DemoWorkflowObject.h"
#include "ModuleDirectory.h"
#include "PluginHarness.h"
#include "TempDirectory.h"
#include "TestPrinter.h"
#include "pdev/XOemPdev.h"
#include "zqcore/DataModelIds.h"
#include "zqutil/PersistentAttributes.h"
#include "zqutil/PrinterDataNames.h"

namespace harness {
inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace harness

namespace {

using namespace DataModelIds;
using namespace workflowext;

// Spool files and the extension's log go to directories of the test's own.
class ScratchDirectory {
 public:
  ~ScratchDirectory() { unsetenv(kThrowEnvironment); }
  std::vector<std::string> SpoolFiles() const {
    std::vector<std::string> files;
    // (A test printer's state directory may lie here too.)
    for (const auto& entry : std::filesystem::directory_iterator(spool_.path()))
      if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
  }
  std::string Log() const { return logs_ / "workflow.log"; }

 private:
  harness::TmpDirectory spool_;
  harness::TempDirectory logs_{"renps-wflog"};
};

platform::host::PrinterDescription Office() {
  platform::host::PrinterDescription printer;
  printer.name = u"Office";
  printer.port = u"IP_192.0.2.10";
  printer.driverName = u"Demo PS Driver";
  return printer;
}

// Our extension on the printer, throwing from the operations `throwing`
// names, with the comment ticket (which needs no core library).
void SetUpPrinter(harness::TestPrinter& printer, const ScratchDirectory& scratch, DWORD throwing) {
  printer.SetDword(PrinterDataNames::kWorkflowDll, 2);
  printer.SetText(kLogValue, platform::FromUtf8(scratch.Log()));
  printer.SetDword(kThrowValue, throwing & ~static_cast<DWORD>(kThrowOnCreate));
  if ((throwing & kThrowOnCreate) != 0) setenv(kThrowEnvironment, std::to_string(throwing).c_str(), 1);
  AttributeBytesList device;
  device.SetOptionValue(kFeatureJobTicketForm, kValueJobTicketDsc);
  PersistentAttributes image;
  image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace, device);
  ByteBuffer bytes = image.GetBytes();
  SetPrinterDataW(printer.handle, platform::W(const_cast<char16_t*>(PrinterDataNames::kDeviceSettings)), REG_BINARY,
                  bytes.getLpbyte(), static_cast<DWORD>(bytes.size()));
}

struct Job {
  HRESULT enable = E_FAIL;
  std::vector<std::pair<DWORD, HRESULT>> commands;
  std::vector<HRESULT> writes;
  std::string bytes;  // what the driver handed to WritePrinter, the closing Ctrl-D of a capture dropped
  std::string spoolPath;
};

// The driver's part for a two-page job; it gives up when EnablePDEV fails.
Job PrintJob(harness::PluginHarness& h, HANDLE printer, bool capture) {
  Job job;
  AttributeBytesList settings;
  settings.SetOptionValue(kFeatureControllerFamily, kValueFamilyPlain);
  settings.SetBooleanValue(kFeatureJobTicketWanted, true);
  settings.SetStringValue(kFeatureJobName, u"Q3 report");
  h.SetSettings(settings);
  h.devobj.hPrinter = printer;
  job.enable = h.EnablePdev();
  if (job.enable != S_OK) return job;
  XOemPdevPs* pdev = PdevFrom(&h.devobj);
  if (capture) pdev->SetBuffer(kPdevBookletMode, ByteBuffer::createFromLongValue(1));
  auto command = [&](DWORD point) { job.commands.emplace_back(point, h.Command(point)); };
  auto flush = [&] {
    std::string buffer;
    job.writes.push_back(h.SendOutput(buffer));
    if (job.spoolPath.empty()) job.spoolPath = h.SpoolFilePath();
    job.bytes += buffer;
  };
  h.StartDoc(u"throws", 12);
  h.output += "%!PS-Adobe-3.0\n";
  for (DWORD point : {PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE, PSINJECT_BEGINPROLOG, PSINJECT_ENDPROLOG,
                      PSINJECT_BEGINSETUP, PSINJECT_ENDSETUP})
    command(point);
  flush();
  for (int page = 1; page <= 2; ++page) {
    h.StartPage();
    h.output += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\n";
    command(PSINJECT_BEGINPAGESETUP);
    command(PSINJECT_ENDPAGESETUP);
    h.output += "page " + std::to_string(page) + " showpage\n";
    command(PSINJECT_SHOWPAGE);
    h.SendPage();
    flush();
  }
  command(PSINJECT_TRAILER);
  h.output += "%%EOF\n";
  command(PSINJECT_ENDSTREAM);
  flush();
  h.EndDoc();
  if (capture && !job.bytes.empty() && job.bytes.back() == '\x04') job.bytes.pop_back();
  return job;
}

enum class Commands { AllSucceed, AllFail, OnlyStreamStartFails };

struct Case {
  const char* what;
  DWORD throwing;
  HRESULT enable;     // the first EnablePDEV
  Commands commands;  // when the device context was enabled
};

const Case kCases[] = {
    {"nothing throws", 0, S_OK, Commands::AllSucceed},
    {"GetWorkflowObject", kThrowOnCreate, E_FAIL, Commands::AllSucceed},
    {"initialise", kThrowOnInitialize, E_FAIL, Commands::AllSucceed},
    {"start", kThrowOnStart, E_FAIL, Commands::AllSucceed},
    {"PDEV enable", kThrowOnEnablePdev, E_FAIL, Commands::AllSucceed},
    {"command", kThrowOnCommand, S_OK, Commands::AllFail},
    {"devmode replacement", kThrowOnReplacementDevmode, S_OK, Commands::AllFail},
    {"command notification", kThrowOnCommandNotification, S_OK, Commands::AllFail},
    {"job-ticket value", kThrowOnJobTicketValue, S_OK, Commands::OnlyStreamStartFails},
    {"spool file", kThrowOnSpoolFile, S_OK, Commands::AllSucceed},
};

class WorkflowThrows : public ::testing::Test {
 protected:
  // After the printer is set up (a test printer's end forgets the sink).
  void CollectDebugOutput() {
    debug_.clear();
    platform::host::SetDebugLogSink([this](std::u16string_view line) { debug_ += platform::ToUtf8(line) + "\n"; });
  }
  void TearDown() override { platform::host::SetDebugLogSink(nullptr); }
  std::string debug_;
};

TEST_F(WorkflowThrows, EntryPointsAnswerTheirFailureValuesAndJobsPrintOrKeepTheirSpoolFile) {
  // What each command answers when nothing throws (the first case).
  std::vector<HRESULT> cleanResults;
  for (const Case& c : kCases) {
    for (bool capture : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (capture ? ", captured" : ", passed through"));
      ScratchDirectory scratch;
      harness::TestPrinter printer(Office());
      SetUpPrinter(printer, scratch, c.throwing);
      CollectDebugOutput();
      Job job;
      {
        harness::PluginHarness h;
        job = PrintJob(h, printer.handle, capture);
      }
      EXPECT_EQ(job.enable, c.enable);
      const bool reached = c.throwing != kThrowOnSpoolFile || capture;  // only a capture hands over a file
      if (c.throwing != 0 && reached) {
        EXPECT_NE(debug_.find("fails on purpose"), std::string::npos) << "reported:\n" << debug_;
      }

      if (job.enable != S_OK) {
        // The driver ends the job; nothing was written or captured.
        EXPECT_TRUE(printer.spooled.empty());
        EXPECT_TRUE(scratch.SpoolFiles().empty());
        continue;
      }
      if (c.throwing == 0 && cleanResults.empty())
        for (const auto& command : job.commands) cleanResults.push_back(command.second);
      ASSERT_EQ(job.commands.size(), cleanResults.size());
      for (std::size_t i = 0; i < job.commands.size(); ++i) {
        const DWORD point = job.commands[i].first;
        const bool fails = c.commands == Commands::AllFail ||
                           (c.commands == Commands::OnlyStreamStartFails && point == PSINJECT_BEGINSTREAM);
        EXPECT_EQ(job.commands[i].second, fails ? E_FAIL : cleanResults[i]) << "command " << point;
      }
      EXPECT_EQ(cleanResults.front(), S_OK) << "the stream's start succeeds when nothing throws";
      for (HRESULT hr : job.writes) EXPECT_EQ(hr, S_OK);
      EXPECT_NE(job.bytes.find("page 2 showpage"), std::string::npos) << "the driver's output went on";
      if (c.throwing == kThrowOnSpoolFile && capture) {
        // The extension failed with the file: nothing was sent, the file is kept and named.
        EXPECT_TRUE(printer.spooled.empty());
        ASSERT_FALSE(job.spoolPath.empty());
        EXPECT_EQ(scratch.SpoolFiles(), std::vector<std::string>{job.spoolPath});
        EXPECT_NE(debug_.find(job.spoolPath), std::string::npos) << debug_;
      } else if (c.commands == Commands::AllFail && capture) {
        // The end of the stream never got through, so the capture was never
        // finished: nothing was sent, and the whole job waits in its file,
        // which the plug-in names when it goes.
        EXPECT_TRUE(printer.spooled.empty());
        ASSERT_EQ(scratch.SpoolFiles(), std::vector<std::string>{job.spoolPath});
        EXPECT_EQ(harness::ReadFileBytes(job.spoolPath), job.bytes);
        EXPECT_NE(debug_.find("kept, not sent: " + job.spoolPath), std::string::npos) << debug_;
      } else {
        EXPECT_EQ(printer.spooled, job.bytes) << "the job reaches the printer";
        EXPECT_TRUE(scratch.SpoolFiles().empty()) << "a delivered capture leaves no file";
      }
    }
  }
}

// An extension that threw while it was being set up is not set up again:
// the driver's next try gets its device context and the job prints.
TEST_F(WorkflowThrows, AfterAFailedSetUpTheNextDeviceContextPrints) {
  for (DWORD throwing : {static_cast<DWORD>(kThrowOnInitialize), static_cast<DWORD>(kThrowOnStart)}) {
    SCOPED_TRACE(throwing);
    ScratchDirectory scratch;
    harness::TestPrinter printer(Office());
    SetUpPrinter(printer, scratch, throwing);
    harness::PluginHarness h;
    h.devobj.hPrinter = printer.handle;
    EXPECT_EQ(h.EnablePdev(), E_FAIL);
    const Job job = PrintJob(h, printer.handle, false);
    EXPECT_EQ(job.enable, S_OK);
    ASSERT_FALSE(job.commands.empty());
    EXPECT_EQ(job.commands.front().second, S_OK) << "the stream's start, with the extension's ticket";
    EXPECT_EQ(printer.spooled, job.bytes);
    EXPECT_NE(printer.spooled.find("%TMRbegin"), std::string::npos) << "the extension's ticket is written";
  }
}

// ReleaseWorkflowObject runs when the plug-in object goes, in its destructor:
// an exception there must neither end the process nor keep the module.
TEST_F(WorkflowThrows, ReleaseThatThrowsEndsNeitherTheProcessNorTheRelease) {
  ScratchDirectory scratch;
  harness::TestPrinter printer(Office());
  SetUpPrinter(printer, scratch, kThrowOnRelease);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int failures = 0;
    {
      harness::PluginHarness h;
      const Job job = PrintJob(h, printer.handle, true);
      failures += job.enable != S_OK;
      failures += printer.spooled != job.bytes;
    }
    // The harness released the plug-in object: the extension went with it.
    failures += DllCanUnloadNow() != S_OK;
    ::_exit(failures);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the process ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const auto log = harness::ReadLines(scratch.Log());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "ReleaseWorkflowObject");
}

}  // namespace
