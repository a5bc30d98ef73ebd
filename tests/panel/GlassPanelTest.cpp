// The glass panel: window regions of every shape, the client rectangle, the shape version, the
// shaped and overlay pictures, and forms.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/panel/DWGlassPanel.h"
#include "support/InstrumentTest.h"
#include "support/PixelDiff.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

gp::Region RegionOf(const TDWGlassPanel& APanel) {
  gp::Region r;
  EXPECT_TRUE(APanel.WindowRegion(r));
  return r;
}

// Region bounds come from arcs: equal up to float noise.
void ExpectBounds(const gp::Region& ARegion, gp::RectF AExpected) {
  const gp::RectF b = ARegion.GetBounds();
  EXPECT_NEAR(b.X, AExpected.X, 1e-3);
  EXPECT_NEAR(b.Y, AExpected.Y, 1e-3);
  EXPECT_NEAR(b.Width, AExpected.Width, 1e-3);
  EXPECT_NEAR(b.Height, AExpected.Height, 1e-3);
}

// A panel that paints no glow: no bevels (so no band) and no glass.
void SwitchGlowOff(TDWGlassPanel& APanel) {
  APanel.Border().BevelOuter().SetStyle(bvNone);
  APanel.Border().BevelInner().SetStyle(bvNone);
  APanel.Glass().SetVisible(false);
}

}  // namespace

TEST(GlassPanelRegion, DesignModeOutlinesOfTheDefaultPanel) {
  TScopedHost host;
  TDWGlassPanel panel;
  panel.SetDesigning(true);
  ASSERT_EQ(panel.Width(), 200);
  ASSERT_EQ(panel.Height(), 140);

  // Rounded rectangle: corners of diameter 56 (CornerRadius 0.2 of 140), not inset.
  gp::Region r = RegionOf(panel);
  ExpectBounds(r, {0, 0, 200, 140});
  EXPECT_FALSE(r.IsVisible(8, 8));    // 28.3 from the corner arc's centre (28, 28)
  EXPECT_TRUE(r.IsVisible(9, 9));     // 26.9 from it
  EXPECT_FALSE(r.IsVisible(192.5f, 132.5f));  // 29 from (172, 112)
  EXPECT_TRUE(r.IsVisible(191.5f, 131.5f));   // 27.6 from it
  EXPECT_TRUE(r.IsVisible(28, 0.5f));  // where the arc meets the straight edge
  EXPECT_TRUE(r.IsVisible(0.5f, 70));
  EXPECT_TRUE(r.IsVisible(199.5f, 70));

  panel.Border().SetShape(bsEllipse);
  r = RegionOf(panel);
  EXPECT_TRUE(r.IsVisible(100, 0.5f));
  EXPECT_TRUE(r.IsVisible(0.5f, 70));
  EXPECT_FALSE(r.IsVisible(20, 20));  // (20, 20) lies outside the 200 x 140 ellipse

  panel.Border().SetShape(bsDiamond);
  r = RegionOf(panel);
  EXPECT_TRUE(r.IsVisible(100, 1));
  EXPECT_FALSE(r.IsVisible(50, 34));  // the edge from (100, 0) to (0, 70) passes (50, 35)
  EXPECT_TRUE(r.IsVisible(50, 36));
  EXPECT_TRUE(r.IsVisible(198.5f, 70));

  panel.Border().SetShape(bsRoundDiamond);
  r = RegionOf(panel);
  EXPECT_FALSE(r.IsVisible(100, 1));  // the top corner is rounded off
  EXPECT_FALSE(r.IsVisible(1, 70));
  EXPECT_TRUE(r.IsVisible(100, 20));
  EXPECT_FALSE(r.IsVisible(50, 34));  // never outside the diamond
  EXPECT_TRUE(r.IsVisible(100, 70));

  panel.Border().SetShape(bsRectangle);
  gp::Region none;
  EXPECT_FALSE(panel.WindowRegion(none));  // the window stays rectangular
}

