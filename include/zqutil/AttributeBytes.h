// The settings model: attribute lists keyed by feature number.
//
// An attribute is one setting: a feature number, the kind of its value, the
// value itself and a "specified" mark. A list keeps attributes in the order
// they were first set and finds them by feature number; setting a feature that
// is already present replaces its value in place. Collections (a nested list)
// and lists (an ordered run of values) make the model recursive; the byte
// forms of a list and of the persisted image are in AttributeBytesFormat.h.
//
// Typed reads return true and fill their out parameter only when the feature
// is present, marked specified and holds a value of the kind asked for; they
// never convert between kinds. Option values are numbers of the data model's
// value enumeration; 4001 means "no value".
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"
#include "zqutil/Dimension.h"

class AttributeBytesIndexedList;

// A feature number of the data model (DataModelIds::FeatureEnum).
using AttributeBytesFeatureId = std::uint32_t;
// An option value of the data model (DataModelIds::ValueEnum).
using AttributeBytesValueEnum = std::uint32_t;

inline constexpr AttributeBytesValueEnum kAttributeBytesNoValue = 4001;
// Collections and lists may nest at most this deep (a top-level list is depth 0).
inline constexpr int kAttributeBytesMaxDepth = 8;

// Stored in the byte forms: never renumber.
enum class AttributeBytesKind : std::uint8_t {
  None = 0,         // no value (a feature marked not specified without a value)
  OptionValue = 1,  // AttributeBytesOptionValue
  NewValueId = 2,   // AttributeBytesNewValueId: option value plus a name the data model did not know
  Integer = 3,      // AttributeBytesIntegerValue
  Boolean = 4,      // AttributeBytesBooleanValue
  String = 5,       // AttributeBytesStringValue
  PaperSize = 6,    // AttributeBytesPaperSizeValue
  Collection = 7,   // AttributeBytesCollectionValue
  List = 8,         // AttributeBytesListValue
  Dimension = 9,    // AttributeBytesDimensionValue: a length with its unit
};

// The value of an attribute or of a list item. Values are immutable once made.
class AttributeBytesValue {
 public:
  virtual ~AttributeBytesValue() = default;
  AttributeBytesKind GetKind() const { return kind_; }
  virtual std::unique_ptr<AttributeBytesValue> Clone() const = 0;

 protected:
  explicit AttributeBytesValue(AttributeBytesKind kind) : kind_(kind) {}
  AttributeBytesValue(const AttributeBytesValue&) = default;
  AttributeBytesValue& operator=(const AttributeBytesValue&) = default;

 private:
  AttributeBytesKind kind_;
};

// An option value. A new-value id is an option value too (it derives from this).
class AttributeBytesOptionValue : public AttributeBytesValue {
 public:
  explicit AttributeBytesOptionValue(AttributeBytesValueEnum value)
      : AttributeBytesValue(AttributeBytesKind::OptionValue), value_(value) {}
  AttributeBytesValueEnum GetValue() const { return value_; }
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 protected:
  AttributeBytesOptionValue(AttributeBytesKind kind, AttributeBytesValueEnum value)
      : AttributeBytesValue(kind), value_(value) {}

 private:
  AttributeBytesValueEnum value_;
};

// An option value that carries a string id for a value the data model did not
// know ("Heavy Gloss"), or a number as text. The option value may be 4001.
class AttributeBytesNewValueId : public AttributeBytesOptionValue {
 public:
  explicit AttributeBytesNewValueId(CXString newValueId, AttributeBytesValueEnum value = kAttributeBytesNoValue)
      : AttributeBytesOptionValue(AttributeBytesKind::NewValueId, value), newValueId_(std::move(newValueId)) {}
  const CXString& GetNewValueId() const { return newValueId_; }
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 private:
  CXString newValueId_;
};

class AttributeBytesIntegerValue : public AttributeBytesValue {
 public:
  explicit AttributeBytesIntegerValue(std::int32_t value)
      : AttributeBytesValue(AttributeBytesKind::Integer), value_(value) {}
  std::int32_t GetValue() const { return value_; }
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 private:
  std::int32_t value_;
};

