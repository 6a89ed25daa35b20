#include "zqutil/AttributeBytes.h"

#include <cmath>
#include <limits>
#include <utility>

#include "zqutil/AttributeBytesFormat.h"
#include "zqutil/Dimension.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "zqutil/attributebytes";

bool ValuesEqual(const AttributeBytesValue* a, const AttributeBytesValue* b);

bool ListsEqual(const AttributeBytesListValue& a, const AttributeBytesListValue& b) {
  if (a.GetCount() != b.GetCount()) return false;
  for (std::size_t i = 0; i < a.GetCount(); ++i) {
    if (!ValuesEqual(a.GetItem(i), b.GetItem(i))) return false;
  }
  return true;
}

bool ValuesEqual(const AttributeBytesValue* a, const AttributeBytesValue* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->GetKind() != b->GetKind()) return false;
  switch (a->GetKind()) {
    case AttributeBytesKind::None:
      return true;
    case AttributeBytesKind::OptionValue:
      return static_cast<const AttributeBytesOptionValue*>(a)->GetValue() ==
             static_cast<const AttributeBytesOptionValue*>(b)->GetValue();
    case AttributeBytesKind::NewValueId: {
      auto* x = static_cast<const AttributeBytesNewValueId*>(a);
      auto* y = static_cast<const AttributeBytesNewValueId*>(b);
      return x->GetValue() == y->GetValue() && x->GetNewValueId() == y->GetNewValueId();
    }
    case AttributeBytesKind::Integer:
      return static_cast<const AttributeBytesIntegerValue*>(a)->GetValue() ==
             static_cast<const AttributeBytesIntegerValue*>(b)->GetValue();
    case AttributeBytesKind::Boolean:
      return static_cast<const AttributeBytesBooleanValue*>(a)->GetValue() ==
             static_cast<const AttributeBytesBooleanValue*>(b)->GetValue();
    case AttributeBytesKind::String:
      return static_cast<const AttributeBytesStringValue*>(a)->GetValue() ==
             static_cast<const AttributeBytesStringValue*>(b)->GetValue();
    case AttributeBytesKind::PaperSize: {
      auto* x = static_cast<const AttributeBytesPaperSizeValue*>(a);
      auto* y = static_cast<const AttributeBytesPaperSizeValue*>(b);
      return x->GetWidth() == y->GetWidth() && x->GetLength() == y->GetLength();
    }
    case AttributeBytesKind::Collection:
      return static_cast<const AttributeBytesCollectionValue*>(a)->GetCollection() ==
             static_cast<const AttributeBytesCollectionValue*>(b)->GetCollection();
    case AttributeBytesKind::List:
      return ListsEqual(*static_cast<const AttributeBytesListValue*>(a),
                        *static_cast<const AttributeBytesListValue*>(b));
    case AttributeBytesKind::Dimension: {
      // The same value in the same unit: lists compare as they are stored.
      const Dimension& x = static_cast<const AttributeBytesDimensionValue*>(a)->GetValue();
      const Dimension& y = static_cast<const AttributeBytesDimensionValue*>(b)->GetValue();
      return x.GetUnit() == y.GetUnit() && x.GetValue(x.GetUnit()) == y.GetValue(y.GetUnit());
    }
  }
  return false;
}

