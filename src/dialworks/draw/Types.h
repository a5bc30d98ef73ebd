// Value types, colour helpers and enumerations of the drawing surface. Coordinates are float
// pixels with y down; angles are degrees, clockwise on screen.
#pragma once

#include "dialworks/Export.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace dw {

// 0xAARRGGBB, not premultiplied.
using TAlphaColor = uint32_t;

constexpr uint8_t GetAlpha(TAlphaColor c) { return uint8_t(c >> 24); }
constexpr uint8_t GetRed(TAlphaColor c) { return uint8_t(c >> 16); }
constexpr uint8_t GetGreen(TAlphaColor c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBlue(TAlphaColor c) { return uint8_t(c); }

constexpr TAlphaColor MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return (TAlphaColor(a) << 24) | (TAlphaColor(r) << 16) | (TAlphaColor(g) << 8) | TAlphaColor(b);
}
// Replaces the alpha byte of a colour.
constexpr TAlphaColor MakeARGBColor(uint8_t alpha, TAlphaColor color) {
  return (TAlphaColor(alpha) << 24) | (color & 0x00FFFFFFu);
}

namespace gp {

using dw::GetAlpha;
using dw::GetBlue;
using dw::GetGreen;
using dw::GetRed;
using dw::MakeARGBColor;
using dw::MakeColor;

struct DW_API PointF {
  float X = 0, Y = 0;
  constexpr PointF() = default;
  constexpr PointF(float x, float y) : X(x), Y(y) {}
  constexpr PointF operator+(PointF o) const { return {X + o.X, Y + o.Y}; }
  constexpr PointF operator-(PointF o) const { return {X - o.X, Y - o.Y}; }
  constexpr PointF operator*(float s) const { return {X * s, Y * s}; }
  constexpr bool operator==(const PointF&) const = default;
  bool IsFinite() const { return std::isfinite(X) && std::isfinite(Y); }
};

struct DW_API SizeF {
  float Width = 0, Height = 0;
  constexpr SizeF() = default;
  constexpr SizeF(float w, float h) : Width(w), Height(h) {}
  constexpr bool operator==(const SizeF&) const = default;
  // True unless both sides are positive (NaN counts as empty).
  constexpr bool Empty() const { return !(Width > 0 && Height > 0); }
};

struct DW_API RectF {
  float X = 0, Y = 0, Width = 0, Height = 0;
  constexpr RectF() = default;
  constexpr RectF(float x, float y, float w, float h) : X(x), Y(y), Width(w), Height(h) {}
  constexpr RectF(PointF p, SizeF s) : X(p.X), Y(p.Y), Width(s.Width), Height(s.Height) {}
  static constexpr RectF FromLTRB(float l, float t, float r, float b) { return {l, t, r - l, b - t}; }

  constexpr float Left() const { return X; }
  constexpr float Top() const { return Y; }
  constexpr float Right() const { return X + Width; }
  constexpr float Bottom() const { return Y + Height; }
  constexpr float GetLeft() const { return X; }
  constexpr float GetTop() const { return Y; }
  constexpr float GetRight() const { return X + Width; }
  constexpr float GetBottom() const { return Y + Height; }
  constexpr PointF Location() const { return {X, Y}; }
  constexpr SizeF Size() const { return {Width, Height}; }
  constexpr PointF Center() const { return {X + Width / 2, Y + Height / 2}; }
  constexpr bool operator==(const RectF&) const = default;

  // True unless width and height are both positive (NaN counts as empty).
  constexpr bool IsEmptyArea() const { return !(Width > 0 && Height > 0); }
  bool IsFinite() const {
    return std::isfinite(X) && std::isfinite(Y) && std::isfinite(Width) && std::isfinite(Height);
  }
  // A usable drawing rectangle: finite with positive width and height.
  bool IsValid() const { return IsFinite() && !IsEmptyArea(); }
  constexpr bool Contains(float x, float y) const {
    return x >= X && x < X + Width && y >= Y && y < Y + Height;
  }
  constexpr bool Contains(PointF p) const { return Contains(p.X, p.Y); }
  // Whether r lies wholly inside (an empty r too, when its corner does; NaN never).
  constexpr bool Contains(const RectF& r) const {
    return r.X >= X && r.Y >= Y && r.X + r.Width <= X + Width && r.Y + r.Height <= Y + Height;
  }
  constexpr void Inflate(float dx, float dy) { X -= dx; Y -= dy; Width += 2 * dx; Height += 2 * dy; }
  constexpr void Offset(float dx, float dy) { X += dx; Y += dy; }

  static RectF Intersect(const RectF& a, const RectF& b) {
    float l = std::max(a.X, b.X), t = std::max(a.Y, b.Y);
    float r = std::min(a.Right(), b.Right()), bt = std::min(a.Bottom(), b.Bottom());
    if (!(r > l && bt > t)) return {};
    return FromLTRB(l, t, r, bt);
  }
  static RectF Union(const RectF& a, const RectF& b) {
    if (a.IsEmptyArea()) return b;
    if (b.IsEmptyArea()) return a;
    return FromLTRB(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.Right(), b.Right()),
                    std::max(a.Bottom(), b.Bottom()));
  }
};

