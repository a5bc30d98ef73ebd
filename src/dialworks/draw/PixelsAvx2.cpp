#include "dialworks/draw/PixelsAvx2.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define DW_AVX2 1
#endif

#include "dialworks/draw/ComputedCoverage.h"
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

// Lanes 0..n-1 of eight (n < 8): a run's last pixels, loaded and stored masked (the lanes beyond
// are neither read nor written, and load as zero: no coverage, a clear source).
DW_INLINE_AVX2 __m256i FirstLanes(int n) {
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}
DW_INLINE_AVX2 __m256i LoadFirst(const uint32_t* p, __m256i lanes) {
  return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), lanes);
}
DW_INLINE_AVX2 void StoreFirst(uint32_t* p, __m256i lanes, __m256i v) {
  _mm256_maskstore_epi32(reinterpret_cast<int*>(p), lanes, v);
}

// Eight pixels of source over d (all clear: d as it is).
DW_INLINE_AVX2 __m256i SourceOver8(__m256i s, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  return Over8(_mm256_unpacklo_epi8(s, zero), _mm256_unpackhi_epi8(s, zero), d);
}

// Eight pixels of source (channels widened to 16 bits, as Over8 takes them), each scaled by its
// coverage (the low byte of its 32-bit lane), over d.
DW_INLINE_AVX2 __m256i CoveredWideOver8(__m256i slo, __m256i shi, __m256i c32, __m256i d) {
  // The coverage in both 16-bit halves of each lane (pixels 0-3 in the low 128 bits, 4-7 in the
  // high), then twice over for the four channels of each widened pixel.
  const __m256i cc = _mm256_or_si256(c32, _mm256_slli_epi32(c32, 16));
  return Over8(Scale8(slo, _mm256_unpacklo_epi32(cc, cc)), Scale8(shi, _mm256_unpackhi_epi32(cc, cc)), d);
}

DW_INLINE_AVX2 __m256i CoveredOver8(__m256i s, __m256i c32, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  return CoveredWideOver8(_mm256_unpacklo_epi8(s, zero), _mm256_unpackhi_epi8(s, zero), c32, d);
}

DW_INLINE_AVX2 __m256i Load8(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
DW_INLINE_AVX2 void Store8(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
DW_INLINE_AVX2 bool AllZero(__m256i v) { return _mm256_testz_si256(v, v); }

DW_TARGET_AVX2 void OverPixelsAvx2(uint32_t* dst, const uint32_t* src, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i s = Load8(src + i);
    if (AllZero(s)) continue;  // all clear
    Store8(dst + i, AllOpaque(s) ? s : SourceOver8(s, Load8(dst + i)));
  }
  if (i == n) return;
  const __m256i lanes = FirstLanes(n - i), s = LoadFirst(src + i, lanes);
  if (!AllZero(s)) StoreFirst(dst + i, lanes, SourceOver8(s, LoadFirst(dst + i, lanes)));
}

// OverPixelsAvx2 sixteen pixels at a time, where the processor has AVX-512 (BW): the same
// operations on each 128-bit quarter, so the same pixels.
// GCC 12's AVX-512 shifts and unpacks start from an undefined vector that its own headers then
// warn about as maybe uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// AVX-512 brings fused multiply-adds, which would round a position once where the other loops
// round twice: not here.
#if !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")
#endif
#define DW_TARGET_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))
#define DW_INLINE_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl"), always_inline)) inline
DW_INLINE_AVX512 __m512i Scale16(__m512i v, __m512i k) {
  const __m512i t = _mm512_add_epi16(_mm512_mullo_epi16(v, k), _mm512_set1_epi16(0x80));
  return _mm512_srli_epi16(_mm512_add_epi16(t, _mm512_srli_epi16(t, 8)), 8);
}
DW_INLINE_AVX512 __m512i InverseAlphas16(__m512i v) {
  return _mm512_sub_epi16(_mm512_set1_epi16(255), _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(v, 0xFF), 0xFF));
}
DW_INLINE_AVX512 __m512i Over16(__m512i slo, __m512i shi, __m512i d) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i dlo = Scale16(_mm512_unpacklo_epi8(d, zero), InverseAlphas16(slo));
  const __m512i dhi = Scale16(_mm512_unpackhi_epi8(d, zero), InverseAlphas16(shi));
  return _mm512_packus_epi16(_mm512_add_epi16(slo, dlo), _mm512_add_epi16(shi, dhi));
}
DW_INLINE_AVX512 __m512i SourceOver16(__m512i s, __m512i d) {
  const __m512i zero = _mm512_setzero_si512();
  return Over16(_mm512_unpacklo_epi8(s, zero), _mm512_unpackhi_epi8(s, zero), d);
}
// ColoursOver8 on sixteen pixels.
DW_INLINE_AVX512 __m512i ColoursOver16(__m512i c, const __m512i* wide, const __m512i* solid, int count, __m512i d) {
  const __m512i low = _mm512_set1_epi32(0xFF);
  for (int k = 0; k < count; ++k) {
    const __m512i c32 = _mm512_and_si512(c, low);
    c = _mm512_srli_epi32(c, 8);
    if (_mm512_test_epi32_mask(c32, c32) == 0) continue;
    if (_mm512_test_epi32_mask(solid[k], solid[k]) != 0 && _mm512_cmpeq_epi32_mask(c32, low) == 0xFFFF) {
      d = solid[k];
    } else {
      const __m512i cc = _mm512_or_si512(c32, _mm512_slli_epi32(c32, 16));
      d = Over16(Scale16(wide[k], _mm512_unpacklo_epi32(cc, cc)), Scale16(wide[k], _mm512_unpackhi_epi32(cc, cc)), d);
    }
  }
  return d;
}

