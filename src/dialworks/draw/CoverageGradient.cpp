#include "dialworks/draw/CoverageGradient.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dialworks/draw/Pixels.h"

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

// Colours run linearly between stops in straight (not premultiplied) form and are premultiplied
// afterwards, as Cairo's gradients do; before the first stop and after the last they hold.
void CoverageGradient::Table(const std::vector<GradientStop>& AStops, bool AReversed) {
  size_t k = 0;
  for (int i = 0; i < kLut; ++i) {
    const float at = float(AReversed ? kLut - 1 - i : i) / (kLut - 1);
    float ch[4];
    if (AStops.empty()) {
      std::fill(ch, ch + 4, 0.0f);
    } else if (!(at > AStops.front().Position) || AStops.size() == 1) {
      for (int c = 0; c < 4; ++c) ch[c] = float((AStops.front().Color >> (8 * c)) & 255);
    } else {
      if (AReversed) k = 0;  // positions fall as i rises
      while (k + 2 < AStops.size() && at > AStops[k + 1].Position) ++k;
      const GradientStop& a = AStops[k];
      const GradientStop& b = AStops[k + 1];
      const float span = b.Position - a.Position;
      const float f = span > 0 ? std::clamp((at - a.Position) / span, 0.0f, 1.0f) : 1.0f;
      for (int c = 0; c < 4; ++c) {
        const float x = float((a.Color >> (8 * c)) & 255), y = float((b.Color >> (8 * c)) & 255);
        ch[c] = x + (y - x) * f;
      }
    }
    const float alpha = ch[3] / 255;
    auto out = [&](int c) { return uint32_t(ch[c] * (c == 3 ? 1.0f : alpha) + 0.5f) & 255; };
    lut_[i] = out(3) << 24 | out(2) << 16 | out(1) << 8 | out(0);
  }
}

namespace {

// Composes colour(x, y, cover) (premultiplied; 0: nothing) through the coverage mask over the
// pixels eight at a time, skipping empty coverage; a colour the same everywhere and opaque fills
// wholly covered runs.
template <bool kConstant, class Colour>
void ComposeThroughMask(const uint8_t* mask, int maskStride, uint8_t* dst, int dstStride,
                        const std::vector<MaskSpan>& spans, Colour colour) {
  uint32_t colours[8];
  for (const MaskSpan& span : spans) {
    const int y = span.Y;
    const uint8_t* m = mask + ptrdiff_t(y) * maskStride;
    auto* out = reinterpret_cast<uint32_t*>(dst + ptrdiff_t(y) * dstStride);
    int x = span.X0;
    for (; x + 8 <= span.X1; x += 8) {
      uint64_t eight;
      std::memcpy(&eight, m + x, 8);
      if (eight == 0) continue;
      if (kConstant && eight == ~uint64_t(0) && colour(x, y, 255) >> 24 == 255) {
        std::fill_n(out + x, 8, colour(x, y, 255));
        continue;
      }
      for (int k = 0; k < 8; ++k) colours[k] = colour(x + k, y, m[x + k]);
      CoverOverPixels(out + x, colours, m + x, 8);
    }
    for (; x < span.X1; ++x) {
      if (m[x] == 0) continue;
      const uint32_t s = colour(x, y, m[x]);
      CoverOverPixels(out + x, &s, m + x, 1);
    }
  }
}

}  // namespace

void CoverageGradient::Paint(const uint8_t* mask, int maskStride, uint8_t* dst, int dstStride, int left, int top,
                             const std::vector<MaskSpan>& spans) const {
  if (!valid_) return;
  if (kind_ == Kind::Solid) {
    const uint32_t s = lut_[0];
    ComposeThroughMask<true>(mask, maskStride, dst, dstStride, spans, [s](int, int, uint32_t) { return s; });
    return;
  }
  const double a = fromDevice_.M11(), b = fromDevice_.M21(), c = fromDevice_.OffsetX();
  const double d = fromDevice_.M12(), e = fromDevice_.M22(), f = fromDevice_.OffsetY();
  constexpr double kLast = kLut - 1;
  // Gradient coordinates at column 0 of the row last asked for (rows come in order, columns
  // within a row too); the transform is finite, so they are.
  int row = -1;
  double gx0 = 0, gy0 = 0;
  auto startOf = [&](int y) {
    if (y == row) return;
    row = y;
    const double px = left + 0.5, py = top + y + 0.5;
    gx0 = a * px + b * py + c;
    gy0 = d * px + e * py + f;
  };
  if (wrap_ == Wrap::Pad) {
    ComposeThroughMask<false>(mask, maskStride, dst, dstStride, spans, [&](int x, int y, uint32_t) {
      startOf(y);
      return lut_[int(std::clamp((gx0 + a * x) * kLast + 0.5, 0.0, kLast))];
    });
    return;
  }
  auto at = [this](double t) { return lut_[int(t * kLast + 0.5)]; };
  auto tiled = [&](auto wrap) {
    ComposeThroughMask<false>(mask, maskStride, dst, dstStride, spans, [&](int x, int y, uint32_t) {
      startOf(y);
      const double t = wrap(gx0 + a * x);
      return t >= 0 && t <= 1 ? at(t) : 0u;
    });
  };
  switch (wrap_) {
    case Wrap::Repeat: tiled([](double t) { return t - std::floor(t); }); return;
    case Wrap::Reflect: tiled([](double t) { return std::fabs(t - 2 * std::floor(t / 2 + 0.5)); }); return;
    default: break;
  }
  // Radial: the circle from the focal point (radius 0) to the unit circle (radius 1) through the
  // point: centre focal (1 - t), radius t.
  const double inverseNorm = 1 / focalNorm_;
  ComposeThroughMask<false>(mask, maskStride, dst, dstStride, spans, [&](int x, int y, uint32_t cover) -> uint32_t {
    startOf(y);
    const double qx = gx0 + a * x - focal_.X, qy = gy0 + d * x - focal_.Y;
    const double qf = qx * focal_.X + qy * focal_.Y, qq = qx * qx + qy * qy;
    const double t = (qf + std::sqrt(std::max(0.0, qf * qf + focalNorm_ * qq))) * inverseNorm;
    // A pixel partly covered on the rim whose centre lies just outside takes the rim colour
    // (Cairo's radial gradient leaves it out); beyond the rim nothing is painted.
    if (!(t >= 0 && t <= (cover < 255 ? rimSlack_ : 1.0))) return 0u;
    return at(std::min(t, 1.0));
  });
}

}  // namespace dw::gp
