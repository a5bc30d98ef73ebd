// Rotation of a whole instrument frame (linear gauge, thermometer, progress bar, segment and matrix
// displays) and the transform that places the unrotated frame inside the control.
//
// The instrument draws in its own unrotated frame of W' x H' pixels; the transform maps that frame
// into the control's W x H rectangle, turned by Angle degrees counter-clockwise on screen (the
// mathematical sense, like the gauges' angles) about the centres of both. For angles within 0.01°
// of a multiple of 90° the frame fills the control exactly: W' = W, H' = H at 0° and 180°, and
// W' = H, H' = W at 90° and 270° (the "turned" flag). For other angles the frame's height H' is
// Thickness x H (the control's height), reduced where a frame that thick would not fit a pixel's
// length, and its width W' the longest that still fits inside the control when turned (at least
// 1 pixel).
#pragma once

#include <functional>

#include "dialworks/Export.h"
#include "dialworks/draw/Matrix.h"

namespace dw {

class DW_API TDWRotation {
 public:
  static constexpr float DefaultThickness = 0.25f;

  TDWRotation() = default;
  explicit TDWRotation(std::function<void()> AOnChange) : FOnChange(std::move(AOnChange)) {}

  // Degrees, any value (folded for use); NaN and infinities are refused (value kept).
  float Angle() const { return FAngle; }
  void SetAngle(float AValue);
  // Height of the turned frame as a proportion of the control's height, for angles that are not
  // a multiple of 90°. Limited to 0.01..1; NaN refused.
  float Thickness() const { return FThickness; }
  void SetThickness(float AValue);

  // Copies angle and thickness (one change notification when anything differs).
  void Assign(const TDWRotation& ASource);
  void SetOnChange(std::function<void()> AOnChange) { FOnChange = std::move(AOnChange); }
  bool operator==(const TDWRotation& AOther) const {
    return FAngle == AOther.FAngle && FThickness == AOther.FThickness;
  }

  // Folded angle in [0, 360).
  float NormalizedAngle() const;
  // Quarter-turn index 0..3 when the angle is within 0.01° of a multiple of 90°, else -1.
  int QuarterTurns() const;

 private:
  void Changed();
  float FAngle = 0;
  float FThickness = DefaultThickness;
  std::function<void()> FOnChange;
};

struct DW_API TDWTransformParams {
  gp::Matrix Matrix;      // unrotated frame -> control
  gp::Matrix BackMatrix;  // control -> unrotated frame (mouse points)
  float Width = 0;        // W'
  float Height = 0;       // H'
  bool Turned = false;    // a quarter or three-quarter turn: W' and H' are the control's H and W
};

// Frame size and transform for a control of AWidth x AHeight; non-positive or NaN sizes count as 0
// and give an empty frame with an identity matrix.
DW_API TDWTransformParams RXCalcTransformParams(const TDWRotation& ARotation, float AWidth, float AHeight);
// The same computation; the name the mouse code of the rotated instruments uses (BackMatrix).
DW_API TDWTransformParams RXCalcTransformBackParams(const TDWRotation& ARotation, float AWidth,
                                             float AHeight);

}  // namespace dw
