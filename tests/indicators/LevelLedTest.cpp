// The LED base and the level LED: value to colour, on and off, shapes and painting order, layers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/host/Pins.h"
#include "dialworks/host/ThreadedHost.h"
#include "dialworks/indicators/DWLed.h"
#include "dialworks/indicators/DWLevelLed.h"
#include "support/InstrumentTest.h"
#include "support/TableCheck.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

using P = TDWLayeredInstrumentProbe;

gp::Bitmap Render(TKVBasicControl& AControl) { return dwtest::RenderControl(AControl); }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The LED base on a plain control (no value model), as an on/off LED would use it.
class TTestOnOffLed : public TDWBasicInactiveColorLed<TKVBasicControl> {
  DW_CLASS(TTestOnOffLed, TKVBasicControl)
  using TDWBasicInactiveColorLed::TDWBasicInactiveColorLed;
  bool Active = true;
  bool GetIsOn() const override { return Active; }
  TAlphaColor GetActiveColor() const override { return 0xFFFF0000; }
};

}  // namespace

DW_PROPERTIES(TTestOnOffLed) { DWDeclareInactiveColorLedProperties(t); }

TEST(LevelLed, DefaultRampAtStopsBetweenAndOutside) {
  EXPECT_EQ(DWLevelLedColor({}, 0, 0, 100), 0x00000000u);  // transparent at Min
  EXPECT_EQ(DWLevelLedColor({}, 100, 0, 100), 0xFFFF0080u);
  // Stops of the ramp: i = 256 blue, 512 cyan, 768 green, 1024 yellow, 1280 red.
  EXPECT_EQ(DWLevelDefaultColor(256.0 / 1408), 0xFF0000FFu);
  EXPECT_EQ(DWLevelDefaultColor(512.0 / 1408), 0xFF00FFFFu);
  EXPECT_EQ(DWLevelDefaultColor(768.0 / 1408), 0xFF00FF00u);
  EXPECT_EQ(DWLevelDefaultColor(1024.0 / 1408), 0xFFFFFF00u);
  EXPECT_EQ(DWLevelDefaultColor(1280.0 / 1408), 0xFFFF0000u);
  EXPECT_EQ(DWLevelDefaultColor(128.0 / 1408), 0x80000080u);  // half way from transparent to blue
  // Issue 19: a value outside Min..Max (the range changed after it) is shown at the nearer end.
  EXPECT_EQ(DWLevelLedColor({}, -50, 0, 100), 0x00000000u);
  EXPECT_EQ(DWLevelLedColor({}, 500, 0, 100), 0xFFFF0080u);
  EXPECT_EQ(DWLevelLedColor({}, kNaN, 0, 100), 0x00000000u);
  // Min = Max is a range of 1; Min > Max reads downwards; an infinite span shows the start.
  EXPECT_EQ(DWLevelLedColor({}, 6, 5, 5), 0xFFFF0080u);
  EXPECT_EQ(DWLevelLedColor({}, 2e17, 1e17, 1e17), 0xFFFF0080u);  // where Min + 1 == Min
  EXPECT_EQ(DWLevelLedColor({}, 1e17, 1e17, 1e17), 0x00000000u);
  EXPECT_EQ(DWLevelLedColor({}, 0, 100, 0), 0xFFFF0080u);
  EXPECT_EQ(DWLevelLedColor({}, 0, -1e308, 1e308), 0x00000000u);
}

TEST(LevelLed, ConfiguredColoursFadeAndBlend) {
  // One colour fades in from transparent black; every channel rounded halves to even.
  EXPECT_EQ(DWLevelLedColor({0xFF00FF00}, 50, 0, 100), 0x80008000u);
  EXPECT_EQ(DWLevelLedColor({0xFF00FF00}, 100, 0, 100), 0xFF00FF00u);
  EXPECT_EQ(DWLevelLedColor({0xFF00FF00}, 0, 0, 100), 0x00000000u);
  // Several colours: equal segments.
  const std::vector<TAlphaColor> traffic{0xFFFF0000, 0xFFFFFF00, 0xFF00FF00};
  EXPECT_EQ(DWLevelLedColor(traffic, 0, 0, 100), 0xFFFF0000u);
  EXPECT_EQ(DWLevelLedColor(traffic, 50, 0, 100), 0xFFFFFF00u);
  EXPECT_EQ(DWLevelLedColor(traffic, 100, 0, 100), 0xFF00FF00u);
  EXPECT_EQ(DWLevelLedColor(traffic, 25, 0, 100), 0xFFFF8000u);  // 127.5 rounds to 128
  EXPECT_EQ(DWLevelLedColor(traffic, 75, 0, 100), 0xFF80FF00u);
  EXPECT_EQ(DWLevelLedColor(traffic, 175, 0, 100), 0xFF00FF00u);
  EXPECT_EQ(DWLevelLedColor(traffic, -1, 0, 100), 0xFFFF0000u);

  // The LED takes the colours of its list, kept in step with the items.
  TScopedHost host;
  TDWLevelLed led;
  for (int i = 0; i < 4; ++i) led.Colors().Add();
  led.SetValue(100);
  EXPECT_EQ(led.GetCurrentColor(), led.Colors().Items(3).Color());
  led.Colors().Items(3).SetColor(0xFF123456);
  EXPECT_EQ(led.GetCurrentColor(), 0xFF123456u);
  led.Colors().Clear();
  EXPECT_EQ(led.GetCurrentColor(), 0xFFFF0080u);
}

