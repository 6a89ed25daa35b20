// The Windows devmode's settings as a settings source of the data model: it
// declares the features the feature manager offers (their option tables or
// integer ranges and defaults) and sets each to the devmode's current value.
// A feature whose value the devmode cannot give, or gives outside its
// declaration, keeps its default.
#pragma once

#include "msdevmode/MsFeatureManager.h"
#include "zqcore/DataModelManager.h"

class MsFeatureSource : public DataSource {
 public:
  // The feature manager must outlive the source's integration.
  explicit MsFeatureSource(MsFeatureManager& features) : features_(features) {}

  void IntegrateSourceData(DataModelManager& model) override;

 private:
  MsFeatureManager& features_;
};
