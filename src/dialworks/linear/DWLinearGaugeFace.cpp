// The linear gauge's face, drawn into the cached layers in the unrotated frame (the rotation
// matrix places it): the face fill, then inside the border the caption, ranges, ticks and labels,
// outlined captions, the cylindrical shading and the rail; the border ring and frame layers over
// all of it. The glass is the top layer, over the hands, turned with the frame.
#include <algorithm>
#include <cmath>

#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Path.h"
#include "dialworks/foundation/DWStraightScale.h"
#include "dialworks/linear/DWLinearGauge.h"
#include "dialworks/linear/LinearMath.h"

namespace dw {

using linear::Finite0;

namespace {


gp::StringFormat CentredFormat() {
  gp::StringFormat f(gp::StringFormatFlagsNoClip);
  f.SetAlignment(gp::StringAlignmentCenter);
  f.SetLineAlignment(gp::StringAlignmentCenter);
  return f;
}

}  // namespace

void TDWBasicLinearGauge::DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame&) {
  const TDWLinearFrame& F = FFrame;
  const float W = F.Transform.Width, H = F.Transform.Height, B = F.B, M = F.M;
  if (!(W > 0 && H > 0)) return;
  if (AntiAliased()) {
    g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAlias);
  } else {
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
  }
  g.MultiplyTransform(F.Transform.Matrix);
  const float Wo = Finite0(FBorder->OuterBevel().WidthFor(M)), Wi = Finite0(FBorder->InnerBevel().WidthFor(M));
  const float R = Finite0(FBorder->CornerSize().Get(M));
  const TKVBorderShape shape = FBorder->Shape();

  // 1. The face, reaching under the border ring.
  const gp::SolidBrush face(FColor);
  if (shape == bsDiamond) {
    const gp::PointF pts[4] = {{0.5f, H / 2 + 0.5f}, {W / 2 + 0.5f, 0.5f}, {W - 0.5f, H / 2 + 0.5f}, {W / 2 + 0.5f, H - 0.5f}};
    g.FillPolygon(face, pts, 4);
  } else {
    const float q = B / 4;
    g.FillPath(face, DWBorderShapePath(shape, gp::RectF(q, q, W - 2 * q, H - 2 * q), std::max(R + Wo / 2 - q, 0.0f)));
  }

  const gp::GraphicsState unclipped = g.Save();
  g.SetClip(InnerShape(F), gp::CombineModeIntersect);
  // 2. Caption.
  DrawCaption(g, F, false);
  // 3. Ranges beside the scale, along the rail's length.
  const TDWLinearRail rail = FRail->Place(F);
  const TDWStraightLine line{rail.T, rail.L};
  const bool reversed = FScale->Reversed();
  if (FRanges->Visible())
    DWDrawStraightRanges(g, *FRanges, line, B + FRanges->Size().Get(2 * F.HW), FRanges->Width().Get(2 * F.HW),
                         reversed);
  // 4. Ticks and labels.
  TDWStraightTickPlace place;
  place.BaseX = B + FScale->Size().Get(2 * F.HW);
  place.MajorEndX = place.BaseX + FScale->MajorTicks().Length().Get(2 * F.HW);
  place.MinorEndX = place.BaseX + FScale->MinorTicks().Length().Get(2 * F.HW);
  place.MajorLabelX = B + FScale->MajorTicks().Labels().Position().Get(2 * F.HW);
  place.MinorLabelX = B + FScale->MinorTicks().Labels().Position().Get(2 * F.HW);
  place.ThicknessRef = rail.L;
  place.FontRef = 2 * F.HW;
  DWDrawStraightTicks(g, *FScale, FScale->ListTicks(FMin, FMax), line, place);
  // 5. Outlined captions.
  DrawCaption(g, F, true);
  // 6. Shading.
  if (FCurved) DrawShading(g, F);
  // 7. The rail, half a hand width longer than the scale at both ends.
  if (FRail->Visible()) {
    const TDWLinearHandPlace hands = HandPlace(F);
    if (hands.RailRect.Width > 0 && hands.RailRect.Height > 0)
      g.FillRectangle(gp::SolidBrush(FRail->Color()), hands.RailRect);
  }
  g.Restore(unclipped);
  // 8. The border ring and frame layers over everything.
  if (Wo > 0 || Wi > 0) DWDrawBorderRing(g, *FBorder, shape, gp::RectF(0, 0, W, H), R, M);
}

