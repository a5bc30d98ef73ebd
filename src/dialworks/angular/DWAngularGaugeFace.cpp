// The dial's face: everything that does not move, painted into the two cached layers of the
// layered instrument base. The face layer holds the face, the caption, the range arcs, the ticks
// and their labels (and the border ring when it has no bands); the top layer holds the glass
// highlight over the centre cap and the border bands with the base ring, drawn over the hands.
// Lengths: border widths against the dial size S; range band, fonts and hand against the face
// radius R0; tick lengths and thickness against the face diameter 2·R0.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/Shading.h"

namespace dw {

namespace {

float Finite0(float AValue) { return std::isfinite(AValue) && AValue > 0 ? AValue : 0.0f; }

gp::StringFormat CentredFormat() {
  gp::StringFormat f(gp::StringFormatFlagsNoClip);
  f.SetAlignment(gp::StringAlignmentCenter);
  f.SetLineAlignment(gp::StringAlignmentCenter);
  return f;
}

// Text drawn as an outline path around the origin (the font's own path drawing).
void DrawOutlinedText(gp::Graphics& g, const TRXGPSimpleFont& AFont, const std::string& AText, float AEmSize,
                      float APenWidth) {
  const gp::StringFormat format = CentredFormat();
  gp::GraphicsPath path;
  AFont.AddText(path, AText, gp::PointF(0, 0), AEmSize * 2 * 1.33f, &format);
  g.ScaleTransform(0.4625f, 0.505f);
  AFont.DrawOnGraphics(g, path, APenWidth);
}

}  // namespace

TDWLayerArea TDWBasicAngularGauge::LayerArea(float AWidth, float AHeight) {
  FFrameLayout = Layout(AWidth, AHeight);
  const TDWDialLayout& L = FFrameLayout;
  if (!(L.Width >= 1 && L.Height >= 1)) return {};
  // The hands pivot at the middle of the area minus one pixel, hence one pixel more.
  return {L.ShiftX, L.ShiftY, L.Width + 1, L.Height + 1};
}

TDWFaceShape TDWBasicAngularGauge::FaceShape(const TDWLayerFrame&) {
  const TDWDialLayout& L = FFrameLayout;
  const float c = L.Inset;
  return {DWBorderShapePath(FBorder->Shape(), gp::RectF(c / 2, c / 2, L.Width - c, L.Height - c),
                            FBorder->CornerSize().Get(L.Size))};
}

bool TDWBasicAngularGauge::HasBands(const TDWDialLayout& L) const {
  return FBorder->OuterBevel().WidthFor(L.Size) > 0 || FBorder->InnerBevel().WidthFor(L.Size) > 0;
}

bool TDWBasicAngularGauge::HasTopLayer(const TDWLayerFrame&) {
  return FGlass->Visible() || HasBands(FFrameLayout);
}

void TDWBasicAngularGauge::DrawTopLayer(gp::Graphics& g, const TDWLayerFrame&) {
  const TDWDialLayout& L = FFrameLayout;
  // The bands lie over the glass, and the cap under it; without glass the cap lies over the bands.
  const bool glass = FGlass->Visible();
  if (glass) DrawGlass(g, L);
  if (HasBands(L)) DrawRing(g, L);
  if (!glass) FCenter->Draw(g, L.Size, L.Width, L.Height, AntiAliased());
}

void TDWBasicAngularGauge::DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame&) {
  const TDWDialLayout& L = FFrameLayout;
  const float W = L.Width, H = L.Height, S = L.Size, R0 = L.Radius;
  if (AntiAliased()) {
    g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAlias);
  } else {
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
  }

  // The face, reaching under the border ring.
  const float B = Finite0(FBorder->Width().Get(S));
  const float p = B + Finite0(FBorder->OuterBevel().WidthFor(S)) / 2 + Finite0(FBorder->InnerBevel().WidthFor(S)) / 2;
  g.FillPath(gp::SolidBrush(FColor), DWBorderShapePath(FBorder->Shape(), gp::RectF(p / 2, p / 2, W - p, H - p),
                                                       Finite0(FBorder->CornerSize().Get(S))));

  if (!HasBands(L)) DrawRing(g, L);

  // From here on everything stays inside the face.
  const gp::GraphicsState unclipped = g.Save();
  g.SetClip(BuiltFaceShape().Path, gp::CombineModeIntersect);
  DrawCaption(g, L, false);

  // Range arcs around the scale (centred on the hand's pivot, like the ticks).
  const TDWDialAngles angles = FScale->Angles();
  const bool reversed = FScale->Reversed();
  g.TranslateTransform(L.OffsetX, L.OffsetY);
  if (FRanges->Visible()) {
    const float w = Finite0(FRanges->Width().Get(R0)) * 2;
    const float d = FRanges->Size().Get(2 * R0) - w / 2;
    if (w > 0 && d > 0 && std::isfinite(d)) {
      const gp::RectF r((W - d) / 2, (H - d) / 2, d, d);
      g.DrawArc(gp::Pen(FRanges->Color(), w), r, angles.Start, angles.Sweep);
      std::vector<TDWRangeShare> shares;
      const TDWAnalogGaugeRanges& list = FRanges->Ranges();
      for (size_t k = 0; k < list.Count(); ++k) shares.push_back({list.Items(k).Range(), list.Items(k).Color()});
      for (const TDWRangeArc& arc : DWDialRangeArcs(angles, reversed, shares))
        g.DrawArc(gp::Pen(arc.Color, 0.8f * w), r, arc.StartAngle, arc.SweepAngle);
    }
  }
  DrawTicks(g, L);
  g.TranslateTransform(-L.OffsetX, -L.OffsetY);
  DrawCaption(g, L, true);
  g.Restore(unclipped);
}

