// The drawing, caching, element and lifecycle machinery every instrument shares. An instrument
// derives its basic class from TDWLayeredInstrument<its value or colour control base> and writes
// only what makes it different:
//
//   LayerArea        where its layers lie in a drawing area (and so the size they are cached at)
//   DrawFaceLayer    what never moves: painted once into the cached face layer
//   DrawTopLayer     what lies over the moving parts (glass, bands, cap), when HasTopLayer says so
//   DrawMovingParts  hands, pointers, elements: painted every frame between the two layers
//   FaceShape        the outline moving parts and the face's inner parts are clipped to
//   SnapMovingParts, HoldMovingParts, MovingPartsBounds   repaints of only what moved (below)
//   ValueChanged, SizeChanged, StopMotion   its part of the lifecycle (below)
//   SettleMotion  ends its animations with the moving parts at their targets (Settle, which
//                 every control offers, calls it and then settles the elements)
//
// A frame: the face layer, then the moving parts (anti-aliasing on when the control has it, in
// their own graphics state), then the top layer. With a top layer, and moving parts the instrument
// can bound, the frame copies the two layers precomposed and draws the three again only where the
// moving parts lie: the same picture, without blending the glass over the whole face each frame. The layers are built at the device resolution of
// the frame's graphics (HiDPI renders), at most MaxLayerPixels each, on the first frame after
// what they show changed. Invalidation drops layers by category (LayersDroppedBy): a value change
// none, a range, appearance or size change both (a change of Min or Max keeps the top layer of
// instruments whose top layer does not show them). A dropped layer's bitmap is kept as a spare for
// the next build of the same size and released after it.
//
// Repaints of only what moved: a new value or an animation step asks the host to repaint the
// union of where the moving parts were drawn by the last paint on screen and where they lie now,
// when the instrument can tell (MovingPartsBounds); otherwise the whole control. The state of the
// moving parts may change on other threads during a frame, so each frame draws one snapshot of it
// (SnapMovingParts). A paint of part of the control shows the state the last request held
// (HoldMovingParts) when the current one would not lie wholly inside the part: a hand drawn cut
// at the part's edge would stay on screen.
//
// Lifecycle: InvalidateValue -> ValueChanged, then a repaint unless MotionRepaints; InvalidateRange -> drop, ValueChanged, element size
// invalidation; InvalidateSize and SetBounds -> drop, SizeChanged (sizes below MinimumSize are raised);
// Loaded -> ValueLoaded, then InvalidateValue.
//
// Destruction: BeforeDestruction (called by owners, collections and TComponent::Destroy while the
// object is still whole) first stops every input: the pins of the instrument (TDWWithInputPin adds
// itself), StopMotion (animations, timers), then the elements, which are destroyed while their
// host is whole. An instrument deleted without it (a plain delete) is stopped by its basic class's
// destructor (StopInputs), once the classes derived from that are gone.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/LayerRuns.h"
#include "dialworks/draw/Matrix.h"
#include "dialworks/draw/Path.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/host/HostServices.h"

namespace dw {

// Where the layers lie in the drawing area and their size, in control pixels.
struct DW_API TDWLayerArea {
  float X = 0, Y = 0;
  float Width = 0, Height = 0;
};

// One frame as the hooks see it: the drawing area of IntDraw and the layers' place in it. The
// hooks draw relative to the layers' top-left corner.
struct DW_API TDWLayerFrame : TDrawArea {
  TDWLayerArea Area;
  bool TopLayer = false;  // whether the top layer exists (else moving parts draw what it would hold)
  // The part of the layers this paint can change (the graphics' clip, in layer coordinates).
  gp::RectF Visible;
  bool Partial = false;  // Visible is not all of the layers
  // The moving parts are drawn in their held state, not in this frame's snapshot.
  bool ShowHeld = false;
};

// The outline moving parts are clipped to, in layer coordinates. Setting it as a clip is cheap:
// the graphics keeps the clip and its coverage while the same outline is set again.
struct DW_API TDWFaceShape {
  gp::GraphicsPath Path;
};

// Scale: Min or Max changed (a kind of range change).
enum class TDWInvalidation : uint8_t { Value, Range, Scale, Size, All };
enum TDWLayerSet : uint8_t { lsNone = 0, lsFace = 1, lsTop = 2, lsBoth = 3 };

// What the layered frame calls on its instrument (TDWLayeredInstrument implements it).
class DW_API IDWLayeredDrawing {
 public:
  // Empty (a side below one pixel): nothing is drawn.
  virtual TDWLayerArea LayerArea(float AWidth, float AHeight) = 0;
  virtual TDWFaceShape FaceShape(const TDWLayerFrame& AFrame) = 0;
  virtual bool HasTopLayer(const TDWLayerFrame& AFrame) = 0;
  virtual void DrawFaceLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) = 0;
  virtual void DrawTopLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) = 0;
  virtual void DrawMovingParts(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) = 0;
  // The moving parts' state (see the top of this file): Snap copies the current one, Hold makes
  // the snapshot the held one, Bounds tells where the held one or the snapshot is drawn (layer
  // coordinates of AFrame; false: the instrument cannot tell). Under the control lock.
  virtual void SnapMovingParts() = 0;
  virtual void HoldMovingParts() = 0;
  virtual bool MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) = 0;
  // Whether everything DrawMovingParts draws lies within MovingPartsBounds (no elements drawn
  // elsewhere): then a frame copies the top layer precomposed over the face and draws face, moving
  // parts and top layer again only there.
  virtual bool MovingPartsOnlyInBounds() const = 0;

 protected:
  ~IDWLayeredDrawing() = default;
};

