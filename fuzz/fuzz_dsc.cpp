// Feeds arbitrary bytes to the host's DSC reader as a document read from a
// stream. Whatever it hands out must come from the document in order: the
// pieces are consecutive, never longer than the reader's block, and together
// no longer than the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "DscReader.h"
#include "JobFile.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  renps::DscReader reader(file, "fuzz.ps");
  std::size_t searchFrom = 0;
  try {
    reader.ReadHeaderLine();
    for (std::size_t lines = 0; lines <= size; ++lines) {
      const renps::DscLine line = reader.Next();
      if (line.part == renps::DscPart::End) {
        Check(line.text.empty());
        break;
      }
      Check(!line.text.empty() && line.text.size() <= renps::DscReader::kBlock);
      if (line.part == renps::DscPart::PageStart) {
        Check(line.whole && line.text.find(line.label) != std::string::npos);
      }
      const std::size_t at = input.find(line.text, searchFrom);
      Check(at != std::string_view::npos);
      searchFrom = at + line.text.size();
    }
    // Every line takes at least one byte, so the loop cannot outrun the input.
    Check(reader.Next().part == renps::DscPart::End);
  } catch (const renps::InputError&) {
    // Not a PostScript document: a clear refusal is the expected answer.
  }
  std::fclose(file);
  return 0;
}
