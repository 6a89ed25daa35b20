#include "zqutil/AttributeBytesFormat.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "zqutil/TamorException.h"

namespace attribute_bytes_format {

namespace {

constexpr const char* kSource = "zqutil/attributebytesformat";
constexpr std::size_t kMaxU16 = std::numeric_limits<std::uint16_t>::max();
// The least bytes one attribute (head, 16-bit id, length) or one item (kind, length) takes:
// a count that promises more than the bytes could hold is refused before any allocation.
constexpr std::size_t kMinAttributeSize = 5;
constexpr std::size_t kMinItemSize = 3;

[[noreturn]] void ThrowCapacity(const char16_t* what) {
  TamorThrow<ExceptionCapacityExceeded>(kSource, __LINE__, "attribute_bytes_format::AppendListBody", what);
}

void AppendU16(ByteBuffer& out, std::uint16_t value) {
  out.appendByte(static_cast<std::uint8_t>(value & 0xFF));
  out.appendByte(static_cast<std::uint8_t>(value >> 8));
}

void AppendU32(ByteBuffer& out, std::uint32_t value) {
  out.appendDword(value);
}

void AppendUnits(ByteBuffer& out, const CXString& text) {
  for (char16_t unit : text.str()) AppendU16(out, static_cast<std::uint16_t>(unit));
}

std::uint16_t CheckedU16(std::size_t value, const char16_t* what) {
  if (value > kMaxU16) ThrowCapacity(what);
  return static_cast<std::uint16_t>(value);
}

void AppendValueBody(ByteBuffer& out, const AttributeBytesValue& value, int depth);

// Appends u16 length + body, measuring the body after it is written.
void AppendValue(ByteBuffer& out, const AttributeBytesValue* value, int depth) {
  const std::size_t lengthAt = out.size();
  AppendU16(out, 0);
  if (value != nullptr) AppendValueBody(out, *value, depth);
  const std::uint16_t length = CheckedU16(out.size() - lengthAt - 2, u"value longer than 65535 bytes");
  out.getLpbyte()[lengthAt] = static_cast<std::uint8_t>(length & 0xFF);
  out.getLpbyte()[lengthAt + 1] = static_cast<std::uint8_t>(length >> 8);
}

void AppendValueBody(ByteBuffer& out, const AttributeBytesValue& value, int depth) {
  switch (value.GetKind()) {
    case AttributeBytesKind::None:
      return;
    case AttributeBytesKind::OptionValue: {
      const std::uint32_t option = static_cast<const AttributeBytesOptionValue&>(value).GetValue();
      if (option <= kMaxU16) {
        AppendU16(out, static_cast<std::uint16_t>(option));
      } else {
        AppendU32(out, option);
      }
      return;
    }
    case AttributeBytesKind::NewValueId: {
      const auto& named = static_cast<const AttributeBytesNewValueId&>(value);
      AppendU32(out, named.GetValue());
      AppendUnits(out, named.GetNewValueId());
      return;
    }
    case AttributeBytesKind::Integer:
      AppendU32(out, static_cast<std::uint32_t>(static_cast<const AttributeBytesIntegerValue&>(value).GetValue()));
      return;
    case AttributeBytesKind::Boolean:
      out.appendByte(static_cast<const AttributeBytesBooleanValue&>(value).GetValue() ? 1 : 0);
      return;
    case AttributeBytesKind::String:
      AppendUnits(out, static_cast<const AttributeBytesStringValue&>(value).GetValue());
      return;
    case AttributeBytesKind::PaperSize: {
      const auto& paper = static_cast<const AttributeBytesPaperSizeValue&>(value);
      AppendU32(out, static_cast<std::uint32_t>(paper.GetWidth()));
      AppendU32(out, static_cast<std::uint32_t>(paper.GetLength()));
      return;
    }
    case AttributeBytesKind::Collection:
      AppendListBody(out, static_cast<const AttributeBytesCollectionValue&>(value).GetCollection(), depth + 1);
      return;
    case AttributeBytesKind::List: {
      if (depth + 1 > kAttributeBytesMaxDepth) ThrowCapacity(u"settings nested too deep");
      const auto& list = static_cast<const AttributeBytesListValue&>(value);
      AppendU16(out, CheckedU16(list.GetCount(), u"more than 65535 list items"));
      for (std::size_t i = 0; i < list.GetCount(); ++i) {
        const AttributeBytesValue* item = list.GetItem(i);
        out.appendByte(static_cast<std::uint8_t>(item->GetKind()));
        AppendValue(out, item, depth + 1);
      }
      return;
    }
    case AttributeBytesKind::Dimension: {
      const Dimension& length = static_cast<const AttributeBytesDimensionValue&>(value).GetValue();
      const double number = length.GetValue(length.GetUnit());
      std::uint64_t bits = 0;
      std::memcpy(&bits, &number, sizeof bits);
      out.appendByte(static_cast<std::uint8_t>(length.GetUnit()));
      AppendU32(out, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
      AppendU32(out, static_cast<std::uint32_t>(bits >> 32));
      return;
    }
  }
}

// The length L a value of `kind` may have (the structured kinds are checked by consuming them).
bool LengthFitsKind(AttributeBytesKind kind, std::size_t length) {
  switch (kind) {
    case AttributeBytesKind::None:
      return length == 0;
    case AttributeBytesKind::OptionValue:
      return length == 2 || length == 4;
    case AttributeBytesKind::NewValueId:
      return length >= 4 && length % 2 == 0;
    case AttributeBytesKind::Integer:
      return length == 4;
    case AttributeBytesKind::Boolean:
      return length == 1;
    case AttributeBytesKind::String:
      return length % 2 == 0;
    case AttributeBytesKind::PaperSize:
      return length == 8;
    case AttributeBytesKind::Dimension:
      return length == 9;
    case AttributeBytesKind::Collection:
    case AttributeBytesKind::List:
      return true;
  }
  return false;
}

bool IsKnownKind(std::uint8_t kind) {
  return kind <= static_cast<std::uint8_t>(AttributeBytesKind::Dimension);
}

bool ReadValue(Cursor& in, AttributeBytesKind kind, int depth, std::unique_ptr<AttributeBytesValue>& value);

bool ReadValueBody(Cursor& body, AttributeBytesKind kind, int depth, std::unique_ptr<AttributeBytesValue>& value) {
  switch (kind) {
    case AttributeBytesKind::None:
      value.reset();
      return true;
    case AttributeBytesKind::OptionValue: {
      std::uint32_t option = 0;
      if (body.Remaining() == 2) {
        std::uint16_t narrow = 0;
        if (!body.ReadU16(narrow)) return false;
        option = narrow;
      } else if (!body.ReadU32(option)) {
        return false;
      }
      value = std::make_unique<AttributeBytesOptionValue>(option);
      return true;
    }
    case AttributeBytesKind::NewValueId: {
      std::uint32_t option = 0;
      CXString id;
      if (!body.ReadU32(option) || !body.ReadUnits(body.Remaining() / 2, id)) return false;
      value = std::make_unique<AttributeBytesNewValueId>(std::move(id), option);
      return true;
    }
    case AttributeBytesKind::Integer: {
      std::uint32_t raw = 0;
      if (!body.ReadU32(raw)) return false;
      value = std::make_unique<AttributeBytesIntegerValue>(static_cast<std::int32_t>(raw));
      return true;
    }
    case AttributeBytesKind::Boolean: {
      std::uint8_t raw = 0;
      if (!body.ReadU8(raw) || raw > 1) return false;
      value = std::make_unique<AttributeBytesBooleanValue>(raw == 1);
      return true;
    }
    case AttributeBytesKind::String: {
      CXString text;
      if (!body.ReadUnits(body.Remaining() / 2, text)) return false;
      value = std::make_unique<AttributeBytesStringValue>(std::move(text));
      return true;
    }
    case AttributeBytesKind::PaperSize: {
      std::uint32_t width = 0;
      std::uint32_t length = 0;
      if (!body.ReadU32(width) || !body.ReadU32(length)) return false;
      value = std::make_unique<AttributeBytesPaperSizeValue>(static_cast<std::int32_t>(width),
                                                             static_cast<std::int32_t>(length));
      return true;
    }
    case AttributeBytesKind::Dimension: {
      std::uint8_t unit = 0;
      std::uint32_t low = 0;
      std::uint32_t high = 0;
      if (!body.ReadU8(unit) || !body.ReadU32(low) || !body.ReadU32(high) || !Dimension::IsValidUnit(unit))
        return false;
      const std::uint64_t bits = static_cast<std::uint64_t>(high) << 32 | low;
      double number = 0;
      std::memcpy(&number, &bits, sizeof number);
      if (!std::isfinite(number)) return false;
      value = std::make_unique<AttributeBytesDimensionValue>(Dimension(number, unit));
      return true;
    }
    case AttributeBytesKind::Collection: {
      AttributeBytesList collection;
      if (!ReadListBody(body, depth + 1, collection)) return false;
      value = std::make_unique<AttributeBytesCollectionValue>(collection);
      return true;
    }
    case AttributeBytesKind::List: {
      if (depth + 1 > kAttributeBytesMaxDepth) return false;
      std::uint16_t count = 0;
      if (!body.ReadU16(count) || count > body.Remaining() / kMinItemSize) return false;
      auto list = std::make_unique<AttributeBytesListValue>();
      for (std::uint16_t i = 0; i < count; ++i) {
        std::uint8_t itemKind = 0;
        if (!body.ReadU8(itemKind) || itemKind == 0 || !IsKnownKind(itemKind)) return false;
        std::unique_ptr<AttributeBytesValue> item;
        if (!ReadValue(body, static_cast<AttributeBytesKind>(itemKind), depth + 1, item)) return false;
        list->Append(*item);
      }
      value = std::move(list);
      return true;
    }
  }
  return false;
}

// Reads u16 length + body; the body must be consumed exactly.
bool ReadValue(Cursor& in, AttributeBytesKind kind, int depth, std::unique_ptr<AttributeBytesValue>& value) {
  std::uint16_t length = 0;
  Cursor body(nullptr, 0);
  if (!in.ReadU16(length) || !LengthFitsKind(kind, length) || !in.Split(length, body)) return false;
  return ReadValueBody(body, kind, depth, value) && body.AtEnd();
}

}  // namespace

bool Cursor::ReadU8(std::uint8_t& value) {
  if (Remaining() < 1) return false;
  value = data_[position_++];
  return true;
}

bool Cursor::ReadU16(std::uint16_t& value) {
  if (Remaining() < 2) return false;
  value = static_cast<std::uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
  position_ += 2;
  return true;
}

bool Cursor::ReadU32(std::uint32_t& value) {
  if (Remaining() < 4) return false;
  value = static_cast<std::uint32_t>(data_[position_]) | (static_cast<std::uint32_t>(data_[position_ + 1]) << 8) |
          (static_cast<std::uint32_t>(data_[position_ + 2]) << 16) |
          (static_cast<std::uint32_t>(data_[position_ + 3]) << 24);
  position_ += 4;
  return true;
}

bool Cursor::ReadUnits(std::size_t count, CXString& text) {
  if (count > Remaining() / 2) return false;
  std::u16string units(count, u'\0');
  for (std::size_t i = 0; i < count; ++i) {
    units[i] = static_cast<char16_t>(data_[position_ + 2 * i] | (data_[position_ + 2 * i + 1] << 8));
  }
  position_ += 2 * count;
  text = CXString(std::move(units));
  return true;
}

bool Cursor::ReadBytes(std::size_t count, ByteBuffer& bytes) {
  if (count > Remaining()) return false;
  if (count == 0) {
    bytes.clear();
    return true;
  }
  bytes.setWithLpbyte(data_ + position_, count);
  position_ += count;
  return true;
}

bool Cursor::Split(std::size_t count, Cursor& part) {
  if (count > Remaining()) return false;
  part = Cursor(data_ + position_, count);
  position_ += count;
  return true;
}

void AppendListBody(ByteBuffer& out, const AttributeBytesList& list, int depth) {
  if (depth > kAttributeBytesMaxDepth) ThrowCapacity(u"settings nested too deep");
  AppendU16(out, CheckedU16(list.GetCount(), u"more than 65535 attributes"));
  for (auto it = list.GetIterator(); list.IsValid(it);) {
    const AttributeBytes& attribute = list.GetNextAttributeBytes(it);
    const bool wide = attribute.GetFeatureId() > kMaxU16;
    std::uint8_t head = static_cast<std::uint8_t>(attribute.GetKind());
    if (!attribute.IsSpecified()) head |= kHeadNotSpecified;
    if (wide) head |= kHeadWideFeatureId;
    out.appendByte(head);
    if (wide) {
      AppendU32(out, attribute.GetFeatureId());
    } else {
      AppendU16(out, static_cast<std::uint16_t>(attribute.GetFeatureId()));
    }
    AppendValue(out, attribute.GetAttributeBytesValue(), depth);
  }
}

bool ReadListBody(Cursor& in, int depth, AttributeBytesList& list) {
  list.Clear();
  if (depth > kAttributeBytesMaxDepth) return false;
  std::uint16_t count = 0;
  if (!in.ReadU16(count) || count > in.Remaining() / kMinAttributeSize) return false;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t head = 0;
    if (!in.ReadU8(head)) return false;
    const std::uint8_t kind = head & kHeadKindMask;
    if ((head & ~(kHeadKindMask | kHeadNotSpecified | kHeadWideFeatureId)) != 0 || !IsKnownKind(kind)) return false;
    std::uint32_t feature = 0;
    if ((head & kHeadWideFeatureId) != 0) {
      if (!in.ReadU32(feature)) return false;
    } else {
      std::uint16_t narrow = 0;
      if (!in.ReadU16(narrow)) return false;
      feature = narrow;
    }
    std::unique_ptr<AttributeBytesValue> value;
    if (list.IsPresent(feature) || !ReadValue(in, static_cast<AttributeBytesKind>(kind), depth, value)) return false;
    list.Set(AttributeBytes(feature, std::move(value), (head & kHeadNotSpecified) == 0));
  }
  return true;
}

bool ParseListState(const std::uint8_t* data, std::size_t size, AttributeBytesIndexedList& list) {
  Cursor in(data, data == nullptr ? 0 : size);
  std::uint8_t tag = 0;
  std::uint8_t version = 0;
  AttributeBytesIndexedList parsed;
  if (!in.ReadU8(tag) || tag != kListStateTag || !in.ReadU8(version) || version != kVersion ||
      !ReadListBody(in, 0, parsed) || !in.AtEnd()) {
    return false;
  }
  list = std::move(parsed);
  return true;
}

}  // namespace attribute_bytes_format
