#include "zqutil/Printer.h"

#include <vector>

#include "platform/text.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "zqutil/printer";

// PRINTER_INFO_2W in 8-byte aligned storage (the record holds pointers).
bool QueryPrinterInfo2(HANDLE handle, std::vector<std::uint64_t>& storage) {
  if (!Printer::IsValidHandle(handle)) return false;
  DWORD needed = 0;
  GetPrinterW(handle, 2, nullptr, 0, &needed);  // asks for the size
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (needed < sizeof(PRINTER_INFO_2W)) needed = sizeof(PRINTER_INFO_2W);
    storage.assign((needed + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
    auto size = static_cast<DWORD>(storage.size() * sizeof(std::uint64_t));
    if (GetPrinterW(handle, 2, reinterpret_cast<LPBYTE>(storage.data()), size, &needed)) return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  }
  return false;
}

// A string field of a record held in `storage`: read no further than the storage when it points into it.
CXString FieldText(const WCHAR* field, const std::vector<std::uint64_t>& storage) {
  if (field == nullptr) return CXString();
  const char16_t* text = platform::U(field);
  const auto* begin = reinterpret_cast<const char16_t*>(storage.data());
  const auto* end = begin + storage.size() * sizeof(std::uint64_t) / sizeof(char16_t);
  std::size_t limit = text >= begin && text < end ? static_cast<std::size_t>(end - text) : CXString::npos;
  return CXString(text, platform::Length(text, limit));
}

template <class Field>
bool ReadInfo2Text(HANDLE handle, Field field, CXString& out) {
  out.Empty();
  std::vector<std::uint64_t> storage;
  if (!QueryPrinterInfo2(handle, storage)) return false;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(storage.data());
  out = FieldText(info->*field, storage);
  return true;
}

}  // namespace

Printer::Printer(const CXString& printerName, bool mustOpen) {
  if (!CreateHandle(printerName) && mustOpen)
    TamorThrow<ExceptionInvalidPrinterHandle>(kSource, __LINE__, "Printer::Printer",
                                              CXString::Formatted(u"cannot open printer \"%s\"", printerName.c_str()));
}

Printer::~Printer() {
  CloseOwnedHandle();
}

void Printer::CloseOwnedHandle() {
  if (owned_ && IsValidHandle(handle_)) ClosePrinter(handle_);
  owned_ = false;
  handle_ = nullptr;
}

bool Printer::CreateHandle(const CXString& printerName) {
  CloseOwnedHandle();
  if (printerName.IsEmpty()) return false;
  // OpenPrinterW takes a non-const name but does not change it; give it a copy anyway.
  std::u16string name = printerName.str();
  HANDLE opened = nullptr;
  if (!OpenPrinterW(platform::W(name.data()), &opened, nullptr) || !IsValidHandle(opened)) return false;
  handle_ = opened;
  owned_ = true;
  return true;
}

HANDLE Printer::GetPrinterHandle(bool mustBeValid) const {
  if (mustBeValid && !IsValidHandle(handle_))
    TamorThrow<ExceptionInvalidPrinterHandle>(kSource, __LINE__, "Printer::GetPrinterHandle", u"no printer handle");
  return handle_;
}

bool Printer::GetPrinterName(CXString& name) const {
  return ReadInfo2Text(handle_, &PRINTER_INFO_2W::pPrinterName, name);
}

CXString Printer::GetPrinterName() const {
  CXString name;
  if (!GetPrinterName(name))
    TamorThrow<ExceptionPrinterFailure>(kSource, __LINE__, "Printer::GetPrinterName",
                                        CXString::Formatted(u"GetPrinterW failed (error %lu)", GetLastError()));
  return name;
}

bool Printer::GetPrinterPort(CXString& port) const {
  return ReadInfo2Text(handle_, &PRINTER_INFO_2W::pPortName, port);
}

CXString Printer::GetPrinterPort() const {
  CXString port;
  if (!GetPrinterPort(port))
    TamorThrow<ExceptionPrinterFailure>(kSource, __LINE__, "Printer::GetPrinterPort",
                                        CXString::Formatted(u"GetPrinterW failed (error %lu)", GetLastError()));
  return port;
}

