// A streaming reader of DSC-conforming PostScript: it hands out the document
// line by line, each tagged with the part of the document it belongs to, so
// the driver can re-emit the document with its own structure around it.
// Nothing is buffered beyond one line, and a line longer than kMaxLine comes
// out in pieces (only the first piece can be a DSC comment), so memory does
// not grow with the document.
//
// The reader is lenient about structure, as a driver must be: a document
// without %%BeginProlog has its leading code taken as prolog, code between the
// prolog and the first page as setup. Embedded documents (%%BeginDocument ..
// %%EndDocument) and data blocks are passed through uninterpreted.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

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
  std::string text;   // with its line end as in the document
  bool whole = true;  // false for the pieces of an overlong line
  std::string label;  // PageStart: the page label ("1", "iii")
};

class DscReader {
 public:
  static constexpr std::size_t kMaxLine = 64 * 1024;

  // Reads from `file` (not owned). `name` names the document in messages.
  DscReader(std::FILE* file, std::string name);

  // Checks that the document starts with a "%!PS" line. Throws InputError.
  void ReadHeaderLine();
  // The next line; part End at the end of the document (after %%EOF or at EOF).
  DscLine Next();
  // Lines read so far (for messages).
  std::size_t LineNumber() const { return lineNumber_; }

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
  bool ReadRaw(std::string& text, bool& whole);
  // Nullopt for a comment that only opens or closes a part.
  std::optional<DscLine> Classify(std::string text, bool whole);

  std::FILE* file_;
  std::string name_;
  std::size_t lineNumber_ = 0;
  bool atLineStart_ = true;
  State state_ = State::Header;
  bool sawSetupOrPage_ = false;
  bool prologEnded_ = false;
  int embedded_ = 0;     // depth of %%BeginDocument
  std::string dataEnd_;  // the comment that ends a data block, when inside one
  std::string pending_;  // a line read ahead
  bool pendingWhole_ = true;
  bool hasPending_ = false;
};

}  // namespace renps
