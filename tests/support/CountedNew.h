// Counts the calls of operator new on the calling thread while a TCountNews is alive (Cairo and
// Pango allocate with malloc: what is counted is C++ code). Replaces the global operator new and
// delete: include it in one source file of a test program only. Under AddressSanitizer the
// sanitizer's own operator new stays (its variants must pair with its deletes) and nothing is
// counted: TCountNews::Active says whether counts mean anything.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <new>

namespace dwtest {

inline thread_local uint64_t* tCountedNews = nullptr;

class TCountNews {
 public:
#if defined(__SANITIZE_ADDRESS__)
  static constexpr bool Active = false;
#else
  static constexpr bool Active = true;
#endif
  TCountNews() { tCountedNews = &FCount; }
  ~TCountNews() { tCountedNews = nullptr; }
  TCountNews(const TCountNews&) = delete;
  TCountNews& operator=(const TCountNews&) = delete;
  uint64_t Count() const { return FCount; }

 private:
  uint64_t FCount = 0;
};

// The news of ACounted runs of AStep after AWarm runs (which let kept buffers reach their sizes):
// what a steady frame allocates. Zero where nothing is counted (Active false).
template <class TStep>
uint64_t SteadyNews(TStep AStep, int AWarm = 1, int ACounted = 1) {
  for (int k = 0; k < AWarm; ++k) AStep();
  TCountNews news;
  for (int k = 0; k < ACounted; ++k) AStep();
  return news.Count();
}

}  // namespace dwtest

#if !defined(__SANITIZE_ADDRESS__)
// GCC takes free() inside a replacement operator delete for a mismatch; it pairs the malloc here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  if (dwtest::tCountedNews) ++*dwtest::tCountedNews;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
#endif
