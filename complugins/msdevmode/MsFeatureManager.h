// MsFeatureManager: the Windows devmode's settings as data-model features,
// built from the devmode on every call that needs them.
//
// With the driver's IPrintCoreHelper the settings it knows go through the
// helper; without one the driver's private part is read at known offsets.
// The printer's PDL type and colour mode come from the printer facts
// (PrintDriver), PostScript and colour when the printer does not say.
#pragma once

#include <memory>
#include <vector>

#include "msdevmode/MsDevmodeValueMapper.h"
#include "platform/oemps.h"

// One feature the manager offers to the data model (under feature 2).
struct MsDeclaredFeature {
  int feature;
  bool isOption;
  std::vector<int> options;  // allowed option values, in table order, each once
  int defaultValue;
  int minimum;  // integer features
  int maximum;
};

class MsFeatureManager : public MsDevmodeValueMapper {
 public:
  using MsDevmodeValueMapper::MsDevmodeValueMapper;

  // `mode` is recorded by the helper accessor (the plug-in passes 3). A null
  // devmode throws ExceptionInvalidArgumentNullPointer.
  static std::unique_ptr<MsFeatureManager> CreateMsFeatureManagerFromDevmode(HANDLE hPrinter, DEVMODEW* devmode,
                                                                             DWORD mode, IPrintCoreHelper* helper);
  // The same for a printer whose PDL bits and colour mode are given.
  static std::unique_ptr<MsFeatureManager> CreateMsFeatureManagerFromDevmode(HANDLE hPrinter, DEVMODEW* devmode,
                                                                             DWORD mode, IPrintCoreHelper* helper,
                                                                             std::uint32_t pdlBits,
                                                                             std::uint32_t colorMode);

  // Every applicable catalogue row offered to the model: option features with
  // their table's options (default the first), scale 25..400 (default 100),
  // copies 1..9999 (default 1), any other integer feature default 1.
  std::vector<MsDeclaredFeature> GetDeclaredFeatures() const;
};
