// An allocator switch for the out-of-memory tests: this test program replaces
// the global operator new, and a test can make allocations fail from a
// chosen one on. Disarmed it only counts.
#pragma once

#include <cstddef>

namespace oom {

// Counts allocations from now on; none fails.
void StartCounting();
// Counts from now on; the `nth` allocation (1: the next) and every one after
// it throw std::bad_alloc (or give null to a nothrow new), as when memory has
// run out.
void FailFrom(std::size_t nth);
// Stops counting and failing.
void Stop();
// Allocations since the last StartCounting or FailFrom.
std::size_t Count();
// Whether an allocation was refused since the last FailFrom.
bool Refused();

}  // namespace oom
