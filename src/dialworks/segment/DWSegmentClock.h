// The segment clock: a time of day on segment digits (hours, minutes, seconds and 1..3 digits of
// the fraction of a second, each section optional), dot separators between the sections and an
// AM/PM indicator drawn as text at the right end; with its layer, element and matrix-layer
// variants. The time model (TimeSource, Value, InputPin, the host's clock) is the analog clock's
// (DWClockTime.h).
//
// Layout, right to left: the AM/PM block, then each visible section's cells followed by its
// separator (milliseconds, seconds, minutes), then the two hour cells. Separator and AM/PM widths
// are shares of the digit width (or pixels when not proportional); the digit width is what is
// left of the frame width shared among the cells. Separator points are shares of the separator's
// width (Left) and of the cell height - 1 (Top); every dot is DotSize x min(digit width, height - 1)
// across and always lit. The AM/PM texts sit at their positions (shares of the block width and of
// the height - 1), sized Font.Size x min(block width, height - 1) points; exactly one is lit.
//
// The timer re-reads the host's time every 50 ms (10 ms for two millisecond digits, 1 ms for
// three) and redraws once per second unless milliseconds are shown.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Font.h"
#include "dialworks/foundation/DWAnalogInstrumentVariants.h"
#include "dialworks/foundation/DWClockTime.h"
#include "dialworks/foundation/DWSegmentIndicator.h"
#include "dialworks/framework/Collection.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/SharedReal.h"
#include "dialworks/host/Pins.h"

namespace dw {

// Registers the unit DWSegmentClock ("Clocks").
namespace DWSegmentClock {
DW_API void RegisterPkg();
}  // namespace DWSegmentClock

// A place inside a separator or the AM/PM block: Left, a share of its width; Top, a share of
// the cell height - 1. Limited to -10..10.
class DW_API TDWPointOffset : public TKVBasicControlProperty {
  DW_CLASS(TDWPointOffset, TKVBasicControlProperty)
  static constexpr float Limit = 10;
  TDWPointOffset(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ALeft = 0.1f,
                 float ATop = 0.3f);
  float Left() const { return FLeft; }
  void SetLeft(float AValue) { SetterMinMax(*this, "Left", FLeft, AValue, -Limit, Limit); }
  float Top() const { return FTop; }
  void SetTop(float AValue) { SetterMinMax(*this, "Top", FTop, AValue, -Limit, Limit); }
  // Sets Top without notification (a point placed as it joins its list).
  void SetTopQuiet(float AValue) { FTop = AValue; }
  float LeftDefault() const { return FLeftDefault; }
  float TopDefault() const { return FTopDefault ? FTopDefault() : FTopFixed; }
  // Top's streaming default computed when asked (a point's depends on the point before it).
  void SetTopDefaultFrom(std::function<float()> ADefault) { FTopDefault = std::move(ADefault); }

 private:
  float FLeft, FTop, FLeftDefault, FTopFixed;
  std::function<float()> FTopDefault;
};

// One separator dot. Size (1.3) is kept for forms; dots take the clock's DotSize.
class DW_API TDWSegmentPoint : public TLockCollectionItem {
  DW_CLASS(TDWSegmentPoint, TLockCollectionItem)
  TDWSegmentPoint();
  // Where a new point goes: 0.33 below the point before it in its list (0.33 for the first one
  // and past the bottom).
  float NewTop() const;
  // Moves the point there (no notification; the list does it when the point joins).
  void PlaceNew();
  TDWPointOffset& Offset() { return *FOffset; }
  const TDWPointOffset& Offset() const { return *FOffset; }
  void SetOffset(const TDWPointOffset& AValue) { FOffset->Assign(AValue); }
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }

  // The dot as laid out by the clock (separator coordinates), with its brushes.
  gp::RectF Rect, HighlightRect;
  std::unique_ptr<gp::PathGradientBrush> Brush, HighlightBrush;

 private:
  std::unique_ptr<TDWPointOffset> FOffset;
  std::unique_ptr<TKVElementSize> FSize;
};

