// The pointer of every dial instrument: shape, colour, drop shadow, the spring animation and the
// angle state (target, current, speed) guarded by the hand's own lock, since animation ticks may
// come from the animation clock's thread while values change on another.
//
// Angles are screen degrees: 0 along +x, growing clockwise (y down). Lengths are proportions of
// the reference length the owner passes to Draw and HitTest (the gauge's face radius).
#pragma once

#include <atomic>
#include <memory>
#include <optional>

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/foundation/DWAnalogInstrumentDecorations.h"
#include "dialworks/foundation/DWAnalogInstrumentGeometry.h"
#include "dialworks/framework/Persistents.h"
#include "dialworks/host/Locks.h"

namespace dw {

// The two spring constants, each limited to 0..1. Read by the animation tick without the control
// lock (an unsubscribe under that lock waits for a running tick), so the tick reads copies kept in
// atomics.
class DW_API TDWHandAnimation : public TEnabledPersistent {
  DW_CLASS(TDWHandAnimation, TEnabledPersistent)
  static constexpr float DefaultAcceleration = 0.015f;
  static constexpr float DefaultResistance = 0.16f;
  TDWHandAnimation(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock);

  float Acceleration() const { return FAcceleration; }
  void SetAcceleration(float AValue);
  float Resistance() const { return FResistance; }
  void SetResistance(float AValue);
  void SetEnabled(bool AValue) override;

  // Safe from any thread.
  float TickAcceleration() const { return FTickAcceleration.load(std::memory_order_relaxed); }
  float TickResistance() const { return FTickResistance.load(std::memory_order_relaxed); }
  bool TickEnabled() const { return FTickEnabled.load(std::memory_order_relaxed); }

 private:
  float FAcceleration = DefaultAcceleration;
  float FResistance = DefaultResistance;
  std::atomic<float> FTickAcceleration{DefaultAcceleration};
  std::atomic<float> FTickResistance{DefaultResistance};
  std::atomic<bool> FTickEnabled{true};
};

class DW_API TDWAngularHand : public TKVBasicControlProperty {
  DW_CLASS(TDWAngularHand, TKVBasicControlProperty)
  TDWAngularHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);

  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { Setter(*this, "Visible", FVisible, AValue); }
  TKVElementSize& Length() { return *FLength; }
  const TKVElementSize& Length() const { return *FLength; }
  void SetLength(const TKVElementSize& AValue) { FLength->Assign(AValue); }
  TKVElementSize& TailLength() { return *FTailLength; }
  const TKVElementSize& TailLength() const { return *FTailLength; }
  void SetTailLength(const TKVElementSize& AValue) { FTailLength->Assign(AValue); }
  TKVElementSize& TipWidth() { return *FTipWidth; }
  const TKVElementSize& TipWidth() const { return *FTipWidth; }
  void SetTipWidth(const TKVElementSize& AValue) { FTipWidth->Assign(AValue); }
  TKVElementSize& TailIndentSize() { return *FTailIndentSize; }
  const TKVElementSize& TailIndentSize() const { return *FTailIndentSize; }
  void SetTailIndentSize(const TKVElementSize& AValue) { FTailIndentSize->Assign(AValue); }
  TKVElementSize& TailWidth() { return *FTailWidth; }
  const TKVElementSize& TailWidth() const { return *FTailWidth; }
  void SetTailWidth(const TKVElementSize& AValue) { FTailWidth->Assign(AValue); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue);
  TDWElementShadow& Shadow() { return *FShadow; }
  const TDWElementShadow& Shadow() const { return *FShadow; }
  void SetShadow(const TDWElementShadow& AValue) { FShadow->Assign(AValue); }
  TDWHandAnimation& Animation() { return *FAnimation; }
  const TDWHandAnimation& Animation() const { return *FAnimation; }
  void SetAnimation(const TDWHandAnimation& AValue) { FAnimation->Assign(AValue); }

  // ---- angle state (under the angle lock) ----
  // Jump: current and target become AAngle, speed 0. Non-finite angles are ignored.
  void SetAngle(float AAngle);
  // The target the animation moves towards (the owner then drives PerformAnimation).
  // Non-finite angles are ignored.
  void SetTargetAngle(float AAngle);
  float GetTargetAngle() const;
  float GetCurrentAngle() const;
  TDWHandMotion GetMotion() const;
  // One spring step; true while the hand still moves, false once it has arrived.
  bool PerformAnimation();
  // Whether the scale the hand moves on closes into a full circle (the hand then takes the
  // shorter way round).
  virtual bool GetIsFullCircle() const { return true; }

  // ---- geometry and drawing ----
  // The four polygons for the reference length (the second length is not used).
  TDWHandPolygons CalculatePoinst(float AReference, float AReference2 = 0) const;
  // Draws the hand pivoting at the middle of the AWidth x AHeight area offset by (ACenterX,
  // ACenterY): shadow first (not scaled), then the hand scaled by (AScaleX, AScaleY), its fill and
  // its light-dependent bevels. The graphics transform is restored.
  void Draw(gp::Graphics& AGraphics, float ACenterX, float ACenterY, float AReference, float AReference2,
            float AWidth, float AHeight, float AUnused1, float AUnused2, float AScaleX, float AScaleY);
  // The same at AAngle instead of the current angle.
  void DrawAt(gp::Graphics& AGraphics, float ACenterX, float ACenterY, float AReference, float AWidth, float AHeight,
              float AScaleX, float AScaleY, float AAngle);
  // What DrawAt with these arguments covers, shadow included (empty when the hand is hidden).
  gp::RectF Bounds(float ACenterX, float ACenterY, float AReference, float AWidth, float AHeight, float AScaleX,
                   float AScaleY, float AAngle);
  // Whether the integer point lies on the hand (not on its shadow), with the same placement.
  bool HitTest(int AX, int AY, float AOffsetX, float AOffsetY, float AReference, float AUnused, float AWidth,
               float AHeight, float AScaleX, float AScaleY);
  // Asks the owning control to redraw.
  void InvalidateOwner();
  // Drops the cached polygons and shadow; the next Draw or HitTest builds them again.
  void DoInvalidateResources();
  // The fill colour (control hands answer with their selection and hover colours).
  virtual TAlphaColor GetColor() const { return FColor; }
  // The cached shadow brush (null until drawn or hit-tested with the shadow visible).
  const gp::PathGradientBrush* ShadowBrush() const { return FShadowBrush.get(); }

 private:
  // Builds the polygons (and the shadow path and brush) for AReference unless they are valid for it.
  void EnsureResources(float AReference);

  bool FVisible = true;
  std::unique_ptr<TKVElementSize> FLength, FTipWidth, FTailLength, FTailWidth, FTailIndentSize;
  TAlphaColor FColor = 0xFFFF0000;
  std::unique_ptr<TDWElementShadow> FShadow;
  std::unique_ptr<TDWHandAnimation> FAnimation;
  mutable TCriticalSection FAngleLock;
  TDWHandMotion FMotion;
  TDWHandPolygons FPolygons;
  std::optional<gp::GraphicsPath> FShadowPath;
  std::unique_ptr<gp::PathGradientBrush> FShadowBrush;
  float FTailIndent = 0;
  bool FValid = false;
  float FValidReference = 0;  // the reference length the cached geometry was built for
};

}  // namespace dw
