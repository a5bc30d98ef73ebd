#include "dialworks/foundation/DWDialFace.h"

#include <algorithm>
#include <cmath>

#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Shading.h"

namespace dw {

namespace {
float DialFinite0(float AValue) { return std::isfinite(AValue) && AValue > 0 ? AValue : 0.0f; }
}  // namespace

TDWDialLayout DWDialLayout(float W, float H, bool ASquare, float AInset, gp::PointF ACenter) {
  TDWDialLayout l;
  if (!(W > 0)) W = 0;
  if (!(H > 0)) H = 0;
  l.Width = W;
  l.Height = H;
  if (ASquare) {
    l.Width = l.Height = std::min(W, H);
    l.ShiftX = (W - l.Width) / 2;
    l.ShiftY = (H - l.Height) / 2;
  }
  l.Size = std::min(l.Width, l.Height);
  l.Inset = std::isfinite(AInset) ? std::max(AInset, 0.0f) : 0.0f;
  l.Radius = std::max(l.Size / 2 - l.Inset, 0.0f);
  l.OffsetX = std::isfinite(ACenter.X) ? ACenter.X * l.Size : 0;
  l.OffsetY = std::isfinite(ACenter.Y) ? ACenter.Y * l.Size : 0;
  return l;
}

TDWDialLayout DWDialLayoutFor(float AWidth, float AHeight, const TKVProportionalControlBorder& ABorder,
                              const TDWAnalogInstrumentCenter& ACenter) {
  const float w = AWidth > 0 && std::isfinite(AWidth) ? AWidth : 0.0f;
  const float h = AHeight > 0 && std::isfinite(AHeight) ? AHeight : 0.0f;
  const float s = std::min(w, h);
  TDWDialLayout l = DWDialLayout(w, h, ABorder.Square(), ABorder.Inset(s), {0, 0});
  // Offsets may be absolute pixels: resolve them through the size objects.
  const float ox = ACenter.Position().X().Get(l.Size), oy = ACenter.Position().Y().Get(l.Size);
  l.OffsetX = std::isfinite(ox) ? ox : 0.0f;
  l.OffsetY = std::isfinite(oy) ? oy : 0.0f;
  return l;
}

gp::StringFormat DWCentredTextFormat() {
  gp::StringFormat f(gp::StringFormatFlagsNoClip);
  f.SetAlignment(gp::StringAlignmentCenter);
  f.SetLineAlignment(gp::StringAlignmentCenter);
  return f;
}

void DWDrawOutlinedText(gp::Graphics& g, const TRXGPSimpleFont& AFont, const std::string& AText, float AEmSize,
                        float APenWidth) {
  const gp::StringFormat format = DWCentredTextFormat();
  gp::GraphicsPath path;
  AFont.AddText(path, AText, gp::PointF(0, 0), AEmSize * 2 * 1.33f, &format);
  g.ScaleTransform(0.4625f, 0.505f);
  AFont.DrawOnGraphics(g, path, APenWidth);
}

void DWDrawCentredText(gp::Graphics& g, const TRXGPSimpleFont& AFont, const std::string& AText, float AReference,
                       float AWidth, const gp::RectF& ABrushBox) {
  if (AFont.Outlined()) {
    DWDrawOutlinedText(g, AFont, AText, AFont.Size().Get(AReference), 0.001f * AWidth);
  } else {
    const gp::StringFormat format = DWCentredTextFormat();
    g.DrawString(AText, AFont.GetGPFontFor(AReference), gp::PointF(0, 0), &format, *AFont.Brush().GetGPBrush(ABrushBox));
  }
}

bool DWDialHasBands(const TKVProportionalControlBorder& ABorder, float ASize) {
  return ABorder.OuterBevel().WidthFor(ASize) > 0 || ABorder.InnerBevel().WidthFor(ASize) > 0;
}

gp::GraphicsPath DWDialFaceShape(const TKVProportionalControlBorder& ABorder, const TDWDialLayout& L) {
  const float c = L.Inset;
  return DWBorderShapePath(ABorder.Shape(), gp::RectF(c / 2, c / 2, L.Width - c, L.Height - c),
                           ABorder.CornerSize().Get(L.Size));
}

void DWDrawDialFaceBase(gp::Graphics& g, const TDWDialFaceParts& P, const TDWDialLayout& L) {
  const float W = L.Width, H = L.Height, S = L.Size;
  if (P.AntiAliased) {
    g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAlias);
  } else {
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
  }
  const TKVProportionalControlBorder& border = P.Border;
  const float B = DialFinite0(border.Width().Get(S));
  const float p = B + DialFinite0(border.OuterBevel().WidthFor(S)) / 2 + DialFinite0(border.InnerBevel().WidthFor(S)) / 2;
  g.FillPath(gp::SolidBrush(P.Color), DWBorderShapePath(border.Shape(), gp::RectF(p / 2, p / 2, W - p, H - p),
                                                        DialFinite0(border.CornerSize().Get(S))));
  if (!DWDialHasBands(border, S)) DWDrawDialRing(g, border, L);
}

