// The block reader under the booklet imposition: which lines are comment
// lines, that copied data and comment lines together are the input byte for
// byte, whatever the block size, and that long lines cost no memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "output/booklet/DscReader.h"
#include "platform/text.h"

using booklet::DscReader;

namespace {

class TempFile {
 public:
  explicit TempFile(const std::string& content) {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("renps-reader-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
    std::ofstream(path_, std::ios::binary) << content;
  }
  ~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  HANDLE Open(DWORD access = GENERIC_READ) const {
    const std::u16string wide = path_.u16string();
    return CreateFileW(platform::W(wide.c_str()), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }

 private:
  std::filesystem::path path_;
};

class StringSink : public booklet::ByteSink {
 public:
  int Write(const char* data, std::size_t size) override {
    text.append(data, size);
    return failWith;
  }
  std::string text;
  int failWith = 0;
};

struct CopyResult {
  std::string rebuilt;                // data and comment lines in file order
  std::vector<std::string> comments;  // comment texts
};

CopyResult CopyAll(const std::string& input, std::size_t block) {
  TempFile file(input);
  HANDLE handle = file.Open();
  CopyResult result;
  {
    DscReader reader(handle, block);
    StringSink sink;
    DscReader::Line line;
    DscReader::Status status;
    while ((status = reader.NextComment(line, &sink, false)) == DscReader::Status::kLine) {
      result.rebuilt += sink.text;
      sink.text.clear();
      result.rebuilt += std::string(line.raw);
      result.comments.emplace_back(line.text);
    }
    EXPECT_EQ(status, DscReader::Status::kEnd);
    result.rebuilt += sink.text;
  }
  CloseHandle(handle);
  return result;
}

}  // namespace

TEST(BookletReader, CommentLinesAndDataTogetherAreTheInput) {
  const std::string longComment = "%%" + std::string(10000, 'c') + "\n";
  struct Case {
    const char* name;
    std::string input;
    std::vector<std::string> comments;
  };
  const Case cases[] = {
      {"CR LF lines",
       "%!PS-Adobe-3.0\r\n%%Title: x\r\n/a 1 def % not a comment line\r\n%%EndComments\r\n",
       {"%!PS-Adobe-3.0", "%%Title: x", "%%EndComments"}},
      {"CR lines, last without an end", "%%A\r%%B\rdata\r%%C", {"%%A", "%%B", "%%C"}},
      {"LF then CR", "x\n\r%%A\n", {"%%A"}},
      {"NUL makes data", std::string("%%A\0B\n%%C\n", 10), {"%%C"}},
      {"256 bytes with CR LF", "%" + std::string(253, 'x') + "\r\n%%Next\n", {"%" + std::string(253, 'x'), "%%Next"}},
      {"257 bytes with CR LF", "%" + std::string(254, 'x') + "\r\n%%Next\n", {"%%Next"}},
      {"256 bytes at the end without a line end", "%" + std::string(255, 'y'), {"%" + std::string(255, 'y')}},
      {"10000-character comment", longComment + "%%Next\r\n", {"%%Next"}},
      {"percent after 0x04 or a blank", "\x04%%Not\n %%Not\n\n%%Yes", {"%%Yes"}},
      {"empty", "", {}},
      {"only data", std::string(5000, 'd'), {}},
  };
  for (const auto& c : cases) {
    for (std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{4096}}) {
      const CopyResult result = CopyAll(c.input, block);
      EXPECT_EQ(result.rebuilt, c.input) << c.name << ", block " << block;
      EXPECT_EQ(result.comments, c.comments) << c.name << ", block " << block;
    }
  }
}

TEST(BookletReader, LinesLongerThanTheViewAreSkippedNotHeld) {
  const std::string input = "short\r\n" + std::string(1500, 'X') + "\n%%After\rlast";
  for (std::size_t block : {std::size_t{3}, std::size_t{4096}}) {
    TempFile file(input);
    HANDLE handle = file.Open();
    DscReader reader(handle, block);
    DscReader::Line line;
    ASSERT_EQ(reader.NextLine(line), DscReader::Status::kLine);
    EXPECT_EQ(line.text, "short");
    EXPECT_EQ(line.end, 7u);
    ASSERT_EQ(reader.NextLine(line), DscReader::Status::kLine);
    EXPECT_EQ(line.text, std::string(DscReader::kLineView, 'X'));
    EXPECT_EQ(line.end, 0u) << "the end of a long line is not known";
    ASSERT_EQ(reader.NextLine(line), DscReader::Status::kLine);
    EXPECT_EQ(line.text, "%%After");
    EXPECT_EQ(line.end, 7u + 1501u + 8u);
    ASSERT_EQ(reader.NextLine(line), DscReader::Status::kLine);
    EXPECT_EQ(line.text, "last");
    EXPECT_EQ(reader.NextLine(line), DscReader::Status::kEnd);
    CloseHandle(handle);
  }
}

TEST(BookletReader, IndentedPercentOnlyWhenAskedFor) {
  const std::string input = "data\n\x04 %!PS-Adobe-3.0 TMR Separator\r\nx %%No\n%%B\n";
  for (bool withIndented : {false, true}) {
    TempFile file(input);
    HANDLE handle = file.Open();
    DscReader reader(handle, 2);
    DscReader::Line line;
    if (withIndented) {
      ASSERT_EQ(reader.NextComment(line, nullptr, true), DscReader::Status::kLine);
      EXPECT_TRUE(line.indented);
      EXPECT_EQ(line.text, "%!PS-Adobe-3.0 TMR Separator");
      EXPECT_EQ(line.end, 5u + 2u + 28u + 2u);
    }
    ASSERT_EQ(reader.NextComment(line, nullptr, withIndented), DscReader::Status::kLine);
    EXPECT_FALSE(line.indented);
    EXPECT_EQ(line.text, "%%B");
    EXPECT_EQ(reader.NextComment(line, nullptr, withIndented), DscReader::Status::kEnd);
    CloseHandle(handle);
  }
}

TEST(BookletReader, SeekStartsALineInsideOrOutsideTheWindow) {
  std::string input = "%%A\n%%B\n";
  input += std::string(20000, 'd') + "\n%%C\n";
  for (std::size_t block : {std::size_t{5}, std::size_t{65536}}) {
    TempFile file(input);
    HANDLE handle = file.Open();
    DscReader reader(handle, block);
    DscReader::Line line;
    ASSERT_EQ(reader.NextComment(line, nullptr, false), DscReader::Status::kLine);
    ASSERT_EQ(reader.NextComment(line, nullptr, false), DscReader::Status::kLine);
    ASSERT_EQ(reader.NextComment(line, nullptr, false), DscReader::Status::kLine);
    EXPECT_EQ(line.text, "%%C");
    ASSERT_TRUE(reader.Seek(4));
    ASSERT_EQ(reader.NextComment(line, nullptr, false), DscReader::Status::kLine);
    EXPECT_EQ(line.text, "%%B");
    ASSERT_TRUE(reader.Seek(1)) << "a seek counts as the start of a line";
    ASSERT_EQ(reader.NextComment(line, nullptr, false), DscReader::Status::kLine);
    EXPECT_EQ(line.text, "%A");
    CloseHandle(handle);
  }
}

TEST(BookletReader, ReadAndSinkFailuresAreReported) {
  TempFile file("%%A\ndata\n%%B\n");
  HANDLE writeOnly = file.Open(GENERIC_WRITE);
  {
    DscReader reader(writeOnly, 4096);
    DscReader::Line line;
    EXPECT_EQ(reader.NextComment(line, nullptr, false), DscReader::Status::kError);
    EXPECT_EQ(reader.Error(), DscReader::kReadError);
  }
  CloseHandle(writeOnly);
  HANDLE handle = file.Open();
  {
    DscReader reader(handle, 4096);
    StringSink sink;
    sink.failWith = -2;
    DscReader::Line line;
    ASSERT_EQ(reader.NextComment(line, &sink, false), DscReader::Status::kLine) << "nothing to copy before %%A";
    EXPECT_EQ(reader.NextComment(line, &sink, false), DscReader::Status::kError);
    EXPECT_EQ(reader.Error(), -2);
  }
  CloseHandle(handle);
}
