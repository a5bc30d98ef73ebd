#include "dialworks/matrix/DWTextMatrixLayer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/TextLayout.h"
#include "dialworks/host/Helpers.h"
#include "dialworks/host/PixelBlock.h"
#include "dialworks/matrix/DWMatrixDisplay.h"

namespace dw {

void TDWTextMatrixLayer::RegisterUnit() { DWMatrixDisplay::RegisterPkg(); }

TDWTextMatrixLayer::TDWTextMatrixLayer(TComponent* AOwner)
    : TRXBasicMatrixElement(AOwner),
      FFont(std::make_unique<TKVControlFont>([this] { Invalidate(); }, this, this, 0.5f)) {
  FFont->Brush().SetColorDefault(0xFFFFFFFF);  // lit cells on the dark default background
}

TDWTextMatrixLayer::~TDWTextMatrixLayer() = default;

namespace {

// Where the line from b ends (the text's size at its end), and the length n of the line end:
// Pango's line ends, CR, LF, U+2028 and U+2029 (a CR LF pair ends two lines, the second empty).
size_t LineEnd(const std::string& AText, size_t b, size_t& n) {
  for (size_t i = b; i < AText.size(); ++i) {
    n = 1;
    if (AText[i] == '\r' || AText[i] == '\n') return i;
    n = 3;
    if (AText.compare(i, 3, "\xE2\x80\xA8") == 0 || AText.compare(i, 3, "\xE2\x80\xA9") == 0) return i;
  }
  n = 0;
  return AText.size();
}

}  // namespace

size_t TDWTextMatrixLayer::CropLength(const gp::Graphics& AGraphics, const gp::Font& AFont, const std::string& AText,
                                      int ARoom) {
  // Character boundaries (after each UTF-8 character), found as far as the search reaches.
  std::vector<size_t> ends;
  auto end = [&](size_t k) {
    for (size_t i = ends.empty() ? 0 : ends.back(); ends.size() <= k && i < AText.size();) {
      ++i;
      while (i < AText.size() && (uint8_t(AText[i]) & 0xC0) == 0x80) ++i;
      ends.push_back(i);
    }
    return k < ends.size() ? ends[k] : AText.size();
  };
  // Measured at a point, as Render draws: a layout box would wrap long text at its width.
  auto tooWide = [&](size_t k) {
    const gp::RectF r = AGraphics.MeasureString(AText.substr(0, end(k)), AFont);
    return RXRoundHalfEvenToInt(double(r.Width)) > ARoom;
  };
  // Prefix widths grow with the prefix: the first one too wide lies between two probes doubling
  // from the start, so the prefixes measured stay within twice the part that fits.
  size_t lo = 0, hi = 0;
  for (size_t step = 1;; step *= 2) {
    if (end(hi) >= AText.size()) {
      hi = ends.size();
      break;
    }
    if (tooWide(hi)) break;
    lo = hi + 1;
    hi += step;
  }
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (tooWide(mid)) hi = mid;
    else lo = mid + 1;
  }
  return end(lo);
}

