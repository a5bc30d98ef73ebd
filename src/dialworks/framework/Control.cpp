#include "dialworks/framework/Control.h"

#include <algorithm>
#include <cmath>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/host/HostServices.h"
#include "dialworks/host/PixelBlock.h"

namespace dw {

// ---- TRXTransparentControl ----

TRXTransparentControl::TRXTransparentControl(TComponent* AOwner) : TComponent(AOwner) {}

void TRXTransparentControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = std::clamp(AWidth, 0, MaxSize);
  AHeight = std::clamp(AHeight, 0, MaxSize);
  bool moved = false, resized = false;
  {
    std::lock_guard guard(FControlLock);
    if (ALeft != FLeft || ATop != FTop) {
      FLeft = ALeft;
      FTop = ATop;
      moved = true;
    }
    auto noFollowUpNoCallback = [&](const char* AName, int& AField, int AValue) {
      if (AField == AValue) return;
      NotifyPropertyChange(*this, AName, TPropertyChangePhase::Before);
      AField = AValue;
      NotifyPropertyChange(*this, AName, TPropertyChangePhase::After);
      resized = true;
    };
    noFollowUpNoCallback("Width", FWidth, AWidth);
    noFollowUpNoCallback("Height", FHeight, AHeight);
  }
  if (resized) InvalidateSize();
  else if (moved) Invalidate();
}

void TRXTransparentControl::InitSize(int AWidth, int AHeight) {
  FWidth = std::clamp(AWidth, 0, MaxSize);
  FHeight = std::clamp(AHeight, 0, MaxSize);
}

void TRXTransparentControl::ApplyDefaultSize() {
  const TPropInfo* w = ClassInfo().FindProperty("Width");
  const TPropInfo* h = ClassInfo().FindProperty("Height");
  if (w && h) InitSize(w->Default(*this).get<int>(), h->Default(*this).get<int>());
}

DW_PROPERTIES(TRXTransparentControl) {
  using C = TRXTransparentControl;
  t.Integer("Width", &C::Width, &C::SetWidth, 100).Limit(0, MaxSize).Doc("pixels");
  t.Integer("Height", &C::Height, &C::SetHeight, 100).Limit(0, MaxSize).Doc("pixels");
  t.Bool("Visible", &C::Visible, &C::SetVisible, true);
  t.Bool("Enabled", &C::Enabled, &C::SetEnabled, true);
}

// ---- TKVBasicControl ----

TKVBasicControl::TKVBasicControl(TComponent* AOwner) : TRXTransparentControl(AOwner) {}

TKVBasicControl::~TKVBasicControl() = default;

DW_PROPERTIES(TKVBasicControl) {
  t.Bool("AntiAliased", &TKVBasicControl::AntiAliased, &TKVBasicControl::SetAntiAliased, true);
}

void TKVBasicControl::IntDraw(gp::Graphics& AGraphics, const TDrawArea&) {
  AGraphics.SetSmoothingMode(FAntiAliased ? gp::SmoothingModeAntiAlias : gp::SmoothingModeNone);
  AGraphics.SetTextRenderingHint(FAntiAliased ? gp::TextRenderingHintAntiAlias
                                              : gp::TextRenderingHintSingleBitPerPixelGridFit);
}

void TKVBasicControl::Paint(gp::Graphics& AGraphics) {
  TControlDrawLock lock(*this);
  if (!lock) {
    Invalidate();  // the lock stayed taken: this frame is lost, so ask for the next one
    return;
  }
  if (!Visible()) return;
  gp::GraphicsState state = AGraphics.Save();
  float w = float(Width()), h = float(Height());
  IntDraw(AGraphics, {1, 1, w, h, w, h, false, false});
  AGraphics.Restore(state);
}

