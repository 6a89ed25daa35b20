#include "zqutil/User.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/netinfo.h"
#include "platform/text.h"
#include "zqutil/OperatingSystem.h"
#include "zqutil/Printer.h"
#include "zqutil/Registry.h"
#include "zqutil/TamorException.h"
#include "zqutil/TamorUtilities.h"

namespace {

constexpr const char* kSource = "zqutil/user";
constexpr char16_t kRoot[] = u"Software\\RenPS";

// A name from a Win32 call that takes a buffer and its size in characters
// (terminator included) and reports the size it needs when the buffer is short.
template <class Call>
CXString QueryName(Call call) {
  std::vector<char16_t> buffer(257, 0);
  for (int attempt = 0; attempt < 3; ++attempt) {
    auto size = static_cast<DWORD>(buffer.size());
    if (call(platform::W(buffer.data()), &size))
      return CXString(buffer.data(), platform::Length(buffer.data(), buffer.size()));
    if (size <= buffer.size() || size > 32768) return CXString();
    buffer.assign(size, 0);
  }
  return CXString();
}

// The first IPv4 address of the first adapter that has one configured.
CXString FirstAdapterAddress() {
  ULONG size = 0;
  std::vector<std::uint64_t> buffer;  // aligned for the adapter records
  ULONG status = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.assign(size / sizeof(std::uint64_t) + 1, 0);
    size = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
    status = GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
  }
  if (status != ERROR_SUCCESS) return CXString();
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); adapter != nullptr;
       adapter = adapter->Next) {
    for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry != nullptr; entry = entry->Next) {
      const std::string_view text(entry->IpAddress.String,
                                  ::strnlen(entry->IpAddress.String, sizeof entry->IpAddress.String));
      if (!text.empty() && text != "0.0.0.0") return CXString::FromMultiByte(text.data(), text.size());
    }
  }
  return CXString();
}

}  // namespace

User::User(HANDLE hPrinter) {
  CXString name;
  if (Printer(hPrinter).GetPrinterName(name)) printerName_ = name;
}

CXString User::GetUserNameW() {
  return QueryName([](LPWSTR buffer, LPDWORD size) { return ::GetUserNameW(buffer, size) != FALSE; });
}

CXString User::GetComputerNameW() {
  return QueryName([](LPWSTR buffer, LPDWORD size) { return ::GetComputerNameW(buffer, size) != FALSE; });
}

CXString User::GetComputerIPAddressStr() {
  CXString address;
  if (Registry::ReadString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\RenPS", u"ComputerAddress", address)) address.Trim();
  if (!address.IsEmpty()) return address;
  return FirstAdapterAddress();
}

CXString User::GetTempFileNameW() {
  return OperatingSystem::GetTempFileNameW();
}

CXString User::GetRegistryPath(const CXString& keyName) const {
  CXString path = kRoot;
  // A printer name may hold backslashes ("\\server\printer"): keep it one key.
  if (!printerName_.IsEmpty()) path += CXString(u"\\") + TamorUtilities::ConvertPortNameToRegistryKey(printerName_);
  if (!keyName.IsEmpty()) path += CXString(u"\\") + keyName;
  return path;
}

bool User::Read(const CXString& keyName, const CXString& valueName, DWORD expectedType, ByteBuffer& data) const {
  DWORD type = REG_NONE;
  if (!Registry::ReadValue(HKEY_CURRENT_USER, GetRegistryPath(keyName), valueName, type, data)) return false;
  bool isText = expectedType == REG_SZ && type == REG_EXPAND_SZ;
  if (type != expectedType && !isText) {
    data.clear();
    return false;
  }
  return true;
}

void User::Store(const CXString& keyName, const CXString& valueName, DWORD type, const void* data, DWORD size) const {
  CXString path = GetRegistryPath(keyName);
  LSTATUS status = Registry::WriteValue(HKEY_CURRENT_USER, path, valueName, type, data, size);
  if (status != ERROR_SUCCESS)
    TamorThrow<ExceptionUserFailure>(kSource, __LINE__, "User::Store",
                                     CXString::Formatted(u"writing \"%s\" under \"%s\" failed (error %ld)",
                                                         valueName.c_str(), path.c_str(), static_cast<long>(status)));
}

bool User::GetUserDataLongFromRegistry(const CXString& keyName, const CXString& valueName, DWORD& value) const {
  value = 0;
  ByteBuffer data;
  if (!Read(keyName, valueName, REG_DWORD, data) || data.size() != 4) return false;
  value = data.getAsLongValue();
  return true;
}

bool User::GetUserDataStringFromRegistry(const CXString& keyName, const CXString& valueName, CXString& value) const {
  value.Empty();
  ByteBuffer data;
  if (!Read(keyName, valueName, REG_SZ, data)) return false;
  value = data.getAsStringValue();
  return true;
}

bool User::GetUserDataBytesFromRegistry(const CXString& keyName, const CXString& valueName, ByteBuffer& value) const {
  value.clear();
  return Read(keyName, valueName, REG_BINARY, value);
}

void User::StoreUserDataLongInRegistry(const CXString& keyName, const CXString& valueName, DWORD value) const {
  ByteBuffer data = ByteBuffer::createFromLongValue(value);
  Store(keyName, valueName, REG_DWORD, data.getLpbyte(), static_cast<DWORD>(data.size()));
}

void User::StoreUserDataStringInRegistry(const CXString& keyName, const CXString& valueName,
                                         const CXString& value) const {
  ByteBuffer data = ByteBuffer::createFromStringValue(value);
  Store(keyName, valueName, REG_SZ, data.getLpbyte(), static_cast<DWORD>(data.size()));
}

void User::StoreUserDataBytesInRegistry(const CXString& keyName, const CXString& valueName,
                                        const ByteBuffer& value) const {
  Store(keyName, valueName, REG_BINARY, value.getLpbyte(), static_cast<DWORD>(value.size()));
}
