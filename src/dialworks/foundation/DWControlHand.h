// Selection and hover state of a control hand (the hand of an element the user drags), with its
// three state colours. Each instrument mixes it into its own hand class:
//
//   class TDWControlLinearGaugeHand : public TDWControlHandState<TDWLinearGaugeHand, float> {
//     DW_CLASS(TDWControlLinearGaugeHand, TDWLinearGaugeHand)
//     using TDWControlHandState::TDWControlHandState;
//   };
//   DW_PROPERTIES(TDWControlLinearGaugeHand) { TDWControlLinearGaugeHand::DeclareStateColors(t); }
//
// THand is a nested property object of the instrument (Setter, Control(), ChangeLock()) whose fill
// colour comes from a virtual GetColor; TCoord is the type of the instrument's pointer positions.
#pragma once

#include <functional>
#include <mutex>

#include "dialworks/draw/Types.h"
#include "dialworks/framework/ChangeNotify.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/host/Locks.h"

namespace dw {

template <class THand, class TCoord = int>
class TDWControlHandState : public THand {
 public:
  using THand::THand;
  // The pointer position after the mouse left.
  static constexpr TCoord NoMouse = TCoord(-100000);

  TAlphaColor SelectedColor() const { return FSelectedColor; }
  void SetSelectedColor(TAlphaColor AValue) { Setter(*this, "SelectedColor", FSelectedColor, AValue); }
  TAlphaColor MouseOverColor() const { return FMouseOverColor; }
  void SetMouseOverColor(TAlphaColor AValue) { Setter(*this, "MouseOverColor", FMouseOverColor, AValue); }
  TAlphaColor SelectedMouseOverColor() const { return FSelectedMouseOverColor; }
  void SetSelectedMouseOverColor(TAlphaColor AValue) {
    Setter(*this, "SelectedMouseOverColor", FSelectedMouseOverColor, AValue);
  }

  // Hover wins: SelectedMouseOverColor when also selected with focus, else MouseOverColor; not
  // hovered: SelectedColor when selected with focus, else the hand's own colour.
  TAlphaColor GetColor() const override {
    const bool focused = OwnerFocused ? OwnerFocused() : true;
    if (FMouseOver) return FSelected && focused ? FSelectedMouseOverColor : FMouseOverColor;
    return FSelected && focused ? FSelectedColor : this->Color();
  }

  bool Selected() const { return FSelected; }
  // Ignored while a selection change is running (OnSelectionChanged, the follow-up, may select
  // or deselect this hand again while telling the instrument's other elements).
  void SetSelected(bool AValue) {
    if (FInSelectionChange) return;
    FInSelectionChange = true;
    Setter(*this, "Selected", FSelected, AValue, [this] {
      if (OnSelectionChanged) OnSelectionChanged();
    });
    FInSelectionChange = false;
  }
  bool MouseOver() const { return FMouseOver; }
  // Stores the pointer; a change of the hover state redraws the owner when ARedraw.
  void SetMouseOver(bool AValue, TCoord AX, TCoord AY, bool ARedraw) {
    TControlMutex* lock = this->ChangeLock();
    std::unique_lock<TControlMutex> guard;
    if (lock) guard = std::unique_lock(*lock);
    FMouseX = AX;
    FMouseY = AY;
    if (FMouseOver == AValue) return;
    FMouseOver = AValue;
    if (ARedraw)
      if (IKVControl* control = this->Control()) control->Invalidate();
  }
  // The last pointer position (x = NoMouse after the mouse left).
  TCoord MouseX() const { return FMouseX; }
  TCoord MouseY() const { return FMouseY; }
  // Whether wheel notches and drags may turn the hand: it is selected and the user sees it, its
  // element AElement enabled and visible and the hand itself visible (where it can be hidden).
  // Like a hit, input needs the hand drawn.
  template <class TElement>
  bool TakesInput(const TElement& AElement) const {
    if (!FSelected || !AElement.Enabled() || !AElement.Visible()) return false;
    if constexpr (requires(const THand& h) { h.Visible(); }) return this->Visible();
    return true;
  }
  bool MouseIsDown() const { return FMouseDown; }
  void SetMouseIsDown(bool AValue) { FMouseDown = AValue; }

  // Asked whether the owning control has the keyboard focus (the selected colours need it).
  std::function<bool()> OwnerFocused;
  std::function<void()> OnSelectionChanged;

  // Enters the three colour properties into the table of the concrete hand class C.
  template <class C>
  static void DeclareStateColors(TProps<C>& t) {
    t.Color("SelectedColor", &C::SelectedColor, &C::SetSelectedColor, 0xFF0000FF);
    t.Color("MouseOverColor", &C::MouseOverColor, &C::SetMouseOverColor, 0xFFFFA500);
    t.Color("SelectedMouseOverColor", &C::SelectedMouseOverColor, &C::SetSelectedMouseOverColor, 0xFF6495ED);
  }

 private:
  TAlphaColor FSelectedColor = 0xFF0000FF;
  TAlphaColor FMouseOverColor = 0xFFFFA500;
  TAlphaColor FSelectedMouseOverColor = 0xFF6495ED;
  bool FSelected = false, FMouseOver = false, FMouseDown = false, FInSelectionChange = false;
  TCoord FMouseX = NoMouse, FMouseY = NoMouse;
};

}  // namespace dw
