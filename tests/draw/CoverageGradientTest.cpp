// Gradient fills of paths are shaded from a coverage mask by our own code when the target allows
// it; they must paint what Cairo paints. The reference draws the same fill on a Cairo subsurface of
// the bitmap, whose pixels are not ours to write, which sends it through Cairo. Rounded rectangles
// take Cairo's coverage, so whole fills must match; ellipses have computed coverage (tested on its
// own), so only the pixels both cover wholly must match there.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

#include "DrawTestUtil.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/ComputedCoverage.h"
#include "dialworks/draw/Pixels.h"
#include "dialworks/draw/PixelsAvx2.h"

using namespace dw;
using namespace dw::gp;

namespace {

constexpr int kW = 160, kH = 120;
constexpr TAlphaColor kBackground = 0x80336699;

// The background as a bitmap reads it back (premultiplied and back).
TAlphaColor Background() {
  Bitmap b(1, 1);
  b.Clear(kBackground);
  return b.GetPixel(0, 0);
}

// Draws on a bitmap with a translucent background; AThroughCairo draws through a subsurface.
std::unique_ptr<Bitmap> Paint(const std::function<void(Graphics&)>& ADraw, bool AThroughCairo,
                              const RectF* AClip = nullptr) {
  return dw::test::PaintVia(
      [&](Graphics& g) {
        if (AClip) g.SetClip(*AClip, CombineModeIntersect);
        ADraw(g);
      },
      kW, kH, kBackground, AThroughCairo, !AThroughCairo);
}

// The largest channel difference, pixels further apart than the gradient table's step, pixels the
// reference painted, and pixels painted only by the first (the rim, see below). With AWhole, only
// pixels where AWhole is opaque in both are compared (elsewhere the edges' coverage may differ).
struct Difference {
  int Worst = 0, Far = 0, Painted = 0, OnlyFirst = 0;
};
Difference Compare(const Bitmap& a, const Bitmap& b, const std::function<void(Graphics&)>* AWhole = nullptr);

GraphicsPath Ring(const RectF& AOuter, float AWidth) {
  GraphicsPath p;
  p.AddEllipse(AOuter);
  p.AddEllipse(RectF(AOuter.X + AWidth, AOuter.Y + AWidth, AOuter.Width - 2 * AWidth, AOuter.Height - 2 * AWidth));
  return p;
}
GraphicsPath RoundRing(const RectF& AOuter, float AWidth) {
  GraphicsPath p(FillModeAlternate);
  p.AddRoundRectangle(AOuter, SizeF(40, 40));
  p.AddRoundRectangle(
      RectF(AOuter.X + AWidth, AOuter.Y + AWidth, AOuter.Width - 2 * AWidth, AOuter.Height - 2 * AWidth),
      SizeF(20, 20));
  return p;
}

Difference Compare(const Bitmap& a, const Bitmap& b, const std::function<void(Graphics&)>* AWhole) {
  std::unique_ptr<Bitmap> ours, cairos;
  if (AWhole) {
    ours = Paint(*AWhole, false);
    cairos = Paint(*AWhole, true);
  }
  const TAlphaColor background = Background();
  Difference d;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const TAlphaColor p = a.GetPixel(x, y), q = b.GetPixel(x, y);
      if (q != background) ++d.Painted;
      if (q == background && p != q) {
        ++d.OnlyFirst;
        continue;
      }
      if (AWhole && (ours->GetPixel(x, y) != 0xFF000000 || cairos->GetPixel(x, y) != 0xFF000000)) continue;
      const int worst = dw::test::ChannelDiff(p, q);
      d.Worst = std::max(d.Worst, worst);
      if (worst > 3) ++d.Far;
    }
  return d;
}

}  // namespace