std::int32_t ToTenthsMm(const Dimension& length, const char* function) {
  const double value = std::round(length.GetValue(Dimension::kTenthMillimetre));
  if (!(value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max())) {
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, function, u"paper size out of range");
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

// --- values ---

std::unique_ptr<AttributeBytesValue> AttributeBytesOptionValue::Clone() const {
  return std::make_unique<AttributeBytesOptionValue>(*this);
}
std::unique_ptr<AttributeBytesValue> AttributeBytesNewValueId::Clone() const {
  return std::make_unique<AttributeBytesNewValueId>(*this);
}
std::unique_ptr<AttributeBytesValue> AttributeBytesIntegerValue::Clone() const {
  return std::make_unique<AttributeBytesIntegerValue>(*this);
}
std::unique_ptr<AttributeBytesValue> AttributeBytesBooleanValue::Clone() const {
  return std::make_unique<AttributeBytesBooleanValue>(*this);
}
std::unique_ptr<AttributeBytesValue> AttributeBytesStringValue::Clone() const {
  return std::make_unique<AttributeBytesStringValue>(*this);
}
std::unique_ptr<AttributeBytesValue> AttributeBytesPaperSizeValue::Clone() const {
  return std::make_unique<AttributeBytesPaperSizeValue>(*this);
}
std::unique_ptr<AttributeBytesValue> AttributeBytesDimensionValue::Clone() const {
  return std::make_unique<AttributeBytesDimensionValue>(*this);
}
std::unique_ptr<AttributeBytesValue> AttributeBytesCollectionValue::Clone() const {
  return std::make_unique<AttributeBytesCollectionValue>(*this);
}

AttributeBytesListValue::AttributeBytesListValue(const AttributeBytesListValue& other) : AttributeBytesValue(other) {
  items_.reserve(other.items_.size());
  for (const auto& item : other.items_) items_.push_back(item->Clone());
}

AttributeBytesListValue& AttributeBytesListValue::operator=(const AttributeBytesListValue& other) {
  if (this != &other) {
    AttributeBytesListValue copy(other);
    items_ = std::move(copy.items_);
  }
  return *this;
}

void AttributeBytesListValue::Append(const AttributeBytesValue& item) {
  if (item.GetKind() == AttributeBytesKind::None) {
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, "AttributeBytesListValue::Append", u"item without value");
  }
  items_.push_back(item.Clone());
}

void AttributeBytesListValue::AppendOptionValue(AttributeBytesValueEnum value) {
  items_.push_back(std::make_unique<AttributeBytesOptionValue>(value));
}

void AttributeBytesListValue::AppendNewValueId(const CXString& newValueId, AttributeBytesValueEnum value) {
  items_.push_back(std::make_unique<AttributeBytesNewValueId>(newValueId, value));
}

void AttributeBytesListValue::AppendCollection(const AttributeBytesIndexedList& collection) {
  items_.push_back(std::make_unique<AttributeBytesCollectionValue>(collection));
}

const AttributeBytesValue* AttributeBytesListValue::GetItem(std::size_t index) const {
  return index < items_.size() ? items_[index].get() : nullptr;
}

std::unique_ptr<AttributeBytesValue> AttributeBytesListValue::Clone() const {
  return std::make_unique<AttributeBytesListValue>(*this);
}

// --- one attribute ---

AttributeBytes::AttributeBytes(AttributeBytesFeatureId feature, std::unique_ptr<AttributeBytesValue> value,
                               bool isSpecified)
    : feature_(feature), value_(std::move(value)), isSpecified_(isSpecified) {}

AttributeBytes::AttributeBytes(const AttributeBytes& other)
    : feature_(other.feature_),
      value_(other.value_ ? other.value_->Clone() : nullptr),
      isSpecified_(other.isSpecified_) {}

AttributeBytes& AttributeBytes::operator=(const AttributeBytes& other) {
  if (this != &other) {
    value_ = other.value_ ? other.value_->Clone() : nullptr;
    feature_ = other.feature_;
    isSpecified_ = other.isSpecified_;
  }
  return *this;
}

// --- the list: building ---

void AttributeBytesList::Set(const AttributeBytes& attribute) {
  auto found = index_.find(attribute.GetFeatureId());
  if (found != index_.end()) {
    attributes_[found->second] = attribute;
    return;
  }
  index_.emplace(attribute.GetFeatureId(), attributes_.size());
  attributes_.push_back(attribute);
}

void AttributeBytesList::Set(AttributeBytes&& attribute) {
  const AttributeBytesFeatureId feature = attribute.GetFeatureId();
  auto found = index_.find(feature);
  if (found != index_.end()) {
    attributes_[found->second] = std::move(attribute);
    return;
  }
  index_.emplace(feature, attributes_.size());
  attributes_.push_back(std::move(attribute));
}

void AttributeBytesList::Put(AttributeBytesFeatureId feature, std::unique_ptr<AttributeBytesValue> value) {
  Set(AttributeBytes(feature, std::move(value)));
}

