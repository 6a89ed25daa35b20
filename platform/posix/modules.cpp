// Modules over dlopen, and resources from tables that modules register.
//
// An HMODULE is the base address of the loaded object (dladdr's dli_fbase),
// so a module can name itself from its own constructor without asking the
// loader, and LoadLibraryExW hands out the same value for it.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "internal.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

struct Loaded {
  void* handle = nullptr;
  std::string path;
  int references = 0;
};

struct ResourceName {
  bool isId = false;
  WORD id = 0;
  std::u16string name;
  bool operator==(const ResourceName& other) const {
    return isId == other.isId && (isId ? id == other.id : SameName(name, other.name));
  }
};

struct ResourceEntry {
  ResourceName type;
  ResourceName name;
  const void* data;
  DWORD size;
};

// Two locks: a module's constructor registers its resources while dlopen runs
// under the loader lock, so the resource lock is never held around dlopen.
std::recursive_mutex g_loadMutex;  // constructors may load further modules
std::mutex g_resourceMutex;
std::map<HMODULE, Loaded>& LoadedModules() {
  static auto* loaded = new std::map<HMODULE, Loaded>();
  return *loaded;
}
// Entries are heap objects so that an HRSRC stays put while its table lives.
std::map<HMODULE, std::vector<std::unique_ptr<ResourceEntry>>>& Resources() {
  static auto* resources = new std::map<HMODULE, std::vector<std::unique_ptr<ResourceEntry>>>();
  return *resources;
}

HMODULE BaseOfHandle(void* handle) {
  link_map* map = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return nullptr;
  Dl_info info{};
  // The dynamic section lies inside the object; its owner's base is the module.
  if (::dladdr(map->l_ld, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

HMODULE MainProgram() {
  void* self = ::dlopen(nullptr, RTLD_NOW);
  HMODULE base = self != nullptr ? BaseOfHandle(self) : nullptr;
  if (self != nullptr) ::dlclose(self);
  return base;
}

// The file of the object whose base address is `module`, if there is one.
bool ObjectAt(HMODULE module, std::string& path) {
  if (module == nullptr) return false;
  Dl_info info{};
  if (::dladdr(module, &info) == 0 || info.dli_fbase != module) return false;
  if (module == MainProgram() || info.dli_fname == nullptr || *info.dli_fname == 0) {
    char buffer[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0) return false;
    path.assign(buffer, static_cast<std::size_t>(n));
    return true;
  }
  char resolved[PATH_MAX];
  path = ::realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
  return true;
}

ResourceName FromArgument(LPCWSTR p) {
  if (IS_INTRESOURCE(p)) return {true, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(p)), {}};
  std::u16string_view text(U(p));
  // "#123" names the integer id 123, as on Windows.
  if (text.size() > 1 && text[0] == u'#') {
    unsigned long v = 0;
    bool digits = true;
    for (char16_t c : text.substr(1)) {
      if (c < u'0' || c > u'9' || v > 0xFFFF) {
        digits = false;
        break;
      }
      v = v * 10 + (c - u'0');
    }
    if (digits && v <= 0xFFFF) return {true, static_cast<WORD>(v), {}};
  }
  return {false, 0, std::u16string(text)};
}

ResourceName FromTable(const char16_t* p, WORD id) {
  if (p == nullptr) return {true, id, {}};
  if (IS_INTRESOURCE(p)) return {true, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(p)), {}};
  return {false, 0, std::u16string(p)};
}

const ResourceEntry* FindEntryLocked(HMODULE module, HRSRC resource) {
  auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  for (const auto& [owner, table] : Resources()) {
    if (module != nullptr && owner != module) continue;
    for (const auto& e : table)
      if (e.get() == entry) return entry;
  }
  return nullptr;
}

DWORD CopyPath(const std::u16string& path, LPWSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() + 1 > size) {
    // Cut and terminated; the full size tells the caller it was cut.
    path.copy(U(buffer), size - 1);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  CopyOut(path, buffer, size);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

// Code names its companion modules as Windows does ("zqcoreA2.dll"); the
// same module built here is "zqcoreA2.so". A ".dll" that does not exist is
// looked for under that name, so one name serves both platforms.
std::string SharedObjectPath(std::string path) {
  constexpr std::string_view kDll = ".dll";
  if (path.size() <= kDll.size()) return path;
  const std::size_t stem = path.size() - kDll.size();
  for (std::size_t i = 0; i < kDll.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(path[stem + i])) != kDll[i]) return path;
  if (::access(path.c_str(), F_OK) == 0) return path;
  return path.substr(0, stem) + ".so";
}

}  // namespace
}  // namespace platform::posix

