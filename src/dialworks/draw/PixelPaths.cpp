#include "dialworks/draw/PixelPaths.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/CairoSupport.h"
#include "dialworks/draw/ComputedCoverage.h"
#include "dialworks/draw/ConvexGradient.h"
#include "dialworks/draw/CoverageGradient.h"
#include "dialworks/draw/LayerRuns.h"
#include "dialworks/draw/PolygonCoverage.h"

namespace dw::gp {

using namespace detail;

PixelPaths::~PixelPaths() {
  if (coverage_) cairo_surface_destroy(coverage_);
  if (clipMask_) cairo_surface_destroy(clipMask_);
}

// Whether drawing may write the target's pixels itself: a plain ARGB32 image in device pixels,
// drawn over, with no clip or a whole-pixel rectangle (which narrows *pixels). With AShapedClip any
// other clip is accepted too (*shaped is then set); the caller applies it.
bool PixelPaths::DirectPixels(RectF* pixels, bool AShapedClip, bool* shaped) const {
  const auto& st_ = g_.st_;
  cairo_surface_t* surface_ = g_.surface_;
  if (st_.compositing != CompositingModeSourceOver) return false;
  double ox = 0, oy = 0, sx = 1, sy = 1;
  cairo_surface_get_device_offset(surface_, &ox, &oy);
  cairo_surface_get_device_scale(surface_, &sx, &sy);
  if (cairo_surface_get_type(surface_) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface_) != CAIRO_FORMAT_ARGB32 || ox != 0 || oy != 0 || sx != 1 || sy != 1)
    return false;
  if (st_.clip && !PixelRectangle(st_.clip->Root(), pixels)) {
    if (!AShapedClip) return false;
    const RectF b = st_.clip->GetBounds();  // the pixels its edges cross included
    *pixels = RectF::Intersect(
        *pixels, RectF::FromLTRB(std::floor(b.X), std::floor(b.Y), std::ceil(b.Right()), std::ceil(b.Bottom())));
    *shaped = true;
  }
  *pixels = RectF::Intersect(*pixels, RectF(0, 0, float(cairo_image_surface_get_width(surface_)),
                                            float(cairo_image_surface_get_height(surface_))));
  return true;
}


bool PixelPaths::ShapedClip() const {
  RectF pixels = g_.device_;
  bool shaped = false;
  return DirectPixels(&pixels, true, &shaped) && shaped;
}

// Linear and elliptical gradients, and solid colours on ellipses and elliptical rings: the shape's
// coverage goes into an A8 mask (computed for ellipses, else rasterised by Cairo) and
// CoverageGradient composes the paint through it (see there for why). Under a shaped clip every
// solid fill comes here too: Cairo would render the clip's coverage anew for each fill.
bool PixelPaths::FillPath(const Brush& brush, const GraphicsPath& path) {
  const BrushType type = brush.GetType();
  if (type != BrushTypeLinearGradient && type != BrushTypePathGradient && type != BrushTypeSolidColor) return false;
  EllipseShape ellipse;
  const bool computed = FilledEllipseShape(path, g_.st_.transform, &ellipse);
  // Other solid fills are Cairo's fastest way.
  if (type == BrushTypeSolidColor && !computed && !ShapedClip()) return false;
  const ComputedShape shape = ellipse;
  return ComposeCoverage(brush, computed ? &shape : nullptr, &path);
}

bool PixelPaths::FillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode) {
  if (!ShapedClip()) return false;
  const BrushType type = brush.GetType();
  if (type != BrushTypeLinearGradient && type != BrushTypePathGradient && type != BrushTypeSolidColor) return false;
  polygon_.assign(pts, pts + count);
  g_.st_.transform.TransformPoints(polygon_.data(), count);
  if (IsAntiAliased(g_.st_.smoothing) && SimplePolygon(polygon_.data(), count))
    return ComposeCoverage(brush, nullptr, nullptr, true);
  path_.Reset();
  path_.SetFillMode(mode);
  path_.AddPolygon(pts, count);
  return ComposeCoverage(brush, nullptr, &path_);
}

