#include "dialworks/draw/PolygonCoverage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dw::gp {

namespace {

double Cross(PointF o, PointF a, PointF b) {
  return (double(a.X) - o.X) * (double(b.Y) - o.Y) - (double(a.Y) - o.Y) * (double(b.X) - o.X);
}

// Whether segments ab and cd meet (touching counts).
bool Meet(PointF a, PointF b, PointF c, PointF d) {
  const double d1 = Cross(c, d, a), d2 = Cross(c, d, b), d3 = Cross(a, b, c), d4 = Cross(a, b, d);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
  auto on = [](PointF p, PointF q, PointF r, double side) {  // r on segment pq, collinear
    return side == 0 && std::min(p.X, q.X) <= r.X && r.X <= std::max(p.X, q.X) && std::min(p.Y, q.Y) <= r.Y &&
           r.Y <= std::max(p.Y, q.Y);
  };
  return on(c, d, a, d1) || on(c, d, b, d2) || on(a, b, c, d3) || on(a, b, d, d4);
}

// Adds the signed area a straight edge piece from x = xs to x = xe (within 0..w) over a height
// of |d| in one row leaves right of it, and widens the row's touched columns.
void AddPiece(float* row, double xs, double xe, double d, int* touched) {
  const double xa = std::min(xs, xe), xb = std::max(xs, xe);
  // Both are within 0..w: truncation is the floor, and the ceiling one more where xb has a fraction
  // (no library call for either).
  const int ia = int(xa), ib = int(xb) + (double(int(xb)) < xb);
  touched[0] = std::min(touched[0], ia);
  touched[1] = std::max(touched[1], std::max(ib, ia + 1) + 1);
  if (ib <= ia + 1) {
    const double mid = 0.5 * (xa + xb) - ia;  // the edge's mean place within pixel ia
    row[ia] += float(d - d * mid);
    row[ia + 1] += float(d * mid);
    return;
  }
  const double s = 1 / (xb - xa);
  const double fa = xa - ia, a0 = 0.5 * s * (1 - fa) * (1 - fa);
  const double fb = xb - ib + 1, am = 0.5 * s * fb * fb;
  row[ia] += float(d * a0);
  if (ib == ia + 2) {
    row[ia + 1] += float(d * (1 - a0 - am));
  } else {
    const double a1 = s * (1.5 - fa);
    row[ia + 1] += float(d * (a1 - a0));
    for (int k = ia + 2; k < ib - 1; ++k) row[k] += float(d * s);
    const double a2 = a1 + (ib - ia - 3) * s;
    row[ib - 1] += float(d * (1 - a2 - am));
  }
  row[ib] += float(d * am);
}

}  // namespace

bool SimplePolygon(const PointF* p, int n) {
  if (!p || n < 3 || n > kMaxSimpleTest) return false;
  for (int i = 0; i < n; ++i) {
    if (!p[i].IsFinite() || p[i] == p[(i + 1) % n]) return false;
    for (int j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours across the closing edge
      if (Meet(p[i], p[i + 1], p[j], p[(j + 1) % n])) return false;
    }
  }
  return true;
}

void RasterisePolygon(const PointF* p, int n, uint8_t* mask, int stride, int left, int top, int w, int h,
                      std::vector<float>* accum, std::vector<MaskSpan>* spans) {
  if (w <= 0 || h <= 0) return;
  // Columns 0..w+1: an edge's area lands in the pixel it crosses and the one after it.
  const int aw = w + 2;
  static_assert(sizeof(int) == sizeof(float));
  if (accum->size() < size_t(aw + 2) * size_t(h)) accum->assign(size_t(aw + 2) * size_t(h), 0.0f);
  float* acc = accum->data();
  // Per row the columns edges touched, [first, last) (the accumulator is zero elsewhere).
  int* touched = reinterpret_cast<int*>(acc + ptrdiff_t(aw) * h);
  for (int y = 0; y < h; ++y) touched[2 * y] = aw, touched[2 * y + 1] = 0;
  for (int i = 0; i < n; ++i) {
    double x0 = double(p[i].X) - left, y0 = double(p[i].Y) - top;
    double x1 = double(p[(i + 1) % n].X) - left, y1 = double(p[(i + 1) % n].Y) - top;
    if (y0 == y1) continue;
    double dir = 1;
    if (y0 > y1) {
      std::swap(x0, x1);
      std::swap(y0, y1);
      dir = -1;
    }
    const double dxdy = (x1 - x0) / (y1 - y0);
    double x = x0;
    if (y0 < 0) {
      x -= y0 * dxdy;
      y0 = 0;
    }
    y1 = std::min(y1, double(h));
    for (int y = int(std::floor(y0)); y < y1; ++y) {
      float* row = acc + ptrdiff_t(y) * aw;
      const double dy = std::min(double(y + 1), y1) - std::max(double(y), y0);
      const double xnext = x + dxdy * dy;
      // Outside the mask's columns an edge counts at its border (wholly left or right of them):
      // the row's piece is cut where it crosses a border and the parts beyond lie along it.
      double cuts[4] = {0, 1, 1, 1};
      int pieces = 1;
      for (const double border : {0.0, double(w)}) {
        // Only a piece with its ends on both sides of the border can be cut (else t <= 0 or t >= 1,
        // also as rounded): most rows need no division.
        if ((x < border) == (xnext < border)) continue;
        const double t = (border - x) / (xnext - x);
        if (t > 0 && t < 1) cuts[pieces++] = t;
      }
      if (pieces == 3 && cuts[2] < cuts[1]) std::swap(cuts[1], cuts[2]);
      cuts[pieces] = 1;
      for (int k = 0; k < pieces; ++k) {
        const double xs = x + (xnext - x) * cuts[k], xe = x + (xnext - x) * cuts[k + 1];
        AddPiece(row, std::clamp(xs, 0.0, double(w)), std::clamp(xe, 0.0, double(w)),
                 dy * (cuts[k + 1] - cuts[k]) * dir, &touched[2 * y]);
      }
      x = xnext;
    }
  }
  // The running sum along each row is the coverage; the accumulator is left zeroed.
  for (int y = 0; y < h; ++y) {
    float* row = acc + ptrdiff_t(y) * aw;
    const int x0 = touched[2 * y], end = std::min(touched[2 * y + 1], aw), x1 = std::min(end, w);
    if (x0 >= x1) {
      if (x0 < end) std::fill(row + x0, row + end, 0.0f);
      continue;
    }
    uint8_t* m = mask + ptrdiff_t(y) * stride;
    float sum = 0;
    for (int x = x0; x < x1; ++x) {
      sum += row[x];
      row[x] = 0;
      m[x] = uint8_t(std::min(std::fabs(sum), 1.0f) * 255 + 0.5f);
    }
    std::fill(row + x1, row + end, 0.0f);
    spans->push_back({y, x0, x1});
  }
  std::fill(touched, touched + 2 * h, 0);
}

}  // namespace dw::gp
