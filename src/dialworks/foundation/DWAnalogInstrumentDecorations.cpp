#include "dialworks/foundation/DWAnalogInstrumentDecorations.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "dialworks/draw/Shading.h"
#include "dialworks/foundation/DWAnalogInstrumentGeometry.h"
#include "dialworks/framework/Control.h"
#include "dialworks/host/Helpers.h"

namespace dw {

namespace {
constexpr float kMaxRangeShare = 1e6f;
}

DW_PROPERTIES(TDWElementShadow) {}

DW_PROPERTIES(TDWOptionalInstrumentElement) {
  t.Bool("Visible", &TDWOptionalInstrumentElement::Visible, &TDWOptionalInstrumentElement::SetVisible, true);
}

// ---- ranges ----

TDWAnalogGaugeRanges* TDWAnalogGaugeRange::List() const {
  // Null also while the list is being destroyed (its own part is gone by then).
  return dynamic_cast<TDWAnalogGaugeRanges*>(Collection());
}

void TDWAnalogGaugeRange::SetColor(TAlphaColor AValue) {
  const TAlphaColor old = FColor;
  Setter(*this, "Color", FColor, AValue, [this] { InvalidateOwnerRange(); });
  if (FColor == old) return;
  if (TDWAnalogGaugeRanges* list = List()) {
    list->CountColor(old, -1);
    list->CountColor(FColor, +1);
  }
}

void TDWAnalogGaugeRange::InitNewItem(TAlphaColor AColor, float ARange) {
  if (TDWAnalogGaugeRanges* list = List()) {
    list->CountColor(FColor, -1);
    list->CountColor(AColor, +1);
  }
  FColor = AColor;
  FRange = ARange;
}

void TDWAnalogGaugeRange::SetCollection(TLockCollection* ACollection) {
  if (TDWAnalogGaugeRanges* list = List()) list->CountColor(FColor, -1);
  TLockCollectionItem::SetCollection(ACollection);
  if (TDWAnalogGaugeRanges* list = List()) list->CountColor(FColor, +1);
}

void TDWAnalogGaugeRange::SetRange(float AValue) {
  SetterMinMax(*this, "Range", FRange, AValue, 0.0f, kMaxRangeShare, [this] { InvalidateOwnerRange(); });
}

float TDWAnalogGaugeRange::RangeStep() const {
  auto* list = dynamic_cast<const TDWAnalogGaugeRanges*>(Collection());
  return list ? list->RangeStep() : DefaultRangeStep;
}

void TDWAnalogGaugeRange::InvalidateOwnerRange() {
  auto* list = dynamic_cast<TDWAnalogGaugeRanges*>(Collection());
  if (!list || list->IsLoading()) return;
  if (auto* control = dynamic_cast<TKVBasicControl*>(list->Control())) control->InvalidateRange();
}

DW_PROPERTIES(TDWAnalogGaugeRange) {
  using C = TDWAnalogGaugeRange;
  t.Color("Color", &C::Color, &C::SetColor, 0xFF00FF00).AlwaysStored();
  t.Single("Range", &C::Range, &C::SetRange, C::DefaultRangeStep)
      .DefaultFrom(&C::RangeStep)
      .Limit(0, kMaxRangeShare)
      .Doc("share of the whole sweep (1 = all of it), not a value; ranges follow one another from the start of the scale");
}

TDWAnalogGaugeRanges::TDWAnalogGaugeRanges(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                                           float ARangeStep)
    : TTypedCollection<TDWAnalogGaugeRange>(std::move(AOnChange), AOwner,
                                            AControl ? &AControl->ControlLock() : nullptr),
      FControl(AControl),
      FRangeStep(ARangeStep) {}

DW_PROPERTIES(TDWAnalogGaugeRanges) {}

void TDWAnalogGaugeRanges::CountColor(TAlphaColor AColor, int ADelta) {
  const int i = DWRangePaletteIndex(AColor);
  if (i >= 0) FPaletteCounts[size_t(i)] += size_t(ADelta);  // size_t wraps back for -1
}

size_t TDWAnalogGaugeRanges::GetCountOfColor(TAlphaColor AColor) const {
  if (const int i = DWRangePaletteIndex(AColor); i >= 0) return FPaletteCounts[size_t(i)];
  size_t n = 0;
  for (size_t i = 0; i < Count(); ++i) n += Items(i).Color() == AColor;
  return n;
}

TAlphaColor TDWAnalogGaugeRanges::GetNewColorExcept(const TDWAnalogGaugeRange* AItem) const {
  TDWRangeColorCounts counts = FPaletteCounts;
  if (AItem && AItem->Collection() == this)
    if (const int i = DWRangePaletteIndex(AItem->Color()); i >= 0) --counts[size_t(i)];
  return DWNewRangeColor(counts);
}

void TDWAnalogGaugeRanges::NewItemCreated(TDWAnalogGaugeRange& AItem) {
  // The new item is already in the list: its own (default) colour must not count.
  AItem.InitNewItem(GetNewColorExcept(&AItem), FRangeStep);
}

TDWAnalogGaugeScaleRanges::TDWAnalogGaugeScaleRanges(TChangeCallback AOnChange, TPersistent* AOwner,
                                                     IKVControl* AControl, float ARangeStep)
    : TDWOptionalInstrumentElement(std::move(AOnChange), AOwner, AControl, 0.95f),
      FRanges(std::make_unique<TDWAnalogGaugeRanges>([this] { DoChanged(); }, this, AControl, ARangeStep)),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.05f)) {}

