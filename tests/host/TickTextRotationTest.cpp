#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dialworks/host/Rotation.h"
#include "dialworks/host/TickText.h"

using namespace dw;

TEST(TickText, Table) {
  struct {
    double value, upper, lower;
    bool fixed;
    unsigned digits;
    const char* text;
  } table[] = {
      // 0..100 with 2 digits: whole numbers.
      {0, 100, 0, false, 2, "0"},
      {10, 100, 0, false, 2, "10"},
      {100, 100, 0, false, 2, "100"},
      {16.666666, 100, 0, false, 2, "17"},  // not exact within two more decimals: rounded
      {12.5, 100, 0, false, 2, "12.5"},     // exact with one more decimal
      // 0..1: one decimal; values accumulated in single precision read as meant.
      {0, 1, 0, false, 2, "0"},
      {0.1, 1, 0, false, 2, "0.1"},
      {double(0.3f), 1, 0, false, 2, "0.3"},
      {double(0.1f + 0.1f + 0.1f + 0.1f + 0.1f + 0.1f + 0.1f), 1, 0, false, 2, "0.7"},
      {1, 1, 0, false, 2, "1"},
      // 0..10 in steps of 2.5.
      {2.5, 10, 0, false, 2, "2.5"},
      {7.5, 10, 0, false, 2, "7.5"},
      // Minor labels: span = one interval.
      {2.5, 2.5, 0, false, 2, "2.5"},
      {0.05, 0.1, 0, false, 2, "0.05"},
      // Fixed precision: exactly that many decimals.
      {10, 100, 0, true, 2, "10.00"},
      {0, 100, 0, true, 0, "0"},
      {2.345, 10, 0, true, 1, "2.3"},
      {-0.001, 1, -1, true, 2, "0.00"},  // never "-0"
      // Negative ranges.
      {-50, 0, -100, false, 2, "-50"},
      {-0.5, 1, -1, false, 2, "-0.5"},
      {-1e-12, 1, -1, false, 2, "0"},
      {-0.0, 100, 0, false, 2, "0"},
      // Tiny and huge spans.
      {0.0000012, 0.000002, 0, false, 2, "0.0000012"},
      {0.000001, 0.00001, 0, false, 2, "0.000001"},
      {1e9, 1e9, 0, false, 2, "1000000000"},
      {2.5e8, 1e9, 0, false, 2, "250000000"},
      {123456789, 1e9, 0, false, 2, "123456789"},
      // Zero span: the value's magnitude stands in.
      {5, 5, 5, false, 2, "5"},
      {0, 0, 0, false, 2, "0"},
      // Clock numerals: value i·12/N, step 12/N, one digit.
      {3, 3, 0, false, 1, "3"},
      {12, 1, 0, false, 1, "12"},
  };
  for (auto& t : table)
    EXPECT_EQ(MZGetScaleTickText(t.value, t.upper, t.lower, t.fixed, t.digits), t.text)
        << t.value << " [" << t.lower << ", " << t.upper << "] fixed " << t.fixed << " digits "
        << t.digits;

  EXPECT_EQ(MZGetScaleTickText(1234567, 1e7, 0, false, 2, true), "1.2e+06");
  EXPECT_EQ(MZGetScaleTickText(std::nan(""), 1, 0, false, 2), "");
  EXPECT_EQ(MZGetScaleTickText(std::numeric_limits<double>::infinity(), 1, 0, false, 2), "");
  EXPECT_EQ(MZGetScaleTickText(1, std::nan(""), 0, false, 2), "1");
  EXPECT_EQ(MZGetScaleTickText(0.5, 1, 0, true, 4000000000u), "0.500000000000000");
  EXPECT_FALSE(MZGetScaleTickText(1e300, 1e300, 0, false, 2).empty());
}

namespace {

void ExpectNear(gp::PointF a, gp::PointF b, float eps = 1e-3f) {
  EXPECT_NEAR(a.X, b.X, eps);
  EXPECT_NEAR(a.Y, b.Y, eps);
}

}  // namespace

