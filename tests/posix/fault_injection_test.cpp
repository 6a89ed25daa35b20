// The plug-in driven through its COM entry points while the platform's calls
// fail (files, the spooler, the module's resources). Whatever fails, every
// entry point answers its documented value; a captured job is finished and
// sent as it was captured (a lost write stays lost, the driver was told), and
// its spool file stays on disk whenever it did not reach the printer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "PluginHarness.h"
#include "TempDirectory.h"
#include "TestPrinter.h"
#include "com/ModuleState.h"
#include "output/ProcsetResource.h"
#include "pdev/XOemPdev.h"
#include "platform/posixhost.h"
#include "platform/text.h"

namespace {

using platform::host::FaultCall;

constexpr int kPages = 3;
constexpr std::size_t kPageBody = 3000;  // the job spans several 4096-byte re-send pieces

struct Job {
  std::vector<HRESULT> writes;  // each WritePrinter of the driver, in order
  std::vector<std::string> buffers;
  std::string bytes;      // what the printer should get: the driver's output without the closing Ctrl-D
  std::string spoolPath;  // empty when nothing was captured
  bool Failed() const {
    for (HRESULT hr : writes)
      if (hr != S_OK) return true;
    return false;
  }
};

// What the spool file holds at the end of the job: every buffer the plug-in
// took, without the closing Ctrl-D.
std::string Captured(const Job& job) {
  std::string bytes;
  for (std::size_t i = 0; i < job.writes.size(); ++i)
    if (job.writes[i] == S_OK) bytes += job.buffers[i];
  if (!job.writes.empty() && job.writes.back() == S_OK && !bytes.empty() && bytes.back() == '\x04') bytes.pop_back();
  return bytes;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Plays the PostScript driver for one three-page job: the hooks, the
// injection points, and its output buffer handed to WritePrinter after the
// setup, after each page and after the end of the stream. With `capture` the
// job asks for imposition, so the plug-in captures it in a spool file. With
// `stopAtFailure` the driver gives up at the first failed write and ends the
// device context, as the spooler does with a job that cannot be written.
Job PrintJob(HANDLE printer, bool capture, bool stopAtFailure = false) {
  harness::PluginHarness h;
  h.devobj.hPrinter = printer;
  EXPECT_EQ(h.EnablePdev(), S_OK);
  XOemPdevPs* pdev = PdevFrom(&h.devobj);
  if (capture) pdev->SetBuffer(kPdevBookletMode, ByteBuffer::createFromLongValue(1));

  Job job;
  bool going = true;
  auto flush = [&] {
    if (!going) return;
    std::string buffer;
    job.writes.push_back(h.SendOutput(buffer));
    if (job.spoolPath.empty()) job.spoolPath = h.SpoolFilePath();
    job.bytes += buffer;
    job.buffers.push_back(std::move(buffer));
    going = !stopAtFailure || job.writes.back() == S_OK;
  };

  h.StartDoc(u"faults", 11);
  h.output += "%!PS-Adobe-3.0\n";
  for (DWORD point : {PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE, PSINJECT_BEGINPROLOG, PSINJECT_ENDPROLOG,
                      PSINJECT_BEGINSETUP, PSINJECT_ENDSETUP})
    h.Command(point);
  flush();
  for (int page = 1; page <= kPages && going; ++page) {
    h.StartPage();
    h.output += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\n";
    h.Command(PSINJECT_BEGINPAGESETUP);
    h.Command(PSINJECT_ENDPAGESETUP);
    h.output += std::string(kPageBody, static_cast<char>('a' + page)) + "\nshowpage\n";
    h.Command(PSINJECT_SHOWPAGE);
    h.SendPage();
    flush();
  }
  if (going) {
    h.Command(PSINJECT_TRAILER);
    h.output += "%%EOF\n";
    h.Command(PSINJECT_ENDSTREAM);
    flush();
  }
  h.EndDoc();
  // The closing Ctrl-D is the plug-in's mark of the last write, not the job's.
  if (capture && going && !job.bytes.empty() && job.bytes.back() == '\x04') job.bytes.pop_back();
  return job;
}

class FaultInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::host::PrinterDescription description;
    description.name = u"Faults";
    description.port = u"IP_192.0.2.50";
    printer_.emplace(description);
  }
  void TearDown() override { platform::host::ClearFaults(); }

