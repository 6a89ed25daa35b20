// A printer of the POSIX spooler for one test, with its own state directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempDirectory.h"
#include "platform/posixhost.h"
#include "platform/text.h"

namespace harness {

class TestPrinter {
 public:
  explicit TestPrinter(platform::host::PrinterDescription description) : name_(description.name) {
    platform::host::SetStateDirectory(directory_.path());
    platform::host::RegisterPrinter(description, [this](const void* data, std::size_t size) {
      spooled.append(static_cast<const char*>(data), size);
      return true;
    });
    OpenPrinterW(platform::W(name_.data()), &handle, nullptr);
  }
  ~TestPrinter() {
    if (handle != nullptr) ClosePrinter(handle);
    platform::host::Reset();
  }
  TestPrinter(const TestPrinter&) = delete;
  TestPrinter& operator=(const TestPrinter&) = delete;

  void SetDword(const char16_t* name, DWORD value) {
    SetPrinterDataW(handle, platform::W(const_cast<char16_t*>(name)), REG_DWORD, reinterpret_cast<LPBYTE>(&value),
                    sizeof value);
  }
  void SetText(const char16_t* name, const std::u16string& value) {
    SetPrinterDataW(handle, platform::W(const_cast<char16_t*>(name)), REG_SZ,
                    reinterpret_cast<LPBYTE>(const_cast<char16_t*>(value.c_str())),
                    static_cast<DWORD>((value.size() + 1) * 2));
  }

  HANDLE handle = nullptr;
  std::string spooled;

 private:
  TempDirectory directory_{"renps-printer"};
  std::u16string name_;
};

}  // namespace harness
