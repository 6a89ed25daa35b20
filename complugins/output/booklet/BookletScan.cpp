// Pass 1: where the pages are and which page size each one has.
#include <new>

#include "output/booklet/BookletJob.h"
#include "output/booklet/DscMatch.h"
#include "output/booklet/DscReader.h"
#include "output/booklet/ScopedFile.h"

namespace booklet {

namespace {

enum class ScanState {
  kBeforeHeader,    // no "%!" yet
  kHeader,          // until "%%BeginProlog"
  kProlog,          // until the setup or the first page
  kBody,            // between pages
  kAfterPageLine,   // only the page's setup is looked for
  kInsideDocument,  // inside %%BeginDocument ... %%EndDocument
};

bool HasPostScriptMark(std::string_view text) {
  return text.substr(0, text.find('\0')).find("%!") != std::string_view::npos;
}

// The last size found up to the line that ends the section, 0 when none;
// kSectionEnd when the file ends first, kScanRead on a read error.
int ScanSectionForPageSize(DscReader& reader, std::string_view endKeyword, std::uint32_t& size) {
  size = 0;
  DscReader::Line line;
  for (;;) {
    const DscReader::Status status = reader.NextLine(line);
    if (status == DscReader::Status::kEnd) return kSectionEnd;
    if (status == DscReader::Status::kError) return kScanRead;
    if (MatchDscLine(endKeyword, line.text)) return 0;
    if (const std::uint32_t found = FindPageSize(line.text); found != 0) size = found;
  }
}

class DocumentScan {
 public:
  explicit DocumentScan(BookletJob& job) : job_(job) {}

  int Run(DscReader& reader) {
    Restart();
    DscReader::Line line;
    for (;;) {
      const DscReader::Status status = state_ == ScanState::kBeforeHeader
                                           ? reader.NextLine(line)
                                           : reader.NextComment(line, nullptr, job_.separatorEnd == 0);
      if (status == DscReader::Status::kEnd) return static_cast<int>(job_.pageCount);
      if (status == DscReader::Status::kError) return kScanRead;
      if (job_.separatorEnd == 0 && line.end != 0 && IsSeparatorLine(line.text)) {
        job_.separatorEnd = line.end;
        Restart();
        continue;
      }
      if (line.indented) continue;
      if (const int result = OnLine(reader, line); result < 0) return result;
    }
  }

 private:
  void Restart() {
    state_ = ScanState::kBeforeHeader;
    job_.pageCount = 0;
    job_.embeddedMode = false;
    trailers_ = 0;
    depth_ = 0;
    justBegan_ = false;
    std::fill(job_.pagePositions.begin(), job_.pagePositions.end(), 0);
    std::fill(job_.pageSizes.begin(), job_.pageSizes.end(), 0);
  }

  int OnLine(DscReader& reader, const DscReader::Line& line) {
    const std::string_view text = line.text;
    switch (state_) {
      case ScanState::kBeforeHeader:
        if (HasPostScriptMark(text)) state_ = ScanState::kHeader;
        return 0;
      case ScanState::kHeader:
        if (MatchDscLine(kBeginProlog, text)) state_ = ScanState::kProlog;
        return 0;
      case ScanState::kProlog:
        if (MatchDscLine(kProcsetMarker, text)) return kAlreadyImposed;
        if (MatchDscLine(kBeginSetup, text)) {
          std::uint32_t size = 0;
          if (const int result = ScanSectionForPageSize(reader, kEndSetup, size); result < 0)
            return result == kScanRead ? kScanRead : kSetupScan;
          if (size != 0) job_.pageSizes[0] = size;
          state_ = ScanState::kBody;
          return 0;
        }
        return OnBodyLine(line);
      case ScanState::kBody:
        return OnBodyLine(line);
      case ScanState::kAfterPageLine:
        if (MatchDscLine(kBeginPageSetup, text)) {
          std::uint32_t size = 0;
          if (const int result = ScanSectionForPageSize(reader, kEndPageSetup, size); result < 0)
            return result == kScanRead ? kScanRead : kPageSetupScan;
          std::uint32_t& entry = job_.pageSizes[job_.pageCount - 1];
          if (size != 0)
            entry = size;
          else if (entry == 0 && job_.pageCount > 1)
            entry = job_.pageSizes[job_.pageCount - 2];
          state_ = ScanState::kBody;
          return 0;
        }
        // A page without a page setup ends where the next one begins; a new
        // page, trailer or embedded document is taken as between pages, or
        // the pages after it would be lost.
        return OnBodyLine(line);
      case ScanState::kInsideDocument:
        return OnEmbeddedLine(reader, text);
    }
    return 0;
  }

  int OnBodyLine(const DscReader::Line& line) {
    const std::string_view text = line.text;
    if (IsPageLine(text)) {
      job_.pagePositions[job_.pageCount] = line.end;
      ++job_.pageCount;
      if (job_.pageCount == job_.capacity) {
        if (const int result = GrowTables(); result < 0) return result;
      }
      state_ = ScanState::kAfterPageLine;
    } else if (MatchDscLine(kTrailer, text)) {
      // A second trailer leaves no trailer to copy: the writer stops after the last side.
      job_.pagePositions[job_.pageCount] = trailers_ == 0 ? line.end : 0;
      ++trailers_;
    } else if (MatchDscLine(kBeginDocument, text)) {
      ++depth_;
      justBegan_ = true;
      state_ = ScanState::kInsideDocument;
    }
    return 0;
  }

  int OnEmbeddedLine(DscReader& reader, std::string_view text) {
    if (MatchDscLine(kBeginDocument, text)) {
      ++depth_;
      justBegan_ = true;
      return 0;
    }
    if (MatchDscLine(kEndDocument, text)) {
      if (--depth_ <= 0) {
        depth_ = 0;
        state_ = ScanState::kBody;
      }
      return 0;
    }
    if (!justBegan_) return 0;
    justBegan_ = false;
    if (!IsPsAdobeLine(text)) return 0;
    if (!job_.embeddedMode && job_.pageCount == 1) {
      // A single wrapper page around a whole document: its pages are the ones to impose.
      job_.embeddedMode = true;
      job_.pageCount = 0;
    } else {
      std::uint32_t size = 0;
      if (const int result = ScanSectionForPageSize(reader, kEndSetup, size); result < 0)
        return result == kScanRead ? kScanRead : kEmbeddedSetupScan;
      if (size != 0) job_.pageSizes[job_.pageCount] = size;
    }
    state_ = ScanState::kBody;
    return 0;
  }

  int GrowTables() {
    const std::size_t entries = static_cast<std::size_t>(job_.capacity) + 100 + 1;
    try {
      job_.pagePositions.resize(entries, 0);
    } catch (const std::bad_alloc&) {
      return kSetupScan;
    }
    try {
      job_.pageSizes.resize(entries, 0);
    } catch (const std::bad_alloc&) {
      return kSizeTableGrowth;
    }
    job_.capacity += 100;
    return 0;
  }

  BookletJob& job_;
  ScanState state_ = ScanState::kBeforeHeader;
  int trailers_ = 0;
  int depth_ = 0;
  bool justBegan_ = false;
};

}  // namespace

int ScanDocument(BookletJob& job) {
  ScopedFile input(OpenForReading(job.inputPath));
  if (!input.IsValid()) return kScanOpen;
  try {
    DscReader reader(input.Get());
    return DocumentScan(job).Run(reader);
  } catch (const std::bad_alloc&) {
    return kScanAllocation;
  }
}

}  // namespace booklet
