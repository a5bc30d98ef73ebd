#include "dialworks/draw/PolygonCoverage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace dw::gp {

namespace {

double Cross(PointF o, PointF a, PointF b) {
  return (double(a.X) - o.X) * (double(b.Y) - o.Y) - (double(a.Y) - o.Y) * (double(b.X) - o.X);
}

// Whether segments ab and cd meet (touching counts).
bool Meet(PointF a, PointF b, PointF c, PointF d) {
  const double d1 = Cross(c, d, a), d2 = Cross(c, d, b), d3 = Cross(a, b, c), d4 = Cross(a, b, d);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
  auto on = [](PointF p, PointF q, PointF r, double side) {  // r on segment pq, collinear
    return side == 0 && std::min(p.X, q.X) <= r.X && r.X <= std::max(p.X, q.X) && std::min(p.Y, q.Y) <= r.Y &&
           r.Y <= std::max(p.Y, q.Y);
  };
  return on(c, d, a, d1) || on(c, d, b, d2) || on(a, b, c, d3) || on(a, b, d, d4);
}

// Adds the signed area a straight edge piece from x = xs to x = xe (within 0..w) over a height
// of |d| in one row leaves right of it, and widens the row's touched columns (counted from
// `shift` columns left of the row). Column x of the row is row[x * Step].
template <int Step>
void AddOrderedPiece(float* row, double xa, double xb, double d, int* touched, int shift) {
  // Both are within 0..w: truncation is the floor, and the ceiling one more where xb has a fraction
  // (no library call for either).
  const int ia = int(xa), ib = int(xb) + (double(int(xb)) < xb);
  touched[0] = std::min(touched[0], ia + shift);
  touched[1] = std::max(touched[1], std::max(ib, ia + 1) + 1 + shift);
  if (ib <= ia + 1) {
    const double mid = 0.5 * (xa + xb) - ia;  // the edge's mean place within pixel ia
    row[ia * Step] += float(d - d * mid);
    row[(ia + 1) * Step] += float(d * mid);
    return;
  }
  const double s = 1 / (xb - xa);
  const double fa = xa - ia, a0 = 0.5 * s * (1 - fa) * (1 - fa);
  const double fb = xb - ib + 1, am = 0.5 * s * fb * fb;
  row[ia * Step] += float(d * a0);
  if (ib == ia + 2) {
    row[(ia + 1) * Step] += float(d * (1 - a0 - am));
  } else {
    const double a1 = s * (1.5 - fa);
    row[(ia + 1) * Step] += float(d * (a1 - a0));
    for (int k = ia + 2; k < ib - 1; ++k) row[k * Step] += float(d * s);
    const double a2 = a1 + (ib - ia - 3) * s;
    row[(ib - 1) * Step] += float(d * (1 - a2 - am));
  }
  row[ib * Step] += float(d * am);
}

template <int Step>
void AddPiece(float* row, double xs, double xe, double d, int* touched, int shift) {
  AddOrderedPiece<Step>(row, std::min(xs, xe), std::max(xs, xe), d, touched, shift);
}

// The rows y..yEnd-1 that an edge crosses whole (y0 <= y, y + 1 <= y1) in AccumulateEdges'
// Inside walk, with the same float arithmetic and less around it: a row's height there is exactly
// 1 (so the piece's is the edge's direction, dir), x stays within the columns (every point is 1/64 of a pixel inside
// them, far more than x's rounding: the clamps would change nothing) and the slope's sign tells
// which end of a piece is left. Returns the x after the last row.
template <int Step, bool Rising>
double AddWholeRows(float* acc, ptrdiff_t rowStride, double x, double dxdy, double dir, int y, int yEnd,
                    int* touched, int shift) {
  for (; y < yEnd; ++y) {
    const double xnext = x + dxdy, xe = x + (xnext - x);
    AddOrderedPiece<Step>(acc + ptrdiff_t(y) * rowStride, Rising ? x : xe, Rising ? xe : x, dir, &touched[2 * y],
                          shift);
    x = xnext;
  }
  return x;
}

// Adds the edges of polygon p (device points) over the w x h pixels from (left, top): pixel
// (x, y) is acc[y * rowStride + x * Step]. touched: per row the [first, last) columns written,
// counted from `shift` columns left of the pixels. Inside: every point lies inside the pixels'
// columns by a margin, so no piece reaches their border and the cutting below would find none.
template <int Step, bool Inside = false>
void AccumulateEdges(const PointF* p, int n, float* acc, ptrdiff_t rowStride, int left, int top, int w, int h,
                     int* touched, int shift) {
  for (int i = 0; i < n; ++i) {
    double x0 = double(p[i].X) - left, y0 = double(p[i].Y) - top;
    double x1 = double(p[(i + 1) % n].X) - left, y1 = double(p[(i + 1) % n].Y) - top;
    if (y0 == y1) continue;
    double dir = 1;
    if (y0 > y1) {
      std::swap(x0, x1);
      std::swap(y0, y1);
      dir = -1;
    }
    const double dxdy = (x1 - x0) / (y1 - y0);
    double x = x0;
    if (y0 < 0) {
      x -= y0 * dxdy;
      y0 = 0;
    }
    y1 = std::min(y1, double(h));
    // Wholly below the mask (y0 may be far beyond any int there).
    if (!(y0 < y1)) continue;
    for (int y = int(std::floor(y0)); y < y1; ++y) {
      float* row = acc + ptrdiff_t(y) * rowStride;
      const double dy = std::min(double(y + 1), y1) - std::max(double(y), y0);
      const double xnext = x + dxdy * dy;
      // Outside the mask's columns an edge counts at its border (wholly left or right of them):
      // the row's piece is cut where it crosses a border and the parts beyond lie along it.
      if constexpr (Inside) {  // the one piece as the cutting below computes it, to the last bit
        AddPiece<Step>(row, std::clamp(x, 0.0, double(w)), std::clamp(x + (xnext - x), 0.0, double(w)), dy * dir,
                       &touched[2 * y], shift);
        x = xnext;
        // After its first row, the rows it crosses whole (the last one, if partly, as above).
        if (const int from = y + 1, to = int(std::floor(y1)); from < to) {
          x = dxdy >= 0 ? AddWholeRows<Step, true>(acc, rowStride, x, dxdy, dir, from, to, touched, shift)
                        : AddWholeRows<Step, false>(acc, rowStride, x, dxdy, dir, from, to, touched, shift);
          y = to - 1;
        }
        continue;
      }
      double cuts[4] = {0, 1, 1, 1};
      int pieces = 1;
      for (const double border : {0.0, double(w)}) {
        // Only a piece with its ends on both sides of the border can be cut (else t <= 0 or t >= 1,
        // also as rounded): most rows need no division.
        if ((x < border) == (xnext < border)) continue;
        const double t = (border - x) / (xnext - x);
        if (t > 0 && t < 1) cuts[pieces++] = t;
      }
      if (pieces == 3 && cuts[2] < cuts[1]) std::swap(cuts[1], cuts[2]);
      cuts[pieces] = 1;
      for (int k = 0; k < pieces; ++k) {
        const double xs = x + (xnext - x) * cuts[k], xe = x + (xnext - x) * cuts[k + 1];
        AddPiece<Step>(row, std::clamp(xs, 0.0, double(w)), std::clamp(xe, 0.0, double(w)),
                       dy * (cuts[k + 1] - cuts[k]) * dir, &touched[2 * y], shift);
      }
      x = xnext;
    }
  }
}

// The coverage byte of an accumulated running sum.
inline uint8_t CoverageByte(float sum) { return uint8_t(std::min(std::fabs(sum), 1.0f) * 255 + 0.5f); }

}  // namespace

