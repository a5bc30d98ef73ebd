// The segment-indicator base of the segment displays (numeric gauge, clock, text): the segment
// shapes of one character cell in four layouts, the lit and unlit colours, the glow, the drawing
// of one cell from a bit mask (DrawDigit), the rotation of the whole frame and the custom-symbol
// hook, on the layered instrument base.
//
// Segment order (bit i of a mask lights segment i; the decimal point is the bit just above the
// layout's segments: 0x80, 0x200, 0x4000, 0x10000):
//
//   7 segments           9 segments           14 segments            16 segments
//      _0_                  _0_                  ___0___              _0_ _1_
//    5|   |1              5|  7/|1             5|\8 |9 /10|1        7|\10|11/12|2
//     |_6_|                |_6/_|               |_6_\|/_7_|          |_8_\|/_9_|
//    4|   |2              4|8/  |2             4| /13|12\11|2       6| /15|14\13|3
//     |_3_| .7             |/_3_| .9            |/__3_|__\ | .14     |/_5_|_4_\| .16
//
//   7:  0 top, 1 upper right, 2 lower right, 3 bottom, 4 lower left, 5 upper left, 6 middle.
//   9:  as 7, plus 7 the diagonal from the upper right corner to the centre and 8 the diagonal
//       from the centre to the lower left corner (together a "/").
//   14: as 7 with the middle split: 6 middle left, 7 middle right; 8 upper-left diagonal, 9 upper
//       centre bar, 10 upper-right diagonal, 11 lower-right diagonal, 12 lower centre bar, 13
//       lower-left diagonal.
//   16: 0 top left, 1 top right, 2 upper right, 3 lower right, 4 bottom right, 5 bottom left,
//       6 lower left, 7 upper left, 8 middle left, 9 middle right, 10 upper-left diagonal, 11
//       upper centre bar, 12 upper-right diagonal, 13 lower-right diagonal, 14 lower centre bar,
//       15 lower-left diagonal.
//
// Cell geometry (pixels of a cell w x h): a margin of 0.1 x min(w, h) all round, the decimal
// point's room (1.6 segment widths) at the right; bars of SegmentWidth x min(w, h) (at most a
// fifth of the height and a third of the width), bevelled where they meet, shortened by Gap x
// min(w, h) at each end. Slant shifts the top of the cell right by Slant x its height (italic),
// the cell narrowing so the slanted digit still fits.
//
// Painting: the face layer holds the background and every cell's segments unlit; each frame paints
// the lit segments over them (the glow rings of all lit segments of a cell first, then their
// fills), so a value change costs a copy of the face and the fills of the lit segments. The cell
// shapes and their brushes are built by Init and kept until a size, range or appearance change.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/CachedFill.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/ChangeNotify.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/host/Rotation.h"

namespace dw {

enum TDWSegmentsType : uint8_t { st7Segments, st9Segments, st14Segments, st16Segments };
DW_ENUM(TDWSegmentsType, "st7Segments", "st9Segments", "st14Segments", "st16Segments")

// Segments of a layout (7, 9, 14, 16; out-of-range types count as 16).
DW_API int DWSegmentCount(TDWSegmentsType AType);
// The decimal point's bit: the bit just above the layout's segments.
DW_API uint32_t DWDecimalPointBit(TDWSegmentsType AType);

// One convex polygon of a cell (a segment or the decimal point).
struct DW_API TDWSegmentPolygon {
  std::array<gp::PointF, 8> Points{};
  int Count = 0;
};

// How a cell is shaped: shares of min(w, h) and the slant (see the top of this file).
struct DW_API TDWSegmentStyle {
  float SegmentWidth = 0.12f;
  float Gap = 0.02f;
  float Slant = 0;
};

// The polygons of one cell of AWidth x AHeight pixels: the layout's segments in order, then the
// decimal point; returns their number (segments + 1), or 0 when the cell is too small to hold
// a digit (under 2 pixels either way) or its sizes are not finite. AThickness, when given,
// receives the bar thickness in pixels the shapes use (0 without shapes).
DW_API int DWSegmentShapes(TDWSegmentsType AType, float AWidth, float AHeight, const TDWSegmentStyle& AStyle,
                           std::array<TDWSegmentPolygon, 17>& AOut, float* AThickness = nullptr);

// The outline of a convex polygon pushed outwards by AWidth (each edge moved out, corners
// joined by mitres limited to 2 x AWidth): the glow outline. Fewer than 3 points: a copy.
DW_API std::vector<gp::PointF> DWExpandPath(const gp::PointF* APoints, int ACount, float AWidth);

// The lit colour dimmed for unlit segments: the colour channels scaled by AFactor, alpha kept.
DW_API TAlphaColor DWDimColor(TAlphaColor AColor, float AFactor);

// What a cell walk paints: the unlit shapes (face layer) or the lit ones (each frame).
enum class TDWSegmentPass : uint8_t { Unlit, Lit };

// The appearance settings and the cached cell of a segment indicator (non-template part).
class DW_API TDWSegmentCell {
 public:
  static constexpr TAlphaColor DefaultColor = 0xFF000000;
  static constexpr TAlphaColor DefaultSegmentColor = 0xFFFF2020;
  static constexpr TAlphaColor DefaultSegmentCenterColor = 0xFFFFA0A0;
  static constexpr TAlphaColor DefaultInactiveColor = 0xFF300808;
  static constexpr float DimFactor = 0.22f;

