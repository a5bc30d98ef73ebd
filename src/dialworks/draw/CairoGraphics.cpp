#include "dialworks/draw/CairoGraphics.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "dialworks/draw/CairoSupport.h"
#include "dialworks/draw/LayerRuns.h"
#include "dialworks/draw/PixelPaths.h"
#include "dialworks/draw/TextLayout.h"

namespace dw::gp {

using namespace detail;

namespace {

constexpr float kMaxExtent = 1.0e6f;  // device extent assumed for unbounded surfaces
constexpr float kLargestGlyph = 1024;  // device pixels: larger text is filled as outlines

RectF WorldBounds(const RectF& device, Matrix toWorld) {
  if (!toWorld.Invert() || device.IsEmptyArea()) return {};
  PointF c[4] = {{device.X, device.Y}, {device.Right(), device.Y}, {device.Right(), device.Bottom()},
                 {device.X, device.Bottom()}};
  toWorld.TransformPoints(c, 4);
  float l = c[0].X, t = c[0].Y, r = c[0].X, b = c[0].Y;
  for (auto& p : c) {
    l = std::min(l, p.X); t = std::min(t, p.Y);
    r = std::max(r, p.X); b = std::max(b, p.Y);
  }
  return RectF::FromLTRB(l, t, r, b);
}

cairo_filter_t Filter(InterpolationMode m) {
  switch (m) {
    case InterpolationModeNearestNeighbor: return CAIRO_FILTER_NEAREST;
    case InterpolationModeLowQuality: return CAIRO_FILTER_FAST;
    case InterpolationModeBilinear: return CAIRO_FILTER_BILINEAR;
    case InterpolationModeHighQuality:
    case InterpolationModeHighQualityBicubic:
    case InterpolationModeHighQualityBilinear:
    case InterpolationModeBicubic: return CAIRO_FILTER_BEST;
    default: return CAIRO_FILTER_GOOD;
  }
}

}  // namespace

namespace detail {

// Renders a region into an A8 mask with Cairo's operators (union OVER, intersect IN, exclude
// DEST_OUT, xor XOR).
void RenderMask(cairo_t* cr, const Region::Node& n, int w, int h) {
  using K = Region::Kind;
  switch (n.kind) {
    case K::Empty: return;
    case K::Infinite: cairo_paint(cr); return;
    case K::Path:
      SetPathAndRule(cr, n.path);
      cairo_fill(cr);
      return;
    default: break;
  }
  RenderMask(cr, *n.a, w, h);
  cairo_surface_t* other = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  cairo_t* oc = cairo_create(other);
  RenderMask(oc, *n.b, w, h);
  cairo_destroy(oc);
  cairo_set_operator(cr, n.kind == K::Union       ? CAIRO_OPERATOR_OVER
                         : n.kind == K::Intersect ? CAIRO_OPERATOR_IN
                         : n.kind == K::Exclude   ? CAIRO_OPERATOR_DEST_OUT
                                                  : CAIRO_OPERATOR_XOR);
  cairo_set_source_surface(cr, other, 0, 0);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_surface_destroy(other);
}

cairo_matrix_t ToCairo(const Matrix& m) {
  cairo_matrix_t cm;
  cairo_matrix_init(&cm, m.M11(), m.M12(), m.M21(), m.M22(), m.OffsetX(), m.OffsetY());
  return cm;
}

void AppendPath(cairo_t* cr, const GraphicsPath& path) {
  const auto& pts = path.Points();
  const auto& types = path.Types();
  for (size_t i = 0; i < pts.size(); ++i) {
    uint8_t t = types[i] & PathPointTypePathTypeMask;
    if (t == PathPointTypeStart) {
      cairo_move_to(cr, pts[i].X, pts[i].Y);
    } else if (t == PathPointTypeBezier && i + 2 < pts.size()) {
      cairo_curve_to(cr, pts[i].X, pts[i].Y, pts[i + 1].X, pts[i + 1].Y, pts[i + 2].X, pts[i + 2].Y);
      i += 2;
    } else {
      cairo_line_to(cr, pts[i].X, pts[i].Y);
    }
    if (types[i] & PathPointTypeCloseSubpath) cairo_close_path(cr);
  }
}

void SetPathAndRule(cairo_t* cr, const GraphicsPath& path) {
  cairo_new_path(cr);
  AppendPath(cr, path);
  cairo_set_fill_rule(cr, path.GetFillMode() == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
}

// Clips Cairo can express directly: paths, their intersections, and removing an even-odd path.
bool NativeClip(const Region::Node& n) {
  using K = Region::Kind;
  switch (n.kind) {
    case K::Empty:
    case K::Infinite:
    case K::Path: return true;
    case K::Intersect: return NativeClip(*n.a) && NativeClip(*n.b);
    case K::Exclude:
      return NativeClip(*n.a) && (n.b->kind == K::Empty ||
                                  (n.b->kind == K::Path && n.b->path.GetFillMode() == FillModeAlternate));
    default: return false;
  }
}

void ApplyNativeClip(cairo_t* cr, const Region::Node& n, const RectF& device) {
  using K = Region::Kind;
  switch (n.kind) {
    case K::Empty:
      cairo_rectangle(cr, 0, 0, 0, 0);
      cairo_clip(cr);
      break;
    case K::Infinite: break;
    case K::Path:
      SetPathAndRule(cr, n.path);
      cairo_clip(cr);
      break;
    case K::Intersect:
      ApplyNativeClip(cr, *n.a, device);
      ApplyNativeClip(cr, *n.b, device);
      break;
    case K::Exclude:
      ApplyNativeClip(cr, *n.a, device);
      if (n.b->kind == K::Path) {
        cairo_new_path(cr);
        cairo_rectangle(cr, device.X - 1, device.Y - 1, device.Width + 2, device.Height + 2);
        AppendPath(cr, n.b->path);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_clip(cr);
      }
      break;
    default: break;
  }
}

// A clip that is one axis-aligned rectangle on whole device pixels: its extent goes to *r. Whole-
// pixel rectangles cut by each other count too (a window repainting part of a control that clips
// to its own rectangle): decided by the clip's shape, not by how it was built, a fill draws the
// same pixels under either.
bool PixelRectangle(const Region::Node& n, RectF* r) {
  if (n.kind == Region::Kind::Intersect) {
    RectF both = *r;
    if (!PixelRectangle(*n.a, &both) || !PixelRectangle(*n.b, &both)) return false;
    *r = both;
    return true;
  }
  if (n.kind != Region::Kind::Path || n.path.GetPointCount() != 4) return false;
  const std::vector<PointF>& p = n.path.Points();
  const RectF b = n.path.GetBounds();
  for (const PointF& q : p) {
    if ((q.X != b.X && q.X != b.Right()) || (q.Y != b.Y && q.Y != b.Bottom())) return false;
  }
  if (b.X != std::floor(b.X) || b.Y != std::floor(b.Y) || b.Right() != std::floor(b.Right()) ||
      b.Bottom() != std::floor(b.Bottom()))
    return false;
  // One figure of straight sides (a curve or two open lines may touch the same four corners).
  const std::vector<uint8_t>& t = n.path.Types();
  for (size_t i = 0; i < 4; ++i) {
    const int kind = t[i] & PathPointTypePathTypeMask;
    if (kind != (i == 0 ? PathPointTypeStart : PathPointTypeLine) || (i < 3 && (t[i] & PathPointTypeCloseSubpath)))
      return false;
  }
  for (size_t i = 1; i < 4; ++i)  // each side along an axis
    if (p[i] == p[i - 1] || (p[i].X != p[i - 1].X && p[i].Y != p[i - 1].Y)) return false;
  // Both diagonals span the rectangle: four distinct corners, not a back-tracking outline.
  if (p[0].X == p[2].X || p[0].Y == p[2].Y || p[1].X == p[3].X || p[1].Y == p[3].Y) return false;
  *r = RectF::Intersect(*r, b);
  return true;
}

}  // namespace detail

CairoGraphics::CairoGraphics(Bitmap& bitmap) : CairoGraphics(bitmap.Surface()) {}

CairoGraphics::CairoGraphics(cairo_surface_t* surface) {
  surface_ = surface ? cairo_surface_reference(surface) : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
  cr_ = cairo_create(surface_);
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  if (cairo_status(cr_) == CAIRO_STATUS_SUCCESS) cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  device_ = RectF::FromLTRB(float(std::max(x1, double(-kMaxExtent))), float(std::max(y1, double(-kMaxExtent))),
                            float(std::min(x2, double(kMaxExtent))), float(std::min(y2, double(kMaxExtent))));
  if (device_.IsEmptyArea()) device_ = RectF(0, 0, 0, 0);
  SetPixelPaths(PixelPathsByDefault());
}

CairoGraphics::~CairoGraphics() {
  pixels_.reset();
  if (mask_) cairo_surface_destroy(mask_);
  cairo_destroy(cr_);
  cairo_surface_flush(surface_);
  cairo_surface_destroy(surface_);
}

bool CairoGraphics::PixelPathsByDefault() {
  static const bool on = [] {
    const char* v = std::getenv("DW_PIXEL_PATHS");
    return !(v && std::string_view(v) == "0");
  }();
  return on;
}

void CairoGraphics::SetPixelPaths(bool on) {
  if (on == (pixels_ != nullptr)) return;
  if (on) pixels_ = std::make_unique<PixelPaths>(*this);
  else pixels_.reset();
}

std::unique_ptr<Graphics> CairoGraphics::DoCreateLayer(Bitmap& bitmap) {
  auto layer = std::make_unique<CairoGraphics>(bitmap);
  layer->SetPixelPaths(PixelPathsOn());
  return layer;
}

void CairoGraphics::Recover() {
  cairo_destroy(cr_);
  cr_ = cairo_create(surface_);
  clipApplied_ = false;
  appliedClip_.reset();
  ++recoveries_;
}

bool CairoGraphics::Begin() {
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) return false;  // the surface itself is unusable
  if (!st_.transform.IsInvertible()) return false;               // everything collapses: nothing to draw
  cairo_new_path(cr_);
  // A clip set again with the same shapes (each part, each paint) keeps what was applied for it.
  if (clipApplied_ && appliedClip_ != st_.clip && appliedClip_ && st_.clip && *appliedClip_ == *st_.clip)
    appliedClip_ = st_.clip;
  if (!clipApplied_ || appliedClip_ != st_.clip) {
    cairo_identity_matrix(cr_);
    cairo_reset_clip(cr_);
    // A clip is anti-aliased whatever the smoothing, as a clip rendered into a mask is: Cairo
    // clips with the context's current antialias, which is the previous call's.
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
    if (mask_) {
      cairo_surface_destroy(mask_);
      mask_ = nullptr;
    }
    if (st_.clip) {
      const Region::Node& root = st_.clip->Root();
      if (NativeClip(root)) {
        ApplyNativeClip(cr_, root, device_);
      } else {
        int w = int(std::ceil(device_.Right())), h = int(std::ceil(device_.Bottom()));
        mask_ = cairo_image_surface_create(CAIRO_FORMAT_A8, std::max(w, 0), std::max(h, 0));
        cairo_t* mc = cairo_create(mask_);
        RenderMask(mc, root, std::max(w, 0), std::max(h, 0));
        cairo_destroy(mc);
        RectF b = RectF::Intersect(st_.clip->GetBounds(), device_);
        cairo_rectangle(cr_, b.X, b.Y, b.Width, b.Height);
        cairo_clip(cr_);
      }
      cairo_new_path(cr_);
    }
    appliedClip_ = st_.clip;
    clipApplied_ = true;
  }
  cairo_matrix_t m = ToCairo(st_.transform);
  cairo_set_matrix(cr_, &m);
  cairo_set_antialias(cr_, IsAntiAliased(st_.smoothing) ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(cr_, st_.compositing == CompositingModeSourceCopy ? CAIRO_OPERATOR_SOURCE
                                                                        : CAIRO_OPERATOR_OVER);
  cairo_set_line_width(cr_, 1);
  cairo_set_dash(cr_, nullptr, 0, 0);
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

void CairoGraphics::End() {
  cairo_new_path(cr_);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
}

GraphicsState CairoGraphics::DoSave() {
  saved_.push_back({nextToken_, st_});
  return nextToken_++;
}

void CairoGraphics::DoRestore(GraphicsState state) {
  for (size_t i = saved_.size(); i-- > 0;) {
    if (saved_[i].token == state) {
      st_ = std::move(saved_[i].state);
      saved_.resize(i);
      return;
    }
  }
}

// ---- clipping ----

void CairoGraphics::CombineClip(Region r, CombineMode mode) {
  Region current = st_.clip ? *st_.clip : Region();
  current.Combine(r, mode);
  st_.clip = current.IsInfinite() ? nullptr : std::make_shared<const Region>(std::move(current));
}

CairoGraphics::KeptClip* CairoGraphics::FindKeptClip(const RectF* rect, const GraphicsPath* path,
                                                     CombineMode mode) {
  for (int i = 0; i < 2; ++i) {
    KeptClip& k = keptClips_[i];
    if (!k.Result || k.Before != st_.clip || k.Mode != mode || !(k.Transform == st_.transform)) continue;
    const bool same = rect ? k.IsRect && k.Rect.X == rect->X && k.Rect.Y == rect->Y &&
                                 k.Rect.Width == rect->Width && k.Rect.Height == rect->Height
                           : !k.IsRect && k.Path.GetFillMode() == path->GetFillMode() &&
                                 k.Path.Points() == path->Points() && k.Path.Types() == path->Types();
    if (same) {
      keptNext_ = 1 - i;
      return &k;
    }
  }
  return nullptr;
}

CairoGraphics::KeptClip& CairoGraphics::NextKeptClip(CombineMode mode) {
  KeptClip& k = keptClips_[keptNext_];
  keptNext_ = 1 - keptNext_;
  k.Before = st_.clip;
  k.Transform = st_.transform;
  k.Mode = mode;
  return k;
}

void CairoGraphics::DoSetClip(const RectF& rect, CombineMode mode) {
  if (const KeptClip* k = FindKeptClip(&rect, nullptr, mode)) {
    st_.clip = k->Result;
    return;
  }
  KeptClip& k = NextKeptClip(mode);
  Region r = rect.IsFinite() ? Region(rect) : Region(GraphicsPath());
  r.Transform(st_.transform);
  CombineClip(std::move(r), mode);
  k.Result = st_.clip;
  k.IsRect = true;
  k.Rect = rect;
}

void CairoGraphics::DoSetClip(const GraphicsPath& path, CombineMode mode) {
  if (const KeptClip* k = FindKeptClip(nullptr, &path, mode)) {
    st_.clip = k->Result;
    return;
  }
  KeptClip& k = NextKeptClip(mode);
  Region r(path);
  r.Transform(st_.transform);
  CombineClip(std::move(r), mode);
  k.Result = st_.clip;
  k.IsRect = false;
  k.Path = path;
}

void CairoGraphics::DoSetClip(const Region& region, CombineMode mode) {
  Region r(region);
  r.Transform(st_.transform);
  CombineClip(std::move(r), mode);
}

void CairoGraphics::DoResetClip() { st_.clip.reset(); }

RectF CairoGraphics::DoGetClipBounds() const {
  RectF d = st_.clip ? RectF::Intersect(st_.clip->GetBounds(), device_) : device_;
  return WorldBounds(d, st_.transform);
}

// ---- painting ----

void CairoGraphics::PaintThroughMask() {
  cairo_pop_group_to_source(cr_);
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_mask_surface(cr_, mask_, 0, 0);
  cairo_restore(cr_);
}

void CairoGraphics::FillCurrent(const Brush& brush, FillMode mode) {
  cairo_pattern_t* pat = CreatePattern(brush, cr_);
  if (!pat) return;
  if (brush.GetType() == BrushTypeTextureFill) cairo_pattern_set_filter(pat, Filter(st_.interpolation));
  cairo_set_fill_rule(cr_, mode == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  if (mask_) cairo_push_group(cr_);
  cairo_set_source(cr_, pat);
  cairo_fill(cr_);
  if (mask_) PaintThroughMask();
  cairo_pattern_destroy(pat);
}

void CairoGraphics::StrokeCurrent(const Pen& pen) {
  cairo_pattern_t* pat = CreatePattern(pen.GetBrush());
  if (!pat) return;
  if (mask_) cairo_push_group(cr_);
  cairo_set_source(cr_, pat);
  float w = pen.GetWidth();
  bool hairline = !(w > 0 && std::isfinite(w));
  if (hairline) {
    cairo_identity_matrix(cr_);  // one device pixel whatever the transform
    w = 1;
  }
  cairo_set_line_width(cr_, w);
  switch (pen.GetStartCap()) {
    case LineCapRound: cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND); break;
    case LineCapSquare: cairo_set_line_cap(cr_, CAIRO_LINE_CAP_SQUARE); break;
    default: cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT); break;
  }
  switch (pen.GetLineJoin()) {
    case LineJoinRound: cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND); break;
    case LineJoinBevel: cairo_set_line_join(cr_, CAIRO_LINE_JOIN_BEVEL); break;
    default: cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER); break;
  }
  float miter = pen.GetMiterLimit();
  cairo_set_miter_limit(cr_, miter >= 1 && std::isfinite(miter) ? miter : 10.0);
  // Dash lengths are multiples of the pen width.
  std::vector<double> dashes;
  switch (pen.GetDashStyle()) {
    case DashStyleDash: dashes = {3, 1}; break;
    case DashStyleDot: dashes = {1, 1}; break;
    case DashStyleDashDot: dashes = {3, 1, 1, 1}; break;
    case DashStyleDashDotDot: dashes = {3, 1, 1, 1, 1, 1}; break;
    case DashStyleCustom: dashes.assign(pen.GetDashPattern().begin(), pen.GetDashPattern().end()); break;
    default: break;
  }
  for (double& d : dashes) d *= w;
  double offset = std::isfinite(pen.GetDashOffset()) ? double(pen.GetDashOffset()) * w : 0.0;
  cairo_set_dash(cr_, dashes.data(), int(dashes.size()), offset);
  cairo_stroke(cr_);
  if (mask_) PaintThroughMask();
  cairo_pattern_destroy(pat);
}

