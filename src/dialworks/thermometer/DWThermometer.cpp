#include "dialworks/thermometer/DWThermometer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "dialworks/framework/Registry.h"
#include "dialworks/thermometer/ThermometerMath.h"

namespace dw {

using thermometer::Finite0;

// ---- property objects ---------------------------------------------------------------------------

TDWThermometerReservoir::TDWThermometerReservoir(TChangeCallback AOnChange, TPersistent* AOwner,
                                                 IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.25f)) {}

DW_PROPERTIES(TDWThermometerReservoir) {
  using C = TDWThermometerReservoir;
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); }).Doc("bulb diameter, share of the width");
  t.Bool("ShowEmpty", &C::ShowEmpty, &C::SetShowEmpty, false).Doc("the bulb is empty while Value <= Min");
}

TDWThermometerIndicator::TDWThermometerIndicator(TChangeCallback AOnChange, TPersistent* AOwner,
                                                 IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.1f)),
      FReservoir(std::make_unique<TDWThermometerReservoir>([this] { DoChanged(); }, this, AControl)) {}

DW_PROPERTIES(TDWThermometerIndicator) {
  using C = TDWThermometerIndicator;
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); })
      .Doc("tube width, share of the width; at most the bulb diameter");
  t.Color("Color", &C::Color, &C::SetColor, 0xFFFF0000).Doc("the liquid");
  t.Color("BackColor", &C::BackColor, &C::SetBackColor, 0xFF800000).Doc("the empty tube");
  t.Object("Reservoir", [](C& c) -> TDWThermometerReservoir& { return c.Reservoir(); });
}

TDWThermometerBevel::TDWThermometerBevel(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVControlBevel(std::move(AOnChange), AOwner, AControl, bvRaised, 0.05f) {}

DW_PROPERTIES(TDWThermometerBevel) {
  using C = TDWThermometerBevel;
  t.Color("Color", &C::Color, &C::SetColor, 0xFFD3D3D3);
}

// ---- geometry -----------------------------------------------------------------------------------

TDWThermometerTube DWThermometerTube(float AX, float AY, float AW, float AH, float AD, float AC) {
  const float w = Finite0(AW), h = Finite0(AH);
  // The bulb fits the area; the tube is no wider than the bulb.
  const float d = std::min(Finite0(AD), std::min(w, h));
  const float c = std::min(Finite0(AC), d);
  // Half the chord where the tube's sides cut the bulb circle: the tube ends s above the bulb's
  // centre (0 for a tube as wide as the bulb).
  const float s = std::sqrt(std::max(d * d - c * c, 0.0f)) / 2;
  TDWThermometerTube t;
  t.Bulb = gp::RectF(AX, AY + h - d, d, d);
  t.Tube = gp::RectF(AX + (d - c) / 2, AY + c / 2, c, std::max(h - c / 2 - d / 2 - s, 0.0f));
  t.Cap = gp::RectF(t.Tube.X, AY, c, c);
  return t;
}

double DWThermometerPercent(double AValue, double AMin, double AMax) {
  if (std::isnan(AValue) || std::isnan(AMin) || std::isnan(AMax)) return 0;
  if (AMin == AMax) return AValue > AMax ? 1 : 0;
  const double f = (AValue - AMin) / (AMax - AMin);
  if (std::isnan(f)) return AValue > AMax ? 1 : 0;  // infinite value on a finite range: an end
  return std::clamp(f, 0.0, 1.0);
}

TDWThermometerLevel DWThermometerLevel(double AValue, double AMin, double AMax) {
  // The range may run downwards (Min > Max): "above Min" and "at Max" follow the scale.
  const bool upwards = AMin <= AMax;
  TDWThermometerLevel l;
  l.Percent = DWThermometerPercent(AValue, AMin, AMax);
  l.AboveMin = upwards ? AValue > AMin : AValue < AMin;
  l.AtMax = AMin != AMax && (upwards ? AValue >= AMax : AValue <= AMax);
  return l;
}

TDWThermometerLiquid DWThermometerLiquid(const TDWThermometerGeometry& G, const TDWThermometerLevel& ALevel,
                                         bool AShowEmpty) {
  TDWThermometerLiquid liquid;
  if (ALevel.AtMax && G.Cap.Width > 0 && G.Cap.Height > 0) liquid.Cap = G.Cap;
  if (AShowEmpty && ALevel.AboveMin && G.Bulb.Width > 0) liquid.Bulb = G.Bulb;
  const float h = float(ALevel.Percent) * G.Tube.Height;
  // Half a pixel into the bulb: no seam between column and bulb.
  if (ALevel.AboveMin && h > 0 && G.TubeWidth > 0)
    liquid.Column = gp::RectF(G.Tube.X, G.TubeBottom() - h, G.TubeWidth, h + 0.5f);
  return liquid;
}

bool TDWBasicThermometer::MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) {
  // Elements draw themselves and ask for whole repaints when they change.
  const TDWTransformParams T = FrameTransform(AFrame.Width, AFrame.Height);
  const TDWThermometerGeometry G = Geometry(T.Width, T.Height);
  ABounds = {};
  if (!(G.Width >= 1 && G.Height >= 1)) return true;  // nothing is drawn
  const TDWThermometerLiquid liquid = DWThermometerLiquid(G, FLevel.Get(AHeld), FIndicator->Reservoir().ShowEmpty());
  // The parts' boxes turned into the control (the filled bulb lies within the bulb's box).
  std::array<gp::PointF, 12> corners;
  size_t n = 0;
  for (const gp::RectF& r : {liquid.Cap, liquid.Bulb, liquid.Column}) {
    if (r.IsEmptyArea()) continue;
    for (const gp::PointF p : {gp::PointF(r.X, r.Y), gp::PointF(r.Right(), r.Y), gp::PointF(r.Right(), r.Bottom()),
                               gp::PointF(r.X, r.Bottom())})
      corners[n++] = p;
  }
  ABounds = DWTransformedBounds(T.Matrix, std::span(corners.data(), n));
  return ABounds.IsFinite();
}

