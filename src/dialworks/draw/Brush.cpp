#include "dialworks/draw/Brush.h"

#include <cstdio>
#include <numbers>

#include "dialworks/draw/Shading.h"

namespace dw::gp {

namespace {

std::string Hex(TAlphaColor c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", unsigned(c));
  return buf;
}

std::string Num(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", double(v));
  return buf;
}

std::string RectText(const RectF& r) {
  return Num(r.X) + "," + Num(r.Y) + "," + Num(r.Width) + "," + Num(r.Height);
}

// Maps the unit gradient (0,0)->(1,0) so that position 0 touches the rectangle's corner first
// reached along the direction and position 1 the last one.
Matrix DirectionGeometry(const RectF& r, float angle) {
  double a = double(angle) * std::numbers::pi / 180.0;
  double dx = std::cos(a), dy = std::sin(a);
  if (std::fmod(double(angle), 90.0) == 0) { dx = std::round(dx); dy = std::round(dy); }
  double half = std::fabs(dx) * r.Width / 2 + std::fabs(dy) * r.Height / 2;
  double len = 2 * half;
  PointF c = r.Center();
  float ox = float(c.X - dx * half), oy = float(c.Y - dy * half);
  return Matrix(float(dx * len), float(dy * len), float(-dy * len), float(dx * len), ox, oy);
}

Matrix AngleGeometry(const RectF& r, float angle, bool scalable) {
  if (!scalable) return DirectionGeometry(r, angle);
  Matrix m = DirectionGeometry(RectF(0, 0, 1, 1), angle);
  m.Multiply(Matrix(r.Width, 0, 0, r.Height, r.X, r.Y), MatrixOrderAppend);
  return m;
}

template <class T>
void SortByPosition(std::vector<T>& v) {
  std::stable_sort(v.begin(), v.end(), [](const T& a, const T& b) { return a.Position < b.Position; });
}

}  // namespace

// ---- GradientBlend ----

void GradientBlend::SetBlend(const float* factors, const float* positions, int count) {
  factors_.clear();
  colors_.clear();
  if (!factors || !positions) return;
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(factors[i]) || !std::isfinite(positions[i])) continue;
    factors_.push_back({std::clamp(positions[i], 0.0f, 1.0f), std::clamp(factors[i], 0.0f, 1.0f)});
  }
  SortByPosition(factors_);
}

void GradientBlend::SetInterpolationColors(const TAlphaColor* colors, const float* positions, int count) {
  factors_.clear();
  colors_.clear();
  if (!colors || !positions) return;
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(positions[i])) continue;
    colors_.push_back({std::clamp(positions[i], 0.0f, 1.0f), colors[i]});
  }
  SortByPosition(colors_);
}

void GradientBlend::SetTriangularShape(float focus, float scale) {
  if (!std::isfinite(focus) || !std::isfinite(scale)) return;
  focus = std::clamp(focus, 0.0f, 1.0f);
  scale = std::clamp(scale, 0.0f, 1.0f);
  std::vector<float> f, p;
  if (focus > 0) { f.push_back(0); p.push_back(0); }
  f.push_back(scale); p.push_back(focus);
  if (focus < 1) { f.push_back(0); p.push_back(1); }
  SetBlend(f.data(), p.data(), int(f.size()));
}

void GradientBlend::SetBellShape(float focus, float scale) {
  if (!std::isfinite(focus) || !std::isfinite(scale)) return;
  focus = std::clamp(focus, 0.0f, 1.0f);
  scale = std::clamp(scale, 0.0f, 1.0f);
  // A smooth S-curve up to the focus and back down: sixteen steps on each side.
  auto s = [](float t) { return 0.5f - 0.5f * std::cos(t * float(std::numbers::pi)); };
  std::vector<float> f, p;
  constexpr int kSteps = 16;
  if (focus > 0)
    for (int i = 0; i < kSteps; ++i) {
      float t = float(i) / kSteps;
      f.push_back(scale * s(t)); p.push_back(focus * t);
    }
  f.push_back(scale); p.push_back(focus);
  if (focus < 1)
    for (int i = 1; i <= kSteps; ++i) {
      float t = float(i) / kSteps;
      f.push_back(scale * s(1 - t)); p.push_back(focus + (1 - focus) * t);
    }
  SetBlend(f.data(), p.data(), int(f.size()));
}

