// The glass panel: a container control with a shaped outline (ellipse, rectangle, rounded
// rectangle, diamond, rounded diamond), a bevelled border band and a glass highlight; with its
// layer, element and matrix-layer variants.
//
// A host that gives the panel a window of its own cuts that window to WindowRegion and shows the
// glow picture (the anti-aliased border and the glass) in a translucent overlay over it, because a
// region's edge is hard. At run time the region runs through the middle of the border band, so
// the overlay's border covers the jagged edge; in design mode it is the full outline. A host that
// shows the overlay says so with SetGlowOverlaid(true); otherwise (a picture rendered without a
// window) the panel paints the whole shaped picture itself: transparent outside the region, the
// glow on top.
//
// All lengths of the border are shares of m = min(Width, Height) of the panel (or of the area it
// is drawn in, for layers and elements). Everything runs on the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/draw/Region.h"
#include "dialworks/foundation/DWAnalogInstrumentDecorations.h"
#include "dialworks/foundation/DWAnalogInstrumentVariants.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/WindowShape.h"

namespace dw {

// Registers the unit DWGlassPanel: control, layer and element variants, all under "Panels".
namespace DWGlassPanel {
DW_API void RegisterPkg();
}  // namespace DWGlassPanel

class TDWGlassPanel;

// A rectangle in whole pixels, edges exclusive on the right and bottom (a client area).
struct DW_API TDWClientRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TDWClientRect&) const = default;
};

// The base of the panel's nested objects: any change rebuilds the panel's region and glow.
class DW_API TDWPanelProperty : public TRXControlProperty {
  DW_CLASS(TDWPanelProperty, TRXControlProperty)
  explicit TDWPanelProperty(TDWGlassPanel* APanel);
  TDWGlassPanel* Panel() const { return FPanel; }
  void DoChanged() override;

 private:
  TDWGlassPanel* FPanel;  // the owner (non-owning back reference)
};

// A bevel of the panel border: Style (raised) and Width (0.05). Style none takes no room.
class DW_API TDWPanelBevel : public TKVControlBevel {
  DW_CLASS(TDWPanelBevel, TKVControlBevel)
  TDWPanelBevel(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                TKVBevelStyle AStyle = bvRaised)
      : TKVControlBevel(std::move(AOnChange), AOwner, AControl, AStyle, 0.05f) {}
};

// The bevel inside the band: sunken by default.
class DW_API TDWPanelInnerBevel : public TDWPanelBevel {
  DW_CLASS(TDWPanelInnerBevel, TDWPanelBevel)
  TDWPanelInnerBevel(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
      : TDWPanelBevel(std::move(AOnChange), AOwner, AControl, bvLowered) {}
};

// Outline Shape (rounded rectangle), the band's Color (0xFFD3D3D3; the bevels use dimmed tones of
// it) and Width (0.02), the two bevels and CornerRadius (0.2) of the rounded shapes.
class DW_API TDWPanelBorder : public TDWPanelProperty {
  DW_CLASS(TDWPanelBorder, TDWPanelProperty)
  explicit TDWPanelBorder(TDWGlassPanel* APanel);

  TDWPanelBevel& BevelOuter() { return *FBevelOuter; }
  const TDWPanelBevel& BevelOuter() const { return *FBevelOuter; }
  void SetBevelOuter(const TDWPanelBevel& AValue) { FBevelOuter->Assign(AValue); }
  TDWPanelInnerBevel& BevelInner() { return *FBevelInner; }
  const TDWPanelInnerBevel& BevelInner() const { return *FBevelInner; }
  void SetBevelInner(const TDWPanelInnerBevel& AValue) { FBevelInner->Assign(AValue); }
  TKVBorderShape Shape() const { return FShape; }
  void SetShape(TKVBorderShape AValue) { Setter(*this, "Shape", FShape, AValue); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  TKVElementSize& CornerRadius() { return *FCornerRadius; }
  const TKVElementSize& CornerRadius() const { return *FCornerRadius; }
  void SetCornerRadius(const TKVElementSize& AValue) { FCornerRadius->Assign(AValue); }

  // The whole border (band plus visible bevels) for the reference length m.
  float TotalWidth(float AM) const;

 private:
  std::unique_ptr<TDWPanelBevel> FBevelOuter;
  std::unique_ptr<TDWPanelInnerBevel> FBevelInner;
  TKVBorderShape FShape = bsRoundRect;
  TAlphaColor FColor = 0xFFD3D3D3;
  std::unique_ptr<TKVElementSize> FWidth;
  std::unique_ptr<TKVElementSize> FCornerRadius;
};

// The window region of a W x H panel for a border: hb is how far the region lies inside the
// outline (half the border at run time, 0 in design mode). False: no region (rectangle shape, or
// an empty panel).
DW_API bool DWPanelRegion(const TDWPanelBorder& ABorder, float AW, float AH, float AHalfBorder, gp::Region& ARegion);

class DW_API TDWGlassPanel : public TKVBasicControl, public IWindowShape {
  DW_CLASS(TDWGlassPanel, TKVBasicControl)
  static constexpr int DefaultWidth = 200, DefaultHeight = 140;
  explicit TDWGlassPanel(TComponent* AOwner = nullptr);
  ~TDWGlassPanel() override;