bool PixelPaths::DrawText(const Brush& brush, PangoLayout* layout, PointF position, const RectF* layoutClip) {
  if (!ShapedClip() || brush.GetType() != BrushTypeSolidColor) return false;
  const std::pair<PangoLayout*, PointF> text(layout, position);
  return ComposeCoverage(brush, nullptr, nullptr, false, &text, layoutClip);
}

// A solid pen along a circle: the ring it covers, computed.
bool PixelPaths::StrokePath(const Pen& pen, const GraphicsPath& path) {
  EllipseShape ring;
  if (pen.GetBrush().GetType() != BrushTypeSolidColor || pen.GetDashStyle() != DashStyleSolid ||
      !StrokedCircleShape(path, g_.st_.transform, pen.GetWidth(), &ring))
    return false;
  const ComputedShape shape = ring;
  return ComposeCoverage(pen.GetBrush(), &shape, nullptr);  // never the path: it is not what a pen covers
}

// A solid straight stroke with flat or square caps (Cairo caps both ends with the start cap) is a
// rectangle whose coverage is computed.
bool PixelPaths::DrawLine(const Pen& pen, PointF a, PointF b) {
  LineShape line;
  if (pen.GetBrush().GetType() != BrushTypeSolidColor || pen.GetDashStyle() != DashStyleSolid ||
      !StrokedLineShape(a, b, g_.st_.transform, pen.GetWidth(), pen.GetStartCap(), &line))
    return false;
  const ComputedShape shape = line;
  return ComposeCoverage(pen.GetBrush(), &shape, nullptr);
}

// A solid arc with flat ends along a circle: a ring cut by two rays, computed.
bool PixelPaths::DrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) {
  ArcShape arc;
  if (pen.GetBrush().GetType() != BrushTypeSolidColor || pen.GetDashStyle() != DashStyleSolid ||
      !StrokedArcShape(rect, startAngle, sweepAngle, g_.st_.transform, pen.GetWidth(), pen.GetStartCap(), &arc))
    return false;
  const ComputedShape shape = arc;
  return ComposeCoverage(pen.GetBrush(), &shape, nullptr);
}

// A clip that is one shape cut by a rectangle on whole pixels (a window repainting part of itself
// clips to a rectangle, an instrument then to its face): within the rectangle, which *pixels is
// narrowed to, the clip's coverage is the shape's. Otherwise the clip's root as it is.
const Region::Node& PixelPaths::ClipShape(RectF* pixels) const {
  const Region::Node& root = g_.st_.clip->Root();
  if (root.kind != Region::Kind::Intersect) return root;
  RectF r = *pixels;
  const Region::Node* cut = PixelRectangle(*root.a, &r)   ? root.b.get()
                            : PixelRectangle(*root.b, &r) ? root.a.get()
                                                          : nullptr;
  if (!cut || cut->kind != Region::Kind::Path) return root;
  *pixels = r;
  return *cut;
}

bool PixelPaths::ClipEllipse(EllipseShape* ellipse, RectF* pixels) {
  const std::shared_ptr<const Region>& clip = g_.st_.clip;
  RectF within = *pixels;
  const Region::Node& shape = ClipShape(&within);
  const bool whole = &shape == &clip->Root();
  if (!(clipEllipseOf_ && (clipEllipseOf_ == clip || clipEllipseOf_->Root() == shape))) {
    clipIsEllipse_ = shape.kind == Region::Kind::Path && FilledEllipseShape(shape.path, Matrix(), &clipEllipse_);
    clipEllipseOf_ = whole ? clip : std::make_shared<const Region>(shape.path);
  } else if (whole) {
    clipEllipseOf_ = clip;  // the same shapes set again (each paint): compared by address next time
  }
  if (!clipIsEllipse_) return false;
  *pixels = within;
  *ellipse = clipEllipse_;
  return true;
}

