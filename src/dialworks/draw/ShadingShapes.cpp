// The look: bevels are rings whose outer half runs from the lit colour (top left) to the shadow
// colour (bottom right) and whose inner half runs the other way, like a turned metal bezel; glass
// is a soft highlight over the upper part clipped to the shape; bulbs are lit spheres.
#include <numbers>

#include "dialworks/draw/Shading.h"

namespace dw {

using namespace gp;

namespace {

enum class Shape { Rect, Ellipse, Diamond, RoundRect, RoundDiamond };

bool Usable(const RectF& r) { return r.IsValid(); }

// The shape in r, shrunk so its edges move inwards by `inset` (perpendicular for diamonds).
GraphicsPath ShapePath(Shape s, RectF r, float corner, float inset) {
  GraphicsPath p;
  float dx = inset, dy = inset;
  if (s == Shape::Diamond || s == Shape::RoundDiamond) {
    float a = r.Width / 2, b = r.Height / 2, h = std::hypot(a, b);
    dx = inset * h / b;
    dy = inset * h / a;
  }
  r = GPInflateRectF(r, -dx, -dy);
  if (!Usable(r)) return p;
  float c = std::isfinite(corner) ? std::max(0.0f, corner - 2 * inset) : 0.0f;
  switch (s) {
    case Shape::Rect: p.AddRectangle(r); break;
    case Shape::Ellipse: p.AddEllipse(r); break;
    case Shape::RoundRect: p.AddRoundRectangle(r, SizeF(c, c)); break;
    case Shape::Diamond: p = RXCreateRoundDiamondPathF(r, 0); break;
    case Shape::RoundDiamond: p = RXCreateRoundDiamondPathF(r, c); break;
  }
  return p;
}

// The ring between two shapes.
GraphicsPath Ring(const GraphicsPath& outer, const GraphicsPath& inner) {
  GraphicsPath ring(FillModeAlternate);
  ring.AddPath(outer, false);
  ring.AddPath(inner, false);
  return ring;
}

// Light falls from the top left, a little more from the top, so top and left faces differ.
const PointF kLight(-0.6f, -0.8f);

// Flat faces of a polygonal bevel (rectangle, diamond): each face is shaded by how much its
// normal faces the light; the outer faces slope outwards, the inner ones inwards.
void FacetedBevel(Graphics& g, TAlphaColor lit, TAlphaColor dark, const GraphicsPath& outer, const GraphicsPath& mid,
                  const GraphicsPath& inner) {
  const auto& o = outer.Points();
  const auto& m = mid.Points();
  const auto& in = inner.Points();
  const size_t n = o.size();
  // Underlay in the middle tone so the seams between faces never show the background.
  SolidBrush under(RXInterpolateColorF(dark, lit, 0.5f));
  g.FillPath(under, inner.Empty() ? outer : Ring(outer, inner));
  for (size_t i = 0; i < n; ++i) {
    size_t j = (i + 1) % n;
    PointF d = o[j] - o[i];
    float len = std::hypot(d.X, d.Y);
    if (!(len > 0)) continue;
    PointF normal(d.Y / len, -d.X / len);  // outwards for a clockwise figure (y down)
    float k = normal.X * kLight.X + normal.Y * kLight.Y;
    SolidBrush outerFace(RXInterpolateColorF(dark, lit, std::clamp(0.5f + 0.55f * k, 0.0f, 1.0f)));
    PointF q1[] = {o[i], o[j], m[j], m[i]};
    g.FillPolygon(outerFace, q1, 4);
    if (in.size() == n) {
      SolidBrush innerFace(RXInterpolateColorF(dark, lit, std::clamp(0.5f - 0.4f * k, 0.0f, 1.0f)));
      PointF q2[] = {m[i], m[j], in[j], in[i]};
      g.FillPolygon(innerFace, q2, 4);
    }
  }
}

void BevelFrame(Graphics& g, TAlphaColor lit, TAlphaColor dark, Shape s, const RectF& rect, float corner,
                float width) {
  if (!Usable(rect) || !(width > 0) || !std::isfinite(width)) return;
  width = std::min(width, std::min(rect.Width, rect.Height) / 2);
  GraphicsPath outer = ShapePath(s, rect, corner, 0);
  GraphicsPath mid = ShapePath(s, rect, corner, width * 0.5f);
  GraphicsPath inner = ShapePath(s, rect, corner, width);
  if ((s == Shape::Rect || s == Shape::Diamond) && !mid.Empty() && mid.GetPointCount() == outer.GetPointCount()) {
    FacetedBevel(g, lit, dark, outer, mid, inner);
    float edge = std::max(0.5f, std::min(1.0f, width * 0.08f));
    Pen outline(MakeARGBColor(uint8_t(GetAlpha(dark) * 0.6f), RXDimColor(dark, 0.4f)), edge);
    GraphicsPath edgePath = ShapePath(s, rect, corner, edge / 2);
    if (!edgePath.Empty()) g.DrawPath(outline, edgePath);
    return;
  }

  // Outer half: lit top-left falling to shadow; a little of the other colour mixed in so the
  // far side keeps some shape.
  LinearGradientBrush outerBrush(rect, lit, dark, LinearGradientModeForwardDiagonal);
  TAlphaColor c1[] = {lit, RXInterpolateColorF(lit, dark, 0.45f), dark};
  float p1[] = {0.0f, 0.5f, 1.0f};
  outerBrush.SetInterpolationColors(c1, p1, 3);
  g.FillPath(outerBrush, mid.Empty() ? outer : Ring(outer, mid));
  if (mid.Empty()) return;

  // Inner half: the reverse, so the rim reads as raised with a crest in the middle.
  RectF innerRect = mid.GetBounds();
  LinearGradientBrush innerBrush(innerRect, RXInterpolateColorF(dark, lit, 0.15f),
                                 RXInterpolateColorF(lit, dark, 0.1f), LinearGradientModeForwardDiagonal);
  g.FillPath(innerBrush, inner.Empty() ? mid : Ring(mid, inner));

  // Fine edges: a dark line outside, a light one on the crest's lit side.
  float edge = std::max(0.5f, std::min(1.0f, width * 0.08f));
  Pen outline(MakeARGBColor(uint8_t(GetAlpha(dark) * 0.6f), RXDimColor(dark, 0.4f)), edge);
  GraphicsPath edgePath = ShapePath(s, rect, corner, edge / 2);
  if (!edgePath.Empty()) g.DrawPath(outline, edgePath);
}

void Gloss(Graphics& g, TAlphaColor top, TAlphaColor bottom, Shape s, const RectF& rect, float corner) {
  if (!Usable(rect)) return;
  GraphicsPath shape = ShapePath(s, rect, corner, 0);
  if (shape.Empty()) return;
  GraphicsState st = g.Save();
  g.SetClip(shape, CombineModeIntersect);
  GraphicsPath hl;
  RectF hlRect;
  if (s == Shape::Ellipse) {
    // A crescent-free cap: an ellipse over the upper half, inset from the rim.
    hlRect = RectF(rect.X + rect.Width * 0.1f, rect.Y + rect.Height * 0.03f, rect.Width * 0.8f, rect.Height * 0.52f);
  } else {
    // A large ellipse whose lower edge curves across the middle of the shape.
    hlRect = RectF(rect.X - rect.Width * 0.35f, rect.Y - rect.Height * 0.95f, rect.Width * 1.7f, rect.Height * 1.48f);
  }
  hl.AddEllipse(hlRect);
  RectF gradRect(rect.X, rect.Y, rect.Width, std::max(1.0f, hlRect.Bottom() - rect.Y));
  LinearGradientBrush b(gradRect, top, bottom, LinearGradientModeVertical);
  g.FillPath(b, hl);
  g.Restore(st);
}

}  // namespace

GraphicsPath RXCreateRoundDiamondPathF(const RectF& rect, float cornerSize) {
  GraphicsPath p;
  if (!Usable(rect)) return p;
  PointF v[4] = {{rect.Center().X, rect.Y}, {rect.Right(), rect.Center().Y}, {rect.Center().X, rect.Bottom()},
                 {rect.X, rect.Center().Y}};
  float edge = std::hypot(rect.Width / 2, rect.Height / 2);
  float t = std::isfinite(cornerSize) && cornerSize > 0 ? std::min(0.5f, cornerSize / 2 / edge) : 0.0f;
  if (t <= 0) {
    p.AddPolygon(v, 4);
    return p;
  }
  constexpr float k = 0.5523f;  // quarter-circle Bézier handle
  p.StartFigure();
  for (int i = 0; i < 4; ++i) {
    PointF prev = v[(i + 3) % 4], cur = v[i], next = v[(i + 1) % 4];
    PointF in = cur + (prev - cur) * t, out = cur + (next - cur) * t;
    if (i == 0)
      p.AppendRaw(in, PathPointTypeStart);
    else
      p.AppendRaw(in, PathPointTypeLine);
    p.AppendRaw(in + (cur - in) * k, PathPointTypeBezier);
    p.AppendRaw(out + (cur - out) * k, PathPointTypeBezier);
    p.AppendRaw(out, PathPointTypeBezier);
  }
  p.CloseFigure();
  return p;
}

void RXDrawFrame3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect, float width) {
  BevelFrame(g, color1, color2, Shape::Rect, rect, 0, width);
}

