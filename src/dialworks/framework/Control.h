// Controls: the base of every instrument, whether it stands on a form, is a layer of a layered
// host, an element of another instrument or a layer of a matrix display.
//
// Threads and locks: drawing and property changes run on the user-interface thread; pins and the
// animation clock may call in from other threads. Every change-notifying assignment on the
// control or its nested objects holds the control lock (a TControlMutex, first come first
// served); drawing waits briefly for its turn and draws nothing without it (TControlDrawLock).
//
// Paint path: the host calls Paint(graphics) (or IntRender for a pixel buffer); both take the draw
// lock and call the virtual IntDraw with the drawing area. Instruments override IntDraw, call the
// inherited IntDraw first, then draw.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/framework/ChangeNotify.h"
#include "dialworks/framework/Component.h"
#include "dialworks/framework/Persistents.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/host/Rotation.h"

namespace dw {

class TRXComponentElements;
class TRXDrawComponentElement;

// The drawing area of one IntDraw.
struct DW_API TDrawArea {
  float ScaleX = 1, ScaleY = 1;  // scale of the device relative to the control's pixels (1 on screen)
  float Width = 0, Height = 0;   // size of the drawing area in pixels, at the graphics' origin
  // Size of the outermost surface being painted (the control itself, or the host instrument for
  // an element); passed through to elements.
  double OuterWidth = 0, OuterHeight = 0;
  bool Embedded = false;   // drawn as a layer or element inside another control (no background)
  bool Offscreen = false;  // drawn into an off-screen image (IntRender, export) rather than a window
};

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag : uint8_t { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
using TShiftState = uint8_t;

// A control that draws only what it paints (no background of its own), so it can also act as a
// drawing layer. Holds bounds, visibility, the enabled state and the control lock.
class DW_API TRXTransparentControl : public TComponent, public IKVControl {
  DW_CLASS(TRXTransparentControl, TComponent)
  static constexpr int MaxSize = 32767;
  explicit TRXTransparentControl(TComponent* AOwner = nullptr);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int AValue) { SetBounds(AValue, FTop, FWidth, FHeight); }
  void SetTop(int AValue) { SetBounds(FLeft, AValue, FWidth, FHeight); }
  void SetWidth(int AValue) { SetBounds(FLeft, FTop, AValue, FHeight); }
  void SetHeight(int AValue) { SetBounds(FLeft, FTop, FWidth, AValue); }
  // Width and height are limited to 0..MaxSize; a size change calls InvalidateSize, a move
  // Invalidate.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { Setter(*this, "Visible", FVisible, AValue); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { Setter(*this, "Enabled", FEnabled, AValue); }

  // IKVControl / TPersistent
  TControlMutex& ControlLock() override { return FControlLock; }
  TControlMutex* ChangeLock() const override { return &FControlLock; }
  bool IsLoading() const override { return TComponent::IsLoading(); }
  void DoChanged() override { Invalidate(); }
  void Invalidate() override {}
  virtual void InvalidateSize() { Invalidate(); }

 protected:
  // Sets the size without notification (constructors: the class's default size).
  void InitSize(int AWidth, int AHeight);
  // Sets Width and Height to the defaults of this object's class table (constructors of classes
  // that override the defaults with t.Default("Width", ...)).
  void ApplyDefaultSize();

 private:
  mutable TControlMutex FControlLock;
  int FLeft = 0, FTop = 0, FWidth = 100, FHeight = 100;
  bool FVisible = true;
  bool FEnabled = true;
};

class DW_API TKVBasicControl : public TRXTransparentControl {
  DW_CLASS(TKVBasicControl, TRXTransparentControl)
  explicit TKVBasicControl(TComponent* AOwner = nullptr);
  ~TKVBasicControl() override;

  // The anti-alias switch: smoothing for everything the control draws (default on).
  bool AntiAliased() const { return FAntiAliased; }
  void SetAntiAliased(bool AValue) { Setter(*this, "AntiAliased", FAntiAliased, AValue); }

  // The drawing entry every instrument overrides (calling the inherited one first). The base
  // applies the anti-alias switch.
  virtual void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea);

  // Host paint entry: the whole control at the graphics' origin, under the draw lock (nothing is
  // drawn when another thread holds the control lock). The graphics state is restored after.
  void Paint(gp::Graphics& AGraphics);

  // Draws the control, AWidth x AHeight pixels, with its top-left corner at (ALeft, ATop) of a
  // 32-bit buffer of ABufferWidth x ABufferHeight pixels (rows packed), composing it over what
  // the buffer holds (source-over). Pixels are 0xAARRGGBB with premultiplied alpha, the layout of
  // gp::Bitmap and the PB... pixel-block primitives. Parts outside the buffer are clipped; NaN,
  // non-positive sizes or a missing buffer draw nothing; the draw lock applies as for Paint.
  // Returns whether anything was drawn.
  bool IntRender(int ALeft, int ATop, float AWidth, float AHeight, uint32_t* ABuffer, int ABufferWidth,
                 int ABufferHeight);

  // Redraw requests. Invalidate asks the host to repaint (HostServices().RequestRepaint), except
  // while loading or destroying; when the control is an element in a collection it also asks the
  // collection to invalidate its owner. The others are narrower requests instruments override to
  // drop their caches; by default each calls Invalidate.
  void Invalidate() override;
  virtual void InvalidateValue() { Invalidate(); }
  virtual void InvalidateRange() { Invalidate(); }
  // Min or Max changed: by default a range change like any other.
  virtual void InvalidateScale() { InvalidateRange(); }
  void InvalidateSize() override { Invalidate(); }
  // Hands the instrument's current values to the elements that mirror it (instruments override).
  virtual void UpdateEmbeddedValues() {}
  // The element collection mouse events and UpdateEmbeddedValues walk (null: none).
  virtual TRXComponentElements* ElementList() { return nullptr; }
  // Also sets the elements' state.
  void SetDesigning(bool ADesigning) override;

