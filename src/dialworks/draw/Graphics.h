// Graphics: the drawing surface every instrument draws through, with GDI+ semantics (float pixel
// coordinates, y down, angles in degrees clockwise, MatrixOrderPrepend by default). Two back ends:
// CairoGraphics draws, RecordingGraphics records. Bad input (NaN, infinite or non-positive sizes,
// empty shapes, empty strings) draws nothing and never disturbs later calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Font.h"
#include "dialworks/draw/Matrix.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/Region.h"
#include "dialworks/draw/Types.h"

namespace dw::gp {

// Token returned by Save; Restore(token) returns to the state before that Save (and drops every
// later Save). Unknown tokens are ignored.
using GraphicsState = unsigned;

class DW_API Graphics {
 public:
  virtual ~Graphics() = default;

  // State and transform.
  virtual GraphicsState Save() = 0;
  virtual void Restore(GraphicsState state) = 0;
  virtual void SetTransform(const Matrix& m) = 0;
  virtual Matrix GetTransform() const = 0;
  virtual void ResetTransform() = 0;
  virtual void MultiplyTransform(const Matrix& m, MatrixOrder order = MatrixOrderPrepend) = 0;
  virtual void TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrderPrepend) = 0;
  virtual void ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrderPrepend) = 0;
  virtual void RotateTransform(float angle, MatrixOrder order = MatrixOrderPrepend) = 0;

  // Modes.
  virtual void SetSmoothingMode(SmoothingMode m) = 0;
  virtual SmoothingMode GetSmoothingMode() const = 0;
  virtual void SetTextRenderingHint(TextRenderingHint h) = 0;
  virtual TextRenderingHint GetTextRenderingHint() const = 0;
  virtual void SetCompositingMode(CompositingMode m) = 0;
  virtual CompositingMode GetCompositingMode() const = 0;
  virtual void SetCompositingQuality(CompositingQuality q) = 0;
  virtual CompositingQuality GetCompositingQuality() const = 0;
  virtual void SetInterpolationMode(InterpolationMode m) = 0;
  virtual InterpolationMode GetInterpolationMode() const = 0;

  // Clipping. Shapes are in the current world coordinates.
  virtual void SetClip(const RectF& rect, CombineMode mode = CombineModeReplace) = 0;
  virtual void SetClip(const GraphicsPath& path, CombineMode mode = CombineModeReplace) = 0;
  virtual void SetClip(const Region& region, CombineMode mode = CombineModeReplace) = 0;
  void IntersectClip(const RectF& rect) { SetClip(rect, CombineModeIntersect); }
  void IntersectClip(const Region& region) { SetClip(region, CombineModeIntersect); }
  void ExcludeClip(const RectF& rect) { SetClip(rect, CombineModeExclude); }
  void ExcludeClip(const Region& region) { SetClip(region, CombineModeExclude); }
  virtual void ResetClip() = 0;
  // Bounds of the clip in world coordinates (the whole surface when there is no clip).
  virtual RectF GetClipBounds() const = 0;

  // Fills.
  virtual void FillRectangle(const Brush& brush, const RectF& rect) = 0;
  void FillRectangle(const Brush& brush, float x, float y, float w, float h) { FillRectangle(brush, RectF(x, y, w, h)); }
  virtual void FillEllipse(const Brush& brush, const RectF& rect) = 0;
  void FillEllipse(const Brush& brush, float x, float y, float w, float h) { FillEllipse(brush, RectF(x, y, w, h)); }
  virtual void FillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode = FillModeAlternate) = 0;
  void FillPolygon(const Brush& brush, const std::vector<PointF>& pts, FillMode mode = FillModeAlternate) {
    FillPolygon(brush, pts.data(), int(pts.size()), mode);
  }
  virtual void FillPath(const Brush& brush, const GraphicsPath& path) = 0;
  virtual void FillPie(const Brush& brush, const RectF& rect, float startAngle, float sweepAngle) = 0;
  // corner: width and height of the corner ellipse.
  virtual void FillRoundRectangle(const Brush& brush, const RectF& rect, SizeF corner) = 0;
  void FillRoundRectangle(const Brush& brush, const RectF& rect, float corner) {
    FillRoundRectangle(brush, rect, SizeF(corner, corner));
  }
  virtual void FillRegion(const Brush& brush, const Region& region) = 0;

  // Outlines. The pen is centred on the shape's edge.
  virtual void DrawLine(const Pen& pen, PointF a, PointF b) = 0;
  void DrawLine(const Pen& pen, float x1, float y1, float x2, float y2) { DrawLine(pen, PointF(x1, y1), PointF(x2, y2)); }
  virtual void DrawLines(const Pen& pen, const PointF* pts, int count) = 0;
  virtual void DrawRectangle(const Pen& pen, const RectF& rect) = 0;
  void DrawRectangle(const Pen& pen, float x, float y, float w, float h) { DrawRectangle(pen, RectF(x, y, w, h)); }
  virtual void DrawEllipse(const Pen& pen, const RectF& rect) = 0;
  void DrawEllipse(const Pen& pen, float x, float y, float w, float h) { DrawEllipse(pen, RectF(x, y, w, h)); }
  virtual void DrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) = 0;
  virtual void DrawPie(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) = 0;
  virtual void DrawBezier(const Pen& pen, PointF p1, PointF p2, PointF p3, PointF p4) = 0;
  virtual void DrawPath(const Pen& pen, const GraphicsPath& path) = 0;
  virtual void DrawPolygon(const Pen& pen, const PointF* pts, int count) = 0;
  void DrawPolygon(const Pen& pen, const std::vector<PointF>& pts) { DrawPolygon(pen, pts.data(), int(pts.size())); }
  virtual void DrawRoundRectangle(const Pen& pen, const RectF& rect, SizeF corner) = 0;
  void DrawRoundRectangle(const Pen& pen, const RectF& rect, float corner) {
    DrawRoundRectangle(pen, rect, SizeF(corner, corner));
  }

  // Text (UTF-8). From an origin the text's top-left is at the origin (alignments of the format
  // place it around the origin instead); in a layout rectangle the format's alignments place it
  // and the text wraps at the rectangle's width unless NoWrap; it is clipped to the rectangle
  // unless NoClip. format may be nullptr (near, near, wrapping).
  virtual void DrawString(const std::string& text, const Font& font, PointF origin, const StringFormat* format,
                          const Brush& brush) = 0;
  virtual void DrawString(const std::string& text, const Font& font, const RectF& layout, const StringFormat* format,
                          const Brush& brush) = 0;
  void DrawString(const std::string& text, const Font& font, PointF origin, const Brush& brush) {
    DrawString(text, font, origin, nullptr, brush);
  }
  // The box DrawString with the same arguments fills with the text's lines (world coordinates).
  virtual RectF MeasureString(const std::string& text, const Font& font, PointF origin = {},
                              const StringFormat* format = nullptr) const = 0;
  virtual RectF MeasureString(const std::string& text, const Font& font, const RectF& layout,
                              const StringFormat* format = nullptr) const = 0;

  // Images. At a point the bitmap is drawn at its own pixel size.
  virtual void DrawImage(const Bitmap& image, PointF at) = 0;
  void DrawImage(const Bitmap& image, float x, float y) { DrawImage(image, PointF(x, y)); }
  virtual void DrawImage(const Bitmap& image, const RectF& dest) = 0;
  // The part src of the image (in image pixels) into dest.
  virtual void DrawImage(const Bitmap& image, const RectF& dest, const RectF& src) = 0;

  // Fills the clip with the colour, replacing what is there (transform ignored).
  virtual void Clear(TAlphaColor color) = 0;
  virtual void Flush() = 0;

  // A graphics on the bitmap for a layer of the frame this graphics draws (a cached face drawn
  // once and composed with DrawImage each frame): the same back end and settings, so a recording
  // records the layer's calls too. The bitmap must outlive the returned graphics, and this
  // graphics must too.
  virtual std::unique_ptr<Graphics> CreateLayer(Bitmap& bitmap) = 0;
};

}  // namespace dw::gp