void RXDrawEllipse3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect, float width) {
  BevelFrame(g, color1, color2, Shape::Ellipse, rect, 0, width);
}

void RXDrawDiamondFrame3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect, float width) {
  BevelFrame(g, color1, color2, Shape::Diamond, rect, 0, width);
}

void RXDrawRoundRectangle3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect,
                             float cornerSize, float width) {
  BevelFrame(g, color1, color2, Shape::RoundRect, rect, cornerSize, width);
}

void RXDrawRoundDiamondFrame3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect,
                                float cornerSize, float width) {
  BevelFrame(g, color1, color2, Shape::RoundDiamond, rect, cornerSize, width);
}

void RXDrawGlobeEllipse3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect, float width) {
  if (!Usable(rect) || !(width > 0) || !std::isfinite(width)) return;
  width = std::min(width, std::min(rect.Width, rect.Height) / 2);
  // A tube: across the width the brightness rises from the edges to a crest (a radial gradient
  // stretched onto the ellipse, so the rings of equal brightness follow it), and light from the
  // top left brightens that side and shades the other (a diagonal overlay of the two colours).
  // Two gradient fills of the ring: thin shapes cost Cairo per row, not per pixel, so fewer fills
  // is what makes a ring cheap.
  const GraphicsPath outerEdge = ShapePath(Shape::Ellipse, rect, 0, 0);
  const GraphicsPath innerEdge = ShapePath(Shape::Ellipse, rect, 0, width);
  const GraphicsPath ring = innerEdge.Empty() ? outerEdge : Ring(outerEdge, innerEdge);
  const float across = width / (std::min(rect.Width, rect.Height) / 2);  // the ring in blend positions
  constexpr int kSteps = 8;
  TAlphaColor tube[kSteps + 2];
  float at[kSteps + 2];
  for (int k = 0; k <= kSteps; ++k) {
    const float profile = std::sin(float(k) / kSteps * float(std::numbers::pi));  // 0 at the edges
    tube[k] = RXInterpolateColorF(color2, color1, 0.15f + 0.55f * profile + 0.1f * profile * profile);
    at[k] = across * float(k) / kSteps;
  }
  tube[kSteps + 1] = tube[kSteps];  // inside the ring (not painted) the gradient holds
  at[kSteps + 1] = 1;
  PathGradientBrush profile(outerEdge);
  profile.SetInterpolationColors(tube, at, across < 1 ? kSteps + 2 : kSteps + 1);
  g.FillPath(profile, ring);

  // Each colour fades to its own transparent form, so the middle mixes in neither.
  const TAlphaColor light = color1 & 0x00FFFFFF, shade = color2 & 0x00FFFFFF;
  LinearGradientBrush lighting(rect, color1, color2, LinearGradientModeForwardDiagonal);
  const TAlphaColor c[] = {(0x99u << 24) | light, light, shade, (0x99u << 24) | shade};
  const float p[] = {0.0f, 0.5f, 0.5f, 1.0f};
  lighting.SetInterpolationColors(c, p, 4);
  g.FillPath(lighting, ring);
}

