// MsDevmodeValueMapper: the Windows devmode settings as data-model values,
// over one accessor (MsDevmodeUsingIPrintCoreHelper or
// MsDevmodeUsingReverseEngineering).
//
// The bulk operations move settings between the devmode and one settings list
// (AttributeBytesIndexedList). The list holds the devmode features by their
// own numbers (3..35) inside the collection 2, beside the document features
// the devmode mirrors: duplex 46, input tray 193, edge to edge 311, and the
// collection 478 with page size 168, width 172 and length 173 (dimensions in
// tenths of a millimetre) and the paper-size values 164.
#pragma once

#include <memory>

#include "msdevmode/MsDevmodeBase.h"

class AttributeBytesIndexedList;

class MsDevmodeValueMapper {
 public:
  enum WriteMode { kWriteAll = 0, kWritePublicFields = 1, kWritePrivateSettings = 2 };

  // Throws ExceptionInvalidArgumentNullPointer for a null accessor.
  explicit MsDevmodeValueMapper(std::unique_ptr<MsDevmodeBase> accessor);
  virtual ~MsDevmodeValueMapper() = default;

  int MapRawToOption(int feature, int raw) const { return accessor_->RawToOption(feature, raw); }
  int MapOptionToRaw(int feature, int option) const { return accessor_->OptionToRaw(feature, option); }
  virtual void SetMsPaperSizeFeaturesCurrentValues(int paperSize, int width, int length, const CXString& formName);

  int GetMsFeatureValue(int feature, bool asOption) { return accessor_->GetMsFeatureValue(feature, asOption); }
  void SetMsFeatureValue(int feature, int value, bool valueIsOption) {
    accessor_->SetMsFeatureValue(feature, value, valueIsOption);
  }

  // The default of a feature: its table's first option, or 100 for scale and 1
  // for any other integer feature.
  int GetDefaultValue(int feature) const;

  // Settings list into the devmode. Mode 0 writes every model feature, mode 1
  // only those in public fields (plus paper, tray and duplex), mode 2 only the
  // private ones (plus edge to edge). With useDefaults an absent feature, an
  // option 4001 and an integer not specified take their default; without it
  // an absent feature is left alone, an integer not specified is written with
  // its value and an option 4001 fails the mapping
  // (ExceptionMicrosoftDevmodeValueMappingFailed), as does a page size the
  // dictionary does not know (ExceptionInvalidArgument).
  void WriteSettingsToDevmode(const AttributeBytesIndexedList& settings, int mode, bool useDefaults);
  // The devmode into the settings list, paper chosen by the scoring rules.
  void ReadDevmodeToSettings(AttributeBytesIndexedList& settings);

  MsDevmodeBase& GetAccessor() { return *accessor_; }
  const MsDevmodeBase& GetAccessor() const { return *accessor_; }

 private:
  void ReadPaper(AttributeBytesIndexedList& settings);

  std::unique_ptr<MsDevmodeBase> accessor_;
};
