// Borders, bevels, background, captions and the control font: the decoration property objects
// of standalone controls and dials. All lengths are TKVElementSize proportions of a reference
// length the drawing code passes (the dial size, the shorter side of a bar, ...).
#pragma once

#include <memory>
#include <string>

#include "dialworks/Export.h"
#include "dialworks/framework/Collection.h"
#include "dialworks/framework/GPProperties.h"
#include "dialworks/framework/Persistents.h"

namespace dw {

// Outline shapes, in this order (values 0..4).
enum TKVBorderShape : uint8_t { bsEllipse, bsRectangle, bsRoundRect, bsDiamond, bsRoundDiamond };
DW_ENUM(TKVBorderShape, "bsEllipse", "bsRectangle", "bsRoundRect", "bsDiamond", "bsRoundDiamond")

// Bevel styles: 0 none (takes no room, not drawn), 1 raised, anything else sunken.
enum TKVBevelStyle : uint8_t { bvNone, bvRaised, bvLowered };
DW_ENUM(TKVBevelStyle, "bvNone", "bvRaised", "bvLowered")

// One band or bevel of a frame: Style (bvRaised unless given) and Width (0.03 unless given).
class DW_API TKVControlBevel : public TKVBasicControlProperty {
  DW_CLASS(TKVControlBevel, TKVBasicControlProperty)
  TKVControlBevel(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                  TKVBevelStyle AStyle = bvRaised, float AWidth = 0.03f);
  TKVBevelStyle Style() const { return FStyle; }
  void SetStyle(TKVBevelStyle AValue) { Setter(*this, "Style", FStyle, AValue); }
  void SetStyleDefault(TKVBevelStyle AValue) { FStyle = FStyleDefault = AValue; }
  TKVBevelStyle StyleDefault() const { return FStyleDefault; }
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  // A bevel of style none takes no room.
  bool Visible() const { return FStyle != bvNone; }
  float WidthFor(float AReference) const { return Visible() ? FWidth->Get(AReference) : 0.0f; }
  bool Raised() const { return FStyle == bvRaised; }
  // The two tones of the 3D look: raised gives (light, dark) = (white, the colour dimmed to 0.65),
  // sunken swaps them.
  void Tones(TAlphaColor ABase, TAlphaColor& ALight, TAlphaColor& ADark) const;

 private:
  TKVBevelStyle FStyle, FStyleDefault;
  std::unique_ptr<TKVElementSize> FWidth;
};

// A frame: Color (0xFF808080), base Width (0.02) and two bands, OuterBevel (raised, 0.03) and
// InnerBevel (sunken, 0.03).
class DW_API TKVBasicControlBorder : public TKVBasicControlProperty {
  DW_CLASS(TKVBasicControlBorder, TKVBasicControlProperty)
  TKVBasicControlBorder(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  void SetColorDefault(TAlphaColor AValue) { FColor = FColorDefault = AValue; }
  TAlphaColor ColorDefault() const { return FColorDefault; }
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  TKVControlBevel& OuterBevel() { return *FOuter; }
  const TKVControlBevel& OuterBevel() const { return *FOuter; }
  void SetOuterBevel(const TKVControlBevel& AValue) { FOuter->Assign(AValue); }
  TKVControlBevel& InnerBevel() { return *FInner; }
  const TKVControlBevel& InnerBevel() const { return *FInner; }
  void SetInnerBevel(const TKVControlBevel& AValue) { FInner->Assign(AValue); }
  // Base width plus the widths of the visible bands, resolved against AReference.
  float Inset(float AReference) const;

 private:
  TAlphaColor FColor = 0xFF808080, FColorDefault = 0xFF808080;
  std::unique_ptr<TKVElementSize> FWidth;
  std::unique_ptr<TKVControlBevel> FOuter, FInner;
};

// Adds the outline Shape (bsRectangle unless given) and CornerSize (0.1) for rounded shapes.
class DW_API TKVRectControlBorder : public TKVBasicControlBorder {
  DW_CLASS(TKVRectControlBorder, TKVBasicControlBorder)
  TKVRectControlBorder(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                       TKVBorderShape AShape = bsRectangle);
  TKVBorderShape Shape() const { return FShape; }
  void SetShape(TKVBorderShape AValue) { Setter(*this, "Shape", FShape, AValue); }
  void SetShapeDefault(TKVBorderShape AValue) { FShape = FShapeDefault = AValue; }
  TKVBorderShape ShapeDefault() const { return FShapeDefault; }
  TKVElementSize& CornerSize() { return *FCornerSize; }
  const TKVElementSize& CornerSize() const { return *FCornerSize; }
  void SetCornerSize(const TKVElementSize& AValue) { FCornerSize->Assign(AValue); }

