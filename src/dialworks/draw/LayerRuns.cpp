#include "dialworks/draw/LayerRuns.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Pixels.h"
#include "dialworks/draw/PixelsAvx2.h"

namespace dw::gp {

namespace {
// Shorter stretches are not worth a run of their own: a short transparent gap or a short opaque
// piece between blended pixels is blended with them (blending gives the same pixels).
constexpr int kMinRun = 8;
}  // namespace

namespace {

#if defined(__GNUC__) && defined(__x86_64__)
// Thirty-two alphas of the row from x on as bits: transparent ones in *clear, opaque in *full.
__attribute__((target("avx2"))) void Classify32Avx2(const uint32_t* row, uint32_t* clear, uint32_t* full) {
  __m256i a8[4];
  for (int k = 0; k < 4; ++k)
    a8[k] = _mm256_srli_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 8 * k)), 24);
  // Packing works within 128-bit halves: the bytes come out as pixels 0-3, 8-11, 16-19, 24-27 in
  // the low half and 4-7, 12-15, 20-23, 28-31 in the high one; the permutation puts them in order.
  const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(a8[0], a8[1]), _mm256_packs_epi32(a8[2], a8[3]));
  const __m256i a = _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
  *clear = uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, _mm256_setzero_si256())));
  *full = uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, _mm256_set1_epi8(-1))));
}
#endif

// One row's pixels by kind, a bit per pixel in words of 64: `clear` transparent, `full` opaque,
// `either` one of the two (so a partly transparent pixel is a clear bit there). Bits past w are 0.
void ClassifyRow(const uint32_t* row, int w, uint64_t* clear, uint64_t* full, uint64_t* either) {
  const int words = (w + 63) / 64;
  std::fill(clear, clear + words, 0);
  std::fill(full, full + words, 0);
  int x = 0;
#if defined(__GNUC__) && defined(__x86_64__)
  if (HasAvx2()) {
    for (; x + 32 <= w; x += 32) {
      uint32_t c, f;
      Classify32Avx2(row + x, &c, &f);
      clear[x >> 6] |= uint64_t(c) << (x & 63);
      full[x >> 6] |= uint64_t(f) << (x & 63);
    }
  }
#endif
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi8(-1);
  for (; x + 16 <= w; x += 16) {  // sixteen alphas packed into one register's bytes
    auto alphas = [&](int i) {
      return _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x + i)), 24);
    };
    const __m128i a = _mm_packus_epi16(_mm_packs_epi32(alphas(0), alphas(4)), _mm_packs_epi32(alphas(8), alphas(12)));
    clear[x >> 6] |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(a, zero)))) << (x & 63);
    full[x >> 6] |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(a, ones)))) << (x & 63);
  }
#endif
  for (; x < w; ++x) {
    const uint32_t a = row[x] >> 24;
    if (a == 0) clear[x >> 6] |= uint64_t(1) << (x & 63);
    if (a == 255) full[x >> 6] |= uint64_t(1) << (x & 63);
  }
  for (int i = 0; i < words; ++i) either[i] = clear[i] | full[i];
}

// The first column from x on (or w) whose bit differs from `set`.
int NextOther(const uint64_t* bits, int x, int w, bool set) {
  if (x >= w) return w;
  const int words = (w + 63) / 64;
  int i = x >> 6;
  uint64_t word = (set ? ~bits[i] : bits[i]) & (~uint64_t(0) << (x & 63));
  while (!word) {
    if (++i == words) return w;
    word = set ? ~bits[i] : bits[i];
  }
  return std::min(w, i * 64 + std::countr_zero(word));
}

}  // namespace

LayerRuns::LayerRuns(const Bitmap& image) : width_(image.Width()), height_(image.Height()) {
  const uint8_t* data = image.Data();
  if (!data) {
    width_ = height_ = 0;
    return;
  }
  rows_.reserve(size_t(height_) + 1);
  const int stride = image.Stride();
  const size_t words = (size_t(width_) + 63) / 64;
  std::vector<uint64_t> bits(3 * words);
  uint64_t *clear = bits.data(), *full = clear + words, *either = full + words;
  for (int y = 0; y < height_; ++y) {
    rows_.push_back(int32_t(runs_.size()));
    ClassifyRow(reinterpret_cast<const uint32_t*>(data + ptrdiff_t(y) * stride), width_, clear, full, either);
    // Stretches of one kind (0 transparent, 1 opaque, 2 partly); short transparent and opaque ones
    // inside blended pixels join them.
    const size_t first = runs_.size();
    for (int x = 0; x < width_;) {
      const bool isClear = clear[x >> 6] >> (x & 63) & 1, isFull = full[x >> 6] >> (x & 63) & 1;
      const int k = isClear ? 0 : isFull ? 1 : 2;
      const int end = k == 0 ? NextOther(clear, x + 1, width_, true)
                      : k == 1 ? NextOther(full, x + 1, width_, true)
                               : NextOther(either, x + 1, width_, false);
      const bool between = x > 0 && end < width_;
      if (k == 0 && !(between && end - x < kMinRun)) {
        x = end;
        continue;  // transparent: nothing to compose
      }
      const bool opaque = k == 1 && (end - x >= kMinRun || !between);
      if (!opaque && runs_.size() > first && !runs_.back().Opaque && runs_.back().X1 == x)
        runs_.back().X1 = end;  // joins the blended run before it
      else
        runs_.push_back({x, end, opaque});
      x = end;
    }
  }
  rows_.push_back(int32_t(runs_.size()));
  runs_.shrink_to_fit();
}

