// Counts every operator new of the benchmark program (Cairo and Pango allocate with malloc, so
// what is counted is C++ code: ours and the standard library's on our behalf).
#pragma once

#include <atomic>
#include <cstdint>

namespace dwbench {
extern std::atomic<uint64_t> g_news;
}  // namespace dwbench
