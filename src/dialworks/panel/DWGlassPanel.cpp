#include "dialworks/panel/DWGlassPanel.h"

#include <algorithm>
#include <cmath>

#include "dialworks/draw/Shading.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/Helpers.h"

namespace dw {

namespace {

float NonNegative(float AValue) { return AValue > 0 ? AValue : 0.0f; }

bool IsDiamond(TKVBorderShape AShape) { return AShape == bsDiamond || AShape == bsRoundDiamond; }

// The rectangle of the outline moved inward by AInset. A diamond is the one inscribed in its
// rectangle: moving its edges inward by k moves its left and right corners by k·csc α and its top
// and bottom corners by k·sec α (α = atan2(H, W)), so its rectangle shrinks by those.
gp::RectF InsetOutline(TKVBorderShape AShape, const gp::RectF& ARect, float AInset) {
  float kx = AInset, ky = AInset;
  if (IsDiamond(AShape)) {
    const double a = std::atan2(double(ARect.Height), double(ARect.Width));
    kx = float(AInset * RXCsc(a));
    ky = float(AInset * RXSec(a));
  }
  return {ARect.X + kx, ARect.Y + ky, ARect.Width - 2 * kx, ARect.Height - 2 * ky};
}

// Corner size (diameter of the corner arc) of the outline AInset inside an outline whose corners
// have radius ARadius: the arcs stay concentric.
float CornerAt(float ARadius, float AInset) { return NonNegative(2 * (ARadius - AInset)); }

bool Usable(const gp::RectF& R) {
  return R.Width > 0 && R.Height > 0 && std::isfinite(R.X) && std::isfinite(R.Y) && std::isfinite(R.Width) &&
         std::isfinite(R.Height);
}

}  // namespace

// ---- nested objects -----------------------------------------------------------------------------

TDWPanelProperty::TDWPanelProperty(TDWGlassPanel* APanel) : TRXControlProperty({}, APanel, APanel), FPanel(APanel) {}

void TDWPanelProperty::DoChanged() {
  TRXControlProperty::DoChanged();
  if (FPanel) FPanel->UpdateRegionGlow();
}

DW_PROPERTIES(TDWPanelProperty) {}
DW_PROPERTIES(TDWPanelBevel) {}
DW_PROPERTIES(TDWPanelInnerBevel) {}

TDWPanelBorder::TDWPanelBorder(TDWGlassPanel* APanel)
    : TDWPanelProperty(APanel),
      FBevelOuter(std::make_unique<TDWPanelBevel>([this] { DoChanged(); }, this, APanel)),
      FBevelInner(std::make_unique<TDWPanelInnerBevel>([this] { DoChanged(); }, this, APanel)),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, APanel, 0.02f)),
      FCornerRadius(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, APanel, 0.2f)) {}

float TDWPanelBorder::TotalWidth(float AM) const {
  return NonNegative(FWidth->Get(AM)) + NonNegative(FBevelOuter->WidthFor(AM)) +
         NonNegative(FBevelInner->WidthFor(AM));
}

DW_PROPERTIES(TDWPanelBorder) {
  using C = TDWPanelBorder;
  t.Object("BevelOuter", [](C& c) -> TDWPanelBevel& { return c.BevelOuter(); });
  t.Object("BevelInner", [](C& c) -> TDWPanelInnerBevel& { return c.BevelInner(); });
  t.Enum("Shape", &C::Shape, &C::SetShape, bsRoundRect);
  t.Color("Color", &C::Color, &C::SetColor, 0xFFD3D3D3).Doc("the band; the bevels use tones of it");
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); }).Doc("band width, share of the shorter side");
  t.Object("CornerRadius", [](C& c) -> TKVElementSize& { return c.CornerRadius(); })
      .Doc("corner radius of the rounded shapes, share of the shorter side");
}

// ---- region -------------------------------------------------------------------------------------

namespace {
// DWPanelRegion, or with AWholePixels false the outline at the exact size and inset (a panel
// drawn embedded has no window, and its drawn size may be fractional).
bool PanelRegion(const TDWPanelBorder& ABorder, float AW, float AH, float AHalfBorder, bool AWholePixels,
                 gp::Region& ARegion) {
  if (!(AW > 0 && AH > 0) || ABorder.Shape() == bsRectangle) return false;
  const float hb = std::isfinite(AHalfBorder) ? NonNegative(AHalfBorder) : 0.0f;
  const float m = std::min(AW, AH);
  const float d = CornerAt(ABorder.CornerRadius().Get(m), hb);
  const TKVBorderShape shape = ABorder.Shape();
  if (shape == bsEllipse || shape == bsRoundRect) {
    // Window regions are whole pixels: the same whole inset on every side keeps the shape centred.
    const float i = AWholePixels ? float(RXRoundHalfEvenToInt(hb)) : hb;
    const gp::RectF r = AWholePixels ? gp::RectF(i, i, float(RXRoundHalfEvenToInt(AW)) - 2 * i,
                                                 float(RXRoundHalfEvenToInt(AH)) - 2 * i)
                                     : gp::RectF(i, i, AW - 2 * i, AH - 2 * i);
    if (!Usable(r)) {
      ARegion.MakeEmpty();
      return true;
    }
    if (shape == bsEllipse) {
      ARegion = gp::Region::FromEllipse(r);
    } else {
      const float corner = std::min(d, NonNegative(m - 2 * hb));
      ARegion = gp::Region::FromRoundRect(r, gp::SizeF(corner, corner));
    }
    return true;
  }
  const gp::RectF r = InsetOutline(shape, gp::RectF(0, 0, AW, AH), hb);
  if (!Usable(r)) {
    ARegion.MakeEmpty();
    return true;
  }
  ARegion = gp::Region(DWBorderShapePath(shape, r, shape == bsRoundDiamond ? d : 0));
  return true;
}
}  // namespace