void AttributeBytesList::SetOptionValue(AttributeBytesFeatureId feature, AttributeBytesValueEnum value) {
  Put(feature, std::make_unique<AttributeBytesOptionValue>(value));
}

void AttributeBytesList::SetNewValueId(AttributeBytesFeatureId feature, const CXString& newValueId,
                                       AttributeBytesValueEnum value) {
  Put(feature, std::make_unique<AttributeBytesNewValueId>(newValueId, value));
}

void AttributeBytesList::SetIntegerValue(AttributeBytesFeatureId feature, std::int32_t value) {
  Put(feature, std::make_unique<AttributeBytesIntegerValue>(value));
}

void AttributeBytesList::SetBooleanValue(AttributeBytesFeatureId feature, bool value) {
  Put(feature, std::make_unique<AttributeBytesBooleanValue>(value));
}

void AttributeBytesList::SetStringValue(AttributeBytesFeatureId feature, const CXString& value) {
  Put(feature, std::make_unique<AttributeBytesStringValue>(value));
}

void AttributeBytesList::SetPaperSizeValues(AttributeBytesFeatureId feature, std::int32_t widthTenthsMm,
                                            std::int32_t lengthTenthsMm) {
  Put(feature, std::make_unique<AttributeBytesPaperSizeValue>(widthTenthsMm, lengthTenthsMm));
}

void AttributeBytesList::SetPaperSizeValues(AttributeBytesFeatureId feature, const Dimension& width,
                                            const Dimension& length) {
  const char* function = "AttributeBytesList::SetPaperSizeValues";
  SetPaperSizeValues(feature, ToTenthsMm(width, function), ToTenthsMm(length, function));
}

void AttributeBytesList::SetDimensionValue(AttributeBytesFeatureId feature, const Dimension& value) {
  if (!std::isfinite(value.GetValue(value.GetUnit())))
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, "AttributeBytesList::SetDimensionValue",
                                         u"length not finite");
  Put(feature, std::make_unique<AttributeBytesDimensionValue>(value));
}

void AttributeBytesList::SetCollection(AttributeBytesFeatureId feature, const AttributeBytesList& collection) {
  Put(feature, std::make_unique<AttributeBytesCollectionValue>(collection));
}

void AttributeBytesList::SetList(AttributeBytesFeatureId feature, const AttributeBytesListValue& list) {
  Put(feature, list.Clone());
}

bool AttributeBytesList::Remove(AttributeBytesFeatureId feature) {
  auto found = index_.find(feature);
  if (found == index_.end()) return false;
  attributes_.erase(attributes_.begin() + static_cast<std::ptrdiff_t>(found->second));
  Reindex();
  return true;
}

bool AttributeBytesList::SetIsSpecified(AttributeBytesFeatureId feature, bool isSpecified) {
  auto found = index_.find(feature);
  if (found != index_.end()) {
    attributes_[found->second].SetIsSpecified(isSpecified);
    return true;
  }
  if (isSpecified) return false;
  index_.emplace(feature, attributes_.size());
  attributes_.emplace_back(feature, nullptr, false);
  return true;
}

void AttributeBytesList::ImportFromOtherList(const AttributeBytesList& other) {
  if (&other == this) return;
  // Copy first: `other` may live inside a value that this import replaces.
  std::vector<AttributeBytes> incoming = other.attributes_;
  for (AttributeBytes& attribute : incoming) Set(std::move(attribute));
}

void AttributeBytesList::Clear() {
  attributes_.clear();
  index_.clear();
}

void AttributeBytesList::Reindex() {
  index_.clear();
  for (std::size_t i = 0; i < attributes_.size(); ++i) index_.emplace(attributes_[i].GetFeatureId(), i);
}

// --- the list: reading ---

const AttributeBytes* AttributeBytesList::Find(AttributeBytesFeatureId feature) const {
  auto found = index_.find(feature);
  return found == index_.end() ? nullptr : &attributes_[found->second];
}

bool AttributeBytesList::IsPresent(AttributeBytesFeatureId feature) const {
  return Find(feature) != nullptr;
}

bool AttributeBytesList::IsSpecified(AttributeBytesFeatureId feature) const {
  const AttributeBytes* attribute = Find(feature);
  return attribute != nullptr && attribute->IsSpecified();
}