// The state of an instrument's moving parts as the frames see it: the snapshot the frame being
// drawn shows (SnapMovingParts) and the state held for partial paints (HoldMovingParts). Under
// the control lock.
template <class TState>
class TDWMovingState {
 public:
  explicit TDWMovingState(const TState& AState = TState()) : FSnap(AState), FHeld(AState) {}
  void Snap(const TState& AState) { FSnap = AState; }
  void Hold() { FHeld = FSnap; }
  // The held state or the snapshot.
  const TState& Get(bool AHeld) const { return AHeld ? FHeld : FSnap; }
  // The state AFrame draws.
  const TState& Drawn(const TDWLayerFrame& AFrame) const { return Get(AFrame.ShowHeld); }

 private:
  TState FSnap, FHeld;
};

// The bounding box of APoints through AMatrix, for MovingPartsBounds: empty without points, not
// finite (IsFinite false) when a point is not.
DW_API gp::RectF DWTransformedBounds(const gp::Matrix& AMatrix, std::span<const gp::PointF> APoints);

// The two cached layers, their spares and what they were built for.
class DW_API TDWInstrumentLayers {
 public:
  // Largest layer, in pixels: bigger instruments are cached at a lower resolution than the
  // device's rather than allocating without bound.
  static constexpr double MaxLayerPixels = 4.0 * 1024 * 1024;

  // Device pixels per control pixel of a graphics (from its transform; 1 outside 0.25..16).
  static float DeviceScale(const gp::Graphics& AGraphics);

  // One frame (under the control's draw lock): builds what is missing, draws.
  void DrawFrame(gp::Graphics& AGraphics, IDWLayeredDrawing& AInstrument, TDWLayerFrame& AFrame, bool AAntiAliased);
  // Moves the layers of ASet into the spares (the next frame builds them again).
  void Drop(TDWLayerSet ASet);
  // Frees both layers, the composed one, their resampling and the spares (the next frame builds
  // them again).
  void Release();
  // The face outline of the last build (empty before one).
  const TDWFaceShape& FaceShape() const { return FShape; }
  // The last frame drawn on screen and where its moving parts were drawn (false before one, or
  // when the instrument could not tell).
  bool LastFrame(TDWLayerFrame& AFrame, gp::RectF& AMoving) const {
    if (FLastFrameValid) AFrame = FLastFrame, AMoving = FLastMoving;
    return FLastFrameValid;
  }
  // The whole control is to be repainted (any thread, no lock): the next frame on screen shows
  // the moving parts as they are and holds that. A frame that always shows part of the layers (an
  // element cut by its host's face) would otherwise keep the state of its last partial repaint
  // after a jump that repaints the whole control (Settle, a range change).
  void WholeRepaintRequested() { FWholeRequested.store(true); }

  bool HasFace() const { return static_cast<bool>(FFace); }
  bool HasTop() const { return static_cast<bool>(FTop); }
  uint64_t Builds() const { return FBuilds; }
  // Bytes held: the layers with the runs found in them, their resampling for the device (frames
  // at a scale the layers do not lie on the device's pixels at), and the spares of the last drop
  // (at most two, each the size of a layer it replaced; the next build takes or releases them).
  size_t Bytes() const;
  uint64_t Draws() const { return FDraws.load(std::memory_order_relaxed); }

