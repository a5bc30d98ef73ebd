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

  // The surface drawn on, and how many times a Cairo error made the context be replaced.
  cairo_surface_t* Surface() const { return surface_; }
  // The raw context, for adapters that must call Cairo directly. Transform, clip and modes are
  // set again before every call here; a context left in error is replaced on the next call.
  cairo_t* Context() const {
    clipApplied_ = false;  // whatever the adapter clips to ends with its own drawing
    return cr_;
  }
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

 protected:
  // Graphics' hooks.
  GraphicsState DoSave() override;
  void DoRestore(GraphicsState state) override;
  void DoSetTransform(const Matrix& m) override { st_.transform = m; }
  Matrix DoGetTransform() const override { return st_.transform; }
  void DoResetTransform() override { st_.transform.Reset(); }
  void DoMultiplyTransform(const Matrix& m, MatrixOrder order) override { st_.transform.Multiply(m, order); }
  void DoTranslateTransform(float dx, float dy, MatrixOrder order) override { st_.transform.Translate(dx, dy, order); }
  void DoScaleTransform(float sx, float sy, MatrixOrder order) override { st_.transform.Scale(sx, sy, order); }
  void DoRotateTransform(float angle, MatrixOrder order) override { st_.transform.Rotate(angle, order); }
  void DoSetSmoothingMode(SmoothingMode m) override { st_.smoothing = m; }
  SmoothingMode DoGetSmoothingMode() const override { return st_.smoothing; }
  void DoSetTextRenderingHint(TextRenderingHint h) override { st_.textHint = h; }
  TextRenderingHint DoGetTextRenderingHint() const override { return st_.textHint; }
  void DoSetCompositingMode(CompositingMode m) override { st_.compositing = m; }
  CompositingMode DoGetCompositingMode() const override { return st_.compositing; }
  void DoSetCompositingQuality(CompositingQuality q) override { st_.quality = q; }
  CompositingQuality DoGetCompositingQuality() const override { return st_.quality; }
  void DoSetInterpolationMode(InterpolationMode m) override { st_.interpolation = m; }
  InterpolationMode DoGetInterpolationMode() const override { return st_.interpolation; }
  void DoSetClip(const RectF& rect, CombineMode mode) override;
  void DoSetClip(const GraphicsPath& path, CombineMode mode) override;
  void DoSetClip(const Region& region, CombineMode mode) override;
  void DoResetClip() override;
  RectF DoGetClipBounds() const override;
  void DoFillRectangle(const Brush& brush, const RectF& rect) override;
  void DoFillEllipse(const Brush& brush, const RectF& rect) override;
  void DoFillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode) override;
  void DoFillPolygons(const PolygonFill* fills, int count) override;
  void DoFillPath(const Brush& brush, const GraphicsPath& path) override;
  void DoFillPie(const Brush& brush, const RectF& rect, float startAngle, float sweepAngle) override;
  void DoFillRoundRectangle(const Brush& brush, const RectF& rect, SizeF corner) override;
  void DoFillRegion(const Brush& brush, const Region& region) override;
  void DoDrawLine(const Pen& pen, PointF a, PointF b) override;
  void DoDrawLines(const Pen& pen, const PointF* pts, int count) override;
  void DoDrawRectangle(const Pen& pen, const RectF& rect) override;
  void DoDrawEllipse(const Pen& pen, const RectF& rect) override;
  void DoDrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) override;
  void DoDrawPie(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) override;
  void DoDrawBezier(const Pen& pen, PointF p1, PointF p2, PointF p3, PointF p4) override;
  void DoDrawPath(const Pen& pen, const GraphicsPath& path) override;
  void DoDrawPolygon(const Pen& pen, const PointF* pts, int count) override;
  void DoDrawRoundRectangle(const Pen& pen, const RectF& rect, SizeF corner) override;
  void DoDrawString(const std::string& text, const Font& font, PointF origin, const StringFormat* format,
                    const Brush& brush) override;
  void DoDrawString(const std::string& text, const Font& font, const RectF& layout, const StringFormat* format,
                    const Brush& brush) override;
  RectF DoMeasureString(const std::string& text, const Font& font, PointF origin,
                        const StringFormat* format) const override;
  RectF DoMeasureString(const std::string& text, const Font& font, const RectF& layout,
                        const StringFormat* format) const override;
  void DoDrawImage(const Bitmap& image, PointF at) override;
  void DoDrawImage(const Bitmap& image, const RectF& dest) override;
  void DoDrawImage(const Bitmap& image, const RectF& dest, const RectF& src) override;
  void DoDrawLayer(const Bitmap& image, const LayerRuns& runs, PointF at, const RectF* part) override;
  void DoClear(TAlphaColor color) override;
  void DoFlush() override;
  // A CairoGraphics on the bitmap with this one's pixel paths setting.
  std::unique_ptr<Graphics> DoCreateLayer(Bitmap& bitmap) override;

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
  mutable bool clipApplied_ = false;
  cairo_surface_t* mask_ = nullptr;            // A8 mask for clips Cairo cannot express, or nullptr
  // The last path or rectangle clips combined and what they made: the same shape set again under
  // the same transform onto the same clip (a face clip, a bar area, each frame) takes the kept
  // result, so its masks are kept too and nothing is allocated.
  struct KeptClip {
    std::shared_ptr<const Region> Before, Result;
    bool IsRect = false;
    RectF Rect;
    GraphicsPath Path;  // of a path clip
    Matrix Transform;
    CombineMode Mode = CombineModeReplace;
  };
  KeptClip* FindKeptClip(const RectF* rect, const GraphicsPath* path, CombineMode mode);
  KeptClip& NextKeptClip(CombineMode mode);
  // Two, so that a frame setting two clips (a face, and a face less a rail) keeps both.
  KeptClip keptClips_[2];
  int keptNext_ = 0;  // the entry a new clip replaces (the one used less recently)
  std::unique_ptr<PixelPaths> pixels_;        // nullptr: Cairo draws everything
};

}  // namespace dw::gp
