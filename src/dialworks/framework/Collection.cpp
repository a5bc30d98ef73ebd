#include "dialworks/framework/Collection.h"

#include <algorithm>

namespace dw {

int TLockCollectionItem::Index() const { return FCollection ? FCollection->IndexOf(*this) : -1; }

TControlMutex* TLockCollectionItem::ChangeLock() const {
  return FCollection ? FCollection->ChangeLock() : nullptr;
}

void TLockCollectionItem::DoChanged() {
  if (FCollection) FCollection->DoChanged();
}

bool TLockCollectionItem::IsLoading() const { return FCollection && FCollection->IsLoading(); }

DW_PROPERTIES(TLockCollectionItem) {}

TLockCollection::TLockCollection(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock,
                                 const TClassInfo& AItemClass, bool APolymorphic)
    : FOnChange(std::move(AOnChange)), FOwner(AOwner), FLock(ALock), FItemClass(&AItemClass),
      FPolymorphic(APolymorphic) {}

TLockCollection::~TLockCollection() {
  for (auto& item : FItems) item->SetCollection(nullptr);
}

DW_PROPERTIES(TLockCollection) {}

TPersistent* TLockCollection::AddItem(const TClassInfo& AClass, std::string* AError) {
  if (!Accepts(AClass)) {
    if (AError) *AError = "class " + AClass.Name() + " is not accepted here (items are " + FItemClass->Name() + ")";
    return nullptr;
  }
  std::unique_ptr<TPersistent> obj = AClass.Create();
  auto* item = dynamic_cast<TLockCollectionItem*>(obj.get());
  if (!item) {
    if (AError) *AError = "class " + AClass.Name() + " cannot be created as a collection item";
    return nullptr;
  }
  obj.release();
  return Insert(std::unique_ptr<TLockCollectionItem>(item));
}

TLockCollectionItem& TLockCollection::Add() {
  TPersistent* item = AddItem(*FItemClass);
  return *static_cast<TLockCollectionItem*>(item);
}

TLockCollectionItem* TLockCollection::Insert(std::unique_ptr<TLockCollectionItem> AItem) {
  if (!AItem || !Accepts(AItem->ClassInfo())) return nullptr;
  TLockCollectionItem& item = *AItem;
  {
    detail::TChangeScope scope(*this);
    FItems.push_back(std::move(AItem));
    item.SetCollection(this);
    ItemAdded(item);
  }
  DoChanged();
  return &item;
}

void TLockCollection::Delete(size_t AIndex) {
  if (AIndex >= FItems.size()) return;
  std::unique_ptr<TLockCollectionItem> gone;
  {
    detail::TChangeScope scope(*this);
    gone = std::move(FItems[AIndex]);
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(AIndex));
    gone->SetCollection(nullptr);
  }
  gone.reset();
  DoChanged();
}

void TLockCollection::Clear() {
  if (FItems.empty()) return;
  std::vector<std::unique_ptr<TLockCollectionItem>> gone;
  {
    detail::TChangeScope scope(*this);
    gone.swap(FItems);
    for (auto& item : gone) item->SetCollection(nullptr);
  }
  gone.clear();
  DoChanged();
}

int TLockCollection::IndexOf(const TLockCollectionItem& AItem) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == &AItem) return static_cast<int>(i);
  return -1;
}

void TLockCollection::DoChanged() {
  if (FOnChange) FOnChange();
}

}  // namespace dw