TEST(Rotation, QuarterTurnsFillTheControlExactly) {
  TDWRotation r;
  auto p = RXCalcTransformParams(r, 200, 50);
  EXPECT_EQ(p.Width, 200);
  EXPECT_EQ(p.Height, 50);
  EXPECT_FALSE(p.Turned);
  EXPECT_TRUE(p.Matrix.IsIdentity());

  r.SetAngle(90);  // counter-clockwise: the frame's top edge goes to the control's left
  p = RXCalcTransformBackParams(r, 200, 50);
  EXPECT_TRUE(p.Turned);
  EXPECT_EQ(p.Width, 50);
  EXPECT_EQ(p.Height, 200);
  EXPECT_EQ(p.Matrix.TransformPoint({0, 0}), gp::PointF(0, 50));
  EXPECT_EQ(p.Matrix.TransformPoint({50, 0}), gp::PointF(0, 0));
  EXPECT_EQ(p.Matrix.TransformPoint({50, 200}), gp::PointF(200, 0));
  // The vertical axis of the frame becomes the horizontal axis of the control.
  EXPECT_EQ(p.BackMatrix.TransformPoint({150, 20}), gp::PointF(30, 150));

  r.SetAngle(-90.005f);  // within 0.01 of 270
  p = RXCalcTransformParams(r, 200, 50);
  EXPECT_TRUE(p.Turned);
  EXPECT_EQ(p.Matrix.TransformPoint({0, 0}), gp::PointF(200, 0));
  r.SetAngle(540);
  p = RXCalcTransformParams(r, 200, 50);
  EXPECT_FALSE(p.Turned);
  EXPECT_EQ(p.Matrix.TransformPoint({0, 0}), gp::PointF(200, 50));
}

TEST(Rotation, PointsMapAndMapBackAtAnyAngle) {
  TDWRotation r;
  for (float angle : {0.f, 30.f, 45.f, 90.f, 135.f, 200.f, 270.f, 333.f, -45.f, 1000.f}) {
    r.SetAngle(angle);
    const float W = 300, H = 120;
    const auto p = RXCalcTransformParams(r, W, H);
    ASSERT_GT(p.Width, 0);
    ASSERT_GT(p.Height, 0);
    // Every corner of the turned frame lies inside the control.
    for (gp::PointF c : {gp::PointF(0, 0), gp::PointF(p.Width, 0), gp::PointF(0, p.Height),
                         gp::PointF(p.Width, p.Height)}) {
      const gp::PointF q = p.Matrix.TransformPoint(c);
      EXPECT_GE(q.X, -1e-3f) << angle;
      EXPECT_LE(q.X, W + 1e-3f) << angle;
      EXPECT_GE(q.Y, -1e-3f) << angle;
      EXPECT_LE(q.Y, H + 1e-3f) << angle;
      ExpectNear(p.BackMatrix.TransformPoint(q), c);
    }
    // The frame centre sits at the control centre; a frame point maps back to itself.
    ExpectNear(p.Matrix.TransformPoint({p.Width / 2, p.Height / 2}), {W / 2, H / 2});
    ExpectNear(p.BackMatrix.TransformPoint(p.Matrix.TransformPoint({12.5f, 7.25f})), {12.5f, 7.25f});
  }
  // 45°: thickness is 0.25·H and the frame is the longest that fits (one bounding-box side touches).
  r.SetAngle(45);
  const auto p = RXCalcTransformParams(r, 300, 120);
  EXPECT_FLOAT_EQ(p.Height, 30);
  EXPECT_NEAR(p.Width, (120 - 30 * std::sqrt(0.5)) / std::sqrt(0.5), 1e-3);
  // Counter-clockwise: the frame's +x direction points up and right on screen.
  const gp::PointF dir = p.Matrix.TransformVector({1, 0});
  EXPECT_GT(dir.X, 0);
  EXPECT_LT(dir.Y, 0);
}

TEST(Rotation, PropertiesAndBadInput) {
  int changes = 0;
  TDWRotation r([&] { ++changes; });
  r.SetAngle(30);
  r.SetAngle(30);
  r.SetAngle(std::nanf(""));
  r.SetAngle(std::numeric_limits<float>::infinity());
  EXPECT_EQ(r.Angle(), 30);
  EXPECT_EQ(changes, 1);
  r.SetThickness(5);
  EXPECT_EQ(r.Thickness(), 1);
  r.SetThickness(-1);
  EXPECT_EQ(r.Thickness(), 0.01f);
  r.SetThickness(std::nanf(""));
  EXPECT_EQ(r.Thickness(), 0.01f);
  EXPECT_EQ(changes, 3);
  TDWRotation copy;
  copy.Assign(r);
  EXPECT_EQ(copy, r);
  r.Assign(copy);  // equal: no notification
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(r.QuarterTurns(), -1);
  r.SetAngle(-630);
  EXPECT_EQ(r.QuarterTurns(), 1);

  // Degenerate control sizes give an empty frame, never NaN.
  for (float w : {0.f, -5.f, std::nanf("")}) {
    const auto p = RXCalcTransformParams(r, w, 50);
    EXPECT_EQ(p.Width, 0);
    EXPECT_TRUE(p.Matrix.IsIdentity());
  }
  // A frame too thick to fit at an odd angle keeps a minimal length.
  r.SetAngle(45);
  r.SetThickness(1);
  const auto p = RXCalcTransformParams(r, 10, 200);
  EXPECT_GE(p.Width, 1);
  EXPECT_TRUE(p.Matrix.IsFinite());
}