 private:
  void Build(gp::Graphics& AFrameGraphics, IDWLayeredDrawing& AInstrument, TDWLayerFrame& AFrame, float AScale,
             bool AAntiAliased, TDWLayerSet ASet);
  std::unique_ptr<gp::Bitmap> NewLayer(int AWidth, int AHeight);
  // Makes the resampled layers current for ADevice (a scale without rotation) and ALayer, the
  // rectangle the layers' pixels cover (control units); false (and none kept) when they would
  // exceed MaxLayerPixels.
  bool Resample(gp::Graphics& AFrameGraphics, const gp::Matrix& ADevice, const gp::RectF& ALayer);
  void DrawMoving(gp::Graphics& g, IDWLayeredDrawing& AInstrument, const TDWLayerFrame& AFrame, bool AAntiAliased);
  // Records what a frame on screen showed (for repaints of only what moved).
  void FinishFrame(IDWLayeredDrawing& AInstrument, const TDWLayerFrame& AFrame);

  std::unique_ptr<gp::Bitmap> FFace;
  std::unique_ptr<gp::Bitmap> FTop;
  gp::LayerRuns FFaceRuns, FTopRuns;  // found in each layer when it is built
  // The top layer composed over the face, with its runs: most of a frame is a copy of it.
  // Kept for instruments that can use it (MovingPartsOnlyInBounds); a drop leaves the bitmap for
  // the next build to reuse.
  std::unique_ptr<gp::Bitmap> FComposed;
  gp::LayerRuns FComposedRuns;
  bool FComposedValid = false;
  bool FTopBuilt = false;  // FTop is current (null: the instrument wanted none)
  // Face and top layer resampled onto the device's pixels, for frames at another scale than the
  // layers' or between device pixels; made for the fraction of a pixel at FResampledX, FResampledY.
  // A drop leaves the bitmap for the next resampling; a build at scale 1 releases it.
  struct TResampledLayer {
    std::unique_ptr<gp::Bitmap> Bitmap;
    gp::LayerRuns Runs;
    bool Valid = false;
  };
  TResampledLayer FResampled[2];
  float FResampledX = -1, FResampledY = -1;
  // Layers of the last drop, reused by the next build when their size fits: clearing pages
  // already mapped costs far less than faulting in fresh ones.
  std::unique_ptr<gp::Bitmap> FSpares[2];
  float FWidth = 0, FHeight = 0, FScale = 0;  // what the layers were built for
  float FLayerScale = 1;  // layer pixels per unit: below FScale when shrunk to MaxLayerPixels
  bool FAntiAliased = false;  // how the layers were drawn
  TDWFaceShape FShape;
  TDWLayerFrame FLastFrame;
  gp::RectF FLastMoving;
  bool FLastFrameValid = false;
  std::atomic<bool> FWholeRequested{false};
  uint64_t FBuilds = 0;
  std::atomic<uint64_t> FDraws{0};  // frames that got the draw lock
};

// ALayerRect (layer coordinates of AFrame) as whole control pixels, one wider on every side and
// cut to the control's AWidth x AHeight.
DW_API TRepaintRect DWLayerRepaintRect(const TDWLayerFrame& AFrame, const gp::RectF& ALayerRect, int AWidth,
                                       int AHeight);

// The base of every instrument's basic class (TBase: the value model TDWBasicMinMaxInstrument, or
// a control base for instruments without a value). Mouse events go to the elements
// (TRXElementMouse) with the geometry the instrument gives them (ElementGeometry).
template <class TBase>
class TDWLayeredInstrument : public TBase, protected IDWLayeredDrawing {
 public:
  explicit TDWLayeredInstrument(TComponent* AOwner = nullptr) : TBase(AOwner) {}

