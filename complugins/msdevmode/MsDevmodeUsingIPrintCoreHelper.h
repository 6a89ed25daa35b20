// MsDevmodeUsingIPrintCoreHelper: the devmode settings the driver exposes
// through IPrintCoreHelper are read and written with GetOption / SetOptions
// on this devmode; settings without a keyword live in the public fields.
//
// At construction every working row whose keyword the helper does not answer
// is dropped. The helper is held (AddRef) for the life of the accessor.
#pragma once

#include "msdevmode/MsDevmodeBase.h"
#include "platform/oemps.h"

class MsDevmodeUsingIPrintCoreHelper : public MsDevmodeBase {
 public:
  // Throws ExceptionInvalidArgumentNullPointer for a null devmode or helper.
  MsDevmodeUsingIPrintCoreHelper(HANDLE hPrinter, DEVMODEW* devmode, std::uint32_t pdlBits, std::uint32_t colorMode,
                                 IPrintCoreHelper* helper, DWORD mode);
  ~MsDevmodeUsingIPrintCoreHelper() override;

  // A failed GetOption or an empty answer throws ExceptionIPrintCoreHelperReadFailure;
  // an answer that is no option of the feature ExceptionMicrosoftDevmodeValueMappingFailed.
  int GetMsFeatureValue(int feature, bool asOption) override;
  // SetOptions with conflict resolution must succeed and write one pair, else
  // ExceptionIPrintCoreHelperWriteFailure. N-up and booklet are not written
  // again when they already hold the value.
  void SetMsFeatureValue(int feature, int value, bool valueIsOption) override;

  DWORD GetMode() const { return mode_; }

 private:
  const ms::ValueRow& ReadOption(const MsWorkingRow& row);

  IPrintCoreHelper* helper_;
  DWORD devmodeSize_;
  DWORD mode_;
};
