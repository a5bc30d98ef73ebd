#include "dialworks/host/Pins.h"

#include <algorithm>
#include <cmath>

#include "dialworks/host/HostServices.h"
#include "dialworks/host/Helpers.h"

namespace dw {

// A link between two pins. Deliveries enter its guard; unlinking kills the guard, which waits
// for deliveries running on other threads, so the pins may be destroyed afterwards.
struct TPXPin::TLink {
  TPXPin* From;
  TPXPin* To;
  bool TwoWay;
  TLifeGuard Guard;
  TLink(TPXPin* AFrom, TPXPin* ATo, bool ATwoWay) : From(AFrom), To(ATo), TwoWay(ATwoWay) {}
  TPXPin* Other(const TPXPin* APin) const { return APin == From ? To : From; }
};

namespace {

// All link changes are serialised by one lock; sends only take the sending pin's own lock.
std::mutex& TopologyLock() {
  static std::mutex lock;
  return lock;
}

// Pins sending further up this thread's call chain (cycle breaking).
thread_local std::vector<const TPXPin*> GSending;
constexpr size_t MaxChainDepth = 32;

bool Numeric(TPXDataKind AKind) { return AKind == dkReal || AKind == dkInteger; }

}  // namespace

TPXPin::TPXPin(TComponent* AOwner, TPXPinDirection ADirection, TPXDataKind AKind)
    : FOwner(AOwner), FDirection(ADirection), FKind(AKind) {}

TPXPin::~TPXPin() { DisconnectAll(); }

std::string TPXPin::Name() const {
  std::lock_guard lock(FPinLock);
  return FName;
}

void TPXPin::SetName(std::string AName) {
  std::lock_guard lock(FPinLock);
  FName = std::move(AName);
}

bool TPXPin::Connected() const { return LinkCount() > 0; }

size_t TPXPin::LinkCount() const {
  std::lock_guard lock(FPinLock);
  return FLinks.size();
}

std::vector<TPXPin*> TPXPin::LinkedPins() const {
  std::lock_guard lock(FPinLock);
  std::vector<TPXPin*> pins;
  for (auto& l : FLinks) pins.push_back(l->Other(this));
  return pins;
}

bool TPXPin::IsLinkedTo(const TPXPin& AOther) const {
  std::lock_guard lock(FPinLock);
  return std::any_of(FLinks.begin(), FLinks.end(),
                     [&](auto& l) { return l->Other(this) == &AOther; });
}

bool TPXPin::CanLink(const TPXPin& AFrom, const TPXPin& ATo) {
  if (&AFrom == &ATo || !AFrom.CanSend() || !ATo.CanReceive()) return false;
  return AFrom.FKind == ATo.FKind || (Numeric(AFrom.FKind) && Numeric(ATo.FKind));
}

bool TPXPin::Link(TPXPin& AFrom, TPXPin& ATo) {
  if (!CanLink(AFrom, ATo)) return false;
  std::lock_guard topology(TopologyLock());
  {
    std::lock_guard lock(AFrom.FPinLock);
    for (auto& l : AFrom.FLinks)
      if ((l->From == &AFrom && l->To == &ATo) || (l->TwoWay && l->From == &ATo && l->To == &AFrom))
        return false;
  }
  auto link = std::make_shared<TLink>(&AFrom, &ATo,
                                      AFrom.FDirection == pdState && ATo.FDirection == pdState);
  {
    std::lock_guard lock(AFrom.FPinLock);
    AFrom.FLinks.push_back(link);
  }
  std::lock_guard lock(ATo.FPinLock);
  ATo.FLinks.push_back(link);
  return true;
}

// Topology lock held. Removes the link from both ends and tells an end that lost its last link.
void TPXPin::Unlink(const std::shared_ptr<TLink>& ALink) {
  for (TPXPin* pin : {ALink->From, ALink->To}) {
    bool empty;
    {
      std::lock_guard lock(pin->FPinLock);
      std::erase(pin->FLinks, ALink);
      empty = pin->FLinks.empty();
    }
    // Under the topology lock, so the other end cannot finish its destruction meanwhile.
    if (empty) pin->AllLinksGone();
  }
}

bool TPXPin::Disconnect(TPXPin& AOther) {
  std::vector<std::shared_ptr<TLink>> removed;
  {
    std::lock_guard topology(TopologyLock());
    std::vector<std::shared_ptr<TLink>> links;
    {
      std::lock_guard lock(FPinLock);
      for (auto& l : FLinks)
        if (l->Other(this) == &AOther) links.push_back(l);
    }
    for (auto& l : links) Unlink(l);
    removed = std::move(links);
  }
  // Outside the topology lock: a delivery on another thread may itself be linking pins.
  for (auto& l : removed) l->Guard.Kill();
  return !removed.empty();
}

void TPXPin::DisconnectAll() {
  std::vector<std::shared_ptr<TLink>> removed;
  {
    std::lock_guard topology(TopologyLock());
    {
      std::lock_guard lock(FPinLock);
      removed = FLinks;
    }
    for (auto& l : removed) Unlink(l);
  }
  for (auto& l : removed) l->Guard.Kill();
}

size_t TPXPin::Send(const TPXOperation& AOperation) {
  if (GSending.size() >= MaxChainDepth) return 0;
  std::vector<std::shared_ptr<TLink>> links;
  {
    std::lock_guard lock(FPinLock);
    links = FLinks;
  }
  if (links.empty()) return 0;
  GSending.push_back(this);
  struct TPop {
    ~TPop() { GSending.pop_back(); }
  } pop;
  size_t count = 0;
  for (auto& link : links) {
    TPXPin* target;
    if (link->From == this)
      target = link->To;
    else if (link->TwoWay)
      target = link->From;
    else
      continue;
    if (std::find(GSending.begin(), GSending.end(), target) != GSending.end()) continue;
    if (!link->Guard.Enter()) continue;  // unlinked meanwhile
    struct TLeave {
      TLifeGuard& G;
      ~TLeave() { G.Leave(); }
    } leave{link->Guard};
    target->Receive(*this, AOperation, link->TwoWay);
    ++count;
  }
  return count;
}

// ---- Receivers ----

void TPXRealAndRangedSinkPin::SetOnValue(TPXRealAndRangedEvent AOnValue) {
  std::lock_guard lock(FPinLock);
  FOnValue = std::move(AOnValue);
}

void TPXRealAndRangedSinkPin::Receive(TPXPin&, const TPXOperation& AOperation, bool ATwoWay) {
  double value, lo = 0, hi = 0;
  bool hasRange = false;
  if (auto* r = dynamic_cast<const TPXRealRangeValueOperation*>(&AOperation)) {
    value = r->Value;
    lo = r->Min;
    hi = r->Max;
    hasRange = true;
    FRangePopulated = true;
  } else if (auto* v = dynamic_cast<const TPXRealOperation*>(&AOperation)) {
    value = v->Value;
  } else if (auto* i = dynamic_cast<const TPXIntegerOperation*>(&AOperation)) {
    value = double(i->Value);
  } else {
    return;
  }
  TPXRealAndRangedEvent handler;
  {
    std::lock_guard lock(FPinLock);
    handler = FOnValue;
  }
  if (handler) handler(*this, value, lo, hi, hasRange, ATwoWay);
}

void TPXDateTimeSinkPin::SetOnValue(TPXDateTimeEvent AOnValue) {
  std::lock_guard lock(FPinLock);
  FOnValue = std::move(AOnValue);
}

void TPXDateTimeSinkPin::Receive(TPXPin&, const TPXOperation& AOperation, bool) {
  auto* d = dynamic_cast<const TPXDateTimeOperation*>(&AOperation);
  if (!d) return;
  TPXDateTimeEvent handler;
  {
    std::lock_guard lock(FPinLock);
    handler = FOnValue;
  }
  if (handler) handler(*this, d->Value);
}

void TPXIntegerSinkPin::SetOnValue(TPXIntegerEvent AOnValue) {
  std::lock_guard lock(FPinLock);
  FOnValue = std::move(AOnValue);
}

void TPXIntegerSinkPin::Receive(TPXPin&, const TPXOperation& AOperation, bool) {
  int64_t value;
  if (auto* i = dynamic_cast<const TPXIntegerOperation*>(&AOperation)) {
    value = i->Value;
  } else {
    double real;
    if (auto* v = dynamic_cast<const TPXRealOperation*>(&AOperation))
      real = v->Value;
    else if (auto* r = dynamic_cast<const TPXRealRangeValueOperation*>(&AOperation))
      real = r->Value;
    else
      return;
    if (std::isnan(real)) return;
    value = RXRoundHalfEvenToInt64(real);
  }
  TPXIntegerEvent handler;
  {
    std::lock_guard lock(FPinLock);
    handler = FOnValue;
  }
  if (handler) handler(*this, value);
}

void TMZPXStringSinkPin::SetOnValue(TMZStringEvent AOnValue) {
  std::lock_guard lock(FPinLock);
  FOnValue = std::move(AOnValue);
}

void TMZPXStringSinkPin::Receive(TPXPin&, const TPXOperation& AOperation, bool) {
  auto* s = dynamic_cast<const TPXStringOperation*>(&AOperation);
  if (!s) return;
  TMZStringEvent handler;
  {
    std::lock_guard lock(FPinLock);
    handler = FOnValue;
  }
  if (handler) handler(*this, std::string(s->Value));
}

void TMZPXSinkPin::SetOnDispatch(TMZDispatchEvent AOnDispatch) {
  std::lock_guard lock(FPinLock);
  FOnDispatch = std::move(AOnDispatch);
}

void TMZPXSinkPin::Receive(TPXPin&, const TPXOperation& AOperation, bool) {
  TMZDispatchEvent handler;
  {
    std::lock_guard lock(FPinLock);
    handler = FOnDispatch;
  }
  if (handler) handler(*this, AOperation);
}

void TMZPXRealRangedSinkPin::Receive(TPXPin& ASender, const TPXOperation& AOperation,
                                     bool ATwoWay) {
  if (dynamic_cast<const TPXTypedSuppliedRangeOperation<double>*>(&AOperation))
    FRangePopulated = true;
  TMZPXSinkPin::Receive(ASender, AOperation, ATwoWay);
}

// ---- Pin list ----

TPXPin* TPXPinList::Find(std::string_view AName) const {
  const int i = IndexOf(AName);
  return i < 0 ? nullptr : FPins[size_t(i)].get();
}

int TPXPinList::IndexOf(std::string_view AName) const {
  for (size_t i = 0; i < FPins.size(); ++i)
    if (FPins[i]->Name() == AName) return int(i);
  return -1;
}

}  // namespace dw
