#include "zqutil/PrintDriver.h"

#include <cstdint>

#include "platform/text.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "zqutil/printdriver";

// DRIVER_INFO_3W of the printer's driver, in 8-byte aligned storage.
const DRIVER_INFO_3W& QueryDriverInfo3(HANDLE hPrinter, std::vector<std::uint64_t>& storage) {
  if (!Printer::IsValidHandle(hPrinter))
    TamorThrow<ExceptionPrintDriverFailure>(kSource, __LINE__, "PrintDriver::QueryDriverInfo3", u"no printer handle");
  DWORD needed = 0;
  GetPrinterDriverW(hPrinter, nullptr, 3, nullptr, 0, &needed);  // asks for the size
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (needed < sizeof(DRIVER_INFO_3W)) needed = sizeof(DRIVER_INFO_3W);
    storage.assign((needed + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
    auto size = static_cast<DWORD>(storage.size() * sizeof(std::uint64_t));
    if (GetPrinterDriverW(hPrinter, nullptr, 3, reinterpret_cast<LPBYTE>(storage.data()), size, &needed))
      return *reinterpret_cast<const DRIVER_INFO_3W*>(storage.data());
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
  }
  TamorThrow<ExceptionPrintDriverFailure>(kSource, __LINE__, "PrintDriver::QueryDriverInfo3",
                                          CXString::Formatted(u"GetPrinterDriverW failed (error %lu)", GetLastError()));
}

// Units left in `storage` from `text` on (unbounded when it points elsewhere).
std::size_t Room(const WCHAR* text, const std::vector<std::uint64_t>& storage) {
  const auto* begin = reinterpret_cast<const char16_t*>(storage.data());
  const auto* end = begin + storage.size() * sizeof(std::uint64_t) / sizeof(char16_t);
  const char16_t* at = platform::U(text);
  return at >= begin && at < end ? static_cast<std::size_t>(end - at) : CXString::npos;
}

CXString FieldText(const WCHAR* field, const std::vector<std::uint64_t>& storage) {
  if (field == nullptr) return CXString();
  const char16_t* text = platform::U(field);
  return CXString(text, platform::Length(text, Room(field, storage)));
}

// A REG_MULTI_SZ-style list: strings ended by a zero, the list by an empty string.
std::vector<CXString> FieldList(const WCHAR* field, const std::vector<std::uint64_t>& storage) {
  std::vector<CXString> files;
  if (field == nullptr) return files;
  const char16_t* text = platform::U(field);
  std::size_t room = Room(field, storage);
  std::size_t at = 0;
  while (at < room && text[at] != 0) {
    std::size_t length = platform::Length(text + at, room - at);
    files.emplace_back(text + at, length);
    at += length + 1;
  }
  return files;
}

}  // namespace

CXString PrintDriver::GetDriverName(HANDLE hPrinter) {
  CXString name;
  Printer(hPrinter).GetDriverName(name);
  return name;
}

CXString PrintDriver::GetDriverLanguageString(HANDLE hPrinter) {
  CXString value;
  if (Printer(hPrinter).GetPrinterDataString(PrinterDataNames::kDriverLanguage, value) && !value.IsEmpty())
    return value;
  return PrinterDataNames::kDefaultDriverLanguage;
}

CXString PrintDriver::GetDisplayableDriverVersion(HANDLE hPrinter) {
  CXString value;
  if (Printer(hPrinter).GetPrinterDataString(PrinterDataNames::kDriverVersion, value) && !value.IsEmpty()) return value;
  return PrinterDataNames::kDefaultDriverVersion;
}

DWORD PrintDriver::GetInstallationStateFromHandle(HANDLE hPrinter) {
  DWORD value = 0;
  return Printer(hPrinter).GetPrinterDataDword(PrinterDataNames::kInstallationState, value)
             ? value
             : PrinterDataNames::kDefaultInstallationState;
}

DWORD PrintDriver::GetColorModeFromHandle(HANDLE hPrinter) {
  return Printer(hPrinter).GetColorMode();
}

DWORD PrintDriver::GetPdlTypeFromHandle(HANDLE hPrinter) {
  return Printer(hPrinter).GetPdlType();
}

std::vector<CXString> PrintDriver::GetDependentFiles(HANDLE hPrinter) {
  std::vector<std::uint64_t> storage;
  const DRIVER_INFO_3W& info = QueryDriverInfo3(hPrinter, storage);
  return FieldList(info.pDependentFiles, storage);
}

CXString PrintDriver::GetDriverFiles(HANDLE hPrinter, int fileKinds, const CXString& separator) {
  std::vector<std::uint64_t> storage;
  const DRIVER_INFO_3W& info = QueryDriverInfo3(hPrinter, storage);
  CXString after = separator.IsEmpty() ? CXString(u";") : separator;
  CXString files;
  auto add = [&](const CXString& file) {
    if (file.IsEmpty()) return;
    files += file;
    files += after;
  };
  if ((fileKinds & kDriverFile) != 0) add(FieldText(info.pDriverPath, storage));
  if ((fileKinds & kDataFile) != 0) add(FieldText(info.pDataFile, storage));
  if ((fileKinds & kConfigFile) != 0) add(FieldText(info.pConfigFile, storage));
  if ((fileKinds & kHelpFile) != 0) add(FieldText(info.pHelpFile, storage));
  if ((fileKinds & kDependentFiles) != 0)
    for (const CXString& file : FieldList(info.pDependentFiles, storage)) add(file);
  return files;
}

CXString PrintDriver::GetTamorDriverDataFilePathFromHandle(HANDLE hPrinter) {
  CXString value;
  if (Printer(hPrinter).GetPrinterDataString(PrinterDataNames::kDriverDataFile, value) && !value.IsEmpty())
    return value;
  std::vector<std::uint64_t> storage;
  const DRIVER_INFO_3W& info = QueryDriverInfo3(hPrinter, storage);
  return FieldText(info.pDataFile, storage);
}
