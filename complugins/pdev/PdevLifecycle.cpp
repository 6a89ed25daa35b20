#include "pdev/PdevLifecycle.h"

#include "zqcore/DataModelIds.h"

#include <cstring>
#include <memory>

#include "devmode/XDevmode.h"
#include "jobdata/ApplicationSnippets.h"
#include "jobdata/FaxJob.h"
#include "observers/FinishingVerticalFeature.h"
#include "pdev/XOemPdev.h"
#include "platform/text.h"
#include "support/PluginContext.h"
#include "workflow/WorkflowExtension.h"
#include "zqutil/Number.h"
#include "zqutil/Printer.h"
#include "zqutil/TextResourceLoader.h"

namespace renpsoem {

namespace {

template <class Fn>
Fn FindHook(const DRVENABLEDATA* pded, ULONG index) {
  if (pded == nullptr || pded->pdrvfn == nullptr) return nullptr;
  for (ULONG i = 0; i < pded->c; ++i)
    if (pded->pdrvfn[i].iFunc == index) return FunctionCast<Fn>(pded->pdrvfn[i].pfn);
  return nullptr;
}

ByteBuffer CopyOfDevmode(const DEVMODEW* devmode) {
  if (devmode == nullptr) return ByteBuffer();
  return ByteBuffer(devmode, DevmodeTotalSize(devmode));
}

template <class T>
void MoveBuffer(std::unique_ptr<T>& from, std::unique_ptr<T>& to) {
  if (from.get() != to.get()) to = std::move(from);
  from.reset();
}

}  // namespace

std::size_t DevmodeTotalSize(const DEVMODEW* devmode) {
  return devmode == nullptr ? 0 : static_cast<std::size_t>(devmode->dmSize) + devmode->dmDriverExtra;
}

HRESULT EnablePdev(PluginContext& plugin, PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns,
                   ULONG cjGdiInfo, GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
                   PDEVOEM* pDevOem) {
  if (pdevobj == nullptr || pDevOem == nullptr) return E_FAIL;
  auto pdev = std::make_unique<XOemPdevPs>();
  const HANDLE hPrinter = pdevobj->hPrinter;
  const CXString printerName = pPrinterName != nullptr ? CXString(platform::U(pPrinterName)) : CXString();

  if (Printer::IsValidHandle(hPrinter)) pdev->controllerFamily = Printer(hPrinter).GetPrinterControllerFamily();
  if (pdev->controllerFamily == DataModelIds::kValueNone && !printerName.IsEmpty())
    pdev->controllerFamily = Printer(printerName, false).GetPrinterControllerFamily();

  pdev->drvStartPage = FindHook<PFN_DrvStartPage>(pded, INDEX_DrvStartPage);
  pdev->drvSendPage = FindHook<PFN_DrvSendPage>(pded, INDEX_DrvSendPage);
  pdev->drvEscape = FindHook<PFN_DrvEscape>(pded, INDEX_DrvEscape);
  pdev->drvStartDoc = FindHook<PFN_DrvStartDoc>(pded, INDEX_DrvStartDoc);
  pdev->drvEndDoc = FindHook<PFN_DrvEndDoc>(pded, INDEX_DrvEndDoc);

  pdev->SetBuffer(kPdevPublicDevmode, CopyOfDevmode(pdevobj->pPublicDM));
  pdev->SetBuffer(kPdevSettingsCache, ByteBuffer());

  if (WorkflowObject* workflow = plugin.workflow.Ensure(hPrinter))
    workflow->EnablePdev(pdevobj, pdev.get(), pPrinterName, cPatterns, phsurfPatterns, cjGdiInfo, pGdiInfo, cjDevInfo,
                         pDevInfo, pded);

  if (Printer::IsValidHandle(hPrinter)) {
    TextResourceLoader::Initialize(hPrinter, false);
  } else {
    Printer printer;
    printer.CreateHandle(printerName);
    TextResourceLoader::Initialize(printer.GetPrinterHandle(false), false);
  }

  // Settings that decide whether the driver may journal (spool as metafile).
  std::unique_ptr<XDevmode> settings;
  if (pdevobj->pPublicDM != nullptr) {
    settings = std::make_unique<XDevmode>(pdevobj->pPublicDM);
    if (settings->IsEmpty()) settings.reset();
  }

  ApplicationSnippetBlock& snippets = *pdev->snippetBlock;
  snippets.driverHelper = plugin.driverHelper;
  snippets.outputOptions = pdev->outputOptions;
  snippets.feature155Number = 0;
  CXString journalNumber;
  if (settings && settings->GetNewValueIdFromAttributeBytes(DataModelIds::kFeatureJournalNumber, journalNumber))
    snippets.feature155Number = Number::GetIntValue(journalNumber);
  if (snippets.feature155Number > 0 && pDevInfo != nullptr) pDevInfo->flGraphicsCaps |= GCAPS_DONTJOURNAL;
  snippets.setupWritten = false;
  snippets.firstPageSetupSeen = false;

  FaxJobBlock& fax = *pdev->faxBlock;
  fax.driverHelper = plugin.driverHelper;
  fax.outputOptions = pdev->outputOptions;
  fax.controllerFamily = pdev->controllerFamily;
  DWORD outputMode = 0;
  if (settings && settings->GetOptionValueFromAttributeBytes(DataModelIds::kFeatureOutputMode, outputMode)) {
    fax.outputMode = outputMode;
    if (outputMode == DataModelIds::kValueOutputModeFax && pDevInfo != nullptr)
      pDevInfo->flGraphicsCaps |= GCAPS_DONTJOURNAL;
  }
  fax.prologSeen = false;
  fax.coverClosed = false;

  pdev->finishing->SetPrinterHandle(hPrinter);
  pdev->notJournaled = pDevInfo != nullptr && (pDevInfo->flGraphicsCaps & GCAPS_DONTJOURNAL) != 0;

  *pDevOem = pdev.release();
  return S_OK;
}

HRESULT ResetPdev(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) {
  XOemPdevPs* oldPdev = PdevFrom(pdevobjOld);
  XOemPdevPs* newPdev = PdevFrom(pdevobjNew);
  if (oldPdev == nullptr || newPdev == nullptr) return E_FAIL;

  std::swap(oldPdev->store, newPdev->store);
  newPdev->pageCounter = oldPdev->pageCounter;

  DEVMODEW* oldDm = pdevobjOld->pPublicDM;
  const DEVMODEW* newDm = pdevobjNew->pPublicDM;
  if (oldDm != nullptr && newDm != nullptr) {
    // Orientation, the field mask and (after the first page) collation may
    // change within a job without counting as a new devmode.
    oldDm->dmOrientation = newDm->dmOrientation;
    oldDm->dmFields = newDm->dmFields;
    if (newPdev->pageCounter > 1) oldDm->dmCollate = newDm->dmCollate;
    const std::size_t newSize = DevmodeTotalSize(newDm);
    const bool differs = DevmodeTotalSize(oldDm) < newSize || std::memcmp(oldDm, newDm, newSize) != 0;
    if (differs) newPdev->SetLong(kPdevDevmodeChanged, 1);
  }
  newPdev->SetBuffer(kPdevPublicDevmode, CopyOfDevmode(newDm));

  ApplicationSnippetBlock& newSnippets = *newPdev->snippetBlock;
  ApplicationSnippetBlock& oldSnippets = *oldPdev->snippetBlock;
  newSnippets.setupWritten = false;
  newSnippets.firstPageSetupSeen = false;
  MoveBuffer(oldSnippets.pageBlock, newSnippets.pageBlock);
  MoveBuffer(oldSnippets.setupBlock, newSnippets.setupBlock);

  FaxJobBlock& newFax = *newPdev->faxBlock;
  FaxJobBlock& oldFax = *oldPdev->faxBlock;
  newFax.prologSeen = false;
  newFax.coverClosed = false;
  MoveBuffer(oldFax.coverData, newFax.coverData);
  MoveBuffer(oldFax.destinationData, newFax.destinationData);
  return S_OK;
}

HRESULT DisablePdev(PDEVOBJ pdevobj) {
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  if (pdev == nullptr) return S_OK;
  pdev->snippetBlock->pageBlock.reset();
  pdev->snippetBlock->setupBlock.reset();
  pdev->snippetBlock->driverHelper = nullptr;
  EndFaxPdev(*pdev->faxBlock, pdevobj);
  delete pdev;
  pdevobj->pdevOEM = nullptr;
  return S_OK;
}

}  // namespace renpsoem
