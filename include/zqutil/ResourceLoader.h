// ResourceLoader: custom resources (a type of our own, such as "PSPROC") of a
// module, read whole.
//
// The plug-in records its own module when it is loaded; callers that do not
// name a module read from that one. On POSIX a module's resources are the
// table it registered with the platform (RenRegisterModuleResources).
#pragma once

#include "platform/win32.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class ResourceLoader {
 public:
  static void SetResourceModule(HMODULE module);
  // Null until a module was recorded.
  static HMODULE GetResourceModule();

  // The bytes of resource `id` of type `type`, exactly as stored. False, with
  // `data` emptied, when the module has no such resource or it cannot be
  // loaded.
  static bool LoadCustomResource(HMODULE module, const CXString& type, UINT id, ByteBuffer& data);
  static bool LoadCustomResource(const CXString& type, UINT id, ByteBuffer& data) {
    return LoadCustomResource(GetResourceModule(), type, id, data);
  }
};
