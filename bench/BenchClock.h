// The clock of the ratio benchmarks: CPU time of the calling thread. Ratios measured on a machine
// that is also compiling or running tests stay meaningful, where wall time would charge whatever
// else ran meanwhile to the code measured.
#pragma once

#include <chrono>
#include <ctime>

struct ThreadCpuClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<ThreadCpuClock>;
  static constexpr bool is_steady = true;
  static time_point now() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return time_point(duration(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec)));
  }
};
