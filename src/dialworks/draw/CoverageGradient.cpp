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

void CoverageGradient::Paint(const uint8_t* mask, int maskStride, uint8_t* dst, int dstStride, int left, int top,
                             int width, int height) const {
  if (!valid_) return;
  const double a = fromDevice_.M11(), b = fromDevice_.M21(), c = fromDevice_.OffsetX();
  const double d = fromDevice_.M12(), e = fromDevice_.M22(), f = fromDevice_.OffsetY();
  constexpr double kLast = kLut - 1;
  for (int y = 0; y < height; ++y) {
    const uint8_t* m = mask + ptrdiff_t(y) * maskStride;
    auto* out = reinterpret_cast<uint32_t*>(dst + ptrdiff_t(y) * dstStride);
    const double py = top + y + 0.5;
    for (int x = 0; x < width; ++x) {
      // Skip empty coverage eight pixels at a time.
      if (x + 8 <= width) {
        uint64_t eight;
        std::memcpy(&eight, m + x, 8);
        if (eight == 0) {
          x += 7;
          continue;
        }
      }
      const uint32_t cover = m[x];
      if (cover == 0) continue;
      const double px = left + x + 0.5;
      const double gx = a * px + b * py + c;
      double t;
      if (kind_ == Kind::Linear) {
        t = gx;
      } else {
        // The circle from the focal point (radius 0) to the unit circle (radius 1) through the
        // point: centre focal (1 - t), radius t.
        const double gy = d * px + e * py + f;
        const double qx = gx - focal_.X, qy = gy - focal_.Y;
        const double qf = qx * focal_.X + qy * focal_.Y, qq = qx * qx + qy * qy;
        t = (qf + std::sqrt(std::max(0.0, qf * qf + focalNorm_ * qq))) / focalNorm_;
      }
      switch (wrap_) {
        case Wrap::Pad: t = std::clamp(t, 0.0, 1.0); break;
        case Wrap::Repeat: t -= std::floor(t); break;
        case Wrap::Reflect: t = std::fabs(t - 2 * std::floor(t / 2 + 0.5)); break;
        case Wrap::None:
          // A pixel partly covered on the rim whose centre lies just outside takes the rim colour
          // (Cairo's radial gradient leaves it out); beyond the rim nothing is painted.
          if (!(t <= (cover < 255 ? rimSlack_ : 1.0))) continue;
          t = std::min(t, 1.0);
          break;
      }
      if (!(t >= 0 && t <= 1)) continue;  // NaN from a degenerate point
      uint32_t s = lut_[int(t * kLast + 0.5)];
      if (cover != 255) s = ScalePixel(s, cover);
      if (s >> 24 == 255) out[x] = s;
      else if (s != 0) out[x] = OverPixel(s, out[x]);
    }
  }
}

}  // namespace dw::gp
