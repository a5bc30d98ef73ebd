// RecordingGraphics: a Graphics that records every call as a plain struct (operation, arguments,
// geometry in device coordinates after the current transform, brush and pen, clip bounds), and
// optionally forwards each call to another Graphics at the same time. Tests use it to check exact
// geometry, colours and drawing order. Layers opened with CreateLayer record into the same record,
// each call marked with its layer, so a recording holds a whole frame and can be replayed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"

namespace dw::gp {

class ReplayContext;

struct DW_API DrawCall {
  std::string Op;               // the method name: "FillRectangle", "RotateTransform", "Save", ...
  std::vector<float> Args;      // numeric arguments as passed (world units, degrees, flags)
  std::vector<PointF> Points;   // the geometry in device coordinates (see RecordingGraphics)
  std::string Brush;            // Brush::Describe() of the brush, empty when none
  std::string Pen;              // Pen::Describe() of the pen, empty when none
  TAlphaColor Color = 0;        // brush or pen main colour, Clear's colour
  float PenWidth = 0;           // world units
  std::string Text;             // DrawString / MeasureString text, font description
  Matrix Transform;             // the world-to-device transform at the time of the call
  RectF Clip;                   // clip bounds in device coordinates at the time of the call
  SmoothingMode Smoothing = SmoothingModeDefault;
  int Layer = 0;                // 0: the recording's own surface; n: the n-th layer opened
  // Makes the call again on another graphics, with copies of its arguments (empty for calls that
  // draw nothing, like MeasureString).
  std::function<void(Graphics&, ReplayContext&)> Replay;
};

class DW_API RecordingGraphics final : public Graphics {
 public:
  // forward (not owned, may be nullptr) receives every call too. Without one, the clip bounds start
  // as the given surface size and MeasureString estimates with Pango on a scratch surface.
  explicit RecordingGraphics(Graphics* forward = nullptr, SizeF surface = {4096, 4096});

  // The calls of the whole recording (a layer's graphics gives its parent's).
  const std::vector<DrawCall>& Calls() const { return Root().calls_; }
  // The layers go too: a layer bitmap drawn after it is an image like any other.
  void ClearCalls() {
    Root().calls_.clear();
    Root().layerBitmaps_.clear();
  }
  // The calls made on this graphics (not on its layers) with the given operation name, in order.
  std::vector<const DrawCall*> Find(std::string_view op) const;
  // Only calls made on this graphics that draw (Fill*, Draw*, Clear), in order.
  std::vector<const DrawCall*> Drawing() const;

  // Draws the recorded calls again on the target: each layer into a bitmap of its own made for the
  // replay, which the calls that drew the layer's bitmap draw instead.
  void ReplayOnto(Graphics& target) const;

 protected:
  // Graphics' hooks.
  GraphicsState DoSave() override;
  void DoRestore(GraphicsState state) override;
  void DoSetTransform(const Matrix& m) override;
  Matrix DoGetTransform() const override { return st_.transform; }
  void DoResetTransform() override;
  void DoMultiplyTransform(const Matrix& m, MatrixOrder order) override;
  void DoTranslateTransform(float dx, float dy, MatrixOrder order) override;
  void DoScaleTransform(float sx, float sy, MatrixOrder order) override;
  void DoRotateTransform(float angle, MatrixOrder order) override;
  void DoSetSmoothingMode(SmoothingMode m) override;
  SmoothingMode DoGetSmoothingMode() const override { return st_.smoothing; }
  void DoSetTextRenderingHint(TextRenderingHint h) override;
  TextRenderingHint DoGetTextRenderingHint() const override { return st_.textHint; }
  void DoSetCompositingMode(CompositingMode m) override;
  CompositingMode DoGetCompositingMode() const override { return st_.compositing; }
  void DoSetCompositingQuality(CompositingQuality q) override;
  CompositingQuality DoGetCompositingQuality() const override { return st_.quality; }
  void DoSetInterpolationMode(InterpolationMode m) override;
  InterpolationMode DoGetInterpolationMode() const override { return st_.interpolation; }
  void DoSetClip(const RectF& rect, CombineMode mode) override;
  void DoSetClip(const GraphicsPath& path, CombineMode mode) override;
  void DoSetClip(const Region& region, CombineMode mode) override;
  void DoResetClip() override;
  RectF DoGetClipBounds() const override;
  void DoFillRectangle(const Brush& brush, const RectF& rect) override;
  void DoFillEllipse(const Brush& brush, const RectF& rect) override;
  void DoFillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode) override;
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
  void DoClear(TAlphaColor color) override;
  void DoFlush() override;
  // A recording graphics for the layer whose calls go into this recording's record, marked with
  // the layer; with a forward graphics it also draws into the bitmap (through the forward
  // graphics' own layer), so that drawing the layer later shows what was recorded.
  std::unique_ptr<Graphics> DoCreateLayer(Bitmap& bitmap) override;

 private:
  // A layer of root's recording.
  RecordingGraphics(RecordingGraphics* root, int layer, std::unique_ptr<Graphics> forward, SizeF surface);
  struct State {
    Matrix transform;
    SmoothingMode smoothing = SmoothingModeDefault;
    TextRenderingHint textHint = TextRenderingHintSystemDefault;
    CompositingMode compositing = CompositingModeSourceOver;
    CompositingQuality quality = CompositingQualityDefault;
    InterpolationMode interpolation = InterpolationModeDefault;
    RectF clip;  // device bounds
  };
  DrawCall& Record(std::string op, std::vector<float> args = {}) const;
  // The layer whose bitmap this is (0: none of this recording's).
  int LayerOf(const Bitmap& image) const;
  template <class Draw>
  std::function<void(Graphics&, ReplayContext&)> ReplayImage(const Bitmap& image, Draw draw) const;
  DrawCall& RecordShape(std::string op, std::vector<float> args, std::vector<PointF> worldPoints) const;
  void ClipTo(const RectF& deviceBounds, CombineMode mode);
  RectF MeasureBox(const std::string& text, const Font& font, const RectF* layout, PointF origin,
                   const StringFormat* format) const;

  Graphics* forward_;
  std::unique_ptr<Graphics> ownedForward_;  // a layer's forward graphics
  RecordingGraphics* root_ = nullptr;       // whose record the calls go into (nullptr: this one's)
  RecordingGraphics& Root() { return root_ ? *root_ : *this; }
  const RecordingGraphics& Root() const { return root_ ? *root_ : *this; }
  int layer_ = 0;
  // Root only: layers opened so far, and which bitmap each draws into (latest last), by a mark
  // on the bitmap's surface (an address may be a freed bitmap's).
  int layers_ = 0;
  std::vector<std::pair<uintptr_t, int>> layerBitmaps_;
  SizeF surface_;
  State st_;
  struct Saved {
    GraphicsState token;
    State state;
  };
  std::vector<Saved> saved_;
  std::vector<std::pair<GraphicsState, GraphicsState>> forwardTokens_;  // our token -> forward's token
  GraphicsState nextToken_ = 1;
  mutable std::vector<DrawCall> calls_;  // MeasureString is const but recorded too
};

}  // namespace dw::gp
