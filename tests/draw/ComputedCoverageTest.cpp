// Computed coverage of ellipses, elliptical rings and straight strokes: against the exact share of
// each pixel (by dense sampling), which shapes and transforms take that way, and the dashed strokes
// CairoGraphics leaves to Cairo.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "DrawTestUtil.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/ComputedCoverage.h"

using namespace dw;
using namespace dw::gp;

namespace {

constexpr int kW = 120, kH = 100;
constexpr uint8_t kUntouched = 0x5A;

bool Inside(const DeviceEllipse& e, double x, double y) {
  const double u = (x - e.Cx) / e.Rx, v = (y - e.Cy) / e.Ry;
  return u * u + v * v < 1;
}

// The share of pixel (x, y) inside the shape: 64 x 64 samples where an outline passes (the
// shapes here are at least a pixel across, so one passes where nine points disagree).
double Exact(const EllipseShape& s, int x, int y) {
  auto in = [&](double px, double py) { return Inside(s.Outer, px, py) && !(s.Ring && Inside(s.Inner, px, py)); };
  int votes = 0;
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) votes += in(x + i * 0.5, y + j * 0.5);
  if (votes == 0 || votes == 9) return votes / 9;
  int n = 0;
  for (int j = 0; j < 64; ++j)
    for (int i = 0; i < 64; ++i) n += in(x + (i + 0.5) / 64, y + (j + 0.5) / 64);
  return n / 4096.0;
}

struct Mask {
  std::vector<uint8_t> Bytes = std::vector<uint8_t>(kW * kH, kUntouched);
  std::vector<MaskSpan> Spans;
  bool InSpan(int x, int y) const {
    for (const MaskSpan& s : Spans)
      if (s.Y == y && x >= s.X0 && x < s.X1) return true;
    return false;
  }
};

Mask Rasterise(const ComputedShape& s, bool aa) {
  Mask m;
  RasteriseComputedShape(s, aa, m.Bytes.data(), kW, 0, 0, kW, kH, &m.Spans);
  return m;
}

// The share of pixel (x, y) inside the stroke's rectangle, from 64 x 64 samples.
double Exact(const LineShape& l, int x, int y) {
  const double len = std::hypot(l.X1 - l.X0, l.Y1 - l.Y0), ux = (l.X1 - l.X0) / len, uy = (l.Y1 - l.Y0) / len;
  int n = 0;
  for (int j = 0; j < 64; ++j)
    for (int i = 0; i < 64; ++i) {
      const double px = x + (i + 0.5) / 64 - l.X0, py = y + (j + 0.5) / 64 - l.Y0;
      const double along = px * ux + py * uy, across = -px * uy + py * ux;
      n += along >= 0 && along < len && std::fabs(across) < l.HalfWidth;
    }
  return n / 4096.0;
}

// A mask's coverage against each pixel's exact share: the worst difference in levels, the pixels
// more than 4 levels off, and both in sum. Outside the spans nothing may be covered, nor (with
// AUntouched) written; Strays counts the pixels where that fails.
struct Score {
  int Worst = 0, Off = 0, Strays = 0;
  double Sum = 0, ExactSum = 0;
};
Score ScoreMask(const Mask& m, const std::function<double(int, int)>& AExact, bool AUntouched = true) {
  Score s;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const double exact = AExact(x, y);
      s.ExactSum += exact;
      const uint8_t b = m.Bytes[size_t(y * kW + x)];
      if (!m.InSpan(x, y)) {
        s.Strays += exact != 0 || (AUntouched && b != kUntouched);
        continue;
      }
      s.Sum += b / 255.0;
      const int d = int(std::lround(std::fabs(b - exact * 255)));
      s.Worst = std::max(s.Worst, d);
      s.Off += d > 4;
    }
  return s;
}

EllipseShape Disc(double cx, double cy, double rx, double ry) { return EllipseShape{{cx, cy, rx, ry}, false, {}}; }
EllipseShape Ring(double cx, double cy, double rx, double ry, double width) {
  return EllipseShape{{cx, cy, rx, ry}, true, {cx, cy, rx - width, ry - width}};
}

}  // namespace

