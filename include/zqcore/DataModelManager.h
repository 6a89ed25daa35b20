// DataModelManager: one data model, filled from settings sources.
//
// PopulateFromSourceData integrates the sources in the order given: each is
// attached and asked to declare its features (after registering for what it
// follows of other sources' declarations); once all are integrated each may
// push its values and register for current-settings changes; finally the
// observers of feature definitions hear of every feature they registered for.
// Notifications wait until population is complete and arrive in one bundle
// per observer. A failure leaves the sources attached and the model usable;
// nothing it would have notified is delivered.
#pragma once

#include <vector>

#include "zqcore/DataModelFeatureServices.h"
#include "zqcore/DataModelIds.h"
#include "zqcore/DataSource.h"
#include "zqcore/FeatureRef.h"
#include "zqutil/CXString.h"

class DataModelManager {
 public:
  DataModelManager(DataModelIds::DataModelModeEnum mode, const CXString& productString);
  DataModelManager(const DataModelManager&) = delete;
  DataModelManager& operator=(const DataModelManager&) = delete;
  // Detaches every source (after unregistering it).
  ~DataModelManager();

  // A source attached to another model is moved to this one. Null entries are skipped.
  void PopulateFromSourceData(const std::vector<DataSource*>& sources);

  DataModelFeatureServices& GetFeatureServices() { return services_; }
  ListOfFeaturesRef GetFeatureList() { return ListOfFeaturesRef(services_); }
  // Tells the observers of the event (settings saved, settings applied ...).
  void FireEvent(DWORD eventId) { services_.FireEvent(eventId); }

  DataModelIds::DataModelModeEnum GetMode() const { return mode_; }
  const CXString& GetProductString() const { return productString_; }
  const std::vector<DataSource*>& GetSources() const { return sources_; }

  // Called by a source that is destroyed while attached.
  void DetachSource(DataSource& source);

 private:
  DataModelIds::DataModelModeEnum mode_;
  CXString productString_;
  DataModelFeatureServices services_;
  std::vector<DataSource*> sources_;
};
