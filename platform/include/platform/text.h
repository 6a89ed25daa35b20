// UTF-16 text at the Win32 boundary. Our code keeps text as char16_t; WCHAR is
// wchar_t on Windows and char16_t elsewhere, both 16 bits, so a pointer
// converts by a cast and nothing else.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace platform {

static_assert(sizeof(WCHAR) == sizeof(char16_t));

inline const WCHAR* W(const char16_t* text) {
  return reinterpret_cast<const WCHAR*>(text);
}
inline WCHAR* W(char16_t* text) {
  return reinterpret_cast<WCHAR*>(text);
}
inline const char16_t* U(const WCHAR* text) {
  return reinterpret_cast<const char16_t*>(text);
}
inline char16_t* U(WCHAR* text) {
  return reinterpret_cast<char16_t*>(text);
}

// Length of a zero-terminated UTF-16 string, reading at most `limit` units.
inline std::size_t Length(const char16_t* text, std::size_t limit = static_cast<std::size_t>(-1)) {
  std::size_t n = 0;
  if (text == nullptr) return 0;
  while (n < limit && text[n] != 0) ++n;
  return n;
}

// UTF-8 <-> UTF-16 for file names, environment values and messages.
// Malformed input becomes U+FFFD; nothing is dropped silently.
inline std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c >> 5) == 0x6 || (c >> 4) == 0xE || (c >> 3) == 0x1E) {
      len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
      if (i + len <= text.size()) {
        char32_t v = c & (0x3F >> (len - 1));
        bool ok = true;
        for (std::size_t k = 1; k < len; ++k) {
          auto cc = static_cast<unsigned char>(text[i + k]);
          if ((cc >> 6) != 0x2) ok = false;
          v = (v << 6) | (cc & 0x3F);
        }
        if (ok && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
          cp = v;
        else
          len = 1;
      } else {
        len = 1;
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

inline std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace platform
