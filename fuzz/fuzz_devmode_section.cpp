// Feeds arbitrary bytes to the private devmode reader, in two shapes.
//
// Byte 0 chooses the shape and a few helps that let the fuzzer past the
// checks it cannot guess:
//   bit 0 clear - a section: the rest of the input, zero-padded or cut to the
//                 section's 3056 bytes, goes to Parse. Bit 1 writes a valid
//                 head, bit 2 makes the CRC right. Bit 3 then stores one more
//                 entry: id and bytes from what follows the 3056 bytes.
//   bit 0 set   - a whole devmode: bytes 1-2 give dmSize, 3-4 dmDriverExtra,
//                 5-6 a section offset inside the driver's part; the buffer is
//                 exactly dmSize + dmDriverExtra bytes, filled from the rest of
//                 the input. Bit 1 plants a valid section head with a right CRC
//                 at that offset, bit 2 points word 114 (else word 8) at it.
// Whatever parses is read entry by entry and as document settings, and must
// survive a Save and a fresh Parse unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "devmode/XDevmode.h"
#include "zqutil/Crc32.h"
#include "zqutil/Dimension.h"
#include "zqutil/TamorException.h"

namespace {

constexpr std::size_t kSection = XDevmode::kSectionSize;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  std::memcpy(p, &v, 4);
}

void MakeHead(std::uint8_t* section) {
  Put32(section, XDevmode::kSectionSize);
  Put32(section + 4, XDevmode::kSignature);
  Put32(section + 8, XDevmode::kVersion);
  Put32(section + 12, XDevmode::kPayloadSize);
}
void MakeCrc(std::uint8_t* section) {
  Put32(section + XDevmode::kCrcOffset, Crc32::GetCrc(section + XDevmode::kCountOffset, XDevmode::kCrcLength));
}

// The entries as the section's layout defines them (first of a repeated id
// wins), or false when the section is not readable. Written apart from the
// reader so that the two can disagree.
bool ExpectedEntries(const std::uint8_t* section, std::map<std::uint16_t, std::vector<std::uint8_t>>& entries) {
  const std::uint32_t crc = Get32(section + 56);
  const std::uint16_t count = Get16(section + 60);
  if ((crc != 0 || count != 0) && crc != Crc32::GetCrc(section + 60, kSection - 60)) return false;
  std::size_t at = 62;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (at + 4 > kSection) return false;
    const std::uint16_t id = Get16(section + at);
    const std::size_t length = Get16(section + at + 2);
    if (at + 4 + length > kSection) return false;
    entries.emplace(id, std::vector<std::uint8_t>(section + at + 4, section + at + 4 + length));
    at += 4 + length;
  }
  return true;
}

void ReadList(const AttributeBytesIndexedList& list, int depth) {
  for (auto it = list.GetIterator(); list.IsValid(it);) {
    const AttributeBytes& attribute = list.GetNextAttributeBytes(it);
    const AttributeBytesFeatureId feature = attribute.GetFeatureId();
    AttributeBytesValueEnum option = 0;
    std::int32_t integer = 0;
    bool boolean = false;
    CXString text;
    Dimension width, length;
    AttributeBytesIndexedList nested;
    list.GetOptionValue(feature, option);
    list.GetIntegerValue(feature, integer);
    list.GetBooleanValue(feature, boolean);
    list.GetStringValue(feature, text);
    list.GetNewValueId(feature, text);
    list.GetPaperSizeValues(feature, width, length);
    if (list.GetCollection(feature, nested)) {
      Check(depth < kAttributeBytesMaxDepth);
      ReadList(nested, depth + 1);
    }
    std::size_t count = 0;
    if (list.GetListCount(feature, count)) {
      for (std::size_t i = 0; i < count; ++i) {
        list.GetOptionValueByIndex(feature, i, option);
        list.GetNewValueIdByIndex(feature, i, text);
        if (list.GetCollectionByIndex(feature, i, nested)) ReadList(nested, depth + 1);
      }
    }
  }
}

