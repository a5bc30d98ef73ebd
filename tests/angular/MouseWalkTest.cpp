// The angular gauge's mouse walk: elements visited from the last to the first with the dial
// geometry of the gauge's size (before any paint too), press, hover, release, wheel and leave.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/framework/Registry.h"
#include "ScopedHost.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

// A control hand that logs the calls the gauge makes on it ("B:down", "A:unselect", ...).
class TLoggingKnob : public TDWExternalGaugeControlHandElement {
  DW_CLASS(TLoggingKnob, TDWExternalGaugeControlHandElement)
  using Base = TDWExternalGaugeControlHandElement;
  using Base::Base;
  static inline std::vector<std::string>* Log = nullptr;
  void Note(const std::string& AWhat) { if (Log) Log->push_back(Name() + ":" + AWhat); }
  void MouseDown(TMouseButton B, TShiftState S, int X, int Y) override {
    Note(Gauge() && Gauge()->Focused() ? "down(focused)" : "down");
    Base::MouseDown(B, S, X, Y);
  }
  void AngularAnalogMouseMove(TShiftState S, int X, int Y, const TDWDialMouseGeometry& G) override {
    Note("move");
    Base::AngularAnalogMouseMove(S, X, Y, G);
  }
  void MouseUp(TMouseButton B, TShiftState S, int X, int Y) override { Note("up"); Base::MouseUp(B, S, X, Y); }
  bool MouseWheel(TShiftState S, int D, int X, int Y) override {
    Note("wheel" + std::to_string(D));
    return Base::MouseWheel(S, D, X, Y);
  }
  void MouseEnter() override { Note("enter"); Base::MouseEnter(); }
  void MouseLeave() override { Note("leave"); Base::MouseLeave(); }
  void Unselect() override { Note("unselect"); Base::Unselect(); }
};
DW_PROPERTIES(TLoggingKnob) {}

struct TWalkHost : TScopedHost {
  std::vector<std::string> Log;
  TWalkHost() {
    TRegistrationUnit unit("MouseWalkTest");
    RXRegisterAngularAnalogComponentElement(TLoggingKnob::StaticClass(), "Hands");
    TLoggingKnob::Log = &Log;
  }
  ~TWalkHost() { TLoggingKnob::Log = nullptr; }
  std::vector<std::string> Take() { return std::exchange(Log, {}); }
};

TLoggingKnob* AddKnob(TDWBasicAngularGauge& AGauge, const char* AName, double AValue) {
  auto* k = &AGauge.Elements().Add<TLoggingKnob>();
  k->SetName(AName);
  k->Hand().Animation().SetEnabled(false);  // the hand stands at its value at once
  k->SetValue(AValue);
  return k;
}

using TLog = std::vector<std::string>;

}  // namespace

// A 200 x 200 gauge, never painted: the hand pivots at (100, 100), a hand at 50 points straight up
// through (100, 50), one at 0 down-left through (60, 140), one at 100 down-right.
TEST(GaugeMouse, PressHoverReleaseAndLeaveWalkFromLastToFirstBeforeAnyPaint) {
  TWalkHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 200, 200);
  TLoggingKnob* a = AddKnob(g, "A", 50);
  TLoggingKnob* b = AddKnob(g, "B", 50);
  TLoggingKnob* c = AddKnob(g, "C", 100);
  g.Elements().Add<TDWGaugeMinMaxHandElement>();  // shows a value, takes no mouse: passed over
  EXPECT_TRUE(b->HitTest(100, 50));
  EXPECT_FALSE(c->HitTest(100, 50));
  host.Take();

  g.MouseDown(mbLeft, ssLeft, 100, 50);  // A and B lie there: B is above A
  EXPECT_EQ(host.Take(), (TLog{"C:unselect", "B:down(focused)", "A:unselect", "C:unselect"}));
  EXPECT_TRUE(g.Focused());
  EXPECT_TRUE(b->ControlHand().Selected());
  EXPECT_FALSE(a->ControlHand().Selected());

  g.MouseMove(ssLeft, 100, 52);  // stops at the first one hit
  EXPECT_EQ(host.Take(), (TLog{"C:move", "C:leave", "B:move", "B:enter"}));
  EXPECT_TRUE(b->ControlHand().MouseOver());
  g.MouseMove(ssLeft, 20, 100);  // nothing hit: all visited; B drags 45 degrees past the start
  EXPECT_EQ(host.Take(), (TLog{"C:move", "C:leave", "B:move", "B:leave", "A:move", "A:leave"}));
  EXPECT_NEAR(b->Value(), 100.0 * 45 / 270, 1e-3);
  EXPECT_EQ(a->Value(), 50);

  g.MouseUp(mbLeft, 0, 20, 100);
  EXPECT_EQ(host.Take(), (TLog{"C:up", "B:up", "A:up"}));
  g.MouseMove(0, 100, 20);  // button up: no drag
  EXPECT_NEAR(b->Value(), 100.0 * 45 / 270, 1e-3);
  host.Take();
  g.MouseMove(0, 100, 50);
  EXPECT_TRUE(a->ControlHand().MouseOver());
  g.MouseLeave();
  EXPECT_EQ(host.Take(), (TLog{"C:move", "C:leave", "B:move", "B:leave", "A:move", "A:enter", "C:leave", "B:leave",
                               "A:leave"}));
  EXPECT_FALSE(a->ControlHand().MouseOver());

  // A press on nothing unselects every element; nothing reacts while designing or disabled.
  g.MouseDown(mbLeft, ssLeft, 100, 50);
  g.MouseDown(mbLeft, ssLeft, 5, 5);
  EXPECT_FALSE(a->ControlHand().Selected());
  g.SetEnabled(false);
  g.MouseDown(mbLeft, ssLeft, 100, 50);
  g.SetEnabled(true);
  g.SetDesigning(true);
  g.MouseDown(mbLeft, ssLeft, 100, 50);
  EXPECT_FALSE(a->ControlHand().Selected());
}

