// The segment-indicator base: where each segment of the four layouts lies in its cell (the order
// the mask tables bind), the cell's sizing, slant and degenerate sizes, the glow outline, and the
// drawing of one cell from a mask through the recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/foundation/DWSegmentIndicator.h"

using namespace dw;

namespace {

gp::PointF Centroid(const TDWSegmentPolygon& p) {
  gp::PointF c{0, 0};
  for (int i = 0; i < p.Count; ++i) c = {c.X + p.Points[size_t(i)].X, c.Y + p.Points[size_t(i)].Y};
  return {c.X / float(p.Count), c.Y / float(p.Count)};
}

// Each segment's place as two letters: the band (T top bar, U upper half, M middle, W lower half,
// B bottom bar) and the column (l left edge, a left half, c centre, b right half, r right edge),
// measured on the bounding box of the segments (not the decimal point).
std::vector<std::string> Roles(TDWSegmentsType AType) {
  std::array<TDWSegmentPolygon, 17> shapes;
  const int n = DWSegmentShapes(AType, 40, 60, TDWSegmentStyle{}, shapes);
  float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
  for (int i = 0; i + 1 < n; ++i)
    for (int j = 0; j < shapes[size_t(i)].Count; ++j) {
      const gp::PointF& q = shapes[size_t(i)].Points[size_t(j)];
      x0 = std::min(x0, q.X), x1 = std::max(x1, q.X), y0 = std::min(y0, q.Y), y1 = std::max(y1, q.Y);
    }
  std::vector<std::string> roles;
  for (int i = 0; i + 1 < n; ++i) {
    const gp::PointF c = Centroid(shapes[size_t(i)]);
    const float fx = (c.X - x0) / (x1 - x0), fy = (c.Y - y0) / (y1 - y0);
    const char band = fy < 0.1f ? 'T' : fy < 0.4f ? 'U' : fy < 0.6f ? 'M' : fy < 0.9f ? 'W' : 'B';
    const char col = fx < 0.15f ? 'l' : fx < 0.4f ? 'a' : fx < 0.6f ? 'c' : fx < 0.85f ? 'b' : 'r';
    roles.push_back(std::string{band, col});
  }
  return roles;
}

// Twice the signed area (its sign is the winding).
float Area2(const TDWSegmentPolygon& p) {
  float a = 0;
  for (int i = 0; i < p.Count; ++i) {
    const gp::PointF &u = p.Points[size_t(i)], &v = p.Points[size_t((i + 1) % p.Count)];
    a += u.X * v.Y - v.X * u.Y;
  }
  return a;
}

}  // namespace

TEST(SegmentIndicator, SegmentOrderOfEachLayout) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Roles(st7Segments), (V{"Tc", "Ur", "Wr", "Bc", "Wl", "Ul", "Mc"}));
  EXPECT_EQ(Roles(st9Segments), (V{"Tc", "Ur", "Wr", "Bc", "Wl", "Ul", "Mc", "Ub", "Wa"}));
  EXPECT_EQ(Roles(st14Segments),
            (V{"Tc", "Ur", "Wr", "Bc", "Wl", "Ul", "Ma", "Mb", "Ua", "Uc", "Ub", "Wb", "Wc", "Wa"}));
  EXPECT_EQ(Roles(st16Segments), (V{"Ta", "Tb", "Ur", "Wr", "Bb", "Ba", "Wl", "Ul", "Ma", "Mb", "Ua", "Uc", "Ub",
                                    "Wb", "Wc", "Wa"}));
  EXPECT_EQ(DWDecimalPointBit(st7Segments), 0x80u);
  EXPECT_EQ(DWDecimalPointBit(st9Segments), 0x200u);
  EXPECT_EQ(DWDecimalPointBit(st14Segments), 0x4000u);
  EXPECT_EQ(DWDecimalPointBit(st16Segments), 0x10000u);
}