TEST(ComputedCoverage, EachPixelTakesItsShareInside) {
  struct Case {
    const char* Name;
    EllipseShape Shape;
    int Tolerance;  // levels of 255
  };
  for (const Case& c : {Case{"circle", Disc(60.3, 50.1, 40.2, 40.2), 3}, Case{"wide", Disc(60, 50, 55, 22.5), 3},
                        Case{"small", Disc(20.5, 20.5, 5.3, 5.3), 3}, Case{"tall", Disc(60, 50, 8, 30), 5},
                        Case{"ring", Ring(60.2, 49.7, 45, 40, 9.5), 3}, Case{"hairline ring", Ring(60, 50, 30, 30, 1), 3},
                        Case{"clipped by the mask", Disc(10, 95, 30, 20), 3}}) {
    const Score s = ScoreMask(Rasterise(c.Shape, true), [&](int x, int y) { return Exact(c.Shape, x, y); });
    EXPECT_EQ(s.Strays, 0) << c.Name;
    EXPECT_LE(s.Worst, c.Tolerance) << c.Name;
    EXPECT_NEAR(s.Sum, s.ExactSum, 0.002 * s.ExactSum + 1) << c.Name;
  }
}

// A mask starting left of the device origin (a disc has no hole: its columns never overflow).
TEST(ComputedCoverage, MaskLeftOfTheOrigin) {
  const EllipseShape disc = Disc(-10.3, 50.1, 40.2, 30.7);
  Mask m;
  RasteriseComputedShape(disc, true, m.Bytes.data(), kW, -60, 0, kW, kH, &m.Spans);
  const Score s = ScoreMask(m, [&](int x, int y) { return Exact(disc, x - 60, y); });
  EXPECT_LE(s.Worst, 3);
}

TEST(ComputedCoverage, WithoutAntiAliasingPixelCentresDecide) {
  for (const EllipseShape& s : {Disc(60.3, 50.1, 40.2, 30.7), Ring(60, 50, 40, 40, 6.5)}) {
    const Mask m = Rasterise(s, false);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const bool in = Inside(s.Outer, x + 0.5, y + 0.5) && !(s.Ring && Inside(s.Inner, x + 0.5, y + 0.5));
        const uint8_t b = m.Bytes[size_t(y * kW + x)];
        ASSERT_EQ(in ? 255 : m.InSpan(x, y) ? 0 : kUntouched, b) << x << "," << y;
      }
  }
}

// A stroke's pixels take their share of its rectangle; only the corner pixels, where the two strips
// whose crossing it is are multiplied, may be a little off.
TEST(ComputedCoverage, StrokesTakeTheirShare) {
  for (const LineShape& l : {LineShape{20.3, 30.6, 90.2, 30.6, 2.5}, LineShape{60, 10, 60.4, 90, 0.5},
                             LineShape{15, 80, 95.5, 20.25, 1.7}, LineShape{30, 30, 70, 70, 5}}) {
    const Score s = ScoreMask(Rasterise(l, true), [&](int x, int y) { return Exact(l, x, y); });
    EXPECT_EQ(s.Strays, 0) << l.X0 << "," << l.Y0;
    EXPECT_LE(s.Worst, 12) << l.X0 << "," << l.Y0;
    EXPECT_LE(s.Off, 4) << l.X0 << "," << l.Y0;  // at most the corners
    EXPECT_NEAR(s.Sum, s.ExactSum, 0.01 * s.ExactSum) << l.X0 << "," << l.Y0;
  }
  // Without anti-aliasing the pixel centres decide.
  const LineShape l{15, 80, 95.5, 20.25, 3.2};
  const Mask m = Rasterise(l, false);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint8_t b = m.Bytes[size_t(y * kW + x)];
      if (b == kUntouched) continue;
      const double len = std::hypot(l.X1 - l.X0, l.Y1 - l.Y0), ux = (l.X1 - l.X0) / len, uy = (l.Y1 - l.Y0) / len;
      const double px = x + 0.5 - l.X0, py = y + 0.5 - l.Y0, along = px * ux + py * uy, across = -px * uy + py * ux;
      const bool in = along >= 0 && along < len && across >= -l.HalfWidth && across < l.HalfWidth;
      ASSERT_EQ(b, in ? 255 : 0) << x << "," << y;
    }
}