TEST(GaugeMouse, WheelDragUnderAnotherHandAndListChangesDuringTheWalk) {
  TWalkHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 200, 200);
  g.SetMax(200);
  TLoggingKnob* a = AddKnob(g, "A", 100);  // straight up
  TLoggingKnob* b = AddKnob(g, "B", 0);    // down-left, above A in the walk
  g.MouseDown(mbLeft, ssLeft, 100, 50);
  ASSERT_TRUE(a->ControlHand().Selected());
  host.Take();

  // One notch is 1 % of the range, whatever the host's delta; only the selected hand turns.
  EXPECT_TRUE(g.MouseWheel(0, 120, 0, 0));
  EXPECT_EQ(host.Take(), (TLog{"B:wheel1", "A:wheel1"}));
  EXPECT_EQ(a->Value(), 102);
  EXPECT_TRUE(g.MouseWheel(0, -3, 0, 0));
  EXPECT_EQ(a->Value(), 100);
  EXPECT_EQ(b->Value(), 0);
  a->SetEnabled(false);  // a disabled hand takes no input
  EXPECT_FALSE(g.MouseWheel(0, 120, 0, 0));
  a->SetEnabled(true);

  // Dragged onto B (which stops the walk), A still follows the pointer: the start of the scale.
  g.MouseMove(ssLeft, 60, 140);
  EXPECT_EQ(a->Value(), 0);
  EXPECT_TRUE(b->ControlHand().MouseOver());

  // A hidden hand is not hit.
  g.MouseUp(mbLeft, 0, 60, 140);
  b->Hand().SetVisible(false);
  g.MouseDown(mbLeft, ssLeft, 100, 50);  // A went to 0 too: nothing there now
  g.MouseDown(mbLeft, ssLeft, 60, 140);
  EXPECT_TRUE(a->ControlHand().Selected());
  EXPECT_FALSE(b->ControlHand().Selected());

  // An OnChange handler that empties the rest of the list mid-walk ends the walk cleanly.
  g.MouseUp(mbLeft, 0, 0, 0);
  TLoggingKnob* top = AddKnob(g, "T", 100);
  g.MouseDown(mbLeft, ssLeft, 100, 50);
  ASSERT_TRUE(top->ControlHand().Selected());
  top->OnChange = [&](TDWExternalGaugeControlHandElement&, double, double, double) {
    while (g.Elements().Count() > 1) g.Elements().Delete(0);
  };
  g.MouseMove(ssLeft, 195, 100);  // beyond the tip: T is not hit, the walk goes on
  ASSERT_EQ(g.Elements().Count(), 1u);
  EXPECT_NEAR(top->Value(), 200 * 225.0 / 270, 1e-3);
}

// The hit area is the drawn hand, also when the dial is squared inside a wider control.
TEST(GaugeMouse, HitsLandOnTheDrawnHandAndVariantsRouteSafely) {
  TWalkHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 260, 200);  // squared: shifted 30 px right
  TLoggingKnob* k = AddKnob(g, "K", 50);
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
  TLoggingKnob* own = AddKnob(standalone, "O", 50);
  static_cast<TKVBasicControl&>(standalone).MouseDown(mbLeft, ssLeft, 100, 50);
  EXPECT_TRUE(own->ControlHand().Selected());
}
