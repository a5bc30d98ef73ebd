// Elements: components embedded in another instrument's element collection (an extra hand, a
// small dial inside a large one) or in a matrix display's layer collection.
//
// An element class is a component (usually an instrument control) that also derives from the
// mixin TRXComponentElement (or TRXDrawComponentElement when it draws):
//
//   class TDWAngularGaugeElement : public TDWBasicAngularGauge, public TRXDrawComponentElement {...};
//
// Elements are created through their collection and owned by it:
//
//   TDWGaugeMinMaxHandElement& peak = gauge.Elements().Add<TDWGaugeMinMaxHandElement>();
//
// A collection accepts only classes registered for one of its families
// (RXRegister...ComponentElement). An element class names the registration of its unit with a
// static member `static void RegisterUnit()`; Add<T>() calls it (once per class) before adding,
// so the library's elements need no registration call first, and an element added that way is
// known by name when its host's properties are loaded back. Forms still find the classes they
// name only through registration (RegisterDialworksPackage). A refused class throws
// TElementRefused from Add<T>() (AddItem and Insert return null with the message instead).
//
// Families accepted by each collection class:
//   TRXComponentElements                component
//   TRXGaugeComponentElements           component, gauge
//   TRXAngularAnalogComponentElements   component, gauge, angular analog
//   TRXLinearAnalogComponentElements    component, gauge, linear analog
//   TRXClockComponentElements           component, clock
//   TRXMatrixComponentElements          matrix
#pragma once

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Persistents.h"
#include "dialworks/framework/Registry.h"

namespace dw {

class TRXComponentElements;
class TRXDrawComponentElement;

// Thrown by TRXComponentElements::Add<T>() for a class the collection does not accept (what():
// the reason, naming the collection, the class and the families it accepts).
class DW_API TElementRefused : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The drawing area a host hands its draw elements: its half extents RX, RY, full extents W, H,
// and the values passed through from its IntDraw.
struct DW_API TRXElementArea {
  float RX = 0, RY = 0, W = 0, H = 0;
  double OuterWidth = 0, OuterHeight = 0;
  bool Offscreen = false;
};

// How a host's elements draw and take the mouse in its geometry. The defaults are the element's
// own calls; a host with a geometry of its own (the dial of an angular gauge) overrides them.
class DW_API TRXElementGeometry {
 public:
  virtual ~TRXElementGeometry() = default;
  virtual void Draw(TRXDrawComponentElement& AElement, gp::Graphics& AGraphics, const TRXElementArea& AArea);
  // Default: enabled, visible and its own HitTest.
  virtual bool HitTest(TRXDrawComponentElement& AElement, int AX, int AY);
  virtual void MouseDown(TRXDrawComponentElement& AElement, TMouseButton AButton, TShiftState AShift, int AX, int AY);
  virtual void MouseMove(TRXDrawComponentElement& AElement, TShiftState AShift, int AX, int AY);
};

class DW_API TRXComponentElement {
 public:
  virtual ~TRXComponentElement() = default;

  // The component this element is (the class's other base).
  TComponent& ElementComponent() { return dynamic_cast<TComponent&>(*this); }
  const TComponent& ElementComponent() const { return dynamic_cast<const TComponent&>(*this); }
  // The collection holding the element (null: none).
  TRXComponentElements* ListOwner() const { return FListOwner.load(std::memory_order_acquire); }
  // Called by the collection when the element joins (non-null) or leaves it. Overrides call the
  // inherited one (external elements disconnect their pin on leaving, repaint on joining).
  virtual void SetListOwner(TRXComponentElements* AOwner) { FListOwner.store(AOwner, std::memory_order_release); }
  int ElementIndex() const;
  // Enabled and visible states: those of the control when the element is one, else true.
  virtual bool ElementEnabled() const;
  virtual bool ElementVisible() const;
  // Every element reports TRXComponentElements as its collection class.
  static const TClassInfo& CollectionClass();
  // Asks the collection to repaint its owner.
  void InvalidateOwner();