const AttributeBytesValue* AttributeBytesList::FindSpecifiedValue(AttributeBytesFeatureId feature,
                                                                  AttributeBytesKind kind) const {
  const AttributeBytes* attribute = Find(feature);
  if (attribute == nullptr || !attribute->IsSpecified() || attribute->GetKind() != kind) return nullptr;
  return attribute->GetAttributeBytesValue();
}

bool AttributeBytesList::GetOptionValue(AttributeBytesFeatureId feature, AttributeBytesValueEnum& value) const {
  CXString ignoredId;
  bool ignoredKind = false;
  return GetOptionValueOrNewId(feature, value, ignoredId, ignoredKind);
}

bool AttributeBytesList::GetOptionValueOrNewId(AttributeBytesFeatureId feature, AttributeBytesValueEnum& value,
                                               CXString& newValueId, bool& isNewValueId) const {
  if (auto* option = FindSpecifiedValue(feature, AttributeBytesKind::OptionValue)) {
    value = static_cast<const AttributeBytesOptionValue*>(option)->GetValue();
    newValueId.Empty();
    isNewValueId = false;
    return true;
  }
  if (auto* named = FindSpecifiedValue(feature, AttributeBytesKind::NewValueId)) {
    value = static_cast<const AttributeBytesNewValueId*>(named)->GetValue();
    newValueId = static_cast<const AttributeBytesNewValueId*>(named)->GetNewValueId();
    isNewValueId = true;
    return true;
  }
  return false;
}

bool AttributeBytesList::GetNewValueId(AttributeBytesFeatureId feature, CXString& newValueId) const {
  auto* named = FindSpecifiedValue(feature, AttributeBytesKind::NewValueId);
  if (named == nullptr) return false;
  newValueId = static_cast<const AttributeBytesNewValueId*>(named)->GetNewValueId();
  return true;
}

bool AttributeBytesList::GetIntegerValue(AttributeBytesFeatureId feature, std::int32_t& value) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::Integer);
  if (found == nullptr) return false;
  value = static_cast<const AttributeBytesIntegerValue*>(found)->GetValue();
  return true;
}

bool AttributeBytesList::GetBooleanValue(AttributeBytesFeatureId feature, bool& value) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::Boolean);
  if (found == nullptr) return false;
  value = static_cast<const AttributeBytesBooleanValue*>(found)->GetValue();
  return true;
}

bool AttributeBytesList::GetStringValue(AttributeBytesFeatureId feature, CXString& value) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::String);
  if (found == nullptr) return false;
  value = static_cast<const AttributeBytesStringValue*>(found)->GetValue();
  return true;
}

bool AttributeBytesList::GetPaperSizeValues(AttributeBytesFeatureId feature, std::int32_t& widthTenthsMm,
                                            std::int32_t& lengthTenthsMm) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::PaperSize);
  if (found == nullptr) return false;
  widthTenthsMm = static_cast<const AttributeBytesPaperSizeValue*>(found)->GetWidth();
  lengthTenthsMm = static_cast<const AttributeBytesPaperSizeValue*>(found)->GetLength();
  return true;
}

bool AttributeBytesList::GetPaperSizeValues(AttributeBytesFeatureId feature, Dimension& width,
                                            Dimension& length) const {
  std::int32_t w = 0;
  std::int32_t l = 0;
  if (!GetPaperSizeValues(feature, w, l)) return false;
  width = Dimension(w, Dimension::kTenthMillimetre);
  length = Dimension(l, Dimension::kTenthMillimetre);
  return true;
}

bool AttributeBytesList::GetDimensionValue(AttributeBytesFeatureId feature, Dimension& value) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::Dimension);
  if (found == nullptr) return false;
  value = static_cast<const AttributeBytesDimensionValue*>(found)->GetValue();
  return true;
}

bool AttributeBytesList::GetCollection(AttributeBytesFeatureId feature, AttributeBytesIndexedList& collection) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::Collection);
  if (found == nullptr) return false;
  // Copy before assigning: `collection` may be the very list that holds the value.
  AttributeBytesIndexedList copy = static_cast<const AttributeBytesCollectionValue*>(found)->GetCollection();
  collection = std::move(copy);
  return true;
}