TEST(SegmentIndicator, ShapesFitTheCellSlantAndDegenerateSizes) {
  for (TDWSegmentsType type : {st7Segments, st9Segments, st14Segments, st16Segments})
    for (float slant : {0.0f, 0.2f, -0.2f})
      for (auto [w, h] : {std::pair{40.0f, 60.0f}, {12.0f, 90.0f}, {90.0f, 12.0f}, {3.0f, 3.0f}}) {
        std::array<TDWSegmentPolygon, 17> shapes;
        const int n = DWSegmentShapes(type, w, h, {0.12f, 0.02f, slant}, shapes);
        ASSERT_EQ(n, DWSegmentCount(type) + 1) << w << "x" << h;
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < shapes[size_t(i)].Count; ++j) {
            const gp::PointF& q = shapes[size_t(i)].Points[size_t(j)];
            EXPECT_TRUE(q.X >= 0 && q.X <= w && q.Y >= 0 && q.Y <= h) << type << " " << i << " " << w << "x" << h;
          }
      }
  std::array<TDWSegmentPolygon, 17> upright, italic;
  DWSegmentShapes(st7Segments, 40, 60, {0.12f, 0.02f, 0}, upright);
  DWSegmentShapes(st7Segments, 40, 60, {0.12f, 0.02f, 0.2f}, italic);
  // A slant leans the digit: the top bar lies right of the bottom bar (upright: above it).
  EXPECT_FLOAT_EQ(Centroid(upright[0]).X, Centroid(upright[3]).X);
  EXPECT_GT(Centroid(italic[0]).X - Centroid(italic[3]).X, 0.2f * 40);
  // Too small or not finite: no shapes.
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  for (auto [w, h] : {std::pair{1.0f, 60.0f}, {40.0f, 0.0f}, {nan, 10.0f}, {10.0f, inf}, {-5.0f, 10.0f}})
    EXPECT_EQ(DWSegmentShapes(st16Segments, w, h, {}, upright), 0);
}

// A bar shortened past its length came back turned inside out, the larger the larger the gap.
TEST(SegmentIndicator, LargerGapsNeverDrawLargerSegments) {
  for (TDWSegmentsType type : {st7Segments, st14Segments, st16Segments}) {
    std::array<TDWSegmentPolygon, 17> wide, narrow;
    const int n = DWSegmentShapes(type, 40, 80, {0.12f, 0, 0}, wide);
    for (float gap : {0.05f, 0.1f, 0.13f, 0.15f, 0.2f}) {
      ASSERT_EQ(DWSegmentShapes(type, 40, 80, {0.12f, gap, 0}, narrow), n);
      for (int i = 0; i < n; ++i) {
        const float was = Area2(wide[size_t(i)]), now = Area2(narrow[size_t(i)]);
        EXPECT_TRUE(narrow[size_t(i)].Count == 0 || (now * was >= 0 && std::fabs(now) <= std::fabs(was) + 1e-3f))
            << type << " segment " << i << " gap " << gap;
      }
      wide = narrow;
    }
  }
}

// The glow width is the bar thickness the shapes use, also where the cell's width limits it.
TEST(SegmentIndicator, ThicknessIsTheBarThicknessOfTheShapes) {
  for (float width : {0.12f, 0.3f, 0.5f})
    for (auto [w, h] : {std::pair{40.0f, 80.0f}, {20.0f, 200.0f}, {80.0f, 40.0f}})
      for (float slant : {0.0f, 0.3f}) {
        TDWSegmentCell cell;
        cell.Style = {width, 0.02f, slant};
        cell.Init(w, h);
        const TDWSegmentPolygon& top = cell.Shape(0);
        float y0 = h, y1 = 0;
        for (int j = 0; j < top.Count; ++j)
          y0 = std::min(y0, top.Points[size_t(j)].Y), y1 = std::max(y1, top.Points[size_t(j)].Y);
        EXPECT_NEAR(cell.Thickness(), y1 - y0, 1e-4f) << width << " " << w << "x" << h << " " << slant;
      }
}

