// Repaints of only what moved: a new value or an animation step asks the host for the hand's old
// and new place, and a screen repainted part by part ends up as a whole repaint would leave it.
#include <gtest/gtest.h>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/angular/DWAngularGaugeHands.h"
#include "support/RepaintScreen.h"

using namespace dw;

namespace {

using TScreen = dwtest::TRepaintScreen;
constexpr TAlphaColor Window = TScreen::Window;

// A gauge whose values are drawn where they are (no animation).
struct TStillGauge : TDWAngularGauge {
  explicit TStillGauge(double AValue) {
    Hand().Animation().SetEnabled(false);
    SetValue(AValue);
  }
};

}  // namespace

TEST(AngularGaugeRepaint, NewValuesRepaintTheHandsPlacesOnly) {
  dwtest::TScopedHost host;
  TStillGauge g(10);
  TScreen screen(host.Host, g);
  // A small step, a long one across the top, back to the start, beyond the end.
  for (double v : {12.0, 60.0, 0.0, 150.0}) {
    g.SetValue(v);
    const TManualHost::TDirty d = screen.Update();
    ASSERT_FALSE(d.Whole) << v;
    ASSERT_FALSE(d.IsEmpty()) << v;
    EXPECT_LT(screen.Share(d.Part), v == 12.0 ? 0.2 : 0.7) << v;
    EXPECT_EQ(screen.DifferenceFromWholePaint(), 0) << v;
  }
  // A hidden hand, an appearance change: the whole control again.
  g.Hand().SetVisible(false);
  EXPECT_TRUE(screen.Update().Whole);
  g.SetValue(50);
  EXPECT_TRUE(screen.Update().Whole);
  EXPECT_EQ(screen.DifferenceFromWholePaint(), 0);
}

// A tail indent below zero or beyond the hand puts the bevels' inner corners outside its outline.
TEST(AngularGaugeRepaint, BevelsOutsideTheHandsOutlineAreRepainted) {
  for (float indent : {-0.3f, 1.5f}) {
    dwtest::TScopedHost host;
    TStillGauge g(10);
    g.Hand().TailIndentSize().SetValue(indent);
    TScreen screen(host.Host, g);
    for (double v : {30.0, 75.0}) {
      g.SetValue(v);
      ASSERT_FALSE(screen.Update().Whole) << indent;
      EXPECT_EQ(screen.DifferenceFromWholePaint(), 0) << indent << " " << v;
    }
  }
}

// The hand keeps moving between a repaint request and the paint that serves it: the paint shows
// the requested angle (never a hand cut at the edge of the part), and the screen ends exact.
TEST(AngularGaugeRepaint, AnimationRepaintedPartByPartEndsExact) {
  dwtest::TScopedHost host;
  TDWAngularGauge g;
  g.SetValue(1);  // the first value jumps
  TScreen screen(host.Host, g);
  g.SetValue(100);
  ASSERT_TRUE(g.Animating());
  // The same gauge, still, showing the angle the screen shows.
  TStillGauge still(0);
  EXPECT_GT(screen.ServeMotion([&] { return g.Animating(); }, still,
                               [&] { still.Hand().SetAngle(g.ShownHandAngle()); }),
            10);
}

// A value taken over without a repaint request (while loading) and an off-screen render cut by
// its buffer still show the current value.
TEST(AngularGaugeRepaint, LoadedValuesAndCutRendersShowTheCurrentValue) {
  dwtest::TScopedHost host;
  TStillGauge g(30);
  TScreen screen(host.Host, g);
  g.SetLoading(true);
  g.SetValue(70);
  g.Loaded();
  screen.Update();
  EXPECT_EQ(screen.DifferenceFromWholePaint(), 0);

  g.SetLoading(true);
  g.SetValue(95);  // the hand moves into the right half, which alone is rendered below
  g.SetLoading(false);
  const int w = g.Width(), h = g.Height(), half = w / 2;
  std::vector<uint32_t> whole(size_t(w) * h, 0), right(size_t(w - half) * h, 0);
  ASSERT_TRUE(g.IntRender(0, 0, float(w), float(h), whole.data(), w, h));
  ASSERT_TRUE(g.IntRender(-half, 0, float(w), float(h), right.data(), w - half, h));
  int worst = 0;
  for (int y = 0; y < h; ++y)
    for (int x = half; x < w; ++x)
      worst = std::max(worst, dwtest::ChannelDiff(whole[size_t(y) * w + x], right[size_t(y) * (w - half) + x - half]));
  EXPECT_LE(worst, 1);
}

// An element reaching past its host's face is drawn cut by the face in every paint of the host.
// A jump that repaints the whole host (Settle, a range change) shows its hand where it now is.
TEST(AngularGaugeRepaint, AnElementCutByTheFaceShowsItsHandAfterAJump) {
  dwtest::TScopedHost host;
  struct TGauge : TDWAngularGauge {
    TDWAngularGaugeElement* Element;
    explicit TGauge(bool AAnimated) {
      SetBounds(0, 0, 200, 200);
      Element = &Elements().Add<TDWAngularGaugeElement>();
      Element->Position().Y().SetValue(0.95f);  // its dial hangs over the host's bottom edge
      Element->Hand().Animation().SetEnabled(AAnimated);
      Hand().Animation().SetEnabled(AAnimated);
    }
  };
  auto expectLikeFresh = [](TGauge& AGauge, TGauge& AFresh, const char* ACase) {
    ASSERT_EQ(AGauge.Element->Hand().GetCurrentAngle(), AFresh.Element->Hand().GetCurrentAngle()) << ACase;
    EXPECT_EQ(dwtest::WorstDifference(dwtest::RenderControl(AGauge, TScreen::Window),
                                      dwtest::RenderControl(AFresh, TScreen::Window)),
              0)
        << ACase;
  };
  {
    TGauge g(true), fresh(true);
    (void)dwtest::RenderControl(g);
    g.SetValue(80);  // the element's hand sets off towards 80 ...
    g.Settle();      // ... and is put there
    fresh.SetValue(80);
    fresh.Settle();
    expectLikeFresh(g, fresh, "settle");
  }
  {
    TGauge g(false), fresh(false);
    g.SetValue(50);
    (void)dwtest::RenderControl(g);
    g.SetMax(200);  // the element's hand jumps from half way to a quarter
    fresh.SetMax(200);
    fresh.SetValue(50);
    expectLikeFresh(g, fresh, "range");
  }
}
