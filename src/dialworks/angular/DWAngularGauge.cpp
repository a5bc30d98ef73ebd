#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/angular/DWAngularGaugeHands.h"

#include <algorithm>
#include <cmath>

#include "dialworks/draw/Brush.h"
#include "dialworks/framework/Registry.h"

namespace dw {

// ---- scale and hand -----------------------------------------------------------------------------

TDWAngularGaugeScale::TDWAngularGaugeScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TDWReversibleGaugeScale(std::move(AOnChange), AOwner, AControl, 0.9f) {}

DW_PROPERTIES(TDWAngularGaugeScale) {
  using C = TDWAngularGaugeScale;
  t.Single("MinAngle", &C::MinAngle, &C::SetMinAngle, 315.0f);
  t.Single("MaxAngle", &C::MaxAngle, &C::SetMaxAngle, 225.0f);
}

DW_PROPERTIES(TDWAngularGaugeHand) {}

// ---- the gauge ----------------------------------------------------------------------------------

TDWBasicAngularGauge::TDWBasicAngularGauge(TComponent* AOwner) : TDWBasicMinMaxInstrument(AOwner) {
  auto range = [this] { InvalidateRange(); };
  FBorder = std::make_unique<TKVProportionalControlBorder>(range, this, this);
  FCaption = std::make_unique<TKVCaption>(range, this, this);
  FCaption->Position().SetValueDefaults(0, 0.7f);
  FGlass = std::make_unique<TDWGlass>(range, this, this);
  FScale = std::make_unique<TDWAngularGaugeScale>(range, this, this);
  FRanges = std::make_unique<TDWAnalogGaugeScaleRanges>(range, this, this, 0.3f);
  FHand = std::make_unique<TDWAngularGaugeHand>([this] { Invalidate(); }, this, this, FScale.get());
  FCenter = std::make_unique<TDWAnalogInstrumentCenter>(range, this, this);
  FElements = std::make_unique<TRXAngularAnalogComponentElements>(this);
  FAnimator = std::make_unique<TDWHandAnimator>(*FHand, [this] { Invalidate(); });
  InitSize(DefaultSize, DefaultSize);
}

TDWBasicAngularGauge::~TDWBasicAngularGauge() {
  // No tick or timer may reach a half-destroyed gauge: stop both before anything goes, then the
  // elements (which may call back into their host) before the gauge's own parts.
  FAnimator->Shutdown();
  FElements->Clear();
}

void TDWBasicAngularGauge::BeforeDestruction() {
  FAnimator->Shutdown();
  TDWBasicMinMaxInstrument::BeforeDestruction();
}

DW_PROPERTIES(TDWBasicAngularGauge) {
  using C = TDWBasicAngularGauge;
  t.Color("Color", &C::Color, &C::SetColor, 0xFFD3D3D3);
  t.Object("Border", [](C& c) -> TKVProportionalControlBorder& { return c.Border(); });
  t.Object("Caption", [](C& c) -> TKVCaption& { return c.Caption(); });
  t.Object("Glass", [](C& c) -> TDWGlass& { return c.Glass(); });
  t.Object("Scale", [](C& c) -> TDWAngularGaugeScale& { return c.Scale(); });
  t.Object("Ranges", [](C& c) -> TDWAnalogGaugeScaleRanges& { return c.Ranges(); });
  t.Object("Hand", [](C& c) -> TDWAngularGaugeHand& { return c.Hand(); });
  t.Object("Center", [](C& c) -> TDWAnalogInstrumentCenter& { return c.Center(); });
  t.Collection("Elements", [](C& c) -> TRXAngularAnalogComponentElements& { return c.Elements(); });
  // Sizes below MinSize become MinSize (SetBounds).
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultSize)
      .Limit(C::MinSize, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultSize)
      .Limit(C::MinSize, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

TDWDialLayout TDWBasicAngularGauge::Layout(float AWidth, float AHeight) const {
  const float w = AWidth > 0 && std::isfinite(AWidth) ? AWidth : 0.0f;
  const float h = AHeight > 0 && std::isfinite(AHeight) ? AHeight : 0.0f;
  const float s = std::min(w, h);
  TDWDialLayout l = DWDialLayout(w, h, FBorder->Square(), FBorder->Inset(s), {0, 0});
  // Offsets may be absolute pixels: resolve them through the size objects.
  const float ox = FCenter->Position().X().Get(l.Size), oy = FCenter->Position().Y().Get(l.Size);
  l.OffsetX = std::isfinite(ox) ? ox : 0.0f;
  l.OffsetY = std::isfinite(oy) ? oy : 0.0f;
  return l;
}

void TDWBasicAngularGauge::DropFaceCache() {
  if (FBackBitmap) FSpareLayers[0] = std::move(FBackBitmap);
  if (FTopBitmap) FSpareLayers[1] = std::move(FTopBitmap);
}

void TDWBasicAngularGauge::PopulateValue() {
  FAnimator->MoveTo(ValueToAngle(FMin, FMax, FValue), !IsDesigning());
  UpdateEmbeddedValues();
}

void TDWBasicAngularGauge::InvalidateValue() {
  TDWBasicMinMaxInstrument::InvalidateValue();
  PopulateValue();
}

void TDWBasicAngularGauge::InvalidateRange() {
  TDWBasicMinMaxInstrument::InvalidateRange();
  if (IsDestroying() || FAnimator->IsShutDown()) return;
  DropFaceCache();
  PopulateValue();
  FElements->InvalidateSizes();
}

void TDWBasicAngularGauge::InvalidateSize() {
  DropFaceCache();
  FHand->DoInvalidateResources();
  TDWBasicMinMaxInstrument::InvalidateSize();
}

void TDWBasicAngularGauge::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  {
    std::lock_guard lock(ControlLock());
    DropFaceCache();
  }
  TDWBasicMinMaxInstrument::SetBounds(ALeft, ATop, std::max(AWidth, MinSize), std::max(AHeight, MinSize));
  FHand->DoInvalidateResources();
  FElements->InvalidateSizes();
}

void TDWBasicAngularGauge::Loaded() {
  TDWBasicMinMaxInstrument::Loaded();
  FAnimator->JumpNext();
  InvalidateValue();
}

TDWDialHandGeometry DWDialHandGeometry(const TDWDialLayout& L, float AScaleX, float AScaleY) {
  TDWDialHandGeometry G;
  G.ShiftX = L.ShiftX;
  G.ShiftY = L.ShiftY;
  G.OffsetX = L.OffsetX;
  G.OffsetY = L.OffsetY;
  G.Reference = L.Radius;
  G.Width = L.Width + 1;
  G.Height = L.Height + 1;
  G.ScaleX = AScaleX;
  G.ScaleY = AScaleY;
  return G;
}

void TDWBasicAngularGauge::IntDraw(gp::Graphics& g, float AScaleX, float AScaleY, float AWidth, float AHeight,
                                   double AOuterWidth, double AOuterHeight, bool AEmbedded, bool AOffscreen) {
  TDWBasicMinMaxInstrument::IntDraw(g, AScaleX, AScaleY, AWidth, AHeight, AOuterWidth, AOuterHeight, AEmbedded,
                                    AOffscreen);
  TControlDrawLock lock(*this);
  if (!lock) return;
  FDraws.fetch_add(1, std::memory_order_relaxed);
  const TDWDialLayout L = Layout(AWidth, AHeight);
  if (!(L.Width >= 1 && L.Height >= 1)) return;
  const gp::GraphicsState state = g.Save();
  g.TranslateTransform(L.ShiftX, L.ShiftY);

  // The cached layers are built at the device resolution of this graphics (HiDPI renders).
  const gp::Matrix m = g.GetTransform();
  float scale = std::sqrt(std::fabs(m.M11() * m.M22() - m.M12() * m.M21()));
  if (!(scale >= 0.25f && scale <= 16)) scale = 1;
  if (!FBackBitmap || FCacheWidth != L.Width || FCacheHeight != L.Height || FCacheScale != scale)
    DrawBack(g, L, scale);
  const gp::RectF layer(0, 0, L.Width + 1, L.Height + 1);
  auto blit = [&](const gp::Bitmap& b) {
    if (scale == 1) g.DrawImage(b, gp::PointF(0, 0));
    else g.DrawImage(b, layer);
  };
  if (FBackBitmap) blit(*FBackBitmap);

  if (AntiAliased()) g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
  const gp::GraphicsState clipped = g.Save();
  // The hands pivot at Width/2, Height/2 like the face and the cap.
  const TDWDialHandGeometry hands = DWDialHandGeometry(L, AScaleX, AScaleY);
  // The face shape clips what is drawn on it. A clip makes every fill below it a masked
  // composite, so it is left out when nothing can reach past the face: only the main hand drawn
  // (the cap is in the top layer) and the hand, around its pivot, within the shape's inner circle.
  bool elements = false;
  for (size_t i = 0; i < FElements->Count() && !elements; ++i) elements = FElements->Items(i).ElementVisible();
  const float reach = std::hypot(L.OffsetX, L.OffsetY) +
                      FHand->Reach(hands.Reference, hands.Width, hands.Height, AScaleX, AScaleY) + 1;
  if (elements || !FTopBitmap || !(reach <= FClipInnerRadius)) g.SetClip(FClipPath, gp::CombineModeIntersect);
  for (size_t i = 0; i < FElements->Count(); ++i) {
    TRXComponentElement& e = FElements->Items(i);
    if (!e.ElementVisible()) continue;
    const gp::GraphicsState one = g.Save();
    if (auto* hand = dynamic_cast<IDWAngularAnalogElement*>(&e)) hand->AngularAnalogDraw(g, hands);
    else if (auto* d = dynamic_cast<TRXDrawComponentElement*>(&e))
      d->Draw(g, AOffscreen, L.Width / 2, L.Height / 2, L.Width, L.Height, AOuterWidth, AOuterHeight);
    g.Restore(one);
  }
  FHand->Draw(g, hands.OffsetX, hands.OffsetY, hands.Reference, hands.Reference, hands.Width, hands.Height, 0, 0,
              AScaleX, AScaleY);
  if (!FTopBitmap) FCenter->Draw(g, L.Size, L.Height, L.Width, AntiAliased());
  g.Restore(clipped);
  if (FTopBitmap) blit(*FTopBitmap);
  g.Restore(state);
}

// ---- standalone control -------------------------------------------------------------------------

DW_PROPERTIES(TDWExternalAngularGauge) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWAngularGauge) {
  using C = TDWAngularGauge;
  t.Object("Background", [](C& c) -> TKVControlBackground& { return c.Background(); });
  DWDeclareTabStopProperty(t);
}
DW_PROPERTIES(TDWAngularGaugeLayer) {}
DW_PROPERTIES(TDWBasicAngularGaugeElement) {}
DW_PROPERTIES(TDWAngularGaugeElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalAngularGaugeElement) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWExternalAngularGaugeMatrixLayer) {}
DW_PROPERTIES(TDWExternalAngularGaugeMatrixElement) {}