// The dots of a separator. A new point goes 0.33 below the last one (0.33 for the first; past
// the bottom it starts again at 0.33).
class DW_API TDWSegmentPoints : public TTypedCollection<TDWSegmentPoint> {
  DW_CLASS(TDWSegmentPoints, TLockCollection)
  static constexpr float Step = 0.33f;
  TDWSegmentPoints(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);

 protected:
  void ItemAdded(TLockCollectionItem& AItem) override;
};

// Visible and Width (a share of the digit width, or pixels when not proportional).
class DW_API TDWSegmentSeparator : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWSegmentSeparator, TKVOptionalInstrumentProperty)
  TDWSegmentSeparator(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float AWidth);
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  // The width in pixels for a digit width (never negative or NaN).
  float PixelWidth(float ADigitWidth) const;

 private:
  std::unique_ptr<TKVElementSize> FWidth;
};

// A separator with its dots (none at first: it takes its width and shows nothing).
class DW_API TDWSegmentClockSeparator : public TDWSegmentSeparator {
  DW_CLASS(TDWSegmentClockSeparator, TDWSegmentSeparator)
  static constexpr float DefaultWidth = 0.3f;
  TDWSegmentClockSeparator(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TDWSegmentPoints& Points() { return *FPoints; }
  const TDWSegmentPoints& Points() const { return *FPoints; }
  void SetPoints(const TDWSegmentPoints& AValue) { FPoints->Assign(AValue); }

 private:
  std::unique_ptr<TDWSegmentPoints> FPoints;
};

// The AM/PM text font: Name, Bold (true), Italic and Size (a share of the AM/PM reference, in points).
class DW_API TDWSegmentFont : public TKVBasicControlProperty {
  DW_CLASS(TDWSegmentFont, TKVBasicControlProperty)
  TDWSegmentFont(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize = 0.09f);
  const std::string& Name() const { return FName; }
  void SetName(const std::string& AValue) { Setter(*this, "Name", FName, AValue); }
  bool Bold() const { return FBold; }
  void SetBold(bool AValue) { Setter(*this, "Bold", FBold, AValue); }
  bool Italic() const { return FItalic; }
  void SetItalic(bool AValue) { Setter(*this, "Italic", FItalic, AValue); }
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }
  // The font at Size resolved against AReference, in points.
  gp::Font GetGPFontFor(float AReference) const;

 private:
  std::string FName = "DejaVu Sans";
  bool FBold = true, FItalic = false;
  std::unique_ptr<TKVElementSize> FSize;
};

class DW_API TDWDigitalHourSection : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWDigitalHourSection, TKVOptionalInstrumentProperty)
  using TKVOptionalInstrumentProperty::TKVOptionalInstrumentProperty;
  // On: hours 0..23; off: 1..12 (midnight and noon show 12).
  bool Mode24Hours() const { return FMode24Hours; }
  void SetMode24Hours(bool AValue) { Setter(*this, "Mode24Hours", FMode24Hours, AValue); }
  // Off: a leading zero of the hours is left dark (" 9:05").
  bool LeadingZero() const { return FLeadingZero; }
  void SetLeadingZero(bool AValue) { Setter(*this, "LeadingZero", FLeadingZero, AValue); }

 private:
  bool FMode24Hours = true, FLeadingZero = true;
};

// Two cells and the separator to their left.
class DW_API TDWDigitalClockSection : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWDigitalClockSection, TKVOptionalInstrumentProperty)
  TDWDigitalClockSection(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TDWSegmentClockSeparator& Separator() { return *FSeparator; }
  const TDWSegmentClockSeparator& Separator() const { return *FSeparator; }
  void SetSeparator(const TDWSegmentClockSeparator& AValue) { FSeparator->Assign(AValue); }

 private:
  std::unique_ptr<TDWSegmentClockSeparator> FSeparator;
};

