// CairoGraphics: Graphics drawing with Cairo (shapes, gradients, images) and Pango (text) on a
// Bitmap or on any Cairo surface a host hands in (a window buffer, a PDF surface...).
//
// State lives here, not in the cairo_t: transform, modes and the clip (kept in device space) are
// applied to the context before each call. Cairo's sticky error status is checked in one place
// after every call; a context that went into error is replaced by a fresh one with the same
// state, so one bad call never silences the ones after it.
#pragma once

#include <cairo.h>

#include <memory>
#include <optional>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"

namespace dw::gp {

class PixelPaths;

class DW_API CairoGraphics final : public Graphics {
 public:
  // Draws on the bitmap, which must outlive this object.
  explicit CairoGraphics(Bitmap& bitmap);
  // Draws on the surface (a reference is taken and released in the destructor).
  explicit CairoGraphics(cairo_surface_t* surface);
  ~CairoGraphics() override;
  CairoGraphics(const CairoGraphics&) = delete;
  CairoGraphics& operator=(const CairoGraphics&) = delete;

  // Graphics' convenience overloads (the overrides below would hide them).
  using Graphics::IntersectClip;
  using Graphics::ExcludeClip;
  using Graphics::SetClip;
  using Graphics::FillRectangle;
  using Graphics::FillEllipse;
  using Graphics::FillPolygon;
  using Graphics::FillRoundRectangle;
  using Graphics::DrawLine;
  using Graphics::DrawRectangle;
  using Graphics::DrawEllipse;
  using Graphics::DrawPolygon;
  using Graphics::DrawRoundRectangle;
  using Graphics::DrawString;
  using Graphics::MeasureString;
  using Graphics::DrawImage;

