// The angular gauge control: value to angle, animation and timers, the cached face, drawing order,
// bad sizes, steady-frame allocations and destruction under threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/host/ThreadedHost.h"
#include "support/CountedNew.h"
#include "support/InstrumentTest.h"
#include "support/PixelDiff.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

using P = TDWLayeredInstrumentProbe;

// A real paint at the control's size.
void PaintOnce(TKVBasicControl& AControl) { (void)dwtest::RenderControl(AControl); }

}  // namespace

TEST(AngularGauge, ValueToAngle) {
  TScopedHost host;
  TDWAngularGauge g;
  // The mapping itself (out of range, NaN, Min = Max): the dial geometry test.
  EXPECT_FLOAT_EQ(g.ValueToAngle(0, 100, 0), 135);    // down-left
  EXPECT_FLOAT_EQ(g.ValueToAngle(0, 100, 100), 405);  // down-right, not folded
  EXPECT_FALSE(g.Hand().GetIsFullCircle());

  g.Scale().SetReversed(true);
  EXPECT_FLOAT_EQ(g.ValueToAngle(0, 100, 0), 405);
  EXPECT_FLOAT_EQ(g.ValueToAngle(0, 100, 100), 135);
  g.Scale().SetReversed(false);

  // Equal angles: a full circle starting at the top; the hand then takes the shorter way.
  g.Scale().SetMinAngle(90);
  g.Scale().SetMaxAngle(450);
  EXPECT_TRUE(g.Hand().GetIsFullCircle());
  EXPECT_FLOAT_EQ(g.ValueToAngle(0, 100, 0), 270);
  EXPECT_FLOAT_EQ(g.ValueToAngle(0, 100, 25), 360);
  EXPECT_FLOAT_EQ(g.ValueToAngle(0, 100, 100), 630);
  // Non-finite angles are refused.
  g.Scale().SetMinAngle(INFINITY);
  EXPECT_EQ(g.Scale().MinAngle(), 90);

  // A value out of range during loading is drawn at the nearer end.
  TDWAngularGauge loading;
  loading.SetLoading(true);
  loading.SetValue(250);
  EXPECT_EQ(loading.Value(), 250);
  EXPECT_FLOAT_EQ(loading.Hand().GetTargetAngle(), 405);
  loading.Loaded();
  EXPECT_EQ(loading.Value(), 100);
  EXPECT_FLOAT_EQ(loading.Hand().GetCurrentAngle(), 405);  // jumped
}

// Issue 13: a gauge created in code and painted before any value was assigned drew its hand at
// angle 0 (pointing right) while Value() was 0.
TEST(AngularGauge, HandStandsAtTheValueFromConstruction) {
  TScopedHost host;
  TDWAngularGauge g;
  EXPECT_FLOAT_EQ(g.Hand().GetCurrentAngle(), g.ValueToAngle(g.Min(), g.Max(), g.Value()));
  EXPECT_FLOAT_EQ(g.Hand().GetTargetAngle(), g.Hand().GetCurrentAngle());
  EXPECT_FALSE(g.Animating());
  gp::RecordingGraphics rec;
  g.Paint(rec);
  const auto hands = rec.Find("FillPolygon");
  ASSERT_FALSE(hands.empty());
  // The main hand (drawn last) points down-left (screen y grows downwards), to the scale's start.
  const gp::Matrix& m = hands.back()->Transform;
  EXPECT_LT(m.M11(), 0);
  EXPECT_GT(m.M12(), 0);
}