std::vector<GradientStop> GradientBlend::Stops(TAlphaColor a, TAlphaColor b) const {
  std::vector<GradientStop> out;
  if (!colors_.empty()) {
    out = colors_;
  } else if (!factors_.empty()) {
    for (const auto& f : factors_) out.push_back({f.Position, RXInterpolateColorF(a, b, f.Value)});
  } else {
    return {{0, a}, {1, b}};
  }
  if (out.front().Position > 0) out.insert(out.begin(), {0, out.front().Color});
  if (out.back().Position < 1) out.push_back({1, out.back().Color});
  return out;
}

TAlphaColor GradientBlend::ColorAt(float position, TAlphaColor a, TAlphaColor b) const {
  // Piecewise linear through the stops, flat before the first and after the last, as Stops() gives.
  auto along = [position](const auto& v, auto color) {
    if (!(position > v.front().Position)) return color(v.front());
    for (size_t i = 1; i < v.size(); ++i) {
      if (position > v[i].Position) continue;
      const float span = v[i].Position - v[i - 1].Position;
      const float f = span > 0 ? (position - v[i - 1].Position) / span : 1.0f;
      return RXInterpolateColorF(color(v[i - 1]), color(v[i]), f);
    }
    return color(v.back());
  };
  if (!colors_.empty()) return along(colors_, [](const GradientStop& s) { return s.Color; });
  if (!factors_.empty()) return along(factors_, [&](const Factor& f) { return RXInterpolateColorF(a, b, f.Value); });
  return RXInterpolateColorF(a, b, position);
}

// ---- SolidBrush ----

std::string SolidBrush::Describe() const { return "Solid(" + Hex(color_) + ")"; }

// ---- LinearGradientBrush ----

LinearGradientBrush::LinearGradientBrush(const RectF& rect, TAlphaColor color1, TAlphaColor color2,
                                         LinearGradientMode mode)
    : rect_(rect), color1_(color1), color2_(color2) {
  float angle = mode == LinearGradientModeVertical          ? 90.0f
                : mode == LinearGradientModeForwardDiagonal ? 45.0f
                : mode == LinearGradientModeBackwardDiagonal ? 135.0f
                                                             : 0.0f;
  geometry_ = AngleGeometry(rect, angle, true);
}

LinearGradientBrush::LinearGradientBrush(PointF p1, PointF p2, TAlphaColor color1, TAlphaColor color2)
    : rect_(RectF::FromLTRB(std::min(p1.X, p2.X), std::min(p1.Y, p2.Y), std::max(p1.X, p2.X),
                            std::max(p1.Y, p2.Y))),
      color1_(color1),
      color2_(color2) {
  PointF d = p2 - p1;
  geometry_ = Matrix(d.X, d.Y, -d.Y, d.X, p1.X, p1.Y);
}

LinearGradientBrush::LinearGradientBrush(const RectF& rect, TAlphaColor color1, TAlphaColor color2, float angle,
                                         bool isAngleScalable)
    : rect_(rect), color1_(color1), color2_(color2) {
  geometry_ = AngleGeometry(rect, std::isfinite(angle) ? angle : 0.0f, isAngleScalable);
}

std::string LinearGradientBrush::Describe() const {
  std::string s = "Linear(" + Hex(color1_) + "->" + Hex(color2_) + " rect " + RectText(rect_);
  if (blend_.GetInterpolationColorCount()) s += " colors " + std::to_string(blend_.GetInterpolationColorCount());
  if (blend_.GetBlendCount()) s += " blend " + std::to_string(blend_.GetBlendCount());
  return s + ")";
}

// ---- PathGradientBrush ----