TDWThermometerGeometry TDWBasicThermometer::Geometry(float AWidth, float AHeight) const {
  TDWThermometerGeometry G;
  const float W = Finite0(AWidth), H = Finite0(AHeight);
  G.Width = W;
  G.Height = H;
  // The bevel takes at most a quarter of the shorter side from each edge.
  const float b = std::min(Finite0(FBorder->WidthFor(W)), std::min(W, H) / 4);
  G.Bevel = b;
  if (b > 0) {
    // The outline: bulb and tube grown by the bevel width, the bulb's circle sitting b/2 in from
    // the frame's left and bottom edges, the sides ending where they meet the outline circle grown
    // by another half bevel.
    const float D = std::min(Finite0(FIndicator->Reservoir().Size().Get(W)) + b, std::max(std::min(W, H) - b, 0.0f));
    const float c = std::min(Finite0(FIndicator->Width().Get(W)) + b, D);
    const float r = D / 2 + b, q = c / 2 + b;
    const float s = std::sqrt(std::max(r * r - q * q, 0.0f));
    G.OuterBulb = gp::RectF(b / 2, H - D - b / 2, D, D);
    G.OuterTube = gp::RectF((D - c) / 2 + b / 2, c / 2, c, std::max(H - c / 2 - D / 2 - s, 0.0f));
    G.OuterCap = gp::RectF(G.OuterTube.X, b / 2, c, c);
  }
  G.InnerWidth = std::max(W - 2 * b, 0.0f);
  G.InnerHeight = std::max(H - 2 * b, 0.0f);
  const TDWThermometerTube t =
      DWThermometerTube(b, b, G.InnerWidth, G.InnerHeight, FIndicator->Reservoir().Size().Get(G.InnerWidth),
                        FIndicator->Width().Get(G.InnerWidth));
  G.Bulb = t.Bulb;
  G.Tube = t.Tube;
  G.Cap = t.Cap;
  G.BulbDiameter = t.Bulb.Width;
  G.TubeWidth = t.Tube.Width;
  return G;
}

