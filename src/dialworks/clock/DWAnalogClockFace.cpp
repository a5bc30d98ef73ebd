// The clock's face: a closed twelve-hour dial starting at twelve o'clock. The face layer holds the
// face, border ring, caption, hour ranges, marks and numerals; the top layer the glass over the
// centre cap and the border bands. Lengths: border widths against the dial size S; range band,
// fonts and hands against the face radius R0; mark lengths and thickness against 2·R0.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "dialworks/clock/DWAnalogClock.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/host/TickText.h"

namespace dw {

namespace {
float ClockFinite0(float AValue) { return std::isfinite(AValue) && AValue > 0 ? AValue : 0.0f; }
constexpr float kClockRad = std::numbers::pi_v<float> / 180;
}  // namespace

TDWLayerArea TDWBasicAnalogClock::LayerArea(float AWidth, float AHeight) {
  FFrameLayout = Layout(AWidth, AHeight);
  const TDWDialLayout& L = FFrameLayout;
  if (!(L.Width >= 1 && L.Height >= 1)) return {};
  // The hands pivot at the middle of the area minus one pixel, hence one pixel more.
  return {L.ShiftX, L.ShiftY, L.Width + 1, L.Height + 1};
}

TDWFaceShape TDWBasicAnalogClock::FaceShape(const TDWLayerFrame&) { return {DWDialFaceShape(*FBorder, FFrameLayout)}; }

bool TDWBasicAnalogClock::HasTopLayer(const TDWLayerFrame&) {
  return FGlass->Visible() || DWDialHasBands(*FBorder, FFrameLayout.Size);
}

TDWDialFaceParts TDWBasicAnalogClock::FaceParts() const {
  return {*FBorder, *FCaption, *FGlass, *FCenter, FColor, AntiAliased()};
}

void TDWBasicAnalogClock::DrawTopLayer(gp::Graphics& g, const TDWLayerFrame&) {
  DWDrawDialTopLayer(g, FaceParts(), FFrameLayout, BuiltFaceShape().Path);
}

void TDWBasicAnalogClock::DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame&) {
  const TDWDialLayout& L = FFrameLayout;
  DWDrawDialFaceBase(g, FaceParts(), L);
  const gp::GraphicsState unclipped = g.Save();
  g.SetClip(BuiltFaceShape().Path, gp::CombineModeIntersect);
  DWDrawDialCaption(g, *FCaption, L, false);
  if (FRanges->Visible()) DrawRanges(g, L);
  DrawMarks(g, L);
  DWDrawDialCaption(g, *FCaption, L, true);
  g.Restore(unclipped);
}

void TDWBasicAnalogClock::DrawRanges(gp::Graphics& g, const TDWDialLayout& L) {
  const float R0 = L.Radius;
  const float w = ClockFinite0(FRanges->Width().Get(R0)) * 2;
  const float d = FRanges->Size().Get(2 * R0) - w / 2;
  if (!(w > 0 && d > 0 && std::isfinite(d))) return;
  const gp::RectF r((L.Width - d) / 2, (L.Height - d) / 2, d, d);
  g.DrawEllipse(gp::Pen(FRanges->Color(), w), r);
  // Ranges count in hours (30 degrees each) from twelve o'clock, each cut to what is left.
  const TDWAnalogGaugeRanges& list = FRanges->Ranges();
  float at = -90, left = 360;
  for (size_t k = 0; k < list.Count() && left >= 0; ++k) {
    const double hours = list.Items(k).Range();
    const float sweep = hours > 0 ? std::min(float(hours) * 30.0f, left) : 0.0f;
    if (sweep > 0) g.DrawArc(gp::Pen(list.Items(k).Color(), 0.8f * w), r, at, sweep);
    at += sweep;
    left -= sweep;
    if (left <= 0) break;
  }
}

