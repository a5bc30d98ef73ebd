// Small helpers the thermometer's sources share (they compile as one combined file, so each
// helper lives once).
#pragma once

#include <cmath>

#include "dialworks/draw/Font.h"

namespace dw::thermometer {

// A length that is finite and positive, else 0.
inline float Finite0(float AValue) { return std::isfinite(AValue) && AValue > 0 ? AValue : 0.0f; }

// Text centred on its origin, never clipped.
inline gp::StringFormat CentredFormat() {
  gp::StringFormat f(gp::StringFormatFlagsNoClip);
  f.SetAlignment(gp::StringAlignmentCenter);
  f.SetLineAlignment(gp::StringAlignmentCenter);
  return f;
}

}  // namespace dw::thermometer
