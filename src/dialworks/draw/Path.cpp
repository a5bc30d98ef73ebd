#include "dialworks/draw/Path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dw::gp {

namespace {

bool Finite(const RectF& r) { return r.IsFinite(); }

PointF BezierAt(PointF p0, PointF p1, PointF p2, PointF p3, float t) {
  float u = 1 - t;
  float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
  return {a * p0.X + b * p1.X + c * p2.X + d * p3.X, a * p0.Y + b * p1.Y + c * p2.Y + d * p3.Y};
}

// Segments needed so the polyline stays within `flatness` of the curve.
int BezierSteps(PointF p0, PointF p1, PointF p2, PointF p3, float flatness) {
  PointF d1 = p0 - p1 * 2 + p2, d2 = p1 - p2 * 2 + p3;
  float dd = std::max(std::hypot(d1.X, d1.Y), std::hypot(d2.X, d2.Y));
  if (!std::isfinite(dd)) return 1;
  float n = std::ceil(std::sqrt(0.75f * dd / std::max(flatness, 0.01f)));
  return int(std::clamp(n, 1.0f, 500.0f));
}

// Parametric angle on the ellipse for a geometric angle (GDI+ measures arcs geometrically).
double ParamAngle(double deg, double rx, double ry) {
  double a = deg * std::numbers::pi / 180.0;
  double t = std::atan2(std::sin(a) * rx, std::cos(a) * ry);
  // Keep whole turns so sweeps stay monotonic.
  double turns = std::floor((a + std::numbers::pi) / (2 * std::numbers::pi));
  double base = a - turns * 2 * std::numbers::pi;  // -pi..pi
  double diff = t - base;
  if (diff > std::numbers::pi) t -= 2 * std::numbers::pi;
  if (diff < -std::numbers::pi) t += 2 * std::numbers::pi;
  return t + turns * 2 * std::numbers::pi;
}

}  // namespace

void GraphicsPath::AppendRaw(PointF p, uint8_t type) {
  points_.push_back(p);
  types_.push_back(type);
  newFigure_ = false;
}

void GraphicsPath::MoveOrLine(PointF p) {
  if (newFigure_ || points_.empty()) {
    AppendRaw(p, PathPointTypeStart);
  } else if (!(points_.back() == p)) {
    AppendRaw(p, PathPointTypeLine);
  }
}

void GraphicsPath::CloseFigure() {
  if (!types_.empty() && !newFigure_) types_.back() |= PathPointTypeCloseSubpath;
  newFigure_ = true;
}

void GraphicsPath::CloseAllFigures() {
  for (size_t i = 0; i < types_.size(); ++i) {
    bool last = i + 1 == types_.size() || (types_[i + 1] & PathPointTypePathTypeMask) == PathPointTypeStart;
    if (last) types_[i] |= PathPointTypeCloseSubpath;
  }
  newFigure_ = true;
}

void GraphicsPath::Reset() {
  points_.clear();
  types_.clear();
  newFigure_ = true;
  fillMode_ = FillModeAlternate;
}

void GraphicsPath::AddLine(PointF a, PointF b) {
  if (!a.IsFinite() || !b.IsFinite()) return;
  MoveOrLine(a);
  AppendRaw(b, PathPointTypeLine);
}

void GraphicsPath::AddLines(const PointF* pts, int count) {
  if (!pts || count < 1) return;
  for (int i = 0; i < count; ++i)
    if (!pts[i].IsFinite()) return;
  MoveOrLine(pts[0]);
  for (int i = 1; i < count; ++i) AppendRaw(pts[i], PathPointTypeLine);
}

void GraphicsPath::AddBezier(PointF p1, PointF p2, PointF p3, PointF p4) {
  if (!p1.IsFinite() || !p2.IsFinite() || !p3.IsFinite() || !p4.IsFinite()) return;
  MoveOrLine(p1);
  AppendRaw(p2, PathPointTypeBezier);
  AppendRaw(p3, PathPointTypeBezier);
  AppendRaw(p4, PathPointTypeBezier);
}