void TDWBasicAnalogClock::DrawMarks(gp::Graphics& g, const TDWDialLayout& L) {
  const float W = L.Width, H = L.Height, R0 = L.Radius;
  const gp::RectF box(0, 0, W + 1, H + 1);
  const TDWLabeledInstrumentTicks& major = FScale->MajorTicks();
  const TDWInstrumentTicks& minor = FScale->MinorTicks();
  const uint32_t N = major.Count(), M = minor.Count();
  // Beyond a mark every 0.1 degree the dial is solid ink: such counts draw nothing rather than
  // spend seconds on it.
  if (N == 0 || uint64_t(N) * (uint64_t(M) + 1) > 3600) return;
  const gp::Pen majorPen(*major.Brush().GetGPBrush(box), ClockFinite0(major.Thickness().Get(2 * R0)));
  const gp::Pen minorPen(*minor.Brush().GetGPBrush(box), ClockFinite0(minor.Thickness().Get(2 * R0)));
  const float R = FScale->Size().Get(R0);
  const float majorInner = R - major.Length().Get(2 * R0);
  const float minorInner = R - minor.Length().Get(2 * R0);
  const float cx = W / 2, cy = H / 2;
  const bool majorVisible = major.Visible(), minorVisible = minor.Visible();
  const TDWInstrumentTicksText& labels = major.Labels();
  const float step = 360.0f / float(N * (M + 1));
  auto mark = [&](const gp::Pen& APen, float AInner, float AAngle) {
    const float a = AAngle * kClockRad, ca = std::cos(a), sa = std::sin(a);
    g.DrawLine(APen, gp::PointF(cx + R * ca, cy + R * sa), gp::PointF(cx + AInner * ca, cy + AInner * sa));
  };
  for (uint32_t i = 0; i <= N; ++i) {
    const float hourAngle = -90.0f + float(i) * 360.0f / float(N);
    if (i >= 1) {
      if (majorVisible) mark(majorPen, majorInner, hourAngle);
      if (labels.Visible()) {
        const std::string text = MZGetScaleTickText(double(i) * 12.0 / N, 12.0 / N, 0, false, 1);
        const float r = labels.Position().Get(R), a = hourAngle * kClockRad;
        const gp::Matrix saved = g.GetTransform();
        g.TranslateTransform(cx + r * std::cos(a), cy + r * std::sin(a));
        g.RotateTransform(labels.Angle());
        DWDrawCentredText(g, labels.Font(), text, R0, W, box);
        g.SetTransform(saved);
      }
    }
    if (i == N) {
      // Twelve o'clock closes the dial; with hidden hour marks it gets its minor mark here too.
      if (!majorVisible && minorVisible) mark(minorPen, minorInner, hourAngle);
      break;
    }
    for (uint32_t j = 0; j <= M; ++j) {
      const float a = hourAngle + float(j) * step;
      if (j == 0 ? (!majorVisible && minorVisible) : minorVisible) mark(minorPen, minorInner, a);
    }
  }
}

namespace {
// Hand elements draw with the clock's dial geometry, control hands take the mouse with it; other
// elements draw and take the mouse at their own place.
class TDWClockElementGeometry final : public TRXElementGeometry {
 public:
  explicit TDWClockElementGeometry(const TDWClockHandGeometry& AHands) { FGeometry.Hands = AHands; }
  explicit TDWClockElementGeometry(const TDWClockMouseGeometry& AGeometry) : FGeometry(AGeometry) {}
  void Draw(TRXDrawComponentElement& AElement, gp::Graphics& AGraphics, const TRXElementArea& AArea) override {
    if (auto* hand = dynamic_cast<IDWClockHandDrawing*>(&AElement)) hand->TimeDraw(AGraphics, FGeometry.Hands);
    else TRXElementGeometry::Draw(AElement, AGraphics, AArea);
  }
  bool HitTest(TRXDrawComponentElement& AElement, int AX, int AY) override {
    if (auto* m = dynamic_cast<IDWClockMouseElement*>(&AElement)) return m->ClockHitTest(AX, AY, FGeometry);
    return TRXElementGeometry::HitTest(AElement, AX, AY);
  }
  void MouseDown(TRXDrawComponentElement& AElement, TMouseButton AButton, TShiftState AShift, int AX,
                 int AY) override {
    if (auto* m = dynamic_cast<IDWClockMouseElement*>(&AElement)) m->ClockMouseDown(AButton, AShift, AX, AY, FGeometry);
    else TRXElementGeometry::MouseDown(AElement, AButton, AShift, AX, AY);
  }
  void MouseMove(TRXDrawComponentElement& AElement, TShiftState AShift, int AX, int AY) override {
    if (auto* m = dynamic_cast<IDWClockMouseElement*>(&AElement)) m->ClockMouseMove(AShift, AX, AY, FGeometry);
    else TRXElementGeometry::MouseMove(AElement, AShift, AX, AY);
  }

