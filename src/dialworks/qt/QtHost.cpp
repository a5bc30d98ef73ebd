#include "dialworks/qt/QtHost.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

#include "dialworks/host/HostTimer.h"
#include "dialworks/qt/InstrumentWidget.h"

namespace dw::qt {

using TSteady = std::chrono::steady_clock;

namespace {

struct TQtTimerState {
  bool Enabled = true;
  uint32_t Interval = IRelaxedTimer::DefaultInterval;
  TSteady::time_point Due;
  TCallbackSlot Slot;
};

}  // namespace

// Every timer's state, and the one single-shot QTimer that wakes the user-interface thread when
// the earliest of them is due. Arm may come from any thread (under Lock); it only queues a
// re-planning call, so QTimer itself is touched on its own thread alone.
struct TQtHost::TTimerCore {
  std::mutex Lock;
  std::vector<std::shared_ptr<TQtTimerState>> Timers;
  QObject* Receiver = nullptr;  // null once the host is gone: timers are inert then
  QTimer* Wake = nullptr;
  bool PlanQueued = false;
  std::weak_ptr<TTimerCore> Self;

  // Lock held.
  void Arm(TQtTimerState& AState) {
    AState.Due = TSteady::now() + std::chrono::milliseconds(AState.Interval);
    if (!Receiver || PlanQueued) return;
    PlanQueued = true;
    QMetaObject::invokeMethod(
        Receiver,
        [weak = Self] {
          if (auto core = weak.lock()) core->Run();
        },
        Qt::QueuedConnection);
  }

  // User-interface thread: fires what is due (earliest first), then sets the wake-up for the next.
  void Run() {
    std::vector<std::shared_ptr<TQtTimerState>> due;
    {
      std::lock_guard lock(Lock);
      PlanQueued = false;
      const auto now = TSteady::now();
      for (auto& t : Timers)
        if (t->Enabled && t->Due <= now) due.push_back(t);
      std::stable_sort(due.begin(), due.end(), [](auto& a, auto& b) { return a->Due < b->Due; });
      // The next expiry keeps the rhythm unless the timer fell a whole interval behind.
      for (auto& t : due) {
        const auto interval = std::chrono::milliseconds(t->Interval);
        t->Due += interval;
        if (t->Due <= now) t->Due = now + interval;
      }
    }
    for (auto& t : due) {
      {
        std::lock_guard lock(Lock);
        if (!t->Enabled) continue;  // switched off by an earlier callback
      }
      t->Slot.Invoke();  // does nothing once the timer's handle is gone
    }
    Plan();
  }

  void Plan() {
    std::lock_guard lock(Lock);
    if (!Wake) return;
    bool any = false;
    TSteady::time_point next{};
    for (auto& t : Timers)
      if (t->Enabled && (!any || t->Due < next)) {
        next = t->Due;
        any = true;
      }
    if (!any) {
      Wake->stop();
      return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - TSteady::now()).count();
    Wake->start(int(std::clamp<int64_t>(wait, 0, IRelaxedTimer::MaxInterval)));
  }
};

namespace {

using TQtTimer = THostTimer<TQtHost::TTimerCore, TQtTimerState>;

// Ticks on a precise repeating QTimer of the user-interface thread while anybody is subscribed.
// Activity and interval changes may come from any thread: they queue a re-timing there.
class TQtClock final : public TAnimationClock {
 public:
  explicit TQtClock(QObject& AReceiver) : FReceiver(&AReceiver), FTimer(&AReceiver) {
    FTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Tick(); });
  }
  ~TQtClock() override { FTimer.stop(); }

 protected:
  void ActivityChanged(bool) override { Retime(); }
  void IntervalChanged() override { Retime(); }

 private:
  void Retime() {
    if (QThread::currentThread() != FReceiver->thread()) {
      QMetaObject::invokeMethod(FReceiver, [this] { Retime(); }, Qt::QueuedConnection);
      return;
    }
    if (!Active()) {
      FTimer.stop();
      return;
    }
    const int ms = std::max(1, int(std::lround(Interval())));
    if (!FTimer.isActive() || FTimer.interval() != ms) FTimer.start(ms);
  }

  QObject* FReceiver;
  QTimer FTimer;
};

}  // namespace

TQtHost::TQtHost(bool AInstall)
    : FReceiver(std::make_unique<QObject>()), FTimers(std::make_shared<TTimerCore>()) {
  FClock = std::make_unique<TQtClock>(*FReceiver);
  FTimers->Self = FTimers;
  FTimers->Receiver = FReceiver.get();
  FTimers->Wake = new QTimer(FReceiver.get());
  FTimers->Wake->setSingleShot(true);
  FTimers->Wake->setTimerType(Qt::PreciseTimer);
  QObject::connect(FTimers->Wake, &QTimer::timeout, [core = FTimers.get()] { core->Run(); });
  if (AInstall) {
    SetHostServices(this);
    FInstalled = true;
  }
}

