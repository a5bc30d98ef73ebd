// The scale of the dial and bar faces: how many major and minor ticks, how long and thick, their
// labels and number format, and whether the scale runs backwards. Which ticks exist and what
// their labels read follows from TickListSettings() and DWListScaleTicks; where they stand on
// a face is the face's business.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/foundation/DWAnalogInstrumentTicks.h"
#include "dialworks/framework/GPProperties.h"
#include "dialworks/framework/Persistents.h"

namespace dw {

// Number format of labels. NumberDigits is limited to 0..15 (what the formatter can show).
class DW_API TDWScalePrecision : public TKVBasicControlProperty {
  DW_CLASS(TDWScalePrecision, TKVBasicControlProperty)
  static constexpr uint32_t MaxDigits = 15;
  using TKVBasicControlProperty::TKVBasicControlProperty;

  uint32_t NumberDigits() const { return FNumberDigits; }
  void SetNumberDigits(uint32_t AValue) { SetterMinMax(*this, "NumberDigits", FNumberDigits, AValue, 0u, MaxDigits); }
  bool FixedPrecision() const { return FFixedPrecision; }
  void SetFixedPrecision(bool AValue) { Setter(*this, "FixedPrecision", FFixedPrecision, AValue); }
  // Value and streaming default together (the owner, right after creating the object).
  void SetNumberDigitsDefault(uint32_t AValue) { FNumberDigits = FNumberDigitsDefault = std::min(AValue, MaxDigits); }
  void SetFixedPrecisionDefault(bool AValue) { FFixedPrecision = FFixedPrecisionDefault = AValue; }
  uint32_t NumberDigitsDefault() const { return FNumberDigitsDefault; }
  bool FixedPrecisionDefault() const { return FFixedPrecisionDefault; }
  bool GetNumberDigitsStored() const { return FNumberDigits != FNumberDigitsDefault; }
  bool GetFixedPrecisionStored() const { return FFixedPrecision != FFixedPrecisionDefault; }

 private:
  bool FFixedPrecision = true;
  bool FFixedPrecisionDefault = true;
  uint32_t FNumberDigits = 2;
  uint32_t FNumberDigitsDefault = 2;
};

// A scale with a number format; its element size is the scale radius on dials.
class DW_API TDWBasicScale : public TKVControlElement {
  DW_CLASS(TDWBasicScale, TKVControlElement)
  TDWBasicScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize = 0);
  TDWScalePrecision& Precision() { return *FPrecision; }
  const TDWScalePrecision& Precision() const { return *FPrecision; }
  void SetPrecision(const TDWScalePrecision& AValue) { FPrecision->Assign(AValue); }

 private:
  std::unique_ptr<TDWScalePrecision> FPrecision;
};

// One family of ticks. Count is limited to kDWMaxTickSteps (the tick list caps further).
class DW_API TDWInstrumentTicks : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWInstrumentTicks, TKVOptionalInstrumentProperty)
  TDWInstrumentTicks(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, uint32_t ACountDefault);

  TKVElementSize& Thickness() { return *FThickness; }
  const TKVElementSize& Thickness() const { return *FThickness; }
  void SetThickness(const TKVElementSize& AValue) { FThickness->Assign(AValue); }
  TKVElementSize& Length() { return *FLength; }
  const TKVElementSize& Length() const { return *FLength; }
  void SetLength(const TKVElementSize& AValue) { FLength->Assign(AValue); }
  uint32_t Count() const { return FCount; }
  void SetCount(uint32_t AValue) { SetterMinMax(*this, "Count", FCount, AValue, 0u, kDWMaxTickSteps); }
  void SetCountDefault(uint32_t AValue) { FCount = FCountDefault = std::min(AValue, kDWMaxTickSteps); }
  uint32_t CountDefault() const { return FCountDefault; }
  bool GetCountStored() const { return FCount != FCountDefault; }
  // Paint of the ticks (solid black by default); faces stroke ticks with a pen made from it.
  TRXGPBrush& Brush() { return *FBrush; }
  const TRXGPBrush& Brush() const { return *FBrush; }
  void SetBrush(const TRXGPBrush& AValue) { FBrush->Assign(AValue); }

 private:
  std::unique_ptr<TKVElementSize> FThickness;
  std::unique_ptr<TKVElementSize> FLength;
  uint32_t FCount = 0;
  uint32_t FCountDefault = 0;
  std::unique_ptr<TRXGPBrush> FBrush;
};

