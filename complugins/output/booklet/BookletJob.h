// BookletJob: one run of the booklet imposition, from the captured spool file
// to a new file whose sheet sides each carry two source pages in booklet
// order. Pass 1 (ScanDocument) finds the pages and their sizes, pass 2
// (WriteBooklet) copies the document with the booklet procset in its prolog
// and the pages re-ordered under sheet-side and pagelet headers.
//
// Results: the page count (> 0) on success; 0 when the document has no page
// to impose; a negative code (BookletResult) on failure. The input is never
// written to.
#pragma once

#include <cstdint>
#include <vector>

#include "output/booklet/BookletGeometry.h"
#include "output/booklet/BookletOutput.h"
#include "output/booklet/DscReader.h"
#include "platform/win32.h"
#include "zqutil/CXString.h"

namespace booklet {

enum BookletResult : int {
  // pass 1
  kScanAllocation = -101,
  kScanOpen = -102,
  kScanRead = -103,
  kAlreadyImposed = -104,
  kSetupScan = -105,  // also: the position table cannot grow
  kSizeTableGrowth = -106,
  kEmbeddedSetupScan = -109,
  kPageSetupScan = -110,
  // pass 2
  kWriteAllocation = -201,
  kOutputCreate = -202,
  kInputOpen = -204,
  kSeparatorSkip = -205,
  kPrologNotFound = -206,
  kProcsetMissing = -207,
  kTrailerSeek = -209,
  kPageSeek = -301,
  kSectionEnd = -401,
  kReadError = DscReader::kReadError,
  kShortWrite = BookletOutput::kShortWrite,
  kWriteFailed = BookletOutput::kWriteFailed,
  kAllocation = -1002,
};

// What the job's settings ask for (gathered by BookletSettings.h).
struct BookletSettings {
  std::uint32_t copies = 1;
  std::uint32_t sheetWidth = 0;  // points
  std::uint32_t sheetHeight = 0;
  bool sizeFromDocument = true;  // the document setup's /PageSize, when found, is the sheet
  std::uint32_t marginX = 0;     // points
  std::uint32_t marginY = 0;
  std::uint32_t gutter = 0;         // points, at the fold
  std::uint32_t creepPerSheet = 0;  // tenths of a point
  bool rotateFlip = false;          // inverts both rotations
  std::uint32_t borderStyle = 0;    // 2: frame every page
  bool rotateSheet = true;          // X3DBMi's Rot180
  bool rotatePagelet = false;       // X3DBMi's RP180
  SideOrder order = SideOrder::kNormal;
};

struct BookletJob {
  HMODULE module = nullptr;  // holds the procset resource
  DWORD procsetId = 106;
  CXString inputPath;
  CXString outputPath;
  BookletSettings settings;

  // Found by the scan.
  bool embeddedMode = false;       // one wrapper page around a document whose pages are imposed
  std::uint64_t separatorEnd = 0;  // offset after a leading separator file, 0 when none
  std::uint32_t pageCount = 0;
  std::uint32_t capacity = 0;  // the tables hold capacity + 1 entries
  // Offset just after each page's "%%Page:" line; the entry after the last
  // page: just after the "%%Trailer" line, or 0.
  std::vector<std::uint64_t> pagePositions;
  // Per page the packed /PageSize in effect; entry 0 starts as the setup's.
  std::vector<std::uint32_t> pageSizes;
};

int RunBooklet(BookletJob& job);
int ScanDocument(BookletJob& job);
int WriteBooklet(BookletJob& job);

}  // namespace booklet
