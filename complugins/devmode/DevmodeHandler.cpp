#include "devmode/DevmodeHandler.h"
#include "support/ByteAccess.h"

#include <cstring>
#include <optional>

#include "capabilities/MSDeviceCapabilities.h"
#include "devmode/XDevmode.h"
#include "observers/UserPreferenceVerticalFeature.h"
#include "zqutil/DriverLoadedContext.h"
#include "zqutil/PrintDriver.h"

namespace renpsoem {

namespace {

// Outside the spooler, on an installed printer: keep the public devmode within
// what the device can print. Here the spooler may be asked for the blocks the
// caches lack. A device that gives no colour answer has not said it prints
// only black: the colour choice stays.
void ConstrainToDevice(HANDLE hPrinter, DEVMODEW* devmode) {
  if (devmode == nullptr) return;
  MSDeviceCapabilities capabilities;
  capabilities.Initialize(hPrinter, /*readCachedOnly=*/false);
  const std::optional<bool> color = capabilities.IsColorDevice(hPrinter);
  if (color.has_value() && !*color && devmode->dmColor != DMCOLOR_MONOCHROME) devmode->dmColor = DMCOLOR_MONOCHROME;
  const auto resolutions = capabilities.GetResolutions(hPrinter);
  bool listed = false;
  for (const auto& r : resolutions)
    if (r[1] == devmode->dmPrintQuality && r[2] == devmode->dmYResolution) listed = true;
  if (listed) return;
  for (const auto& r : resolutions) {
    if (r[0] == 0) {
      devmode->dmPrintQuality = static_cast<short>(r[1]);
      devmode->dmYResolution = static_cast<short>(r[2]);
      return;
    }
  }
}

}  // namespace

HRESULT HandleDevMode(DWORD dwMode, POEMDMPARAM param) {
  if (param == nullptr || dwMode < OEMDM_SIZE || dwMode > OEMDM_MERGE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  // Every mode that writes the section writes all of it: a smaller buffer is
  // refused before anything is touched, the public devmode included.
  if (dwMode != OEMDM_SIZE && param->pOEMDMOut != nullptr && param->cbBufSize < XDevmode::kSectionSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return E_FAIL;
  }
  switch (dwMode) {
    case OEMDM_SIZE:
      param->cbBufSize = XDevmode::kSectionSize;
      break;
    case OEMDM_DEFAULT:
      XDevmode::ClearOemDevmode(param->pOEMDMOut);
      if (param->pPublicDMIn != nullptr) param->pPublicDMIn->dmFields |= DM_SCALE;
      break;
    case OEMDM_CONVERT: {
      XDevmode reader;
      reader.Convert(param->pOEMDMIn, param->pOEMDMOut);
      break;
    }
    case OEMDM_MERGE: {
      XDevmode reader;
      reader.Convert(param->pOEMDMIn, param->pOEMDMOut);
      if (param->pOEMDMOut != nullptr) {
        auto* out = static_cast<std::uint8_t*>(param->pOEMDMOut);
        bytes::Write32(out, XDevmode::kSectionSize);
        bytes::Write32(out + 4, XDevmode::kSignature);
        bytes::Write32(out + 8, XDevmode::kVersion);
        bytes::Write32(out + 12, XDevmode::kPayloadSize);
      }
      if (!DriverLoadedContext::IsSpoolerContext() &&
          (PrintDriver::GetInstallationStateFromHandle(param->hPrinter) & 1) != 0) {
        ConstrainToDevice(param->hPrinter, param->pPublicDMOut);
        if (param->pOEMDMOut != nullptr)
          UserPreferenceVerticalFeature(param->hPrinter).WriteToOemSection(param->pOEMDMOut);
      }
      break;
    }
    default:
      break;
  }
  return S_OK;
}

}  // namespace renpsoem
