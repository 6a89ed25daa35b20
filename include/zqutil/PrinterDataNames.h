// Names of the printer data values that describe the printer to the utility
// library. The driver's installer (on POSIX: renps, from the job file) writes
// them with SetPrinterDataW; Printer and PrintDriver read them. Absent values
// read as the defaults below.
#pragma once

#include <cstdint>

namespace PrinterDataNames {

// REG_DWORD: the controller family (a DataModelIds value, 7430 to 7433).
inline constexpr char16_t kControllerFamily[] = u"XControllerFamily";
inline constexpr std::uint32_t kDefaultControllerFamily = 4001;  // not (yet) known
// REG_DWORD: PDL bits; 0x400 is PostScript.
inline constexpr char16_t kPdlType[] = u"XPdlType";
inline constexpr std::uint32_t kDefaultPdlType = 0x400;
// REG_DWORD: colour-mode bits; 0x2000 allows the negative image.
inline constexpr char16_t kColorMode[] = u"XColorMode";
inline constexpr std::uint32_t kDefaultColorMode = 0x1000;
// REG_SZ: the product's unique id and the model id (default empty).
inline constexpr char16_t kProductId[] = u"XProductId";
inline constexpr char16_t kModelId[] = u"XModelId";
// REG_SZ: the driver version shown in the output (default kDefaultDriverVersion).
inline constexpr char16_t kDriverVersion[] = u"XDriverVersion";
inline constexpr char16_t kDefaultDriverVersion[] = u"1.0.0.0";
// REG_SZ: the driver's language (default "English").
inline constexpr char16_t kDriverLanguage[] = u"XDriverLanguage";
inline constexpr char16_t kDefaultDriverLanguage[] = u"English";
// REG_DWORD: installation state bits (default 1).
inline constexpr char16_t kInstallationState[] = u"XInstallationState";
inline constexpr std::uint32_t kDefaultInstallationState = 1;
// REG_SZ: the driver's data file for the data model (default: the driver's
// data file from GetPrinterDriverW).
inline constexpr char16_t kDriverDataFile[] = u"XDriverDataFile";

// Values the plug-in itself reads and writes.
inline constexpr char16_t kDeviceSettings[] = u"TmrDeviceSettings";  // REG_BINARY
inline constexpr char16_t kWorkflowDll[] = u"XWorkflowDLL";          // REG_DWORD selector 1 to 3
// REG_DWORD: non-zero answers the bin questions from the bins the device
// reports ("XBinCaps"); zero or absent from the installed options ("XOptions").
inline constexpr char16_t kLiveBins[] = u"XLiveBins";

}  // namespace PrinterDataNames
