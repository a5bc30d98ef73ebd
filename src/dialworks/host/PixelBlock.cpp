#include "dialworks/host/PixelBlock.h"

#include "dialworks/draw/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

// GCC's cost model at -O2 vectorises only loops without a scalar tail; the row loops below win
// with one too (rows are rarely a multiple of four pixels).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("tree-loop-vectorize", "vect-cost-model=dynamic")
#endif

namespace dw {

namespace {

// The part of a W x H source placed at (x, y) that lies inside the destination.
struct TClip {
  int DX = 0, DY = 0;  // first destination pixel
  int SX = 0, SY = 0;  // first source pixel
  int W = 0, H = 0;
  bool Empty() const { return W <= 0 || H <= 0; }
};

TClip Clip(int ADestW, int ADestH, int AX, int AY, int ASrcW, int ASrcH) {
  TClip c;
  // 64-bit arithmetic: positions near the int limits must not overflow.
  const int64_t x0 = std::max<int64_t>(AX, 0), y0 = std::max<int64_t>(AY, 0);
  const int64_t x1 = std::min<int64_t>(int64_t(AX) + ASrcW, ADestW);
  const int64_t y1 = std::min<int64_t>(int64_t(AY) + ASrcH, ADestH);
  if (x1 <= x0 || y1 <= y0) return c;
  c.DX = int(x0);
  c.DY = int(y0);
  c.SX = int(x0 - AX);
  c.SY = int(y0 - AY);
  c.W = int(x1 - x0);
  c.H = int(y1 - y0);
  return c;
}

inline uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

void OverRow(uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
  for (int i = 0; i < n; ++i) {
    const uint32_t sp = s[i], dp = d[i];
    const uint32_t inv = 255 - (sp >> 24);
    const uint32_t a = std::min<uint32_t>(255, (sp >> 24) + PBDiv255((dp >> 24) * inv));
    const uint32_t r = std::min<uint32_t>(255, ((sp >> 16) & 255) + PBDiv255(((dp >> 16) & 255) * inv));
    const uint32_t g = std::min<uint32_t>(255, ((sp >> 8) & 255) + PBDiv255(((dp >> 8) & 255) * inv));
    const uint32_t b = std::min<uint32_t>(255, (sp & 255) + PBDiv255((dp & 255) * inv));
    d[i] = Pack(a, r, g, b);
  }
}

void AtopRow(uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
  for (int i = 0; i < n; ++i) {
    const uint32_t sp = s[i], dp = d[i];
    const uint32_t da = dp >> 24, inv = 255 - (sp >> 24);
    const uint32_t r = PBDiv255(((sp >> 16) & 255) * da + ((dp >> 16) & 255) * inv);
    const uint32_t g = PBDiv255(((sp >> 8) & 255) * da + ((dp >> 8) & 255) * inv);
    const uint32_t b = PBDiv255((sp & 255) * da + (dp & 255) * inv);
    d[i] = Pack(da, std::min<uint32_t>(r, 255), std::min<uint32_t>(g, 255), std::min<uint32_t>(b, 255));
  }
}

void PlusRow(uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
  for (int i = 0; i < n; ++i) {
    const uint32_t sp = s[i], dp = d[i];
    const uint32_t a = std::min<uint32_t>(255, (sp >> 24) + (dp >> 24));
    const uint32_t r = std::min<uint32_t>(255, ((sp >> 16) & 255) + ((dp >> 16) & 255));
    const uint32_t g = std::min<uint32_t>(255, ((sp >> 8) & 255) + ((dp >> 8) & 255));
    const uint32_t b = std::min<uint32_t>(255, (sp & 255) + (dp & 255));
    d[i] = Pack(a, r, g, b);
  }
}

bool Overlaps(const TPixelBlock& D, const TConstPixelBlock& S) {
  const auto* d0 = reinterpret_cast<const char*>(D.Bits);
  const auto* d1 = reinterpret_cast<const char*>(D.Row(D.Height - 1) + D.Width);
  const auto* s0 = reinterpret_cast<const char*>(S.Bits);
  const auto* s1 = reinterpret_cast<const char*>(S.Row(S.Height - 1) + S.Width);
  return !(s1 <= d0 || d1 <= s0);
}

}  // namespace

TPixelBlock PBBitmapBlock(gp::Bitmap& ABitmap) {
  if (ABitmap.Empty() || !ABitmap.Data()) return {};
  return TPixelBlock{reinterpret_cast<uint32_t*>(ABitmap.Data()), ABitmap.Width(), ABitmap.Height(),
                     ABitmap.Stride() / 4};
}

TConstPixelBlock PBBitmapBlock(const gp::Bitmap& ABitmap) {
  if (ABitmap.Empty() || !ABitmap.Data()) return {};
  return TConstPixelBlock(reinterpret_cast<const uint32_t*>(ABitmap.Data()), ABitmap.Width(),
                          ABitmap.Height(), ABitmap.Stride() / 4);
}

uint32_t PBPremultiply(TAlphaColor AColor) {
  const uint32_t a = AColor >> 24;
  return Pack(a, PBDiv255(((AColor >> 16) & 255) * a), PBDiv255(((AColor >> 8) & 255) * a),
              PBDiv255((AColor & 255) * a));
}

TAlphaColor PBUnpremultiply(uint32_t APixel) {
  const uint32_t a = APixel >> 24;
  if (a == 0) return 0;
  auto un = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  return Pack(a, un((APixel >> 16) & 255), un((APixel >> 8) & 255), un(APixel & 255));
}

uint32_t PBOverPixel(uint32_t ADest, uint32_t ASource) {
  OverRow(&ADest, &ASource, 1);
  return ADest;
}
uint32_t PBAtopPixel(uint32_t ADest, uint32_t ASource) {
  AtopRow(&ADest, &ASource, 1);
  return ADest;
}
uint32_t PBPlusPixel(uint32_t ADest, uint32_t ASource) {
  PlusRow(&ADest, &ASource, 1);
  return ADest;
}

void PBCopy(const TPixelBlock& ADest, int AX, int AY, const TConstPixelBlock& ASource) {
  if (ADest.Empty() || ASource.Empty()) return;
  const TClip c = Clip(ADest.Width, ADest.Height, AX, AY, ASource.Width, ASource.Height);
  if (c.Empty()) return;
  // Overlapping blocks (a block copied onto itself) copy bottom-up or top-down as needed.
  const bool backwards = Overlaps(ADest, ASource) && ADest.Row(c.DY) > ASource.Row(c.SY);
  for (int k = 0; k < c.H; ++k) {
    const int y = backwards ? c.H - 1 - k : k;
    std::memmove(ADest.Row(c.DY + y) + c.DX, ASource.Row(c.SY + y) + c.SX,
                 size_t(c.W) * sizeof(uint32_t));
  }
}

void PBFill(const TPixelBlock& ADest, int AX, int AY, int AWidth, int AHeight, uint32_t APixel) {
  if (ADest.Empty() || AWidth <= 0 || AHeight <= 0) return;
  const TClip c = Clip(ADest.Width, ADest.Height, AX, AY, AWidth, AHeight);
  for (int y = 0; y < c.H; ++y) std::fill_n(ADest.Row(c.DY + y) + c.DX, c.W, APixel);
}

void PBFill(const TPixelBlock& ADest, uint32_t APixel) {
  PBFill(ADest, 0, 0, ADest.Width, ADest.Height, APixel);
}

TPBChannelLookup::TPBChannelLookup() {
  for (int i = 0; i < 256; ++i) A[i] = R[i] = G[i] = B[i] = uint8_t(i);
}

std::array<uint8_t, 256> TPBChannelLookup::Linear(uint8_t ALow, uint8_t AHigh) {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i)
    t[i] = uint8_t(PBDiv255(uint32_t(ALow) * uint32_t(255 - i) + uint32_t(AHigh) * uint32_t(i)));
  return t;
}

