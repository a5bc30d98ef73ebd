// RecordingGraphics: a Graphics that records every call as a plain struct (operation, arguments,
// geometry in device coordinates after the current transform, brush and pen, clip bounds), and
// optionally forwards each call to another Graphics at the same time. Tests use it to check exact
// geometry, colours and drawing order. Layers opened with CreateLayer record into the same record,
// each call marked with its layer, so a recording holds a whole frame and can be replayed.
#pragma once

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

  // The calls of the whole recording (a layer's graphics gives its parent's).
  const std::vector<DrawCall>& Calls() const { return Root().calls_; }
  void ClearCalls() { Root().calls_.clear(); }
  // The calls made on this graphics (not on its layers) with the given operation name, in order.
  std::vector<const DrawCall*> Find(std::string_view op) const;
  // Only calls made on this graphics that draw (Fill*, Draw*, Clear), in order.
  std::vector<const DrawCall*> Drawing() const;

  GraphicsState Save() override;
  void Restore(GraphicsState state) override;
  void SetTransform(const Matrix& m) override;
  Matrix GetTransform() const override { return st_.transform; }
  void ResetTransform() override;
  void MultiplyTransform(const Matrix& m, MatrixOrder order = MatrixOrderPrepend) override;
  void TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrderPrepend) override;
  void ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrderPrepend) override;
  void RotateTransform(float angle, MatrixOrder order = MatrixOrderPrepend) override;

  void SetSmoothingMode(SmoothingMode m) override;
  SmoothingMode GetSmoothingMode() const override { return st_.smoothing; }
  void SetTextRenderingHint(TextRenderingHint h) override;
  TextRenderingHint GetTextRenderingHint() const override { return st_.textHint; }
  void SetCompositingMode(CompositingMode m) override;
  CompositingMode GetCompositingMode() const override { return st_.compositing; }
  void SetCompositingQuality(CompositingQuality q) override;
  CompositingQuality GetCompositingQuality() const override { return st_.quality; }
  void SetInterpolationMode(InterpolationMode m) override;
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
  // A recording graphics for the layer whose calls go into this recording's record, marked with
  // the layer; with a forward graphics it also draws into the bitmap (through the forward
  // graphics' own layer), so that drawing the layer later shows what was recorded.
  std::unique_ptr<Graphics> CreateLayer(Bitmap& bitmap) override;

  // Draws the recorded calls again on the target: each layer into a bitmap of its own made for the
  // replay, which the calls that drew the layer's bitmap draw instead.
  void ReplayOnto(Graphics& target) const;

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
  // Root only: layers opened so far, and which bitmap each draws into (latest last).
  int layers_ = 0;
  std::vector<std::pair<const Bitmap*, int>> layerBitmaps_;
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