void GraphicsPath::AddArc(const RectF& rect, float startAngle, float sweepAngle) {
  if (!Finite(rect) || rect.IsEmptyArea() || !std::isfinite(startAngle) || !std::isfinite(sweepAngle)) return;
  double rx = rect.Width / 2.0, ry = rect.Height / 2.0;
  double cx = rect.X + rx, cy = rect.Y + ry;
  double sweep = std::clamp(double(sweepAngle), -360.0, 360.0);
  double t0 = ParamAngle(startAngle, rx, ry);
  double t1 = std::fabs(sweep) >= 360.0 ? t0 + (sweep > 0 ? 2 : -2) * std::numbers::pi
                                         : ParamAngle(double(startAngle) + sweep, rx, ry);
  if (sweep > 0 && t1 < t0) t1 += 2 * std::numbers::pi;
  if (sweep < 0 && t1 > t0) t1 -= 2 * std::numbers::pi;
  auto at = [&](double t) { return PointF(float(cx + rx * std::cos(t)), float(cy + ry * std::sin(t))); };
  MoveOrLine(at(t0));
  if (sweep == 0) return;
  int n = std::max(1, int(std::ceil(std::fabs(t1 - t0) / (std::numbers::pi / 2) - 1e-9)));
  double step = (t1 - t0) / n;
  double k = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < n; ++i) {
    double a = t0 + i * step, b = a + step;
    PointF p0 = at(a), p3 = at(b);
    PointF c1(float(p0.X - k * rx * std::sin(a)), float(p0.Y + k * ry * std::cos(a)));
    PointF c2(float(p3.X + k * rx * std::sin(b)), float(p3.Y - k * ry * std::cos(b)));
    AppendRaw(c1, PathPointTypeBezier);
    AppendRaw(c2, PathPointTypeBezier);
    AppendRaw(p3, PathPointTypeBezier);
  }
}

void GraphicsPath::AddPie(const RectF& rect, float startAngle, float sweepAngle) {
  if (!Finite(rect) || rect.IsEmptyArea() || !std::isfinite(startAngle) || !std::isfinite(sweepAngle)) return;
  StartFigure();
  MoveOrLine(rect.Center());
  AddArc(rect, startAngle, sweepAngle);
  CloseFigure();
}

void GraphicsPath::AddRectangle(const RectF& r) {
  if (!Finite(r) || r.IsEmptyArea()) return;
  StartFigure();
  AppendRaw({r.X, r.Y}, PathPointTypeStart);
  AppendRaw({r.Right(), r.Y}, PathPointTypeLine);
  AppendRaw({r.Right(), r.Bottom()}, PathPointTypeLine);
  AppendRaw({r.X, r.Bottom()}, PathPointTypeLine);
  CloseFigure();
}

void GraphicsPath::AddEllipse(const RectF& r) {
  if (!Finite(r) || r.IsEmptyArea()) return;
  StartFigure();
  AddArc(r, 0, 360);
  CloseFigure();
}

void GraphicsPath::AddPolygon(const PointF* pts, int count) {
  if (!pts || count < 2) return;
  for (int i = 0; i < count; ++i)
    if (!pts[i].IsFinite()) return;
  StartFigure();
  AppendRaw(pts[0], PathPointTypeStart);
  for (int i = 1; i < count; ++i) AppendRaw(pts[i], PathPointTypeLine);
  CloseFigure();
}

void GraphicsPath::AddRoundRectangle(const RectF& r, SizeF corner) {
  if (!Finite(r) || r.IsEmptyArea()) return;
  float cw = std::isfinite(corner.Width) ? std::clamp(corner.Width, 0.0f, r.Width) : 0.0f;
  float ch = std::isfinite(corner.Height) ? std::clamp(corner.Height, 0.0f, r.Height) : 0.0f;
  if (!(cw > 0 && ch > 0)) {
    AddRectangle(r);
    return;
  }
  StartFigure();
  AddArc(RectF(r.X, r.Y, cw, ch), 180, 90);
  AddArc(RectF(r.Right() - cw, r.Y, cw, ch), 270, 90);
  AddArc(RectF(r.Right() - cw, r.Bottom() - ch, cw, ch), 0, 90);
  AddArc(RectF(r.X, r.Bottom() - ch, cw, ch), 90, 90);
  CloseFigure();
}

void GraphicsPath::AddPath(const GraphicsPath& other, bool connect) {
  if (other.Empty()) return;
  size_t first = points_.size();
  bool join = connect && !newFigure_ && !points_.empty() && !(types_.back() & PathPointTypeCloseSubpath);
  points_.insert(points_.end(), other.points_.begin(), other.points_.end());
  types_.insert(types_.end(), other.types_.begin(), other.types_.end());
  if (join) types_[first] = PathPointTypeLine | (types_[first] & PathPointTypeCloseSubpath);
  newFigure_ = other.newFigure_;
}

