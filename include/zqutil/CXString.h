// CXString: the wide (UTF-16) string of every part of the plug-in.
//
// PostScript and PJL are built as CXString and turned into bytes with
// GetAsMultiByte when they are written. Format is our own printf-style
// formatter over UTF-16:
//   %%            one '%'
//   %s  %S        a wide string argument (const char16_t*; null prints "(null)")
//   %hs           a narrow string argument (const char*)
//   %d %i %u %x %X %o %c   with flags '-', '0', '+', ' ', '#', width, '.precision',
//                 and the length modifiers h, l, ll, I64 (integers are taken
//                 as int / unsigned unless l/ll/I64 is given; l is the Windows
//                 long, 32 bits on every platform, as LONG and DWORD are)
//   %f %e %g      double, always with '.' as the decimal point
// The result is cut to the caller's fixed buffer size (default 1024 UTF-16
// units including the terminating zero); a cut never leaves half a surrogate.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

class CXString {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  static constexpr std::size_t kDefaultFormatBuffer = 1024;

  CXString() = default;
  CXString(const char16_t* text);  // NOLINT(google-explicit-constructor): a string literal is a CXString
  CXString(const char16_t* text, std::size_t length);
  CXString(std::u16string text);       // NOLINT(google-explicit-constructor)
  CXString(std::u16string_view text);  // NOLINT(google-explicit-constructor)
  // Narrow text is taken byte by byte as Latin-1 (the code page the printer commands use).
  static CXString FromMultiByte(const char* text, std::size_t length = npos);
  static CXString FromUtf8(std::string_view text);

  // printf-style formatting into a buffer of `bufferSize` units (terminator included).
  void Format(const char16_t* format, ...);
  void FormatV(const char16_t* format, va_list args, std::size_t bufferSize = kDefaultFormatBuffer);
  void FormatSized(std::size_t bufferSize, const char16_t* format, ...);
  static CXString Formatted(const char16_t* format, ...);

  // Narrow bytes of the text: each unit below 256 becomes one byte, others '?'.
  // The terminating zero is included (so an empty string gives one byte).
  std::string GetAsMultiByte() const;
  std::string ToUtf8() const;

  const char16_t* c_str() const { return text_.c_str(); }
  const std::u16string& str() const { return text_; }
  std::u16string& str() { return text_; }
  std::size_t GetLength() const { return text_.size(); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  char16_t GetAt(std::size_t index) const { return text_.at(index); }

  std::size_t Find(const char16_t* what, std::size_t start = 0) const;
  std::size_t Find(char16_t what, std::size_t start = 0) const;
  // Replaces every occurrence; returns the number of replacements.
  std::size_t Replace(const char16_t* what, const char16_t* with);
  std::size_t Replace(char16_t what, char16_t with);
  // Removes every occurrence of the character; returns how many were removed.
  std::size_t Remove(char16_t what);
  void Insert(std::size_t index, const char16_t* text);
  void Delete(std::size_t index, std::size_t count = 1);
  CXString Mid(std::size_t first, std::size_t count = npos) const;
  CXString Left(std::size_t count) const;
  CXString Right(std::size_t count) const;
  void MakeLower();
  void MakeUpper();
  void Trim();
  int Compare(const char16_t* other) const;
  int CompareNoCase(const char16_t* other) const;
  bool IsContainNumericCharsOnly() const;

  CXString& operator=(const char16_t* text);
  CXString& operator+=(const CXString& other);
  CXString& operator+=(const char16_t* text);
  CXString& operator+=(char16_t c);
  friend CXString operator+(const CXString& a, const CXString& b);
  friend bool operator==(const CXString& a, const CXString& b) { return a.text_ == b.text_; }
  friend bool operator<(const CXString& a, const CXString& b) { return a.text_ < b.text_; }
  operator const char16_t*() const { return text_.c_str(); }  // NOLINT(google-explicit-constructor)

 private:
  std::u16string text_;
};