bool DWPanelRegion(const TDWPanelBorder& ABorder, float AW, float AH, float AHalfBorder, gp::Region& ARegion) {
  return PanelRegion(ABorder, AW, AH, AHalfBorder, true, ARegion);
}

// ---- the panel ----------------------------------------------------------------------------------

TDWGlassPanel::TDWGlassPanel(TComponent* AOwner)
    : TKVBasicControl(AOwner),
      FBorder(std::make_unique<TDWPanelBorder>(this)),
      FGlass(std::make_unique<TDWGlass>([this] { InvalidateGlow(); }, this, this)),
      FElements(std::make_unique<TRXComponentElements>(this)) {
  InitSize(DefaultWidth, DefaultHeight);
}

TDWGlassPanel::~TDWGlassPanel() = default;

void TDWGlassPanel::BeforeDestruction() {
  FElements->Clear();
  TKVBasicControl::BeforeDestruction();
}

void TDWGlassPanel::SetGlowOverlaid(bool AValue) {
  if (FGlowOverlaid == AValue) return;
  FGlowOverlaid = AValue;
  Invalidate();
}

float TDWGlassPanel::GetBorderWidth() const {
  return FBorder->TotalWidth(float(std::min(Width(), Height())));
}

void TDWGlassPanel::AdjustClientRect(TDWClientRect& ARect) const {
  const int b = RXRoundHalfEvenToInt(GetBorderWidth());
  // In 64 bits: a border of up to a million times the panel rounds to as much as INT_MAX.
  auto shrink = [b](int& ALow, int& AHigh) {
    const int64_t span = int64_t(AHigh) - ALow;
    if (span >= 2 * int64_t(b)) {
      ALow += b;
      AHigh -= b;
    } else {
      ALow = AHigh = int(ALow + span / 2);
    }
  };
  shrink(ARect.Left, ARect.Right);
  shrink(ARect.Top, ARect.Bottom);
}

TDWClientRect TDWGlassPanel::ClientRect() const {
  TDWClientRect r{0, 0, Width(), Height()};
  AdjustClientRect(r);
  return r;
}

void TDWGlassPanel::PaintGlow(gp::Graphics& g, float AX, float AY, float AW, float AH, bool AGloss) const {
  const gp::RectF outline(AX, AY, AW, AH);
  if (!Usable(outline)) return;
  const TDWPanelBorder& border = *FBorder;
  const TKVBorderShape shape = border.Shape();
  const float m = std::min(AW, AH);
  const float ow = NonNegative(border.BevelOuter().WidthFor(m));
  const float iw = NonNegative(border.BevelInner().WidthFor(m));
  const float bw = NonNegative(border.Width().Get(m));
  const float t = bw + ow + iw;
  const float radius = border.CornerRadius().Get(m);
  const bool outer = border.BevelOuter().Visible(), inner = border.BevelInner().Visible();
  if ((outer || inner) && t > 0) {
    // The band under the whole border, stroked along the outline half the border inside: the
    // bevels are drawn over it, and it keeps their seams (where a bevel's halves meet) opaque.
    const gp::RectF mid = InsetOutline(shape, outline, t / 2);
    if (Usable(mid)) {
      gp::Pen pen(border.Color(), t);
      g.DrawPath(pen, DWBorderShapePath(shape, mid, CornerAt(radius, t / 2)));
    }
    TAlphaColor light = 0, dark = 0;
    if (outer) {
      border.BevelOuter().Tones(border.Color(), light, dark);
      DWDrawShapeFrame(g, shape, light, dark, outline, CornerAt(radius, 0), ow, true);
    }
    if (inner) {
      border.BevelInner().Tones(border.Color(), light, dark);
      DWDrawShapeFrame(g, shape, light, dark, InsetOutline(shape, outline, ow + bw), CornerAt(radius, ow + bw), iw,
                       true);
    }
  }
  if (AGloss) {
    TAlphaColor c1 = 0, c2 = 0;
    FGlass->GlossColors(c1, c2);
    DWDrawShapeGloss(g, shape, c1, c2, InsetOutline(shape, outline, t), CornerAt(radius, t));
  }
}