void GraphicsPath::Transform(const Matrix& m) {
  if (!m.IsFinite()) return;
  m.TransformPoints(points_.data(), int(points_.size()));
}

std::vector<GraphicsPath::Polyline> GraphicsPath::FlattenedFigures(float flatness) const {
  std::vector<Polyline> out;
  const size_t n = points_.size();
  for (size_t i = 0; i < n;) {
    Polyline fig;
    fig.Points.push_back(points_[i]);
    fig.Source.push_back(float(i));
    size_t j = i + 1;
    bool closed = (types_[i] & PathPointTypeCloseSubpath) != 0;
    while (j < n && (types_[j] & PathPointTypePathTypeMask) != PathPointTypeStart && !closed) {
      uint8_t t = types_[j] & PathPointTypePathTypeMask;
      if (t == PathPointTypeBezier && j + 2 < n) {
        PointF p0 = points_[j - 1], p1 = points_[j], p2 = points_[j + 1], p3 = points_[j + 2];
        int steps = BezierSteps(p0, p1, p2, p3, flatness);
        for (int s = 1; s <= steps; ++s) {
          float tt = float(s) / float(steps);
          fig.Points.push_back(s == steps ? p3 : BezierAt(p0, p1, p2, p3, tt));
          fig.Source.push_back(float(j - 1) + 3 * tt);
        }
        closed = (types_[j + 2] & PathPointTypeCloseSubpath) != 0;
        j += 3;
      } else {
        fig.Points.push_back(points_[j]);
        fig.Source.push_back(float(j));
        closed = (types_[j] & PathPointTypeCloseSubpath) != 0;
        ++j;
      }
    }
    fig.Closed = closed;
    out.push_back(std::move(fig));
    i = j;
  }
  return out;
}

void GraphicsPath::Flatten(const Matrix* m, float flatness) {
  if (m) Transform(*m);
  auto figs = FlattenedFigures(flatness);
  points_.clear();
  types_.clear();
  for (auto& f : figs) {
    for (size_t k = 0; k < f.Points.size(); ++k)
      AppendRaw(f.Points[k], k == 0 ? PathPointTypeStart : PathPointTypeLine);
    if (f.Closed) types_.back() |= PathPointTypeCloseSubpath;
  }
  newFigure_ = true;
}

RectF GraphicsPath::GetBounds(const Matrix* m) const {
  if (points_.empty()) return {};
  float l = INFINITY, t = INFINITY, r = -INFINITY, b = -INFINITY;
  for (PointF p : points_) {
    if (m) p = m->TransformPoint(p);
    l = std::min(l, p.X); t = std::min(t, p.Y);
    r = std::max(r, p.X); b = std::max(b, p.Y);
  }
  return RectF::FromLTRB(l, t, r, b);
}

bool GraphicsPath::IsEllipse(RectF* rect) const {
  if (points_.size() != 13) return false;  // a start point and four Bézier quarters
  const RectF b = GetBounds();
  // The reference outline is kept per thread: shape tests run on every fill of a frame, which
  // must not allocate.
  thread_local GraphicsPath ref;
  ref.Reset();
  ref.AddEllipse(b);
  if (ref.types_ != types_) return false;
  const float tol = 1e-4f * std::max({1.0f, std::fabs(b.X), std::fabs(b.Y), b.Width, b.Height});
  for (size_t i = 0; i < points_.size(); ++i)
    if (!(std::fabs(points_[i].X - ref.points_[i].X) <= tol && std::fabs(points_[i].Y - ref.points_[i].Y) <= tol))
      return false;
  if (rect) *rect = b;
  return true;
}

bool GraphicsPath::IsVisible(PointF p) const {
  if (!p.IsFinite() || points_.empty()) return false;
  int winding = 0, crossings = 0;
  for (const auto& fig : FlattenedFigures(kHitFlatness)) {
    const auto& v = fig.Points;
    for (size_t i = 0; i < v.size(); ++i) {
      PointF a = v[i], b = v[(i + 1) % v.size()];  // every figure counts as closed for filling
      if ((a.Y <= p.Y) != (b.Y <= p.Y)) {
        if (p.X < CrossingX(a, b, p.Y)) {
          ++crossings;
          winding += b.Y > a.Y ? 1 : -1;
        }
      }
    }
  }
  return fillMode_ == FillModeWinding ? winding != 0 : (crossings & 1) != 0;
}

bool GraphicsPath::GetLastPoint(PointF* p) const {
  if (points_.empty() || !p) return false;
  *p = points_.back();
  return true;
}

}  // namespace dw::gp
