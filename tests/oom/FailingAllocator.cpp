// The replaceable global allocation functions of this test program. Every
// form of operator new goes through Allocate, so counting and failing cover
// the plug-in, the libraries and the standard library alike.
#include "FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace oom {
namespace {

std::atomic<bool> g_counting{false};
std::atomic<std::size_t> g_count{0};
std::atomic<std::size_t> g_failFrom{0};  // 0: never
std::atomic<bool> g_refused{false};

void* Allocate(std::size_t size) {
  if (g_counting.load(std::memory_order_relaxed)) {
    const std::size_t n = ++g_count;
    const std::size_t failFrom = g_failFrom.load(std::memory_order_relaxed);
    if (failFrom != 0 && n >= failFrom) {
      g_refused = true;
      return nullptr;
    }
  }
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void StartCounting() {
  g_failFrom = 0;
  g_count = 0;
  g_refused = false;
  g_counting = true;
}

void FailFrom(std::size_t nth) {
  g_count = 0;
  g_refused = false;
  g_failFrom = nth;
  g_counting = true;
}

void Stop() {
  g_counting = false;
  g_failFrom = 0;
}

std::size_t Count() {
  return g_count;
}

bool Refused() {
  return g_refused;
}

}  // namespace oom

void* operator new(std::size_t size) {
  if (void* p = oom::Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = oom::Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return oom::Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return oom::Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