TEST(AngularGauge, FirstValueJumpsLaterOnesAnimateArrivalStopsTimer) {
  TScopedHost host;
  TAnimationClock& clock = host.Host.AnimationClock();
  TDWAngularGauge g;
  g.SetValue(50);  // first value after construction: jump
  EXPECT_FALSE(g.Animating());
  EXPECT_FLOAT_EQ(g.Hand().GetCurrentAngle(), 270);
  EXPECT_EQ(clock.SubscriberCount(), 0u);

  g.SetValue(80);
  EXPECT_TRUE(g.Animating());
  EXPECT_EQ(clock.SubscriberCount(), 1u);
  EXPECT_FLOAT_EQ(g.Hand().GetCurrentAngle(), 270);
  EXPECT_FLOAT_EQ(g.Hand().GetTargetAngle(), 351);
  EXPECT_FALSE(g.RefreshTimerEnabled());
  host.Host.Advance(20);
  EXPECT_TRUE(g.RefreshTimerEnabled());
  EXPECT_GT(g.Hand().GetCurrentAngle(), 270);

  // A new value while moving replaces the subscription (one subscriber, never two).
  g.SetValue(90);
  EXPECT_EQ(clock.SubscriberCount(), 1u);

  host.Host.Advance(20000);
  EXPECT_FALSE(g.Animating());
  EXPECT_EQ(clock.SubscriberCount(), 0u);
  EXPECT_FLOAT_EQ(g.Hand().GetCurrentAngle(), 378);
  // The timer stops at its first expiry after arrival, having asked for that last redraw.
  EXPECT_FALSE(g.RefreshTimerEnabled());
  const uint64_t repaints = host.Host.RepaintCount(g);
  host.Host.Advance(1000);
  EXPECT_EQ(host.Host.RepaintCount(g), repaints);

  // Animation off, or designing: the hand jumps.
  g.Hand().Animation().SetEnabled(false);
  g.SetValue(10);
  EXPECT_FALSE(g.Animating());
  EXPECT_FLOAT_EQ(g.Hand().GetCurrentAngle(), 162);
  g.Hand().Animation().SetEnabled(true);
  g.SetDesigning(true);
  g.SetValue(20);
  EXPECT_FALSE(g.Animating());
  EXPECT_FLOAT_EQ(g.Hand().GetCurrentAngle(), 189);
}

// Issue 15: each new value asked for two repaints of its own on top of the refresh timer's.
TEST(AngularGauge, NewValuesRepaintOnceOrLeaveItToTheRefreshTimer) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetValue(1);  // the first change jumps
  host.Host.ClearRepaintCounts();
  // A new value every 100 ms for one second, far enough apart that the hand never arrives.
  for (int k = 0; k < 10; ++k) {
    g.SetValue(k % 2 ? 5 : 95);
    EXPECT_TRUE(g.Animating());
    host.Host.Advance(100);
  }
  const uint64_t animated = host.Host.RepaintCount(g);
  EXPECT_LE(animated, 1000u / TDWBasicAngularGauge::RefreshInterval);
  EXPECT_GE(animated, 1000u / TDWBasicAngularGauge::RefreshInterval - 2);

  // A value that jumps is repainted once; one that moves nothing (limited to the same end) not at all.
  g.Settle();
  g.Hand().Animation().SetEnabled(false);
  host.Host.ClearRepaintCounts();
  g.SetValue(40);
  EXPECT_EQ(host.Host.RepaintCount(g), 1u);
  g.SetValue(100);
  g.SetValue(120);
  EXPECT_EQ(host.Host.RepaintCount(g), 2u);
  // Other properties still repaint through the change callback.
  g.SetColor(0xFF102030);
  EXPECT_GE(host.Host.RepaintCount(g), 3u);
}

// Which change drops which layer is the layered base's (LayeredInstrumentTest); here, what the
// gauge counts as its moving parts: the value and the hand's look leave the face alone.
TEST(AngularGauge, FaceBuiltOnceWhileTheHandMoves) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetValue(10);
  g.SetValue(90);
  for (int i = 0; i < 30; ++i) {
    host.Host.Advance(25);
    PaintOnce(g);
  }
  EXPECT_EQ(P::Builds(g), 1u);
  EXPECT_TRUE(P::HasFace(g));
  g.SetValue(30);
  g.Hand().SetColor(0xFF0000FF);
  PaintOnce(g);
  EXPECT_EQ(P::Builds(g), 1u);
  g.Scale().MajorTicks().SetCount(5);  // the scale is drawn on the face
  PaintOnce(g);
  EXPECT_EQ(P::Builds(g), 2u);
}

