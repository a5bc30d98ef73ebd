#include "FoundationTestClasses.h"

#include "dialworks/draw/Brush.h"

namespace dwtest {

TTestDialBasic::TTestDialBasic(TComponent* AOwner)
    : TDWBasicMinMaxInstrument(AOwner),
      FHand(std::make_unique<TDWAngularHand>([this] { Invalidate(); }, this, this)),
      FCenter(std::make_unique<TDWAnalogInstrumentCenter>([this] { InvalidateRange(); }, this, this)),
      FRanges(std::make_unique<TDWAnalogGaugeScaleRanges>([this] { InvalidateRange(); }, this, this, 0.3f)),
      FGlass(std::make_unique<TDWGlass>([this] { InvalidateRange(); }, this, this)),
      FScale(std::make_unique<TDWReversibleGaugeScale>([this] { InvalidateRange(); }, this, this, 0.9f)),
      FElements(this) {}

DW_PROPERTIES(TTestDialBasic) {
  using C = TTestDialBasic;
  t.Object("Hand", &C::Hand);
  t.Object("Center", &C::Center);
  t.Object("Ranges", &C::Ranges);
  t.Object("Glass", &C::Glass);
  t.Object("Scale", &C::Scale);
  t.Bool("Square", &C::Square, &C::SetSquare, false);
  t.Collection("Elements", &C::Elements);
}

void TTestDialBasic::InvalidateValue() {
  ++ValueInvalidations;
  UpdateEmbeddedValues();
  TDWBasicMinMaxInstrument::InvalidateValue();
}

void TTestDialBasic::InvalidateRange() {
  ++RangeInvalidations;
  UpdateEmbeddedValues();
  TDWBasicMinMaxInstrument::InvalidateRange();
}

void TTestDialBasic::InvalidateSize() {
  ++SizeInvalidations;
  FHand->DoInvalidateResources();
  TDWBasicMinMaxInstrument::InvalidateSize();
}

void TTestDialBasic::IntDraw(gp::Graphics& g, const TDrawArea& A) {
  TDWBasicMinMaxInstrument::IntDraw(g, A);
  TControlDrawLock lock(*this);
  if (!lock) return;
  ++Draws;
  LastWidth = A.Width;
  LastHeight = A.Height;
  LastEmbedded = A.Embedded;
  g.FillRectangle(gp::SolidBrush(0xFF0000FF), gp::RectF(0, 0, A.Width, A.Height));
  FElements.DrawElements(g, {A.Width / 2, A.Height / 2, A.Width, A.Height, A.OuterWidth, A.OuterHeight, A.Offscreen});
}

DW_PROPERTIES(TTestDialExternal) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TTestDial) {
  DWDeclareBackgroundProperty(t);
  DWDeclareTabStopProperty(t);
}
DW_PROPERTIES(TTestDialLayer) {}
DW_PROPERTIES(TTestDialBasicElement) {}
DW_PROPERTIES(TTestDialElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TExternalTestDialElement) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TExternalTestDialMatrixLayer) {}
DW_PROPERTIES(TExternalTestDialMatrixElement) {}
DW_PROPERTIES(TTestMatrixHost) {}

void RegisterTestDial() {
  TRegistrationUnit unit("TestDial");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TTestDial::StaticClass(),
                                .Layer = &TTestDialLayer::StaticClass(),
                                .Category = "Gauges",
                                .MirroringElement = &TTestDialElement::StaticClass(),
                                .ExternalElement = &TExternalTestDialElement::StaticClass(),
                                .MatrixLayer = &TExternalTestDialMatrixLayer::StaticClass(),
                                .MatrixCategory = "Indicators",
                                .StreamingOnly = {&TExternalTestDialMatrixElement::StaticClass()}});
  RegisterClass(TDWMinMaxInstrument::StaticClass());
}

}  // namespace dwtest
