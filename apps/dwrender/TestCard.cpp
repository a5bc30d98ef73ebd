#include "TestCard.h"

#include <cmath>
#include <numbers>

#include "FormRender.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Shading.h"

namespace dw::apps {

using namespace gp;

namespace {

const Font kLabelFont("DejaVu Sans", 7.5f);
const Font kTitleFont("DejaVu Sans", 11.0f, FontStyleBold);

void Label(Graphics& g, const std::string& text, const RectF& cell) {
  StringFormat f(StringFormatFlagsNoWrap | StringFormatFlagsNoClip);
  f.SetAlignment(StringAlignmentCenter);
  SolidBrush b(0xFFB8C0CC);
  g.DrawString(text, kLabelFont, RectF(cell.X - 10, cell.Bottom() + 4, cell.Width + 20, 16), &f, b);
}

void Title(Graphics& g, const std::string& text, float y) {
  SolidBrush b(0xFFE8ECF2);
  g.DrawString(text, kTitleFont, PointF(20, y), b);
  Pen p(0x40FFFFFF, 1);
  g.DrawLine(p, 20, y + 20, kTestCardWidth - 20.0f, y + 20);
}

RectF Cell(int col, float y, float size = 100) { return RectF(50 + col * 166.0f, y, size, size); }

void Gradients(Graphics& g, float y) {
  Title(g, "Linear and path gradients", y - 30);
  const char* modes[] = {"horizontal", "vertical", "forward diag.", "backward diag."};
  for (int i = 0; i < 4; ++i) {
    RectF r = Cell(i, y);
    LinearGradientBrush b(r, 0xFFFFD24A, 0xFF1E5AA8, LinearGradientMode(i));
    g.FillRoundRectangle(b, r, 14);
    Label(g, modes[i], r);
  }
  {
    RectF r = Cell(4, y);
    LinearGradientBrush b(r, 0, 0, LinearGradientModeHorizontal);
    TAlphaColor c[] = {0xFFE53935, 0xFFFDD835, 0xFF43A047, 0xFF1E88E5, 0xFF8E24AA};
    float p[] = {0, 0.25f, 0.5f, 0.75f, 1};
    b.SetInterpolationColors(c, p, 5);
    g.FillRoundRectangle(b, r, 14);
    Label(g, "interpolation colours", r);
  }
  {
    RectF r = Cell(5, y);
    GraphicsPath e;
    e.AddEllipse(r);
    PathGradientBrush b(e);
    b.SetCenterColor(0xFFFFFFFF);
    b.SetSurroundColors(std::vector<TAlphaColor>{0xFF1E5AA8});
    g.FillPath(b, e);
    Label(g, "path gradient", r);
  }
  {
    RectF r = Cell(6, y);
    PointF tri[] = {{r.Center().X, r.Y}, {r.Right(), r.Bottom()}, {r.X, r.Bottom()}};
    PathGradientBrush b(tri, 3);
    b.SetCenterColor(0xFFFFFFFF);
    TAlphaColor s[] = {0xFFE53935, 0xFF43A047, 0xFF1E88E5};
    b.SetSurroundColors(s, 3);
    g.FillPolygon(b, tri, 3);
    Label(g, "surround colours", r);
  }
}

void Frames(Graphics& g, float y) {
  Title(g, "Bevels (light from the top left)", y - 30);
  const TAlphaColor lit = 0xFFF4F6FA, dark = 0xFF3A4250, face = 0xFF141820;
  SolidBrush faceBrush(face);
  RectF r = Cell(0, y);
  g.FillRectangle(faceBrush, GPInflateRectF(r, -10, -10));
  RXDrawFrame3DF(g, lit, dark, r, 10);
  Label(g, "RXDrawFrame3DF", r);

  r = Cell(1, y);
  g.FillEllipse(faceBrush, GPInflateRectF(r, -10, -10));
  RXDrawEllipse3DF(g, lit, dark, r, 10);
  Label(g, "RXDrawEllipse3DF", r);

  r = Cell(2, y);
  g.FillEllipse(faceBrush, GPInflateRectF(r, -12, -12));
  RXDrawGlobeEllipse3DF(g, 0xFFFFE9A8, 0xFF6B4A10, r, 12);
  Label(g, "RXDrawGlobeEllipse3DF", r);

  r = Cell(3, y);
  RXFillRoundDiamondF(g, faceBrush, GPInflateRectF(r, -8, -8), 0);
  RXDrawDiamondFrame3DF(g, lit, dark, r, 10);
  Label(g, "RXDrawDiamondFrame3DF", r);

  r = Cell(4, y);
  g.FillRoundRectangle(faceBrush, GPInflateRectF(r, -8, -8), 16);
  RXDrawRoundRectangle3DF(g, 0xFFB9F0FF, 0xFF0D3B66, r, 32, 10);
  Label(g, "RXDrawRoundRectangle3DF", r);

  r = Cell(5, y);
  RXFillRoundDiamondF(g, faceBrush, GPInflateRectF(r, -8, -8), 10);
  RXDrawRoundDiamondFrame3DF(g, lit, dark, r, 24, 10);
  Label(g, "RXDrawRoundDiamondFrame3DF", r);

  r = Cell(6, y);
  RXDrawLine3DF(g, lit, dark, PointF(r.X, r.Y + 20), PointF(r.Right(), r.Y + 20), 10, false);
  RXDrawLine3DF(g, lit, dark, PointF(r.X, r.Y + 50), PointF(r.Right(), r.Y + 50), 10, true);
  RXDrawLine3DF(g, lit, dark, PointF(r.X + 10, r.Bottom()), PointF(r.Right() - 10, r.Y + 64), 8, false);
  Label(g, "RXDrawLine3DF", r);
}

void Glass(Graphics& g, float y) {
  Title(g, "Glass, bulbs, round diamonds", y - 30);
  const TAlphaColor top = 0xB0FFFFFF, bottom = 0x08FFFFFF;
  SolidBrush blue(0xFF1E4E8C);
  RectF r = Cell(0, y);
  g.FillEllipse(blue, r);
  RXGlossEllipse3DF(g, top, bottom, r);
  Label(g, "RXGlossEllipse3DF", r);

  r = Cell(1, y);
  g.FillRectangle(blue, r);
  RXGlossRectangle3DF(g, top, bottom, r);
  Label(g, "RXGlossRectangle3DF", r);

  r = Cell(2, y);
  RXFillRoundDiamondF(g, blue, r, 0);
  RXGlossDiamond3DF(g, top, bottom, r);
  Label(g, "RXGlossDiamond3DF", r);

  r = Cell(3, y);
  g.FillRoundRectangle(blue, r, 30);
  RXGlossRoundRectangle3DF(g, top, bottom, r, 30);
  Label(g, "RXGlossRoundRectangle3DF", r);

  r = Cell(4, y);
  RXFillRoundDiamondF(g, blue, r, 24);
  RXGlossRoundDiamond3DF(g, top, bottom, r, 24);
  Label(g, "RXGlossRoundDiamond3DF", r);

  r = Cell(5, y);
  const TAlphaColor bulbs[] = {0xFFE53935, 0xFF43A047, 0xFFFDD835, 0xFF1E88E5};
  for (int i = 0; i < 4; ++i) {
    RectF b(r.X + (i % 2) * 52.0f, r.Y + (i / 2) * 52.0f, 46, 46);
    RXFillBulb3DF(g, bulbs[i], b);
  }
  Label(g, "RXFillBulb3DF", r);

  r = Cell(6, y);
  LinearGradientBrush fill(r, 0xFFFFB74D, 0xFFE65100, LinearGradientModeVertical);
  RXFillRoundDiamondF(g, fill, r, 20);
  Pen outline(0xFFFFF3E0, 2.5f);
  RXDrawRoundDiamondF(g, outline, GPInflateRectF(r, -14, -14), 12);
  Label(g, "RXFill/DrawRoundDiamondF", r);
}

void ClipAndText(Graphics& g, float y) {
  Title(g, "Clipping and text", y - 30);
  // Clip: an ellipse with a rectangle excluded, filled with stripes.
  RectF r = Cell(0, y);
  GraphicsState s = g.Save();
  GraphicsPath e;
  e.AddEllipse(r);
  g.SetClip(e);
  g.ExcludeClip(RectF(r.X + 35, r.Y + 35, 30, 30));
  for (int i = 0; i < 10; ++i) {
    SolidBrush b(i % 2 ? 0xFF26A69A : 0xFFFFCA28);
    g.FillRectangle(b, r.X, r.Y + i * 10.0f, r.Width, 10);
  }
  g.Restore(s);
  Label(g, "ellipse clip, rect excluded", r);

  // Region: union and xor of shapes as the clip.
  r = Cell(1, y);
  s = g.Save();
  Region region = Region::FromEllipse(RectF(r.X, r.Y + 20, 65, 65));
  region.Xor(Region::FromEllipse(RectF(r.X + 35, r.Y + 20, 65, 65)));
  region.Union(RectF(r.X + 40, r.Y, 20, 100));
  g.SetClip(region);
  LinearGradientBrush rb(r, 0xFFEC407A, 0xFF5C6BC0, LinearGradientModeForwardDiagonal);
  g.FillRectangle(rb, r);
  g.Restore(s);
  Label(g, "region xor + union clip", r);

  // Text in a box: measured box drawn behind, alignment centre/centre.
  r = RectF(360, y, 260, 100);
  SolidBrush boxBrush(0xFF3A4250);
  g.FillRectangle(boxBrush, r);
  Font body("DejaVu Sans", 13);
  StringFormat cc;
  cc.SetAlignment(StringAlignmentCenter);
  cc.SetLineAlignment(StringAlignmentCenter);
  const std::string text = "Dialworks draws text with Pango: measured, wrapped and centred.";
  RectF measured = g.MeasureString(text, body, r, &cc);
  SolidBrush mb(0xFF4E5A6E);
  g.FillRectangle(mb, measured);
  SolidBrush white(0xFFFFFFFF);
  g.DrawString(text, body, r, &cc, white);
  Label(g, "DrawString in its measured box", r);

  // Outlined text: AddString path filled with a gradient and outlined.
  r = RectF(680, y, 240, 100);
  GraphicsPath tp(FillModeWinding);
  StringFormat c2;
  c2.SetAlignment(StringAlignmentCenter);
  c2.SetLineAlignment(StringAlignmentCenter);
  tp.AddString("88.8", FontFamily("DejaVu Sans"), FontStyleBold, 64, r, &c2);
  LinearGradientBrush tb(tp.GetBounds(), 0xFFFFF59D, 0xFFFF6F00, LinearGradientModeVertical);
  g.FillPath(tb, tp);
  Pen tpen(0xFF3E2723, 1.5f);
  g.DrawPath(tpen, tp);
  Label(g, "AddString outlines", r);

  // Rotated text and a fallback family.
  r = RectF(1000, y, 140, 100);
  s = g.Save();
  g.TranslateTransform(r.Center().X, r.Center().Y);
  g.RotateTransform(-30);
  StringFormat c3;
  c3.SetAlignment(StringAlignmentCenter);
  c3.SetLineAlignment(StringAlignmentCenter);
  SolidBrush amber(0xFFFFCA28);
  g.DrawString("rotated", Font("DejaVu Serif", 16, FontStyleItalic), PointF(0, -12), &c3, amber);
  g.DrawString("No Such Font", Font("No Such Font", 10), PointF(0, 14), &c3, white);
  g.Restore(s);
  Label(g, "transform, fallback", r);
}

}  // namespace

void DrawTestCard(Graphics& g) {
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  g.SetTextRenderingHint(TextRenderingHintAntiAlias);
  LinearGradientBrush bg(RectF(0, 0, kTestCardWidth, kTestCardHeight), 0xFF2E343E, 0xFF1B1F26,
                         LinearGradientModeVertical);
  g.FillRectangle(bg, 0, 0, kTestCardWidth, kTestCardHeight);
  Gradients(g, 50);
  Frames(g, 225);
  Glass(g, 400);
  ClipAndText(g, 575);
}

bool RenderTestCard(const std::string& path, std::string& error) {
  Bitmap bmp(kTestCardWidth, kTestCardHeight);
  {
    CairoGraphics g(bmp);
    DrawTestCard(g);
    g.Flush();
  }
  return SavePng(bmp, path, error);
}

}  // namespace dw::apps