void CairoGraphics::FillShape(const Brush& brush, const GraphicsPath& path) {
  if (path.Empty() || (pixels_ && pixels_->FillPath(brush, path))) return;
  if (!Begin()) return;
  AppendPath(cr_, path);
  FillCurrent(brush, path.GetFillMode());
  End();
}

void CairoGraphics::StrokeShape(const Pen& pen, const GraphicsPath& path) {
  if (path.Empty() || (pixels_ && pixels_->StrokePath(pen, path)) || !Begin()) return;
  AppendPath(cr_, path);
  StrokeCurrent(pen);
  End();
}

// Rectangles and polygons go straight to Cairo: no path object, nothing allocated per call.
void CairoGraphics::DoFillRectangle(const Brush& brush, const RectF& rect) {
  if (!rect.IsFinite() || rect.IsEmptyArea()) return;
  // Under a shaped clip through its kept mask rather than Cairo's own.
  const PointF corners[4] = {{rect.X, rect.Y}, {rect.Right(), rect.Y}, {rect.Right(), rect.Bottom()},
                             {rect.X, rect.Bottom()}};
  if (pixels_ && pixels_->FillPolygon(brush, corners, 4, FillModeAlternate)) return;
  if (!Begin()) return;
  cairo_rectangle(cr_, rect.X, rect.Y, rect.Width, rect.Height);
  FillCurrent(brush, FillModeAlternate);
  End();
}

