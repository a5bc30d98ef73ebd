// A layer composed by its runs must give exactly the picture of DrawImage (Cairo's OVER), under
// any whole-pixel place and clip, and leave every other case to DrawImage.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/LayerRuns.h"

using namespace dw;
using namespace dw::gp;

namespace {

// A layer with every kind of stretch: long and short transparent gaps, long and short opaque
// pieces, partly transparent pixels, row lengths that are no multiple of four or eight. Mirrored:
// the same stretches right to left, so they fall across the other's.
Bitmap Layer(bool AMirrored = false) {
  Bitmap b(77, 31);
  for (int y = 0; y < b.Height(); ++y)
    for (int x0 = 0; x0 < b.Width(); ++x0) {
      const int x = AMirrored ? b.Width() - 1 - x0 : x0;
      const int band = (x + 3 * y) % 37;
      uint32_t a = band < 9 ? 0 : band < 20 ? 255 : band < 23 ? 0 : band < 26 ? 255 : uint32_t(40 + 7 * band);
      if (y % 7 == 3) a = uint32_t((x * 29) % 256);  // a row changing at every pixel
      const uint32_t c = (a * uint32_t(x * 3 % 256)) / 255;
      b.SetPixel(x0, y, TAlphaColor(a << 24 | c << 16 | (a / 2) << 8 | (a - c)));
    }
  return b;
}

// A ground of opaque and partly transparent pixels the layer is composed over.
Bitmap Ground() {
  Bitmap b(90, 40);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint32_t a = (x / 10) % 2 ? 255 : uint32_t(60 + y * 4);
      b.SetPixel(x, y, TAlphaColor(a << 24 | ((a * 200 / 255) << 16) | ((a * x / 90) << 8) | (a * y / 40)));
    }
  return b;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.Data() + ptrdiff_t(y) * a.Stride(), b.Data() + ptrdiff_t(y) * b.Stride(),
                    size_t(a.Width()) * 4) != 0)
      return false;
  return true;
}

// The layer drawn at a place (through the transform) and under a clip, once by its runs and
// once with DrawImage.
template <class Setup>
void ExpectLikeDrawImage(const Bitmap& ALayer, const LayerRuns& ARuns, Setup ASetup, const char* AWhat) {
  Bitmap byRuns = Ground(), byImage = Ground();
  {
    CairoGraphics g(byRuns);
    ASetup(g);
    g.DrawLayer(ALayer, ARuns, PointF(0, 0));
    g.Flush();
  }
  {
    CairoGraphics g(byImage);
    ASetup(g);
    g.DrawImage(ALayer, PointF(0, 0));
    g.Flush();
  }
  EXPECT_TRUE(SamePixels(byRuns, byImage)) << AWhat;
}

}  // namespace

TEST(LayerRuns, ComposeLikeDrawImageWhereverTheLayerLands) {
  const Bitmap layer = Layer();
  const LayerRuns runs(layer);
  ASSERT_TRUE(runs.Fit(layer));
  ExpectLikeDrawImage(layer, runs, [](Graphics&) {}, "at the origin");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) { g.TranslateTransform(7, 5); }, "moved");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) { g.TranslateTransform(-9, -4); }, "partly off the target");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) { g.TranslateTransform(40, 20); }, "over the far edges");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) {
    g.SetClip(RectF(12, 3, 33, 17));
    g.TranslateTransform(6, 2);
  }, "clipped to whole pixels");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) { g.SetClip(RectF(100, 100, 5, 5)); }, "clipped away");
  // Not whole pixels, scaled, turned, under a shaped clip or another mode: DrawImage's own way.
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) { g.TranslateTransform(3.5f, 1.25f); }, "between pixels");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) { g.ScaleTransform(1.5f, 1.5f); }, "scaled");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) { g.RotateTransform(10); }, "turned");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) {
    GraphicsPath p;
    p.AddEllipse(5, 2, 50, 30);
    g.SetClip(p);
  }, "shaped clip");
  ExpectLikeDrawImage(layer, runs, [](Graphics& g) { g.SetCompositingMode(CompositingModeSourceCopy); }, "copy mode");
  // Runs of another image size are not used.
  const Bitmap other(20, 20);
  ExpectLikeDrawImage(layer, LayerRuns(other), [](Graphics&) {}, "runs of another size");
  ExpectLikeDrawImage(layer, LayerRuns(), [](Graphics&) {}, "no runs");
}