 private:
  TKVBorderShape FShape, FShapeDefault;
  std::unique_ptr<TKVElementSize> FCornerSize;
};

// The border of dials: shape bsEllipse by default, and Square (true): the drawing area is made
// square (min(W, H)) so that a round dial stays round.
class DW_API TKVProportionalControlBorder : public TKVRectControlBorder {
  DW_CLASS(TKVProportionalControlBorder, TKVRectControlBorder)
  TKVProportionalControlBorder(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  bool Square() const { return FSquare; }
  void SetSquare(bool AValue) { Setter(*this, "Square", FSquare, AValue); }

 private:
  bool FSquare = true;
};

// Background of a standalone control: Color (0x00000000, transparent: the parent shows through)
// and BlockColor (0x00000000, the unlit blocks of block displays). Painted only when the control
// is not drawn as a layer or element.
class DW_API TKVControlBackground : public TKVBasicControlProperty {
  DW_CLASS(TKVControlBackground, TKVBasicControlProperty)
  TKVControlBackground(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TAlphaColor BlockColor() const { return FBlockColor; }
  void SetBlockColor(TAlphaColor AValue) { Setter(*this, "BlockColor", FBlockColor, AValue); }
  // Fills ARect with Color when it is not fully transparent.
  void Paint(gp::Graphics& AGraphics, const gp::RectF& ARect) const;

 private:
  TAlphaColor FColor = 0, FBlockColor = 0;
};

// The text font of text displays: a TRXGPSimpleFont (name, style, brush, proportional size,
// Outlined) whose Color is its brush's colour.
class DW_API TKVControlFont : public TRXGPSimpleFont {
  DW_CLASS(TKVControlFont, TRXGPSimpleFont)
  TKVControlFont(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize = 0.5f)
      : TRXGPSimpleFont(std::move(AOnChange), AOwner, AControl, ASize) {}
  TAlphaColor Color() const { return Brush().Color(); }
  void SetColor(TAlphaColor AValue) { Brush().SetColor(AValue); }
};

// The settings shared by a caption and its further items: Text, Font (size 0.1), Position
// (offsets X 0, Y 0.5 from the centre, in units of the half extents) and Angle (degrees).
class DW_API TKVCaptionItem : public TLockCollectionItem {
  DW_CLASS(TKVCaptionItem, TLockCollectionItem)
  TKVCaptionItem();
  const std::string& Text() const { return FText; }
  void SetText(const std::string& AValue) { Setter(*this, "Text", FText, AValue); }
  TRXGPSimpleFont& Font() { return *FFont; }
  const TRXGPSimpleFont& Font() const { return *FFont; }
  void SetFont(const TRXGPSimpleFont& AValue) { FFont->Assign(AValue); }
  TKVElementOffsets& Position() { return *FPosition; }
  const TKVElementOffsets& Position() const { return *FPosition; }
  void SetPosition(const TKVElementOffsets& AValue) { FPosition->Assign(AValue); }
  float Angle() const { return FAngle; }
  void SetAngle(float AValue) { Setter(*this, "Angle", FAngle, AValue); }

 private:
  std::string FText;
  std::unique_ptr<TRXGPSimpleFont> FFont;
  std::unique_ptr<TKVElementOffsets> FPosition;
  float FAngle = 0;
};

// Caption of an instrument: Text, Font, Position, Angle and Items, further caption items drawn
// the same way. Drawn only when the text is not empty.
class DW_API TKVCaption : public TRXControlProperty {
  DW_CLASS(TKVCaption, TRXControlProperty)
  TKVCaption(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  const std::string& Text() const { return FText; }
  void SetText(const std::string& AValue) { Setter(*this, "Text", FText, AValue); }
  std::string GetText() const { return FText; }
  TRXGPSimpleFont& Font() { return *FFont; }
  const TRXGPSimpleFont& Font() const { return *FFont; }
  void SetFont(const TRXGPSimpleFont& AValue) { FFont->Assign(AValue); }
  TKVElementOffsets& Position() { return *FPosition; }
  const TKVElementOffsets& Position() const { return *FPosition; }
  void SetPosition(const TKVElementOffsets& AValue) { FPosition->Assign(AValue); }
  float Angle() const { return FAngle; }
  void SetAngle(float AValue) { Setter(*this, "Angle", FAngle, AValue); }
  TTypedCollection<TKVCaptionItem>& Items() { return FItems; }
  const TTypedCollection<TKVCaptionItem>& Items() const { return FItems; }

 private:
  std::string FText;
  std::unique_ptr<TRXGPSimpleFont> FFont;
  std::unique_ptr<TKVElementOffsets> FPosition;
  float FAngle = 0;
  TTypedCollection<TKVCaptionItem> FItems;
};

// The caption of upright (linear) instruments: the same settings, position X 0.8, Y 0.
class DW_API TKVVerticalCaption : public TKVCaption {
  DW_CLASS(TKVVerticalCaption, TKVCaption)
  TKVVerticalCaption(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
};

}  // namespace dw