// A new Min or Max rebuilds the face only: the kept glass, bevels and cap must give the picture
// of a gauge built with that range from the start.
TEST(AngularGauge, ANewRangeKeepsTheTopLayerAndDrawsAsAFreshGauge) {
  TScopedHost host;
  TDWAngularGauge g, fresh;
  for (TDWAngularGauge* x : {&g, &fresh}) {
    x->Hand().Animation().SetEnabled(false);
    x->Border().OuterBevel().SetStyle(bvRaised);  // a band: the top layer carries bevel and cap too
    x->SetValue(40);
  }
  PaintOnce(g);
  const uint64_t builds = P::Builds(g);
  for (TDWAngularGauge* x : {&g, &fresh}) {
    x->SetMax(80);
    x->SetMin(-20);
    x->SetValue(40);
  }
  EXPECT_EQ(dwtest::WorstDifference(dwtest::RenderControl(g), dwtest::RenderControl(fresh)), 0);
  EXPECT_EQ(P::Builds(g), builds + 1);
  EXPECT_TRUE(P::HasTop(g));
}

TEST(AngularGauge, DrawingOrderBackgroundElementsHandTopLayer) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetValue(50);
  g.Hand().SetColor(0xFF0000FF);
  g.Hand().Shadow().SetVisible(false);
  auto* element = &g.Elements().Add<TDWAngularGaugeElement>();
  element->Hand().SetColor(0xFF00FF00);
  element->Hand().Shadow().SetVisible(false);

  gp::RecordingGraphics rec;
  g.Paint(rec);
  std::vector<std::string> order;
  for (const gp::DrawCall* c : rec.Drawing()) {
    if (c->Op == "DrawImage") order.push_back("image");
    else if (c->Op == "FillPolygon" && c->Color == 0xFF00FF00) order.push_back("element hand");
    else if (c->Op == "FillPolygon" && c->Color == 0xFF0000FF) order.push_back("hand");
  }
  // Our face, the element (its face, its hand, its top layer), our hand, our top layer.
  const std::vector<std::string> expected = {"image", "image", "element hand", "image", "hand", "image"};
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(P::HasTop(g));

  // Hands are clipped to the face; the hand pivots at the middle of the control.
  const auto hands = rec.Find("FillPolygon");
  ASSERT_FALSE(hands.empty());
  const gp::DrawCall& hand = *hands.back();
  EXPECT_LT(hand.Clip.Width, 160);
  EXPECT_NEAR(hand.Transform.OffsetX(), 80, 1e-3);
  EXPECT_NEAR(hand.Transform.OffsetY(), 80, 1e-3);

  // No glass, no bands: no top layer, the cap is drawn over the hand directly.
  g.Elements().Clear();
  g.Glass().SetVisible(false);
  g.Border().OuterBevel().SetStyle(bvNone);
  g.Border().InnerBevel().SetStyle(bvNone);
  rec.ClearCalls();
  g.Paint(rec);
  EXPECT_FALSE(P::HasTop(g));
  const auto drawing = rec.Drawing();
  ASSERT_GE(drawing.size(), 3u);
  EXPECT_EQ(drawing.front()->Op, "DrawImage");
  EXPECT_EQ(rec.Find("DrawImage").size(), 1u);
  EXPECT_EQ(drawing.back()->Op, "FillEllipse");  // the cap's top disc, last of all

  // Glass hidden but a band: the band layer carries the cap and lies over the hand.
  g.Border().OuterBevel().SetStyle(bvRaised);
  rec.ClearCalls();
  g.Paint(rec);
  EXPECT_TRUE(P::HasTop(g));
  EXPECT_EQ(rec.Drawing().back()->Op, "DrawImage");
  EXPECT_TRUE(rec.Find("FillEllipse").empty());
}

