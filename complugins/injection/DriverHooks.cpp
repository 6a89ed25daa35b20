#include "injection/DriverHooks.h"

#include <cstring>
#include <new>

#include "devmode/XDevmode.h"
#include "jobdata/ApplicationSnippets.h"
#include "jobdata/FaxJob.h"
#include "pdev/XOemPdev.h"
#include "support/ByteAccess.h"
#include "support/EntryGuard.h"
#include "zqcore/DataModelIds.h"

namespace renpsoem {

namespace {

constexpr ULONG kEscapeIdentity = 0xF4357630;
constexpr ULONG kEscapeIdentityVersion = 0xF4357631;
constexpr ULONG kEscapeNotJournaled = 0xF4357632;
constexpr ULONG kPrivateEscapeFirst = 0xF43574A0;

PDEVOBJ DevobjOf(SURFOBJ* pso) {
  return pso == nullptr ? nullptr : static_cast<PDEVOBJ>(pso->dhpdev);
}

// The escapes that stop being offered when the settings ask the driver to
// handle PostScript passthrough itself.
bool IsFilteredEscape(DWORD escape) {
  switch (escape) {
    case 19:
    case 20:
    case 33:
    case 37:
    case 38:
    case 4110:
    case 4111:
    case 4112:
    case 4115:
    case 4116:
    case 4117:
    case 4118:
    case 4121:
    case 4568:
      return true;
    default:
      return false;
  }
}

}  // namespace

BOOL APIENTRY OEMStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
  PDEVOBJ pdevobj = DevobjOf(pso);
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  GuardedEntry("OEMStartDoc", 0, [&] {
    if (pdev == nullptr) return 0;
    if (dwJobId != 0) pdev->SetLong(kPdevJobId, dwJobId);
    if (pwszDocName != nullptr)
      pdev->SetString(kPdevDocumentName, CXString(reinterpret_cast<const char16_t*>(pwszDocName)));
    return 0;
  });
  if (pdev == nullptr || pdev->drvStartDoc == nullptr) return FALSE;
  return pdev->drvStartDoc(pso, pwszDocName, dwJobId);
}

BOOL APIENTRY OEMStartPage(SURFOBJ* pso) {
  XOemPdevPs* pdev = PdevFrom(DevobjOf(pso));
  GuardedEntry("OEMStartPage", 0, [&] {
    if (pdev == nullptr) return 0;
    ++pdev->pageCounter;
    pdev->SetLong(kPdevPageNumber, pdev->pageCounter);
    return 0;
  });
  if (pdev == nullptr || pdev->drvStartPage == nullptr) return FALSE;
  return pdev->drvStartPage(pso);
}

BOOL APIENTRY OEMSendPage(SURFOBJ* pso) {
  PDEVOBJ pdevobj = DevobjOf(pso);
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  GuardedEntry("OEMSendPage", 0, [&] {
    if (pdev != nullptr) WriteSnippetPage(*pdev, pdevobj, false);
    return 0;
  });
  if (pdev == nullptr || pdev->drvSendPage == nullptr) return FALSE;
  return pdev->drvSendPage(pso);
}

BOOL APIENTRY OEMEndDoc(SURFOBJ* pso, FLONG fl) {
  PDEVOBJ pdevobj = DevobjOf(pso);
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  GuardedEntry("OEMEndDoc", 0, [&] {
    if (pdev != nullptr) WriteSnippetEnd(*pdev, pdevobj);
    return 0;
  });
  const BOOL result = (pdev == nullptr || pdev->drvEndDoc == nullptr) ? FALSE : pdev->drvEndDoc(pso, fl);
  GuardedEntry("OEMEndDoc", 0, [&] {
    if (pdev == nullptr) return 0;
    ByteBuffer devmodeCopy;
    const bool hadCopy = pdev->GetBuffer(kPdevPublicDevmode, devmodeCopy);
    pdev->Clear();
    if (hadCopy) pdev->SetBuffer(kPdevPublicDevmode, devmodeCopy);
    return 0;
  });
  return result;
}

ULONG APIENTRY OEMEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  PDEVOBJ pdevobj = DevobjOf(pso);
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  auto driverEscape = [&]() -> ULONG {
    if (pdev == nullptr || pdev->drvEscape == nullptr) return 0;
    return pdev->drvEscape(pso, iEsc, cjIn, pvIn, cjOut, pvOut);
  };
  // Whatever was answered before a failure stands; otherwise the driver answers.
  HRESULT result = E_NOTIMPL;
  GuardedEntry("OEMEscape", 0, [&] {
    if (pdev == nullptr) return 0;
    if (iEsc == QUERYESCSUPPORT) {
      if (pvIn != nullptr && cjIn >= sizeof(DWORD)) {
        DWORD asked = 0;
        std::memcpy(&asked, pvIn, sizeof asked);
        auto reader = XDevmode::XDevmodeWithCachingInPdev(pdevobj, pdev);
        DWORD filter = 0;
        if (!reader->IsEmpty() &&
            reader->GetOptionValueFromAttributeBytes(DataModelIds::kFeaturePassThroughEscapes, filter) &&
            filter == DataModelIds::kValuePassThroughEscapesOn && IsFilteredEscape(asked)) {
          result = 0;
        }
      }
      return 0;
    }
    if (iEsc == kEscapeIdentity && pvOut != nullptr && cjOut >= 1) {
      *static_cast<std::uint8_t*>(pvOut) = 2;
      result = 1;
      return 0;
    }
    if (iEsc == kEscapeIdentityVersion) {
      result = 2;
      return 0;
    }
    if (iEsc == kEscapeNotJournaled) {
      result = pdev->notJournaled ? 1 : 0;
      return 0;
    }
    if (iEsc < kPrivateEscapeFirst) return 0;
    try {
      result = pdev->HandleEscape(iEsc, cjIn, pvIn, cjOut, pvOut);
      if (result == E_NOTIMPL)
        result = XDevmode::XDevmodeWithCachingInPdev(pdevobj, pdev)->HandleEscape(iEsc, cjIn, pvIn, cjOut, pvOut);
      if (result == E_NOTIMPL) result = HandleSnippetEscape(*pdev, pdevobj, iEsc, cjIn, pvIn, cjOut, pvOut);
      if (result == E_NOTIMPL) result = HandleFaxEscape(*pdev, pdevobj, iEsc, cjIn, pvIn, cjOut, pvOut);
    } catch (const std::bad_alloc& e) {
      // Application data that does not fit in memory is refused, and what was
      // held before stays; the driver must not take the plug-in's escape.
      if (!IsSnippetEscape(iEsc) && !IsFaxEscape(iEsc)) throw;
      entry_guard::Report("OEMEscape", &e);
      bytes::WriteEscapeStatus(pvOut, cjOut, 0);
      result = E_FAIL;
    }
    return 0;
  });
  if (result != E_NOTIMPL) return static_cast<ULONG>(result);
  return driverEscape();
}

}  // namespace renpsoem
