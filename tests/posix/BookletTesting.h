// What the booklet tests share: a directory of their own, the booklet procset
// registered as a module resource (read from the source tree, as the module
// will carry it), a job over two files, and Ghostscript.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "BookletDocument.h"
#include "output/booklet/BookletJob.h"
#include "output/booklet/BookletProcset.h"
#include "platform/text.h"
#include "platform/win32.h"

namespace booklet_testing {

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The procset text as the resource holds it: the file, then a zero byte.
inline const std::string& ProcsetResourceBytes() {
  static const std::string bytes = ReadBytes(RENPS_BOOKLET_PROCSET) + std::string(1, '\0');
  return bytes;
}

// A module of its own that carries only the booklet procset.
inline HMODULE ProcsetModule() {
  static char anchor;
  static const HMODULE module = [] {
    auto* handle = reinterpret_cast<HMODULE>(&anchor);
    const RenModuleResource table[] = {{u"PSPROC", nullptr, 0, static_cast<WORD>(booklet::kBookletProcsetId),
                                        ProcsetResourceBytes().data(),
                                        static_cast<DWORD>(ProcsetResourceBytes().size())}};
    RenRegisterModuleResources(handle, table, 1);
    return handle;
  }();
  return module;
}

class BookletDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "renps-booklet-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    if (!HasFailure()) std::filesystem::remove_all(dir_, ignored);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // A job from `input` to "out.ps" in the directory, with the settings of a
  // plain A4 devmode (sheet 595 x 842) and the procset module.
  booklet::BookletJob Job(const std::string& inputName) const {
    booklet::BookletJob job;
    job.module = ProcsetModule();
    job.inputPath = CXString(platform::FromUtf8(Path(inputName)));
    job.outputPath = CXString(platform::FromUtf8(Path("out.ps")));
    job.settings.sheetWidth = 595;
    job.settings.sheetHeight = 842;
    return job;
  }

  std::string dir_;
};

// Runs Ghostscript on `file` with `device`; its standard output and error go
// to `output`. The exit status.
inline int RunGhostscript(const std::string& device, const std::string& file, std::string& output,
                          const std::string& extra = "") {
  const std::string log = file + ".gs.log";
  const std::string command = "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=" + device + " " + extra + " -sOutputFile=- " +
                              file + " >" + log + " 2>&1";
  const int status = std::system(command.c_str());
  output = ReadBytes(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool HaveGhostscript() {
  return std::system("gs --version >/dev/null 2>&1") == 0;
}

}  // namespace booklet_testing
