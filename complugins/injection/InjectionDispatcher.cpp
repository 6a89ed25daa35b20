#include "injection/InjectionDispatcher.h"

#include "zqcore/DataModelIds.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "devmode/XDevmode.h"
#include "families/oid/OidTicket.h"
#include "families/pjl/PageDeviceFamily.h"
#include "families/plain/IdentificationFamily.h"
#include "families/procset/ProcSetFamily.h"
#include "jobdata/ApplicationSnippets.h"
#include "jobdata/FaxJob.h"
#include "msdevmode/MsFeatureManager.h"
#include "observers/LayoutFeatureManager.h"
#include "output/fittopage/FitToPage.h"
#include "pdev/XOemPdev.h"
#include "support/PluginContext.h"
#include "support/SpoolWriter.h"
#include "workflow/JobTicket.h"
#include "workflow/WorkflowExtension.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/TamorException.h"

namespace renpsoem {

namespace {

constexpr DWORD kHelperMode = 3;

constexpr std::string_view kFitToPageCall = "%%TMRFitToPage\r\n/TmrKvFtpPage where {pop TmrKvFtpPage} if\r\n";
constexpr std::string_view kNegativeRectangle = "gsave 1 setgray -4800 -4800 86400 86400 rectfill grestore\r\n";

bool SuppressesDeviceCode(MsFeatureManager& features) {
  const DWORD format = features.GetMsFeatureValue(DataModelIds::kFeatureMsPsOutputFormat, true);
  return format == DataModelIds::kValueMsOutputFormatEps || format == DataModelIds::kValueMsOutputFormatArchive;
}

// Runs the emitters of the job's controller family once; they append to the list.
void DispatchControllerFamily(PluginContext& plugin, HANDLE hPrinter, XOemPdevPs& pdev, XDevmode& settings,
                              MsFeatureManager& features) {
  if (SuppressesDeviceCode(features)) {
    plugin.injectionListGenerated = true;
    return;
  }
  DWORD family = 0;
  settings.GetOptionValueFromAttributeBytes(DataModelIds::kFeatureControllerFamily, family);
  plugin.injectionListGenerated = true;
  CXString workspace;
  InjectionList& list = plugin.injectionList;
  // One branch per controller family; any other value has no emitters.
  if (family == DataModelIds::kValueFamilyProcSet) {
    EmitProcSetFamilySettings(hPrinter, pdev, settings, features, list);
  } else if (family == DataModelIds::kValueFamilyPlain) {
    EmitIdentificationFamilySettings(workspace, hPrinter, pdev, settings, features, list);
  } else if (family == DataModelIds::kValueFamilyOid) {
    OidEmission context{workspace, plugin.workflow.Get(), {}, {}};
    context.autoRotationNeeded = [&] {
      return LayoutFeatureManager::IsAutoRotationNeeded(hPrinter, settings, features, &pdev);
    };
    EmitOidFamilySettings(context, hPrinter, pdev, settings, features, list);
  } else if (family == DataModelIds::kValueFamilyPjl) {
    EmitPjlFamily(workspace, hPrinter, pdev, settings, features, list);
  }
}

// Writes the list's entries for one injection point.
bool WritePendingEntries(PluginContext& plugin, PDEVOBJ pdevobj, XOemPdevPs& pdev, DWORD dwIndex, bool devmodeChanged) {
  InjectionList& list = plugin.injectionList;
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
        WriteToSpool(plugin.driverHelper, pdevobj, data.getLpbyte(), data.size());
    } else {
      it->lastPage = pdev.pageCounter;
      WriteToSpool(plugin.driverHelper, pdevobj, it->data.getLpbyte(), it->data.size());
    }
    wrote = true;
  }
}

XOemPdevPs& PdevOf(PDEVOBJ pdevobj) {
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  if (pdev == nullptr) TamorThrow<ExceptionInvalidArgumentNullPointer>("complugins/injection", __LINE__, "PdevOf");
  return *pdev;
}

}  // namespace

