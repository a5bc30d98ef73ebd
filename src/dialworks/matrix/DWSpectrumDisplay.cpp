#include "dialworks/matrix/DWSpectrumDisplay.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <mutex>
#include <shared_mutex>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Shading.h"
#include "dialworks/host/Helpers.h"
#include "dialworks/host/PixelBlock.h"

namespace dw {

namespace {

// Values that are not finite are shown (and kept) as 0: a NaN or an infinity on the pin would
// otherwise hold a peak for ever.
double Finite(double AValue) { return std::isfinite(AValue) ? AValue : 0.0; }

// ABrush, a colour strip, with its origin moved across to AX (a strip is the same all across).
const gp::TextureBrush& StripAt(gp::TextureBrush& ABrush, float AX) {
  const gp::Matrix m = ABrush.GetTransform();
  ABrush.SetTransform(gp::Matrix(m.M11(), m.M12(), m.M21(), m.M22(), AX, m.OffsetY()));
  return ABrush;
}

}  // namespace

// ---- values ---------------------------------------------------------------------------------------

size_t TDWSpectrumValues::Count() const {
  std::lock_guard control(FDisplay.ControlLock());
  std::shared_lock lock(FDisplay.FBufferLock);
  return FDisplay.FBuffer.size();
}

void TDWSpectrumValues::SetCount(size_t AValue) {
  AValue = std::min(AValue, TDWSpectrumDisplay::MaxValues);
  {
    std::lock_guard control(FDisplay.ControlLock());
    std::lock_guard lock(FDisplay.FBufferLock);
    if (!FDisplay.FHasBuffer) {
      FDisplay.FBuffer.assign(AValue, 0.0);
      FDisplay.FHasBuffer = true;
      return;
    }
    if (FDisplay.FBuffer.size() == AValue) return;
    FDisplay.FBuffer.resize(AValue, 0.0);
  }
  FDisplay.InvalidateRange();
  std::lock_guard control(FDisplay.ControlLock());
  std::lock_guard lock(FDisplay.FBufferLock);
  FDisplay.InterpolateLocked();
}

double TDWSpectrumValues::Items(size_t AIndex) const {
  std::lock_guard control(FDisplay.ControlLock());
  std::shared_lock lock(FDisplay.FBufferLock);
  return AIndex < FDisplay.FBuffer.size() ? FDisplay.FBuffer[AIndex] : 0.0;
}

void TDWSpectrumValues::SetItems(size_t AIndex, double AValue) {
  AValue = Finite(AValue);
  std::lock_guard control(FDisplay.ControlLock());
  std::lock_guard lock(FDisplay.FBufferLock);
  if (AIndex >= FDisplay.FBuffer.size() || FDisplay.FBuffer[AIndex] == AValue) return;
  FDisplay.FBuffer[AIndex] = AValue;
  FDisplay.InterpolateLocked();
}

// ---- the display ----------------------------------------------------------------------------------

TDWSpectrumDisplay::TDWSpectrumDisplay(TComponent* AOwner)
    : TDWBasicRotatableControl(AOwner),
      FInputPin(std::make_unique<TMZPXRealRangedSinkPin>(
          this, [this](TPXPin&, const TPXOperation& AOperation) { Dispatch(AOperation); })),
      FBars(std::make_unique<TDWSpectrumBars>([this] { InvalidateRange(); }, this, this, &ControlLock())),
      FElements(std::make_unique<TRXComponentElements>(this)) {
  FInputPin->SetName("InputPin");
  FBars->Peaks().SetOnReset([this] { ResetPeaks(); });
  InitSize(300, 150);
  {
    std::lock_guard lock(FBufferLock);
    ResetBuffersLocked();
  }
  FRefreshTimer = HostServices().CreateTimer();
  FRefreshTimer->SetInterval(FRefreshInterval);
  FRefreshTimer->SetOnTimer([this] { RefreshTimerTick(); });
  FRefreshTimer->SetEnabled(true);
  // The tick divides both peak intervals from the start, so hold times reach 0 exactly.
  FTimer = HostServices().CreateTimer();
  FTimer->SetInterval(FBars->Peaks().Tick());
  FTimer->SetOnTimer([this] { PeakTimerTick(); });
  FTimer->SetEnabled(!IsDesigning());
}

TDWSpectrumDisplay::~TDWSpectrumDisplay() {
  FTimer.reset();
  FRefreshTimer.reset();
  DisconnectPins();
}

void TDWSpectrumDisplay::BeforeDestruction() {
  FTimer.reset();
  FRefreshTimer.reset();
  DisconnectPins();
  TDWBasicRotatableControl::BeforeDestruction();
}

void TDWSpectrumDisplay::SetRefreshInterval(uint32_t AValue) {
  SetterMinMax(*this, "RefreshInterval", FRefreshInterval, AValue, 1u, TDWSpectrumBarPeaks::MaxInterval,
               [this] { FRefreshTimer->SetInterval(FRefreshInterval); });
}

void TDWSpectrumDisplay::Dispatch(const TPXOperation& AOperation) {
  if (dynamic_cast<const TPXStartOperation*>(&AOperation)) {
    // A new stream: the buffers start over (the bar geometry and colours stay; the elements are
    // not touched from the pin's thread).
    {
      std::lock_guard control(ControlLock());
      std::lock_guard lock(FBufferLock);
      FFirstBuffer = true;
      FHasBuffer = false;
      FBuffer.clear();
      ResetBuffersLocked();
    }
    Invalidate();
  } else if (auto* range = dynamic_cast<const TPXTypedSuppliedRangeOperation<double>*>(&AOperation)) {
    std::lock_guard control(ControlLock());
    std::lock_guard lock(FBufferLock);
    FMax = range->Max;
  } else if (auto* buffer = dynamic_cast<const TPXSuppliedBufferOperation*>(&AOperation)) {
    SupplyBuffer(buffer->Buffer);
  } else if (dynamic_cast<const TPXStopOperation*>(&AOperation)) {
    std::lock_guard control(ControlLock());
    std::lock_guard lock(FBufferLock);
    FMax = -1;
  }
}

void TDWSpectrumDisplay::SupplyBuffer(const TMZBuffer& ABuffer) {
  // Converted before the locks: a long buffer does not hold up the painter.
  std::vector<double> values(std::min(ABuffer.Size(), MaxValues));
  for (size_t i = 0; i < values.size(); ++i) values[i] = Finite(ABuffer.RealItem(i));
  bool first;
  {
    std::lock_guard control(ControlLock());
    std::lock_guard lock(FBufferLock);
    FBuffer.swap(values);
    FHasBuffer = true;
    InterpolateLocked();
    first = FFirstBuffer;
    FFirstBuffer = false;
  }
  if (first) Invalidate();
}

void TDWSpectrumDisplay::Clear() {
  std::lock_guard control(ControlLock());
  std::lock_guard lock(FBufferLock);
  FHasBuffer = false;
  FBuffer.clear();
  FUpdated = true;
}

void TDWSpectrumDisplay::ResetPeaks() {
  {
    std::lock_guard control(ControlLock());
    std::lock_guard lock(FBufferLock);
    FPeaksBuffer = FScaledBuffer;
  }
  Invalidate();
}

void TDWSpectrumDisplay::ResetBuffersLocked() {
  FUpdated = true;
  const TDWSpectrumBarCount& count = FBars->Count();
  FCountBars = count.Count();
  if (count.AutoSize() && FHasBuffer) FCountBars = uint32_t(std::min<size_t>(FBuffer.size(), count.MaxBars));
  if (!FHasBuffer) {
    FBuffer.assign(FCountBars, 0.0);
    FHasBuffer = true;
  }
  if (FScaledBuffer.size() != FCountBars) {
    FColorsValid = false;
    FScaledBuffer.assign(FCountBars, 0.0);
    FPeaksBuffer.assign(FCountBars, 0.0);
    FPeaksIntBuffer.assign(FCountBars, int64_t(FBars->Peaks().LiveInterval()));
  }
}

void TDWSpectrumDisplay::InterpolateLocked() {
  FUpdated = true;
  ResetBuffersLocked();
  const size_t n = FBuffer.size();
  const TDWSpectrumBarPeaks& peaks = FBars->Peaks();
  const int64_t hold = int64_t(peaks.LiveInterval()) + int64_t(peaks.DroppingInterval());
  const double step = FCountBars > 0 ? double(n) / double(FCountBars) : 0.0;
  double p = 0;
  for (uint32_t i = 0; i < FCountBars; ++i, p += step) {
    // The nearest sample, no averaging.
    const double v = n > 0 ? FBuffer[std::min<size_t>(n - 1, size_t(RXRoundHalfEvenToInt64(p)))] : 0.0;
    FScaledBuffer[i] = v;
    if (!(v < FPeaksBuffer[i])) {
      FPeaksBuffer[i] = v;
      FPeaksIntBuffer[i] = hold;
    }
  }
}

void TDWSpectrumDisplay::PeakTimerTick() {
  std::lock_guard control(ControlLock());
  const TDWSpectrumBarPeaks& peaks = FBars->Peaks();
  if (!peaks.Dropping()) return;
  const int64_t tick = int64_t(FTimer ? FTimer->Interval() : peaks.Tick());
  const int64_t interval = int64_t(peaks.DroppingInterval());
  const double step = peaks.DroppingStep();
  std::lock_guard lock(FBufferLock);
  for (size_t i = 0; i < FPeaksBuffer.size(); ++i) {
    const double value = FScaledBuffer[i];
    double& peak = FPeaksBuffer[i];
    if (!(peak > value)) continue;
    int64_t& left = FPeaksIntBuffer[i];
    if (left <= 0) {
      peak -= step;
      if (value > peak) peak = value;
      else if (peak < 0) peak = 0;
      left = interval;
    } else {
      left = std::max<int64_t>(0, left - tick);  // never below 0, whatever the tick
    }
    FUpdated = true;
  }
}

void TDWSpectrumDisplay::RefreshTimerTick() {
  if (FUpdated.exchange(false)) Invalidate();
}

void TDWSpectrumDisplay::InvalidateRange() {
  TDWBasicRotatableControl::InvalidateRange();
  if (IsLoading()) return;
  {
    std::lock_guard control(ControlLock());
    std::lock_guard lock(FBufferLock);
    ResetBuffersLocked();
    FColorsValid = false;
  }
  if (FTimer) FTimer->SetInterval(FBars->Peaks().Tick());
  FElements->InvalidateSizes();
}

void TDWSpectrumDisplay::InvalidateSize() {
  FColorsValid = false;
  FElements->InvalidateSizes();
  TDWBasicRotatableControl::InvalidateSize();
}

void TDWSpectrumDisplay::Loaded() {
  TDWBasicRotatableControl::Loaded();
  InvalidateRange();
}

std::vector<double> TDWSpectrumDisplay::BarValues() const {
  std::lock_guard control(*ChangeLock());
  std::shared_lock lock(FBufferLock);
  const size_t from = FExcludeDC ? 1 : 0;
  if (FScaledBuffer.size() <= from) return {};
  return std::vector<double>(FScaledBuffer.begin() + ptrdiff_t(from), FScaledBuffer.end());
}

std::vector<double> TDWSpectrumDisplay::PeakValues() const {
  std::lock_guard control(*ChangeLock());
  std::shared_lock lock(FBufferLock);
  const size_t from = FExcludeDC ? 1 : 0;
  if (FPeaksBuffer.size() <= from) return {};
  return std::vector<double>(FPeaksBuffer.begin() + ptrdiff_t(from), FPeaksBuffer.end());
}

uint32_t TDWSpectrumDisplay::BarCount() const {
  std::lock_guard control(*ChangeLock());
  std::shared_lock lock(FBufferLock);
  return FExcludeDC ? (FCountBars > 0 ? FCountBars - 1 : 0) : FCountBars;
}

uint32_t TDWSpectrumDisplay::PeakTick() const { return FTimer && FTimer->Enabled() ? FTimer->Interval() : 0; }

// ---- values as text -------------------------------------------------------------------------------

void TDWSpectrumDisplay::SetData(const std::string& AValue) {
  Setter(*this, "Data", FData, AValue, [this] {
    std::vector<double> values;
    const char* p = FData.data();
    const char* end = p + FData.size();
    auto separator = [](char c) { return c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (p < end && values.size() < MaxValues) {
      while (p < end && separator(*p)) ++p;
      double v = 0;
      const auto r = std::from_chars(p, end, v);
      if (r.ec == std::errc::invalid_argument || r.ptr == p) break;
      values.push_back(r.ec == std::errc() ? Finite(v) : 0.0);  // out of range: 0
      p = r.ptr;
      if (p < end && !separator(*p)) break;
    }
    SupplyBuffer(TMZRealBuffer(values.data(), values.size()));
  });
}

// ---- drawing --------------------------------------------------------------------------------------

float TDWSpectrumDisplay::Level(double AValue, float ABarHeight, float ABlockPitch, bool ASnap) const {
  if (IsDesigning()) return ABarHeight / 2;
  const TDWSpectrumBarsMax& max = FBars->Max();
  const double m = max.AutoSize() && FMax > 0 ? FMax : max.Value();
  // A full scale of 0 or less (or a NaN range) shows nothing rather than dividing by it.
  if (!(m > 0 && std::isfinite(m))) return 0;
  double level = double(ABarHeight) * AValue / m;
  if (!(level > 0)) return 0;
  // The clip cuts what exceeds the bar; the limit only keeps the snapping finite.
  level = std::min(level, double(ABarHeight) + double(ABlockPitch) + 1);
  if (ASnap && ABlockPitch > 0) level = double(RXRoundHalfEven(float(level) / ABlockPitch)) * ABlockPitch;
  return float(level);
}

void TDWSpectrumDisplay::IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) {
  TDWBasicRotatableControl::IntDraw(AGraphics, AArea);
  std::lock_guard lock(FBufferLock);
  if (FScaledBuffer.size() != FCountBars) ResetBuffersLocked();
  const float W0 = AArea.Width, H0 = AArea.Height;
  if (!(W0 >= 1 && H0 >= 1 && W0 <= float(MaxSize) * 2 && H0 <= float(MaxSize) * 2)) return;
  if (FMirror) {
    AGraphics.TranslateTransform(W0 / 2, 0);
    AGraphics.ScaleTransform(-1, 1);
    AGraphics.TranslateTransform(-W0 / 2, 0);
  }
  const TDWTransformParams tp = TransformParams(W0, H0);
  AGraphics.MultiplyTransform(tp.Matrix);
  const float W = tp.Width, H = tp.Height;
  if (!(W >= 1 && H >= 1)) return;

  const TDWSpectrumBars& bars = *FBars;
  const TDWSpectrumBarBlocks& blocks = bars.Blocks();
  const int skip = FExcludeDC ? 1 : 0;
  const int n = std::max(0, int(FCountBars) - skip);
  const float offX = bars.Offset().X().Get(W), offY = bars.Offset().Y().Get(H);
  const float pitch = n > 0 ? (W - 2 * offX) / float(n) : 0;
  const float barW = bars.Width().Get(pitch), inset = (pitch - barW) / 2;
  const float barH = bars.Height().Get(H - offY);
  const float blockSize = blocks.Size().Get(barH), gap = std::max(0.0f, blocks.Gap().Get(barH));
  const float blockPitch = blockSize + gap;
  const bool blocked = blocks.Enabled() && blockSize > 0 && blockPitch >= 1;
  const bool snap = blocked && blocks.Discrete();
  const float bottom = H - offY;
  const float peakHeight = bars.Peaks().Height().Get(barH);
  float peakH = peakHeight;
  // At least one block: a marker lower than half a block would otherwise snap to nothing or less.
  if (snap) peakH = float(std::max(1.0f, RXRoundHalfEven(peakHeight / blockPitch))) * blockPitch - gap;

  AGraphics.FillRectangle(gp::SolidBrush(FColor), gp::RectF(0, 0, W, H));
  AGraphics.SetSmoothingMode(AntiAliased() ? gp::SmoothingModeAntiAlias : gp::SmoothingModeNone);
  FElements->DrawElements(AGraphics, TRXElementArea{W / 2, H / 2, W, H, AArea.OuterWidth, AArea.OuterHeight,
                                                    AArea.Offscreen});
  if (n <= 0 || !(barH >= 1 && barW > 0) || !std::isfinite(barH + barW + pitch)) return;

  // Strips are anchored at a whole pixel just above the bar's top, so block edges stay sharp. A
  // strip is a bitmap one pixel wide and as tall as the bar: bars taller than the tallest bitmap
  // (a height or offset far beyond the display's) are not drawn.
  const float anchor = std::floor(bottom - barH);
  if (!(double(bottom) - anchor + 1 <= gp::Bitmap::MaxSide)) return;
  CalcFromColors(n, barH, bottom - anchor, blocked ? blockSize : 0, blocked ? blockPitch : 0, anchor,
                 AGraphics.GetTransform());

  // Within the caller's clip (a host repainting part of the control clips to it).
  const gp::GraphicsState callerClip = AGraphics.Save();
  AGraphics.SetClip(gp::RectF(offX, bottom - barH, W - 2 * offX, barH), gp::CombineModeIntersect);
  AGraphics.SetSmoothingMode(AntiAliased() ? gp::SmoothingModeAntiAlias : gp::SmoothingModeNone);
  // The strips are sampled, not filtered: drawn smaller than their pixels (a device scale below
  // 1), the default filter costs a large kernel per pixel and per fill, seconds per frame.
  AGraphics.SetInterpolationMode(gp::InterpolationModeBilinear);
  const double dropping = double(bars.Peaks().DroppingInterval());
  // Turned by other than quarter turns, Cairo wraps every sample into a strip one pixel at a time,
  // as many steps as the sample lies from the strip's origin: each bar moves the strips to its own
  // left edge (upright or quarter-turned they stay put, and so does the rounding of their samples).
  const bool oblique = FColorKey.Oblique;
  for (int i = 0; i < n; ++i) {
    const size_t k = size_t(i + skip);
    const float x = offX + inset + float(i) * pitch;
    const float origin = oblique ? std::floor(x) : 0;
    AGraphics.FillRectangle(StripAt(*FBkgBrush, origin), gp::RectF(x, bottom - barH, barW, barH));
    const float level = Level(FScaledBuffer[k], barH, blockPitch, snap);
    if (level > 0) {
      AGraphics.FillRectangle(StripAt(*FStrips[FStripOf[size_t(i)]], origin),
                              gp::RectF(x, bottom - level, barW, level));
    }
    const double peak = FPeaksBuffer[k];
    const bool falling = double(FPeaksIntBuffer[k]) <= dropping && peak != FScaledBuffer[k] && peak != 0;
    // The marker sits on the peak's level: with blocks, the block just above it.
    const float top = bottom - Level(peak, barH, blockPitch, snap) - peakH;
    AGraphics.FillRectangle(StripAt(falling ? *FPeakDropBrush : *FPeakBrush, origin), gp::RectF(x, top, barW, peakH));
  }
  AGraphics.Restore(callerClip);
}

}  // namespace dw

