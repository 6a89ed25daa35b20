// The host's side of the Win32 calls on Windows. The plug-in's modules (and
// renps itself) import the spooler, the registry and the machine's facts
// from the system; renps routes those imports here, so a run on Windows
// sees the printer of its job file, the state directory's values, the job
// file's clock, user and machine, exactly as the POSIX platform library
// answers them. Everything else goes to the system.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

#include "HiveStore.h"
#include "ImportRouting.h"
#include "common/answers.h"
#include "common/printers.h"
#include "platform/posixhost.h"
#include "platform/text.h"

namespace renps::winhost {
namespace {

using platform::common::CopyOut;
using platform::common::Fail;
using platform::common::PrinterDataKey;
using platform::common::PrinterRecord;
using platform::common::SameName;
using platform::host::SpoolSink;

struct OpenPrinter {
  std::u16string name;
};

struct OpenKey {
  Hive hive;
  std::u16string path;
  REGSAM access;
};

struct HostState {
  platform::common::PrinterTable printers;
  std::optional<SYSTEMTIME> fixedTime;
  std::u16string userName, computerName, processImage;
  std::function<void(std::u16string_view)> debugSink;
  std::string stateDirectory;  // as set by the host; empty: the default
  HiveStore store;
  std::set<const OpenPrinter*> printerHandles;
  std::set<const OpenKey*> keyHandles;
};

std::recursive_mutex g_mutex;

HostState& State() {
  // Never destroyed: the plug-in may still call in from its static destructors.
  static auto* state = new HostState();
  return *state;
}

PrinterRecord* FindPrinter(std::u16string_view name) {
  return State().printers.Find(name);
}

std::u16string View(LPCWSTR text) {
  return text == nullptr ? std::u16string() : std::u16string(platform::U(text));
}

std::string EffectiveStateDirectory() {
  if (!State().stateDirectory.empty()) return State().stateDirectory;
  if (const char* env = std::getenv("RENPS_STATE_DIR"); env != nullptr && *env != 0) return env;
  if (const char* local = std::getenv("LOCALAPPDATA"); local != nullptr && *local != 0)
    return std::string(local) + "\\renps";
  return "renps-state";
}

HiveStore& Store() {
  HiveStore& store = State().store;
  const std::string directory = EffectiveStateDirectory();
  if (store.Directory() != directory) store.SetDirectory(directory);
  return store;
}

std::u16string DriverDirectory() {
  if (auto directory = State().printers.LatestDriverDirectory(); !directory.empty()) return directory;
  return platform::FromUtf8(EffectiveStateDirectory() + "\\drivers");
}

// ---- The system's own functions, for what the host does not answer ----------

struct Originals {
  decltype(&::GetModuleFileNameW) getModuleFileName = nullptr;
  decltype(&::GetUserNameW) getUserName = nullptr;
  decltype(&::GetComputerNameW) getComputerName = nullptr;
  decltype(&::GetLocalTime) getLocalTime = nullptr;
  decltype(&::OutputDebugStringW) outputDebugString = nullptr;
  decltype(&::LoadLibraryW) loadLibrary = nullptr;
  decltype(&::LoadLibraryExW) loadLibraryEx = nullptr;
  decltype(&::GetProcAddress) getProcAddress = nullptr;
  decltype(&::RegOpenKeyExW) regOpenKeyEx = nullptr;
  decltype(&::RegCreateKeyExW) regCreateKeyEx = nullptr;
  decltype(&::RegQueryValueExW) regQueryValueEx = nullptr;
  decltype(&::RegSetValueExW) regSetValueEx = nullptr;
  decltype(&::RegDeleteValueW) regDeleteValue = nullptr;
  decltype(&::RegCloseKey) regCloseKey = nullptr;
};
Originals g_system;

const PrinterRecord* PrinterFor(HANDLE hPrinter) {
  const auto* open = static_cast<const OpenPrinter*>(hPrinter);
  if (State().printerHandles.count(open) == 0) return nullptr;
  return FindPrinter(open->name);
}

// ---- The spooler ------------------------------------------------------------

BOOL WINAPI HostOpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW) {
  std::lock_guard lock(g_mutex);
  if (phPrinter == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *phPrinter = nullptr;
  const PrinterRecord* printer = pPrinterName == nullptr ? nullptr : FindPrinter(View(pPrinterName));
  if (printer == nullptr) return Fail(ERROR_INVALID_PRINTER_NAME);
  auto* open = new OpenPrinter{printer->description.name};
  State().printerHandles.insert(open);
  *phPrinter = open;
  return TRUE;
}

BOOL WINAPI HostClosePrinter(HANDLE hPrinter) {
  std::lock_guard lock(g_mutex);
  const auto* open = static_cast<const OpenPrinter*>(hPrinter);
  if (State().printerHandles.erase(open) == 0) return Fail(ERROR_INVALID_HANDLE);
  delete open;
  return TRUE;
}

BOOL WINAPI HostGetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  std::lock_guard lock(g_mutex);
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const PrinterRecord* printer = PrinterFor(hPrinter);
  if (printer == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (Level != 2) return Fail(ERROR_INVALID_LEVEL);
  return platform::common::AnswerPrinterInfo2(printer->description, pPrinter, cbBuf, pcbNeeded);
}

BOOL WINAPI HostGetPrinterDriverW(HANDLE hPrinter, LPWSTR, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                                  LPDWORD pcbNeeded) {
  std::lock_guard lock(g_mutex);
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const PrinterRecord* printer = PrinterFor(hPrinter);
  if (printer == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (Level != 3) return Fail(ERROR_INVALID_LEVEL);
  const auto& d = printer->description;
  const std::u16string directory = d.driverDirectory.empty() ? DriverDirectory() : d.driverDirectory;
  return platform::common::AnswerDriverInfo3(d, directory, u'\\', pDriverInfo, cbBuf, pcbNeeded);
}

BOOL WINAPI HostGetPrinterDriverDirectoryW(LPWSTR, LPWSTR, DWORD Level, LPBYTE pDriverDirectory, DWORD cbBuf,
                                           LPDWORD pcbNeeded) {
  std::lock_guard lock(g_mutex);
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  return platform::common::AnswerText(DriverDirectory(), pDriverDirectory, cbBuf, pcbNeeded);
}

DWORD WINAPI HostGetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                                 LPDWORD pcbNeeded) {
  std::lock_guard lock(g_mutex);
  if (pcbNeeded == nullptr) return ERROR_INVALID_PARAMETER;
  const auto* open = static_cast<const OpenPrinter*>(hPrinter);
  if (State().printerHandles.count(open) == 0) return ERROR_INVALID_HANDLE;
  StoredValue value;
  if (LONG status = Store().GetValue(Hive::LocalMachine, PrinterDataKey(open->name), View(pValueName), value);
      status != ERROR_SUCCESS)
    return static_cast<DWORD>(status);
  return platform::common::AnswerPrinterData(value.type, value.data, pType, pData, nSize, pcbNeeded);
}

DWORD WINAPI HostSetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
  std::lock_guard lock(g_mutex);
  const auto* open = static_cast<const OpenPrinter*>(hPrinter);
  if (State().printerHandles.count(open) == 0) return ERROR_INVALID_HANDLE;
  if (pData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
  StoredValue value{View(pValueName), Type, {}};
  if (cbData != 0) value.data.assign(pData, pData + cbData);
  return static_cast<DWORD>(Store().SetValue(Hive::LocalMachine, PrinterDataKey(open->name), value));
}

DWORD WINAPI HostDeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName) {
  std::lock_guard lock(g_mutex);
  const auto* open = static_cast<const OpenPrinter*>(hPrinter);
  if (State().printerHandles.count(open) == 0) return ERROR_INVALID_HANDLE;
  return static_cast<DWORD>(Store().DeleteValue(Hive::LocalMachine, PrinterDataKey(open->name), View(pValueName)));
}

BOOL WINAPI HostWritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
  SpoolSink sink;
  {
    std::lock_guard lock(g_mutex);
    if (pcWritten == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    *pcWritten = 0;
    const PrinterRecord* printer = PrinterFor(hPrinter);
    if (printer == nullptr) return Fail(ERROR_INVALID_HANDLE);
    sink = printer->sink;
  }
  if (pBuf == nullptr && cbBuf != 0) return Fail(ERROR_NOACCESS);
  if (cbBuf == 0) return TRUE;
  // No sink is a printer that takes nothing: the bytes must not vanish silently.
  if (!sink || !sink(pBuf, cbBuf)) return Fail(ERROR_WRITE_FAULT);
  *pcWritten = cbBuf;
  return TRUE;
}

void WINAPI HostGetLocalTime(LPSYSTEMTIME lpSystemTime);

BOOL WINAPI HostGetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf, LPDWORD pcbNeeded) {
  std::lock_guard lock(g_mutex);
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const PrinterRecord* printer = PrinterFor(hPrinter);
  if (printer == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (!printer->job || printer->job->jobId != JobId) return Fail(ERROR_INVALID_PARAMETER);
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  SYSTEMTIME submitted{};
  HostGetLocalTime(&submitted);
  return platform::common::AnswerJobInfo1(printer->description.name, *printer->job, submitted, pJob, cbBuf, pcbNeeded);
}

DWORD WINAPI HostDeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR, WORD fwCapability, LPWSTR pOutput, const DEVMODEW*) {
  std::lock_guard lock(g_mutex);
  constexpr auto kUnknown = static_cast<DWORD>(-1);
  const PrinterRecord* printer = pDevice == nullptr ? nullptr : FindPrinter(View(pDevice));
  if (printer == nullptr) {
    SetLastError(pDevice == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_PRINTER_NAME);
    return kUnknown;
  }
  return platform::common::AnswerCapability(printer->description, fwCapability, pOutput);
}

