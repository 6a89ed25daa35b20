// Procset-family jobs printed by renps and run in Ghostscript with the
// printer-side stand-in: what the printer's procedures receive, and no
// PostScript error anywhere, inside feature blocks included.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Ghostscript.h"

namespace {

const std::string kRenps = std::string(RENPS_BINARY_DIR) + "/bin/renps";
const std::string kSample = std::string(RENPS_SOURCE_DIR) + "/examples/sample.ps";

// The driver's prolog swallows errors inside feature blocks; the printer in
// these tests reports them instead.
const std::string kQuietCleanup = "stopped { $error /newerror false put } if";
const std::string kLoudCleanup =
    "stopped { (RRCP featureerror ) print $error /errorname get ==only (\\n) print flush "
    "$error /newerror false put } if";
// Counts the sheets the job really prints.
const std::string kPageCounter =
    "userdict /showpage { (RRCP page\\n) print flush systemdict /showpage get exec } put\n";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// True when `expected` occurs in `lines` in this order (others may lie between).
::testing::AssertionResult InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
  std::size_t next = 0;
  for (const auto& line : lines)
    if (next < expected.size() && line == expected[next]) ++next;
  if (next == expected.size()) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure() << "missing \"" << expected[next] << "\" in:\n";
  for (const auto& line : lines) failure << line << "\n";
  return failure;
}

TEST(ProcSetFamilyInGhostscript, JobTypesReachThePrintersProcedures) {
  struct Case {
    const char* name;
    const char* settings;  // besides the controller family
    std::vector<std::string> expected;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"normal",
       R"("36": 6890, "311": 7010, "144": [5254, 5271], "193": 6155, "139": 5391, "57": 7410, "120": {"int": 12},
          "129": 5061, "426": 6933, "56": 7400, "53": 4491, "272": 6762, "197": {"193": 6154},
          "420": {"418": 7132, "193": 6157})",
       {"RRCP logusername (alice)", "RRCP logfilename (Report)", "RRCP logjobname (Report)", "RRCP logjobinfo",
        "RRCP logclientjobid (42-alice)", "RRCP edgetoedge true", "RRCP setcoverpages 3 1", "RRCP setslipsheetsource 4",
        "RRCP setforceinterpolate true", "RRCP setblacktrapping true", "RRCP setcustomflag false",
        "RRCP setautofit true", "RRCP page", "RRCP page", "RRCP page"},
       {"RRCP setjobtype"}},
      {"secure",
       R"("36": 6891, "42": "1234", "55": "7")",
       {"RRCP validatecoloraccess 7", "RRCP setjobtype (1234Report) 3", "RRCP page", "RRCP page", "RRCP page"},
       {}},
      {"saved with password",
       R"("36": 6898, "37": 7071, "42": "12", "202": {"203": [{"65": "Quarterly"}]})",
       {"RRCP setjobtype (0012Quarterly) 11", "RRCP page", "RRCP page", "RRCP page"},
       {}},
      {"proof",
       R"("36": 6899, "202": {"203": [{"65": "  Brochure"}]})",
       {"RRCP setjobtype (Brochure) 1", "RRCP page", "RRCP page", "RRCP page"},
       {}},
      {"print-with",
       R"("36": 6901, "465": [{"name": "17"}, {"name": "23"}])",
       {"RRCP setjobtype (0000Report) 12", "RRCP printwith 17", "RRCP printwith 23", "RRCP page", "RRCP page",
        "RRCP page"},
       {}},
  };
  for (const auto& c : cases) {
    gs::TempDirectory dir;
    const std::string job = std::string(R"({
      "printer": { "name": "Demo", "port": "IP_192.0.2.10", "controllerFamily": 7430,
                   "driver": { "name": "Demo PostScript", "version": "1.0.0.0", "language": "English" } },
      "devmode": { "paperSize": 1, "paperWidth": 2159, "paperLength": 2794, "formName": "Letter", "duplex": 2 },
      "settings": { "285": 7430, )") +
                            c.settings + R"( },
      "user": { "name": "alice", "computer": "WS-17", "os": "Windows 10 Pro" },
      "job": { "document": "Report", "id": 42, "owner": "alice", "time": "2024-05-17T09:30:00" }
    })";
    const auto jobPath = dir.Write("job.json", job);
    const auto outPath = dir.path() / "out.prn";
    const std::string command = kRenps + " print " + jobPath.string() + " " + kSample + " -o " + outPath.string() +
                                " --state-dir " + (dir.path() / "state").string();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name;

    std::string stream = ReadFile(outPath);
    const auto quiet = stream.find(kQuietCleanup);
    ASSERT_NE(quiet, std::string::npos) << "the driver's prolog changed: " << c.name;
    stream.replace(quiet, kQuietCleanup.size(), kLoudCleanup);

    const auto run = gs::Run({gs::StandIn(), dir.Write("pages.ps", kPageCounter), dir.Write("job.ps", stream)});
    if (!run.started) GTEST_SKIP() << run.error;
    EXPECT_TRUE(gs::NoPostScriptError(run)) << c.name;
    const auto lines = gs::LinesStartingWith(run.output, "RRCP ");
    EXPECT_TRUE(InOrder(lines, c.expected)) << c.name;
    for (const auto& line : c.absent) EXPECT_TRUE(gs::LinesStartingWith(run.output, line).empty()) << c.name;
  }
}

}  // namespace
