// The segment gauge: digit masks, value to masks, digit count, sign cell, painted cells, layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/segment/DWSegmentGauge.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr TDWSegmentsType kTypes[] = {st7Segments, st9Segments, st14Segments, st16Segments};

// The digit masks as published for the four layouts (digits 0..F, point, overflow).
constexpr uint32_t kTable[4][18] = {
    {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71, 0x80, 0x40},
    {0x1BF, 0x86, 0x5B, 0xCD, 0x66, 0x6D, 0x7D, 0x181, 0x7F, 0x6F, 0x77, 0xFD, 0x39, 0x5E, 0x79, 0x71, 0x200, 0x40},
    {0x243F, 0x406, 0xDB, 0xCF, 0xE6, 0x869, 0xFD, 0x07, 0xFF, 0xEF, 0xF7, 0x128F, 0x39, 0x120F, 0x79, 0x71, 0x4000,
     0xC0},
    {0x90FF, 0x100C, 0x377, 0x33F, 0x38C, 0x21B3, 0x3FB, 0x0F, 0x3FF, 0x3BF, 0x3CF, 0x4A3F, 0xF3, 0x483F, 0x1F3, 0x1C3,
     0x10000, 0x300},
};

// The reading as text, left to right: a digit (0-9, A-F), ' ' for a blank cell, '-' for the
// overflow symbol, '.' after a cell whose point is lit, '?' for a mask that is no digit.
std::string Text(const TDWSegmentReading& R, TDWSegmentsType AType) {
  const uint32_t point = DWDecimalPointBit(AType);
  std::string s;
  for (int i = R.Cells - 1; i >= 0; --i) {
    const uint32_t m = R.Masks[size_t(i)];
    const uint32_t body = m & ~point;
    char c = '?';
    if (body == 0) c = ' ';
    else if (body == DWSegmentOverflowMask(AType)) c = '-';
    else
      for (unsigned d = 0; d < 16; ++d)
        if (DWSegmentDigitMask(AType, d) == body) c = "0123456789ABCDEF"[d];
    s += c;
    if (m & point) s += '.';
  }
  return s;
}

std::string Read(double AValue, int ACells, bool AFixed = true, int ADecimals = 2, bool ALeading = false,
                 unsigned ABase = 10, TDWSegmentsType AType = st7Segments) {
  TDWSegmentReading R;
  DWSegmentGaugeReading(AValue, ACells, ABase, AFixed, ADecimals, ALeading, AType, R);
  return Text(R, AType);
}

// The masks the painted frame lights, cell by cell from the right: every lit polygon of the frame
// (layer 0, the face is layer 1) matched against the cell shapes moved to their cells.
std::vector<uint32_t> PaintedMasks(TDWBasicSegmentGauge& G) {
  gp::RecordingGraphics g;
  G.Paint(g);
  const int n = G.NumberDigitsInUse();
  const float w = G.DigitWidth(), W = float(G.Width());
  std::vector<uint32_t> masks(size_t(n), 0);
  for (const gp::DrawCall* c : g.Find("FillPolygon")) {
    if (c->Layer != 0) continue;
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < G.Cell().ShapeCount(); ++k) {
        const TDWSegmentPolygon& s = G.Cell().Shape(k);
        if (int(c->Points.size()) != s.Count) continue;
        bool same = true;
        for (int j = 0; j < s.Count && same; ++j)
          same = std::fabs(c->Points[size_t(j)].X - (s.Points[size_t(j)].X + W - 1 - float(i + 1) * w)) < 1e-3f &&
                 std::fabs(c->Points[size_t(j)].Y - s.Points[size_t(j)].Y) < 1e-3f;
        if (same) masks[size_t(i)] |= 1u << k;
      }
  }
  return masks;
}

}  // namespace

// Which segment each bit lights: SegmentIndicatorTest (the segment order of each layout).
TEST(SegmentGauge, DigitMasksEqualTheTable) {
  for (size_t t = 0; t < 4; ++t) {
    const TDWSegmentsType type = kTypes[t];
    for (unsigned d = 0; d < 16; ++d) EXPECT_EQ(DWSegmentDigitMask(type, d), kTable[t][d]) << t << " " << d;
    EXPECT_EQ(DWDecimalPointBit(type), kTable[t][16]);
    EXPECT_EQ(DWSegmentOverflowMask(type), kTable[t][17]);
    EXPECT_EQ(DWSegmentDigitMask(type, 16), 0u);
  }

  // Every digit of every layout through a one-cell base-16 reading: the table mask with the point.
  for (size_t t = 0; t < 4; ++t)
    for (unsigned d = 0; d < 16; ++d) {
      TDWSegmentReading R;
      DWSegmentGaugeReading(double(d), 1, 16, true, 0, false, kTypes[t], R);
      EXPECT_EQ(R.Masks[0], kTable[t][d] | kTable[t][16]) << t << " " << d;
    }
}

