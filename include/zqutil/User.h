// User: the current user and machine, and the per-user values of the library.
//
// Per-user values live under HKEY_CURRENT_USER\Software\RenPS\<printer name>\<key name>
// (without a printer: HKEY_CURRENT_USER\Software\RenPS\<key name>). Reads answer
// false when the value is absent or of another type; writes throw
// ExceptionUserFailure when the registry refuses.
#pragma once

#include "platform/win32.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class User {
 public:
  User() = default;
  // Values of the printer the handle belongs to (no printer when the handle is
  // invalid or the spooler does not know the name).
  explicit User(HANDLE hPrinter);
  explicit User(const CXString& printerName) : printerName_(printerName) {}

  // Empty when the system cannot tell.
  static CXString GetUserNameW();
  static CXString GetComputerNameW();
  static CXString GetFullComputerName() { return GetComputerNameW(); }
  // The machine's network address as dotted text: "ComputerAddress" under
  // HKEY_LOCAL_MACHINE\SOFTWARE\RenPS when set (an installer or a host that
  // wants repeatable output fixes it there), else the first IPv4 address of the
  // machine's network adapters; empty when the machine has none.
  static CXString GetComputerIPAddressStr();
  // See OperatingSystem::GetTempFileNameW.
  static CXString GetTempFileNameW();

  // Registry path of the values of `keyName` for this user and printer.
  CXString GetRegistryPath(const CXString& keyName) const;

  bool GetUserDataLongFromRegistry(const CXString& keyName, const CXString& valueName, DWORD& value) const;
  bool GetUserDataStringFromRegistry(const CXString& keyName, const CXString& valueName, CXString& value) const;
  bool GetUserDataBytesFromRegistry(const CXString& keyName, const CXString& valueName, ByteBuffer& value) const;
  void StoreUserDataLongInRegistry(const CXString& keyName, const CXString& valueName, DWORD value) const;
  void StoreUserDataStringInRegistry(const CXString& keyName, const CXString& valueName, const CXString& value) const;
  void StoreUserDataBytesInRegistry(const CXString& keyName, const CXString& valueName, const ByteBuffer& value) const;

 private:
  bool Read(const CXString& keyName, const CXString& valueName, DWORD expectedType, ByteBuffer& data) const;
  void Store(const CXString& keyName, const CXString& valueName, DWORD type, const void* data, DWORD size) const;

  CXString printerName_;
};
