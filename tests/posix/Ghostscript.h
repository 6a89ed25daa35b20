// Ghostscript as the printer in tests: runs PostScript files in one gs
// process, the printer-side stand-in (tests/printer/rrcustomprocs.ps)
// usually first, and collects what the interpreter printed.
//
//   auto run = gs::Run({gs::StandIn(), jobPath});
//   if (!run.started) GTEST_SKIP() << run.error;
//   EXPECT_TRUE(gs::NoPostScriptError(run));
//
// The interpreter is "gs" on the PATH, or RENPS_GS.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace gs {

struct Result {
  bool started = false;  // false: no interpreter could be run (see error)
  int exitCode = -1;
  std::string output;  // standard output
  std::string errors;  // standard error (the bbox device reports there)
  std::string error;
};

// gs -q -dNOSAFER -dBATCH -dNOPAUSE -sDEVICE=<device> <files...>
Result Run(const std::vector<std::filesystem::path>& files, const std::string& device = "nullpage");

// The printer-side stand-in of the source tree.
std::filesystem::path StandIn();

// Fails when the interpreter did not finish cleanly: a non-zero exit, an
// error report, or a feature block the stand-in saw fail.
::testing::AssertionResult NoPostScriptError(const Result& result);

// The lines of the output that begin with `prefix`, in order.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix);

// A directory for a test's files, removed with the object.
class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;
  // Writes `bytes` to a file of the directory and returns its path.
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace gs