// A layer composed of two by OVER, with runs found from the two layers' runs alone, composes like
// DrawImage of its pixels: nothing left out, nothing partly transparent copied as opaque.
TEST(LayerRuns, RunsOfTwoLayersComposedDescribeTheirComposition) {
  const Bitmap below = Layer(), above = Layer(true);
  Bitmap composed = below;
  {
    CairoGraphics g(composed);
    g.DrawImage(above, PointF(0, 0));
    g.Flush();
  }
  const LayerRuns runs = LayerRuns::Over(LayerRuns(below), LayerRuns(above));
  ASSERT_TRUE(runs.Fit(composed));
  ExpectLikeDrawImage(composed, runs, [](Graphics&) {}, "at the origin");
  ExpectLikeDrawImage(composed, runs, [](Graphics& g) {
    g.SetClip(RectF(12, 3, 33, 17));
    g.TranslateTransform(6, 2);
  }, "moved and clipped");
  // An empty layer adds nothing; layers of different sizes or without runs give none.
  const Bitmap clear(77, 31);
  ExpectLikeDrawImage(below, LayerRuns::Over(LayerRuns(clear), LayerRuns(below)), [](Graphics&) {}, "over nothing");
  EXPECT_FALSE(LayerRuns::Over(LayerRuns(below), LayerRuns(Bitmap(20, 20))).Fit(below));
  EXPECT_FALSE(LayerRuns::Over(LayerRuns(), LayerRuns(below)).Fit(below));
}

// The runs are what the composition goes by: a part of the layer that was transparent when they
// were found is not composed (so the test above did compose by the runs).
TEST(LayerRuns, TheRunsDecideWhatIsComposed) {
  if (!CairoGraphics::PixelPathsByDefault()) GTEST_SKIP() << "Cairo draws everything (DW_PIXEL_PATHS=0)";
  Bitmap layer(40, 4);
  const LayerRuns runs(layer);  // all transparent
  layer.Clear(0xFF0000FF);
  const Bitmap ground = Ground();
  Bitmap target = ground;
  {
    CairoGraphics g(target);
    g.DrawLayer(layer, runs, PointF(0, 0));
  }
  EXPECT_TRUE(SamePixels(target, ground));
}

// In parts: each part's pixels exactly as DrawImage of that part gives them, nothing elsewhere,
// and nothing past the layer's edge (where DrawImage would repeat the edge pixels).
TEST(LayerRuns, ComposeInPartsLikeDrawImageOfEachPart) {
  const Bitmap layer = Layer();
  const LayerRuns runs(layer);
  // Side by side, ragged, past the layer's edge, between pixels, empty and not finite.
  const RectF parts[] = {RectF(0, 0, 20, 4),       RectF(20, 0, 13, 4),  RectF(3, 4, 60, 4),
                         RectF(10, 9, 7, 5),       RectF(70, 20, 30, 30), RectF(22.5f, 10.5f, 3, 2.25f),
                         RectF(5, 26, 0, 3),       RectF(NAN, 1, 4, 4)};
  auto check = [&](auto ASetup, const char* AWhat) {
    Bitmap byRuns = Ground(), byImage = Ground();
    {
      CairoGraphics g(byRuns);
      ASetup(g);
      for (const RectF& p : parts) g.DrawLayer(layer, runs, PointF(0, 0), p);
    }
    {
      CairoGraphics g(byImage);
      ASetup(g);
      for (const RectF& p : parts) {
        const RectF own = RectF::Intersect(p, RectF(0, 0, float(layer.Width()), float(layer.Height())));
        if (p.IsFinite() && own.Width > 0 && own.Height > 0) g.DrawImage(layer, own, own);
      }
    }
    EXPECT_TRUE(SamePixels(byRuns, byImage)) << AWhat;
  };
  check([](Graphics&) {}, "at the origin");
  check([](Graphics& g) {
    g.SetClip(RectF(12, 3, 33, 17));
    g.TranslateTransform(6, 2);
  }, "moved and clipped");
  check([](Graphics& g) { g.TranslateTransform(-9, -4); }, "partly off the target");
  check([](Graphics& g) { g.TranslateTransform(3.5f, 1.25f); }, "between pixels (DrawImage's own way)");
}