// Grows a rectangle by dx on the left and right and dy on the top and bottom.
constexpr RectF GPInflateRectF(const RectF& r, float dx, float dy) {
  return {r.X - dx, r.Y - dy, r.Width + 2 * dx, r.Height + 2 * dy};
}

enum SmoothingMode : int {
  SmoothingModeInvalid = -1,
  SmoothingModeDefault = 0,
  SmoothingModeHighSpeed = 1,
  SmoothingModeHighQuality = 2,
  SmoothingModeNone = 3,
  SmoothingModeAntiAlias = 4,
  SmoothingModeAntiAlias8x8 = 5,
};
// Default, HighSpeed and None draw aliased edges; HighQuality and the AntiAlias modes smooth them.
constexpr bool IsAntiAliased(SmoothingMode m) {
  return m == SmoothingModeHighQuality || m == SmoothingModeAntiAlias || m == SmoothingModeAntiAlias8x8;
}

enum TextRenderingHint : int {
  TextRenderingHintSystemDefault = 0,
  TextRenderingHintSingleBitPerPixelGridFit = 1,
  TextRenderingHintSingleBitPerPixel = 2,
  TextRenderingHintAntiAliasGridFit = 3,
  TextRenderingHintAntiAlias = 4,
  TextRenderingHintClearTypeGridFit = 5,
};

enum CompositingMode : int { CompositingModeSourceOver = 0, CompositingModeSourceCopy = 1 };

enum CompositingQuality : int {
  CompositingQualityInvalid = -1,
  CompositingQualityDefault = 0,
  CompositingQualityHighSpeed = 1,
  CompositingQualityHighQuality = 2,
  CompositingQualityGammaCorrected = 3,
  CompositingQualityAssumeLinear = 4,
};

enum InterpolationMode : int {
  InterpolationModeInvalid = -1,
  InterpolationModeDefault = 0,
  InterpolationModeLowQuality = 1,
  InterpolationModeHighQuality = 2,
  InterpolationModeBilinear = 3,
  InterpolationModeBicubic = 4,
  InterpolationModeNearestNeighbor = 5,
  InterpolationModeHighQualityBilinear = 6,
  InterpolationModeHighQualityBicubic = 7,
};

enum FillMode : int { FillModeAlternate = 0, FillModeWinding = 1 };

enum WrapMode : int {
  WrapModeTile = 0,
  WrapModeTileFlipX = 1,
  WrapModeTileFlipY = 2,
  WrapModeTileFlipXY = 3,
  WrapModeClamp = 4,
};

enum LinearGradientMode : int {
  LinearGradientModeHorizontal = 0,
  LinearGradientModeVertical = 1,
  LinearGradientModeForwardDiagonal = 2,
  LinearGradientModeBackwardDiagonal = 3,
};

enum MatrixOrder : int { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };

enum CombineMode : int {
  CombineModeReplace = 0,
  CombineModeIntersect = 1,
  CombineModeUnion = 2,
  CombineModeXor = 3,
  CombineModeExclude = 4,
  CombineModeComplement = 5,
};

// Flags; combine with |.
enum FontStyle : int {
  FontStyleRegular = 0,
  FontStyleBold = 1,
  FontStyleItalic = 2,
  FontStyleBoldItalic = 3,
  FontStyleUnderline = 4,
  FontStyleStrikeout = 8,
};

enum StringAlignment : int { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };

// Flags; combine with |.
enum StringFormatFlags : int {
  StringFormatFlagsDirectionRightToLeft = 0x0001,
  StringFormatFlagsDirectionVertical = 0x0002,
  StringFormatFlagsNoFitBlackBox = 0x0004,
  StringFormatFlagsDisplayFormatControl = 0x0020,
  StringFormatFlagsNoFontFallback = 0x0400,
  StringFormatFlagsMeasureTrailingSpaces = 0x0800,
  StringFormatFlagsNoWrap = 0x1000,
  StringFormatFlagsLineLimit = 0x2000,
  StringFormatFlagsNoClip = 0x4000,
};

enum StringTrimming : int {
  StringTrimmingNone = 0,
  StringTrimmingCharacter = 1,
  StringTrimmingWord = 2,
  StringTrimmingEllipsisCharacter = 3,
  StringTrimmingEllipsisWord = 4,
  StringTrimmingEllipsisPath = 5,
};

enum Unit : int {
  UnitWorld = 0,
  UnitDisplay = 1,
  UnitPixel = 2,
  UnitPoint = 3,
  UnitInch = 4,
  UnitDocument = 5,
  UnitMillimeter = 6,
};

enum DashStyle : int {
  DashStyleSolid = 0,
  DashStyleDash = 1,
  DashStyleDot = 2,
  DashStyleDashDot = 3,
  DashStyleDashDotDot = 4,
  DashStyleCustom = 5,
};

enum LineCap : int { LineCapFlat = 0, LineCapSquare = 1, LineCapRound = 2, LineCapTriangle = 3 };

enum LineJoin : int { LineJoinMiter = 0, LineJoinBevel = 1, LineJoinRound = 2, LineJoinMiterClipped = 3 };

// Every format is stored as 32-bit ARGB; the value only records what the caller asked for.
enum PixelFormat : int {
  PixelFormat32bppRGB = 0x00022009,
  PixelFormat32bppARGB = 0x0026200A,
  PixelFormat32bppPARGB = 0x000E200B,
};

}  // namespace gp
}  // namespace dw
