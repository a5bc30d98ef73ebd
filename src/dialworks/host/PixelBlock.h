// Pixel-block primitives on 32-bit ARGB blocks. Pixels are uint32_t 0xAARRGGBB in native byte
// order with PREMULTIPLIED alpha, the layout of Cairo's ARGB32 image surfaces (gp::Bitmap), so a
// block can be composed straight into a bitmap's pixels. Convert TAlphaColor values (not
// premultiplied) with PBPremultiply / PBUnpremultiply.
//
// Every operation clips to the destination: blocks partly or wholly outside, negative positions
// and empty blocks are fine. Rows may be padded (Stride in pixels, at least Width). Division by
// 255 rounds to nearest. The loops are plain per-row loops the compiler vectorises.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"

namespace dw {

namespace gp {
class Bitmap;
}

struct DW_API TPixelBlock {
  uint32_t* Bits = nullptr;
  int Width = 0, Height = 0;
  int Stride = 0;  // pixels per row; 0 means Width
  int RowPitch() const { return Stride > 0 ? Stride : Width; }
  uint32_t* Row(int y) const { return Bits + ptrdiff_t(y) * RowPitch(); }
  bool Empty() const { return !Bits || Width <= 0 || Height <= 0; }
};

struct DW_API TConstPixelBlock {
  const uint32_t* Bits = nullptr;
  int Width = 0, Height = 0;
  int Stride = 0;
  TConstPixelBlock() = default;
  TConstPixelBlock(const uint32_t* ABits, int AWidth, int AHeight, int AStride = 0)
      : Bits(ABits), Width(AWidth), Height(AHeight), Stride(AStride) {}
  TConstPixelBlock(const TPixelBlock& ABlock)  // NOLINT: implicit on purpose
      : Bits(ABlock.Bits), Width(ABlock.Width), Height(ABlock.Height), Stride(ABlock.Stride) {}
  int RowPitch() const { return Stride > 0 ? Stride : Width; }
  const uint32_t* Row(int y) const { return Bits + ptrdiff_t(y) * RowPitch(); }
  bool Empty() const { return !Bits || Width <= 0 || Height <= 0; }
};

// The pixels of a bitmap as a block (empty for a 0 x 0 bitmap). Call MarkDirty() on the bitmap
// after writing through the block, before drawing the bitmap.
DW_API TPixelBlock PBBitmapBlock(gp::Bitmap& ABitmap);
DW_API TConstPixelBlock PBBitmapBlock(const gp::Bitmap& ABitmap);

// Rounded x / 255 for x in 0..255*255.
constexpr uint32_t PBDiv255(uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

DW_API uint32_t PBPremultiply(TAlphaColor AColor);
DW_API TAlphaColor PBUnpremultiply(uint32_t APixel);

// Copies ASource to (AX, AY) of ADest.
DW_API void PBCopy(const TPixelBlock& ADest, int AX, int AY, const TConstPixelBlock& ASource);
// Fills the rectangle (AX, AY, AWidth, AHeight) of ADest with a premultiplied pixel.
DW_API void PBFill(const TPixelBlock& ADest, int AX, int AY, int AWidth, int AHeight, uint32_t APixel);
DW_API void PBFill(const TPixelBlock& ADest, uint32_t APixel);

// One 256-entry table per channel; Apply maps every channel of every pixel through its table.
// Tables act on the stored (premultiplied) channel values.
struct DW_API TPBChannelLookup {
  std::array<uint8_t, 256> A, R, G, B;
  // Identity tables.
  TPBChannelLookup();
  // Table running linearly from ALow (at 0) to AHigh (at 255), rounded.
  static std::array<uint8_t, 256> Linear(uint8_t ALow, uint8_t AHigh);
  // Tint: each channel scaled by the colour's channel / 255 (alpha by its alpha); applied to a
  // premultiplied white stamp this gives the stamp in that colour.
  static TPBChannelLookup Tint(TAlphaColor AColor);
};
DW_API void PBLookup(const TPixelBlock& ABlock, const TPBChannelLookup& ALookup);

enum TPBComposition : uint8_t {
  pbcOver,  // source over destination: s + d·(1 − sa)
  pbcAtop,  // source atop destination: s·da + d·(1 − sa); keeps the destination's alpha
  pbcPlus   // saturating sum s + d
};
// Composes ASource at (AX, AY) onto ADest.
DW_API void PBCompose(const TPixelBlock& ADest, int AX, int AY, const TConstPixelBlock& ASource,
               TPBComposition AMode);
inline void PBComposeOver(const TPixelBlock& D, int X, int Y, const TConstPixelBlock& S) {
  PBCompose(D, X, Y, S, pbcOver);
}
inline void PBComposeAtop(const TPixelBlock& D, int X, int Y, const TConstPixelBlock& S) {
  PBCompose(D, X, Y, S, pbcAtop);
}
inline void PBComposePlus(const TPixelBlock& D, int X, int Y, const TConstPixelBlock& S) {
  PBCompose(D, X, Y, S, pbcPlus);
}

// Single-pixel versions (the reference the block loops follow).
DW_API uint32_t PBOverPixel(uint32_t ADest, uint32_t ASource);
DW_API uint32_t PBAtopPixel(uint32_t ADest, uint32_t ASource);
DW_API uint32_t PBPlusPixel(uint32_t ADest, uint32_t ASource);

}  // namespace dw
