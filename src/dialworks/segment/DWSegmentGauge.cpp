#include "dialworks/segment/DWSegmentGauge.h"

#include <algorithm>
#include <cmath>

#include "dialworks/framework/Registry.h"
#include "dialworks/host/Helpers.h"

namespace dw {

namespace {

// Digit masks 0..F of the four layouts, in the base indicator's segment order.
constexpr uint32_t kDigitMasks[4][16] = {
    {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71},
    {0x1BF, 0x86, 0x5B, 0xCD, 0x66, 0x6D, 0x7D, 0x181, 0x7F, 0x6F, 0x77, 0xFD, 0x39, 0x5E, 0x79, 0x71},
    {0x243F, 0x406, 0xDB, 0xCF, 0xE6, 0x869, 0xFD, 0x07, 0xFF, 0xEF, 0xF7, 0x128F, 0x39, 0x120F, 0x79, 0x71},
    {0x90FF, 0x100C, 0x377, 0x33F, 0x38C, 0x21B3, 0x3FB, 0x0F, 0x3FF, 0x3BF, 0x3CF, 0x4A3F, 0xF3, 0x483F, 0x1F3,
     0x1C3},
};
constexpr uint32_t kOverflowMasks[4] = {0x40, 0x40, 0xC0, 0x300};

size_t TypeIndex(TDWSegmentsType AType) { return AType <= st16Segments ? size_t(AType) : 3; }

float Finite0(float v) { return std::isfinite(v) ? v : 0.0f; }

}  // namespace

uint32_t DWSegmentDigitMask(TDWSegmentsType AType, unsigned ADigit) {
  return ADigit < 16 ? kDigitMasks[TypeIndex(AType)][ADigit] : 0;
}

uint32_t DWSegmentOverflowMask(TDWSegmentsType AType) { return kOverflowMasks[TypeIndex(AType)]; }

int DWSegmentDigitCount(double AMagnitude, unsigned ABase) {
  const double base = double(std::clamp(ABase, 2u, 16u));
  if (!std::isfinite(AMagnitude)) return kDWMaxSegmentDigits + 1;
  const double m = std::fabs(AMagnitude);
  // Powers of the base are exact doubles far beyond 30 digits of base 2..16 (base 10 up to 1e22;
  // beyond that the comparison is still exact for the double m), so no logarithm rounds wrong.
  int n = 1;
  for (double p = base; m >= p && n <= kDWMaxSegmentDigits; p *= base) ++n;
  return n;
}

void DWSegmentGaugeReading(double AValue, int ACells, unsigned ABase, bool AFixed, int ADecimals, bool ALeadingZero,
                           TDWSegmentsType AType, TDWSegmentReading& R) {
  const int cells = std::clamp(ACells, 1, kDWMaxSegmentDigits);
  const unsigned baseN = std::clamp(ABase, 2u, 16u);
  const double base = double(baseN);
  R.Cells = cells;
  R.Overflow = false;
  auto overflow = [&] {
    R.Overflow = true;
    R.Decimals = 0;
    for (int i = 0; i < cells; ++i) {
      R.Masks[size_t(i)] = DWSegmentOverflowMask(AType);
      R.Chars[size_t(i)] = '-';
    }
  };
  if (!std::isfinite(AValue)) return overflow();
  const double a = std::fabs(AValue);
  // Fixed decimals leave the units digit a cell (0.05 on three cells with four decimals reads 0.05).
  int d = AFixed ? std::clamp(ADecimals, 0, cells - 1) : cells - DWSegmentDigitCount(a, baseN);
  // More integer digits than cells: the number cannot be shown (not its leading digits).
  if (d < 0) return overflow();
  const double limit = std::pow(base, cells);
  double n = 0;
  for (;;) {
    n = RXRoundHalfEven(a * std::pow(base, d));
    if (!std::isfinite(n)) return overflow();
    if (n < limit) break;
    // A rounding that carried into a new digit: one decimal fewer (free precision only).
    if (AFixed || d == 0) return overflow();
    --d;
  }
  R.Decimals = d;
  const uint32_t point = DWDecimalPointBit(AType);
  int dd = d;
  for (int i = 0; i < cells; ++i, --dd) {
    const double r = std::fmod(n, base);  // exact on integral doubles
    n = (n - r) / base;
    const unsigned digit = unsigned(r);
    uint32_t mask = DWSegmentDigitMask(AType, digit);
    if (dd < 0 && !ALeadingZero && digit == 0 && n == 0) mask = 0;
    else if (dd == 0) mask |= point;
    R.Masks[size_t(i)] = mask;
    R.Chars[size_t(i)] = char(digit < 10 ? '0' + digit : '1');  // first character of the decimal number
  }
}

// ---- property objects -------------------------------------------------------------------------

DW_PROPERTIES(TDWSegmentGaugeDigits) {
  using C = TDWSegmentGaugeDigits;
  t.Cardinal("NumberDigits", &C::NumberDigits, &C::SetNumberDigits, 4)
      .Limit(1, kDWMaxSegmentDigits)
      .Doc("digit cells when AutoSize is off");
  t.Bool("AutoSize", &C::AutoSize, &C::SetAutoSize, true).Doc("digit count from Min, Max and Precision");
  t.Cardinal("Base", &C::Base, &C::SetBase, 10).Limit(2, 16).Doc("number base");
}

TDWSignSegmentOffsets::TDWSignSegmentOffsets(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVElementOffsets(std::move(AOnChange), AOwner, AControl),
      FSeparation(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.3f)) {}

DW_PROPERTIES(TDWSignSegmentOffsets) {
  using C = TDWSignSegmentOffsets;
  t.Object("Separation", [](C& c) -> TKVElementSize& { return c.Separation(); })
      .Doc("distance of plus and minus, share of the height - 1");
}

TDWSignSegment::TDWSignSegment(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVOptionalInstrumentProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.6f)),
      FLength(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.4f)),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.15f)),
      FOffsets(std::make_unique<TDWSignSegmentOffsets>([this] { DoChanged(); }, this, AControl)) {}

