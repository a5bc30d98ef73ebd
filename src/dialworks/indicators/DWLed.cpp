#include "dialworks/indicators/DWLed.h"
#include "dialworks/indicators/IndicatorMath.h"

#include <algorithm>
#include <cmath>

namespace dw {

namespace {

using indicators::Finite0;

gp::RectF Inset(const gp::RectF& r, float d) { return {r.X + d, r.Y + d, r.Width - 2 * d, r.Height - 2 * d}; }

// How much of the colour's alpha the glow reaches at the bezel: the rings nest, so their alphas
// compound towards it, whatever their number.
constexpr double kGlowDensity = 0.55;

}  // namespace

TDWLedGlow::TDWLedGlow(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVOptionalInstrumentProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.15f)) {}

DW_PROPERTIES(TDWLedGlow) {
  using C = TDWLedGlow;
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); }).Doc("room of the halo on each side");
}

TDWLedParts::TDWLedParts(IKVControl& AControl, TPersistent& AOwner, TChangeCallback AOnChange)
    : CornerSize(std::make_unique<TKVElementSize>(AOnChange, &AOwner, &AControl, 0.3f)),
      Border(std::make_unique<TKVBasicControlBorder>(AOnChange, &AOwner, &AControl)),
      Glow(std::make_unique<TDWLedGlow>(AOnChange, &AOwner, &AControl)),
      Glass(std::make_unique<TDWGlass>(AOnChange, &AOwner, &AControl)) {
  Border->SetColorDefault(0xFF505050);
  Border->Width().SetValueDefault(0.06f);
}

TDWLedLayout TDWLedParts::Layout(float AWidth, float AHeight) const {
  TDWLedLayout L;
  const float W = AWidth > 0 && std::isfinite(AWidth) ? AWidth : 0.0f;
  const float H = AHeight > 0 && std::isfinite(AHeight) ? AHeight : 0.0f;
  const float S = std::min(W, H);
  if (!(S > 0)) return L;
  L.Glow = Glow->Visible() ? std::clamp(Finite0(Glow->Size().Get(S)), 0.0f, 0.4f * S) : 0.0f;
  L.Led = Inset(gp::RectF(0, 0, W, H), L.Glow);
  const float s = std::min(L.Led.Width, L.Led.Height);
  L.Corner = std::clamp(Finite0(CornerSize->Get(s)), 0.0f, s);
  const float e = std::clamp(Finite0(Border->Inset(s)), 0.0f, s / 2);
  L.Body = Inset(L.Led, e);
  L.BodyCorner = std::max(L.Corner - 2 * e, 0.0f);
  return L;
}

void TDWLedParts::SetFrameLayout(const TDWLedLayout& L) {
  const bool same = L.Led == FLayout.Led && L.Body == FLayout.Body && L.Corner == FLayout.Corner &&
                    L.Glow == FLayout.Glow && FPathShape == Shape && !FBody.Empty();
  if (same) return;
  FLayout = L;
  FPathShape = Shape;
  FBody = DWBorderShapePath(Shape, L.Body, L.BodyCorner);
  FRings.clear();
  if (!(L.Glow >= 0.5f) || !(L.Led.Width > 0 && L.Led.Height > 0)) return;
  // One ring per pixel of room, at most MaxGlowRings: each from its own outline in to the bezel.
  const int n = std::clamp(int(std::ceil(L.Glow)), 1, MaxGlowRings);
  const gp::GraphicsPath led = DWBorderShapePath(Shape, L.Led, L.Corner);
  for (int k = 0; k < n; ++k) {
    const float d = L.Glow * float(n - k) / float(n);
    gp::GraphicsPath ring = DWBorderShapePath(Shape, Inset(L.Led, -d), L.Corner + 2 * d);
    ring.AddPath(led, false);
    ring.SetFillMode(gp::FillModeAlternate);
    FRings.push_back(std::move(ring));
  }
}

void TDWLedParts::DrawBezel(gp::Graphics& g) const {
  const float s = std::min(FLayout.Led.Width, FLayout.Led.Height);
  DWDrawBorderRing(g, *Border, Shape, FLayout.Led, FLayout.Corner, s);
}

void TDWLedParts::DrawGlow(gp::Graphics& g, TAlphaColor AColor) const {
  if (FRings.empty()) return;
  const double share = 1 - std::pow(1 - kGlowDensity, 1.0 / double(FRings.size()));
  const uint8_t alpha = uint8_t(std::lround(GetAlpha(AColor) * share));
  if (alpha == 0) return;
  const gp::SolidBrush brush(MakeARGBColor(alpha, AColor));
  for (const gp::GraphicsPath& ring : FRings) g.FillPath(brush, ring);
}

void TDWLedParts::FillBody(gp::Graphics& g, const gp::RectF& ARect, TAlphaColor AColor) const {
  if (GetAlpha(AColor) == 0 || !(ARect.Width > 0 && ARect.Height > 0)) return;
  const gp::SolidBrush brush(AColor);
  // The kept body path spares a path per frame (the graphics' own ellipse fill builds one).
  if (Shape == bsRectangle) g.FillRectangle(brush, ARect);
  else if (ARect == FLayout.Body && FPathShape == Shape) g.FillPath(brush, FBody);
  else g.FillPath(brush, DWBorderShapePath(Shape, ARect, FLayout.BodyCorner));
}

void TDWLedParts::DrawGlass(gp::Graphics& g) const {
  if (!Glass->Visible()) return;
  TAlphaColor c1, c2;
  Glass->GlossColors(c1, c2);
  DWDrawShapeGloss(g, Shape, c1, c2, FLayout.Body, FLayout.BodyCorner);
}

}  // namespace dw
