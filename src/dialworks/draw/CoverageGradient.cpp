#include "dialworks/draw/CoverageGradient.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>
#ifdef __SSE2__
#include <immintrin.h>
#endif

#include "dialworks/draw/KeptValues.h"
#include "dialworks/draw/Pixels.h"
#include "dialworks/draw/PixelsAvx2.h"

namespace dw::gp {

bool EllipticalGradientGeometry(const PathGradientBrush& brush, Matrix* unitToWorld, PointF* focal) {
  RectF e;
  if (brush.GetWrapMode() != WrapModeClamp || !brush.Path().IsEllipse(&e)) return false;
  const std::vector<TAlphaColor>& surround = brush.GetSurroundColors();
  for (TAlphaColor c : surround)
    if (c != surround.front()) return false;
  const float rx = e.Width / 2, ry = e.Height / 2;
  // On or near the rim the two circles would not nest.
  const PointF c = brush.GetCenterPoint();
  const double fx = (c.X - (e.X + rx)) / rx, fy = (c.Y - (e.Y + ry)) / ry;
  if (!(fx * fx + fy * fy < 0.98)) return false;
  *unitToWorld = Matrix(rx, 0, 0, ry, e.X + rx, e.Y + ry);
  unitToWorld->Multiply(brush.GetTransform(), MatrixOrderAppend);
  *focal = PointF(float(fx), float(fy));
  return true;
}

CoverageGradient::CoverageGradient(const Brush& brush, const Matrix& toDevice) {
  Matrix toGradient;  // gradient space to device
  if (brush.GetType() == BrushTypeLinearGradient) {
    const auto& lb = static_cast<const LinearGradientBrush&>(brush);
    toGradient = lb.Geometry();
    toGradient.Multiply(lb.GetTransform(), MatrixOrderAppend);
    switch (lb.GetWrapMode()) {
      case WrapModeTile: wrap_ = Wrap::Repeat; break;
      case WrapModeTileFlipX:
      case WrapModeTileFlipY:
      case WrapModeTileFlipXY: wrap_ = Wrap::Reflect; break;
      default: wrap_ = Wrap::Pad; break;
    }
    Table(lb.Stops(), false);
  } else if (brush.GetType() == BrushTypePathGradient) {
    const auto& pb = static_cast<const PathGradientBrush&>(brush);
    if (!EllipticalGradientGeometry(pb, &toGradient, &focal_)) return;
    kind_ = Kind::Radial;
    wrap_ = Wrap::None;
    focalNorm_ = 1 - (double(focal_.X) * focal_.X + double(focal_.Y) * focal_.Y);
    // t runs from the centre point (0) to the rim (1), the blend from the rim (0) to the centre (1).
    Table(pb.Stops(pb.SurroundColorAt(0)), true);
  } else if (brush.GetType() == BrushTypeSolidColor) {
    kind_ = Kind::Solid;
    lut_[0] = PremultipliedPixel(static_cast<const SolidBrush&>(brush).GetColor());
    valid_ = true;
    return;
  } else {
    return;
  }
  toGradient.Multiply(toDevice, MatrixOrderAppend);
  fromDevice_ = toGradient;
  valid_ = fromDevice_.Invert() && fromDevice_.IsFinite();
  // One device pixel in gradient space.
  rimSlack_ = 1 + std::max(std::hypot(double(fromDevice_.M11()), double(fromDevice_.M12())),
                           std::hypot(double(fromDevice_.M21()), double(fromDevice_.M22())));
}

void CoverageGradient::Table(const std::vector<GradientStop>& AStops, bool AReversed) {
  // A face draws the same few gradients each time it is built: the last tables made are kept.
  using Stops = std::pair<std::vector<GradientStop>, bool>;
  thread_local KeptValues<Stops, std::array<uint32_t, kLut>, 8> kept;
  const auto* found = kept.FindIf([&](const Stops& k) { return k.second == AReversed && k.first == AStops; });
  if (found) {
    std::memcpy(lut_, found->data(), sizeof lut_);
    return;
  }
  MakeTable(AStops, AReversed);
  std::array<uint32_t, kLut> table;
  std::memcpy(table.data(), lut_, sizeof lut_);
  kept.Keep(Stops(AStops, AReversed), table);
}

// Colours run linearly between stops in straight (not premultiplied) form and are premultiplied
// afterwards, as Cairo's gradients do; before the first stop and after the last they hold.
void CoverageGradient::MakeTable(const std::vector<GradientStop>& AStops, bool AReversed) {
  if (AStops.empty()) {
    std::fill_n(lut_, kLut, 0u);
    return;
  }
  auto channels = [](TAlphaColor c, float* ch) {
    for (int n = 0; n < 4; ++n) ch[n] = float((c >> (8 * n)) & 255);
  };
  // Positions rise with j; the segment (stops k, k + 1) and its channels follow along.
  size_t k = 0;
  float from[4], to[4], invSpan = 0;
#ifdef __SSE2__
  __m128 lo = _mm_setzero_ps(), hi = lo;
#endif
  auto segment = [&] {
    channels(AStops[k].Color, from);
    channels(AStops[std::min(k + 1, AStops.size() - 1)].Color, to);
    const float span = k + 1 < AStops.size() ? AStops[k + 1].Position - AStops[k].Position : 0.0f;
    invSpan = span > 0 ? 1 / span : 0;
#ifdef __SSE2__
    lo = _mm_loadu_ps(from);
    hi = _mm_loadu_ps(to);
#endif
  };
#ifdef __SSE2__
  // (alpha, alpha, alpha, 1) for the colour at f: alpha runs linearly too.
  auto premultiply = [&](float f) {
    const float alpha = (from[3] + (to[3] - from[3]) * f) / 255;
    return _mm_set_ps(1.0f, alpha, alpha, alpha);
  };
#endif
  segment();
  for (int j = 0; j < kLut; ++j) {
    const float at = float(j) / (kLut - 1);
    while (k + 2 < AStops.size() && at > AStops[k + 1].Position) {
      ++k;
      segment();
    }
    float f;
    if (!(at > AStops.front().Position) || AStops.size() == 1) f = 0;
    else f = invSpan > 0 ? std::clamp((at - AStops[k].Position) * invSpan, 0.0f, 1.0f) : 1.0f;
    uint32_t& entry = lut_[AReversed ? kLut - 1 - j : j];
#ifdef __SSE2__
    // The same arithmetic on the four channels at once (an entry was the costliest part of a
    // small fill: a table has 1,024 of them).
    const __m128i rounded = _mm_cvttps_epi32(_mm_add_ps(
        _mm_mul_ps(_mm_add_ps(lo, _mm_mul_ps(_mm_sub_ps(hi, lo), _mm_set1_ps(f))), premultiply(f)), _mm_set1_ps(0.5f)));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(rounded, rounded), _mm_setzero_si128());
    entry = uint32_t(_mm_cvtsi128_si32(bytes));
#else
    float ch[4];
    for (int n = 0; n < 4; ++n) ch[n] = from[n] + (to[n] - from[n]) * f;
    const float alpha = ch[3] / 255;
    // Rounded, premultiplied: c * alpha + 0.5 truncated (all channels non-negative).
    auto out = [&](int n) { return uint32_t(int(ch[n] * (n == 3 ? 1.0f : alpha) + 0.5f)) & 255; };
    entry = out(3) << 24 | out(2) << 16 | out(1) << 8 | out(0);
#endif
  }
}

