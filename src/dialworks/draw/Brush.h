// Brushes and pens. Brushes are polymorphic (Clone() copies one); CairoGraphics turns them into
// Cairo patterns, RecordingGraphics into descriptions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Matrix.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/Types.h"

namespace dw::gp {

enum BrushType : int {
  BrushTypeSolidColor = 0,
  BrushTypeHatchFill = 1,
  BrushTypeTextureFill = 2,
  BrushTypePathGradient = 3,
  BrushTypeLinearGradient = 4,
};

// A colour at a position 0..1 along a gradient.
struct DW_API GradientStop {
  float Position = 0;
  TAlphaColor Color = 0;
  bool operator==(const GradientStop&) const = default;
};

class DW_API Brush {
 public:
  virtual ~Brush() = default;
  virtual std::unique_ptr<Brush> Clone() const = 0;
  virtual BrushType GetType() const = 0;
  // A short text for logs and recorded calls, e.g. "Solid(0xFFFF0000)".
  virtual std::string Describe() const = 0;
  // The colour a recording reports: the solid colour, or the first colour of a gradient.
  virtual TAlphaColor MainColor() const = 0;
};

class DW_API SolidBrush final : public Brush {
 public:
  explicit SolidBrush(TAlphaColor color) : color_(color) {}
  std::unique_ptr<Brush> Clone() const override { return std::make_unique<SolidBrush>(*this); }
  BrushType GetType() const override { return BrushTypeSolidColor; }
  std::string Describe() const override;
  TAlphaColor MainColor() const override { return color_; }
  TAlphaColor GetColor() const { return color_; }
  void SetColor(TAlphaColor c) { color_ = c; }

 private:
  TAlphaColor color_;
};

// Shared by the gradient brushes: blend factors (0 = first/outer colour, 1 = second/inner colour)
// at positions, or interpolation colours at positions. Setting one clears the other. Positions are
// sorted and limited to 0..1; entries with NaN are dropped.
class DW_API GradientBlend {
 public:
  void SetBlend(const float* factors, const float* positions, int count);
  void SetInterpolationColors(const TAlphaColor* colors, const float* positions, int count);
  // Triangular and bell falloffs: factor `scale` at position `focus`, 0 at both ends.
  void SetTriangularShape(float focus, float scale);
  void SetBellShape(float focus, float scale);
  int GetBlendCount() const { return int(factors_.size()); }
  int GetInterpolationColorCount() const { return int(colors_.size()); }
  const std::vector<GradientStop>& InterpolationColors() const { return colors_; }
  // Stops from position 0 (colour a) to 1 (colour b).
  std::vector<GradientStop> Stops(TAlphaColor a, TAlphaColor b) const;
  // The colour at one position of those stops, without building them.
  TAlphaColor ColorAt(float position, TAlphaColor a, TAlphaColor b) const;
  bool operator==(const GradientBlend&) const = default;

 private:
  struct Factor {
    float Position, Value;
    bool operator==(const Factor&) const = default;
  };
  std::vector<Factor> factors_;
  std::vector<GradientStop> colors_;
};

class DW_API LinearGradientBrush final : public Brush {
 public:
  LinearGradientBrush(const RectF& rect, TAlphaColor color1, TAlphaColor color2, LinearGradientMode mode);
  LinearGradientBrush(PointF point1, PointF point2, TAlphaColor color1, TAlphaColor color2);
  // angle in degrees clockwise; with isAngleScalable the angle is applied to the unit square and
  // stretched with the rectangle.
  LinearGradientBrush(const RectF& rect, TAlphaColor color1, TAlphaColor color2, float angle,
                      bool isAngleScalable = false);
  std::unique_ptr<Brush> Clone() const override { return std::make_unique<LinearGradientBrush>(*this); }
  BrushType GetType() const override { return BrushTypeLinearGradient; }
  std::string Describe() const override;
  TAlphaColor MainColor() const override { return color1_; }

  void SetLinearColors(TAlphaColor c1, TAlphaColor c2) { color1_ = c1; color2_ = c2; }
  TAlphaColor GetColor1() const { return color1_; }
  TAlphaColor GetColor2() const { return color2_; }
  RectF GetRectangle() const { return rect_; }
  void SetBlend(const float* factors, const float* positions, int count) { blend_.SetBlend(factors, positions, count); }
  void SetInterpolationColors(const TAlphaColor* colors, const float* positions, int count) {
    blend_.SetInterpolationColors(colors, positions, count);
  }
  void SetBlendTriangularShape(float focus, float scale = 1.0f) { blend_.SetTriangularShape(focus, scale); }
  void SetBlendBellShape(float focus, float scale = 1.0f) { blend_.SetBellShape(focus, scale); }
  const GradientBlend& Blend() const { return blend_; }
  // Clamp (the default here) extends the end colours; Tile repeats; the flip modes mirror.
  void SetWrapMode(WrapMode m) { wrap_ = m; }
  WrapMode GetWrapMode() const { return wrap_; }
  void SetGammaCorrection(bool on) { gamma_ = on; }
  bool GetGammaCorrection() const { return gamma_; }

