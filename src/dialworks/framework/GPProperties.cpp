#include "dialworks/framework/GPProperties.h"

#include <algorithm>
#include <cmath>

namespace dw {

// ---- TRXGPBrush ----

TRXGPBrush::TRXGPBrush(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, TAlphaColor AColor)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl), FColor(AColor), FColorDefault(AColor) {}

std::unique_ptr<gp::Brush> TRXGPBrush::GetGPBrush(const gp::RectF& ARect) const {
  switch (FStyle) {
    case gbsClear:
      return std::make_unique<gp::SolidBrush>(MakeARGBColor(0, FColor));
    case gbsLinearGradient:
      if (!ARect.IsValid()) break;
      return std::make_unique<gp::LinearGradientBrush>(ARect, FColor, FEndColor, FGradientAngle);
    case gbsRadialGradient: {
      if (!ARect.IsValid()) break;
      gp::GraphicsPath path;
      path.AddEllipse(ARect);
      auto brush = std::make_unique<gp::PathGradientBrush>(path);
      brush->SetCenterColor(FColor);
      brush->SetSurroundColors(std::vector<TAlphaColor>{FEndColor});
      return brush;
    }
    case gbsSolid:
      break;
  }
  return std::make_unique<gp::SolidBrush>(FColor);
}

DW_PROPERTIES(TRXGPBrush) {
  using C = TRXGPBrush;
  t.Enum("Style", &C::Style, &C::SetStyle, gbsSolid);
  t.Color("Color", &C::Color, &C::SetColor, 0xFF000000).DefaultFrom(&C::ColorDefault);
  t.Color("EndColor", &C::EndColor, &C::SetEndColor, 0xFFFFFFFF).Doc("second colour of gradients");
  t.Single("GradientAngle", &C::GradientAngle, &C::SetGradientAngle, 90.0f).Fold(0, 360).Doc("degrees, clockwise");
}

// ---- TRXGPPen ----

TRXGPPen::TRXGPPen(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, TAlphaColor AColor,
                   float AWidth)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl), FColor(AColor), FColorDefault(AColor) {
  SetWidthDefault(AWidth);
}

void TRXGPPen::SetWidthDefault(float AValue) {
  if (!(AValue >= 0 && AValue <= MaxWidth)) AValue = 1;
  FWidth = FWidthDefault = AValue;
}

gp::Pen TRXGPPen::GetGPPen(float AWidthScale) const {
  float w = FWidth * AWidthScale;
  if (!(w >= 0 && std::isfinite(w))) w = 0;
  gp::Pen pen(FStyle == gpsClear ? MakeARGBColor(0, FColor) : FColor, w);
  switch (FStyle) {
    case gpsDash: pen.SetDashStyle(gp::DashStyleDash); break;
    case gpsDot: pen.SetDashStyle(gp::DashStyleDot); break;
    case gpsDashDot: pen.SetDashStyle(gp::DashStyleDashDot); break;
    case gpsDashDotDot: pen.SetDashStyle(gp::DashStyleDashDotDot); break;
    default: break;
  }
  return pen;
}

DW_PROPERTIES(TRXGPPen) {
  using C = TRXGPPen;
  t.Color("Color", &C::Color, &C::SetColor, 0xFF000000).DefaultFrom(&C::ColorDefault);
  t.Single("Width", &C::Width, &C::SetWidth, 1.0f).DefaultFrom(&C::WidthDefault).Limit(0, MaxWidth).Doc("pixels");
  t.Enum("Style", &C::Style, &C::SetStyle, gpsSolid);
}

// ---- fonts ----

TRXGPBasicFont::TRXGPBasicFont(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FBrush(std::make_unique<TRXGPBrush>([this] { DoChanged(); }, this, AControl, 0xFF000000)) {}

int TRXGPBasicFont::GPStyle() const {
  int style = gp::FontStyleRegular;
  if (FBold) style |= gp::FontStyleBold;
  if (FItalic) style |= gp::FontStyleItalic;
  if (FUnderline) style |= gp::FontStyleUnderline;
  if (FStrikeOut) style |= gp::FontStyleStrikeout;
  return style;
}

gp::FontFamily TRXGPBasicFont::Family() const {
  return FName.empty() ? gp::FontFamily::GenericSansSerif() : gp::FontFamily(FName);
}

gp::Font TRXGPBasicFont::GetGPFont(float ASize) const {
  if (!(ASize > 0 && std::isfinite(ASize))) ASize = 1;
  return gp::Font(Family(), ASize, GPStyle(), gp::UnitPoint);
}

DW_PROPERTIES(TRXGPBasicFont) {
  using C = TRXGPBasicFont;
  t.String("Name", &C::Name, &C::SetName, "DejaVu Sans").Doc("font family");
  t.Bool("Bold", &C::Bold, &C::SetBold, false);
  t.Bool("Italic", &C::Italic, &C::SetItalic, false);
  t.Bool("Underline", &C::Underline, &C::SetUnderline, false);
  t.Bool("StrikeOut", &C::StrikeOut, &C::SetStrikeOut, false);
  t.Object("Brush", [](C& c) -> TRXGPBrush& { return c.Brush(); });
}

TRXGPSimpleFont::TRXGPSimpleFont(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize)
    : TRXGPBasicFont(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, ASize)) {}

void TRXGPSimpleFont::AddText(gp::GraphicsPath& APath, const std::string& AText, gp::PointF AOrigin, float AEmSize,
                              const gp::StringFormat* AFormat) const {
  if (AText.empty() || !(AEmSize > 0 && std::isfinite(AEmSize)) || !AOrigin.IsFinite()) return;
  APath.AddString(AText, Family(), GPStyle(), AEmSize, AOrigin, AFormat);
}

void TRXGPSimpleFont::DrawOnGraphics(gp::Graphics& AGraphics, const gp::GraphicsPath& APath, float APenWidth) const {
  gp::RectF bounds = APath.GetBounds();
  std::unique_ptr<gp::Brush> brush = Brush().GetGPBrush(bounds);
  AGraphics.FillPath(*brush, APath);
  if (APenWidth > 0 && std::isfinite(APenWidth) && GetAlpha(FOutlineColor) != 0) {
    gp::Pen pen(FOutlineColor, APenWidth);
    AGraphics.DrawPath(pen, APath);
  }
}

DW_PROPERTIES(TRXGPSimpleFont) {
  using C = TRXGPSimpleFont;
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); });
  t.Bool("Outlined", &C::Outlined, &C::SetOutlined, false).Doc("draw the text as an outlined path");
  t.Color("OutlineColor", &C::OutlineColor, &C::SetOutlineColor, 0xFF000000);
}

// ---- TDWInstrumentTicksText ----

TDWInstrumentTicksText::TDWInstrumentTicksText(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVOptionalInstrumentProperty(std::move(AOnChange), AOwner, AControl),
      FPosition(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.8f)),
      FFont(std::make_unique<TRXGPSimpleFont>([this] { DoChanged(); }, this, AControl, 0.1f)) {}

DW_PROPERTIES(TDWInstrumentTicksText) {
  using C = TDWInstrumentTicksText;
  t.Object("Position", [](C& c) -> TKVElementSize& { return c.Position(); });
  t.Object("Font", [](C& c) -> TRXGPSimpleFont& { return c.Font(); });
  t.Single("Angle", &C::Angle, &C::SetAngle, 0.0f).Doc("degrees");
}

}  // namespace dw
