// Application snippets: PostScript sections an application hands over with a
// private escape, written at the end of the setup, on each page and at the end
// of the document.
#pragma once

#include "pdev/XOemPdev.h"

namespace renpsoem {

// Whether `iEsc` is the snippet escape.
bool IsSnippetEscape(ULONG iEsc);
// Escape 0xF4357504: store the sections. E_NOTIMPL for other numbers. The
// new blocks are made before they replace the held ones, so a failing
// allocation (std::bad_alloc) leaves the held sections as they were.
HRESULT HandleSnippetEscape(XOemPdevPs& pdev, PDEVOBJ pdevobj, ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut,
                            void* pvOut);

// Writes the setup section (end of setup) and marks it written.
void WriteSnippetSetup(XOemPdevPs& pdev, PDEVOBJ pdevobj);
// Writes the page section at the page-setup moment (true) or at send page (false).
void WriteSnippetPage(XOemPdevPs& pdev, PDEVOBJ pdevobj, bool pageSetupMoment);
// Writes the end-of-document section.
void WriteSnippetEnd(XOemPdevPs& pdev, PDEVOBJ pdevobj);

}  // namespace renpsoem