DW_PROPERTIES(TDWSignSegment) {
  using C = TDWSignSegment;
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); }).Doc("sign cell width, share of the digit width");
  t.Object("Length", [](C& c) -> TKVElementSize& { return c.Length(); })
      .Doc("bar length, share of min(digit width, height - 1)");
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); })
      .Doc("bar thickness, share of min(digit width, height - 1)");
  t.Object("Offsets", [](C& c) -> TDWSignSegmentOffsets& { return c.Offsets(); });
  t.Bool("ShowPlus", &C::ShowPlus, &C::SetShowPlus, false).Doc("a plus cross for positive values");
}

TDWSignGeometry DWSignGeometry(const TDWSignSegment& ASign, float ADigitWidth, float AHeight) {
  TDWSignGeometry G;
  const float w = Finite0(ADigitWidth), h = Finite0(AHeight - 1), m = std::min(w, h);
  const float L = std::min(Finite0(ASign.Size().Get(w)), h);
  const float len = std::max(Finite0(ASign.Length().Get(m)), 0.0001f);
  const float t = std::max(Finite0(ASign.Width().Get(m)), 0.0001f);
  const float ox = Finite0(ASign.Offsets().X().Get(L)), oy = Finite0(ASign.Offsets().Y().Get(L));
  const float x0 = ox + (L - len) / 2;
  G.Thickness = t;
  float y0 = oy + (h - t) / 2;
  if (ASign.ShowPlus()) {
    const float sep = Finite0(ASign.Offsets().Separation().Get(h));
    y0 = oy + (h - t + sep) / 2;
    const float yp = oy + (h - t - sep) / 2, a = (len - t) / 2;
    G.Plus = {{{x0, yp},
               {x0 + a, yp},
               {x0 + a, yp - a},
               {x0 + a + t, yp - a},
               {x0 + a + t, yp},
               {x0 + len, yp},
               {x0 + len, yp + t},
               {x0 + a + t, yp + t},
               {x0 + a + t, yp + t + a},
               {x0 + a, yp + t + a},
               {x0 + a, yp + t},
               {x0, yp + t}}};
  }
  G.Minus = {{{x0, y0}, {x0 + len, y0}, {x0 + len, y0 + t}, {x0, y0 + t}}};
  return G;
}

// ---- the gauge --------------------------------------------------------------------------------