TEST(GlassPanelRegion, RunTimeRegionEndsInTheMiddleOfTheBorder) {
  TScopedHost host;
  TDWGlassPanel panel;
  // Border 0.02 + 0.05 + 0.05 of 140 = 16.8 px; the region lies 8.4 inside the outline.
  EXPECT_FLOAT_EQ(panel.GetBorderWidth(), 16.8f);
  gp::Region r = RegionOf(panel);
  ExpectBounds(r, {8, 8, 184, 124});
  EXPECT_FALSE(r.IsVisible(7.5f, 70));
  EXPECT_TRUE(r.IsVisible(8.5f, 70));
  // Corner diameter 2 * (28 - 8.4) = 39.2: the arc's centre is at (27.6, 27.6).
  EXPECT_FALSE(r.IsVisible(13, 13));
  EXPECT_TRUE(r.IsVisible(14.5f, 14.5f));

  panel.Border().SetShape(bsEllipse);
  ExpectBounds(RegionOf(panel), {8, 8, 184, 124});

  // The diamond's corners move along the axes by 8.4 sec α (top, bottom) and 8.4 csc α (sides),
  // α = atan2(140, 200): 10.25 and 14.65.
  panel.Border().SetShape(bsDiamond);
  r = RegionOf(panel);
  EXPECT_FALSE(r.IsVisible(100, 10));
  EXPECT_TRUE(r.IsVisible(100, 10.6f));
  EXPECT_FALSE(r.IsVisible(14.4f, 70));
  EXPECT_TRUE(r.IsVisible(15, 70));

  // The bevels take room only when shown: without them the region is 1.4 inside (rounded to 1).
  panel.Border().SetShape(bsRoundRect);
  panel.Border().BevelOuter().SetStyle(bvNone);
  panel.Border().BevelInner().SetStyle(bvNone);
  ExpectBounds(RegionOf(panel), {1, 1, 198, 138});
}

TEST(GlassPanelRegion, EmptyAndOnePixelPanels) {
  TScopedHost host;
  for (int shape = 0; shape <= 4; ++shape) {
    SCOPED_TRACE(shape);
    TDWGlassPanel panel;
    panel.Border().SetShape(TKVBorderShape(shape));
    panel.SetBounds(0, 0, 0, 0);
    gp::Region r;
    EXPECT_FALSE(panel.WindowRegion(r));
    EXPECT_FALSE(panel.HasGlow());
    EXPECT_EQ(dwtest::RenderControl(panel).GetPixel(0, 0), 0u);
    EXPECT_EQ(panel.ClientRect(), (TDWClientRect{0, 0, 0, 0}));

    panel.SetBounds(0, 0, 1, 1);
    if (panel.WindowRegion(r)) {
      const gp::RectF b = r.GetBounds();
      EXPECT_TRUE(r.IsEmpty() || (b.X > -1e-3f && b.Y > -1e-3f && b.X + b.Width < 1.001f && b.Y + b.Height < 1.001f));
    }
    (void)dwtest::RenderControl(panel);
    gp::Bitmap glow(1, 1);
    gp::CairoGraphics g(glow);
    panel.PaintGlowPicture(g, 1, 1);
    EXPECT_EQ(panel.ClientRect(), (TDWClientRect{0, 0, 1, 1}));  // the border rounds to nothing

    // Huge border widths collapse the client area onto its middle instead of turning it inside out.
    panel.SetBounds(0, 0, 40, 30);
    panel.Border().Width().SetValue(5);
    EXPECT_EQ(panel.ClientRect(), (TDWClientRect{20, 15, 20, 15}));
    panel.SetBounds(0, 0, 400, 400);
    for (const char* path : {"Border.Width.Value", "Border.BevelOuter.Width.Value", "Border.BevelInner.Width.Value"})
      ASSERT_TRUE(SetPropertyText(panel, path, "1e6"));  // 1.2e9 px of border: twice that overflowed an int
    EXPECT_EQ(panel.ClientRect(), (TDWClientRect{200, 200, 200, 200}));
    EXPECT_TRUE(!panel.WindowRegion(r) || r.IsEmpty());
  }
}