  GraphicsState Save() override;
  void Restore(GraphicsState state) override;
  void SetTransform(const Matrix& m) override { st_.transform = m; }
  Matrix GetTransform() const override { return st_.transform; }
  void ResetTransform() override { st_.transform.Reset(); }
  void MultiplyTransform(const Matrix& m, MatrixOrder order = MatrixOrderPrepend) override { st_.transform.Multiply(m, order); }
  void TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrderPrepend) override { st_.transform.Translate(dx, dy, order); }
  void ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrderPrepend) override { st_.transform.Scale(sx, sy, order); }
  void RotateTransform(float angle, MatrixOrder order = MatrixOrderPrepend) override { st_.transform.Rotate(angle, order); }

  void SetSmoothingMode(SmoothingMode m) override { st_.smoothing = m; }
  SmoothingMode GetSmoothingMode() const override { return st_.smoothing; }
  void SetTextRenderingHint(TextRenderingHint h) override { st_.textHint = h; }
  TextRenderingHint GetTextRenderingHint() const override { return st_.textHint; }
  void SetCompositingMode(CompositingMode m) override { st_.compositing = m; }
  CompositingMode GetCompositingMode() const override { return st_.compositing; }
  void SetCompositingQuality(CompositingQuality q) override { st_.quality = q; }
  CompositingQuality GetCompositingQuality() const override { return st_.quality; }
  void SetInterpolationMode(InterpolationMode m) override { st_.interpolation = m; }
  InterpolationMode GetInterpolationMode() const override { return st_.interpolation; }

  void SetClip(const RectF& rect, CombineMode mode = CombineModeReplace) override;
  void SetClip(const GraphicsPath& path, CombineMode mode = CombineModeReplace) override;
  void SetClip(const Region& region, CombineMode mode = CombineModeReplace) override;
  void ResetClip() override;
  RectF GetClipBounds() const override;

  void FillRectangle(const Brush& brush, const RectF& rect) override;
  void FillEllipse(const Brush& brush, const RectF& rect) override;
  void FillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode = FillModeAlternate) override;
  void FillPath(const Brush& brush, const GraphicsPath& path) override;
  void FillPie(const Brush& brush, const RectF& rect, float startAngle, float sweepAngle) override;
  void FillRoundRectangle(const Brush& brush, const RectF& rect, SizeF corner) override;
  void FillRegion(const Brush& brush, const Region& region) override;

  void DrawLine(const Pen& pen, PointF a, PointF b) override;
  void DrawLines(const Pen& pen, const PointF* pts, int count) override;
  void DrawRectangle(const Pen& pen, const RectF& rect) override;
  void DrawEllipse(const Pen& pen, const RectF& rect) override;
  void DrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) override;
  void DrawPie(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) override;
  void DrawBezier(const Pen& pen, PointF p1, PointF p2, PointF p3, PointF p4) override;
  void DrawPath(const Pen& pen, const GraphicsPath& path) override;
  void DrawPolygon(const Pen& pen, const PointF* pts, int count) override;
  void DrawRoundRectangle(const Pen& pen, const RectF& rect, SizeF corner) override;

  void DrawString(const std::string& text, const Font& font, PointF origin, const StringFormat* format,
                  const Brush& brush) override;
  void DrawString(const std::string& text, const Font& font, const RectF& layout, const StringFormat* format,
                  const Brush& brush) override;
  RectF MeasureString(const std::string& text, const Font& font, PointF origin = {},
                      const StringFormat* format = nullptr) const override;
  RectF MeasureString(const std::string& text, const Font& font, const RectF& layout,
                      const StringFormat* format = nullptr) const override;

  void DrawImage(const Bitmap& image, PointF at) override;
  void DrawImage(const Bitmap& image, const RectF& dest) override;
  void DrawImage(const Bitmap& image, const RectF& dest, const RectF& src) override;

  void Clear(TAlphaColor color) override;
  void Flush() override;
  // A CairoGraphics on the bitmap with this one's pixel paths setting.
  std::unique_ptr<Graphics> CreateLayer(Bitmap& bitmap) override;

  // The surface drawn on, and how many times a Cairo error made the context be replaced.
  cairo_surface_t* Surface() const { return surface_; }
  // The raw context, for adapters that must call Cairo directly. Transform, clip and modes are
  // set again before every call here; a context left in error is replaced on the next call.
  cairo_t* Context() const { return cr_; }
  int ErrorRecoveries() const { return recoveries_; }

  // Whether fills our own pixel code can paint (computed coverage, shaded gradients; see
  // PixelPaths) are painted by it; off, Cairo draws everything. New graphics start as
  // DW_PIXEL_PATHS says (read once; "0" turns them off), else on.
  void SetPixelPaths(bool on);
  bool PixelPathsOn() const { return pixels_ != nullptr; }
  static bool PixelPathsByDefault();

  // Builds the Cairo pattern for a brush (nullptr when the brush paints nothing). Exposed for
  // benchmarks and adapters; the caller owns the pattern.
  // With a target, a path gradient's mesh is limited to the target's clip (the fill about to be
  // made there with the target's current matrix).
  static cairo_pattern_t* CreatePattern(const Brush& brush, cairo_t* target = nullptr);

 private:
  friend class PixelPaths;
  struct State {
    Matrix transform;
    SmoothingMode smoothing = SmoothingModeDefault;
    TextRenderingHint textHint = TextRenderingHintSystemDefault;
    CompositingMode compositing = CompositingModeSourceOver;
    CompositingQuality quality = CompositingQualityDefault;
    InterpolationMode interpolation = InterpolationModeDefault;
    std::shared_ptr<const Region> clip;  // device space; nullptr: no clip
  };
  struct Saved {
    GraphicsState token;
    State state;
  };

  // Applies the state to the context; false when nothing can be drawn (context in error that
  // could not be replaced, singular transform).
  bool Begin();
  // Checks Cairo's status, once per call, and replaces a context that went into error.
  void End();
  void Recover();
  void CombineClip(Region deviceRegion, CombineMode mode);
  // Fill or stroke the current Cairo path with the brush or pen, honouring a mask clip.
  void FillCurrent(const Brush& brush, FillMode mode);
  void StrokeCurrent(const Pen& pen);
  void FillShape(const Brush& brush, const GraphicsPath& path);
  void StrokeShape(const Pen& pen, const GraphicsPath& path);
  void PaintThroughMask();
  void DrawText(const std::string& text, const Font& font, const RectF* layout, PointF origin,
                const StringFormat* format, const Brush& brush);
  RectF Measure(const std::string& text, const Font& font, const RectF* layout, PointF origin,
                const StringFormat* format) const;
  bool TextAntialias() const;

  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  State st_;
  std::vector<Saved> saved_;
  GraphicsState nextToken_ = 1;
  int recoveries_ = 0;
  RectF device_;                               // the surface's extent in device pixels
  std::shared_ptr<const Region> appliedClip_;  // the clip currently set on cr_
  bool clipApplied_ = false;
  cairo_surface_t* mask_ = nullptr;            // A8 mask for clips Cairo cannot express, or nullptr
  // The last path clip combined and what it made: the same path set again under the same
  // transform onto the same clip (a face clip each frame) takes the kept result, so its masks are
  // kept too and nothing is allocated.
  struct KeptClip {
    std::shared_ptr<const Region> Before, Result;
    GraphicsPath Path;
    Matrix Transform;
    CombineMode Mode = CombineModeReplace;
  } keptClip_;
  std::unique_ptr<PixelPaths> pixels_;        // nullptr: Cairo draws everything
};

}  // namespace dw::gp