LayerRuns LayerRuns::Over(const LayerRuns& below, const LayerRuns& above) {
  LayerRuns out;
  if (below.rows_.empty() || above.rows_.empty() || below.width_ != above.width_ || below.height_ != above.height_)
    return out;
  const int width = out.width_ = below.width_;
  out.height_ = below.height_;
  out.rows_.reserve(size_t(out.height_) + 1);
  out.runs_.reserve(below.runs_.size() + above.runs_.size());
  struct Stretch {
    int X0, X1, Kind;  // kinds as the constructor's: 0 transparent, 1 opaque, 2 partly
  };
  for (int y = 0; y < out.height_; ++y) {
    out.rows_.push_back(int32_t(out.runs_.size()));
    const size_t first = out.runs_.size();
    // Whole stretches become runs by the constructor's rules, so a blended run is never within
    // eight pixels of another (ComposeOver widens blended runs to groups of eight).
    auto put = [&](const Stretch& s) {
      const bool between = s.X0 > 0 && s.X1 < width;
      if (s.Kind == 0 && !(between && s.X1 - s.X0 < kMinRun)) return;
      const bool opaque = s.Kind == 1 && (s.X1 - s.X0 >= kMinRun || !between);
      if (!opaque && out.runs_.size() > first && !out.runs_.back().Opaque && out.runs_.back().X1 == s.X0)
        out.runs_.back().X1 = s.X1;
      else
        out.runs_.push_back({s.X0, s.X1, opaque});
    };
    Stretch pending{0, 0, -1};
    auto add = [&](int x0, int x1, int kind) {
      if (pending.Kind == kind && pending.X1 == x0) {
        pending.X1 = x1;
        return;
      }
      if (pending.Kind >= 0) put(pending);
      pending = {x0, x1, kind};
    };
    const Run *a = below.runs_.data() + below.rows_[size_t(y)], *aEnd = below.runs_.data() + below.rows_[size_t(y) + 1];
    const Run *b = above.runs_.data() + above.rows_[size_t(y)], *bEnd = above.runs_.data() + above.rows_[size_t(y) + 1];
    for (int x = 0;;) {
      while (a != aEnd && a->X1 <= x) ++a;
      while (b != bEnd && b->X1 <= x) ++b;
      if (a == aEnd && b == bEnd) break;  // transparent to the row's end
      // From the next pixel either covers to the nearest edge of a run: one kind of pixel in between.
      const int start =
          std::min(a != aEnd ? std::max(x, int(a->X0)) : INT_MAX, b != bEnd ? std::max(x, int(b->X0)) : INT_MAX);
      if (start > x) add(x, start, 0);
      x = start;
      const bool inA = a != aEnd && a->X0 <= x, inB = b != bEnd && b->X0 <= x;
      int end = INT_MAX;
      if (a != aEnd) end = std::min(end, inA ? int(a->X1) : int(a->X0));
      if (b != bEnd) end = std::min(end, inB ? int(b->X1) : int(b->X0));
      add(x, end, (inA && a->Opaque) || (inB && b->Opaque) ? 1 : 2);
      x = end;
    }
    if (pending.Kind >= 0) put(pending);
  }
  out.rows_.push_back(int32_t(out.runs_.size()));
  return out;
}

bool LayerRuns::Fit(const Bitmap& image) const {
  return !rows_.empty() && width_ == image.Width() && height_ == image.Height();
}

size_t LayerRuns::Bytes() const { return runs_.capacity() * sizeof(Run) + rows_.capacity() * sizeof(int32_t); }

void LayerRuns::ComposeOver(const Bitmap& image, uint8_t* dst, int dstStride, int dx, int dy, int left, int top,
                            int right, int bottom) const {
  const uint8_t* src = image.Data();
  if (!src || !Fit(image)) return;
  const int stride = image.Stride();
  static const TOverPixels over = BestOverPixels();
  // Image rows and columns that land inside [left, right) x [top, bottom).
  const int y0 = std::max(0, top - dy), y1 = std::min(height_, bottom - dy);
  const int x0 = std::max(0, left - dx), x1 = std::min(width_, right - dx);
  for (int y = y0; y < y1; ++y) {
    const auto* s = reinterpret_cast<const uint32_t*>(src + ptrdiff_t(y) * stride);
    auto* d = reinterpret_cast<uint32_t*>(dst + ptrdiff_t(y + dy) * dstStride) + dx;
    // A row's runs lie left to right: only those reaching into [x0, x1) (a part of a busy face
    // row meets a few of its many).
    const Run* end = runs_.data() + rows_[size_t(y) + 1];
    const Run* first =
        std::partition_point(runs_.data() + rows_[size_t(y)], end, [x0](const Run& r) { return r.X1 <= x0; });
    for (const Run* run = first; run != end && run->X0 < x1; ++run) {
      const Run& r = *run;
      const int a = std::max(int(r.X0), x0), b = std::min(int(r.X1), x1);
      if (a >= b) continue;
      if (r.Opaque) {
        std::memcpy(d + a, s + a, size_t(b - a) * 4);
        continue;
      }
      // Blending is right for any pixel (a transparent one leaves the target, an opaque one is
      // copied), so a blended run is widened to whole groups of eight where the clip allows:
      // no slow pixel-by-pixel tail.
      const int n = (b - a + 7) & ~7;
      const int wb = std::min(x1, a + n), wa = std::max(x0, wb - n);
      over(d + wa, s + wa, wb - wa);
    }
  }
}

}  // namespace dw::gp