void CairoGraphics::DoFillEllipse(const Brush& brush, const RectF& rect) {
  GraphicsPath p;
  p.AddEllipse(rect);
  FillShape(brush, p);
}

void CairoGraphics::DoFillPolygons(const PolygonFill* fills, int count) {
  if (pixels_ && pixels_->FillPolygons(fills, count)) return;
  Graphics::DoFillPolygons(fills, count);
}

void CairoGraphics::DoFillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode) {
  if (!pts || count < 3) return;
  for (int i = 0; i < count; ++i)
    if (!pts[i].IsFinite()) return;
  // Under a shaped clip through its kept mask rather than Cairo's own.
  if (pixels_ && pixels_->FillPolygon(brush, pts, count, mode)) return;
  if (!Begin()) return;
  cairo_move_to(cr_, pts[0].X, pts[0].Y);
  for (int i = 1; i < count; ++i) cairo_line_to(cr_, pts[i].X, pts[i].Y);
  cairo_close_path(cr_);
  FillCurrent(brush, mode);
  End();
}

void CairoGraphics::DoFillPath(const Brush& brush, const GraphicsPath& path) {
  if (pixels_ && brush.GetType() == BrushTypePathGradient &&
      pixels_->FillConvexGradient(static_cast<const PathGradientBrush&>(brush), path))
    return;
  FillShape(brush, path);
}

