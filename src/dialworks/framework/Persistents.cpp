#include "dialworks/framework/Persistents.h"

namespace dw {

// ---- TLockPersistent ----

TLockPersistent::TLockPersistent(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock)
    : FOnChange(std::move(AOnChange)), FOwner(AOwner), FLock(ALock) {}

void TLockPersistent::DoChanged() {
  if (FOnChange) FOnChange();
}

DW_PROPERTIES(TLockPersistent) {}

// ---- TEnabledPersistent ----

TEnabledPersistent::TEnabledPersistent(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock,
                                       bool AEnabledDefault)
    : TLockPersistent(std::move(AOnChange), AOwner, ALock), FEnabled(AEnabledDefault), FEnabledDefault(AEnabledDefault) {}

DW_PROPERTIES(TEnabledPersistent) {
  t.Bool("Enabled", &TEnabledPersistent::Enabled, &TEnabledPersistent::SetEnabled, true)
      .DefaultFrom(&TEnabledPersistent::EnabledDefault);
}

// ---- TKVBasicControlProperty ----

TKVBasicControlProperty::TKVBasicControlProperty(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TLockPersistent(std::move(AOnChange), AOwner, AControl ? &AControl->ControlLock() : nullptr),
      FControl(AControl) {}

bool TKVBasicControlProperty::IsLoading() const {
  if (FControl) return FControl->IsLoading();
  return TLockPersistent::IsLoading();
}

DW_PROPERTIES(TKVBasicControlProperty) {}
DW_PROPERTIES(TRXControlProperty) {}

DW_PROPERTIES(TKVOptionalInstrumentProperty) {
  using C = TKVOptionalInstrumentProperty;
  t.Bool("Visible", &C::Visible, &C::SetVisible, true).DefaultFrom(&C::VisibleDefault);
}

// ---- TKVElementSize ----

TKVElementSize::TKVElementSize(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ADefault)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl) {
  SetValueDefault(ADefault);
}

void TKVElementSize::SetValueDefault(float AValue) {
  if (!(AValue >= -MaxMagnitude && AValue <= MaxMagnitude)) AValue = 0;
  FValue = FValueDefault = AValue;
}

DW_PROPERTIES(TKVElementSize) {
  using C = TKVElementSize;
  t.Single("Value", &C::Value, &C::SetValue, 0.0f)
      .DefaultFrom(&C::ValueDefault)
      .Limit(-MaxMagnitude, MaxMagnitude)
      .Doc("proportion of the reference length, or pixels when not Proportional");
  t.Bool("Proportional", &C::Proportional, &C::SetProportional, true);
}

// ---- pairs ----

TKVElementOffsets::TKVElementOffsets(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float AX,
                                     float AY)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FX(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, AX)),
      FY(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, AY)) {}

void TKVElementOffsets::SetValueDefaults(float AX, float AY) {
  FX->SetValueDefault(AX);
  FY->SetValueDefault(AY);
}

DW_PROPERTIES(TKVElementOffsets) {
  t.Object("X", [](TKVElementOffsets& o) -> TKVElementSize& { return o.X(); });
  t.Object("Y", [](TKVElementOffsets& o) -> TKVElementSize& { return o.Y(); });
}

TKVElement2DSize::TKVElement2DSize(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float AWidth,
                                   float AHeight)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, AWidth)),
      FHeight(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, AHeight)) {}

void TKVElement2DSize::SetValueDefaults(float AWidth, float AHeight) {
  FWidth->SetValueDefault(AWidth);
  FHeight->SetValueDefault(AHeight);
}

DW_PROPERTIES(TKVElement2DSize) {
  t.Object("Width", [](TKVElement2DSize& o) -> TKVElementSize& { return o.Width(); });
  t.Object("Height", [](TKVElement2DSize& o) -> TKVElementSize& { return o.Height(); });
}

TKVControlElement::TKVControlElement(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize)
    : TRXControlProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, ASize)) {}

DW_PROPERTIES(TKVControlElement) {
  t.Object("Size", [](TKVControlElement& o) -> TKVElementSize& { return o.Size(); });
}

}  // namespace dw