 private:
  TDWClockMouseGeometry FGeometry;
};
}  // namespace

TDWClockMouseGeometry TDWBasicAnalogClock::MouseGeometry() {
  std::lock_guard lock(ControlLock());
  const TDWDialLayout L = Layout(float(Width()), float(Height()));
  TDWClockMouseGeometry G;
  // Drawn hands pivot at the middle of the (squared) area, translated by the squaring shift.
  G.Hands = {L.ShiftX + L.OffsetX, L.ShiftY + L.OffsetY, L.Radius, L.Width + 1, L.Height + 1, 1, 1};
  return G;
}

std::unique_ptr<TRXElementGeometry> TDWBasicAnalogClock::ElementGeometry() {
  return std::make_unique<TDWClockElementGeometry>(MouseGeometry());
}

namespace {
// The clock's hands in drawing order: seconds under the hours, the minute hand on top; with
// their angles in a state of the moving parts.
struct TClockHandsInOrder {
  TDWClockHand* Hand[3];
  float Angle[3];
  TClockHandsInOrder(TDWClockHands& AHands, const TDWClockAngles& AAngles)
      : Hand{&AHands.Seconds(), &AHands.Hours(), &AHands.Minutes()},
        Angle{AAngles.Seconds, AAngles.Hours, AAngles.Minutes} {}
};
}  // namespace

void TDWBasicAnalogClock::SnapMovingParts() {
  FHandAngles.Snap({FHands->Hours().GetCurrentAngle(), FHands->Minutes().GetCurrentAngle(),
                    FHands->Seconds().GetCurrentAngle()});
}

void TDWBasicAnalogClock::DrawMovingParts(gp::Graphics& g, const TDWLayerFrame& AFrame) {
  const TDWDialLayout& L = FFrameLayout;
  const float w = L.Width + 1, h = L.Height + 1, r = L.Radius;
  g.SetClip(BuiltFaceShape().Path, gp::CombineModeIntersect);
  TDWClockElementGeometry geometry(TDWClockHandGeometry{L.OffsetX, L.OffsetY, r, w, h, AFrame.ScaleX, AFrame.ScaleY});
  FElements->DrawElements(g, geometry,
                          {L.Width / 2, L.Height / 2, L.Width, L.Height, AFrame.OuterWidth, AFrame.OuterHeight,
                           AFrame.Offscreen});
  const TClockHandsInOrder hands(*FHands, FHandAngles.Drawn(AFrame));
  for (int k = 0; k < 3; ++k)
    hands.Hand[k]->DrawAt(g, L.OffsetX, L.OffsetY, r, w, h, AFrame.ScaleX, AFrame.ScaleY, hands.Angle[k]);
  if (!AFrame.TopLayer) FCenter->Draw(g, L.Size, L.Width, L.Height, AntiAliased());
}

bool TDWBasicAnalogClock::MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) {
  // Elements draw themselves and ask for whole repaints when they change.
  const TDWDialLayout L = Layout(AFrame.Width, AFrame.Height);
  const float w = L.Width + 1, h = L.Height + 1, r = L.Radius;
  const TClockHandsInOrder hands(*FHands, FHandAngles.Get(AHeld));
  bool visible = false;
  ABounds = {};
  for (int k = 0; k < 3; ++k) {
    if (!hands.Hand[k]->Visible()) continue;
    visible = true;
    ABounds = gp::RectF::Union(
        ABounds, hands.Hand[k]->Bounds(L.OffsetX, L.OffsetY, r, w, h, AFrame.ScaleX, AFrame.ScaleY, hands.Angle[k]));
  }
  return visible;
}

}  // namespace dw
