#include "ImportRouting.h"

#include <cstring>

namespace renps::winhost {
namespace {

bool SameDll(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

int RouteImports(HMODULE module, const RoutedImport* routes, std::size_t count,
                 std::initializer_list<std::string_view> fromDlls) {
  if (module == nullptr) return 0;
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return 0;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0 || directory.Size == 0) return 0;

  int replaced = 0;
  for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    const std::string_view dll(reinterpret_cast<const char*>(base + descriptor->Name));
    bool routed = false;
    for (std::string_view from : fromDlls) routed = routed || SameDll(dll, from);
    // Without the name table the bound addresses cannot be told apart.
    if (!routed || descriptor->OriginalFirstThunk == 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const char* name = reinterpret_cast<const char*>(byName->Name);
      for (std::size_t i = 0; i < count; ++i) {
        if (std::strcmp(routes[i].name, name) != 0) continue;
        const auto wanted = reinterpret_cast<ULONG_PTR>(routes[i].replacement);
        if (slots->u1.Function == wanted) break;
        DWORD protection = 0;
        if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection)) break;
        slots->u1.Function = wanted;
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        ++replaced;
        break;
      }
    }
  }
  return replaced;
}

}  // namespace renps::winhost