TEST(CoverageGradient, LinearFillsPaintLikeCairo) {
  const GraphicsPath ring = RoundRing(RectF(10, 8, 140, 104), 12);
  const TAlphaColor steps[] = {0x99FFFFFF, 0x00FFFFFF, 0x00202020, 0x99202020};  // a hard step at 0.5
  const float at[] = {0, 0.5f, 0.5f, 1};
  struct Case {
    const char* Name;
    WrapMode Wrap;
    bool Steps, Turned, Seams;
  };
  for (const Case& c :
       {Case{"clamp", WrapModeClamp, false, false, false}, Case{"steps", WrapModeClamp, true, false, true},
        Case{"tile", WrapModeTile, false, true, true}, Case{"flip", WrapModeTileFlipXY, false, true, false},
        Case{"turned steps", WrapModeClamp, true, true, true}}) {
    auto draw = [&](Graphics& g) {
      LinearGradientBrush b(RectF(20, 10, 60, 50), 0xFFE02020, 0x402020E0, LinearGradientModeForwardDiagonal);
      b.SetWrapMode(c.Wrap);
      if (c.Steps) b.SetInterpolationColors(steps, at, 4);
      if (c.Turned) {
        b.RotateTransform(20);
        g.TranslateTransform(80, 60);
        g.RotateTransform(-30);
        g.ScaleTransform(0.9f, 1.1f);
        g.TranslateTransform(-80, -60);
      }
      g.FillPath(b, ring);
    };
    const Difference d = Compare(*Paint(draw, false), *Paint(draw, true));
    EXPECT_GT(d.Painted, 2000) << c.Name;
    EXPECT_LE(d.OnlyFirst, c.Seams ? 2 : 0) << c.Name;
    // Cairo evaluates the gradient exactly, the table in 1024 steps; on a hard step or a tile's
    // seam a pixel centre could fall on the other side, but none does here.
    EXPECT_LE(d.Worst, 3) << c.Name;
  }
}

TEST(CoverageGradient, EllipticalPathGradientsPaintLikeCairo) {
  for (const PointF centre : {PointF(80, 60), PointF(50, 40)}) {
    auto draw = [&](Graphics& g) {
      GraphicsPath outer;
      outer.AddEllipse(RectF(10, 8, 140, 104));
      PathGradientBrush b(outer);
      b.SetCenterPoint(centre);
      const TAlphaColor colors[] = {0xFF202020, 0xC0E0E0E0, 0xC0E0E0E0};
      const float at[] = {0, 0.2f, 1};
      b.SetInterpolationColors(colors, at, 3);
      g.FillPath(b, Ring(RectF(10, 8, 140, 104), 15));  // the ring of a tube: the middle left empty
      g.FillEllipse(b, RectF(60, 45, 30, 30));          // and a disc inside it
    };
    const std::function<void(Graphics&)> whole = [](Graphics& g) {
      const SolidBrush black(0xFF000000);
      g.FillPath(black, Ring(RectF(10, 8, 140, 104), 15));
      g.FillEllipse(black, RectF(60, 45, 30, 30));
    };
    const Difference d = Compare(*Paint(draw, false), *Paint(draw, true), &whole);
    EXPECT_GT(d.Painted, 2000);
    EXPECT_LE(d.Worst, 3) << centre.X;
    // Cairo's radial gradient paints nothing where a rim pixel's centre lies outside the ellipse,
    // which leaves the rim jagged; here such pixels take the rim colour with their coverage.
    EXPECT_GT(d.OnlyFirst, 150);
    EXPECT_LT(d.OnlyFirst, 250);
  }
  // Filling more than the ellipse paints nothing beyond its rim, like Cairo (a pixel whose centre
  // lies on the rim itself may fall on either side).
  auto wide = [](Graphics& g) {
    GraphicsPath outer;
    outer.AddEllipse(RectF(10, 8, 140, 104));
    PathGradientBrush b(outer);
    b.SetCenterColor(0xFFE0E0E0);
    b.SetSurroundColors(std::vector<TAlphaColor>{0xFF202020});
    GraphicsPath all;
    all.AddRectangle(RectF(0, 0, kW, kH));
    g.FillPath(b, all);
  };
  const Difference d = Compare(*Paint(wide, false), *Paint(wide, true));
  EXPECT_GT(d.Painted, 10000);
  EXPECT_LE(d.Far, 9);
  EXPECT_EQ(d.OnlyFirst, 0);
}

