// LayerRuns: where a kept layer image (a cached face, a glass layer) is transparent, opaque or
// partly transparent, row by row. Found once when the layer is drawn, they let each frame compose
// the layer without looking at its transparent parts and with a plain copy of its opaque ones;
// only the partly transparent pixels (edges, glass) are blended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dialworks/Export.h"

namespace dw::gp {

class Bitmap;

class DW_API LayerRuns {
 public:
  LayerRuns() = default;
  // The runs of the image as it is now (it must not change while they are used for it).
  explicit LayerRuns(const Bitmap& image);

  // The runs of `above` composed with OVER onto `below` (both images of one size; pixels on
  // neither's runs are transparent), found from the two sets of runs without reading pixels: a
  // pixel is opaque where either image is opaque there (OVER keeps it so, to the bit), composed
  // where either has a run, transparent elsewhere. Runs of different sizes give default runs.
  static LayerRuns Over(const LayerRuns& below, const LayerRuns& above);
  // Whether these are the runs of an image of this size (false for default-made runs).
  bool Fit(const Bitmap& image) const;
  // Composes the image the runs were found in over the premultiplied ARGB32 pixels dst (rows
  // dstStride bytes apart): image pixel (x, y) lands on dst pixel (x + dx, y + dy), and only dst
  // pixels in [left, right) x [top, bottom) are written. The result is Cairo's OVER exactly.
  void ComposeOver(const Bitmap& image, uint8_t* dst, int dstStride, int dx, int dy, int left, int top, int right,
                   int bottom) const;
  // Heap bytes held.
  size_t Bytes() const;

 private:
  struct Run {
    int32_t X0, X1;  // [X0, X1) of its row
    bool Opaque;     // every pixel opaque (copied); else blended
  };
  std::vector<Run> runs_;
  std::vector<int32_t> rows_;  // row y's runs are runs_[rows_[y]] .. runs_[rows_[y + 1]]
  int width_ = 0, height_ = 0;
};

}  // namespace dw::gp