namespace {

// Clip masks kept beyond one Graphics, per thread: a host that paints each frame through a new
// graphics sets the same clip (an instrument's face outline) every frame, and rendering its mask
// anew cost about a quarter of a gauge's frame. A mask is only read once rendered, so the
// graphics of one thread share it (Cairo counts the references).
class KeptClipMasks {
 public:
  KeptClipMasks() = default;
  KeptClipMasks(const KeptClipMasks&) = delete;
  KeptClipMasks& operator=(const KeptClipMasks&) = delete;
  ~KeptClipMasks() {
    for (Entry& e : entries_)
      if (e.Mask) cairo_surface_destroy(e.Mask);
  }
  // A new reference to the mask kept for the clip (device space) at this size, or null.
  cairo_surface_t* Find(const Region::Node& clip, int w, int h) {
    for (Entry& e : entries_) {
      if (!e.Mask || e.W != w || e.H != h || !(e.Of->Root() == clip)) continue;
      e.Used = ++uses_;
      return cairo_surface_reference(e.Mask);
    }
    return nullptr;
  }
  void Keep(const std::shared_ptr<const Region>& clip, cairo_surface_t* mask, int w, int h) {
    if (size_t(w) * size_t(h) > kMostBytes) return;
    Entry* oldest = &entries_[0];
    for (Entry& e : entries_)
      if (e.Used < oldest->Used) oldest = &e;
    if (oldest->Mask) cairo_surface_destroy(oldest->Mask);
    *oldest = {clip, cairo_surface_reference(mask), w, h, ++uses_};
  }

 private:
  static constexpr size_t kMostBytes = size_t(1) << 20;  // per mask (one byte a pixel)
  struct Entry {
    std::shared_ptr<const Region> Of;
    cairo_surface_t* Mask = nullptr;
    int W = 0, H = 0;
    uint64_t Used = 0;
  };
  std::array<Entry, 4> entries_{};
  uint64_t uses_ = 0;
};

KeptClipMasks& KeptClips() {
  thread_local KeptClipMasks kept;
  return kept;
}

}  // namespace

cairo_surface_t* PixelPaths::ClipMask() {
  const std::shared_ptr<const Region>& clip = g_.st_.clip;
  const int w = int(std::ceil(g_.device_.Right())), h = int(std::ceil(g_.device_.Bottom()));
  // Of a shape cut by a rectangle on whole pixels the shape's mask serves: nothing composes outside
  // the clip's bounds (DirectPixels). It stays kept while the rectangles change from paint to paint.
  RectF unused;
  const Region::Node* shape = &ClipShape(&unused);
  const bool whole = shape == &clip->Root();
  if (clipMask_ && cairo_image_surface_get_width(clipMask_) == w && cairo_image_surface_get_height(clipMask_) == h &&
      clipMaskOf_ && (clipMaskOf_ == clip || clipMaskOf_->Root() == *shape)) {
    if (whole) clipMaskOf_ = clip;  // a clip set again with the same shapes (each paint, each part) keeps its mask
    return clipMask_;
  }
  if (clipMask_) cairo_surface_destroy(clipMask_);
  clipMaskOf_.reset();
  const std::shared_ptr<const Region> of = whole ? clip : std::make_shared<const Region>(shape->path);
  clipMask_ = KeptClips().Find(*shape, std::max(w, 0), std::max(h, 0));
  if (!clipMask_) {
    clipMask_ = cairo_image_surface_create(CAIRO_FORMAT_A8, std::max(w, 0), std::max(h, 0));
    cairo_t* mc = cairo_create(clipMask_);
    RenderMask(mc, of->Root(), std::max(w, 0), std::max(h, 0));
    const bool ok = cairo_status(mc) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(mc);
    cairo_surface_flush(clipMask_);
    if (!ok || cairo_surface_status(clipMask_) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(clipMask_);
      clipMask_ = nullptr;
      return nullptr;
    }
    KeptClips().Keep(of, clipMask_, std::max(w, 0), std::max(h, 0));
  }
  clipMaskOf_ = of;
  ++clipMaskVersion_;
  return clipMask_;
}

