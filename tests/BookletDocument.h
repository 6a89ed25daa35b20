// DSC documents shaped like the PostScript driver's output, for the booklet
// tests and the benchmark: header comments, a prolog, a setup with the page
// size feature, and pages with page setups that save and restore, each
// showing its own number in large type.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <string>

namespace booklet_testing {

struct DocumentOptions {
  int pages = 8;
  std::string lineEnd = "\n";
  // Page size of the setup feature; empty for none.
  std::string setupPageSize = "612 792";
  // Per page (index from 0) a /PageSize in its page setup; empty for none.
  std::string (*pageSetupSize)(int page) = nullptr;
  bool pageSetups = true;
  bool trailer = true;
  // "showpage" inside the page's save (else after its restore).
  bool showpageInsideSave = false;
  // Lines of drawing data per page (64 bytes each with an LF), none of them text.
  std::size_t fillerLines = 0;
  // Extra lines written into every page body as they are.
  std::string pageExtra;
  // Every page fills its whole sheet with light grey (for bounding boxes).
  bool fillPage = false;
};

inline void WriteDriverDocument(std::ostream& out, const DocumentOptions& o) {
  const std::string& e = o.lineEnd;
  out << "%!PS-Adobe-3.0" << e << "%%Title: booklet test" << e << "%%Creator: renps tests" << e
      << "%%Pages: " << o.pages << e << "%%PageOrder: Ascend" << e << "%%LanguageLevel: 2" << e << "%%EndComments" << e;
  out << "%%BeginProlog" << e << "/bd {bind def} bind def" << e
      << "/ShowNumber {/Helvetica findfont 300 scalefont setfont 150 250 moveto show} bd" << e
      << "/Fill {gsave 0.9 setgray 0 0 612 792 rectfill grestore} bd" << e << "%%EndProlog" << e;
  out << "%%BeginSetup" << e;
  if (!o.setupPageSize.empty())
    out << "[{" << e << "%%BeginFeature: *PageSize Letter" << e << "<</PageSize [" << o.setupPageSize
        << "] /ImagingBBox null>> setpagedevice" << e << "%%EndFeature" << e << "} stopped cleartomark" << e;
  out << "%%EndSetup" << e;
  for (int page = 1; page <= o.pages; ++page) {
    out << "%%Page: " << page << " " << page << e << "%%PageBoundingBox: 0 0 612 792" << e;
    if (o.pageSetups) {
      out << "%%BeginPageSetup" << e;
      if (o.pageSetupSize != nullptr) {
        const std::string size = o.pageSetupSize(page - 1);
        if (!size.empty()) out << "<</PageSize [" << size << "]>> setpagedevice" << e;
      }
      out << "userdict begin /pagesave save def end" << e << "%%EndPageSetup" << e;
    }
    if (o.fillPage) out << "Fill" << e;
    out << "(" << page << ") ShowNumber" << e << o.pageExtra;
    for (std::size_t i = 0; i < o.fillerLines; ++i) {
      char filler[96];
      std::snprintf(filler, sizeof filler, "newpath %03u %03d moveto 10 10 rlineto 0.5 setgray stroke %7s",
                    static_cast<unsigned>(i % 500), page % 700, "% fill");
      out << filler << e;
    }
    if (o.pageSetups) {
      if (o.showpageInsideSave)
        out << "showpage" << e << "pagesave restore" << e;
      else
        out << "pagesave restore" << e << "showpage" << e;
    } else {
      out << "showpage" << e;
    }
    out << "%%PageTrailer" << e;
  }
  if (o.trailer) out << "%%Trailer" << e << "%%Pages: " << o.pages << e;
  out << "%%EOF" << e;
}

inline std::string DriverDocument(const DocumentOptions& o) {
  std::ostringstream out;
  WriteDriverDocument(out, o);
  return out.str();
}

}  // namespace booklet_testing