void TDWBasicAngularGauge::DrawRing(gp::Graphics& g, const TDWDialLayout& L) {
  DWDrawBorderRing(g, *FBorder, FBorder->Shape(), gp::RectF(0, 0, L.Width, L.Height),
                   Finite0(FBorder->CornerSize().Get(L.Size)), L.Size);
}

void TDWBasicAngularGauge::DrawTicks(gp::Graphics& g, const TDWDialLayout& L) {
  const float W = L.Width, H = L.Height, S = L.Size, R0 = L.Radius;
  const gp::RectF box(0, 0, S, S);
  const TDWScaleTickList list = FScale->ListTicks(FMin, FMax);
  if (list.Ticks.empty()) return;
  const auto& major = FScale->MajorTicks();
  const auto& minor = FScale->MinorTicks();
  const gp::Pen majorPen(*major.Brush().GetGPBrush(box), Finite0(major.Thickness().Get(2 * R0)));
  const gp::Pen minorPen(*minor.Brush().GetGPBrush(box), Finite0(minor.Thickness().Get(2 * R0)));
  const float R = FScale->Size().Get(R0);
  const float majorInner = R - major.Length().Get(2 * R0);
  const float minorInner = R - minor.Length().Get(2 * R0);
  const float cx = W / 2, cy = H / 2;
  const TDWDialAngles angles = FScale->Angles();
  const gp::StringFormat format = CentredFormat();
  constexpr float kRad = std::numbers::pi_v<float> / 180;

  for (const TDWScaleTick& t : list.Ticks) {
    const float a = DWDialTickAngle(angles, t.Position, list.Steps) * kRad;
    const float ca = std::cos(a), sa = std::sin(a);
    const float inner = t.Major ? majorInner : minorInner;
    g.DrawLine(t.Major ? majorPen : minorPen, gp::PointF(cx + R * ca, cy + R * sa),
               gp::PointF(cx + inner * ca, cy + inner * sa));
    if (!t.HasLabel || t.Label.empty()) continue;
    const TDWInstrumentTicksText& labels = t.Major ? major.Labels() : minor.Labels();
    const float r = labels.Position().Get(R);
    const TRXGPSimpleFont& font = labels.Font();
    const gp::Matrix saved = g.GetTransform();
    g.TranslateTransform(cx + r * ca, cy + r * sa);
    g.RotateTransform(labels.Angle());
    if (font.Outlined())
      DrawOutlinedText(g, font, t.Label, font.Size().Get(R0), 0.001f * W);
    else
      g.DrawString(t.Label, font.GetGPFontFor(R0), gp::PointF(0, 0), &format, *font.Brush().GetGPBrush(box));
    g.SetTransform(saved);
  }
}

void TDWBasicAngularGauge::DrawCaption(gp::Graphics& g, const TDWDialLayout& L, bool AOutlinedPass) {
  const float W = L.Width, H = L.Height, S = L.Size, R0 = L.Radius;
  const gp::RectF box(0, 0, S, S);
  const gp::StringFormat format = CentredFormat();
  auto draw = [&](const std::string& AText, const TRXGPSimpleFont& AFont, const TKVElementOffsets& APos,
                  float AAngle) {
    if (AText.empty() || AFont.Outlined() != AOutlinedPass) return;
    const gp::Matrix saved = g.GetTransform();
    g.TranslateTransform(W / 2 + APos.X().Get(R0), H / 2 + APos.Y().Get(R0));
    g.RotateTransform(AAngle);
    if (AOutlinedPass) DrawOutlinedText(g, AFont, AText, AFont.Size().Get(R0), 0.001f * W);
    else g.DrawString(AText, AFont.GetGPFontFor(R0), gp::PointF(0, 0), &format, *AFont.Brush().GetGPBrush(box));
    g.SetTransform(saved);
  };
  // Further items are drawn only with a caption, the same way.
  if (FCaption->GetText().empty()) return;
  draw(FCaption->GetText(), FCaption->Font(), FCaption->Position(), FCaption->Angle());
  for (size_t k = 0; k < FCaption->Items().Count(); ++k) {
    const TKVCaptionItem& item = FCaption->Items()[k];
    draw(item.Text(), item.Font(), item.Position(), item.Angle());
  }
}

void TDWBasicAngularGauge::DrawGlass(gp::Graphics& g, const TDWDialLayout& L) {
  const float W = L.Width, H = L.Height, S = L.Size;
  // The cap (under the glass) is clipped to the face.
  const gp::GraphicsState state = g.Save();
  g.SetClip(BuiltFaceShape().Path, gp::CombineModeIntersect);
  FCenter->Draw(g, S, W, H, AntiAliased());
  g.Restore(state);
  const float d = L.Inset;
  TAlphaColor c1, c2;
  FGlass->GlossColors(c1, c2);
  DWDrawShapeGloss(g, FBorder->Shape(), c1, c2, gp::RectF(d, d, W - 2 * d, H - 2 * d), Finite0(FBorder->CornerSize().Get(S)));
}

}  // namespace dw
