#include "pdev/PdevAdjustment.h"

#include "zqcore/DataModelIds.h"

#include <cstring>

#include "devmode/XDevmode.h"

namespace renpsoem {

namespace {

// Shrinking the imageable area to the printer's own margins (when the settings
// ask for them) needs the margin values of the layout feature manager; until it
// is installed the driver's planned area stands.
HRESULT AdjustPaperMargin(PDEVOBJ pdevobj) {
  if (pdevobj == nullptr || pdevobj->pPublicDM == nullptr) return E_FAIL;
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
      return AdjustPaperMargin(pdevobj);
    case PDEV_USE_TRUE_COLOR_TYPE:
      return AdjustTrueColor(pdevobj, pBuf, cbBuffer, pbAdjustmentDone);
    default:
      return S_FALSE;
  }
}

}  // namespace renpsoem