// ---- The registry: HKLM and HKCU from the state directory -------------------

// Whether `hKey` is one of ours (a root the host keeps or a key opened under
// one); other roots stay the system's.
bool ResolveKey(HKEY hKey, OpenKey& key) {
  if (hKey == HKEY_LOCAL_MACHINE) {
    key = {Hive::LocalMachine, u"", KEY_ALL_ACCESS};
    return true;
  }
  if (hKey == HKEY_CURRENT_USER) {
    key = {Hive::CurrentUser, u"", KEY_ALL_ACCESS};
    return true;
  }
  const auto* open = reinterpret_cast<const OpenKey*>(hKey);
  if (State().keyHandles.count(open) == 0) return false;
  key = *open;
  return true;
}

HKEY NewKey(const OpenKey& key) {
  auto* open = new OpenKey(key);
  State().keyHandles.insert(open);
  return reinterpret_cast<HKEY>(open);
}

std::u16string Join(const std::u16string& parent, LPCWSTR child) {
  return NormalizedPath(parent + u"\\" + View(child));
}

LSTATUS WINAPI HostRegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
  std::lock_guard lock(g_mutex);
  OpenKey parent;
  if (!ResolveKey(hKey, parent)) return g_system.regOpenKeyEx(hKey, lpSubKey, ulOptions, samDesired, phkResult);
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  const std::u16string path = Join(parent.path, lpSubKey);
  bool exists = false;
  if (LONG status = Store().KeyExists(parent.hive, path, exists); status != ERROR_SUCCESS) return status;
  if (!exists) return ERROR_FILE_NOT_FOUND;
  *phkResult = NewKey({parent.hive, path, samDesired});
  return ERROR_SUCCESS;
}