TDWBasicSegmentGauge::TDWBasicSegmentGauge(TComponent* AOwner)
    : TDWCustomizableSegmentIndicator(AOwner),
      FDigits(std::make_unique<TDWSegmentGaugeDigits>([this] { InvalidateRange(); }, this, this)),
      FPrecision(std::make_unique<TDWScalePrecision>([this] { InvalidateRange(); }, this, this)),
      FSign(std::make_unique<TDWSignSegment>([this] { InvalidateRange(); }, this, this)),
      FElements(std::make_unique<TRXGaugeComponentElements>(this)) {
  InitSize(DefaultWidth, DefaultHeight);
}

TDWBasicSegmentGauge::~TDWBasicSegmentGauge() { StopInputs(); }

DW_PROPERTIES(TDWBasicSegmentGauge) {
  using C = TDWBasicSegmentGauge;
  DWDeclareSegmentIndicatorProperties(t);
  t.Object("Digits", [](C& c) -> TDWSegmentGaugeDigits& { return c.Digits(); });
  t.Object("Precision", [](C& c) -> TDWScalePrecision& { return c.Precision(); }).Doc("decimals");
  t.Bool("LeadingZero", &C::LeadingZero, &C::SetLeadingZero, false).Doc("zeros left of the units digit");
  t.Object("Sign", [](C& c) -> TDWSignSegment& { return c.Sign(); });
  t.Collection("Elements", [](C& c) -> TRXGaugeComponentElements& { return c.Elements(); });
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultWidth)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultHeight)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

int TDWBasicSegmentGauge::DigitCountFor() const {
  if (!FDigits->AutoSize()) return int(std::clamp(FDigits->NumberDigits(), 1u, uint32_t(kDWMaxSegmentDigits)));
  const double m = std::max(std::fabs(FMin), std::fabs(FMax));
  int n = DWSegmentDigitCount(m, FDigits->Base());
  if (FPrecision->FixedPrecision()) n += int(FPrecision->NumberDigits());
  return std::clamp(n, 1, kDWMaxSegmentDigits);
}

void TDWBasicSegmentGauge::Reading(TDWSegmentReading& AOut) const {
  DWSegmentGaugeReading(FValue, FNumberDigits > 0 ? FNumberDigits : DigitCountFor(), FDigits->Base(),
                        FPrecision->FixedPrecision(), int(FPrecision->NumberDigits()), FLeadingZero, SegmentsType(),
                        AOut);
}

void TDWBasicSegmentGauge::Init(float AWidth, float AHeight, bool) {
  FFrameWidth = AWidth;
  const bool sign = FSign->Visible();
  const TKVElementSize& size = FSign->Size();
  const float sd = sign && size.Proportional() ? std::max(Finite0(size.Value()), 0.0f) : 0.0f;
  const float sp = sign && !size.Proportional() ? std::max(Finite0(size.Value()), 0.0f) : 0.0f;
  FNumberDigits = DigitCountFor();
  const float w = (AWidth - 1 - sp) / (float(FNumberDigits) + sd);
  FDigitWidth = std::isfinite(w) && w > 0 ? w : 0;
  InitCell(FDigitWidth, AHeight);

  FMinusBrush.reset();
  FHighlightMinusBrush.reset();
  FPlusBrush.reset();
  FHighlightPlusBrush.reset();
  FHighlightMinusPath.clear();
  FHighlightPlusPath.clear();
  FMinusFill.Reset();
  FPlusFill.Reset();
  if (!sign || !(FDigitWidth > 0)) return;
  FSignGeometry = DWSignGeometry(*FSign, FDigitWidth, AHeight);
  const float t = FSignGeometry.Thickness;
  FMinusBrush = FCell.LitBrush(FSignGeometry.Minus.data(), 4);
  FHighlightMinusPath = ExpandPath(FSignGeometry.Minus.data(), 4, t);
  FHighlightMinusBrush = FCell.GlowBrush(FHighlightMinusPath);
  if (FSign->ShowPlus()) {
    FPlusBrush = FCell.LitBrush(FSignGeometry.Plus.data(), 12);
    FHighlightPlusPath = ExpandPath(FSignGeometry.Plus.data(), 12, t);
    FHighlightPlusBrush = FCell.GlowBrush(FHighlightPlusPath);
  }
}

void TDWBasicSegmentGauge::DrawElements(gp::Graphics& g, const TDWLayerFrame& AFrame, float AWidth, float AHeight) {
  FElements->DrawElements(g, {AWidth / 2, AHeight / 2, AWidth, AHeight, AFrame.OuterWidth, AFrame.OuterHeight,
                              AFrame.Offscreen});
}

