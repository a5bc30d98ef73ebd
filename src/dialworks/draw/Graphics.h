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

class LayerRuns;

// One polygon of Graphics::FillPolygons (non-owning: the brush and points outlive the call).
struct DW_API PolygonFill {
  const Brush* Fill;
  const PointF* Points;
  int Count;
};

// Token returned by Save; Restore(token) returns to the state before that Save (and drops every
// later Save). Unknown tokens are ignored.
using GraphicsState = unsigned;

// The public calls are not virtual: each overload set lives here once, and every call forwards to
// one protected hook (Do<Name>) that a back end implements.
class DW_API Graphics {
 public:
  virtual ~Graphics() = default;

  // State and transform.
  GraphicsState Save() { return DoSave(); }
  void Restore(GraphicsState state) { DoRestore(state); }
  void SetTransform(const Matrix& m) { DoSetTransform(m); }
  Matrix GetTransform() const { return DoGetTransform(); }
  void ResetTransform() { DoResetTransform(); }
  void MultiplyTransform(const Matrix& m, MatrixOrder order = MatrixOrderPrepend) { DoMultiplyTransform(m, order); }
  void TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrderPrepend) {
    DoTranslateTransform(dx, dy, order);
  }
  void ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrderPrepend) { DoScaleTransform(sx, sy, order); }
  void RotateTransform(float angle, MatrixOrder order = MatrixOrderPrepend) { DoRotateTransform(angle, order); }

  // Modes.
  void SetSmoothingMode(SmoothingMode m) { DoSetSmoothingMode(m); }
  SmoothingMode GetSmoothingMode() const { return DoGetSmoothingMode(); }
  void SetTextRenderingHint(TextRenderingHint h) { DoSetTextRenderingHint(h); }
  TextRenderingHint GetTextRenderingHint() const { return DoGetTextRenderingHint(); }
  void SetCompositingMode(CompositingMode m) { DoSetCompositingMode(m); }
  CompositingMode GetCompositingMode() const { return DoGetCompositingMode(); }
  void SetCompositingQuality(CompositingQuality q) { DoSetCompositingQuality(q); }
  CompositingQuality GetCompositingQuality() const { return DoGetCompositingQuality(); }
  void SetInterpolationMode(InterpolationMode m) { DoSetInterpolationMode(m); }
  InterpolationMode GetInterpolationMode() const { return DoGetInterpolationMode(); }

  // Clipping. Shapes are in the current world coordinates.
  void SetClip(const RectF& rect, CombineMode mode = CombineModeReplace) { DoSetClip(rect, mode); }
  void SetClip(const GraphicsPath& path, CombineMode mode = CombineModeReplace) { DoSetClip(path, mode); }
  void SetClip(const Region& region, CombineMode mode = CombineModeReplace) { DoSetClip(region, mode); }
  void IntersectClip(const RectF& rect) { SetClip(rect, CombineModeIntersect); }
  void IntersectClip(const Region& region) { SetClip(region, CombineModeIntersect); }
  void ExcludeClip(const RectF& rect) { SetClip(rect, CombineModeExclude); }
  void ExcludeClip(const Region& region) { SetClip(region, CombineModeExclude); }
  void ResetClip() { DoResetClip(); }
  // Bounds of the clip in world coordinates (the whole surface when there is no clip).
  RectF GetClipBounds() const { return DoGetClipBounds(); }

  // Fills.
  void FillRectangle(const Brush& brush, const RectF& rect) { DoFillRectangle(brush, rect); }
  void FillRectangle(const Brush& brush, float x, float y, float w, float h) {
    FillRectangle(brush, RectF(x, y, w, h));
  }
  void FillEllipse(const Brush& brush, const RectF& rect) { DoFillEllipse(brush, rect); }
  void FillEllipse(const Brush& brush, float x, float y, float w, float h) { FillEllipse(brush, RectF(x, y, w, h)); }
  void FillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode = FillModeAlternate) {
    DoFillPolygon(brush, pts, count, mode);
  }
  void FillPolygon(const Brush& brush, const std::vector<PointF>& pts, FillMode mode = FillModeAlternate) {
    FillPolygon(brush, pts.data(), int(pts.size()), mode);
  }
  // The polygons filled one after another (alternate rule), as that many FillPolygon calls
  // would; a graphics may rasterise them in one pass, to the same pixels.
  void FillPolygons(const PolygonFill* fills, int count) { DoFillPolygons(fills, count); }
  void FillPath(const Brush& brush, const GraphicsPath& path) { DoFillPath(brush, path); }
  void FillPie(const Brush& brush, const RectF& rect, float startAngle, float sweepAngle) {
    DoFillPie(brush, rect, startAngle, sweepAngle);
  }
  // corner: width and height of the corner ellipse.
  void FillRoundRectangle(const Brush& brush, const RectF& rect, SizeF corner) {
    DoFillRoundRectangle(brush, rect, corner);
  }
  void FillRoundRectangle(const Brush& brush, const RectF& rect, float corner) {
    FillRoundRectangle(brush, rect, SizeF(corner, corner));
  }
  void FillRegion(const Brush& brush, const Region& region) { DoFillRegion(brush, region); }

  // Outlines. The pen is centred on the shape's edge.
  void DrawLine(const Pen& pen, PointF a, PointF b) { DoDrawLine(pen, a, b); }
  void DrawLine(const Pen& pen, float x1, float y1, float x2, float y2) {
    DrawLine(pen, PointF(x1, y1), PointF(x2, y2));
  }
  void DrawLines(const Pen& pen, const PointF* pts, int count) { DoDrawLines(pen, pts, count); }
  void DrawRectangle(const Pen& pen, const RectF& rect) { DoDrawRectangle(pen, rect); }
  void DrawRectangle(const Pen& pen, float x, float y, float w, float h) { DrawRectangle(pen, RectF(x, y, w, h)); }
  void DrawEllipse(const Pen& pen, const RectF& rect) { DoDrawEllipse(pen, rect); }
  void DrawEllipse(const Pen& pen, float x, float y, float w, float h) { DrawEllipse(pen, RectF(x, y, w, h)); }
  void DrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) {
    DoDrawArc(pen, rect, startAngle, sweepAngle);
  }
  void DrawPie(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) {
    DoDrawPie(pen, rect, startAngle, sweepAngle);
  }
  void DrawBezier(const Pen& pen, PointF p1, PointF p2, PointF p3, PointF p4) { DoDrawBezier(pen, p1, p2, p3, p4); }
  void DrawPath(const Pen& pen, const GraphicsPath& path) { DoDrawPath(pen, path); }
  void DrawPolygon(const Pen& pen, const PointF* pts, int count) { DoDrawPolygon(pen, pts, count); }
  void DrawPolygon(const Pen& pen, const std::vector<PointF>& pts) { DrawPolygon(pen, pts.data(), int(pts.size())); }
  void DrawRoundRectangle(const Pen& pen, const RectF& rect, SizeF corner) { DoDrawRoundRectangle(pen, rect, corner); }
  void DrawRoundRectangle(const Pen& pen, const RectF& rect, float corner) {
    DrawRoundRectangle(pen, rect, SizeF(corner, corner));
  }

  // Text (UTF-8). From an origin the text's top-left is at the origin (alignments of the format
  // place it around the origin instead); in a layout rectangle the format's alignments place it
  // and the text wraps at the rectangle's width unless NoWrap; it is clipped to the rectangle
  // unless NoClip. format may be nullptr (near, near, wrapping).
  void DrawString(const std::string& text, const Font& font, PointF origin, const StringFormat* format,
                  const Brush& brush) {
    DoDrawString(text, font, origin, format, brush);
  }
  void DrawString(const std::string& text, const Font& font, const RectF& layout, const StringFormat* format,
                  const Brush& brush) {
    DoDrawString(text, font, layout, format, brush);
  }
  void DrawString(const std::string& text, const Font& font, PointF origin, const Brush& brush) {
    DrawString(text, font, origin, nullptr, brush);
  }
  // The box DrawString with the same arguments fills with the text's lines (world coordinates).
  RectF MeasureString(const std::string& text, const Font& font, PointF origin = {},
                      const StringFormat* format = nullptr) const {
    return DoMeasureString(text, font, origin, format);
  }
  RectF MeasureString(const std::string& text, const Font& font, const RectF& layout,
                      const StringFormat* format = nullptr) const {
    return DoMeasureString(text, font, layout, format);
  }

  // Images. At a point the bitmap is drawn at its own pixel size.
  void DrawImage(const Bitmap& image, PointF at) { DoDrawImage(image, at); }
  void DrawImage(const Bitmap& image, float x, float y) { DrawImage(image, PointF(x, y)); }
  void DrawImage(const Bitmap& image, const RectF& dest) { DoDrawImage(image, dest); }
  // The part src of the image (in image pixels) into dest.
  void DrawImage(const Bitmap& image, const RectF& dest, const RectF& src) { DoDrawImage(image, dest, src); }

  // A kept layer image at a point, at its own pixel size, with the runs found in it: the picture
  // of DrawImage, composed faster where the back end can use the runs. With a part: only the
  // layer's pixels in that rectangle (layer pixels).
  void DrawLayer(const Bitmap& image, const LayerRuns& runs, PointF at) { DoDrawLayer(image, runs, at, nullptr); }
  void DrawLayer(const Bitmap& image, const LayerRuns& runs, PointF at, const RectF& part) {
    DoDrawLayer(image, runs, at, &part);
  }

  // Fills the clip with the colour, replacing what is there (transform ignored).
  void Clear(TAlphaColor color) { DoClear(color); }
  void Flush() { DoFlush(); }

  // A graphics on the bitmap for a layer of the frame this graphics draws (a cached face drawn
  // once and composed with DrawImage each frame): the same back end and settings, so a recording
  // records the layer's calls too. The bitmap must outlive the returned graphics, and this
  // graphics must too.
  std::unique_ptr<Graphics> CreateLayer(Bitmap& bitmap) { return DoCreateLayer(bitmap); }

 protected:
  // The back end's hooks, one per public call (default arguments are applied by the public call).
  virtual GraphicsState DoSave() = 0;
  virtual void DoRestore(GraphicsState state) = 0;
  virtual void DoSetTransform(const Matrix& m) = 0;
  virtual Matrix DoGetTransform() const = 0;
  virtual void DoResetTransform() = 0;
  virtual void DoMultiplyTransform(const Matrix& m, MatrixOrder order) = 0;
  virtual void DoTranslateTransform(float dx, float dy, MatrixOrder order) = 0;
  virtual void DoScaleTransform(float sx, float sy, MatrixOrder order) = 0;
  virtual void DoRotateTransform(float angle, MatrixOrder order) = 0;
  virtual void DoSetSmoothingMode(SmoothingMode m) = 0;
  virtual SmoothingMode DoGetSmoothingMode() const = 0;
  virtual void DoSetTextRenderingHint(TextRenderingHint h) = 0;
  virtual TextRenderingHint DoGetTextRenderingHint() const = 0;
  virtual void DoSetCompositingMode(CompositingMode m) = 0;
  virtual CompositingMode DoGetCompositingMode() const = 0;
  virtual void DoSetCompositingQuality(CompositingQuality q) = 0;
  virtual CompositingQuality DoGetCompositingQuality() const = 0;
  virtual void DoSetInterpolationMode(InterpolationMode m) = 0;
  virtual InterpolationMode DoGetInterpolationMode() const = 0;
  virtual void DoSetClip(const RectF& rect, CombineMode mode) = 0;
  virtual void DoSetClip(const GraphicsPath& path, CombineMode mode) = 0;
  virtual void DoSetClip(const Region& region, CombineMode mode) = 0;
  virtual void DoResetClip() = 0;
  virtual RectF DoGetClipBounds() const = 0;
  virtual void DoFillRectangle(const Brush& brush, const RectF& rect) = 0;
  virtual void DoFillEllipse(const Brush& brush, const RectF& rect) = 0;
  virtual void DoFillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode) = 0;
  virtual void DoFillPolygons(const PolygonFill* fills, int count) {  // a fill without a brush is none
    for (int i = 0; fills && i < count; ++i)
      if (fills[i].Fill) DoFillPolygon(*fills[i].Fill, fills[i].Points, fills[i].Count, FillModeAlternate);
  }
  virtual void DoFillPath(const Brush& brush, const GraphicsPath& path) = 0;
  virtual void DoFillPie(const Brush& brush, const RectF& rect, float startAngle, float sweepAngle) = 0;
  virtual void DoFillRoundRectangle(const Brush& brush, const RectF& rect, SizeF corner) = 0;
  virtual void DoFillRegion(const Brush& brush, const Region& region) = 0;
  virtual void DoDrawLine(const Pen& pen, PointF a, PointF b) = 0;
  virtual void DoDrawLines(const Pen& pen, const PointF* pts, int count) = 0;
  virtual void DoDrawRectangle(const Pen& pen, const RectF& rect) = 0;
  virtual void DoDrawEllipse(const Pen& pen, const RectF& rect) = 0;
  virtual void DoDrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) = 0;
  virtual void DoDrawPie(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) = 0;
  virtual void DoDrawBezier(const Pen& pen, PointF p1, PointF p2, PointF p3, PointF p4) = 0;
  virtual void DoDrawPath(const Pen& pen, const GraphicsPath& path) = 0;
  virtual void DoDrawPolygon(const Pen& pen, const PointF* pts, int count) = 0;
  virtual void DoDrawRoundRectangle(const Pen& pen, const RectF& rect, SizeF corner) = 0;
  virtual void DoDrawString(const std::string& text, const Font& font, PointF origin, const StringFormat* format,
                            const Brush& brush) = 0;
  virtual void DoDrawString(const std::string& text, const Font& font, const RectF& layout, const StringFormat* format,
                            const Brush& brush) = 0;
  virtual RectF DoMeasureString(const std::string& text, const Font& font, PointF origin,
                                const StringFormat* format) const = 0;
  virtual RectF DoMeasureString(const std::string& text, const Font& font, const RectF& layout,
                                const StringFormat* format) const = 0;
  virtual void DoDrawImage(const Bitmap& image, PointF at) = 0;
  virtual void DoDrawImage(const Bitmap& image, const RectF& dest) = 0;
  virtual void DoDrawImage(const Bitmap& image, const RectF& dest, const RectF& src) = 0;
  virtual void DoDrawLayer(const Bitmap& image, const LayerRuns&, PointF at, const RectF* part) {
    if (!part) return DoDrawImage(image, at);
    if (!part->IsFinite()) return;
    // Only the layer's own pixels: DrawImage of a part past its edge would repeat the edge there.
    const RectF p = RectF::Intersect(*part, RectF(0, 0, float(image.Width()), float(image.Height())));
    if (p.Width > 0 && p.Height > 0) DoDrawImage(image, RectF(at.X + p.X, at.Y + p.Y, p.Width, p.Height), p);
  }
  virtual void DoClear(TAlphaColor color) = 0;
  virtual void DoFlush() = 0;
  virtual std::unique_ptr<Graphics> DoCreateLayer(Bitmap& bitmap) = 0;
};

}  // namespace dw::gp
