// The booklet writer on whole documents: order and headers of the sheet
// sides, the operands it hands the procset, page sizes, separator files,
// embedded documents, and bad input that must leave the spool file alone.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "BookletTesting.h"
#include "PluginHarness.h"
#include "TestPrinter.h"
#include "com/ModuleState.h"
#include "output/booklet/TamorPsBookletVerticalFeature.h"
#include "pdev/XOemPdev.h"

using namespace booklet_testing;

namespace {

// The lines of `text` (without line ends) for which `match` holds, in order.
template <class Match>
std::vector<std::string> Grep(const std::string& text, Match match) {
  std::vector<std::string> found;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (match(std::string_view(line))) found.push_back(line);
  }
  return found;
}

auto StartsWith(std::string_view prefix) {
  return [prefix](std::string_view line) { return line.starts_with(prefix); };
}
auto Is(std::string_view text) {
  return [text](std::string_view line) { return line == text; };
}
// A call of the procedure `name` (not a comment that mentions it).
auto Calls(std::string_view name) {
  return [name](std::string_view line) {
    return !line.starts_with("%") && line.size() > name.size() && line.ends_with(name) &&
           line[line.size() - name.size() - 1] == ' ';
  };
}

// The source pages in output order, by the numbers their bodies show.
std::vector<std::string> PageOrder(const std::string& text) {
  std::vector<std::string> order;
  for (const std::string& line : Grep(text, Calls("ShowNumber")))
    if (line.starts_with("(")) order.push_back(line.substr(1, line.find(')') - 1));
  return order;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Temporary files in the test's directory and the procset in the plug-in's
// module, for the length of a test.
class ImposeEnvironment {
 public:
  explicit ImposeEnvironment(const std::string& tmp) {
    const char* previous = std::getenv("TMPDIR");
    hadTmp_ = previous != nullptr;
    if (hadTmp_) savedTmp_ = previous;
    setenv("TMPDIR", tmp.c_str(), 1);
    previousModule_ = module_state::GetModuleHandle();
    module_state::SetModuleHandle(ProcsetModule());
  }
  ~ImposeEnvironment() {
    module_state::SetModuleHandle(previousModule_);
    if (hadTmp_)
      setenv("TMPDIR", savedTmp_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

 private:
  bool hadTmp_ = false;
  std::string savedTmp_;
  HMODULE previousModule_ = nullptr;
};

class BookletWriterTest : public BookletDirTest {
 protected:
  int Impose(const std::string& document, booklet::BookletJob& job) {
    WriteBytes(Path("in.ps"), document);
    return booklet::RunBooklet(job);
  }
  int Impose(const std::string& document) {
    booklet::BookletJob job = Job("in.ps");
    return Impose(document, job);
  }
  std::string Output() const { return ReadBytes(Path("out.ps")); }
};

}  // namespace

TEST_F(BookletWriterTest, SheetSidesInBothOrders) {
  struct Case {
    booklet::SideOrder order;
    std::vector<std::string> pageLines;
    std::vector<std::string> pages;
  };
  const Case cases[] = {
      {booklet::SideOrder::kNormal,
       {"%%Page: 8 1", "%%Page: 2 2", "%%Page: 6 3", "%%Page: 4 4"},
       {"8", "1", "2", "7", "6", "3", "4", "5"}},
      {booklet::SideOrder::kReversed,
       {"%%Page: 4 1", "%%Page: 6 2", "%%Page: 2 3", "%%Page: 8 4"},
       {"4", "5", "6", "3", "2", "7", "8", "1"}},
  };
  for (const auto& c : cases) {
    booklet::BookletJob job = Job("in.ps");
    job.settings.order = c.order;
    ASSERT_EQ(Impose(DriverDocument({}), job), 8);
    const std::string out = Output();
    EXPECT_EQ(Grep(out, StartsWith("%%Page:")), c.pageLines);
    EXPECT_EQ(PageOrder(out), c.pages);
    std::vector<std::string> pagelets;
    for (int side = 0; side < 4; ++side)
      pagelets.insert(pagelets.end(), {"%%TMRPagelet: 1 of 2", "%%TMRPagelet: 2 of 2"});
    EXPECT_EQ(Grep(out, StartsWith("%%TMRPagelet:")), pagelets);
    // The sheet is the document's own page size, whatever the devmode says.
    EXPECT_NE(
        out.find("%%Page: " + c.pages[0] + " 1\n%%TMRPagelet: 1 of 2\n1 0 0 612 792 0 0 0 0 true false 2 X3DBMi\n\n"),
        std::string::npos);
    EXPECT_EQ(Grep(out, Calls("X3DBMi")).size(), 1u);
    EXPECT_EQ(Grep(out, Is("true 0 X3DBMps")).size(), 8u);
    EXPECT_EQ(Grep(out, Is("<< /PageSize [612 792] >> setpagedevice")).size(), 8u);
    // The procset once, right after the prolog line; the trailer and what follows it at the end.
    EXPECT_EQ(Count(out, "%%TMR X3DBMIncluded"), 1u);
    EXPECT_NE(out.find("%%BeginProlog\n" + ProcsetResourceBytes().substr(0, ProcsetResourceBytes().size() - 1) + "\n"),
              std::string::npos);
    EXPECT_TRUE(out.ends_with("%%PageTrailer\n%%Trailer\n%%Pages: 8\n%%EOF\n"));
    EXPECT_EQ(Count(out, "%%Trailer"), 1u);
  }
}

TEST_F(BookletWriterTest, FivePagesLeaveBlankPagelets) {
  DocumentOptions document;
  document.pages = 5;
  ASSERT_EQ(Impose(DriverDocument(document)), 5);
  const std::string out = Output();
  EXPECT_EQ(Grep(out, StartsWith("%%Page:")),
            (std::vector<std::string>{"%%Page: 0 1", "%%Page: 2 2", "%%Page: 0 3", "%%Page: 4 4"}));
  EXPECT_EQ(PageOrder(out), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(Count(out, "%%BeginPageSetup\n%TMRPageletSetup\nfalse 0 X3DBMps\n\n%%EndPageSetup\n\nshowpage\n\n"), 3u);
}

TEST_F(BookletWriterTest, OnePageMakesOneSheet) {
  DocumentOptions document;
  document.pages = 1;
  ASSERT_EQ(Impose(DriverDocument(document)), 1);
  EXPECT_EQ(Grep(Output(), StartsWith("%%Page:")), (std::vector<std::string>{"%%Page: 0 1", "%%Page: 0 2"}));
}

TEST_F(BookletWriterTest, CreepGutterMarginsAndRotationReachTheProcset) {
  booklet::BookletJob job = Job("in.ps");
  job.settings.copies = 3;
  job.settings.marginX = 12;
  job.settings.marginY = 30;
  job.settings.gutter = 20;
  job.settings.creepPerSheet = 100;
  job.settings.borderStyle = 2;
  job.settings.rotateFlip = true;  // turns both rotations
  ASSERT_EQ(Impose(DriverDocument({}), job), 8);
  const std::string out = Output();
  EXPECT_EQ(Grep(out, Calls("X3DBMi")), std::vector<std::string>{"3 0 0 612 792 12 30 30 2 false true 2 X3DBMi"});
  EXPECT_EQ(Grep(out, Calls("X3DBMps")),
            (std::vector<std::string>{"true 0 X3DBMps", "true 0 X3DBMps", "true 0 X3DBMps", "true 0 X3DBMps",
                                      "true 5 X3DBMps", "true 5 X3DBMps", "true 5 X3DBMps", "true 5 X3DBMps"}));
}

TEST_F(BookletWriterTest, EachPageletGetsThePageSizeInEffect) {
  DocumentOptions document;
  document.pageSetupSize = [](int page) { return std::string(page == 2 ? "792 612" : ""); };
  document.pages = 4;
  ASSERT_EQ(Impose(DriverDocument(document)), 4);
  const std::string out = Output();
  // Order 4 1 2 3: page 4 inherits page 3's size, page 2 the setup's.
  EXPECT_EQ(
      Grep(out, [](std::string_view line) { return line.ends_with("setpagedevice") || line.ends_with("ShowNumber"); }),
      (std::vector<std::string>{
          "<</PageSize [612 792] /ImagingBBox null>> setpagedevice",  // the document setup
          "<< /PageSize [792 612] >> setpagedevice", "(4) ShowNumber", "<< /PageSize [612 792] >> setpagedevice",
          "(1) ShowNumber", "<< /PageSize [612 792] >> setpagedevice", "(2) ShowNumber",
          "<< /PageSize [792 612] >> setpagedevice", "<</PageSize [792 612]>> setpagedevice", "(3) ShowNumber"}));

  // Without a size in the setup, no page gets one and the devmode's paper is the sheet.
  document.setupPageSize.clear();
  ASSERT_EQ(Impose(DriverDocument(document)), 4);
  EXPECT_TRUE(Grep(Output(), StartsWith("<< /PageSize")).empty());
  EXPECT_EQ(Grep(Output(), Calls("X3DBMi")), std::vector<std::string>{"1 0 0 595 842 0 0 0 0 true false 2 X3DBMi"});
}

TEST_F(BookletWriterTest, PagesWithoutPageSetupGetNoPlacement) {
  DocumentOptions document;
  document.pageSetups = false;
  ASSERT_EQ(Impose(DriverDocument(document)), 8);
  EXPECT_TRUE(Grep(Output(), Calls("X3DBMps")).empty());
}

TEST_F(BookletWriterTest, SeparatorFileBeforeTheJobIsDropped) {
  const std::string separator =
      "%!PS-Adobe-3.0\n%%Title: banner\n%%BeginProlog\n%%EndProlog\n%%Page: 1 1\n(banner) show showpage\n"
      "%%Trailer\n\x04%!PS-Adobe-3.0 TMR Separator File End Job Begin\r\n";
  DocumentOptions document;
  document.pages = 4;
  const std::string job = DriverDocument(document);
  ASSERT_EQ(Impose(separator + job), 4);
  const std::string out = Output();
  EXPECT_TRUE(out.starts_with("%!PS-Adobe-3.0\n%%Title: booklet test\n"));
  EXPECT_EQ(out.find("banner"), std::string::npos);
  EXPECT_EQ(PageOrder(out), (std::vector<std::string>{"4", "1", "2", "3"}));
}

TEST_F(BookletWriterTest, WrapperPageAroundADocumentImposesTheInnerPages) {
  DocumentOptions inner;
  inner.pages = 4;
  inner.setupPageSize = "420 595";
  const std::string wrapper =
      "%!PS-Adobe-3.0\n%%Title: wrapper\n%%EndComments\n%%BeginProlog\n/wrapperProlog 1 def\n"
      "%%EndProlog\n%%BeginSetup\n/wrapperSetup 1 def\n%%EndSetup\n%%Page: 1 1\n"
      "%%BeginPageSetup\n%%EndPageSetup\n%%BeginDocument: inner.ps\n" +
      DriverDocument(inner) + "%%EndDocument\nshowpage\n%%PageTrailer\n%%Trailer\n%%EOF\n";
  ASSERT_EQ(Impose(wrapper), 4);
  const std::string out = Output();
  EXPECT_TRUE(out.starts_with("%!PS-Adobe-3.0\n%%Title: wrapper\n%%EndComments\n%%BeginProlog\n%%TMR X3DBMIncluded"));
  EXPECT_EQ(out.find("wrapperProlog"), std::string::npos);
  EXPECT_EQ(out.find("wrapperSetup"), std::string::npos);
  EXPECT_NE(out.find("/ShowNumber"), std::string::npos) << "the inner prolog";
  EXPECT_EQ(PageOrder(out), (std::vector<std::string>{"4", "1", "2", "3"}));
  // Two trailers: the imposed document ends with its last side.
  EXPECT_TRUE(out.ends_with("(3) ShowNumber\npagesave restore\nshowpage\n%%PageTrailer\n"));
}

TEST_F(BookletWriterTest, BadDocumentsAreRefusedAndLeftAlone) {
  const std::string good = DriverDocument({});
  auto without = [&](const std::string& what) {
    std::string text = good;
    for (std::size_t at; (at = text.find(what)) != std::string::npos;) text.erase(at, what.size());
    return text;
  };
  auto everywhere = [&](const std::string& what, const std::string& with) {
    std::string text = good;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
      text.replace(at, what.size(), with);
    return text;
  };
  auto replaced = [&](const std::string& what, const std::string& with) {
    std::string text = good;
    text.replace(text.find(what), what.size(), with);
    return text;
  };
  struct Case {
    const char* name;
    std::string document;
    int result;
  };
  const Case cases[] = {
      {"no prolog", without("%%BeginProlog\n"), 0},
      {"no pages", everywhere("%%Page: ", "%%Pagina: "), 0},
      {"not PostScript", std::string("\x89PNG\r\n\x1a\n") + std::string(3000, '\0'), 0},
      {"empty", "", 0},
      {"already imposed", replaced("%%BeginProlog\n", "%%BeginProlog\n%%TMR X3DBMIncluded\n"),
       booklet::kAlreadyImposed},
      {"setup never ends", without("%%EndSetup\n"), booklet::kSetupScan},
      {"page setup never ends", good.substr(0, good.rfind("%%EndPageSetup")), booklet::kPageSetupScan},
      {"wrapper page around a document without a prolog",
       "%!PS-Adobe-3.0\n%%BeginProlog\n%%EndProlog\n%%Page: 1 1\n%%BeginDocument: x\n%!PS-Adobe-3.0\n"
       "%%Page: 1 1\nshowpage\n%%EndDocument\n%%EOF\n",
       booklet::kPrologNotFound},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(Path("out.ps"));
    booklet::BookletJob job = Job("in.ps");
    EXPECT_EQ(Impose(c.document, job), c.result) << c.name;
    EXPECT_EQ(ReadBytes(Path("in.ps")), c.document) << c.name;
    EXPECT_FALSE(std::filesystem::exists(Path("out.ps"))) << c.name;
  }
  booklet::BookletJob missing = Job("absent.ps");
  EXPECT_EQ(booklet::RunBooklet(missing), booklet::kScanOpen);
  booklet::BookletJob noProcset = Job("in.ps");
  noProcset.module = reinterpret_cast<HMODULE>(&missing);
  EXPECT_EQ(Impose(good, noProcset), booklet::kProcsetMissing);
  EXPECT_FALSE(std::filesystem::exists(Path("out.ps")));
}

TEST_F(BookletWriterTest, OddBytesInPagesAreCopiedWholeAndOnce) {
  const std::string binary = std::string("binary \0\x04\x7f\xff data %%Page: 99 99 inside a line\n", 45) +
                             std::string(300, '\0') + "\n%%" + std::string(10000, 'L') + "\r\n";
  struct Case {
    const char* name;
    DocumentOptions document;
    std::size_t cut;  // bytes dropped from the end
  };
  DocumentOptions crlf;
  crlf.lineEnd = "\r\n";
  DocumentOptions cr;
  cr.lineEnd = "\r";
  DocumentOptions odd;
  odd.pageExtra = binary;
  DocumentOptions truncated;
  truncated.trailer = false;
  const Case cases[] = {
      {"CR LF", crlf, 0},
      {"CR", cr, 0},
      {"binary data and a 10000-character comment line", odd, 0},
      {"file cut inside the last page", truncated, 40},
  };
  for (const auto& c : cases) {
    std::string document = DriverDocument(c.document);
    document.resize(document.size() - c.cut);
    std::filesystem::remove(Path("out.ps"));
    booklet::BookletJob job = Job("in.ps");
    ASSERT_EQ(Impose(document, job), 8) << c.name;
    EXPECT_EQ(ReadBytes(Path("in.ps")), document) << c.name;
    const std::string out = Output();
    EXPECT_EQ(Count(out, "%%TMR X3DBMIncluded"), 1u) << c.name;
    for (int page = 1; page <= 8; ++page) {
      EXPECT_EQ(Count(out, "(" + std::to_string(page) + ") ShowNumber"), 1u) << c.name << " page " << page;
    }
    if (!c.document.pageExtra.empty()) {
      EXPECT_EQ(Count(out, c.document.pageExtra), 8u) << c.name;
    }
  }
}

TEST_F(BookletWriterTest, ImposeReplacesTheSpoolFileOnlyOnSuccess) {
  XOemPdevPs pdev;
  DEVMODEW devmode{};
  devmode.dmSize = sizeof devmode;
  devmode.dmCopies = 2;
  devmode.dmPaperWidth = 2100;
  devmode.dmPaperLength = 2970;
  DEVOBJ devobj{};
  devobj.pdevOEM = &pdev;
  devobj.pPublicDM = &devmode;
  const std::string spool = Path("spool.ps");
  CXString path(platform::FromUtf8(spool));
  TamorPsBookletVerticalFeature booklet;

  WriteBytes(spool, DriverDocument({}));
  EXPECT_EQ(booklet.Impose(&devobj, path), E_NOTIMPL) << "no imposition asked for";
  EXPECT_EQ(booklet.Impose(nullptr, path), E_NOTIMPL);
  EXPECT_EQ(path.ToUtf8(), spool);

  ImposeEnvironment environment(dir_);
  pdev.SetLong(kPdevBookletMode, 1);

  WriteBytes(spool, "%!PS-Adobe-3.0\n%%BeginProlog\n%%EndProlog\n%%EOF\n");
  EXPECT_EQ(booklet.Impose(&devobj, path), E_FAIL) << "no pages";
  EXPECT_EQ(path.ToUtf8(), spool);
  EXPECT_EQ(ReadBytes(spool), "%!PS-Adobe-3.0\n%%BeginProlog\n%%EndProlog\n%%EOF\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1) << "no temporary file left";

  DocumentOptions document;
  document.setupPageSize.clear();
  WriteBytes(spool, DriverDocument(document));
  ASSERT_EQ(booklet.Impose(&devobj, path), S_OK);
  EXPECT_NE(path.ToUtf8(), spool);
  EXPECT_FALSE(std::filesystem::exists(spool)) << "the spool file gives way to the imposed file";
  // Copies and the A4 sheet of the devmode.
  EXPECT_EQ(Grep(ReadBytes(path.ToUtf8()), Calls("X3DBMi")),
            std::vector<std::string>{"2 0 0 595 842 0 0 0 0 true false 2 X3DBMi"});
}

TEST_F(BookletWriterTest, CapturedJobReachesThePrinterImposed) {
  platform::host::PrinterDescription description;
  description.name = u"Office";
  harness::TestPrinter printer(description);
  harness::PluginHarness h;
  h.devobj.hPrinter = printer.handle;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  static_cast<XOemPdev*>(h.devobj.pdevOEM)->SetLong(kPdevBookletMode, 1);
  ImposeEnvironment environment(dir_);

  const std::string document = DriverDocument({});
  DWORD written = 0;
  for (std::size_t at = 0; at < document.size(); at += 1000) {
    std::string piece = document.substr(at, 1000);
    ASSERT_EQ(h.plugin->WritePrinter(&h.devobj, piece.data(), static_cast<DWORD>(piece.size()), &written), S_OK);
  }
  h.Command(PSINJECT_ENDSTREAM);
  std::string last = "\x04";
  ASSERT_EQ(h.plugin->WritePrinter(&h.devobj, last.data(), 1, &written), S_OK);

  EXPECT_TRUE(printer.spooled.starts_with("%!PS-Adobe-3.0\n"));
  EXPECT_EQ(Count(printer.spooled, "%%TMR X3DBMIncluded"), 1u);
  EXPECT_EQ(PageOrder(printer.spooled), (std::vector<std::string>{"8", "1", "2", "7", "6", "3", "4", "5"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 0) << "spool and imposed files are gone";
}