bool TKVBasicControl::IntRender(int ALeft, int ATop, float AWidth, float AHeight, uint32_t* ABuffer, int ABufferWidth,
                                int ABufferHeight) {
  if (!ABuffer || ABufferWidth <= 0 || ABufferHeight <= 0) return false;
  if (!(AWidth > 0 && AHeight > 0 && AWidth <= float(MaxSize) && AHeight <= float(MaxSize))) return false;
  // Only the part of the control inside the buffer is rendered.
  double right = double(ALeft) + std::ceil(double(AWidth));
  double bottom = double(ATop) + std::ceil(double(AHeight));
  int x0 = std::max(ALeft, 0), y0 = std::max(ATop, 0);
  int x1 = int(std::min<double>(right, ABufferWidth)), y1 = int(std::min<double>(bottom, ABufferHeight));
  if (x1 <= x0 || y1 <= y0) return false;
  TControlDrawLock lock(*this);
  if (!lock) {
    Invalidate();  // as in Paint: the frame goes out without this control, so ask for the next
    return false;
  }
  gp::Bitmap layer(x1 - x0, y1 - y0);
  if (layer.Width() == 0 || layer.Height() == 0) return false;
  {
    gp::CairoGraphics cairo(layer);
    gp::Graphics& g = cairo;
    g.TranslateTransform(float(ALeft - x0), float(ATop - y0));
    IntDraw(g, {1, 1, AWidth, AHeight, AWidth, AHeight, true, true});
    g.Flush();
  }
  TPixelBlock dest{ABuffer, ABufferWidth, ABufferHeight, ABufferWidth};
  TConstPixelBlock src(layer.ScanLine(0), layer.Width(), layer.Height(), layer.Stride() / 4);
  PBComposeOver(dest, x0, y0, src);
  return true;
}

void TKVBasicControl::Invalidate() {
  if (IsLoading() || IsDestroying()) return;
  HostServices().RequestRepaint(*this);
  if (auto* element = dynamic_cast<TRXComponentElement*>(this)) element->InvalidateOwner();
}

void TKVBasicControl::Settle() {
  {
    // A value set on another thread meanwhile is not undone by the jump to the old target.
    std::lock_guard lock(ControlLock());
    SettleMotion();
  }
  ForEachElementControl([](TKVBasicControl& control) { control.Settle(); });
  Invalidate();
}

void TKVBasicControl::ReleaseCaches() {
  {
    std::lock_guard lock(ControlLock());
    ReleaseOwnCaches();
  }
  ForEachElementControl([](TKVBasicControl& control) { control.ReleaseCaches(); });
}

void TKVBasicControl::ForEachElementControl(const std::function<void(TKVBasicControl&)>& AVisit) {
  if (TRXComponentElements* list = ElementList())
    for (size_t i = 0; i < list->Count(); ++i)
      if (auto* control = dynamic_cast<TKVBasicControl*>(&list->ItemComponent(i))) AVisit(*control);
}

void TKVBasicControl::SetDesigning(bool ADesigning) {
  TRXTransparentControl::SetDesigning(ADesigning);
  if (TRXComponentElements* list = ElementList()) list->SetDesigning(ADesigning);
}

TRXDrawComponentElement* TKVBasicControl::ElementAt(int AX, int AY) {
  TRXComponentElements* list = ElementList();
  if (!list) return nullptr;
  for (size_t i = list->Count(); i-- > 0;) {
    auto* e = dynamic_cast<TRXDrawComponentElement*>(&list->Items(i));
    if (e && e->ElementEnabled() && e->ElementVisible() && e->HitTest(AX, AY)) return e;
  }
  return nullptr;
}

TRXDrawComponentElement* TKVBasicControl::Listed(const TComponentRef<TComponent>& ARef) const {
  auto* e = ARef ? dynamic_cast<TRXDrawComponentElement*>(ARef.Get()) : nullptr;
  const TRXComponentElements* list = e ? e->ListOwner() : nullptr;
  return list && list->Owner() == this ? e : nullptr;
}

TRXDrawComponentElement* TKVBasicControl::SelectedElement() const { return Listed(FSelected); }

void TKVBasicControl::Unselect() {
  TRXDrawComponentElement* old = SelectedElement();
  FSelected.Set(nullptr);
  FMouseCaptured = false;
  if (old) old->Unselect();
}

void TKVBasicControl::MouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY) {
  TRXDrawComponentElement* hit = ElementAt(AX, AY);
  if (hit != SelectedElement()) Unselect();
  if (!hit) return;
  FSelected.Set(&hit->ElementComponent());
  FMouseCaptured = true;
  hit->MouseDown(AButton, AShift, AX, AY);
}