using namespace platform::posix;

HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE /*hFile*/, DWORD /*dwFlags*/) {
  if (lpLibFileName == nullptr || *lpLibFileName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string path = SharedObjectPath(NativePath(lpLibFileName));
  std::lock_guard lock(g_loadMutex);
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    DebugOutputUtf8("LoadLibraryExW: " + std::string(why != nullptr ? why : path) + "\n");
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  HMODULE base = BaseOfHandle(handle);
  if (base == nullptr) {
    ::dlclose(handle);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto& loaded = LoadedModules()[base];
  loaded.handle = handle;
  loaded.path = path;
  ++loaded.references;
  return base;
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  std::lock_guard lock(g_loadMutex);
  auto it = LoadedModules().find(hLibModule);
  if (it == LoadedModules().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ::dlclose(it->second.handle);
  if (--it->second.references == 0) {
    std::string path = it->second.path;
    LoadedModules().erase(it);
    // Once the object is really gone its resource data went with it.
    void* still = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (still != nullptr) {
      ::dlclose(still);
    } else {
      std::lock_guard resourceLock(g_resourceMutex);
      Resources().erase(hLibModule);
    }
  }
  return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (lpProcName == nullptr || IS_INTRESOURCE(lpProcName)) {
    // Exports by ordinal do not exist for shared objects.
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* handle = nullptr;
  bool extraReference = false;
  {
    std::lock_guard lock(g_loadMutex);
    auto it = LoadedModules().find(hModule);
    if (it != LoadedModules().end()) handle = it->second.handle;
  }
  if (handle == nullptr) {
    std::string path;
    if (!ObjectAt(hModule, path)) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    handle = hModule == MainProgram() ? ::dlopen(nullptr, RTLD_NOW) : ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    extraReference = true;
  }
  void* symbol = ::dlsym(handle, lpProcName);
  if (extraReference) ::dlclose(handle);
  // dlsym also searches the object's dependencies; GetProcAddress answers
  // only for the module's own exports.
  Dl_info info{};
  if (symbol == nullptr || ::dladdr(symbol, &info) == 0 || info.dli_fbase != hModule) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  std::u16string path;
  if (hModule == nullptr) {
    path = ProcessImageName();
    if (path.empty()) {
      std::string native;
      if (!ObjectAt(MainProgram(), native)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
      }
      path = platform::FromUtf8(native);
    }
  } else {
    std::string native;
    if (!ObjectAt(hModule, native)) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = platform::FromUtf8(native);
  }
  return CopyPath(path, lpFilename, nSize);
}

void RenRegisterModuleResources(HMODULE module, const RenModuleResource* table, DWORD count) {
  std::vector<std::unique_ptr<ResourceEntry>> entries;
  for (DWORD i = 0; table != nullptr && i < count; ++i) {
    const auto& r = table[i];
    entries.push_back(std::make_unique<ResourceEntry>(
        ResourceEntry{FromTable(r.type, r.typeId), FromTable(r.name, r.nameId), r.data, r.size}));
  }
  std::lock_guard lock(g_resourceMutex);
  // An empty table unregisters (a module's destructor does that).
  if (entries.empty())
    Resources().erase(module);
  else
    Resources()[module] = std::move(entries);
}

HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
  if (FaultHere(platform::host::FaultCall::FindResource)) return nullptr;
  if (hModule == nullptr) hModule = MainProgram();
  ResourceName type = FromArgument(lpType);
  ResourceName name = FromArgument(lpName);
  std::lock_guard lock(g_resourceMutex);
  auto it = Resources().find(hModule);
  if (it == Resources().end()) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  bool typeSeen = false;
  for (const auto& entry : it->second) {
    if (!(entry->type == type)) continue;
    typeSeen = true;
    if (entry->name == name) return reinterpret_cast<HRSRC>(entry.get());
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
  std::lock_guard lock(g_resourceMutex);
  const ResourceEntry* entry = FindEntryLocked(hModule, hResInfo);
  if (entry == nullptr) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  static const BYTE kEmpty = 0;
  // The data already lie in the module's memory: the "loaded" resource is
  // its address, and LockResource hands it back.
  return const_cast<void*>(entry->data != nullptr ? entry->data : &kEmpty);
}

LPVOID WINAPI LockResource(HGLOBAL hResData) {
  return hResData;
}

BOOL WINAPI FreeResource(HGLOBAL /*hResData*/) {
  return FALSE;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
  std::lock_guard lock(g_resourceMutex);
  const ResourceEntry* entry = FindEntryLocked(hModule, hResInfo);
  if (entry == nullptr) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  return entry->size;
}
