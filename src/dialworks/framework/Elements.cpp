#include "dialworks/framework/Elements.h"

#include <algorithm>

#include "dialworks/host/Helpers.h"

namespace dw {

// ---- TRXComponentElement ----

int TRXComponentElement::ElementIndex() const {
  TRXComponentElements* list = ListOwner();
  return list ? list->IndexOf(*this) : -1;
}

bool TRXComponentElement::ElementEnabled() const {
  auto* c = dynamic_cast<const TRXTransparentControl*>(this);
  return !c || c->Enabled();
}

bool TRXComponentElement::ElementVisible() const {
  auto* c = dynamic_cast<const TRXTransparentControl*>(this);
  return !c || c->Visible();
}

const TClassInfo& TRXComponentElement::CollectionClass() { return TRXComponentElements::StaticClass(); }

void TRXComponentElement::InvalidateOwner() {
  if (TRXComponentElements* list = ListOwner()) list->InvalidateOwner();
}

// ---- TRXElementGeometry ----

void TRXElementGeometry::Draw(TRXDrawComponentElement& AElement, gp::Graphics& AGraphics, const TRXElementArea& A) {
  AElement.Draw(AGraphics, A);
}

bool TRXElementGeometry::HitTest(TRXDrawComponentElement& AElement, int AX, int AY) {
  return AElement.ElementEnabled() && AElement.ElementVisible() && AElement.HitTest(AX, AY);
}

void TRXElementGeometry::MouseDown(TRXDrawComponentElement& AElement, TMouseButton AButton, TShiftState AShift,
                                   int AX, int AY) {
  AElement.MouseDown(AButton, AShift, AX, AY);
}

void TRXElementGeometry::MouseMove(TRXDrawComponentElement& AElement, TShiftState AShift, int AX, int AY) {
  AElement.MouseMove(AShift, AX, AY);
}

void TRXDrawComponentElement::InvalidateSize() {
  if (auto* c = dynamic_cast<TRXTransparentControl*>(this)) c->InvalidateSize();
}

// ---- TRXComponentElements ----

TRXComponentElements::TRXComponentElements(TRXTransparentControl* AOwner) : FOwner(AOwner) {}

TRXComponentElements::~TRXComponentElements() {
  // Destroy the elements while the collection is still whole (an element's destructor may ask
  // for its index or invalidate the owner).
  while (!FItems.empty()) {
    TItem item = std::move(FItems.back());
    FItems.pop_back();
    item.Element->SetListOwner(nullptr);
    TComponent::Destroy(std::move(item.Component));
  }
}

DW_PROPERTIES(TRXComponentElements) {}
DW_PROPERTIES(TRXGaugeComponentElements) {}
DW_PROPERTIES(TRXAngularAnalogComponentElements) {}
DW_PROPERTIES(TRXLinearAnalogComponentElements) {}
DW_PROPERTIES(TRXClockComponentElements) {}
DW_PROPERTIES(TRXMatrixComponentElements) {}

bool TRXComponentElements::Accepts(const TClassInfo& AClass, std::string* AError) const {
  for (TRXElementFamily f : Families())
    if (IsRegisteredForFamily(AClass, f)) return true;
  if (AError) {
    std::string families;
    for (TRXElementFamily f : Families())
      families += (families.empty() ? "" : ", ") + EnumInfoOf<TRXElementFamily>().Members[f];
    *AError = ClassName() + " does not accept " + AClass.Name() + ": it is not registered for any of its element families (" +
              families + ")";
  }
  return false;
}

TPersistent* TRXComponentElements::AddItem(const TClassInfo& AClass, std::string* AError) {
  if (!Accepts(AClass, AError)) return nullptr;
  std::unique_ptr<TPersistent> obj = AClass.Create();
  if (!obj || !dynamic_cast<TComponent*>(obj.get()) || !dynamic_cast<TRXComponentElement*>(obj.get())) {
    if (AError) *AError = "class " + AClass.Name() + " cannot be created as an element";
    return nullptr;
  }
  std::unique_ptr<TComponent> component(static_cast<TComponent*>(dynamic_cast<TComponent*>(obj.release())));
  TRXComponentElement* e = Insert(std::move(component), AError);
  return e ? &e->ElementComponent() : nullptr;
}

TRXComponentElement* TRXComponentElements::Insert(std::unique_ptr<TComponent>&& AElement, std::string* AError) {
  if (!AElement) return nullptr;
  // The caller's pointer is the element's one owner from here: a component owner lets go of it
  // (without deleting it), so keeping, destroying or handing it back below frees it only once.
  if (TComponent* owner = AElement->Owner()) owner->RemoveComponent(*AElement).release();
  auto* element = dynamic_cast<TRXComponentElement*>(AElement.get());
  if (!element) {
    if (AError) *AError = "class " + AElement->ClassName() + " is not an element";
    return nullptr;
  }
  if (!Accepts(AElement->ClassInfo(), AError)) {
    TComponent::Destroy(std::move(AElement));
    return nullptr;
  }
  if (element->ListOwner()) {  // a component cannot sit in two lists
    if (AError) *AError = "the element already belongs to a collection";
    AElement.release();
    return nullptr;
  }
  // An element inserted below itself would hold its own holder: the invalidation walk up the
  // holders would never end. Refused, and left with the caller.
  for (const TComponent* up = FOwner; up;) {
    if (up == AElement.get()) {
      if (AError) *AError = "an element cannot be inserted into itself or into an element it holds";
      return nullptr;
    }
    const auto* held = dynamic_cast<const TRXComponentElement*>(up);
    const TRXComponentElements* list = held ? held->ListOwner() : nullptr;
    up = list ? list->Owner() : up->Owner();
  }
  if (IsLoading()) AElement->SetLoading(true);
  if (FOwner && FOwner->IsDesigning()) AElement->SetDesigning(true);
  {
    detail::TChangeScope scope(*this);
    FItems.push_back(TItem{std::move(AElement), element});
  }
  element->SetListOwner(this);
  InvalidateOwner();
  return element;
}

void TRXComponentElements::Delete(size_t AIndex) {
  std::unique_ptr<TComponent> gone = Extract(AIndex);
  TComponent::Destroy(std::move(gone));
}

std::unique_ptr<TComponent> TRXComponentElements::Extract(size_t AIndex) {
  if (AIndex >= FItems.size()) return nullptr;
  TItem item;
  {
    detail::TChangeScope scope(*this);
    item = std::move(FItems[AIndex]);
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(AIndex));
  }
  item.Element->SetListOwner(nullptr);
  InvalidateOwner();
  return std::move(item.Component);
}