void DWDrawDialRing(gp::Graphics& g, const TKVProportionalControlBorder& ABorder, const TDWDialLayout& L) {
  DWDrawBorderRing(g, ABorder, ABorder.Shape(), gp::RectF(0, 0, L.Width, L.Height),
                   DialFinite0(ABorder.CornerSize().Get(L.Size)), L.Size);
}

void DWDrawDialCaption(gp::Graphics& g, const TKVCaption& ACaption, const TDWDialLayout& L, bool AOutlinedPass) {
  const float W = L.Width, H = L.Height, S = L.Size, R0 = L.Radius;
  const gp::RectF box(0, 0, S, S);
  auto draw = [&](const std::string& AText, const TRXGPSimpleFont& AFont, const TKVElementOffsets& APos,
                  float AAngle) {
    if (AText.empty() || AFont.Outlined() != AOutlinedPass) return;
    const gp::Matrix saved = g.GetTransform();
    g.TranslateTransform(W / 2 + APos.X().Get(R0), H / 2 + APos.Y().Get(R0));
    g.RotateTransform(AAngle);
    DWDrawCentredText(g, AFont, AText, R0, W, box);
    g.SetTransform(saved);
  };
  // Further items are drawn only with a caption, the same way.
  if (ACaption.GetText().empty()) return;
  draw(ACaption.GetText(), ACaption.Font(), ACaption.Position(), ACaption.Angle());
  for (size_t k = 0; k < ACaption.Items().Count(); ++k) {
    const TKVCaptionItem& item = ACaption.Items()[k];
    draw(item.Text(), item.Font(), item.Position(), item.Angle());
  }
}

void DWDrawDialGlass(gp::Graphics& g, const TDWDialFaceParts& P, const TDWDialLayout& L,
                     const gp::GraphicsPath& AFaceShape) {
  const float W = L.Width, H = L.Height, S = L.Size;
  // The cap (under the glass) is clipped to the face.
  const gp::GraphicsState state = g.Save();
  g.SetClip(AFaceShape, gp::CombineModeIntersect);
  P.Center.Draw(g, S, W, H, P.AntiAliased);
  g.Restore(state);
  const float d = L.Inset;
  TAlphaColor c1, c2;
  P.Glass.GlossColors(c1, c2);
  DWDrawShapeGloss(g, P.Border.Shape(), c1, c2, gp::RectF(d, d, W - 2 * d, H - 2 * d),
                   DialFinite0(P.Border.CornerSize().Get(S)));
}

void DWDrawDialTopLayer(gp::Graphics& g, const TDWDialFaceParts& P, const TDWDialLayout& L,
                        const gp::GraphicsPath& AFaceShape) {
  const bool glass = P.Glass.Visible();
  if (glass) DWDrawDialGlass(g, P, L, AFaceShape);
  if (DWDialHasBands(P.Border, L.Size)) DWDrawDialRing(g, P.Border, L);
  if (!glass) P.Center.Draw(g, L.Size, L.Width, L.Height, P.AntiAliased);
}

}  // namespace dw
