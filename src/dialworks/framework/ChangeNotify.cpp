#include "dialworks/framework/ChangeNotify.h"

#include <atomic>
#include <memory>
#include <vector>

namespace dw {

namespace {

struct TListeners {
  std::mutex Lock;
  // Copy-on-write: notification takes a snapshot, so listeners may (un)register from inside.
  std::shared_ptr<const std::vector<std::pair<TListenerHandle, TPropertyChangeListener>>> List =
      std::make_shared<std::vector<std::pair<TListenerHandle, TPropertyChangeListener>>>();
  TListenerHandle Next = 1;
  std::atomic<size_t> Count{0};
};

TListeners& Listeners() {
  static TListeners l;
  return l;
}

}  // namespace

TListenerHandle AddPropertyChangeListener(TPropertyChangeListener AListener) {
  auto& l = Listeners();
  std::lock_guard guard(l.Lock);
  auto list = std::make_shared<std::vector<std::pair<TListenerHandle, TPropertyChangeListener>>>(*l.List);
  TListenerHandle h = l.Next++;
  list->emplace_back(h, std::move(AListener));
  l.List = list;
  l.Count = list->size();
  return h;
}

void RemovePropertyChangeListener(TListenerHandle AHandle) {
  auto& l = Listeners();
  std::lock_guard guard(l.Lock);
  auto list = std::make_shared<std::vector<std::pair<TListenerHandle, TPropertyChangeListener>>>(*l.List);
  std::erase_if(*list, [&](auto& e) { return e.first == AHandle; });
  l.List = list;
  l.Count = list->size();
}

void NotifyPropertyChange(TPersistent& AObject, std::string_view AProperty, TPropertyChangePhase APhase) {
  auto& l = Listeners();
  if (l.Count.load(std::memory_order_acquire) == 0) return;
  std::shared_ptr<const std::vector<std::pair<TListenerHandle, TPropertyChangeListener>>> snapshot;
  {
    std::lock_guard guard(l.Lock);
    snapshot = l.List;
  }
  for (auto& e : *snapshot) e.second(AObject, AProperty, APhase);
}

double FoldValue(double AValue, double ALo, double AHi) {
  double period = AHi - ALo;
  if (!std::isfinite(AValue) || !(period > 0)) return AValue;
  double r = std::fmod(AValue - ALo, period);
  if (r < 0) r += period;
  double v = ALo + r;
  if (!(v < AHi)) v = ALo;  // rounding can land exactly on the upper end
  return v;
}

}  // namespace dw
