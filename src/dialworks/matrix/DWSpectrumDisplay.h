// The spectrum display: a block of reals (typically spectrum magnitudes) as a row of vertical bars
// with optional blocks, colour ramps across and along the bars, and peak markers that hold and
// then fall. Values arrive as whole buffers on InputPin (any thread) or one by one through
// Values(); two host timers drive the screen: the refresh timer repaints only when something
// changed (FUpdated), the peak timer ages the peaks on a tick that divides both peak intervals.
//
// Locks: the buffers (input, per-bar values, peaks, hold times) are touched under the control
// lock and then the buffer read/write lock, in that order, by the pin, Values, the peak timer and
// drawing alike; the bar settings they read are changed under the control lock.
//
// Units: intervals in milliseconds; lengths are shares of the bar height (Blocks, Peaks.Height),
// of the bar pitch (Width) or of the control (Offset, Height), resolved each frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/foundation/DWAnalogInstrumentVariants.h"
#include "dialworks/framework/ColorItems.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/Persistents.h"
#include "dialworks/host/Buffers.h"
#include "dialworks/host/HostServices.h"
#include "dialworks/host/Locks.h"
#include "dialworks/host/Pins.h"

namespace dw {

// Registers the unit DWSpectrumDisplay: control, layer, element and matrix layer, "Displays".
namespace DWSpectrumDisplay {
DW_API void RegisterPkg();
}  // namespace DWSpectrumDisplay

// Segmentation of the bars: Enabled, Discrete (levels snap to whole blocks), Size and Gap (shares
// of the bar height).
class DW_API TDWSpectrumBarBlocks : public TKVBasicControlProperty {
  DW_CLASS(TDWSpectrumBarBlocks, TKVBasicControlProperty)
  TDWSpectrumBarBlocks(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { Setter(*this, "Enabled", FEnabled, AValue); }
  bool Discrete() const { return FDiscrete; }
  void SetDiscrete(bool AValue) { Setter(*this, "Discrete", FDiscrete, AValue); }
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }
  TKVElementSize& Gap() { return *FGap; }
  const TKVElementSize& Gap() const { return *FGap; }
  void SetGap(const TKVElementSize& AValue) { FGap->Assign(AValue); }

 private:
  bool FEnabled = true, FDiscrete = true;
  std::unique_ptr<TKVElementSize> FSize, FGap;
};

// Full-scale value; AutoSize takes the range maximum supplied on the pin when there is one.
class DW_API TDWSpectrumBarsMax : public TKVBasicControlProperty {
  DW_CLASS(TDWSpectrumBarsMax, TKVBasicControlProperty)
  using TKVBasicControlProperty::TKVBasicControlProperty;
  double Value() const { return FValue; }
  void SetValue(double AValue) { Setter(*this, "Value", FValue, AValue); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool AValue) { Setter(*this, "AutoSize", FAutoSize, AValue); }

 private:
  double FValue = 1000;
  bool FAutoSize = true;
};

// Number of bars; AutoSize follows the number of values received.
class DW_API TDWSpectrumBarCount : public TKVBasicControlProperty {
  DW_CLASS(TDWSpectrumBarCount, TKVBasicControlProperty)
  using TKVBasicControlProperty::TKVBasicControlProperty;
  // Most bars drawn (a longer buffer is sampled).
  static constexpr uint32_t MaxBars = 4096;
  uint32_t Count() const { return FCount; }
  void SetCount(uint32_t AValue) { SetterMax(*this, "Count", FCount, AValue, MaxBars); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool AValue) { Setter(*this, "AutoSize", FAutoSize, AValue); }

