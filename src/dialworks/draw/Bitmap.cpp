#include "dialworks/draw/Bitmap.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace dw::gp {

namespace {
// A bitmap's pixel memory, ours rather than Cairo's so that a layer rebuilt at a size that fits
// can keep it (no fresh pages to fault in). It goes with the surface's last reference: a graphics
// may hold one beyond the bitmap.
struct TPixels {
  void* Data;
  size_t Bytes;
};
const cairo_user_data_key_t kPixelsKey{};

void FreePixels(void* APixels) {
  auto* p = static_cast<TPixels*>(APixels);
  std::free(p->Data);
  delete p;
}

TPixels* PixelsOf(cairo_surface_t* s) { return static_cast<TPixels*>(cairo_surface_get_user_data(s, &kPixelsKey)); }

// A surface over ABytes of AData (which it then owns), or nullptr (AData still the caller's).
cairo_surface_t* SurfaceOver(void* AData, size_t ABytes, int AWidth, int AHeight, int AStride) {
  cairo_surface_t* s = cairo_image_surface_create_for_data(static_cast<unsigned char*>(AData), CAIRO_FORMAT_ARGB32,
                                                           AWidth, AHeight, AStride);
  auto* pixels = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS ? new (std::nothrow) TPixels{AData, ABytes} : nullptr;
  if (!pixels || cairo_surface_set_user_data(s, &kPixelsKey, pixels, FreePixels) != CAIRO_STATUS_SUCCESS) {
    delete pixels;
    cairo_surface_destroy(s);
    return nullptr;
  }
  return s;
}

int StrideFor(int AWidth) { return cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, AWidth); }
}  // namespace

Bitmap::Bitmap() { Create(0, 0); }

Bitmap::Bitmap(int width, int height, PixelFormat format) : format_(format) {
  if (!(width > 0 && height > 0 && width <= MaxSide && height <= MaxSide)) width = height = 0;
  Create(width, height);
}

void Bitmap::Create(int width, int height) {
  surface_ = nullptr;
  const int stride = width > 0 && height > 0 ? StrideFor(width) : 0;
  if (stride > 0) {
    const size_t bytes = size_t(stride) * size_t(height);
    void* data = std::calloc(bytes, 1);  // transparent
    if (data && !(surface_ = SurfaceOver(data, bytes, width, height, stride))) std::free(data);
  }
  if (!surface_) {
    // 0 x 0, or out of memory and the like: a harmless empty bitmap.
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
    width = height = 0;
  }
  width_ = width;
  height_ = height;
}

bool Bitmap::Reuse(int width, int height, bool AClear) {
  if (!(width > 0 && height > 0 && width <= MaxSide && height <= MaxSide)) return false;
  TPixels* pixels = PixelsOf(surface_);
  if (!pixels || cairo_surface_get_reference_count(surface_) != 1) return false;
  const int stride = StrideFor(width);
  const size_t used = size_t(stride) * size_t(height);
  if (stride <= 0 || used > pixels->Bytes) return false;
  cairo_surface_t* s = SurfaceOver(pixels->Data, pixels->Bytes, width, height, stride);
  if (!s) return false;
  pixels->Data = nullptr;  // the new surface owns the memory now
  cairo_surface_destroy(surface_);
  surface_ = s;
  if (AClear) std::memset(cairo_image_surface_get_data(s), 0, used);
  width_ = width;
  height_ = height;
  return true;
}

size_t Bitmap::Bytes() const {
  if (const TPixels* pixels = PixelsOf(surface_)) return pixels->Bytes;
  return size_t(Stride()) * size_t(height_);
}

Bitmap::Bitmap(const Bitmap& other) : format_(other.format_) {
  Create(other.width_, other.height_);
  if (width_ == other.width_ && height_ == other.height_ && width_ > 0) {
    cairo_surface_flush(other.surface_);
    for (int y = 0; y < height_; ++y) std::memcpy(ScanLine(y), other.ScanLine(y), size_t(width_) * 4);
    MarkDirty();
  }
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this != &other) {
    Bitmap copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : surface_(other.surface_), width_(other.width_), height_(other.height_), format_(other.format_) {
  other.surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
  other.width_ = other.height_ = 0;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    std::swap(surface_, other.surface_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(format_, other.format_);
  }
  return *this;
}

Bitmap::~Bitmap() { cairo_surface_destroy(surface_); }

std::unique_ptr<Bitmap> Bitmap::LoadPng(const std::string& path) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  auto bmp = std::make_unique<Bitmap>(w, h);
  if (bmp->Width() == w && bmp->Height() == h) {
    cairo_t* cr = cairo_create(bmp->surface_);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  cairo_surface_destroy(s);
  return bmp;
}

bool Bitmap::SavePng(const std::string& path) const {
  if (Empty()) return false;  // PNG cannot hold a 0 x 0 image
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

uint32_t Bitmap::Premultiply(TAlphaColor c) {
  uint32_t a = c >> 24;
  if (a == 255) return c;
  if (a == 0) return 0;
  auto mul = [a](uint32_t v) { return (v * a + 127) / 255; };
  return (a << 24) | (mul((c >> 16) & 255) << 16) | (mul((c >> 8) & 255) << 8) | mul(c & 255);
}

TAlphaColor Bitmap::Unpremultiply(uint32_t p) {
  uint32_t a = p >> 24;
  if (a == 255) return p;
  if (a == 0) return 0;
  auto div = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
  return (a << 24) | (div((p >> 16) & 255) << 16) | (div((p >> 8) & 255) << 8) | div(p & 255);
}

TAlphaColor Bitmap::GetPixel(int x, int y) const {
  if (!(x >= 0 && x < width_ && y >= 0 && y < height_)) return 0;
  cairo_surface_flush(surface_);
  return Unpremultiply(ScanLine(y)[x]);
}

void Bitmap::SetPixel(int x, int y, TAlphaColor color) {
  if (!(x >= 0 && x < width_ && y >= 0 && y < height_)) return;
  cairo_surface_flush(surface_);
  ScanLine(y)[x] = Premultiply(color);
  cairo_surface_mark_dirty_rectangle(surface_, x, y, 1, 1);
}

void Bitmap::Clear(TAlphaColor color) {
  if (Empty()) return;
  cairo_surface_flush(surface_);
  uint32_t p = Premultiply(color);
  // Transparent, the common case, as one memset: ten times faster than storing pixel by pixel.
  if (p == 0) std::memset(Data(), 0, size_t(Stride()) * size_t(height_));
  else
    for (int y = 0; y < height_; ++y) std::fill_n(ScanLine(y), width_, p);
  MarkDirty();
}

uint8_t* Bitmap::Data() { return Empty() ? nullptr : cairo_image_surface_get_data(surface_); }
const uint8_t* Bitmap::Data() const { return Empty() ? nullptr : cairo_image_surface_get_data(surface_); }
int Bitmap::Stride() const { return cairo_image_surface_get_stride(surface_); }

uint32_t* Bitmap::ScanLine(int y) {
  if (!(y >= 0 && y < height_)) return nullptr;
  return reinterpret_cast<uint32_t*>(Data() + size_t(y) * size_t(Stride()));
}

const uint32_t* Bitmap::ScanLine(int y) const {
  if (!(y >= 0 && y < height_)) return nullptr;
  return reinterpret_cast<const uint32_t*>(Data() + size_t(y) * size_t(Stride()));
}

void Bitmap::MarkDirty() { cairo_surface_mark_dirty(surface_); }

}  // namespace dw::gp
