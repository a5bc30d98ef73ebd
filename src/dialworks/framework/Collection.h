// Collections of persistent items with change notification (colour lists, range lists, caption
// items). Items are created by the collection (Add) and owned by it; each reaches the collection's
// change lock and fires the collection's change callback.
//
//   class TMyRange : public TLockCollectionItem { DW_CLASS(TMyRange, TLockCollectionItem) ... };
//   TTypedCollection<TMyRange> FRanges{[this] { InvalidateSize(); }, this, &ControlLock()};
//   FRanges.Add().SetColor(0xFFFF0000);
//
// Items must be default-constructible and registered with DW_CLASS; a polymorphic collection
// accepts any registered descendant of its item class and writes each item's "class" in forms.
#pragma once

#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/framework/ChangeNotify.h"
#include "dialworks/framework/PropertyTable.h"

namespace dw {

class TLockCollection;

class DW_API TLockCollectionItem : public TPersistent {
  DW_CLASS(TLockCollectionItem, TPersistent)
  TLockCollectionItem() = default;

  TLockCollection* Collection() const { return FCollection; }
  // Position in the collection (-1 outside one).
  int Index() const;
  TControlMutex* ChangeLock() const override;
  void DoChanged() override;
  bool IsLoading() const override;

  // Called when the item joins (non-null) or leaves its collection.
  virtual void SetCollection(TLockCollection* ACollection) { FCollection = ACollection; }

 private:
  TLockCollection* FCollection = nullptr;
};

class DW_API TLockCollection : public TCollectionBase {
  DW_CLASS(TLockCollection, TCollectionBase)
  TLockCollection(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock,
                  const TClassInfo& AItemClass = TLockCollectionItem::StaticClass(), bool APolymorphic = false);
  ~TLockCollection() override;

  size_t Count() const override { return FItems.size(); }
  TLockCollectionItem& Items(size_t AIndex) const { return *FItems.at(AIndex); }
  TPersistent& ItemObject(size_t AIndex) const override { return Items(AIndex); }
  bool IsPolymorphic() const override { return FPolymorphic; }
  const TClassInfo& ItemBaseClass() const override { return *FItemClass; }
  TPersistent* AddItem(const TClassInfo& AClass, std::string* AError = nullptr) override;
  void Clear() override;

  // Appends a new item of the item class.
  TLockCollectionItem& Add();
  // Appends an item made by the caller: of the item class, or a descendant in a polymorphic
  // collection; else it is dropped and nullptr returned.
  TLockCollectionItem* Insert(std::unique_ptr<TLockCollectionItem> AItem);
  void Delete(size_t AIndex);
  int IndexOf(const TLockCollectionItem& AItem) const;

  TPersistent* Owner() const { return FOwner; }
  TControlMutex* ChangeLock() const override { return FLock; }
  void DoChanged() override;
  bool IsLoading() const override { return FOwner && FOwner->IsLoading(); }

 protected:
  // Hook for descendants: a new item has just been added (before the change callback).
  virtual void ItemAdded(TLockCollectionItem& /*AItem*/) {}

 private:
  TChangeCallback FOnChange;
  TPersistent* FOwner;
  TControlMutex* FLock;
  const TClassInfo* FItemClass;
  bool FPolymorphic;
  std::vector<std::unique_ptr<TLockCollectionItem>> FItems;
};

// A collection of items of type T (or descendants when polymorphic), with typed access.
template <class T>
class TTypedCollection : public TLockCollection {
 public:
  TTypedCollection(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock,
                   bool APolymorphic = false)
      : TLockCollection(std::move(AOnChange), AOwner, ALock, T::StaticClass(), APolymorphic) {}
  T& Items(size_t AIndex) const { return static_cast<T&>(TLockCollection::Items(AIndex)); }
  T& operator[](size_t AIndex) const { return Items(AIndex); }
  T& Add() { return static_cast<T&>(TLockCollection::Add()); }
  template <class D>
  D& Add() {
    static_assert(std::is_base_of_v<T, D>);
    TLockCollectionItem* item = Insert(std::make_unique<D>());
    if (!item) throw std::invalid_argument("class " + D::StaticClass().Name() + " is not accepted here");
    return static_cast<D&>(*item);
  }
};

}  // namespace dw
