#include "dialworks/foundation/DWAnalogInstrumentHand.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/ChangeNotify.h"

namespace dw {

// ---- TDWHandAnimation ----

TDWHandAnimation::TDWHandAnimation(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock)
    : TEnabledPersistent(std::move(AOnChange), AOwner, ALock) {
  FTickEnabled = FEnabled;
}

void TDWHandAnimation::SetAcceleration(float AValue) {
  SetterMinMax(*this, "Acceleration", FAcceleration, AValue, 0.0f, 1.0f,
               [this] { FTickAcceleration = FAcceleration; });
}

void TDWHandAnimation::SetResistance(float AValue) {
  SetterMinMax(*this, "Resistance", FResistance, AValue, 0.0f, 1.0f, [this] { FTickResistance = FResistance; });
}

void TDWHandAnimation::SetEnabled(bool AValue) {
  Setter(*this, "Enabled", FEnabled, AValue, [this] { FTickEnabled = FEnabled; });
}

DW_PROPERTIES(TDWHandAnimation) {
  using C = TDWHandAnimation;
  t.Single("Acceleration", &C::Acceleration, &C::SetAcceleration, C::DefaultAcceleration).Limit(0, 1);
  t.Single("Resistance", &C::Resistance, &C::SetResistance, C::DefaultResistance).Limit(0, 1);
}

// ---- TDWAngularHand ----

TDWAngularHand::TDWAngularHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl) {
  auto size = [&](float ADefault) {
    return std::make_unique<TKVElementSize>(
        [this] {
          DoInvalidateResources();
          DoChanged();
        },
        this, AControl, ADefault);
  };
  FLength = size(0.78f);
  FTipWidth = size(0.02f);
  FTailLength = size(0.4f);
  FTailWidth = size(0.1f);
  FTailIndentSize = size(0.07f);
  FShadow = std::make_unique<TDWElementShadow>(
      [this] {
        DoInvalidateResources();
        DoChanged();
      },
      this, AControl);
  FAnimation = std::make_unique<TDWHandAnimation>([this] { DoChanged(); }, this, ChangeLock());
}

DW_PROPERTIES(TDWAngularHand) {
  using C = TDWAngularHand;
  t.Bool("Visible", &C::Visible, &C::SetVisible, true);
  t.Object("Length", [](C& c) -> TKVElementSize& { return c.Length(); });
  t.Object("TailLength", [](C& c) -> TKVElementSize& { return c.TailLength(); });
  t.Object("TipWidth", [](C& c) -> TKVElementSize& { return c.TipWidth(); });
  t.Object("TailIndentSize", [](C& c) -> TKVElementSize& { return c.TailIndentSize(); });
  t.Object("TailWidth", [](C& c) -> TKVElementSize& { return c.TailWidth(); });
  t.Color("Color", &C::Color, &C::SetColor, 0xFFFF0000);
  t.Object("Shadow", [](C& c) -> TDWElementShadow& { return c.Shadow(); });
  t.Object("Animation", [](C& c) -> TDWHandAnimation& { return c.Animation(); });
}

void TDWAngularHand::SetColor(TAlphaColor AValue) {
  Setter(*this, "Color", FColor, AValue, [this] { InvalidateOwner(); });
}

void TDWAngularHand::SetAngle(float AAngle) {
  if (!std::isfinite(AAngle)) return;
  std::lock_guard guard(FAngleLock);
  FMotion.Current = FMotion.Target = AAngle;
  FMotion.Speed = 0;
}

void TDWAngularHand::SetTargetAngle(float AAngle) {
  if (!std::isfinite(AAngle)) return;
  std::lock_guard guard(FAngleLock);
  FMotion.Target = AAngle;
}

float TDWAngularHand::GetTargetAngle() const {
  std::lock_guard guard(FAngleLock);
  return FMotion.Target;
}

float TDWAngularHand::GetCurrentAngle() const {
  std::lock_guard guard(FAngleLock);
  return FMotion.Current;
}

TDWHandMotion TDWAngularHand::GetMotion() const {
  std::lock_guard guard(FAngleLock);
  return FMotion;
}

bool TDWAngularHand::PerformAnimation() {
  std::lock_guard guard(FAngleLock);
  return DWHandAnimationStep(FMotion, FAnimation->TickAcceleration(), FAnimation->TickResistance(), GetIsFullCircle());
}

TDWHandPolygons TDWAngularHand::CalculatePoinst(float AReference, float) const {
  return DWHandPolygons(FLength->Get(AReference), FTailLength->Get(AReference), FTipWidth->Get(AReference),
                        FTailWidth->Get(AReference), FTailIndentSize->Get(AReference));
}

void TDWAngularHand::InvalidateOwner() {
  if (FControl) FControl->Invalidate();
}

void TDWAngularHand::DoInvalidateResources() {
  FValid = false;
  FShadowPath.reset();
  FShadowBrush.reset();
}