void CairoGraphics::DoFillPie(const Brush& brush, const RectF& rect, float startAngle, float sweepAngle) {
  GraphicsPath p;
  p.AddPie(rect, startAngle, sweepAngle);
  FillShape(brush, p);
}

void CairoGraphics::DoFillRoundRectangle(const Brush& brush, const RectF& rect, SizeF corner) {
  GraphicsPath p;
  p.AddRoundRectangle(rect, corner);
  FillShape(brush, p);
}

void CairoGraphics::DoFillRegion(const Brush& brush, const Region& region) {
  if (region.IsEmpty()) return;
  GraphicsState s = Save();
  SetClip(region, CombineModeIntersect);
  RectF b = GetClipBounds();
  if (!b.IsEmptyArea()) {
    GraphicsPath p;
    p.AddRectangle(GPInflateRectF(b, 1, 1));
    FillShape(brush, p);
  }
  Restore(s);
}

void CairoGraphics::DoDrawLine(const Pen& pen, PointF a, PointF b) {
  if (pixels_ && pixels_->DrawLine(pen, a, b)) return;
  GraphicsPath p;
  p.AddLine(a, b);
  StrokeShape(pen, p);
}

void CairoGraphics::DoDrawLines(const Pen& pen, const PointF* pts, int count) {
  GraphicsPath p;
  if (count >= 2) p.AddLines(pts, count);
  StrokeShape(pen, p);
}

