// The output path: every byte the driver produces reaches the plug-in's
// WritePrinter. It goes straight to the spooler, or, when the job is to be
// imposed, into a spool file that is post-processed and re-sent at the end.
#pragma once

#include "platform/oemps.h"

class RenPs;

// Decides once per plug-in object, at its first non-empty write, whether the
// job is captured (booklet imposition requested and capture not forbidden).
void DecideCapture(bool& firstWrite, PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer);

HRESULT FilterOutputStream(RenPs& plugin, HANDLE& spoolFile, PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer,
                           PDWORD pcbWritten);
