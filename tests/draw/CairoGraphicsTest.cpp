#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "DrawTestUtil.h"
#include "dialworks/draw/CairoGraphics.h"

using namespace dw;
using namespace dw::gp;
using dw::test::ColorNear;

namespace {
constexpr TAlphaColor kRed = 0xFFFF0000, kBlue = 0xFF0000FF;
}

TEST(Bitmap, ArgbRoundTripRawLayoutAndPng) {
  Bitmap bmp(4, 3);
  EXPECT_EQ(bmp.GetPixel(1, 1), 0u);  // starts transparent
  const TAlphaColor colors[] = {0xFFFF0000, 0x80FF8040, 0x01FFFFFF, 0x00000000, 0xC0123456};
  for (int i = 0; i < 5; ++i) bmp.SetPixel(i % 4, i / 4, colors[i]);
  EXPECT_EQ(bmp.GetPixel(0, 0), colors[0]);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(1, 0), colors[1], 1));
  EXPECT_EQ(GetAlpha(bmp.GetPixel(2, 0)), 1);
  EXPECT_EQ(bmp.GetPixel(3, 0), 0u);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(0, 1), colors[4], 1));

  // Raw pixels are premultiplied 0xAARRGGBB words, rows Stride() bytes apart.
  ASSERT_NE(bmp.Data(), nullptr);
  EXPECT_GE(bmp.Stride(), 16);
  EXPECT_EQ(bmp.ScanLine(0)[1], Bitmap::Premultiply(colors[1]));
  EXPECT_EQ(Bitmap::Premultiply(0x80FF8040), 0x80804020u);
  bmp.ScanLine(2)[3] = 0x80400000;  // premultiplied half-transparent red
  bmp.MarkDirty();
  EXPECT_TRUE(ColorNear(bmp.GetPixel(3, 2), 0x80800000, 1));

  // Outside the bitmap: nothing read, nothing written.
  EXPECT_EQ(bmp.GetPixel(-1, 0), 0u);
  EXPECT_EQ(bmp.GetPixel(4, 0), 0u);
  bmp.SetPixel(99, 99, kRed);

  // PNG round trip and copies.
  auto path = (std::filesystem::temp_directory_path() / "dw_bitmap_roundtrip.png").string();
  ASSERT_TRUE(bmp.SavePng(path));
  auto loaded = Bitmap::LoadPng(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Width(), 4);
  EXPECT_EQ(loaded->GetPixel(0, 0), colors[0]);
  EXPECT_TRUE(ColorNear(loaded->GetPixel(0, 1), colors[4], 2));
  std::filesystem::remove(path);
  EXPECT_EQ(Bitmap::LoadPng("/nonexistent/x.png"), nullptr);
  Bitmap copy = bmp;
  bmp.SetPixel(0, 0, kBlue);
  EXPECT_EQ(copy.GetPixel(0, 0), colors[0]);

  // Zero, negative and absurd sizes give harmless empty bitmaps.
  for (auto [w, h] : {std::pair{0, 0}, {-5, 10}, {10, 0}, {100000, 10}}) {
    Bitmap e(w, h);
    EXPECT_TRUE(e.Empty());
    EXPECT_EQ(e.Data(), nullptr);
    e.SetPixel(0, 0, kRed);
    e.Clear(kRed);
    EXPECT_EQ(e.GetPixel(0, 0), 0u);
    EXPECT_FALSE(e.SavePng(path));
    CairoGraphics g(e);
    SolidBrush b(kRed);
    g.FillRectangle(b, 0, 0, 10, 10);
    g.DrawString("x", Font("DejaVu Sans", 10), PointF(0, 0), b);
  }
}