LSTATUS WINAPI HostRegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                                   REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                   LPDWORD lpdwDisposition) {
  std::lock_guard lock(g_mutex);
  OpenKey parent;
  if (!ResolveKey(hKey, parent))
    return g_system.regCreateKeyEx(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired, lpSecurityAttributes,
                                   phkResult, lpdwDisposition);
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  const std::u16string path = Join(parent.path, lpSubKey);
  bool created = false;
  if (LONG status = Store().CreateKey(parent.hive, path, created); status != ERROR_SUCCESS) return status;
  if (lpdwDisposition != nullptr) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *phkResult = NewKey({parent.hive, path, samDesired});
  return ERROR_SUCCESS;
}

LSTATUS WINAPI HostRegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                    LPDWORD lpcbData) {
  std::lock_guard lock(g_mutex);
  OpenKey key;
  if (!ResolveKey(hKey, key)) return g_system.regQueryValueEx(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
  if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
  if ((key.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  StoredValue value;
  if (LONG status = Store().GetValue(key.hive, key.path, View(lpValueName), value); status != ERROR_SUCCESS)
    return status;
  return platform::common::QueryValue(value.type, value.data, lpType, lpData, lpcbData);
}

LSTATUS WINAPI HostRegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                                  DWORD cbData) {
  std::lock_guard lock(g_mutex);
  OpenKey key;
  if (!ResolveKey(hKey, key)) return g_system.regSetValueEx(hKey, lpValueName, Reserved, dwType, lpData, cbData);
  if (lpData == nullptr && cbData != 0) return ERROR_NOACCESS;
  if ((key.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  StoredValue value{View(lpValueName), dwType, {}};
  if (cbData != 0) value.data.assign(lpData, lpData + cbData);
  return Store().SetValue(key.hive, key.path, value);
}

LSTATUS WINAPI HostRegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  std::lock_guard lock(g_mutex);
  OpenKey key;
  if (!ResolveKey(hKey, key)) return g_system.regDeleteValue(hKey, lpValueName);
  if ((key.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  return Store().DeleteValue(key.hive, key.path, View(lpValueName));
}

LSTATUS WINAPI HostRegCloseKey(HKEY hKey) {
  std::lock_guard lock(g_mutex);
  if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  const auto* open = reinterpret_cast<const OpenKey*>(hKey);
  if (State().keyHandles.erase(open) == 0) return g_system.regCloseKey(hKey);
  delete open;
  return ERROR_SUCCESS;
}

// ---- The machine's facts ----------------------------------------------------

void WINAPI HostGetLocalTime(LPSYSTEMTIME lpSystemTime) {
  {
    std::lock_guard lock(g_mutex);
    if (lpSystemTime != nullptr && State().fixedTime) {
      *lpSystemTime = *State().fixedTime;
      return;
    }
  }
  g_system.getLocalTime(lpSystemTime);
}

// A fact the host set (empty: none), read under the lock.
std::u16string Fact(std::u16string HostState::*fact) {
  std::lock_guard lock(g_mutex);
  return State().*fact;
}

BOOL WINAPI HostGetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer) {
  const std::u16string name = Fact(&HostState::userName);
  if (name.empty()) return g_system.getUserName(lpBuffer, pcbBuffer);
  return platform::common::AnswerUserName(name, lpBuffer, pcbBuffer);
}

BOOL WINAPI HostGetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
  const std::u16string name = Fact(&HostState::computerName);
  if (name.empty()) return g_system.getComputerName(lpBuffer, nSize);
  return platform::common::AnswerComputerName(name, lpBuffer, nSize);
}

DWORD WINAPI HostGetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  const std::u16string image = hModule == nullptr ? Fact(&HostState::processImage) : std::u16string();
  if (image.empty()) return g_system.getModuleFileName(hModule, lpFilename, nSize);
  if (lpFilename == nullptr || nSize == 0) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (image.size() + 1 > nSize) {
    // Cut short and terminated, as the system does.
    std::memcpy(lpFilename, image.data(), (nSize - 1) * sizeof(WCHAR));
    lpFilename[nSize - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  CopyOut(image, lpFilename, nSize);
  return static_cast<DWORD>(image.size());
}

void WINAPI HostOutputDebugStringW(LPCWSTR lpOutputString) {
  std::function<void(std::u16string_view)> sink;
  {
    std::lock_guard lock(g_mutex);
    sink = State().debugSink;
  }
  if (!sink || lpOutputString == nullptr) {
    g_system.outputDebugString(lpOutputString);
    return;
  }
  const DWORD saved = GetLastError();  // the system leaves the last error alone here
  sink(platform::U(lpOutputString));
  SetLastError(saved);
}

// ---- Modules: what the plug-in loads is routed too --------------------------

void RouteModule(HMODULE module);

HMODULE WINAPI HostLoadLibraryW(LPCWSTR lpLibFileName) {
  HMODULE module = g_system.loadLibrary(lpLibFileName);
  RouteModule(module);
  return module;
}

HMODULE WINAPI HostLoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
  HMODULE module = g_system.loadLibraryEx(lpLibFileName, hFile, dwFlags);
  // A module loaded as data or an image resource runs no code.
  if ((dwFlags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) == 0)
    RouteModule(module);
  return module;
}

FARPROC WINAPI HostGetProcAddress(HMODULE hModule, LPCSTR lpProcName);

#define RENPS_ROUTE(name) \
  { #name, reinterpret_cast < void*>(&Host##name) }
const RoutedImport kRoutes[] = {
    RENPS_ROUTE(OpenPrinterW),
    RENPS_ROUTE(ClosePrinter),
    RENPS_ROUTE(GetPrinterW),
    RENPS_ROUTE(GetPrinterDriverW),
    RENPS_ROUTE(GetPrinterDriverDirectoryW),
    RENPS_ROUTE(GetPrinterDataW),
    RENPS_ROUTE(SetPrinterDataW),
    RENPS_ROUTE(DeletePrinterDataW),
    RENPS_ROUTE(WritePrinter),
    RENPS_ROUTE(GetJobW),
    RENPS_ROUTE(DeviceCapabilitiesW),
    RENPS_ROUTE(RegOpenKeyExW),
    RENPS_ROUTE(RegCreateKeyExW),
    RENPS_ROUTE(RegQueryValueExW),
    RENPS_ROUTE(RegSetValueExW),
    RENPS_ROUTE(RegDeleteValueW),
    RENPS_ROUTE(RegCloseKey),
    RENPS_ROUTE(GetLocalTime),
    RENPS_ROUTE(GetUserNameW),
    RENPS_ROUTE(GetComputerNameW),
    RENPS_ROUTE(GetModuleFileNameW),
    RENPS_ROUTE(OutputDebugStringW),
    RENPS_ROUTE(LoadLibraryW),
    RENPS_ROUTE(LoadLibraryExW),
    RENPS_ROUTE(GetProcAddress),
};
#undef RENPS_ROUTE

// The DLLs whose functions are answered here.
constexpr std::string_view kRoutedDlls[] = {"winspool.drv", "advapi32.dll", "kernel32.dll"};

int Route(HMODULE module) {
  return RouteImports(module, kRoutes, std::size(kRoutes), {kRoutedDlls[0], kRoutedDlls[1], kRoutedDlls[2]});
}

bool IsSystemModule(HMODULE module) {
  WCHAR path[MAX_PATH * 2] = {};
  WCHAR system[MAX_PATH] = {};
  const DWORD length = g_system.getModuleFileName(module, path, static_cast<DWORD>(std::size(path)));
  const UINT systemLength = GetSystemDirectoryW(system, static_cast<UINT>(std::size(system)));
  if (length == 0 || systemLength == 0 || systemLength >= std::size(system)) return true;
  return SameName(std::u16string_view(platform::U(path), std::min<std::size_t>(length, systemLength)),
                  std::u16string_view(platform::U(system), systemLength));
}

void RouteModule(HMODULE module) {
  if (module == nullptr || IsSystemModule(module)) return;
  Route(module);
}

bool IsRoutedDll(HMODULE module) {
  for (std::string_view dll : kRoutedDlls) {
    const std::u16string wide = platform::FromUtf8(dll);
    if (module == GetModuleHandleW(platform::W(wide.c_str()))) return true;
  }
  return false;
}

// A module that finds a routed function by name gets the host's too.
FARPROC WINAPI HostGetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  // Below 64K the "name" is an ordinal.
  if (reinterpret_cast<ULONG_PTR>(lpProcName) > 0xFFFF && IsRoutedDll(hModule)) {
    for (const auto& route : kRoutes)
      if (std::strcmp(route.name, lpProcName) == 0) return reinterpret_cast<FARPROC>(route.replacement);
  }
  return g_system.getProcAddress(hModule, lpProcName);
}

template <class Function>
void Resolve(Function& slot, const wchar_t* dll, const char* name) {
  slot = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(GetModuleHandleW(dll), name)));
}

// Once, before the host sets anything up: the system's functions are kept for
// what is passed on, and renps's own imports are routed (it sets up printer
// data and registry values through the same calls the plug-in uses).
void Install() {
  static std::once_flag once;
  std::call_once(once, [] {
    LoadLibraryW(L"winspool.drv");
    LoadLibraryW(L"advapi32.dll");
    Resolve(g_system.getModuleFileName, L"kernel32.dll", "GetModuleFileNameW");
    Resolve(g_system.getComputerName, L"kernel32.dll", "GetComputerNameW");
    Resolve(g_system.getLocalTime, L"kernel32.dll", "GetLocalTime");
    Resolve(g_system.outputDebugString, L"kernel32.dll", "OutputDebugStringW");
    Resolve(g_system.loadLibrary, L"kernel32.dll", "LoadLibraryW");
    Resolve(g_system.loadLibraryEx, L"kernel32.dll", "LoadLibraryExW");
    Resolve(g_system.getProcAddress, L"kernel32.dll", "GetProcAddress");
    Resolve(g_system.getUserName, L"advapi32.dll", "GetUserNameW");
    Resolve(g_system.regOpenKeyEx, L"advapi32.dll", "RegOpenKeyExW");
    Resolve(g_system.regCreateKeyEx, L"advapi32.dll", "RegCreateKeyExW");
    Resolve(g_system.regQueryValueEx, L"advapi32.dll", "RegQueryValueExW");
    Resolve(g_system.regSetValueEx, L"advapi32.dll", "RegSetValueExW");
    Resolve(g_system.regDeleteValue, L"advapi32.dll", "RegDeleteValueW");
    Resolve(g_system.regCloseKey, L"advapi32.dll", "RegCloseKey");
    Route(GetModuleHandleW(nullptr));
  });
}

// Before main, so no function of renps has loaded a routed address yet.
[[maybe_unused]] const bool g_routed = (Install(), true);

}  // namespace
}  // namespace renps::winhost

