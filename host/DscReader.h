// A streaming reader of DSC-conforming PostScript: it hands out the document
// in pieces, each tagged with the part of the document it belongs to, so the
// driver can re-emit the document with its own structure around it.
//
// The document is read in large blocks (a regular file is mapped a window
// at a time, so its bytes are not even copied). A line that begins with '%' comes out
// on its own (a comment line longer than kMaxLine is cut, and only its first
// piece can be a DSC comment); the code between such lines comes out as runs
// of whole lines of up to kBlock bytes. A piece is a view into the reader's
// block, valid until the next call of Next(), so memory does not grow with
// the document and no byte is copied on its way through.
//
// Structure follows DSC 3.0 and stays lenient, as a driver must: the header
// runs to %%EndComments or to the first line that is not '%' and a printable
// character other than a blank; a document without %%BeginProlog has its
// leading code taken as prolog, code between the prolog and the first page as
// setup. Embedded documents (%%BeginDocument .. %%EndDocument) and data blocks
// (%%BeginData, %%BeginBinary: by their byte or line count when they give
// one) hide whatever they hold: their contents are never structure.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace renps {

enum class DscPart {
  Header,       // header comments (%%BoundingBox: ... ); not the %!PS-Adobe line nor %%EndComments
  Defaults,     // lines between %%BeginDefaults and %%EndDefaults
  Prolog,       // lines of the prolog, without its %%Begin/EndProlog lines
  Setup,        // lines of the document setup, without its %%Begin/EndSetup lines
  PageStart,    // a %%Page: line; `label` holds its label
  PageComment,  // comments right after %%Page: (%%PageBoundingBox: ...)
  PageSetup,    // lines between %%BeginPageSetup and %%EndPageSetup
  PageBody,     // the page's code
  PageTrailer,  // lines after %%PageTrailer
  Trailer,      // lines after %%Trailer, up to %%EOF
  End,          // no more lines
};

struct DscLine {
  DscPart part = DscPart::End;
  std::string_view text;  // with its line ends as in the document; valid until the next Next()
  bool whole = true;      // begins at a line start (false for the rest of a cut line)
  // A comment line of the document's own structure: "%%" at a line start,
  // outside embedded documents and data blocks.
  bool comment = false;
  // Code (or a comment) outside every section before the first page, tagged
  // Prolog or Setup: a document without page comments has its drawing here.
  bool implicit = false;
  std::string label;  // PageStart: the page label ("1", "iii")
};

class DscReader {
 public:
  static constexpr std::size_t kMaxLine = 64 * 1024;
  static constexpr std::size_t kBlock = 256 * 1024;

  static constexpr std::size_t kWindow = 4 * 1024 * 1024;

  // Reads from `file` (not owned), from its current position. `name` names
  // the document in messages.
  DscReader(std::FILE* file, std::string name);
  ~DscReader();
  DscReader(const DscReader&) = delete;
  DscReader& operator=(const DscReader&) = delete;

  // Checks that the document starts with "%!". Throws InputError.
  void ReadHeaderLine();
  // The next piece; part End at the end of the document (after %%EOF or at
  // the end of the file). Throws InputError when the file cannot be read.
  DscLine Next();

  // An Encapsulated PostScript file ("%!PS-Adobe-3.0 EPSF-3.0").
  bool IsEps() const { return eps_; }
  // The document reached %%Trailer or %%EOF: it was not cut off.
  bool Finished() const { return finished_; }
  // The first line claims conformance ("%!PS-Adobe-"), as an EPS does too.
  bool ClaimsConformance() const { return conforming_; }
  // The end of the file came inside an embedded document or a data block.
  bool EndedInsideData() const { return embedded_ > 0 || !dataEnd_.empty() || rawBytes_ > 0 || rawLines_ > 0; }

 private:
  enum class State {
    Header,
    Document,
    Defaults,
    Prolog,
    Setup,
    PageComments,
    PageSetup,
    Page,
    PageTrailer,
    Trailer,
    Done
  };
  // The next piece of the file, at most kBlock bytes; false at its end.
  bool Fetch(std::string_view& text, bool& whole);
  bool Refill();
  bool MapNextWindow();
  // Where the current piece ends, or npos when more of the file is needed to
  // tell (the file is not at its end and the block is not full).
  std::size_t PieceLength() const;
  std::size_t RawPieceLength() const;
  // Nullopt for a comment that only opens or closes a part.
  std::optional<DscLine> Classify(std::string_view text, bool whole);
  DscPart ContentPart() const;
  void BeginData(std::string_view comment);

  std::FILE* file_;
  std::string name_;
  std::vector<char> block_;
  const char* data_ = nullptr;       // the block, or the mapped window of a regular file
  std::size_t begin_ = 0, end_ = 0;  // the unread bytes of data_
  int fd_ = -1;                      // the regular file that is mapped
  long long fileSize_ = 0;
  long long windowOffset_ = 0;  // where data_ stands in the file
  const void* window_ = nullptr;
  std::size_t windowLength_ = 0;
  std::size_t handedOut_ = 0;  // the piece handed out last, still at begin_
  bool opaque_ = false;        // that piece is counted data
  bool atEnd_ = false;         // the file has no more bytes
  bool atLineStart_ = true;

  State state_ = State::Header;
  bool sawSetupOrPage_ = false;
  bool prologEnded_ = false;
  bool eps_ = false;
  bool conforming_ = false;
  bool finished_ = false;
  int embedded_ = 0;          // depth of %%BeginDocument
  std::string dataEnd_;       // the comment that ends a data block of unknown length, when inside one
  std::size_t rawBytes_ = 0;  // bytes of a counted data block still to come
  std::size_t rawLines_ = 0;  // lines of a counted data block still to come
};

}  // namespace renps