namespace {

constexpr int kRun = 64;  // pixels coloured at a time (a run may have up to 7 more at a span's end)

uint64_t Eight(const uint8_t* m) {
  uint64_t v;
  std::memcpy(&v, m, 8);
  return v;
}

// Calls run(y, x, n) for the runs of coverage within the spans (x in mask columns), skipping
// empty coverage eight bytes at a time (a run may still hold pixels of no coverage).
template <class Run>
void ForEachRun(const uint8_t* mask, int maskStride, const std::vector<MaskSpan>& spans, Run run) {
  for (const MaskSpan& span : spans) {
    const uint8_t* m = mask + ptrdiff_t(span.Y) * maskStride;
    int x = span.X0;
    while (x < span.X1) {
      if (x + 8 <= span.X1 && Eight(m + x) == 0) {
        x += 8;
        continue;
      }
      int end = x;
      while (end < span.X1 && end - x < kRun) {
        if (end + 8 > span.X1) end = span.X1;
        else if (Eight(m + end) == 0) break;
        else end += 8;
      }
      run(span.Y, x, end - x);
      x = end;
    }
  }
}

// A padded linear gradient's colours along a run: position t0 + step k (k = 0 .. n-1) in table
// steps, clamped to the table. The AVX2 version takes four at a time in the same double arithmetic
// (a multiply, then an add) and may write up to three colours past n.
using TPadColours = void (*)(const uint32_t* lut, int last, double t0, double step, int n, uint32_t* out);

void PadColours(const uint32_t* lut, int last, double t0, double step, int n, uint32_t* out) {
  for (int k = 0; k < n; ++k) {
    const double at = t0 + step * k;  // NaN only from a transform near overflow: the first colour
    out[k] = lut[at > 0 ? (at < last ? int(at) : last) : 0];
  }
}

#if defined(__GNUC__) && defined(__x86_64__)
__attribute__((target("avx2"))) void PadColoursAvx2(const uint32_t* lut, int last, double t0, double step, int n,
                                                    uint32_t* out) {
  // max gives its second operand for NaN: the first colour, as above.
  const __m256d zero = _mm256_setzero_pd(), top = _mm256_set1_pd(last), steps = _mm256_set1_pd(step);
  const __m256d start = _mm256_set1_pd(t0), four = _mm256_set1_pd(4);
  __m256d k = _mm256_set_pd(3, 2, 1, 0);
  for (int j = 0; j < n; j += 4, k = _mm256_add_pd(k, four)) {
    const __m256d at = _mm256_add_pd(start, _mm256_mul_pd(steps, k));
    const __m128i i = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(at, zero), top));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_i32gather_epi32(reinterpret_cast<const int*>(lut), i, 4));
  }
}
#endif

