// Decorations the dial and bar instruments share: the coloured ranges of a scale, the centre cap
// of a dial (and the centre offset hands and scale are drawn around), the glass highlight
// settings, the drop-shadow switch and the optional element base; and the painting of a border
// shape's outline, lit frame and gloss.
#pragma once

#include <memory>

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/draw/Path.h"
#include "dialworks/foundation/DWAnalogInstrumentGeometry.h"
#include "dialworks/framework/Collection.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Persistents.h"

namespace dw {

// Only Visible (default true): switches a drop shadow.
class DW_API TDWElementShadow : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWElementShadow, TKVOptionalInstrumentProperty)
  using TKVOptionalInstrumentProperty::TKVOptionalInstrumentProperty;
};

// A control element (one proportional size) that can be hidden.
class DW_API TDWOptionalInstrumentElement : public TKVControlElement {
  DW_CLASS(TDWOptionalInstrumentElement, TKVControlElement)
  using TKVControlElement::TKVControlElement;
  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { Setter(*this, "Visible", FVisible, AValue); }

 private:
  bool FVisible = true;
};

class TDWAnalogGaugeRanges;

// One coloured range: a share of the whole sweep (1 = all of it), following the previous range.
class DW_API TDWAnalogGaugeRange : public TLockCollectionItem {
  DW_CLASS(TDWAnalogGaugeRange, TLockCollectionItem)
  static constexpr float DefaultRangeStep = 0.3f;  // outside a range list
  TDWAnalogGaugeRange() = default;

  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue);
  // Non-finite shares are refused; negative ones become 0 (a range cannot run backwards).
  float Range() const { return FRange; }
  void SetRange(float AValue);
  // The streaming default of Range: the list's range step.
  float RangeStep() const;

  // Set by the list when the item joins it (no notification).
  void InitNewItem(TAlphaColor AColor, float ARange);
  void SetCollection(TLockCollection* ACollection) override;

 private:
  void InvalidateOwnerRange();
  TDWAnalogGaugeRanges* List() const;
  TAlphaColor FColor = 0xFF00FF00;
  float FRange = DefaultRangeStep;
};

// The list of coloured ranges. A new range takes the palette colour used least so far and the
// list's range step as its share.
class DW_API TDWAnalogGaugeRanges : public TTypedCollection<TDWAnalogGaugeRange> {
  DW_CLASS(TDWAnalogGaugeRanges, TLockCollection)
  friend class TDWAnalogGaugeRange;
  TDWAnalogGaugeRanges(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ARangeStep);

  IKVControl* Control() const { return FControl; }
  float RangeStep() const { return FRangeStep; }
  TAlphaColor GetNewColor() const { return GetNewColorExcept(nullptr); }
  size_t GetCountOfColor(TAlphaColor AColor) const;
  // Notifies the owner (the collection's change callback).
  void Update() { DoChanged(); }

 protected:
  void ItemAdded(TLockCollectionItem& AItem) override { NewItemCreated(static_cast<TDWAnalogGaugeRange&>(AItem)); }
  void NewItemCreated(TDWAnalogGaugeRange& AItem);

 private:
  TAlphaColor GetNewColorExcept(const TDWAnalogGaugeRange* AItem) const;
  // Kept as items join, leave and change colour, so a new item's colour costs no walk of the list.
  void CountColor(TAlphaColor AColor, int ADelta);
  IKVControl* FControl;
  float FRangeStep;
  TDWRangeColorCounts FPaletteCounts{};  // items of each range palette colour
};

// The band of coloured ranges along a scale. Its element size is the band's diameter as a share
// of the face diameter (default 0.95); Width is the band width (default 0.05).
class DW_API TDWAnalogGaugeScaleRanges : public TDWOptionalInstrumentElement {
  DW_CLASS(TDWAnalogGaugeScaleRanges, TDWOptionalInstrumentElement)
  TDWAnalogGaugeScaleRanges(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ARangeStep);

  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TDWAnalogGaugeRanges& Ranges() { return *FRanges; }
  const TDWAnalogGaugeRanges& Ranges() const { return *FRanges; }
  void SetRanges(const TDWAnalogGaugeRanges& AValue) { FRanges->Assign(AValue); }
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }

 private:
  TAlphaColor FColor = 0xFF808080;
  std::unique_ptr<TDWAnalogGaugeRanges> FRanges;
  std::unique_ptr<TKVElementSize> FWidth;
};

// One disc of the centre cap: diameter as a share of the dial size, and a colour (a colour with
// alpha 0 is not drawn).
class DW_API TDWAnalogGaugeCenterItem : public TKVBasicControlProperty {
  DW_CLASS(TDWAnalogGaugeCenterItem, TKVBasicControlProperty)
  TDWAnalogGaugeCenterItem(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize = 0,
                           TAlphaColor AColor = 0);

  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  // Colour and its streaming default together (constructor time, no notification).
  void SetColorDefault(TAlphaColor AValue) { FColor = FColorDefault = AValue; }
  TAlphaColor ColorDefault() const { return FColorDefault; }

