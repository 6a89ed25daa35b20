// The one way the plug-in's own bytes enter the driver's stream: through the
// driver helper's DrvWriteSpoolBuf, with the exact length and no terminator.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/oemps.h"

namespace renpsoem {

// Writes `size` bytes through the driver helper; the count written is not
// examined (the driver reports trouble on its own path). E_FAIL without a
// helper or with nothing to write.
inline HRESULT WriteToSpool(IPrintOemDriverPS* helper, PDEVOBJ pdevobj, const void* data, std::size_t size) {
  if (helper == nullptr || size == 0) return E_FAIL;
  DWORD written = 0;
  return helper->DrvWriteSpoolBuf(pdevobj, const_cast<void*>(data), static_cast<DWORD>(size), &written);
}

inline HRESULT WriteToSpool(IPrintOemDriverPS* helper, PDEVOBJ pdevobj, std::string_view text) {
  return WriteToSpool(helper, pdevobj, text.data(), text.size());
}

}  // namespace renpsoem
