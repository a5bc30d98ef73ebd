// The pixel paths switch and the clip coverage they keep. With the switch off everything is drawn
// by Cairo; on, fills under a shaped clip are composed through the clip's kept coverage and must
// paint what Cairo paints through its own clip.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "DrawTestUtil.h"
#include "dialworks/draw/CairoGraphics.h"
#include "support/CountedNew.h"

using namespace dw;
using namespace dw::gp;

namespace {

constexpr int kW = 150, kH = 120;

// AMode: 0 through a Cairo subsurface (never ours to write), 1 pixel paths off, 2 on.
std::unique_ptr<Bitmap> Paint(const std::function<void(Graphics&)>& ADraw, int AMode) {
  return dw::test::PaintVia(ADraw, kW, kH, 0xFFF0F0F0, AMode == 0, AMode == 2);
}

struct Difference {
  int Worst = 0;  // largest channel difference
  int Far = 0;    // pixels more than 2 levels apart
};
Difference Compare(const Bitmap& a, const Bitmap& b) {
  Difference d;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int worst = dw::test::ChannelDiff(a.GetPixel(x, y), b.GetPixel(x, y));
      d.Worst = std::max(d.Worst, worst);
      d.Far += worst > 2;
    }
  return d;
}

// A hand at an odd angle: its fading shadow (convex), its concave outline, a bevel.
struct THand {
  static constexpr PointF Outline[6] = {{-12, -3}, {60, -1.5f}, {64, 0}, {60, 1.5f}, {-12, 3}, {-8, 0}};
  static constexpr PointF Hull[6] = {{-12, -3}, {60, -1.5f}, {64, 0}, {60, 1.5f}, {-12, 3}, {-14, 0}};
  static constexpr PointF Bevel[4] = {{-12, -3}, {60, -1.5f}, {64, 0}, {-8, 0}};
  GraphicsPath Shadow;
  std::unique_ptr<PathGradientBrush> Soft;
  THand() {
    Shadow.AddPolygon(Hull, 6);
    Soft = std::make_unique<PathGradientBrush>(Shadow);
    const TAlphaColor colors[3] = {0x00000000, 0x8C000000, 0x8C000000};
    const float positions[3] = {0, 0.7f, 1};
    Soft->SetInterpolationColors(colors, positions, 3);
    Soft->SetCenterPoint(PointF(-4, 0));
  }
  // The shadow's own way is checked against Cairo's mesh in GradientTest.
  void Draw(Graphics& g, bool AShadow = true) const {
    const Matrix saved = g.GetTransform();
    g.TranslateTransform(78.5f, 61.25f);
    g.RotateTransform(-33.3f);
    if (AShadow) {
      g.TranslateTransform(4, 4, MatrixOrderAppend);
      g.FillPath(*Soft, Shadow);
      g.TranslateTransform(-4, -4, MatrixOrderAppend);
    }
    g.FillPolygon(SolidBrush(0xFFE02020), Outline, 6);
    g.FillPolygon(SolidBrush(0x60FFFFFF), Bevel, 4);
    g.SetTransform(saved);
  }
};

// A face's parts: solid and gradient fills of paths, rectangles and polygons, computed rings,
// ticks and arcs, text and a hand.
void Face(Graphics& g) {
  const LinearGradientBrush down(PointF(0, 0), PointF(0, kH), 0xFF203040, 0xFFA0B0C0);
  g.FillRectangle(down, RectF(0, 0, kW, kH));
  g.FillEllipse(SolidBrush(0xFF402020), RectF(20.5f, 12.3f, 110, 96));
  const PointF tri[] = {{10, 100}, {70, 5}, {140, 110}};
  g.FillPolygon(SolidBrush(0x80FFFF00), tri, 3);
  g.DrawEllipse(Pen(0xFF000000, 4), RectF(25, 15, 100, 90));
  g.DrawArc(Pen(0xFF20C040, 6), RectF(30, 20, 90, 90), 140, 260);
  for (int k = 0; k < 12; ++k) {
    const float a = float(k) * 30 * 3.14159265f / 180;
    g.DrawLine(Pen(0xFFFFFFFF, 2), PointF(75 + 50 * std::cos(a), 60 + 50 * std::sin(a)),
               PointF(75 + 62 * std::cos(a), 60 + 62 * std::sin(a)));
  }
  GraphicsPath rounded;
  rounded.AddRoundRectangle(RectF(50, 40, 50, 40), SizeF(10, 10));
  g.FillPath(LinearGradientBrush(PointF(50, 0), PointF(100, 0), 0xC0FF0000, 0x400000FF), rounded);
  g.DrawString("12 km/h", Font("DejaVu Sans", 15), PointF(12, 4), SolidBrush(0xFFFFFFFF));
  THand().Draw(g, false);
}

}  // namespace