void RXDrawLine3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, PointF start, PointF end, float width,
                   bool sunken) {
  if (!start.IsFinite() || !end.IsFinite() || !(width > 0) || !std::isfinite(width)) return;
  PointF d = end - start;
  float len = std::hypot(d.X, d.Y);
  if (!(len > 0)) return;
  PointF n(-d.Y / len, d.X / len);
  if (n.X + n.Y > 0) n = n * -1.0f;  // n points towards the light (up and left)
  PointF h = n * (width / 2);
  PointF band[4] = {start + h, end + h, end - h, start - h};
  TAlphaColor lit = sunken ? color2 : color1, dark = sunken ? color1 : color2;
  LinearGradientBrush b(start + h, start - h, lit, dark);
  TAlphaColor c[] = {lit, RXInterpolateColorF(lit, dark, 0.35f), dark};
  float pos[] = {0.0f, 0.5f, 1.0f};
  b.SetInterpolationColors(c, pos, 3);
  g.FillPolygon(b, band, 4);
}

void RXGlossEllipse3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect) {
  Gloss(g, color1, color2, Shape::Ellipse, rect, 0);
}
void RXGlossRectangle3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect) {
  Gloss(g, color1, color2, Shape::Rect, rect, 0);
}
void RXGlossDiamond3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect) {
  Gloss(g, color1, color2, Shape::Diamond, rect, 0);
}
void RXGlossRoundRectangle3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect,
                              float cornerSize) {
  Gloss(g, color1, color2, Shape::RoundRect, rect, cornerSize);
}
void RXGlossRoundDiamond3DF(Graphics& g, TAlphaColor color1, TAlphaColor color2, const RectF& rect,
                            float cornerSize) {
  Gloss(g, color1, color2, Shape::RoundDiamond, rect, cornerSize);
}

