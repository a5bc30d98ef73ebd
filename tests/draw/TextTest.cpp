#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "DrawTestUtil.h"
#include "dialworks/draw/CairoGraphics.h"

using namespace dw;
using namespace dw::gp;

TEST(Text, DrawnInsideItsMeasuredBox) {
  Bitmap bmp(300, 120);
  CairoGraphics g(bmp);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  SolidBrush black(0xFF000000);
  Font font("DejaVu Sans", 18);  // points: 24 px
  EXPECT_FLOAT_EQ(font.GetSizeInPixels(), 24.0f);
  EXPECT_FLOAT_EQ(Font("DejaVu Sans", 24, FontStyleRegular, UnitPixel).GetSizeInPixels(), 24.0f);

  RectF box = g.MeasureString("Gauge 42", font, PointF(20, 30));
  EXPECT_FLOAT_EQ(box.X, 20);
  EXPECT_FLOAT_EQ(box.Y, 30);
  EXPECT_GT(box.Width, 80);
  EXPECT_LT(box.Width, 140);
  EXPECT_GT(box.Height, 24);  // line height exceeds the em size
  EXPECT_LT(box.Height, 36);
  g.DrawString("Gauge 42", font, PointF(20, 30), black);
  auto ink = test::Ink(bmp);
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.l, int(box.X) - 1);
  EXPECT_LE(ink.r, int(box.Right()) + 1);
  EXPECT_GE(ink.t, int(box.Y));
  EXPECT_LE(ink.b, int(box.Bottom()));
  // The ink fills most of the box's width (the box is not just large).
  EXPECT_GT(ink.r - ink.l, box.Width * 0.85f);

  // Longer text measures wider; bold wider than regular; the same call gives the same box.
  EXPECT_GT(g.MeasureString("Gauge 420", font).Width, g.MeasureString("Gauge 42", font).Width);
  EXPECT_GT(g.MeasureString("Gauge", Font("DejaVu Sans", 18, FontStyleBold)).Width,
            g.MeasureString("Gauge", font).Width);
  EXPECT_EQ(g.MeasureString("Gauge", font), g.MeasureString("Gauge", font));
}

TEST(Text, AlignmentInLayoutRectangleAndAroundOrigin) {
  Bitmap bmp(300, 200);
  CairoGraphics g(bmp);
  Font font("DejaVu Sans", 12);
  RectF layout(50, 40, 200, 100);
  StringFormat f;
  f.SetAlignment(StringAlignmentCenter);
  f.SetLineAlignment(StringAlignmentCenter);
  RectF c = g.MeasureString("centred", font, layout, &f);
  EXPECT_NEAR(c.Center().X, layout.Center().X, 1.0);
  EXPECT_NEAR(c.Center().Y, layout.Center().Y, 1.0);
  f.SetAlignment(StringAlignmentFar);
  f.SetLineAlignment(StringAlignmentFar);
  RectF far = g.MeasureString("far", font, layout, &f);
  EXPECT_NEAR(far.Right(), layout.Right(), 1.0);
  EXPECT_NEAR(far.Bottom(), layout.Bottom(), 0.01);
  // Around an origin, centre alignment centres the text on it.
  f.SetAlignment(StringAlignmentCenter);
  f.SetLineAlignment(StringAlignmentCenter);
  RectF o = g.MeasureString("mid", font, PointF(100, 100), &f);
  EXPECT_NEAR(o.Center().X, 100, 0.01);
  EXPECT_NEAR(o.Center().Y, 100, 0.01);
  // A rectangle wider than Pango's units reach still centres (float is a quarter pixel there).
  RectF wide = g.MeasureString("centred", font, RectF(0, 40, 5e6f, 100), &f);
  EXPECT_NEAR(wide.Center().X, 2.5e6f, 1.0);

  // Wrapping inside the rectangle's width; NoWrap keeps one line.
  const std::string longText = "a long line of words that cannot fit in a narrow box";
  RectF narrow(0, 0, 80, 200);
  RectF wrapped = g.MeasureString(longText, font, narrow);
  EXPECT_LE(wrapped.Width, 80.5f);
  EXPECT_GT(wrapped.Height, 40);
  StringFormat nowrap(StringFormatFlagsNoWrap);
  RectF oneLine = g.MeasureString(longText, font, narrow, &nowrap);
  EXPECT_GT(oneLine.Width, 200);
  EXPECT_LT(oneLine.Height, 25);

  // Drawing in a rectangle clips to it unless NoClip.
  SolidBrush black(0xFF000000);
  g.DrawString(longText, font, RectF(0, 150, 60, 10), &nowrap, black);
  auto ink = test::Ink(bmp);
  ASSERT_FALSE(ink.Empty());
  EXPECT_LE(ink.r, 60);
  EXPECT_LE(ink.b, 160);
}