void TKVBasicControl::MouseMove(TShiftState AShift, int AX, int AY) {
  if (FMouseCaptured) {
    if (TRXDrawComponentElement* sel = SelectedElement()) {
      sel->MouseMove(AShift, AX, AY);
      return;
    }
    FMouseCaptured = false;
  }
  TRXDrawComponentElement* hit = ElementAt(AX, AY);
  TRXDrawComponentElement* hovered = Listed(FHovered);
  if (hit != hovered) {
    if (hovered) hovered->MouseLeave();
    FHovered.Set(hit ? &hit->ElementComponent() : nullptr);
    if (hit) hit->MouseEnter();
  }
  if (hit) hit->MouseMove(AShift, AX, AY);
}

void TKVBasicControl::MouseUp(TMouseButton AButton, TShiftState AShift, int AX, int AY) {
  TRXDrawComponentElement* sel = FMouseCaptured ? SelectedElement() : nullptr;
  FMouseCaptured = false;
  if (sel) sel->MouseUp(AButton, AShift, AX, AY);
}

bool TKVBasicControl::MouseWheel(TShiftState AShift, int AWheelDelta, int AX, int AY) {
  if (TRXDrawComponentElement* sel = SelectedElement()) return sel->MouseWheel(AShift, AWheelDelta, AX, AY);
  return false;
}

void TKVBasicControl::MouseLeave() {
  TRXDrawComponentElement* hovered = Listed(FHovered);
  FHovered.Set(nullptr);
  if (hovered) hovered->MouseLeave();
}

void TKVBasicControl::FocusGained() {
  if (FFocused) return;
  FFocused = true;
  Invalidate();
}

void TKVBasicControl::FocusLost() {
  if (!FFocused) return;
  FFocused = false;
  Unselect();
  Invalidate();
}

void TKVBasicControl::BeforeDestruction() {
  FSelected.Set(nullptr);
  FHovered.Set(nullptr);
  TRXTransparentControl::BeforeDestruction();
}

DW_PROPERTIES(TKVBasicColorControl) {
  t.Color("Color", &TKVBasicColorControl::Color, &TKVBasicColorControl::SetColor, 0xFFFFFFFF);
}

// ---- rotation ----

void TDWRotationProperty::SetAngle(float AValue) {
  if (!std::isfinite(AValue)) return;
  detail::TChangeScope scope(*this);
  if (AValue == FRotation.Angle()) return;
  NotifyPropertyChange(*this, "Angle", TPropertyChangePhase::Before);
  FRotation.SetAngle(AValue);  // the rotation's own callback is the change callback
  NotifyPropertyChange(*this, "Angle", TPropertyChangePhase::After);
}

void TDWRotationProperty::SetThickness(float AValue) {
  if (std::isnan(AValue)) return;
  AValue = std::clamp(AValue, 0.01f, 1.0f);
  detail::TChangeScope scope(*this);
  if (AValue == FRotation.Thickness()) return;
  NotifyPropertyChange(*this, "Thickness", TPropertyChangePhase::Before);
  FRotation.SetThickness(AValue);
  NotifyPropertyChange(*this, "Thickness", TPropertyChangePhase::After);
}

DW_PROPERTIES(TDWRotationProperty) {
  using C = TDWRotationProperty;
  t.Single("Angle", &C::Angle, &C::SetAngle, 0.0f).Doc("degrees, counter-clockwise");
  t.Single("Thickness", &C::Thickness, &C::SetThickness, TDWRotation::DefaultThickness).Limit(0.01, 1);
}

TDWBasicRotatableControl::TDWBasicRotatableControl(TComponent* AOwner)
    : TKVBasicControl(AOwner), FRotation([this] { InvalidateSize(); }),
      FRotationProperty(std::make_unique<TDWRotationProperty>([this] { InvalidateSize(); }, this, this, FRotation)) {}

DW_PROPERTIES(TDWBasicRotatableControl) {
  t.Object("Rotation", [](TDWBasicRotatableControl& c) -> TDWRotationProperty& { return c.RotationProperty(); });
}

}  // namespace dw