  TDWSegmentsType SegmentsType = st7Segments;
  TAlphaColor Color = DefaultColor;
  TAlphaColor SegmentColor = DefaultSegmentColor;
  TAlphaColor SegmentCenterColor = DefaultSegmentCenterColor;
  TAlphaColor InactiveColor = DefaultInactiveColor;
  bool InactiveAutoDim = true;
  bool Glow = false;
  TDWSegmentStyle Style;

  // Builds the shapes and brushes of a cell of AWidth x AHeight.
  void Init(float AWidth, float AHeight);
  // Draws one cell at the current origin: Unlit paints every segment and the point unlit; Lit
  // paints the segments of AMask (in AExtra when it is not 0, else with the lit brushes, glow
  // first when Glow is on).
  void DrawDigit(gp::Graphics& AGraphics, uint32_t AMask, TAlphaColor AExtra, TDWSegmentPass APass) const;
  TAlphaColor UnlitColor() const { return InactiveAutoDim ? DWDimColor(SegmentColor, DimFactor) : InactiveColor; }
  // The lit brush of any polygon (path gradient from the centre colour to the segment colour)
  // and its glow brush over the glow outline (half-alpha segment colour fading out).
  std::unique_ptr<gp::PathGradientBrush> LitBrush(const gp::PointF* APoints, int ACount) const;
  std::unique_ptr<gp::PathGradientBrush> GlowBrush(const std::vector<gp::PointF>& AOutline) const;

  int ShapeCount() const { return FCount; }
  const TDWSegmentPolygon& Shape(int AIndex) const { return FShapes[size_t(AIndex)]; }
  float CellWidth() const { return FWidth; }
  float CellHeight() const { return FHeight; }
  // The segment thickness in pixels of the current cell (0 without shapes).
  float Thickness() const { return FThickness; }
  // Cells larger than this (pixels either way) light their segments in the plain segment colour:
  // a gradient over a segment far larger than any screen shows as one colour anyway, and its
  // shading would cost in proportion to its size.
  static constexpr float MaxShadedCell = 8192;
  bool Shaded() const { return FWidth <= MaxShadedCell && FHeight <= MaxShadedCell; }

 private:
  std::array<TDWSegmentPolygon, 17> FShapes{};
  int FCount = 0;
  float FWidth = 0, FHeight = 0, FThickness = 0;
  std::array<std::unique_ptr<gp::PathGradientBrush>, 17> FLit;
  // The lit fills' pictures per device-pixel phase (cells repeat the same polygons).
  mutable std::array<gp::CachedFill, 17> FLitFills;
  std::array<std::unique_ptr<gp::PathGradientBrush>, 17> FGlow;
  std::array<std::vector<gp::PointF>, 17> FGlowPaths;
  gp::SolidBrush FUnlit{0};
  mutable gp::SolidBrush FExtra{0};
};

// The custom-symbol hook: may replace the mask of a cell (column, row, character) and give a
// colour for its lit segments (AExtra, 0: the segment colours).
using TDWCustomSymbolEvent =
    std::function<void(int ACell, int ARow, char32_t AChar, uint32_t& AMask, TAlphaColor& AExtra)>;

// The base of every segment display (TBase: the value model or a plain control). The derived
// display lays out its cells in Init (calling InitCell) and walks them in DrawCells.
template <class TBase>
class TDWBasicSegmentIndicator : public TDWLayeredInstrument<TBase> {
 public:
  explicit TDWBasicSegmentIndicator(TComponent* AOwner = nullptr)
      : TDWLayeredInstrument<TBase>(AOwner),
        FRotation([this] { this->InvalidateSize(); }),
        FRotationProperty(std::make_unique<TDWRotationProperty>([this] { this->InvalidateSize(); }, this, this,
                                                                FRotation)) {}

