// The driver's reading of DSC documents: each line lands in the part of the
// document it belongs to, also when the document leaves parts out.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DscReader.h"
#include "JobFile.h"

namespace {

using renps::DscPart;

struct Read {
  std::vector<std::pair<DscPart, std::string>> lines;
  std::vector<std::string> labels;
};

Read ReadAll(const std::string& text) {
  std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  renps::DscReader reader(f, "doc.ps");
  reader.ReadHeaderLine();
  Read out;
  for (auto line = reader.Next(); line.part != DscPart::End; line = reader.Next()) {
    if (line.part == DscPart::PageStart) out.labels.push_back(line.label);
    // Code comes in runs of lines; compare line by line.
    for (std::size_t start = 0; start < line.text.size();) {
      std::size_t end = line.text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = line.text.size() - 1;
      if (line.text[end] == '\r' && end + 1 < line.text.size() && line.text[end + 1] == '\n') ++end;
      out.lines.emplace_back(line.part, std::string(line.text.substr(start, end + 1 - start)));
      start = end + 1;
    }
  }
  std::fclose(f);
  return out;
}

TEST(DscReaderTest, LinesLandInTheirParts) {
  struct Case {
    const char* name;
    std::string document;
    std::vector<std::pair<DscPart, std::string>> expected;
  };
  const Case cases[] = {
      {"full structure",
       "%!PS-Adobe-3.0\n%%Title: t\n%%EndComments\n%%BeginDefaults\nd\n%%EndDefaults\n%%BeginProlog\np\n"
       "%%EndProlog\n%%BeginSetup\ns\n%%EndSetup\n%%Page: 1 1\n%%PageBoundingBox: 0 0 1 1\n%%BeginPageSetup\nps\n"
       "%%EndPageSetup\nb\nshowpage\n%%PageTrailer\npt\n%%Trailer\nt\n%%EOF\nafter\n",
       {{DscPart::Header, "%%Title: t\n"},
        {DscPart::Defaults, "d\n"},
        {DscPart::Prolog, "p\n"},
        {DscPart::Setup, "s\n"},
        {DscPart::PageStart, "%%Page: 1 1\n"},
        {DscPart::PageComment, "%%PageBoundingBox: 0 0 1 1\n"},
        {DscPart::PageSetup, "ps\n"},
        {DscPart::PageBody, "b\n"},
        {DscPart::PageBody, "showpage\n"},
        {DscPart::PageTrailer, "pt\n"},
        {DscPart::Trailer, "t\n"}}},
      {"no sections: code before the first page is prolog, a header ends at code",
       "%!PS\n%%Pages: 1\ncode\n%%Page: a 1\nb\n",
       {{DscPart::Header, "%%Pages: 1\n"},
        {DscPart::Prolog, "code\n"},
        {DscPart::PageStart, "%%Page: a 1\n"},
        {DscPart::PageBody, "b\n"}}},
      {"code between prolog and first page is setup; CR LF kept",
       "%!PS-Adobe-3.0\r\n%%BeginProlog\r\np\r\n%%EndProlog\r\nx\r\n%%Page: 1 1\r\n",
       {{DscPart::Prolog, "p\r\n"}, {DscPart::Setup, "x\r\n"}, {DscPart::PageStart, "%%Page: 1 1\r\n"}}},
      {"an embedded document is not interpreted",
       "%!PS-Adobe-3.0\n%%EndComments\n%%Page: 1 1\n%%BeginDocument: e.eps\n%%Page: 9 9\n%%Trailer\n"
       "%%EndDocument\nshowpage\n",
       {{DscPart::PageStart, "%%Page: 1 1\n"},
        {DscPart::PageBody, "%%BeginDocument: e.eps\n"},
        {DscPart::PageBody, "%%Page: 9 9\n"},
        {DscPart::PageBody, "%%Trailer\n"},
        {DscPart::PageBody, "%%EndDocument\n"},
        {DscPart::PageBody, "showpage\n"}}},
      {"%%PageTrailer text is not mistaken for a page start; similar keywords stay code",
       "%!PS-Adobe-3.0\n%%Page: 1 1\n%%Pages2\n%%PageTrailer\n%%Page: 2 2\n",
       {{DscPart::PageStart, "%%Page: 1 1\n"},
        {DscPart::PageComment, "%%Pages2\n"},
        {DscPart::PageStart, "%%Page: 2 2\n"}}},
      {"the header runs across single-percent lines up to %%EndComments; a stray one is dropped",
       "%!PS-Adobe-3.0\n%Produced by a converter\n%%LanguageLevel: 2\n%%Pages: 1\n%%EndComments\n%%EndComments\n"
       "%%Page: 1 1\n",
       {{DscPart::Header, "%Produced by a converter\n"},
        {DscPart::Header, "%%LanguageLevel: 2\n"},
        {DscPart::Header, "%%Pages: 1\n"},
        {DscPart::PageStart, "%%Page: 1 1\n"}}},
      {"without %%EndComments the header ends at a line that is not % and a printable character",
       "%!PS-Adobe-3.0\n%%Title: t\n% note\n%%Pages: 1\n",
       {{DscPart::Header, "%%Title: t\n"}, {DscPart::Prolog, "% note\n"}, {DscPart::Prolog, "%%Pages: 1\n"}}},
      {"a data block hides as many bytes as it announces, whatever they look like",
       "%!PS-Adobe-3.0\n%%Page: 1 1\n%%BeginData: 24 Binary Bytes\nx\n%%EndData\n%%Page: 9 9\n\n%%EndData\n%%Trailer\n",
       {{DscPart::PageStart, "%%Page: 1 1\n"},
        {DscPart::PageBody, "%%BeginData: 24 Binary Bytes\n"},
        {DscPart::PageBody, "x\n"},
        {DscPart::PageBody, "%%EndData\n"},
        {DscPart::PageBody, "%%Page: 9 9\n"},
        {DscPart::PageBody, "\n"},
        {DscPart::PageBody, "%%EndData\n"}}},
      {"a data block counted in lines",
       "%!PS-Adobe-3.0\n%%Page: 1 1\n%%BeginData: 2 ASCII Lines\n%%Page: 8 8\n%%Trailer\n%%EndData\n%%Trailer\nt\n",
       {{DscPart::PageStart, "%%Page: 1 1\n"},
        {DscPart::PageBody, "%%BeginData: 2 ASCII Lines\n"},
        {DscPart::PageBody, "%%Page: 8 8\n"},
        {DscPart::PageBody, "%%Trailer\n"},
        {DscPart::PageBody, "%%EndData\n"},
        {DscPart::Trailer, "t\n"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadAll(c.document).lines, c.expected) << c.name;
}

TEST(DscReaderTest, PageLabelsDropTheOrdinal) {
  EXPECT_EQ(ReadAll("%!PS\n%%Page: 1 1\n%%Page: (ii) 2\n%%Page: 7\n%%Page: a b 3\n").labels,
            (std::vector<std::string>{"1", "(ii)", "7", "a b"}));
}

TEST(DscReaderTest, LongLinesComeInPiecesOfWhichOnlyTheFirstCanBeAComment) {
  using renps::DscReader;
  std::string document = "%!PS\n%%Page: 1 1\n%%" + std::string(DscReader::kMaxLine, 'x') + "%%Trailer\n";
  document += std::string(DscReader::kBlock + 10, 'y') + "%%EOF\n%%Trailer\nt\n";
  std::FILE* f = fmemopen(document.data(), document.size(), "rb");
  DscReader reader(f, "doc.ps");
  reader.ReadHeaderLine();
  EXPECT_EQ(reader.Next().part, DscPart::PageStart);
  struct Piece {
    DscPart part;
    std::size_t size;
    bool whole;
  };
  const Piece expected[] = {
      {DscPart::PageComment, DscReader::kMaxLine, true},  // a cut comment
      {DscPart::PageBody, 2 + 10, false},                 // its rest: "xx%%Trailer\n"
      {DscPart::PageBody, DscReader::kBlock, true},       // a code line as long as a block
      {DscPart::PageBody, 10 + 6, false},                 // its rest: "yy..%%EOF\n"
      {DscPart::Trailer, 2, true},
  };
  for (const auto& piece : expected) {
    const auto line = reader.Next();
    EXPECT_EQ(line.part, piece.part);
    EXPECT_EQ(line.text.size(), piece.size);
    EXPECT_EQ(line.whole, piece.whole);
  }
  EXPECT_EQ(reader.Next().part, DscPart::End);
  EXPECT_TRUE(reader.Finished());
  std::fclose(f);
}

TEST(DscReaderTest, NonPostScriptInputIsRefused) {
  for (const std::string text : {"", "hello\n", "\x1b%-12345X@PJL\n"}) {
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size() + (text.empty() ? 1 : 0), "rb");
    renps::DscReader reader(f, "doc.ps");
    EXPECT_THROW(reader.ReadHeaderLine(), renps::InputError) << text;
    std::fclose(f);
  }
}

}  // namespace
