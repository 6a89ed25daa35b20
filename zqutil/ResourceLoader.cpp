#include "zqutil/ResourceLoader.h"

#include <atomic>

#include "platform/text.h"

namespace {
std::atomic<HMODULE> g_resourceModule{nullptr};
}  // namespace

void ResourceLoader::SetResourceModule(HMODULE module) {
  g_resourceModule.store(module);
}

HMODULE ResourceLoader::GetResourceModule() {
  return g_resourceModule.load();
}

bool ResourceLoader::LoadCustomResource(HMODULE module, const CXString& type, UINT id, ByteBuffer& data) {
  data.clear();
  // A null module is the program's own image, as for FindResourceW: where the
  // plug-in's code is linked into a program (its tests), that image carries
  // the resources.
  if (type.IsEmpty()) return false;
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), platform::W(type.c_str()));
  if (resource == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  if (loaded == nullptr) return false;
  const void* bytes = LockResource(loaded);
  const DWORD size = SizeofResource(module, resource);
  if (bytes == nullptr) return false;
  data.setWithLpbyte(bytes, size);
  return true;
}