 private:
  uint32_t FCount = 63;
  bool FAutoSize = true;
};

// Peak markers: held LiveInterval ms, then falling DroppingStep every DroppingInterval ms.
class DW_API TDWSpectrumBarPeaks : public TKVBasicControlProperty {
  DW_CLASS(TDWSpectrumBarPeaks, TKVBasicControlProperty)
  static constexpr uint32_t MaxInterval = 3600000;  // an hour
  TDWSpectrumBarPeaks(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  bool Dropping() const { return FDropping; }
  void SetDropping(bool AValue) { Setter(*this, "Dropping", FDropping, AValue); }
  uint32_t LiveInterval() const { return FLiveInterval; }
  void SetLiveInterval(uint32_t AValue) { SetterMax(*this, "LiveInterval", FLiveInterval, AValue, MaxInterval); }
  // At least 1 ms (the tick divides it).
  uint32_t DroppingInterval() const { return FDroppingInterval; }
  void SetDroppingInterval(uint32_t AValue) {
    SetterMinMax(*this, "DroppingInterval", FDroppingInterval, AValue, 1u, MaxInterval);
  }
  double DroppingStep() const { return FDroppingStep; }
  // 0..MaxStep (a negative step would lift the peaks).
  static constexpr double MaxStep = 1e300;
  void SetDroppingStep(double AValue) { SetterMinMax(*this, "DroppingStep", FDroppingStep, AValue, 0.0, MaxStep); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TAlphaColor DroppingColor() const { return FDroppingColor; }
  void SetDroppingColor(TAlphaColor AValue) { Setter(*this, "DroppingColor", FDroppingColor, AValue); }
  TKVElementSize& Height() { return *FHeight; }
  const TKVElementSize& Height() const { return *FHeight; }
  void SetHeight(const TKVElementSize& AValue) { FHeight->Assign(AValue); }
  TDWSpectrumBarBlocks& Blocks() { return *FBlocks; }
  const TDWSpectrumBarBlocks& Blocks() const { return *FBlocks; }
  void SetBlocks(const TDWSpectrumBarBlocks& AValue) { FBlocks->Assign(AValue); }
  // Every peak back to its bar's value (the owning display's ResetPeaks).
  void Reset() {
    if (FOnReset) FOnReset();
  }
  void SetOnReset(std::function<void()> AOnReset) { FOnReset = std::move(AOnReset); }
  // The peak timer's tick: the greatest common divisor of the two intervals.
  uint32_t Tick() const;

 private:
  bool FDropping = true;
  uint32_t FLiveInterval = 500, FDroppingInterval = 20;
  double FDroppingStep = 1;
  TAlphaColor FColor = 0xFFFFFFFF, FDroppingColor = 0xFFFFFF00;
  std::unique_ptr<TKVElementSize> FHeight;
  std::unique_ptr<TDWSpectrumBarBlocks> FBlocks;
  std::function<void()> FOnReset;
};

class TDWSpectrumBarColorGroup;

// The ramp of one group: its changes go through the group (and its lock) to the group list.
class DW_API TDWSpectrumGroupColors : public TKVColorItems {
  DW_CLASS(TDWSpectrumGroupColors, TKVColorItems)
  TDWSpectrumGroupColors(TDWSpectrumBarColorGroup& AGroup);
  TControlMutex* ChangeLock() const override;

 private:
  TDWSpectrumBarColorGroup& FGroup;
};

// A colour group: its own Color (used when Colors has fewer than two) and Colors, the ramp along
// the bar height, bottom first (weights are relative lengths, Break ends a run).
class DW_API TDWSpectrumBarColorGroup : public TKVColorItem {
  DW_CLASS(TDWSpectrumBarColorGroup, TKVColorItem)
  TDWSpectrumBarColorGroup();
  ~TDWSpectrumBarColorGroup() override;
  TKVColorItems& Colors() { return *FColors; }
  const TKVColorItems& Colors() const { return *FColors; }

 private:
  std::unique_ptr<TDWSpectrumGroupColors> FColors;
};

class DW_API TDWSpectrumBarColorGroups : public TRXGPBasicColorItems {
  DW_CLASS(TDWSpectrumBarColorGroups, TRXGPBasicColorItems)
  TDWSpectrumBarColorGroups(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock)
      : TRXGPBasicColorItems(std::move(AOnChange), AOwner, ALock, TDWSpectrumBarColorGroup::StaticClass()) {}
  TDWSpectrumBarColorGroup& Items(size_t AIndex) const {
    return static_cast<TDWSpectrumBarColorGroup&>(TRXGPBasicColorItems::Items(AIndex));
  }
  TDWSpectrumBarColorGroup& operator[](size_t AIndex) const { return Items(AIndex); }
  TDWSpectrumBarColorGroup& Add() { return static_cast<TDWSpectrumBarColorGroup&>(TRXGPBasicColorItems::Add()); }
};

// Geometry and colours of the bars (blocks shorter than a pixel's pitch are drawn as solid bars); any change of a nested value is a range change.
class DW_API TDWSpectrumBars : public TKVBasicControlProperty {
  DW_CLASS(TDWSpectrumBars, TKVBasicControlProperty)
  TDWSpectrumBars(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, TControlMutex* ALock);
  ~TDWSpectrumBars() override;
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  TKVElementSize& Height() { return *FHeight; }
  const TKVElementSize& Height() const { return *FHeight; }
  TKVElementOffsets& Offset() { return *FOffset; }
  const TKVElementOffsets& Offset() const { return *FOffset; }
  TDWSpectrumBarsMax& Max() { return *FMax; }
  const TDWSpectrumBarsMax& Max() const { return *FMax; }
  TDWSpectrumBarPeaks& Peaks() { return *FPeaks; }
  const TDWSpectrumBarPeaks& Peaks() const { return *FPeaks; }
  TDWSpectrumBarBlocks& Blocks() { return *FBlocks; }
  const TDWSpectrumBarBlocks& Blocks() const { return *FBlocks; }
  TDWSpectrumBarCount& Count() { return *FCount; }
  const TDWSpectrumBarCount& Count() const { return *FCount; }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TAlphaColor BackColor() const { return FBackColor; }
  void SetBackColor(TAlphaColor AValue) { Setter(*this, "BackColor", FBackColor, AValue); }
  TDWSpectrumBarColorGroups& ColorGroups() { return *FColorGroups; }
  const TDWSpectrumBarColorGroups& ColorGroups() const { return *FColorGroups; }

 private:
  std::unique_ptr<TKVElementSize> FWidth, FHeight;
  std::unique_ptr<TKVElementOffsets> FOffset;
  std::unique_ptr<TDWSpectrumBarsMax> FMax;
  std::unique_ptr<TDWSpectrumBarPeaks> FPeaks;
  std::unique_ptr<TDWSpectrumBarBlocks> FBlocks;
  std::unique_ptr<TDWSpectrumBarCount> FCount;
  TAlphaColor FColor = 0xFF00FF00, FBackColor = 0xFF696969;
  std::unique_ptr<TDWSpectrumBarColorGroups> FColorGroups;
};

class TDWSpectrumDisplay;

// Direct access to the input values (under the display's buffer locks). Count: the number of
// values (setting it resizes, keeping the values); Items: one value. An index outside the values
// reads 0 and is not written.
class DW_API TDWSpectrumValues {
 public:
  explicit TDWSpectrumValues(TDWSpectrumDisplay& ADisplay) : FDisplay(ADisplay) {}
  size_t Count() const;
  void SetCount(size_t AValue);
  double Items(size_t AIndex) const;
  void SetItems(size_t AIndex, double AValue);

 private:
  TDWSpectrumDisplay& FDisplay;
};

// The colour of ramp group AGroup's strip at position AP (0 bottom .. 1 top), just below
// (AAbove false) or just above it; they differ only at a run break.
DW_API TAlphaColor DWSpectrumGroupColor(const std::vector<TAlphaColor>& AColors, const std::vector<float>& AWeights,
                                        const std::vector<bool>& ABreaks, float AP, bool AAbove);

class DW_API TDWSpectrumDisplay : public TDWBasicRotatableControl {
  DW_CLASS(TDWSpectrumDisplay, TDWBasicRotatableControl)
  // Most values kept from one buffer (a longer one is cut).
  static constexpr size_t MaxValues = size_t(1) << 20;
  static constexpr TAlphaColor DefaultColor = 0xFF000000;
  explicit TDWSpectrumDisplay(TComponent* AOwner = nullptr);
  ~TDWSpectrumDisplay() override;

  TMZPXRealRangedSinkPin& InputPin() { return *FInputPin; }
  TDWSpectrumBars& Bars() { return *FBars; }
  const TDWSpectrumBars& Bars() const { return *FBars; }
  bool ExcludeDC() const { return FExcludeDC; }
  void SetExcludeDC(bool AValue) { Setter(*this, "ExcludeDC", FExcludeDC, AValue); }
  bool Mirror() const { return FMirror; }
  void SetMirror(bool AValue) { Setter(*this, "Mirror", FMirror, AValue); }
  uint32_t RefreshInterval() const { return FRefreshInterval; }
  void SetRefreshInterval(uint32_t AValue);
  // Background of the whole area, behind the elements and bars.
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TRXComponentElements& Elements() { return *FElements; }
  const TRXComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }
  TDWSpectrumValues& Values() { return FValues; }

  // Values given as text, reals separated by commas or white space (forms, --set): setting it
  // feeds the display those values as one buffer. Reading stops at the first text that is not a
  // real; values that are not finite count as 0. Data keeps the text as given.
  const std::string& Data() const { return FData; }
  void SetData(const std::string& AValue);

  // Drops the input values (the bars keep showing what they showed until a buffer comes).
  void Clear();
  // Every peak down (or up) to its bar's value.
  void ResetPeaks();
  // A buffer as the pin delivers it (a copy is kept; at most MaxValues).
  void SupplyBuffer(const TMZBuffer& ABuffer);

  // Per bar, the value shown and the peak (the bars after ExcludeDC, read under the lock).
  std::vector<double> BarValues() const;
  std::vector<double> PeakValues() const;
  uint32_t BarCount() const;
  // The peak timer's interval (ms), 0 when there is no peak timer (design mode).
  uint32_t PeakTick() const;

  void InvalidateRange() override;
  void InvalidateSize() override;
  void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) override;
  void Loaded() override;
  void BeforeDestruction() override;

