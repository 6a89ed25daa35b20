// Pass 2: the imposed document. The input is read once more, each page
// exactly once, in booklet order.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <new>

#include "output/booklet/BookletJob.h"
#include "output/booklet/BookletOutput.h"
#include "output/booklet/BookletProcset.h"
#include "output/booklet/DscMatch.h"
#include "output/booklet/DscReader.h"
#include "output/booklet/ScopedFile.h"
#include "platform/text.h"

namespace booklet {

namespace {

constexpr std::size_t kFormatBuffer = 1024;

class SheetWriter {
 public:
  SheetWriter(BookletJob& job, DscReader& reader, BookletOutput& output)
      : job_(job), settings_(job.settings), reader_(reader), output_(output) {}

  int Run(std::string_view procset) {
    if (!reader_.Seek(job_.separatorEnd)) return kSeparatorSkip;
    if (const int result = CopyProlog(procset); result < 0) return result;
    if (const int result = CopyToFirstPage(); result < 0) return result;
    const std::uint32_t padded = PaddedPageCount(job_.pageCount);
    int result = 1;
    for (std::uint32_t position = 1; position <= padded; ++position) {
      const std::uint32_t page = BookletSourcePage(padded, position, settings_.order);
      result = WritePagelet(position, page > job_.pageCount ? 0 : page);
      if (result < 0) return result;
    }
    const std::uint64_t trailer = job_.pagePositions[job_.pageCount];
    if (trailer != 0) {
      reader_.SetReadHint(0);
      if (!reader_.Seek(trailer)) return kTrailerSeek;
      if (const int written = output_.Write("%%Trailer\n"); written < 0) return written;
      if (const int copied = CopyRest(); copied < 0) return copied;
    }
    if (const int flushed = output_.Flush(); flushed < 0) return flushed;
    return result;
  }

 private:
  int ReaderError() const { return reader_.Error(); }

  __attribute__((format(printf, 2, 3))) int Format(const char* format, ...) {
    char buffer[kFormatBuffer];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) return 0;
    return output_.Write(buffer, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof buffer - 1));
  }

  // Everything up to "%%BeginProlog" as it is, then that line and the procset.
  int CopyProlog(std::string_view procset) {
    DscReader::Line line;
    for (;;) {
      const DscReader::Status status = reader_.NextComment(line, &output_, false);
      if (status == DscReader::Status::kError) return ReaderError();
      if (status == DscReader::Status::kEnd) return kPrologNotFound;
      if (MatchDscLine(kBeginProlog, line.text)) break;
      if (const int written = output_.Write(line.raw); written < 0) return written;
    }
    if (job_.embeddedMode) {
      // The wrapper's own prolog, setup and page opening give way to the embedded document's.
      do {
        const DscReader::Status status = reader_.NextComment(line, nullptr, false);
        if (status == DscReader::Status::kError) return ReaderError();
        if (status == DscReader::Status::kEnd) return kPrologNotFound;
      } while (!MatchDscLine(kBeginProlog, line.text));
    }
    if (const int written = output_.Write(line.raw); written < 0) return written;
    if (const int written = output_.Write(procset); written < 0) return written;
    return output_.Write("\n");
  }

  // The rest of the prolog and the setup, up to the first page (whose line is dropped).
  int CopyToFirstPage() {
    DscReader::Line line;
    for (;;) {
      const DscReader::Status status = reader_.NextComment(line, &output_, false);
      if (status == DscReader::Status::kError) return ReaderError();
      if (status == DscReader::Status::kEnd) return kPageSeek;
      if (IsPageLine(line.text)) return 0;
      if (const int written = output_.Write(line.raw); written < 0) return written;
    }
  }

  int CopyRest() {
    DscReader::Line line;
    for (;;) {
      const DscReader::Status status = reader_.NextComment(line, &output_, false);
      if (status == DscReader::Status::kError) return ReaderError();
      if (status == DscReader::Status::kEnd) return 0;
      if (const int written = output_.Write(line.raw); written < 0) return written;
    }
  }

