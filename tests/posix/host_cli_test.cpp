// The renps program as its users and outside tests meet it: exit statuses,
// messages, nothing written on failure, the listings, and memory that does
// not grow with the document.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "RenpsCli.h"

namespace {

namespace fs = std::filesystem;

using renps_cli::kRenps;
using renps_cli::kSample;

class RenpsCliTest : public renps_cli::RenpsTest {};

TEST_F(RenpsCliTest, BrokenJobFilesExitTwoWithThePathAndWriteNothing) {
  struct Case {
    const char* json;
    const char* message;
  };
  const Case cases[] = {
      {"{\"devmode\": {\"copies\": \"two\"}}", "/devmode/copies: expected an integer, got a string"},
      {"{\"printr\": {}}", "/printr: unknown member"},
      {"{\"settings\": {\"285\": \"7432\"}", ":1:"},  // unbalanced: a syntax error with line and column
      {"{\"settings\": {\"285\": [true]}}", "/settings/285/0: expected an option value"},
  };
  for (const auto& c : cases) {
    WriteFile("job.json", c.json);
    std::string err;
    EXPECT_EQ(Run("print " + Path("job.json") + " " + kSample + " -o " + Path("out.prn"), nullptr, &err), 2) << c.json;
    EXPECT_NE(err.find(Path("job.json")), std::string::npos) << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(Path("out.prn"))) << c.json;
  }
  // Nothing is left beside the output either.
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".renps-output"), std::string::npos);
}

TEST_F(RenpsCliTest, UnusableDocumentsAndUsageExitTwo) {
  WriteFile("job.json", "{}");
  WriteFile("text.ps", "plain text\n");
  std::string err;
  EXPECT_EQ(Run("print " + Path("job.json") + " " + Path("missing.ps"), nullptr, &err), 2);
  EXPECT_NE(err.find("missing.ps: cannot open the document"), std::string::npos) << err;
  EXPECT_EQ(Run("print " + Path("job.json") + " " + Path("text.ps"), nullptr, &err), 2);
  EXPECT_NE(err.find("text.ps:1: not a PostScript document"), std::string::npos) << err;
  EXPECT_EQ(Run("print"), 2);
  EXPECT_EQ(Run("print " + Path("job.json") + " " + kSample + " --plugin " + Path("none.so"), nullptr, &err), 2);
  EXPECT_NE(err.find("none.so: no plug-in module there"), std::string::npos) << err;
}

TEST_F(RenpsCliTest, AFailureOnTheOutputPathExitsOneNamingTheEntryPoint) {
  // State key 4 makes the plug-in refuse every write of the job.
  WriteFile("job.json",
            R"({"settings": {"285": 7432}, "pdevState": {"4": 1}, "user": {"name": "a", "computer": "b"}})");
  std::string err;
  EXPECT_EQ(Run("print " + Path("job.json") + " " + kSample + " -o " + Path("out.prn"), nullptr, &err), 1);
  EXPECT_NE(err.find("IPrintOemPS2::WritePrinter returned 0x80004005"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(Path("out.prn")));
}

TEST_F(RenpsCliTest, TraceAndDevmodeListWhatThePluginDid) {
  WriteFile("job.json", R"({"settings": {"285": 7432}, "devmode": {"paperSize": 1, "paperWidth": 2159,
                            "paperLength": 2794}, "user": {"name": "a", "computer": "b"}})");
  std::string out;
  ASSERT_EQ(Run("trace " + Path("job.json") + " " + kSample, &out), 0);
  const auto setup = out.find("PSINJECT_BEGINSETUP (16)  page 0  S_OK  *pdwResult 0");
  ASSERT_NE(setup, std::string::npos) << out;
  EXPECT_NE(out.find("    | %%BeginFeature: *PageSize Paper", setup), std::string::npos) << out;
  EXPECT_NE(out.find("/PageSize [612 792]", setup), std::string::npos) << out;

  ASSERT_EQ(Run("devmode " + Path("job.json") + " --raw " + Path("dm.bin"), &out), 0);
  EXPECT_NE(out.find("plug-in section (3056 bytes at 380)"), std::string::npos) << out;
  EXPECT_NE(out.find("(valid)"), std::string::npos) << out;
  EXPECT_NE(out.find("entry 1:"), std::string::npos) << out;
  EXPECT_EQ(fs::file_size(Path("dm.bin")), 220u + 160u + 3056u);
}