TEST(GlassPanel, ClientRectKeepsChildrenInsideTheBorder) {
  TScopedHost host;
  TDWGlassPanel panel;
  // 16.8 px of border rounds to 17 on every side.
  EXPECT_EQ(panel.ClientRect(), (TDWClientRect{17, 17, 183, 123}));
  TDWClientRect r{10, 20, 110, 60};
  panel.AdjustClientRect(r);
  EXPECT_EQ(r, (TDWClientRect{27, 37, 93, 43}));
  // The border is measured on the shorter side: a wide panel keeps the same border.
  panel.SetBounds(0, 0, 600, 140);
  EXPECT_EQ(panel.ClientRect(), (TDWClientRect{17, 17, 583, 123}));
  // Without bevels only the band remains: 2.8 -> 3; a 2.5 px band rounds to 2 (halves to even).
  panel.Border().BevelOuter().SetStyle(bvNone);
  panel.Border().BevelInner().SetStyle(bvNone);
  EXPECT_EQ(panel.ClientRect(), (TDWClientRect{3, 3, 597, 137}));
  panel.Border().Width().SetProportional(false);
  panel.Border().Width().SetValue(2.5f);
  EXPECT_EQ(panel.ClientRect(), (TDWClientRect{2, 2, 598, 138}));
}

TEST(GlassPanel, WindowShapeVersionMovesWithRegionAndGlowOnly) {
  TScopedHost host;
  TDWGlassPanel panel;
  const IWindowShape& shape = panel;
  auto bumps = [&](auto&& AChange) {
    const uint64_t before = shape.WindowShapeVersion();
    AChange();
    return shape.WindowShapeVersion() > before;
  };
  EXPECT_TRUE(bumps([&] { panel.Border().SetShape(bsDiamond); }));
  EXPECT_TRUE(bumps([&] { panel.Border().CornerRadius().SetValue(0.3f); }));
  EXPECT_TRUE(bumps([&] { panel.Border().BevelInner().Width().SetValue(0.1f); }));
  EXPECT_TRUE(bumps([&] { panel.Border().BevelOuter().SetStyle(bvLowered); }));
  EXPECT_TRUE(bumps([&] { panel.Border().SetColor(0xFF0000FF); }));
  EXPECT_TRUE(bumps([&] { panel.Glass().SetLightColor(0x80FFFFFF); }));
  EXPECT_TRUE(bumps([&] { panel.SetWidth(300); }));
  TDWPanelBorder other(nullptr);
  other.SetShape(bsEllipse);
  EXPECT_TRUE(bumps([&] { panel.SetBorder(other); }));
  EXPECT_EQ(panel.Border().Shape(), bsEllipse);
  // Neither the face colour nor a move changes the region or the glow; nor does the same value.
  EXPECT_FALSE(bumps([&] { panel.SetColor(0xFF000000); }));
  EXPECT_FALSE(bumps([&] { panel.SetLeft(40); }));
  EXPECT_FALSE(bumps([&] { panel.Border().SetShape(bsEllipse); }));
  EXPECT_FALSE(bumps([&] { panel.SetWidth(300); }));
  // Every bump asks for a repaint.
  const int repaints = host.Host.RepaintCount(panel);
  panel.Border().SetShape(bsRoundDiamond);
  EXPECT_GT(host.Host.RepaintCount(panel), repaints);
}

TEST(GlassPanelRender, TransparentOutsideTheRegion) {
  TScopedHost host;
  for (int shape = 0; shape <= 4; ++shape) {
    SCOPED_TRACE(shape);
    TDWGlassPanel panel;
    panel.Border().SetShape(TKVBorderShape(shape));
    panel.SetColor(0xFF204060);
    SwitchGlowOff(panel);
    ASSERT_FALSE(panel.HasGlow());
    const gp::Bitmap b = dwtest::RenderControl(panel);
    gp::Region r;
    const bool shaped = panel.WindowRegion(r);
    // Without a glow the picture is exactly the region: pixels wholly inside are the face,
    // pixels wholly outside are transparent (edge pixels are anti-aliased).
    int inside = 0, outside = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const float fx = float(x), fy = float(y);
        const int corners = (!shaped || r.IsVisible(fx, fy)) + (!shaped || r.IsVisible(fx + 1, fy)) +
                            (!shaped || r.IsVisible(fx, fy + 1)) + (!shaped || r.IsVisible(fx + 1, fy + 1));
        if (corners == 4) {
          ++inside;
          EXPECT_EQ(b.GetPixel(x, y), 0xFF204060u) << x << "," << y;
        } else if (corners == 0) {
          ++outside;
          EXPECT_EQ(GetAlpha(b.GetPixel(x, y)), 0) << x << "," << y;
        }
      }
    EXPECT_GT(inside, 10000);
    EXPECT_EQ(outside == 0, shape == bsRectangle);
  }
}