void TDWTextMatrixLayer::Render(uint32_t* ABuffer, int AWidth, int AHeight) {
  std::string text;
  int x0 = 0, y0 = 0;
  float em = 0;
  TAlphaColor color = 0;
  bool crop = false, antiAlias = false, outlined = false;
  gp::FontFamily family;
  int style = 0;
  {
    TControlDrawLock lock(*this);
    if (!lock) {
      Invalidate();  // the frame goes out without the text: ask for the next one
      return;
    }
    if (!Enabled() || !Visible() || FText.empty() || !ABuffer || AWidth <= 0 || AHeight <= 0) return;
    text = FText;
    CellOrigin(AWidth, AHeight, x0, y0);
    em = FFont->Size().Get(float(AHeight));
    color = FFont->Color();
    crop = FCrop;
    antiAlias = FAntiAlias;
    outlined = FFont->Outlined();
    family = FFont->Family();
    style = FFont->GPStyle();
  }
  if (!(em > 0 && em <= 4096)) return;
  // Text less than half a cell high is not drawn: one-bit glyphs light no cell at that size (outlined
  // or anti-aliased ones a speck of a few cells), and what can reach the grid is counted in ems, so
  // a long text would be laid out whole.
  if (em * (outlined ? OutlineEm * OutlineScaleY : 1.0f) < 0.5f) return;
  if (x0 >= AWidth || y0 >= AHeight) return;
  // Outlined: the glyph outlines at OutlineEm times the em size, drawn scaled by (OutlineScaleX,
  // OutlineScaleY), so the text comes out about 1.23 times wider and 1.34 times taller than the
  // plain text, in heavier strokes. Everything is measured at the outline size and scaled.
  const float sx = outlined ? OutlineScaleX : 1.0f, sy = outlined ? OutlineScaleY : 1.0f;
  const gp::Font font(family, outlined ? em * OutlineEm : em, style, gp::UnitPixel);
  gp::Bitmap probe(1, 1);
  gp::CairoGraphics measure(probe);
  measure.SetTextRenderingHint(antiAlias ? gp::TextRenderingHintAntiAlias
                                         : gp::TextRenderingHintSingleBitPerPixelGridFit);
  // Only what can reach the grid is laid out: a long text costs no more than the grid shows.
  text = gp::detail::TextWithin(text, font.GetSize(), float(int64_t(AWidth) - x0) / sx, float(int64_t(AHeight) - y0) / sy);
  if (crop) {
    // Line by line: a long first line must not take the lines below it along. Lines are at least
    // a third of an em apart (as TextWithin counts them): those starting two ems below the grid
    // are left out.
    const int room = int(std::floor(float(AWidth - x0) / sx));
    const double rows = std::ceil((double(int64_t(AHeight) - y0) / sy + 2.0 * font.GetSize()) / (font.GetSize() / 3));
    std::string cut;
    for (size_t b = 0, row = 0; row < rows; ++row) {
      size_t n = 0;
      const size_t e = LineEnd(text, b, n);
      const std::string line = text.substr(b, e - b);
      cut += line.substr(0, CropLength(measure, font, line, room));
      if (e == text.size()) break;
      cut.append(text, e, n);
      b = e + n;
    }
    text = std::move(cut);
  }
  // Unwrapped, as drawn (a long marquee is far wider than any layout box), with its ink (marks
  // stacked on a letter reach far past the lines).
  gp::detail::TextPlacement placed;
  if (!gp::detail::LayoutText(gp::detail::ScratchContext(), text, family, style, font.GetSize(), nullptr,
                              gp::PointF(0, 0), nullptr, antiAlias || outlined, &placed))
    return;
  const gp::RectF& size = placed.box;
  PangoRectangle ink;
  pango_layout_get_extents(placed.layout, &ink, nullptr);
  // Only the part that lands on the grid is rasterised: huge text takes no more than the grid.
  const int bw = RXRoundHalfEvenToInt(double(size.Width * sx)), bh = RXRoundHalfEvenToInt(double(size.Height * sy));
  // Half an em around the logical box keeps what glyphs draw past it (italic overhangs), and a
  // cell around the ink what rounding moves.
  const int mx = int(std::ceil(font.GetSize() * sx / 2)), my = int(std::ceil(font.GetSize() * sy / 2));
  double x1 = double(x0) - mx, y1 = double(y0) - my, x2 = double(x0) + bw + mx, y2 = double(y0) + bh + my;
  if (ink.width > 0 && ink.height > 0) {
    const double ix = double(placed.position.X) + double(ink.x) / PANGO_SCALE;
    const double iy = double(placed.position.Y) + double(ink.y) / PANGO_SCALE;
    x1 = std::min(x1, std::floor(x0 + ix * sx) - 1);
    y1 = std::min(y1, std::floor(y0 + iy * sy) - 1);
    x2 = std::max(x2, std::ceil(x0 + (ix + double(ink.width) / PANGO_SCALE) * sx) + 1);
    y2 = std::max(y2, std::ceil(y0 + (iy + double(ink.height) / PANGO_SCALE) * sy) + 1);
  }
  const int left = int(std::max(x1, 0.0)), top = int(std::max(y1, 0.0));
  const int w = int(std::min(x2, double(AWidth))) - left, h = int(std::min(y2, double(AHeight))) - top;
  if (w <= 0 || h <= 0) return;
  gp::Bitmap bitmap(w, h);
  {
    gp::CairoGraphics g(bitmap);
    g.SetTextRenderingHint(antiAlias ? gp::TextRenderingHintAntiAlias : gp::TextRenderingHintSingleBitPerPixelGridFit);
    g.SetSmoothingMode(antiAlias ? gp::SmoothingModeAntiAlias : gp::SmoothingModeNone);
    const gp::PointF origin(float(int64_t(x0) - left), float(int64_t(y0) - top));
    if (outlined) {
      g.ScaleTransform(sx, sy);
      gp::GraphicsPath path;
      path.AddString(text, family, style, font.GetSize(), gp::PointF(origin.X / sx, origin.Y / sy));
      g.FillPath(gp::SolidBrush(color), path);
    } else {
      g.DrawString(text, font, origin, gp::SolidBrush(color));
    }
    g.Flush();
  }
  PBComposeOver(TPixelBlock{ABuffer, AWidth, AHeight, 0}, left, top, PBBitmapBlock(bitmap));
}

DW_PROPERTIES(TDWTextMatrixLayer) {
  using C = TDWTextMatrixLayer;
  t.String("Text", &C::Text, &C::SetText);
  t.Object("Font", [](C& c) -> TKVControlFont& { return c.Font(); }).Doc("size: share of the grid's height");
  t.Bool("Crop", &C::Crop, &C::SetCrop, false).Doc("only the characters that reach the right edge");
  t.Bool("AntiAlias", &C::AntiAlias, &C::SetAntiAlias, false);
}
DW_PROPERTIES(TDWTextMatrixElement) {}

}  // namespace dw
