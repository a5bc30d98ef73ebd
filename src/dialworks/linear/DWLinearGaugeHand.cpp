// The linear hand: a bar with a tapering tip pointing across the scale, three white shading bands
// and a drop shadow, all built once per size or setting and moved to the hand's anchor each frame.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

#include "dialworks/draw/Brush.h"
#include "dialworks/linear/DWLinearGauge.h"
#include "dialworks/linear/LinearMath.h"

namespace dw {

using linear::Finite0;

namespace {
float Cross(gp::PointF O, gp::PointF A, gp::PointF B) { return (A.X - O.X) * (B.Y - O.Y) - (A.Y - O.Y) * (B.X - O.X); }
}  // namespace

TDWLinearHandShape DWLinearHandShape(float Lh, float w, float tl, float tw, float t) {
  TDWLinearHandShape s;
  const float body = Lh - tl;
  s.Outline = {{{0, -w / 2}, {body, -w / 2}, {Lh, -tw / 2}, {Lh, tw / 2}, {body, w / 2}, {0, w / 2}}};
  s.Upper = {{{0, -w / 2}, {body, -w / 2}, {Lh, -tw / 2}, {t, -tw / 2}}};
  s.Lower = {{{0, w / 2}, {body, w / 2}, {Lh, tw / 2}, {t, tw / 2}}};
  s.Tail = {{{0, -w / 2}, {t, -tw / 2}, {t, tw / 2}, {0, w / 2}}};
  return s;
}

std::vector<gp::PointF> DWLinearHandShadowOutline(const std::array<gp::PointF, 6>& AOutline, float dx, float dy) {
  // The outline and its moved copy; their convex hull is what the hand sweeps (monotone chain).
  std::vector<gp::PointF> pts(AOutline.begin(), AOutline.end());
  for (const gp::PointF& p : AOutline) pts.push_back({p.X + dx, p.Y + dy});
  std::sort(pts.begin(), pts.end(), [](gp::PointF a, gp::PointF b) { return a.X < b.X || (a.X == b.X && a.Y < b.Y); });
  std::vector<gp::PointF> hull(2 * pts.size());
  size_t k = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  for (size_t i = pts.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  hull.resize(k > 1 ? k - 1 : k);
  return hull;
}

TDWLinearGaugeHand::TDWLinearGaugeHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl) {
  auto size = [&](float ADefault) {
    return std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, ADefault);
  };
  FWidth = size(0.03f);
  FTipWidth = size(0.2f);
  FTipLength = size(0.65f);
  FTailIndentSize = size(0.15f);
  FLength = size(0.25f);
  FShadow = std::make_unique<TDWElementShadow>([this] { DoChanged(); }, this, AControl);
  FAnimation = std::make_unique<TDWHandAnimation>([this] { TKVBasicControlProperty::DoChanged(); }, this, ChangeLock());
}

void TDWLinearGaugeHand::DoChanged() {
  DoInvalidateResources();
  TKVBasicControlProperty::DoChanged();
}

void TDWLinearGaugeHand::DoInvalidateResources() {
  FValid = false;
  FShadowPath.reset();
  FShadowOutline.clear();
  FShadowBrush.reset();
}

void TDWLinearGaugeHand::SetValue(float AFraction) { SetAngle(AFraction * AnimationUnits); }
float TDWLinearGaugeHand::AnimationTarget(float AFraction) {
  return std::isnan(AFraction) ? 0.0f : std::clamp(AFraction, 0.0f, 1.0f) * AnimationUnits;
}
float TDWLinearGaugeHand::GetCurrentValue() const { return GetCurrentAngle() / AnimationUnits; }
float TDWLinearGaugeHand::GetTargetValue() const { return GetTargetAngle() / AnimationUnits; }

void TDWLinearGaugeHand::SetTargetAngle(float AUnits) {
  if (!std::isfinite(AUnits)) return;
  std::lock_guard guard(FLock);
  FMotion.Target = AUnits;
}
float TDWLinearGaugeHand::GetTargetAngle() const {
  std::lock_guard guard(FLock);
  return FMotion.Target;
}
float TDWLinearGaugeHand::GetCurrentAngle() const {
  std::lock_guard guard(FLock);
  return FMotion.Current;
}
void TDWLinearGaugeHand::SetAngle(float AUnits) {
  if (!std::isfinite(AUnits)) return;
  std::lock_guard guard(FLock);
  FMotion.Current = FMotion.Target = AUnits;
  FMotion.Speed = 0;
}
bool TDWLinearGaugeHand::PerformAnimation() {
  std::lock_guard guard(FLock);
  return DWHandAnimationStep(FMotion, FAnimation->TickAcceleration(), FAnimation->TickResistance(), false);
}

float TDWLinearGaugeHand::WidthFor(const TDWLinearFrame& F) const { return Finite0(FWidth->Get(2 * F.HH)); }

