// Typed references to the features of a data model.
//
// A reference names a feature of the model's feature list; it reads and writes
// through the model's feature services (DataModelFeatureServices.h), so it
// stays valid while the model lives. GetValue gives the current value (the
// value set, else the default); on a feature the model does not hold, or one of
// another kind, it gives the neutral value: 4001, false, 0, an empty text, a
// zero Dimension or Resolution. SetValue checks the value as the services do.
#pragma once

#include <cstdint>
#include <vector>

#include "zqcore/DataModelFeatureServices.h"
#include "zqcore/FeatureId.h"

class ListOfFeaturesRef {
 public:
  explicit ListOfFeaturesRef(DataModelFeatureServices& services) : services_(&services) {}
  DataModelFeatureServices& GetServices() const { return *services_; }

 private:
  DataModelFeatureServices* services_;
};

class FeatureRef {
 public:
  FeatureRef(const ListOfFeaturesRef& list, const FeatureId& feature)
      : services_(&list.GetServices()), feature_(feature.GetFeatureEnum()) {}

  FeatureId GetFeatureId() const { return FeatureId(feature_); }
  // The model holds the feature (declared, or given a value).
  bool IsPresent() const { return services_->HoldsFeature(feature_); }
  // A source declared it.
  bool IsAvailable() const { return services_->IsFeatureAvailable(feature_); }
  bool IsSpecified() const { return services_->IsSpecified(feature_); }
  bool SetIsSpecified(bool isSpecified) { return services_->SetIsSpecified(feature_, isSpecified); }

 protected:
  FeatureValue Current() const { return services_->GetCurrentValue(feature_); }
  FeatureValue Default() const { return services_->GetDefaultValue(feature_); }
  void Set(const FeatureValue& value) { services_->SetCurrentValue(feature_, value); }

  DataModelFeatureServices* services_;
  std::uint32_t feature_;
};

class OptionFeatureRef : public FeatureRef {
 public:
  using FeatureRef::FeatureRef;
  ValueId GetValue() const { return ValueId(Current().GetOption()); }
  void SetValue(const ValueId& value) { Set(FeatureValue::MakeOption(value.GetValueEnum())); }
  ValueId GetDefaultValue() const { return ValueId(Default().GetOption()); }
  // The option values allowed; empty when any is.
  std::vector<ValueId> GetValueList() const;
};

class BooleanFeatureRef : public FeatureRef {
 public:
  using FeatureRef::FeatureRef;
  bool GetValue() const { return Current().GetBoolean(); }
  void SetValue(bool value) { Set(FeatureValue::MakeBoolean(value)); }
  bool GetDefaultValue() const { return Default().GetBoolean(); }
};

class IntegerFeatureRef : public FeatureRef {
 public:
  using FeatureRef::FeatureRef;
  std::int32_t GetValue() const { return Current().GetInteger(); }
  void SetValue(std::int32_t value) { Set(FeatureValue::MakeInteger(value)); }
  std::int32_t GetDefaultValue() const { return Default().GetInteger(); }
};

class StringFeatureRef : public FeatureRef {
 public:
  using FeatureRef::FeatureRef;
  CXString GetValue() const { return Current().GetString(); }
  void SetValue(const CXString& value) { Set(FeatureValue::MakeString(value)); }
  CXString GetDefaultValue() const { return Default().GetString(); }
};

class DimensionFeatureRef : public FeatureRef {
 public:
  using FeatureRef::FeatureRef;
  Dimension GetValue() const { return Current().GetDimension(); }
  void SetValue(const Dimension& value) { Set(FeatureValue::MakeDimension(value)); }
  Dimension GetDefaultValue() const { return Default().GetDimension(); }
};

class ResolutionFeatureRef : public FeatureRef {
 public:
  using FeatureRef::FeatureRef;
  Resolution GetValue() const { return Current().GetResolution(); }
  void SetValue(const Resolution& value) { Set(FeatureValue::MakeResolution(value)); }
  Resolution GetDefaultValue() const { return Default().GetResolution(); }
};

// The option items of a list-valued feature. A feature holding one option
// value reads as a list of that one item; items that are not option values
// (collections, new-value ids without a number) read as 4001.
class ListOfValuesRef : public FeatureRef {
 public:
  using FeatureRef::FeatureRef;
  std::vector<ValueId> GetValues() const;
  std::size_t GetCount() const { return GetValues().size(); }
  // ValueId(4001) past the end.
  ValueId GetValue(std::size_t index) const;
  bool Contains(const ValueId& value) const;
  void SetValues(const std::vector<ValueId>& values);
};
