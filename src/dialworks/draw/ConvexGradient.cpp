#include "dialworks/draw/ConvexGradient.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "dialworks/draw/KeptValues.h"
#include "dialworks/draw/Pixels.h"
#include "dialworks/draw/PixelsAvx2.h"

namespace dw::gp {

namespace {

bool SamePath(const GraphicsPath& a, const GraphicsPath& b) {
  return &a == &b || (a.Points() == b.Points() && a.Types() == b.Types());
}

// The gradient's premultiplied colours at 256 positions. Drawing the same brushes frame after frame
// is the case worth speeding up, so the last few tables are kept per thread.
const uint32_t* Colors(const PathGradientBrush& brush) {
  struct Key {
    TAlphaColor Center = 0, Surround = 0;
    GradientBlend Blend;
    bool operator==(const Key&) const = default;
  };
  using Table = std::array<uint32_t, 256>;
  thread_local KeptValues<Key, Table, 4> kept;
  const TAlphaColor center = brush.GetCenterColor(), surround = brush.SurroundColorAt(0);
  if (const Table* t = kept.FindIf([&](const Key& k) {
        return k.Center == center && k.Surround == surround && k.Blend == brush.Blend();
      }))
    return t->data();
  // Between stops the colours run linearly as they are (not premultiplied), as in the mesh.
  Table lut;
  for (int i = 0; i < 256; ++i) lut[size_t(i)] = PremultipliedPixel(brush.Blend().ColorAt(float(i) / 255, surround, center));
  return kept.Keep(Key{center, surround, brush.Blend()}, lut).data();
}

// The gradient positions (lut indices) of n pixels of a row from column x0 on: per pixel centre
// px, t = max(0, A px + k) over the edges (k holding B py + C), index (1 - min(t, 1)) 255 + 0.5.
// Processors with AVX2 take BestGradientOver's one-pass loops, in the very same double arithmetic.
void Positions(const double* A, const double* k, int edges, int x0, int n, uint8_t* out) {
  for (int j = 0; j < n; ++j) {
    const double px = x0 + j + 0.5;
    double t = 0;
    for (int e = 0; e < edges; ++e) t = std::max(t, A[e] * px + k[e]);
    out[j] = uint8_t(int((1 - std::min(t, 1.0)) * 255 + 0.5));
  }
}

}  // namespace

ConvexPathGradient::ConvexPathGradient(const PathGradientBrush& brush, const GraphicsPath& fill,
                                       const Matrix& toDevice) {
  if (brush.GetWrapMode() != WrapModeClamp || !SamePath(brush.Path(), fill)) return;
  const std::vector<TAlphaColor>& surround = brush.GetSurroundColors();
  if (surround.empty() || std::any_of(surround.begin(), surround.end(), [&](TAlphaColor c) { return c != surround[0]; }))
    return;
  if (GetAlpha(brush.Blend().ColorAt(0, surround[0], brush.GetCenterColor())) != 0) return;

  // One figure of straight lines.
  const std::vector<PointF>& pts = fill.Points();
  const std::vector<uint8_t>& types = fill.Types();
  const int n = int(pts.size());
  if (n < 3 || n > kMaxEdges) return;
  for (int i = 1; i < n; ++i)
    if ((types[size_t(i)] & PathPointTypePathTypeMask) != PathPointTypeLine) return;

  Matrix m = brush.GetTransform();
  m.Multiply(toDevice, MatrixOrderAppend);
  PointF v[kMaxEdges];
  const PointF c = m.TransformPoint(brush.GetCenterPoint());
  if (!c.IsFinite()) return;
  float x0 = c.X, y0 = c.Y, x1 = c.X, y1 = c.Y;
  for (int i = 0; i < n; ++i) {
    v[i] = m.TransformPoint(pts[size_t(i)]);
    if (!v[i].IsFinite()) return;
    x0 = std::min(x0, v[i].X), y0 = std::min(y0, v[i].Y), x1 = std::max(x1, v[i].X), y1 = std::max(y1, v[i].Y);
  }

  // Convex, and the centre point strictly inside: every edge's line passes the centre point on the
  // same side and at least a hundredth of a pixel away, and the outline turns one way only (towards
  // the centre point: the turn's cross product has the opposite sign of h).
  double turn = 0, sweep = 0;
  for (int i = 0; i < n; ++i) {
    const PointF a = v[i], b = v[(i + 1) % n], next = v[(i + 2) % n];
    const double ex = double(b.X) - a.X, ey = double(b.Y) - a.Y;
    const double len = std::hypot(ex, ey);
    if (len < 1e-6) continue;  // a repeated point
    const double h = ex * (double(a.Y) - c.Y) - ey * (double(a.X) - c.X);
    const double bend = ex * (double(next.Y) - b.Y) - ey * (double(next.X) - b.X);
    if (turn == 0) turn = h;
    if (h * turn <= 0 || std::fabs(h) < 0.01 * len || bend * turn > 1e-9 * len) return;
    edges_[count_++] = {-ey / h, ex / h, (ey * c.X - ex * c.Y) / h};
    const double ax = double(a.X) - c.X, ay = double(a.Y) - c.Y, bx = double(b.X) - c.X, by = double(b.Y) - c.Y;
    sweep += std::atan2(ax * by - ay * bx, ax * bx + ay * by);
  }
  // Once round the centre point: a star's corners all turn one way too, but it winds twice.
  if (count_ < 3 || !(std::fabs(sweep) < 3 * std::numbers::pi)) return;
  bounds_ = RectF::FromLTRB(std::floor(x0), std::floor(y0), std::ceil(x1), std::ceil(y1));
  lut_ = Colors(brush);
  valid_ = true;
}

void ConvexPathGradient::Paint(uint8_t* data, int stride, int originX, int originY, int left, int top, int right,
                               int bottom, const uint8_t* clip, int clipStride) const {
  if (!valid_) return;
  top = std::max(top, int(std::max(double(bounds_.Y), double(top))));
  bottom = std::min(bottom, int(std::min(double(bounds_.Bottom()), double(bottom))));
  static const TCoverOverPixels coverOver = BestCoverOverPixels();
  static const TGradientOver gradientOver = BestGradientOver();  // the three steps below in one
  // Without a clip every pixel is covered whole.
  constexpr int kChunk = 64;
  static const std::array<uint8_t, kChunk> kWhole = [] {
    std::array<uint8_t, kChunk> a;
    a.fill(255);
    return a;
  }();
  double A[kMaxEdges], invA[kMaxEdges];
  for (int e = 0; e < count_; ++e) A[e] = edges_[e].A, invA[e] = edges_[e].A != 0 ? 1 / edges_[e].A : 0;
  for (int y = top; y < bottom; ++y) {
    const double py = y + 0.5;
    // The row's inside, for pixel centres px: A px + (B py + C) < 1 on every edge.
    double lo = left - 1.0, hi = right + 1.0;
    double k[kMaxEdges];
    for (int e = 0; e < count_; ++e) {
      const Edge& E = edges_[e];
      k[e] = E.B * py + E.C;
      // Pixels on the outline take position 0, which is clear: where rounding puts the row's ends
      // changes no pixel.
      if (E.A > 0) hi = std::min(hi, (1 - k[e]) * invA[e]);
      else if (E.A < 0) lo = std::max(lo, (1 - k[e]) * invA[e]);
      else if (k[e] >= 1) hi = lo;
    }
    if (!(lo < hi)) continue;
    // Floor and ceiling without a library call (lo and hi lie within left - 1 .. right + 1): the
    // row's own costs add up over a thin shape's many rows.
    const double fl = lo - 0.5, ch = hi - 0.5;
    const int xa = std::max(left, int(fl) - (fl < double(int(fl))) + 1);
    const int xb = std::min(right, int(ch) + (ch > double(int(ch))));
    if (xa >= xb) continue;
    auto* row = reinterpret_cast<uint32_t*>(data + ptrdiff_t(y - originY) * stride) - originX;
    const uint8_t* cover = clip ? clip + ptrdiff_t(y) * clipStride : nullptr;
    if (gradientOver) {
      gradientOver(row + xa, A, k, count_, xa, xb - xa, lut_, cover ? cover + xa : nullptr);
      continue;
    }
    uint8_t index[kChunk];
    uint32_t colours[kChunk];
    for (int x0 = xa; x0 < xb; x0 += kChunk) {
      const int n = std::min(kChunk, xb - x0);
      Positions(A, k, count_, x0, n, index);
      for (int j = 0; j < n; ++j) colours[j] = lut_[index[j]];
      coverOver(row + x0, colours, cover ? cover + x0 : kWhole.data(), n);
    }
  }
}

}  // namespace dw::gp
