// Host services on the Qt event loop. Create one after the QApplication, on its thread (the
// user-interface thread), install it with SetHostServices and keep it until every instrument and
// InstrumentWidget is gone.
//
//   QApplication app(argc, argv);
//   dw::qt::TQtHost host;                 // installs itself
//   dw::qt::InstrumentWidget w(host, std::make_unique<dw::TDWAngularGauge>());
//   w.show();
//   return app.exec();
//
// Timers: one precise single-shot QTimer fires whichever timer is due next, on the user-interface
// thread; a timer keeps its rhythm (the next expiry is one interval after the last one due, not
// after the callback ran). The animation clock ticks on a precise QTimer of its own. Posted
// procedures and repaint requests from other threads reach the user-interface thread as queued
// calls; a repaint request names a control by its address, looked up there in the map of the
// controls the widgets show, so a request for a control that is gone finds nothing.
#pragma once

#include <QObject>
#include <QRect>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/host/HostServices.h"

class QTimer;

namespace dw::qt {

class InstrumentWidget;

class DW_API TQtHost final : public IHostServices {
 public:
  // AInstall: installs itself as the host services (and uninstalls itself when destroyed).
  explicit TQtHost(bool AInstall = true);
  ~TQtHost() override;
  TQtHost(const TQtHost&) = delete;
  TQtHost& operator=(const TQtHost&) = delete;

  std::unique_ptr<IRelaxedTimer> CreateTimer() override;
  TAnimationClock& AnimationClock() override;
  TDateTime Now() override;  // SystemNow()
  void RequestRepaint(TKVBasicControl& AControl) override;
  void RequestRepaint(TKVBasicControl& AControl, const TRepaintRect& ARect) override;
  void RequestFocus(TKVBasicControl& AControl) override;
  void Post(std::function<void()> AProc) override;

  // The widget that shows a control (null: none). User-interface thread.
  InstrumentWidget* WidgetOf(const TKVBasicControl& AControl) const;
  // Repaint requests served so far (for tests and the benchmark). Any thread.
  uint64_t RepaintRequests() const;

  struct TTimerCore;  // shared with the timers, which may outlive the host

 private:
  friend class InstrumentWidget;
  // The widget registers itself with every control it shows and, before they or it go,
  // unregisters all of them (a form's controls may have left the form since). A control that
  // joined a shown form later is found in it on its first request.
  void Register(InstrumentWidget& AWidget, const std::vector<TKVBasicControl*>& AControls);
  void Unregister(const InstrumentWidget& AWidget);
  // The registered widget that shows AControl now, or null; Find also updates the map. UI thread.
  InstrumentWidget* ShowingWidget(const TKVBasicControl* AControl) const;
  InstrumentWidget* Find(const TKVBasicControl* AControl);
  // Asks the widget showing AControl to repaint ARect of it (null: all of it). UI thread.
  void Deliver(const TKVBasicControl* AControl, const TRepaintRect* ARect);
  void QueueRepaint(const TKVBasicControl* AControl, const TRepaintRect* ARect);
  void FlushRepaints();
  bool OnUiThread() const;

  std::unique_ptr<QObject> FReceiver;  // lives on the user-interface thread; queued calls go to it
  std::shared_ptr<TTimerCore> FTimers;
  std::unique_ptr<TAnimationClock> FClock;
  std::map<const TKVBasicControl*, InstrumentWidget*> FWidgets;  // UI thread only
  std::vector<InstrumentWidget*> FShowing;                       // the registered widgets; UI thread only

  // Requests from other threads waiting for the user-interface thread: the address with the rect to
  // repaint (an empty rect: the whole control). One queued flush serves all of them.
  mutable std::mutex FPendingLock;
  std::map<const TKVBasicControl*, QRect> FPending;
  bool FFlushQueued = false;
  std::atomic<uint64_t> FRequests{0};
  bool FInstalled = false;
};

}  // namespace dw::qt