// Issue 12: under a shaped clip (an ellipse, whose coverage is computed; a rounded square, a
// region Cairo must mask: both through their kept coverage) the fills, the hand and the text are
// composed by our own code; they paint what Cairo paints.
TEST(PixelPaths, ShapedClipsPaintLikeCairo) {
  GraphicsPath ellipse;
  ellipse.AddEllipse(RectF(6.5f, 4.25f, 135, 110));
  GraphicsPath rounded;
  rounded.AddRoundRectangle(RectF(8.5f, 6.5f, 130, 105), SizeF(40, 40));
  Region lenses = Region::FromEllipse(RectF(5, 5, 90, 90));
  lenses.Union(Region::FromEllipse(RectF(60, 20, 85, 95)));
  const std::function<void(Graphics&)> draws[] = {
      [&](Graphics& g) {
        g.SetClip(ellipse);
        Face(g);
      },
      [&](Graphics& g) {
        g.SetClip(rounded);
        Face(g);
      },
      [&](Graphics& g) {
        g.SetClip(lenses);
        Face(g);
      },
      // The clip set again for each part (a new clip with the same shapes), and changed between
      // parts: the kept coverage follows the shapes.
      [&](Graphics& g) {
        for (int k = 0; k < 3; ++k) {
          GraphicsPath clip;
          clip.AddRoundRectangle(k == 1 ? RectF(40, 20, 60, 60) : RectF(8.5f, 6.5f, 130, 105), SizeF(40, 40));
          g.SetClip(clip);
          g.FillRectangle(SolidBrush(k == 1 ? 0x800000FFu : 0x40FF0000u), RectF(0, 0, kW, kH));
          g.DrawLine(Pen(0xFF000000, 3), PointF(0, 20.0f * float(k + 1)), PointF(kW, 20.0f * float(k + 1)));
        }
      },
  };
  for (size_t k = 0; k < std::size(draws); ++k) {
    const auto ours = Paint(draws[k], 2), cairos = Paint(draws[k], 0);
    const Difference d = Compare(*ours, *cairos);
    // Computed coverage differs from Cairo's sampled coverage on edges only, and a clip's coverage
    // multiplies a fill's where their edges cross (Cairo's own clip does so too, but on its
    // sampled coverage). Measured: at most 22 levels, 751 pixels (under the ellipse).
    EXPECT_LE(d.Worst, 22) << k;
    EXPECT_LE(d.Far, 751) << k;
    // Outside the clip nothing was painted.
    EXPECT_EQ(ours->GetPixel(1, 1), 0xFFF0F0F0) << k;
  }
}

// Off, the graphics draws exactly what Cairo draws, and a layer it opens is off too.
TEST(PixelPaths, SwitchedOffCairoDrawsEverything) {
  GraphicsPath rounded;
  rounded.AddRoundRectangle(RectF(8.5f, 6.5f, 130, 105), SizeF(40, 40));
  auto draw = [&](Graphics& g) {
    g.SetClip(rounded);
    Face(g);
  };
  const auto cairos = Paint(draw, 0);
  EXPECT_EQ(Compare(*Paint(draw, 1), *cairos).Worst, 0);
  EXPECT_GT(Compare(*Paint(draw, 2), *cairos).Worst, 0);  // on, our own coverage shows

  Bitmap parent(1, 1), layerOff(kW, kH), layerOn(kW, kH);
  for (Bitmap* b : {&layerOff, &layerOn}) b->Clear(0xFFF0F0F0);
  CairoGraphics g(parent);
  g.SetPixelPaths(false);
  std::unique_ptr<Graphics> off = g.CreateLayer(layerOff);
  off->SetSmoothingMode(SmoothingModeAntiAlias);
  draw(*off);
  off.reset();
  EXPECT_EQ(Compare(layerOff, *cairos).Worst, 0);
  g.SetPixelPaths(true);
  std::unique_ptr<Graphics> on = g.CreateLayer(layerOn);
  on->SetSmoothingMode(SmoothingModeAntiAlias);
  draw(*on);
  on.reset();
  EXPECT_EQ(Compare(layerOn, *Paint(draw, 2)).Worst, 0);
}