  void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) override {
    TBase::IntDraw(AGraphics, AArea);
    TControlDrawLock lock(*this);
    if (!lock) return;
    TDWLayerFrame frame;
    static_cast<TDrawArea&>(frame) = AArea;
    FLayers.DrawFrame(AGraphics, *this, frame, this->AntiAliased());
  }

  void InvalidateValue() override {
    Drop(TDWInvalidation::Value);
    if (Stopped()) {
      TBase::InvalidateValue();
      return;
    }
    ValueChanged();
    // Moving parts on their way are repainted by their refresh timer, at most once per refresh
    // interval: a repaint of the new value's own would come on top of those.
    if (!MotionRepaints()) RepaintMoving();
  }
  void Invalidate() override {
    FLayers.WholeRepaintRequested();
    TBase::Invalidate();
  }
  void InvalidateRange() override { RangeInvalidated(TDWInvalidation::Range); }
  // An instrument whose top layer does not show Min and Max keeps it (LayersDroppedBy); for the
  // others it is any range change, through their own InvalidateRange.
  void InvalidateScale() override {
    if (LayersDroppedBy(TDWInvalidation::Scale) == LayersDroppedBy(TDWInvalidation::Range)) this->InvalidateRange();
    else RangeInvalidated(TDWInvalidation::Scale);
  }
  // Under the control lock: the resources a size change drops are what a value set on another
  // thread builds again (the moving parts' bounds).
  void InvalidateSize() override {
    {
      std::lock_guard lock(this->ControlLock());
      Drop(TDWInvalidation::Size);
      SizeChanged();
    }
    TBase::InvalidateSize();
  }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override {
    {
      std::lock_guard lock(this->ControlLock());
      Drop(TDWInvalidation::Size);
    }
    TBase::SetBounds(ALeft, ATop, std::max(AWidth, MinimumSize()), std::max(AHeight, MinimumSize()));
    {
      std::lock_guard lock(this->ControlLock());
      SizeChanged();
    }
    if (TRXComponentElements* list = this->ElementList()) list->InvalidateSizes();
  }
  void Loaded() override {
    TBase::Loaded();
    ValueLoaded();
    InvalidateValue();
  }
  void BeforeDestruction() override {
    StopInputs();
    TBase::BeforeDestruction();
  }

  // Mouse: while designing or disabled only the release and the leave reach the elements.
  void MouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY) override {
    if (this->IsDesigning() || !this->Enabled()) return;
    if (TRXComponentElements* list = this->ElementList())
      FMouse.Down(*list, *ElementGeometry(), *this, AButton, AShift, AX, AY);
  }
  void MouseMove(TShiftState AShift, int AX, int AY) override {
    if (this->IsDesigning() || !this->Enabled()) return;
    if (TRXComponentElements* list = this->ElementList()) FMouse.Move(*list, *ElementGeometry(), AShift, AX, AY);
  }
  void MouseUp(TMouseButton AButton, TShiftState AShift, int AX, int AY) override {
    if (TRXComponentElements* list = this->ElementList()) FMouse.Up(*list, AButton, AShift, AX, AY);
  }
  bool MouseWheel(TShiftState AShift, int AWheelDelta, int AX, int AY) override {
    if (this->IsDesigning() || !this->Enabled()) return false;
    TRXComponentElements* list = this->ElementList();
    return list && FMouse.Wheel(*list, AShift, AWheelDelta, AX, AY);
  }
  void MouseLeave() override {
    if (TRXComponentElements* list = this->ElementList()) FMouse.Leave(*list);
  }
  // A drag ends with the focus (the selection stays): moves after it, button or not, drag nothing.
  void FocusLost() override {
    TBase::FocusLost();
    if (TRXComponentElements* list = this->ElementList()) FMouse.Cancel(*list);
  }

 protected:
  // ---- hooks (see the top of this file) ----
  TDWFaceShape FaceShape(const TDWLayerFrame& AFrame) override {
    TDWFaceShape s;
    s.Path.AddRectangle(gp::RectF(0, 0, AFrame.Area.Width, AFrame.Area.Height));
    return s;
  }
  bool HasTopLayer(const TDWLayerFrame&) override { return false; }
  void DrawTopLayer(gp::Graphics&, const TDWLayerFrame&) override {}
  void DrawMovingParts(gp::Graphics&, const TDWLayerFrame&) override {}
  void ReleaseOwnCaches() override { FLayers.Release(); }
  // Which layers a change of this kind makes stale.
  virtual TDWLayerSet LayersDroppedBy(TDWInvalidation AKind) const {
    return AKind == TDWInvalidation::Value ? lsNone : lsBoth;
  }
  // The value or range changed: take it over (hands, elements mirroring the instrument).
  virtual void ValueChanged() { this->UpdateEmbeddedValues(); }
  // The size changed: drop size-bound resources of the moving parts.
  virtual void SizeChanged() {}
  // After streaming, before the loaded value is shown.
  virtual void ValueLoaded() {}
  // Stops animations and timers for good (destruction; must be idempotent).
  virtual void StopMotion() {}
  virtual bool MotionStopped() const { return false; }
  // Whether the moving parts are animating and a refresh timer repaints them (asked after
  // ValueChanged: a value change then requests no repaint of its own).
  virtual bool MotionRepaints() const { return false; }
  virtual int MinimumSize() const { return 0; }
  // The moving parts moved (a new value, an animation step): asks for the repaint of their old
  // and new place, or of the whole control. Also called from refresh timers: the lock is waited
  // for only briefly, since the thread holding it may be the one stopping that timer.
  void RepaintMoving() {
    std::unique_lock lock(this->ControlLock(), std::defer_lock);
    TDWLayerFrame frame;
    gp::RectF drawn, now;
    if (!lock.try_lock_for(std::chrono::milliseconds(5)) || !FLayers.LastFrame(frame, drawn)) {
      TBase::InvalidateValue();
      return;
    }
    SnapMovingParts();
    if (!MovingPartsBounds(frame, false, now)) {
      TBase::InvalidateValue();
      return;
    }
    HoldMovingParts();
    RequestLayerRepaint(frame, gp::RectF::Union(drawn, now));
  }
  // Moving parts that cannot tell their bounds (the default) are repainted whole.
  void SnapMovingParts() override {}
  void HoldMovingParts() override {}
  bool MovingPartsBounds(const TDWLayerFrame&, bool, gp::RectF&) override { return false; }
  bool MovingPartsOnlyInBounds() const override { return false; }
  // The geometry elements take the mouse with, for one event (read under the control lock,
  // released before any element is called).
  virtual std::unique_ptr<TRXElementGeometry> ElementGeometry() { return std::make_unique<TRXElementGeometry>(); }

  // The layers' face outline of the last build (for clipping the moving parts).
  const TDWFaceShape& BuiltFaceShape() const { return FLayers.FaceShape(); }
  void Drop(TDWInvalidation AKind) { FLayers.Drop(LayersDroppedBy(AKind)); }
  void RangeInvalidated(TDWInvalidation AKind) {
    TBase::InvalidateRange();
    if (Stopped()) return;
    Drop(AKind);
    ValueChanged();
    if (TRXComponentElements* list = this->ElementList()) list->InvalidateSizes();
  }
  bool Stopped() const { return this->IsDestroying() || MotionStopped(); }
  // Asks the host to repaint ALayerRect (layer coordinates of AFrame, widened to whole pixels
  // plus one for anti-aliasing). An element and a frame drawn scaled or at another size than the
  // control's repaint the whole control instead (hosts repaint the controls they show, in the
  // controls' own pixels).
  void RequestLayerRepaint(const TDWLayerFrame& AFrame, const gp::RectF& ALayerRect) {
    if (this->IsLoading() || this->IsDestroying()) return;
    if (AFrame.ScaleX != 1 || AFrame.ScaleY != 1 || AFrame.Width != float(this->Width()) ||
        AFrame.Height != float(this->Height()) || dynamic_cast<TRXComponentElement*>(this)) {
      this->Invalidate();
      return;
    }
    const TRepaintRect r = DWLayerRepaintRect(AFrame, ALayerRect, this->Width(), this->Height());
    if (!r.IsEmpty()) HostServices().RequestRepaint(*this, r);
  }
  // Stops motion and destroys the elements, once. BeforeDestruction calls it (after the pins,
  // which classes built with TDWWithInputPin disconnect first); the destructor of a class that
  // overrides StopMotion calls it too, for an instrument deleted without BeforeDestruction.
  void StopInputs() {
    if (FInputsStopped) return;
    FInputsStopped = true;
    StopMotion();
    if (TRXComponentElements* list = this->ElementList()) list->Clear();
  }

 private:
  friend struct TDWLayeredInstrumentProbe;
  TDWInstrumentLayers FLayers;
  TRXElementMouse FMouse;
  bool FInputsStopped = false;
};