// GradientOverAvx2 sixteen pixels at a time: the positions in the same double operations (a
// multiply, then an add), eight at once.
DW_INLINE_AVX512 __m256i GradientIndex8(__m512d at, const double* A, const double* k, int edges) {
  const __m512d one = _mm512_set1_pd(1);
  __m512d t = _mm512_setzero_pd();
  for (int e = 0; e < edges; ++e)
    t = _mm512_max_pd(t, _mm512_add_pd(_mm512_mul_pd(_mm512_set1_pd(A[e]), at), _mm512_set1_pd(k[e])));
  return _mm512_cvttpd_epi32(
      _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(one, _mm512_min_pd(t, one)), _mm512_set1_pd(255)), _mm512_set1_pd(0.5)));
}

DW_TARGET_AVX512 void GradientOverAvx512(uint32_t* dst, const double* A, const double* k, int edges, int x0, int n,
                                         const uint32_t* lut, const uint8_t* cover) {
  const __m512d step = _mm512_set1_pd(8);
  const __m128i whole = _mm_set1_epi8(-1);
  __m512d px = _mm512_add_pd(_mm512_set1_pd(double(x0)), _mm512_set_pd(7.5, 6.5, 5.5, 4.5, 3.5, 2.5, 1.5, 0.5));
  for (int i = 0; i < n; i += 16, px = _mm512_add_pd(px, _mm512_add_pd(step, step))) {
    const __mmask16 lanes = n - i >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (n - i)) - 1);
    const __m128i c8 = cover ? _mm_maskz_loadu_epi8(lanes, cover + i) : _mm_maskz_mov_epi8(lanes, whole);
    if (_mm_test_all_zeros(c8, c8)) continue;  // no coverage: dst stays as it is
    const __m512i at = _mm512_inserti64x4(_mm512_castsi256_si512(GradientIndex8(px, A, k, edges)),
                                          GradientIndex8(_mm512_add_pd(px, step), A, k, edges), 1);
    const __m512i s = _mm512_i32gather_epi32(at, reinterpret_cast<const int*>(lut), 4);
    const __m512i d = _mm512_maskz_loadu_epi32(lanes, dst + i);
    __m512i out;
    if (lanes == 0xFFFF && _mm_movemask_epi8(_mm_cmpeq_epi8(c8, whole)) == 0xFFFF) {
      // Whole coverage scales nothing: plain source over.
      out = SourceOver16(s, d);
    } else {
      const __m512i c32 = _mm512_cvtepu8_epi32(c8), zero = _mm512_setzero_si512();
      const __m512i cc = _mm512_or_si512(c32, _mm512_slli_epi32(c32, 16));
      out = Over16(Scale16(_mm512_unpacklo_epi8(s, zero), _mm512_unpacklo_epi32(cc, cc)),
                   Scale16(_mm512_unpackhi_epi8(s, zero), _mm512_unpackhi_epi32(cc, cc)), d);
    }
    _mm512_mask_storeu_epi32(dst + i, lanes, out);
  }
}