TEST(LevelLed, OffShowsTheInactiveColourWithoutGlow) {
  TScopedHost host;
  TDWLevelLed led;
  led.SetValue(100);
  gp::RecordingGraphics on;
  led.Paint(on);
  led.SetEnabled(false);
  EXPECT_FALSE(led.GetIsOn());
  EXPECT_EQ(led.GetCurrentColor(), TDWLevelLed::DefaultInactiveColor);
  led.SetInactiveColor(0xFF102030);
  gp::RecordingGraphics off;
  led.Paint(off);
  auto frameFills = [](const gp::RecordingGraphics& g) {
    std::vector<const gp::DrawCall*> out;
    for (const gp::DrawCall& c : g.Calls())
      if (c.Layer == 0 && c.Op.rfind("Fill", 0) == 0) out.push_back(&c);
    return out;
  };
  const auto lit = frameFills(on), dark = frameFills(off);
  // Lit: glow rings (one per pixel of its room, 0.15 of 24) and the body in the level colour.
  ASSERT_EQ(lit.size(), 5u);
  // Four rings compound to 0.55 of the colour's alpha at the bezel.
  EXPECT_EQ(GetAlpha(lit.front()->Color), std::lround(255 * (1 - std::pow(0.45, 0.25))));
  EXPECT_EQ(lit.back()->Color, 0xFFFF0080u);
  ASSERT_EQ(dark.size(), 1u);
  EXPECT_EQ(dark.back()->Color, 0xFF102030u);
}

TEST(LevelLed, FiveShapesAndThePaintingOrder) {
  TScopedHost host;
  TDWLevelLed led;
  led.SetBounds(0, 0, 40, 40);
  led.SetValue(100);
  const TDWLedLayout L = led.Layout(40, 40);
  EXPECT_FLOAT_EQ(L.Glow, 6);
  EXPECT_EQ(L.Led, gp::RectF(6, 6, 28, 28));
  EXPECT_NEAR(L.Body.X, 6 + 0.12f * 28, 1e-4);  // bezel: 0.06 + 0.03 + 0.03 of the LED
  struct TCase {
    TKVBorderShape Shape;
    const char* Body;
    int Points;
  };
  for (const TCase& c : {TCase{bsEllipse, "FillPath", 0}, TCase{bsRectangle, "FillRectangle", 0},
                         TCase{bsRoundRect, "FillPath", 0}, TCase{bsDiamond, "FillPath", 4},
                         TCase{bsRoundDiamond, "FillPath", 0}}) {
    led.SetShape(c.Shape);
    gp::RecordingGraphics g;
    led.Paint(g);
    // Order on the frame: the face layer (bezel), the glow rings, the body, the top layer (glass).
    std::vector<std::string> order;
    const gp::DrawCall* body = nullptr;
    for (const gp::DrawCall& call : g.Calls()) {
      if (call.Op != "DrawImage" && !(call.Layer == 0 && call.Op.rfind("Fill", 0) == 0)) continue;
      std::string what = call.Op == "DrawImage" ? "layer" : call.Color == 0xFFFF0080u ? "body" : "glow";
      if (what == "body") body = &call;
      if (order.empty() || order.back() != what) order.push_back(what);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"layer", "glow", "body", "layer"})) << int(c.Shape);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->Op, c.Body) << int(c.Shape);
    if (c.Points) {
      EXPECT_EQ(int(body->Points.size()), c.Points);
    }
    // The body lies inside the bezel.
    for (gp::PointF p : body->Points) {
      EXPECT_GE(p.X, L.Body.X - 1e-3);
      EXPECT_LE(p.X, L.Body.X + L.Body.Width + 1e-3);
    }
    // The face layer holds the bezel of the shape, drawn before any frame fill.
    bool bezel = false;
    for (const gp::DrawCall& call : g.Calls()) bezel = bezel || call.Layer == 1;
    EXPECT_TRUE(bezel);
  }
}

