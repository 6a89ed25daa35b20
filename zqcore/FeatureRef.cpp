#include "zqcore/FeatureRef.h"

#include <algorithm>

std::vector<ValueId> OptionFeatureRef::GetValueList() const {
  std::vector<ValueId> values;
  for (std::uint32_t value : services_->GetValueList(feature_)) values.emplace_back(value);
  return values;
}

std::vector<ValueId> ListOfValuesRef::GetValues() const {
  const FeatureValue value = Current();
  std::vector<ValueId> values;
  if (value.GetKind() == FeatureKind::Option) {
    values.emplace_back(value.GetOption());
  } else if (const AttributeBytesListValue* list = value.GetList()) {
    for (std::size_t i = 0; i < list->GetCount(); ++i) {
      const auto* item = dynamic_cast<const AttributeBytesOptionValue*>(list->GetItem(i));
      values.emplace_back(item != nullptr ? item->GetValue() : kAttributeBytesNoValue);
    }
  }
  return values;
}

ValueId ListOfValuesRef::GetValue(std::size_t index) const {
  const std::vector<ValueId> values = GetValues();
  return index < values.size() ? values[index] : ValueId(kAttributeBytesNoValue);
}

bool ListOfValuesRef::Contains(const ValueId& value) const {
  const std::vector<ValueId> values = GetValues();
  return std::any_of(values.begin(), values.end(),
                     [&](const ValueId& v) { return v.GetValueEnum() == value.GetValueEnum(); });
}

void ListOfValuesRef::SetValues(const std::vector<ValueId>& values) {
  std::vector<std::uint32_t> numbers;
  numbers.reserve(values.size());
  for (const ValueId& value : values) numbers.push_back(value.GetValueEnum());
  Set(FeatureValue::MakeOptionList(numbers));
}
