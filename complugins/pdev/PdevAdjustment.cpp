#include "pdev/PdevAdjustment.h"

#include "zqcore/DataModelIds.h"

#include <cstring>

#include "devmode/XDevmode.h"
#include "observers/LayoutFeatureManager.h"

namespace renpsoem {

namespace {

// With the printer's own margins asked for (feature 311 = 7010), the driver's
// imageable area shrinks by them; otherwise the driver's planned area stands.
HRESULT AdjustPaperMargin(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, BOOL* pbAdjustmentDone) {
  if (pdevobj == nullptr || pdevobj->pPublicDM == nullptr) return E_FAIL;
  if (pBuf == nullptr || cbBuffer < sizeof(PDEV_ADJUST_PAPER_MARGIN)) return S_OK;
  PDEV_ADJUST_PAPER_MARGIN margin;
  std::memcpy(&margin, pBuf, sizeof margin);
  XDevmode settings(pdevobj->pPublicDM);
  if (LayoutFeatureManager::ShrinkToPrinterMargins(pdevobj->hPrinter, settings, margin.rcImageableArea)) {
    std::memcpy(pBuf, &margin, sizeof margin);
    if (pbAdjustmentDone != nullptr) *pbAdjustmentDone = TRUE;
  }
  return S_OK;
}

// A booklet printed in monochrome need not be rendered in true colour.
HRESULT AdjustTrueColor(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, BOOL* pbAdjustmentDone) {
  if (cbBuffer != sizeof(BOOL) || pBuf == nullptr) return E_FAIL;
  if (pdevobj == nullptr || pdevobj->pPublicDM == nullptr || pdevobj->pOEMDM == nullptr) return S_OK;
  XDevmode settings(pdevobj->pPublicDM);
  bool booklet = false;
  BOOL useTrueColor = FALSE;
  std::memcpy(&useTrueColor, pBuf, sizeof useTrueColor);
  if (settings.GetBooleanValueFromAttributeBytes(DataModelIds::kFeatureBooklet, booklet) && booklet &&
      pdevobj->pPublicDM->dmColor == DMCOLOR_MONOCHROME && useTrueColor) {
    useTrueColor = FALSE;
    std::memcpy(pBuf, &useTrueColor, sizeof useTrueColor);
    if (pbAdjustmentDone != nullptr) *pbAdjustmentDone = TRUE;
  }
  return S_OK;
}

}  // namespace

HRESULT AdjustPdev(PDEVOBJ pdevobj, DWORD dwAdjustType, PVOID pBuf, DWORD cbBuffer, BOOL* pbAdjustmentDone) {
  switch (dwAdjustType) {
    case PDEV_ADJUST_PAPER_MARGIN_TYPE:
      return AdjustPaperMargin(pdevobj, pBuf, cbBuffer, pbAdjustmentDone);
    case PDEV_USE_TRUE_COLOR_TYPE:
      return AdjustTrueColor(pdevobj, pBuf, cbBuffer, pbAdjustmentDone);
    default:
      return S_FALSE;
  }
}

}  // namespace renpsoem