void TDWLinearGaugeHand::EnsureResources(const TDWLinearHandPlace& P) {
  const TDWLinearFrame& F = P.Frame;
  const float Lh = Finite0(FLength->Get(2 * F.HW)), w = WidthFor(F);
  const float d = 0.1f * std::max(std::min(F.HH, F.HW), 0.0f);
  const float a = 360 - P.RotationAngle + 45;
  const float key[4] = {Lh, w, d, a};
  if (FValid && std::equal(key, key + 4, FKey)) return;
  DoInvalidateResources();
  std::copy(key, key + 4, FKey);
  FValid = true;
  const float tw = Finite0(FTipWidth->Get(w)), tl = std::min(Finite0(FTipLength->Get(Lh)), Lh);
  const float t = std::min(Finite0(FTailIndentSize->Get(Lh)), Lh);
  FShape = DWLinearHandShape(Lh, w, tl, tw, t);
  if (!FShadow->Visible() || !(Lh > 0 && w > 0)) return;
  constexpr float kRad = std::numbers::pi_v<float> / 180;
  const float dx = d * std::sin(a * kRad), dy = d * std::cos(a * kRad);
  FShadowOutline = DWLinearHandShadowOutline(FShape.Outline, dx, dy);
  FShadowPath.emplace();
  FShadowPath->AddPolygon(FShadowOutline.data(), int(FShadowOutline.size()));
  FShadowBrush = std::make_unique<gp::PathGradientBrush>(*FShadowPath);
  FShadowBrush->SetWrapMode(gp::WrapModeClamp);
  const TAlphaColor colors[3] = {0x00000000, 0x8C000000, 0x8C000000};
  const float positions[3] = {0.0f, 0.7f, 1.0f};
  FShadowBrush->SetInterpolationColors(colors, positions, 3);
  // The centre on the shadow's own axis, midway along the moved hand: the shadow fades evenly
  // towards every edge.
  FShadowBrush->SetCenterPoint(gp::PointF(Lh / 2 + dx, dy));
}

gp::PointF TDWLinearGaugeHand::Anchor(const TDWLinearHandPlace& P, float AFraction) {
  return {P.Rail.X, DWLinearHandY(P.Rail, AFraction, P.Reversed)};
}

gp::RectF TDWLinearGaugeHand::Bounds(const TDWLinearHandPlace& P, float AFraction) {
  EnsureResources(P);
  const gp::PointF anchor = Anchor(P, AFraction);
  gp::Matrix at;
  at.Translate(anchor.X, anchor.Y);
  gp::RectF r = DWTransformedBounds(at, FShape.Outline);
  if (FShadowPath && FShadowBrush && r.IsFinite()) r = gp::RectF::Union(r, DWTransformedBounds(at, FShadowOutline));
  return r;
}

void TDWLinearGaugeHand::DrawAt(gp::Graphics& g, const TDWLinearHandPlace& P, float AFraction) {
  const gp::GraphicsState state = g.Save();
  const auto [x, y] = Anchor(P, AFraction);
  EnsureResources(P);
  if (FShadowPath && FShadowBrush) {
    // The shadow never falls on the rail. It is moved to the anchor once.
    if (P.RailRect.Width > 0 && P.RailRect.Height > 0) {
      // As a kept path: the graphics then reuses the clip it built for the same path last frame.
      if (!(FRailRect == P.RailRect) || FRailPath.GetPointCount() == 0) {
        FRailRect = P.RailRect;
        FRailPath.Reset();
        FRailPath.AddRectangle(P.RailRect);
      }
      g.SetClip(FRailPath, gp::CombineModeExclude);
    }
    g.TranslateTransform(x, y);
    g.FillPath(*FShadowBrush, *FShadowPath);
    g.Restore(state);
  }
  const gp::GraphicsState body = g.Save();
  g.TranslateTransform(x, y);
  // The hand, then its shading bands over it: one call, so a graphics may compose them in one pass.
  const gp::SolidBrush colour(GetColor()), upper(0x82FFFFFF), lower(0x50FFFFFF), tail(0x96FFFFFF);
  const gp::PolygonFill fills[4] = {{&colour, FShape.Outline.data(), int(FShape.Outline.size())},
                                    {&upper, FShape.Upper.data(), 4},
                                    {&lower, FShape.Lower.data(), 4},
                                    {&tail, FShape.Tail.data(), 4}};
  g.FillPolygons(fills, 4);
  g.Restore(body);
  g.Restore(state);
}

bool TDWLinearGaugeHand::HitTest(float AX, float AY, float AFraction, const TDWLinearHandPlace& P,
                                 const gp::Matrix& AToFrame) {
  if (!std::isfinite(AFraction)) return false;
  EnsureResources(P);
  const float f = P.Reversed ? 1 - AFraction : AFraction;
  const float y = P.Rail.T + P.Rail.L - (P.Rail.L + 0.5f) * f;
  gp::PointF p(AX, AY);
  AToFrame.TransformPoints(&p, 1);
  if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return false;
  gp::GraphicsPath path;
  path.AddPolygon(FShape.Outline.data(), int(FShape.Outline.size()));
  return path.IsVisible(p.X - P.Rail.X, p.Y - y);
}

}  // namespace dw
