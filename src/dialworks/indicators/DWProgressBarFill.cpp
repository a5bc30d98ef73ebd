#include "dialworks/indicators/DWProgressBarFill.h"

#include <algorithm>
#include <cmath>

#include "dialworks/draw/Shading.h"
#include "dialworks/host/Helpers.h"

namespace dw {

namespace {

constexpr TAlphaColor Argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) { return MakeColor(r, g, b, a); }

float Weight(const TDWRampColor& c) { return c.Weight > 0 && std::isfinite(c.Weight) ? c.Weight : 0.0f; }

// Hue/lightness/saturation on the 0..240 scale of the classic colour dialog.
struct THls {
  double H = 0, L = 0, S = 0;
};

THls ToHls(TAlphaColor c) {
  const double r = GetRed(c) / 255.0, g = GetGreen(c) / 255.0, b = GetBlue(c) / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  THls out;
  const double l = (mx + mn) / 2;
  out.L = l * 240;
  const double d = mx - mn;
  if (d <= 0) return out;
  out.S = (l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn)) * 240;
  double h;
  if (mx == r) h = (g - b) / d + (g < b ? 6 : 0);
  else if (mx == g) h = (b - r) / d + 2;
  else h = (r - g) / d + 4;
  out.H = h / 6 * 240;
  return out;
}

double HueChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0 / 6) return p + (q - p) * 6 * t;
  if (t < 0.5) return q;
  if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}

TAlphaColor FromHls(const THls& c, uint8_t AAlpha) {
  const double l = c.L / 240, s = c.S / 240, h = c.H / 240;
  double r = l, g = l, b = l;
  if (s > 0) {
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    r = HueChannel(p, q, h + 1.0 / 3);
    g = HueChannel(p, q, h);
    b = HueChannel(p, q, h - 1.0 / 3);
  }
  auto ch = [](double v) { return uint8_t(std::clamp(RXRoundHalfEvenToInt(v * 255), 0, 255)); };
  return Argb(AAlpha, ch(r), ch(g), ch(b));
}

}  // namespace

TAlphaColor ValueToColorRGB(double AValue, double AMax) {
  const double m = AMax >= 1 ? AMax : 1.0;
  double share = AValue / m;
  if (!(share >= 0)) share = 0;  // negative and NaN
  const int i = std::min(RXRoundHalfEvenToInt(std::min(share, 2.0) * 1023), 1023);
  const uint8_t b = uint8_t(i % 256);
  if (i < 256) return Argb(255, 0, b, 255);
  if (i < 512) return Argb(255, 0, 255, uint8_t(255 - b));
  if (i < 768) return Argb(255, b, 255, 0);
  return Argb(255, 255, uint8_t(255 - b), 0);
}

namespace {

// The ramp laid out once, so that a whole bar costs a search per column rather than summing every
// weight again. The sums are taken in the same order as a walk over the colours would take them:
// the colours come out bit for bit the same.
class TRamp {
 public:
  explicit TRamp(const std::vector<TDWRampColor>& AColors) : FColors(AColors), FAt(AColors.size()) {
    const size_t n = AColors.size();
    double total = 0;
    for (const TDWRampColor& c : AColors) total += Weight(c);
    const bool equal = !(total > 0);
    if (equal) total = double(n);
    auto w = [&](size_t k) { return equal ? 1.0 : double(Weight(AColors[k])); };
    double start = 0;
    for (size_t first = 0; first < n;) {
      size_t last = first;
      while (last + 1 < n && !AColors[last].Break) ++last;
      // Colour k sits at the weights before it over the run's weights except the last.
      double runWeight = 0;
      for (size_t k = first; k <= last; ++k) {
        FAt[k] = runWeight;
        runWeight += w(k);
      }
      const double inner = runWeight - w(last);
      for (size_t k = first; k <= last; ++k)
        FAt[k] = inner > 0 ? FAt[k] / inner : last > first ? double(k - first) / double(last - first) : 0.0;
      const double share = runWeight / total;
      FRuns.push_back({first, last, start, share, start + share});
      start += share;
      first = last + 1;
    }
  }

  TAlphaColor ColorAt(double APosition) const {
    if (FRuns.empty()) return 0;
    const double u = APosition >= 0 ? std::min(APosition, 1.0) : 0.0;  // NaN: the start
    // The first run reaching u, else the last (the ends only grow).
    auto run = std::lower_bound(FRuns.begin(), FRuns.end() - 1, u, [](const TRun& r, double v) { return r.End < v; });
    const size_t first = run->First, last = run->Last;
    if (first == last) return FColors[first].Color;
    const double local = run->Share > 0 ? std::clamp((u - run->Start) / run->Share, 0.0, 1.0) : 0.0;
    // The first neighbour pair whose upper colour sits at or past local, else the last pair.
    const auto at = FAt.begin();
    const size_t k = size_t(std::lower_bound(at + first + 1, at + last, local) - at) - 1;
    const double a = FAt[k], b = FAt[k + 1];
    const double f = b > a ? (local - a) / (b - a) : 1.0;
    return RXInterpolateColorF(FColors[k].Color, FColors[k + 1].Color, float(std::clamp(f, 0.0, 1.0)));
  }