DW_TARGET_AVX512 void CoverOverColourSpansAvx512(uint8_t* dst, int dstStride, const uint32_t* covers,
                                                 int coversStride, const MaskSpan* spans, size_t n,
                                                 const uint32_t* colours, int count) {
  __m512i wide[4], solid[4];
  count = std::min(count, 4);
  for (int k = 0; k < count; ++k) {
    wide[k] = _mm512_unpacklo_epi8(_mm512_set1_epi32(int(colours[k])), _mm512_setzero_si512());
    solid[k] = colours[k] >> 24 == 0xFF ? _mm512_set1_epi32(int(colours[k])) : _mm512_setzero_si512();
  }
  for (size_t r = 0; r < n; ++r) {
    const MaskSpan& sp = spans[r];
    uint32_t* d = reinterpret_cast<uint32_t*>(dst + ptrdiff_t(sp.Y) * dstStride) + sp.X0;
    const uint32_t* c = covers + ptrdiff_t(sp.Y) * coversStride + sp.X0;
    const int len = sp.X1 - sp.X0;
    int i = 0;
    for (; i + 16 <= len; i += 16) {
      const __m512i cv = _mm512_loadu_si512(c + i);
      if (_mm512_test_epi32_mask(cv, cv) != 0)
        _mm512_storeu_si512(d + i, ColoursOver16(cv, wide, solid, count, _mm512_loadu_si512(d + i)));
    }
    if (i >= len) continue;
    // The lanes past the run load as no coverage, so a tail is never wholly covered.
    const __mmask16 lanes = __mmask16((1u << (len - i)) - 1);
    const __m512i cv = _mm512_maskz_loadu_epi32(lanes, c + i);
    if (_mm512_test_epi32_mask(cv, cv) != 0)
      _mm512_mask_storeu_epi32(d + i, lanes, ColoursOver16(cv, wide, solid, count, _mm512_maskz_loadu_epi32(lanes, d + i)));
  }
}

DW_TARGET_AVX512 void OverPixelsAvx512(uint32_t* dst, const uint32_t* src, int n) {
  const __m512i ones = _mm512_set1_epi8(-1);
  constexpr uint64_t kAlphas = 0x8888888888888888ull;  // the alpha byte of each pixel
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m512i s = _mm512_loadu_si512(src + i);
    if (_mm512_test_epi32_mask(s, s) == 0) continue;  // all clear
    const bool opaque = (_mm512_cmpeq_epi8_mask(s, ones) & kAlphas) == kAlphas;
    _mm512_storeu_si512(dst + i, opaque ? s : SourceOver16(s, _mm512_loadu_si512(dst + i)));
  }
  if (i == n) return;
  const __mmask16 lanes = __mmask16((1u << (n - i)) - 1);
  const __m512i s = _mm512_maskz_loadu_epi32(lanes, src + i);
  if (_mm512_test_epi32_mask(s, s) != 0)
    _mm512_mask_storeu_epi32(dst + i, lanes, SourceOver16(s, _mm512_maskz_loadu_epi32(lanes, dst + i)));
}
#if !defined(__clang__)
#pragma GCC pop_options
#endif
#pragma GCC diagnostic pop

bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vl");
  return has;
}

// Pixels i.. of a coverage run: eight of them, or the `part` last ones (from the low lanes).
DW_INLINE_AVX2 __m256i Coverage8(const uint8_t* cover, int part) {
  uint64_t c8 = 0;
  if (part < 0) {
    std::memcpy(&c8, cover, 8);
  } else {
    // The last bytes gathered in a register: a copy of a variable length is a library call, and
    // loading its bytes back as one word waits for them to leave the store buffer. A run of a
    // short row spends more time in its tail than in its whole groups of eight.
    for (int j = part - 1; j >= 0; --j) c8 = c8 << 8 | cover[j];
  }
  return _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(int64_t(c8)));
}