namespace {

// a * b / 255 rounded, as Cairo's compositing multiplies coverage.
inline uint8_t MulUn8(unsigned a, unsigned b) {
  const unsigned t = a * b + 0x80;
  return uint8_t(((t >> 8) + t) >> 8);
}

// Multiplies the mask's spans by the clip's coverage (device pixel (left + x, top + y)).
void ClipSpans(uint8_t* mask, int stride, int left, int top, const uint8_t* clip, int clipStride,
               const std::vector<MaskSpan>& spans) {
  for (const MaskSpan& s : spans) {
    uint8_t* m = mask + ptrdiff_t(s.Y) * stride;
    const uint8_t* c = clip + ptrdiff_t(top + s.Y) * clipStride + left;
    for (int x = s.X0; x < s.X1; ++x) m[x] = MulUn8(m[x], c[x]);
  }
}

// Computed coverage kept beyond one Graphics: a face rebuilt at the same size computes the same
// rings, arcs and ticks again, and copying their coverage back costs a fraction of computing it.
// The key is everything the coverage depends on, so nothing is ever stale. A shape is kept the
// second time it is computed, so shapes that move from frame to frame (hands) are never copied in
// and a steady frame allocates nothing. Not shared between threads: one per thread.
class KeptCoverage {
 public:
  struct Key {
    ComputedShape Shape;
    EllipseShape Clip;
    bool Clipped, AntiAliased;
    int Left, Top, Width, Height;
    bool operator==(const Key&) const = default;
  };

  // Copies the coverage kept for the key into the mask and its spans into *spans: false when none.
  bool Restore(const Key& key, uint8_t* mask, int stride, std::vector<MaskSpan>* spans) {
    const uint64_t h = Hash(key);
    for (Slot& s : slots_) {
      if (s.Used == 0 || s.Hash != h || !(s.K == key)) continue;
      s.Used = ++uses_;
      spans->assign(s.Spans.begin(), s.Spans.end());
      const uint8_t* from = s.Bytes.data();
      for (const MaskSpan& span : s.Spans) {
        std::memcpy(mask + ptrdiff_t(span.Y) * stride + span.X0, from, size_t(span.X1 - span.X0));
        from += span.X1 - span.X0;
      }
      return true;
    }
    return false;
  }

  // Told of each coverage computed for a key (the mask's bytes within the spans).
  void Computed(const Key& key, const uint8_t* mask, int stride, const std::vector<MaskSpan>& spans) {
    const uint64_t h = Hash(key);
    if (std::find(seen_.begin(), seen_.end(), h) == seen_.end()) {
      seen_[nextSeen_++ % seen_.size()] = h;
      return;
    }
    size_t bytes = 0;
    for (const MaskSpan& span : spans) bytes += size_t(span.X1 - span.X0);
    if (bytes > kMostBytes) return;
    Slot* oldest = &slots_[0];
    for (Slot& s : slots_)
      if (s.Used < oldest->Used) oldest = &s;
    Slot& s = *oldest;
    // The slots' buffers together stay within the budget (a buffer only grows, to the size asked).
    auto held = [](const Slot& slot) { return slot.Bytes.capacity() + slot.Spans.capacity() * sizeof(MaskSpan); };
    const size_t before = held(s);
    if (held_ - before + std::max(before, bytes + spans.size() * sizeof(MaskSpan)) > kAllBytes) return;
    s.K = key;
    s.Hash = h;
    s.Used = ++uses_;
    s.Spans.reserve(spans.size());
    s.Spans.assign(spans.begin(), spans.end());
    s.Bytes.reserve(bytes);
    s.Bytes.resize(bytes);
    held_ += held(s) - before;
    uint8_t* to = s.Bytes.data();
    for (const MaskSpan& span : spans) {
      std::memcpy(to, mask + ptrdiff_t(span.Y) * stride + span.X0, size_t(span.X1 - span.X0));
      to += span.X1 - span.X0;
    }
  }