gp::GraphicsPath TDWBasicThermometer::TubeOutline(const TDWThermometerGeometry& G) {
  // One winding path: the three shapes run the same way round, so their union is inside.
  gp::GraphicsPath path(gp::FillModeWinding);
  const float h = G.Bevel / 2;
  auto grown = [h](const gp::RectF& r) { return gp::RectF(r.X - h, r.Y - h, r.Width + 2 * h, r.Height + 2 * h); };
  if (G.Tube.Width > 0 && G.Tube.Height > 0) path.AddRectangle(grown(G.Tube));
  if (G.Bulb.Width > 0) path.AddEllipse(grown(G.Bulb));
  if (G.Cap.Width > 0) path.AddEllipse(grown(G.Cap));
  return path;
}

gp::GraphicsPath TDWBasicThermometer::BulbBelowTube(const TDWThermometerGeometry& G) {
  gp::GraphicsPath path;
  const gp::RectF& B = G.Bulb;
  if (!(B.Width > 0)) return path;
  const float r = B.Width / 2, cy = B.Y + r;
  // The tube's corners on the circle, as an angle clockwise from +x (negative: above the centre).
  const float below = std::clamp(G.TubeBottom() - cy, -r, 0.0f);
  constexpr float kDeg = 180 / 3.14159265358979f;
  const float start = std::atan2(below, std::min(G.TubeWidth / 2, r)) * kDeg;
  path.AddArc(B, start, 180 - 2 * start);
  path.CloseFigure();
  return path;
}

// ---- the thermometer ----------------------------------------------------------------------------

TDWBasicThermometer::TDWBasicThermometer(TComponent* AOwner)
    : TDWLayeredInstrument(AOwner), FRotation([this] { AppearanceChanged(); }) {
  auto changed = [this] { AppearanceChanged(); };
  FRotationProperty = std::make_unique<TDWRotationProperty>(changed, this, this, FRotation);
  FIndicator = std::make_unique<TDWThermometerIndicator>(changed, this, this);
  FBorder = std::make_unique<TDWThermometerBevel>(changed, this, this);
  FCaption = std::make_unique<TKVVerticalCaption>(changed, this, this);
  FCaption->Font().Size().SetValueDefault(0.15f);
  FScale = std::make_unique<TDWBasicGaugeScale>(changed, this, this, 0.15f);
  FScale->MajorTicks().Length().SetValueDefault(0.25f);
  FScale->MajorTicks().Thickness().SetValueDefault(0.01f);
  FScale->MajorTicks().Labels().Position().SetValueDefault(0.42f);
  FScale->MinorTicks().Length().SetValueDefault(0.15f);
  FScale->MinorTicks().Thickness().SetValueDefault(0.005f);
  FScale->MinorTicks().Labels().Position().SetValueDefault(0.35f);
  FRanges = std::make_unique<TDWAnalogGaugeScaleRanges>(changed, this, this, 0.3f);
  FRanges->Size().SetValueDefault(0.35f);
  FElements = std::make_unique<TRXGaugeComponentElements>(this);
  InitSize(DefaultWidth, DefaultHeight);
}

TDWBasicThermometer::~TDWBasicThermometer() { StopInputs(); }