bool Printer::GetDriverName(CXString& driverName) const {
  return ReadInfo2Text(handle_, &PRINTER_INFO_2W::pDriverName, driverName);
}

bool Printer::GetPrinterDataW(HANDLE hPrinter, const CXString& valueName) {
  data_.clear();
  dataType_ = REG_NONE;
  if (!IsValidHandle(hPrinter)) return false;
  auto* name = const_cast<LPWSTR>(platform::W(valueName.c_str()));
  // Most values are a DWORD or a short text: the first read, into a buffer
  // of this size, answers them at once; a longer one is read again at its size.
  constexpr std::size_t kFirstRead = 64;
  data_.resize(kFirstRead);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = REG_NONE;
    DWORD needed = 0;
    DWORD status =
        ::GetPrinterDataW(hPrinter, name, &type, data_.getLpbyte(), static_cast<DWORD>(data_.size()), &needed);
    if (status == ERROR_SUCCESS) {
      data_.resize(needed <= data_.size() ? needed : data_.size());
      dataType_ = type;
      return true;
    }
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
      data_.clear();
      return false;
    }
    if (status != ERROR_MORE_DATA && status != ERROR_INSUFFICIENT_BUFFER) {
      data_.clear();
      TamorThrow<ExceptionPrinterFailure>(
          kSource, __LINE__, "Printer::GetPrinterDataW",
          CXString::Formatted(u"reading printer data \"%s\" failed (error %lu)", valueName.c_str(), status));
    }
    data_.resize(needed);
  }
  data_.clear();
  TamorThrow<ExceptionPrinterFailure>(kSource, __LINE__, "Printer::GetPrinterDataW",
                                      CXString::Formatted(u"printer data \"%s\" keeps changing", valueName.c_str()));
}

void Printer::SetPrinterDataW(const CXString& valueName, DWORD type, const void* data, DWORD size) {
  if (!IsValidHandle(handle_))
    TamorThrow<ExceptionPrinterFailure>(kSource, __LINE__, "Printer::SetPrinterDataW", u"no printer handle");
  if (data == nullptr && size != 0)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__, "Printer::SetPrinterDataW", u"data");
  auto* name = const_cast<LPWSTR>(platform::W(valueName.c_str()));
  DWORD status = ::SetPrinterDataW(handle_, name, type, static_cast<LPBYTE>(const_cast<void*>(data)), size);
  if (status != ERROR_SUCCESS)
    TamorThrow<ExceptionPrinterFailure>(
        kSource, __LINE__, "Printer::SetPrinterDataW",
        CXString::Formatted(u"writing printer data \"%s\" failed (error %lu)", valueName.c_str(), status));
}

bool Printer::GetPrinterDataDword(const CXString& valueName, DWORD& value) {
  value = 0;
  if (!GetPrinterDataW(handle_, valueName) || dataType_ != REG_DWORD || data_.size() != 4) return false;
  value = data_.getAsLongValue();
  return true;
}

bool Printer::GetPrinterDataString(const CXString& valueName, CXString& value) {
  value.Empty();
  if (!GetPrinterDataW(handle_, valueName) || (dataType_ != REG_SZ && dataType_ != REG_EXPAND_SZ)) return false;
  value = data_.getAsStringValue();
  return true;
}

DWORD Printer::GetPrinterControllerFamily() {
  DWORD value = 0;
  return GetPrinterDataDword(PrinterDataNames::kControllerFamily, value) ? value
                                                                         : PrinterDataNames::kDefaultControllerFamily;
}

DWORD Printer::GetPdlType() {
  DWORD value = 0;
  return GetPrinterDataDword(PrinterDataNames::kPdlType, value) ? value : PrinterDataNames::kDefaultPdlType;
}

DWORD Printer::GetColorMode() {
  DWORD value = 0;
  return GetPrinterDataDword(PrinterDataNames::kColorMode, value) ? value : PrinterDataNames::kDefaultColorMode;
}

CXString Printer::GetProductId() {
  CXString value;
  GetPrinterDataString(PrinterDataNames::kProductId, value);
  return value;
}

CXString Printer::GetModelId() {
  CXString value;
  GetPrinterDataString(PrinterDataNames::kModelId, value);
  return value;
}