// 1..3 cells of the fraction of a second (tenths, hundredths, thousandths); hidden by default.
class DW_API TDWMillisecondsClockSection : public TDWDigitalClockSection {
  DW_CLASS(TDWMillisecondsClockSection, TDWDigitalClockSection)
  TDWMillisecondsClockSection(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  uint32_t NumberDigits() const { return FNumberDigits; }
  void SetNumberDigits(uint32_t AValue) { SetterMinMax(*this, "NumberDigits", FNumberDigits, AValue, 1u, 3u); }

 private:
  uint32_t FNumberDigits = 3;
};

// The AM/PM block at the right end (Width 0.6 digit widths; hidden by default).
class DW_API TDWDigitalAmPmSection : public TDWSegmentSeparator {
  DW_CLASS(TDWDigitalAmPmSection, TDWSegmentSeparator)
  TDWDigitalAmPmSection(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TDWSegmentFont& Font() { return *FFont; }
  const TDWSegmentFont& Font() const { return *FFont; }
  void SetFont(const TDWSegmentFont& AValue) { FFont->Assign(AValue); }
  TDWPointOffset& AmPosition() { return *FAmPosition; }
  const TDWPointOffset& AmPosition() const { return *FAmPosition; }
  void SetAmPosition(const TDWPointOffset& AValue) { FAmPosition->Assign(AValue); }
  TDWPointOffset& PmPosition() { return *FPmPosition; }
  const TDWPointOffset& PmPosition() const { return *FPmPosition; }
  void SetPmPosition(const TDWPointOffset& AValue) { FPmPosition->Assign(AValue); }

 private:
  std::unique_ptr<TDWSegmentFont> FFont;
  std::unique_ptr<TDWPointOffset> FAmPosition, FPmPosition;
};

class DW_API TDWDigitalClockSections : public TKVBasicControlProperty {
  DW_CLASS(TDWDigitalClockSections, TKVBasicControlProperty)
  TDWDigitalClockSections(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TDWDigitalHourSection& Hours() { return *FHours; }
  const TDWDigitalHourSection& Hours() const { return *FHours; }
  void SetHours(const TDWDigitalHourSection& AValue) { FHours->Assign(AValue); }
  TDWDigitalClockSection& Minutes() { return *FMinutes; }
  const TDWDigitalClockSection& Minutes() const { return *FMinutes; }
  void SetMinutes(const TDWDigitalClockSection& AValue) { FMinutes->Assign(AValue); }
  TDWDigitalClockSection& Seconds() { return *FSeconds; }
  const TDWDigitalClockSection& Seconds() const { return *FSeconds; }
  void SetSeconds(const TDWDigitalClockSection& AValue) { FSeconds->Assign(AValue); }
  TDWMillisecondsClockSection& Milliseconds() { return *FMilliseconds; }
  const TDWMillisecondsClockSection& Milliseconds() const { return *FMilliseconds; }
  void SetMilliseconds(const TDWMillisecondsClockSection& AValue) { FMilliseconds->Assign(AValue); }
  TDWDigitalAmPmSection& AmPm() { return *FAmPm; }
  const TDWDigitalAmPmSection& AmPm() const { return *FAmPm; }
  void SetAmPm(const TDWDigitalAmPmSection& AValue) { FAmPm->Assign(AValue); }

  // Digit cells in use.
  int CellCount() const;
  // The timer interval the sections need (ms): 50, 10 or 1 with milliseconds shown, else 50.
  uint32_t TimerInterval() const;

 private:
  std::unique_ptr<TDWDigitalHourSection> FHours;
  std::unique_ptr<TDWDigitalClockSection> FMinutes, FSeconds;
  std::unique_ptr<TDWMillisecondsClockSection> FMilliseconds;
  std::unique_ptr<TDWDigitalAmPmSection> FAmPm;
};

inline constexpr int kDWMaxSegmentClockCells = 9;

// What the cells show for a time, index 0 the rightmost cell (milliseconds first, hours last).
struct DW_API TDWSegmentClockReading {
  int Cells = 0;
  std::array<uint32_t, kDWMaxSegmentClockCells> Masks{};
  std::array<char, kDWMaxSegmentClockCells> Chars{};
  std::array<int, kDWMaxSegmentClockCells> Index{};  // the cell's index within its section, from the right
  bool Pm = false;                                   // hour >= 12
};

// The reading of ATime (its time of day; bad date-times show midnight). Allocation-free.
DW_API void DWSegmentClockReading(TDateTime ATime, const TDWDigitalClockSections& ASections, TDWSegmentsType AType,
                                  TDWSegmentClockReading& AOut);

class DW_API TDWBasicSegmentClock : public TDWCustomizableSegmentIndicator<TKVBasicControl> {
  DW_CLASS(TDWBasicSegmentClock, TKVBasicControl)
  static constexpr int DefaultWidth = 162, DefaultHeight = 40;
  static constexpr float DefaultDotSize = 0.2f;
  static constexpr uint32_t DesignInterval = 500;  // timer interval (ms) while designing
  explicit TDWBasicSegmentClock(TComponent* AOwner = nullptr);
  ~TDWBasicSegmentClock() override;

