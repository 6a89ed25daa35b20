// renps with documents as producers write them and outputs as users name
// them: header comments of every shape, documents without page structure,
// truncated ones, the document's own device features, and output paths that
// are FIFOs, devices or symbolic links.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "RenpsCli.h"

namespace {

namespace fs = std::filesystem;

using renps_cli::kLetterJob;
using renps_cli::kSample;

class RenpsDocumentTest : public renps_cli::RenpsTest {
 protected:
  // Prints `document` with the Letter job; returns the exit status.
  int Print(const std::string& document, std::string* out, std::string* err = nullptr,
            const std::string& options = "") {
    WriteFile("doc.ps", document);
    return Run("print " + kLetterJob + " " + Path("doc.ps") + " " + options, out, err);
  }
};

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

TEST_F(RenpsDocumentTest, DscCommentsTheDriverWritesAlwaysStartALine) {
  struct Case {
    const char* label;
    std::string document;
    std::string expected;
  };
  const Case cases[] = {
      {"code after the last showpage without a line end",
       "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\nshowpage\n1 pop", "1 pop\n%%PageTrailer\n"},
      {"a page without showpage that ends without a line end", "%!PS-Adobe-3.0\n%%Page: 1 1\n0 0 moveto",
       "0 0 moveto\n%%PageTrailer\n"},
      {"a trailer without a line end", "%!PS-Adobe-3.0\n%%Page: 1 1\nshowpage\n%%Trailer\nend", "end\n%%Pages: 1\n"},
  };
  for (const auto& c : cases) {
    std::string out, err;
    ASSERT_EQ(Print(c.document, &out, &err), 0) << c.label << ": " << err;
    EXPECT_NE(out.find(c.expected), std::string::npos) << c.label << "\n" << out;
  }
}

TEST_F(RenpsDocumentTest, HeaderCommentsRunToEndCommentsAcrossSinglePercentLines) {
  std::string out;
  ASSERT_EQ(Print("%!PS-Adobe-3.0\n%Produced by a converter\n%%Creator: converter\n%%LanguageLevel: 2\n"
                  "%%DocumentMedia: plain 612 792 0 () ()\n%%Pages: 1\n%%EndComments\n%%BeginProlog\n/p 1 def\n"
                  "%%EndProlog\n%%Page: 1 1\nshowpage\n%%EOF\n",
                  &out),
            0);
  const auto endComments = out.find("%%EndComments\n");
  ASSERT_NE(endComments, std::string::npos) << out;
  EXPECT_EQ(Count(out, "%%EndComments"), 1u) << out;
  for (const char* line : {"%%LanguageLevel: 2\n", "%%DocumentMedia: plain 612 792 0 () ()\n", "%Produced by"}) {
    const auto at = out.find(line);
    EXPECT_LT(at, endComments) << line << "\n" << out;
  }
  // The driver counts the pages itself.
  EXPECT_EQ(Count(out, "%%Pages: 1\n"), 1u) << out;
}

TEST_F(RenpsDocumentTest, DocumentsWithoutPagesPrintAsOnePage) {
  struct Case {
    const char* label;
    std::string document;
    bool warned;
  };
  const Case cases[] = {
      {"no DSC comments at all", "%!\n/Helvetica findfont 20 scalefont setfont 72 700 moveto (Hello) show showpage\n",
       true},
      {"DSC header but no page comments",
       "%!PS-Adobe-3.0\n%%Title: t\n%%EndComments\n%%BeginProlog\n/x 1 def\n%%EndProlog\n0 0 moveto showpage\n%%EOF\n",
       true},
      {"an EPS",
       "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n%%EndComments\n0 0 moveto 100 100 lineto stroke\n"
       "%%EOF\n",
       false},
  };
  for (const auto& c : cases) {
    std::string out, err;
    ASSERT_EQ(Print(c.document, &out, &err), 0) << c.label << ": " << err;
    EXPECT_EQ(Count(out, "%%Page: 1 1\n"), 1u) << c.label << "\n" << out;
    EXPECT_NE(out.find("%%Pages: 1\n"), std::string::npos) << c.label << "\n" << out;
    // The page ends in a showpage: the document's, or for an EPS the driver's.
    EXPECT_NE(out.find("showpage\n%%PageTrailer\n"), std::string::npos) << c.label << "\n" << out;
    EXPECT_EQ(err.find("no page structure") != std::string::npos, c.warned) << c.label << ": " << err;
  }
}

TEST_F(RenpsDocumentTest, TruncatedDocumentsAndDirectoriesAreNamed) {
  std::string out, err;
  EXPECT_EQ(Print("%!PS-Adobe-3.0\n%%Pages: 3\n%%EndComments\n%%Page: 1 1\nshowpage\n%%Page: 2 2\n0 0 moveto 1 1 li",
                  &out, &err),
            0);
  EXPECT_NE(err.find("doc.ps: the document ends inside page 2"), std::string::npos) << err;

  // A whole document is not truncated.
  EXPECT_EQ(Print("%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\nshowpage\n%%EOF\n", &out, &err), 0);
  EXPECT_EQ(err, "");

  fs::create_directory(Path("folder.ps"));
  EXPECT_EQ(Run("print " + kLetterJob + " " + Path("folder.ps") + " -o " + Path("out.prn"), nullptr, &err), 2);
  EXPECT_NE(err.find("folder.ps: is a directory"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(Path("out.prn")));
}

TEST_F(RenpsDocumentTest, TheJobsDeviceSettingsWinOverTheDocuments) {
  const std::string document =
      "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%BeginSetup\n"
      "[{\n%%BeginFeature: *PageSize A4\n<< /PageSize [595 842] >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n"
      "%%BeginFeature: *Smoothing True\n/smooth true def\n%%EndFeature\n"
      "%%BeginPaperSize: a4\n/a4 where { pop a4 } if\n%%EndPaperSize\n"
      "%%EndSetup\n%%Page: 1 1\n%%BeginPageSetup\n"
      "%%BeginFeature: *Duplex DuplexNoTumble\n<< /Duplex true >> setpagedevice\n%%EndFeature\n"
      "%%EndPageSetup\n%%BeginDocument: inner.eps\n%%BeginFeature: *PageSize A5\n/inner true def\n%%EndFeature\n"
      "%%EndDocument\nshowpage\n%%EOF\n";
  std::string out;
  ASSERT_EQ(Print(document, &out), 0);
  for (const char* dropped : {"[595 842]", "*PageSize A4", "a4 where", "/Duplex true"})
    EXPECT_EQ(out.find(dropped), std::string::npos) << dropped << "\n" << out;
  // The application's own wrapper stays balanced; other features and an
  // embedded document's insides are the document's business.
  for (const char* kept : {"[{\n} stopped cleartomark\n", "/smooth true def", "/inner true def"})
    EXPECT_NE(out.find(kept), std::string::npos) << kept << "\n" << out;
  EXPECT_NE(out.find("/PageSize [612 792]"), std::string::npos) << out;

  WriteFile("doc.ps", document);
  ASSERT_EQ(Run("trace " + kLetterJob + " " + Path("doc.ps"), &out), 0);
  for (const char* shown : {"<< /PageSize [595 842] >> setpagedevice", "<< /Duplex true >> setpagedevice", "a4 where"})
    EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n" << out;

  ASSERT_EQ(Print(document, &out, nullptr, "--keep-document-features"), 0);
  for (const char* kept : {"[595 842]", "/Duplex true", "a4 where"})
    EXPECT_NE(out.find(kept), std::string::npos) << kept << "\n" << out;
}

TEST_F(RenpsDocumentTest, OutputGoesIntoFifosAndThroughSymbolicLinks) {
  std::string expected;
  ASSERT_EQ(Run("print " + kLetterJob + " " + kSample, &expected), 0);

  ASSERT_EQ(mkfifo(Path("out.fifo").c_str(), 0666), 0);
  // The reader gives up after a while, so a renps that never opens the FIFO
  // fails the test instead of hanging it.
  const pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    alarm(20);
    const int in = open(Path("out.fifo").c_str(), O_RDONLY);
    const int out = open(Path("from-fifo.prn").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    char buffer[4096];
    ssize_t n = 0;
    while (in >= 0 && out >= 0 && (n = read(in, buffer, sizeof buffer)) > 0)
      if (write(out, buffer, static_cast<std::size_t>(n)) != n) _exit(1);
    _exit(in >= 0 && out >= 0 && n == 0 ? 0 : 1);
  }
  std::string err;
  EXPECT_EQ(Run("print " + kLetterJob + " " + kSample + " -o " + Path("out.fifo"), nullptr, &err), 0) << err;
  int status = 0;
  ASSERT_EQ(waitpid(reader, &status, 0), reader);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the FIFO's reader got no end of the stream";
  EXPECT_EQ(ReadFile(Path("from-fifo.prn")), expected);
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(Path("out.fifo"))));