// Issue 12: a face clip set again each frame with the same shape and transform takes the kept clip
// and its coverage: nothing is allocated, and the picture is the one of a clip set once.
TEST(PixelPaths, ClipSetAgainIsKept) {
  GraphicsPath rounded;
  rounded.AddRoundRectangle(RectF(8.5f, 6.5f, 130, 105), SizeF(40, 40));
  const THand hand;
  auto frame = [&](Graphics& g) {
    const GraphicsState s = g.Save();
    g.TranslateTransform(0.5f, 0.25f);
    g.SetClip(rounded, CombineModeIntersect);
    hand.Draw(g);
    g.FillRectangle(SolidBrush(0x400000FF), RectF(0, 0, kW, kH));
    g.Restore(s);
  };
  auto again = [&](Graphics& g) {
    for (int k = 0; k < 3; ++k) frame(g);
  };
  auto once = [&](Graphics& g) {
    g.TranslateTransform(0.5f, 0.25f);
    g.SetClip(rounded, CombineModeIntersect);
    g.TranslateTransform(-0.5f, -0.25f);
    for (int k = 0; k < 3; ++k) {
      g.TranslateTransform(0.5f, 0.25f);
      hand.Draw(g);
      g.FillRectangle(SolidBrush(0x400000FF), RectF(0, 0, kW, kH));
      g.TranslateTransform(-0.5f, -0.25f);
    }
  };
  EXPECT_EQ(Compare(*Paint(again, 2), *Paint(once, 2)).Worst, 0);

  // Kept ellipse and ring paths (an LED's glow keeps its rings so) are recognised as computed
  // shapes without building paths either.
  GraphicsPath disc, ring;
  disc.AddEllipse(RectF(20, 20, 40, 30));
  ring.AddEllipse(RectF(70, 20, 50, 50));
  ring.AddEllipse(RectF(80, 30, 30, 30));
  ring.SetFillMode(FillModeAlternate);
  auto withShapes = [&](Graphics& g) {
    frame(g);
    g.FillPath(SolidBrush(0x8020C040), disc);
    g.FillPath(SolidBrush(0x80C04020), ring);
  };
  Bitmap target(kW, kH);
  CairoGraphics g(target);
  g.SetPixelPaths(true);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  // The first frames keep what the next ones need (coverage is kept from its second computing).
  EXPECT_EQ(dwtest::SteadyNews([&] { withShapes(g); }, 2, 2), 0u);
}

// A window repainting part of itself clips to a rectangle, the instrument then to its round face:
// inside the rectangle the picture is exactly the one the face's clip alone gives (so a part
// repaint matches the whole one), and nothing is painted outside the rectangle.
TEST(PixelPaths, RectangleCutEllipseClipPaintsAsTheEllipse) {
  GraphicsPath ellipse;
  ellipse.AddEllipse(RectF(6.5f, 4.25f, 135, 110));
  const THand hand;
  auto draw = [&](Graphics& g, const RectF* APart) {
    if (APart) g.SetClip(*APart);
    g.SetClip(ellipse, CombineModeIntersect);
    hand.Draw(g);
    const PointF across[] = {{0, 50}, {40, 45.5f}, {30.5f, 80}};  // over the clip's left edge
    g.FillPolygon(SolidBrush(0xC02040E0), across, 3);
  };
  const std::unique_ptr<Bitmap> whole = Paint([&](Graphics& g) { draw(g, nullptr); }, 2);
  for (const RectF part : {RectF(0, 0, 100, 70), RectF(50, 30, 60, 50), RectF(0, 0, kW, kH)}) {
    const std::unique_ptr<Bitmap> cut = Paint([&](Graphics& g) { draw(g, &part); }, 2);
    int wrong = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const bool inside = part.Contains(PointF(float(x) + 0.5f, float(y) + 0.5f));
        wrong += cut->GetPixel(x, y) != (inside ? whole->GetPixel(x, y) : 0xFFF0F0F0u);
      }
    EXPECT_EQ(wrong, 0) << part.X << "," << part.Y;
  }
}