  // Ends running animations and puts every moving part (this control's hands and pointers, then
  // those of its elements) at its target at once, and repaints: a picture painted right after
  // configuring in code shows the values just set. Nothing else changes: the first value after
  // creation, loading or SetMin/SetMax still jumps or animates as it would, and later values
  // animate again. Call it on the user-interface thread.
  void Settle();

  // Frees what the control keeps between paints to draw the next one sooner (cached layers), its
  // elements' too; the next paint builds it again. A render drawing each control once calls it
  // after each, so its memory stays about one control's however many the form holds.
  void ReleaseCaches();

  // Mouse and focus, in control pixels. The base forwards to the element list: a press selects
  // the topmost enabled draw element hit (HitTest), which then gets moves and the release; the
  // wheel goes to the selected element. Return value of MouseWheel: handled.
  virtual void MouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY);
  virtual void MouseMove(TShiftState AShift, int AX, int AY);
  virtual void MouseUp(TMouseButton AButton, TShiftState AShift, int AX, int AY);
  virtual bool MouseWheel(TShiftState AShift, int AWheelDelta, int AX, int AY);
  virtual void MouseLeave();
  virtual void FocusGained();
  virtual void FocusLost();
  bool Focused() const { return FFocused; }
  // The element the mouse selected last (null: none); cleared when it leaves the list.
  TRXDrawComponentElement* SelectedElement() const;
  void Unselect();

  void BeforeDestruction() override;

 protected:
  // This control's own part of Settle: instruments end their animations here with their moving
  // parts at the targets (the elements are settled by Settle itself).
  virtual void SettleMotion() {}
  // This control's own part of ReleaseCaches (under the control lock).
  virtual void ReleaseOwnCaches() {}

 private:
  // Calls AVisit for each element that is itself a control (elements of elements are the
  // visitor's business).
  void ForEachElementControl(const std::function<void(TKVBasicControl&)>& AVisit);
  TRXDrawComponentElement* ElementAt(int AX, int AY);
  // The element ARef holds while it is in this control's list (one that left it: none).
  TRXDrawComponentElement* Listed(const TComponentRef<TComponent>& ARef) const;
  bool FAntiAliased = true;
  bool FFocused = false;
  bool FMouseCaptured = false;
  TComponentRef<TComponent> FSelected;  // the selected element's component
  TComponentRef<TComponent> FHovered;
};

// Holds the control lock for drawing if its turn comes within DrawWait: `if (!lock) return;`.
// Assignments queued before it are short, so a painter does not skip its frame for a writer on
// another thread; a lock held for long (or a writer waiting on this thread) costs one frame.
class DW_API TControlDrawLock {
 public:
  static constexpr std::chrono::microseconds DrawWait{10000};
  explicit TControlDrawLock(IKVControl& AControl) : FLock(AControl.ControlLock(), DrawWait) {}
  explicit operator bool() const { return FLock.owns_lock(); }

 private:
  std::unique_lock<TControlMutex> FLock;
};

// A control with a Color (default 0xFFFFFFFF, white); the base of the analog clock.
class DW_API TKVBasicColorControl : public TKVBasicControl {
  DW_CLASS(TKVBasicColorControl, TKVBasicControl)
  explicit TKVBasicColorControl(TComponent* AOwner = nullptr) : TKVBasicControl(AOwner) {}
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }

 protected:
  TAlphaColor FColor = 0xFFFFFFFF;
};

// The Rotation of a rotatable control as a nested property object: Angle in degrees (any finite
// value, folded for use; NaN and infinities refused) and Thickness (0.01..1, limited). It edits
// the TDWRotation the control holds.
class DW_API TDWRotationProperty : public TKVBasicControlProperty {
  DW_CLASS(TDWRotationProperty, TKVBasicControlProperty)
  TDWRotationProperty(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, TDWRotation& ARotation)
      : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl), FRotation(ARotation) {}
  float Angle() const { return FRotation.Angle(); }
  void SetAngle(float AValue);
  float Thickness() const { return FRotation.Thickness(); }
  void SetThickness(float AValue);

 private:
  TDWRotation& FRotation;
};

// A control whose frame can be turned (linear gauge, thermometer, progress bar, segment and
// matrix displays). A rotation change is a size change (InvalidateSize).
class DW_API TDWBasicRotatableControl : public TKVBasicControl {
  DW_CLASS(TDWBasicRotatableControl, TKVBasicControl)
  explicit TDWBasicRotatableControl(TComponent* AOwner = nullptr);
  TDWRotation& Rotation() { return FRotation; }
  const TDWRotation& Rotation() const { return FRotation; }
  void SetRotation(const TDWRotation& AValue) { FRotationProperty->SetAngle(AValue.Angle()); FRotationProperty->SetThickness(AValue.Thickness()); }
  TDWRotationProperty& RotationProperty() { return *FRotationProperty; }
  // Frame size and transform for the drawing area AWidth x AHeight.
  TDWTransformParams TransformParams(float AWidth, float AHeight) const {
    return RXCalcTransformParams(FRotation, AWidth, AHeight);
  }

 private:
  TDWRotation FRotation;
  std::unique_ptr<TDWRotationProperty> FRotationProperty;
};

}  // namespace dw