// Reads an instrument's layer state for tests and benchmarks (not part of any instrument's API).
struct DW_API TDWLayeredInstrumentProbe {
  template <class TBase>
  static const TDWInstrumentLayers& Layers(const TDWLayeredInstrument<TBase>& AInstrument) {
    return AInstrument.FLayers;
  }
  template <class TBase>
  static uint64_t Builds(const TDWLayeredInstrument<TBase>& AInstrument) {
    return AInstrument.FLayers.Builds();
  }
  template <class TBase>
  static size_t Bytes(const TDWLayeredInstrument<TBase>& AInstrument) {
    return AInstrument.FLayers.Bytes();
  }
  template <class TBase>
  static uint64_t Draws(const TDWLayeredInstrument<TBase>& AInstrument) {
    return AInstrument.FLayers.Draws();
  }
  template <class TBase>
  static bool HasFace(const TDWLayeredInstrument<TBase>& AInstrument) {
    return AInstrument.FLayers.HasFace();
  }
  template <class TBase>
  static bool HasTop(const TDWLayeredInstrument<TBase>& AInstrument) {
    return AInstrument.FLayers.HasTop();
  }
  // Drops both layers as a size change would.
  template <class TBase>
  static void Drop(TDWLayeredInstrument<TBase>& AInstrument) {
    AInstrument.FLayers.Drop(lsBoth);
  }
};

}  // namespace dw