 private:
  std::unique_ptr<TKVElementSize> FSize;
  TAlphaColor FColor = 0;
  TAlphaColor FColorDefault = 0;
};

// The centre of a dial: its offset from the middle of the control (shares of the dial size) and
// the two discs of the cap with the shadow under the lower one.
class DW_API TDWAnalogInstrumentCenter : public TKVBasicControlProperty {
  DW_CLASS(TDWAnalogInstrumentCenter, TKVBasicControlProperty)
  TDWAnalogInstrumentCenter(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);

  TKVElementOffsets& Position() { return *FPosition; }
  const TKVElementOffsets& Position() const { return *FPosition; }
  void SetPosition(const TKVElementOffsets& AValue) { FPosition->Assign(AValue); }
  TDWAnalogGaugeCenterItem& Bottom() { return *FBottom; }
  const TDWAnalogGaugeCenterItem& Bottom() const { return *FBottom; }
  void SetBottom(const TDWAnalogGaugeCenterItem& AValue) { FBottom->Assign(AValue); }
  TDWAnalogGaugeCenterItem& Top() { return *FTop; }
  const TDWAnalogGaugeCenterItem& Top() const { return *FTop; }
  void SetTop(const TDWAnalogGaugeCenterItem& AValue) { FTop->Assign(AValue); }
  TDWElementShadow& Shadow() { return *FShadow; }
  const TDWElementShadow& Shadow() const { return *FShadow; }
  void SetShadow(const TDWElementShadow& AValue) { FShadow->Assign(AValue); }

  // Draws the cap around the middle of the W x H area, offset by Position (resolved against the
  // dial size S). Disc sizes are resolved against S + 1. The graphics transform is restored.
  void Draw(gp::Graphics& AGraphics, float AS, float AW, float AH, bool AAntiAliased) const;

 private:
  std::unique_ptr<TKVElementOffsets> FPosition;
  std::unique_ptr<TDWAnalogGaugeCenterItem> FBottom;
  std::unique_ptr<TDWAnalogGaugeCenterItem> FTop;
  std::unique_ptr<TDWElementShadow> FShadow;
};

// Alpha of the cap shadow's middle colour for a bottom disc of the given size (share of the
// dial size): bigger discs cast darker shadows, up to 140.
DW_API uint8_t DWCenterShadowAlpha(float ABottomSize);

// Glass highlight settings; the colours go to the host gloss functions, Color first. A change
// also calls the change procedure the owner gave (AOnGlassChange), after the change callback.
class DW_API TDWGlass : public TRXControlProperty {
  DW_CLASS(TDWGlass, TRXControlProperty)
  TDWGlass(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, TChangeCallback AOnGlassChange = {});

  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { Setter(*this, "Visible", FVisible, AValue); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TAlphaColor LightColor() const { return FLightColor; }
  void SetLightColor(TAlphaColor AValue) { Setter(*this, "LightColor", FLightColor, AValue); }
  void DoChanged() override;
  // The gloss colours, Color first. The gloss gradient mixes colour channels unpremultiplied: a
  // fully transparent end would drag its black channels into the middle and darken the glass. A
  // transparent colour has no colour of its own, so it takes the other end's.
  void GlossColors(TAlphaColor& AColor, TAlphaColor& ALight) const;

 private:
  TChangeCallback FOnGlassChange;
  bool FVisible = true;
  TAlphaColor FColor = 0x00000000;
  TAlphaColor FLightColor = 0xAAFFFFFF;
};

// ---- border shapes ----

// The outline of a border shape filling ARect (corner: the rounded shapes' corner size, limited
// to the rectangle). Empty for an empty rectangle.
DW_API gp::GraphicsPath DWBorderShapePath(TKVBorderShape AShape, const gp::RectF& ARect, float ACorner);
// A lit frame of the shape kind, AWidth wide along the inside of ARect; an outer frame of a round
// shape is drawn as a globe ring.
DW_API void DWDrawShapeFrame(gp::Graphics& g, TKVBorderShape AShape, TAlphaColor ALight, TAlphaColor ADark,
                      const gp::RectF& ARect, float ACorner, float AWidth, bool AOuter);
// A border's ring along the inside of ARect: the outer bevel at the edge, the base band (Width,
// in the border's colour) inside it, the inner bevel inside that; widths are resolved against
// AReference.
DW_API void DWDrawBorderRing(gp::Graphics& g, const TKVBasicControlBorder& ABorder, TKVBorderShape AShape,
                             const gp::RectF& ARect, float ACorner, float AReference);
// The glass gloss of the shape kind over ARect.
DW_API void DWDrawShapeGloss(gp::Graphics& g, TKVBorderShape AShape, TAlphaColor AColor1, TAlphaColor AColor2,
                      const gp::RectF& ARect, float ACorner);

}  // namespace dw