bool SimplePolygon(const PointF* p, int n) {
  if (!p || n < 3 || n > kMaxSimpleTest) return false;
  for (int i = 0; i < n; ++i) {
    if (!p[i].IsFinite() || p[i] == p[(i + 1) % n]) return false;
    for (int j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours across the closing edge
      if (Meet(p[i], p[i + 1], p[j], p[(j + 1) % n])) return false;
    }
  }
  return true;
}

void RasterisePolygon(const PointF* p, int n, uint8_t* mask, int stride, int left, int top, int w, int h,
                      std::vector<float>* accum, std::vector<MaskSpan>* spans) {
  if (w <= 0 || h <= 0) return;
  // Columns 0..w+1: an edge's area lands in the pixel it crosses and the one after it.
  const int aw = w + 2;
  static_assert(sizeof(int) == sizeof(float));
  if (accum->size() < size_t(aw + 2) * size_t(h)) accum->assign(size_t(aw + 2) * size_t(h), 0.0f);
  float* acc = accum->data();
  // Per row the columns edges touched, [first, last) (the accumulator is zero elsewhere).
  int* touched = reinterpret_cast<int*>(acc + ptrdiff_t(aw) * h);
  for (int y = 0; y < h; ++y) touched[2 * y] = aw, touched[2 * y + 1] = 0;
  AccumulateEdges<1>(p, n, acc, aw, left, top, w, h, touched, 0);
  // The running sum along each row is the coverage; the accumulator is left zeroed.
  for (int y = 0; y < h; ++y) {
    float* row = acc + ptrdiff_t(y) * aw;
    const int x0 = touched[2 * y], end = std::min(touched[2 * y + 1], aw), x1 = std::min(end, w);
    if (x0 >= x1) {
      if (x0 < end) std::fill(row + x0, row + end, 0.0f);
      continue;
    }
    uint8_t* m = mask + ptrdiff_t(y) * stride;
    float sum = 0;
    for (int x = x0; x < x1; ++x) {
      sum += row[x];
      row[x] = 0;
      m[x] = CoverageByte(sum);
    }
    std::fill(row + x1, row + end, 0.0f);
    spans->push_back({y, x0, x1});
  }
  std::fill(touched, touched + 2 * h, 0);
}

