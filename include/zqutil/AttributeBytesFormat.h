// The two byte forms of the settings model, and their encoder and decoder.
//
// Both forms live in small places (the persisted image shares 2994 bytes of a
// devmode with other entries), so they are compact: 16-bit feature ids where
// they fit, a kind byte, a 16-bit length. A typical option setting takes 7 bytes.
//
// Conventions: every integer is little-endian; uN is unsigned N-bit, iN signed.
// Text is UTF-16LE code units without a terminator.
//
// List state (AttributeBytesIndexedList::GetAttributeBytesIndexedListState)
//   u8   0xA1                 tag
//   u8   1                    version
//   ListBody
//   nothing may follow
//
// Persisted image (PersistentAttributes::GetBytes); zero bytes is an empty image
//   u8   0xA7                 tag
//   u8   1                    version
//   u8   N                    namespace count
//   N x  u16  namespace id    strictly ascending
//        ListBody             the namespace's list (count 0 when it has none)
//        u8   B               blob count
//        B x  u8   n          name length in units
//             n x u16         name
//             u16  d          data length in bytes
//             d x u8          data
//                             names strictly ascending (by code unit)
//   nothing may follow
//
// ListBody
//   u16  C                    attribute count
//   C x  u8   head            bits 0-3: kind (AttributeBytesKind, 0..9)
//                             bit 4 (0x10): not specified
//                             bit 5 (0x20): 32-bit feature id follows
//                             bits 6-7: zero
//        u16 or u32           feature id (u32 only when it does not fit 16 bits);
//                             unique within the body
//        Value
//
// Value (of kind K)
//   u16  L                    length of what follows
//   L x u8, by kind:
//     0 None                  L = 0
//     1 OptionValue           L = 2: u16 value, or L = 4: u32 value (2 is written when the value fits)
//     2 NewValueId            L >= 4 and even: u32 option value, then (L - 4) / 2 units of id
//     3 Integer               L = 4: i32
//     4 Boolean               L = 1: 0 or 1
//     5 String                L even: L / 2 units
//     6 PaperSize             L = 8: i32 width, i32 length, tenths of a millimetre
//     7 Collection            a ListBody of exactly L bytes
//     8 List                  u16 I item count, then I x Item, exactly L bytes
//     9 Dimension             L = 9: u8 unit (a Dimension unit), then the length in
//                             that unit as an IEEE 754 binary64, little-endian
//                             (finite)
//   Item
//     u8   kind               1..9 (an item always has a value)
//     Value
//
// Nesting: a top-level ListBody is depth 0; each Collection or List value
// opens one level deeper. Depth above kAttributeBytesMaxDepth (8) is invalid.
//
// Readers reject, as a whole: a wrong tag or version, any length or count
// that overruns its enclosing bytes, a Value whose L does not fit its kind or
// is not consumed exactly, unknown kinds or head bits, repeated feature ids,
// namespaces or blob names, too deep nesting, and trailing bytes.
// Writers throw ExceptionCapacityExceeded for what cannot be encoded (more
// than 65535 attributes or items, a value longer than 65535 bytes, more than
// 255 namespaces or blobs, too deep nesting) and ExceptionInvalidArgument for
// a namespace outside 0..65535, a blob name over 255 units or data over 65535 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zqutil/AttributeBytes.h"
#include "zqutil/ByteBuffer.h"

namespace attribute_bytes_format {

inline constexpr std::uint8_t kListStateTag = 0xA1;
inline constexpr std::uint8_t kImageTag = 0xA7;
inline constexpr std::uint8_t kVersion = 1;

inline constexpr std::uint8_t kHeadKindMask = 0x0F;
inline constexpr std::uint8_t kHeadNotSpecified = 0x10;
inline constexpr std::uint8_t kHeadWideFeatureId = 0x20;

// Appends a ListBody for `list` at nesting `depth`.
void AppendListBody(ByteBuffer& out, const AttributeBytesList& list, int depth);

// A bounds-checked reader over untrusted bytes. Every read fails (returns
// false) rather than run past the end.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Remaining() const { return size_ - position_; }
  bool AtEnd() const { return position_ == size_; }
  bool ReadU8(std::uint8_t& value);
  bool ReadU16(std::uint16_t& value);
  bool ReadU32(std::uint32_t& value);
  bool ReadUnits(std::size_t count, CXString& text);
  bool ReadBytes(std::size_t count, ByteBuffer& bytes);
  // A cursor over the next `count` bytes, which this cursor then skips.
  bool Split(std::size_t count, Cursor& part);

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// Reads one ListBody at `depth` into `list` (which is cleared first).
bool ReadListBody(Cursor& in, int depth, AttributeBytesList& list);

// Parsers of the two forms over raw bytes (the fuzz targets call these).
bool ParseListState(const std::uint8_t* data, std::size_t size, AttributeBytesIndexedList& list);

}  // namespace attribute_bytes_format
