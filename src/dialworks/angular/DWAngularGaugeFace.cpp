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

}  // namespace

TDWLayerArea TDWBasicAngularGauge::LayerArea(float AWidth, float AHeight) {
  FFrameLayout = Layout(AWidth, AHeight);
  const TDWDialLayout& L = FFrameLayout;
  if (!(L.Width >= 1 && L.Height >= 1)) return {};
  // The hands pivot at the middle of the area minus one pixel, hence one pixel more.
  return {L.ShiftX, L.ShiftY, L.Width + 1, L.Height + 1};
}

TDWFaceShape TDWBasicAngularGauge::FaceShape(const TDWLayerFrame&) {
  return {DWDialFaceShape(*FBorder, FFrameLayout)};
}

bool TDWBasicAngularGauge::HasBands(const TDWDialLayout& L) const { return DWDialHasBands(*FBorder, L.Size); }

bool TDWBasicAngularGauge::HasTopLayer(const TDWLayerFrame&) {
  return FGlass->Visible() || HasBands(FFrameLayout);
}

void TDWBasicAngularGauge::DrawTopLayer(gp::Graphics& g, const TDWLayerFrame&) {
  DWDrawDialTopLayer(g, FaceParts(), FFrameLayout, BuiltFaceShape().Path);
}

TDWDialFaceParts TDWBasicAngularGauge::FaceParts() const {
  return {*FBorder, *FCaption, *FGlass, *FCenter, FColor, AntiAliased()};
}

void TDWBasicAngularGauge::DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame&) {
  const TDWDialLayout& L = FFrameLayout;
  const float W = L.Width, H = L.Height, R0 = L.Radius;
  DWDrawDialFaceBase(g, FaceParts(), L);

  // From here on everything stays inside the face.
  const gp::GraphicsState unclipped = g.Save();
  g.SetClip(BuiltFaceShape().Path, gp::CombineModeIntersect);
  DWDrawDialCaption(g, *FCaption, L, false);

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
  DWDrawDialCaption(g, *FCaption, L, true);
  g.Restore(unclipped);
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
    DWDrawCentredText(g, font, t.Label, R0, W, box);
    g.SetTransform(saved);
  }
}

}  // namespace dw