 private:
  // Atomic: values arriving on pins invalidate (and so read the list owner) from other threads.
  std::atomic<TRXComponentElements*> FListOwner{nullptr};
};

class DW_API TRXDrawComponentElement : public TRXComponentElement {
 public:
  // Draws the element inside its host's drawing area.
  virtual void Draw(gp::Graphics& AGraphics, const TRXElementArea& AArea) = 0;
  // Whether the host's control pixel (AX, AY) hits the element (as drawn last).
  virtual bool HitTest(int /*AX*/, int /*AY*/) { return false; }
  virtual void MouseDown(TMouseButton /*AButton*/, TShiftState /*AShift*/, int /*AX*/, int /*AY*/) {}
  virtual void MouseMove(TShiftState /*AShift*/, int /*AX*/, int /*AY*/) {}
  virtual void MouseUp(TMouseButton /*AButton*/, TShiftState /*AShift*/, int /*AX*/, int /*AY*/) {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual bool MouseWheel(TShiftState /*AShift*/, int /*AWheelDelta*/, int /*AX*/, int /*AY*/) { return false; }
  // The element lost the selection (another was pressed, or the host's mouse left).
  virtual void Unselect() {}
  // The host's size changed: forwards to the control's size invalidation when the element is a
  // control (element classes that also derive from a control override both at once).
  virtual void InvalidateSize();
};

// Matrix layers render into the matrix display's 32-bit pixel buffer (AWidth x AHeight cells,
// premultiplied 0xAARRGGBB like gp::Bitmap).
class DW_API IRXMatrixLayer {
 public:
  virtual void Render(uint32_t* ABuffer, int AWidth, int AHeight) = 0;

 protected:
  ~IRXMatrixLayer() = default;
};

class DW_API TRXComponentElements : public TCollectionBase {
  DW_CLASS(TRXComponentElements, TCollectionBase)
  // AOwner: the instrument that owns the collection (repainted by InvalidateOwner; its lock and
  // loading state are the collection's).
  explicit TRXComponentElements(TRXTransparentControl* AOwner);
  ~TRXComponentElements() override;

  size_t Count() const override { return FItems.size(); }
  TRXComponentElement& Items(size_t AIndex) const { return *FItems.at(AIndex).Element; }
  TComponent& ItemComponent(size_t AIndex) const { return *FItems.at(AIndex).Component; }
  TPersistent& ItemObject(size_t AIndex) const override { return ItemComponent(AIndex); }
  bool IsPolymorphic() const override { return true; }
  const TClassInfo& ItemBaseClass() const override { return TComponent::StaticClass(); }
  TPersistent* AddItem(const TClassInfo& AClass, std::string* AError = nullptr) override;
  void Clear() override;

  // Creates an element of class T (after T::RegisterUnit() when T has one); throws
  // TElementRefused with the collection's reason when it does not accept T.
  template <class T>
  T& Add() {
    static_assert(std::is_base_of_v<TComponent, T> && std::is_base_of_v<TRXComponentElement, T>);
    if constexpr (requires { T::RegisterUnit(); }) {
      // Registration is idempotent; the flag only saves the registry's lock on later calls.
      static const bool registered = (T::RegisterUnit(), true);
      (void)registered;
    }
    std::string why;
    auto* added = dynamic_cast<T*>(AddItem(T::StaticClass(), &why));
    if (!added) throw TElementRefused(why);
    return *added;
  }
  // Takes an element made elsewhere; refused (destroyed, nullptr) when its class is not accepted,
  // refused and left with the caller (nullptr) when it holds this list.
  TRXComponentElement* Insert(std::unique_ptr<TComponent>&& AElement, std::string* AError = nullptr);
  // Removes and destroys the element at AIndex.
  void Delete(size_t AIndex);
  // Removes the element at AIndex and gives it to the caller (its list owner becomes null).
  std::unique_ptr<TComponent> Extract(size_t AIndex);
  int IndexOf(const TRXComponentElement& AElement) const;

  // Whether this collection accepts elements of AClass, and why not (AError).
  bool Accepts(const TClassInfo& AClass, std::string* AError = nullptr) const override;

  // The elements that implement I, in collection order.
  template <class I>
  std::vector<I*> Query() const {
    std::vector<I*> result;
    for (auto& item : FItems)
      if (I* i = dynamic_cast<I*>(item.Element)) result.push_back(i);
    return result;
  }

  // Draws every visible draw element in collection order (each in a saved graphics state), with
  // the host's geometry for them.
  void DrawElements(gp::Graphics& AGraphics, const TRXElementArea& AArea) const;
  void DrawElements(gp::Graphics& AGraphics, TRXElementGeometry& AGeometry, const TRXElementArea& AArea) const;
  // Tells every draw element that the host's size changed.
  void InvalidateSizes() const;
  // Sets or clears the designing state of every element (the owner's follows it into them).
  void SetDesigning(bool ADesigning) const;

