#include "zqcore/FeatureValue.h"

namespace {

// Items of lists compare as the values of one-attribute lists do.
bool SameItem(const AttributeBytesValue* a, const AttributeBytesValue* b) {
  if (a == nullptr || b == nullptr) return a == b;
  AttributeBytesList left;
  AttributeBytesList right;
  left.Set(AttributeBytes(0, a->Clone()));
  right.Set(AttributeBytes(0, b->Clone()));
  return left == right;
}

bool SameList(const AttributeBytesListValue& a, const AttributeBytesListValue& b) {
  if (a.GetCount() != b.GetCount()) return false;
  for (std::size_t i = 0; i < a.GetCount(); ++i)
    if (!SameItem(a.GetItem(i), b.GetItem(i))) return false;
  return true;
}

}  // namespace

const char* FeatureKindName(FeatureKind kind) {
  switch (kind) {
    case FeatureKind::None:
      return "none";
    case FeatureKind::Option:
      return "option";
    case FeatureKind::Boolean:
      return "boolean";
    case FeatureKind::Integer:
      return "integer";
    case FeatureKind::String:
      return "string";
    case FeatureKind::Dimension:
      return "dimension";
    case FeatureKind::Resolution:
      return "resolution";
    case FeatureKind::PaperSize:
      return "paperSize";
    case FeatureKind::Collection:
      return "collection";
    case FeatureKind::List:
      return "list";
  }
  return "unknown";
}

FeatureValue FeatureValue::MakeOptionList(const std::vector<std::uint32_t>& values) {
  AttributeBytesListValue list;
  for (std::uint32_t value : values) list.AppendOptionValue(value);
  return MakeList(list);
}

std::uint32_t FeatureValue::GetOption() const {
  const auto* value = std::get_if<1>(&payload_);
  return value != nullptr ? *value : kAttributeBytesNoValue;
}

bool FeatureValue::GetBoolean() const {
  const auto* value = std::get_if<2>(&payload_);
  return value != nullptr && *value;
}

std::int32_t FeatureValue::GetInteger() const {
  const auto* value = std::get_if<3>(&payload_);
  return value != nullptr ? *value : 0;
}

CXString FeatureValue::GetString() const {
  const auto* value = std::get_if<4>(&payload_);
  return value != nullptr ? *value : CXString();
}

Dimension FeatureValue::GetDimension() const {
  const auto* value = std::get_if<5>(&payload_);
  return value != nullptr ? *value : Dimension();
}

Resolution FeatureValue::GetResolution() const {
  const auto* value = std::get_if<6>(&payload_);
  return value != nullptr ? *value : Resolution();
}

PaperSizeValue FeatureValue::GetPaperSize() const {
  const auto* value = std::get_if<7>(&payload_);
  return value != nullptr ? *value : PaperSizeValue();
}

AttributeBytesIndexedList FeatureValue::GetCollection() const {
  const auto* value = std::get_if<8>(&payload_);
  return value != nullptr ? *value : AttributeBytesIndexedList();
}

bool operator==(const FeatureValue& a, const FeatureValue& b) {
  if (a.payload_.index() != b.payload_.index()) return false;
  switch (a.payload_.index()) {
    case 1:
      return std::get<1>(a.payload_) == std::get<1>(b.payload_);
    case 2:
      return std::get<2>(a.payload_) == std::get<2>(b.payload_);
    case 3:
      return std::get<3>(a.payload_) == std::get<3>(b.payload_);
    case 4:
      return std::get<4>(a.payload_) == std::get<4>(b.payload_);
    case 5:
      return std::get<5>(a.payload_) == std::get<5>(b.payload_);
    case 6:
      return std::get<6>(a.payload_) == std::get<6>(b.payload_);
    case 7:
      return std::get<7>(a.payload_) == std::get<7>(b.payload_);
    case 8:
      return std::get<8>(a.payload_) == std::get<8>(b.payload_);
    case 9:
      return SameList(std::get<9>(a.payload_), std::get<9>(b.payload_));
    default:
      return true;
  }
}
