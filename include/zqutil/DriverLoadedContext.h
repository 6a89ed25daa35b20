// DriverLoadedContext: where the library is running.
#pragma once

class DriverLoadedContext {
 public:
  // True inside the print spooler: the process image (GetModuleFileNameW(NULL))
  // ends in "spoolsv.exe", in any letter case.
  static bool IsSpoolerContext();
};
