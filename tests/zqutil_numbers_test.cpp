// Numbers, lengths, CRC-32, Base64, dates and named locks of the utility library.
#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "zqutil/Base64.h"
#include "zqutil/Crc32.h"
#include "zqutil/CriticalResource.h"
#include "zqutil/Dimension.h"
#include "zqutil/Number.h"
#include "zqutil/TamorException.h"
#include "zqutil/TextResourceLoader.h"
#include "zqutil/XDateTime.h"

namespace {

TEST(Number, IntegerOfADoubleWithRoundingOffset) {
  struct Case {
    double value;
    double offset;
    int expected;
  };
  const Case cases[] = {
      {2.9, 0.0, 2},
      {-2.9, 0.0, -2},
      {2.5, 0.499999, 2},
      {2.500001, 0.499999, 3},
      {-2.500001, 0.499999, -3},
      {-2.5, 0.499999, -2},
      {1e12, 0.0, 2147483647},
      {-1e12, 0.0, -2147483647 - 1},
      {NAN, 0.5, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Number::GetIntValue(c.value, c.offset), c.expected) << c.value;
}

TEST(Number, ParsesDecimalTexts) {
  struct Case {
    const char16_t* text;
    bool isNumber;
    int value;
  };
  const Case cases[] = {
      {u"42", true, 42},  {u" -7 ", true, -7}, {u"+3", true, 3},          {u"09", true, 9},
      {u"", false, 0},    {u"abc", false, 0},  {u"12abc", false, 0},      {u"1.5", false, 0},
      {u"+-1", false, 0}, {u"-", false, 0},    {u"2147483648", false, 0}, {u"\uFF11", false, 0},
  };
  for (const Case& c : cases) {
    int value = -1;
    EXPECT_EQ(Number::TryGetIntValue(c.text, value), c.isNumber) << CXString(c.text).ToUtf8();
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(Number::GetIntValue(CXString(c.text)), c.value);
  }
  EXPECT_DOUBLE_EQ(Number::GetDoubleValue(u"-0.25"), -0.25);
  EXPECT_DOUBLE_EQ(Number::GetDoubleValue(u"1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(Number::GetDoubleValue(u"1,5"), 0.0);
}

TEST(Number, ADecimalCommaLocaleDoesNotLeakIntoNumbers) {
  // A locale with a decimal comma must not leak into numbers written for PostScript.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous != nullptr ? previous : "C";
  const char* comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (comma == nullptr) comma = std::setlocale(LC_NUMERIC, "de_DE.utf8");
  if (comma == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine: the decimal comma is not tried";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  const std::string commaText = probe;
  EXPECT_EQ(Number::GetStringValue(1.25, 2, 0.0, false).str(), u"1.25");
  EXPECT_EQ(CXString::Formatted(u"%.1f", 0.5).str(), u"0.5");
  std::setlocale(LC_NUMERIC, saved.c_str());
  ASSERT_EQ(commaText, "0,5") << "the locale was set but does not write a decimal comma";
}

TEST(Number, WritesClassicTexts) {
  EXPECT_EQ(Number::GetStringValue(std::int64_t{-12}).str(), u"-12");
  EXPECT_EQ(Number::GetStringValue(1.5, 3, 0.5, false).str(), u"1.500");
  EXPECT_EQ(Number::GetStringValue(1.5, 3, 0.5, true).str(), u"1.5");
  EXPECT_EQ(Number::GetStringValue(2.0, 2, 0.5, true).str(), u"2");
  EXPECT_EQ(Number::GetStringValue(-0.05, 1, 0.5, false).str(), u"-0.1");
  EXPECT_EQ(Number::GetStringValue(0.049, 1, 0.0, false).str(), u"0.0");
}

TEST(Dimension, ConvertsPaperSizesToPoints) {
  struct Case {
    double width;
    double length;
    int unit;
    const char16_t* widthPoints;
    const char16_t* lengthPoints;
  };
  const Case cases[] = {
      {2159, 2794, Dimension::kTenthMillimetre, u"612", u"792"},            // Letter
      {2100, 2970, Dimension::kTenthMillimetre, u"595", u"842"},            // A4
      {215900, 355600, Dimension::kThousandthMillimetre, u"612", u"1008"},  // Legal
      {8.5, 11, Dimension::kInch, u"612", u"792"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Dimension(c.width, c.unit).GetStringValue(Dimension::kPoint, 0, 0.499999, false).str(), c.widthPoints);
    EXPECT_EQ(Dimension(c.length, c.unit).GetStringValue(Dimension::kPoint, 0, 0.499999, false).str(), c.lengthPoints);
  }
  EXPECT_DOUBLE_EQ(Dimension(2159, 5).GetValue(8), 612.0);
  // Without the offset the integer is truncated: A4 is 595.27... by 841.88... points.
  EXPECT_EQ(Dimension(2970, 5).GetStringValue(8, 0, 0.0, false).str(), u"841");
  EXPECT_EQ(Dimension(2100, 5).GetStringValue(4, 0, 0.499999, false).str(), u"210");
  EXPECT_EQ(Dimension(2100, 5).GetStringValue(8, 2, 0.5, false).str(), u"595.28");
  EXPECT_EQ(Dimension(2159, 5).GetStringValue(8, 2, 0.5, true).str(), u"612");
}

TEST(Dimension, DeviceMarginUnitAndOtherUnits) {
  EXPECT_NEAR(Dimension(1152, Dimension::kHundredthPoint).GetValue(Dimension::kInch), 0.16, 1e-12);
  EXPECT_NEAR(Dimension(1500, 10).GetValue(1), 0.208333, 1e-6);
  EXPECT_EQ(Number::GetIntValue(Dimension(1152, 10).GetValue(8), 0.499999), 12);
  EXPECT_EQ(Number::GetIntValue(Dimension(1500, 10).GetValue(7), 0.499999), 5292);
  EXPECT_DOUBLE_EQ(Dimension(7200, 9).GetValue(8), 720.0);
  EXPECT_DOUBLE_EQ(Dimension(25.4, 3).GetValue(7), 25400.0);
  EXPECT_THROW(Dimension(1, 6), ExceptionInvalidArgument);
  EXPECT_THROW(Dimension(1, 5).GetValue(0), ExceptionInvalidArgument);
}

TEST(Dimension, ComparesAcrossUnits) {
  EXPECT_EQ(Dimension(2159, 5), Dimension(612, 8));
  EXPECT_EQ(Dimension(1, 1), Dimension(7200, 10));
  EXPECT_LT(Dimension(2100, 5), Dimension(2159, 5));
  EXPECT_GT(Dimension(1, 1), Dimension(25399, 7));
  EXPECT_FALSE(Dimension(NAN, 5) == Dimension(NAN, 5));
}

TEST(Crc32, KnownAnswersAndContinuation) {
  struct Case {
    std::string data;
    std::uint32_t crc;
  };
  const Case cases[] = {
      {"123456789", 0xCBF43926u},
      {"", 0u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
  };
  for (const Case& c : cases) EXPECT_EQ(Crc32::GetCrc(c.data.data(), c.data.size()), c.crc) << c.data;

  const std::string whole = "The quick brown fox jumps over the lazy dog";
  for (std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{9}, whole.size()}) {
    std::uint32_t first = Crc32::GetCrc(whole.data(), split);
    EXPECT_EQ(Crc32::GetCrc(whole.data() + split, whole.size() - split, first), 0x414FA339u) << split;
  }
  EXPECT_THROW(Crc32::GetCrc(nullptr, 1), ExceptionInvalidArgumentNullPointer);
  EXPECT_EQ(Crc32::GetCrc(nullptr, 0, 0x1234u), 0x1234u);
}

TEST(Base64, Rfc4648Vectors) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {"\xFB\xFF", "+/8="},
  };
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Base64::Encode(plain.data(), plain.size()), encoded);
    ByteBuffer decoded = Base64::Decode(std::string_view(encoded));
    EXPECT_EQ(std::string(decoded.bytes().begin(), decoded.bytes().end()), plain);
    EXPECT_EQ(Base64::Decode(CXString::FromMultiByte(encoded.c_str())), decoded);
  }
  EXPECT_EQ(Base64::EncodeToString("fo", 2).str(), u"Zm8=");
}

TEST(Base64, RejectsBadInput) {
  for (const char* bad : {"Zg", "Zg=", "Zm9v!A==", "Z===", "Zg==Zg==", "Zm=v", "Zh==", "Zm9=", "Zm9v\n", "Zg= "}) {
    EXPECT_THROW(Base64::Decode(std::string_view(bad)), ExceptionInvalidData) << bad;
    ByteBuffer out(std::vector<std::uint8_t>{1});
    EXPECT_FALSE(Base64::TryDecode(bad, out)) << bad;
    EXPECT_TRUE(out.empty());
  }
  EXPECT_THROW(Base64::Decode(CXString(u"Zm9\u0176")), ExceptionInvalidData);
  try {
    Base64::Decode(std::string_view("Zm9v!A=="));
  } catch (const ExceptionInvalidData& e) {
    EXPECT_NE(e.GetMessage().Find(u"offset 4"), CXString::npos) << e.what();
  }
}

TEST(XDateTime, AddOneDayRollsOverMonthsAndYears) {
  struct Case {
    WORD year, month, day;
    WORD nextYear, nextMonth, nextDay;
  };
  const Case cases[] = {
      {2024, 5, 17, 2024, 5, 18}, {2024, 1, 31, 2024, 2, 1},  {2024, 4, 30, 2024, 5, 1},
      {2023, 2, 28, 2023, 3, 1},  {2024, 2, 28, 2024, 2, 29}, {2024, 2, 29, 2024, 3, 1},
      {2023, 12, 31, 2024, 1, 1}, {2100, 2, 28, 2100, 2, 29},  // every fourth year, with no century rule
  };
  for (const Case& c : cases) {
    SYSTEMTIME t{};
    t.wYear = c.year;
    t.wMonth = c.month;
    t.wDay = c.day;
    t.wDayOfWeek = 6;
    t.wHour = 23;
    XDateTime date(t);
    date.XAddOneDay();
    EXPECT_EQ(date.GetYear(), c.nextYear) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(date.GetMonth(), c.nextMonth) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(date.GetDay(), c.nextDay) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(date.GetDayOfWeek(), 0);
    EXPECT_EQ(date.GetHour(), 23);
  }
}

TEST(CriticalResource, SameNameSharesOneLock) {
  CriticalResource first(u"zqutil-test-lock");
  CriticalResource second(u"zqutil-test-lock");
  CriticalResource other(u"zqutil-test-other");
  {
    OwnedCriticalResource held(first, "tests/zqutil", 1);
    std::atomic<bool> sameTaken{true};
    std::atomic<bool> otherTaken{false};
    std::thread probe([&] {
      sameTaken = second.TryEnter();
      if (sameTaken) second.Leave();
      otherTaken = other.TryEnter();
      if (otherTaken) other.Leave();
    });
    probe.join();
    EXPECT_FALSE(sameTaken);
    EXPECT_TRUE(otherTaken);
    // Recursive for its holder, as a Windows critical section is.
    OwnedCriticalResource again(u"zqutil-test-lock", "tests/zqutil", 2);
    EXPECT_EQ(again.GetLine(), 2);
  }
  std::atomic<bool> freed{false};
  std::thread probe([&] {
    freed = second.TryEnter();
    if (freed) second.Leave();
  });
  probe.join();
  EXPECT_TRUE(freed);
}

TEST(TextResourceLoader, OwnTextsAndUnknownIds) {
  CXString copyright = TextResourceLoader::LoadStringW(468);
  EXPECT_EQ(copyright.Find(u"%s"), copyright.str().rfind(u"%s"));  // exactly one argument
  EXPECT_NE(copyright.Find(u"%s"), CXString::npos);
  EXPECT_FALSE(TextResourceLoader::LoadStringW(470).IsEmpty());
  EXPECT_TRUE(TextResourceLoader::LoadStringW(469).IsEmpty());
  EXPECT_TRUE(TextResourceLoader::LoadStringW(0).IsEmpty());
}

}  // namespace
