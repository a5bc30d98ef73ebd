#include "AllocCount.h"

#include <cstdlib>
#include <new>

std::atomic<uint64_t> dwbench::g_news{0};

// GCC takes free() inside a replacement operator delete for a mismatch; it is the pair of the
// malloc below.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  dwbench::g_news.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
