// One pending PostScript snippet of the plug-in object's injection list and the
// list itself. Emitters append entries; the dispatcher writes them at their
// injection point, in the order they were appended.
#pragma once

#include <cstdint>
#include <list>

#include "zqutil/ByteBuffer.h"

struct InjectionEntry {
  ByteBuffer data;                   // written exactly as stored, no terminator
  std::uint32_t injectionIndex = 0;  // PSINJECT_* value
  bool once = false;                 // written once, then dropped
  std::uint32_t lastPage = 0;        // entries that stay: page counter at the last write
};

using InjectionList = std::list<InjectionEntry>;
