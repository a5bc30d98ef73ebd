// The clock of the ratio benchmarks: CPU time of the calling thread, and the ratio of two pieces
// of work measured with it. Ratios measured on a machine
// that is also compiling or running tests stay meaningful, where wall time would charge whatever
// else ran meanwhile to the code measured.
#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "dialworks/host/ManualHost.h"

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

// Nanoseconds per call of AWork over ACount calls.
template <class F>
double BatchNs(F&& AWork, int ACount) {
  const auto t0 = ThreadCpuClock::now();
  for (int k = 0; k < ACount; ++k) AWork();
  return std::chrono::duration<double, std::nano>(ThreadCpuClock::now() - t0).count() / ACount;
}

// The ratio of two pieces of work: the median over rounds of one batch of each, run back to back,
// so that the machine's changing speed (other guests, clock steps) cancels out.
template <class A, class B>
double MedianRatio(A&& AWork, int ACountA, B&& ABaseline, int ACountB, int ARounds = 15) {
  std::vector<double> ratios;
  for (int r = 0; r < ARounds; ++r) ratios.push_back(BatchNs(AWork, ACountA) / BatchNs(ABaseline, ACountB));
  std::nth_element(ratios.begin(), ratios.begin() + ARounds / 2, ratios.end());
  return ratios[size_t(ARounds / 2)];
}

// Installs a manual host for the lifetime of a benchmark's instrument (declare it first: an
// instrument takes its timer from the host when it is made).
struct TInstalledHost {
  dw::TManualHost Host;
  TInstalledHost() { dw::SetHostServices(&Host); }
  ~TInstalledHost() { dw::SetHostServices(nullptr); }
};
