// Colour lists (colour ramps of bars and LEDs, spectrum colour groups): items with a colour, a
// weight and a break flag; a new item takes the next colour of the palette.
#pragma once

#include <vector>

#include "dialworks/Export.h"
#include "dialworks/framework/Collection.h"

namespace dw {

// Color (always streamed: a new item's colour depends on its place), Weight (relative length in
// a ramp, 1, limited to 0..1e6) and Break (ends a run of the ramp, false).
class DW_API TKVColorItem : public TLockCollectionItem {
  DW_CLASS(TKVColorItem, TLockCollectionItem)
  static constexpr float MaxWeight = 1e6f;
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  float Weight() const { return FWeight; }
  void SetWeight(float AValue) { SetterMinMax(*this, "Weight", FWeight, AValue, 0.0f, MaxWeight); }
  bool Break() const { return FBreak; }
  void SetBreak(bool AValue) { Setter(*this, "Break", FBreak, AValue); }
  // Constructor-time colour (the collection gives new items their palette colour).
  void InitColor(TAlphaColor AValue) { FColor = AValue; }

 private:
  TAlphaColor FColor = 0xFF00FF00;
  float FWeight = 1;
  bool FBreak = false;
};

// A colour list whose items are TKVColorItem or a descendant given at construction (polymorphic
// lists write each item's class). New items take Palette[count % 7] as they are added.
class DW_API TRXGPBasicColorItems : public TLockCollection {
  DW_CLASS(TRXGPBasicColorItems, TLockCollection)
  static constexpr TAlphaColor Palette[7] = {0xFF00FF00, 0xFFFF0000, 0xFF0000FF, 0xFF008000,
                                             0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
  TRXGPBasicColorItems(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock,
                       const TClassInfo& AItemClass = TKVColorItem::StaticClass(), bool APolymorphic = false);
  TKVColorItem& Items(size_t AIndex) const { return static_cast<TKVColorItem&>(TLockCollection::Items(AIndex)); }
  TKVColorItem& operator[](size_t AIndex) const { return Items(AIndex); }
  TKVColorItem& Add() { return static_cast<TKVColorItem&>(TLockCollection::Add()); }
  // The item colours in order.
  std::vector<TAlphaColor> Colors() const;

 protected:
  void ItemAdded(TLockCollectionItem& AItem) override;
};

class DW_API TKVColorItems : public TRXGPBasicColorItems {
  DW_CLASS(TKVColorItems, TRXGPBasicColorItems)
  TKVColorItems(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock)
      : TRXGPBasicColorItems(std::move(AOnChange), AOwner, ALock) {}
};

class DW_API TRXGPColorItems : public TKVColorItems {
  DW_CLASS(TRXGPColorItems, TKVColorItems)
  using TKVColorItems::TKVColorItems;
};

}  // namespace dw
