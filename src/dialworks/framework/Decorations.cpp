#include "dialworks/framework/Decorations.h"

#include "dialworks/draw/Shading.h"

namespace dw {

// ---- TKVControlBevel ----

TKVControlBevel::TKVControlBevel(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                                 TKVBevelStyle AStyle, float AWidth)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl), FStyle(AStyle), FStyleDefault(AStyle),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, AWidth)) {}

void TKVControlBevel::Tones(TAlphaColor ABase, TAlphaColor& ALight, TAlphaColor& ADark) const {
  TAlphaColor light = 0xFFFFFFFF, dark = RXDimColor(ABase, 0.65f);
  ALight = Raised() ? light : dark;
  ADark = Raised() ? dark : light;
}

DW_PROPERTIES(TKVControlBevel) {
  using C = TKVControlBevel;
  t.Enum("Style", &C::Style, &C::SetStyle, bvRaised).DefaultFrom(&C::StyleDefault);
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); });
}

// ---- borders ----

TKVBasicControlBorder::TKVBasicControlBorder(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.02f)),
      FOuter(std::make_unique<TKVControlBevel>([this] { DoChanged(); }, this, AControl, bvRaised, 0.03f)),
      FInner(std::make_unique<TKVControlBevel>([this] { DoChanged(); }, this, AControl, bvLowered, 0.03f)) {}

float TKVBasicControlBorder::Inset(float AReference) const {
  return FWidth->Get(AReference) + FOuter->WidthFor(AReference) + FInner->WidthFor(AReference);
}

DW_PROPERTIES(TKVBasicControlBorder) {
  using C = TKVBasicControlBorder;
  t.Color("Color", &C::Color, &C::SetColor, 0xFF808080).DefaultFrom(&C::ColorDefault);
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); });
  t.Object("OuterBevel", [](C& c) -> TKVControlBevel& { return c.OuterBevel(); });
  t.Object("InnerBevel", [](C& c) -> TKVControlBevel& { return c.InnerBevel(); });
}

TKVRectControlBorder::TKVRectControlBorder(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                                           TKVBorderShape AShape)
    : TKVBasicControlBorder(std::move(AOnChange), AOwner, AControl), FShape(AShape), FShapeDefault(AShape),
      FCornerSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.1f)) {}

DW_PROPERTIES(TKVRectControlBorder) {
  using C = TKVRectControlBorder;
  t.Enum("Shape", &C::Shape, &C::SetShape, bsRectangle).DefaultFrom(&C::ShapeDefault);
  t.Object("CornerSize", [](C& c) -> TKVElementSize& { return c.CornerSize(); });
}

TKVProportionalControlBorder::TKVProportionalControlBorder(TChangeCallback AOnChange, TPersistent* AOwner,
                                                           IKVControl* AControl)
    : TKVRectControlBorder(std::move(AOnChange), AOwner, AControl, bsEllipse) {}

DW_PROPERTIES(TKVProportionalControlBorder) {
  using C = TKVProportionalControlBorder;
  t.Bool("Square", &C::Square, &C::SetSquare, true).Doc("make the drawing area square");
}

// ---- background ----

TKVControlBackground::TKVControlBackground(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl) {}

void TKVControlBackground::Paint(gp::Graphics& AGraphics, const gp::RectF& ARect) const {
  if (GetAlpha(FColor) == 0 || !ARect.IsValid()) return;
  gp::SolidBrush brush(FColor);
  AGraphics.FillRectangle(brush, ARect);
}

DW_PROPERTIES(TKVControlBackground) {
  using C = TKVControlBackground;
  t.Color("Color", &C::Color, &C::SetColor, 0);
  t.Color("BlockColor", &C::BlockColor, &C::SetBlockColor, 0);
}

DW_PROPERTIES(TKVControlFont) {}

// ---- captions ----

TKVCaptionItem::TKVCaptionItem()
    : FFont(std::make_unique<TRXGPSimpleFont>([this] { DoChanged(); }, this, nullptr, 0.1f)),
      FPosition(std::make_unique<TKVElementOffsets>([this] { DoChanged(); }, this, nullptr, 0.0f, 0.5f)) {}

DW_PROPERTIES(TKVCaptionItem) {
  using C = TKVCaptionItem;
  t.String("Text", &C::Text, &C::SetText);
  t.Object("Font", [](C& c) -> TRXGPSimpleFont& { return c.Font(); });
  t.Object("Position", [](C& c) -> TKVElementOffsets& { return c.Position(); });
  t.Single("Angle", &C::Angle, &C::SetAngle, 0.0f).Doc("degrees");
}

TKVCaption::TKVCaption(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TRXControlProperty(std::move(AOnChange), AOwner, AControl),
      FFont(std::make_unique<TRXGPSimpleFont>([this] { DoChanged(); }, this, AControl, 0.1f)),
      FPosition(std::make_unique<TKVElementOffsets>([this] { DoChanged(); }, this, AControl, 0.0f, 0.5f)),
      FItems([this] { DoChanged(); }, this, AControl ? &AControl->ControlLock() : nullptr) {}

DW_PROPERTIES(TKVCaption) {
  using C = TKVCaption;
  t.String("Text", &C::Text, &C::SetText);
  t.Object("Font", [](C& c) -> TRXGPSimpleFont& { return c.Font(); });
  t.Object("Position", [](C& c) -> TKVElementOffsets& { return c.Position(); });
  t.Single("Angle", &C::Angle, &C::SetAngle, 0.0f).Doc("degrees");
  t.Collection("Items", [](C& c) -> TTypedCollection<TKVCaptionItem>& { return c.Items(); });
}

TKVVerticalCaption::TKVVerticalCaption(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVCaption(std::move(AOnChange), AOwner, AControl) {
  Position().SetValueDefaults(0.8f, 0.0f);
}

DW_PROPERTIES(TKVVerticalCaption) {}

}  // namespace dw
