// The thermometer: a liquid column in a glass tube rising from a round reservoir (the bulb), with
// a scale and coloured ranges right of the tube, an optional 3D bevel around tube and bulb, turned
// by any angle; with its layer, element and matrix-layer variants.
//
// The thermometer stands on the layered instrument base. The face layer holds the caption, the
// bevel, the empty tube, the bulb, the cap (the round top of the tube), the ranges and the scale;
// each frame adds the liquid (with its light stripe), the full cap, the filled bulb and the
// elements, which are clipped to the tube's outline and drawn over the liquid so they can be seen.
//
// Lengths: the bevel width, tube width and bulb diameter are shares of the frame width; inside the
// bevel, the tube width, bulb diameter, range band and scale are shares of the inner width
// W' = W - 2b; tick thickness is a share of the tube height. All in the unrotated frame of the
// rotation (RXCalcTransformParams).
#pragma once

#include <cstdint>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Path.h"
#include "dialworks/foundation/DWAnalogInstrument.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Elements.h"

namespace dw {

// Registers the unit DWThermometer: control, layer and element variants, all under "Gauges".
namespace DWThermometer {
DW_API void RegisterPkg();  // element classes name it as their RegisterUnit
}  // namespace DWThermometer

// The bulb: Size (its diameter, 0.25 of the width) and ShowEmpty (false: the bulb is always full;
// true: it is drawn empty while the value is at or below Min).
class DW_API TDWThermometerReservoir : public TKVBasicControlProperty {
  DW_CLASS(TDWThermometerReservoir, TKVBasicControlProperty)
  TDWThermometerReservoir(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }
  bool ShowEmpty() const { return FShowEmpty; }
  void SetShowEmpty(bool AValue) { Setter(*this, "ShowEmpty", FShowEmpty, AValue); }

 private:
  std::unique_ptr<TKVElementSize> FSize;
  bool FShowEmpty = false;
};

// Tube and liquid: Width (of the tube, 0.1 of the width), Color (the liquid, red), BackColor (the
// empty tube, dark red) and the Reservoir.
class DW_API TDWThermometerIndicator : public TKVBasicControlProperty {
  DW_CLASS(TDWThermometerIndicator, TKVBasicControlProperty)
  TDWThermometerIndicator(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TAlphaColor BackColor() const { return FBackColor; }
  void SetBackColor(TAlphaColor AValue) { Setter(*this, "BackColor", FBackColor, AValue); }
  TDWThermometerReservoir& Reservoir() { return *FReservoir; }
  const TDWThermometerReservoir& Reservoir() const { return *FReservoir; }
  void SetReservoir(const TDWThermometerReservoir& AValue) { FReservoir->Assign(AValue); }

 private:
  std::unique_ptr<TKVElementSize> FWidth;
  TAlphaColor FColor = 0xFFFF0000;
  TAlphaColor FBackColor = 0xFF800000;
  std::unique_ptr<TDWThermometerReservoir> FReservoir;
};

// The 3D bevel around tube and bulb: style and width (0.05 of the width) plus its Color.
class DW_API TDWThermometerBevel : public TKVControlBevel {
  DW_CLASS(TDWThermometerBevel, TKVControlBevel)
  TDWThermometerBevel(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }

 private:
  TAlphaColor FColor = 0xFFD3D3D3;
};

// Where the parts lie in the unrotated frame of Width x Height pixels. Every number is finite and
// every size at least 0, whatever the properties hold.
struct DW_API TDWThermometerGeometry {
  float Width = 0, Height = 0;  // the frame
  float Bevel = 0;              // b: the bevel width (0 without a bevel)
  // The bevel's outline (only with a bevel): the rectangles its rings and side lines are drawn on.
  gp::RectF OuterBulb, OuterTube, OuterCap;
  // Inside the bevel: W' x H' from (b, b).
  float InnerWidth = 0, InnerHeight = 0;
  float BulbDiameter = 0, TubeWidth = 0;
  gp::RectF Bulb, Tube, Cap;
  float TubeTop() const { return Tube.Y; }
  float TubeBottom() const { return Tube.Y + Tube.Height; }
};

// The tube's geometry for a bulb of diameter AD, a tube of width AC, inside the area from (AX, AY)
// of AW x AH. The tube ends where its sides meet the bulb circle; a tube as wide as the bulb or
// wider is drawn as wide as the bulb and ends level with the bulb's centre.
struct DW_API TDWThermometerTube {
  gp::RectF Bulb, Tube, Cap;
};
DW_API TDWThermometerTube DWThermometerTube(float AX, float AY, float AW, float AH, float AD, float AC);

// The share of the tube the liquid fills: 0 at Min, 1 at Max; above Max 1, below Min 0; 0 for an
// empty range (Min = Max) unless the value is above it. A range with Min > Max reads downwards.
DW_API double DWThermometerPercent(double AValue, double AMin, double AMax);

// The liquid's state at a value: the share of the tube it fills (DWThermometerPercent), whether
// the value lies above Min and whether it reaches Max, both along the scale's direction.
struct DW_API TDWThermometerLevel {
  double Percent = 0;
  bool AboveMin = false, AtMax = false;
};
DW_API TDWThermometerLevel DWThermometerLevel(double AValue, double AMin, double AMax);

// Where the liquid is drawn over the face for a level, in the unrotated frame (each part empty
// when not drawn): the full cap (an ellipse), the filled bulb (the bulb below the tube, drawn only
// when the face shows it empty) and the column.
struct DW_API TDWThermometerLiquid {
  gp::RectF Cap, Bulb, Column;
};
DW_API TDWThermometerLiquid DWThermometerLiquid(const TDWThermometerGeometry& AGeometry,
                                                const TDWThermometerLevel& ALevel, bool AShowEmpty);

// The liquid's colour at AT across the tube (0 left, 1 right): a light stripe left of the middle
// (white mixed in by 0.1, 0.55, 0.3, 0, 0 at 0, 0.35, 0.6, 0.73, 1, linearly between).
DW_API TAlphaColor DWThermometerLiquidColor(TAlphaColor AColor, float AT);

class DW_API TDWBasicThermometer : public TDWLayeredInstrument<TDWBasicMinMaxInstrument> {
  DW_CLASS(TDWBasicThermometer, TDWBasicMinMaxInstrument)
  static constexpr int DefaultWidth = 80;
  static constexpr int DefaultHeight = 200;
  explicit TDWBasicThermometer(TComponent* AOwner = nullptr);
  ~TDWBasicThermometer() override;

  TDWThermometerIndicator& Indicator() { return *FIndicator; }
  const TDWThermometerIndicator& Indicator() const { return *FIndicator; }
  void SetIndicator(const TDWThermometerIndicator& AValue) { FIndicator->Assign(AValue); }
  TDWThermometerBevel& Border() { return *FBorder; }
  const TDWThermometerBevel& Border() const { return *FBorder; }
  void SetBorder(const TDWThermometerBevel& AValue) { FBorder->Assign(AValue); }
  TKVVerticalCaption& Caption() { return *FCaption; }
  const TKVVerticalCaption& Caption() const { return *FCaption; }
  void SetCaption(const TKVVerticalCaption& AValue) { FCaption->Assign(AValue); }
  TDWBasicGaugeScale& Scale() { return *FScale; }
  const TDWBasicGaugeScale& Scale() const { return *FScale; }
  void SetScale(const TDWBasicGaugeScale& AValue) { FScale->Assign(AValue); }
  TDWAnalogGaugeScaleRanges& Ranges() { return *FRanges; }
  const TDWAnalogGaugeScaleRanges& Ranges() const { return *FRanges; }
  void SetRanges(const TDWAnalogGaugeScaleRanges& AValue) { FRanges->Assign(AValue); }
  TDWRotation& Rotation() { return FRotation; }
  const TDWRotation& Rotation() const { return FRotation; }
  void SetRotation(const TDWRotation& AValue) {
    FRotationProperty->SetAngle(AValue.Angle());
    FRotationProperty->SetThickness(AValue.Thickness());
  }
  TDWRotationProperty& RotationProperty() { return *FRotationProperty; }
  TRXGaugeComponentElements& Elements() { return *FElements; }
  const TRXGaugeComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }

  // The share of the tube filled at AValue with the current range.
  double ValuePercent(double AValue) const { return DWThermometerPercent(AValue, FMin, FMax); }
  // The upright frame and its place in a control of AWidth x AHeight for the rotation: at quarter
  // turns the frame fills the control; between them it is Rotation.Thickness of the control's
  // height wide and the longest that fits.
  TDWTransformParams FrameTransform(float AWidth, float AHeight) const;
  // The geometry for an unrotated frame of AWidth x AHeight.
  TDWThermometerGeometry Geometry(float AWidth, float AHeight) const;
  // The outline elements are clipped to: tube, bulb and cap, each grown by half the bevel width.
  static gp::GraphicsPath TubeOutline(const TDWThermometerGeometry& AGeometry);
  // The part of the bulb below the tube: the circle cut straight across at the tube's bottom.
  static gp::GraphicsPath BulbBelowTube(const TDWThermometerGeometry& AGeometry);