TEST_F(RenpsCliTest, StripPjlRemovesOnlyTheFramingAroundThePostScript) {
  // Binary image data holds every byte value, 0x04 and ESC included: only
  // the PJL lines, the UEL sequences and a Ctrl-D at the very start or end
  // of the stream are framing.
  using namespace std::string_literals;
  const std::string binary = "%!PS\nimage\n\x04\x1b\x00\xff\x04\x04\n@PJL inside the PostScript\nshowpage\n"s;
  struct Case {
    const char* label;
    std::string stream;
    std::string expected;
  };
  const Case cases[] = {
      {"PJL job with closing Ctrl-D",
       "\x1b%-12345X@PJL JOB\n@PJL ENTER LANGUAGE=POSTSCRIPT\n" + binary + "\x04\x1b%-12345X", binary},
      {"PJL lines after the PostScript", "\x1b%-12345X@PJL JOB\n" + binary + "\x1b%-12345X@PJL EOJ\n\x1b%-12345X",
       binary},
      {"Ctrl-D at both ends", "\x04" + binary + "\x04", binary},
      {"no framing at all", binary, binary},
      {"only the last of two closing Ctrl-Ds is framing", binary + "\x04\x04", binary + "\x04"},
  };
  for (const auto& c : cases) {
    WriteFile("stream.prn", c.stream);
    std::string out, err;
    ASSERT_EQ(Run("strip-pjl " + Path("stream.prn"), &out, &err), 0) << c.label << ": " << err;
    EXPECT_EQ(out, c.expected) << c.label;
  }
}

TEST_F(RenpsCliTest, MemoryDoesNotGrowWithTheDocument) {
  // The same page, once with a few lines and once with 48 MiB of content:
  // the driver streams it, so the peak memory of the run stays the same.
  const auto writeDocument = [&](const std::string& name, std::size_t contentBytes) {
    std::ofstream doc(Path(name), std::ios::binary);
    doc << "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\n";
    const std::string line = "0 0 moveto 1 1 lineto % " + std::string(100, 'x') + "\n";
    for (std::size_t written = 0; written < contentBytes; written += line.size()) doc << line;
    doc << "showpage\n%%EOF\n";
  };
  writeDocument("small.ps", 1024);
  writeDocument("big.ps", 48u << 20);
  WriteFile("job.json", R"({"settings": {"285": 7432}, "user": {"name": "a", "computer": "b"}})");
  // In a sanitizer build freed memory waits in a quarantine before it is
  // reused, which would make a streaming run look like it grows; keep the
  // quarantine out of the measurement.
  const char* asanOptions = std::getenv("ASAN_OPTIONS");
  const std::string savedAsanOptions = asanOptions != nullptr ? asanOptions : "";
  setenv("ASAN_OPTIONS", (savedAsanOptions + (savedAsanOptions.empty() ? "" : ":") + "quarantine_size_mb=0").c_str(),
         1);
  struct RestoreAsanOptions {
    const std::string& saved;
    bool had;
    ~RestoreAsanOptions() {
      if (had)
        setenv("ASAN_OPTIONS", saved.c_str(), 1);
      else
        unsetenv("ASAN_OPTIONS");
    }
  } restore{savedAsanOptions, asanOptions != nullptr};
  rusage usage{};
  ASSERT_EQ(Run("print " + Path("job.json") + " " + Path("small.ps") + " -o " + Path("small.prn")), 0);
  getrusage(RUSAGE_CHILDREN, &usage);
  const long smallPeak = usage.ru_maxrss;  // kilobytes, the largest child so far
  ASSERT_EQ(Run("print " + Path("job.json") + " " + Path("big.ps") + " -o " + Path("big.prn")), 0);
  EXPECT_GT(fs::file_size(Path("big.prn")), 48u << 20);
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss - smallPeak, 16 * 1024) << "kilobytes more for the big document";
}

}  // namespace