TEST(SegmentGauge, ValueToMasksFixedDecimalsLeadingZerosAndBases) {
  EXPECT_EQ(Read(3.14159, 4), " 3.14");
  EXPECT_EQ(Read(-7.5, 4), " 7.50");  // the sign is the sign cell's
  EXPECT_EQ(Read(0, 4), " 0.00");     // the units zero is never blanked
  EXPECT_EQ(Read(3.14, 4, true, 2, true), "03.14");
  EXPECT_EQ(Read(255, 4, true, 0, false, 16), "  FF.");
  EXPECT_EQ(Read(255, 4, true, 0, true, 16), "00FF.");
  EXPECT_EQ(Read(9999, 4, true, 0), "9999.");
  EXPECT_EQ(Read(10000, 4, true, 0), "----");
  EXPECT_EQ(Read(5, 8, true, 0, false, 2), "     101.");
  // Rounding is to nearest with halves to even.
  EXPECT_EQ(Read(2.5, 2, true, 0), " 2.");
  EXPECT_EQ(Read(3.5, 2, true, 0), " 4.");
  EXPECT_EQ(Read(0.125, 4, true, 2), " 0.12");
  EXPECT_EQ(Read(0.135, 4, true, 2), " 0.14");
  // Fixed decimals that round up into a digit more than the cells hold overflow.
  EXPECT_EQ(Read(99.999, 4, true, 2), "----");
  // Issue: decimals not fewer than the cells left no units digit (0.05 on three cells read "500").
  EXPECT_EQ(Read(0.05, 3, true, 4), "0.05");
  EXPECT_EQ(Read(0.05, 3, true, 3), "0.05");
  EXPECT_EQ(Read(0, 3, true, 4), "0.00");
  EXPECT_EQ(Read(9.994, 3, true, 4), "9.99");
  EXPECT_EQ(Read(9.996, 3, true, 4), "---");  // rounds up into a digit more
  EXPECT_EQ(Read(42, 3, true, 4), "---");
  EXPECT_EQ(Read(0.7, 1, true, 2), "1.");
  // Digit characters for the custom-symbol check: the first character of the decimal number.
  TDWSegmentReading R;
  DWSegmentGaugeReading(0xB7, 2, 16, true, 0, false, st16Segments, R);
  EXPECT_EQ(R.Chars[0], '7');
  EXPECT_EQ(R.Chars[1], '1');  // 11
}

TEST(SegmentGauge, FreePrecisionAndOverflow) {
  EXPECT_EQ(Read(3.14159, 6, false), "3.14159");
  EXPECT_EQ(Read(-42.125, 5, false), "42.125");
  EXPECT_EQ(Read(0, 3, false), "0.00");
  // Issue: values below 1/Base lost their decimal point (0.05 on three cells read "050").
  EXPECT_EQ(Read(0.05, 3, false), "0.05");
  EXPECT_EQ(Read(0.0004, 3, false), "0.00");
  EXPECT_EQ(Read(0.0625, 3, false, 0, false, 16), "0.10");  // 1/16 in base 16
  // Issue: a rounding that carries into a new digit showed the overflow symbol (9.99999 on four).
  EXPECT_EQ(Read(9.99999, 4, false), "10.00");
  EXPECT_EQ(Read(99.9999, 4, false), "100.0");
  EXPECT_EQ(Read(9999.7, 4, false), "----");  // no decimal left to give up
  // Issue: more integer digits than cells showed the leading digits scaled down (12345 as 1234).
  EXPECT_EQ(Read(12345, 4, false), "----");
  EXPECT_EQ(Read(1234, 4, false), "1234.");
  // Issue: the scaled number was held in 32 bits; larger values are shown whole.
  EXPECT_EQ(Read(12345678901.0, 12, true, 0), " 12345678901.");
  EXPECT_EQ(Read(5e9, 12, true, 1), " 5000000000.0");
  // Not finite or beyond every cell count: the overflow symbol, never an integer conversion.
  for (double v : {kNaN, kInf, -kInf, 1e300, -1e300, 1e31})
    for (bool fixed : {true, false}) EXPECT_EQ(Read(v, 3, fixed, 15), "---") << v;
  EXPECT_EQ(Read(1e300, 30, true, 15), std::string(30, '-'));
  // Cells and bases outside their limits are brought to the nearer limit.
  EXPECT_EQ(Read(7, 0, true, 0), "7.");
  EXPECT_EQ(Read(7, 99, true, 0).size(), 31u);
  EXPECT_EQ(Read(2, 4, true, 0, false, 1), "  10.");     // base 2
  EXPECT_EQ(Read(31, 4, true, 0, false, 40), "  1F.");   // base 16
}