// Every entry and the document settings, through the reader's own calls and
// the settings escapes an application can send.
void ReadEverything(XDevmode& reader, const std::map<std::uint16_t, std::vector<std::uint8_t>>& expected) {
  for (const auto& [id, bytes] : expected) {
    ByteBuffer got;
    Check(reader.GetEntry(id, got));
    Check(got.size() == bytes.size() &&
          (bytes.empty() || std::memcmp(got.getLpbyte(), bytes.data(), bytes.size()) == 0));
    CXString text;
    Check(reader.GetEntryString(id, text));
  }
  AttributeBytesIndexedList& settings = reader.GetDocumentAttributeBytesList();
  ReadList(settings, 0);
  for (auto it = settings.GetIterator(); settings.IsValid(it);) {
    const AttributeBytesFeatureId feature = settings.GetNextAttributeBytes(it).GetFeatureId();
    std::uint8_t in[4];
    Put32(in, feature);
    for (ULONG escape = 0xF4357568; escape <= 0xF435756D; ++escape) {
      // An output buffer of exactly four bytes, so an overrun is caught.
      std::vector<std::uint8_t> out(4);
      reader.HandleEscape(escape, sizeof in, in, static_cast<ULONG>(out.size()), out.data());
    }
  }
}

void FuzzSection(std::uint8_t mode, const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> section(kSection, 0);
  std::memcpy(section.data(), data, size < kSection ? size : kSection);
  if (mode & 2) MakeHead(section.data());
  if (mode & 4) MakeCrc(section.data());

  std::map<std::uint16_t, std::vector<std::uint8_t>> expected;
  const bool readable = ExpectedEntries(section.data(), expected);
  XDevmode reader;
  Check(reader.Parse(section.data()) == readable);
  if (!readable) return;
  ReadEverything(reader, expected);

  // What was read fits again, and reads back the same.
  Check(reader.Save());
  XDevmode again;
  Check(again.Parse(section.data()));
  std::map<std::uint16_t, std::vector<std::uint8_t>> saved;
  Check(ExpectedEntries(section.data(), saved));
  Check(saved == expected);

  // One more entry either fits and reads back, or is refused with the
  // section left as it was.
  if ((mode & 8) && size >= kSection + 2) {
    const std::uint16_t id = Get16(data + kSection);
    const std::vector<std::uint8_t> value(data + kSection + 2, data + size);
    const std::vector<std::uint8_t> before = section;
    try {
      Check(reader.SetEntry(id, ByteBuffer(value.data(), value.size())));
      expected[id] = value;
    } catch (const ExceptionCapacityExceeded&) {
      Check(section == before);
    }
    std::map<std::uint16_t, std::vector<std::uint8_t>> now;
    Check(ExpectedEntries(section.data(), now) && now == expected);
    ReadEverything(reader, expected);
  }

  // An application's section converted into a fresh one is always readable.
  std::vector<std::uint8_t> converted(kSection);
  XDevmode::ClearOemDevmode(converted.data());
  XDevmode target;
  Check(target.Convert(section.data(), converted.data()));
  Check(Get32(converted.data()) == kSection && target.IsLoaded());
}

void FuzzDevmode(std::uint8_t mode, const std::uint8_t* data, std::size_t size) {
  if (size < 6) return;
  constexpr std::size_t kMinSize = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);
  std::uint16_t dmSize = Get16(data);
  if (dmSize < kMinSize) dmSize = kMinSize;
  const std::uint16_t extra = Get16(data + 2);
  const std::uint16_t plant = Get16(data + 4);
  data += 6;
  size -= 6;

  const std::size_t total = std::size_t{dmSize} + extra;
  std::vector<std::uint8_t> buffer(total, 0);
  std::memcpy(buffer.data(), data, size < total ? size : total);
  Put16(buffer.data() + offsetof(DEVMODEW, dmSize), dmSize);
  Put16(buffer.data() + offsetof(DEVMODEW, dmDriverExtra), extra);
  std::uint8_t* privatePart = buffer.data() + dmSize;
  if ((mode & 2) && plant != 0 && std::size_t{plant} + kSection <= extra) {
    MakeHead(privatePart + plant);
    MakeCrc(privatePart + plant);
    const std::size_t word = (mode & 4) ? 114 : 8;
    if (word + 2 <= extra) Put16(privatePart + word, plant);
  }
  const auto* devmode = reinterpret_cast<const DEVMODEW*>(buffer.data());
  const std::uint8_t* end = buffer.data() + total;

  const std::uint8_t* found = XDevmode::GetOemDevmodeFromDevmode(devmode);
  if (found != nullptr) Check(found > privatePart && found + 12 < end);

  XDevmode reader(devmode);
  if (!reader.IsLoaded()) return;
  Check(found != nullptr && found + kSection <= end);
  std::map<std::uint16_t, std::vector<std::uint8_t>> expected;
  Check(ExpectedEntries(found, expected));
  ReadEverything(reader, expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  // No exception is expected either: a section that was read must save again.
  if (mode & 1)
    FuzzDevmode(mode, data + 1, size - 1);
  else
    FuzzSection(mode, data + 1, size - 1);
  return 0;
}