// A hand and its bevels filled in one call paint exactly what filling them in turn paints: inside
// the face's ellipse (one pass), where the ellipse or a repaint's rectangle cuts them, under a
// clip drawn through its mask, with a gradient among them, and with no shaped clip (Cairo).
TEST(PixelPaths, PolygonsFilledTogetherPaintAsEachInTurn) {
  GraphicsPath ellipse, rounded;
  ellipse.AddEllipse(RectF(6.5f, 4.25f, 135, 110));
  rounded.AddRoundRectangle(RectF(8.5f, 6.5f, 130, 105), SizeF(40, 40));
  const PointF full[] = {{-20, -4.5f}, {58, -1.5f}, {58, 1.5f}, {-20, 4.5f}};
  const PointF left[] = {{-15, -1.5f}, {-20, -4.5f}, {58, -1.5f}};
  const PointF right[] = {{-15, 1.5f}, {-20, 4.5f}, {58, 1.5f}};
  const PointF tail[] = {{-20, -4.5f}, {-20, 4.5f}, {-15, 1.5f}, {-15, -1.5f}};
  const SolidBrush body(0xFFE02020), light(0x60FFFFFF), lighter(0xB0FFFFFF), faint(0x20FFFFFF);
  const LinearGradientBrush shade(PointF(-20, 0), PointF(58, 0), 0xFF000000, 0x80FFFFFF);
  for (int clip = 0; clip < 4; ++clip)  // the ellipse; it cut by a rectangle; a rounded rectangle; none
    for (const bool gradient : {false, true})
      for (const float reach : {0.8f, 1.9f})  // wholly inside the ellipse; across it
        for (float angle = 3; angle < 360; angle += 23.5f) {
          const PolygonFill fills[] = {{gradient ? static_cast<const Brush*>(&shade) : &body, full, 4},
                                       {&light, left, 3},
                                       {&lighter, right, 3},
                                       {&faint, tail, 4}};
          const int count = angle < 180 ? 4 : 2;
          auto draw = [&](Graphics& g, bool ATogether) {
            if (clip == 1) g.SetClip(RectF(30, 20, 70, 60));
            if (clip <= 1) g.SetClip(ellipse, clip == 1 ? CombineModeIntersect : CombineModeReplace);
            if (clip == 2) g.SetClip(rounded);
            g.TranslateTransform(75.25f, 59.5f);
            g.RotateTransform(angle);
            g.ScaleTransform(reach, reach);
            if (ATogether) g.FillPolygons(fills, count);
            for (int k = 0; k < count && !ATogether; ++k) g.FillPolygon(*fills[k].Fill, fills[k].Points, fills[k].Count);
          };
          const auto together = Paint([&](Graphics& g) { draw(g, true); }, 2);
          const auto inTurn = Paint([&](Graphics& g) { draw(g, false); }, 2);
          ASSERT_EQ(dwtest::DifferingPixels(*together, *inTurn), 0) << "clip " << clip << " gradient " << gradient << " reach " << reach << " angle "
                              << angle;
        }
}