class AttributeBytesBooleanValue : public AttributeBytesValue {
 public:
  explicit AttributeBytesBooleanValue(bool value) : AttributeBytesValue(AttributeBytesKind::Boolean), value_(value) {}
  bool GetValue() const { return value_; }
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 private:
  bool value_;
};

class AttributeBytesStringValue : public AttributeBytesValue {
 public:
  explicit AttributeBytesStringValue(CXString value)
      : AttributeBytesValue(AttributeBytesKind::String), value_(std::move(value)) {}
  const CXString& GetValue() const { return value_; }
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 private:
  CXString value_;
};

// Width and length in tenths of a millimetre (Dimension unit 5).
class AttributeBytesPaperSizeValue : public AttributeBytesValue {
 public:
  AttributeBytesPaperSizeValue(std::int32_t widthTenthsMm, std::int32_t lengthTenthsMm)
      : AttributeBytesValue(AttributeBytesKind::PaperSize), width_(widthTenthsMm), length_(lengthTenthsMm) {}
  std::int32_t GetWidth() const { return width_; }
  std::int32_t GetLength() const { return length_; }
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 private:
  std::int32_t width_;
  std::int32_t length_;
};

// A length in the unit it was given in (Dimension units), kept as given.
class AttributeBytesDimensionValue : public AttributeBytesValue {
 public:
  explicit AttributeBytesDimensionValue(const Dimension& value)
      : AttributeBytesValue(AttributeBytesKind::Dimension), value_(value) {}
  const Dimension& GetValue() const { return value_; }
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 private:
  Dimension value_;
};

// An ordered run of values: option values, new-value ids or collections (any
// kind but None is accepted). Items carry no feature number.
class AttributeBytesListValue : public AttributeBytesValue {
 public:
  AttributeBytesListValue() : AttributeBytesValue(AttributeBytesKind::List) {}
  AttributeBytesListValue(const AttributeBytesListValue& other);
  AttributeBytesListValue& operator=(const AttributeBytesListValue& other);
  AttributeBytesListValue(AttributeBytesListValue&&) = default;
  AttributeBytesListValue& operator=(AttributeBytesListValue&&) = default;
  ~AttributeBytesListValue() override = default;

  // Throws ExceptionInvalidArgument for a value of kind None.
  void Append(const AttributeBytesValue& item);
  void AppendOptionValue(AttributeBytesValueEnum value);
  void AppendNewValueId(const CXString& newValueId, AttributeBytesValueEnum value = kAttributeBytesNoValue);
  void AppendCollection(const AttributeBytesIndexedList& collection);

  std::size_t GetCount() const { return items_.size(); }
  // Null when the index is out of range.
  const AttributeBytesValue* GetItem(std::size_t index) const;
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 private:
  std::vector<std::unique_ptr<AttributeBytesValue>> items_;
};

// One attribute: feature number, value (null for kind None) and the specified mark.
class AttributeBytes {
 public:
  AttributeBytes(AttributeBytesFeatureId feature, std::unique_ptr<AttributeBytesValue> value, bool isSpecified = true);
  AttributeBytes(const AttributeBytes& other);
  AttributeBytes& operator=(const AttributeBytes& other);
  AttributeBytes(AttributeBytes&&) = default;
  AttributeBytes& operator=(AttributeBytes&&) = default;
  ~AttributeBytes() = default;

  AttributeBytesFeatureId GetFeatureId() const { return feature_; }
  AttributeBytesKind GetKind() const { return value_ ? value_->GetKind() : AttributeBytesKind::None; }
  // Null for an attribute without a value.
  const AttributeBytesValue* GetAttributeBytesValue() const { return value_.get(); }
  bool IsSpecified() const { return isSpecified_; }
  void SetIsSpecified(bool isSpecified) { isSpecified_ = isSpecified; }

