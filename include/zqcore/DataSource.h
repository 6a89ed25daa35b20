// DataSource: a settings source of the data model. A source declares the
// features it contributes and their values when the model integrates it, and
// may watch the model's changes once it is attached.
//
// The model attaches a source when it integrates it and detaches it when the
// model is destroyed; a source destroyed first detaches itself, so neither
// ever reaches the other after it is gone.
#pragma once

class DataModelManager;

class DataSource {
 public:
  DataSource() = default;
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;
  virtual ~DataSource();

  // Called before the source is integrated (and so before other sources that
  // come later declare their features).
  virtual void RegisterForIntegrateSourceDataChanges(DataModelManager& /*model*/) {}
  // Declares the source's features and sets their values.
  virtual void IntegrateSourceData(DataModelManager& /*model*/) {}
  virtual void UnregisterForIntegrateSourceDataChanges(DataModelManager& /*model*/) {}
  // Called once every source is integrated: the source may push its values
  // and register for the changes it follows.
  virtual void RegisterForCurrentSettingsChanges(DataModelManager& /*model*/) {}
  virtual void UnregisterForCurrentSettingsChanges(DataModelManager& /*model*/) {}

  // The model the source is attached to, or null.
  DataModelManager* GetDataModel() const { return model_; }

 private:
  friend class DataModelManager;
  DataModelManager* model_ = nullptr;
};