 private:
  static constexpr size_t kMostBytes = size_t(1) << 18;  // per shape: a ring round a large face
  static constexpr size_t kAllBytes = size_t(4) << 20;   // per thread
  struct Slot {
    Key K{};
    uint64_t Hash = 0, Used = 0;  // Used 0: empty
    std::vector<MaskSpan> Spans;
    std::vector<uint8_t> Bytes;  // the spans' mask bytes one after another
  };

  static uint64_t Mix(uint64_t h, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return (h ^ bits) * 0x100000001B3ull + (h >> 29);
  }
  static uint64_t Mix(uint64_t h, const DeviceEllipse& e) { return Mix(Mix(Mix(Mix(h, e.Cx), e.Cy), e.Rx), e.Ry); }
  static uint64_t Mix(uint64_t h, const EllipseShape& e) { return Mix(Mix(Mix(h, e.Outer), e.Ring ? 1.0 : 0.0), e.Inner); }
  static uint64_t Hash(const Key& k) {
    uint64_t h = 0xCBF29CE484222325ull + k.Shape.index();
    if (const auto* e = std::get_if<EllipseShape>(&k.Shape)) {
      h = Mix(h, *e);
    } else if (const auto* l = std::get_if<LineShape>(&k.Shape)) {
      for (double v : {l->X0, l->Y0, l->X1, l->Y1, l->HalfWidth}) h = Mix(h, v);
    } else {
      const ArcShape& a = std::get<ArcShape>(k.Shape);
      h = Mix(h, a.Ring);
      for (double v : {a.Sx, a.Sy, a.Ex, a.Ey, a.Wide ? 1.0 : 0.0}) h = Mix(h, v);
    }
    h = Mix(h, k.Clip);
    for (int v : {int(k.Clipped), int(k.AntiAliased), k.Left, k.Top, k.Width, k.Height}) h = Mix(h, double(v));
    return h;
  }

  std::array<Slot, 128> slots_{};
  std::array<uint64_t, 256> seen_{};  // hashes of keys computed lately
  size_t nextSeen_ = 0;
  uint64_t uses_ = 0;
  size_t held_ = 0;  // the capacity of the slots' buffers
};

KeptCoverage& Kept() {
  thread_local KeptCoverage kept;
  return kept;
}

}  // namespace

RectF PixelPaths::FillArea(const RectF& b, const RectF& pixels) {
  return RectF::Intersect(
      RectF::FromLTRB(std::floor(b.X) - 1, std::floor(b.Y) - 1, std::ceil(b.Right()) + 1, std::ceil(b.Bottom()) + 1),
      pixels);
}

bool PixelPaths::InsideEllipse(const EllipseShape& clip, const RectF& area) {
  // Its corners are, two pixels in (the ellipse is convex).
  if (clip.Outer.Rx <= 2 || clip.Outer.Ry <= 2 || clip.Ring) return false;
  const DeviceEllipse& e = clip.Outer;
  auto in = [&](double x, double y) {
    const double u = (x - e.Cx) / (e.Rx - 2), v = (y - e.Cy) / (e.Ry - 2);
    return u * u + v * v <= 1;
  };
  return in(area.X, area.Y) && in(area.Right(), area.Y) && in(area.X, area.Bottom()) && in(area.Right(), area.Bottom());
}

std::vector<float>& PixelPaths::PolygonScratch() {
  thread_local std::vector<float> accum;
  return accum;
}

