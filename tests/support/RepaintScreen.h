// A window showing one control on a manual host, for tests of repaints of only what moved: it
// repaints what the host was asked for, as a desktop host does (the window's colour first, then
// the control clipped to the part), into pixels kept from paint to paint.
#pragma once

#include <gtest/gtest.h>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Control.h"
#include "dialworks/host/ManualHost.h"
#include "support/InstrumentTest.h"
#include "support/PixelDiff.h"

namespace dwtest {

struct TRepaintScreen {
  static constexpr dw::TAlphaColor Window = 0xFF2A3A4A;
  dw::TManualHost& Host;
  dw::TKVBasicControl& Control;
  dw::gp::Bitmap Pixels;
  TRepaintScreen(dw::TManualHost& AHost, dw::TKVBasicControl& AControl)
      : Host(AHost), Control(AControl), Pixels(AControl.Width(), AControl.Height()) {
    dw::gp::CairoGraphics g(Pixels);
    g.Clear(Window);
    Control.Paint(g);
    Host.TakeDirty(Control);
  }
  // Repaints what is dirty; returns it.
  dw::TManualHost::TDirty Update() {
    const dw::TManualHost::TDirty d = Host.TakeDirty(Control);
    if (d.IsEmpty()) return d;
    dw::gp::CairoGraphics g(Pixels);
    if (!d.Whole)
      g.SetClip(dw::gp::RectF(float(d.Part.Left), float(d.Part.Top), float(d.Part.Width), float(d.Part.Height)));
    g.Clear(Window);
    Control.Paint(g);
    return d;
  }
  // The worst difference from a whole paint of the control now.
  int DifferenceFromWholePaint() { return WorstDifference(Pixels, RenderControl(Control, Window)); }
  // Serves the repaints of a motion of the control: a paint every 7 ms of host time (paints fall
  // between the clock's ticks and the refresh timer's) while AMoving() holds. Each repaint must
  // be partial and leave the screen as AStill paints it once AShow() set it to the state the
  // request held; at the end the screen must equal a whole paint. Returns the repaints served.
  template <class TMoving, class TShow>
  int ServeMotion(TMoving AMoving, dw::TKVBasicControl& AStill, TShow AShow) {
    int parts = 0;
    for (int step = 0; step < 400 && AMoving(); ++step) {
      Host.Advance(7);
      const dw::TManualHost::TDirty d = Update();
      if (d.IsEmpty()) continue;
      EXPECT_FALSE(d.Whole) << step;
      ++parts;
      AShow();
      EXPECT_EQ(WorstDifference(Pixels, RenderControl(AStill, Window)), 0) << step;
    }
    EXPECT_FALSE(AMoving());
    Host.Advance(100);
    Update();
    EXPECT_EQ(DifferenceFromWholePaint(), 0);
    return parts;
  }
  // The share of the control a part covers.
  double Share(const dw::TRepaintRect& APart) const {
    return double(APart.Width) * APart.Height / (double(Control.Width()) * Control.Height());
  }
};

}  // namespace dwtest