// A layer rebuilt at a size that fits keeps its memory (no fresh pages), starts transparent and
// draws as a new bitmap does; one too small, empty or still held by a graphics is left as it is.
// The memory lives as long as the last graphics on it, beyond the bitmap.
TEST(Bitmap, ReuseKeepsItsMemoryOnlyWhereItMay) {
  Bitmap bmp(300, 300);
  bmp.Clear(kRed);
  const uint8_t* memory = bmp.Data();
  const size_t bytes = bmp.Bytes();
  EXPECT_GE(bytes, size_t(bmp.Stride()) * 300);
  ASSERT_TRUE(bmp.Reuse(299, 298));
  EXPECT_EQ(bmp.Data(), memory);
  EXPECT_EQ(bmp.Bytes(), bytes);
  EXPECT_EQ(bmp.Width(), 299);
  EXPECT_EQ(bmp.Height(), 298);
  EXPECT_EQ(bmp.Stride(), cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, 299));
  Bitmap fresh(299, 298);
  for (Bitmap* b : {&bmp, &fresh}) {
    CairoGraphics g(*b);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.FillEllipse(SolidBrush(0xC02080FF), RectF(10.5f, 20.25f, 280, 270));
    g.Flush();
  }
  EXPECT_EQ(dwtest::DifferingPixels(bmp, fresh), 0);

  EXPECT_FALSE(bmp.Reuse(301, 300));
  EXPECT_FALSE(bmp.Reuse(0, 10));
  EXPECT_FALSE(Bitmap().Reuse(1, 1));
  {
    CairoGraphics g(bmp);
    EXPECT_FALSE(bmp.Reuse(100, 100));
  }
  EXPECT_EQ(bmp.Width(), 299);
  EXPECT_NE(bmp.GetPixel(150, 150), 0u);
  EXPECT_TRUE(bmp.Reuse(100, 100));

  std::unique_ptr<CairoGraphics> outliving;
  {
    Bitmap b(50, 50);
    outliving = std::make_unique<CairoGraphics>(b);
  }
  outliving->FillRectangle(SolidBrush(kRed), 0, 0, 50, 50);  // no use after free (ASan)
  outliving->Flush();
}

TEST(CairoGraphics, ClipIntersectExcludeRegionAndRestore) {
  Bitmap bmp(100, 100);
  CairoGraphics g(bmp);
  SolidBrush red(kRed);

  GraphicsState s = g.Save();
  g.SetClip(RectF(10, 10, 50, 50));
  g.IntersectClip(RectF(30, 30, 60, 60));  // 30..60 remains
  g.ExcludeClip(RectF(40, 40, 10, 10));    // minus 40..50
  EXPECT_EQ(g.GetClipBounds(), RectF(30, 30, 30, 30));
  g.FillRectangle(red, 0, 0, 100, 100);
  EXPECT_EQ(bmp.GetPixel(35, 35), kRed);
  EXPECT_EQ(bmp.GetPixel(55, 55), kRed);
  EXPECT_EQ(bmp.GetPixel(20, 20), 0u);  // outside the intersection
  EXPECT_EQ(bmp.GetPixel(65, 65), 0u);
  EXPECT_EQ(bmp.GetPixel(45, 45), 0u);  // excluded
  g.Restore(s);
  EXPECT_EQ(g.GetClipBounds(), RectF(0, 0, 100, 100));

  // Region clips Cairo cannot express directly (xor) go through a mask.
  bmp.Clear(0);
  Region r(RectF(0, 0, 60, 60));
  r.Xor(RectF(40, 40, 60, 60));
  g.SetClip(r);
  g.FillRectangle(red, 0, 0, 100, 100);
  EXPECT_EQ(bmp.GetPixel(10, 10), kRed);
  EXPECT_EQ(bmp.GetPixel(90, 90), kRed);
  EXPECT_EQ(bmp.GetPixel(50, 50), 0u);
  EXPECT_EQ(bmp.GetPixel(90, 10), 0u);
  g.ResetClip();

  // Clips are given in world coordinates: with a transform they move with it.
  bmp.Clear(0);
  g.TranslateTransform(50, 0);
  g.SetClip(RectF(0, 0, 10, 10));
  g.ResetTransform();
  g.FillRectangle(red, 0, 0, 100, 100);
  EXPECT_EQ(bmp.GetPixel(55, 5), kRed);
  EXPECT_EQ(bmp.GetPixel(5, 5), 0u);
  g.ResetClip();

  // Path clip and FillRegion.
  bmp.Clear(0);
  GraphicsPath e;
  e.AddEllipse(RectF(0, 0, 100, 100));
  g.SetClip(e);
  g.FillRectangle(red, 0, 0, 100, 100);
  EXPECT_EQ(bmp.GetPixel(50, 50), kRed);
  EXPECT_EQ(bmp.GetPixel(2, 2), 0u);
  g.ResetClip();
  bmp.Clear(0);
  g.FillRegion(red, Region(RectF(20, 20, 10, 10)));
  EXPECT_EQ(bmp.GetPixel(25, 25), kRed);
  EXPECT_EQ(bmp.GetPixel(35, 25), 0u);
}