// Ticks with labels (Length default 0.05).
class DW_API TDWLabeledInstrumentTicks : public TDWInstrumentTicks {
  DW_CLASS(TDWLabeledInstrumentTicks, TDWInstrumentTicks)
  TDWLabeledInstrumentTicks(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                            uint32_t ACountDefault);
  TDWInstrumentTicksText& Labels() { return *FLabels; }
  const TDWInstrumentTicksText& Labels() const { return *FLabels; }
  void SetLabels(const TDWInstrumentTicksText& AValue) { FLabels->Assign(AValue); }

 private:
  std::unique_ptr<TDWInstrumentTicksText> FLabels;
};

// The switch of the first or last major tick (Visible) and of its label (TickLabel.Visible).
class DW_API TDWInstrumentEndTick : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWInstrumentEndTick, TKVOptionalInstrumentProperty)
  TDWInstrumentEndTick(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TKVOptionalInstrumentProperty& TickLabel() { return *FTickLabel; }
  const TKVOptionalInstrumentProperty& TickLabel() const { return *FTickLabel; }
  void SetTickLabel(const TKVOptionalInstrumentProperty& AValue) { FTickLabel->Assign(AValue); }

 private:
  std::unique_ptr<TKVOptionalInstrumentProperty> FTickLabel;
};

// Major ticks with their end ticks at Min (MinTick) and Max (MaxTick).
class DW_API TDWInstrumentMajorTicks : public TDWLabeledInstrumentTicks {
  DW_CLASS(TDWInstrumentMajorTicks, TDWLabeledInstrumentTicks)
  TDWInstrumentMajorTicks(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                          uint32_t ACountDefault);
  TDWInstrumentEndTick& MinTick() { return *FMinTick; }
  const TDWInstrumentEndTick& MinTick() const { return *FMinTick; }
  void SetMinTick(const TDWInstrumentEndTick& AValue) { FMinTick->Assign(AValue); }
  TDWInstrumentEndTick& MaxTick() { return *FMaxTick; }
  const TDWInstrumentEndTick& MaxTick() const { return *FMaxTick; }
  void SetMaxTick(const TDWInstrumentEndTick& AValue) { FMaxTick->Assign(AValue); }

 private:
  std::unique_ptr<TDWInstrumentEndTick> FMinTick;
  std::unique_ptr<TDWInstrumentEndTick> FMaxTick;
};

// A scale with major ticks (11, labelled) and minor ticks (4 between majors, unlabelled).
class DW_API TDWBasicGaugeScale : public TDWBasicScale {
  DW_CLASS(TDWBasicGaugeScale, TDWBasicScale)
  TDWBasicGaugeScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize = 0);

  TDWInstrumentMajorTicks& MajorTicks() { return *FMajorTicks; }
  const TDWInstrumentMajorTicks& MajorTicks() const { return *FMajorTicks; }
  void SetMajorTicks(const TDWInstrumentMajorTicks& AValue) { FMajorTicks->Assign(AValue); }
  TDWLabeledInstrumentTicks& MinorTicks() { return *FMinorTicks; }
  const TDWLabeledInstrumentTicks& MinorTicks() const { return *FMinorTicks; }
  void SetMinorTicks(const TDWLabeledInstrumentTicks& AValue) { FMinorTicks->Assign(AValue); }

  // What the tick list needs of this scale.
  virtual TDWTickListSettings TickListSettings() const;
  // The ticks a face draws for the range AMin..AMax.
  TDWScaleTickList ListTicks(double AMin, double AMax) const { return DWListScaleTicks(TickListSettings(), AMin, AMax); }

 private:
  std::unique_ptr<TDWInstrumentMajorTicks> FMajorTicks;
  std::unique_ptr<TDWLabeledInstrumentTicks> FMinorTicks;
};

// Adds Reversed: the scale runs from Max to Min in the drawing direction.
class DW_API TDWReversibleGaugeScale : public TDWBasicGaugeScale {
  DW_CLASS(TDWReversibleGaugeScale, TDWBasicGaugeScale)
  using TDWBasicGaugeScale::TDWBasicGaugeScale;
  bool Reversed() const { return FReversed; }
  void SetReversed(bool AValue) { Setter(*this, "Reversed", FReversed, AValue); }
  TDWTickListSettings TickListSettings() const override;

 private:
  bool FReversed = false;
};

}  // namespace dw
