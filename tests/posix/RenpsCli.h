// Runs the renps program as its users do: in a temporary directory of its
// own, with a fresh state directory, capturing the exit status and both
// output streams.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "TempDirectory.h"

namespace renps_cli {

inline const std::string kRenps = std::string(RENPS_BINARY_DIR) + "/bin/renps";
inline const std::string kSample = std::string(RENPS_SOURCE_DIR) + "/examples/sample.ps";
inline const std::string kLetterJob = std::string(RENPS_SOURCE_DIR) + "/examples/letter.json";

class RenpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = std::make_unique<harness::TempDirectory>("renps-cli");
    dir_ = temp_->path();
  }
  void TearDown() override { temp_.reset(); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void WriteFile(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Runs renps with `arguments` (a shell command line; "> FILE" and the like
  // may end it, otherwise standard output is captured); returns the exit
  // status and fills out/err.
  int Run(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr) const {
    // Every command but strip-pjl works on a printer: give it a fresh state directory.
    const std::string state = arguments.rfind("strip-pjl", 0) == 0 ? "" : " --state-dir " + Path("state");
    const bool redirected = arguments.find('>') != std::string::npos;
    // Under AddressSanitizer freed memory is held back (quarantined), which
    // would count as growth in the memory test; the sanitizer keeps checking.
    const std::string command =
        "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:quarantine_size_mb=1\" " + kRenps + " " +
        (redirected ? InsertBeforeRedirection(arguments, state) : arguments + state + " >" + Path("stdout")) + " 2>" +
        Path("stderr");
    const int status = std::system(command.c_str());
    if (out != nullptr) *out = redirected ? "" : ReadFile(Path("stdout"));
    if (err != nullptr) *err = ReadFile(Path("stderr"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::unique_ptr<harness::TempDirectory> temp_;
  std::string dir_;

 private:
  static std::string InsertBeforeRedirection(const std::string& arguments, const std::string& extra) {
    const auto at = arguments.find('>');
    return arguments.substr(0, at) + extra + " " + arguments.substr(at);
  }
};

}  // namespace renps_cli
