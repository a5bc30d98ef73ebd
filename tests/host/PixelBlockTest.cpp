#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/host/PixelBlock.h"

using namespace dw;

namespace {

// Straightforward reference: per channel in double precision, rounded to nearest.
uint32_t Channel(uint32_t p, int shift) { return (p >> shift) & 255; }
uint32_t Round255(double x) { return uint32_t(std::floor(x / 255.0 + 0.5)); }

uint32_t RefCompose(uint32_t d, uint32_t s, TPBComposition mode) {
  const uint32_t sa = s >> 24, da = d >> 24;
  uint32_t out = 0;
  for (int shift : {24, 16, 8, 0}) {
    const uint32_t sc = Channel(s, shift), dc = Channel(d, shift);
    uint32_t v = 0;
    switch (mode) {
      case pbcOver: v = sc + Round255(double(dc) * (255 - sa)); break;
      case pbcAtop: v = shift == 24 ? da : Round255(double(sc) * da + double(dc) * (255 - sa)); break;
      case pbcPlus: v = sc + dc; break;
    }
    out |= std::min<uint32_t>(v, 255) << shift;
  }
  return out;
}

// Random valid premultiplied pixels (colour channels never above alpha).
std::vector<uint32_t> RandomBlock(std::mt19937& rng, int n) {
  std::vector<uint32_t> v(static_cast<size_t>(n));
  for (auto& p : v) {
    const uint32_t a = rng() % 4 == 0 ? 255 : (rng() % 4 == 0 ? 0 : rng() % 256);
    p = a << 24;
    for (int shift : {16, 8, 0}) p |= (a ? rng() % (a + 1) : 0) << shift;
  }
  return v;
}

}  // namespace

TEST(PixelBlock, CompositionsMatchTheReferenceIncludingClipping) {
  std::mt19937 rng(12345);
  const int DW = 13, DH = 9, SW = 6, SH = 5;
  // Placements inside, across every edge, across corners, far outside and at the int limits.
  const int places[][2] = {{3, 2},  {-2, 1}, {10, 3},  {4, -3},    {5, 7},          {-4, -3},
                           {11, 8}, {13, 0}, {0, 9},   {-6, 0},    {0, -5},         {-100, 50},
                           {0, 0},  {7, 4},  {-2147483647, 0}, {2147483647, 2147483647}};
  for (TPBComposition mode : {pbcOver, pbcAtop, pbcPlus}) {
    for (auto& pl : places) {
      // The destination is a window into a wider padded buffer (stride 16): the padding must
      // stay untouched.
      std::vector<uint32_t> dst = RandomBlock(rng, 16 * DH), src = RandomBlock(rng, SW * SH);
      std::vector<uint32_t> expected = dst;
      for (int y = 0; y < SH; ++y)
        for (int x = 0; x < SW; ++x) {
          const int64_t dx = int64_t(pl[0]) + x, dy = int64_t(pl[1]) + y;
          if (dx < 0 || dy < 0 || dx >= DW || dy >= DH) continue;
          auto& e = expected[size_t(dy * 16 + dx)];
          e = RefCompose(e, src[size_t(y * SW + x)], mode);
        }
      PBCompose(TPixelBlock{dst.data(), DW, DH, 16}, pl[0], pl[1],
                TConstPixelBlock(src.data(), SW, SH), mode);
      ASSERT_EQ(dst, expected) << "mode " << int(mode) << " at " << pl[0] << "," << pl[1];
    }
  }
  // The exact division used by the loops agrees with rounding x / 255 over its whole range.
  for (uint32_t x = 0; x <= 255 * 255; ++x) ASSERT_EQ(PBDiv255(x), Round255(x)) << x;
}

