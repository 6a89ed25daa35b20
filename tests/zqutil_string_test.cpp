// The wide string and its printf-style formatter, the byte buffer and the
// exception family.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"
#include "zqutil/TamorException.h"
#include "zqutil/TamorUtilities.h"

namespace {

struct FormatCase {
  const char* name;
  std::function<CXString()> format;
  std::u16string expected;
};

CXString Sized(std::size_t size, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  CXString text;
  text.FormatV(format, args, size);
  va_end(args);
  return text;
}

TEST(CXStringFormat, ProducesPrintfResults) {
  const char narrow[] = "abc\xE9";  // Latin-1 e-acute
  const FormatCase cases[] = {
      {"percent", [] { return CXString::Formatted(u"100%%"); }, u"100%"},
      {"two percents for DSC", [] { return CXString::Formatted(u"%%%%BeginFeature: %s", u"*PageSize"); },
       u"%%BeginFeature: *PageSize"},
      {"wide string", [] { return CXString::Formatted(u"[%s|%S]", u"w\u00FC", u"x"); }, u"[w\u00FC|x]"},
      {"null wide string", [] { return CXString::Formatted(u"%s", static_cast<const char16_t*>(nullptr)); }, u"(null)"},
      {"narrow string is Latin-1", [&] { return CXString::Formatted(u"%hs", narrow); }, u"abc\u00E9"},
      {"string width and precision", [] { return CXString::Formatted(u"<%-5s><%5s><%.2s>", u"ab", u"cd", u"efg"); },
       u"<ab   ><   cd><ef>"},
      {"date digits", [] { return CXString::Formatted(u"%4.4d%2.2d%2.2d%2.2d%2.2d%2.2d", 2024, 5, 7, 9, 3, 0); },
       u"20240507090300"},
      {"zero padded", [] { return CXString::Formatted(u"%04d%02d|%08X|%02X", 7, 12, 0xBEEFu, 0xC0u); },
       u"000712|0000BEEF|C0"},
      {"signs and space", [] { return CXString::Formatted(u"%d %+d % d %i", -42, 5, 6, -0); }, u"-42 +5  6 0"},
      {"precision turns the zero flag off", [] { return CXString::Formatted(u"[%06.3d]", 7); }, u"[   007]"},
      {"zero value with zero precision", [] { return CXString::Formatted(u"[%.0d]", 0); }, u"[]"},
      {"hex octal alternate", [] { return CXString::Formatted(u"%x %#x %#X %o %#o", 255u, 255u, 255u, 8u, 8u); },
       u"ff 0xff 0XFF 10 010"},
      {"int extremes", [] { return CXString::Formatted(u"%d %u", INT32_MIN, UINT32_MAX); }, u"-2147483648 4294967295"},
      {"64-bit",
       [] { return CXString::Formatted(u"%lld %I64u %llx", -5000000000LL, 18446744073709551615ULL, 1ULL << 40); },
       u"-5000000000 18446744073709551615 10000000000"},
      {"long is 32 bits", [] { return CXString::Formatted(u"%ld %lu", -3, 4000000000u); }, u"-3 4000000000"},
      {"short and char", [] { return CXString::Formatted(u"%hd %hu %hhx", 70000, 70000u, 0x1FFu); }, u"4464 4464 ff"},
      {"star width and precision", [] { return CXString::Formatted(u"[%*d][%-*d][%.*s]", 4, 1, 3, 2, 2, u"xyz"); },
       u"[   1][2  ][xy]"},
      {"characters", [] { return CXString::Formatted(u"%c%c%3c", u'A', 0x263A, u'z'); }, u"A\u263A  z"},
      {"fixed always with point", [] { return CXString::Formatted(u"%f %.2f %.0f %8.3f", 1.5, -2.345, 2.5, 3.14159); },
       u"1.500000 -2.35 2    3.142"},
      {"exponent and general", [] { return CXString::Formatted(u"%e %.3E %g %g", 12345.678, 0.00012, 0.0001, 1e20); },
       u"1.234568e+04 1.200E-04 0.0001 1e+20"},
      {"unknown conversion stays", [] { return CXString::Formatted(u"%y%d", 3); }, u"%y3"},
      {"trailing percent", [] { return CXString::Formatted(u"50%"); }, u"50%"},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(c.format().str(), c.expected) << c.name;
}

TEST(CXStringFormat, CutsAtTheBufferAndStaysTerminated) {
  std::u16string long2000(2000, u'x');
  struct Case {
    std::size_t buffer;
    std::size_t expectedLength;
  };
  for (Case c : {Case{255, 254}, Case{256, 255}, Case{1024, 1023}, Case{1, 0}, Case{0, 0}}) {
    CXString text = Sized(c.buffer, u"%s", long2000.c_str());
    EXPECT_EQ(text.GetLength(), c.expectedLength) << c.buffer;
    EXPECT_EQ(text.str(), long2000.substr(0, c.expectedLength));
    EXPECT_EQ(text.c_str()[text.GetLength()], u'\0');
  }
  CXString byDefault;
  byDefault.Format(u"%s", long2000.c_str());
  EXPECT_EQ(byDefault.GetLength(), 1023u);
  CXString sized;
  sized.FormatSized(256, u"%%%s", long2000.c_str());
  EXPECT_EQ(sized.GetLength(), 255u);
  EXPECT_EQ(sized.GetAt(0), u'%');
  // A huge width is cut like any other output instead of being built first.
  EXPECT_EQ(Sized(8, u"%999999999d", 1).str(), u"       ");
}

TEST(CXStringFormat, CutNeverSplitsASurrogatePair) {
  // U+1F600 is two units; a 4-unit buffer holds "ab" and would end on its first half.
  EXPECT_EQ(Sized(4, u"ab%s", u"\U0001F600").str(), u"ab");
  EXPECT_EQ(Sized(5, u"ab%s", u"\U0001F600").str(), u"ab\U0001F600");
}

TEST(CXString, MultiByteKeepsTheTerminator) {
  CXString text = u"A\u00E9\u263A";
  std::string bytes = text.GetAsMultiByte();
  ASSERT_EQ(bytes.size(), 4u);
  EXPECT_EQ(bytes, std::string("A\xE9?\0", 4));
  EXPECT_EQ(CXString().GetAsMultiByte(), std::string(1, '\0'));
  EXPECT_EQ(CXString::FromMultiByte("\xE9x", 1).str(), u"\u00E9");
  EXPECT_EQ(CXString::FromUtf8("\xC3\xA9").str(), u"\u00E9");
  EXPECT_EQ(CXString(u"\u00E9").ToUtf8(), "\xC3\xA9");
}

TEST(CXString, EditingOperations) {
  CXString text = u"one two one";
  EXPECT_EQ(text.Find(u"one"), 0u);
  EXPECT_EQ(text.Find(u"one", 1), 8u);
  EXPECT_EQ(text.Find(u"three"), CXString::npos);
  EXPECT_EQ(text.Find(u't'), 4u);
  EXPECT_EQ(text.Find(u"one", 99), CXString::npos);
  EXPECT_EQ(text.Mid(4, 3).str(), u"two");
  EXPECT_EQ(text.Mid(8).str(), u"one");
  EXPECT_EQ(text.Mid(50).str(), u"");
  EXPECT_EQ(text.Left(3).str(), u"one");
  EXPECT_EQ(text.Left(50).str(), u"one two one");
  EXPECT_EQ(text.Right(3).str(), u"one");

  EXPECT_EQ(text.Replace(u"one", u"1"), 2u);
  EXPECT_EQ(text.str(), u"1 two 1");
  EXPECT_EQ(text.Replace(u"", u"x"), 0u);
  EXPECT_EQ(text.Replace(u' ', u'_'), 2u);
  EXPECT_EQ(text.Remove(u'1'), 2u);
  EXPECT_EQ(text.str(), u"_two_");
  text.Insert(1, u"[");
  text.Insert(100, u"]");
  EXPECT_EQ(text.str(), u"_[two_]");
  text.Delete(0);
  text.Delete(4, 100);
  text.Delete(100, 1);
  EXPECT_EQ(text.str(), u"[two");

  CXString mixed = u"  Abc\u00C9\t\r\n";
  mixed.Trim();
  EXPECT_EQ(mixed.str(), u"Abc\u00C9");
  mixed.MakeLower();
  EXPECT_EQ(mixed.str(), u"abc\u00E9");
  mixed.MakeUpper();
  EXPECT_EQ(mixed.str(), u"ABC\u00C9");
}

TEST(CXString, Comparisons) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    int compare;
    int compareNoCase;
  };
  const Case cases[] = {
      {u"abc", u"abc", 0, 0}, {u"abc", u"ABC", 1, 0}, {u"abc", u"abd", -1, -1},     {u"ab", u"abc", -1, -1},
      {u"Zq", u"zQ", -1, 0},  {u"", u"", 0, 0},       {u"\u00E9", u"\u00C9", 1, 1},  // case folding is ASCII only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CXString(c.a).Compare(c.b), c.compare) << CXString(c.a).ToUtf8();
    EXPECT_EQ(CXString(c.a).CompareNoCase(c.b), c.compareNoCase) << CXString(c.a).ToUtf8();
  }
  EXPECT_TRUE(CXString(u"0123").IsContainNumericCharsOnly());
  EXPECT_FALSE(CXString(u"12a").IsContainNumericCharsOnly());
  EXPECT_FALSE(CXString(u"").IsContainNumericCharsOnly());
  EXPECT_EQ((CXString(u"a") + CXString(u"b")).str(), u"ab");
}