TQtHost::~TQtHost() {
  UninstallHostServices(this);
  {
    std::lock_guard lock(FTimers->Lock);
    FTimers->Receiver = nullptr;
    FTimers->Wake = nullptr;  // deleted with the receiver below
  }
  FClock.reset();
  // Deleting the receiver drops every queued call for it: posts, repaints, timer plans.
  FReceiver.reset();
}

std::unique_ptr<IRelaxedTimer> TQtHost::CreateTimer() { return std::make_unique<TQtTimer>(FTimers); }

TAnimationClock& TQtHost::AnimationClock() { return *FClock; }

TDateTime TQtHost::Now() { return SystemNow(); }

bool TQtHost::OnUiThread() const { return QThread::currentThread() == FReceiver->thread(); }

void TQtHost::RequestRepaint(TKVBasicControl& AControl) {
  ++FRequests;
  if (OnUiThread())
    Deliver(&AControl, nullptr);
  else
    QueueRepaint(&AControl, nullptr);
}

void TQtHost::RequestRepaint(TKVBasicControl& AControl, const TRepaintRect& ARect) {
  if (ARect.IsEmpty()) return;
  ++FRequests;
  if (OnUiThread())
    Deliver(&AControl, &ARect);
  else
    QueueRepaint(&AControl, &ARect);
}

void TQtHost::QueueRepaint(const TKVBasicControl* AControl, const TRepaintRect* ARect) {
  std::lock_guard lock(FPendingLock);
  // An invalid QRect stands for the whole control; a part joins the parts asked for before.
  const QRect part = ARect ? QRect(ARect->Left, ARect->Top, ARect->Width, ARect->Height) : QRect();
  auto [it, added] = FPending.try_emplace(AControl, part);
  if (!added) it->second = it->second.isValid() && part.isValid() ? it->second.united(part) : QRect();
  if (FFlushQueued) return;
  FFlushQueued = true;
  QMetaObject::invokeMethod(FReceiver.get(), [this] { FlushRepaints(); }, Qt::QueuedConnection);
}

void TQtHost::FlushRepaints() {
  std::map<const TKVBasicControl*, QRect> pending;
  {
    std::lock_guard lock(FPendingLock);
    pending.swap(FPending);
    FFlushQueued = false;
  }
  for (const auto& [control, rect] : pending) {
    if (rect.isValid()) {
      const TRepaintRect part{rect.x(), rect.y(), rect.width(), rect.height()};
      Deliver(control, &part);
    } else {
      Deliver(control, nullptr);
    }
  }
}

InstrumentWidget* TQtHost::ShowingWidget(const TKVBasicControl* AControl) const {
  // The map is a cache: a control may have moved to another shown form since, or a new control
  // may have the address of one that is gone. Only a widget that shows it now counts.
  if (auto it = FWidgets.find(AControl); it != FWidgets.end() && it->second->IsShown(AControl)) return it->second;
  const auto w = std::find_if(FShowing.begin(), FShowing.end(),
                              [&](const InstrumentWidget* AWidget) { return AWidget->IsShown(AControl); });
  return w == FShowing.end() ? nullptr : *w;
}

InstrumentWidget* TQtHost::Find(const TKVBasicControl* AControl) {
  InstrumentWidget* w = ShowingWidget(AControl);
  if (w)
    FWidgets[AControl] = w;
  else
    FWidgets.erase(AControl);
  return w;
}

void TQtHost::Deliver(const TKVBasicControl* AControl, const TRepaintRect* ARect) {
  if (InstrumentWidget* w = Find(AControl)) w->RepaintControl(*AControl, ARect);
}

void TQtHost::RequestFocus(TKVBasicControl& AControl) {
  if (!OnUiThread()) return;  // comes from a mouse event, never from elsewhere
  if (InstrumentWidget* w = Find(&AControl)) w->FocusControl(AControl);
}

void TQtHost::Post(std::function<void()> AProc) {
  if (!AProc) return;
  QMetaObject::invokeMethod(FReceiver.get(), std::move(AProc), Qt::QueuedConnection);
}

InstrumentWidget* TQtHost::WidgetOf(const TKVBasicControl& AControl) const { return ShowingWidget(&AControl); }

uint64_t TQtHost::RepaintRequests() const { return FRequests; }

void TQtHost::Register(InstrumentWidget& AWidget, const std::vector<TKVBasicControl*>& AControls) {
  if (std::find(FShowing.begin(), FShowing.end(), &AWidget) == FShowing.end()) FShowing.push_back(&AWidget);
  for (const TKVBasicControl* c : AControls) FWidgets[c] = &AWidget;
}

void TQtHost::Unregister(const InstrumentWidget& AWidget) {
  std::erase(FShowing, &AWidget);
  std::lock_guard lock(FPendingLock);
  for (auto it = FWidgets.begin(); it != FWidgets.end();) {
    if (it->second != &AWidget) {
      ++it;
      continue;
    }
    FPending.erase(it->first);
    it = FWidgets.erase(it);
  }
}

}  // namespace dw::qt