TEST(SegmentGauge, DigitCountIsExactAndLimited) {
  // Issue: at exact powers of the base the count depended on the logarithm's rounding.
  const struct {
    double Value;
    unsigned Base;
    int Digits;
  } counts[] = {{999, 10, 3},  {1000, 10, 4}, {1e15, 10, 16}, {std::nextafter(1e15, 0), 10, 15}, {4096, 16, 4},
                {4095, 16, 3}, {1u << 20, 2, 21}, {0.5, 10, 1}, {0, 10, 1}, {-1000, 10, 4},
                {1e300, 10, kDWMaxSegmentDigits + 1}, {kNaN, 10, kDWMaxSegmentDigits + 1}};
  for (const auto& c : counts) EXPECT_EQ(DWSegmentDigitCount(c.Value, c.Base), c.Digits) << c.Value << " " << c.Base;

  TScopedHost host;
  TDWSegmentGauge G;
  G.SetMin(-50);
  G.SetMax(50);
  EXPECT_EQ(G.DigitCountFor(), 4);  // 2 integer digits + 2 decimals
  G.SetMax(0);
  G.SetMin(0);
  EXPECT_EQ(G.DigitCountFor(), 3);
  G.SetMax(1000);
  EXPECT_EQ(G.DigitCountFor(), 6);
  G.Precision().SetFixedPrecision(false);
  EXPECT_EQ(G.DigitCountFor(), 4);
  // Issue: automatic counts kept no limit; huge ranges and Min > Max stay within 1..30.
  G.Precision().SetFixedPrecision(true);
  G.SetMin(1e300);
  G.SetMax(-1e300);
  EXPECT_EQ(G.DigitCountFor(), kDWMaxSegmentDigits);
}

TEST(SegmentGauge, SignGeometryWithAndWithoutPlus) {
  TScopedHost host;
  TDWSegmentGauge G;
  // Digit width 20, height 41: h = 40, m = 20, L = 12, len = 8, t = 3.
  TDWSignGeometry S = DWSignGeometry(G.Sign(), 20, 41);
  EXPECT_FLOAT_EQ(S.Thickness, 3);
  const std::array<gp::PointF, 4> minus{{{2, 18.5f}, {10, 18.5f}, {10, 21.5f}, {2, 21.5f}}};
  EXPECT_EQ(S.Minus, minus);
  G.Sign().SetShowPlus(true);
  S = DWSignGeometry(G.Sign(), 20, 41);
  // sep = 12: the minus drops by 6, the plus bar's top is at (40 - 3 - 12) / 2 = 12.5; a = 2.5.
  const std::array<gp::PointF, 4> lower{{{2, 24.5f}, {10, 24.5f}, {10, 27.5f}, {2, 27.5f}}};
  EXPECT_EQ(S.Minus, lower);
  const std::array<gp::PointF, 12> plus{{{2, 12.5f}, {4.5f, 12.5f}, {4.5f, 10}, {7.5f, 10}, {7.5f, 12.5f},
                                         {10, 12.5f}, {10, 15.5f}, {7.5f, 15.5f}, {7.5f, 18}, {4.5f, 18},
                                         {4.5f, 15.5f}, {2, 15.5f}}};
  EXPECT_EQ(S.Plus, plus);
  // Offsets shift within the cell; tiny or zero sizes keep a 0.0001 bar.
  G.Sign().Offsets().X().SetValue(0.5f);
  G.Sign().Length().SetValue(0);
  G.Sign().Width().SetValue(-1);
  S = DWSignGeometry(G.Sign(), 20, 41);
  EXPECT_FLOAT_EQ(S.Thickness, 0.0001f);
  EXPECT_NEAR(S.Minus[1].X - S.Minus[0].X, 0.0001f, 1e-6f);
  EXPECT_NEAR(S.Minus[0].X, 6 + 6, 1e-3f);  // 0.5 x L + (L - len) / 2
}

