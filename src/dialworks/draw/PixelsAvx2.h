// The pixel loops of Pixels.h eight pixels at a time for processors with AVX2 (sixteen with
// AVX-512 where that pays), chosen once at run time: the same arithmetic, so the same pixels, on
// every processor.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dialworks/Export.h"

namespace dw::gp {

struct MaskSpan;

// Whether this processor runs AVX2 code (asked once).
DW_API bool HasAvx2();

// OverPixels and CoverOverPixels as the processor runs them best.
using TOverPixels = void (*)(uint32_t* dst, const uint32_t* src, int n);
using TCoverOverPixels = void (*)(uint32_t* dst, const uint32_t* src, const uint8_t* cover, int n);
DW_API TOverPixels BestOverPixels();
// The widest loops the Best functions choose from then on: 2 (AVX-512 where there is one), 1 (at
// most AVX2), 0 (one pixel at a time). For tests of each kind on a processor that has them all.
DW_API void CapPixelLoops(int ALevel);
DW_API TCoverOverPixels BestCoverOverPixels();
// CoverOverColours on each span: covers row Y (coversStride words apart) over dst row Y (dstStride
// bytes apart), columns X0..X1 of both; the colours prepared once for them all.
using TCoverOverColourSpans = void (*)(uint8_t* dst, int dstStride, const uint32_t* covers, int coversStride,
                                       const MaskSpan* spans, size_t n, const uint32_t* colours, int count);
DW_API TCoverOverColourSpans BestCoverOverColourSpans();
// A convex path gradient's pixels x0..x0+n-1 of one row, each scaled by its coverage byte (none:
// whole), over dst: per pixel centre px the colour lut[(1 - min(t, 1)) 255 + 0.5], t the largest
// of 0 and A[e] px + k[e] over the edges, in double arithmetic (a multiply, then an add).
// nullptr where the processor has no faster way than the pieces.
using TGradientOver = void (*)(uint32_t* dst, const double* A, const double* k, int edges, int x0, int n,
                               const uint32_t* lut, const uint8_t* cover);
DW_API TGradientOver BestGradientOver();

}  // namespace dw::gp
