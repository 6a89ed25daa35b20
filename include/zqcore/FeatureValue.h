// FeatureValue: one value of a data-model feature, of one kind.
//
// The kinds are those of the settings lists (AttributeBytes.h) plus the
// model's own Dimension and Resolution. A list holds the items of a
// list-valued feature (option values, new-value ids or collections) as the
// settings lists do. Values compare equal when kind and content are equal.
#pragma once

#include <cstdint>
#include <variant>

#include "zqcore/Resolution.h"
#include "zqutil/AttributeBytes.h"
#include "zqutil/CXString.h"
#include "zqutil/Dimension.h"

enum class FeatureKind : std::uint8_t {
  None,
  Option,
  Boolean,
  Integer,
  String,
  Dimension,
  Resolution,
  PaperSize,
  Collection,
  List,
};

const char* FeatureKindName(FeatureKind kind);

struct PaperSizeValue {
  std::int32_t widthTenthsMm = 0;
  std::int32_t lengthTenthsMm = 0;
  friend bool operator==(const PaperSizeValue&, const PaperSizeValue&) = default;
};

class FeatureValue {
 public:
  FeatureValue() = default;  // kind None

  static FeatureValue MakeOption(std::uint32_t value) { return FeatureValue(Payload(std::in_place_index<1>, value)); }
  static FeatureValue MakeBoolean(bool value) { return FeatureValue(Payload(std::in_place_index<2>, value)); }
  static FeatureValue MakeInteger(std::int32_t value) { return FeatureValue(Payload(std::in_place_index<3>, value)); }
  static FeatureValue MakeString(const CXString& value) { return FeatureValue(Payload(std::in_place_index<4>, value)); }
  static FeatureValue MakeDimension(const Dimension& value) {
    return FeatureValue(Payload(std::in_place_index<5>, value));
  }
  static FeatureValue MakeResolution(const Resolution& value) {
    return FeatureValue(Payload(std::in_place_index<6>, value));
  }
  static FeatureValue MakePaperSize(std::int32_t widthTenthsMm, std::int32_t lengthTenthsMm) {
    return FeatureValue(Payload(std::in_place_index<7>, PaperSizeValue{widthTenthsMm, lengthTenthsMm}));
  }
  static FeatureValue MakeCollection(const AttributeBytesList& value) {
    return FeatureValue(Payload(std::in_place_index<8>, AttributeBytesIndexedList(value)));
  }
  static FeatureValue MakeList(const AttributeBytesListValue& value) {
    return FeatureValue(Payload(std::in_place_index<9>, value));
  }
  // A list of option values.
  static FeatureValue MakeOptionList(const std::vector<std::uint32_t>& values);

  FeatureKind GetKind() const { return static_cast<FeatureKind>(payload_.index()); }
  bool IsNone() const { return payload_.index() == 0; }

  // Each reads its own kind only; a value of another kind gives the neutral
  // result (4001, false, 0, empty).
  std::uint32_t GetOption() const;
  bool GetBoolean() const;
  std::int32_t GetInteger() const;
  CXString GetString() const;
  Dimension GetDimension() const;
  Resolution GetResolution() const;
  PaperSizeValue GetPaperSize() const;
  AttributeBytesIndexedList GetCollection() const;
  const AttributeBytesListValue* GetList() const { return std::get_if<9>(&payload_); }

  friend bool operator==(const FeatureValue& a, const FeatureValue& b);

 private:
  using Payload = std::variant<std::monostate, std::uint32_t, bool, std::int32_t, CXString, Dimension, Resolution,
                               PaperSizeValue, AttributeBytesIndexedList, AttributeBytesListValue>;
  explicit FeatureValue(Payload payload) : payload_(std::move(payload)) {}

  Payload payload_;
};