TEST(CairoGraphics, SmoothingOnAndOff) {
  auto partial = [](const Bitmap& b) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        auto a = GetAlpha(b.GetPixel(x, y));
        n += a > 0 && a < 255;
      }
    return n;
  };
  Bitmap bmp(60, 60);
  CairoGraphics g(bmp);
  SolidBrush red(kRed);
  g.SetSmoothingMode(SmoothingModeNone);
  g.FillEllipse(red, 5.3f, 5.3f, 49, 49);
  Pen pen(kBlue, 1.5f);
  g.DrawLine(pen, 0.2f, 59.0f, 59.0f, 0.3f);
  EXPECT_EQ(partial(bmp), 0);  // hard edges only
  EXPECT_EQ(bmp.GetPixel(30, 30), kRed);

  bmp.Clear(0);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  g.FillEllipse(red, 5.3f, 5.3f, 49, 49);
  EXPECT_GT(partial(bmp), 40);

  // Modes are part of the saved state.
  GraphicsState s = g.Save();
  g.SetSmoothingMode(SmoothingModeNone);
  g.SetCompositingMode(CompositingModeSourceCopy);
  g.RotateTransform(30);
  g.Restore(s);
  EXPECT_EQ(g.GetSmoothingMode(), SmoothingModeAntiAlias);
  EXPECT_EQ(g.GetCompositingMode(), CompositingModeSourceOver);
  EXPECT_TRUE(g.GetTransform().IsIdentity());

  // A clip's edge is anti-aliased whatever the smoothing of the call before it: the context keeps
  // the last call's antialias, and a clip applied under it used to take it (a form cleared with
  // smoothing off gave its first clipped instrument hard clip edges).
  auto clipped = [](SmoothingMode AFirst) {
    auto b = std::make_unique<Bitmap>(30, 30);
    CairoGraphics c(*b);
    c.SetPixelPaths(false);  // Cairo's own clip
    c.SetSmoothingMode(AFirst);
    c.Clear(0xFF000000);
    c.SetSmoothingMode(SmoothingModeAntiAlias);
    c.SetClip(RectF(5.5f, 5.5f, 15.25f, 15.25f));
    c.FillRectangle(SolidBrush(kRed), 0, 0, 30, 30);
    return b;
  };
  const auto afterHard = clipped(SmoothingModeNone), afterSmooth = clipped(SmoothingModeAntiAlias);
  for (int y = 0; y < 30; ++y)
    ASSERT_EQ(std::memcmp(afterHard->Data() + y * afterHard->Stride(), afterSmooth->Data() + y * afterSmooth->Stride(),
                          30 * 4),
              0)
        << "row " << y;
  const TAlphaColor edge = afterHard->GetPixel(5, 10);  // half inside the clip: half red on black
  EXPECT_GT(GetRed(edge), 100);
  EXPECT_LT(GetRed(edge), 155);
}

TEST(CairoGraphics, CompositingImagesAndClear) {
  Bitmap bmp(40, 40);
  CairoGraphics g(bmp);
  g.Clear(kBlue);
  EXPECT_EQ(bmp.GetPixel(39, 39), kBlue);
  // A clear takes no part of the transform: a collapsed one clears all the same, with or without
  // the pixel paths, and leaves later drawing as it was.
  const bool pixelPathsWere = g.PixelPathsOn();
  for (const bool pixelPaths : {true, false}) {
    g.SetPixelPaths(pixelPaths);
    g.ScaleTransform(0, 0);
    g.Clear(kRed);
    EXPECT_EQ(bmp.GetPixel(39, 39), kRed);
    g.Clear(0x80FF0000);
    EXPECT_TRUE(ColorNear(bmp.GetPixel(0, 0), 0x80FF0000, 1));
    g.FillRectangle(SolidBrush(kBlue), 0, 0, 40, 40);  // collapsed: nothing
    EXPECT_TRUE(ColorNear(bmp.GetPixel(20, 20), 0x80FF0000, 1));
    g.ResetTransform();
    g.Clear(kBlue);
  }
  g.SetPixelPaths(pixelPathsWere);
  SolidBrush half(0x80FF0000);
  g.FillRectangle(half, 0, 0, 20, 40);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(5, 5), 0xFF80007F, 2));  // blended
  g.SetCompositingMode(CompositingModeSourceCopy);
  g.FillRectangle(half, 20, 0, 20, 40);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(30, 5), 0x80FF0000, 2));  // replaced
  g.SetCompositingMode(CompositingModeSourceOver);

  Bitmap img(4, 4);
  img.Clear(kRed);
  g.Clear(0);
  g.DrawImage(img, 10, 10);
  EXPECT_EQ(bmp.GetPixel(10, 10), kRed);
  EXPECT_EQ(bmp.GetPixel(13, 13), kRed);
  EXPECT_EQ(bmp.GetPixel(14, 14), 0u);
  g.DrawImage(img, RectF(20, 20, 16, 8));
  EXPECT_EQ(bmp.GetPixel(35, 27), kRed);
  EXPECT_EQ(bmp.GetPixel(35, 28), 0u);
  Bitmap empty;
  g.DrawImage(empty, 0, 0);
  g.DrawImage(img, RectF(0, 0, NAN, 4));
}