TPBChannelLookup TPBChannelLookup::Tint(TAlphaColor AColor) {
  const uint32_t p = PBPremultiply(AColor);
  TPBChannelLookup l;
  l.A = Linear(0, uint8_t(p >> 24));
  l.R = Linear(0, uint8_t(p >> 16));
  l.G = Linear(0, uint8_t(p >> 8));
  l.B = Linear(0, uint8_t(p));
  return l;
}

void PBLookup(const TPixelBlock& ABlock, const TPBChannelLookup& L) {
  if (ABlock.Empty()) return;
  for (int y = 0; y < ABlock.Height; ++y) {
    uint32_t* row = ABlock.Row(y);
    for (int x = 0; x < ABlock.Width; ++x) {
      const uint32_t p = row[x];
      row[x] = Pack(L.A[p >> 24], L.R[(p >> 16) & 255], L.G[(p >> 8) & 255], L.B[p & 255]);
    }
  }
}

void PBCompose(const TPixelBlock& ADest, int AX, int AY, const TConstPixelBlock& ASource,
               TPBComposition AMode) {
  if (ADest.Empty() || ASource.Empty()) return;
  const TClip c = Clip(ADest.Width, ADest.Height, AX, AY, ASource.Width, ASource.Height);
  if (c.Empty()) return;
  // Composing a block onto (part of) itself goes through a row copy.
  const bool overlap = Overlaps(ADest, ASource);
  std::vector<uint32_t> tmp;
  if (overlap) tmp.resize(size_t(c.W) * size_t(c.H));
  if (overlap)
    for (int y = 0; y < c.H; ++y)
      std::copy_n(ASource.Row(c.SY + y) + c.SX, c.W, tmp.data() + size_t(y) * c.W);
  for (int y = 0; y < c.H; ++y) {
    uint32_t* d = ADest.Row(c.DY + y) + c.DX;
    const uint32_t* s = overlap ? tmp.data() + size_t(y) * c.W : ASource.Row(c.SY + y) + c.SX;
    switch (AMode) {
      case pbcOver: OverRow(d, s, c.W); break;
      case pbcAtop: AtopRow(d, s, c.W); break;
      case pbcPlus: PlusRow(d, s, c.W); break;
    }
  }
}

}  // namespace dw
