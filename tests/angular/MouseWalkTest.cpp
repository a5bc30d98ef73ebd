// The angular gauge's mouse: hits and drags use the gauge's dial geometry (before any paint too),
// the wheel turns only the selected hand. (The walk itself: the layered base's tests.)
#include <gtest/gtest.h>

#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

TDWExternalGaugeControlHandElement* AddKnob(TDWBasicAngularGauge& AGauge, double AValue) {
  auto* k = &AGauge.Elements().Add<TDWExternalGaugeControlHandElement>();
  k->Hand().Animation().SetEnabled(false);  // the hand stands at its value at once
  k->SetValue(AValue);
  return k;
}

}  // namespace

// A 200 x 200 gauge, never painted: the hand pivots at (100, 100), a hand at 50 points straight up
// through (100, 50), one at 0 down-left through (60, 140), one at 100 down-right.
TEST(GaugeMouse, DialGeometryBeforeAnyPaintDragAndWheel) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 200, 200);
  auto* a = AddKnob(g, 50);
  auto* b = AddKnob(g, 50);
  auto* c = AddKnob(g, 100);
  g.Elements().Add<TDWGaugeMinMaxHandElement>();  // shows a value, takes no mouse: passed over
  EXPECT_TRUE(b->HitTest(100, 50));
  EXPECT_FALSE(c->HitTest(100, 50));

  g.MouseDown(mbLeft, ssLeft, 100, 50);  // A and B lie there: B is above A
  EXPECT_TRUE(b->ControlHand().Selected());
  EXPECT_FALSE(a->ControlHand().Selected());
  g.MouseMove(ssLeft, 20, 100);  // B drags 45 degrees past the start; A stays
  EXPECT_NEAR(b->Value(), 100.0 * 45 / 270, 1e-3);
  EXPECT_EQ(a->Value(), 50);
  g.MouseMove(ssLeft, 140, 140);  // dragged onto C (which stops the walk), B still follows: the end
  EXPECT_EQ(b->Value(), 100);
  EXPECT_TRUE(c->ControlHand().MouseOver());
  g.MouseUp(mbLeft, 0, 140, 140);
  g.MouseMove(0, 20, 100);  // button up: no drag
  EXPECT_EQ(b->Value(), 100);

  // One notch is 1 % of the range, whatever the host's delta; only the selected hand turns.
  g.SetMax(200);
  EXPECT_TRUE(g.MouseWheel(0, 120, 0, 0));
  EXPECT_EQ(b->Value(), 102);
  EXPECT_TRUE(g.MouseWheel(0, -3, 0, 0));
  EXPECT_EQ(b->Value(), 100);
  EXPECT_EQ(a->Value(), 50);
  EXPECT_EQ(c->Value(), 100);
  b->SetEnabled(false);  // a disabled hand takes no input
  EXPECT_FALSE(g.MouseWheel(0, 120, 0, 0));
  b->SetEnabled(true);

  // A hidden hand is not hit: the press goes to the one below (both now straight up, C away).
  a->SetValue(100);
  c->SetValue(0);
  g.MouseDown(mbLeft, ssLeft, 5, 5);
  g.MouseUp(mbLeft, 0, 5, 5);
  b->Hand().SetVisible(false);
  g.MouseDown(mbLeft, ssLeft, 100, 50);
  EXPECT_FALSE(b->ControlHand().Selected());
  EXPECT_TRUE(a->ControlHand().Selected());
}

// What is not drawn takes no input: a selected hand whose element or hand is hidden ignores the
// wheel and drags. A drag ends with the gauge's focus: the release goes elsewhere then.
TEST(GaugeMouse, HiddenHandsTakeNoInputAndFocusLossEndsADrag) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 200, 200);
  auto* k = AddKnob(g, 50);
  g.MouseDown(mbLeft, ssLeft, 100, 50);
  ASSERT_TRUE(k->ControlHand().Selected());
  k->SetVisible(false);
  EXPECT_FALSE(g.MouseWheel(0, 120, 0, 0));
  g.MouseMove(ssLeft, 20, 100);
  EXPECT_EQ(k->Value(), 50);
  k->SetVisible(true);
  k->Hand().SetVisible(false);
  EXPECT_FALSE(g.MouseWheel(0, 120, 0, 0));
  g.MouseMove(ssLeft, 20, 100);
  EXPECT_EQ(k->Value(), 50);
  k->Hand().SetVisible(true);

  g.FocusLost();  // still pressed
  EXPECT_FALSE(k->ControlHand().MouseIsDown());
  EXPECT_TRUE(k->ControlHand().Selected());
  g.MouseMove(0, 20, 100);
  EXPECT_EQ(k->Value(), 50);
}

// A press that takes a control hand asks the host to focus the gauge (so the keyboard reaches it
// in a window); a press beside every hand asks nothing.
TEST(GaugeMouse, PressOnAControlHandAsksForTheGaugesFocus) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 200, 200);
  AddKnob(g, 50);
  g.MouseDown(mbLeft, ssLeft, 5, 5);
  g.MouseUp(mbLeft, 0, 5, 5);
  EXPECT_EQ(host.Host.FocusRequestCount(), 0u);
  g.MouseDown(mbLeft, ssLeft, 100, 50);
  g.MouseUp(mbLeft, 0, 100, 50);
  EXPECT_EQ(host.Host.FocusRequestCount(), 1u);
  EXPECT_EQ(host.Host.LastFocusRequest(), &g);
}

// The hit area is the drawn hand, also when the dial is squared inside a wider control.
TEST(GaugeMouse, HitsLandOnTheDrawnHandAndVariantsRouteSafely) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 260, 200);  // squared: shifted 30 px right
  auto* k = AddKnob(g, 50);
  k->Hand().SetColor(0xFF00FF00);
  k->Hand().Shadow().SetVisible(false);
  gp::RecordingGraphics rec;
  g.Paint(rec);
  const gp::DrawCall* drawn = nullptr;
  for (const gp::DrawCall* c : rec.Find("FillPolygon"))
    if (c->Color == 0xFF00FF00) drawn = c;
  ASSERT_NE(drawn, nullptr);
  // Near the tip the hand is 1.8 px wide around x = 130: a pivot one pixel off would miss there.
  ASSERT_EQ(drawn->Points.size(), 4u);
  EXPECT_NEAR((drawn->Points[1].X + drawn->Points[2].X) / 2, 130, 1e-3);
  EXPECT_TRUE(k->HitTest(130, 36));
  EXPECT_FALSE(k->HitTest(129, 36));
  EXPECT_FALSE(k->HitTest(131, 36));
  EXPECT_FALSE(k->HitTest(100, 36));

  // An embedded gauge element takes no mouse; the walk passes it to the hand below.
  auto* inner = &g.Elements().Add<TDWAngularGaugeElement>();
  g.MouseDown(mbLeft, ssLeft, 130, 36);
  EXPECT_TRUE(k->ControlHand().Selected());
  TRXDrawComponentElement& asElement = *inner;
  EXPECT_FALSE(asElement.HitTest(130, 100));
  asElement.MouseDown(mbLeft, 0, 130, 100);
  asElement.MouseLeave();
  // An element variant used as a control walks its own elements with its own size.
  TDWExternalAngularGaugeElement standalone;
  standalone.SetBounds(0, 0, 200, 200);
  auto* own = AddKnob(standalone, 50);
  static_cast<TKVBasicControl&>(standalone).MouseDown(mbLeft, ssLeft, 100, 50);
  EXPECT_TRUE(own->ControlHand().Selected());
}
