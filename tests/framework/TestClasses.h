// Small test-only components that exercise the framework machinery: a gauge with a value model,
// a nested scale, a range collection, an element collection and an input pin; a hand element with
// a state pin; a clock element of another family.
#pragma once

#include <memory>

#include "dialworks/framework/Collection.h"
#include "dialworks/framework/ColorItems.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/GPProperties.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/Persistents.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/Pins.h"

namespace dwtest {

using namespace dw;

enum TTestTickStyle : uint8_t { tsLine, tsDot, tsTriangle };
DW_ENUM(TTestTickStyle, "tsLine", "tsDot", "tsTriangle")

class TTestScale : public TKVOptionalInstrumentProperty {
  DW_CLASS(TTestScale, TKVOptionalInstrumentProperty)
  using TKVOptionalInstrumentProperty::TKVOptionalInstrumentProperty;
  int Count() const { return FCount; }
  void SetCount(int AValue) { SetterMinMax(*this, "Count", FCount, AValue, 0, 100); }
  TTestTickStyle Style() const { return FStyle; }
  void SetStyle(TTestTickStyle AValue) { Setter(*this, "Style", FStyle, AValue); }
  float Angle() const { return FAngle; }
  void SetAngle(float AValue) { SetterFold(*this, "Angle", FAngle, AValue, 0.0f, 360.0f); }
  double Step() const { return FStep; }
  void SetStep(double AValue) { SetterInRange(*this, "Step", FStep, AValue, 0.5, 10.0); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& AValue) { Setter(*this, "Caption", FCaption, AValue); }
  uint32_t Digits() const { return FDigits; }
  void SetDigits(uint32_t AValue) { SetterMax(*this, "Digits", FDigits, AValue, 12u); }

 private:
  int FCount = 10;
  TTestTickStyle FStyle = tsLine;
  float FAngle = 0;
  double FStep = 1;
  TAlphaColor FColor = 0xFF000000;
  std::string FCaption;
  uint32_t FDigits = 2;
};

class TTestRange : public TLockCollectionItem {
  DW_CLASS(TTestRange, TLockCollectionItem)
  double Start() const { return FStart; }
  void SetStart(double AValue) { Setter(*this, "Start", FStart, AValue); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }

 private:
  double FStart = 0;
  TAlphaColor FColor = 0xFF00FF00;
};

class TTestGauge : public TKVBasicControl {
  DW_CLASS(TTestGauge, TKVBasicControl)
  explicit TTestGauge(TComponent* AOwner = nullptr);
  ~TTestGauge() override { --Instances; }
  static inline int Instances = 0;
  static inline int TotalLoaded = 0;
  double Value() const { return FValue; }
  void SetValue(double AValue);
  double Min() const { return FMin; }
  void SetMin(double AValue) { Setter(*this, "Min", FMin, AValue, [this] { InvalidateRange(); }); }
  double Max() const { return FMax; }
  void SetMax(double AValue) { Setter(*this, "Max", FMax, AValue, [this] { InvalidateRange(); }); }
  TTestScale& Scale() { return *FScale; }
  TTestGauge& SetScale(const TTestScale& AValue) { FScale->Assign(AValue); return *this; }
  TTypedCollection<TTestRange>& Ranges() { return FRanges; }
  TRXAngularAnalogComponentElements& Elements() { return FElements; }
  TRXComponentElements* ElementList() override { return &FElements; }
  TPXRealAndRangedSinkPin& InputPin() { return FInputPin; }
  const TPXRealAndRangedSinkPin& InputPin() const { return FInputPin; }
  void Loaded() override;
  void InvalidateValue() override { ++ValueInvalidations; TKVBasicControl::InvalidateValue(); }
  void InvalidateRange() override { ++RangeInvalidations; TKVBasicControl::InvalidateRange(); }
  void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) override;

  int ValueInvalidations = 0, RangeInvalidations = 0, LoadedCalls = 0, Draws = 0;
  TAlphaColor FillColor = 0xFF0000FF;

 private:
  double FValue = 0, FMin = 0, FMax = 100;
  std::unique_ptr<TTestScale> FScale;
  TTypedCollection<TTestRange> FRanges;
  TRXAngularAnalogComponentElements FElements;
  TPXRealAndRangedSinkPin FInputPin;
};

enum TTestHandMode : uint8_t { hmNormal, hmMin, hmMax };
DW_ENUM(TTestHandMode, "hmNormal", "hmMin", "hmMax")