bool TDWGlassPanel::WindowRegion(gp::Region& ARegion) const {
  // In design mode the region is the whole outline; at run time it ends in the middle of the
  // border, whose outer half the overlay paints anti-aliased.
  const float hb = IsDesigning() ? 0.0f : GetBorderWidth() / 2;
  return DWPanelRegion(*FBorder, float(Width()), float(Height()), hb, ARegion);
}

bool TDWGlassPanel::HasGlow() const {
  if (Width() <= 0 || Height() <= 0) return false;
  return FBorder->BevelOuter().Visible() || FBorder->BevelInner().Visible() || FGlass->Visible();
}

void TDWGlassPanel::PaintGlowPicture(gp::Graphics& g, int AWidth, int AHeight) {
  TControlDrawLock lock(*this);
  if (!lock) return;
  g.SetSmoothingMode(AntiAliased() ? gp::SmoothingModeAntiAlias : gp::SmoothingModeNone);
  PaintGlow(g, 0, 0, float(AWidth), float(AHeight), FGlass->Visible());
}

void TDWGlassPanel::IntDraw(gp::Graphics& g, const TDrawArea& AArea) {
  TKVBasicControl::IntDraw(g, AArea);
  const float w = AArea.Width, h = AArea.Height;
  if (!(w > 0 && h > 0)) return;
  const TRXElementArea elementArea{w / 2, h / 2, w, h, AArea.OuterWidth, AArea.OuterHeight, AArea.Offscreen};
  // The elements (and the face) are clipped to the panel's shape: as a control to its window
  // region, embedded to the same outline at the drawn size.
  gp::Region region;
  const bool designing = IsDesigning();
  const bool shaped =
      AArea.Embedded
          ? PanelRegion(*FBorder, w, h, designing ? 0.0f : FBorder->TotalWidth(std::min(w, h)) / 2, false, region)
          : DWPanelRegion(*FBorder, w, h, designing ? 0.0f : GetBorderWidth() / 2, region);
  const gp::GraphicsState state = g.Save();
  if (shaped) g.IntersectClip(region);
  if (AArea.Embedded) {
    FElements->DrawElements(g, elementArea);
    g.Restore(state);
    PaintGlow(g, 0, 0, w, h, FGlass->Visible());
    return;
  }
  // As a control: what the window shows, then, unless a host's overlay shows it, the glow over
  // it, unclipped, as the overlay would. Under a host's overlay the border is the overlay's alone:
  // drawn here too, its anti-aliased edges inside the region would be laid on twice.
  if (GetAlpha(FColor) != 0) {
    gp::SolidBrush brush(FColor);
    g.FillRectangle(brush, gp::RectF(0, 0, w, h));
  }
  FElements->DrawElements(g, elementArea);
  g.Restore(state);
  if (!FGlowOverlaid) PaintGlow(g, 0, 0, w, h, FGlass->Visible());
}

void TDWGlassPanel::UpdateRegionGlow() {
  FShapeVersion.fetch_add(1, std::memory_order_acq_rel);
  Invalidate();
}

void TDWGlassPanel::InvalidateGlow() {
  FShapeVersion.fetch_add(1, std::memory_order_acq_rel);
  Invalidate();
}

void TDWGlassPanel::InvalidateSize() {
  FShapeVersion.fetch_add(1, std::memory_order_acq_rel);
  FElements->InvalidateSizes();
  Invalidate();
}

void TDWGlassPanel::Loaded() {
  TKVBasicControl::Loaded();
  UpdateRegionGlow();
}

DW_PROPERTIES(TDWGlassPanel) {
  using C = TDWGlassPanel;
  t.Default("Width", C::DefaultWidth);
  t.Default("Height", C::DefaultHeight);
  t.Object("Border", [](C& c) -> TDWPanelBorder& { return c.Border(); });
  t.Object("Glass", [](C& c) -> TDWGlass& { return c.Glass(); });
  t.Collection("Elements", [](C& c) -> TRXComponentElements& { return c.Elements(); });
  t.Color("Color", &C::Color, &C::SetColor, 0xFFFFFFFF).Doc("the face inside the border");
}

// ---- variants and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWGlassPanelLayer) {}
DW_PROPERTIES(TDWGlassPanelElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWGlassPanelMatrixLayer) {}
DW_PROPERTIES(TDWGlassPanelMatrixElement) {}

void DWGlassPanel::RegisterPkg() {
  TRegistrationUnit unit("DWGlassPanel");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWGlassPanel::StaticClass(),
                                .Layer = &TDWGlassPanelLayer::StaticClass(),
                                .Category = "Panels",
                                .ExternalElement = &TDWGlassPanelElement::StaticClass(),
                                .MatrixLayer = &TDWGlassPanelMatrixLayer::StaticClass(),
                                .StreamingOnly = {&TDWGlassPanelMatrixElement::StaticClass()}});
}

}  // namespace dw
