#include "zqcore/DataModelManager.h"

#include <algorithm>

DataSource::~DataSource() {
  if (model_ != nullptr) model_->DetachSource(*this);
}

DataModelManager::DataModelManager(DataModelIds::DataModelModeEnum mode, const CXString& productString)
    : mode_(mode), productString_(productString) {}

DataModelManager::~DataModelManager() {
  const std::vector<DataSource*> sources = sources_;
  for (DataSource* source : sources) {
    // A source must not throw out of its unregistration; if one does, it is
    // still detached so it never reaches this model again.
    try {
      source->UnregisterForCurrentSettingsChanges(*this);
      source->UnregisterForIntegrateSourceDataChanges(*this);
    } catch (...) {
    }
    source->model_ = nullptr;
  }
}

void DataModelManager::DetachSource(DataSource& source) {
  std::erase(sources_, &source);
  source.model_ = nullptr;
}

void DataModelManager::PopulateFromSourceData(const std::vector<DataSource*>& sources) {
  services_.BeginMassSet();
  try {
    std::vector<DataSource*> integrated;
    for (DataSource* source : sources) {
      if (source == nullptr || std::find(integrated.begin(), integrated.end(), source) != integrated.end()) continue;
      if (source->model_ != nullptr && source->model_ != this) source->model_->DetachSource(*source);
      if (source->model_ == nullptr) {
        source->model_ = this;
        sources_.push_back(source);
      }
      integrated.push_back(source);
      source->RegisterForIntegrateSourceDataChanges(*this);
      source->IntegrateSourceData(*this);
    }
    for (DataSource* source : integrated) source->RegisterForCurrentSettingsChanges(*this);
    services_.NotifyAllRegistered(DataModelIds::kInstanceFeatureDefinitions);
  } catch (...) {
    services_.AbandonMassSet();
    throw;
  }
  services_.EndMassSet();
}