TEST(GlassPanelRender, GlowOverTheRegionEdgeUnlessAHostOverlaysIt) {
  TScopedHost host;
  TDWGlassPanel panel;
  panel.SetColor(0xFF204060);
  panel.Glass().SetVisible(false);
  gp::Region r = RegionOf(panel);
  ASSERT_FALSE(r.IsVisible(100.5f, 3.5f));  // the outer half of the border lies outside the region
  gp::Bitmap b = dwtest::RenderControl(panel);
  EXPECT_EQ(GetAlpha(b.GetPixel(100, 3)), 255);  // the glow paints the border there
  EXPECT_EQ(GetAlpha(b.GetPixel(0, 0)), 0);      // beyond the rounded corner nothing
  EXPECT_EQ(b.GetPixel(100, 70), 0xFF204060u);

  // A host showing the overlay gets only what its window shows: nothing outside the region.
  panel.SetGlowOverlaid(true);
  b = dwtest::RenderControl(panel);
  EXPECT_EQ(GetAlpha(b.GetPixel(100, 3)), 0);
  EXPECT_EQ(b.GetPixel(100, 12), 0xFF204060u);  // its face under the border inside the region too

  // The overlay picture: the whole border, nothing inside it without glass.
  ASSERT_TRUE(panel.HasGlow());
  gp::Bitmap glow(200, 140);
  gp::CairoGraphics g(glow);
  panel.PaintGlowPicture(g, 200, 140);
  EXPECT_EQ(GetAlpha(glow.GetPixel(100, 3)), 255);
  EXPECT_EQ(GetAlpha(glow.GetPixel(100, 12)), 255);
  EXPECT_EQ(GetAlpha(glow.GetPixel(100, 70)), 0);
  EXPECT_EQ(GetAlpha(glow.GetPixel(0, 0)), 0);
}

TEST(GlassPanelRender, GlassIsPaintedOnceWhetherOrNotAHostOverlaysIt) {
  TScopedHost host;
  TDWGlassPanel panel;
  panel.SetColor(0xFF000000);
  const gp::Bitmap alone = dwtest::RenderControl(panel);
  // The same picture composed as a host does it: the window (clipped to the region) and then
  // the overlay picture over it.
  panel.SetGlowOverlaid(true);
  gp::Bitmap composed = dwtest::RenderControl(panel);
  {
    gp::CairoGraphics g(composed);
    panel.PaintGlowPicture(g, 200, 140);
  }
  // A point under the gloss, well inside the region: equal (a doubled gloss would be brighter).
  const TAlphaColor a = alone.GetPixel(100, 30), c = composed.GetPixel(100, 30);
  EXPECT_GT(GetRed(a), 0);
  EXPECT_NEAR(GetRed(a), GetRed(c), 2);
}

TEST(GlassPanel, ElementsInsideThePanelAndItsVariants) {
  TScopedHost host;
  TDWGlassPanel panel;
  panel.SetColor(0xFFFFFFFF);
  SwitchGlowOff(panel);
  auto& gauge = panel.Elements().Add<TDWExternalAngularGaugeElement>();
  gauge.Size().Width().SetValue(0.5f);
  gauge.Size().Height().SetValue(0.5f);
  const gp::Bitmap b = dwtest::RenderControl(panel);
  int drawn = 0;
  for (int y = 40; y < 100; ++y)
    for (int x = 60; x < 140; ++x) drawn += b.GetPixel(x, y) != 0xFFFFFFFFu;
  EXPECT_GT(drawn, 500);

  // The panel as an element of a gauge: drawn in its place, no face colour, its border visible.
  TDWAngularGauge host2;
  host2.SetBounds(0, 0, 200, 200);
  auto& inner = host2.Elements().Add<TDWGlassPanelElement>();
  const gp::Bitmap withPanel = dwtest::RenderControl(host2);
  inner.SetVisible(false);
  const gp::Bitmap without = dwtest::RenderControl(host2);
  EXPECT_GT(dwtest::DifferingPixels(withPanel, without), 100);
}

