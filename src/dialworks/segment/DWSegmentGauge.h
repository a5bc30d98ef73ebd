// The segment gauge: a real number on a row of segment digits (numeric LED/LCD), with an optional
// sign cell (minus, and plus on request) at the left; with its layer, element and matrix-layer
// variants.
//
// Cells are counted from the right (index 0: the rightmost digit). The units digit carries the
// decimal point; with decimals d the cell of index d is the units digit. With free precision the
// digits the integer part does not need become decimals, always keeping the units digit (so 0.05
// on three cells reads 0.05); a rounding that carries into a new digit gives up one decimal
// (9.99999 on four cells reads 10.00). A number with more integer digits than cells, or that is
// not finite, shows the overflow symbol (the middle bar) in every cell. The scaled number is held
// as an integral double, never converted to a narrower integer.
//
// Lengths: the sign cell's Size is a share of the digit width; its bar Length and Width shares of
// min(digit width, height - 1); Offsets of the sign cell's side and Separation of the height - 1.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/foundation/DWAnalogInstrumentScale.h"
#include "dialworks/foundation/DWAnalogInstrumentValue.h"
#include "dialworks/foundation/DWAnalogInstrumentVariants.h"
#include "dialworks/foundation/DWSegmentIndicator.h"
#include "dialworks/framework/Elements.h"

namespace dw {

// Registers the unit DWSegmentGauge ("Gauges"; its matrix layer under "Indicators").
namespace DWSegmentGauge {
DW_API void RegisterPkg();
}  // namespace DWSegmentGauge

inline constexpr int kDWMaxSegmentDigits = 30;

// The mask of a digit value 0..15 in a layout (values beyond 15: 0).
DW_API uint32_t DWSegmentDigitMask(TDWSegmentsType AType, unsigned ADigit);
// The overflow symbol: the middle bar.
DW_API uint32_t DWSegmentOverflowMask(TDWSegmentsType AType);
// Digits of the integer part of AMagnitude (>= 0) in ABase, counted exactly; at least 1 (also for
// values below 1), at most kDWMaxSegmentDigits + 1. Not finite: kDWMaxSegmentDigits + 1.
DW_API int DWSegmentDigitCount(double AMagnitude, unsigned ABase);

// What the cells of a gauge show, index 0 the rightmost cell.
struct DW_API TDWSegmentReading {
  int Cells = 0;
  bool Overflow = false;
  int Decimals = 0;  // decimals shown (after any carry)
  std::array<uint32_t, kDWMaxSegmentDigits> Masks{};
  std::array<char, kDWMaxSegmentDigits> Chars{};  // the character handed to the custom-symbol check
};

// Value to masks: ACells (1..30) cells in ABase (2..16); AFixed with ADecimals decimals, else the
// free rule (top of this file). Allocation-free.
DW_API void DWSegmentGaugeReading(double AValue, int ACells, unsigned ABase, bool AFixed, int ADecimals,
                                  bool ALeadingZero, TDWSegmentsType AType, TDWSegmentReading& AOut);

// Digit count and number base: NumberDigits (4, 1..30; used when AutoSize is off), AutoSize
// (true: from Min, Max and the precision), Base (10, 2..16). Out-of-range values go to the nearer limit.
class DW_API TDWSegmentGaugeDigits : public TKVBasicControlProperty {
  DW_CLASS(TDWSegmentGaugeDigits, TKVBasicControlProperty)
  using TKVBasicControlProperty::TKVBasicControlProperty;
  uint32_t NumberDigits() const { return FNumberDigits; }
  void SetNumberDigits(uint32_t AValue) {
    SetterMinMax(*this, "NumberDigits", FNumberDigits, AValue, 1u, uint32_t(kDWMaxSegmentDigits));
  }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool AValue) { Setter(*this, "AutoSize", FAutoSize, AValue); }
  uint32_t Base() const { return FBase; }
  void SetBase(uint32_t AValue) { SetterMinMax(*this, "Base", FBase, AValue, 2u, 16u); }