void RXFillBulb3DF(Graphics& g, TAlphaColor color, const RectF& rect) {
  if (!Usable(rect)) return;
  uint8_t a = GetAlpha(color);
  GraphicsPath body;
  body.AddEllipse(rect);
  // The body: lit near the top left, darkening towards the rim.
  PathGradientBrush pb(body);
  pb.SetCenterPoint(PointF(rect.X + rect.Width * 0.38f, rect.Y + rect.Height * 0.36f));
  pb.SetCenterColor(RXInterpolateColorF(color, MakeARGBColor(a, 0xFFFFFF), 0.45f));
  pb.SetSurroundColors(std::vector<TAlphaColor>{RXDimColor(color, 0.55f)});
  float f[] = {0.0f, 0.35f, 0.75f, 1.0f};
  float pos[] = {0.0f, 0.25f, 0.65f, 1.0f};
  pb.SetBlend(f, pos, 4);
  g.FillPath(pb, body);
  // The specular spot.
  RectF spot(rect.X + rect.Width * 0.2f, rect.Y + rect.Height * 0.12f, rect.Width * 0.42f, rect.Height * 0.3f);
  LinearGradientBrush sb(spot, MakeARGBColor(uint8_t(a * 0.85f), 0xFFFFFF), MakeARGBColor(0, 0xFFFFFF),
                         LinearGradientModeVertical);
  g.FillEllipse(sb, spot);
}

void RXFillRoundDiamondF(Graphics& g, const Brush& brush, const RectF& rect, float cornerSize) {
  GraphicsPath p = RXCreateRoundDiamondPathF(rect, cornerSize);
  if (!p.Empty()) g.FillPath(brush, p);
}

void RXDrawRoundDiamondF(Graphics& g, const Pen& pen, const RectF& rect, float cornerSize) {
  GraphicsPath p = RXCreateRoundDiamondPathF(rect, cornerSize);
  if (!p.Empty()) g.DrawPath(pen, p);
}

}  // namespace dw