HRESULT DispatchCommand(PluginContext& plugin, PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize,
                        DWORD* pdwResult) {
  if (pdwResult == nullptr || pdevobj == nullptr) return E_FAIL;
  *pdwResult = ERROR_NOT_SUPPORTED;
  XDevmode settings;
  XOemPdevPs& pdev = PdevOf(pdevobj);
  const HANDLE hPrinter = pdevobj->hPrinter;

  DEVMODEW* devmode = pdevobj->pPublicDM;
  ByteBuffer replacement;
  WorkflowObject* workflow = plugin.workflow.Ensure(hPrinter);
  if (workflow != nullptr) {
    const HRESULT hr = workflow->Command(pdevobj, dwIndex, pData, cbSize, &pdev, plugin.driverHelper, pdwResult);
    if (hr != E_NOTIMPL) return hr;
    if (workflow->ReplacementDevmode(&pdev, replacement) == 0 && replacement.size() >= sizeof(DEVMODEW))
      devmode = reinterpret_cast<DEVMODEW*>(replacement.getLpbyte());
  }

  auto features =
      MsFeatureManager::CreateMsFeatureManagerFromDevmode(hPrinter, devmode, kHelperMode, plugin.coreHelper);
  const bool emit = !SuppressesDeviceCode(*features);

  if (emit && !plugin.injectionListGenerated) {
    if (devmode != nullptr) settings.Load(devmode);
    ByteBuffer attributes;
    if (settings.GetEntry(XDevmode::kEntrySettings, attributes)) {
      DispatchControllerFamily(plugin, hPrinter, pdev, settings, *features);
      EmitFaxAttributes(pdev, settings, plugin.injectionList);
    }
  }

  if (emit && workflow != nullptr) {
    workflow->OnCommand();
    if (dwIndex == PSINJECT_BEGINSTREAM) {
      // Written straight to the stream, before anything else: not an entry of the list.
      // The settings are those loaded for the emitters above, so only the
      // object's first job carries a ticket.
      const DWORD workflowValue = workflow->JobTicketValue();
      ByteBuffer ticket;
      if (WriteJobTicket(hPrinter, devmode, pdev, settings, ticket, pdev.outputOptions, workflowValue))
        WriteToSpool(plugin.driverHelper, pdevobj, ticket.getLpbyte(), ticket.size());
    }
  }

  if (dwIndex == PSINJECT_BEGINSETUP && emit) EmitFitToPageInit(plugin.driverHelper, pdevobj, &pdev, features.get());

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
        EmitFitToPageProcset(plugin.driverHelper, pdevobj, &pdev);
      }
      *pdwResult = ERROR_SUCCESS;
      break;
    case PSINJECT_BEGINSETUP:
      *pdwResult = ERROR_SUCCESS;
      break;
    case PSINJECT_ENDSETUP: {
      LayoutFeatureManager layout;
      layout.Handle_PSINJECT_ENDSETUP(pdevobj, plugin.driverHelper);
      if (pdev.snippetBlock->setupBlock) WriteSnippetSetup(pdev, pdevobj);
      *pdwResult = ERROR_SUCCESS;
      break;
    }
    case PSINJECT_ENDSTREAM: {
      DWORD capture = 0;
      if (pdev.GetLong(kPdevCaptureActive, capture) && capture != 0) {
        pdev.SetLong(kPdevEndOfStream, 1);
        WriteToSpool(plugin.driverHelper, pdevobj, std::string_view("\x04", 1));
      }
      break;
    }
    case PSINJECT_ENDPAGESETUP: {
      DWORD fitToPage = 0;
      if (emit && pdev.GetLong(kPdevFitToPageWritten, fitToPage) && fitToPage == 1)
        WriteToSpool(plugin.driverHelper, pdevobj, kFitToPageCall);
      pdev.snippetBlock->firstPageSetupSeen = true;
      WriteSnippetPage(pdev, pdevobj, true);
      if ((PrintDriver::GetColorModeFromHandle(hPrinter) & ms::kColorModeMonochrome) != 0 &&
          features->GetMsFeatureValue(DataModelIds::kFeatureMsPsNegativeImage, true) ==
              DataModelIds::kValueMsNegativeOn)
        WriteToSpool(plugin.driverHelper, pdevobj, kNegativeRectangle);
      *pdwResult = ERROR_SUCCESS;
      break;
    }
    case PSINJECT_SHOWPAGE:
      *pdwResult = ERROR_SUCCESS;
      break;
    default:
      // Not an injection point of ours (the font download among them).
      if (FindInjectionPoint(dwIndex) == nullptr) {
        *pdwResult = ERROR_NOT_SUPPORTED;
        return E_NOTIMPL;
      }
      break;
  }
  if (FAILED(result)) {
    const DWORD error = GetLastError();
    *pdwResult = error != 0 ? error : ERROR_WRITE_FAULT;
  }
  return result;
}

}  // namespace renpsoem