TEST(ByteBuffer, LongAndStringRoundTrips) {
  for (std::uint32_t value : {0u, 1u, 0x12345678u, 0xFFFFFFFFu}) {
    ByteBuffer buffer = ByteBuffer::createFromLongValue(value);
    ASSERT_EQ(buffer.size(), 4u);
    EXPECT_EQ(buffer.getLpbyte()[0], value & 0xFF);
    EXPECT_EQ(buffer.getAsLongValue(), value);
    EXPECT_EQ(buffer.getDword(0), value);
  }
  for (const char16_t* text : {u"", u"Doc 1", u"\u263A\u00E9"}) {
    ByteBuffer buffer = ByteBuffer::createFromStringValue(text);
    EXPECT_EQ(buffer.size(), CXString(text).GetLength() * 2 + 2);
    EXPECT_EQ(buffer.getAsStringValue().str(), text);
  }
  const std::uint8_t bytes[] = {'A', 0, 0x3A, 0x26};
  EXPECT_EQ(ByteBuffer(bytes, 4).getAsStringValue().str(), u"A\u263A");
}

TEST(ByteBuffer, ShortBuffersReadSafely) {
  const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  EXPECT_EQ(ByteBuffer().getAsLongValue(), 0u);
  EXPECT_EQ(ByteBuffer(bytes, 1).getAsLongValue(), 0x01u);
  EXPECT_EQ(ByteBuffer(bytes, 3).getAsLongValue(), 0x030201u);
  EXPECT_EQ(ByteBuffer(bytes, 5).getDword(1), 0x05040302u);
  EXPECT_THROW(ByteBuffer(bytes, 5).getDword(2), ExceptionIndexOutOfRange);
  EXPECT_THROW(ByteBuffer(bytes, 3).getDword(), ExceptionIndexOutOfRange);
  EXPECT_THROW(ByteBuffer(bytes, 5).getDword(static_cast<std::size_t>(-2)), ExceptionIndexOutOfRange);
  EXPECT_EQ(ByteBuffer(bytes, 3).getAsStringValue().str(), u"\u0201");  // odd last byte ignored
  EXPECT_THROW(ByteBuffer().setWithLpbyte(nullptr, 2), ExceptionInvalidArgumentNullPointer);

  ByteBuffer built;
  built.appendAscii("PS");
  built.appendDword(0x01020304);
  built.appendByte(9);
  built.append(built);
  ASSERT_EQ(built.size(), 14u);
  EXPECT_EQ(built.getDword(2), 0x01020304u);
  EXPECT_EQ(built.getLpbyte()[7], 'P');
}