  void SetTransform(const Matrix& m) { transform_ = m; }
  Matrix GetTransform() const { return transform_; }
  void ResetTransform() { transform_.Reset(); }
  void MultiplyTransform(const Matrix& m, MatrixOrder order = MatrixOrderPrepend) { transform_.Multiply(m, order); }
  void TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrderPrepend) { transform_.Translate(dx, dy, order); }
  void ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrderPrepend) { transform_.Scale(sx, sy, order); }
  void RotateTransform(float angle, MatrixOrder order = MatrixOrderPrepend) { transform_.Rotate(angle, order); }

  // The gradient in brush space: colour position 0 on the line through Start() perpendicular to
  // the direction, 1 through End(); positions follow the (possibly sheared) Geometry() matrix
  // which maps the unit gradient (0,0)->(1,0) to brush space.
  Matrix Geometry() const { return geometry_; }
  std::vector<GradientStop> Stops() const { return blend_.Stops(color1_, color2_); }

 private:
  RectF rect_;
  TAlphaColor color1_, color2_;
  Matrix geometry_;
  Matrix transform_;
  GradientBlend blend_;
  WrapMode wrap_ = WrapModeClamp;
  bool gamma_ = false;
};

// Colours from the surround colours on the path's boundary (position 0) to the centre colour at
// the centre point (position 1). With WrapModeClamp (the default here) nothing is painted outside
// the path; Tile repeats the gradient's bounding rectangle, the flip modes mirror it.
class DW_API PathGradientBrush final : public Brush {
 public:
  explicit PathGradientBrush(const GraphicsPath& path);
  PathGradientBrush(const PointF* points, int count, WrapMode wrapMode = WrapModeClamp);
  explicit PathGradientBrush(const std::vector<PointF>& points, WrapMode wrapMode = WrapModeClamp)
      : PathGradientBrush(points.data(), int(points.size()), wrapMode) {}
  std::unique_ptr<Brush> Clone() const override { return std::make_unique<PathGradientBrush>(*this); }
  BrushType GetType() const override { return BrushTypePathGradient; }
  std::string Describe() const override;
  TAlphaColor MainColor() const override { return center_; }

  void SetCenterColor(TAlphaColor c) { center_ = c; }
  TAlphaColor GetCenterColor() const { return center_; }
  // One colour per boundary point of the path; fewer colours repeat the last one.
  void SetSurroundColors(const TAlphaColor* colors, int count);
  void SetSurroundColors(const std::vector<TAlphaColor>& c) { SetSurroundColors(c.data(), int(c.size())); }
  const std::vector<TAlphaColor>& GetSurroundColors() const { return surround_; }
  int GetSurroundColorCount() const { return int(surround_.size()); }
  void SetCenterPoint(PointF p);
  PointF GetCenterPoint() const { return centerPoint_; }
  // Factors are the share of the centre colour, positions run from the boundary (0) to the centre (1).
  void SetBlend(const float* factors, const float* positions, int count) { blend_.SetBlend(factors, positions, count); }
  void SetBlendArrays(const float* factors, const float* positions, int count) { SetBlend(factors, positions, count); }
  void SetInterpolationColors(const TAlphaColor* colors, const float* positions, int count) {
    blend_.SetInterpolationColors(colors, positions, count);
  }
  void SetBlendTriangularShape(float focus, float scale = 1.0f) { blend_.SetTriangularShape(focus, scale); }
  void SetBlendBellShape(float focus, float scale = 1.0f) { blend_.SetBellShape(focus, scale); }
  const GradientBlend& Blend() const { return blend_; }
  void SetWrapMode(WrapMode m) { wrap_ = m; }
  WrapMode GetWrapMode() const { return wrap_; }
  RectF GetRectangle() const { return path_.GetBounds(); }
  const GraphicsPath& Path() const { return path_; }