TEST(SegmentIndicator, GlowOutlineGrowsOutwardsEitherWinding) {
  const std::vector<gp::PointF> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  for (bool reversed : {false, true}) {
    std::vector<gp::PointF> pts = square;
    if (reversed) std::reverse(pts.begin(), pts.end());
    const std::vector<gp::PointF> out = DWExpandPath(pts.data(), 4, 2);
    ASSERT_EQ(out.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_NEAR(out[i].X, pts[i].X == 0 ? -2 : 12, 1e-4);
      EXPECT_NEAR(out[i].Y, pts[i].Y == 0 ? -2 : 12, 1e-4);
    }
  }
  // A sharp point is cut at the mitre limit (twice the width from the corner).
  const std::vector<gp::PointF> spike{{0, 0}, {100, 5}, {0, 10}};
  const std::vector<gp::PointF> out = DWExpandPath(spike.data(), 3, 1);
  EXPECT_LE(std::hypot(out[1].X - 100, out[1].Y - 5), 2.0001f);
  EXPECT_GT(out[1].X, 100);
  // Degenerate input is copied.
  EXPECT_EQ(DWExpandPath(spike.data(), 2, 1).size(), 2u);
  EXPECT_TRUE(DWExpandPath(nullptr, 3, 1).empty());
}

TEST(SegmentIndicator, DrawDigitPaintsUnlitAllAndLitTheMask) {
  TDWSegmentCell cell;
  cell.Init(40, 60);
  ASSERT_EQ(cell.ShapeCount(), 8);
  gp::RecordingGraphics g;
  cell.DrawDigit(g, 0, 0, TDWSegmentPass::Unlit);
  EXPECT_EQ(g.Find("FillPolygon").size(), 8u);  // seven segments and the point
  EXPECT_EQ(g.Drawing().front()->Color, DWDimColor(TDWSegmentCell::DefaultSegmentColor, 0.22f));
  g.ClearCalls();
  cell.DrawDigit(g, 0x7F, 0, TDWSegmentPass::Lit);  // "8": all seven, no point
  EXPECT_EQ(g.Find("FillPolygon").size(), 7u);
  g.ClearCalls();
  cell.DrawDigit(g, 0x86, 0, TDWSegmentPass::Lit);  // "1." : two segments and the point
  auto calls = g.Find("FillPolygon");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2]->Points.size(), 8u);  // the point is the octagon
  // Glow: the halos of all lit segments first, then the segments.
  cell.Glow = true;
  cell.Init(40, 60);
  g.ClearCalls();
  cell.DrawDigit(g, 0x06, 0, TDWSegmentPass::Lit);
  calls = g.Find("FillPolygon");
  ASSERT_EQ(calls.size(), 4u);
  auto xspan = [](const std::vector<gp::PointF>& APoints) {
    auto [lo, hi] = std::minmax_element(APoints.begin(), APoints.end(),
                                        [](const gp::PointF& a, const gp::PointF& b) { return a.X < b.X; });
    return std::pair{lo->X, hi->X};
  };
  const std::vector<gp::PointF> seg1(cell.Shape(1).Points.begin(), cell.Shape(1).Points.begin() + 6);
  EXPECT_LT(xspan(calls[0]->Points).first, xspan(seg1).first - 1);  // the halo of segment 1 is wider
  EXPECT_GT(xspan(calls[0]->Points).second, xspan(seg1).second + 1);
  EXPECT_EQ(calls[2]->Points, seg1);  // then segment 1 itself
  // A custom colour paints the lit segments solid.
  g.ClearCalls();
  cell.DrawDigit(g, 0x01, 0xFF00FF00, TDWSegmentPass::Lit);
  calls = g.Find("FillPolygon");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]->Color, 0xFF00FF00u);
  // An explicit unlit colour replaces the dimmed one; a transparent one paints nothing.
  cell.InactiveAutoDim = false;
  cell.InactiveColor = 0;
  cell.Init(40, 60);
  g.ClearCalls();
  cell.DrawDigit(g, 0, 0, TDWSegmentPass::Unlit);
  EXPECT_TRUE(g.Find("FillPolygon").empty());
  // A cell too small for shapes draws nothing.
  cell.Init(1, 1);
  cell.DrawDigit(g, 0xFF, 0, TDWSegmentPass::Lit);
  EXPECT_TRUE(g.Find("FillPolygon").empty());
}

TEST(SegmentIndicator, DimColourKeepsAlpha) {
  EXPECT_EQ(DWDimColor(0x80FF6400, 0.5f), 0x80803200u);
  EXPECT_EQ(DWDimColor(0xFFFFFFFF, std::numeric_limits<float>::quiet_NaN()), 0xFF000000u);
}
