#include "dialworks/host/Locks.h"

#include <algorithm>

namespace dw {

bool TControlMutex::Reenter() {
  if (FDepth == 0 || FOwner != std::this_thread::get_id()) return false;
  ++FDepth;
  return true;
}

void TControlMutex::Take() {
  FOwner = std::this_thread::get_id();
  FDepth = 1;
}

void TControlMutex::SkipAbandoned() {
  for (auto it = std::find(FAbandoned.begin(), FAbandoned.end(), FServing); it != FAbandoned.end();
       it = std::find(FAbandoned.begin(), FAbandoned.end(), FServing)) {
    FAbandoned.erase(it);
    ++FServing;
  }
}

void TControlMutex::lock() {
  std::unique_lock g(FGuard);
  if (Reenter()) return;
  const uint64_t mine = FNextTicket++;
  FTurn.wait(g, [&] { return FServing == mine; });
  Take();
}

bool TControlMutex::try_lock() {
  std::lock_guard g(FGuard);
  if (Reenter()) return true;
  if (FDepth != 0 || FServing != FNextTicket) return false;  // held, or others queue before us
  ++FNextTicket;
  Take();
  return true;
}

bool TControlMutex::try_lock_for(std::chrono::microseconds AWait) {
  std::unique_lock g(FGuard);
  if (Reenter()) return true;
  const uint64_t mine = FNextTicket++;
  if (!FTurn.wait_for(g, AWait, [&] { return FServing == mine; })) {
    // Out of the queue: whoever comes after must not wait for this ticket.
    FAbandoned.push_back(mine);
    SkipAbandoned();
    if (FDepth == 0) FTurn.notify_all();
    return false;
  }
  Take();
  return true;
}

void TControlMutex::unlock() {
  std::lock_guard g(FGuard);
  if (--FDepth > 0) return;
  FOwner = std::thread::id();
  ++FServing;
  SkipAbandoned();
  FTurn.notify_all();
}

}  // namespace dw
