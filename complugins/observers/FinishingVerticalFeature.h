// The finishing observer of a device context. Its printer handle starts as
// invalid (all bits set) and is set when the device context is enabled.
#pragma once

#include "platform/win32.h"

class FinishingVerticalFeature {
 public:
  FinishingVerticalFeature() = default;
  virtual ~FinishingVerticalFeature() = default;

  void SetPrinterHandle(HANDLE printer) { printer_ = printer; }
  HANDLE GetPrinterHandle() const { return printer_; }

 private:
  HANDLE printer_ = INVALID_HANDLE_VALUE;
};
