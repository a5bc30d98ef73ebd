// Small numeric helpers the indicator sources share (internal: not installed).
#pragma once

#include <cmath>

namespace dw::indicators {

// A length read from a property: itself when finite, else 0.
inline float Finite0(float v) { return std::isfinite(v) ? v : 0.0f; }

}  // namespace dw::indicators