// An arc's pixels take their share of the ring between its two rays; only pixels its flat ends
// cross may be a little off (the ring's and the ray's shares multiplied).
TEST(ComputedCoverage, ArcsTakeTheirShare) {
  struct Case {
    float Start, Sweep;
  };
  for (const Case& c : {Case{135, 270}, Case{-20, 60}, Case{200, -100}}) {
    ArcShape arc;
    ASSERT_TRUE(StrokedArcShape(RectF(20.3f, 10.2f, 80, 80), c.Start, c.Sweep, Matrix(), 9, LineCapFlat, &arc));
    const double from = std::min(c.Start, c.Start + c.Sweep), span = std::fabs(c.Sweep);
    auto in = [&](double px, double py) {
      const double dx = px - 60.3, dy = py - 50.2, r = std::hypot(dx, dy);
      const double a = std::fmod(std::atan2(dy, dx) * 180 / std::numbers::pi - from + 720, 360);
      return r < 44.5 && r > 35.5 && a <= span;
    };
    auto exact = [&](int x, int y) {
      int n = 0;
      const double r = std::hypot(x + 0.5 - 60.3, y + 0.5 - 50.2);
      if (r > 34 && r < 46)  // elsewhere the ring is more than a pixel away
        for (int j = 0; j < 32; ++j)
          for (int i = 0; i < 32; ++i) n += in(x + (i + 0.5) / 32, y + (j + 0.5) / 32);
      return n / 1024.0;
    };
    const Score s = ScoreMask(Rasterise(arc, true), exact, false);
    EXPECT_EQ(s.Strays, 0) << c.Start;
    EXPECT_LE(s.Worst, 12) << c.Start;
    EXPECT_LE(s.Off, 4) << c.Start;  // at most the corners of the ends
    EXPECT_NEAR(s.Sum, s.ExactSum, 0.01 * s.ExactSum) << c.Start;

    // Without anti-aliasing the pixel centres decide.
    const Mask hard = Rasterise(arc, false);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        if (!hard.InSpan(x, y)) continue;
        ASSERT_EQ(hard.Bytes[size_t(y * kW + x)], in(x + 0.5, y + 0.5) ? 255 : 0) << c.Start << ": " << x << "," << y;
      }
  }
}

// A clip multiplies the coverage; pixels outside it are cleared.
TEST(ComputedCoverage, ClipMultipliesCoverage) {
  const EllipseShape shape = Ring(50, 50, 45, 45, 12), clip = Disc(80, 40, 38, 30);
  Mask m = Rasterise(shape, true);
  ClipToEllipseShape(clip, m.Bytes.data(), kW, 0, 0, m.Spans);
  int worst = 0, kept = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      if (!m.InSpan(x, y)) continue;
      const uint8_t b = m.Bytes[size_t(y * kW + x)];
      worst = std::max(worst, int(std::lround(std::fabs(b - Exact(shape, x, y) * Exact(clip, x, y) * 255))));
      kept += b == 255;
    }
  EXPECT_LE(worst, 4);
  EXPECT_GT(kept, 300);
}

