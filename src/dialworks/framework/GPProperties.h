// Drawing property objects: brush, pen and font settings that instruments turn into gp:: objects
// when they draw, and the label object of scale ticks.
#pragma once

#include <memory>
#include <string>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Font.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/draw/Path.h"
#include "dialworks/framework/Persistents.h"

namespace dw {

// How a brush property paints: one colour; a linear gradient from Color to EndColor at
// GradientAngle (degrees, clockwise on screen, 0 = left to right); a radial gradient from Color
// in the centre of the rectangle's ellipse to EndColor at its edge; nothing.
enum TRXGPBrushStyle : uint8_t { gbsSolid, gbsLinearGradient, gbsRadialGradient, gbsClear };
DW_ENUM(TRXGPBrushStyle, "gbsSolid", "gbsLinearGradient", "gbsRadialGradient", "gbsClear")

// Brush settings. Fields: Style (gbsSolid), Color (0xFF000000 unless SetColorDefault), EndColor
// (0xFFFFFFFF), GradientAngle (90, folded into 0..360).
class DW_API TRXGPBrush : public TKVBasicControlProperty {
  DW_CLASS(TRXGPBrush, TKVBasicControlProperty)
  TRXGPBrush(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, TAlphaColor AColor = 0xFF000000);

  TRXGPBrushStyle Style() const { return FStyle; }
  void SetStyle(TRXGPBrushStyle AValue) { Setter(*this, "Style", FStyle, AValue); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TAlphaColor EndColor() const { return FEndColor; }
  void SetEndColor(TAlphaColor AValue) { Setter(*this, "EndColor", FEndColor, AValue); }
  float GradientAngle() const { return FGradientAngle; }
  void SetGradientAngle(float AValue) { SetterFold(*this, "GradientAngle", FGradientAngle, AValue, 0.0f, 360.0f); }
  // Sets Color and its streaming default (constructor-time, no notification).
  void SetColorDefault(TAlphaColor AValue) { FColor = FColorDefault = AValue; }
  TAlphaColor ColorDefault() const { return FColorDefault; }

  // The brush laid out over ARect. Gradients over an empty or non-finite rectangle, which have no
  // extent to spread over, give a solid brush of Color.
  std::unique_ptr<gp::Brush> GetGPBrush(const gp::RectF& ARect) const;

 private:
  TRXGPBrushStyle FStyle = gbsSolid;
  TAlphaColor FColor, FColorDefault;
  TAlphaColor FEndColor = 0xFFFFFFFF;
  float FGradientAngle = 90;
};

enum TRXGPPenStyle : uint8_t { gpsSolid, gpsDash, gpsDot, gpsDashDot, gpsDashDotDot, gpsClear };
DW_ENUM(TRXGPPenStyle, "gpsSolid", "gpsDash", "gpsDot", "gpsDashDot", "gpsDashDotDot", "gpsClear")

// Pen settings: Color (0xFF000000 unless SetColorDefault), Width (pixels, 1, limited to
// 0..MaxWidth), Style (gpsSolid; gpsClear draws nothing).
class DW_API TRXGPPen : public TKVBasicControlProperty {
  DW_CLASS(TRXGPPen, TKVBasicControlProperty)
  static constexpr float MaxWidth = 10000;
  TRXGPPen(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, TAlphaColor AColor = 0xFF000000,
           float AWidth = 1);

  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  float Width() const { return FWidth; }
  void SetWidth(float AValue) { SetterMinMax(*this, "Width", FWidth, AValue, 0.0f, MaxWidth); }
  TRXGPPenStyle Style() const { return FStyle; }
  void SetStyle(TRXGPPenStyle AValue) { Setter(*this, "Style", FStyle, AValue); }
  void SetColorDefault(TAlphaColor AValue) { FColor = FColorDefault = AValue; }
  TAlphaColor ColorDefault() const { return FColorDefault; }
  void SetWidthDefault(float AValue);
  float WidthDefault() const { return FWidthDefault; }
  // Whether the pen draws anything (visible style, positive width, some alpha).
  bool Draws() const { return FStyle != gpsClear && FWidth > 0 && GetAlpha(FColor) != 0; }

  // The pen, optionally with its width scaled (ticks are stroked at a width relative to a length).
  gp::Pen GetGPPen(float AWidthScale = 1) const;

 private:
  TAlphaColor FColor, FColorDefault;
  float FWidth, FWidthDefault;
  TRXGPPenStyle FStyle = gpsSolid;
};

// Font settings shared by the font objects: Name (family, "DejaVu Sans"), Bold, Italic,
// Underline, StrikeOut, and Brush (the text's paint, solid black by default).
class DW_API TRXGPBasicFont : public TKVBasicControlProperty {
  DW_CLASS(TRXGPBasicFont, TKVBasicControlProperty)
  TRXGPBasicFont(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);

