// The OID-ticket family's half turn as a printer shows it: the proof job is
// printed with renps and its PostScript read back by Ghostscript's text
// device, once with the turn and once without.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "TempDirectory.h"

namespace {

const std::string kRenps = std::string(RENPS_BINARY_DIR) + "/bin/renps";
const std::string kCase = std::string(RENPS_SOURCE_DIR) + "/tests/golden/oid-proof";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Succeeds(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Where the first run of text of each page starts and ends, in points from
// the sheet's top left corner.
struct TextRun {
  int x0, y0, x1;
};

class TurnedProofTest : public ::testing::Test {
 protected:
  // The first text run of every page of the job file's output.
  std::vector<TextRun> FirstRuns(const std::string& jobText, const std::string& name) {
    const std::string job = dir_.path() + "/" + name + ".json";
    std::ofstream(job, std::ios::binary) << jobText;
    const std::string prn = dir_.path() + "/" + name + ".prn";
    const std::string ps = dir_.path() + "/" + name + ".ps";
    const std::string text = dir_.path() + "/" + name + ".txt";
    EXPECT_TRUE(Succeeds(kRenps + " print " + job + " " + kCase + "/document.ps --state-dir " + dir_.path() +
                         "/state -o " + prn + " 2>/dev/null"));
    EXPECT_TRUE(Succeeds(kRenps + " strip-pjl " + prn + " >" + ps));
    EXPECT_TRUE(Succeeds("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite -r72 -dTextFormat=0 -sOutputFile=" + text +
                         " " + ps + " >/dev/null 2>&1"));
    std::vector<TextRun> runs;
    const std::string output = ReadFile(text);
    const std::string span = "<span bbox=\"";
    for (std::size_t page = output.find("<page>"); page != std::string::npos; page = output.find("<page>", page + 1)) {
      const std::size_t at = output.find(span, page);
      if (at == std::string::npos) break;
      TextRun run{};
      std::istringstream numbers(output.substr(at + span.size(), 40));
      numbers >> run.x0 >> run.y0 >> run.x1;
      runs.push_back(run);
    }
    return runs;
  }

  harness::TempDirectory dir_{"renps-turned"};
};

TEST_F(TurnedProofTest, EveryPageLandsUpsideDownAtTheMirroredPlace) {
  const std::string turnedJob = ReadFile(kCase + "/job.json");
  const std::string request = "\"88\": 4602,";
  ASSERT_NE(turnedJob.find(request), std::string::npos) << "the proof job asks for the half turn";
  std::string plainJob = turnedJob;
  plainJob.erase(plainJob.find(request), request.size());

  const std::vector<TextRun> turned = FirstRuns(turnedJob, "turned");
  const std::vector<TextRun> plain = FirstRuns(plainJob, "plain");
  ASSERT_EQ(turned.size(), 3u);
  ASSERT_EQ(plain.size(), 3u);
  for (std::size_t i = 0; i < plain.size(); ++i) {
    SCOPED_TRACE("page " + std::to_string(i + 1));
    EXPECT_LT(plain[i].x0, plain[i].x1) << "left to right";
    EXPECT_GT(turned[i].x0, turned[i].x1) << "right to left: upside down";
    // The A4 sheet (595 x 842) turns about (297, 421).
    EXPECT_EQ(turned[i].x0, 594 - plain[i].x0);
    EXPECT_EQ(turned[i].y0, 842 - plain[i].y0);
  }
}

}  // namespace
