#include "dialworks/draw/ComputedCoverage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>

namespace dw::gp {

namespace {

constexpr double kMinAxis = 1;  // semi-axis in pixels below which Cairo draws the shape
constexpr double kMinBend = 2;  // least radius of curvature in pixels
// Extents and places in pixels beyond which shapes are left to Cairo: pixel columns stay far
// inside int, and such a shape cannot touch a surface unless it is larger than any surface.
constexpr double kLargest = 1e6, kFarthest = 1e7;

// The ellipse a path figure makes under a transform that only scales and moves.
bool DeviceEllipseOf(const GraphicsPath& figure, const Matrix& m, DeviceEllipse* e) {
  RectF r;
  if (!figure.IsEllipse(&r)) return false;
  const double sx = m.M11(), sy = m.M22();
  e->Cx = (double(r.X) + r.Width / 2.0) * sx + m.OffsetX();
  e->Cy = (double(r.Y) + r.Height / 2.0) * sy + m.OffsetY();
  e->Rx = std::fabs(sx) * r.Width / 2.0;
  e->Ry = std::fabs(sy) * r.Height / 2.0;
  return std::fabs(e->Cx) < kFarthest && std::fabs(e->Cy) < kFarthest && e->Rx >= kMinAxis && e->Ry >= kMinAxis &&
         e->Rx < kLargest && e->Ry < kLargest &&
         // The outline bends no tighter than a circle of two pixels (the tips of a long, thin
         // ellipse turn too fast for a pixel's distance to stand for its coverage).
         e->Rx * e->Rx >= kMinBend * e->Ry && e->Ry * e->Ry >= kMinBend * e->Rx;
}

bool Axial(const Matrix& m) { return m.M12() == 0 && m.M21() == 0 && m.M11() != 0 && m.M22() != 0; }

// The share of a pixel inside a straight edge whose normal is (nx, ny) (unit, any signs) and
// whose distance from the pixel's centre is `inside` (positive: the centre is inside): the area
// of the unit square on the inner side of the line.
double EdgeCoverage(double inside, double nx, double ny) {
  const double a = std::max(std::fabs(nx), std::fabs(ny)), b = std::min(std::fabs(nx), std::fabs(ny));
  const double outer = (a + b) / 2;  // beyond this the square lies wholly on one side
  if (inside >= outer) return 1;
  if (inside <= -outer) return 0;
  const double inner = (a - b) / 2;  // within this the line crosses two opposite sides
  if (std::fabs(inside) <= inner) return 0.5 + inside / a;
  const double corner = (outer - std::fabs(inside)) * (outer - std::fabs(inside)) / (2 * a * b);
  return inside > 0 ? 1 - corner : corner;
}

// An ellipse ready for coverage. A pixel's coverage comes from its centre's distance to the
// outline, estimated to first order from the normalised radius k: exact on circles, and within a
// small fraction of a pixel on the outline of any ellipse wider than a few pixels.
class Coverer {
 public:
  Coverer(const DeviceEllipse& e, bool aa)
      : e_(e), aa_(aa), irx_(1 / e.Rx), iry_(1 / e.Ry), circle_(e.Rx == e.Ry) {
    // A pixel whose centre is farther than half its diagonal from a circle is wholly on one side.
    constexpr double kHalfDiagonal = 0.70711;
    far2_ = (e.Rx + kHalfDiagonal) * (e.Rx + kHalfDiagonal);
    near2_ = e.Rx > kHalfDiagonal ? (e.Rx - kHalfDiagonal) * (e.Rx - kHalfDiagonal) : -1;
  }

  double operator()(double px, double py) const {
    const double dx = px - e_.Cx, dy = py - e_.Cy;
    if (circle_) {
      const double r2 = dx * dx + dy * dy;
      if (!aa_) return r2 < e_.Rx * e_.Rx ? 1 : 0;
      if (r2 >= far2_) return 0;
      if (r2 <= near2_) return 1;
      const double r = std::sqrt(r2);
      if (!(r > 0)) return 1;
      const double inv = 1 / r;
      return EdgeCoverage(e_.Rx - r, dx * inv, dy * inv);
    }
    const double u = dx * irx_, v = dy * iry_;
    const double k2 = u * u + v * v;
    if (!aa_) return k2 < 1 ? 1 : 0;
    const double k = std::sqrt(k2);
    const double gx = u * irx_, gy = v * iry_;  // the gradient of k, times k
    const double g2 = gx * gx + gy * gy;
    if (!(g2 > 0)) return 1;  // the centre
    const double ig = 1 / std::sqrt(g2);
    return EdgeCoverage((1 - k) * k * ig, gx * ig, gy * ig);
  }

