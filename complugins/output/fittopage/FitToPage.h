// Fit to page: the plug-in's procedure set 107 scales each page of the
// document onto the output sheet the job asks for, to fit or to a given
// percentage, anchored at one of nine points of the sheet.
//
// Per job: EmitFitToPageProcset at the start of the prolog decides and
// records the decision in PDEV key 18; EmitFitToPageInit at the start of the
// setup tells the procedure set the sheet and the scaling; the dispatcher
// writes the per-page call at the end of every page setup while key 18
// reads 1. Exceptions from the settings readers reach the caller.
#pragma once

#include "platform/oemps.h"

class MsFeatureManager;
class XDevmode;
class XOemPdev;

// True when the job asks for an output paper size or a scale other than
// 100 %, the printer speaks PostScript and no booklet is being imposed.
bool FitToPageActive(HANDLE hPrinter, XDevmode& settings, XOemPdev* pdev);

// Writes the fit-to-page procedure set when fit to page is active (unless
// PDEV key 11 forbids it) and then sets key 18 to 1, also when the resource
// could not be loaded: the calls that follow are guarded on the printer.
void EmitFitToPageProcset(IPrintOemDriverPS* driver, PDEVOBJ pdevobj, XOemPdev* pdev);

// Writes the TmrKvFtpInit call with the sheet size, scale and anchor, when
// key 18 reads 1.
void EmitFitToPageInit(IPrintOemDriverPS* driver, PDEVOBJ pdevobj, XOemPdev* pdev, MsFeatureManager* windowsFeatures);