void TRXComponentElements::Clear() {
  while (!FItems.empty()) Delete(FItems.size() - 1);
}

int TRXComponentElements::IndexOf(const TRXComponentElement& AElement) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Element == &AElement) return static_cast<int>(i);
  return -1;
}

void TRXComponentElements::DrawElements(gp::Graphics& AGraphics, const TRXElementArea& AArea) const {
  TRXElementGeometry own;
  DrawElements(AGraphics, own, AArea);
}

void TRXComponentElements::DrawElements(gp::Graphics& AGraphics, TRXElementGeometry& AGeometry,
                                        const TRXElementArea& AArea) const {
  for (auto& item : FItems) {
    auto* e = dynamic_cast<TRXDrawComponentElement*>(item.Element);
    if (!e || !e->ElementVisible()) continue;
    gp::GraphicsState state = AGraphics.Save();
    AGeometry.Draw(*e, AGraphics, AArea);
    AGraphics.Restore(state);
  }
}

void TRXComponentElements::InvalidateSizes() const {
  for (auto& item : FItems)
    if (auto* e = dynamic_cast<TRXDrawComponentElement*>(item.Element)) e->InvalidateSize();
}

void TRXComponentElements::InvalidateOwner() {
  if (FOwner) FOwner->Invalidate();
}

void TRXComponentElements::SetDesigning(bool ADesigning) const {
  for (auto& item : FItems) item.Component->SetDesigning(ADesigning);
}

TControlMutex* TRXComponentElements::ChangeLock() const {
  return FOwner ? &FOwner->ControlLock() : nullptr;
}

// ---- TRXBasicMatrixElement ----

TRXBasicMatrixElement::TRXBasicMatrixElement(TComponent* AOwner)
    : TRXTransparentControl(AOwner),
      FPosition(std::make_unique<TKVElementOffsets>([this] { Invalidate(); }, this, this, 0.0f, 0.0f)) {}

void TRXBasicMatrixElement::CellOrigin(int AWidth, int AHeight, int& ALeft, int& ATop) const {
  ALeft = RXRoundHalfEvenToInt(double(FPosition->X().Get(float(AWidth))));
  ATop = RXRoundHalfEvenToInt(double(FPosition->Y().Get(float(AHeight))));
}

void TRXBasicMatrixElement::Invalidate() {
  if (IsLoading() || IsDestroying()) return;
  InvalidateOwner();
}

