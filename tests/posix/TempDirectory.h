// One temporary directory per test, removed with everything in it afterwards.
//
// Making it is checked: when the directory cannot be made the constructor
// throws, which stops the test with that message. A test must never go on with
// an empty path, because the platform reads an empty state directory as "use
// the user's own" and the test would then read and write real state.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace harness {

class TempDirectory {
 public:
  explicit TempDirectory(const std::string& prefix = "renps-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot make a temporary directory from " + pattern + ": " + std::strerror(errno));
    path_ = pattern;
  }
  ~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A temporary directory that is TMPDIR while it lives: the plug-in names its
// spool files with GetTempFileNameW there, so a test sees exactly its own.
class TmpDirectory {
 public:
  explicit TmpDirectory(const std::string& prefix = "renps-spool") : directory_(prefix) {
    if (const char* old = std::getenv("TMPDIR")) saved_ = old;
    ::setenv("TMPDIR", directory_.path().c_str(), 1);
  }
  ~TmpDirectory() {
    if (saved_)
      ::setenv("TMPDIR", saved_->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }
  TmpDirectory(const TmpDirectory&) = delete;
  TmpDirectory& operator=(const TmpDirectory&) = delete;

  const std::string& path() const { return directory_.path(); }

 private:
  TempDirectory directory_;
  std::optional<std::string> saved_;
};

}  // namespace harness
