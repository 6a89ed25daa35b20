// LineScan: finding where DSC comments may begin in a block of PostScript.
//
// A comment line begins with '%' right after a CR or LF. Driver output and
// ASCII85 image data carry a '%' on nearly every line without it starting
// one, so a search for '%' alone stops every few dozen bytes; this search
// looks at 16 bytes at a time for the pair instead.
#pragma once

#include <cstddef>

class LineScan {
 public:
  // The first '%' in (begin, end) whose previous byte is CR or LF, or, with
  // `withBang`, that is followed by '!' or is the last byte of the range (its
  // next byte is not known yet). The byte at `begin` itself is never
  // returned: it has no previous byte here. Returns `end` when there is none.
  static const char* FindCommentStart(const char* begin, const char* end, bool withBang = false);
};
