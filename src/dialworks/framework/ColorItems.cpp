#include "dialworks/framework/ColorItems.h"

namespace dw {

DW_PROPERTIES(TKVColorItem) {
  using C = TKVColorItem;
  t.Color("Color", &C::Color, &C::SetColor, 0xFF00FF00).AlwaysStored();
  t.Single("Weight", &C::Weight, &C::SetWeight, 1.0f).Limit(0, MaxWeight);
  t.Bool("Break", &C::Break, &C::SetBreak, false);
}

TRXGPBasicColorItems::TRXGPBasicColorItems(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock,
                                           const TClassInfo& AItemClass, bool APolymorphic)
    : TLockCollection(std::move(AOnChange), AOwner, ALock, AItemClass, APolymorphic) {}

void TRXGPBasicColorItems::ItemAdded(TLockCollectionItem& AItem) {
  if (auto* item = dynamic_cast<TKVColorItem*>(&AItem)) item->InitColor(Palette[(Count() - 1) % 7]);
}

std::vector<TAlphaColor> TRXGPBasicColorItems::Colors() const {
  std::vector<TAlphaColor> result;
  for (size_t i = 0; i < Count(); ++i) result.push_back(Items(i).Color());
  return result;
}

DW_PROPERTIES(TRXGPBasicColorItems) {}
DW_PROPERTIES(TKVColorItems) {}
DW_PROPERTIES(TRXGPColorItems) {}

}  // namespace dw
