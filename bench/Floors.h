// The raw Cairo floors that instrument benchmarks compare their frames with (see floor_bench.cpp).
#pragma once

#include <cairo.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace dwbench {

constexpr int kSide = 301;  // a 300 x 300 instrument's layers are one pixel larger

// A layer filled with a translucent colour, so composing it over another blends every pixel.
struct Layer {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
  cairo_t* cr = cairo_create(s);
  Layer() {
    cairo_set_source_rgba(cr, 0.3, 0.35, 0.4, 0.9);
    cairo_paint(cr);
    cairo_surface_flush(s);
  }
  ~Layer() {
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
  size_t Bytes() const { return size_t(cairo_image_surface_get_stride(s)) * kSide; }
};

// A hand: an anti-aliased four-point polygon plus two translucent triangles (its shading),
// turned by an angle that changes every iteration (a fixed angle lets Cairo reuse work).
inline void DrawHand(cairo_t* cr, int64_t i) {
  double a = 0.0137 * double(i % 4590);
  double c = std::cos(a), s = std::sin(a);
  auto pt = [&](double x, double y, bool move) {
    double X = 150.5 + x * c - y * s, Y = 150.5 + x * s + y * c;
    move ? cairo_move_to(cr, X, Y) : cairo_line_to(cr, X, Y);
  };
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  pt(-20, -4, true); pt(130, -1.5, false); pt(130, 1.5, false); pt(-20, 4, false);
  cairo_close_path(cr);
  cairo_set_source_rgba(cr, 0.85, 0.1, 0.1, 1);
  cairo_fill(cr);
  pt(-20, -4, true); pt(130, -1.5, false); pt(130, 0, false);
  cairo_close_path(cr);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.3);
  cairo_fill(cr);
  pt(-20, 4, true); pt(130, 1.5, false); pt(130, 0, false);
  cairo_close_path(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.3);
  cairo_fill(cr);
}

// The cached face of a round dial: an opaque disc whose corners stay transparent, so the frame
// must compose it with OVER (a SOURCE copy would wipe what lies under the corners).
struct FaceLayer : Layer {
  FaceLayer() {
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_arc(cr, 150.5, 150.5, 150, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 0.3, 0.35, 0.4);
    cairo_fill(cr);
    cairo_surface_flush(s);
  }
};

// The cached top layer of a glazed dial, mostly transparent: an opaque bevel ring at the rim, an
// opaque cap over the pivot and a faint gloss over the upper half of the glass.
struct GlassLayer : Layer {
  GlassLayer() {
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_arc(cr, 150.5, 150.5, 150, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 150.5, 150.5, 138, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.62);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_arc(cr, 150.5, 150.5, 12, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 150.5, 95);
    cairo_scale(cr, 120, 70);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.15);
    cairo_fill(cr);
    cairo_surface_flush(s);
  }
};

// The cached dial frame: compose the cached face (OVER), draw the hand, compose the cached top
// layer, on a target AFrame clears first (a new surface starts clear).
struct TCachedDialFloor {
  FaceLayer Face;
  GlassLayer Top;
  Layer Dst;
  // Draws one frame on cr, whose target is clear.
  void Draw(cairo_t* cr, int64_t i) {
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(cr, Face.s, 0, 0);
    cairo_paint(cr);
    DrawHand(cr, i);
    cairo_set_source_surface(cr, Top.s, 0, 0);
    cairo_paint(cr);
  }
  void Frame(int64_t i) {
    cairo_set_operator(Dst.cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(Dst.cr);
    Draw(Dst.cr, i);
    cairo_surface_flush(Dst.s);
  }
};

}  // namespace dwbench