 private:
  struct TRun {
    size_t First, Last;
    double Start, Share, End;
  };
  const std::vector<TDWRampColor>& FColors;
  std::vector<double> FAt;  // each colour's place in its run, 0..1
  std::vector<TRun> FRuns;
};

}  // namespace

TAlphaColor DWRampColorAt(const std::vector<TDWRampColor>& AColors, double APosition) {
  return TRamp(AColors).ColorAt(APosition);
}

std::vector<TAlphaColor> DWBarColumnColors(const std::vector<TDWRampColor>& AColors, int ALength) {
  std::vector<TAlphaColor> out(size_t(std::max(ALength, 0)));
  const TRamp ramp(AColors);
  for (size_t x = 0; x < out.size(); ++x) {
    if (AColors.empty()) out[x] = ValueToColorRGB(double(x), double(ALength - 1));
    else out[x] = ramp.ColorAt(ALength > 1 ? double(x) / double(ALength - 1) : 0.0);
  }
  return out;
}

TAlphaColor DWShadeBarColor(TAlphaColor AColor, TDWProgressBarGaugeKind AKind, double ADepth) {
  if (AKind != bkMetal && AKind != bkGlass) return AColor;
  const double t = ADepth >= 0 ? std::min(ADepth, 1.0) : 0.0;
  // Lightness curve across the bar: 164.6 at the top edge, brightest (about 203) near 0.3,
  // darkest (about 145) near 0.7, 178 at the bottom edge.
  const double p = (((-4342.9 * t + 10543) * t - 8216) * t + 2018.1) * t * t + 11.096 * t + 164.6;
  THls c = ToHls(AColor);
  c.L = std::clamp(c.L - (AKind == bkMetal ? 212 : 100) + p, 0.0, 240.0);
  return FromHls(c, GetAlpha(AColor));
}

void DWPaintBarPicture(gp::Bitmap& ABitmap, const std::vector<TAlphaColor>& AColumns, TDWProgressBarGaugeKind AKind,
                       bool AFlip) {
  const int w = ABitmap.Width(), h = ABitmap.Height();
  if (w <= 0 || h <= 0 || AColumns.empty()) return;
  const size_t n = AColumns.size();
  for (int y = 0; y < h; ++y) {
    uint32_t* row = ABitmap.ScanLine(y);
    const double depth = (double(AFlip ? h - 1 - y : y) + 0.5) / double(h);
    TAlphaColor last = 0;
    uint32_t lastPixel = gp::Bitmap::Premultiply(DWShadeBarColor(0, AKind, depth));
    for (int x = 0; x < w; ++x) {
      const TAlphaColor base = AColumns[std::min(size_t(x) * n / size_t(w), n - 1)];
      if (x == 0 || base != last) {  // runs of one colour are shaded once
        last = base;
        lastPixel = gp::Bitmap::Premultiply(DWShadeBarColor(base, AKind, depth));
      }
      row[x] = lastPixel;
    }
  }
  ABitmap.MarkDirty();
}

double DWBarFilledShare(double AValue, double AMin, double AMax) {
  const double span = AMax - AMin;
  if (!(span != 0 && std::isfinite(span))) return 0;
  const double share = (AValue - AMin) / span;
  return share >= 0 ? std::min(share, 1.0) : 0.0;
}

TDWBarBlocks DWBarBlocks(float ASize, float AGap) {
  TDWBarBlocks b;
  b.Size = ASize >= 1 && std::isfinite(ASize) ? ASize : 1.0f;
  b.Gap = AGap >= 0 && std::isfinite(AGap) ? AGap : 0.0f;
  return b;
}

int TDWBarBlocks::SlotCount(float ALength) const {
  if (!(ALength > 0)) return 0;
  const double pitch = double(Size) + Gap;
  return int(std::min(std::ceil(double(ALength) / pitch), 1e6));
}

int TDWBarBlocks::FilledCount(float AFilled, bool AMonolithic) const {
  if (!(AFilled > 0)) return 0;
  const double pitch = double(Size) + Gap;
  // Whole blocks: k blocks end at k * pitch - gap.
  const int whole = int(std::min(std::floor((double(AFilled) + Gap) / pitch + 1e-6), 1e6));
  if (AMonolithic) return whole;
  return double(whole) * pitch < double(AFilled) ? whole + 1 : whole;
}

TDWBarBlock TDWBarBlocks::Block(int AIndex, float AFilled, bool AMonolithic) const {
  TDWBarBlock b;
  b.Start = float(double(AIndex) * (double(Size) + Gap));
  b.Length = Size;
  if (!AMonolithic && b.Start + b.Length > AFilled) b.Length = std::max(AFilled - b.Start, 0.0f);
  return b;
}

}  // namespace dw