TEST(AngularGauge, BadSizesAndValuesDrawWithoutFault) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 2, -7);
  EXPECT_EQ(g.Width(), 5);
  EXPECT_EQ(g.Height(), 5);
  PaintOnce(g);
  g.SetValue(NAN);
  EXPECT_EQ(g.Value(), 0);
  g.SetMin(50);
  g.SetMax(50);
  g.SetValue(1e308);
  g.Scale().SetMinAngle(10);
  g.Scale().SetMaxAngle(10);
  g.Ranges().Ranges().Add().SetRange(0.8f);
  g.Ranges().Ranges().Add().SetRange(0.9f);  // more than the whole sweep together
  g.Caption().SetText("");
  g.Border().Width().SetValue(2.0f);  // wider than the dial: no face left
  for (int s : {1, 3, 7, 400}) {
    gp::Bitmap b(s, s);
    gp::CairoGraphics cg(b);
    g.IntDraw(cg, {1, 1, float(s), float(s), double(s), double(s), false, false});
  }
  gp::RecordingGraphics rec;
  g.IntDraw(rec, {1, 1, NAN, INFINITY, 0, 0, false, false});
  g.IntDraw(rec, {1, 1, 0, 0, 0, 0, false, false});
  EXPECT_TRUE(rec.Drawing().empty());
  // A huge dial is cached at a bounded resolution.
  g.IntDraw(rec, {1, 1, 20000, 20000, 20000, 20000, false, false});
  EXPECT_TRUE(P::HasFace(g));
}

TEST(AngularGauge, DestroyedWhileAnimatingLeavesNoSubscription) {
  TScopedHost host;
  {
    TDWAngularGauge g;
    g.SetValue(1);
    g.SetValue(100);
    host.Host.Advance(30);
    ASSERT_EQ(host.Host.AnimationClock().SubscriberCount(), 1u);
  }
  EXPECT_EQ(host.Host.AnimationClock().SubscriberCount(), 0u);
  host.Host.Advance(1000);  // no timer or tick reaches the destroyed gauge
}

// The installed host may change while a hand moves (a render session installs its own): the
// animation ends on the clock it was made on, whose handles another clock hands out again, and
// not at all once that clock is gone.
TEST(AngularGauge, AnimationEndsOnItsOwnClockWhateverHostIsInstalled) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetValue(1);
  g.SetValue(100);
  {
    TManualHost other;
    SetHostServices(&other);
    other.AnimationClock().Subscribe([] {});  // the handle number the gauge's has on the first clock
    host.Host.Advance(3000);
    EXPECT_FALSE(g.Animating());
    EXPECT_EQ(host.Host.AnimationClock().SubscriberCount(), 0u);
    EXPECT_EQ(other.AnimationClock().SubscriberCount(), 1u);
    g.SetValue(10);  // on the other clock, which goes before the gauge
    EXPECT_EQ(other.AnimationClock().SubscriberCount(), 2u);
    SetHostServices(&host.Host);
  }
  g.SetValue(50);
  host.Host.Advance(3000);
  EXPECT_FLOAT_EQ(g.Hand().GetCurrentAngle(), g.Hand().GetTargetAngle());
}

// An element inserted below itself made its holders a cycle: the insert's repaint walked it for good.
TEST(AngularGauge, AnElementIsNeverInsertedBelowItself) {
  TScopedHost host;
  TDWAngularGauge g;
  auto& outer = g.Elements().Add<TDWExternalAngularGaugeElement>();
  auto& inner = outer.Elements().Add<TDWExternalAngularGaugeElement>();
  std::unique_ptr<TComponent> taken = g.Elements().Extract(0);
  std::string why;
  EXPECT_EQ(inner.Elements().Insert(std::move(taken), &why), nullptr);
  EXPECT_NE(why.find("into itself"), std::string::npos);
  ASSERT_EQ(taken.get(), &outer);  // left with the caller
  EXPECT_EQ(outer.Elements().Insert(std::move(taken)), nullptr);
  ASSERT_EQ(taken.get(), &outer);
  EXPECT_NE(g.Elements().Insert(std::move(taken)), nullptr);  // back where it was
}