TEST(ComputedCoverage, WhichShapesAreComputed) {
  GraphicsPath disc;
  disc.AddEllipse(RectF(10, 20, 60, 40));
  EllipseShape s;
  Matrix m(2, 0, 0, -1.5f, 5, 100);  // scaled and flipped: still axis-aligned
  ASSERT_TRUE(FilledEllipseShape(disc, m, &s));
  EXPECT_FALSE(s.Ring);
  EXPECT_DOUBLE_EQ(s.Outer.Cx, 85);
  EXPECT_DOUBLE_EQ(s.Outer.Cy, 40);
  EXPECT_DOUBLE_EQ(s.Outer.Rx, 60);
  EXPECT_DOUBLE_EQ(s.Outer.Ry, 30);

  GraphicsPath ring(FillModeAlternate);
  ring.AddEllipse(RectF(0, 0, 100, 80));
  ring.AddEllipse(RectF(10, 10, 80, 60));
  ASSERT_TRUE(FilledEllipseShape(ring, Matrix(), &s));
  EXPECT_TRUE(s.Ring);
  EXPECT_DOUBLE_EQ(s.Inner.Rx, 40);

  Matrix turned;
  turned.Rotate(10);
  GraphicsPath winding(FillModeWinding), offCentre(FillModeAlternate), other;
  winding.AddPath(ring, false);
  winding.SetFillMode(FillModeWinding);
  offCentre.AddEllipse(RectF(0, 0, 100, 80));
  offCentre.AddEllipse(RectF(12, 10, 80, 60));
  other.AddRoundRectangle(RectF(0, 0, 100, 80), SizeF(10, 10));
  GraphicsPath tiny, sharp;
  tiny.AddEllipse(RectF(0, 0, 1.5f, 1.5f));
  sharp.AddEllipse(RectF(0, 0, 8, 60));
  EXPECT_FALSE(FilledEllipseShape(disc, turned, &s));
  EXPECT_FALSE(FilledEllipseShape(winding, Matrix(), &s));  // two same-way ellipses fill the whole
  EXPECT_FALSE(FilledEllipseShape(offCentre, Matrix(), &s));
  EXPECT_FALSE(FilledEllipseShape(other, Matrix(), &s));
  EXPECT_FALSE(FilledEllipseShape(tiny, Matrix(), &s));
  EXPECT_FALSE(FilledEllipseShape(sharp, Matrix(), &s));
  EXPECT_FALSE(FilledEllipseShape(disc, Matrix(0, 0, 0, 0, 0, 0), &s));
  EXPECT_FALSE(FilledEllipseShape(disc, Matrix(1, 0, 0, 1, 1e9f, 0), &s));  // far off: Cairo's

  // Strokes: circles under an even scale; the pen width scales too; hairlines are one pixel.
  GraphicsPath circle;
  circle.AddEllipse(RectF(10, 10, 80, 80));
  ASSERT_TRUE(StrokedCircleShape(circle, Matrix(2, 0, 0, 2, 0, 0), 3, &s));
  EXPECT_DOUBLE_EQ(s.Outer.Rx, 83);
  EXPECT_DOUBLE_EQ(s.Inner.Rx, 77);
  ASSERT_TRUE(StrokedCircleShape(circle, Matrix(), 0, &s));
  EXPECT_DOUBLE_EQ(s.Outer.Rx - s.Inner.Rx, 1);
  ASSERT_TRUE(StrokedCircleShape(circle, Matrix(), 100, &s));  // wider than the circle: a disc
  EXPECT_FALSE(s.Ring);
  EXPECT_FALSE(StrokedCircleShape(circle, Matrix(), 79, &s));  // a hole bending too tight: Cairo's
  ASSERT_TRUE(StrokedCircleShape(circle, Matrix(), 76, &s));
  EXPECT_DOUBLE_EQ(s.Inner.Rx, 2);
  EXPECT_FALSE(StrokedCircleShape(disc, Matrix(), 3, &s));
  EXPECT_FALSE(StrokedCircleShape(circle, Matrix(2, 0, 0, 1, 0, 0), 3, &s));
  ASSERT_TRUE(StrokedCircleShape(circle, Matrix(), std::nanf(""), &s));  // a hairline, never a bad ring
  EXPECT_DOUBLE_EQ(s.Outer.Rx - s.Inner.Rx, 1);

  // Lines: under turning and even scaling; square caps lengthen the segment by half the width.
  LineShape l;
  Matrix turnedTwice(2, 0, 0, 2, 10, 0);
  turnedTwice.Rotate(30);
  ASSERT_TRUE(StrokedLineShape(PointF(0, 0), PointF(10, 0), turnedTwice, 3, LineCapFlat, &l));
  EXPECT_NEAR(std::hypot(l.X1 - l.X0, l.Y1 - l.Y0), 20, 1e-4);
  EXPECT_NEAR(l.HalfWidth, 3, 1e-6);
  EXPECT_NEAR(l.X0, 10, 1e-4);
  ASSERT_TRUE(StrokedLineShape(PointF(0, 0), PointF(10, 0), Matrix(), 4, LineCapSquare, &l));
  EXPECT_DOUBLE_EQ(l.X0, -2);
  EXPECT_DOUBLE_EQ(l.X1, 12);
  ASSERT_TRUE(StrokedLineShape(PointF(0, 0), PointF(0, 10), Matrix(), 0, LineCapFlat, &l));
  EXPECT_DOUBLE_EQ(l.HalfWidth, 0.5);  // a hairline: one device pixel
  EXPECT_FALSE(StrokedLineShape(PointF(0, 0), PointF(10, 0), Matrix(), 3, LineCapRound, &l));
  EXPECT_FALSE(StrokedLineShape(PointF(0, 0), PointF(10, 0), Matrix(2, 0, 0, 1, 0, 0), 3, LineCapFlat, &l));
  EXPECT_FALSE(StrokedLineShape(PointF(0, 0), PointF(0.001f, 0), Matrix(), 3, LineCapFlat, &l));
  EXPECT_FALSE(StrokedLineShape(PointF(0, 0), PointF(std::nanf(""), 0), Matrix(), 3, LineCapFlat, &l));

  // Arcs: a negative sweep is the same arc run the other way, and so is a mirrored one.
  ArcShape a, b;
  const RectF round(0, 0, 100, 100);
  ASSERT_TRUE(StrokedArcShape(round, 30, 100, Matrix(), 6, LineCapFlat, &a));
  ASSERT_TRUE(StrokedArcShape(round, 130, -100, Matrix(), 6, LineCapFlat, &b));
  EXPECT_NEAR(a.Sx, b.Sx, 1e-9);
  EXPECT_NEAR(a.Ey, b.Ey, 1e-9);
  EXPECT_FALSE(a.Wide);
  ASSERT_TRUE(StrokedArcShape(round, 30, 100, Matrix(-1, 0, 0, 1, 100, 0), 6, LineCapFlat, &b));
  EXPECT_NEAR(b.Sx, -a.Ex, 1e-9);  // mirrored: the end's mirror image starts it
  EXPECT_NEAR(b.Sy, a.Ey, 1e-9);
  EXPECT_DOUBLE_EQ(b.Ring.Outer.Rx, 53);
  EXPECT_FALSE(StrokedArcShape(round, 30, 100, Matrix(), 6, LineCapSquare, &a));
  EXPECT_FALSE(StrokedArcShape(round, 30, 180, Matrix(), 6, LineCapFlat, &a));   // ends facing across
  EXPECT_FALSE(StrokedArcShape(round, 30, 359.5f, Matrix(), 6, LineCapFlat, &a));  // ends meeting
  EXPECT_FALSE(StrokedArcShape(round, 30, 0.5f, Matrix(), 6, LineCapFlat, &a));
  EXPECT_FALSE(StrokedArcShape(RectF(0, 0, 100, 80), 30, 100, Matrix(), 6, LineCapFlat, &a));
  EXPECT_FALSE(StrokedArcShape(round, 30, 100, Matrix(), 98, LineCapFlat, &a));  // no hole to speak of
  turned.Reset();
  turned.Rotate(10);
  EXPECT_FALSE(StrokedArcShape(round, 30, 100, turned, 6, LineCapFlat, &a));
}

// A dashed circle is not a ring: CairoGraphics leaves it to Cairo, which leaves the gaps.
TEST(ComputedCoverage, DashedCirclesKeepTheirGaps) {
  const auto dashed = test::PaintVia(
      [](Graphics& g) {
        Pen pen(0xFF000000, 3);
        pen.SetDashStyle(DashStyleDash);
        g.DrawEllipse(pen, RectF(10, 10, 80, 80));
      },
      kW, kH, 0xFFFFFFFF, false, true);
  int gaps = 0;
  for (int a = 0; a < 360; a += 2) {
    const double r = a * std::numbers::pi / 180;
    gaps += dashed->GetPixel(int(50 + 40 * std::cos(r)), int(50 + 40 * std::sin(r))) == 0xFFFFFFFF;
  }
  EXPECT_GT(gaps, 10);
}