  TRXTransparentControl* Owner() const { return FOwner; }
  void InvalidateOwner();
  TControlMutex* ChangeLock() const override;
  bool IsLoading() const override { return FOwner && FOwner->IsLoading(); }
  void DoChanged() override { InvalidateOwner(); }

 protected:
  // The families whose registered classes this collection accepts.
  virtual std::vector<TRXElementFamily> Families() const { return {efComponent}; }

 private:
  struct TItem {
    std::unique_ptr<TComponent> Component;
    TRXComponentElement* Element;
  };
  TRXTransparentControl* FOwner;
  std::vector<TItem> FItems;
};

#define DW_ELEMENT_FAMILY_COLLECTION(Name, ...)                                   \
  class DW_API Name : public TRXComponentElements {                               \
    DW_CLASS(Name, TRXComponentElements)                                          \
    using TRXComponentElements::TRXComponentElements;                             \
                                                                                  \
   protected:                                                                     \
    std::vector<TRXElementFamily> Families() const override { return {__VA_ARGS__}; } \
  };

DW_ELEMENT_FAMILY_COLLECTION(TRXGaugeComponentElements, efComponent, efGauge)
DW_ELEMENT_FAMILY_COLLECTION(TRXAngularAnalogComponentElements, efComponent, efGauge, efAngularAnalog)
DW_ELEMENT_FAMILY_COLLECTION(TRXLinearAnalogComponentElements, efComponent, efGauge, efLinearAnalog)
DW_ELEMENT_FAMILY_COLLECTION(TRXClockComponentElements, efComponent, efClock)
DW_ELEMENT_FAMILY_COLLECTION(TRXMatrixComponentElements, efMatrix)

// Mouse input of a host's elements. Each event walks the elements from the last (drawn on top) to
// the first:
//   press  the first element hit gets the focus for the host and the press; the walk stops there,
//          every element passed before it is unselected;
//   move   each element visited gets the move; the first one hit then gets MouseEnter and the walk
//          stops, the others passed get MouseLeave; the pressed element keeps getting moves while
//          it lies under another one;
//   release, wheel (one notch, +1 or -1, whatever the host's delta), leaving the host: every
//          element.
// An element's handler may run user code that changes the list: after each call out the walk
// finds the visited element again and goes on from its new place, and ends when it has left.
class DW_API TRXElementMouse {
 public:
  void Down(TRXComponentElements& AList, TRXElementGeometry& AGeometry, TKVBasicControl& AHost,
            TMouseButton AButton, TShiftState AShift, int AX, int AY);
  void Move(TRXComponentElements& AList, TRXElementGeometry& AGeometry, TShiftState AShift, int AX, int AY);
  void Up(TRXComponentElements& AList, TMouseButton AButton, TShiftState AShift, int AX, int AY);
  // Whether an element took the notch.
  bool Wheel(TRXComponentElements& AList, TShiftState AShift, int AWheelDelta, int AX, int AY);
  void Leave(TRXComponentElements& AList);
  // The host lost the focus during a press: the release may never come (it goes elsewhere), so
  // the press ends here with a release where the pointer was last seen.
  void Cancel(TRXComponentElements& AList);

 private:
  TComponentRef<TComponent> FPressed;  // the element the last press went to, until the release
  TMouseButton FButton = mbLeft;       // the last press's button
  int FX = 0, FY = 0;                  // the pointer as last seen
};

// Base of matrix layers that are not instruments (the text matrix layer): Position (X, Y,
// proportions of the buffer's width and height; default 0, 0) and Render.
class DW_API TRXBasicMatrixElement : public TRXTransparentControl, public TRXComponentElement, public IRXMatrixLayer {
  DW_CLASS(TRXBasicMatrixElement, TRXTransparentControl)
  explicit TRXBasicMatrixElement(TComponent* AOwner = nullptr);
  TKVElementOffsets& Position() { return *FPosition; }
  const TKVElementOffsets& Position() const { return *FPosition; }
  void SetPosition(const TKVElementOffsets& AValue) { FPosition->Assign(AValue); }
  // The layer's top-left cell in a buffer of AWidth x AHeight: Position resolved against the
  // buffer's width and height, rounded halves to even.
  void CellOrigin(int AWidth, int AHeight, int& ALeft, int& ATop) const;
  void Invalidate() override;

 private:
  std::unique_ptr<TKVElementOffsets> FPosition;
};

}  // namespace dw