void CairoGraphics::DoDrawRectangle(const Pen& pen, const RectF& rect) {
  GraphicsPath p;
  p.AddRectangle(rect);
  StrokeShape(pen, p);
}

void CairoGraphics::DoDrawEllipse(const Pen& pen, const RectF& rect) {
  GraphicsPath p;
  p.AddEllipse(rect);
  StrokeShape(pen, p);
}

void CairoGraphics::DoDrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) {
  if (pixels_ && pixels_->DrawArc(pen, rect, startAngle, sweepAngle)) return;
  GraphicsPath p;
  p.AddArc(rect, startAngle, sweepAngle);
  if (p.GetPointCount() > 1) StrokeShape(pen, p);
}

void CairoGraphics::DoDrawPie(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) {
  GraphicsPath p;
  p.AddPie(rect, startAngle, sweepAngle);
  StrokeShape(pen, p);
}

void CairoGraphics::DoDrawBezier(const Pen& pen, PointF p1, PointF p2, PointF p3, PointF p4) {
  GraphicsPath p;
  p.AddBezier(p1, p2, p3, p4);
  StrokeShape(pen, p);
}

void CairoGraphics::DoDrawPath(const Pen& pen, const GraphicsPath& path) { StrokeShape(pen, path); }

void CairoGraphics::DoDrawPolygon(const Pen& pen, const PointF* pts, int count) {
  GraphicsPath p;
  p.AddPolygon(pts, count);
  StrokeShape(pen, p);
}