  TDWDigitalClockSections& Sections() { return *FSections; }
  const TDWDigitalClockSections& Sections() const { return *FSections; }
  void SetSections(const TDWDigitalClockSections& AValue) { FSections->Assign(AValue); }
  // The separator dots' diameter, a share of min(digit width, height - 1).
  TKVElementSize& DotSize() { return *FDotSize; }
  const TKVElementSize& DotSize() const { return *FDotSize; }
  void SetDotSize(const TKVElementSize& AValue) { FDotSize->Assign(AValue); }
  TRXClockComponentElements& Elements() { return *FElements; }
  const TRXClockComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }

  // The date-time shown (the basic clock shows midnight; the variants say where theirs comes from).
  virtual TDateTime GetCurrentValue() { return 0; }
  // Hands ATime to every clock element of Elements.
  void SendChildValues(TDateTime ATime);
  void UpdateEmbeddedValues() override { SendChildValues(GetCurrentValue()); }

  void Init(float AWidth, float AHeight, bool AFlag) override;
  int NumberDigitsInUse() const { return FNumberDigits; }
  float DigitWidth() const { return FDigitWidth; }
  // The left edges of the cells (index as in the reading) and separators of the current layout.
  float CellLeft(int AIndex) const { return FCellLeft[size_t(AIndex)]; }
  float AmPmLeft() const { return FAmPmLeft; }

 protected:
  // The timer's interval (ms); the basic clock has no timer.
  virtual void SetInterval(uint32_t) {}
  void DrawCells(gp::Graphics& g, TDWSegmentPass APass) override;
  void DrawElements(gp::Graphics& g, const TDWLayerFrame& AFrame, float AWidth, float AHeight) override;

 private:
  struct TAmPmText {
    gp::PointF Point;
    std::unique_ptr<gp::PathGradientBrush> Brush, HighlightBrush;
    std::vector<gp::PointF> Path;
  };
  void BuildAmPm(gp::Graphics& g);
  void DrawAmPm(gp::Graphics& g, TDWSegmentPass APass);
  void DrawSeparator(gp::Graphics& g, const TDWSegmentClockSeparator& ASeparator, float AX);

  std::unique_ptr<TDWDigitalClockSections> FSections;
  std::unique_ptr<TKVElementSize> FDotSize;
  std::unique_ptr<TRXClockComponentElements> FElements;

  int FNumberDigits = 0;
  float FDigitWidth = 0;
  std::array<float, kDWMaxSegmentClockCells> FCellLeft{};
  std::array<float, 3> FSeparatorLeft{};  // milliseconds, seconds, minutes
  float FAmPmLeft = 0, FAmPmWidth = 0, FCellHeight = 0;
  std::unique_ptr<gp::Font> FAmPmFont;
  bool FAmPmBuilt = false;
  TAmPmText FAm, FPm;
  TDWSegmentClockReading FReading;  // the frame's reading (kept here: a frame allocates nothing)
};

// Time source, Value and the date-time InputPin, and the clock timer: the standalone control.
class DW_API TDWSegmentClock : public TDWBasicSegmentClock {
  DW_CLASS(TDWSegmentClock, TDWBasicSegmentClock)
  explicit TDWSegmentClock(TComponent* AOwner = nullptr);
  ~TDWSegmentClock() override;
  void BeforeDestruction() override;

