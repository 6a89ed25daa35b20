// PrintDriver: facts about the driver of a printer, from the spooler's driver
// information and the printer data written by the driver's installer
// (PrinterDataNames.h). A null or invalid handle, or an absent value, gives
// the documented default.
#pragma once

#include <vector>

#include "platform/win32.h"
#include "zqutil/CXString.h"

class PrintDriver {
 public:
  // File kinds for GetDriverFiles (bits, combined with |).
  static constexpr int kDriverFile = 1;
  static constexpr int kDataFile = 2;
  static constexpr int kConfigFile = 4;
  static constexpr int kDependentFiles = 8;
  static constexpr int kHelpFile = 16;

  // PRINTER_INFO_2W::pDriverName; empty when the spooler cannot tell.
  static CXString GetDriverName(HANDLE hPrinter);
  // "XDriverLanguage", default "English".
  static CXString GetDriverLanguageString(HANDLE hPrinter);
  // "XDriverVersion", default "1.0.0.0" (the library's own version).
  static CXString GetDisplayableDriverVersion(HANDLE hPrinter = nullptr);
  // "XInstallationState", default 1.
  static DWORD GetInstallationStateFromHandle(HANDLE hPrinter);
  // "XColorMode", default 0x1000.
  static DWORD GetColorModeFromHandle(HANDLE hPrinter);
  // "XPdlType", default 0x400 (PostScript).
  static DWORD GetPdlTypeFromHandle(HANDLE hPrinter);
  static DWORD GetPDLTypeFromHandle(HANDLE hPrinter) { return GetPdlTypeFromHandle(hPrinter); }

  // DRIVER_INFO_3W::pDependentFiles as a list. Throws ExceptionPrintDriverFailure
  // when the spooler cannot tell.
  static std::vector<CXString> GetDependentFiles(HANDLE hPrinter);
  // The files of the kinds in `fileKinds` (in the order driver, data, config,
  // help, dependent), each followed by `separator` (";" when empty). Throws
  // ExceptionPrintDriverFailure when the spooler cannot tell.
  static CXString GetDriverFiles(HANDLE hPrinter, int fileKinds, const CXString& separator);
  // The data file the data model is built from: "XDriverDataFile" when set,
  // otherwise DRIVER_INFO_3W::pDataFile. Throws ExceptionPrintDriverFailure.
  static CXString GetTamorDriverDataFilePathFromHandle(HANDLE hPrinter);
};