bool PixelPaths::ComposeCoverage(const Brush& brush, const ComputedShape* shape, const GraphicsPath* path,
                                 bool APolygon, const std::pair<PangoLayout*, PointF>* text, const RectF* textClip) {
  const auto& st_ = g_.st_;
  if (!st_.transform.IsInvertible()) return false;
  RectF pixels = g_.device_;
  bool shaped = false;
  if (!DirectPixels(&pixels, true, &shaped)) return false;
  // A clip that is one ellipse is applied by computing its own coverage; other shaped clips by
  // their kept mask.
  EllipseShape clipEllipse;
  bool clipComputed = shaped && ClipEllipse(&clipEllipse, &pixels);
  cairo_surface_t* clipMask = shaped && !clipComputed ? ClipMask() : nullptr;
  if (shaped && !clipComputed && !clipMask) return false;
  if (!shape && !path && !APolygon && !text) return false;
  const CoverageGradient gradient(brush, st_.transform);
  if (!gradient.Valid()) return false;
  // The glyphs' ink, placed in the world.
  auto textBounds = [&] {
    auto device = [&](const RectF& world) {
      GraphicsPath box;
      box.AddRectangle(world);
      return box.GetBounds(&st_.transform);
    };
    PangoRectangle ink;
    pango_layout_get_pixel_extents(text->first, &ink, nullptr);
    const RectF r = device(
        RectF(text->second.X + float(ink.x), text->second.Y + float(ink.y), float(ink.width), float(ink.height)));
    return textClip ? RectF::Intersect(r, device(*textClip)) : r;
  };
  // Bézier control points included in a path's bounds: never too small.
  const RectF b = shape       ? ComputedBounds(*shape)
                  : APolygon  ? PointsBounds(polygon_.data(), int(polygon_.size()))
                  : text      ? textBounds()
                              : path->GetBounds(&st_.transform);
  if (!b.IsFinite()) return false;
  const RectF area = FillArea(b, pixels);
  if (area.IsEmptyArea()) return true;
  if (clipComputed && InsideEllipse(clipEllipse, area)) clipComputed = false;
  const int l = int(area.X), t = int(area.Y), w = int(area.Right()) - l, h = int(area.Bottom()) - t;
  if (w <= 0 || h <= 0) return true;

  // Room for two runs a row over the target (rings), made once.
  if (spans_.capacity() < 2 * size_t(pixels.Height) + 2) spans_.reserve(2 * size_t(pixels.Height) + 2);
  // The coverage mask, kept between calls and grown as needed.
  if (!coverage_ || cairo_image_surface_get_width(coverage_) < w || cairo_image_surface_get_height(coverage_) < h) {
    const int cw = coverage_ ? std::max(w, cairo_image_surface_get_width(coverage_)) : w;
    const int ch = coverage_ ? std::max(h, cairo_image_surface_get_height(coverage_)) : h;
    if (coverage_) cairo_surface_destroy(coverage_);
    coverage_ = cairo_image_surface_create(CAIRO_FORMAT_A8, cw, ch);
    coverageKey_.reset();
  }
  if (cairo_surface_status(coverage_) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(coverage_);
    coverage_ = nullptr;
    return false;
  }
  cairo_surface_flush(coverage_);
  uint8_t* mask = cairo_image_surface_get_data(coverage_);
  const int maskStride = cairo_image_surface_get_stride(coverage_);
  const bool aa = IsAntiAliased(st_.smoothing);
  auto clipCoverage = [&] {
    if (clipComputed) ClipToEllipseShape(clipEllipse, mask, maskStride, l, t, spans_);
    if (clipMask)
      ClipSpans(mask, maskStride, l, t, cairo_image_surface_get_data(clipMask), cairo_image_surface_get_stride(clipMask),
                spans_);
  };
  if (shape) {
    // A shape filled twice in a row (a second layer of paint) keeps its coverage.
    const CoverageKey key{*shape, clipComputed ? clipEllipse : EllipseShape{}, clipComputed, aa,
                          clipMask ? clipMaskVersion_ : 0, l, t, w, h};
    if (!(coverageKey_ && *coverageKey_ == key)) {
      spans_.clear();
      // Under a clip mask the coverage depends on this object's mask: not kept beyond it.
      const KeptCoverage::Key kept{*shape, key.Clip, clipComputed, aa, l, t, w, h};
      if (clipMask || !Kept().Restore(kept, mask, maskStride, &spans_)) {
        RasteriseComputedShape(*shape, aa, mask, maskStride, l, t, w, h, &spans_);
        clipCoverage();
        if (!clipMask) Kept().Computed(kept, mask, maskStride, spans_);
      }
      coverageKey_ = key;
    }
  } else if (APolygon) {
    coverageKey_.reset();
    spans_.clear();
    // The scratch grows to the largest polygon's box only: a graphics made for one frame (a host
    // painting into a new surface) would otherwise clear one for the whole target every frame.
    // It is the thread's, not the graphics': many instruments painted in turn (each window with
    // its own graphics) then reuse one scratch that stays in the cache. Very large ones go after use.
    std::vector<float>& accum = PolygonScratch();
    RasterisePolygon(polygon_.data(), int(polygon_.size()), mask, maskStride, l, t, w, h, &accum, &spans_);
    TrimScratch(accum);
    clipCoverage();
  } else {
    coverageKey_.reset();
    spans_.clear();
    for (int y = 0; y < h; ++y) {
      std::memset(mask + ptrdiff_t(y) * maskStride, 0, size_t(w));
      spans_.push_back({y, 0, w});
    }
    cairo_surface_mark_dirty_rectangle(coverage_, 0, 0, w, h);
    cairo_t* mc = cairo_create(coverage_);
    cairo_rectangle(mc, 0, 0, w, h);
    cairo_clip(mc);
    cairo_matrix_t m = ToCairo(st_.transform);
    m.x0 -= l;
    m.y0 -= t;
    cairo_set_matrix(mc, &m);
    cairo_set_antialias(mc, aa ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    if (text) {
      if (textClip) {
        cairo_rectangle(mc, textClip->X, textClip->Y, textClip->Width, textClip->Height);
        cairo_clip(mc);
      }
      cairo_move_to(mc, text->second.X, text->second.Y);
      pango_cairo_show_layout(mc, text->first);
    } else {
      SetPathAndRule(mc, *path);
      cairo_fill(mc);
    }
    const bool ok = cairo_status(mc) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(mc);
    if (!ok) return false;
    cairo_surface_flush(coverage_);
    clipCoverage();
  }

  cairo_surface_t* surface = g_.surface_;
  cairo_surface_flush(surface);
  uint8_t* data = cairo_image_surface_get_data(surface);
  if (!data) return false;
  const int stride = cairo_image_surface_get_stride(surface);
  gradient.Paint(mask, maskStride, data + ptrdiff_t(t) * stride + ptrdiff_t(l) * 4, stride, l, t, spans_);
  cairo_surface_mark_dirty_rectangle(surface, l, t, w, h);
  return true;
}


// A layer drawn unscaled at whole pixels under no clip or a whole-pixel rectangle: straight into
// the pixels by its runs, skipping its transparent parts and copying its opaque ones.
bool PixelPaths::DrawLayer(const Bitmap& image, const LayerRuns& runs, PointF at, const RectF* part) {
  const Matrix& m = g_.st_.transform;
  if (image.Empty() || !runs.Fit(image) || m.M11() != 1 || m.M12() != 0 || m.M21() != 0 || m.M22() != 1) return false;
  const float fx = m.OffsetX() + at.X, fy = m.OffsetY() + at.Y;
  if (!(std::fabs(fx) < 1e6f && std::fabs(fy) < 1e6f) || fx != std::floor(fx) || fy != std::floor(fy)) return false;
  RectF pixels = g_.device_;
  bool shaped = false;
  if (!DirectPixels(&pixels, false, &shaped)) return false;
  const int dx = int(fx), dy = int(fy);
  int l = std::max(int(pixels.X), dx), t = std::max(int(pixels.Y), dy);
  int r = std::min(int(pixels.Right()), dx + image.Width());
  int b = std::min(int(pixels.Bottom()), dy + image.Height());
  if (part) {
    if (!(part->Width > 0 && part->Height > 0 && std::fabs(part->X) < 1e6f && std::fabs(part->Y) < 1e6f &&
          part->Width < 1e6f && part->Height < 1e6f))
      return true;
    // A part between pixels is drawn with its partial edges, as an image of that part is.
    if (part->X != std::floor(part->X) || part->Y != std::floor(part->Y) || part->Right() != std::floor(part->Right()) ||
        part->Bottom() != std::floor(part->Bottom()))
      return false;
    l = std::max(l, dx + int(std::floor(part->X))), t = std::max(t, dy + int(std::floor(part->Y)));
    r = std::min(r, dx + int(std::ceil(part->Right()))), b = std::min(b, dy + int(std::ceil(part->Bottom())));
  }
  if (l >= r || t >= b) return true;
  cairo_surface_flush(image.Surface());
  cairo_surface_flush(g_.surface_);
  uint8_t* data = cairo_image_surface_get_data(g_.surface_);
  if (!data) return false;
  runs.ComposeOver(image, data, cairo_image_surface_get_stride(g_.surface_), dx, dy, l, t, r, b);
  cairo_surface_mark_dirty_rectangle(g_.surface_, l, t, r - l, b - t);
  return true;
}

// A fading convex path gradient is painted by ConvexPathGradient: straight into the pixels when
// the target is a plain ARGB32 image and the clip is a whole-pixel rectangle (or none), otherwise
// into a scratch image that Cairo then composes through the clip. False: not such a fill.
bool PixelPaths::FillConvexGradient(const PathGradientBrush& brush, const GraphicsPath& path) {
  const auto& st_ = g_.st_;
  const RectF& device_ = g_.device_;
  cairo_surface_t* surface_ = g_.surface_;
  if (st_.compositing != CompositingModeSourceOver || !st_.transform.IsInvertible()) return false;
  const ConvexPathGradient gradient(brush, path, st_.transform);
  if (!gradient.Valid()) return false;
  const RectF bounds = RectF::Intersect(gradient.Bounds(), device_);
  if (bounds.IsEmptyArea()) return true;

  RectF pixels = device_;
  bool shaped = false;
  const bool direct = DirectPixels(&pixels, true, &shaped);
  // Under a shaped clip each pixel's paint is scaled by the kept clip mask.
  cairo_surface_t* clipMask = shaped ? ClipMask() : nullptr;
  if (direct && (!shaped || clipMask)) {
    const RectF r = RectF::Intersect(bounds, pixels);
    if (r.IsEmptyArea()) return true;
    cairo_surface_flush(surface_);
    uint8_t* data = cairo_image_surface_get_data(surface_);
    if (!data) return false;
    const int w = cairo_image_surface_get_width(surface_), h = cairo_image_surface_get_height(surface_);
    const int l = std::max(0, int(r.X)), t = std::max(0, int(r.Y));
    const int rr = std::min(w, int(r.Right())), b = std::min(h, int(r.Bottom()));
    if (clipMask)
      cairo_surface_flush(clipMask);
    gradient.Paint(data, cairo_image_surface_get_stride(surface_), 0, 0, l, t, rr, b,
                   clipMask ? cairo_image_surface_get_data(clipMask) : nullptr,
                   clipMask ? cairo_image_surface_get_stride(clipMask) : 0);
    if (rr > l && b > t) cairo_surface_mark_dirty_rectangle(surface_, l, t, rr - l, b - t);
    return true;
  }

  const int w = int(bounds.Width), h = int(bounds.Height);
  if (double(w) * h > 16.0e6) return false;  // an unbounded target: leave it to the mesh
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(scratch) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(scratch);
    return false;
  }
  gradient.Paint(cairo_image_surface_get_data(scratch), cairo_image_surface_get_stride(scratch), int(bounds.X),
                 int(bounds.Y), int(bounds.X), int(bounds.Y), int(bounds.Right()), int(bounds.Bottom()));
  cairo_surface_mark_dirty(scratch);
  if (g_.Begin()) {
    cairo_identity_matrix(g_.cr_);
    cairo_rectangle(g_.cr_, bounds.X, bounds.Y, bounds.Width, bounds.Height);
    if (g_.mask_) cairo_push_group(g_.cr_);
    cairo_set_source_surface(g_.cr_, scratch, bounds.X, bounds.Y);
    cairo_fill(g_.cr_);
    if (g_.mask_) g_.PaintThroughMask();
    g_.End();
  }
  cairo_surface_destroy(scratch);
  return true;
}

}  // namespace dw::gp