  TDWPanelBorder& Border() { return *FBorder; }
  const TDWPanelBorder& Border() const { return *FBorder; }
  void SetBorder(const TDWPanelBorder& AValue) { FBorder->Assign(AValue); }
  TDWGlass& Glass() { return *FGlass; }
  const TDWGlass& Glass() const { return *FGlass; }
  void SetGlass(const TDWGlass& AValue) { FGlass->Assign(AValue); }
  TRXComponentElements& Elements() { return *FElements; }
  const TRXComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }
  // The panel's face inside the border (painted when the panel is a control, not a layer).
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }

  // A host that shows PaintGlowPicture in an overlay window sets this: the panel then leaves the
  // border and the glass to the overlay instead of painting them a second time (not streamed: a
  // host's state).
  bool GlowOverlaid() const { return FGlowOverlaid; }
  void SetGlowOverlaid(bool AValue) override;

  // Band plus the visible bevels, in pixels of the panel's size.
  float GetBorderWidth() const;
  // Shrinks ARect on every side by the border width rounded to whole pixels (halves to even), so
  // children placed in it stay inside the border; a rectangle smaller than the border collapses
  // onto its middle.
  void AdjustClientRect(TDWClientRect& ARect) const;
  // The client rectangle of the whole panel.
  TDWClientRect ClientRect() const;

  // The border and bevels (and, when AGloss, the glass) over the rectangle; nothing for an empty one.
  void PaintGlow(gp::Graphics& AGraphics, float AX, float AY, float AW, float AH, bool AGloss) const;

  // IWindowShape
  bool WindowRegion(gp::Region& ARegion) const override;
  bool HasGlow() const override;
  void PaintGlowPicture(gp::Graphics& AGraphics, int AWidth, int AHeight) override;
  uint64_t WindowShapeVersion() const override { return FShapeVersion.load(std::memory_order_acquire); }

  void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) override;
  // A new size rebuilds the region and the glow and tells the elements.
  void InvalidateSize() override;
  void Loaded() override;
  // The elements go first, while the panel is whole: their pins may call up to it until then.
  void BeforeDestruction() override;

  // The region and the glow changed (border, size, loading): both are rebuilt and repainted.
  void UpdateRegionGlow();
  // The glow picture changed (glass): the overlay is repainted.
  void InvalidateGlow();

 private:
  std::unique_ptr<TDWPanelBorder> FBorder;
  std::unique_ptr<TDWGlass> FGlass;
  std::unique_ptr<TRXComponentElements> FElements;
  TAlphaColor FColor = 0xFFFFFFFF;
  bool FGlowOverlaid = false;
  std::atomic<uint64_t> FShapeVersion{1};
};

class DW_API TDWGlassPanelLayer : public TDWGlassPanel {
  DW_CLASS(TDWGlassPanelLayer, TDWGlassPanel)
  using TDWGlassPanel::TDWGlassPanel;
};

class DW_API TDWGlassPanelElement : public TDWPlacedElement<TDWGlassPanel> {
  DW_CLASS(TDWGlassPanelElement, TDWGlassPanel)
  static void RegisterUnit() { DWGlassPanel::RegisterPkg(); }
  explicit TDWGlassPanelElement(TComponent* AOwner = nullptr) : TDWPlacedElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.15f}, {0, 0.5f});
  }
};

class DW_API TDWGlassPanelMatrixLayer : public TDWMatrixLayerOf<TDWGlassPanelElement> {
  DW_CLASS(TDWGlassPanelMatrixLayer, TDWGlassPanelElement)
  explicit TDWGlassPanelMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.6f}, {0, 0});
  }
};

class DW_API TDWGlassPanelMatrixElement : public TDWGlassPanelMatrixLayer {
  DW_CLASS(TDWGlassPanelMatrixElement, TDWGlassPanelMatrixLayer)
  using TDWGlassPanelMatrixLayer::TDWGlassPanelMatrixLayer;
};

}  // namespace dw
