#include "TestClasses.h"

#include "dialworks/draw/Brush.h"
#include "dialworks/host/Helpers.h"

namespace dwtest {

DW_PROPERTIES(TTestScale) {
  using C = TTestScale;
  t.Integer("Count", &C::Count, &C::SetCount, 10).Limit(0, 100);
  t.Enum("Style", &C::Style, &C::SetStyle, tsLine);
  t.Single("Angle", &C::Angle, &C::SetAngle, 0.0f).Fold(0, 360);
  t.Real("Step", &C::Step, &C::SetStep, 1.0).Refuse(0.5, 10);
  t.Color("Color", &C::Color, &C::SetColor, 0xFF000000);
  t.String("Caption", &C::Caption, &C::SetCaption);
  t.Cardinal("Digits", &C::Digits, &C::SetDigits, 2).Limit(0, 12);
}

DW_PROPERTIES(TTestRange) {
  t.Real("Start", &TTestRange::Start, &TTestRange::SetStart, 0.0);
  t.Color("Color", &TTestRange::Color, &TTestRange::SetColor, 0xFF00FF00);
}

TTestGauge::TTestGauge(TComponent* AOwner)
    : TKVBasicControl(AOwner),
      FScale(std::make_unique<TTestScale>([this] { InvalidateSize(); }, this, this)),
      FRanges([this] { InvalidateSize(); }, this, &ControlLock()),
      FElements(this),
      FInputPin(this, [this](TPXPin&, double v, double lo, double hi, bool range, bool) {
        if (range) {
          SetMin(lo);
          SetMax(hi);
        }
        SetValue(v);
      }) {
  ++Instances;
  ApplyDefaultSize();
}

void TTestGauge::SetValue(double AValue) {
  std::lock_guard guard(ControlLock());
  if (std::isnan(AValue)) return;
  RXMinMax(AValue, FMin, FMax, !IsLoading());
  if (Setter(*this, "Value", FValue, AValue, [this] { InvalidateValue(); })) UpdateEmbeddedValues();
}

void TTestGauge::Loaded() {
  TKVBasicControl::Loaded();
  ++LoadedCalls;
  ++TotalLoaded;
  RXMinMax(FValue, FMin, FMax, true);
}

void TTestGauge::IntDraw(gp::Graphics& AGraphics, const TDrawArea& A) {
  TKVBasicControl::IntDraw(AGraphics, A);
  TControlDrawLock lock(*this);
  if (!lock) return;
  ++Draws;
  gp::SolidBrush brush(FillColor);
  AGraphics.FillRectangle(brush, gp::RectF(0, 0, A.Width, A.Height));
  FElements.DrawElements(AGraphics, {A.Width / 2, A.Height / 2, A.Width, A.Height, A.OuterWidth, A.OuterHeight, A.Offscreen});
}

DW_PROPERTIES(TTestGauge) {
  using C = TTestGauge;
  t.Default("Width", 200);
  t.Default("Height", 150);
  t.Pin("InputPin", &C::InputPin);
  t.Real("Value", &C::Value, &C::SetValue, 0.0)
      .Stored([](const C& c) { return !c.InputPin().Connected(); })
      .LimitTo([](const C& c) { return std::pair(c.Min(), c.Max()); });
  t.Real("Min", &C::Min, &C::SetMin, 0.0).Stored([](const C& c) { return !c.InputPin().GetRangePopulated(); });
  t.Real("Max", &C::Max, &C::SetMax, 100.0).Stored([](const C& c) { return !c.InputPin().GetRangePopulated(); });
  t.Object("Scale", &C::Scale);
  t.Collection("Ranges", &C::Ranges);
  t.Collection("Elements", &C::Elements);
}

TTestHandElement::TTestHandElement(TComponent* AOwner)
    : TKVBasicControl(AOwner),
      FStatePin(this),
      FPosition(std::make_unique<TKVElementOffsets>([this] { Invalidate(); }, this, this, 0.0f, 0.6f)) {}

void TTestHandElement::Draw(gp::Graphics& AGraphics, const TRXElementArea&) {
  ++Draws;
  AGraphics.TranslateTransform(1, 1);  // the collection restores the state after each element
}

void TTestHandElement::SetListOwner(TRXComponentElements* AOwner) {
  ++ListOwnerChanges;
  if (!AOwner) FStatePin.DisconnectAll();
  TRXDrawComponentElement::SetListOwner(AOwner);
}

DW_PROPERTIES(TTestHandElement) {
  using C = TTestHandElement;
  t.Enum("Mode", &C::Mode, &C::SetMode, hmNormal);
  t.Pin("StatePin", &C::StatePin);
  t.Object("Position", &C::Position);
}

DW_PROPERTIES(TTestClockElement) {}

TTestDecorated::TTestDecorated(TComponent* AOwner)
    : TDWBasicRotatableControl(AOwner),
      FBorder(std::make_unique<TKVProportionalControlBorder>([this] { InvalidateSize(); }, this, this)),
      FRectBorder(std::make_unique<TKVRectControlBorder>([this] { InvalidateSize(); }, this, this, bsRoundRect)),
      FBackground(std::make_unique<TKVControlBackground>([this] { Invalidate(); }, this, this)),
      FCaption(std::make_unique<TKVCaption>([this] { Invalidate(); }, this, this)),
      FVerticalCaption(std::make_unique<TKVVerticalCaption>([this] { Invalidate(); }, this, this)),
      FFont(std::make_unique<TKVControlFont>([this] { Invalidate(); }, this, this)),
      FBrush(std::make_unique<TRXGPBrush>([this] { Invalidate(); }, this, this)),
      FPen(std::make_unique<TRXGPPen>([this] { Invalidate(); }, this, this, 0xFF0000FF, 2.0f)),
      FLabels(std::make_unique<TDWInstrumentTicksText>([this] { Invalidate(); }, this, this)),
      FColors([this] { Invalidate(); }, this, &ControlLock()),
      FCap(std::make_unique<TKVControlElement>([this] { Invalidate(); }, this, this, 0.1f)),
      FSize(std::make_unique<TKVElement2DSize>([this] { Invalidate(); }, this, this, 0.3f, 0.3f)),
      FFeature(std::make_unique<TEnabledPersistent>([this] { Invalidate(); }, this, &ControlLock(), false)) {
  // Owners change defaults at construction: these must be what the tables report.
  FBrush->SetColorDefault(0xFFFF0000);
  FLabels->SetVisibleDefault(false);
  FLabels->Position().SetValueDefault(0.85f);
  FLabels->Font().Size().SetValueDefault(0.065f);
  FBorder->OuterBevel().SetStyleDefault(bvNone);
  FCaption->Position().Y().SetValueDefault(0.7f);
}

DW_PROPERTIES(TTestDecorated) {
  using C = TTestDecorated;
  t.Object("Border", &C::Border);
  t.Object("RectBorder", &C::RectBorder);
  t.Object("Background", &C::Background);
  t.Object("Caption", &C::Caption);
  t.Object("VerticalCaption", &C::VerticalCaption);
  t.Object("Font", &C::Font);
  t.Object("Brush", &C::Brush);
  t.Object("Pen", &C::Pen);
  t.Object("Labels", &C::Labels);
  t.Collection("Colors", &C::Colors);
  t.Object("Cap", &C::Cap);
  t.Object("Size", &C::Size);
  t.Object("Feature", &C::Feature);
}

void TTestDotLayer::Render(uint32_t* ABuffer, int AWidth, int AHeight) {
  if (!Visible() || !ABuffer) return;
  int x = 0, y = 0;
  CellOrigin(AWidth, AHeight, x, y);
  if (x >= 0 && x < AWidth && y >= 0 && y < AHeight) ABuffer[y * AWidth + x] = FDotColor;
}

DW_PROPERTIES(TTestDotLayer) {
  t.Color("DotColor", &TTestDotLayer::DotColor, &TTestDotLayer::SetDotColor, 0xFFFFFFFF);
}

void RegisterTestClasses() {
  TRegistrationUnit unit("TestUnit");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  RegisterComponents("Test", {&TTestGauge::StaticClass()});
  RXRegisterAngularAnalogComponentElement(TTestHandElement::StaticClass(), "Hands");
  RXRegisterClockComponentElement(TTestClockElement::StaticClass(), "Clocks");
  RegisterClass(TTestRange::StaticClass());
  RegisterComponents("Test", {&TTestDecorated::StaticClass()});
  GroupDescendentsWith(TRXBasicMatrixElement::StaticClass(), TKVBasicControl::StaticClass());
  RXRegisterMatrixComponentElement(TTestDotLayer::StaticClass(), "Text");
}

}  // namespace dwtest