bool RasterisePolygons(const PolygonPart* parts, int count, uint32_t* covers, int stride, int left, int top, int w,
                       int h, std::vector<float>* accum, std::vector<MaskSpan>* spans) {
  if (count < 1 || count > kMostPolygonLanes || w <= 0 || h <= 0) return false;
  for (int k = 0; k < count; ++k) {
    const PolygonPart& q = parts[k];
    if (!q.Points || q.Count < 3 || q.Width <= 0 || q.Height <= 0 || q.Left < left || q.Top < top ||
        q.Left + q.Width > left + w || q.Top + q.Height > top + h)
      return false;
    // Inside its columns by a margin, so that no row's running x, rounded, can reach their border
    // (where the one-at-a-time way would cut a piece): the same arithmetic, to the bit.
    constexpr float kMargin = 1.0f / 64;
    for (int i = 0; i < q.Count; ++i) {
      const PointF pt = q.Points[i];
      if (!(pt.X >= float(q.Left) + kMargin && pt.X <= float(q.Left + q.Width) - kMargin && pt.Y >= float(q.Top) &&
            pt.Y <= float(q.Top + q.Height)))
        return false;
    }
  }
  // Four floats a pixel, one for each polygon, columns 0..w+1 as in RasterisePolygon.
  const int aw = w + 2;
  const size_t floats = size_t(aw) * kMostPolygonLanes * size_t(h);
  if (accum->size() < floats + 2 * size_t(h)) accum->assign(floats + 2 * size_t(h), 0.0f);
  float* acc = accum->data();
  int* touched = reinterpret_cast<int*>(acc + floats);
  for (int y = 0; y < h; ++y) touched[2 * y] = aw, touched[2 * y + 1] = 0;
  const ptrdiff_t rowStride = ptrdiff_t(aw) * kMostPolygonLanes;
  // Each polygon from its own origin, so its arithmetic is RasterisePolygon's to the last bit.
  for (int k = 0; k < count; ++k) {
    const PolygonPart& q = parts[k];
    const int dx = q.Left - left, dy = q.Top - top;
    AccumulateEdges<kMostPolygonLanes, true>(q.Points, q.Count, acc + dy * rowStride + dx * kMostPolygonLanes + k, rowStride,
                                             q.Left, q.Top, q.Width, q.Height, touched + 2 * dy, dx);
  }
  // Four running sums side by side, each in RasterisePolygon's order: a polygon's leading
  // columns add exact zeros. Past its right edge its sum is back to zero but for rounding,
  // far below the half level a byte needs.
#ifdef __SSE2__
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)), one = _mm_set1_ps(1.0f);
  const __m128 full = _mm_set1_ps(255.0f), half = _mm_set1_ps(0.5f);
  // CoverageByte on each lane: the same float operations, in the same order.
  auto levels = [&](__m128 sum) {
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_min_ps(_mm_and_ps(sum, magnitude), one), full), half));
  };