 private:
  uint32_t FNumberDigits = 4;
  bool FAutoSize = true;
  uint32_t FBase = 10;
};

// The sign's offsets inside its cell plus Separation (0.3): the distance between plus and minus.
class DW_API TDWSignSegmentOffsets : public TKVElementOffsets {
  DW_CLASS(TDWSignSegmentOffsets, TKVElementOffsets)
  TDWSignSegmentOffsets(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TKVElementSize& Separation() { return *FSeparation; }
  const TKVElementSize& Separation() const { return *FSeparation; }
  void SetSeparation(const TKVElementSize& AValue) { FSeparation->Assign(AValue); }

 private:
  std::unique_ptr<TKVElementSize> FSeparation;
};

// The sign cell: Visible, Size (0.6), Length (0.4), Width (0.15), Offsets, ShowPlus (false).
class DW_API TDWSignSegment : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWSignSegment, TKVOptionalInstrumentProperty)
  TDWSignSegment(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }
  TKVElementSize& Length() { return *FLength; }
  const TKVElementSize& Length() const { return *FLength; }
  void SetLength(const TKVElementSize& AValue) { FLength->Assign(AValue); }
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  TDWSignSegmentOffsets& Offsets() { return *FOffsets; }
  const TDWSignSegmentOffsets& Offsets() const { return *FOffsets; }
  void SetOffsets(const TDWSignSegmentOffsets& AValue) { FOffsets->Assign(AValue); }
  bool ShowPlus() const { return FShowPlus; }
  void SetShowPlus(bool AValue) { Setter(*this, "ShowPlus", FShowPlus, AValue); }

 private:
  std::unique_ptr<TKVElementSize> FSize, FLength, FWidth;
  std::unique_ptr<TDWSignSegmentOffsets> FOffsets;
  bool FShowPlus = false;
};

// The sign shapes in the sign cell's coordinates, for digit width ADigitWidth and frame height AHeight.
struct DW_API TDWSignGeometry {
  std::array<gp::PointF, 4> Minus{};
  std::array<gp::PointF, 12> Plus{};
  float Thickness = 0;  // bar thickness (the glow width)
};
DW_API TDWSignGeometry DWSignGeometry(const TDWSignSegment& ASign, float ADigitWidth, float AHeight);

class DW_API TDWBasicSegmentGauge : public TDWCustomizableSegmentIndicator<TDWBasicMinMaxInstrument> {
  DW_CLASS(TDWBasicSegmentGauge, TDWBasicMinMaxInstrument)
  static constexpr int DefaultWidth = 108, DefaultHeight = 40;
  explicit TDWBasicSegmentGauge(TComponent* AOwner = nullptr);
  ~TDWBasicSegmentGauge() override;