 private:
  AttributeBytesFeatureId feature_;
  std::unique_ptr<AttributeBytesValue> value_;
  bool isSpecified_;
};

// Position of an iteration over a list (GetIterator / IsValid / GetNextAttributeBytes).
using AttributeBytesIterator = std::size_t;

// An ordered list of attributes with an index by feature number.
class AttributeBytesList {
 public:
  AttributeBytesList() = default;
  virtual ~AttributeBytesList() = default;
  AttributeBytesList(const AttributeBytesList&) = default;
  AttributeBytesList& operator=(const AttributeBytesList&) = default;
  AttributeBytesList(AttributeBytesList&&) = default;
  AttributeBytesList& operator=(AttributeBytesList&&) = default;

  // --- building (each Set replaces an existing feature in place, keeping its position,
  //     and marks it specified) ---
  void Set(const AttributeBytes& attribute);
  void Set(AttributeBytes&& attribute);
  void SetOptionValue(AttributeBytesFeatureId feature, AttributeBytesValueEnum value);
  void SetNewValueId(AttributeBytesFeatureId feature, const CXString& newValueId,
                     AttributeBytesValueEnum value = kAttributeBytesNoValue);
  void SetIntegerValue(AttributeBytesFeatureId feature, std::int32_t value);
  void SetBooleanValue(AttributeBytesFeatureId feature, bool value);
  void SetStringValue(AttributeBytesFeatureId feature, const CXString& value);
  void SetPaperSizeValues(AttributeBytesFeatureId feature, std::int32_t widthTenthsMm, std::int32_t lengthTenthsMm);
  // Converted to tenths of a millimetre and rounded; a size outside 32 bits throws ExceptionInvalidArgument.
  void SetPaperSizeValues(AttributeBytesFeatureId feature, const Dimension& width, const Dimension& length);
  // A value that is not finite throws ExceptionInvalidArgument.
  void SetDimensionValue(AttributeBytesFeatureId feature, const Dimension& value);
  void SetCollection(AttributeBytesFeatureId feature, const AttributeBytesList& collection);
  void SetList(AttributeBytesFeatureId feature, const AttributeBytesListValue& list);
  // Returns whether the feature was present.
  bool Remove(AttributeBytesFeatureId feature);
  // Marks a present feature; marking an absent feature not specified adds it
  // without a value. Returns false only for an absent feature marked specified.
  bool SetIsSpecified(AttributeBytesFeatureId feature, bool isSpecified);
  // Copies every attribute of `other`, replacing features present in both.
  void ImportFromOtherList(const AttributeBytesList& other);
  void Clear();

  // --- reading ---
  std::size_t GetCount() const { return attributes_.size(); }
  bool IsEmpty() const { return attributes_.empty(); }
  // Present, specified or not.
  bool IsPresent(AttributeBytesFeatureId feature) const;
  // Present and marked specified.
  bool IsSpecified(AttributeBytesFeatureId feature) const;
  // Null when absent.
  const AttributeBytes* Find(AttributeBytesFeatureId feature) const;

  // Option values and new-value ids both answer with their option value.
  bool GetOptionValue(AttributeBytesFeatureId feature, AttributeBytesValueEnum& value) const;
  // Found for an option value or a new-value id: `value` gets the option value,
  // `newValueId` the id (emptied for a plain option value) and `isNewValueId`
  // tells which kind it was. Out parameters are untouched when not found.
  bool GetOptionValueOrNewId(AttributeBytesFeatureId feature, AttributeBytesValueEnum& value, CXString& newValueId,
                             bool& isNewValueId) const;
  bool GetNewValueId(AttributeBytesFeatureId feature, CXString& newValueId) const;
  bool GetIntegerValue(AttributeBytesFeatureId feature, std::int32_t& value) const;
  bool GetBooleanValue(AttributeBytesFeatureId feature, bool& value) const;
  bool GetStringValue(AttributeBytesFeatureId feature, CXString& value) const;
  bool GetPaperSizeValues(AttributeBytesFeatureId feature, std::int32_t& widthTenthsMm,
                          std::int32_t& lengthTenthsMm) const;
  // Width and length as Dimensions in unit 5 (tenths of a millimetre).
  bool GetPaperSizeValues(AttributeBytesFeatureId feature, Dimension& width, Dimension& length) const;
  bool GetDimensionValue(AttributeBytesFeatureId feature, Dimension& value) const;
  bool GetCollection(AttributeBytesFeatureId feature, AttributeBytesIndexedList& collection) const;
  bool GetList(AttributeBytesFeatureId feature, AttributeBytesListValue& list) const;

