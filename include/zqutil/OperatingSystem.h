// OperatingSystem: facts about the machine, read through Win32 calls and the
// registry (so the host can set them on POSIX through the platform's registry).
#pragma once

#include "zqutil/CXString.h"

class OperatingSystem {
 public:
  // "ProductName" under HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion,
  // "Windows NT" when it cannot be read.
  static CXString GetDisplayableOsVersion();
  // The user's measurement system: "iMeasure" under HKCU\Control Panel\International
  // ("0" metric, "1" U.S.); metric when it is not set.
  static bool IsMetricCountry();
  // The user's default paper: "iPaperSize" in the same key ("1" Letter and
  // "5" Legal are the English sizes); when not set, !IsMetricCountry().
  static bool UseEnglishPaperSizes();
  // A new, empty temporary file (GetTempPathW + GetTempFileNameW, prefix "tmr");
  // throws ExceptionUserFailure when none can be made.
  static CXString GetTempFileNameW();
  static bool FileExists(const CXString& path);
};