DW_PROPERTIES(TDWAnalogGaugeScaleRanges) {
  using C = TDWAnalogGaugeScaleRanges;
  t.Color("Color", &C::Color, &C::SetColor, 0xFF808080);
  t.Collection("Ranges", [](C& c) -> TDWAnalogGaugeRanges& { return c.Ranges(); })
      .Stored([](const C& c) { return c.Ranges().Count() > 0; });
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); });
}

// ---- centre ----

TDWAnalogGaugeCenterItem::TDWAnalogGaugeCenterItem(TChangeCallback AOnChange, TPersistent* AOwner,
                                                   IKVControl* AControl, float ASize, TAlphaColor AColor)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, ASize)) {
  SetColorDefault(AColor);
}

DW_PROPERTIES(TDWAnalogGaugeCenterItem) {
  using C = TDWAnalogGaugeCenterItem;
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); });
  t.Color("Color", &C::Color, &C::SetColor, 0).DefaultFrom(&C::ColorDefault);
}

TDWAnalogInstrumentCenter::TDWAnalogInstrumentCenter(TChangeCallback AOnChange, TPersistent* AOwner,
                                                     IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FPosition(std::make_unique<TKVElementOffsets>([this] { DoChanged(); }, this, AControl, 0.0f, 0.0f)),
      FBottom(std::make_unique<TDWAnalogGaugeCenterItem>([this] { DoChanged(); }, this, AControl, 0.2f, 0x64808080)),
      FTop(std::make_unique<TDWAnalogGaugeCenterItem>([this] { DoChanged(); }, this, AControl, 0.143f, 0xFF708090)),
      FShadow(std::make_unique<TDWElementShadow>([this] { DoChanged(); }, this, AControl)) {}

DW_PROPERTIES(TDWAnalogInstrumentCenter) {
  using C = TDWAnalogInstrumentCenter;
  t.Object("Position", [](C& c) -> TKVElementOffsets& { return c.Position(); });
  t.Object("Bottom", [](C& c) -> TDWAnalogGaugeCenterItem& { return c.Bottom(); });
  t.Object("Top", [](C& c) -> TDWAnalogGaugeCenterItem& { return c.Top(); });
  t.Object("Shadow", [](C& c) -> TDWElementShadow& { return c.Shadow(); });
}

uint8_t DWCenterShadowAlpha(float ABottomSize) {
  return uint8_t(std::clamp(RXRoundHalfEvenToInt(double(ABottomSize) * 400) + 50, 0, 140));
}

namespace {
gp::RectF Centred(gp::PointF c, float d) { return {c.X - d / 2, c.Y - d / 2, d, d}; }
bool Transparent(TAlphaColor c) { return (c >> 24) == 0; }
}  // namespace

void TDWAnalogInstrumentCenter::Draw(gp::Graphics& g, float S, float W, float H, bool AAntiAliased) const {
  const gp::Matrix saved = g.GetTransform();
  g.TranslateTransform(FPosition->X().Get(S), FPosition->Y().Get(S));
  const gp::PointF c(W / 2, H / 2);
  const float ref = S + 1;

  const TAlphaColor bottom = FBottom->Color();
  if (!Transparent(bottom)) {
    const float d = FBottom->Size().Get(ref);
    if (FShadow->Visible()) {
      const float k = 0.014f * ref;
      g.TranslateTransform(k, k);
      gp::GraphicsPath path;
      path.AddEllipse(Centred(c, 1.1f * d));
      if (!path.Empty()) {
        gp::PathGradientBrush brush(path);
        brush.SetWrapMode(gp::WrapModeClamp);
        const TAlphaColor colors[3] = {0x00000000, TAlphaColor(DWCenterShadowAlpha(FBottom->Size().Value())) << 24,
                                       0x8C000000};
        const float positions[3] = {0.0f, 0.4f, 1.0f};
        brush.SetInterpolationColors(colors, positions, 3);
        g.FillEllipse(brush, Centred(c, 1.1f * d));
      }
      g.TranslateTransform(-k, -k);
    }
    if (AAntiAliased) g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
    gp::LinearGradientBrush brush(gp::RectF(0, 0, W + 1, H + 1), 0xFF000000, bottom, gp::LinearGradientModeVertical);
    g.FillEllipse(brush, Centred(c, d));
  }

  const TAlphaColor top = FTop->Color();
  if (!Transparent(top)) {
    const gp::RectF r = Centred(c, FTop->Size().Get(ref));
    if (r.Width > 0) {
      gp::LinearGradientBrush brush(r, top, top, gp::LinearGradientModeForwardDiagonal);
      const TAlphaColor colors[3] = {RXInterpolateColorF(0xFFFFFFFF, top, 0.4f), top,
                                     RXInterpolateColorF(top, 0xFF000000, 0.7f)};
      const float positions[3] = {0.0f, 0.5f, 1.0f};
      brush.SetInterpolationColors(colors, positions, 3);
      g.FillEllipse(brush, r);
    }
  }
  g.SetTransform(saved);
}

// ---- glass ----

TDWGlass::TDWGlass(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                   TChangeCallback AOnGlassChange)
    : TRXControlProperty(std::move(AOnChange), AOwner, AControl), FOnGlassChange(std::move(AOnGlassChange)) {}

void TDWGlass::DoChanged() {
  TRXControlProperty::DoChanged();
  if (FOnGlassChange) FOnGlassChange();
}

DW_PROPERTIES(TDWGlass) {
  using C = TDWGlass;
  t.Bool("Visible", &C::Visible, &C::SetVisible, true);
  t.Color("Color", &C::Color, &C::SetColor, 0x00000000);
  t.Color("LightColor", &C::LightColor, &C::SetLightColor, 0xAAFFFFFF);
}

void TDWGlass::GlossColors(TAlphaColor& AColor, TAlphaColor& ALight) const {
  AColor = FColor;
  ALight = FLightColor;
  if (GetAlpha(AColor) == 0) AColor = ALight & 0x00FFFFFF;
  if (GetAlpha(ALight) == 0) ALight = AColor & 0x00FFFFFF;
}

// ---- border shapes ----

namespace {
float Finite0(float AValue) { return std::isfinite(AValue) && AValue > 0 ? AValue : 0.0f; }
}  // namespace

gp::GraphicsPath DWBorderShapePath(TKVBorderShape AShape, const gp::RectF& R, float ACorner) {
  gp::GraphicsPath path;
  if (!(R.Width > 0 && R.Height > 0)) return path;
  const float corner = std::min(Finite0(ACorner), std::min(R.Width, R.Height));
  switch (AShape) {
    case bsRectangle: path.AddRectangle(R); break;
    case bsRoundRect: path.AddRoundRectangle(R, gp::SizeF(corner, corner)); break;
    case bsDiamond: {
      const gp::PointF pts[4] = {{R.X + R.Width / 2, R.Y},
                                 {R.X + R.Width, R.Y + R.Height / 2},
                                 {R.X + R.Width / 2, R.Y + R.Height},
                                 {R.X, R.Y + R.Height / 2}};
      path.AddPolygon(pts, 4);
      break;
    }
    case bsRoundDiamond: return RXCreateRoundDiamondPathF(R, corner);
    default: path.AddEllipse(R); break;
  }
  return path;
}

void DWDrawShapeFrame(gp::Graphics& g, TKVBorderShape AShape, TAlphaColor ALight, TAlphaColor ADark,
                      const gp::RectF& ARect, float ACorner, float AWidth, bool AOuter) {
  if (!(AWidth > 0) || !(ARect.Width > 0 && ARect.Height > 0)) return;
  switch (AShape) {
    case bsRectangle: RXDrawFrame3DF(g, ALight, ADark, ARect, AWidth); break;
    case bsRoundRect: RXDrawRoundRectangle3DF(g, ALight, ADark, ARect, ACorner, AWidth); break;
    case bsDiamond: RXDrawDiamondFrame3DF(g, ALight, ADark, ARect, AWidth); break;
    case bsRoundDiamond: RXDrawRoundDiamondFrame3DF(g, ALight, ADark, ARect, ACorner, AWidth); break;
    default:
      if (AOuter) RXDrawGlobeEllipse3DF(g, ALight, ADark, ARect, AWidth);
      else RXDrawEllipse3DF(g, ALight, ADark, ARect, AWidth);
      break;
  }
}

void DWDrawBorderRing(gp::Graphics& g, const TKVBasicControlBorder& ABorder, TKVBorderShape AShape,
                      const gp::RectF& R, float ACorner, float AReference) {
  if (!(R.Width > 0 && R.Height > 0)) return;
  // Negative widths (the stored forms allow them) draw as none: a negative band would put the inner
  // bevel outside the ring.
  auto width = [](float v) { return std::isfinite(v) ? std::max(v, 0.0f) : 0.0f; };
  const float o = width(ABorder.OuterBevel().WidthFor(AReference));
  const float B = width(ABorder.Width().Get(AReference));
  const float i = width(ABorder.InnerBevel().WidthFor(AReference));
  auto finite = [](float v) { return std::isfinite(v) ? v : 0.0f; };
  const float corner = finite(ACorner);
  if (B > 0) {
    const float m = o + B / 2;
    g.DrawPath(gp::Pen(ABorder.Color(), B),
               DWBorderShapePath(AShape, gp::RectF(R.X + m, R.Y + m, R.Width - 2 * m, R.Height - 2 * m), corner));
  }
  TAlphaColor light, dark;
  ABorder.OuterBevel().Tones(ABorder.Color(), light, dark);
  DWDrawShapeFrame(g, AShape, light, dark, R, corner, o, true);
  ABorder.InnerBevel().Tones(ABorder.Color(), light, dark);
  const float e = o + B;
  DWDrawShapeFrame(g, AShape, light, dark, gp::RectF(R.X + e, R.Y + e, R.Width - 2 * e, R.Height - 2 * e), corner, i,
                   false);
}

void DWDrawShapeGloss(gp::Graphics& g, TKVBorderShape AShape, TAlphaColor AColor1, TAlphaColor AColor2,
                      const gp::RectF& ARect, float ACorner) {
  if (!(ARect.Width > 0 && ARect.Height > 0)) return;
  switch (AShape) {
    case bsRectangle: RXGlossRectangle3DF(g, AColor1, AColor2, ARect); break;
    case bsRoundRect: RXGlossRoundRectangle3DF(g, AColor1, AColor2, ARect, ACorner); break;
    case bsDiamond: RXGlossDiamond3DF(g, AColor1, AColor2, ARect); break;
    case bsRoundDiamond: RXGlossRoundDiamond3DF(g, AColor1, AColor2, ARect, ACorner); break;
    default: RXGlossEllipse3DF(g, AColor1, AColor2, ARect); break;
  }
}

}  // namespace dw
