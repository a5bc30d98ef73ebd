#include "dialworks/framework/Component.h"

#include <algorithm>
#include <stdexcept>

#include "dialworks/framework/PropertyTable.h"

namespace dw {

const TClassInfo& TPersistent::StaticClass() {
  static const TClassInfo info("TPersistent", nullptr, nullptr, nullptr);
  return info;
}

const std::string& TPersistent::ClassName() const { return ClassInfo().Name(); }

bool TPersistent::InheritsFrom(const TClassInfo& AClass) const { return ClassInfo().InheritsFrom(AClass); }

void TPersistent::Assign(const TPersistent& ASource) {
  if (&ASource == this) return;
  const TClassInfo& mine = ClassInfo();
  // Copy the properties of the more basic of the two classes when one derives from the other.
  const TClassInfo* common = nullptr;
  if (ASource.ClassInfo().InheritsFrom(mine)) common = &mine;
  else if (mine.InheritsFrom(ASource.ClassInfo())) common = &ASource.ClassInfo();
  if (!common) return;
  auto& src = const_cast<TPersistent&>(ASource);
  for (const auto& p : common->Properties()) {
    switch (p->Kind()) {
      case TPropKind::Object: {
        TPersistent* d = p->Object(*this);
        TPersistent* s = p->Object(src);
        if (d && s) d->Assign(*s);
        break;
      }
      case TPropKind::Collection: {
        TCollectionBase* d = p->Collection(*this);
        TCollectionBase* s = p->Collection(src);
        if (d && s) d->Assign(*s);
        break;
      }
      case TPropKind::Pin:
        break;
      default:
        p->Set(*this, p->Get(src));
        break;
    }
  }
  // A value limited by a property that comes later in the table (Value before Min and Max) was
  // limited by the old one: set what still differs once more, now that the rest is copied.
  for (const auto& p : common->Properties()) {
    if (p->Kind() == TPropKind::Object || p->Kind() == TPropKind::Collection || p->Kind() == TPropKind::Pin)
      continue;
    TPropValue wanted = p->Get(src);
    if (!(p->Get(*this) == wanted)) p->Set(*this, wanted);
  }
}

const TClassInfo& TCollectionBase::StaticClass() {
  static const TClassInfo info("TCollectionBase", &TPersistent::StaticClass(), nullptr, nullptr);
  return info;
}

namespace {
// Whether ATarget is ARoot or lies inside it, through nested objects and collection items.
bool Holds(TPersistent& ARoot, const TPersistent* ATarget) {
  if (&ARoot == ATarget) return true;
  if (auto* c = dynamic_cast<TCollectionBase*>(&ARoot)) {
    for (size_t i = 0; i < c->Count(); ++i)
      if (Holds(c->ItemObject(i), ATarget)) return true;
    return false;
  }
  for (const auto& p : ARoot.ClassInfo().Properties()) {
    TPersistent* nested = p->Kind() == TPropKind::Object       ? p->Object(ARoot)
                          : p->Kind() == TPropKind::Collection ? p->Collection(ARoot)
                                                               : nullptr;
    if (nested && Holds(*nested, ATarget)) return true;
  }
  return false;
}
}  // namespace

bool TCollectionBase::Accepts(const TClassInfo& AClass, std::string* /*AError*/) const {
  return IsPolymorphic() ? AClass.InheritsFrom(ItemBaseClass()) : &AClass == &ItemBaseClass();
}

void TCollectionBase::Assign(const TPersistent& ASource) {
  auto* src = dynamic_cast<const TCollectionBase*>(&ASource);
  if (!src || src == this) return;
  // Between a list and one it holds (a host and its own element) there is no copy: clearing
  // would destroy the source, and copying a list into one of its items would never end.
  auto& source = const_cast<TCollectionBase&>(*src);
  if (Holds(*this, src) || Holds(source, this)) return;
  // A list of other items is left as it is rather than emptied.
  for (size_t i = 0; i < src->Count(); ++i)
    if (!Accepts(src->ItemObject(i).ClassInfo())) return;
  Clear();
  for (size_t i = 0; i < src->Count(); ++i) {
    const TPersistent& item = src->ItemObject(i);
    if (TPersistent* copy = AddItem(item.ClassInfo())) copy->Assign(item);
  }
}

// ---- TComponent ----

const TClassInfo& TComponent::StaticClass() {
  static const TClassInfo info("TComponent", &TPersistent::StaticClass(), nullptr, nullptr);
  return info;
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (AOwner) {
    AOwner->FComponents.emplace_back(this);
    if (AOwner->IsDesigning()) FState |= csDesigning;
  }
}

TComponent::~TComponent() {
  FState |= csDestroying;
  ClearReferences();
  DestroyComponents();
  if (FOwner) {
    // Deleted directly while owned: leave the owner's list without deleting again.
    auto& list = FOwner->FComponents;
    auto it = std::find_if(list.begin(), list.end(), [this](auto& p) { return p.get() == this; });
    if (it != list.end()) {
      it->release();
      list.erase(it);
    }
  }
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty()) return nullptr;
  for (auto& c : FComponents)
    if (c->Name() == AName) return c.get();
  return nullptr;
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent>&& AComponent) {
  if (!AComponent) throw std::invalid_argument("InsertComponent: no component");
  TComponent& c = *AComponent;
  for (const TComponent* owner = this; owner; owner = owner->FOwner)
    if (owner == &c) throw std::invalid_argument("InsertComponent: a component cannot own itself or its owner");
  if (c.FOwner) c.FOwner->RemoveComponent(c).release();
  c.FOwner = this;
  FComponents.push_back(std::move(AComponent));
  if (IsDesigning()) c.SetDesigning(true);
  return c;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent& AComponent) {
  auto it = std::find_if(FComponents.begin(), FComponents.end(),
                         [&](auto& p) { return p.get() == &AComponent; });
  if (it == FComponents.end()) return nullptr;
  std::unique_ptr<TComponent> result = std::move(*it);
  FComponents.erase(it);
  result->FOwner = nullptr;
  return result;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    std::unique_ptr<TComponent> c = std::move(FComponents.back());
    FComponents.pop_back();
    c->FOwner = nullptr;
    Destroy(std::move(c));
  }
}

void TComponent::SetLoading(bool ALoading) {
  if (ALoading) FState |= csLoading;
  else FState &= ~csLoading;
}

void TComponent::SetDesigning(bool ADesigning) {
  if (ADesigning) FState |= csDesigning;
  else FState &= ~csDesigning;
  for (auto& c : FComponents) c->SetDesigning(ADesigning);
}

void TComponent::Loaded() { FState &= ~csLoading; }

void TComponent::BeforeDestruction() {
  FState |= csDestroying;
  ClearReferences();
}

void TComponent::Destroy(std::unique_ptr<TComponent> AComponent) {
  if (!AComponent) return;
  AComponent->BeforeDestruction();
  AComponent.reset();
}

void TComponent::ClearReferences() {
  while (!FReferences.empty()) {
    TComponentRefBase* ref = FReferences.back();
    FReferences.pop_back();
    ref->FTarget = nullptr;
    if (ref->OnFree) ref->OnFree();
  }
}

void TComponentRefBase::Attach(TComponent* ATarget) {
  if (FTarget == ATarget) return;
  if (FTarget) {
    auto& refs = FTarget->FReferences;
    refs.erase(std::remove(refs.begin(), refs.end(), this), refs.end());
  }
  FTarget = ATarget;
  if (FTarget) FTarget->FReferences.push_back(this);
}

}  // namespace dw
