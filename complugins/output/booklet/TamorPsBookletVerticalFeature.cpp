#include "output/booklet/TamorPsBookletVerticalFeature.h"

#include "com/ModuleState.h"
#include "devmode/XDevmode.h"
#include "output/booklet/BookletJob.h"
#include "output/booklet/BookletProcset.h"
#include "output/booklet/BookletSettings.h"
#include "pdev/XOemPdev.h"
#include "platform/text.h"
#include "zqutil/User.h"

HRESULT TamorPsBookletVerticalFeature::Impose(PDEVOBJ pdevobj, CXString& path) {
  XOemPdevPs* pdev = PdevFrom(pdevobj);
  if (pdev == nullptr) return E_NOTIMPL;
  ByteBuffer modeValue;
  pdev->GetBuffer(kPdevBookletMode, modeValue);
  const DWORD mode = modeValue.getAsLongValue();
  if (mode == 0) return E_NOTIMPL;

  CXString outputPath;
  try {
    if (pdevobj->pPublicDM == nullptr) return E_FAIL;
    outputPath = User::GetTempFileNameW();
    booklet::BookletJob job;
    job.module = module_state::GetModuleHandle();
    job.procsetId = booklet::kBookletProcsetId;
    job.inputPath = path;
    job.outputPath = outputPath;
    DWORD rotateKey = 0;
    pdev->GetLong(kPdevBookletRotate, rotateKey);
    XDevmode settings(pdevobj->pPublicDM);
    const HANDLE hPrinter = pdevobj->hPrinter;
    job.settings =
        booklet::ReadBookletSettings(*pdevobj->pPublicDM, settings.GetDocumentAttributeBytesList(), mode, rotateKey,
                                     [hPrinter] { return booklet::ReadPrinterMarginsInPoints(hPrinter); });
    if (booklet::RunBooklet(job) > 0) {
      DeleteFileW(platform::W(path.c_str()));
      path = outputPath;
      return S_OK;
    }
  } catch (...) {
    // Any failure leaves the captured file to be sent as it is.
  }
  // The temporary name was created as an empty file; a failed run leaves nothing behind.
  if (!outputPath.IsEmpty()) DeleteFileW(platform::W(outputPath.c_str()));
  return E_FAIL;
}
