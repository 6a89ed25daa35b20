#include "output/ProcsetResource.h"

#include <cstring>

#include "platform/text.h"

bool TryLoadProcsetText(HMODULE module, WORD id, std::string_view& text) {
  text = {};
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), platform::W(kProcsetResourceType));
  if (resource == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  if (loaded == nullptr) return false;
  const void* data = LockResource(loaded);
  const DWORD size = SizeofResource(module, resource);
  if (data == nullptr) return false;
  // Module resources need no release: they live as long as the module.
  const auto* bytes = static_cast<const char*>(data);
  const void* zero = std::memchr(bytes, 0, size);
  text = std::string_view(bytes, zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes)
                                                 : static_cast<std::size_t>(size));
  return true;
}
