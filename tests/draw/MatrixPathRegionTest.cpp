#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "dialworks/draw/Path.h"
#include "dialworks/draw/Region.h"

using namespace dw::gp;

namespace {
void ExpectPoint(PointF p, float x, float y) {
  EXPECT_NEAR(p.X, x, 1e-4f);
  EXPECT_NEAR(p.Y, y, 1e-4f);
}
}  // namespace

TEST(Matrix, OrderRotationAndInverse) {
  // Prepend (the default) applies the new operation first: translate, then the earlier scale.
  Matrix m;
  m.Scale(2, 3);
  m.Translate(10, 0);
  ExpectPoint(m.TransformPoint({1, 1}), 22, 3);
  // Append applies it last.
  Matrix a;
  a.Scale(2, 3);
  a.Translate(10, 0, MatrixOrderAppend);
  ExpectPoint(a.TransformPoint({1, 1}), 12, 3);

  // Positive angles turn clockwise on screen (y down): +x goes to +y.
  Matrix r;
  r.Rotate(90);
  ExpectPoint(r.TransformPoint({1, 0}), 0, 1);
  Matrix ra;
  ra.RotateAt(180, {5, 5});
  ExpectPoint(ra.TransformPoint({0, 5}), 10, 5);

  // Multiply follows the same order rule.
  Matrix t(1, 0, 0, 1, 5, 0), s(2, 0, 0, 2, 0, 0);
  Matrix ts = t;
  ts.Multiply(s, MatrixOrderAppend);  // translate then scale
  ExpectPoint(ts.TransformPoint({0, 0}), 10, 0);
  Matrix st = t;
  st.Multiply(s);  // scale then translate
  ExpectPoint(st.TransformPoint({0, 0}), 5, 0);

  Matrix inv = m;
  ASSERT_TRUE(inv.Invert());
  ExpectPoint(inv.TransformPoint(m.TransformPoint({7, -4})), 7, -4);

  // Singular and NaN matrices are refused and left as they were.
  Matrix z(0, 0, 0, 0, 1, 1);
  EXPECT_FALSE(z.Invert());
  EXPECT_EQ(z, Matrix(0, 0, 0, 0, 1, 1));
  Matrix n(NAN, 0, 0, 1, 0, 0);
  EXPECT_FALSE(n.IsInvertible());
  Matrix beyond(2e-6f, 0, 0, 2e-6f, 1e33f, 0);  // its inverse's offset is past float
  EXPECT_FALSE(beyond.Invert());
  EXPECT_EQ(beyond, Matrix(2e-6f, 0, 0, 2e-6f, 1e33f, 0));
}