 protected:
  void DisconnectPins() { FInputPin->DisconnectAll(); }
  // The colour strips and brushes (rebuilt by the next paint).
  void ReleaseOwnCaches() override;

 private:
  friend class TDWSpectrumValues;
  void Dispatch(const TPXOperation& AOperation);
  // Under the control lock and the buffer write lock.
  void ResetBuffersLocked();
  void InterpolateLocked();
  void PeakTimerTick();
  void RefreshTimerTick();
  float Level(double AValue, float ABarHeight, float ABlockPitch, bool ASnap) const;
  // The colour strips for ABars bars of height ABarHeight whose bottom lies AStripBottom below
  // the strips' top row (at AAnchor); blocks of ABlockSize every ABlockPitch (0: none). They are
  // laid for drawing through AToDevice (the display's frame to the device).
  void CalcFromColors(int ABars, float ABarHeight, float AStripBottom, float ABlockSize, float ABlockPitch,
                      float AAnchor, const gp::Matrix& AToDevice);

  std::unique_ptr<TMZPXRealRangedSinkPin> FInputPin;
  std::unique_ptr<TDWSpectrumBars> FBars;
  std::unique_ptr<TRXComponentElements> FElements;
  bool FExcludeDC = true, FMirror = false;
  std::string FData;
  uint32_t FRefreshInterval = 100;
  TAlphaColor FColor = DefaultColor;
  TDWSpectrumValues FValues{*this};

