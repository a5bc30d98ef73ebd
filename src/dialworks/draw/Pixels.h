// Arithmetic on premultiplied ARGB32 pixels for the code that writes image pixels itself.
#pragma once

#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "dialworks/draw/Types.h"

namespace dw::gp {

// Each 8-bit channel times k / 255, rounded; two channels at a time in 16-bit lanes.
inline uint32_t ScalePixel(uint32_t v, uint32_t k) {
  auto lanes = [k](uint32_t w) {
    const uint32_t t = (w & 0x00FF00FF) * k + 0x00800080;
    return ((t + ((t >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
  };
  return lanes(v) | lanes(v >> 8) << 8;
}

// Source over destination.
inline uint32_t OverPixel(uint32_t src, uint32_t dst) { return src + ScalePixel(dst, 255 - (src >> 24)); }

#ifdef __SSE2__
// ScalePixel's arithmetic on eight 16-bit channels, and each pixel's alpha in all its channels.
inline __m128i ScaleLanes(__m128i v, __m128i k) {
  const __m128i t = _mm_add_epi16(_mm_mullo_epi16(v, k), _mm_set1_epi16(0x80));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}
inline __m128i AlphaLanes(__m128i v) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF); }
#endif

// dst[i] = src[i] scaled by cover[i] / 255, over dst[i]; four pixels at a time where SSE2 is
// there (exactly the arithmetic of ScalePixel and OverPixel, in 16-bit lanes).
inline void CoverOverPixels(uint32_t* dst, const uint32_t* src, const uint8_t* cover, int n) {
  int i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
  for (; i + 4 <= n; i += 4) {
    int32_t c4;
    std::memcpy(&c4, cover + i, 4);
    if (c4 == 0) continue;  // no coverage: dst stays as it is
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    // Whole coverage of opaque colours (the inside of most fills): the colours themselves.
    if (c4 == -1 && (_mm_movemask_epi8(_mm_cmpeq_epi8(s, _mm_set1_epi8(-1))) & 0x8888) == 0x8888) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
      continue;
    }
    const __m128i c = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(c4), zero),
                                         _mm_unpacklo_epi8(_mm_cvtsi32_si128(c4), zero));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    const __m128i slo = ScaleLanes(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi32(c, c));
    const __m128i shi = ScaleLanes(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi32(c, c));
    const __m128i dlo = ScaleLanes(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, AlphaLanes(slo)));
    const __m128i dhi = ScaleLanes(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, AlphaLanes(shi)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_packus_epi16(_mm_add_epi16(slo, dlo), _mm_add_epi16(shi, dhi)));
  }
#endif
  for (; i < n; ++i) dst[i] = OverPixel(ScalePixel(src[i], cover[i]), dst[i]);
}

// dst[i] = src[i] over dst[i]; four pixels at a time where SSE2 is there (the arithmetic of
// OverPixel, which is Cairo's), skipping transparent and copying opaque groups of four.
inline void OverPixels(uint32_t* dst, const uint32_t* src, int n) {
  int i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
  for (; i + 4 <= n; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(s, zero)) == 0xFFFF) continue;  // all clear
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(s, _mm_set1_epi8(-1))) & 0x8888) == 0x8888) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);  // all opaque
      continue;
    }
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
    const __m128i dlo = ScaleLanes(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, AlphaLanes(slo)));
    const __m128i dhi = ScaleLanes(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, AlphaLanes(shi)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_packus_epi16(_mm_add_epi16(slo, dlo), _mm_add_epi16(shi, dhi)));
  }
#endif
  for (; i < n; ++i) dst[i] = OverPixel(src[i], dst[i]);
}

// dst[i] under up to four solid colours in turn, colour k scaled by byte k of covers[i]: what
// CoverOverPixels does once for each colour (a zero coverage leaves a pixel as it is).
inline void CoverOverColours(uint32_t* dst, const uint32_t* covers, const uint32_t* colours, int count, int n) {
  for (int i = 0; i < n; ++i) {
    const uint32_t c = covers[i];
    if (c == 0) continue;
    uint32_t p = dst[i];
    for (int k = 0; k < count; ++k)
      if (const uint32_t ck = (c >> (8 * k)) & 0xFF) p = OverPixel(ScalePixel(colours[k], ck), p);
    dst[i] = p;
  }
}

inline uint32_t PremultipliedPixel(TAlphaColor c) {
  const uint32_t a = GetAlpha(c);
  auto pre = [a](uint32_t v) { return (v * a + 127) / 255; };
  return a << 24 | pre(GetRed(c)) << 16 | pre(GetGreen(c)) << 8 | pre(GetBlue(c));
}

}  // namespace dw::gp
