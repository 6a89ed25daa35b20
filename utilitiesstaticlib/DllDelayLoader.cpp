#include "DllDelayLoader.h"

#include <mutex>
#include <vector>

#include "platform/moduleentry.h"
#include "platform/text.h"
#include "zqutil/TamorUtilities.h"

namespace {

// Guards the list of loaded libraries: the first call into a library may come
// from any thread. A plain mutex, not a named CriticalResource: the utility
// library keeps its named locks on the heap for the life of the process,
// which outlives this module once it is unloaded.
std::mutex g_loadedListLock;

CXString Widen(const std::string& name) {
  return CXString(platform::FromUtf8(name));
}

CXString PrinterDriverDirectory() {
  DWORD needed = 0;
  GetPrinterDriverDirectoryW(nullptr, nullptr, 1, nullptr, 0, &needed);
  if (needed < sizeof(WCHAR)) return CXString();
  std::vector<char16_t> directory(needed / sizeof(WCHAR) + 1, 0);
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory.data()),
                                  static_cast<DWORD>(directory.size() * sizeof(WCHAR)), &needed))
    return CXString();
  return CXString(directory.data());
}

}  // namespace

DllDelayLoader::DllDelayLoader(HMODULE anchor) : anchor_(anchor) {}

DllDelayLoader::~DllDelayLoader() {
  // No lock: at teardown no other thread calls into the module any more.
  shuttingDown_ = true;
  for (const auto& [name, module] : loaded_) delay_load::Unload(name, module);
  loaded_.clear();
}

DllDelayLoader& DllDelayLoader::Instance() {
  static DllDelayLoader instance(platform::ModuleContaining(reinterpret_cast<const void*>(&DllDelayLoader::Instance)));
  return instance;
}

HMODULE DllDelayLoader::Notify(unsigned notification, const char* libraryName) {
  if (notification != kNotePreLoadLibrary || libraryName == nullptr) return nullptr;
  return Load(libraryName);
}

HMODULE DllDelayLoader::Load(const char* libraryName) {
  if (shuttingDown_ || libraryName == nullptr || *libraryName == 0) return nullptr;
  const std::string name(libraryName);
  const std::lock_guard lock(g_loadedListLock);
  for (const auto& [loadedName, module] : loaded_)
    if (loadedName == name) return module;
  HMODULE module = Search(name);
  if (module != nullptr) loaded_.emplace_back(name, module);
  return module;
}

HMODULE DllDelayLoader::Search(const std::string& libraryName) const {
  const CXString besidePlugin = TamorUtilities::getModulePath(anchor_) + Widen(libraryName);
  if (HMODULE module = LoadLibraryExW(platform::W(besidePlugin.c_str()), nullptr, 0)) return module;
  const CXString driverDirectory = PrinterDriverDirectory();
  if (driverDirectory.IsEmpty()) return nullptr;
  const CXString inDriverDirectory = driverDirectory + CXString(u"\\3\\") + Widen(libraryName);
  return LoadLibraryExW(platform::W(inDriverDirectory.c_str()), nullptr, 0);
}