// One coverage mask serves every fill of a Graphics: it grows for a larger fill and is cleared
// where each fill looks; a whole-pixel clip rectangle narrows what is painted. (Shaped clips:
// PixelPathsTest.)
TEST(CoverageGradient, MaskReuseAndPixelClip) {
  auto draw = [](Graphics& g) {
    LinearGradientBrush b(PointF(0, 0), PointF(kW, 0), 0xFFFF0000, 0xFF0000FF);
    g.FillRoundRectangle(b, RectF(5, 5, 20, 20), SizeF(8, 8));
    g.FillPath(b, RoundRing(RectF(2, 2, 150, 110), 10));
    g.FillRoundRectangle(b, RectF(60, 40, 24, 30), SizeF(8, 8));  // smaller again: stale coverage would show
  };
  Difference d = Compare(*Paint(draw, false), *Paint(draw, true));
  EXPECT_GT(d.Painted, 2000);
  EXPECT_LE(d.Worst, 1);

  const RectF clip(0, 30, 70, 60);
  const auto clipped = Paint(draw, false, &clip);
  d = Compare(*clipped, *Paint(draw, true, &clip));
  EXPECT_LE(d.Worst, 3);
  EXPECT_EQ(clipped->GetPixel(25, 20), Background());  // on the ring, outside the clip
  EXPECT_NE(clipped->GetPixel(5, 57), Background());
}

// Issue 12: the pixel loops (four or eight pixels at a time, with their short cuts for no coverage,
// clear sources and whole coverage of opaque colours) are exactly the one-pixel arithmetic, for
// every mix of coverage and alpha.
TEST(CoverageGradient, PixelLoopsMatchOnePixelArithmetic) {
  std::mt19937 random(12);
  const uint8_t covers[] = {0, 0, 255, 255, 254, 1, 128};
  const TCoverOverPixels best = BestCoverOverPixels();
  // Every kind of loop the processor runs: one pixel, eight and sixteen at a time.
  std::vector<TOverPixels> overs;
  std::vector<TCoverOverColourSpans> colourSpans;
  for (int level = 0; level < 3; ++level) {
    CapPixelLoops(level);
    overs.push_back(BestOverPixels());
    colourSpans.push_back(BestCoverOverColourSpans());
  }
  CapPixelLoops(2);
  constexpr int kN = 37;  // two groups of sixteen and every tail
  for (int round = 0; round < 3000; ++round) {
    uint32_t src[kN], dst[kN], expected[kN];
    uint8_t cover[kN];
    // Runs of one coverage and one kind of colour, so the whole and empty groups occur.
    const uint8_t c = covers[random() % std::size(covers)];
    const int kind = int(random() % 3);  // opaque, clear or mixed colours
    for (int k = 0; k < kN; ++k) {
      const bool odd = k == int(random() % 24);
      const uint32_t a = kind < 2 && !odd ? (kind == 0 ? 255 : 0) : random() % 256;
      auto channel = [&] { return a == 0 ? 0u : uint32_t(random() % (a + 1)); };
      src[k] = a << 24 | channel() << 16 | channel() << 8 | channel();
      dst[k] = uint32_t(random());
      dst[k] = (dst[k] | 0xFF000000u) & 0xFF7F7F7Fu;
      cover[k] = random() % 4 == 0 ? uint8_t(random()) : c;
    }
    uint32_t plain[kN], fast[kN];
    std::copy(dst, dst + kN, plain);
    std::copy(dst, dst + kN, fast);
    // Every length up to two groups and a tail, so each tail length is met.
    const int n = 1 + round % kN;
    CoverOverPixels(plain, src, cover, n);
    best(fast, src, cover, n);
    for (int k = 0; k < kN; ++k) {
      if (k >= n) {  // beyond the run: untouched
        ASSERT_EQ(fast[k], dst[k]);
        continue;
      }
      expected[k] = OverPixel(ScalePixel(src[k], cover[k]), dst[k]);
      ASSERT_EQ(plain[k], expected[k]) << round << " " << k;
      ASSERT_EQ(fast[k], expected[k]) << round << " " << k;
    }
    for (size_t level = 0; level < overs.size(); ++level) {
      uint32_t over[kN];
      std::copy(dst, dst + kN, over);
      overs[level](over, src, n);
      for (int k = 0; k < kN; ++k)
        ASSERT_EQ(over[k], k < n ? OverPixel(src[k], dst[k]) : dst[k]) << level << " " << round << " " << k;
    }
    // Up to four colours in turn, each with its byte of a pixel's coverage word.
    const int count = 1 + round % 4;
    uint32_t words[kN];
    for (int k = 0; k < kN; ++k) {
      words[k] = 0;
      for (int j = 0; j < count; ++j) words[k] |= uint32_t(cover[(k + 5 * j) % kN]) << (8 * j);
    }
    // Runs on two rows (from columns 0 and 3) in one call, by every kind of loop.
    uint32_t rows[2][kN];
    uint32_t coverRows[2][kN];
    std::copy(words, words + kN, coverRows[0]);
    std::copy(words, words + kN, coverRows[1]);
    const MaskSpan spans[2] = {{0, 0, n}, {1, 3, std::max(3, n)}};
    for (size_t level = 0; level < colourSpans.size(); ++level) {
      std::copy(dst, dst + kN, rows[0]);
      std::copy(dst, dst + kN, rows[1]);
      colourSpans[level](reinterpret_cast<uint8_t*>(rows[0]), kN * 4, coverRows[0], kN, spans, 2, src, count);
      for (int r = 0; r < 2; ++r)
        for (int k = 0; k < kN; ++k) {
          uint32_t want = dst[k];
          if (k >= spans[r].X0 && k < spans[r].X1)
            for (int j = 0; j < count; ++j) want = OverPixel(ScalePixel(src[j], (words[k] >> (8 * j)) & 0xFF), want);
          ASSERT_EQ(rows[r][k], want) << level << " " << r << " " << round << " " << k;
        }
    }
  }
}