  // One pagelet: `page` from 1, or 0 for a blank. 1 when the page ended at
  // the next page or the end of the file, 2 when it ended at the trailer.
  int WritePagelet(std::uint32_t position, std::uint32_t page) {
    if (page != 0) {
      if (!reader_.Seek(job_.pagePositions[page - 1])) return kPageSeek;
      // The page ends with the line that opens the next one (or with the trailer line).
      reader_.SetReadHint(job_.pagePositions[page]);
    }
    const Creep creep = CreepAt(job_.pageCount, position, settings_.creepPerSheet, settings_.order);
    int result = 0;
    if (position % 2 == 1 && (result = Format("%%%%Page: %u %u\n", page, (position + 1) / 2)) < 0) return result;
    if ((result = Format("%%%%TMRPagelet: %u of 2\n", position % 2 == 1 ? 1u : 2u)) < 0) return result;
    if (position == 1) {
      result = Format("%u %u %u %u %u %u %u %u %u %s %s %d X3DBMi\n\n", settings_.copies, 0u, 0u, settings_.sheetWidth,
                      settings_.sheetHeight, settings_.marginX, settings_.marginY, settings_.gutter + creep.maxCreep,
                      settings_.borderStyle, settings_.rotateSheet ? "true" : "false",
                      settings_.rotatePagelet ? "true" : "false", 2);
      if (result < 0) return result;
    }
    if (page == 0) {
      if ((result = output_.Write("%%BeginPageSetup\n")) < 0) return result;
      if ((result = Format("%%TMRPageletSetup\nfalse %u X3DBMps\n\n", creep.shift)) < 0) return result;
      if ((result = output_.Write("%%EndPageSetup\n\nshowpage\n\n")) < 0) return result;
      return 1;
    }
    return CopyPage(page, creep.shift);
  }

  int CopyPage(std::uint32_t page, std::uint32_t shift) {
    bool setupMet = false;
    int depth = 0;
    DscReader::Line line;
    for (;;) {
      const DscReader::Status status = reader_.NextComment(line, &output_, false);
      if (status == DscReader::Status::kError) return ReaderError();
      if (status == DscReader::Status::kEnd) return 1;
      const std::string_view text = line.text;
      int result = 0;
      if (!setupMet && MatchDscLine(kBeginPageSetup, text)) {
        setupMet = true;
        if ((result = output_.Write(line.raw)) < 0) return result;
        if (job_.pageSizes[0] != 0) {
          const std::uint32_t size = job_.pageSizes[page - 1];
          result = Format("%%TMRPageletSetup\n<< /PageSize [%u %u] >> setpagedevice\n", PackedWidth(size),
                          PackedHeight(size));
          if (result < 0) return result;
        }
        if ((result = Format("true %u X3DBMps\n\n", shift)) < 0) return result;
        continue;
      }
      if (MatchDscLine(kBeginDocument, text)) {
        ++depth;
      } else if (MatchDscLine(kEndDocument, text)) {
        // An unmatched end must not hide the pages that follow.
        depth = depth > 0 ? depth - 1 : 0;
      } else if (depth == 0) {
        if (IsPageLine(text)) return 1;
        if (MatchDscLine(kTrailer, text) || MatchDscLine(kEndOfFile, text)) return 2;
      }
      if ((result = output_.Write(line.raw)) < 0) return result;
    }
  }

  BookletJob& job_;
  const BookletSettings& settings_;
  DscReader& reader_;
  BookletOutput& output_;
};

}  // namespace

int WriteBooklet(BookletJob& job) {
  BookletSettings& settings = job.settings;
  if (settings.sizeFromDocument && job.pageSizes[0] != 0) {
    settings.sheetWidth = PackedWidth(job.pageSizes[0]);
    settings.sheetHeight = PackedHeight(job.pageSizes[0]);
  }
  // Looked up before the output exists, so a module without the procset leaves nothing behind.
  std::string_view procset;
  if (!FindProcsetText(job.module, job.procsetId, procset)) return kProcsetMissing;
  ScopedFile outputFile(CreateFileW(platform::W(job.outputPath.c_str()), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, kSequentialFile, nullptr));
  if (!outputFile.IsValid()) return kOutputCreate;
  ScopedFile input(OpenForReading(job.inputPath));
  if (!input.IsValid()) return kInputOpen;
  int result = 0;
  try {
    DscReader reader(input.Get());
    BookletOutput output(outputFile.Get());
    result = SheetWriter(job, reader, output).Run(procset);
  } catch (const std::bad_alloc&) {
    result = kWriteAllocation;
  }
  if (!outputFile.Close() && result >= 0) result = kWriteFailed;
  // A half-written booklet is of no use to anyone.
  if (result < 0) DeleteFileW(platform::W(job.outputPath.c_str()));
  return result;
}

int RunBooklet(BookletJob& job) {
  try {
    job.capacity = 100;
    job.pagePositions.assign(job.capacity + 1, 0);
    job.pageSizes.assign(job.capacity + 1, 0);
  } catch (const std::bad_alloc&) {
    return kAllocation;
  }
  if (job.settings.rotateFlip) {
    job.settings.rotateSheet = !job.settings.rotateSheet;
    job.settings.rotatePagelet = !job.settings.rotatePagelet;
  }
  const int scanned = ScanDocument(job);
  int result = scanned;
  if (scanned >= 1) {
    job.pageCount = static_cast<std::uint32_t>(scanned);
    result = WriteBooklet(job);
  }
  job.pagePositions = {};
  job.pageSizes = {};
  return result >= 0 ? static_cast<int>(job.pageCount) : result;
}

}  // namespace booklet