// A radial gradient's positions along a run, in unit-circle space from (qx0, qy0) by (ax, dy) a
// pixel, the focal point at (ffx, ffy): t = (q.f + sqrt(max(0, (q.f)^2 + norm |q|^2))) inverse,
// all in float. The AVX2 version takes eight at a time in the same float arithmetic (no fused
// operations; sqrt is exact in both) and may write up to seven positions past n.
struct TRadialRun {
  float qx0, qy0, ax, dy, ffx, ffy, norm, inverse;
};
using TRadialPositions = void (*)(const TRadialRun& r, int n, float* t);

void RadialPositions(const TRadialRun& r, int n, float* t) {
  for (int k = 0; k < n; ++k) {
    const float qx = r.qx0 + r.ax * float(k), qy = r.qy0 + r.dy * float(k);
    const float qf = qx * r.ffx + qy * r.ffy, qq = qx * qx + qy * qy;
    t[k] = (qf + std::sqrt(std::max(0.0f, qf * qf + r.norm * qq))) * r.inverse;
  }
}

#if defined(__GNUC__) && defined(__x86_64__)
__attribute__((target("avx2"))) void RadialPositionsAvx2(const TRadialRun& r, int n, float* t) {
  const __m256 qx0 = _mm256_set1_ps(r.qx0), qy0 = _mm256_set1_ps(r.qy0), ax = _mm256_set1_ps(r.ax);
  const __m256 dy = _mm256_set1_ps(r.dy), ffx = _mm256_set1_ps(r.ffx), ffy = _mm256_set1_ps(r.ffy);
  const __m256 norm = _mm256_set1_ps(r.norm), inverse = _mm256_set1_ps(r.inverse), eight = _mm256_set1_ps(8);
  const __m256 zero = _mm256_setzero_ps();
  __m256 k = _mm256_set_ps(7, 6, 5, 4, 3, 2, 1, 0);
  for (int j = 0; j < n; j += 8, k = _mm256_add_ps(k, eight)) {
    const __m256 qx = _mm256_add_ps(qx0, _mm256_mul_ps(ax, k)), qy = _mm256_add_ps(qy0, _mm256_mul_ps(dy, k));
    const __m256 qf = _mm256_add_ps(_mm256_mul_ps(qx, ffx), _mm256_mul_ps(qy, ffy));
    const __m256 qq = _mm256_add_ps(_mm256_mul_ps(qx, qx), _mm256_mul_ps(qy, qy));
    // max gives its second operand for NaN, as std::max(0, v) gives 0.
    const __m256 under = _mm256_max_ps(_mm256_add_ps(_mm256_mul_ps(qf, qf), _mm256_mul_ps(norm, qq)), zero);
    _mm256_storeu_ps(t + j, _mm256_mul_ps(_mm256_add_ps(qf, _mm256_sqrt_ps(under)), inverse));
  }
}
#endif

TRadialPositions BestRadialPositions() {
#if defined(__GNUC__) && defined(__x86_64__)
  if (HasAvx2()) return RadialPositionsAvx2;
#endif
  return RadialPositions;
}

TPadColours BestPadColours() {
#if defined(__GNUC__) && defined(__x86_64__)
  if (HasAvx2()) return PadColoursAvx2;
#endif
  return PadColours;
}

}  // namespace