  TDWSegmentsType SegmentsType() const { return FCell.SegmentsType; }
  void SetSegmentsType(TDWSegmentsType AValue) {
    if (!(AValue >= st7Segments && AValue <= st16Segments)) AValue = st16Segments;
    Setter(*this, "SegmentsType", FCell.SegmentsType, AValue, [this] { this->InvalidateRange(); });
  }
  TAlphaColor Color() const { return FCell.Color; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FCell.Color, AValue, [this] { this->InvalidateRange(); }); }
  TAlphaColor SegmentColor() const { return FCell.SegmentColor; }
  void SetSegmentColor(TAlphaColor AValue) {
    Setter(*this, "SegmentColor", FCell.SegmentColor, AValue, [this] { this->InvalidateRange(); });
  }
  TAlphaColor SegmentCenterColor() const { return FCell.SegmentCenterColor; }
  void SetSegmentCenterColor(TAlphaColor AValue) {
    Setter(*this, "SegmentCenterColor", FCell.SegmentCenterColor, AValue, [this] { this->InvalidateRange(); });
  }
  TAlphaColor InactiveColor() const { return FCell.InactiveColor; }
  void SetInactiveColor(TAlphaColor AValue) {
    Setter(*this, "InactiveColor", FCell.InactiveColor, AValue, [this] { this->InvalidateRange(); });
  }
  bool InactiveAutoDim() const { return FCell.InactiveAutoDim; }
  void SetInactiveAutoDim(bool AValue) {
    Setter(*this, "InactiveAutoDim", FCell.InactiveAutoDim, AValue, [this] { this->InvalidateRange(); });
  }
  bool Glow() const { return FCell.Glow; }
  void SetGlow(bool AValue) { Setter(*this, "Glow", FCell.Glow, AValue, [this] { this->InvalidateRange(); }); }
  // Bar thickness, share of min(cell width, height): 0.01..0.5.
  float SegmentWidth() const { return FCell.Style.SegmentWidth; }
  void SetSegmentWidth(float AValue) {
    SetterMinMax(*this, "SegmentWidth", FCell.Style.SegmentWidth, AValue, 0.01f, 0.5f, [this] { this->InvalidateRange(); });
  }
  // Free space at each end of a bar, share of min(cell width, height): 0..0.2.
  float Gap() const { return FCell.Style.Gap; }
  void SetGap(float AValue) {
    SetterMinMax(*this, "Gap", FCell.Style.Gap, AValue, 0.0f, 0.2f, [this] { this->InvalidateRange(); });
  }
  // Italic shift of the cell top, share of the cell height: -0.5..0.5.
  float Slant() const { return FCell.Style.Slant; }
  void SetSlant(float AValue) {
    SetterMinMax(*this, "Slant", FCell.Style.Slant, AValue, -0.5f, 0.5f, [this] { this->InvalidateRange(); });
  }
  TDWRotation& Rotation() { return FRotation; }
  const TDWRotation& Rotation() const { return FRotation; }
  void SetRotation(const TDWRotation& AValue) {
    FRotationProperty->SetAngle(AValue.Angle());
    FRotationProperty->SetThickness(AValue.Thickness());
  }
  TDWRotationProperty& RotationProperty() { return *FRotationProperty; }

  // The cell and colours as drawn (tests, benchmarks, derived displays).
  const TDWSegmentCell& Cell() const { return FCell; }
  // Whether the cached digit layout is valid (Init skipped).
  bool LayoutValid() const { return FLayoutValid; }

  void InvalidateRange() override {
    FLayoutValid = false;
    TDWLayeredInstrument<TBase>::InvalidateRange();
  }

  // Lays the display out for an unrotated frame of AWidth x AHeight (once per cached layout).
  virtual void Init(float AWidth, float AHeight, bool AFlag) = 0;

 protected:
  // Builds the cell shapes for cells of AWidth x AHeight.
  void InitCell(float AWidth, float AHeight) { FCell.Init(AWidth, AHeight); }
  void DrawDigit(gp::Graphics& g, uint32_t AMask, TAlphaColor AExtra, TDWSegmentPass APass) const {
    FCell.DrawDigit(g, AMask, AExtra, APass);
  }
  std::vector<gp::PointF> ExpandPath(const gp::PointF* APoints, int ACount, float AWidth) const {
    return DWExpandPath(APoints, ACount, AWidth);
  }
  // Walks the cells of the display for one pass (the graphics is in the unrotated frame).
  virtual void DrawCells(gp::Graphics& g, TDWSegmentPass APass) = 0;
  // The elements, between the face and the lit segments (frame of AWidth x AHeight).
  virtual void DrawElements(gp::Graphics&, const TDWLayerFrame&, float /*AWidth*/, float /*AHeight*/) {}
  // The frame of the current layout (after rotation).
  const TDWTransformParams& Transform() const { return FTransform; }