  void SetTransform(const Matrix& m) { transform_ = m; }
  Matrix GetTransform() const { return transform_; }
  void ResetTransform() { transform_.Reset(); }
  void TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrderPrepend) { transform_.Translate(dx, dy, order); }
  void ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrderPrepend) { transform_.Scale(sx, sy, order); }
  void RotateTransform(float angle, MatrixOrder order = MatrixOrderPrepend) { transform_.Rotate(angle, order); }

  // Stops from the boundary (0) to the centre (1) for a boundary point with the given surround colour.
  std::vector<GradientStop> Stops(TAlphaColor surround) const { return blend_.Stops(surround, center_); }
  // The surround colour of boundary point i of the path.
  TAlphaColor SurroundColorAt(int i) const;

 private:
  GraphicsPath path_;
  TAlphaColor center_ = 0xFF000000;
  std::vector<TAlphaColor> surround_{0xFFFFFFFF};
  PointF centerPoint_;
  Matrix transform_;
  GradientBlend blend_;
  WrapMode wrap_ = WrapModeClamp;
};

class DW_API TextureBrush final : public Brush {
 public:
  explicit TextureBrush(const Bitmap& image, WrapMode wrapMode = WrapModeTile);
  std::unique_ptr<Brush> Clone() const override { return std::make_unique<TextureBrush>(*this); }
  BrushType GetType() const override { return BrushTypeTextureFill; }
  std::string Describe() const override;
  TAlphaColor MainColor() const override { return image_->GetPixel(0, 0); }

  const Bitmap& GetImage() const { return *image_; }
  void SetWrapMode(WrapMode m) { wrap_ = m; }
  WrapMode GetWrapMode() const { return wrap_; }
  void SetTransform(const Matrix& m) { transform_ = m; }
  Matrix GetTransform() const { return transform_; }
  void ResetTransform() { transform_.Reset(); }
  void TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrderPrepend) { transform_.Translate(dx, dy, order); }
  void ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrderPrepend) { transform_.Scale(sx, sy, order); }
  void RotateTransform(float angle, MatrixOrder order = MatrixOrderPrepend) { transform_.Rotate(angle, order); }

 private:
  std::shared_ptr<const Bitmap> image_;  // immutable copy shared by clones
  WrapMode wrap_;
  Matrix transform_;
};

class DW_API Pen {
 public:
  explicit Pen(TAlphaColor color, float width = 1.0f);
  explicit Pen(const Brush& brush, float width = 1.0f);
  Pen(const Pen& other);
  Pen& operator=(const Pen& other);
  Pen(Pen&&) noexcept = default;
  Pen& operator=(Pen&&) noexcept = default;
  std::unique_ptr<Pen> Clone() const { return std::make_unique<Pen>(*this); }

  // A pen always has a brush; SetColor replaces it with a solid one.
  void SetColor(TAlphaColor c);
  TAlphaColor GetColor() const { return brush_->MainColor(); }
  void SetBrush(const Brush& b) { brush_ = b.Clone(); }
  const Brush& GetBrush() const { return *brush_; }
  // Widths that are not positive and finite draw hairlines of one device pixel.
  void SetWidth(float w) { width_ = w; }
  float GetWidth() const { return width_; }

  void SetDashStyle(DashStyle s) { dash_ = s; }
  DashStyle GetDashStyle() const { return dash_; }
  // Dash and gap lengths in multiples of the pen width.
  void SetDashPattern(const float* pattern, int count);
  const std::vector<float>& GetDashPattern() const { return dashPattern_; }
  void SetDashOffset(float o) { dashOffset_ = o; }
  float GetDashOffset() const { return dashOffset_; }
  void SetStartCap(LineCap c) { startCap_ = c; }
  void SetEndCap(LineCap c) { endCap_ = c; }
  void SetLineCap(LineCap start, LineCap end, LineCap /*dash*/) { startCap_ = start; endCap_ = end; }
  LineCap GetStartCap() const { return startCap_; }
  LineCap GetEndCap() const { return endCap_; }
  void SetLineJoin(LineJoin j) { join_ = j; }
  LineJoin GetLineJoin() const { return join_; }
  void SetMiterLimit(float m) { miter_ = m; }
  float GetMiterLimit() const { return miter_; }

  std::string Describe() const;

 private:
  std::unique_ptr<Brush> brush_;
  float width_;
  DashStyle dash_ = DashStyleSolid;
  std::vector<float> dashPattern_;
  float dashOffset_ = 0;
  LineCap startCap_ = LineCapFlat, endCap_ = LineCapFlat;
  LineJoin join_ = LineJoinMiter;
  float miter_ = 10.0f;
};

}  // namespace dw::gp