// The gradient painter's one-pass loop gives each pixel the colour at its position, scaled by its
// coverage, exactly as the separate steps would (positions, table, coverage over).
TEST(CoverageGradient, GradientRowsMatchTheirSteps) {
  // Each kind of loop the processor runs (none at all without AVX2).
  std::vector<TGradientOver> kinds;
  for (int level = 1; level < 3; ++level) {
    CapPixelLoops(level);
    if (const TGradientOver f = BestGradientOver()) kinds.push_back(f);
  }
  CapPixelLoops(2);
  if (kinds.empty()) GTEST_SKIP() << "no one-pass loop on this processor";
  std::mt19937 random(15);
  uint32_t lut[256];
  for (uint32_t& c : lut) {
    const uint32_t a = random() % 256;
    c = a << 24 | (random() % (a + 1)) << 16 | (random() % (a + 1)) << 8 | random() % (a + 1);
  }
  lut[0] = 0;
  constexpr int kN = 37;  // two groups of sixteen and every tail
  for (int round = 0; round < 2000; ++round) {
    const int edges = 1 + round % 5, x0 = int(random() % 200) - 100, n = 1 + round % kN;
    double A[5], k[5];
    for (int e = 0; e < edges; ++e) A[e] = (double(random() % 2001) - 1000) / 20000, k[e] = double(random() % 1001) / 700;
    uint32_t dst[kN], fast[kN];
    uint8_t cover[kN];
    for (int j = 0; j < kN; ++j) {
      dst[j] = uint32_t(random()) | 0xFF000000u;
      cover[j] = round % 3 == 0 ? 255 : uint8_t(random() % 4 == 0 ? 0 : random());
    }
    const bool clipped = round % 2 == 1;
    for (const TGradientOver gradientOver : kinds) {
    std::copy(dst, dst + kN, fast);
    gradientOver(fast, A, k, edges, x0, n, lut, clipped ? cover : nullptr);
    for (int j = 0; j < kN; ++j) {
      uint32_t want = dst[j];
      if (j < n) {
        const double px = x0 + j + 0.5;
        double t = 0;
        for (int e = 0; e < edges; ++e) t = std::max(t, A[e] * px + k[e]);
        const uint32_t colour = lut[uint8_t(int((1 - std::min(t, 1.0)) * 255 + 0.5))];
        want = OverPixel(ScalePixel(colour, clipped ? cover[j] : 255), dst[j]);
      }
      ASSERT_EQ(fast[j], want) << round << " " << j;
    }
    }
  }
}
