// LineScan: finding where DSC comments may begin in a block of PostScript,
// and the last place a word stands in one.
//
// A comment line begins with '%' right after a CR or LF. Driver output and
// ASCII85 image data carry a '%' on nearly every line without it starting
// one, so a search for '%' alone stops every few dozen bytes; this search
// looks at 16 bytes at a time for the pair instead. The backward search for
// a word likewise tests 16 places at a time for its first and last byte.
#pragma once

#include <cstddef>
#include <string_view>

class LineScan {
 public:
  // The first '%' in (begin, end) whose previous byte is CR or LF, or, with
  // `withBang`, that is followed by '!' or is the last byte of the range (its
  // next byte is not known yet). The byte at `begin` itself is never
  // returned: it has no previous byte here. Returns `end` when there is none.
  static const char* FindCommentStart(const char* begin, const char* end, bool withBang = false);
  // Where the last occurrence of `word` in [begin, end) starts, or `end`
  // when there is none (or `word` is empty).
  static const char* FindLast(const char* begin, const char* end, std::string_view word);
};