void DWAngularGauge::RegisterPkg() {
  TRegistrationUnit unit("DWAngularGauge");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  // In the order of the unit's table: control and layer, the hands, then the gauge variants.
  DWRegisterInstrumentVariants({.Control = &TDWAngularGauge::StaticClass(),
                                .Layer = &TDWAngularGaugeLayer::StaticClass(),
                                .Category = "Gauges"});
  GroupDescendentsWith(TDWBasicGaugeHand::StaticClass(), TKVBasicControl::StaticClass());
  RXRegisterAngularAnalogComponentElement(TDWExternalGaugeHandElement::StaticClass(), "Hands");
  RXRegisterAngularAnalogComponentElement(TDWGaugeMinMaxHandElement::StaticClass(), "Hands");
  RXRegisterAngularAnalogComponentElement(TDWExternalGaugeControlHandElement::StaticClass(), "Hands");
  DWRegisterInstrumentVariants({.Category = "Gauges",
                                .MirroringElement = &TDWAngularGaugeElement::StaticClass(),
                                .MirroringFamily = efGauge,
                                .ExternalElement = &TDWExternalAngularGaugeElement::StaticClass(),
                                .MatrixLayer = &TDWExternalAngularGaugeMatrixLayer::StaticClass(),
                                .MatrixCategory = "Gauges",
                                .StreamingOnly = {&TDWExternalAngularGaugeMatrixElement::StaticClass()}});
}

}  // namespace dw
