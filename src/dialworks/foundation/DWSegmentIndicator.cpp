#include "dialworks/foundation/DWSegmentIndicator.h"

#include <algorithm>
#include <cmath>

namespace dw {

namespace {

using gp::PointF;

// Builds polygons in the unslanted cell; Finish applies the slant.
struct TShapeBuilder {
  std::array<TDWSegmentPolygon, 17>& Out;
  int N = 0;

  void Add(std::initializer_list<PointF> APoints) {
    TDWSegmentPolygon& p = Out[size_t(N++)];
    p.Count = 0;
    for (const PointF& q : APoints) p.Points[size_t(p.Count++)] = q;
  }
  // A segment with nothing left to draw: an empty polygon keeps the order.
  void AddEmpty() { Out[size_t(N++)].Count = 0; }
  // A bevelled horizontal bar between the centre lines x0 and x1 at height y (thickness t,
  // shortened by g at each end). Nothing is left of a bar shortened past its length (the hexagon
  // would turn inside out and grow with the gap).
  void Horizontal(float x0, float x1, float y, float t, float g) {
    const float a = x0 + g, b = x1 - g, h = t / 2;
    if (!(b - a > 0.01f)) return AddEmpty();
    const float ia = std::min(a + h, (a + b) / 2), ib = std::max(b - h, (a + b) / 2);
    Add({{a, y}, {ia, y - h}, {ib, y - h}, {b, y}, {ib, y + h}, {ia, y + h}});
  }
  void Vertical(float x, float y0, float y1, float t, float g) {
    const float a = y0 + g, b = y1 - g, h = t / 2;
    if (!(b - a > 0.01f)) return AddEmpty();
    const float ia = std::min(a + h, (a + b) / 2), ib = std::max(b - h, (a + b) / 2);
    Add({{x, a}, {x + h, ia}, {x + h, ib}, {x, b}, {x - h, ib}, {x - h, ia}});
  }
  // A band of thickness t along the diagonal of the rectangle x0..x1, y0..y1, its ends cut by the
  // rectangle's sides: falling (top-left to bottom-right) or rising (bottom-left to top-right).
  void Diagonal(float x0, float y0, float x1, float y1, float t, bool AFalling) {
    const float rw = x1 - x0, rh = y1 - y0;
    if (!(rw > 0.01f && rh > 0.01f)) return AddEmpty();  // too small
    const float len = std::sqrt(rw * rw + rh * rh);
    const float ax = std::min(0.5f * t * len / rh, rw), ay = std::min(0.5f * t * len / rw, rh);
    if (AFalling) Add({{x0, y0}, {x0 + ax, y0}, {x1, y1 - ay}, {x1, y1}, {x1 - ax, y1}, {x0, y0 + ay}});
    else Add({{x1, y0}, {x1, y0 + ay}, {x0 + ax, y1}, {x0, y1}, {x0, y1 - ay}, {x1 - ax, y0}});
  }
};

}  // namespace

int DWSegmentCount(TDWSegmentsType AType) {
  switch (AType) {
    case st7Segments: return 7;
    case st9Segments: return 9;
    case st14Segments: return 14;
    default: return 16;
  }
}

uint32_t DWDecimalPointBit(TDWSegmentsType AType) { return uint32_t(1) << DWSegmentCount(AType); }

int DWSegmentShapes(TDWSegmentsType AType, float AWidth, float AHeight, const TDWSegmentStyle& AStyle,
                    std::array<TDWSegmentPolygon, 17>& AOut, float* AThickness) {
  for (TDWSegmentPolygon& p : AOut) p.Count = 0;
  if (AThickness) *AThickness = 0;
  if (!(AWidth >= 2 && AHeight >= 2 && std::isfinite(AWidth) && std::isfinite(AHeight))) return 0;
  const float ref = std::min(AWidth, AHeight);
  const float pad = 0.1f * ref;
  const float slant = std::isfinite(AStyle.Slant) ? std::clamp(AStyle.Slant, -0.5f, 0.5f) : 0.0f;
  float t = std::clamp(std::isfinite(AStyle.SegmentWidth) ? AStyle.SegmentWidth : 0.12f, 0.01f, 0.5f) * ref;
  const float g = std::clamp(std::isfinite(AStyle.Gap) ? AStyle.Gap : 0.0f, 0.0f, 0.2f) * ref;
  const float T = pad, B = AHeight - pad;
  // The slanted cell must fit: the top shifts by slant x height (at most half the room across),
  // so the box narrows by that.
  const float shift = std::min(std::fabs(slant) * (B - T), 0.5f * (AWidth - 2 * pad));
  const float k = slant == 0 ? 0.0f : std::copysign(shift / (B - T), slant);
  t = std::min({t, (B - T) / 5, (AWidth - 2 * pad - shift) / 4.6f});
  if (!(t > 0.05f)) return 0;
  if (AThickness) *AThickness = t;
  const float L = pad + (slant < 0 ? shift : 0);
  const float R = AWidth - pad - 1.6f * t - (slant > 0 ? shift : 0);
  const float Lc = L + t / 2, Rc = R - t / 2, Tc = T + t / 2, Bc = B - t / 2;
  const float Cx = (Lc + Rc) / 2, M = (T + B) / 2, h = t / 2;

  TShapeBuilder s{AOut};
  const int count = DWSegmentCount(AType);
  if (count == 16) {
    s.Horizontal(Lc, Cx, Tc, t, g);
    s.Horizontal(Cx, Rc, Tc, t, g);
    s.Vertical(Rc, Tc, M, t, g);
    s.Vertical(Rc, M, Bc, t, g);
    s.Horizontal(Cx, Rc, Bc, t, g);
    s.Horizontal(Lc, Cx, Bc, t, g);
    s.Vertical(Lc, M, Bc, t, g);
    s.Vertical(Lc, Tc, M, t, g);
    s.Horizontal(Lc, Cx, M, t, g);
    s.Horizontal(Cx, Rc, M, t, g);
  } else {
    s.Horizontal(Lc, Rc, Tc, t, g);
    s.Vertical(Rc, Tc, M, t, g);
    s.Vertical(Rc, M, Bc, t, g);
    s.Horizontal(Lc, Rc, Bc, t, g);
    s.Vertical(Lc, M, Bc, t, g);
    s.Vertical(Lc, Tc, M, t, g);
    if (count == 14) {
      s.Horizontal(Lc, Cx, M, t, g);
      s.Horizontal(Cx, Rc, M, t, g);
    } else {
      s.Horizontal(Lc, Rc, M, t, g);
    }
  }
  // Inner rectangles of the diagonals: between the outer bars, the centre bar and the middle bar.
  const float ix0 = Lc + h + g, ix1 = Rc - h - g, iy0 = Tc + h + g, iy1 = Bc - h - g;
  const float cl = Cx - h - g, cr = Cx + h + g, mt = M - h - g, mb = M + h + g;
  if (count == 9) {
    s.Diagonal(Cx, iy0, ix1, mt, t, false);  // 7: upper right corner to the centre
    s.Diagonal(ix0, mb, Cx, iy1, t, false);  // 8: centre to the lower left corner
  } else if (count >= 14) {
    s.Diagonal(ix0, iy0, cl, mt, t, true);  // upper left
    s.Vertical(Cx, Tc, M, t, g);            // upper centre bar
    s.Diagonal(cr, iy0, ix1, mt, t, false);  // upper right
    if (count == 14) {
      s.Diagonal(cr, mb, ix1, iy1, t, true);   // 11 lower right
      s.Vertical(Cx, M, Bc, t, g);             // 12 lower centre bar
      s.Diagonal(ix0, mb, cl, iy1, t, false);  // 13 lower left
    } else {
      s.Diagonal(cr, mb, ix1, iy1, t, true);   // 13 lower right
      s.Vertical(Cx, M, Bc, t, g);             // 14 lower centre bar
      s.Diagonal(ix0, mb, cl, iy1, t, false);  // 15 lower left
    }
  }
  // The decimal point: an octagon of one bar width right of the bottom bar.
  {
    const float d = t, cx = R + 0.3f * t + d / 2, cy = B - d / 2, r = d / 2, e = r * 0.4142f;
    s.Add({{cx - e, cy - r}, {cx + e, cy - r}, {cx + r, cy - e}, {cx + r, cy + e}, {cx + e, cy + r}, {cx - e, cy + r},
           {cx - r, cy + e}, {cx - r, cy - e}});
  }
  // Slant: the top of the cell moves right by slant x height (the bottom stays).
  if (k != 0) {
    for (int i = 0; i < s.N; ++i)
      for (int j = 0; j < AOut[size_t(i)].Count; ++j) {
        PointF& p = AOut[size_t(i)].Points[size_t(j)];
        p.X += k * (B - p.Y);
      }
  }
  return s.N;
}

std::vector<gp::PointF> DWExpandPath(const gp::PointF* APoints, int ACount, float AWidth) {
  std::vector<PointF> out;
  if (!APoints || ACount <= 0) return out;
  out.assign(APoints, APoints + ACount);
  if (ACount < 3 || !(AWidth > 0) || !std::isfinite(AWidth)) return out;
  // Orientation: the outward normal of edge (a, b) is (dy, -dx) for a clockwise polygon on screen
  // (y down), so flip it for the other orientation.
  double area = 0;
  for (int i = 0; i < ACount; ++i) {
    const PointF& a = APoints[i];
    const PointF& b = APoints[(i + 1) % ACount];
    area += double(a.X) * b.Y - double(b.X) * a.Y;
  }
  const float sign = area > 0 ? 1.0f : -1.0f;
  auto normal = [&](int i, float& nx, float& ny) {
    const PointF& a = APoints[i];
    const PointF& b = APoints[(i + 1) % ACount];
    const float dx = b.X - a.X, dy = b.Y - a.Y, len = std::sqrt(dx * dx + dy * dy);
    if (len > 1e-6f) {
      nx = sign * dy / len;
      ny = -sign * dx / len;
    } else {
      nx = ny = 0;
    }
  };
  for (int i = 0; i < ACount; ++i) {
    float n0x, n0y, n1x, n1y;
    normal((i + ACount - 1) % ACount, n0x, n0y);
    normal(i, n1x, n1y);
    float mx = n0x + n1x, my = n0y + n1y;
    const float dot = 1 + n0x * n1x + n0y * n1y;  // the mitre is (n0 + n1) / dot
    float scale = dot > 1e-3f ? 1.0f / dot : 0.0f;
    float ml = std::sqrt(mx * mx + my * my) * scale;
    if (!(ml > 0)) {
      mx = n1x, my = n1y, scale = 1, ml = 1;
    } else if (ml > 2) {
      scale *= 2 / ml;  // mitre limit
    }
    out[size_t(i)].X = APoints[i].X + mx * scale * AWidth;
    out[size_t(i)].Y = APoints[i].Y + my * scale * AWidth;
  }
  return out;
}

TAlphaColor DWDimColor(TAlphaColor AColor, float AFactor) {
  const float f = std::isfinite(AFactor) ? std::clamp(AFactor, 0.0f, 1.0f) : 0.0f;
  auto ch = [f](unsigned v) { return uint8_t(std::lround(float(v) * f)); };
  return MakeColor(ch(GetRed(AColor)), ch(GetGreen(AColor)), ch(GetBlue(AColor)), uint8_t(GetAlpha(AColor)));
}

// ---- the cell ---------------------------------------------------------------------------------

std::unique_ptr<gp::PathGradientBrush> TDWSegmentCell::LitBrush(const gp::PointF* APoints, int ACount) const {
  auto b = std::make_unique<gp::PathGradientBrush>(APoints, ACount, gp::WrapModeClamp);
  b->SetCenterColor(SegmentCenterColor);
  b->SetSurroundColors(&SegmentColor, 1);
  return b;
}

std::unique_ptr<gp::PathGradientBrush> TDWSegmentCell::GlowBrush(const std::vector<gp::PointF>& AOutline) const {
  auto b = std::make_unique<gp::PathGradientBrush>(AOutline.data(), int(AOutline.size()), gp::WrapModeClamp);
  const unsigned alpha = std::min(255u, unsigned(std::lround(GetAlpha(SegmentColor) * 0.5)));
  b->SetCenterColor((SegmentColor & 0x00FFFFFFu) | (TAlphaColor(alpha) << 24));
  const TAlphaColor clear = 0;
  b->SetSurroundColors(&clear, 1);
  static constexpr float factors[] = {0, 0.32f, 1, 1, 1};
  static constexpr float positions[] = {0, 0.2f, 0.5f, 0.7f, 1};
  b->SetBlend(factors, positions, 5);
  return b;
}

void TDWSegmentCell::Init(float AWidth, float AHeight) {
  FWidth = AWidth;
  FHeight = AHeight;
  // The glow width is the bar thickness the shapes settled on (narrow cells limit it).
  FCount = DWSegmentShapes(SegmentsType, AWidth, AHeight, Style, FShapes, &FThickness);
  FUnlit.SetColor(UnlitColor());
  for (int i = 0; i < 17; ++i) {
    FLit[size_t(i)].reset();
    FLitFills[size_t(i)].Reset();
    FGlow[size_t(i)].reset();
    FGlowPaths[size_t(i)].clear();
    if (i >= FCount || FShapes[size_t(i)].Count < 3) continue;
    const TDWSegmentPolygon& p = FShapes[size_t(i)];
    FLit[size_t(i)] = LitBrush(p.Points.data(), p.Count);
    FGlowPaths[size_t(i)] = DWExpandPath(p.Points.data(), p.Count, FThickness);
    FGlow[size_t(i)] = GlowBrush(FGlowPaths[size_t(i)]);
  }
}

void TDWSegmentCell::DrawDigit(gp::Graphics& g, uint32_t AMask, TAlphaColor AExtra, TDWSegmentPass APass) const {
  if (APass == TDWSegmentPass::Unlit) {
    if (GetAlpha(FUnlit.GetColor()) == 0) return;
    for (int i = 0; i < FCount; ++i) {
      const TDWSegmentPolygon& p = FShapes[size_t(i)];
      if (p.Count >= 3) g.FillPolygon(FUnlit, p.Points.data(), p.Count);
    }
    return;
  }
  if (AMask == 0) return;
  auto lit = [&](int i) { return (AMask >> i) & 1u && FShapes[size_t(i)].Count >= 3; };
  if (AExtra != 0 || !Shaded()) {
    FExtra.SetColor(AExtra != 0 ? AExtra : SegmentColor);
    for (int i = 0; i < FCount; ++i)
      if (lit(i)) g.FillPolygon(FExtra, FShapes[size_t(i)].Points.data(), FShapes[size_t(i)].Count);
    return;
  }
  if (Glow) {
    for (int i = 0; i < FCount; ++i)
      if (lit(i) && FGlow[size_t(i)]) {
        const std::vector<PointF>& path = FGlowPaths[size_t(i)];
        g.FillPolygon(*FGlow[size_t(i)], path.data(), int(path.size()));
      }
  }
  for (int i = 0; i < FCount; ++i)
    if (lit(i) && FLit[size_t(i)])
      FLitFills[size_t(i)].FillPolygon(g, *FLit[size_t(i)], FShapes[size_t(i)].Points.data(), FShapes[size_t(i)].Count);
}

}  // namespace dw