  HANDLE Printer() { return printer_->handle; }
  std::string& Spooled() { return printer_->spooled; }

  // Calls of each kind one clean captured job makes.
  std::uint32_t CallsOfCleanJob(FaultCall call) {
    platform::host::ClearFaults();
    Spooled().clear();
    const Job job = PrintJob(Printer(), true);
    EXPECT_FALSE(job.Failed());
    EXPECT_EQ(Spooled(), job.bytes);
    return platform::host::FaultCallCount(call);
  }

  harness::TmpDirectory spoolDirectory_;
  std::optional<harness::TestPrinter> printer_;
};

// What must hold for a captured job whatever failed: the documented results,
// and either the printer got what was captured and the file is gone, or the
// file is kept as it was captured.
void CheckCapturedJob(const Job& job, const std::string& spooled, const std::string& label) {
  SCOPED_TRACE(label);
  for (HRESULT hr : job.writes) EXPECT_TRUE(hr == S_OK || hr == E_FAIL) << std::hex << hr;
  ASSERT_FALSE(job.spoolPath.empty());
  const std::string captured = Captured(job);
  if (!std::filesystem::exists(job.spoolPath)) {
    EXPECT_EQ(spooled, captured) << "a finished job goes to the printer as it was captured";
    return;
  }
  // (A read failing after the last piece leaves a copy of a delivered job:
  // the plug-in cannot tell, and keeps one file too many rather than too few.)
  EXPECT_EQ(Contents(job.spoolPath), captured) << "the kept file is what was captured";
  EXPECT_EQ(spooled, captured.substr(0, spooled.size())) << "the printer got a piece of the job, in order";
}

TEST_F(FaultInjection, EveryFailingCallOfACapturedJobLosesNothingCaptured) {
  for (FaultCall call : {FaultCall::CreateFile, FaultCall::WriteFile, FaultCall::ReadFile, FaultCall::WritePrinter}) {
    const std::uint32_t calls = CallsOfCleanJob(call);
    ASSERT_GT(calls, 0u);
    int changed = 0;
    for (bool everyLater : {false, true}) {
      for (std::uint32_t n = 1; n <= calls; ++n) {
        Spooled().clear();
        platform::host::InjectFault(call, n, everyLater);
        const Job job = PrintJob(Printer(), true);
        platform::host::ClearFaults();
        CheckCapturedJob(job, Spooled(),
                         "call " + std::to_string(static_cast<int>(call)) + " failing at " + std::to_string(n) +
                             (everyLater ? " and after" : ""));
        changed += std::filesystem::exists(job.spoolPath) || Spooled() != job.bytes ? 1 : 0;
        std::filesystem::remove(job.spoolPath);
      }
    }
    EXPECT_GT(changed, 0) << "no fault of call " << static_cast<int>(call) << " changed the job";
  }
}