DW_PROPERTIES(TDWBasicThermometer) {
  using C = TDWBasicThermometer;
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultWidth)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultHeight)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Object("Indicator", [](C& c) -> TDWThermometerIndicator& { return c.Indicator(); });
  t.Object("Border", [](C& c) -> TDWThermometerBevel& { return c.Border(); }).Doc("bevel around tube and bulb");
  t.Object("Caption", [](C& c) -> TKVVerticalCaption& { return c.Caption(); });
  t.Object("Scale", [](C& c) -> TDWBasicGaugeScale& { return c.Scale(); }).Doc("right of the tube, Min at the bottom");
  t.Object("Ranges", [](C& c) -> TDWAnalogGaugeScaleRanges& { return c.Ranges(); })
      .Doc("band beside the tube; Size is its offset, share of the inner width");
  t.Object("Rotation", [](C& c) -> TDWRotationProperty& { return c.RotationProperty(); });
  t.Collection("Elements", [](C& c) -> TRXGaugeComponentElements& { return c.Elements(); })
      .Doc("drawn over the liquid, clipped to the tube's outline");
}

void TDWBasicThermometer::AppearanceChanged() {
  FLiquidBrush.reset();
  InvalidateRange();
}

TDWTransformParams TDWBasicThermometer::FrameTransform(float AWidth, float AHeight) const {
  if (FRotation.QuarterTurns() >= 0) return RXCalcTransformParams(FRotation, AWidth, AHeight);
  // Between quarter turns the rotation lays out a long frame along its width, for bars; the
  // thermometer stands along its height. It takes the frame of the angle a quarter turn less
  // (long along the turned instrument) and stands in it turned by that quarter back: (x, y) of
  // the upright frame goes to (y, thickness - x) of the long one.
  TDWRotation turned;
  turned.SetAngle(FRotation.Angle() - 90);
  turned.SetThickness(FRotation.Thickness());
  const TDWTransformParams along = RXCalcTransformParams(turned, AWidth, AHeight);
  TDWTransformParams p = along;
  p.Width = along.Height;
  p.Height = along.Width;
  p.Matrix = gp::Matrix(0, -1, 1, 0, 0, along.Height);
  p.Matrix.Multiply(along.Matrix, gp::MatrixOrderAppend);
  p.BackMatrix = p.Matrix;
  if (!p.BackMatrix.Invert()) p.BackMatrix.Reset();
  return p;
}

TDWLayerArea TDWBasicThermometer::LayerArea(float AWidth, float AHeight) {
  FFrameTransform = FrameTransform(AWidth, AHeight);
  FFrameGeometry = Geometry(FFrameTransform.Width, FFrameTransform.Height);
  if (!(AWidth > 0 && AHeight > 0)) return {};
  return {0, 0, AWidth, AHeight};
}

TDWFaceShape TDWBasicThermometer::FaceShape(const TDWLayerFrame&) {
  // Kept with the layers and set again every frame in the frame's turned coordinates, so the
  // graphics reuses the clip.
  FBulbPath = BulbBelowTube(FFrameGeometry);
  return {TubeOutline(FFrameGeometry)};
}

// ---- variants and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWExternalThermometer) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWThermometer) { DWDeclareBackgroundProperty(t); }
DW_PROPERTIES(TDWThermometerLayer) {}
DW_PROPERTIES(TDWBasicThermometerElement) {}
DW_PROPERTIES(TDWThermometerElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalThermometerElement) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWExternalThermometerMatrixLayer) {}
DW_PROPERTIES(TDWExternalThermometerMatrixElement) {}

void DWThermometer::RegisterPkg() {
  TRegistrationUnit unit("DWThermometer");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWThermometer::StaticClass(),
                                .Layer = &TDWThermometerLayer::StaticClass(),
                                .Category = "Gauges",
                                .MirroringElement = &TDWThermometerElement::StaticClass(),
                                .MirroringFamily = efGauge,
                                .ExternalElement = &TDWExternalThermometerElement::StaticClass(),
                                .MatrixLayer = &TDWExternalThermometerMatrixLayer::StaticClass(),
                                .StreamingOnly = {&TDWExternalThermometerMatrixElement::StaticClass()}});
}

}  // namespace dw
