#include "msdevmode/MsFeatureSource.h"

#include "zqutil/TamorException.h"

void MsFeatureSource::IntegrateSourceData(DataModelManager& model) {
  DataModelFeatureServices& services = model.GetFeatureServices();
  for (const MsDeclaredFeature& declared : features_.GetDeclaredFeatures()) {
    const auto feature = static_cast<std::uint32_t>(declared.feature);
    FeatureDefinition definition;
    definition.feature = feature;
    if (declared.isOption) {
      definition.kind = FeatureKind::Option;
      for (int option : declared.options) definition.valueList.push_back(static_cast<std::uint32_t>(option));
      definition.defaultValue = FeatureValue::MakeOption(static_cast<std::uint32_t>(declared.defaultValue));
    } else {
      definition.kind = FeatureKind::Integer;
      definition.minimum = declared.minimum;
      definition.maximum = declared.maximum;
      definition.defaultValue = FeatureValue::MakeInteger(declared.defaultValue);
    }
    services.DeclareFeature(definition);
    try {
      const int value = features_.GetMsFeatureValue(declared.feature, declared.isOption);
      services.SetCurrentValue(feature, declared.isOption ? FeatureValue::MakeOption(static_cast<std::uint32_t>(value))
                                                          : FeatureValue::MakeInteger(value));
    } catch (const TamorException&) {
      // Not readable from this devmode, or not a value of the table: the default stands.
    }
  }
}
