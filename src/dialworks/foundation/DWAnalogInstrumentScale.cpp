#include "dialworks/foundation/DWAnalogInstrumentScale.h"

namespace dw {

DW_PROPERTIES(TDWScalePrecision) {
  using C = TDWScalePrecision;
  t.Cardinal("NumberDigits", &C::NumberDigits, &C::SetNumberDigits, 2)
      .DefaultFrom(&C::NumberDigitsDefault)
      .Limit(0, C::MaxDigits);
  t.Bool("FixedPrecision", &C::FixedPrecision, &C::SetFixedPrecision, true).DefaultFrom(&C::FixedPrecisionDefault);
}

TDWBasicScale::TDWBasicScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize)
    : TKVControlElement(std::move(AOnChange), AOwner, AControl, ASize),
      FPrecision(std::make_unique<TDWScalePrecision>([this] { DoChanged(); }, this, AControl)) {
  FPrecision->SetNumberDigitsDefault(2);
  FPrecision->SetFixedPrecisionDefault(false);
}

DW_PROPERTIES(TDWBasicScale) {
  t.Object("Precision", [](TDWBasicScale& c) -> TDWScalePrecision& { return c.Precision(); });
}

TDWInstrumentTicks::TDWInstrumentTicks(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                                       uint32_t ACountDefault)
    : TKVOptionalInstrumentProperty(std::move(AOnChange), AOwner, AControl),
      FThickness(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.0f)),
      FLength(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.02f)),
      FBrush(std::make_unique<TRXGPBrush>([this] { DoChanged(); }, this, AControl, 0xFF000000)) {
  SetCountDefault(ACountDefault);
}

DW_PROPERTIES(TDWInstrumentTicks) {
  using C = TDWInstrumentTicks;
  t.Object("Thickness", [](C& c) -> TKVElementSize& { return c.Thickness(); });
  t.Object("Length", [](C& c) -> TKVElementSize& { return c.Length(); });
  t.Cardinal("Count", &C::Count, &C::SetCount, 0).DefaultFrom(&C::CountDefault).Limit(0, kDWMaxTickSteps);
  t.Object("Brush", [](C& c) -> TRXGPBrush& { return c.Brush(); });
}

TDWLabeledInstrumentTicks::TDWLabeledInstrumentTicks(TChangeCallback AOnChange, TPersistent* AOwner,
                                                     IKVControl* AControl, uint32_t ACountDefault)
    : TDWInstrumentTicks(std::move(AOnChange), AOwner, AControl, ACountDefault),
      FLabels(std::make_unique<TDWInstrumentTicksText>([this] { DoChanged(); }, this, AControl)) {
  Length().SetValueDefault(0.05f);
}

DW_PROPERTIES(TDWLabeledInstrumentTicks) {
  t.Object("Labels", [](TDWLabeledInstrumentTicks& c) -> TDWInstrumentTicksText& { return c.Labels(); });
}

TDWInstrumentEndTick::TDWInstrumentEndTick(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVOptionalInstrumentProperty(std::move(AOnChange), AOwner, AControl),
      FTickLabel(std::make_unique<TKVOptionalInstrumentProperty>([this] { DoChanged(); }, this, AControl)) {}

DW_PROPERTIES(TDWInstrumentEndTick) {
  t.Object("TickLabel", [](TDWInstrumentEndTick& c) -> TKVOptionalInstrumentProperty& { return c.TickLabel(); });
}

TDWInstrumentMajorTicks::TDWInstrumentMajorTicks(TChangeCallback AOnChange, TPersistent* AOwner,
                                                 IKVControl* AControl, uint32_t ACountDefault)
    : TDWLabeledInstrumentTicks(std::move(AOnChange), AOwner, AControl, ACountDefault),
      FMinTick(std::make_unique<TDWInstrumentEndTick>([this] { DoChanged(); }, this, AControl)),
      FMaxTick(std::make_unique<TDWInstrumentEndTick>([this] { DoChanged(); }, this, AControl)) {}

DW_PROPERTIES(TDWInstrumentMajorTicks) {
  using C = TDWInstrumentMajorTicks;
  t.Object("MinTick", [](C& c) -> TDWInstrumentEndTick& { return c.MinTick(); });
  t.Object("MaxTick", [](C& c) -> TDWInstrumentEndTick& { return c.MaxTick(); });
}

TDWBasicGaugeScale::TDWBasicGaugeScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                                       float ASize)
    : TDWBasicScale(std::move(AOnChange), AOwner, AControl, ASize),
      FMajorTicks(std::make_unique<TDWInstrumentMajorTicks>([this] { DoChanged(); }, this, AControl, 11)),
      FMinorTicks(std::make_unique<TDWLabeledInstrumentTicks>([this] { DoChanged(); }, this, AControl, 4)) {
  FMajorTicks->Length().SetValueDefault(0.05f);
  FMajorTicks->Thickness().SetValueDefault(0.02f);
  FMinorTicks->Length().SetValueDefault(0.02f);
  FMinorTicks->Thickness().SetValueDefault(0.01f);
  FMinorTicks->Labels().SetVisibleDefault(false);
  FMinorTicks->Labels().Position().SetValueDefault(0.85f);
  FMinorTicks->Labels().Font().Size().SetValueDefault(0.065f);
}

DW_PROPERTIES(TDWBasicGaugeScale) {
  using C = TDWBasicGaugeScale;
  t.Object("MajorTicks", [](C& c) -> TDWInstrumentMajorTicks& { return c.MajorTicks(); });
  t.Object("MinorTicks", [](C& c) -> TDWLabeledInstrumentTicks& { return c.MinorTicks(); });
}

TDWTickListSettings TDWBasicGaugeScale::TickListSettings() const {
  TDWTickListSettings s;
  s.MajorCount = FMajorTicks->Count();
  s.MinorCount = FMinorTicks->Count();
  s.MajorVisible = FMajorTicks->Visible();
  s.MajorLabels = FMajorTicks->Labels().Visible();
  s.MinTickVisible = FMajorTicks->MinTick().Visible();
  s.MinTickLabel = FMajorTicks->MinTick().TickLabel().Visible();
  s.MaxTickVisible = FMajorTicks->MaxTick().Visible();
  s.MaxTickLabel = FMajorTicks->MaxTick().TickLabel().Visible();
  s.MinorVisible = FMinorTicks->Visible();
  s.MinorLabels = FMinorTicks->Labels().Visible();
  s.Reversed = false;
  s.FixedPrecision = Precision().FixedPrecision();
  s.NumberDigits = Precision().NumberDigits();
  return s;
}

DW_PROPERTIES(TDWReversibleGaugeScale) {
  t.Bool("Reversed", &TDWReversibleGaugeScale::Reversed, &TDWReversibleGaugeScale::SetReversed, false);
}

TDWTickListSettings TDWReversibleGaugeScale::TickListSettings() const {
  TDWTickListSettings s = TDWBasicGaugeScale::TickListSettings();
  s.Reversed = FReversed;
  return s;
}

}  // namespace dw