void CairoGraphics::DoDrawRoundRectangle(const Pen& pen, const RectF& rect, SizeF corner) {
  GraphicsPath p;
  p.AddRoundRectangle(rect, corner);
  StrokeShape(pen, p);
}

// ---- text ----

bool CairoGraphics::TextAntialias() const {
  return st_.textHint != TextRenderingHintSingleBitPerPixel &&
         st_.textHint != TextRenderingHintSingleBitPerPixelGridFit;
}

void CairoGraphics::DrawText(const std::string& text, const Font& font, const RectF* layout, PointF origin,
                             const StringFormat* format, const Brush& brush) {
  if (text.empty() || !font.IsUsable() || !Begin()) return;
  detail::TextPlacement tp;
  if (detail::LayoutText(cr_, text, font.GetFamily(), font.GetStyle(), font.GetSizeInPixels(), layout, origin,
                         format, TextAntialias(), &tp)) {
    const bool clip = layout && !(format && (format->GetFormatFlags() & StringFormatFlagsNoClip)) &&
                      layout->Width > 0 && layout->Height > 0;
    // Glyphs are rasterised whole (and cached) however little of them shows: beyond this size on
    // the device their outlines are filled instead, at the cost of what is visible.
    const bool outlines = font.GetSizeInPixels() * st_.transform.LengthScale() > kLargestGlyph;
    // Under a shaped clip through its kept mask rather than Cairo's own.
    if (!outlines && pixels_ && pixels_->DrawText(brush, tp.layout, tp.position, clip ? layout : nullptr)) {
      End();
      return;
    }
    cairo_pattern_t* pat = CreatePattern(brush);
    if (pat) {
      cairo_save(cr_);
      if (clip) {
        cairo_rectangle(cr_, layout->X, layout->Y, layout->Width, layout->Height);
        cairo_clip(cr_);
      }
      if (mask_) cairo_push_group(cr_);
      cairo_set_source(cr_, pat);
      cairo_move_to(cr_, tp.position.X, tp.position.Y);
      if (outlines) {
        pango_cairo_layout_path(cr_, tp.layout);
        cairo_fill(cr_);
      } else {
        pango_cairo_show_layout(cr_, tp.layout);
      }
      if (mask_) PaintThroughMask();
      cairo_restore(cr_);
      cairo_pattern_destroy(pat);
    }
  }
  End();
}