void CoverageGradient::Paint(const uint8_t* mask, int maskStride, uint8_t* dst, int dstStride, int left, int top,
                             const std::vector<MaskSpan>& spans) const {
  if (!valid_) return;
  auto row = [&](int y) { return reinterpret_cast<uint32_t*>(dst + ptrdiff_t(y) * dstStride); };
  auto cover = [&](int y) { return mask + ptrdiff_t(y) * maskStride; };
  uint32_t colours[kRun + 8 + 3];  // runs of up to kRun + 7, and three more written by PadColoursAvx2
  static const TCoverOverPixels coverOver = BestCoverOverPixels();
  if (kind_ == Kind::Solid) {
    std::fill_n(colours, kRun, lut_[0]);
    for (const MaskSpan& span : spans)
      for (int x = span.X0; x < span.X1; x += kRun)
        coverOver(row(span.Y) + x, colours, cover(span.Y) + x, std::min(kRun, span.X1 - x));
    return;
  }
  const double a = fromDevice_.M11(), b = fromDevice_.M21(), c = fromDevice_.OffsetX();
  const double d = fromDevice_.M12(), e = fromDevice_.M22(), f = fromDevice_.OffsetY();
  constexpr double kLast = kLut - 1;
  // Gradient coordinates of the centre of device pixel (left + x, top + y); the transform is
  // finite, so they are.
  auto gx = [&](int x, int y) { return a * (left + x + 0.5) + b * (top + y + 0.5) + c; };
  auto gy = [&](int x, int y) { return d * (left + x + 0.5) + e * (top + y + 0.5) + f; };
  auto compose = [&](auto colourRun) {
    ForEachRun(mask, maskStride, spans, [&](int y, int x, int n) {
      colourRun(y, x, n, cover(y) + x);
      coverOver(row(y) + x, colours, cover(y) + x, n);
    });
  };
  if (wrap_ == Wrap::Pad) {
    static const TPadColours padColours = BestPadColours();
    compose([&](int y, int x, int n, const uint8_t*) {
      const double t0 = gx(x, y) * kLast + 0.5, step = a * kLast;
      if (step == 0) {  // a vertical gradient: one colour along the run
        std::fill_n(colours, n, lut_[t0 > 0 ? (t0 < kLast ? int(t0) : kLut - 1) : 0]);
        return;
      }
      padColours(lut_, kLut - 1, t0, step, n, colours);
    });
    return;
  }
  auto tiled = [&](auto wrap) {
    compose([&](int y, int x, int n, const uint8_t*) {
      const double t0 = gx(x, y);
      for (int k = 0; k < n; ++k) {
        const double t = wrap(t0 + a * k);
        colours[k] = t >= 0 && t <= 1 ? lut_[int(t * kLast + 0.5)] : 0u;
      }
    });
  };
  switch (wrap_) {
    case Wrap::Repeat: tiled([](double t) { return t - std::floor(t); }); return;
    case Wrap::Reflect: tiled([](double t) { return std::fabs(t - 2 * std::floor(t / 2 + 0.5)); }); return;
    default: break;
  }
  // Radial: the circle from the focal point (radius 0) to the unit circle (radius 1) through the
  // point: centre focal (1 - t), radius t.
  const double inverseNorm = 1 / focalNorm_, fx = focal_.X, fy = focal_.Y;
  const float ffx = float(fx), ffy = float(fy), norm = float(focalNorm_), inverse = float(inverseNorm);
  static const TRadialPositions radialPositions = BestRadialPositions();
  float positions[kRun + 8 + 8];  // runs of up to kRun + 7, and up to seven more written
  compose([&](int y, int x, int n, const uint8_t* m) {
    // In float within the run (unit-circle coordinates: the table needs ten bits of t).
    radialPositions({float(gx(x, y) - fx), float(gy(x, y) - fy), float(a), float(d), ffx, ffy, norm, inverse}, n,
                    positions);
    for (int k = 0; k < n; ++k) {
      const double t = positions[k];
      // A pixel partly covered on the rim whose centre lies just outside takes the rim colour
      // (Cairo's radial gradient leaves it out); beyond the rim nothing is painted.
      colours[k] = t >= 0 && t <= (m[k] < 255 ? rimSlack_ : 1.0) ? lut_[int(std::min(t, 1.0) * kLast + 0.5)] : 0u;
    }
  });
}

}  // namespace dw::gp