TEST(Text, FallbackEmptyAndOutlines) {
  Bitmap bmp(200, 100);
  CairoGraphics g(bmp);
  SolidBrush black(0xFF000000);
  EXPECT_TRUE(FontFamily("DejaVu Sans").IsAvailable());
  EXPECT_FALSE(FontFamily("No Such Family 123").IsAvailable());
  // An unknown family falls back to a real font: it measures and draws.
  Font unknown("No Such Family 123", 12);
  EXPECT_GT(g.MeasureString("abc", unknown).Width, 10);
  g.DrawString("abc", unknown, PointF(5, 5), black);
  EXPECT_FALSE(test::Ink(bmp).Empty());

  // Empty text: an empty box at the anchor, nothing drawn.
  bmp.Clear(0);
  RectF e = g.MeasureString("", Font("DejaVu Sans", 12), PointF(7, 9));
  EXPECT_EQ(e, RectF(7, 9, 0, 0));
  g.DrawString("", Font("DejaVu Sans", 12), PointF(7, 9), black);
  EXPECT_TRUE(test::Ink(bmp).Empty());
  // Invalid UTF-8 is drawn with replacement characters rather than refused.
  g.DrawString(std::string("ok\xff\xfe"), Font("DejaVu Sans", 12), PointF(5, 5), black);
  EXPECT_FALSE(test::Ink(bmp).Empty());

  // AddString: outlines at the em size in pixels, inside the measured box of the same text.
  GraphicsPath p(FillModeWinding);
  p.AddString("88", FontFamily("DejaVu Sans"), FontStyleBold, 40, PointF(300, 200));
  ASSERT_GT(p.GetPointCount(), 20);
  RectF pb = p.GetBounds();
  RectF mb = g.MeasureString("88", Font("DejaVu Sans", 40, FontStyleBold, UnitPixel), PointF(300, 200));
  EXPECT_GE(pb.X, mb.X - 1);
  EXPECT_LE(pb.Right(), mb.Right() + 1);
  EXPECT_GE(pb.Y, mb.Y);
  EXPECT_LE(pb.Bottom(), mb.Bottom());
  EXPECT_GT(pb.Height, 25);  // digits are most of the em tall
  // Outlines, not boxes: a good part of the bounds is covered, not all of it.
  int inside = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) inside += p.IsVisible(pb.X + pb.Width * (x + 0.5f) / 20, pb.Y + pb.Height * (y + 0.5f) / 20);
  EXPECT_GT(inside, 400 / 4);
  EXPECT_LT(inside, 400 * 3 / 4);
  GraphicsPath none;
  none.AddString("", FontFamily(), 0, 20, PointF(0, 0));
  none.AddString("x", FontFamily(), 0, NAN, PointF(0, 0));
  EXPECT_TRUE(none.Empty());
}

// Short texts' layouts are kept per thread and reused while the text, font, wrapping and alignment
// match and the transform differs at most by a translation: each drawing below, made in a thread
// after the others, paints what it paints in a thread that kept nothing.
TEST(Text, KeptLayoutsPaintWhatNewOnesPaint) {
  SolidBrush black(0xFF000000);
  auto text = [&](std::string AText, Font AFont, float ADx, float AAngle, float AScale, const RectF* ARect,
                  TextRenderingHint AHint = TextRenderingHintAntiAlias) {
    return [=, &black](Graphics& g) {
      g.SetTextRenderingHint(AHint);
      g.TranslateTransform(ADx, 40);
      g.RotateTransform(AAngle);
      g.ScaleTransform(AScale, AScale);
      StringFormat f;
      f.SetAlignment(StringAlignmentCenter);
      if (ARect) g.DrawString(AText, AFont, *ARect, &f, black);
      else g.DrawString(AText, AFont, PointF(0, 0), &f, black);
    };
  };
  const Font regular("DejaVu Sans", 12), larger("DejaVu Sans", 13), bold("DejaVu Sans", 12, FontStyleBold);
  const RectF wide(-60, 0, 120, 60), narrow(-20, 0, 40, 60);
  const std::function<void(Graphics&)> draws[] = {
      text("60 km/h", regular, 80, 0, 1, nullptr),  text("60 km/h", regular, 90.5f, 0, 1, nullptr),
      text("60 km/h", larger, 80, 0, 1, nullptr),   text("60 km/h", bold, 80, 0, 1, nullptr),
      text("60 km/h", regular, 80, 30, 1, nullptr), text("60 km/h", regular, 80, 0, 1.5f, nullptr),
      text("60 km/h", regular, 80, 0, 1, &wide),    text("60 km/h", regular, 80, 0, 1, &narrow),
      text("60 km/h", regular, 80, 0, 1, nullptr, TextRenderingHintSingleBitPerPixel),
      text("70 km/h", regular, 80, 0, 1, nullptr)};
  auto paint = [](const std::function<void(Graphics&)>& ADraw) {
    return test::PaintVia(ADraw, 160, 90, 0xFFFFFFFF, false, true);
  };
  std::vector<std::unique_ptr<Bitmap>> fresh;
  for (const auto& draw : draws) std::thread([&] { fresh.push_back(paint(draw)); }).join();
  for (int round = 0; round < 2; ++round)  // after the ones before it, then after all of them
    for (size_t k = 0; k < std::size(draws); ++k)
      EXPECT_EQ(dwtest::WorstDifference(*paint(draws[k]), *fresh[k]), 0) << k << " " << round;
}