TEST(SegmentGauge, PaintedCellsAndSignFollowTheValue) {
  TScopedHost host;
  TDWSegmentGauge G;
  G.SetBounds(0, 0, 120, 40);
  G.SetMin(-50);
  G.SetMax(50);
  G.SetValue(3.14159);
  auto masks = PaintedMasks(G);
  ASSERT_EQ(masks.size(), 4u);
  EXPECT_EQ(masks, (std::vector<uint32_t>{0x66, 0x06, 0x4F | 0x80, 0}));  // 4, 1, 3., blank (from the right)

  auto lit = [&](size_t APoints) {
    gp::RecordingGraphics g;
    G.Paint(g);
    int n = 0;
    for (const gp::DrawCall* c : g.Find("FillPolygon"))
      if (c->Layer == 0 && c->Points.size() == APoints && c->Brush.find("PathGradient") != std::string::npos) ++n;
    return n;
  };
  EXPECT_EQ(lit(4), 0);  // the minus is unlit for positive values
  G.SetValue(-7.5);
  EXPECT_EQ(PaintedMasks(G), (std::vector<uint32_t>{0x3F, 0x6D, 0x07 | 0x80, 0}));
  EXPECT_EQ(lit(4), 1);
  G.Sign().SetShowPlus(true);
  EXPECT_EQ(lit(12), 0);
  G.SetValue(5);
  EXPECT_EQ(lit(12), 1);
  EXPECT_EQ(lit(4), 0);
  G.SetValue(0);
  EXPECT_EQ(lit(12) + lit(4), 0);
  // The value is limited to the range, so a negative value never lights the minus of a 0..50 gauge.
  G.SetMin(0);
  G.SetValue(-7.5);
  EXPECT_EQ(G.Value(), 0);
  EXPECT_EQ(lit(4), 0);

  // The custom-symbol hook may replace a cell.
  G.SetOnCustomSymbol([](int ACell, int, char32_t, uint32_t& AMask, TAlphaColor&) {
    if (ACell == 0) AMask = 0x01;
  });
  EXPECT_EQ(PaintedMasks(G)[0], 0x01u);
}

TEST(SegmentGauge, LayoutCacheAndBadInput) {
  TScopedHost host;
  TDWSegmentGauge G;
  G.SetBounds(0, 0, 108, 40);
  gp::RecordingGraphics g;
  G.Paint(g);
  EXPECT_TRUE(G.LayoutValid());
  EXPECT_NEAR(G.DigitWidth(), 107 / 5.6f, 1e-4f);  // 5 cells (3 + 2 decimals) and a 0.6 sign
  G.SetValue(7);
  EXPECT_TRUE(G.LayoutValid());  // a value change keeps the layout
  G.SetSegmentsType(st14Segments);
  EXPECT_FALSE(G.LayoutValid());
  G.Paint(g);
  G.SetBounds(0, 0, 200, 40);
  EXPECT_FALSE(G.LayoutValid());
  G.Paint(g);
  G.Sign().Size().SetValue(1);
  EXPECT_FALSE(G.LayoutValid());
  G.Paint(g);
  EXPECT_NEAR(G.DigitWidth(), 199 / 6.0f, 1e-4f);

  // Sizes from nothing to huge, hostile sign sizes, every layout: no crash, nothing outside.
  for (TDWSegmentsType type : kTypes)
    for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {3, 2}, {2, 300}, {600, 3}, {4000, 4000}}) {
      TDWSegmentGauge H;
      H.SetSegmentsType(type);
      H.SetBounds(0, 0, w, h);
      H.Sign().Size().SetValue(-3);
      H.SetMin(-1e300);
      H.SetMax(1e300);
      H.SetValue(-1e299);
      H.SetSegmentsType(TDWSegmentsType(200));
      EXPECT_EQ(H.SegmentsType(), st16Segments);
      gp::Bitmap b(std::max(w, 1), std::max(h, 1));
      gp::CairoGraphics cg(b);
      H.Paint(cg);
    }
  G.SetValue(kNaN);  // refused
  EXPECT_EQ(G.Value(), 7);

  // Issue: an element far larger than its host (Size 1e6) shaded segments millions of pixels
  // long and took seconds: cells outside the host are skipped, huge cells are lit plainly.
  TDWSegmentGauge Host;
  Host.SetBounds(0, 0, 200, 60);
  auto& e = Host.Elements().Add<TDWSegmentGaugeElement>();
  e.Size().Width().SetValue(1e6f);
  e.Size().Height().SetValue(1e6f);
  Host.SetValue(88.88);
  gp::RecordingGraphics big(nullptr, {200, 60});
  Host.Paint(big);
  size_t gradients = 0, fills = 0;
  for (const gp::DrawCall* c : big.Find("FillPolygon"))
    if (c->Layer == 0) ++fills, gradients += c->Brush.find("PathGradient") != std::string::npos;
  EXPECT_LE(gradients, 30u);  // the host's own lit segments only
  EXPECT_LE(fills, 60u);
}

