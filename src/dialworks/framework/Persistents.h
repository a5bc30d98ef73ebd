// Nested property objects: the bases every property object of the library derives from, and the
// proportional sizes instruments lay themselves out with.
//
// A nested object is created by its owner in the owner's constructor with a change callback (what
// the owner does when a setting changes: usually one of the control's redraw requests), the owner
// and the owning control (through which it reaches the control lock and the loading state):
//
//   FScale = std::make_unique<TMyScale>([this] { InvalidateSize(); }, this, this);
//
// The owner keeps ownership; SetScale(const TMyScale&) copies settings with Assign.
#pragma once

#include <memory>
#include <mutex>

#include "dialworks/Export.h"
#include "dialworks/framework/ChangeNotify.h"
#include "dialworks/framework/PropertyTable.h"

namespace dw {

// A persistent object with change notification: setters assign under ALock and fire AOnChange.
class DW_API TLockPersistent : public TPersistent {
  DW_CLASS(TLockPersistent, TPersistent)
  TLockPersistent(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock);

  TPersistent* Owner() const { return FOwner; }
  // The lock given at construction, else the owner's (objects nested in collection items).
  TControlMutex* ChangeLock() const override { return FLock ? FLock : FOwner ? FOwner->ChangeLock() : nullptr; }
  void DoChanged() override;
  bool IsLoading() const override { return FOwner && FOwner->IsLoading(); }
  void SetOnChange(TChangeCallback AOnChange) { FOnChange = std::move(AOnChange); }

 protected:
  TChangeCallback FOnChange;
  TPersistent* FOwner;
  TControlMutex* FLock;
};

// Adds Enabled (Boolean; default given at construction, true unless stated).
class DW_API TEnabledPersistent : public TLockPersistent {
  DW_CLASS(TEnabledPersistent, TLockPersistent)
  TEnabledPersistent(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock,
                     bool AEnabledDefault = true);
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool AValue) { Setter(*this, "Enabled", FEnabled, AValue); }
  bool EnabledDefault() const { return FEnabledDefault; }

 protected:
  bool FEnabled;
  bool FEnabledDefault;
};

// Nested property object of a control: created with a change callback, its owner and the
// owning control's interface (the control lock for change-notifying assignment, the loading
// state). A null control is allowed (no lock; never loading).
class DW_API TKVBasicControlProperty : public TLockPersistent {
  DW_CLASS(TKVBasicControlProperty, TLockPersistent)
  TKVBasicControlProperty(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  IKVControl* Control() const { return FControl; }
  bool IsLoading() const override;

 protected:
  IKVControl* FControl;
};

class DW_API TRXControlProperty : public TKVBasicControlProperty {
  DW_CLASS(TRXControlProperty, TKVBasicControlProperty)
  using TKVBasicControlProperty::TKVBasicControlProperty;
};

// Adds Visible: default true unless SetVisibleDefault changes it; streamed only when it differs.
class DW_API TKVOptionalInstrumentProperty : public TRXControlProperty {
  DW_CLASS(TKVOptionalInstrumentProperty, TRXControlProperty)
  using TRXControlProperty::TRXControlProperty;
  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { Setter(*this, "Visible", FVisible, AValue); }
  // Sets Visible and its streaming default (no notification: constructor-time setting).
  void SetVisibleDefault(bool AValue) { FVisible = FVisibleDefault = AValue; }
  bool VisibleDefault() const { return FVisibleDefault; }

 protected:
  bool FVisible = true;
  bool FVisibleDefault = true;
};

// One size, either a proportion of a reference length (Proportional, the default) or absolute
// pixels. Get(reference) = Value × reference, or Value when absolute. Value: Single, limited to
// ±1e6 (NaN refused); its default is set at run time by SetValueDefault.
class DW_API TKVElementSize : public TKVBasicControlProperty {
  DW_CLASS(TKVElementSize, TKVBasicControlProperty)
  static constexpr float MaxMagnitude = 1e6f;
  TKVElementSize(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ADefault = 0);

  float Value() const { return FValue; }
  void SetValue(float AValue) { SetterMinMax(*this, "Value", FValue, AValue, -MaxMagnitude, MaxMagnitude); }
  bool Proportional() const { return FProportional; }
  void SetProportional(bool AValue) { Setter(*this, "Proportional", FProportional, AValue); }
  // Sets the value and its streaming default (no notification).
  void SetValueDefault(float AValue);
  float ValueDefault() const { return FValueDefault; }
  float Get(float AReference) const { return FProportional ? FValue * AReference : FValue; }

 protected:
  float FValue;
  float FValueDefault;
  bool FProportional = true;
};

// A pair of sizes: X, Y (offsets from a centre, in units of the host's half extents).
class DW_API TKVElementOffsets : public TKVBasicControlProperty {
  DW_CLASS(TKVElementOffsets, TKVBasicControlProperty)
  TKVElementOffsets(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float AX = 0,
                    float AY = 0);
  TKVElementSize& X() { return *FX; }
  const TKVElementSize& X() const { return *FX; }
  TKVElementSize& Y() { return *FY; }
  const TKVElementSize& Y() const { return *FY; }
  void SetX(const TKVElementSize& AValue) { FX->Assign(AValue); }
  void SetY(const TKVElementSize& AValue) { FY->Assign(AValue); }
  // Both defaults at once (constructor-time, no notification).
  void SetValueDefaults(float AX, float AY);

 private:
  std::unique_ptr<TKVElementSize> FX, FY;
};

// A pair of sizes: Width, Height.
class DW_API TKVElement2DSize : public TKVBasicControlProperty {
  DW_CLASS(TKVElement2DSize, TKVBasicControlProperty)
  TKVElement2DSize(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float AWidth = 0,
                   float AHeight = 0);
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  TKVElementSize& Height() { return *FHeight; }
  const TKVElementSize& Height() const { return *FHeight; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  void SetHeight(const TKVElementSize& AValue) { FHeight->Assign(AValue); }
  void SetValueDefaults(float AWidth, float AHeight);

 private:
  std::unique_ptr<TKVElementSize> FWidth, FHeight;
};

// A nested object that carries one proportional size (dials use it as a radius).
class DW_API TKVControlElement : public TRXControlProperty {
  DW_CLASS(TKVControlElement, TRXControlProperty)
  TKVControlElement(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize = 0);
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }

 private:
  std::unique_ptr<TKVElementSize> FSize;
};

}  // namespace dw
