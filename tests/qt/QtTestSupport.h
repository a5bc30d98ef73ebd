// Shared by the Qt tests: the event-loop driver of the host contract and small helpers.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>

#include "dialworks/qt/QtHost.h"

namespace dwtest {

// Runs the Qt event loop for AMs milliseconds of real time.
inline void RunEvents(double AMs) {
  QEventLoop loop;
  QTimer::singleShot(int(AMs + 0.5), &loop, &QEventLoop::quit);
  loop.exec();
}

template <class P>
bool RunUntil(P APred, int ALimitMs = 10000) {
  for (int waited = 0; !APred(); waited += 5) {
    if (waited > ALimitMs) return false;
    RunEvents(5);
  }
  return true;
}

struct TQtDriver {
  dw::qt::TQtHost H;
  dw::IHostServices& Host() { return H; }
  void Pump(double AMs) { RunEvents(AMs); }
};

}  // namespace dwtest