// Polygons filled together replace the runs a computed shape kept with its coverage: the same
// shape filled again after them is worked out anew, not painted through the polygons' runs.
TEST(PixelPaths, ShapeFilledAgainAfterPolygonsIsItself) {
  GraphicsPath ellipse;
  ellipse.AddEllipse(RectF(0.5f, 0.5f, 149, 119));
  const PointF a[] = {{66.2f, 30.1f}, {84.6f, 30.2f}, {73.1f, 99.9f}}, b[] = {{67.3f, 31.1f}, {69.6f, 31.2f}, {70.1f, 85.9f}};
  const SolidBrush red(0xFFFF0000), green(0xFF00FF00), blue(0xFF0000FF);
  const RectF dot(65.3f, 10.2f, 10, 10);
  auto draw = [&](Graphics& g, bool ATogether) {
    g.SetClip(ellipse);
    g.FillEllipse(blue, dot);
    if (ATogether) {
      const PolygonFill fills[] = {{&red, a, 3}, {&green, b, 3}};
      g.FillPolygons(fills, 2);
    } else {
      g.FillPolygon(red, a, 3);
      g.FillPolygon(green, b, 3);
    }
    g.FillEllipse(blue, dot);
  };
  const auto together = Paint([&](Graphics& g) { draw(g, true); }, 2);
  const auto inTurn = Paint([&](Graphics& g) { draw(g, false); }, 2);
  EXPECT_EQ(dwtest::DifferingPixels(*together, *inTurn), 0);
}

// A host clears the part it repaints: written directly, it is Cairo's clear to the byte, and
// nothing outside the clip changes.
TEST(PixelPaths, ClearIsCairosClear) {
  GraphicsPath ellipse;
  ellipse.AddEllipse(RectF(6.5f, 4.25f, 135, 110));
  for (const TAlphaColor colour : {0x00000000u, 0x00FF00FFu, 0xFF204060u, 0x80FF0000u})
    for (int clip = 0; clip < 4; ++clip) {  // none, whole pixels, fractional, an ellipse
      auto draw = [&](Graphics& g) {
        g.FillRectangle(SolidBrush(0xC0406080), RectF(0, 0, kW, kH));
        if (clip == 1) g.SetClip(RectF(20, 10, 70, 50));
        if (clip == 2) g.SetClip(RectF(20.5f, 10.25f, 70, 50));
        if (clip == 3) g.SetClip(ellipse);
        g.Clear(colour);
      };
      const auto ours = Paint(draw, 2), cairos = Paint(draw, 1);
      EXPECT_EQ(dwtest::DifferingPixels(*ours, *cairos), 0) << std::hex << colour << " clip " << clip;
    }
}

// Four points on a whole-pixel rectangle's corners are that rectangle only as one figure of four
// straight sides going round: a curve through them, two lines and a back-tracking outline clip as
// Cairo clips them.
TEST(PixelPaths, OnlyRectanglesClipAsRectangles) {
  const PointF corners[] = {{10, 10}, {90, 10}, {90, 90}, {10, 90}}, back[] = {{10, 10}, {90, 10}, {90, 90}, {90, 10}};
  GraphicsPath curve, lines, backTracking;
  curve.AddBezier(corners[0], corners[1], corners[2], corners[3]);
  curve.CloseFigure();
  lines.AddLine(corners[0], corners[1]);
  lines.StartFigure();
  lines.AddLine(corners[2], corners[3]);
  backTracking.AddPolygon(back, 4);
  for (const GraphicsPath* clip : {&curve, &lines, &backTracking}) {
    const auto bmp = Paint(
        [&](Graphics& g) {
          g.SetClip(*clip);
          g.FillEllipse(SolidBrush(0xFF000000), RectF(0, 0, kW, kH));
        },
        2);
    const char* name = clip == &curve ? "curve" : clip == &lines ? "lines" : "back";
    EXPECT_EQ(bmp->GetPixel(85, 15), 0xFFF0F0F0u) << name;  // outside all three
    EXPECT_EQ(bmp->GetPixel(50, 50), clip == &curve ? 0xFF000000u : 0xFFF0F0F0u) << name;
  }
}

