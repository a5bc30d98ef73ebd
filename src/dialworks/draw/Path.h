// GraphicsPath: figures of lines and cubic Béziers, stored as GDI+ does (a point list with a type
// per point). Arcs and ellipses become Béziers; text becomes its glyph outlines.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Matrix.h"
#include "dialworks/draw/Types.h"

namespace dw::gp {

class FontFamily;
class StringFormat;

enum PathPointType : uint8_t {
  PathPointTypeStart = 0,
  PathPointTypeLine = 1,
  PathPointTypeBezier = 3,
  PathPointTypePathTypeMask = 0x07,
  PathPointTypeCloseSubpath = 0x80,
};

class DW_API GraphicsPath {
 public:
  explicit GraphicsPath(FillMode fillMode = FillModeAlternate) : fillMode_(fillMode) {}
  std::unique_ptr<GraphicsPath> Clone() const { return std::make_unique<GraphicsPath>(*this); }

  FillMode GetFillMode() const { return fillMode_; }
  void SetFillMode(FillMode m) { fillMode_ = m; }

  // The next point added starts a new figure.
  void StartFigure() { newFigure_ = true; }
  void CloseFigure();
  void CloseAllFigures();
  void Reset();

  // Non-finite coordinates make a call add nothing; empty or zero-size shapes add nothing.
  void AddLine(PointF a, PointF b);
  void AddLine(float x1, float y1, float x2, float y2) { AddLine({x1, y1}, {x2, y2}); }
  void AddLines(const PointF* pts, int count);
  void AddLines(const std::vector<PointF>& pts) { AddLines(pts.data(), int(pts.size())); }
  void AddBezier(PointF p1, PointF p2, PointF p3, PointF p4);
  // Angles in degrees, clockwise from the positive x axis; the arc lies on the ellipse in rect.
  void AddArc(const RectF& rect, float startAngle, float sweepAngle);
  void AddArc(float x, float y, float w, float h, float startAngle, float sweepAngle) {
    AddArc(RectF(x, y, w, h), startAngle, sweepAngle);
  }
  void AddPie(const RectF& rect, float startAngle, float sweepAngle);
  void AddRectangle(const RectF& rect);
  void AddEllipse(const RectF& rect);
  void AddEllipse(float x, float y, float w, float h) { AddEllipse(RectF(x, y, w, h)); }
  // A closed polygon; fewer than two points add nothing.
  void AddPolygon(const PointF* pts, int count);
  void AddPolygon(const std::vector<PointF>& pts) { AddPolygon(pts.data(), int(pts.size())); }
  // Rounded rectangle; corner is the size of the corner ellipse (limited to the rectangle).
  void AddRoundRectangle(const RectF& rect, SizeF corner);
  void AddPath(const GraphicsPath& other, bool connect);
  // Text outlines. emSize is in pixels (world units), style a FontStyle set; the text is laid out
  // from origin, or inside layoutRect with the format's alignments. UTF-8 text.
  void AddString(const std::string& text, const FontFamily& family, int style, float emSize, PointF origin,
                 const StringFormat* format = nullptr);
  void AddString(const std::string& text, const FontFamily& family, int style, float emSize,
                 const RectF& layoutRect, const StringFormat* format = nullptr);

  void Transform(const Matrix& m);
  // Replaces Béziers by line segments within the given tolerance (pixels after matrix).
  void Flatten(const Matrix* m = nullptr, float flatness = 0.25f);

  // Bounds of the points (control points of Béziers included), after the matrix when given.
  RectF GetBounds(const Matrix* m = nullptr) const;
  // Whether the path is one whole ellipse as AddEllipse builds it; its rectangle goes to *rect.
  bool IsEllipse(RectF* rect = nullptr) const;
  // Point inside the filled path under its fill mode.
  bool IsVisible(PointF p) const;
  bool IsVisible(float x, float y) const { return IsVisible(PointF(x, y)); }
  // IsVisible's flatness, and where it finds the edge a-b (which crosses the line) crossing the
  // horizontal line at y: code that tests whole rows of points uses both and agrees with it.
  static constexpr float kHitFlatness = 0.1f;
  static float CrossingX(PointF a, PointF b, float y) { return a.X + (y - a.Y) / (b.Y - a.Y) * (b.X - a.X); }

  int GetPointCount() const { return int(points_.size()); }
  bool Empty() const { return points_.empty(); }
  const std::vector<PointF>& Points() const { return points_; }
  const std::vector<uint8_t>& Types() const { return types_; }
  bool GetLastPoint(PointF* p) const;

  // Raw append used by the text and flattening code.
  void AppendRaw(PointF p, uint8_t type);

  // A flattened figure: its points and whether it is closed.
  struct Polyline {
    std::vector<PointF> Points;
    std::vector<float> Source;  // per point: its place in Points() (fractional inside a Bézier)
    bool Closed = false;
  };
  std::vector<Polyline> FlattenedFigures(float flatness = 0.25f) const;

 private:
  void MoveOrLine(PointF p);

  FillMode fillMode_;
  std::vector<PointF> points_;
  std::vector<uint8_t> types_;
  bool newFigure_ = true;
};

}  // namespace dw::gp