namespace platform::host {

using namespace renps::winhost;

void RegisterPrinter(const PrinterDescription& printer, SpoolSink sink) {
  Install();
  std::lock_guard lock(g_mutex);
  State().printers.Register(printer, std::move(sink));
}

void UnregisterPrinter(std::u16string_view name) {
  std::lock_guard lock(g_mutex);
  State().printers.Unregister(name);
}

void SetJob(std::u16string_view printerName, const JobRecord& job) {
  std::lock_guard lock(g_mutex);
  if (auto* printer = FindPrinter(printerName)) printer->job = job;
}

void SetStateDirectory(const std::string& directory) {
  Install();
  std::lock_guard lock(g_mutex);
  State().stateDirectory = directory;
  State().store.SetDirectory(EffectiveStateDirectory());
}

std::string GetStateDirectory() {
  std::lock_guard lock(g_mutex);
  return EffectiveStateDirectory();
}

void SetFixedLocalTime(std::optional<SYSTEMTIME> time) {
  Install();
  std::lock_guard lock(g_mutex);
  State().fixedTime = time;
}

void SetMachineFacts(std::u16string_view userName, std::u16string_view computerName) {
  Install();
  std::lock_guard lock(g_mutex);
  State().userName = userName;
  State().computerName = computerName;
}

void SetProcessImageName(std::u16string_view path) {
  Install();
  std::lock_guard lock(g_mutex);
  State().processImage = path;
}

void SetDebugLogSink(std::function<void(std::u16string_view)> sink) {
  Install();
  std::lock_guard lock(g_mutex);
  State().debugSink = std::move(sink);
}

std::string GetLastStoreError() {
  std::lock_guard lock(g_mutex);
  return State().store.LastError();
}

void BeginStoreSnapshot() {
  std::lock_guard lock(g_mutex);
  Store().BeginSnapshot();
}

void EndStoreSnapshot() {
  std::lock_guard lock(g_mutex);
  Store().EndSnapshot();
}

void Reset() {
  std::lock_guard lock(g_mutex);
  auto& state = State();
  state.printers.Clear();
  state.fixedTime.reset();
  state.userName.clear();
  state.computerName.clear();
  state.processImage.clear();
  state.debugSink = nullptr;
  state.store.SetDirectory(EffectiveStateDirectory());
}

}  // namespace platform::host