class TTestHandElement : public TKVBasicControl, public TRXDrawComponentElement {
  DW_CLASS(TTestHandElement, TKVBasicControl)
  explicit TTestHandElement(TComponent* AOwner = nullptr);
  TTestHandMode Mode() const { return FMode; }
  void SetMode(TTestHandMode AValue) { Setter(*this, "Mode", FMode, AValue); }
  TPXRealAndRangedStatePin& StatePin() { return FStatePin; }
  TKVElementOffsets& Position() { return *FPosition; }
  void Draw(gp::Graphics& AGraphics, const TRXElementArea& AArea) override;
  bool HitTest(int AX, int AY) override { return AX >= HitLeft && AX < HitLeft + 10 && AY >= 0 && AY < 10; }
  void MouseDown(TMouseButton, TShiftState, int, int) override { ++Downs; }
  void MouseMove(TShiftState, int, int) override { ++Moves; }
  void MouseUp(TMouseButton, TShiftState, int, int) override { ++Ups; }
  void Unselect() override { ++Unselects; }
  void SetListOwner(TRXComponentElements* AOwner) override;
  void InvalidateSize() override { ++SizeInvalidations; TKVBasicControl::InvalidateSize(); }

  int HitLeft = 0, Downs = 0, Moves = 0, Ups = 0, Unselects = 0, Draws = 0, SizeInvalidations = 0;
  int ListOwnerChanges = 0;

 private:
  TTestHandMode FMode = hmNormal;
  TPXRealAndRangedStatePin FStatePin;
  std::unique_ptr<TKVElementOffsets> FPosition;
};

class TTestClockElement : public TKVBasicControl, public TRXDrawComponentElement {
  DW_CLASS(TTestClockElement, TKVBasicControl)
  using TKVBasicControl::TKVBasicControl;
  void Draw(gp::Graphics&, const TRXElementArea&) override {}
};

// Holds one of every property object of the framework, so the generic table check covers them.
class TTestDecorated : public TDWBasicRotatableControl {
  DW_CLASS(TTestDecorated, TDWBasicRotatableControl)
  explicit TTestDecorated(TComponent* AOwner = nullptr);
  TKVProportionalControlBorder& Border() { return *FBorder; }
  TKVRectControlBorder& RectBorder() { return *FRectBorder; }
  TKVControlBackground& Background() { return *FBackground; }
  TKVCaption& Caption() { return *FCaption; }
  TKVVerticalCaption& VerticalCaption() { return *FVerticalCaption; }
  TKVControlFont& Font() { return *FFont; }
  TRXGPBrush& Brush() { return *FBrush; }
  TRXGPPen& Pen() { return *FPen; }
  TDWInstrumentTicksText& Labels() { return *FLabels; }
  TRXGPColorItems& Colors() { return FColors; }
  TKVControlElement& Cap() { return *FCap; }
  TKVElement2DSize& Size() { return *FSize; }
  TEnabledPersistent& Feature() { return *FFeature; }

 private:
  std::unique_ptr<TKVProportionalControlBorder> FBorder;
  std::unique_ptr<TKVRectControlBorder> FRectBorder;
  std::unique_ptr<TKVControlBackground> FBackground;
  std::unique_ptr<TKVCaption> FCaption;
  std::unique_ptr<TKVVerticalCaption> FVerticalCaption;
  std::unique_ptr<TKVControlFont> FFont;
  std::unique_ptr<TRXGPBrush> FBrush;
  std::unique_ptr<TRXGPPen> FPen;
  std::unique_ptr<TDWInstrumentTicksText> FLabels;
  TRXGPColorItems FColors;
  std::unique_ptr<TKVControlElement> FCap;
  std::unique_ptr<TKVElement2DSize> FSize;
  std::unique_ptr<TEnabledPersistent> FFeature;
};

// A matrix layer that is not an instrument: paints the cell at its position.
class TTestDotLayer : public TRXBasicMatrixElement {
  DW_CLASS(TTestDotLayer, TRXBasicMatrixElement)
  using TRXBasicMatrixElement::TRXBasicMatrixElement;
  TAlphaColor DotColor() const { return FDotColor; }
  void SetDotColor(TAlphaColor AValue) { Setter(*this, "DotColor", FDotColor, AValue); }
  void Render(uint32_t* ABuffer, int AWidth, int AHeight) override;

 private:
  TAlphaColor FDotColor = 0xFFFFFFFF;
};

// Registers the test classes (idempotent).
void RegisterTestClasses();

}  // namespace dwtest
