// The progress bar: a bar inside a rounded frame, turned by any angle, whose filled length shows
// the value; one colour, a colour ramp or the rainbow, flat, metal or glass, continuous or in
// blocks; with its layer, element and matrix-layer variants.
//
// The bar stands on the layered instrument base. Its frame is laid out by the rotation
// (RXCalcTransformParams): at every quarter turn the bar body fills its control (a 150 x 20 control
// holds a bar 150 long and 20 thick at 0 and 180 degrees; a 20 x 150 control turned by 90 degrees
// an upright one, 150 long), at other angles it is the longest bar of the rotation's thickness
// that fits. The face layer holds the body, the
// frame and the unfilled bar's backgrounds; the fill picture (one column per pixel of the gauge
// length, shaded across its thickness) is built once into a bitmap and a texture brush, so a value
// change costs one copy of the face and the fill of the bars.
//
// Lengths: the border's widths, Gap and CornerRadius are shares of the shorter side of the bar
// rectangle; EdgeRadius and the blocks' EdgeRadius of the gauge thickness; the blocks' Size and Gap
// of the gauge length.
#pragma once

#include <cstdint>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/foundation/DWAnalogInstrument.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/ColorItems.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/indicators/DWProgressBarFill.h"

namespace dw {

DW_ENUM(TDWProgressBarGaugeKind, "bkFlat", "bkMetal", "bkGlass")

// Registers the unit DWProgressBar: control, layer and element variants, all under "Gauges".
namespace DWProgressBar {
DW_API void RegisterPkg();  // element classes name it as their RegisterUnit
}  // namespace DWProgressBar

// The frame: the border's width and bevels, plus Gap (free space between frame and bar) and
// CornerRadius (of the frame), both 0.05.
class DW_API TDWProgressBarBorder : public TKVBasicControlBorder {
  DW_CLASS(TDWProgressBarBorder, TKVBasicControlBorder)
  TDWProgressBarBorder(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TKVElementSize& Gap() { return *FGap; }
  const TKVElementSize& Gap() const { return *FGap; }
  void SetGap(const TKVElementSize& AValue) { FGap->Assign(AValue); }
  TKVElementSize& CornerRadius() { return *FCornerRadius; }
  const TKVElementSize& CornerRadius() const { return *FCornerRadius; }
  void SetCornerRadius(const TKVElementSize& AValue) { FCornerRadius->Assign(AValue); }

 private:
  std::unique_ptr<TKVElementSize> FGap, FCornerRadius;
};

// Segmentation of the bar: Enabled (false), Size (0.03) and Gap (0.01) of the blocks, their
// EdgeRadius (0), Monolithic (true: only whole blocks) and Monochrome (false: each block in the
// colour at its start).
class DW_API TDWProgressBarBlock : public TKVBasicControlProperty {
  DW_CLASS(TDWProgressBarBlock, TKVBasicControlProperty)
  TDWProgressBarBlock(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { Setter(*this, "Enabled", FEnabled, AValue); }
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }
  TKVElementSize& Gap() { return *FGap; }
  const TKVElementSize& Gap() const { return *FGap; }
  void SetGap(const TKVElementSize& AValue) { FGap->Assign(AValue); }
  TKVElementSize& EdgeRadius() { return *FEdgeRadius; }
  const TKVElementSize& EdgeRadius() const { return *FEdgeRadius; }
  void SetEdgeRadius(const TKVElementSize& AValue) { FEdgeRadius->Assign(AValue); }
  bool Monolithic() const { return FMonolithic; }
  void SetMonolithic(bool AValue) { Setter(*this, "Monolithic", FMonolithic, AValue); }
  bool Monochrome() const { return FMonochrome; }
  void SetMonochrome(bool AValue) { Setter(*this, "Monochrome", FMonochrome, AValue); }

 private:
  bool FEnabled = false, FMonolithic = true, FMonochrome = false;
  std::unique_ptr<TKVElementSize> FSize, FGap, FEdgeRadius;
};

// Colours of the unfilled bar: Color behind the whole length, BlockColor in the empty block slots
// (0, transparent: not drawn).
class DW_API TDWProgressBarGaugeBackground : public TKVBasicControlProperty {
  DW_CLASS(TDWProgressBarGaugeBackground, TKVBasicControlProperty)
  using TKVBasicControlProperty::TKVBasicControlProperty;
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TAlphaColor BlockColor() const { return FBlockColor; }
  void SetBlockColor(TAlphaColor AValue) { Setter(*this, "BlockColor", FBlockColor, AValue); }