namespace {
// Area centroid of the flattened figures, or the bounds' centre when they enclose no area.
PointF Centroid(const GraphicsPath& path) {
  double a = 0, cx = 0, cy = 0;
  for (const auto& fig : path.FlattenedFigures(0.5f)) {
    const auto& v = fig.Points;
    for (size_t i = 0; i < v.size(); ++i) {
      PointF p = v[i], q = v[(i + 1) % v.size()];
      double cross = double(p.X) * q.Y - double(q.X) * p.Y;
      a += cross;
      cx += (double(p.X) + q.X) * cross;
      cy += (double(p.Y) + q.Y) * cross;
    }
  }
  if (std::fabs(a) < 1e-9) return path.GetBounds().Center();
  return {float(cx / (3 * a)), float(cy / (3 * a))};
}
}  // namespace

PathGradientBrush::PathGradientBrush(const GraphicsPath& path) : path_(path) { centerPoint_ = Centroid(path_); }

PathGradientBrush::PathGradientBrush(const PointF* points, int count, WrapMode wrapMode) : wrap_(wrapMode) {
  path_.AddPolygon(points, count);
  centerPoint_ = Centroid(path_);
}

void PathGradientBrush::SetSurroundColors(const TAlphaColor* colors, int count) {
  if (!colors || count < 1) return;
  surround_.assign(colors, colors + count);
}

void PathGradientBrush::SetCenterPoint(PointF p) {
  if (p.IsFinite()) centerPoint_ = p;
}

TAlphaColor PathGradientBrush::SurroundColorAt(int i) const {
  if (surround_.empty()) return 0;
  if (i < 0) i = 0;
  return surround_[std::min<size_t>(size_t(i), surround_.size() - 1)];
}

std::string PathGradientBrush::Describe() const {
  std::string s = "PathGradient(center " + Hex(center_) + " at " + Num(centerPoint_.X) + "," + Num(centerPoint_.Y) +
                  " surround " + Hex(SurroundColorAt(0));
  if (surround_.size() > 1) s += "+" + std::to_string(surround_.size() - 1);
  s += " bounds " + RectText(path_.GetBounds());
  if (blend_.GetInterpolationColorCount()) s += " colors " + std::to_string(blend_.GetInterpolationColorCount());
  if (blend_.GetBlendCount()) s += " blend " + std::to_string(blend_.GetBlendCount());
  return s + ")";
}

// ---- TextureBrush ----

TextureBrush::TextureBrush(const Bitmap& image, WrapMode wrapMode)
    : image_(std::make_shared<const Bitmap>(image)), wrap_(wrapMode) {}

std::string TextureBrush::Describe() const {
  return "Texture(" + std::to_string(image_->Width()) + "x" + std::to_string(image_->Height()) + " wrap " +
         std::to_string(int(wrap_)) + ")";
}

// ---- Pen ----

Pen::Pen(TAlphaColor color, float width) : brush_(std::make_unique<SolidBrush>(color)), width_(width) {}
Pen::Pen(const Brush& brush, float width) : brush_(brush.Clone()), width_(width) {}

Pen::Pen(const Pen& o)
    : brush_(o.brush_->Clone()),
      width_(o.width_),
      dash_(o.dash_),
      dashPattern_(o.dashPattern_),
      dashOffset_(o.dashOffset_),
      startCap_(o.startCap_),
      endCap_(o.endCap_),
      join_(o.join_),
      miter_(o.miter_) {}

Pen& Pen::operator=(const Pen& o) {
  if (this != &o) {
    Pen copy(o);
    *this = std::move(copy);
  }
  return *this;
}

void Pen::SetColor(TAlphaColor c) { brush_ = std::make_unique<SolidBrush>(c); }

void Pen::SetDashPattern(const float* pattern, int count) {
  dashPattern_.clear();
  if (!pattern) return;
  for (int i = 0; i < count; ++i)
    if (pattern[i] > 0 && std::isfinite(pattern[i])) dashPattern_.push_back(pattern[i]);
  dash_ = dashPattern_.empty() ? DashStyleSolid : DashStyleCustom;
}

std::string Pen::Describe() const {
  std::string s = "Pen(" + Num(width_) + " " + brush_->Describe();
  if (dash_ != DashStyleSolid) s += " dash " + std::to_string(int(dash_));
  return s + ")";
}

}  // namespace dw::gp