bool AttributeBytesList::GetList(AttributeBytesFeatureId feature, AttributeBytesListValue& list) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::List);
  if (found == nullptr) return false;
  AttributeBytesListValue copy = *static_cast<const AttributeBytesListValue*>(found);
  list = std::move(copy);
  return true;
}

const AttributeBytesValue* AttributeBytesList::FindListItem(AttributeBytesFeatureId feature, std::size_t index) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::List);
  return found == nullptr ? nullptr : static_cast<const AttributeBytesListValue*>(found)->GetItem(index);
}

bool AttributeBytesList::GetListCount(AttributeBytesFeatureId feature, std::size_t& count) const {
  auto* found = FindSpecifiedValue(feature, AttributeBytesKind::List);
  if (found == nullptr) return false;
  count = static_cast<const AttributeBytesListValue*>(found)->GetCount();
  return true;
}

bool AttributeBytesList::GetOptionValueByIndex(AttributeBytesFeatureId feature, std::size_t index,
                                               AttributeBytesValueEnum& value) const {
  const AttributeBytesValue* item = FindListItem(feature, index);
  if (item == nullptr ||
      (item->GetKind() != AttributeBytesKind::OptionValue && item->GetKind() != AttributeBytesKind::NewValueId)) {
    return false;
  }
  value = static_cast<const AttributeBytesOptionValue*>(item)->GetValue();
  return true;
}

bool AttributeBytesList::GetNewValueIdByIndex(AttributeBytesFeatureId feature, std::size_t index,
                                              CXString& newValueId) const {
  const AttributeBytesValue* item = FindListItem(feature, index);
  if (item == nullptr || item->GetKind() != AttributeBytesKind::NewValueId) return false;
  newValueId = static_cast<const AttributeBytesNewValueId*>(item)->GetNewValueId();
  return true;
}

bool AttributeBytesList::GetCollectionByIndex(AttributeBytesFeatureId feature, std::size_t index,
                                              AttributeBytesIndexedList& collection) const {
  const AttributeBytesValue* item = FindListItem(feature, index);
  if (item == nullptr || item->GetKind() != AttributeBytesKind::Collection) return false;
  AttributeBytesIndexedList copy = static_cast<const AttributeBytesCollectionValue*>(item)->GetCollection();
  collection = std::move(copy);
  return true;
}

const AttributeBytes& AttributeBytesList::GetNextAttributeBytes(AttributeBytesIterator& iterator) const {
  if (iterator >= attributes_.size()) {
    TamorThrow<ExceptionIndexOutOfRange>(kSource, __LINE__, "AttributeBytesList::GetNextAttributeBytes");
  }
  return attributes_[iterator++];
}

bool operator==(const AttributeBytesList& a, const AttributeBytesList& b) {
  if (a.attributes_.size() != b.attributes_.size()) return false;
  for (std::size_t i = 0; i < a.attributes_.size(); ++i) {
    const AttributeBytes& x = a.attributes_[i];
    const AttributeBytes& y = b.attributes_[i];
    if (x.GetFeatureId() != y.GetFeatureId() || x.IsSpecified() != y.IsSpecified() ||
        !ValuesEqual(x.GetAttributeBytesValue(), y.GetAttributeBytesValue())) {
      return false;
    }
  }
  return true;
}

// --- the state form ---

AttributeBytesIndexedList::AttributeBytesIndexedList(const ByteBuffer& state) {
  TryFromAttributeBytesIndexedListState(state, *this);
}

ByteBuffer AttributeBytesIndexedList::GetAttributeBytesIndexedListState() const {
  ByteBuffer out;
  out.appendByte(attribute_bytes_format::kListStateTag);
  out.appendByte(attribute_bytes_format::kVersion);
  attribute_bytes_format::AppendListBody(out, *this, 0);
  return out;
}

bool AttributeBytesIndexedList::TryFromAttributeBytesIndexedListState(const ByteBuffer& state,
                                                                      AttributeBytesIndexedList& list) {
  return attribute_bytes_format::ParseListState(state.getLpbyte(), state.size(), list);
}