TEST(CairoGraphics, BadInputDrawsNothingAndLaterDrawingWorks) {
  Bitmap bmp(50, 50);
  CairoGraphics g(bmp);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  SolidBrush red(kRed);
  Pen pen(kRed, 2);
  const float bad[] = {NAN, INFINITY, -INFINITY, -10.0f, 0.0f};
  for (float v : bad) {
    g.FillRectangle(red, 0, 0, v, 10);
    g.FillEllipse(red, v, 0, 10, 10);
    g.DrawLine(pen, 0, 0, v, 10);
    g.DrawArc(pen, RectF(0, 0, 10, 10), v, 90);
    g.FillPie(red, RectF(0, 0, v, 10), 0, 90);
    g.DrawRoundRectangle(pen, RectF(0, 0, 10, v), 4);
    g.FillRoundRectangle(red, RectF(0, 0, 10, 10), SizeF(v, v));  // bad corner: square corners
    g.DrawImage(bmp, RectF(0, 0, v, 5));
    g.DrawString("text", Font("DejaVu Sans", v), PointF(0, 0), red);
    g.DrawString("text", Font("DejaVu Sans", 10), PointF(v, 0), red);
    g.DrawString("text", Font("DejaVu Sans", 10), RectF(0, 0, v, 10), nullptr, red);
    g.SetClip(RectF(0, 0, v, 10), CombineModeIntersect);
    g.ResetClip();
  }
  // FillRoundRectangle with a bad corner still fills the rectangle.
  EXPECT_EQ(bmp.GetPixel(1, 1), kRed);
  bmp.Clear(0);
  g.FillPolygon(red, nullptr, 3);
  g.FillPolygon(red, std::vector<PointF>{});
  g.FillPolygon(red, std::vector<PointF>{{1, 1}, {5, 5}});
  const PointF tri[] = {{1, 1}, {9, 1}, {5, 8}};
  const PolygonFill badFills[] = {{nullptr, tri, 3}, {&red, nullptr, 3}, {&red, tri, 2}, {&red, tri, -4}};
  GraphicsPath round;
  round.AddEllipse(RectF(0, 0, 40, 40));
  for (int clipped = 0; clipped < 2; ++clipped) {  // Cairo's way, then the pixel paths' (shaped clip)
    if (clipped) g.SetClip(round);
    g.FillPolygons(nullptr, 3);
    g.FillPolygons(badFills, 4);
    g.FillPolygons(badFills, -1);
  }
  g.ResetClip();
  g.DrawPolygon(pen, std::vector<PointF>{});
  g.FillPath(red, GraphicsPath());
  g.DrawLines(pen, nullptr, 5);
  g.DrawString("", Font("DejaVu Sans", 10), PointF(0, 0), red);
  EXPECT_TRUE(dw::test::Ink(bmp).Empty());

  // Singular and NaN transforms draw nothing; the next sane transform draws again.
  g.ScaleTransform(0, 1);
  g.FillRectangle(red, 0, 0, 50, 50);
  g.ResetTransform();
  g.RotateTransform(NAN);
  g.FillRectangle(red, 0, 0, 50, 50);
  EXPECT_TRUE(dw::test::Ink(bmp).Empty());
  g.ResetTransform();
  g.FillRectangle(red, 10, 10, 10, 10);
  EXPECT_EQ(bmp.GetPixel(15, 15), kRed);

  // A context that Cairo put into an error state is replaced, and drawing continues.
  cairo_matrix_t singular = {0, 0, 0, 0, 0, 0};
  cairo_set_matrix(g.Context(), &singular);
  ASSERT_NE(cairo_status(g.Context()), CAIRO_STATUS_SUCCESS);
  g.FillRectangle(red, 30, 30, 10, 10);
  EXPECT_EQ(bmp.GetPixel(35, 35), kRed);
  EXPECT_EQ(g.ErrorRecoveries(), 1);
  EXPECT_EQ(cairo_status(g.Context()), CAIRO_STATUS_SUCCESS);
}