void TDWBasicLinearGauge::DrawShading(gp::Graphics& g, const TDWLinearFrame& F) {
  const float W = F.Transform.Width, H = F.Transform.Height;
  const gp::RectF r = FBorder->OuterBevel().Visible() ? gp::RectF(0.5f, 0.5f, W - 1, H - 1) : gp::RectF(0, 0, W, H);
  if (!(r.Width > 0 && r.Height > 0)) return;
  gp::LinearGradientBrush brush(r, FColor, 0xFFFFFFFF, gp::LinearGradientModeVertical);
  const TAlphaColor colors[5] = {0x64000000, 0x7FFFFFFF, 0x96FFFFFF, 0x7FFFFFFF, 0x6E000000};
  const float upright[5] = {0, 0.35f, 0.45f, 0.55f, 1};
  const float turned[5] = {0, 0.45f, 0.55f, 0.65f, 1};
  brush.SetInterpolationColors(colors, F.Transform.Turned ? turned : upright, 5);
  g.FillRectangle(brush, r);
}

void TDWBasicLinearGauge::DrawCaption(gp::Graphics& g, const TDWLinearFrame& F, bool AOutlinedPass) {
  if (FCaption->GetText().empty()) return;
  const float HW = F.HW, HH = F.HH, B = F.B;
  const gp::RectF box(0, 0, F.Transform.Width, F.Transform.Height);
  const gp::StringFormat format = CentredFormat();
  auto draw = [&](const std::string& AText, const TRXGPSimpleFont& AFont, const TKVElementOffsets& APos,
                  float AAngle) {
    if (AText.empty() || AFont.Outlined() != AOutlinedPass) return;
    const float x = HW + B + APos.X().Get(HW), y = HH + B + APos.Y().Get(HH);
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    const gp::GraphicsState state = g.Save();
    g.TranslateTransform(x, y);
    g.RotateTransform(AAngle);
    if (AOutlinedPass) {
      gp::GraphicsPath path;
      AFont.AddText(path, AText, gp::PointF(0, 0), AFont.Size().Get(HW) * 2 * 1.33f, &format);
      g.ScaleTransform(0.4625f, 0.505f);
      AFont.DrawOnGraphics(g, path, 0.001f * std::min(HW, HH));
    } else {
      g.DrawString(AText, AFont.GetGPFontFor(HW), gp::PointF(0, 0), &format, *AFont.Brush().GetGPBrush(box));
    }
    g.Restore(state);
  };
  draw(FCaption->GetText(), FCaption->Font(), FCaption->Position(), FCaption->Angle());
  for (size_t k = 0; k < FCaption->Items().Count(); ++k) {
    const TKVCaptionItem& item = FCaption->Items()[k];
    draw(item.Text(), item.Font(), item.Position(), item.Angle());
  }
}

void TDWBasicLinearGauge::DrawTopLayer(gp::Graphics& g, const TDWLayerFrame&) {
  const TDWLinearFrame& F = FFrame;
  const float W = F.Transform.Width, H = F.Transform.Height, B = F.B;
  if (!(W - 2 * B > 0 && H - 2 * B > 0)) return;
  // The glass turns with the frame.
  g.MultiplyTransform(F.Transform.Matrix);
  TAlphaColor c1, c2;
  FGlass->GlossColors(c1, c2);
  DWDrawShapeGloss(g, FBorder->Shape(), c1, c2, gp::RectF(B, B, W - 2 * B, H - 2 * B),
                   Finite0(FBorder->CornerSize().Get(F.M)));
}

}  // namespace dw