  // Items of a list-valued feature. Each is false when the feature is not a
  // list, the index is out of range or the item is of another kind.
  bool GetListCount(AttributeBytesFeatureId feature, std::size_t& count) const;
  bool GetOptionValueByIndex(AttributeBytesFeatureId feature, std::size_t index, AttributeBytesValueEnum& value) const;
  bool GetNewValueIdByIndex(AttributeBytesFeatureId feature, std::size_t index, CXString& newValueId) const;
  bool GetCollectionByIndex(AttributeBytesFeatureId feature, std::size_t index,
                            AttributeBytesIndexedList& collection) const;

  // Iteration in list order:
  //   for (auto it = list.GetIterator(); list.IsValid(it);) { const AttributeBytes& a = list.GetNextAttributeBytes(it);
  //   }
  AttributeBytesIterator GetIterator() const { return 0; }
  bool IsValid(AttributeBytesIterator iterator) const { return iterator < attributes_.size(); }
  // Returns the attribute at the iterator and advances it; throws
  // ExceptionIndexOutOfRange past the end.
  const AttributeBytes& GetNextAttributeBytes(AttributeBytesIterator& iterator) const;

  // Same features, order, marks and values.
  friend bool operator==(const AttributeBytesList& a, const AttributeBytesList& b);

 private:
  const AttributeBytesValue* FindSpecifiedValue(AttributeBytesFeatureId feature, AttributeBytesKind kind) const;
  const AttributeBytesValue* FindListItem(AttributeBytesFeatureId feature, std::size_t index) const;
  void Put(AttributeBytesFeatureId feature, std::unique_ptr<AttributeBytesValue> value);
  void Reindex();

  std::vector<AttributeBytes> attributes_;
  std::map<AttributeBytesFeatureId, std::size_t> index_;
};

// The list type that readers hand out and that collections hold. It adds the
// state form: the bytes the plug-in caches a list in (see AttributeBytesFormat.h).
class AttributeBytesIndexedList : public AttributeBytesList {
 public:
  AttributeBytesIndexedList() = default;
  explicit AttributeBytesIndexedList(const AttributeBytesList& list) : AttributeBytesList(list) {}
  // Rebuilds a list from GetAttributeBytesIndexedListState bytes. Malformed
  // bytes give an empty list (the bytes may come from outside: the PDEV state
  // store can be written through an escape).
  explicit AttributeBytesIndexedList(const ByteBuffer& state);

  // Throws ExceptionCapacityExceeded when the list cannot be encoded.
  ByteBuffer GetAttributeBytesIndexedListState() const;
  // Replaces `list` and returns true when `state` is a well-formed list state;
  // leaves `list` untouched and returns false otherwise.
  static bool TryFromAttributeBytesIndexedListState(const ByteBuffer& state, AttributeBytesIndexedList& list);
};

// A collection value: a nested list of features.
class AttributeBytesCollectionValue : public AttributeBytesValue {
 public:
  explicit AttributeBytesCollectionValue(const AttributeBytesList& collection)
      : AttributeBytesValue(AttributeBytesKind::Collection), collection_(collection) {}
  const AttributeBytesIndexedList& GetCollection() const { return collection_; }
  std::unique_ptr<AttributeBytesValue> Clone() const override;

 private:
  AttributeBytesIndexedList collection_;
};