  WriteFile("target.prn", "old contents");
  fs::create_symlink("target.prn", Path("link.prn"));
  EXPECT_EQ(Run("print " + kLetterJob + " " + kSample + " -o " + Path("link.prn"), nullptr, &err), 0) << err;
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Path("link.prn"))));
  EXPECT_EQ(ReadFile(Path("target.prn")), expected);
}

TEST_F(RenpsDocumentTest, FailedWritesExitOneWithAMessage) {
  std::string err;
  EXPECT_EQ(Run("print " + kLetterJob + " " + kSample + " >/dev/full", nullptr, &err), 1);
  EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;

  // A device node of the test's own (never one under /dev, which a broken
  // renps could replace): the full device, and the null device.
  if (mknod(Path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0 ||
      mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "device nodes cannot be made here";
  EXPECT_EQ(Run("print " + kLetterJob + " " + kSample + " -o " + Path("full"), nullptr, &err), 1);
  EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
  EXPECT_EQ(Run("print " + kLetterJob + " " + kSample + " -o " + Path("null"), nullptr, &err), 0) << err;
  EXPECT_TRUE(fs::is_character_file(fs::symlink_status(Path("full"))));
  EXPECT_TRUE(fs::is_character_file(fs::symlink_status(Path("null"))));
}

}  // namespace