 protected:
  TDWLayerArea LayerArea(float AWidth, float AHeight) override;
  TDWFaceShape FaceShape(const TDWLayerFrame& AFrame) override;
  void DrawFaceLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void DrawMovingParts(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void SizeChanged() override { FLiquidBrush.reset(); }
  // The liquid's level is the moving parts' state (partial repaints: DWLayeredInstrument.h).
  void SnapMovingParts() override { FLevel.Snap(DWThermometerLevel(FValue, FMin, FMax)); }
  void HoldMovingParts() override { FLevel.Hold(); }
  bool MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) override;
  bool MovingPartsOnlyInBounds() const override { return FElements->Count() == 0; }

 private:
  // Any appearance change: the face and the liquid brush are rebuilt.
  void AppearanceChanged();
  void DrawCaption(gp::Graphics& g, const TDWThermometerGeometry& G, bool AOutlinedPass) const;
  void DrawBevel(gp::Graphics& g, const TDWThermometerGeometry& G) const;
  // The liquid's shading across the tube as a picture one pixel high, repeated down the column
  // (cached per tube, device scale and colour, so a frame allocates nothing).
  const gp::TextureBrush& LiquidBrush(const TDWThermometerGeometry& G, float AScale);

  TDWRotation FRotation;
  std::unique_ptr<TDWRotationProperty> FRotationProperty;
  std::unique_ptr<TDWThermometerIndicator> FIndicator;
  std::unique_ptr<TDWThermometerBevel> FBorder;
  std::unique_ptr<TKVVerticalCaption> FCaption;
  std::unique_ptr<TDWBasicGaugeScale> FScale;
  std::unique_ptr<TDWAnalogGaugeScaleRanges> FRanges;
  std::unique_ptr<TRXGaugeComponentElements> FElements;

  TDWTransformParams FFrameTransform;  // of the frame being drawn (set by LayerArea)
  TDWThermometerGeometry FFrameGeometry;
  gp::GraphicsPath FBulbPath;  // BulbBelowTube of the built layers
  std::unique_ptr<gp::TextureBrush> FLiquidBrush;
  gp::RectF FLiquidBrushTube;
  float FLiquidBrushScale = 0;
  TDWMovingState<TDWThermometerLevel> FLevel;
};

class DW_API TDWExternalThermometer : public TDWWithInputPin<TDWBasicThermometer> {
  DW_CLASS(TDWExternalThermometer, TDWBasicThermometer)
  using TDWWithInputPin::TDWWithInputPin;
};

// The standalone control: Background.
class DW_API TDWThermometer : public TDWStandaloneControl<TDWExternalThermometer> {
  DW_CLASS(TDWThermometer, TDWExternalThermometer)
  using TDWStandaloneControl::TDWStandaloneControl;
};

class DW_API TDWThermometerLayer : public TDWExternalThermometer {
  DW_CLASS(TDWThermometerLayer, TDWExternalThermometer)
  using TDWExternalThermometer::TDWExternalThermometer;
};

class DW_API TDWBasicThermometerElement : public TDWBasicThermometer {
  DW_CLASS(TDWBasicThermometerElement, TDWBasicThermometer)
  static void RegisterUnit() { DWThermometer::RegisterPkg(); }
  using TDWBasicThermometer::TDWBasicThermometer;
};

class DW_API TDWThermometerElement : public TDWMirroringElement<TDWBasicThermometerElement> {
  DW_CLASS(TDWThermometerElement, TDWBasicThermometerElement)
  explicit TDWThermometerElement(TComponent* AOwner = nullptr) : TDWMirroringElement(AOwner) {
    SetPlacementDefaults({0.15f, 0.3f}, {0.5f, 0});
  }
};

class DW_API TDWExternalThermometerElement : public TDWExternalElement<TDWThermometerElement> {
  DW_CLASS(TDWExternalThermometerElement, TDWThermometerElement)
  using TDWExternalElement::TDWExternalElement;
};

class DW_API TDWExternalThermometerMatrixLayer : public TDWMatrixLayerOf<TDWExternalThermometerElement> {
  DW_CLASS(TDWExternalThermometerMatrixLayer, TDWExternalThermometerElement)
  explicit TDWExternalThermometerMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.3f, 0.8f}, {0, 0});
  }
};

class DW_API TDWExternalThermometerMatrixElement : public TDWExternalThermometerMatrixLayer {
  DW_CLASS(TDWExternalThermometerMatrixElement, TDWExternalThermometerMatrixLayer)
  using TDWExternalThermometerMatrixLayer::TDWExternalThermometerMatrixLayer;
};

}  // namespace dw