void CairoGraphics::DoDrawString(const std::string& text, const Font& font, PointF origin, const StringFormat* format,
                               const Brush& brush) {
  DrawText(text, font, nullptr, origin, format, brush);
}

void CairoGraphics::DoDrawString(const std::string& text, const Font& font, const RectF& layout,
                               const StringFormat* format, const Brush& brush) {
  DrawText(text, font, &layout, {}, format, brush);
}

RectF CairoGraphics::Measure(const std::string& text, const Font& font, const RectF* layout, PointF origin,
                             const StringFormat* format) const {
  const float size = font.IsUsable() ? font.GetSizeInPixels() : 0.0f;
  if (!layout) return detail::MeasureAt(text, font.GetFamily(), font.GetStyle(), size, origin, format, TextAntialias());
  detail::TextPlacement tp;
  detail::LayoutText(detail::ScratchContext(), text, font.GetFamily(), font.GetStyle(), size, layout, origin, format,
                     TextAntialias(), &tp);
  return tp.box;
}

RectF CairoGraphics::DoMeasureString(const std::string& text, const Font& font, PointF origin,
                                   const StringFormat* format) const {
  return Measure(text, font, nullptr, origin, format);
}

RectF CairoGraphics::DoMeasureString(const std::string& text, const Font& font, const RectF& layout,
                                   const StringFormat* format) const {
  return Measure(text, font, &layout, {}, format);
}

// ---- images ----

void CairoGraphics::DoDrawImage(const Bitmap& image, PointF at) {
  DrawImage(image, RectF(at.X, at.Y, float(image.Width()), float(image.Height())),
            RectF(0, 0, float(image.Width()), float(image.Height())));
}

void CairoGraphics::DoDrawImage(const Bitmap& image, const RectF& dest) {
  DrawImage(image, dest, RectF(0, 0, float(image.Width()), float(image.Height())));
}

void CairoGraphics::DoDrawImage(const Bitmap& image, const RectF& dest, const RectF& src) {
  if (image.Empty() || !dest.IsValid() || !src.IsValid() || !Begin()) return;
  cairo_pattern_t* pat = cairo_pattern_create_for_surface(image.Surface());
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, src.X, src.Y);
  cairo_matrix_scale(&m, double(src.Width) / dest.Width, double(src.Height) / dest.Height);
  cairo_matrix_translate(&m, -dest.X, -dest.Y);
  cairo_pattern_set_matrix(pat, &m);
  cairo_pattern_set_extend(pat, CAIRO_EXTEND_PAD);  // no half-transparent seam at scaled edges
  cairo_pattern_set_filter(pat, Filter(st_.interpolation));
  cairo_rectangle(cr_, dest.X, dest.Y, dest.Width, dest.Height);
  if (mask_) cairo_push_group(cr_);
  cairo_set_source(cr_, pat);
  cairo_fill(cr_);
  if (mask_) PaintThroughMask();
  cairo_pattern_destroy(pat);
  End();
}

void CairoGraphics::DoDrawLayer(const Bitmap& image, const LayerRuns& runs, PointF at, const RectF* part) {
  if (!(pixels_ && pixels_->DrawLayer(image, runs, at, part))) Graphics::DoDrawLayer(image, runs, at, part);
}

void CairoGraphics::DoClear(TAlphaColor color) {
  // A clear fills the clip in device pixels and takes no part of the transform, so a collapsed
  // one (with which Begin would draw nothing) must not stop it: Begin runs under the identity.
  const Matrix world = st_.transform;
  st_.transform = Matrix();
  const bool ready = Begin();
  st_.transform = world;
  if (!ready) return;
  // Straight into the pixels where it can be.
  if (!mask_ && pixels_ && pixels_->Clear(color)) return End();
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgba(cr_, GetRed(color) / 255.0, GetGreen(color) / 255.0, GetBlue(color) / 255.0,
                        GetAlpha(color) / 255.0);
  if (mask_)
    cairo_mask_surface(cr_, mask_, 0, 0);
  else
    cairo_paint(cr_);
  End();
}

void CairoGraphics::DoFlush() {
  if (cr_) cairo_surface_flush(surface_);
}

}  // namespace dw::gp