  TDWSegmentGaugeDigits& Digits() { return *FDigits; }
  const TDWSegmentGaugeDigits& Digits() const { return *FDigits; }
  void SetDigits(const TDWSegmentGaugeDigits& AValue) { FDigits->Assign(AValue); }
  TDWScalePrecision& Precision() { return *FPrecision; }
  const TDWScalePrecision& Precision() const { return *FPrecision; }
  void SetPrecision(const TDWScalePrecision& AValue) { FPrecision->Assign(AValue); }
  bool LeadingZero() const { return FLeadingZero; }
  void SetLeadingZero(bool AValue) { Setter(*this, "LeadingZero", FLeadingZero, AValue, [this] { Invalidate(); }); }
  TDWSignSegment& Sign() { return *FSign; }
  const TDWSignSegment& Sign() const { return *FSign; }
  void SetSign(const TDWSignSegment& AValue) { FSign->Assign(AValue); }
  TRXGaugeComponentElements& Elements() { return *FElements; }
  const TRXGaugeComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }

  // The number of digit cells for the current settings (AutoSize: from Min, Max and the precision).
  int DigitCountFor() const;
  // What the cells show for the current value and layout.
  void Reading(TDWSegmentReading& AOut) const;

  void Init(float AWidth, float AHeight, bool AFlag) override;
  int NumberDigitsInUse() const { return FNumberDigits; }
  float DigitWidth() const { return FDigitWidth; }
  const TDWSignGeometry& SignGeometry() const { return FSignGeometry; }

 protected:
  void DrawCells(gp::Graphics& g, TDWSegmentPass APass) override;
  void DrawElements(gp::Graphics& g, const TDWLayerFrame& AFrame, float AWidth, float AHeight) override;

 private:
  void DrawSign(gp::Graphics& g, TDWSegmentPass APass);

  std::unique_ptr<TDWSegmentGaugeDigits> FDigits;
  std::unique_ptr<TDWScalePrecision> FPrecision;
  bool FLeadingZero = false;
  std::unique_ptr<TDWSignSegment> FSign;
  std::unique_ptr<TRXGaugeComponentElements> FElements;

  int FNumberDigits = 0;
  float FDigitWidth = 0;
  float FFrameWidth = 0;
  TDWSignGeometry FSignGeometry;
  std::unique_ptr<gp::PathGradientBrush> FMinusBrush, FHighlightMinusBrush, FPlusBrush, FHighlightPlusBrush;
  std::vector<gp::PointF> FHighlightMinusPath, FHighlightPlusPath;
  gp::CachedFill FMinusFill, FPlusFill;  // the lit sign's pictures (as the digits' lit segments)
  TDWSegmentReading FReading;  // the frame's reading (kept here: a frame allocates nothing)
};

// Adds InputPin and publishes Value, Min, Max: the standalone control.
class DW_API TDWSegmentGauge : public TDWWithInputPin<TDWBasicSegmentGauge> {
  DW_CLASS(TDWSegmentGauge, TDWBasicSegmentGauge)
  using TDWWithInputPin::TDWWithInputPin;
};

class DW_API TDWSegmentGaugeLayer : public TDWSegmentGauge {
  DW_CLASS(TDWSegmentGaugeLayer, TDWSegmentGauge)
  using TDWSegmentGauge::TDWSegmentGauge;
};

class DW_API TDWBasicSegmentGaugeElement : public TDWBasicSegmentGauge {
  DW_CLASS(TDWBasicSegmentGaugeElement, TDWBasicSegmentGauge)
  static void RegisterUnit() { DWSegmentGauge::RegisterPkg(); }
  using TDWBasicSegmentGauge::TDWBasicSegmentGauge;
};

// Mirrors its host's Min, Max and Value.
class DW_API TDWSegmentGaugeElement : public TDWMirroringElement<TDWBasicSegmentGaugeElement> {
  DW_CLASS(TDWSegmentGaugeElement, TDWBasicSegmentGaugeElement)
  explicit TDWSegmentGaugeElement(TComponent* AOwner = nullptr) : TDWMirroringElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.15f}, {0, 0.5f});
  }
};

// An element with its own value: the standalone gauge placed in a host.
class DW_API TDWExternalSegmentGaugeElement : public TDWPlacedElement<TDWSegmentGauge> {
  DW_CLASS(TDWExternalSegmentGaugeElement, TDWSegmentGauge)
  static void RegisterUnit() { DWSegmentGauge::RegisterPkg(); }
  explicit TDWExternalSegmentGaugeElement(TComponent* AOwner = nullptr) : TDWPlacedElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.15f}, {0, 0.5f});
  }
};

class DW_API TDWExternalSegmentGaugeMatrixLayer : public TDWMatrixLayerOf<TDWExternalSegmentGaugeElement> {
  DW_CLASS(TDWExternalSegmentGaugeMatrixLayer, TDWExternalSegmentGaugeElement)
  explicit TDWExternalSegmentGaugeMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.3f}, {0, 0});
  }
};

class DW_API TDWExternalSegmentGaugeMatrixElement : public TDWExternalSegmentGaugeMatrixLayer {
  DW_CLASS(TDWExternalSegmentGaugeMatrixElement, TDWExternalSegmentGaugeMatrixLayer)
  using TDWExternalSegmentGaugeMatrixLayer::TDWExternalSegmentGaugeMatrixLayer;
};

}  // namespace dw