TEST(GraphicsPath, ShapesBoundsAndHitTests) {
  GraphicsPath p;
  p.AddEllipse(RectF(10, 20, 100, 50));
  RectF b = p.GetBounds();
  EXPECT_NEAR(b.X, 10, 1e-3);
  EXPECT_NEAR(b.Right(), 110, 1e-3);
  EXPECT_NEAR(b.Bottom(), 70, 1e-3);
  EXPECT_TRUE(p.IsVisible(60, 45));
  EXPECT_FALSE(p.IsVisible(12, 22));  // inside the bounds, outside the ellipse
  EXPECT_TRUE(p.IsVisible(108, 45));

  // Two nested squares: alternate leaves a hole, winding (same direction) does not.
  PointF outer[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
  PointF inner[] = {{25, 25}, {75, 25}, {75, 75}, {25, 75}};
  GraphicsPath alt(FillModeAlternate), wind(FillModeWinding);
  for (GraphicsPath* q : {&alt, &wind}) {
    q->AddPolygon(outer, 4);
    q->AddPolygon(inner, 4);
  }
  EXPECT_FALSE(alt.IsVisible(50, 50));
  EXPECT_TRUE(wind.IsVisible(50, 50));
  EXPECT_TRUE(alt.IsVisible(10, 50));

  // Arcs use geometric angles, clockwise: 90 degrees is straight down on a wide ellipse too.
  GraphicsPath arc;
  arc.AddArc(RectF(0, 0, 200, 100), 90, 90);
  PointF last;
  ASSERT_TRUE(arc.GetLastPoint(&last));
  ExpectPoint(arc.Points().front(), 100, 100);
  ExpectPoint(last, 0, 50);
  GraphicsPath arc45;
  arc45.AddArc(RectF(0, 0, 200, 100), 0, 45);
  arc45.GetLastPoint(&last);
  EXPECT_NEAR(std::atan2(last.Y - 50, last.X - 100) * 180 / M_PI, 45, 0.01);

  // Transform and flatten keep the shape.
  Matrix m;
  m.Translate(5, 5);
  p.Transform(m);
  EXPECT_TRUE(p.IsVisible(65, 50));
  p.Flatten();
  for (uint8_t t : p.Types()) EXPECT_NE(t & PathPointTypePathTypeMask, PathPointTypeBezier);
  EXPECT_TRUE(p.IsVisible(65, 50));

  // Bad input adds nothing.
  GraphicsPath bad;
  bad.AddEllipse(RectF(0, 0, NAN, 10));
  bad.AddRectangle(RectF(0, 0, -5, 10));
  bad.AddPolygon(outer, 1);
  bad.AddPolygon(nullptr, 4);
  bad.AddLine(PointF(INFINITY, 0), PointF(1, 1));
  bad.AddArc(RectF(0, 0, 10, 10), NAN, 90);
  EXPECT_TRUE(bad.Empty());
  EXPECT_TRUE(bad.GetBounds().IsEmptyArea());
  EXPECT_FALSE(bad.IsVisible(0, 0));
  EXPECT_FALSE(p.IsVisible(NAN, 50));
}

TEST(Region, CombinationsAndPointTests) {
  const Region a(RectF(0, 0, 100, 100)), b(RectF(50, 50, 100, 100));
  // Which of a-only (10, 10), both (75, 75), b-only (140, 140) and neither (140, 10) each keeps.
  struct TCase {
    const char* Name;
    void (Region::*Combine)(const Region&);
    bool AOnly, Both, BOnly;
  };
  for (const TCase& c : {TCase{"union", &Region::Union, true, true, true},
                         TCase{"intersect", &Region::Intersect, false, true, false},
                         TCase{"exclude", &Region::Exclude, true, false, false},
                         TCase{"xor", &Region::Xor, true, false, true},
                         TCase{"complement", &Region::Complement, false, false, true}}) {
    Region r = a;
    (r.*c.Combine)(b);
    EXPECT_EQ(r.IsVisible(10, 10), c.AOnly) << c.Name;
    EXPECT_EQ(r.IsVisible(75, 75), c.Both) << c.Name;
    EXPECT_EQ(r.IsVisible(140, 140), c.BOnly) << c.Name;
    EXPECT_FALSE(r.IsVisible(140, 10)) << c.Name;
  }
  Region u = a;
  u.Union(b);
  EXPECT_EQ(u.GetBounds(), RectF(0, 0, 150, 150));
  Region i = a;
  i.Intersect(b);
  EXPECT_EQ(i.GetBounds(), RectF(50, 50, 50, 50));

  Region el = Region::FromEllipse(RectF(0, 0, 100, 100));
  EXPECT_TRUE(el.IsVisible(50, 50));
  EXPECT_FALSE(el.IsVisible(3, 3));
  Region rr = Region::FromRoundRect(RectF(0, 0, 100, 100), SizeF(40, 40));
  EXPECT_FALSE(rr.IsVisible(2, 2));
  EXPECT_TRUE(rr.IsVisible(50, 2));
  PointF tri[] = {{0, 0}, {100, 0}, {0, 100}};
  Region poly = Region::FromPolygon(tri, 3);
  EXPECT_TRUE(poly.IsVisible(20, 20));
  EXPECT_FALSE(poly.IsVisible(80, 80));

  // Translating moves point tests and bounds together.
  Region t = a;
  t.Translate(200, 0);
  EXPECT_TRUE(t.IsVisible(250, 50));
  EXPECT_FALSE(t.IsVisible(50, 50));
  EXPECT_EQ(t.GetBounds().X, 200);

  Region inf;
  EXPECT_TRUE(inf.IsInfinite());
  EXPECT_TRUE(inf.IsVisible(-1e6f, 1e6f));
  Region empty = a;
  empty.Exclude(Region());
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_FALSE(empty.IsVisible(10, 10));
  Region disjoint = a;
  disjoint.Intersect(RectF(500, 500, 10, 10));
  EXPECT_TRUE(disjoint.IsEmpty());
  EXPECT_TRUE(Region(RectF(0, 0, NAN, 5)).IsEmpty());
}

// Whole rows at once take in exactly the pixels whose centres IsVisible takes in: every fill mode
// and combination, edges through pixel centres, shapes reaching past the grid on every side.
TEST(Region, PixelRowsAgreeWithPointTests) {
  std::vector<std::pair<const char*, Region>> cases;
  cases.emplace_back("half-pixel rectangle", Region(RectF(0.5f, 2.5f, 10.0f, 7.0f)));
  cases.emplace_back("ellipse past the grid", Region::FromEllipse(RectF(-7.3f, -3.1f, 40.6f, 31.9f)));
  cases.emplace_back("round rect", Region::FromRoundRect(RectF(1.25f, 0.75f, 27.5f, 19.0f), SizeF(9.5f, 7.0f)));
  const PointF star[] = {{15, 0}, {24, 26}, {1, 9}, {29, 9}, {6, 26}};
  cases.emplace_back("star, alternate", Region::FromPolygon(star, 5, FillModeAlternate));
  cases.emplace_back("star, winding", Region::FromPolygon(star, 5, FillModeWinding));
  Region ring = Region::FromEllipse(RectF(2, 2, 25, 18));
  ring.Exclude(Region::FromEllipse(RectF(8.5f, 6.5f, 12, 9)));
  ring.Union(RectF(-5, 10.5f, 50, 1.5f));
  cases.emplace_back("ring with a bar", ring);
  Region x = Region::FromEllipse(RectF(0, 0, 20, 20));
  x.Xor(RectF(10, 5, 25, 10));
  x.Intersect(Region::FromRoundRect(RectF(3, 1, 27, 18), SizeF(6, 6)));
  cases.emplace_back("xor, intersected", x);
  cases.emplace_back("infinite", Region());
  Region empty;
  empty.MakeEmpty();
  cases.emplace_back("empty", empty);
  for (const auto& [name, region] : cases) {
    for (const auto& [w, h] : {std::pair(31, 23), std::pair(7, 40)}) {
      std::vector<std::vector<int>> rows;
      region.ForEachPixelRow(w, h, [&](int y, const std::vector<int>& ARuns) {
        EXPECT_EQ(y, int(rows.size()));
        rows.push_back(ARuns);
      });
      ASSERT_EQ(int(rows.size()), h) << name;
      for (int y = 0; y < h; ++y) {
        std::vector<int> expected;
        for (int x = 0; x < w; ++x) {
          const bool inside = region.IsVisible(float(x) + 0.5f, float(y) + 0.5f);
          if (inside && (expected.empty() || expected.back() != x)) {
            expected.push_back(x);
            expected.push_back(x + 1);
          } else if (inside) {
            expected.back() = x + 1;
          }
        }
        EXPECT_EQ(rows[size_t(y)], expected) << name << ", " << w << "x" << h << ", row " << y;
      }
    }
  }
}