namespace dw {

// ---- properties and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWSpectrumDisplay) {
  using C = TDWSpectrumDisplay;
  t.Pin("InputPin", [](C& c) -> TMZPXRealRangedSinkPin& { return c.InputPin(); });
  t.Object("Bars", [](C& c) -> TDWSpectrumBars& { return c.Bars(); });
  t.Bool("ExcludeDC", &C::ExcludeDC, &C::SetExcludeDC, true).Doc("value 0 is not shown");
  t.Bool("Mirror", &C::Mirror, &C::SetMirror, false).Doc("mirrored left to right");
  t.Cardinal("RefreshInterval", &C::RefreshInterval, &C::SetRefreshInterval, 100)
      .Limit(1, TDWSpectrumBarPeaks::MaxInterval)
      .Doc("ms; repaints only when something changed");
  t.Color("Color", &C::Color, &C::SetColor, C::DefaultColor).Doc("background behind the elements and bars");
  t.Collection("Elements", [](C& c) -> TRXComponentElements& { return c.Elements(); });
  t.String("Data", &C::Data, &C::SetData)
      .Stored([](const C& c) { return !const_cast<C&>(c).InputPin().Connected(); })
      .Doc("the values, reals separated by commas (not stored while the pin is linked)");
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, 300)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, 150)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}
DW_PROPERTIES(TDWSpectrumDisplayLayer) {}
DW_PROPERTIES(TDWExternalSpectrumDisplayElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalSpectrumDisplayMatrixLayer) {}
DW_PROPERTIES(TDWExternalSpectrumDisplayMatrixElement) {}

void DWSpectrumDisplay::RegisterPkg() {
  TRegistrationUnit unit("DWSpectrumDisplay");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWSpectrumDisplay::StaticClass(),
                                .Layer = &TDWSpectrumDisplayLayer::StaticClass(),
                                .Category = "Displays",
                                .MirroringElement = nullptr,
                                .ExternalElement = &TDWExternalSpectrumDisplayElement::StaticClass(),
                                .MatrixLayer = &TDWExternalSpectrumDisplayMatrixLayer::StaticClass(),
                                .StreamingOnly = {&TDWExternalSpectrumDisplayMatrixElement::StaticClass()}});
}

}  // namespace dw