 private:
  DeviceEllipse e_;
  bool aa_;
  double irx_, iry_;
  bool circle_;
  double far2_, near2_;
};

// Pixels of one row the ellipse touches: [PartL, PartR) may be covered, [FullL, FullR) wholly
// (with anti-aliasing off, the pixels whose centres are inside are the whole ones).
struct RowSpan {
  int PartL = 0, PartR = 0, FullL = 0, FullR = 0;
};

constexpr int kFar = std::numeric_limits<int>::max();
constexpr RowSpan kNoHole{kFar, kFar, kFar, kFar};

RowSpan Span(const DeviceEllipse& e, int y, bool aa) {
  RowSpan s;
  const double dy = std::fabs(y + 0.5 - e.Cy);
  const double iry = 1 / e.Ry;
  auto halfWidth = [&](double at) { return at >= e.Ry ? -1.0 : e.Rx * std::sqrt(1 - (at * iry) * (at * iry)); };
  if (!aa) {
    const double h = halfWidth(dy);
    if (h < 0) return s;
    // Centres x + 0.5 strictly inside (cx - h, cx + h).
    s.PartL = s.FullL = int(std::floor(e.Cx - h - 0.5)) + 1;
    s.PartR = s.FullR = int(std::ceil(e.Cx + h - 0.5));
    if (s.PartR < s.PartL) s.PartR = s.FullR = s.PartL;
    return s;
  }
  const double reach = halfWidth(std::max(0.0, dy - 0.5));  // widest within the row
  if (reach < 0) return s;
  s.PartL = int(std::floor(e.Cx - reach));
  s.PartR = int(std::ceil(e.Cx + reach));
  const double whole = halfWidth(dy + 0.5);  // narrowest within the row: a square inside there
  if (whole > 0) {
    s.FullL = int(std::ceil(e.Cx - whole));
    s.FullR = int(std::floor(e.Cx + whole));
  }
  if (s.FullR <= s.FullL) s.FullL = s.FullR = s.PartL;
  return s;
}

uint8_t Byte(double c) { return uint8_t(std::clamp(c, 0.0, 1.0) * 255 + 0.5); }

}  // namespace

bool FilledEllipseShape(const GraphicsPath& path, const Matrix& toDevice, EllipseShape* shape) {
  if (!Axial(toDevice)) return false;
  const size_t n = path.Points().size();
  if (n == 13) {
    shape->Ring = false;
    return DeviceEllipseOf(path, toDevice, &shape->Outer);
  }
  if (n != 26 || path.GetFillMode() != FillModeAlternate) return false;
  // The two figures, in paths kept per thread (no allocation per fill once they have grown).
  thread_local GraphicsPath first, second;
  first.Reset();
  second.Reset();
  for (size_t i = 0; i < n; ++i)
    (i < 13 ? first : second).AppendRaw(path.Points()[i], path.Types()[i]);
  DeviceEllipse a, b;
  if (!DeviceEllipseOf(first, toDevice, &a) || !DeviceEllipseOf(second, toDevice, &b)) return false;
  if (b.Rx > a.Rx) std::swap(a, b);
  // One centre (to a hundredth of a pixel), the inner wholly inside.
  if (!(std::fabs(a.Cx - b.Cx) <= 0.01 && std::fabs(a.Cy - b.Cy) <= 0.01 && b.Rx < a.Rx && b.Ry < a.Ry)) return false;
  shape->Outer = a;
  shape->Inner = b;
  shape->Ring = true;
  return true;
}

bool StrokedCircleShape(const GraphicsPath& path, const Matrix& toDevice, float penWidth, EllipseShape* shape) {
  if (!Axial(toDevice) || std::fabs(toDevice.M11()) != std::fabs(toDevice.M22()) || path.Points().size() != 13)
    return false;
  DeviceEllipse e;
  RectF r;
  if (!path.IsEllipse(&r) || !(std::fabs(r.Width - r.Height) <= 1e-4f * r.Width)) return false;
  if (!DeviceEllipseOf(path, toDevice, &e)) return false;
  const double radius = (e.Rx + e.Ry) / 2;
  const double half = penWidth > 0 && std::isfinite(penWidth) ? std::fabs(toDevice.M11()) * penWidth / 2 : 0.5;
  if (!(half < kLargest)) return false;
  shape->Outer = {e.Cx, e.Cy, radius + half, radius + half};
  // An inner circle leaves a ring (its coverage is the outer's less the inner's); one bending
  // tighter than the coverage here follows is left to Cairo.
  if (radius - half > 0 && radius - half < kMinBend) return false;
  shape->Ring = radius - half > 0;
  if (shape->Ring) shape->Inner = {e.Cx, e.Cy, radius - half, radius - half};
  return shape->Outer.Rx >= kMinAxis;
}

namespace {

void RasteriseEllipse(const EllipseShape& shape, bool aa, uint8_t* mask, int stride, int left, int top, int w, int h,
                      std::vector<MaskSpan>* spans) {
  const Coverer outer(shape.Outer, aa), inner(shape.Ring ? shape.Inner : shape.Outer, aa);
  // A device column in the mask (kFar, no hole, lies beyond it; subtracting could overflow).
  auto col = [&](int x) { return x == kFar ? w : std::clamp(x - left, 0, w); };
  for (int y = 0; y < h; ++y) {
    uint8_t* row = mask + ptrdiff_t(y) * stride;
    const int dy = top + y;
    const double py = dy + 0.5;
    const RowSpan o = Span(shape.Outer, dy, aa);
    const RowSpan i = shape.Ring ? Span(shape.Inner, dy, aa) : kNoHole;
    const int x0 = col(o.PartL), x1 = col(o.PartR);
    if (x0 >= x1) continue;
    // The hole (pixels wholly inside the inner ellipse) splits the row into two spans.
    const int h0 = std::max(col(i.FullL), x0), h1 = std::min(col(i.FullR), x1);
    if (i.FullL < i.FullR && h0 < h1) {
      if (x0 < h0) spans->push_back({y, x0, h0});
      if (h1 < x1) spans->push_back({y, h1, x1});
    } else {
      spans->push_back({y, x0, x1});
    }
    for (int x = x0; x < x1;) {
      const int dx = left + x;
      const bool wholeOuter = dx >= o.FullL && dx < o.FullR;
      const bool touchesInner = dx >= i.PartL && dx < i.PartR;
      if (wholeOuter && !touchesInner) {  // a run wholly covered, up to the inner ellipse's reach
        const int end = col(dx < i.PartL ? std::min(o.FullR, i.PartL) : o.FullR);
        std::memset(row + x, 255, size_t(end - x));
        x = end;
        continue;
      }
      if (dx >= i.FullL && dx < i.FullR) {  // the hole: not in a span
        x = col(i.FullR);
        continue;
      }
      const double px = dx + 0.5;
      const double c = (wholeOuter ? 1.0 : outer(px, py)) - (touchesInner ? inner(px, py) : 0.0);
      row[x] = Byte(c);
      ++x;
    }
  }
}

// A pixel's coverage by a rectangle is taken as the product of its coverage by the two strips
// whose crossing the rectangle is: exact except in the four corner pixels.
void RasteriseLine(const LineShape& line, bool aa, uint8_t* mask, int stride, int left, int top, int w, int h,
                   std::vector<MaskSpan>* spans) {
  const double dx = line.X1 - line.X0, dy = line.Y1 - line.Y0, length = std::hypot(dx, dy);
  const double ux = dx / length, uy = dy / length;  // along
  const double nx = -uy, ny = ux;                    // across
  const double hw = line.HalfWidth;
  // The rectangle grown by half a pixel's diagonal holds every centre of a pixel it touches.
  constexpr double kGrow = 0.70711;
  // A strip's share of the pixel: between lo and hi along its direction, the centre at s (whole
  // or nothing when both edges are half a diagonal away).
  auto strip = [](double s, double lo, double hi, double ex, double ey) {
    if (s - lo >= kGrow && hi - s >= kGrow) return 1.0;
    if (s - lo <= -kGrow || hi - s <= -kGrow) return 0.0;
    return EdgeCoverage(hi - s, ex, ey) - EdgeCoverage(lo - s, ex, ey);
  };
  const double ax = -kGrow, bx = length + kGrow, ay = -hw - kGrow, by = hw + kGrow;
  const double cx[4] = {line.X0 + ux * ax + nx * ay, line.X0 + ux * bx + nx * ay, line.X0 + ux * bx + nx * by,
                        line.X0 + ux * ax + nx * by};
  const double cy[4] = {line.Y0 + uy * ax + ny * ay, line.Y0 + uy * bx + ny * ay, line.Y0 + uy * bx + ny * by,
                        line.Y0 + uy * ax + ny * by};
  for (int y = 0; y < h; ++y) {
    // The grown rectangle's extent across the row's centre line, from its four edges.
    const double py = top + y + 0.5;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (int k = 0; k < 4; ++k) {
      const double x0 = cx[k], y0 = cy[k], x1 = cx[(k + 1) % 4], y1 = cy[(k + 1) % 4];
      if ((y0 <= py) == (y1 <= py)) continue;
      const double x = x0 + (py - y0) / (y1 - y0) * (x1 - x0);
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
    if (!(lo <= hi)) continue;
    const int x0 = std::clamp(int(std::floor(lo - left - 0.5)), 0, w), x1 = std::clamp(int(std::ceil(hi - left)), 0, w);
    if (x0 >= x1) continue;
    spans->push_back({y, x0, x1});
    uint8_t* row = mask + ptrdiff_t(y) * stride;
    for (int x = x0; x < x1; ++x) {
      const double px = left + x + 0.5 - line.X0, qy = py - line.Y0;
      const double along = px * ux + qy * uy, across = px * nx + qy * ny;
      double c;
      if (aa) {
        c = strip(along, 0, length, ux, uy);
        if (c > 0) c *= strip(across, -hw, hw, nx, ny);
      }
      else c = along >= 0 && along < length && across >= -hw && across < hw ? 1 : 0;
      row[x] = Byte(c);
    }
  }
}

// The arc's sector as a share of each pixel within the ring's spans: a narrow sector is where
// both bounding half-planes hold, a wide one where not both of its gap's do; near a bounding ray
// the two half-planes' shares are multiplied (exact but where both rays pass through one pixel,
// which the shapes taken keep away from the ring).
void CutToSector(const ArcShape& arc, bool aa, uint8_t* mask, int stride, int left, int top,
                 const std::vector<MaskSpan>& spans) {
  constexpr double kGrow = 0.70711;
  const double cx = arc.Ring.Outer.Cx, cy = arc.Ring.Outer.Cy;
  // Signed distances to the two rays' lines, positive inside the half-planes bounding the sector
  // (narrow) or the gap (wide).
  const double ax = arc.Wide ? arc.Ex : arc.Sx, ay = arc.Wide ? arc.Ey : arc.Sy;
  const double bx = arc.Wide ? arc.Sx : arc.Ex, by = arc.Wide ? arc.Sy : arc.Ey;
  for (const MaskSpan& s : spans) {
    uint8_t* row = mask + ptrdiff_t(s.Y) * stride;
    const double py = top + s.Y + 0.5 - cy;
    for (int x = s.X0; x < s.X1; ++x) {
      if (row[x] == 0) continue;
      const double px = left + x + 0.5 - cx;
      const double d1 = ax * py - ay * px, d2 = px * by - py * bx;
      double inWedge;
      if (!aa) inWedge = d1 >= 0 && d2 >= 0 ? 1 : 0;  // the pixel's centre decides
      else if (d1 >= kGrow && d2 >= kGrow) inWedge = 1;
      else if (d1 <= -kGrow || d2 <= -kGrow) inWedge = 0;
      else inWedge = double(EdgeCoverage(d1, -ay, ax)) * EdgeCoverage(d2, by, -bx);
      const double c = arc.Wide ? 1 - inWedge : inWedge;
      if (c >= 1) continue;
      row[x] = uint8_t((row[x] * uint32_t(Byte(c)) + 127) / 255);
    }
  }
}

}  // namespace

void RasteriseComputedShape(const ComputedShape& shape, bool aa, uint8_t* mask, int stride, int left, int top, int w,
                            int h, std::vector<MaskSpan>* spans) {
  if (const auto* e = std::get_if<EllipseShape>(&shape)) {
    RasteriseEllipse(*e, aa, mask, stride, left, top, w, h, spans);
  } else if (const auto* l = std::get_if<LineShape>(&shape)) {
    RasteriseLine(*l, aa, mask, stride, left, top, w, h, spans);
  } else {
    const ArcShape& arc = std::get<ArcShape>(shape);
    RasteriseEllipse(arc.Ring, aa, mask, stride, left, top, w, h, spans);
    CutToSector(arc, aa, mask, stride, left, top, *spans);
  }
}

RectF ComputedBounds(const ComputedShape& shape) {
  if (const auto* e = std::get_if<EllipseShape>(&shape)) {
    const DeviceEllipse& o = e->Outer;
    return RectF(float(o.Cx - o.Rx), float(o.Cy - o.Ry), float(2 * o.Rx), float(2 * o.Ry));
  }
  if (const auto* arc = std::get_if<ArcShape>(&shape)) {
    // The ends of the arc on both circles, and the outer circle's extremes within the arc.
    const DeviceEllipse& o = arc->Ring.Outer;
    const double ri = arc->Ring.Inner.Rx;
    double l = o.Cx, t = o.Cy, r = o.Cx, b = o.Cy;
    auto take = [&](double x, double y) {
      l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
    };
    for (const auto& [dx, dy] : {std::pair(arc->Sx, arc->Sy), std::pair(arc->Ex, arc->Ey)}) {
      take(o.Cx + o.Rx * dx, o.Cy + o.Rx * dy);
      take(o.Cx + ri * dx, o.Cy + ri * dy);
    }
    auto within = [&](double dx, double dy) {
      const bool narrow = arc->Sx * dy - arc->Sy * dx >= 0 && dx * arc->Ey - dy * arc->Ex >= 0;
      const bool gap = arc->Ex * dy - arc->Ey * dx > 0 && dx * arc->Sy - dy * arc->Sx > 0;
      return arc->Wide ? !gap : narrow;
    };
    for (const auto& [dx, dy] : {std::pair(1.0, 0.0), std::pair(0.0, 1.0), std::pair(-1.0, 0.0), std::pair(0.0, -1.0)})
      if (within(dx, dy)) take(o.Cx + o.Rx * dx, o.Cy + o.Rx * dy);
    return RectF::FromLTRB(float(l), float(t), float(r), float(b));
  }
  const LineShape& l = std::get<LineShape>(shape);
  // The ends' squares of the half width hold the rectangle's corners.
  const double x = std::min(l.X0, l.X1) - l.HalfWidth, y = std::min(l.Y0, l.Y1) - l.HalfWidth;
  return RectF(float(x), float(y), float(std::fabs(l.X1 - l.X0) + 2 * l.HalfWidth),
               float(std::fabs(l.Y1 - l.Y0) + 2 * l.HalfWidth));
}

bool StrokedLineShape(PointF a, PointF b, const Matrix& m, float penWidth, LineCap cap, LineShape* shape) {
  if (cap != LineCapFlat && cap != LineCapSquare) return false;
  // Turning and even scaling only: the columns are perpendicular and of one length.
  const double m11 = m.M11(), m12 = m.M12(), m21 = m.M21(), m22 = m.M22();
  const double sx2 = m11 * m11 + m12 * m12, sy2 = m21 * m21 + m22 * m22;
  if (!(sx2 > 0) || std::fabs(sx2 - sy2) > 1e-6 * sx2 || std::fabs(m11 * m21 + m12 * m22) > 1e-6 * sx2) return false;
  PointF p[2] = {a, b};
  m.TransformPoints(p, 2);
  const double x0 = p[0].X, y0 = p[0].Y, x1 = p[1].X, y1 = p[1].Y;
  const double length = std::hypot(x1 - x0, y1 - y0);
  const double half = penWidth > 0 && std::isfinite(penWidth) ? std::sqrt(sx2) * penWidth / 2 : 0.5;
  if (!(length >= 0.01) || !(length < kLargest) || !(half < kLargest) ||
      !(std::max({std::fabs(x0), std::fabs(y0), std::fabs(x1), std::fabs(y1)}) < kFarthest))
    return false;
  const double grow = cap == LineCapSquare ? half / length : 0;
  *shape = {x0 - (x1 - x0) * grow, y0 - (y1 - y0) * grow, x1 + (x1 - x0) * grow, y1 + (y1 - y0) * grow, half};
  return true;
}

bool StrokedArcShape(const RectF& rect, float startAngle, float sweepAngle, const Matrix& m, float penWidth,
                     LineCap cap, ArcShape* shape) {
  if (cap != LineCapFlat || !Axial(m) || std::fabs(m.M11()) != std::fabs(m.M22()) || !rect.IsFinite() ||
      !(std::fabs(rect.Width - rect.Height) <= 1e-4f * rect.Width) || !std::isfinite(startAngle) ||
      !std::isfinite(sweepAngle))
    return false;
  const double scale = std::fabs(m.M11());
  const double radius = scale * (rect.Width + rect.Height) / 4;
  const double half = penWidth > 0 && std::isfinite(penWidth) ? scale * penWidth / 2 : 0.5;
  const double sweep = std::fabs(double(sweepAngle)) * std::numbers::pi / 180;
  double start = double(startAngle) * std::numbers::pi / 180;
  if (sweepAngle < 0) start -= sweep;  // the same arc, run the other way
  const double outer = radius + half, inner = radius - half;
  // Both ends far from each other and from facing each other across the centre, on the inner
  // circle: the bounding rays' half-planes then never share a pixel of the ring.
  if (!(inner >= 2 && outer < kLargest && std::fabs(std::sin(sweep)) * inner >= 2 && sweep * inner >= 2 &&
        (2 * std::numbers::pi - sweep) * inner >= 2))
    return false;
  // Directions in device space: a mirroring transform runs the arc the other way.
  double sx = std::cos(start), sy = std::sin(start), ex = std::cos(start + sweep), ey = std::sin(start + sweep);
  auto device = [&](double& dx, double& dy) {
    dx *= m.M11() > 0 ? 1 : -1;
    dy *= m.M22() > 0 ? 1 : -1;
  };
  device(sx, sy);
  device(ex, ey);
  if ((m.M11() > 0) != (m.M22() > 0)) {
    std::swap(sx, ex);
    std::swap(sy, ey);
  }
  const double cx = (double(rect.X) + rect.Width / 2.0) * m.M11() + m.OffsetX();
  const double cy = (double(rect.Y) + rect.Height / 2.0) * m.M22() + m.OffsetY();
  if (!(std::fabs(cx) < kFarthest && std::fabs(cy) < kFarthest)) return false;
  shape->Ring = EllipseShape{{cx, cy, outer, outer}, true, {cx, cy, inner, inner}};
  shape->Sx = sx, shape->Sy = sy, shape->Ex = ex, shape->Ey = ey;
  shape->Wide = sweep > std::numbers::pi;
  return true;
}

void ClipToEllipseShape(const EllipseShape& shape, uint8_t* mask, int stride, int left, int top,
                        const std::vector<MaskSpan>& spans) {
  const Coverer outer(shape.Outer, true), inner(shape.Ring ? shape.Inner : shape.Outer, true);
  for (const MaskSpan& s : spans) {
    uint8_t* row = mask + ptrdiff_t(s.Y) * stride;
    const int dy = top + s.Y;
    const double py = dy + 0.5;
    const RowSpan o = Span(shape.Outer, dy, true);
    const RowSpan i = shape.Ring ? Span(shape.Inner, dy, true) : kNoHole;
    auto col = [&](int dx) { return std::clamp(dx - left, s.X0, s.X1); };
    for (int x = s.X0; x < s.X1;) {
      const int dx = left + x;
      const bool wholeOuter = dx >= o.FullL && dx < o.FullR;
      const bool touchesInner = dx >= i.PartL && dx < i.PartR;
      if (wholeOuter && !touchesInner) {  // wholly inside the clip: kept
        x = col(dx < i.PartL ? std::min(o.FullR, i.PartL) : o.FullR);
        continue;
      }
      if (dx < o.PartL || dx >= o.PartR || (dx >= i.FullL && dx < i.FullR)) {  // outside: cleared
        const int end = dx < o.PartL ? col(o.PartL) : dx >= o.PartR ? s.X1 : col(i.FullR);
        std::memset(row + x, 0, size_t(end - x));
        x = end;
        continue;
      }
      if (row[x] != 0) {
        const double px = dx + 0.5;
        const double c = (wholeOuter ? 1.0 : outer(px, py)) - (touchesInner ? inner(px, py) : 0.0);
        row[x] = uint8_t((row[x] * uint32_t(Byte(c)) + 127) / 255);
      }
      ++x;
    }
  }
}

}  // namespace dw::gp
