// Small helpers the linear gauge's sources share.
#pragma once

#include <cmath>

namespace dw::linear {

// Lengths from proportions may be NaN, infinite or negative: such a length is no length.
inline float Finite0(float AValue) { return std::isfinite(AValue) && AValue > 0 ? AValue : 0.0f; }

}  // namespace dw::linear
