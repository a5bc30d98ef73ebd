// Bitmap: a Cairo ARGB32 image surface. Pixels are read and written as non-premultiplied
// TAlphaColor; the raw buffer (for pixel-block code) is Cairo's layout: one native-endian
// uint32_t per pixel, 0xAARRGGBB with the colour channels PREMULTIPLIED by alpha, rows Stride()
// bytes apart. Call MarkDirty() after writing raw pixels. A bitmap may be 0 x 0; everything on it
// is then a harmless no-op.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <memory>
#include <string>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"

namespace dw::gp {

class DW_API Bitmap {
 public:
  Bitmap();  // 0 x 0
  // The widest and tallest bitmap (Cairo's image surface limit).
  static constexpr int MaxSide = 32767;
  // Negative, oversized (beyond MaxSide) or failed sizes give a 0 x 0 bitmap. Pixels start transparent.
  Bitmap(int width, int height, PixelFormat format = PixelFormat32bppARGB);
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  ~Bitmap();

  // nullptr when the file is missing or not a PNG.
  static std::unique_ptr<Bitmap> LoadPng(const std::string& path);
  static std::unique_ptr<Bitmap> FromFile(const std::string& path) { return LoadPng(path); }
  bool SavePng(const std::string& path) const;

  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  PixelFormat GetPixelFormat() const { return format_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // Outside the bitmap: GetPixel returns 0, SetPixel does nothing.
  TAlphaColor GetPixel(int x, int y) const;
  void SetPixel(int x, int y, TAlphaColor color);
  void Clear(TAlphaColor color);

  // Makes the bitmap width x height and transparent in the memory it has, when that is large enough
  // and nothing else holds its surface (a layer rebuilt at a size that fits keeps its pages);
  // false, and nothing changed, otherwise.
  // AClear false leaves the pixels undefined, for a caller that writes every one of them next.
  bool Reuse(int width, int height, bool AClear = true);
  // Heap bytes of its pixels (at least Stride() x Height(); more after Reuse to a smaller size).
  size_t Bytes() const;
  // Raw premultiplied access (see above). Data() is nullptr for a 0 x 0 bitmap.
  uint8_t* Data();
  const uint8_t* Data() const;
  int Stride() const;
  uint32_t* ScanLine(int y);
  const uint32_t* ScanLine(int y) const;
  void MarkDirty();

  // The Cairo surface (never nullptr); the bitmap keeps ownership.
  cairo_surface_t* Surface() const { return surface_; }

  static uint32_t Premultiply(TAlphaColor c);
  static TAlphaColor Unpremultiply(uint32_t p);

 private:
  void Create(int width, int height);

  cairo_surface_t* surface_ = nullptr;
  int width_ = 0, height_ = 0;
  PixelFormat format_ = PixelFormat32bppARGB;
};

}  // namespace dw::gp
