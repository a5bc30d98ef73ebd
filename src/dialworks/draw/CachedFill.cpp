#include "dialworks/draw/CachedFill.h"

#include <algorithm>
#include <cmath>

#include "dialworks/draw/CairoGraphics.h"

namespace dw::gp {

const CachedFill::Picture* CachedFill::Find(const Matrix& m, float phaseX, float phaseY, SmoothingMode mode) const {
  for (const Picture& p : pictures_)
    if (p.PhaseX == phaseX && p.PhaseY == phaseY && p.M11 == m.M11() && p.M12 == m.M12() && p.M21 == m.M21() &&
        p.M22 == m.M22() && p.Mode == mode)
      return &p;
  return nullptr;
}

const CachedFill::Picture* CachedFill::Build(Graphics& g, const Brush& brush, const PointF* pts, int count,
                                             const Matrix& m, float phaseX, float phaseY, SmoothingMode mode) {
  // The polygon's device bounds in this phase, with a pixel to spare for anti-aliased edges.
  const Matrix phase(m.M11(), m.M12(), m.M21(), m.M22(), phaseX, phaseY);
  float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  bool finite = true;
  for (int i = 0; i < count; ++i) {
    PointF p = pts[i];
    phase.TransformPoints(&p, 1);
    finite = finite && std::isfinite(p.X) && std::isfinite(p.Y);
    minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
    minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
  }
  // Not finite, far too large to keep, or beyond whole pixels an int holds.
  if (!(finite && maxX - minX < 4096 && maxY - minY < 4096 && std::fabs(minX) < 1e7f && std::fabs(minY) < 1e7f))
    return nullptr;
  const int left = int(std::floor(minX)) - 1, top = int(std::floor(minY)) - 1;
  const int width = int(std::ceil(maxX)) + 1 - left, height = int(std::ceil(maxY)) + 1 - top;
  if (width * height > MaxPictureArea) return nullptr;
  if (pictures_.capacity() == 0) pictures_.reserve(MaxPictures);  // no moves of kept pictures
  Picture& p = pictures_.emplace_back(Picture{m.M11(), m.M12(), m.M21(), m.M22(), phaseX, phaseY, mode, left, top,
                                              Bitmap(width, height)});
  if (std::unique_ptr<Graphics> layer = g.CreateLayer(p.Image)) {
    layer->SetSmoothingMode(mode);
    layer->SetTransform(Matrix(m.M11(), m.M12(), m.M21(), m.M22(), phaseX - float(left), phaseY - float(top)));
    layer->FillPolygon(brush, pts, count);
  }
  return &p;
}

void CachedFill::FillPolygon(Graphics& g, const Brush& brush, const PointF* pts, int count) {
  const bool raster = dynamic_cast<CairoGraphics*>(&g) != nullptr;
  const Matrix m = g.GetTransform();
  const float wholeX = std::floor(m.OffsetX()), wholeY = std::floor(m.OffsetY());
  // Offsets beyond float's whole-pixel precision have no fractional phase to speak of.
  const bool cacheable = raster && count >= 3 && g.GetCompositingMode() == CompositingModeSourceOver &&
                         std::fabs(wholeX) < 1e6f && std::fabs(wholeY) < 1e6f;
  if (!cacheable) {
    g.FillPolygon(brush, pts, count);
    return;
  }
  const float phaseX = m.OffsetX() - wholeX, phaseY = m.OffsetY() - wholeY;
  const SmoothingMode mode = g.GetSmoothingMode();
  const Picture* p = Find(m, phaseX, phaseY, mode);
  if (!p && pictures_.size() < MaxPictures) p = Build(g, brush, pts, count, m, phaseX, phaseY, mode);
  if (!p) {
    g.FillPolygon(brush, pts, count);
    return;
  }
  const GraphicsState state = g.Save();
  g.ResetTransform();
  g.DrawImage(p->Image, PointF(wholeX + float(p->Left), wholeY + float(p->Top)));
  g.Restore(state);
}

}  // namespace dw::gp
