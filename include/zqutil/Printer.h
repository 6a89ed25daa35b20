// Printer: facts about one printer, read through the spooler's Win32 calls so
// the same code runs on Windows and on the POSIX platform.
//
// Built on a handle, a Printer uses it and never closes it. Built from a name
// (or after CreateHandle), it opens its own handle and closes it when
// destroyed. The facts stored in printer data by the driver's installer
// (PrinterDataNames.h) read as their defaults when the value is absent, has
// the wrong type, or there is no valid handle.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class Printer {
 public:
  Printer() = default;
  explicit Printer(HANDLE hPrinter) : handle_(hPrinter) {}
  // Opens the named printer. When it cannot be opened: mustOpen throws
  // ExceptionInvalidPrinterHandle, otherwise the Printer has no handle.
  Printer(const CXString& printerName, bool mustOpen);
  ~Printer();
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  static bool IsValidHandle(HANDLE hPrinter) { return hPrinter != nullptr && hPrinter != INVALID_HANDLE_VALUE; }

  // Opens a handle of its own for the named printer (closing one it owned);
  // false when the spooler refuses.
  bool CreateHandle(const CXString& printerName);
  // The handle (null when there is none); mustBeValid throws
  // ExceptionInvalidPrinterHandle instead of returning an invalid handle.
  HANDLE GetPrinterHandle(bool mustBeValid) const;
  bool HasValidHandle() const { return IsValidHandle(handle_); }

  // PRINTER_INFO_2W fields; the bool forms answer false (and empty the text)
  // when the spooler cannot tell, the others throw ExceptionPrinterFailure.
  bool GetPrinterName(CXString& name) const;
  CXString GetPrinterName() const;
  bool GetPrinterPort(CXString& port) const;
  CXString GetPrinterPort() const;
  bool GetDriverName(CXString& driverName) const;

  // Reads one printer data value into this object; false when it does not
  // exist (or there is no valid handle). The value stays readable through the
  // accessors until the next read. (On Windows GetPrinterData is a macro, so
  // the first accessor is spelt GetPrinterDataW() there; both spellings work.)
  bool GetPrinterDataW(HANDLE hPrinter, const CXString& valueName);
  bool GetPrinterDataW(const CXString& valueName) { return GetPrinterDataW(handle_, valueName); }
  const std::uint8_t* GetPrinterData() const { return data_.getLpbyte(); }
  DWORD GetPrinterDataSize() const { return static_cast<DWORD>(data_.size()); }
  DWORD GetPrinterDataType() const { return dataType_; }
  const ByteBuffer& GetPrinterDataBuffer() const { return data_; }

  // Writes a printer data value; throws ExceptionPrinterFailure when refused.
  // (No SetPrinterData alias: on Windows that name is a macro for SetPrinterDataW.)
  void SetPrinterDataW(const CXString& valueName, DWORD type, const void* data, DWORD size);

  // Typed reads of printer data; false when absent or of another type.
  bool GetPrinterDataDword(const CXString& valueName, DWORD& value);
  bool GetPrinterDataString(const CXString& valueName, CXString& value);

  // The installer's facts (PrinterDataNames.h).
  DWORD GetPrinterControllerFamily();
  DWORD GetPdlType();
  DWORD GetColorMode();
  CXString GetProductId();
  CXString GetPrinterProductUniqueId() { return GetProductId(); }
  CXString GetModelId();

 private:
  void CloseOwnedHandle();

  HANDLE handle_ = nullptr;
  bool owned_ = false;
  ByteBuffer data_;
  DWORD dataType_ = REG_NONE;
};