DW_TARGET_AVX2 void CoverOverPixelsAvx2(uint32_t* dst, const uint32_t* src, const uint8_t* cover, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t c8;
    std::memcpy(&c8, cover + i, 8);
    if (c8 == 0) continue;  // no coverage: dst stays as it is
    const __m256i s = Load8(src + i);
    if (c8 == ~uint64_t(0)) {  // whole coverage scales nothing: plain source over
      if (!AllZero(s)) Store8(dst + i, AllOpaque(s) ? s : SourceOver8(s, Load8(dst + i)));
      continue;
    }
    Store8(dst + i, CoveredOver8(s, Coverage8(cover + i, -1), Load8(dst + i)));
  }
  if (i == n) return;
  const __m256i lanes = FirstLanes(n - i), c32 = Coverage8(cover + i, n - i);
  if (!AllZero(c32)) StoreFirst(dst + i, lanes, CoveredOver8(LoadFirst(src + i, lanes), c32, LoadFirst(dst + i, lanes)));
}

// Eight pixels of d under the colours in turn, colour k scaled by byte k of each coverage word.
// wide[k]: colour k's channels widened to 16 bits, the same for every pixel (CoveredOver8's
// unpacking of a solid colour, done once for a run). solid[k]: colour k in every lane where it is
// opaque, else zero: wholly covered, it replaces d (what the arithmetic gives, to the bit).
DW_INLINE_AVX2 __m256i ColoursOver8(__m256i c, const __m256i* wide, const __m256i* solid, int count, __m256i d) {
  const __m256i low = _mm256_set1_epi32(0xFF);
  for (int k = 0; k < count; ++k) {
    const __m256i c32 = _mm256_and_si256(c, low);
    c = _mm256_srli_epi32(c, 8);  // the next colour's byte lowest
    if (AllZero(c32)) continue;
    if (!AllZero(solid[k]) && unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi32(c32, low))) == 0xFFFFFFFFu) d = solid[k];
    else d = CoveredWideOver8(wide[k], wide[k], c32, d);
  }
  return d;
}

// The gradient's lut indices of four pixel centres `at`.
DW_INLINE_AVX2 __m128i GradientIndex4(__m256d at, const double* A, const double* k, int edges) {
  const __m256d one = _mm256_set1_pd(1);
  __m256d t = _mm256_setzero_pd();
  for (int e = 0; e < edges; ++e)
    t = _mm256_max_pd(t, _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(A[e]), at), _mm256_set1_pd(k[e])));
  return _mm256_cvttpd_epi32(
      _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(one, _mm256_min_pd(t, one)), _mm256_set1_pd(255)), _mm256_set1_pd(0.5)));
}

DW_TARGET_AVX2 void GradientOverAvx2(uint32_t* dst, const double* A, const double* k, int edges, int x0, int n,
                                     const uint32_t* lut, const uint8_t* cover) {
  const __m256d step = _mm256_set1_pd(4);
  __m256d px = _mm256_add_pd(_mm256_set1_pd(double(x0)), _mm256_set_pd(3.5, 2.5, 1.5, 0.5));
  for (int i = 0; i < n; i += 8, px = _mm256_add_pd(px, _mm256_add_pd(step, step))) {
    const int part = n - i < 8 ? n - i : -1;
    uint64_t c8 = ~uint64_t(0);
    if (cover && part < 0) std::memcpy(&c8, cover + i, 8);
    if (part >= 0) c8 = cover ? 0 : ~uint64_t(0) >> (64 - 8 * part);
    if (cover && part >= 0)
      for (int j = part - 1; j >= 0; --j) c8 = c8 << 8 | cover[i + j];
    if (c8 == 0) continue;  // no coverage: dst stays as it is
    const __m256i at = _mm256_set_m128i(GradientIndex4(_mm256_add_pd(px, step), A, k, edges),
                                        GradientIndex4(px, A, k, edges));
    const __m256i s = _mm256_i32gather_epi32(reinterpret_cast<const int*>(lut), at, 4);
    const __m256i c32 = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(int64_t(c8)));
    if (part < 0) {
      if (c8 == ~uint64_t(0)) {  // whole coverage scales nothing: plain source over
        if (!AllZero(s)) Store8(dst + i, AllOpaque(s) ? s : SourceOver8(s, Load8(dst + i)));
      } else {
        Store8(dst + i, CoveredOver8(s, c32, Load8(dst + i)));
      }
    } else {
      const __m256i lanes = FirstLanes(part);
      StoreFirst(dst + i, lanes, CoveredOver8(s, c32, LoadFirst(dst + i, lanes)));
    }
  }
}

