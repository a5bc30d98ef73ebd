// Brushes as Cairo patterns. A pattern's matrix maps world coordinates to pattern space, so each
// brush's geometry (and its own transform) is inverted here; a singular one paints nothing
// instead of putting the context into an error state.
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

void Corner(cairo_pattern_t* p, int corner, TAlphaColor c) {
  double r, g, b, a;
  Rgba(c, &r, &g, &b, &a);
  cairo_mesh_pattern_set_corner_color_rgba(p, unsigned(corner), r, g, b, a);
}

// One ring of patches per blend interval on every boundary segment: corners on the boundary take
// the surround colours, corners pulled towards the centre point by the blend position take the
// blended colours; the innermost ring meets at the centre point.
// The mesh in brush space (no matrix), or nullptr when the path encloses nothing.
cairo_pattern_t* BuildMesh(const PathGradientBrush& pb) {
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
        cairo_mesh_pattern_begin_patch(p);
        cairo_mesh_pattern_move_to(p, a0.X, a0.Y);
        cairo_mesh_pattern_line_to(p, b0.X, b0.Y);
        cairo_mesh_pattern_line_to(p, b1.X, b1.Y);
        cairo_mesh_pattern_line_to(p, a1.X, a1.Y);
        Corner(p, 0, sa[k].Color);
        Corner(p, 1, sb[k].Color);
        Corner(p, 2, sb[k + 1].Color);
        Corner(p, 3, sa[k + 1].Color);
        cairo_mesh_pattern_end_patch(p);
        ++patches;
      }
    }
  }
  if (patches == 0 || cairo_pattern_status(p) != CAIRO_STATUS_SUCCESS) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  return p;
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

cairo_pattern_t* PathGradient(const PathGradientBrush& pb) {
  if (cairo_pattern_t* radial = EllipticalPathGradient(pb)) return radial;
  cairo_pattern_t* mesh = BuildMesh(pb);
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

cairo_pattern_t* CairoGraphics::CreatePattern(const Brush& brush) {
  switch (brush.GetType()) {
    case BrushTypeSolidColor: {
      double r, g, b, a;
      Rgba(brush.MainColor(), &r, &g, &b, &a);
      return cairo_pattern_create_rgba(r, g, b, a);
    }
    case BrushTypeLinearGradient: return Linear(static_cast<const LinearGradientBrush&>(brush));
    case BrushTypePathGradient: return PathGradient(static_cast<const PathGradientBrush&>(brush));
    case BrushTypeTextureFill: return Texture(static_cast<const TextureBrush&>(brush));
    default: return nullptr;
  }
}

}  // namespace dw::gp
