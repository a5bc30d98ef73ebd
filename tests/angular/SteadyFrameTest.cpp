// Issue 12: a steady frame of the gauge (the hand moving over the kept face layers, clipped to the
// face every frame) allocates nothing. (With the pixel paths off Cairo's path gradient of the
// hand's shadow is built anew each frame, which does allocate.)
#include <gtest/gtest.h>

#include "support/InstrumentTest.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "support/CountedNew.h"

using namespace dw;

TEST(AngularSteadyFrame, AllocatesNothing) {
  dwtest::TScopedHost host;
  {
    TDWAngularGauge g;
    g.SetBounds(0, 0, 300, 300);
    g.Hand().Animation().SetEnabled(false);
    gp::Bitmap target(300, 300);
    gp::CairoGraphics cg(target);
    cg.SetPixelPaths(true);
    // Every angle once: the face is built and kept buffers reach their sizes.
    for (int k = 0; k < 100; ++k) {
      g.SetValue(k + 0.5);
      g.Paint(cg);
    }
    dwtest::TCountNews news;
    for (int k = 0; k < 100; ++k) {
      g.SetValue(k + 0.5);
      g.Paint(cg);
    }
    if (dwtest::TCountNews::Active) {
      EXPECT_EQ(news.Count(), 0u);
    }
  }
}
