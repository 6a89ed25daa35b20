// LayoutFeatureManager: the page-layout settings of a job (pages per sheet,
// booklet, page borders, margins, output paper) and the layout computations
// other parts need: the printer's margins, the effective paper size, whether
// the sheet is turned and whether the OID ticket asks for automatic rotation.
//
// At the end of the setup section it writes the N-up patch: the borders off,
// or the largest printer margin as the N-up margin. As a data-model source it
// contributes the layout features and, when a model's default-margin selector
// asks for it, the default device margins.
#pragma once

#include <memory>
#include <string>

#include "devmode/XDevmode.h"
#include "platform/oemps.h"
#include "zqcore/DataModelManager.h"
#include "zqutil/Observer.h"

class MsFeatureManager;
class XOemPdev;

class LayoutFeatureManager : public DataSource, public IObserver {
 public:
  struct PaperSize {
    int width = 0;   // tenths of a millimetre
    int length = 0;  // tenths of a millimetre
  };

  // `restrictLayout` pins the layout features to one page per sheet without
  // borders in the models the object integrates with.
  explicit LayoutFeatureManager(bool restrictLayout = false) : restrictLayout_(restrictLayout) {}

  // Reads the layout settings of the devmode's private section. A null devmode
  // throws ExceptionInvalidArgumentNullPointer.
  void Initialize(HANDLE hPrinter, DEVMODEW* devmode);
  // Writes the N-up patch for the device context's devmode (see GetEndSetupPatch).
  // Null arguments throw ExceptionInvalidArgumentNullPointer.
  void Handle_PSINJECT_ENDSETUP(PDEVOBJ pdevobj, IPrintOemDriverPS* driver);
  // The patch for the settings of the last Initialize: nothing unless the
  // printer speaks PostScript and more than one page goes on a sheet; then the
  // borders off, or with borders on and printer margins, the largest margin.
  std::string GetEndSetupPatch(HANDLE hPrinter) const;

  // Left, top, right, bottom from the device settings (features 422 to 425,
  // Dimension unit 10; absent ones are 0), in `unit`, rounded.
  static void GetPrinterMargins(HANDLE hPrinter, int margins[4], int unit);
  // The paper-margin adjustment of the device context: when the settings ask
  // for the printer's margins (feature 311 is 7010) the imageable area, in
  // thousandths of a millimetre, shrinks by them and the answer is true;
  // otherwise it stays as it is.
  static bool ShrinkToPrinterMargins(HANDLE hPrinter, AttributeBytesReader& settings, RECTL& imageableArea);
  static PaperSize GetEffectivePaperSize(HANDLE hPrinter, AttributeBytesReader& settings,
                                         MsFeatureManager& windowsFeatures);
  static bool IsSheetRotated(HANDLE hPrinter, AttributeBytesReader& settings, MsFeatureManager& windowsFeatures);
  static bool IsAutoRotationNeeded(HANDLE hPrinter, AttributeBytesReader& settings, MsFeatureManager& windowsFeatures,
                                   XOemPdev* pdev);

  // DataSource
  void RegisterForIntegrateSourceDataChanges(DataModelManager& model) override;
  void IntegrateSourceData(DataModelManager& model) override;
  void RegisterForCurrentSettingsChanges(DataModelManager& model) override;
  // IObserver: the default-margin selector's default changed.
  void Notify(const NotificationBundle& bundle) override;
  CXString GetObserverClassNameHeirarchy() const override { return u"IObserver:LayoutFeatureManager"; }

  DWORD GetNupValue() const { return nupValue_; }
  DWORD GetMarginsOption() const { return marginsOption_; }
  bool GetPdlFlag() const { return pdlFlag_; }

 private:
  void RegisterObserver(DataModelManager& model);

  bool pdlFlag_ = false;
  DWORD nupValue_ = DataModelIds::kValueNupOne;
  DWORD marginsOption_ = DataModelIds::kValueNone;
  std::unique_ptr<XDevmode> settings_;
  bool restrictLayout_ = false;
};
