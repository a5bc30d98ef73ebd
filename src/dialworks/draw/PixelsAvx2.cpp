#include "dialworks/draw/PixelsAvx2.h"

#include <cstring>
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define DW_AVX2 1
#endif

#include "dialworks/draw/Pixels.h"

namespace dw::gp {

bool HasAvx2() {
#ifdef DW_AVX2
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

namespace {

#ifdef DW_AVX2
#define DW_TARGET_AVX2 __attribute__((target("avx2")))
// The helpers inlined into each loop (vectors kept in registers, not passed through memory).
#define DW_INLINE_AVX2 __attribute__((target("avx2"), always_inline)) inline
// ScaleLanes and AlphaLanes of Pixels.h on sixteen 16-bit channels. Unpacking, shuffles and
// packing all work within 128-bit halves, so each half does what the SSE2 loop does.
DW_INLINE_AVX2 __m256i Scale8(__m256i v, __m256i k) {
  const __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(v, k), _mm256_set1_epi16(0x80));
  return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

DW_INLINE_AVX2 __m256i InverseAlphas8(__m256i v) {
  return _mm256_sub_epi16(_mm256_set1_epi16(255), _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0xFF), 0xFF));
}

DW_INLINE_AVX2 bool AllOpaque(__m256i s) {
  return (unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(s, _mm256_set1_epi8(-1)))) & 0x88888888u) == 0x88888888u;
}

// Source pixels (channels of two pixels per half widened to 16 bits) over dst's.
DW_INLINE_AVX2 __m256i Over8(__m256i slo, __m256i shi, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i dlo = Scale8(_mm256_unpacklo_epi8(d, zero), InverseAlphas8(slo));
  const __m256i dhi = Scale8(_mm256_unpackhi_epi8(d, zero), InverseAlphas8(shi));
  return _mm256_packus_epi16(_mm256_add_epi16(slo, dlo), _mm256_add_epi16(shi, dhi));
}

DW_TARGET_AVX2 void OverPixelsAvx2(uint32_t* dst, const uint32_t* src, int n) {
  int i = 0;
  const __m256i zero = _mm256_setzero_si256();
  for (; i + 8 <= n; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    if (unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(s, zero))) == 0xFFFFFFFFu) continue;  // all clear
    if (AllOpaque(s)) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), s);
      continue;
    }
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                        Over8(_mm256_unpacklo_epi8(s, zero), _mm256_unpackhi_epi8(s, zero), d));
  }
  OverPixels(dst + i, src + i, n - i);
}

DW_TARGET_AVX2 void CoverOverPixelsAvx2(uint32_t* dst, const uint32_t* src, const uint8_t* cover, int n) {
  int i = 0;
  const __m256i zero = _mm256_setzero_si256();
  for (; i + 8 <= n; i += 8) {
    uint64_t c8;
    std::memcpy(&c8, cover + i, 8);
    if (c8 == 0) continue;  // no coverage: dst stays as it is
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    if (c8 == ~uint64_t(0) && AllOpaque(s)) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), s);
      continue;
    }
    // Each pixel's coverage in both 16-bit halves of its 32-bit lane (pixels 0-3 in the low
    // 128 bits, 4-7 in the high), then twice over for the four channels of each widened pixel.
    const __m256i c32 = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(int64_t(c8)));
    const __m256i cc = _mm256_or_si256(c32, _mm256_slli_epi32(c32, 16));
    const __m256i slo = Scale8(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi32(cc, cc));
    const __m256i shi = Scale8(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi32(cc, cc));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), Over8(slo, shi, d));
  }
  CoverOverPixels(dst + i, src + i, cover + i, n - i);
}

DW_TARGET_AVX2 void CoverOverColoursAvx2(uint32_t* dst, const uint32_t* covers, const uint32_t* colours, int count,
                                         int n) {
  int i = 0;
  const __m256i zero = _mm256_setzero_si256(), low = _mm256_set1_epi32(0xFF);
  for (; i + 8 <= n; i += 8) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(covers + i));
    if (_mm256_testz_si256(c, c)) continue;
    __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    for (int k = 0; k < count; ++k) {
      // Colour k's coverage of each pixel in its 32-bit lane, laid out as CoverOverPixelsAvx2's.
      const __m256i c32 = _mm256_and_si256(_mm256_srl_epi32(c, _mm_cvtsi32_si128(8 * k)), low);
      if (_mm256_testz_si256(c32, c32)) continue;
      const __m256i cc = _mm256_or_si256(c32, _mm256_slli_epi32(c32, 16));
      const __m256i s = _mm256_set1_epi32(int(colours[k]));
      const __m256i slo = Scale8(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi32(cc, cc));
      const __m256i shi = Scale8(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi32(cc, cc));
      d = Over8(slo, shi, d);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), d);
  }
  CoverOverColours(dst + i, covers + i, colours, count, n - i);
}
#endif

}  // namespace

TOverPixels BestOverPixels() {
#ifdef DW_AVX2
  if (HasAvx2()) return OverPixelsAvx2;
#endif
  return [](uint32_t* d, const uint32_t* s, int n) { OverPixels(d, s, n); };
}

TCoverOverPixels BestCoverOverPixels() {
#ifdef DW_AVX2
  if (HasAvx2()) return CoverOverPixelsAvx2;
#endif
  return [](uint32_t* d, const uint32_t* s, const uint8_t* c, int n) { CoverOverPixels(d, s, c, n); };
}

TCoverOverColours BestCoverOverColours() {
#ifdef DW_AVX2
  if (HasAvx2()) return CoverOverColoursAvx2;
#endif
  return [](uint32_t* d, const uint32_t* c, const uint32_t* colours, int count, int n) {
    CoverOverColours(d, c, colours, count, n);
  };
}

}  // namespace dw::gp
