#include "output/booklet/BookletProcset.h"

#include <cstring>

#include "platform/text.h"

namespace booklet {

bool FindProcsetText(HMODULE module, DWORD id, std::string_view& text) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), platform::W(u"PSPROC"));
  if (found == nullptr) return false;
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return false;
  const auto* data = static_cast<const char*>(LockResource(loaded));
  if (data == nullptr) return false;
  const void* zero = std::memchr(data, 0, size);
  text =
      std::string_view(data, zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size);
  // Module resources stay mapped while the module is loaded; FreeResource is a no-op kept for symmetry.
  FreeResource(loaded);
  return !text.empty();
}

}  // namespace booklet