  TDWLayerArea LayerArea(float AWidth, float AHeight) override {
    FTransform = RXCalcTransformParams(FRotation, AWidth, AHeight);
    if (!(AWidth >= 1 && AHeight >= 1 && FTransform.Width > 0 && FTransform.Height > 0)) return {};
    if (!FLayoutValid) {
      Init(FTransform.Width, FTransform.Height, false);
      FLayoutValid = true;
    }
    return {0, 0, AWidth, AHeight};
  }
  void SizeChanged() override { FLayoutValid = false; }
  void DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame&) override {
    g.MultiplyTransform(FTransform.Matrix);
    gp::SolidBrush background(FCell.Color);
    g.FillRectangle(background, gp::RectF(0, 0, FTransform.Width, FTransform.Height));
    DrawCells(g, TDWSegmentPass::Unlit);
  }
  void DrawMovingParts(gp::Graphics& g, const TDWLayerFrame& AFrame) override {
    g.MultiplyTransform(FTransform.Matrix);
    DrawElements(g, AFrame, FTransform.Width, FTransform.Height);
    DrawCells(g, TDWSegmentPass::Lit);
  }

  TDWSegmentCell FCell;

 private:
  TDWRotation FRotation;
  std::unique_ptr<TDWRotationProperty> FRotationProperty;
  TDWTransformParams FTransform;
  bool FLayoutValid = false;
};

// Adds the custom-symbol hook (OnCustomSymbol, not streamed).
template <class TBase>
class TDWCustomizableSegmentIndicator : public TDWBasicSegmentIndicator<TBase> {
 public:
  using TDWBasicSegmentIndicator<TBase>::TDWBasicSegmentIndicator;

  void SetOnCustomSymbol(TDWCustomSymbolEvent AEvent) {
    {
      std::lock_guard lock(this->ControlLock());
      FOnCustomSymbol = std::move(AEvent);
    }
    this->Invalidate();
  }
  // Lets the hook replace the mask of a cell; AExtra is 0 unless the hook gives a colour.
  virtual void CheckCustomSymbol(int ACell, int ARow, char32_t AChar, uint32_t& AMask, TAlphaColor& AExtra) const {
    AExtra = 0;
    if (FOnCustomSymbol) FOnCustomSymbol(ACell, ARow, AChar, AMask, AExtra);
  }

 private:
  TDWCustomSymbolEvent FOnCustomSymbol;
};

// The base's entries in the table of a concrete display class.
template <class C>
void DWDeclareSegmentIndicatorProperties(TProps<C>& t, TDWSegmentsType ADefaultType = st7Segments) {
  t.Enum("SegmentsType", &C::SegmentsType, &C::SetSegmentsType, ADefaultType).Doc("segment layout of the cells");
  t.Color("Color", &C::Color, &C::SetColor, TDWSegmentCell::DefaultColor).Doc("background");
  t.Color("SegmentColor", &C::SegmentColor, &C::SetSegmentColor, TDWSegmentCell::DefaultSegmentColor)
      .Doc("lit segments, at their edges");
  t.Color("SegmentCenterColor", &C::SegmentCenterColor, &C::SetSegmentCenterColor,
          TDWSegmentCell::DefaultSegmentCenterColor)
      .Doc("lit segments, at their centres");
  t.Color("InactiveColor", &C::InactiveColor, &C::SetInactiveColor, TDWSegmentCell::DefaultInactiveColor)
      .Doc("unlit segments, when InactiveAutoDim is off");
  t.Bool("InactiveAutoDim", &C::InactiveAutoDim, &C::SetInactiveAutoDim, true)
      .Doc("unlit segments in SegmentColor dimmed to 0.22");
  t.Bool("Glow", &C::Glow, &C::SetGlow, false).Doc("a halo around lit segments");
  t.Single("SegmentWidth", &C::SegmentWidth, &C::SetSegmentWidth, 0.12f)
      .Limit(0.01, 0.5)
      .Doc("bar thickness, share of the cell's shorter side");
  t.Single("Gap", &C::Gap, &C::SetGap, 0.02f).Limit(0, 0.2).Doc("free space at bar ends, share of the shorter side");
  t.Single("Slant", &C::Slant, &C::SetSlant, 0.0f).Limit(-0.5, 0.5).Doc("italic shift of the top, share of the height");
  t.Object("Rotation", [](C& c) -> TDWRotationProperty& { return c.RotationProperty(); });
}

}  // namespace dw
