#include "injection/InjectionDispatcher.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "jobdata/ApplicationSnippets.h"
#include "com/EntryGuard.h"
#include "jobdata/FaxJob.h"
#include "families/plain/IdentificationFamily.h"
#include "msdevmode/MsFeatureManager.h"
#include "com/RenPs.h"
#include "workflow/WorkflowExtension.h"
#include "devmode/XDevmode.h"
#include "pdev/XOemPdev.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/TamorException.h"

namespace {

constexpr std::uint32_t kFeatureOutputFormat = 24;
constexpr std::uint32_t kFeatureNegativeImage = 28;
constexpr DWORD kOutputFormatEps = 4162;
constexpr DWORD kOutputFormatArchive = 4163;
constexpr DWORD kNegativeOn = 4201;
constexpr AttributeBytesFeatureId kFeatureControllerFamily = 285;
constexpr AttributeBytesFeatureId kFeatureEscapeFilter = 50;
constexpr DWORD kEscapeFilterOn = 7120;
constexpr DWORD kColorModeNegativeCapable = 0x2000;
constexpr DWORD kHelperMode = 3;

constexpr ULONG kEscapeIdentity = 0xF4357630;
constexpr ULONG kEscapeIdentityVersion = 0xF4357631;
constexpr ULONG kEscapeNotJournaled = 0xF4357632;
constexpr ULONG kPrivateEscapeFirst = 0xF43574A0;

constexpr std::string_view kFitToPageCall = "%%TMRFitToPage\r\n/TmrKvFtpPage where {pop TmrKvFtpPage} if\r\n";
constexpr std::string_view kNegativeRectangle = "gsave 1 setgray -4800 -4800 86400 86400 rectfill grestore\r\n";

constexpr DWORD kFamilyPlain = 7432;

bool SuppressesDeviceCode(MsFeatureManager& features) {
  const DWORD format = features.GetMsFeatureValue(kFeatureOutputFormat, true);
  return format == kOutputFormatEps || format == kOutputFormatArchive;
}

// Runs the emitters of the job's controller family once; they append to the list.
void DispatchControllerFamily(RenPs& plugin, HANDLE hPrinter, XOemPdevPs& pdev, XDevmode& settings,
                              MsFeatureManager& features) {
  if (SuppressesDeviceCode(features)) {
    plugin.SetInjectionListGenerated();
    return;
  }
  DWORD family = 0;
  settings.GetOptionValueFromAttributeBytes(kFeatureControllerFamily, family);
  plugin.SetInjectionListGenerated();
  CXString workspace;
  InjectionList& list = plugin.GetInjectionList();
  // The procset (7430), OID (7431) and PJL (7433) families join here with
  // their command sets; any other value has no emitters.
  if (family == kFamilyPlain) EmitIdentificationFamilySettings(workspace, hPrinter, pdev, settings, features, list);
}

// Writes the list's entries for one injection point.
bool WritePendingEntries(RenPs& plugin, PDEVOBJ pdevobj, XOemPdevPs& pdev, DWORD dwIndex, bool devmodeChanged) {
  InjectionList& list = plugin.GetInjectionList();
  bool wrote = false;
  for (;;) {
    auto it = list.begin();
    for (; it != list.end(); ++it) {
      if (it->injectionIndex != dwIndex) continue;
      if (!it->once && it->lastPage == pdev.pageCounter) continue;
      break;
    }
    if (it == list.end()) return wrote;
    if (it->once) {
      const ByteBuffer data = std::move(it->data);
      list.erase(it);
      if (!(dwIndex == PSINJECT_BEGINPAGESETUP && !devmodeChanged))
        WriteToSpool(plugin.GetDriverHelper(), pdevobj, data.getLpbyte(), data.size());
    } else {
      it->lastPage = pdev.pageCounter;
      WriteToSpool(plugin.GetDriverHelper(), pdevobj, it->data.getLpbyte(), it->data.size());
    }
    wrote = true;
  }
}

void WriteText(RenPs& plugin, PDEVOBJ pdevobj, std::string_view text) {
  WriteToSpool(plugin.GetDriverHelper(), pdevobj, text.data(), text.size());
}

XOemPdevPs& PdevOf(PDEVOBJ pdevobj) {
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  if (pdev == nullptr) TamorThrow<ExceptionInvalidArgumentNullPointer>("complugins/injection", __LINE__, "PdevOf");
  return *pdev;
}

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

HRESULT DispatchCommand(RenPs& plugin, PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize, DWORD* pdwResult) {
  if (pdwResult == nullptr || pdevobj == nullptr) return E_FAIL;
  *pdwResult = ERROR_NOT_SUPPORTED;
  XDevmode settings;
  XOemPdevPs& pdev = PdevOf(pdevobj);
  const HANDLE hPrinter = pdevobj->hPrinter;

  DEVMODEW* devmode = pdevobj->pPublicDM;
  ByteBuffer replacement;
  WorkflowObject* workflow = EnsureWorkflowExtension(plugin, hPrinter);
  if (workflow != nullptr) {
    const HRESULT hr = workflow->Command(pdevobj, dwIndex, pData, cbSize, &pdev, plugin.GetDriverHelper(), pdwResult);
    if (hr != E_NOTIMPL) return hr;
    if (workflow->ReplacementDevmode(&pdev, replacement) == 0 && replacement.size() >= sizeof(DEVMODEW))
      devmode = reinterpret_cast<DEVMODEW*>(replacement.getLpbyte());
  }

  auto features =
      MsFeatureManager::CreateMsFeatureManagerFromDevmode(hPrinter, devmode, kHelperMode, plugin.GetCoreHelper());
  const bool emit = !SuppressesDeviceCode(*features);

  if (emit && !plugin.IsInjectionListGenerated()) {
    if (devmode != nullptr) settings.Load(devmode);
    ByteBuffer attributes;
    if (settings.GetEntry(XDevmode::kEntrySettings, attributes)) {
      DispatchControllerFamily(plugin, hPrinter, pdev, settings, *features);
      EmitFaxAttributes(pdev, settings, plugin.GetInjectionList());
    }
  }

  if (workflow != nullptr) {
    workflow->OnCommand();
    // The comment job ticket for workflow printers is written by the ticket
    // writer when it is installed.
  }

  bool devmodeChanged = true;
  if (dwIndex == PSINJECT_BEGINPAGESETUP) {
    DWORD changed = 0;
    pdev.GetLong(kPdevDevmodeChanged, changed);
    devmodeChanged = changed != 0;
    pdev.SetLong(kPdevDevmodeChanged, 0);
  }

  if (emit && WritePendingEntries(plugin, pdevobj, pdev, dwIndex, devmodeChanged)) *pdwResult = ERROR_SUCCESS;

  HRESULT result = S_OK;
  switch (dwIndex) {
    case PSINJECT_BEGINPROLOG:
      if (emit) {
        pdev.faxBlock->prologSeen = true;
        result = WriteFaxCover(pdev, pdevobj);
      }
      *pdwResult = ERROR_SUCCESS;
      break;
    case PSINJECT_BEGINSETUP:
      *pdwResult = ERROR_SUCCESS;
      break;
    case PSINJECT_ENDSETUP:
      if (pdev.snippetBlock->setupBlock) WriteSnippetSetup(pdev, pdevobj);
      *pdwResult = ERROR_SUCCESS;
      break;
    case PSINJECT_ENDSTREAM: {
      DWORD capture = 0;
      if (pdev.GetLong(kPdevCaptureActive, capture) && capture != 0) {
        pdev.SetLong(kPdevEndOfStream, 1);
        WriteText(plugin, pdevobj, std::string_view("\x04", 1));
      }
      break;
    }
    case PSINJECT_ENDPAGESETUP: {
      DWORD fitToPage = 0;
      if (emit && pdev.GetLong(kPdevFitToPageWritten, fitToPage) && fitToPage == 1)
        WriteText(plugin, pdevobj, kFitToPageCall);
      pdev.snippetBlock->firstPageSetupSeen = true;
      WriteSnippetPage(pdev, pdevobj, true);
      if ((PrintDriver::GetColorModeFromHandle(hPrinter) & kColorModeNegativeCapable) != 0 &&
          features->GetMsFeatureValue(kFeatureNegativeImage, true) == kNegativeOn)
        WriteText(plugin, pdevobj, kNegativeRectangle);
      *pdwResult = ERROR_SUCCESS;
      break;
    }
    case PSINJECT_SHOWPAGE:
      *pdwResult = ERROR_SUCCESS;
      break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
    case 15:
    case 18:
    case 19:
    case 21:
    case 100:
    case 101:
    case 103:
    case 104:
    case 106:
    case 107:
    case 200:
    case 201:
      break;
    default:
      // Not an injection point of ours (the font download among them).
      *pdwResult = ERROR_NOT_SUPPORTED;
      return E_NOTIMPL;
  }
  if (FAILED(result)) {
    const DWORD error = GetLastError();
    *pdwResult = error != 0 ? error : ERROR_WRITE_FAULT;
  }
  return result;
}

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
        if (!reader->IsEmpty() && reader->GetOptionValueFromAttributeBytes(kFeatureEscapeFilter, filter) &&
            filter == kEscapeFilterOn && IsFilteredEscape(asked)) {
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
    result = pdev->HandleEscape(iEsc, cjIn, pvIn, cjOut, pvOut);
    if (result == E_NOTIMPL)
      result = XDevmode::XDevmodeWithCachingInPdev(pdevobj, pdev)->HandleEscape(iEsc, cjIn, pvIn, cjOut, pvOut);
    if (result == E_NOTIMPL) result = HandleSnippetEscape(*pdev, pdevobj, iEsc, cjIn, pvIn, cjOut, pvOut);
    if (result == E_NOTIMPL) result = HandleFaxEscape(*pdev, pdevobj, iEsc, cjIn, pvIn, cjOut, pvOut);
    return 0;
  });
  if (result != E_NOTIMPL) return static_cast<ULONG>(result);
  return driverEscape();
}