// The colours as ColoursOver8 takes them, once for every run of a fill.
DW_INLINE_AVX2 int PrepareColours(const uint32_t* colours, int count, __m256i* wide, __m256i* solid) {
  count = std::min(count, 4);
  for (int k = 0; k < count; ++k) {
    wide[k] = _mm256_unpacklo_epi8(_mm256_set1_epi32(int(colours[k])), _mm256_setzero_si256());
    solid[k] = colours[k] >> 24 == 0xFF ? _mm256_set1_epi32(int(colours[k])) : _mm256_setzero_si256();
  }
  return count;
}

DW_INLINE_AVX2 void ColoursOverRun(uint32_t* dst, const uint32_t* covers, const __m256i* wide, const __m256i* solid,
                                   int count, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i c = Load8(covers + i);
    if (!AllZero(c)) Store8(dst + i, ColoursOver8(c, wide, solid, count, Load8(dst + i)));
  }
  if (i == n) return;
  // The lanes past the run load as no coverage, so a tail is never wholly covered.
  const __m256i lanes = FirstLanes(n - i), c = LoadFirst(covers + i, lanes);
  if (!AllZero(c)) StoreFirst(dst + i, lanes, ColoursOver8(c, wide, solid, count, LoadFirst(dst + i, lanes)));
}

DW_TARGET_AVX2 void CoverOverColourSpansAvx2(uint8_t* dst, int dstStride, const uint32_t* covers, int coversStride,
                                             const MaskSpan* spans, size_t n, const uint32_t* colours, int count) {
  __m256i wide[4], solid[4];
  count = PrepareColours(colours, count, wide, solid);
  for (size_t k = 0; k < n; ++k) {
    const MaskSpan& s = spans[k];
    ColoursOverRun(reinterpret_cast<uint32_t*>(dst + ptrdiff_t(s.Y) * dstStride) + s.X0,
                   covers + ptrdiff_t(s.Y) * coversStride + s.X0, wide, solid, count, s.X1 - s.X0);
  }
}
#endif

}  // namespace

namespace {
std::atomic<int> gPixelLoopCap{2};
// The widest loops the processor has and the cap allows: 2 AVX-512, 1 AVX2, 0 neither.
int PixelLoopLevel() {
  const int cap = gPixelLoopCap.load(std::memory_order_relaxed);
#ifdef DW_AVX2
  if (cap >= 2 && HasAvx2() && HasAvx512()) return 2;
  if (cap >= 1 && HasAvx2()) return 1;
#endif
  return 0;
}
}  // namespace

void CapPixelLoops(int ALevel) { gPixelLoopCap.store(std::clamp(ALevel, 0, 2), std::memory_order_relaxed); }

TOverPixels BestOverPixels() {
#ifdef DW_AVX2
  if (const int level = PixelLoopLevel()) return level == 2 ? OverPixelsAvx512 : OverPixelsAvx2;
#endif
  return [](uint32_t* d, const uint32_t* s, int n) { OverPixels(d, s, n); };
}

TCoverOverPixels BestCoverOverPixels() {
#ifdef DW_AVX2
  if (HasAvx2()) return CoverOverPixelsAvx2;
#endif
  return [](uint32_t* d, const uint32_t* s, const uint8_t* c, int n) { CoverOverPixels(d, s, c, n); };
}

TGradientOver BestGradientOver() {
#ifdef DW_AVX2
  if (const int level = PixelLoopLevel()) return level == 2 ? GradientOverAvx512 : GradientOverAvx2;
#endif
  return nullptr;
}

TCoverOverColourSpans BestCoverOverColourSpans() {
#ifdef DW_AVX2
  if (const int level = PixelLoopLevel()) return level == 2 ? CoverOverColourSpansAvx512 : CoverOverColourSpansAvx2;
#endif
  return [](uint8_t* dst, int dstStride, const uint32_t* covers, int coversStride, const MaskSpan* spans, size_t n,
            const uint32_t* colours, int count) {
    for (size_t k = 0; k < n; ++k)
      CoverOverColours(reinterpret_cast<uint32_t*>(dst + ptrdiff_t(spans[k].Y) * dstStride) + spans[k].X0,
                       covers + ptrdiff_t(spans[k].Y) * coversStride + spans[k].X0, colours, count,
                       spans[k].X1 - spans[k].X0);
  };
}

}  // namespace dw::gp