 private:
  TAlphaColor FColor = 0, FBlockColor = 0;
};

// The bar itself: Kind (bkGlass), Blocks, EdgeRadius (0), Colors (the ramp; empty: the rainbow)
// and Background.
class DW_API TDWProgressBarGauge : public TKVBasicControlProperty {
  DW_CLASS(TDWProgressBarGauge, TKVBasicControlProperty)
  TDWProgressBarGauge(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TDWProgressBarGaugeKind Kind() const { return FKind; }
  void SetKind(TDWProgressBarGaugeKind AValue) { Setter(*this, "Kind", FKind, AValue); }
  TDWProgressBarBlock& Blocks() { return *FBlocks; }
  const TDWProgressBarBlock& Blocks() const { return *FBlocks; }
  void SetBlocks(const TDWProgressBarBlock& AValue) { FBlocks->Assign(AValue); }
  TKVElementSize& EdgeRadius() { return *FEdgeRadius; }
  const TKVElementSize& EdgeRadius() const { return *FEdgeRadius; }
  void SetEdgeRadius(const TKVElementSize& AValue) { FEdgeRadius->Assign(AValue); }
  TKVColorItems& Colors() { return *FColors; }
  const TKVColorItems& Colors() const { return *FColors; }
  void SetColors(const TKVColorItems& AValue) { FColors->Assign(AValue); }
  TDWProgressBarGaugeBackground& Background() { return *FBackground; }
  const TDWProgressBarGaugeBackground& Background() const { return *FBackground; }
  void SetBackground(const TDWProgressBarGaugeBackground& AValue) { FBackground->Assign(AValue); }
  // The colour items as ramp colours.
  std::vector<TDWRampColor> RampColors() const;

 private:
  TDWProgressBarGaugeKind FKind = bkGlass;
  std::unique_ptr<TDWProgressBarBlock> FBlocks;
  std::unique_ptr<TKVElementSize> FEdgeRadius;
  std::unique_ptr<TKVColorItems> FColors;
  std::unique_ptr<TDWProgressBarGaugeBackground> FBackground;
};

// Where the parts of the bar lie for one drawing area, in the bar's own (unrotated) frame.
struct DW_API TDWProgressBarLayout {
  TDWTransformParams Transform;  // the frame's size (Width = length, Height = thickness) and place
  gp::RectF Body;                // the body and frame outline (pixel centres of the outer pixels)
  float Reference = 0;           // the shorter side of the bar rectangle
  float Corner = 0;              // corner size (twice the radius) of the frame
  gp::RectF Gauge;               // the bar's room inside the frame (empty: no bar)
  float GaugeRadius = 0;         // the frame's corner radius less the inset: the least corner radius
                                 // that keeps a continuous bar inside the rounded frame
  bool Flip = false;             // the shading counts from the frame's lower edge (angles 135..315)
};

class DW_API TDWBasicProgressBar : public TDWLayeredInstrument<TDWBasicMinMaxInstrument> {
  DW_CLASS(TDWBasicProgressBar, TDWBasicMinMaxInstrument)
  static constexpr int DefaultWidth = 150;
  static constexpr int DefaultHeight = 20;
  explicit TDWBasicProgressBar(TComponent* AOwner = nullptr);
  ~TDWBasicProgressBar() override;

  // Fill of the bar body under frame and gauge (0xFFFFFFFF).
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue, [this] { InvalidateBrush(); }); }
  TDWProgressBarBorder& Border() { return *FBorder; }
  const TDWProgressBarBorder& Border() const { return *FBorder; }
  void SetBorder(const TDWProgressBarBorder& AValue) { FBorder->Assign(AValue); }
  TDWProgressBarGauge& Gauge() { return *FGauge; }
  const TDWProgressBarGauge& Gauge() const { return *FGauge; }
  void SetGauge(const TDWProgressBarGauge& AValue) { FGauge->Assign(AValue); }
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

  // The layout for a drawing area of AWidth x AHeight.
  TDWProgressBarLayout Layout(float AWidth, float AHeight) const;
  // The filled length, in pixels of the gauge, for the current value on a gauge AGaugeLength long.
  float FilledLength(float AGaugeLength) const;
  // Drops the fill picture and both layers: what a change of Gauge, Border, Rotation or Color does.
  void InvalidateBrush();
  // Whether the fill picture is built (tests).
  bool BrushBuilt() const { return static_cast<bool>(FBrush); }

