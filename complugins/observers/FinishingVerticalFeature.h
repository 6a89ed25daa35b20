// The finishing observer of a device context: keeps option 252 in step with
// the finishing choice (feature 263) and the finishing list (144) of the data
// model it is integrated with, setting it to 6720 when the chosen finishing
// needs it and 6721 otherwise (always 6721 on a model that does not offer
// 6720). Its printer handle starts as invalid (all bits set) and is set when
// the device context is enabled. It acts only inside a data model.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "zqcore/DataModelManager.h"
#include "zqutil/Observer.h"

class FinishingVerticalFeature : public IObserver, public DataSource {
 public:
  FinishingVerticalFeature() = default;
  ~FinishingVerticalFeature() override = default;

  void SetPrinterHandle(HANDLE printer) { printer_ = printer; }
  HANDLE GetPrinterHandle() const { return printer_; }

  // IObserver: a change of 263 or 144 in the current settings.
  void Notify(const NotificationBundle& bundle) override;
  CXString GetObserverClassNameHeirarchy() const override { return u"IObserver:FinishingVerticalFeature"; }

  // DataSource
  void IntegrateSourceData(DataModelManager& model) override;
  void RegisterForCurrentSettingsChanges(DataModelManager& model) override;

  // Option 252 for a finishing choice and the items of the finishing list, on
  // a model that offers 6720.
  static std::uint32_t DependentValueFor(std::uint32_t finishing, const std::vector<std::uint32_t>& finishingList);

 private:
  void Update(DataModelManager& model);

  HANDLE printer_ = INVALID_HANDLE_VALUE;
};
