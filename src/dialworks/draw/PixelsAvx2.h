// The pixel loops of Pixels.h eight pixels at a time, for processors with AVX2, chosen once at
// run time: the same arithmetic, so the same pixels, on every processor.
#pragma once

#include <cstdint>

#include "dialworks/Export.h"

namespace dw::gp {

// Whether this processor runs AVX2 code (asked once).
DW_API bool HasAvx2();

// OverPixels, CoverOverPixels and CoverOverColours as the processor runs them best.
using TOverPixels = void (*)(uint32_t* dst, const uint32_t* src, int n);
using TCoverOverPixels = void (*)(uint32_t* dst, const uint32_t* src, const uint8_t* cover, int n);
using TCoverOverColours = void (*)(uint32_t* dst, const uint32_t* covers, const uint32_t* colours, int count, int n);
DW_API TOverPixels BestOverPixels();
DW_API TCoverOverPixels BestCoverOverPixels();
DW_API TCoverOverColours BestCoverOverColours();

}  // namespace dw::gp