// Real clock thread: ticks move the hand while values arrive from another thread, and the gauge
// is destroyed while still animating (nothing may reach it afterwards).
TEST(AngularGauge, ThreadedClockValuesFromAnotherThreadAndDestruction) {
  TThreadedHost host;
  SetHostServices(&host);
  RegisterDialworksPackage();
  for (int round = 0; round < 3; ++round) {
    auto g = std::make_unique<TDWAngularGauge>();
    g->SetValue(1);
    std::thread writer([&] {
      for (int i = 0; i < 50; ++i) {
        g->SetValue(i % 2 ? 90 : 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    for (int i = 0; i < 20; ++i) {
      PaintOnce(*g);
      host.ProcessEvents();
    }
    writer.join();
    g.reset();
    EXPECT_EQ(host.AnimationClock().SubscriberCount(), 0u);
  }
  SetHostServices(nullptr);
}

// A resize drops the hand's resources, which a value set on another thread builds again for its
// repaint bounds: both under the control lock (the sanitizer stages see a race otherwise).
TEST(AngularGauge, ResizedWhileAnotherThreadSetsValues) {
  TThreadedHost host;
  SetHostServices(&host);
  TDWAngularGauge g;
  g.Hand().Animation().SetEnabled(false);
  PaintOnce(g);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop.load(); ++i) g.SetValue(i % 100);
  });
  for (int i = 0; i < 300; ++i) g.SetBounds(0, 0, 150 + i % 97, 150 + i % 89);
  stop = true;
  writer.join();
  EXPECT_EQ(g.Width(), 150 + 299 % 97);
  SetHostServices(nullptr);
}

// Issue 13: an instrument destroyed while another thread fed its input pin raced with its own
// destruction (the pin was disconnected only after the derived parts had gone), and so did an
// external element inside it through its host.
TEST(AngularGaugeDestruction, DestroyedWhileThreadsFeedItsPins) {
  TThreadedHost host;
  SetHostServices(&host);
  RegisterDialworksPackage();
  for (int round = 0; round < 40; ++round) {
    auto owner = std::make_unique<TComponent>();
    auto* gauge = new TDWAngularGauge(owner.get());
    auto* element = &gauge->Elements().Add<TDWExternalAngularGaugeElement>();
    TPXRealSourcePin toGauge, toElement;
    ASSERT_TRUE(toGauge.Connect(gauge->InputPin()));
    ASSERT_TRUE(toElement.Connect(element->InputPin()));
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    auto feed = [&](TPXRealSourcePin* APin) {
      for (int i = 0; !stop.load(); ++i) {
        APin->SendValue(i % 100);
        sent.fetch_add(1);
      }
    };
    std::thread a(feed, &toGauge), b(feed, &toElement);
    while (sent.load() < 40) std::this_thread::yield();
    // Both ways owners destroy: the owner going, or the component taken out and destroyed.
    if (round % 2) owner.reset();
    else TComponent::Destroy(owner->RemoveComponent(*gauge));
    EXPECT_FALSE(toGauge.Connected());
    EXPECT_FALSE(toElement.Connected());
    stop = true;
    a.join();
    b.join();
    host.ProcessEvents();
  }
  EXPECT_EQ(host.AnimationClock().SubscriberCount(), 0u);
  SetHostServices(nullptr);
}

// The control's background is painted once under the dial, and not at all when the gauge is
// drawn embedded in another instrument.
TEST(AngularRender, BackgroundIsOneCoatUnderTheDial) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 100, 100);
  g.Background().SetColor(0x80FF0000);
  const TAlphaColor corner = dwtest::RenderControl(g).GetPixel(1, 1);  // outside the round face
  EXPECT_NEAR(GetAlpha(corner), 0x80, 2) << std::hex << corner;
  EXPECT_GT(GetRed(corner), 0xF0);
  gp::Bitmap embedded(100, 100);
  {
    gp::CairoGraphics cg(embedded);
    g.IntDraw(cg, {1, 1, 100, 100, 100, 100, true, false});
  }
  EXPECT_EQ(embedded.GetPixel(1, 1), 0u);
}

// Issue 12: a steady frame of the gauge (the hand moving over the kept face layers, clipped to the
// face every frame) allocates nothing. (With the pixel paths off Cairo's path gradient of the
// hand's shadow is built anew each frame, which does allocate.)
TEST(AngularSteadyFrame, AllocatesNothing) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 300, 300);
  g.Hand().Animation().SetEnabled(false);
  gp::Bitmap target(300, 300);
  gp::CairoGraphics cg(target);
  cg.SetPixelPaths(true);
  // Every angle once first: the face is built and kept buffers reach their sizes.
  EXPECT_EQ(dwtest::SteadyNews([&] {
              for (int k = 0; k < 100; ++k) g.SetValue(k + 0.5), g.Paint(cg);
            }),
            0u);
}