TEST_F(FaultInjection, DocumentedResultsOfACapturedJob) {
  struct Case {
    const char* name;
    FaultCall call;
    std::uint32_t failAt;
    bool everyLater;
    std::vector<HRESULT> writes;  // setup, three pages, end
    std::size_t sentBytes;        // how much of the job reached the printer
    bool fileIsWholeJob;
  };
  const HRESULT ok = S_OK, fail = E_FAIL;
  const Case cases[] = {
      // The spool file cannot be opened, then not created either.
      {"no spool file", FaultCall::CreateFile, 1, true, {fail, fail, fail, fail, fail}, 0, false},
      // The first open fails once; creating the file anew works.
      {"spool file made anew", FaultCall::CreateFile, 1, false, {ok, ok, ok, ok, ok}, std::string::npos, false},
      // A lost write is the driver's to handle; the job still finishes.
      {"one captured write lost", FaultCall::WriteFile, 2, false, {ok, fail, ok, ok, ok}, std::string::npos, false},
      {"the last captured write lost",
       FaultCall::WriteFile,
       5,
       false,
       {ok, ok, ok, ok, fail},
       std::string::npos,
       false},
      // The third file opened is the spool file, reopened to be sent (after the
      // imposition opened it and found nothing to impose).
      {"spool file not reopened for sending", FaultCall::CreateFile, 3, false, {ok, ok, ok, ok, ok}, 0, true},
      // The imposition reads the file through first (and finds nothing to
      // impose); 0 stands for the re-send's first read, counted from the end.
      {"spool file not readable", FaultCall::ReadFile, 0, false, {ok, ok, ok, ok, ok}, 0, true},
      {"second piece refused by the spooler", FaultCall::WritePrinter, 2, false, {ok, ok, ok, ok, ok}, 4096, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Spooled().clear();
    std::uint32_t failAt = c.failAt;
    if (failAt == 0) {
      platform::host::ClearFaults();
      Spooled().clear();
      const Job clean = PrintJob(Printer(), true);
      const std::size_t size = clean.bytes.size();
      // The re-send reads 4096-byte pieces and then the empty read at the end.
      const auto resendReads = static_cast<std::uint32_t>(size / 4096 + (size % 4096 != 0 ? 1 : 0) + 1);
      failAt = platform::host::FaultCallCount(c.call) - resendReads + 1;
      Spooled().clear();
    }
    platform::host::InjectFault(c.call, failAt, c.everyLater);
    const Job job = PrintJob(Printer(), true);
    platform::host::ClearFaults();
    EXPECT_EQ(job.writes, c.writes);
    if (c.sentBytes == std::string::npos) {
      EXPECT_EQ(Spooled(), Captured(job));
      EXPECT_FALSE(std::filesystem::exists(job.spoolPath));
      continue;
    }
    EXPECT_EQ(Spooled(), job.bytes.substr(0, c.sentBytes));
    ASSERT_TRUE(std::filesystem::exists(job.spoolPath));
    if (c.fileIsWholeJob) {
      EXPECT_EQ(Contents(job.spoolPath), job.bytes);
    }
    std::filesystem::remove(job.spoolPath);
  }
}

TEST_F(FaultInjection, DiskThatFillsDuringTheCapture) {
  const Job clean = PrintJob(Printer(), true);
  ASSERT_EQ(clean.buffers.size(), 5u);
  // Room for the setup and half the first page; then room for the whole job
  // but the closing Ctrl-D, which never goes into the file.
  const std::size_t halfway = clean.buffers[0].size() + clean.buffers[1].size() / 2;
  for (std::size_t room : {halfway, clean.bytes.size()}) {
    SCOPED_TRACE(room);
    Spooled().clear();
    platform::host::InjectDiskFull(room);
    const Job job = PrintJob(Printer(), true);
    platform::host::ClearFaults();
    ASSERT_EQ(job.bytes, clean.bytes);
    if (room >= job.bytes.size()) {
      EXPECT_FALSE(job.Failed());
      EXPECT_EQ(Spooled(), job.bytes);
      continue;
    }
    const std::vector<HRESULT> expected = {S_OK, E_FAIL, E_FAIL, E_FAIL, E_FAIL};
    EXPECT_EQ(job.writes, expected) << "the write that did not fit and every later one fail";
    EXPECT_EQ(Spooled(), job.bytes.substr(0, room)) << "what fitted is sent as captured";
    EXPECT_FALSE(std::filesystem::exists(job.spoolPath));
  }
}

TEST_F(FaultInjection, DriverThatGivesUpLeavesTheSpoolFile) {
  platform::host::InjectFault(FaultCall::WriteFile, 2);
  const Job job = PrintJob(Printer(), true, true);
  EXPECT_EQ(job.writes, (std::vector<HRESULT>{S_OK, E_FAIL}));
  // The device context and the plug-in object are gone; the job is not.
  EXPECT_EQ(Spooled(), "");
  ASSERT_TRUE(std::filesystem::exists(job.spoolPath));
  EXPECT_EQ(Contents(job.spoolPath), job.buffers[0]);
  std::filesystem::remove(job.spoolPath);
}

TEST_F(FaultInjection, PassThroughWriteRefusedBySpooler) {
  for (std::uint32_t n : {1u, 3u, 5u}) {
    SCOPED_TRACE(n);
    Spooled().clear();
    platform::host::InjectFault(FaultCall::WritePrinter, n);
    const Job job = PrintJob(Printer(), false);
    platform::host::ClearFaults();
    EXPECT_TRUE(job.spoolPath.empty());
    ASSERT_EQ(job.writes.size(), 5u);
    std::string others;
    for (std::size_t i = 0; i < job.writes.size(); ++i) {
      EXPECT_EQ(job.writes[i], i + 1 == n ? E_FAIL : S_OK) << i;
      if (i + 1 != n) others += job.buffers[i];
    }
    // Nothing is held back: the refused buffer is the driver's to deal with.
    EXPECT_EQ(Spooled(), others);
  }
}

// The fit-to-page procedure set is a resource of the module. Without it the
// job still prints: nothing is written in its place, and the calls that would
// use it are written guarded, so they do nothing on the printer.
TEST_F(FaultInjection, MissingProcsetResource) {
  AttributeBytesList settings;
  AttributeBytesList output;
  output.SetNewValueId(168, u"Shop sheet", 5732);
  output.SetPaperSizeValues(164, 2159, 2794);
  settings.SetCollection(210, output);
  std::string_view procset;
  ASSERT_TRUE(renpsoem::TryLoadProcsetText(module_state::GetModuleHandle(), kFitToPageProcsetResource, procset));

  // Each Command's result, and its *pdwResult where it succeeded (a failed
  // one carries whatever the last error was).
  auto run = [&](std::vector<HRESULT>& results) {
    harness::PluginHarness h;
    h.SetSettings(settings);
    EXPECT_EQ(h.EnablePdev(), S_OK);
    h.StartDoc(u"resource", 12);
    auto command = [&](DWORD point) {
      DWORD result = 0;
      results.push_back(h.Command(point, &result));
      if (SUCCEEDED(results.back())) results.push_back(static_cast<HRESULT>(result));
    };
    for (DWORD point : {PSINJECT_BEGINPROLOG, PSINJECT_ENDPROLOG, PSINJECT_BEGINSETUP, PSINJECT_ENDSETUP})
      command(point);
    h.StartPage();
    for (DWORD point : {PSINJECT_BEGINPAGESETUP, PSINJECT_ENDPAGESETUP}) command(point);
    h.SendPage();
    h.EndDoc();
    return h.output;
  };
  std::vector<HRESULT> cleanResults, faultResults;
  const std::string clean = run(cleanResults);
  const auto at = clean.find(procset);
  ASSERT_NE(at, std::string::npos);
  ASSERT_NE(clean.find("TmrKvFtpPage"), std::string::npos);

  platform::host::InjectFault(FaultCall::FindResource, 1, true);
  const std::string missing = run(faultResults);
  EXPECT_GT(platform::host::FaultCallCount(FaultCall::FindResource), 0u);
  EXPECT_EQ(faultResults, cleanResults);
  EXPECT_EQ(missing, clean.substr(0, at) + clean.substr(at + procset.size()));
}

}  // namespace
