// The spectrum display's colour cache: one strip a pixel wide per bar (or one for all bars when
// the colour does not change across them), the unlit body and the two peak colours, each kept as
// a tiled texture brush and rebuilt only after an invalidation or a change of the bar geometry or
// of the way the display is turned on the device.
#include <algorithm>
#include <cmath>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Shading.h"
#include "dialworks/host/Helpers.h"
#include "dialworks/host/PixelBlock.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"

namespace dw {

namespace {

// Most strip pixels kept (4 bytes each): bars beyond it share the strips of their neighbours.
constexpr size_t MaxStripPixels = size_t(16) << 20;

struct TGroupRamp {
  TAlphaColor Own = 0;
  std::vector<TAlphaColor> Colors;
  std::vector<float> Weights;
  std::vector<bool> Breaks;
  std::vector<TAlphaColor> Below, Above;  // At each sampling position, from below and from above
  TAlphaColor At(float AP, bool AAbove) const {
    return Colors.size() < 2 ? Own : DWSpectrumGroupColor(Colors, Weights, Breaks, AP, AAbove);
  }
};

// How the strips are laid for the transform they are drawn through. Cairo samples a texture on
// its fast path only when the texture's axes run forward along the device's, neither turned into
// the other; otherwise it steps each sample back into a one-pixel strip a pixel at a time, as many
// steps as the bar lies from the strip's origin (seconds per frame for a large display turned or
// mirrored). So a strip is laid as a row when the bars lie sideways on the device, reversed when
// they grow towards the device's left or top, and flipped across (no colour changes: a strip is
// the same all across its bar) when the bars follow each other leftwards or upwards.
enum : uint8_t { StripRow = 1, StripReversed = 2, StripFlipped = 4 };

// The layout, or -1 when the device transform turns the bars by other than quarter turns.
int StripLayout(const gp::Matrix& AToDevice) {
  const float a = AToDevice.M11(), b = AToDevice.M12(), c = AToDevice.M21(), d = AToDevice.M22();
  constexpr float tiny = 1e-6f;
  const float straight = std::fabs(a) + std::fabs(d), sideways = std::fabs(b) + std::fabs(c);
  // Along the bar (the frame's y) and across it (x), the device axis it follows and its sense.
  if (sideways <= tiny * straight) return (d < 0 ? StripReversed : 0) | (a < 0 ? StripFlipped : 0);
  if (straight <= tiny * sideways) return StripRow | (c < 0 ? StripReversed : 0) | (b < 0 ? StripFlipped : 0);
  return -1;  // no layout samples on the fast path
}

// A strip of AHeight rows laid as ALayout: ACoverage (0..1 per row, empty: all 1) times
// AColorOf(row), row 0 at AAnchor in the display's frame.
template <class F>
std::unique_ptr<gp::TextureBrush> MakeStrip(int AHeight, const std::vector<float>& ACoverage, float AAnchor,
                                            uint8_t ALayout, F&& AColorOf) {
  const bool row = ALayout & StripRow, reversed = ALayout & StripReversed;
  gp::Bitmap strip(row ? AHeight : 1, row ? 1 : AHeight);
  for (int y = 0; y < AHeight; ++y) {
    TAlphaColor c = AColorOf(y);
    if (!ACoverage.empty()) {
      const uint32_t a = uint32_t(std::lround(double(c >> 24) * double(ACoverage[size_t(y)])));
      c = (c & 0x00FFFFFFu) | (std::min<uint32_t>(a, 255) << 24);
    }
    const int at = reversed ? AHeight - 1 - y : y;
    (row ? strip.ScanLine(0)[at] : strip.ScanLine(at)[0]) = PBPremultiply(c);
  }
  strip.MarkDirty();
  auto brush = std::make_unique<gp::TextureBrush>(strip, gp::WrapModeTile);
  // The strip's pixels to the frame: along the bar from the anchor down, across it as laid.
  const float along = reversed ? -1 : 1, across = ALayout & StripFlipped ? -1 : 1, from = reversed ? float(AHeight) : 0;
  gp::Matrix toFrame = row ? gp::Matrix(0, along, across, 0, 0, from) : gp::Matrix(across, 0, 0, along, 0, from);
  toFrame.Translate(0, AAnchor, gp::MatrixOrderAppend);
  brush->SetTransform(toFrame);
  return brush;
}

}  // namespace

void TDWSpectrumDisplay::ReleaseOwnCaches() {
  FColorsValid = false;
  std::vector<std::unique_ptr<gp::TextureBrush>>().swap(FStrips);
  std::vector<uint32_t>().swap(FStripOf);
  FBkgBrush.reset();
  FPeakBrush.reset();
  FPeakDropBrush.reset();
}

void TDWSpectrumDisplay::CalcFromColors(int ABars, float ABarHeight, float AStripBottom, float ABlockSize,
                                        float ABlockPitch, float AAnchor, const gp::Matrix& AToDevice) {
  const int laid = StripLayout(AToDevice);
  const uint8_t layout = uint8_t(std::max(laid, 0));
  const TColorKey key{ABars,   ABarHeight,    AStripBottom, ABlockSize, ABlockPitch,
                      AAnchor, AntiAliased(), laid < 0,     layout};
  if (FColorsValid && key == FColorKey && !FStrips.empty()) return;
  FColorKey = key;
  FColorsValid = true;
  const TDWSpectrumBars& bars = *FBars;
  const int height = int(std::ceil(AStripBottom)) + 1;
  const bool antiAlias = key.AntiAlias;

  // Block rows, laid from the bar's bottom up with the gap above each block, so a level of k
  // block pitches shows k whole blocks and a peak marker on it covers block k exactly.
  std::vector<float> coverage;
  if (ABlockPitch > 0) {
    coverage.assign(size_t(height), 0.0f);
    const float barTop = AStripBottom - ABarHeight;
    for (int k = 0;; ++k) {
      const float bottom = AStripBottom - float(k) * ABlockPitch, top = bottom - ABlockSize;
      if (!(bottom > barTop)) break;
      const int y0 = std::max(0, int(std::floor(top))), y1 = std::min(height, int(std::ceil(bottom)));
      for (int y = y0; y < y1; ++y) {
        if (antiAlias) {
          coverage[size_t(y)] += std::max(0.0f, std::min(bottom, float(y + 1)) - std::max(top, float(y)));
        } else if (float(y) + 0.5f >= top && float(y) + 0.5f < bottom) {
          coverage[size_t(y)] = 1;
        }
      }
    }
    for (float& c : coverage) c = std::min(c, 1.0f);
  }

  // The groups and the sampling positions of the ramp.
  const TDWSpectrumBarColorGroups& groups = bars.ColorGroups();
  std::vector<TGroupRamp> ramps(groups.Count());
  std::vector<float> positions{0.0f};
  for (size_t g = 0; g < groups.Count(); ++g) {
    const TDWSpectrumBarColorGroup& group = groups[g];
    TGroupRamp& r = ramps[g];
    r.Own = group.Color();
    const TKVColorItems& colors = group.Colors();
    for (size_t k = 0; k < colors.Count(); ++k) {
      r.Colors.push_back(colors[k].Color());
      r.Weights.push_back(colors[k].Weight());
      r.Breaks.push_back(colors[k].Break());
    }
    const size_t n = r.Colors.size();
    if (n < 2) continue;
    double total = 0;  // weights of the colours before the last
    for (size_t k = 0; k + 1 < n; ++k) total += double(r.Weights[k]);
    if (!(total > 0)) continue;
    double sum = 0;
    for (size_t k = 0; k + 1 < n; ++k) {
      sum += double(r.Weights[k]);
      positions.push_back(float(sum / total));
    }
    // The run breaks too, so the colour jumps there instead of blending across.
    double all = total + double(r.Weights[n - 1]), run = 0;
    for (size_t k = 0; k + 1 < n; ++k) {
      run += double(r.Weights[k]);
      if (r.Breaks[k]) positions.push_back(float(run / all));
    }
  }
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  if (positions.size() == 1) positions = {0.0f, 1.0f};
  const size_t G = ramps.size();
  const bool ramp = G >= 2 || (G == 1 && ramps[0].Colors.size() >= 2);
  const TAlphaColor solid = G == 0 ? bars.Color() : ramps[0].Own;

  // A group's colours at the sampling positions, worked out when a strip first blends it: every
  // strip between the same two groups takes them from there.
  auto sampled = [&](size_t g) -> const TGroupRamp& {
    TGroupRamp& r = ramps[g];
    if (r.Below.empty()) {
      for (const float p : positions) {
        r.Below.push_back(r.At(p, false));
        r.Above.push_back(r.At(p, true));
      }
    }
    return r;
  };

  // One strip per bar when the colour changes across the bars, within the pixel budget.
  const size_t wanted = ramp && G >= 2 ? size_t(ABars) : 1;
  const size_t count = std::clamp<size_t>(MaxStripPixels / size_t(height), 1, wanted);
  FStrips.clear();
  FStrips.reserve(count);
  FStripOf.assign(size_t(ABars), 0);
  for (size_t i = 0; i < size_t(ABars); ++i) FStripOf[i] = uint32_t(i * count / size_t(ABars));
  for (size_t s = 0; s < count; ++s) {
    if (!ramp) {
      FStrips.push_back(MakeStrip(height, coverage, AAnchor, layout, [&](int) { return solid; }));
      continue;
    }
    // The bar this strip stands for: its interval g and blend fraction f across the groups.
    const size_t bar = count == size_t(ABars) ? s : s * size_t(ABars) / count;
    const double across = double(G) * double(bar) / double(ABars);
    const size_t g = std::min(G - 1, size_t(across));
    const float f = float(across - double(g));
    const TGroupRamp& from = sampled(g > 0 ? g - 1 : 0);
    const TGroupRamp& to = sampled(g);
    // The ends of every stretch between two positions, once per strip rather than per row: a
    // tall strip has many rows to a stretch.
    std::vector<std::pair<TAlphaColor, TAlphaColor>> ends(positions.size() - 1);
    for (size_t j = 0; j + 1 < positions.size(); ++j)
      ends[j] = {RXInterpolateColorF(from.Below[j + 1], to.Below[j + 1], f),
                 RXInterpolateColorF(from.Above[j], to.Above[j], f)};
    FStrips.push_back(MakeStrip(height, coverage, AAnchor, layout, [&](int y) {
      const float p = std::clamp((AStripBottom - (float(y) + 0.5f)) / ABarHeight, 0.0f, 1.0f);
      // The stretch whose upper position is the first at or above p (the last one at most).
      const size_t j = size_t(std::lower_bound(positions.begin() + 1, positions.end() - 1, p) - positions.begin()) - 1;
      const float lower = positions[j], upper = positions[j + 1];
      // From the colour just below the upper position (top) to the one just above the lower.
      const float t = upper > lower ? (upper - p) / (upper - lower) : 0;
      return RXInterpolateColorF(ends[j].first, ends[j].second, std::clamp(t, 0.0f, 1.0f));
    }));
  }
  FBkgBrush = MakeStrip(height, coverage, AAnchor, layout, [&](int) { return bars.BackColor(); });
  FPeakBrush = MakeStrip(height, coverage, AAnchor, layout, [&](int) { return bars.Peaks().Color(); });
  FPeakDropBrush = MakeStrip(height, coverage, AAnchor, layout, [&](int) { return bars.Peaks().DroppingColor(); });
}

}  // namespace dw
