// Brushes as Cairo patterns. A pattern's matrix maps world coordinates to pattern space, so each
// brush's geometry (and its own transform) is inverted here; a singular one paints nothing
// instead of putting the context into an error state.
#include <algorithm>
#include <cmath>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/CairoSupport.h"
#include "dialworks/draw/CoverageGradient.h"
#include "dialworks/draw/Shading.h"

namespace dw::gp {

using detail::ToCairo;

namespace {

void Rgba(TAlphaColor c, double* r, double* g, double* b, double* a) {
  *r = GetRed(c) / 255.0;
  *g = GetGreen(c) / 255.0;
  *b = GetBlue(c) / 255.0;
  *a = GetAlpha(c) / 255.0;
}

// Sets the pattern's world-to-pattern matrix from a pattern-to-world matrix; false if singular.
bool SetInverse(cairo_pattern_t* p, Matrix toWorld) {
  if (!toWorld.Invert()) return false;
  cairo_matrix_t cm = ToCairo(toWorld);
  if (cairo_matrix_invert(&cm) != CAIRO_STATUS_SUCCESS) return false;  // same check Cairo applies
  cairo_matrix_invert(&cm);
  cairo_pattern_set_matrix(p, &cm);
  return cairo_pattern_status(p) == CAIRO_STATUS_SUCCESS;
}

cairo_extend_t Extend(WrapMode w) {
  switch (w) {
    case WrapModeTile: return CAIRO_EXTEND_REPEAT;
    case WrapModeTileFlipX:
    case WrapModeTileFlipY:
    case WrapModeTileFlipXY: return CAIRO_EXTEND_REFLECT;
    default: return CAIRO_EXTEND_PAD;
  }
}

void AddStop(cairo_pattern_t* p, float pos, TAlphaColor c) {
  double r, g, b, a;
  Rgba(c, &r, &g, &b, &a);
  cairo_pattern_add_color_stop_rgba(p, pos, r, g, b, a);
}

cairo_pattern_t* Linear(const LinearGradientBrush& lb) {
  Matrix g = lb.Geometry();
  g.Multiply(lb.GetTransform(), MatrixOrderAppend);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 1, 0);
  if (!SetInverse(p, g)) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  for (const auto& s : lb.Stops()) AddStop(p, s.Position, s.Color);
  cairo_pattern_set_extend(p, Extend(lb.GetWrapMode()));
  return p;
}

// Where a mesh can show: the clip's extent in device pixels, and brush space to device pixels.
// Cairo rasterises every mesh patch over its whole area, visible or not, so a patch much larger
// than this window (a shape reaching far outside the drawing) is cut in halves until each
// piece is about the window's size; pieces wholly outside it are dropped. The work then follows
// the window, not the shape's size, and the picture is the same: patches here have straight
// edges, so they are bilinear in place and colour and their halves are exact.
struct MeshWindow {
  cairo_matrix_t toDevice;
  double x0, y0, x1, y1;  // visible device extent
  double largest;         // the longest piece side kept whole
};

struct MeshCorner {
  PointF p;
  double rgba[4];  // not premultiplied, as Cairo takes corner colours
};

MeshCorner MakeCorner(PointF p, TAlphaColor c) {
  MeshCorner m{p, {}};
  Rgba(c, &m.rgba[0], &m.rgba[1], &m.rgba[2], &m.rgba[3]);
  return m;
}

// The point and colour halfway along a patch side (Cairo interpolates the corner colours as
// given, not premultiplied).
MeshCorner Mid(const MeshCorner& a, const MeshCorner& b) {
  MeshCorner m{PointF((a.p.X + b.p.X) / 2, (a.p.Y + b.p.Y) / 2), {}};
  for (int k = 0; k < 4; ++k) m.rgba[k] = (a.rgba[k] + b.rgba[k]) / 2;
  return m;
}

void AddPatch(cairo_pattern_t* p, const MeshCorner (&q)[4]) {
  cairo_mesh_pattern_begin_patch(p);
  cairo_mesh_pattern_move_to(p, q[0].p.X, q[0].p.Y);
  for (int k = 1; k < 4; ++k) cairo_mesh_pattern_line_to(p, q[k].p.X, q[k].p.Y);
  for (int k = 0; k < 4; ++k)
    cairo_mesh_pattern_set_corner_color_rgba(p, unsigned(k), q[k].rgba[0], q[k].rgba[1], q[k].rgba[2], q[k].rgba[3]);
  cairo_mesh_pattern_end_patch(p);
}

// Cairo rasterises a patch as one curve across it per step along its sides, so its work is the
// length of the sides times the width across. A ring patch of a long, thin path-gradient fill is a
// strip whose sides run slanted towards the centre point (a long way for a thin strip), and a
// long segment's fill then costs the square of its length. When the colour is constant along both
// of the strip's parallel edges (one surround colour), it depends only on the distance between
// them, so the strip may be cut across at right angles into a rectangle and two end triangles
// whose steps run along their long side: the same colours, at the cost of the area.
// Returns false (nothing added) for other patches.
bool AddStripAcross(cairo_pattern_t* p, const MeshCorner (&q)[4]) {
  for (int k = 0; k < 4; ++k)
    if (q[0].rgba[k] != q[1].rgba[k] || q[3].rgba[k] != q[2].rgba[k]) return false;
  const double ex = q[1].p.X - q[0].p.X, ey = q[1].p.Y - q[0].p.Y, len = std::hypot(ex, ey);
  if (!(len > 0)) return false;
  const double ux = ex / len, uy = ey / len;  // along the edges; (-uy, ux) across them
  auto along = [&](const MeshCorner& c) { return (c.p.X - q[0].p.X) * ux + (c.p.Y - q[0].p.Y) * uy; };
  auto across = [&](const MeshCorner& c) { return (c.p.Y - q[0].p.Y) * ux - (c.p.X - q[0].p.X) * uy; };
  const double h = across(q[3]);
  // The inner edge parallel to the outer one (or a point), and the strip not folded over.
  if (!(std::fabs(across(q[2]) - h) <= 1e-3 * (std::fabs(h) + 1) && h != 0)) return false;
  const double t0 = 0, t1 = len, t3 = along(q[3]), t2 = along(q[2]);
  if (!(t2 >= t3)) return false;
  const double m1 = std::max(t0, t3), m2 = std::min(t1, t2);
  if (!(m1 <= m2)) return false;
  auto at = [&](double t, const MeshCorner& edge) {  // the point at t on the edge through 'edge'
    MeshCorner c = edge;
    const double d = t - along(edge);
    c.p = PointF(float(edge.p.X + d * ux), float(edge.p.Y + d * uy));
    return c;
  };
  if (m2 > m1) {
    const MeshCorner r[4] = {at(m1, q[0]), at(m2, q[0]), at(m2, q[3]), at(m1, q[3])};
    AddPatch(p, r);
  }
  // The end triangles, the short side across first so that each step runs along the triangle:
  // cut at the inner corner on the outer edge where the inner corner lies further in, else at
  // the outer corner on the inner edge.
  auto triangle = [&](const MeshCorner& outer, const MeshCorner& inner, double tOuter, double tInner, bool innerIn) {
    if (tInner == tOuter) return;
    if (innerIn) {
      const MeshCorner t[4] = {at(tInner, q[0]), inner, outer, outer};
      AddPatch(p, t);
    } else {
      const MeshCorner t[4] = {at(tOuter, q[3]), outer, inner, inner};
      AddPatch(p, t);
    }
  };
  triangle(q[0], q[3], t0, t3, t3 > t0);
  triangle(q[1], q[2], t1, t2, t2 < t1);
  return true;
}

// Cairo's work for the patch q in device pixels: its longest edge times its longest side.
double StripWork(const MeshCorner (&q)[4], const MeshWindow* w) {
  double x[4], y[4];
  for (int k = 0; k < 4; ++k) {
    x[k] = q[k].p.X, y[k] = q[k].p.Y;
    cairo_matrix_transform_point(&w->toDevice, &x[k], &y[k]);
  }
  auto len = [&](int a, int b) { return std::hypot(x[a] - x[b], y[a] - y[b]); };
  return std::max(len(0, 1), len(3, 2)) * std::max(len(0, 3), len(1, 2));
}

// Above this a strip is cut across (see AddStripAcross).
constexpr double kCheapStripWork = 1 << 16;

// Adds the patch q (corners in move/line order), cut to the window when there is one; the number
// of patches added.
int EmitPatch(cairo_pattern_t* p, const MeshCorner (&q)[4], const MeshWindow* w, int depth = 0) {
  if (w) {
    for (const MeshCorner& c : q)
      if (!(std::isfinite(c.p.X) && std::isfinite(c.p.Y))) return 0;  // nothing Cairo could draw
    double dx[4], dy[4];
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (int k = 0; k < 4; ++k) {
      double x = q[k].p.X, y = q[k].p.Y;
      cairo_matrix_transform_point(&w->toDevice, &x, &y);
      dx[k] = x, dy[k] = y;
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
    // A bilinear patch lies inside its corners' hull, so a box outside the window shows nothing.
    if (!(x1 >= w->x0 && x0 <= w->x1 && y1 >= w->y0 && y0 <= w->y1)) return 0;
    // Each level keeps only the few pieces near the window; the depth bounds the work for any
    // finite size.
    if (std::max(x1 - x0, y1 - y0) > w->largest && depth < 160) {
      // Halved across its longer direction only, so a long thin patch becomes a row of pieces
      // of which only those near the window stay.
      auto len = [&](int a, int b) { return std::hypot(dx[a] - dx[b], dy[a] - dy[b]); };
      const bool alongFirst = std::max(len(0, 1), len(3, 2)) >= std::max(len(0, 3), len(1, 2));
      int n = 0;
      if (alongFirst) {
        const MeshCorner m01 = Mid(q[0], q[1]), m32 = Mid(q[3], q[2]);
        const MeshCorner a[4] = {q[0], m01, m32, q[3]}, b[4] = {m01, q[1], q[2], m32};
        n += EmitPatch(p, a, w, depth + 1);
        n += EmitPatch(p, b, w, depth + 1);
      } else {
        const MeshCorner m03 = Mid(q[0], q[3]), m12 = Mid(q[1], q[2]);
        const MeshCorner a[4] = {q[0], q[1], m12, m03}, b[4] = {m03, m12, q[2], q[3]};
        n += EmitPatch(p, a, w, depth + 1);
        n += EmitPatch(p, b, w, depth + 1);
      }
      return n;
    }
  }
  // Only where the strip costs far more than it covers: the pixels of ordinary fills stay Cairo's
  // own rasterisation of the patch as built.
  if (!(w && StripWork(q, w) > kCheapStripWork && AddStripAcross(p, q))) AddPatch(p, q);
  return 1;
}

// One ring of patches per blend interval on every boundary segment: corners on the boundary take
// the surround colours, corners pulled towards the centre point by the blend position take the
// blended colours; the innermost ring meets at the centre point.
// The mesh in brush space (no matrix), or nullptr when the path encloses nothing (or nothing of
// it falls in the window).
cairo_pattern_t* BuildMesh(const PathGradientBrush& pb, const MeshWindow* window = nullptr) {
  const GraphicsPath& path = pb.Path();
  if (path.Empty()) return nullptr;
  cairo_pattern_t* p = cairo_pattern_create_mesh();
  const PointF c = pb.GetCenterPoint();
  auto surround = [&](float src) {
    int i = int(std::floor(src));
    float t = src - float(i);
    TAlphaColor a = pb.SurroundColorAt(i);
    return t > 0 ? RXInterpolateColorF(a, pb.SurroundColorAt(i + 1), t) : a;
  };
  auto toward = [&](PointF q, float pos) { return q + (c - q) * pos; };
  int patches = 0;
  for (const auto& fig : path.FlattenedFigures(0.25f)) {
    const size_t n = fig.Points.size();
    if (n < 2) continue;
    for (size_t i = 0; i < n; ++i) {
      size_t j = (i + 1) % n;
      PointF a = fig.Points[i], b = fig.Points[j];
      if (a == b) continue;
      auto sa = pb.Stops(surround(fig.Source[i]));
      auto sb = pb.Stops(surround(fig.Source[j]));
      for (size_t k = 0; k + 1 < sa.size(); ++k) {
        float p0 = sa[k].Position, p1 = sa[k + 1].Position;
        if (!(p1 > p0)) continue;
        PointF a0 = toward(a, p0), b0 = toward(b, p0), b1 = toward(b, p1), a1 = toward(a, p1);
        const MeshCorner q[4] = {MakeCorner(a0, sa[k].Color), MakeCorner(b0, sb[k].Color),
                                 MakeCorner(b1, sb[k + 1].Color), MakeCorner(a1, sa[k + 1].Color)};
        patches += EmitPatch(p, q, window);
      }
    }
  }
  if (patches == 0 || cairo_pattern_status(p) != CAIRO_STATUS_SUCCESS) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  return p;
}

// The window of a fill on target (see MeshWindow); false when the brush's transform is singular.
bool MakeMeshWindow(const PathGradientBrush& pb, cairo_t* target, MeshWindow* w) {
  cairo_matrix_t brush = ToCairo(pb.GetTransform()), user;
  cairo_get_matrix(target, &user);
  cairo_matrix_multiply(&w->toDevice, &brush, &user);
  cairo_save(target);
  cairo_identity_matrix(target);
  cairo_clip_extents(target, &w->x0, &w->y0, &w->x1, &w->y1);
  cairo_restore(target);
  w->largest = std::max({w->x1 - w->x0, w->y1 - w->y0, 64.0});
  return std::isfinite(w->x0) && std::isfinite(w->x1) && std::isfinite(w->y0) && std::isfinite(w->y1);
}

// Tiled path gradients: the gradient's bounding rectangle rendered once into an image, repeated
// (Tile) or mirrored (the flip modes) across the plane.
cairo_pattern_t* TiledPathGradient(const PathGradientBrush& pb, cairo_pattern_t* mesh) {
  constexpr int kMaxTile = 4096;
  RectF bb = pb.Path().GetBounds();
  if (!(bb.Width >= 1 && bb.Height >= 1)) return nullptr;
  int w = int(std::min(std::ceil(bb.Width), float(kMaxTile))), h = int(std::min(std::ceil(bb.Height), float(kMaxTile)));
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(img);
  cairo_scale(cr, w / double(bb.Width), h / double(bb.Height));
  cairo_translate(cr, -bb.X, -bb.Y);
  cairo_set_source(cr, mesh);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(img);
  cairo_surface_destroy(img);
  Matrix toWorld(bb.Width / float(w), 0, 0, bb.Height / float(h), bb.X, bb.Y);
  toWorld.Multiply(pb.GetTransform(), MatrixOrderAppend);
  if (!SetInverse(p, toWorld)) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  cairo_pattern_set_extend(p, pb.GetWrapMode() == WrapModeTile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_REFLECT);
  return p;
}

// The common shaded disc: an ellipse in one surround colour with the centre point inside it. Every
// ring of the mesh is then the ellipse scaled by (1 - blend position) about the centre point,
// which is exactly Cairo's two-circle radial gradient (from a point circle at the centre point to
// the unit circle) stretched onto the ellipse, and far cheaper to draw than the mesh. Returns
// nullptr when the brush is not of that kind.
cairo_pattern_t* EllipticalPathGradient(const PathGradientBrush& pb) {
  Matrix toWorld;
  PointF f;
  if (!EllipticalGradientGeometry(pb, &toWorld, &f)) return nullptr;
  cairo_pattern_t* p = cairo_pattern_create_radial(f.X, f.Y, 0, 0, 0, 1);
  if (!SetInverse(p, toWorld)) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  const std::vector<GradientStop> stops = pb.Stops(pb.SurroundColorAt(0));
  for (size_t i = stops.size(); i-- > 0;) AddStop(p, 1 - stops[i].Position, stops[i].Color);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);  // nothing outside the path, like the mesh
  return p;
}

cairo_pattern_t* PathGradient(const PathGradientBrush& pb, cairo_t* target) {
  if (cairo_pattern_t* radial = EllipticalPathGradient(pb)) return radial;
  // Tiles are rendered whole; a clamped mesh is cut to the target's clip.
  MeshWindow window;
  const bool windowed = target && pb.GetWrapMode() == WrapModeClamp && MakeMeshWindow(pb, target, &window);
  cairo_pattern_t* mesh = BuildMesh(pb, windowed ? &window : nullptr);
  if (!mesh) return nullptr;
  if (pb.GetWrapMode() != WrapModeClamp) {
    cairo_pattern_t* tiled = TiledPathGradient(pb, mesh);
    cairo_pattern_destroy(mesh);
    return tiled;
  }
  if (!SetInverse(mesh, pb.GetTransform())) {
    cairo_pattern_destroy(mesh);
    return nullptr;
  }
  return mesh;
}

cairo_pattern_t* Texture(const TextureBrush& tb) {
  const Bitmap& img = tb.GetImage();
  if (img.Empty()) return nullptr;
  cairo_pattern_t* p = cairo_pattern_create_for_surface(img.Surface());
  if (!SetInverse(p, tb.GetTransform())) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  cairo_pattern_set_extend(p, tb.GetWrapMode() == WrapModeClamp ? CAIRO_EXTEND_NONE : Extend(tb.GetWrapMode()));
  return p;
}

}  // namespace

cairo_pattern_t* CairoGraphics::CreatePattern(const Brush& brush, cairo_t* target) {
  switch (brush.GetType()) {
    case BrushTypeSolidColor: {
      double r, g, b, a;
      Rgba(brush.MainColor(), &r, &g, &b, &a);
      return cairo_pattern_create_rgba(r, g, b, a);
    }
    case BrushTypeLinearGradient: return Linear(static_cast<const LinearGradientBrush&>(brush));
    case BrushTypePathGradient: return PathGradient(static_cast<const PathGradientBrush&>(brush), target);
    case BrushTypeTextureFill: return Texture(static_cast<const TextureBrush&>(brush));
    default: return nullptr;
  }
}

}  // namespace dw::gp