DW_PROPERTIES(TRXBasicMatrixElement) {
  t.Object("Position", [](TRXBasicMatrixElement& e) -> TKVElementOffsets& { return e.Position(); });
}

// ---- TRXElementMouse ----

namespace {

// Walks a list from the last element to the first, finding the visited element again after each
// call out (see TRXElementMouse).
class TElementWalk {
 public:
  explicit TElementWalk(TRXComponentElements& AList) : FList(AList), FNext(AList.Count()) {}

  TRXDrawComponentElement* Next() {
    while (FNext > 0) {
      --FNext;
      if (auto* e = dynamic_cast<TRXDrawComponentElement*>(&FList.Items(FNext))) {
        FElement = e;
        FRef.Set(&e->ElementComponent());
        return e;
      }
    }
    FElement = nullptr;
    FRef.Set(nullptr);
    return nullptr;
  }

  // Whether the element last returned is still alive and in the list.
  bool StillListed() {
    if (!FRef) return false;
    const int at = FList.IndexOf(*FElement);
    if (at < 0) return false;
    FNext = size_t(at);
    return true;
  }

 private:
  TRXComponentElements& FList;
  size_t FNext;
  TRXDrawComponentElement* FElement = nullptr;
  TComponentRef<TComponent> FRef;
};

}  // namespace

void TRXElementMouse::Down(TRXComponentElements& AList, TRXElementGeometry& AGeometry, TKVBasicControl& AHost,
                           TMouseButton AButton, TShiftState AShift, int AX, int AY) {
  TElementWalk walk(AList);
  while (TRXDrawComponentElement* e = walk.Next()) {
    if (AGeometry.HitTest(*e, AX, AY)) {
      if (!AHost.Focused()) AHost.FocusGained();
      FPressed.Set(&e->ElementComponent());
      FButton = AButton;
      FX = AX;
      FY = AY;
      AGeometry.MouseDown(*e, AButton, AShift, AX, AY);
      return;
    }
    e->Unselect();
    if (!walk.StillListed()) return;
  }
}

void TRXElementMouse::Move(TRXComponentElements& AList, TRXElementGeometry& AGeometry, TShiftState AShift, int AX,
                           int AY) {
  FX = AX;
  FY = AY;
  auto* pressed = dynamic_cast<TRXDrawComponentElement*>(FPressed.Get());
  bool pressedVisited = false;
  TElementWalk walk(AList);
  while (TRXDrawComponentElement* e = walk.Next()) {
    pressedVisited = pressedVisited || e == pressed;
    AGeometry.MouseMove(*e, AShift, AX, AY);
    if (!walk.StillListed()) return;
    if (AGeometry.HitTest(*e, AX, AY)) {
      e->MouseEnter();
      break;
    }
    e->MouseLeave();
    if (!walk.StillListed()) return;
  }
  // The element being dragged keeps following the pointer while it passes under another one.
  pressed = dynamic_cast<TRXDrawComponentElement*>(FPressed.Get());
  if (pressed && !pressedVisited && pressed->ListOwner() == &AList) AGeometry.MouseMove(*pressed, AShift, AX, AY);
}

void TRXElementMouse::Up(TRXComponentElements& AList, TMouseButton AButton, TShiftState AShift, int AX, int AY) {
  FPressed.Set(nullptr);
  TElementWalk walk(AList);
  while (TRXDrawComponentElement* e = walk.Next()) {
    e->MouseUp(AButton, AShift, AX, AY);
    if (!walk.StillListed()) return;
  }
}

bool TRXElementMouse::Wheel(TRXComponentElements& AList, TShiftState AShift, int AWheelDelta, int AX, int AY) {
  if (AWheelDelta == 0) return false;
  const int notch = AWheelDelta > 0 ? 1 : -1;
  bool handled = false;
  TElementWalk walk(AList);
  while (TRXDrawComponentElement* e = walk.Next()) {
    handled = e->MouseWheel(AShift, notch, AX, AY) || handled;
    if (!walk.StillListed()) break;
  }
  return handled;
}

void TRXElementMouse::Cancel(TRXComponentElements& AList) {
  if (FPressed) Up(AList, FButton, 0, FX, FY);
}

void TRXElementMouse::Leave(TRXComponentElements& AList) {
  TElementWalk walk(AList);
  while (TRXDrawComponentElement* e = walk.Next()) {
    e->MouseLeave();
    if (!walk.StillListed()) return;
  }
}

}  // namespace dw
