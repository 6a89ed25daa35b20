// A fresh state directory per test, and the host setup put back afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "TempDirectory.h"
#include "platform/posixhost.h"
#include "platform/text.h"
#include "platform/win32.h"

namespace platform_testing {

class StateDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::make_unique<harness::TempDirectory>("renps-platform");
    dir_ = directory_->path();
    previousDir_ = platform::host::GetStateDirectory();
    platform::host::Reset();
    platform::host::SetStateDirectory(dir_);
  }
  void TearDown() override {
    platform::host::Reset();
    platform::host::SetStateDirectory(previousDir_);
    directory_.reset();
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::u16string WidePath(const std::string& name) const { return platform::FromUtf8(Path(name)); }

  static std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }

  std::unique_ptr<harness::TempDirectory> directory_;
  std::string dir_;
  std::string previousDir_;
};

// Literals keep their static storage; a std::u16string's text lives as long as it does.
inline const WCHAR* W(const char16_t* s) {
  return platform::W(s);
}
inline const WCHAR* W(const std::u16string& s) {
  return platform::W(s.c_str());
}
inline WCHAR* MutableW(std::u16string& s) {
  return platform::W(s.data());
}

}  // namespace platform_testing
