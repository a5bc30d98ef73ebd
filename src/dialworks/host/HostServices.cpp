#include "dialworks/host/HostServices.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "dialworks/host/Helpers.h"
#include "dialworks/host/ManualHost.h"

namespace dw {

// ---- Interval policy ----

uint32_t IRelaxedTimer::LimitInterval(double AMilliseconds, uint32_t AFallback) {
  if (std::isnan(AMilliseconds)) return AFallback;
  if (!(AMilliseconds >= 1)) return 1;
  if (!(AMilliseconds <= double(MaxInterval))) return MaxInterval;
  return uint32_t(std::max(1.0, RXRoundHalfEven(AMilliseconds)));
}

// ---- Life guard and callback slot ----

bool TLifeGuard::Enter() {
  std::lock_guard lock(FLock);
  if (!FAlive) return false;
  FRunners.push_back(std::this_thread::get_id());
  return true;
}

void TLifeGuard::Leave() {
  std::lock_guard lock(FLock);
  auto it = std::find(FRunners.begin(), FRunners.end(), std::this_thread::get_id());
  if (it != FRunners.end()) FRunners.erase(it);
  FDone.notify_all();
}

void TLifeGuard::Kill() {
  std::unique_lock lock(FLock);
  FAlive = false;
  const auto self = std::this_thread::get_id();
  FDone.wait(lock, [&] {
    return std::all_of(FRunners.begin(), FRunners.end(), [&](auto id) { return id == self; });
  });
}

bool TLifeGuard::Alive() const {
  std::lock_guard lock(FLock);
  return FAlive;
}

void TCallbackSlot::Set(std::function<void()> AProc) {
  std::function<void()> old;
  std::lock_guard lock(FLock);
  old.swap(FProc);
  FProc = std::move(AProc);
}

bool TCallbackSlot::Invoke() {
  if (!FGuard.Enter()) return false;
  struct TLeave {
    TLifeGuard& G;
    ~TLeave() { G.Leave(); }
  } leave{FGuard};
  std::function<void()> proc;
  {
    std::lock_guard lock(FLock);
    proc = FProc;
  }
  if (!proc) return false;
  proc();
  return true;
}

void TCallbackSlot::Kill() {
  FGuard.Kill();
  std::function<void()> old;
  std::lock_guard lock(FLock);
  old.swap(FProc);
}

// ---- Animation clock ----

struct TAnimationClock::TEntry {
  TTickEvent Event;
  bool Active = true;
};

TAnimationClock::~TAnimationClock() { FLifetime.reset(); }

TAnimationClock::THandle TAnimationClock::Subscribe(TTickEvent AEvent) {
  if (!AEvent) return NoHandle;
  bool first;
  THandle handle;
  {
    std::lock_guard lock(FLock);
    handle = FNextHandle++;
    FEntries.emplace(handle, std::make_shared<TEntry>(TEntry{std::move(AEvent), true}));
    first = FEntries.size() == 1;
  }
  if (first) ActivityChanged(true);
  return handle;
}

bool TAnimationClock::Unsubscribe(THandle AHandle) {
  TTickEvent released;  // destroyed outside the lock
  bool last;
  {
    std::unique_lock lock(FLock);
    auto it = FEntries.find(AHandle);
    if (it == FEntries.end()) return false;
    std::shared_ptr<TEntry> entry = std::move(it->second);
    FEntries.erase(it);
    entry->Active = false;
    last = FEntries.empty();
    if (FRunning == entry && FTickThread != std::this_thread::get_id())
      FIdle.wait(lock, [&] { return FRunning != entry; });
    if (FRunning != entry) released.swap(entry->Event);
  }
  if (last) ActivityChanged(false);
  return true;
}

bool TAnimationClock::IsSubscribed(THandle AHandle) const {
  std::lock_guard lock(FLock);
  return FEntries.count(AHandle) > 0;
}

size_t TAnimationClock::SubscriberCount() const {
  std::lock_guard lock(FLock);
  return FEntries.size();
}

double TAnimationClock::Interval() const {
  std::lock_guard lock(FLock);
  return FInterval;
}

void TAnimationClock::SetInterval(double AMilliseconds) {
  if (std::isnan(AMilliseconds)) return;
  AMilliseconds = std::clamp(AMilliseconds, 1.0, 1000.0);
  {
    std::lock_guard lock(FLock);
    if (AMilliseconds == FInterval) return;
    FInterval = AMilliseconds;
  }
  IntervalChanged();
}

void TAnimationClock::Tick() {
  std::lock_guard tickLock(FTickLock);
  std::vector<std::shared_ptr<TEntry>> snapshot;
  {
    std::lock_guard lock(FLock);
    snapshot.reserve(FEntries.size());
    for (auto& [handle, entry] : FEntries) snapshot.push_back(entry);
    FTickThread = std::this_thread::get_id();
  }
  struct TEndRun {
    TAnimationClock& C;
    void operator()() {
      std::lock_guard lock(C.FLock);
      C.FRunning = nullptr;
      C.FIdle.notify_all();
    }
  } endRun{*this};
  for (auto& entry : snapshot) {
    {
      std::lock_guard lock(FLock);
      if (!entry->Active) continue;
      FRunning = entry;
    }
    // The event is not touched by Unsubscribe while FRunning points at its entry.
    try {
      entry->Event();
    } catch (...) {
      endRun();
      std::lock_guard lock(FLock);
      FTickThread = {};
      throw;
    }
    endRun();
  }
  std::lock_guard lock(FLock);
  FTickThread = {};
}

// ---- Installed host ----

namespace {
std::atomic<IHostServices*> GInstalled{nullptr};
}

// Never destroyed: static objects of other units may still ask for the host while the program
// exits.
TManualHost& DefaultManualHost() {
  static TManualHost* host = new TManualHost;
  return *host;
}

IHostServices& HostServices() {
  IHostServices* host = GInstalled.load(std::memory_order_acquire);
  return host ? *host : DefaultManualHost();
}

void SetHostServices(IHostServices* AHost) { GInstalled.store(AHost, std::memory_order_release); }

void UninstallHostServices(IHostServices* AHost) {
  IHostServices* expected = AHost;
  GInstalled.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

// ---- Repaint counting ----

void TRepaintCounter::Add(const TKVBasicControl& AControl) {
  std::lock_guard lock(FLock);
  ++FCounts[&AControl];
  ++FTotal;
}

uint64_t TRepaintCounter::Count(const TKVBasicControl& AControl) const {
  std::lock_guard lock(FLock);
  auto it = FCounts.find(&AControl);
  return it == FCounts.end() ? 0 : it->second;
}

uint64_t TRepaintCounter::Total() const {
  std::lock_guard lock(FLock);
  return FTotal;
}

void TRepaintCounter::Clear() {
  std::lock_guard lock(FLock);
  FCounts.clear();
  FTotal = 0;
}

}  // namespace dw