 protected:
  TDWLayerArea LayerArea(float AWidth, float AHeight) override;
  void DrawFaceLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void DrawMovingParts(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void SizeChanged() override { FBrush.reset(); }

 private:
  // The shaded picture of one colour list over the gauge, at the device scale AScale.
  std::unique_ptr<gp::TextureBrush> MakeBarBrush(const TDWProgressBarLayout& L,
                                                 const std::vector<TAlphaColor>& AColumns, float AScale) const;
  // The column colours of the fill (monochrome blocks take the colour at their start).
  std::vector<TAlphaColor> FillColumns(const TDWProgressBarLayout& L, int ALength) const;
  TDWBarBlocks BlockLayout(const TDWProgressBarLayout& L) const;
  // Limits drawing to the gauge's rounded outline (that of the continuous bar).
  void ClipToGauge(gp::Graphics& g, const TDWProgressBarLayout& L) const;
  // Fills APart (a rectangle of the gauge in frame coordinates) with corner radius ARadius.
  static void FillPart(gp::Graphics& g, const gp::Brush& ABrush, const gp::RectF& APart, float ARadius);

  TAlphaColor FColor = 0xFFFFFFFF;
  TDWRotation FRotation;
  std::unique_ptr<TDWRotationProperty> FRotationProperty;
  std::unique_ptr<TDWProgressBarBorder> FBorder;
  std::unique_ptr<TDWProgressBarGauge> FGauge;
  std::unique_ptr<TRXGaugeComponentElements> FElements;

  TDWProgressBarLayout FFrameLayout;  // the layout of the frame being drawn (set by LayerArea)
  // The fill picture as a brush, and what it was built for.
  std::unique_ptr<gp::TextureBrush> FBrush;
  gp::RectF FBrushGauge;
  float FBrushScale = 0;
};

class DW_API TDWExternalProgressBar : public TDWWithInputPin<TDWBasicProgressBar> {
  DW_CLASS(TDWExternalProgressBar, TDWBasicProgressBar)
  using TDWWithInputPin::TDWWithInputPin;
};

// The standalone control: Background.
class DW_API TDWProgressBar : public TDWStandaloneControl<TDWExternalProgressBar> {
  DW_CLASS(TDWProgressBar, TDWExternalProgressBar)
  using TDWStandaloneControl::TDWStandaloneControl;
};

class DW_API TDWProgressBarLayer : public TDWExternalProgressBar {
  DW_CLASS(TDWProgressBarLayer, TDWExternalProgressBar)
  using TDWExternalProgressBar::TDWExternalProgressBar;
};

class DW_API TDWBasicProgressBarElement : public TDWBasicProgressBar {
  DW_CLASS(TDWBasicProgressBarElement, TDWBasicProgressBar)
  static void RegisterUnit() { DWProgressBar::RegisterPkg(); }
  using TDWBasicProgressBar::TDWBasicProgressBar;
};

class DW_API TDWProgressBarElement : public TDWMirroringElement<TDWBasicProgressBarElement> {
  DW_CLASS(TDWProgressBarElement, TDWBasicProgressBarElement)
  explicit TDWProgressBarElement(TComponent* AOwner = nullptr) : TDWMirroringElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.05f}, {0, 0.5f});
  }
};

class DW_API TDWExternalProgressBarElement : public TDWExternalElement<TDWProgressBarElement> {
  DW_CLASS(TDWExternalProgressBarElement, TDWProgressBarElement)
  using TDWExternalElement::TDWExternalElement;
};

class DW_API TDWExternalProgressBarMatrixLayer : public TDWMatrixLayerOf<TDWExternalProgressBarElement> {
  DW_CLASS(TDWExternalProgressBarMatrixLayer, TDWExternalProgressBarElement)
  explicit TDWExternalProgressBarMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.2f}, {0, 0});
  }
};

class DW_API TDWExternalProgressBarMatrixElement : public TDWExternalProgressBarMatrixLayer {
  DW_CLASS(TDWExternalProgressBarMatrixElement, TDWExternalProgressBarMatrixLayer)
  using TDWExternalProgressBarMatrixLayer::TDWExternalProgressBarMatrixLayer;
};

}  // namespace dw