  mutable TReadWriteLock FBufferLock;
  uint32_t FCountBars = 63;
  bool FHasBuffer = false;
  std::vector<double> FBuffer, FScaledBuffer, FPeaksBuffer;
  std::vector<int64_t> FPeaksIntBuffer;  // remaining hold or step time per bar, ms, never below 0
  double FMax = -1;                      // range maximum from the pin; -1: none
  bool FFirstBuffer = true;
  std::atomic<bool> FUpdated{true};

  std::unique_ptr<IRelaxedTimer> FTimer, FRefreshTimer;

  // Colour cache (drawing only): a texture brush per colour strip; bar i uses strip
  // FStripOf(i) (one strip per bar with a ramp across the bars, else one for all).
  struct TColorKey {
    int Bars = -1;
    float BarHeight = 0, StripBottom = 0, BlockSize = 0, BlockPitch = 0, Anchor = 0;
    bool AntiAlias = false;
    bool Oblique = false;  // turned on the device by other than quarter turns
    uint8_t Layout = 0;    // how the strips are laid for the device transform
    bool operator==(const TColorKey&) const = default;
  };
  std::atomic<bool> FColorsValid{false};
  TColorKey FColorKey;
  std::vector<std::unique_ptr<gp::TextureBrush>> FStrips;
  std::vector<uint32_t> FStripOf;  // strip of each bar
  std::unique_ptr<gp::TextureBrush> FBkgBrush, FPeakBrush, FPeakDropBrush;
};

class DW_API TDWSpectrumDisplayLayer : public TDWSpectrumDisplay {
  DW_CLASS(TDWSpectrumDisplayLayer, TDWSpectrumDisplay)
  using TDWSpectrumDisplay::TDWSpectrumDisplay;
};

class DW_API TDWExternalSpectrumDisplayElement : public TDWPlacedElement<TDWSpectrumDisplay> {
  DW_CLASS(TDWExternalSpectrumDisplayElement, TDWSpectrumDisplay)
  static void RegisterUnit() { DWSpectrumDisplay::RegisterPkg(); }
  explicit TDWExternalSpectrumDisplayElement(TComponent* AOwner = nullptr) : TDWPlacedElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.15f}, {0, 0.5f});
  }

 protected:
  void DisconnectElementPins() override { DisconnectPins(); }
  void JoinedList() override { Invalidate(); }
};

class DW_API TDWExternalSpectrumDisplayMatrixLayer : public TDWMatrixLayerOf<TDWExternalSpectrumDisplayElement> {
  DW_CLASS(TDWExternalSpectrumDisplayMatrixLayer, TDWExternalSpectrumDisplayElement)
  explicit TDWExternalSpectrumDisplayMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.6f}, {0, 0});
  }
};

class DW_API TDWExternalSpectrumDisplayMatrixElement : public TDWExternalSpectrumDisplayMatrixLayer {
  DW_CLASS(TDWExternalSpectrumDisplayMatrixElement, TDWExternalSpectrumDisplayMatrixLayer)
  using TDWExternalSpectrumDisplayMatrixLayer::TDWExternalSpectrumDisplayMatrixLayer;
};

}  // namespace dw