TEST(TamorException, ThrowCarriesFormattedMessageAndOrigin) {
  try {
    TamorThrow<ExceptionInvalidArgumentNullPointer>("complugins/xdevmode", 74, "XDevmode::XDevmode", u"pDevmode");
    FAIL() << "no exception";
  } catch (const TamorException& e) {
    EXPECT_EQ(e.GetMessage().str(), u"*Throwing* ExceptionInvalidArgumentNullPointer: pDevmode");
    EXPECT_STREQ(e.GetClassName(), "ExceptionInvalidArgumentNullPointer");
    EXPECT_EQ(e.GetSource(), "complugins/xdevmode");
    EXPECT_EQ(e.GetLine(), 74);
    EXPECT_EQ(e.GetFunction(), "XDevmode::XDevmode");
    EXPECT_STREQ(e.what(), "*Throwing* ExceptionInvalidArgumentNullPointer: pDevmode");
  }
  EXPECT_EQ(tamor_detail::ThrowingMessage("ExceptionMessage", u"").str(), u"*Throwing* ExceptionMessage: ");
  // No debugger is attached to the test run: never break.
  EXPECT_FALSE(TamorException::AllowForExceptionDebug("E", u"m", "s", 1, "f"));
}

TEST(TamorUtilities, PathsAndRegistryKeys) {
  struct Case {
    const char16_t* file;
    const char16_t* directory;
  };
  for (Case c : {Case{u"C:\\dir\\sub\\a.dll", u"C:\\dir\\sub\\"}, Case{u"/usr/lib/renps/a.so", u"/usr/lib/renps/"},
                 Case{u"C:\\dir/mixed\\x", u"C:\\dir/mixed\\"}, Case{u"plain.dll", u""}, Case{u"/", u"/"}}) {
    EXPECT_EQ(TamorUtilities::getPathFromFileName(c.file).str(), c.directory);
  }
  EXPECT_EQ(TamorUtilities::ConvertPortNameToRegistryKey(u"IP_192.0.2.10").str(), u"IP_192.0.2.10");
  EXPECT_EQ(TamorUtilities::ConvertPortNameToRegistryKey(u"\\\\server\\queue/x").str(), u"__server_queue_x");
  EXPECT_EQ(TamorUtilities::formatString(u"%d-%s", 3, u"x").str(), u"3-x");
}

}  // namespace
