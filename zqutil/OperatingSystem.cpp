#include "zqutil/OperatingSystem.h"

#include <vector>

#include "platform/text.h"
#include "zqutil/Registry.h"
#include "zqutil/TamorException.h"

namespace {
constexpr char16_t kVersionKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char16_t kInternationalKey[] = u"Control Panel\\International";
}  // namespace

CXString OperatingSystem::GetDisplayableOsVersion() {
  CXString name;
  if (Registry::ReadString(HKEY_LOCAL_MACHINE, kVersionKey, u"ProductName", name)) name.Trim();
  return name.IsEmpty() ? CXString(u"Windows NT") : name;
}

bool OperatingSystem::IsMetricCountry() {
  CXString measure;
  if (!Registry::ReadString(HKEY_CURRENT_USER, kInternationalKey, u"iMeasure", measure)) return true;
  measure.Trim();
  return measure.Compare(u"1") != 0;
}

bool OperatingSystem::UseEnglishPaperSizes() {
  CXString paper;
  if (!Registry::ReadString(HKEY_CURRENT_USER, kInternationalKey, u"iPaperSize", paper)) return !IsMetricCountry();
  paper.Trim();
  return paper.Compare(u"1") == 0 || paper.Compare(u"5") == 0;
}

CXString OperatingSystem::GetTempFileNameW() {
  std::vector<char16_t> directory(MAX_PATH + 1, 0);
  DWORD length = GetTempPathW(static_cast<DWORD>(directory.size()), platform::W(directory.data()));
  if (length == 0 || length >= directory.size())
    TamorThrow<ExceptionUserFailure>("zqutil/operatingsystem", __LINE__, "OperatingSystem::GetTempFileNameW",
                                     CXString::Formatted(u"no temporary directory (error %lu)", GetLastError()));
  std::vector<char16_t> name(MAX_PATH + 1, 0);
  if (::GetTempFileNameW(platform::W(directory.data()), platform::W(u"tmr"), 0, platform::W(name.data())) == 0)
    TamorThrow<ExceptionUserFailure>(
        "zqutil/operatingsystem", __LINE__, "OperatingSystem::GetTempFileNameW",
        CXString::Formatted(u"no temporary file in \"%s\" (error %lu)", directory.data(), GetLastError()));
  return CXString(name.data(), platform::Length(name.data(), name.size()));
}

bool OperatingSystem::FileExists(const CXString& path) {
  return !path.IsEmpty() && GetFileAttributesW(platform::W(path.c_str())) != INVALID_FILE_ATTRIBUTES;
}