  TPXDateTimeSinkPin& InputPin() { return FInputPin; }
  const TPXDateTimeSinkPin& InputPin() const { return FInputPin; }
  TDWTimeSource TimeSource() const { return FTimeSource; }
  void SetTimeSource(TDWTimeSource AValue);
  TDateTime Value() const { return FValue; }
  // Stored always; shown at once whenever the clock shows Value.
  void SetValue(TDateTime AValue);
  bool GetIsCurrentTime() const { return DWIsCurrentTime(FTimeSource, FInputPin.Connected()); }
  TDateTime GetCurrentValue() override;
  bool TimerEnabled() const { return FTimer && FTimer->Enabled(); }
  uint32_t TimerInterval() const { return FTimer ? FTimer->Interval() : 0; }
  void InvalidateRange() override;
  // Also switches the timer between the design interval and the sections' one.
  void SetDesigning(bool ADesigning) override;
  // Also hands the elements the time when the clock is shown again after hidden ticks.
  void DoChanged() override;

 protected:
  void SetInterval(uint32_t AMilliseconds) override;
  void StopMotion() override;

 private:
  void DoTimer(bool ARedraw);
  std::atomic<bool> FTicksSkipped{false};  // ticks skipped while hidden
  TPXDateTimeSinkPin FInputPin;
  std::unique_ptr<TDWClockTimer> FTimer;
  TDWSharedReal FValue = 0;  // a TDateTime, read by Value() without the lock
  TDWTimeSource FTimeSource = tsAuto;
};

class DW_API TDWSegmentClockLayer : public TDWSegmentClock {
  DW_CLASS(TDWSegmentClockLayer, TDWSegmentClock)
  using TDWSegmentClock::TDWSegmentClock;
};

class DW_API TDWBasicSegmentClockElement : public TDWBasicSegmentClock {
  DW_CLASS(TDWBasicSegmentClockElement, TDWBasicSegmentClock)
  static void RegisterUnit() { DWSegmentClock::RegisterPkg(); }
  using TDWBasicSegmentClock::TDWBasicSegmentClock;
};

// A small segment clock showing the time its host clock hands it.
class DW_API TDWSegmentClockElement : public TDWPlacedElement<TDWBasicSegmentClockElement>, public IDWClockElement {
  DW_CLASS(TDWSegmentClockElement, TDWBasicSegmentClockElement)
  explicit TDWSegmentClockElement(TComponent* AOwner = nullptr);
  void SetTime(TDateTime ATime) override;
  TDateTime GetCurrentValue() override { return FTime; }

 protected:
  void JoinedList() override;

 private:
  TDateTime FTime = 0;
};

// A segment clock with its own time source, pin and timer, placed in a host.
class DW_API TDWExternalSegmentClockElement : public TDWPlacedElement<TDWSegmentClock> {
  DW_CLASS(TDWExternalSegmentClockElement, TDWSegmentClock)
  static void RegisterUnit() { DWSegmentClock::RegisterPkg(); }
  explicit TDWExternalSegmentClockElement(TComponent* AOwner = nullptr) : TDWPlacedElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.1f}, {0, 0.5f});
  }
};

class DW_API TDWExternalSegmentClockMatrixLayer : public TDWMatrixLayerOf<TDWExternalSegmentClockElement> {
  DW_CLASS(TDWExternalSegmentClockMatrixLayer, TDWExternalSegmentClockElement)
  explicit TDWExternalSegmentClockMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.3f}, {0, 0});
  }
};

class DW_API TDWExternalSegmentClockMatrixElement : public TDWExternalSegmentClockMatrixLayer {
  DW_CLASS(TDWExternalSegmentClockMatrixElement, TDWExternalSegmentClockMatrixLayer)
  using TDWExternalSegmentClockMatrixLayer::TDWExternalSegmentClockMatrixLayer;
};

}  // namespace dw