// Issue (glass panel): drawn embedded, the panel drew its elements unclipped, so a child filling
// an ellipse panel showed in its corners; as a control the window region clipped them.
TEST(GlassPanelRender, ElementsClippedToTheShapeAsControlAndEmbedded) {
  TScopedHost host;
  auto addFiller = [](TRXComponentElements& AList) {
    auto& c = AList.Add<TDWGlassPanelElement>();
    c.Size().Width().SetValue(1.0f);
    c.Size().Height().SetValue(1.0f);
    c.Border().SetShape(bsRectangle);
  };
  // Pixels that changed with the child whose centres lie outside the ellipse in AR (plus 2 px).
  auto outside = [](const gp::Bitmap& A, const gp::Bitmap& B, gp::RectF AR) {
    int n = 0;
    for (int y = 0; y < A.Height(); ++y)
      for (int x = 0; x < A.Width(); ++x) {
        const float dx = (x + 0.5f - (AR.X + AR.Width / 2)) / (AR.Width / 2 + 2);
        const float dy = (y + 0.5f - (AR.Y + AR.Height / 2)) / (AR.Height / 2 + 2);
        n += dx * dx + dy * dy > 1 && A.GetPixel(x, y) != B.GetPixel(x, y);
      }
    return n;
  };
  TDWGlassPanel panel;
  panel.SetBounds(0, 0, 240, 240);
  panel.Border().SetShape(bsEllipse);
  panel.Glass().SetVisible(false);
  panel.SetColor(0);
  const gp::Bitmap alone = dwtest::RenderControl(panel);
  addFiller(panel.Elements());
  const gp::Bitmap filled = dwtest::RenderControl(panel);
  EXPECT_GT(dwtest::DifferingPixels(alone, filled), 1000);
  EXPECT_EQ(outside(alone, filled, {0, 0, 240, 240}), 0);

  // The same panel embedded, 240 x 240 in a 300 x 300 rectangle panel.
  TDWGlassPanel outer;
  outer.SetBounds(0, 0, 300, 300);
  outer.Border().SetShape(bsRectangle);
  SwitchGlowOff(outer);
  auto& inner = outer.Elements().Add<TDWGlassPanelElement>();
  inner.Size().Width().SetValue(0.8f);
  inner.Size().Height().SetValue(0.8f);
  inner.Position().X().SetValue(0);
  inner.Position().Y().SetValue(0);
  inner.Border().SetShape(bsEllipse);
  inner.Glass().SetVisible(false);
  const gp::Bitmap before = dwtest::RenderControl(outer);
  addFiller(inner.Elements());
  const gp::Bitmap after = dwtest::RenderControl(outer);
  EXPECT_GT(dwtest::DifferingPixels(before, after), 1000);
  EXPECT_EQ(outside(before, after, inner.PlacementRect(150, 150, 300, 300)), 0);
}

TEST(GlassPanel, LoadedFormEndsWithTheRegionBuilt) {
  TScopedHost host;

  const char* form = R"({
  "format": "dialworks-form", "version": 1, "width": 240, "height": 180, "color": "0xFF101010",
  "components": [{"class": "TDWGlassPanel", "name": "Panel", "left": 20, "top": 20, "properties": {
    "Border": {"Shape": "bsDiamond", "BevelInner": {"Style": "bvNone"}, "CornerRadius": {"Value": 0.1}},
    "Glass": {"Visible": false}, "Color": "0xFF336699",
    "Elements": [{"class": "TDWExternalLevelLedElement", "Value": 50}]}}]})";
  std::unique_ptr<TDWForm> loaded = dwtest::RoundTripForm(form);
  ASSERT_TRUE(loaded);
  auto* panel = dynamic_cast<TDWGlassPanel*>(loaded->FindComponent("Panel"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Border().Shape(), bsDiamond);
  EXPECT_FALSE(panel->Border().BevelInner().Visible());
  EXPECT_EQ(panel->Elements().Count(), 1u);
  // Loading ends with the region built: the version has moved past the constructor's.
  EXPECT_GT(panel->WindowShapeVersion(), 1u);
}