TEST(CairoGraphics, HostSurfaces) {
  // A host surface in error gives a graphics that draws nothing but does not crash.
  cairo_surface_t* broken = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, -1, -1);
  {
    CairoGraphics g(broken);
    SolidBrush red(kRed);
    g.FillRectangle(red, 0, 0, 10, 10);
    g.DrawString("x", Font("DejaVu Sans", 10), PointF(0, 0), red);
  }
  cairo_surface_destroy(broken);

  // A host surface: drawing lands in it.
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 20);
  {
    CairoGraphics g(s);
    SolidBrush red(kRed);
    g.FillRectangle(red, 0, 0, 20, 20);
  }
  cairo_surface_flush(s);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s))[0], kRed);
  cairo_surface_destroy(s);

  // A clip an adapter sets on the raw context ends with its drawing.
  for (const bool pixelPaths : {false, true}) {
    Bitmap b(40, 40);
    CairoGraphics g(b);
    g.SetPixelPaths(pixelPaths);
    g.Clear(0xFFFFFFFF);
    cairo_rectangle(g.Context(), 0, 0, 10, 10);
    cairo_clip(g.Context());
    g.FillRectangle(SolidBrush(kRed), RectF(0, 0, 40, 40));
    EXPECT_EQ(b.GetPixel(30, 30), kRed) << pixelPaths;
  }
}

TEST(CairoGraphics, SaveRestoreTokensAndWorldClipBounds) {
  Bitmap bmp(100, 100);
  CairoGraphics g(bmp);
  GraphicsState outer = g.Save();
  g.TranslateTransform(10, 0);
  GraphicsState inner = g.Save();
  g.TranslateTransform(20, 0);
  g.Restore(outer);  // drops the inner save too
  EXPECT_TRUE(g.GetTransform().IsIdentity());
  g.TranslateTransform(5, 0);
  g.Restore(inner);  // already gone: ignored
  g.Restore(12345);  // never issued: ignored
  EXPECT_EQ(g.GetTransform().OffsetX(), 5);
  g.ResetTransform();

  // Clip bounds are reported in the current world coordinates.
  g.SetClip(RectF(20, 20, 40, 40));
  g.TranslateTransform(10, 10);
  g.ScaleTransform(2, 2);
  RectF b = g.GetClipBounds();
  EXPECT_NEAR(b.X, 5, 1e-4);
  EXPECT_NEAR(b.Width, 20, 1e-4);
  // Clear honours the clip.
  g.ResetTransform();
  g.Clear(kBlue);
  EXPECT_EQ(bmp.GetPixel(30, 30), kBlue);
  EXPECT_EQ(bmp.GetPixel(10, 10), 0u);
}

TEST(CairoGraphics, PensHairlinesDashesAndImageParts) {
  Bitmap bmp(100, 40);
  CairoGraphics g(bmp);
  // A zero-width pen draws one device pixel whatever the scale.
  g.ScaleTransform(10, 10);
  Pen hair(kRed, 0);
  g.DrawLine(hair, 0.0f, 1.05f, 10.0f, 1.05f);  // device y = 10.5: exactly row 10
  g.ResetTransform();
  EXPECT_EQ(bmp.GetPixel(50, 10), kRed);
  EXPECT_EQ(bmp.GetPixel(50, 9), 0u);
  EXPECT_EQ(bmp.GetPixel(50, 11), 0u);

  // A dashed pen leaves gaps; a solid one does not.
  auto covered = [&](int y) {
    int n = 0;
    for (int x = 0; x < 100; ++x) n += GetAlpha(bmp.GetPixel(x, y)) > 128;
    return n;
  };
  Pen dash(kBlue, 2);
  dash.SetDashStyle(DashStyleDash);
  g.DrawLine(dash, 0.0f, 21.0f, 100.0f, 21.0f);
  EXPECT_GT(covered(21), 60);
  EXPECT_LT(covered(21), 90);
  Pen solid(kBlue, 2);
  g.DrawLine(solid, 0.0f, 31.0f, 100.0f, 31.0f);
  EXPECT_EQ(covered(31), 100);

  // Part of an image into a rectangle.
  Bitmap img(4, 2);
  for (int k = 0; k < 4; ++k) img.SetPixel(2 + k % 2, k / 2, kRed);
  bmp.Clear(0);
  g.SetInterpolationMode(InterpolationModeNearestNeighbor);
  g.DrawImage(img, RectF(0, 0, 20, 20), RectF(2, 0, 2, 2));
  EXPECT_EQ(bmp.GetPixel(10, 10), kRed);
  EXPECT_EQ(bmp.GetPixel(19, 19), kRed);
  EXPECT_EQ(bmp.GetPixel(21, 10), 0u);
}