// Whole-pixel rectangles cut by each other (a window's repaint rectangle over a control's own
// rectangle clip) are their common rectangle: the face and the hand come out exactly as under
// that one rectangle, not composed some other way. Disjoint ones draw nothing.
TEST(PixelPaths, RectanglesCutByEachOtherClipAsOne) {
  for (int mode : {1, 2}) {
    const auto cut = Paint(
        [](Graphics& g) {
          g.SetClip(RectF(5, 8, 120, 100));
          g.IntersectClip(RectF(40, 30, 100, 60));
          Face(g);
          THand().Draw(g);
        },
        mode);
    const auto one = Paint(
        [](Graphics& g) {
          g.SetClip(RectF(40, 30, 85, 60));
          Face(g);
          THand().Draw(g);
        },
        mode);
    EXPECT_EQ(Compare(*cut, *one).Worst, 0) << "mode " << mode;
  }
  const auto apart = Paint(
      [](Graphics& g) {
        g.SetClip(RectF(5, 8, 20, 20));
        g.IntersectClip(RectF(60, 60, 20, 20));
        Face(g);
      },
      2);
  EXPECT_EQ(Compare(*apart, *Paint([](Graphics&) {}, 2)).Worst, 0);
}

// Issue 20: rectangle clips set again each frame (a spectrum's bar area) are kept like path clips,
// and a kept clip is taken only for the very rectangle, mode and clip below it.
TEST(PixelPaths, RectangleClipSetAgainIsKept) {
  const RectF rects[] = {RectF(10, 10, 60, 40), RectF(40.5f, 30.25f, 70, 50), RectF(10, 10, 60, 41)};
  // AAsRegion: the same clips set as regions, which are never kept.
  auto frame = [&](Graphics& g, int ACount, bool AAsRegion) {
    for (int k = 0; k < ACount; ++k) {
      g.ResetClip();
      AAsRegion ? g.SetClip(Region(rects[k])) : g.SetClip(rects[k]);
      if (k == 2) AAsRegion ? g.SetClip(Region(rects[1]), CombineModeIntersect) : g.IntersectClip(rects[1]);
      g.FillRectangle(SolidBrush(0x60FF0000u >> (8 * k) | 0x60000000u), RectF(0, 0, kW, kH));
    }
    g.ResetClip();
  };
  // Three clips rotate through the kept ones; a stale or confused kept clip would move an edge.
  const std::unique_ptr<Bitmap> expected = Paint([&](Graphics& g) { frame(g, 3, true); }, 2);
  Bitmap target(kW, kH);
  CairoGraphics g(target);
  g.SetPixelPaths(true);
  for (int k = 0; k < 3; ++k) {
    g.Clear(0xFFF0F0F0);
    frame(g, 3, false);
    g.Flush();
    EXPECT_EQ(Compare(target, *expected).Worst, 0) << "frame " << k;
  }
  EXPECT_EQ(dwtest::SteadyNews([&] { frame(g, 2, false); }, 2, 2), 0u);
}

// Issue 12: computed coverage kept beyond one Graphics (for faces rebuilt at one size) is that of
// the very shape, clip, smoothing and placement: drawn again and again after similar faces, a face
// paints exactly what a thread that kept nothing before paints.
TEST(PixelPaths, KeptCoverageFollowsShapeAndClip) {
  GraphicsPath ellipse, smaller;
  ellipse.AddEllipse(RectF(6.5f, 4.25f, 135, 110));
  smaller.AddEllipse(RectF(10.5f, 8.25f, 127, 100));
  auto face = [](const GraphicsPath& AClip, float ADx, SmoothingMode AMode) {
    return [&AClip, ADx, AMode](Graphics& g) {
      g.SetSmoothingMode(AMode);
      g.TranslateTransform(ADx, 0);
      g.SetClip(AClip);
      Face(g);
    };
  };
  const std::function<void(Graphics&)> draws[] = {
      face(ellipse, 0, SmoothingModeAntiAlias), face(ellipse, 0.25f, SmoothingModeAntiAlias),
      face(smaller, 0, SmoothingModeAntiAlias), face(ellipse, 0, SmoothingModeNone)};
  std::vector<std::unique_ptr<Bitmap>> fresh;
  std::thread([&] {
    for (const auto& draw : draws) fresh.push_back(Paint(draw, 2));
  }).join();
  for (size_t k = 0; k < std::size(draws); ++k)
    for (int round = 0; round < 3; ++round)  // computed, kept, copied back
      EXPECT_EQ(Compare(*Paint(draws[k], 2), *fresh[k]).Worst, 0) << k << " " << round;
}
