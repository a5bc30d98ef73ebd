// A real number that one thread stores (an instrument's setters, under its control lock) while
// other threads read it without that lock: the UI thread's getters, saving, property queries.
// Loads and stores are relaxed atomics, plain moves on x86-64 and ARM64, so the hot paths pay
// nothing; each read sees a whole value, never a torn or stale-register one. Values read one
// after the other may come from different stores (Min of one range, Max of the next); readers
// that need them together take the control lock as before.
#pragma once

#include <atomic>

#include "dialworks/Export.h"

namespace dw {

class DW_API TDWSharedReal {
 public:
  constexpr TDWSharedReal(double AValue = 0) noexcept : FValue(AValue) {}  // NOLINT: converts like a double
  TDWSharedReal(const TDWSharedReal& AOther) noexcept : FValue(AOther.Get()) {}
  TDWSharedReal& operator=(const TDWSharedReal& AOther) noexcept { return *this = AOther.Get(); }
  TDWSharedReal& operator=(double AValue) noexcept {
    FValue.store(AValue, std::memory_order_relaxed);
    return *this;
  }
  operator double() const noexcept { return Get(); }  // NOLINT: reads like a double
  double Get() const noexcept { return FValue.load(std::memory_order_relaxed); }

 private:
  static_assert(std::atomic<double>::is_always_lock_free);
  std::atomic<double> FValue;
};

}  // namespace dw
