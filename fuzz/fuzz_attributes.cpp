// Feeds arbitrary bytes to the two settings parsers: the persisted image (the
// private devmode's entry 1, the device settings in the printer data) and the
// list state (the cached settings in the PDEV state store). Whatever parses
// must also encode again and parse back to the same thing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "zqutil/AttributeBytes.h"
#include "zqutil/AttributeBytesFormat.h"
#include "zqutil/PersistentAttributes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteBuffer bytes(data, size);

  const PersistentAttributes image(bytes, false);
  if (image.IsValid()) {
    const PersistentAttributes again(image.GetBytes(), false);
    if (!again.IsValid() || !(again.GetBytes() == image.GetBytes())) std::abort();
  }

  AttributeBytesIndexedList list;
  if (attribute_bytes_format::ParseListState(data, size, list)) {
    const ByteBuffer state = list.GetAttributeBytesIndexedListState();
    AttributeBytesIndexedList rebuilt(state);
    if (!(rebuilt == list)) std::abort();
  }
  return 0;
}
