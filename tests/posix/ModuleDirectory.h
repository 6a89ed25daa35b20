// A directory that stands in for the plug-in's own: a temporary directory
// holding a loaded "anchor" module, so that code which looks beside its module
// looks here, and copies of the built modules placed under the names the
// plug-in asks for.
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDirectory.h"
#include "platform/text.h"
#include "platform/win32.h"

namespace harness {

// A module built with the tests (bin/<name>).
inline std::filesystem::path BuiltModule(const std::string& name) {
  return std::filesystem::path(RENPS_BINARY_DIR) / "bin" / name;
}

class ModuleDirectory {
 public:
  ModuleDirectory() {
    const std::filesystem::path anchor = Place("renps_test_module.so", "anchor.so");
    anchor_ = LoadLibraryExW(platform::W(platform::FromUtf8(anchor.string()).c_str()), nullptr, 0);
    if (anchor_ == nullptr) throw std::runtime_error("cannot load " + anchor.string());
  }
  ~ModuleDirectory() { FreeLibrary(anchor_); }
  ModuleDirectory(const ModuleDirectory&) = delete;
  ModuleDirectory& operator=(const ModuleDirectory&) = delete;

  // Copies bin/<built> here as <name> (into a subdirectory when the name has one).
  std::filesystem::path Place(const std::string& built, const std::string& name) const {
    const std::filesystem::path to = std::filesystem::path(directory_.path()) / name;
    std::filesystem::create_directories(to.parent_path());
    std::filesystem::copy_file(BuiltModule(built), to, std::filesystem::copy_options::overwrite_existing);
    return to;
  }

  HMODULE anchor() const { return anchor_; }
  const TempDirectory& directory() const { return directory_; }

 private:
  TempDirectory directory_{"renps-modules"};
  HMODULE anchor_ = nullptr;
};

// Lines of a text file; empty when it does not exist.
inline std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline int CountLines(const std::vector<std::string>& lines, const std::string& line) {
  int n = 0;
  for (const auto& l : lines) n += l == line ? 1 : 0;
  return n;
}

}  // namespace harness