#endif
  for (int y = 0; y < h; ++y) {
    float* row = acc + y * rowStride;
    const int x0 = touched[2 * y], end = std::min(touched[2 * y + 1], aw), x1 = std::min(end, w);
    if (x0 >= x1) {
      if (x0 < end) std::fill(row + x0 * kMostPolygonLanes, row + end * kMostPolygonLanes, 0.0f);
      continue;
    }
    uint32_t* c = covers + ptrdiff_t(y) * stride;
#ifdef __SSE2__
    // Two rows at a time where the next one has coverage too: each row's sums run in their own
    // order, and the two chains of additions overlap. Each row runs over both rows' columns: the
    // accumulator is zero outside a row's own, so its sum is unchanged there and the bytes written
    // beyond its span are never read.
    if (y + 1 < h) {
      const int nx0 = touched[2 * y + 2], nend = std::min(touched[2 * y + 3], aw), nx1 = std::min(nend, w);
      if (nx0 < nx1) {
        float* next = row + rowStride;
        uint32_t* nc = c + stride;
        __m128 sa = _mm_setzero_ps(), sb = _mm_setzero_ps();
        for (int x = std::min(x0, nx0), xe = std::max(x1, nx1); x < xe; ++x) {
          float* va = row + x * kMostPolygonLanes;
          float* vb = next + x * kMostPolygonLanes;
          sa = _mm_add_ps(sa, _mm_loadu_ps(va));
          sb = _mm_add_ps(sb, _mm_loadu_ps(vb));
          _mm_storeu_ps(va, _mm_setzero_ps());
          _mm_storeu_ps(vb, _mm_setzero_ps());
          const __m128i words = _mm_packs_epi32(levels(sa), levels(sb));
          const __m128i bytes = _mm_packus_epi16(words, words);
          c[x] = uint32_t(_mm_cvtsi128_si32(bytes));
          nc[x] = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 4)));
        }
        std::fill(row + x1 * kMostPolygonLanes, row + end * kMostPolygonLanes, 0.0f);
        std::fill(next + nx1 * kMostPolygonLanes, next + nend * kMostPolygonLanes, 0.0f);
        spans->push_back({y, x0, x1});
        spans->push_back({y + 1, nx0, nx1});
        ++y;
        continue;
      }
    }
    __m128 sum = _mm_setzero_ps();
    for (int x = x0; x < x1; ++x) {
      float* v = row + x * kMostPolygonLanes;
      sum = _mm_add_ps(sum, _mm_loadu_ps(v));
      _mm_storeu_ps(v, _mm_setzero_ps());
      const __m128i bytes = levels(sum);
      c[x] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(bytes, bytes), bytes)));
    }
#else
    float sum[kMostPolygonLanes] = {};
    for (int x = x0; x < x1; ++x) {
      float* v = row + x * kMostPolygonLanes;
      uint32_t word = 0;
      for (int k = 0; k < kMostPolygonLanes; ++k) {
        sum[k] += v[k];
        v[k] = 0;
        word |= uint32_t(CoverageByte(sum[k])) << (8 * k);
      }
      c[x] = word;
    }
#endif
    std::fill(row + x1 * kMostPolygonLanes, row + end * kMostPolygonLanes, 0.0f);
    spans->push_back({y, x0, x1});
  }
  std::fill(touched, touched + 2 * h, 0);
  return true;
}

}  // namespace dw::gp