  const std::string& Name() const { return FName; }
  void SetName(const std::string& AValue) { Setter(*this, "Name", FName, AValue); }
  bool Bold() const { return FBold; }
  void SetBold(bool AValue) { Setter(*this, "Bold", FBold, AValue); }
  bool Italic() const { return FItalic; }
  void SetItalic(bool AValue) { Setter(*this, "Italic", FItalic, AValue); }
  bool Underline() const { return FUnderline; }
  void SetUnderline(bool AValue) { Setter(*this, "Underline", FUnderline, AValue); }
  bool StrikeOut() const { return FStrikeOut; }
  void SetStrikeOut(bool AValue) { Setter(*this, "StrikeOut", FStrikeOut, AValue); }
  TRXGPBrush& Brush() { return *FBrush; }
  const TRXGPBrush& Brush() const { return *FBrush; }
  void SetBrush(const TRXGPBrush& AValue) { FBrush->Assign(AValue); }

  // The gp:: style set and family; an empty name gives the default family.
  int GPStyle() const;
  gp::FontFamily Family() const;
  // A font of this family and style at ASize points (non-positive or NaN sizes give 1 point).
  gp::Font GetGPFont(float ASize) const;

 private:
  std::string FName = "DejaVu Sans";
  bool FBold = false, FItalic = false, FUnderline = false, FStrikeOut = false;
  std::unique_ptr<TRXGPBrush> FBrush;
};

// A font with a proportional Size (resolved against a reference length of the instrument) and
// the outlined-text switch: Outlined text is drawn as a path, filled with the brush and outlined
// with OutlineColor (0xFF000000).
class DW_API TRXGPSimpleFont : public TRXGPBasicFont {
  DW_CLASS(TRXGPSimpleFont, TRXGPBasicFont)
  TRXGPSimpleFont(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize = 0.1f);

  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }
  bool Outlined() const { return FOutlined; }
  void SetOutlined(bool AValue) { Setter(*this, "Outlined", FOutlined, AValue); }
  TAlphaColor OutlineColor() const { return FOutlineColor; }
  void SetOutlineColor(TAlphaColor AValue) { Setter(*this, "OutlineColor", FOutlineColor, AValue); }

  // The font at Size resolved against AReference, in points.
  gp::Font GetGPFontFor(float AReference) const { return GetGPFont(FSize->Get(AReference)); }
  // Adds AText to APath as outlines (em size in pixels) in this font's family and style.
  void AddText(gp::GraphicsPath& APath, const std::string& AText, gp::PointF AOrigin, float AEmSize,
               const gp::StringFormat* AFormat = nullptr) const;
  // Draws text prepared in a path: filled with the brush laid out over the path's bounds, then
  // outlined with a pen of OutlineColor and APenWidth pixels (no outline for a non-positive or
  // NaN width).
  void DrawOnGraphics(gp::Graphics& AGraphics, const gp::GraphicsPath& APath, float APenWidth) const;

 private:
  std::unique_ptr<TKVElementSize> FSize;
  bool FOutlined = false;
  TAlphaColor FOutlineColor = 0xFF000000;
};

// Tick labels of a scale (the sibling package's base): Visible, Position (a proportion of the
// scale radius or extent, 0.8), Font (TRXGPSimpleFont, size 0.1) and Angle (degrees applied to
// each label, any finite value, 0). Owners change the defaults with SetVisibleDefault,
// Position().SetValueDefault and Font().Size().SetValueDefault.
class DW_API TDWInstrumentTicksText : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWInstrumentTicksText, TKVOptionalInstrumentProperty)
  TDWInstrumentTicksText(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);

  TKVElementSize& Position() { return *FPosition; }
  const TKVElementSize& Position() const { return *FPosition; }
  void SetPosition(const TKVElementSize& AValue) { FPosition->Assign(AValue); }
  TRXGPSimpleFont& Font() { return *FFont; }
  const TRXGPSimpleFont& Font() const { return *FFont; }
  void SetFont(const TRXGPSimpleFont& AValue) { FFont->Assign(AValue); }
  float Angle() const { return FAngle; }
  void SetAngle(float AValue) { Setter(*this, "Angle", FAngle, AValue); }

 private:
  std::unique_ptr<TKVElementSize> FPosition;
  std::unique_ptr<TRXGPSimpleFont> FFont;
  float FAngle = 0;
};

}  // namespace dw
