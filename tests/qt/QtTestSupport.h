// Shared by the Qt tests: the event-loop driver of the host contract and small helpers.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
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

// True when what AWidget's window shows now equals what a full repaint of the widget shows (after
// ASettleMs of events first): a partial repaint left nothing old behind.
inline bool ShownEqualsAFullRepaint(QWidget& AWidget, double ASettleMs = 50) {
  auto screen = [&] {
    return AWidget.screen()->grabWindow(AWidget.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  };
  RunEvents(ASettleMs);
  const QImage shown = screen();
  AWidget.update();
  RunEvents(ASettleMs);
  return shown == screen();
}

// A screen whose device pixel ratio differs from the primary screen's, or null. ctest's two-screen
// entries set DW_EXPECT_SCREENS: finding none there is a failure.
inline QScreen* OtherRatioScreen() {
  QScreen* first = QGuiApplication::primaryScreen();
  QScreen* other = nullptr;
  for (QScreen* s : QGuiApplication::screens())
    if (first && s->devicePixelRatio() != first->devicePixelRatio()) other = s;
  if (!other && std::getenv("DW_EXPECT_SCREENS")) ADD_FAILURE() << "expected two screens of different device pixel ratios";
  return other;
}

struct TQtDriver {
  dw::qt::TQtHost H;
  dw::IHostServices& Host() { return H; }
  void Pump(double AMs) { RunEvents(AMs); }
};

}  // namespace dwtest
