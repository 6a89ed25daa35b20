// The vector searches against plain ones, on blocks made of the bytes that
// matter, at every alignment and length.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "zqutil/LineScan.h"

namespace {

const char* Reference(const char* begin, const char* end, bool withBang) {
  for (const char* p = begin + 1; p < end; ++p) {
    if (*p != '%') continue;
    if (p[-1] == '\n' || p[-1] == '\r') return p;
    if (withBang && (p + 1 == end || p[1] == '!')) return p;
  }
  return end;
}

TEST(LineScan, AgreesWithAByteByByteSearch) {
  std::mt19937 random(7);
  const std::string alphabet = "%%%\n\r!ab ";
  for (int round = 0; round < 4000; ++round) {
    // Dense blocks (every byte may matter) and sparse ones (a '%' here and there).
    const bool dense = round % 2 == 0;
    std::string block(random() % 80, 'x');
    for (char& c : block)
      if (dense || random() % 16 == 0) c = alphabet[random() % alphabet.size()];
    for (std::size_t from = 0; from <= std::min<std::size_t>(block.size(), 3); ++from) {
      const char* begin = block.data() + from;
      const char* end = block.data() + block.size();
      for (bool withBang : {false, true}) {
        ASSERT_EQ(LineScan::FindCommentStart(begin, end, withBang) - begin, Reference(begin, end, withBang) - begin)
            << "block \"" << block << "\" from " << from << (withBang ? " with '!'" : "");
      }
    }
  }
}

TEST(LineScan, FirstByteAndLastByte) {
  const std::string text = "%!x\n%%Page: 1 1\n";
  EXPECT_EQ(LineScan::FindCommentStart(text.data(), text.data() + text.size()) - text.data(), 4)
      << "the first byte has no line end before it here";
  const std::string tail = "abc %";
  EXPECT_EQ(LineScan::FindCommentStart(tail.data(), tail.data() + tail.size(), true) - tail.data(), 4)
      << "a '%' at the end may still be followed by '!'";
  EXPECT_EQ(LineScan::FindCommentStart(tail.data(), tail.data() + tail.size(), false), tail.data() + tail.size());
}

TEST(LineScan, FindLastAgreesWithRfind) {
  std::mt19937 random(11);
  // Few letters, so words and their halves turn up often and overlap.
  const std::string alphabet = "sswp ";
  for (const std::string word : {"s", "sw", "sws", "swsp", "spspsw sssswwwpp"}) {
    for (int round = 0; round < 3000; ++round) {
      std::string block(random() % 70, ' ');
      for (char& c : block) c = alphabet[random() % alphabet.size()];
      if (round % 3 == 0 && block.size() >= word.size())
        block.replace(random() % (block.size() - word.size() + 1), word.size(), word);
      for (std::size_t from = 0; from <= std::min<std::size_t>(block.size(), 2); ++from) {
        const std::string_view text = std::string_view(block).substr(from);
        const std::size_t expected = text.rfind(word);
        const char* found = LineScan::FindLast(text.data(), text.data() + text.size(), word);
        ASSERT_EQ(
            found == text.data() + text.size() ? std::string_view::npos : static_cast<std::size_t>(found - text.data()),
            expected)
            << "\"" << word << "\" in \"" << text << '"';
      }
    }
  }
  const std::string text = "abc";
  EXPECT_EQ(LineScan::FindLast(text.data(), text.data() + 3, ""), text.data() + 3);
}

}  // namespace