void TDWAngularHand::EnsureResources(float AReference) {
  // A new reference length (the owner was resized) needs new polygons even when nobody said so.
  if (FValid && AReference == FValidReference) return;
  DoInvalidateResources();
  FValid = true;
  FValidReference = AReference;
  FPolygons = CalculatePoinst(AReference, AReference);
  FTailIndent = FPolygons.TailIndent;
  if (!FShadow->Visible()) return;
  FShadowPath.emplace();
  FShadowPath->AddPolygon(FPolygons.Full.data(), int(FPolygons.Full.size()));
  FShadowBrush = std::make_unique<gp::PathGradientBrush>(*FShadowPath);
  FShadowBrush->SetWrapMode(gp::WrapModeClamp);
  const TAlphaColor colors[3] = {0x00000000, 0x8C000000, 0x8C000000};
  const float positions[3] = {0.0f, 0.7f, 1.0f};
  FShadowBrush->SetInterpolationColors(colors, positions, 3);
  FShadowBrush->SetCenterPoint(gp::PointF(-FTailLength->Get(AReference) / 2, 0));
}

void TDWAngularHand::Draw(gp::Graphics& g, float ACenterX, float ACenterY, float AReference, float, float AWidth,
                          float AHeight, float, float, float AScaleX, float AScaleY) {
  DrawAt(g, ACenterX, ACenterY, AReference, AWidth, AHeight, AScaleX, AScaleY, GetCurrentAngle());
}

namespace {
// The shadow lies this far right and down of the hand, unscaled.
float ShadowDistance(float AWidth, float AHeight) { return 0.014f * std::min(AWidth, AHeight); }
}  // namespace

gp::RectF TDWAngularHand::Bounds(float ACenterX, float ACenterY, float AReference, float AWidth, float AHeight,
                                 float AScaleX, float AScaleY, float AAngle) {
  if (!FVisible) return {};
  EnsureResources(AReference);
  const float angle = DWFoldAngleOnce(AAngle);
  const float cx = (AWidth - 1) / 2, cy = (AHeight - 1) / 2;
  // The transforms of DrawAt, as matrices (each step applies to the points before the previous).
  // The outline and the bevels' inner corners, which lie outside it when the tail indent is
  // negative or longer than the hand.
  const gp::PointF points[6] = {FPolygons.Full[0], FPolygons.Full[1],      FPolygons.Full[2],
                                FPolygons.Full[3], FPolygons.LeftBevel[0], FPolygons.RightBevel[0]};
  auto box = [&](const gp::Matrix& m) { return DWTransformedBounds(m, points); };
  gp::Matrix hand;
  hand.Translate(ACenterX, ACenterY);
  hand.Scale(AScaleX, AScaleY);
  hand.Translate(cx, cy);
  hand.Rotate(angle);
  gp::RectF r = box(hand);
  if (FShadow->Visible() && FShadowBrush) {
    const float d = ShadowDistance(AWidth, AHeight);
    gp::Matrix shadow;
    shadow.Translate(ACenterX + d + cx, ACenterY + d + cy);
    shadow.Rotate(angle);
    r = gp::RectF::Union(r, box(shadow));
  }
  return r;
}

void TDWAngularHand::DrawAt(gp::Graphics& g, float ACenterX, float ACenterY, float AReference, float AWidth,
                            float AHeight, float AScaleX, float AScaleY, float AAngle) {
  if (!FVisible) return;
  const gp::Matrix saved = g.GetTransform();
  g.TranslateTransform(ACenterX, ACenterY);
  EnsureResources(AReference);
  const float angle = DWFoldAngleOnce(AAngle);
  const float cx = (AWidth - 1) / 2, cy = (AHeight - 1) / 2;

  if (FShadow->Visible() && FShadowBrush) {
    const float d = ShadowDistance(AWidth, AHeight);
    g.TranslateTransform(d, d);
    g.TranslateTransform(cx, cy);
    g.RotateTransform(angle);
    g.FillPath(*FShadowBrush, *FShadowPath);
    g.SetTransform(saved);
    g.TranslateTransform(ACenterX, ACenterY);
  }

  g.ScaleTransform(AScaleX, AScaleY);
  g.TranslateTransform(cx, cy);
  g.RotateTransform(angle);
  // The hand, then its bevels over it: one call, so a graphics may compose them in one pass.
  const TDWHandBevelAlphas a = DWHandBevelAlphas(angle);
  auto white = [](uint8_t AAlpha) { return gp::SolidBrush((TAlphaColor(AAlpha) << 24) | 0x00FFFFFF); };
  const gp::SolidBrush body(GetColor()), left = white(a.Left), right = white(a.Right), tail = white(a.Tail);
  const gp::PolygonFill fills[4] = {{&body, FPolygons.Full.data(), 4},
                                    {&left, FPolygons.LeftBevel.data(), 3},
                                    {&right, FPolygons.RightBevel.data(), 3},
                                    {&tail, FPolygons.TailBevel.data(), 4}};
  g.FillPolygons(fills, FTailIndent != 0 ? 4 : 3);
  g.SetTransform(saved);
}

bool TDWAngularHand::HitTest(int AX, int AY, float AOffsetX, float AOffsetY, float AReference, float, float AWidth,
                             float AHeight, float AScaleX, float AScaleY) {
  EnsureResources(AReference);
  gp::GraphicsPath path;
  path.AddPolygon(FPolygons.Full.data(), int(FPolygons.Full.size()));
  // A point on the hand is rotated first, moved second and scaled last.
  gp::Matrix m;
  m.Scale(AScaleX, AScaleY);
  m.Translate(AOffsetX + (AWidth - 1) / 2, AOffsetY + (AHeight - 1) / 2);
  m.Rotate(GetCurrentAngle());
  if (!m.IsFinite()) return false;
  path.Transform(m);
  return path.IsVisible(float(AX), float(AY));
}

}  // namespace dw