void TDWBasicSegmentGauge::DrawCells(gp::Graphics& g, TDWSegmentPass APass) {
  const float w = FDigitWidth;
  if (!(w > 0) || FCell.ShapeCount() == 0) return;
  const gp::Matrix origin = g.GetTransform();
  if (APass == TDWSegmentPass::Lit) Reading(FReading);
  // Cells outside the clip are skipped (a gauge embedded far larger than its host).
  const gp::RectF clip = g.GetClipBounds();
  for (int i = 0; i < FNumberDigits; ++i) {
    const float x = FFrameWidth - 1 - float(i + 1) * w;
    if (x > clip.X + clip.Width || x + w < clip.X) continue;
    g.SetTransform(origin);
    g.TranslateTransform(x, 0);
    if (APass == TDWSegmentPass::Unlit) {
      DrawDigit(g, 0, 0, APass);
      continue;
    }
    uint32_t mask = FReading.Masks[size_t(i)];
    TAlphaColor extra = 0;
    CheckCustomSymbol(i, 0, char32_t(FReading.Chars[size_t(i)]), mask, extra);
    DrawDigit(g, mask, extra, APass);
  }
  g.SetTransform(origin);
  if (FSign->Visible()) {
    g.TranslateTransform(FFrameWidth - 1 - float(FNumberDigits) * w - std::max(Finite0(FSign->Size().Get(w)), 0.0f), 0);
    DrawSign(g, APass);
    g.SetTransform(origin);
  }
}

void TDWBasicSegmentGauge::DrawSign(gp::Graphics& g, TDWSegmentPass APass) {
  if (!FMinusBrush) return;
  const bool plus = FSign->ShowPlus() && FPlusBrush;
  if (APass == TDWSegmentPass::Unlit) {
    gp::SolidBrush unlit(FCell.UnlitColor());
    if (plus) g.FillPolygon(unlit, FSignGeometry.Plus.data(), 12);
    g.FillPolygon(unlit, FSignGeometry.Minus.data(), 4);
    return;
  }
  if (!FCell.Shaded()) {
    gp::SolidBrush lit(FCell.SegmentColor);
    if (plus && FValue > 0) g.FillPolygon(lit, FSignGeometry.Plus.data(), 12);
    if (FValue < 0) g.FillPolygon(lit, FSignGeometry.Minus.data(), 4);
    return;
  }
  if (plus && FValue > 0) {
    if (FCell.Glow)
      g.FillPolygon(*FHighlightPlusBrush, FHighlightPlusPath.data(), int(FHighlightPlusPath.size()));
    FPlusFill.FillPolygon(g, *FPlusBrush, FSignGeometry.Plus.data(), 12);
  }
  if (FValue < 0) {
    if (FCell.Glow)
      g.FillPolygon(*FHighlightMinusBrush, FHighlightMinusPath.data(), int(FHighlightMinusPath.size()));
    FMinusFill.FillPolygon(g, *FMinusBrush, FSignGeometry.Minus.data(), 4);
  }
}

// ---- variants and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWSegmentGauge) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWSegmentGaugeLayer) {}
DW_PROPERTIES(TDWBasicSegmentGaugeElement) {}
DW_PROPERTIES(TDWSegmentGaugeElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalSegmentGaugeElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalSegmentGaugeMatrixLayer) {}
DW_PROPERTIES(TDWExternalSegmentGaugeMatrixElement) {}

void DWSegmentGauge::RegisterPkg() {
  TRegistrationUnit unit("DWSegmentGauge");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWSegmentGauge::StaticClass(),
                                .Layer = &TDWSegmentGaugeLayer::StaticClass(),
                                .Category = "Gauges",
                                .MirroringElement = &TDWSegmentGaugeElement::StaticClass(),
                                .MirroringFamily = efGauge,
                                .ExternalElement = &TDWExternalSegmentGaugeElement::StaticClass(),
                                .MatrixLayer = &TDWExternalSegmentGaugeMatrixLayer::StaticClass(),
                                .MatrixCategory = "Indicators",
                                .StreamingOnly = {&TDWExternalSegmentGaugeMatrixElement::StaticClass()}});
}

}  // namespace dw
