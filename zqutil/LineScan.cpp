#include "zqutil/LineScan.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define LINESCAN_SSE2 1
#endif

namespace {

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

bool Matches(const char* p, const char* begin, const char* end, bool withBang) {
  if (*p != '%') return false;
  if (p > begin && IsLineEnd(p[-1])) return true;
  return withBang && (p + 1 == end || p[1] == '!');
}

#ifdef LINESCAN_SSE2
// Each round looks at the 16 bytes from p, the byte before each of them and,
// with `withBang`, the byte after; the last few bytes are looked at one by one.
const char* Vector(const char* p, const char* begin, const char* end, bool withBang) {
  const __m128i percent = _mm_set1_epi8('%');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i bang = _mm_set1_epi8('!');
  while (end - p >= 17) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto percents = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, percent)));
    if (percents != 0) {
      const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
      auto starts = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(before, lf), _mm_cmpeq_epi8(before, cr))));
      if (withBang) {
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        starts |= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(after, bang)));
      }
      if (const unsigned hits = percents & starts; hits != 0) return p + std::countr_zero(hits);
    }
    p += 16;
  }
  for (; p < end; ++p)
    if (Matches(p, begin, end, withBang)) return p;
  return end;
}
#endif

}  // namespace

const char* LineScan::FindLast(const char* begin, const char* end, std::string_view word) {
  const std::size_t n = word.size();
  if (n == 0 || static_cast<std::size_t>(end - begin) < n) return end;
  // Places below `p` are still to be looked at; the last one a word fits in is end - n.
  const char* p = end - n + 1;
#ifdef LINESCAN_SSE2
  const __m128i first = _mm_set1_epi8(word.front());
  const __m128i last = _mm_set1_epi8(word.back());
  while (p - begin >= 16) {
    p -= 16;
    // The 16 places from p, and the bytes n - 1 further on (the last of them is end - 1).
    const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1));
    auto hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, last))));
    while (hits != 0) {
      const int place = 31 - std::countl_zero(hits);
      if (std::memcmp(p + place, word.data(), n) == 0) return p + place;
      hits &= ~(1u << place);
    }
  }
#endif
  while (p > begin) {
    --p;
    if (std::memcmp(p, word.data(), n) == 0) return p;
  }
  return end;
}

const char* LineScan::FindCommentStart(const char* begin, const char* end, bool withBang) {
  if (end - begin < 2) return end;
  // memchr is fastest where a '%' is rare; once one turns out not to start a
  // comment, they are likely dense, and the vector search takes over.
  for (const char* p = begin + 1; p < end;) {
    const auto* found = static_cast<const char*>(std::memchr(p, '%', static_cast<std::size_t>(end - p)));
    if (found == nullptr) return end;
    if (Matches(found, begin, end, withBang)) return found;
#ifdef LINESCAN_SSE2
    return Vector(found + 1, begin, end, withBang);
#else
    p = found + 1;
#endif
  }
  return end;
}