TEST(PixelBlock, CopyFillAndOverlap) {
  std::vector<uint32_t> dst(6 * 4, 0);
  const TPixelBlock d{dst.data(), 6, 4, 0};
  PBFill(d, 0xFF102030);
  PBFill(d, 4, -1, 5, 3, 0x80000000);  // clipped to columns 4..5, rows 0..1
  PBFill(d, 0, 0, 0, 3, 0x1);          // empty: nothing
  PBFill(d, 0, 0, -2, 3, 0x1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(dst[size_t(y * 6 + x)], (x >= 4 && y <= 1) ? 0x80000000u : 0xFF102030u);

  const uint32_t src[4] = {1, 2, 3, 4};
  PBCopy(d, -1, 3, TConstPixelBlock(src, 2, 2));  // only (1, 0) of the source lands, at (0, 3)
  EXPECT_EQ(dst[18], 2u);
  EXPECT_EQ(dst[19], 0xFF102030u);
  PBCopy(d, 6, 0, TConstPixelBlock(src, 2, 2));  // wholly outside
  PBCopy(d, 0, 0, TConstPixelBlock(nullptr, 2, 2));

  // A block copied onto itself shifted right by one and down by one (overlapping memory).
  std::vector<uint32_t> img(5 * 3);
  for (size_t i = 0; i < img.size(); ++i) img[i] = uint32_t(i);
  std::vector<uint32_t> expected = img;
  for (int y = 2; y >= 1; --y)
    for (int x = 4; x >= 1; --x) expected[size_t(y * 5 + x)] = img[size_t((y - 1) * 5 + x - 1)];
  const TPixelBlock b{img.data(), 5, 3, 0};
  PBCopy(b, 1, 1, b);
  EXPECT_EQ(img, expected);
  // Composing a block onto itself reads the source before it is overwritten.
  std::vector<uint32_t> same(4, 0x80000000u);
  same[0] = 0xFF0000FFu;
  const TPixelBlock sb{same.data(), 4, 1, 0};
  PBComposeOver(sb, 1, 0, sb);
  EXPECT_EQ(same[1], 0xFF0000FFu);
  EXPECT_EQ(same[2], RefCompose(0x80000000u, 0x80000000u, pbcOver));
}

TEST(PixelBlock, LookupTintAndPremultiply) {
  EXPECT_EQ(PBPremultiply(0xFFABCDEF), 0xFFABCDEFu);
  EXPECT_EQ(PBPremultiply(0x00FFFFFF), 0u);
  EXPECT_EQ(PBPremultiply(0x80FF0000), 0x80800000u);
  EXPECT_EQ(PBUnpremultiply(0x80800000), 0x80FF0000u);
  EXPECT_EQ(PBUnpremultiply(0), 0u);
  for (uint32_t c : {0xFF000000u, 0xFF123456u, 0xFFFFFFFFu}) EXPECT_EQ(PBUnpremultiply(PBPremultiply(c)), c);

  auto lin = TPBChannelLookup::Linear(10, 210);
  EXPECT_EQ(lin[0], 10);
  EXPECT_EQ(lin[255], 210);
  EXPECT_EQ(lin[128], 110);  // 10 + 200·128/255 = 110.4

  // Tinting a premultiplied white stamp gives the stamp in the colour (premultiplied).
  std::vector<uint32_t> stamp = {0xFFFFFFFF, 0x80808080, 0x00000000};
  PBLookup(TPixelBlock{stamp.data(), 3, 1, 0}, TPBChannelLookup::Tint(0xFFFF8000));
  EXPECT_EQ(stamp[0], 0xFFFF8000u);
  EXPECT_EQ(stamp[1], 0x80804000u);
  EXPECT_EQ(stamp[2], 0u);
  // Identity tables change nothing.
  std::vector<uint32_t> keep = {0x12345678, 0x9ABCDEF0};
  PBLookup(TPixelBlock{keep.data(), 2, 1, 0}, TPBChannelLookup());
  EXPECT_EQ(keep, (std::vector<uint32_t>{0x12345678, 0x9ABCDEF0}));
}

TEST(PixelBlock, ComposesStraightIntoABitmap) {
  gp::Bitmap bmp(7, 3);  // Cairo rows are padded: stride 32 bytes for 7 pixels
  bmp.Clear(0xFF0000FF);
  const uint32_t stamp[4] = {PBPremultiply(0x80FF0000), PBPremultiply(0xFF00FF00),
                             PBPremultiply(0x00000000), PBPremultiply(0x40FFFFFF)};
  PBComposeOver(PBBitmapBlock(bmp), 5, 1, TConstPixelBlock(stamp, 2, 2));  // partly outside
  bmp.MarkDirty();
  EXPECT_EQ(bmp.GetPixel(6, 1), 0xFF00FF00u);
  EXPECT_EQ(bmp.GetPixel(5, 2), 0xFF0000FFu);  // a transparent stamp pixel leaves it
  EXPECT_EQ(bmp.GetPixel(4, 1), 0xFF0000FFu);
  const TAlphaColor mixed = bmp.GetPixel(5, 1);  // half red over blue
  EXPECT_EQ(mixed >> 24, 0xFFu);
  EXPECT_NEAR(double((mixed >> 16) & 255), 128, 1);
  EXPECT_NEAR(double(mixed & 255), 127, 1);
  gp::Bitmap empty;
  EXPECT_TRUE(PBBitmapBlock(empty).Empty());
  PBFill(PBBitmapBlock(empty), 0xFFFFFFFF);  // harmless
}