TEST(LevelLed, NegativeBorderWidthDrawsNothingOutsideTheShape) {
  TScopedHost host;
  TDWLevelLed led;
  led.SetBounds(0, 0, 60, 60);
  led.SetValue(100);
  led.Glow().SetVisible(false);
  led.Border().Width().SetValue(-0.3f);
  // Issue: the inner bevel went outside the LED, bars across the corners of the diamonds.
  for (TKVBorderShape shape : {bsDiamond, bsRoundDiamond}) {
    led.SetShape(shape);
    const gp::Bitmap b = Render(led);
    int outside = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x)
        outside += std::abs(x - 29.5) + std::abs(y - 29.5) > 32 && GetAlpha(b.GetPixel(x, y)) != 0;
    EXPECT_EQ(outside, 0) << int(shape);
  }
}

TEST(LevelLed, ValueChangesKeepTheLayersAndBadInputPaints) {
  TScopedHost host;
  TDWLevelLed led;
  led.SetValue(10);
  (void)Render(led);
  const uint64_t builds = P::Builds(led);
  for (double v : {20.0, 60.0, 99.0, kNaN, 1e308, -1e308}) {
    led.SetValue(v);
    (void)Render(led);
  }
  EXPECT_EQ(P::Builds(led), builds);
  // A lit LED shows its colour in the middle; tiny and empty sizes, odd glow and corner sizes paint.
  led.Colors().Add().SetColor(0xFF00FF00);
  led.SetValue(100);
  led.Glass().SetVisible(false);
  gp::Bitmap b = Render(led);
  EXPECT_EQ(b.GetPixel(12, 12), 0xFF00FF00u);
  for (float glow : {0.0f, 0.5f, 5.0f, -1.0f})
    for (float corner : {0.0f, 2.0f})
      for (int size : {0, 1, 3, 24}) {
        led.Glow().Size().SetValue(glow);
        led.CornerSize().SetValue(corner);
        led.SetShape(bsRoundDiamond);
        led.SetBounds(0, 0, size, size);
        (void)Render(led);
        const TDWLedLayout L = led.Layout(float(size), float(size));
        EXPECT_GE(L.Body.Width, 0) << glow << " " << size;
        EXPECT_LE(L.Glow, 0.4f * size + 1e-4f);
      }
}

TEST(LedBase, OnOffLedOnAPlainControl) {
  dwtest::TScopedHost host;
  TTestOnOffLed led;
  led.SetBounds(0, 0, 30, 30);
  led.SetShape(bsRoundRect);
  led.Glass().SetVisible(false);
  gp::Bitmap b = dwtest::RenderControl(led);
  EXPECT_EQ(b.GetPixel(15, 15), 0xFFFF0000u);
  EXPECT_NE(GetAlpha(b.GetPixel(2, 15)), 0);  // the glow beside the bezel
  led.Active = false;
  led.Invalidate();
  b = dwtest::RenderControl(led);
  EXPECT_EQ(b.GetPixel(15, 15), TTestOnOffLed::DefaultInactiveColor);
  EXPECT_EQ(GetAlpha(b.GetPixel(2, 15)), 0);  // no glow while off
  // The glass lies in the top layer, over the body.
  led.Glass().SetVisible(true);
  gp::RecordingGraphics rec;
  led.Paint(rec);
  int layers = 0;
  for (const gp::DrawCall& c : rec.Calls()) layers = std::max(layers, c.Layer);
  EXPECT_EQ(layers, 2);
  ASSERT_FALSE(rec.Drawing().empty());
  EXPECT_EQ(rec.Drawing().back()->Op, "DrawImage");
  EXPECT_EQ(CheckClassTables(TTestOnOffLed::StaticClass()), std::vector<std::string>{});
}

namespace {

// A level LED deleted plainly (not through its owner's destruction path) while another thread
// sends it values: its elements went before the pin was disconnected, and a value arriving in
// between walked the freed element list. (The class holding the elements is the one deleted: a
// class derived further begins its destruction before any base can disconnect, which is why
// owners destroy through BeforeDestruction.)
TEST(LevelLedDestruction, PlainDeleteWhileAThreadFeedsItsPin) {
  TThreadedHost host;
  SetHostServices(&host);
  for (int round = 0; round < 30; ++round) {
    auto* led = new TDWExternalLevelLed();
    led->SetBounds(0, 0, 120, 80);
    for (int k = 0; k < 100; ++k) led->Elements().Add<TDWLevelLedElement>();
    TPXRealSourcePin source;
    ASSERT_TRUE(source.Connect(led->InputPin()));
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread feeder([&] {
      for (int i = 0; !stop.load(); ++i) {
        source.SendValue(i % 100);
        sent.fetch_add(1);
      }
    });
    while (sent.load() < 20) std::this_thread::yield();
    delete led;
    EXPECT_FALSE(source.Connected());
    stop = true;
    feeder.join();
    host.ProcessEvents();
  }
  SetHostServices(nullptr);
}

}  // namespace
