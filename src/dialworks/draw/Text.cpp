#include <algorithm>
#include <array>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstring>
#include <tuple>

#include "dialworks/draw/KeptValues.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/TextLayout.h"

namespace dw::gp {

bool FontFamily::IsAvailable() const {
  if (name_.empty()) return false;
  PangoFontFamily** families = nullptr;
  int n = 0;
  pango_font_map_list_families(pango_cairo_font_map_get_default(), &families, &n);
  bool found = false;
  for (int i = 0; i < n && !found; ++i)
    found = g_ascii_strcasecmp(pango_font_family_get_name(families[i]), name_.c_str()) == 0;
  g_free(families);
  return found;
}

float Font::GetSizeInPixels() const {
  switch (unit_) {
    case UnitPoint: return size_ * 96.0f / 72.0f;
    case UnitInch: return size_ * 96.0f;
    case UnitDocument: return size_ * 96.0f / 300.0f;
    case UnitMillimeter: return size_ * 96.0f / 25.4f;
    default: return size_;  // world, display and pixel units are pixels here
  }
}

bool Font::IsUsable() const {
  float px = GetSizeInPixels();
  return px > 0 && px < 100000;  // NaN fails too
}

namespace detail {

TextPlacement::~TextPlacement() {
  if (layout) g_object_unref(layout);
}

cairo_t* ScratchContext() {
  // One per thread: Pango objects are not shared between threads.
  struct Holder {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(s);
    ~Holder() {
      cairo_destroy(cr);
      cairo_surface_destroy(s);
    }
  };
  thread_local Holder h;
  if (cairo_status(h.cr) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(h.cr);
    h.cr = cairo_create(h.s);
  }
  cairo_identity_matrix(h.cr);
  return h.cr;
}

namespace {

// A Pango context loads its fonts anew and keeps them, so making one per text (as
// pango_cairo_create_layout does) costs more than the layout itself. One per thread (Pango objects
// are not shared between threads) and anti-aliasing choice is kept, and brought to each cairo_t's
// transform and target before a layout is made from it; a layout made earlier lays itself out
// again if it is used after that. Bringing it there marks it changed even when nothing changed, so
// it is brought only when the transform's scale and rotation or the target's font options differ
// from the last ones (the kept layouts below then stay laid out). A translation changes nothing of
// a layout: Pango loads fonts and resolves gravity without it, and a layout is drawn at the cairo_t's
// own transform.
PangoContext* SharedContext(cairo_t* cr, bool antialias) {
  struct Shared {
    PangoContext* context = nullptr;
    cairo_matrix_t matrix{};
    cairo_font_options_t* targetOptions = nullptr;  // of the last target; nullptr before the first
  };
  struct Holder {
    Shared shared[2];
    cairo_font_options_t* scratch = cairo_font_options_create();
    ~Holder() {
      for (Shared& s : shared) {
        if (s.context) g_object_unref(s.context);
        if (s.targetOptions) cairo_font_options_destroy(s.targetOptions);
      }
      cairo_font_options_destroy(scratch);
    }
  };
  thread_local Holder h;
  Shared& s = h.shared[antialias ? 1 : 0];
  if (!s.context) {
    s.context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    // Unhinted metrics so measurements do not depend on the transform or the target.
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(fo, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    pango_cairo_context_set_font_options(s.context, fo);
    cairo_font_options_destroy(fo);
  }
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  cairo_surface_get_font_options(cairo_get_target(cr), h.scratch);
  const bool same = s.targetOptions && m.xx == s.matrix.xx && m.yx == s.matrix.yx && m.xy == s.matrix.xy &&
                    m.yy == s.matrix.yy && cairo_font_options_equal(h.scratch, s.targetOptions);
  if (!same) {
    pango_cairo_update_context(cr, s.context);
    s.matrix = m;
    if (s.targetOptions) cairo_font_options_destroy(s.targetOptions);
    s.targetOptions = cairo_font_options_copy(h.scratch);
  }
  return s.context;
}

// The code point at text[i] and its length; an invalid byte is U+FFFD of length 1 (as drawn).
gunichar NextChar(std::string_view text, size_t i, size_t& length) {
  const size_t rest = std::min<size_t>(text.size() - i, 4);
  const gunichar c = g_utf8_get_char_validated(text.data() + i, gssize(rest));
  if (c == gunichar(-1) || c == gunichar(-2)) {
    length = 1;
    return 0xFFFD;
  }
  length = size_t(g_utf8_skip[static_cast<unsigned char>(text[i])]);
  return c;
}

bool RightToLeft(gunichar c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
         (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF) || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool HasRightToLeft(std::string_view text) {
  for (size_t i = 0, n = 1; i < text.size(); i += n) {
    n = 1;
    if (static_cast<unsigned char>(text[i]) >= 0x80 && RightToLeft(NextChar(text, i, n))) return true;
  }
  return false;
}

// Pango lays a layout's paragraphs out again for each paragraph, so its time grows with the
// square of their number (5000 lines took seconds). Lines ended by U+2028 (line separator) stay
// in one paragraph and look the same; texts of many lines go to Pango that way. Short texts are
// passed as they are, and so are texts with right-to-left characters: each paragraph takes its
// own direction from its first letter, the lines of one paragraph all take the first one's.
std::string JoinParagraphs(const char* text, size_t size) {
  constexpr size_t kFewLines = 16;
  size_t breaks = 0;
  for (size_t i = 0; i < size && breaks <= kFewLines; ++i) breaks += text[i] == '\n' || text[i] == '\r';
  if (breaks <= kFewLines || HasRightToLeft(std::string_view(text, size))) return std::string(text, size);
  static constexpr char kLineSeparator[] = "\xe2\x80\xa8";
  std::string out;
  out.reserve(size + 2 * breaks);
  for (size_t i = 0; i < size; ++i) {
    const char ch = text[i];
    if (ch == '\r' && i + 1 < size && text[i + 1] == '\n') continue;  // CR LF: one break
    if (ch == '\n' || ch == '\r') out += kLineSeparator;
    else if (ch == '\xe2' && i + 2 < size && text[i + 1] == '\x80' && text[i + 2] == '\xa9') {  // U+2029
      out += kLineSeparator;
      i += 2;
    } else {
      out += ch;
    }
  }
  return out;
}

float Fraction(StringAlignment a) {
  return a == StringAlignmentCenter ? 0.5f : a == StringAlignmentFar ? 1.0f : 0.0f;
}

// A new layout of the text in the font (wrapWidth: Pango units, or -1 for none).
PangoLayout* NewLayout(PangoContext* context, const std::string& text, const FontFamily& family, int style,
                       float pxSize, int wrapWidth, PangoAlignment align) {
  PangoLayout* layout = pango_layout_new(context);
  // Unknown families fall back through fontconfig; naming DejaVu Sans last keeps that fallback
  // the same on every machine that has it.
  std::string families = family.GetFamilyName().empty() ? "DejaVu Sans" : family.GetFamilyName() + ",DejaVu Sans";
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, families.c_str());
  pango_font_description_set_absolute_size(desc, double(pxSize) * PANGO_SCALE);
  pango_font_description_set_weight(desc, (style & FontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc, (style & FontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);

  if (style & (FontStyleUnderline | FontStyleStrikeout)) {
    PangoAttrList* attrs = pango_attr_list_new();
    if (style & FontStyleUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (style & FontStyleStrikeout) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }

  if (g_utf8_validate(text.data(), gssize(text.size()), nullptr)) {
    const std::string lines = JoinParagraphs(text.data(), text.size());
    pango_layout_set_text(layout, lines.data(), int(lines.size()));
  } else {
    gchar* valid = g_utf8_make_valid(text.data(), gssize(text.size()));
    const std::string lines = JoinParagraphs(valid, std::strlen(valid));
    g_free(valid);
    pango_layout_set_text(layout, lines.data(), int(lines.size()));
  }
  if (wrapWidth >= 0) {
    pango_layout_set_width(layout, wrapWidth);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  }
  pango_layout_set_alignment(layout, align);
  return layout;
}

// A kept layout: one reference of its own.
class KeptLayout {
 public:
  KeptLayout() = default;
  explicit KeptLayout(PangoLayout* layout) : layout_(PANGO_LAYOUT(g_object_ref(layout))) {}
  KeptLayout(const KeptLayout& other) : layout_(other.layout_ ? PANGO_LAYOUT(g_object_ref(other.layout_)) : nullptr) {}
  KeptLayout& operator=(const KeptLayout& other) {
    KeptLayout copy(other);
    std::swap(layout_, copy.layout_);
    return *this;
  }
  ~KeptLayout() {
    if (layout_) g_object_unref(layout_);
  }
  PangoLayout* Get() const { return layout_; }

 private:
  PangoLayout* layout_ = nullptr;
};
}  // namespace

bool LayoutText(cairo_t* cr, const std::string& text, const FontFamily& family, int style, float pxSize,
                const RectF* layoutRect, PointF origin, const StringFormat* format, bool antialias,
                TextPlacement* out) {
  StringFormat defaults;
  const StringFormat& fmt = format ? *format : defaults;
  float fh = Fraction(fmt.GetAlignment()), fv = Fraction(fmt.GetLineAlignment());
  PointF anchor = layoutRect ? PointF(layoutRect->X + layoutRect->Width * fh, layoutRect->Y + layoutRect->Height * fv)
                             : origin;
  out->box = RectF(anchor.X, anchor.Y, 0, 0);
  out->position = anchor;
  if (text.empty() || !(pxSize > 0 && pxSize < 100000) || !anchor.IsFinite()) return false;
  if (layoutRect && !(layoutRect->IsFinite() && layoutRect->Width >= 0 && layoutRect->Height >= 0)) return false;

  // A width beyond Pango's int units wraps nothing a line could fill: placed by its anchor instead.
  const bool wrap = layoutRect && layoutRect->Width > 0 && layoutRect->Width < float(INT_MAX / PANGO_SCALE) &&
                    !(fmt.GetFormatFlags() & StringFormatFlagsNoWrap);
  const int wrapWidth = wrap ? int(layoutRect->Width * PANGO_SCALE) : -1;
  const PangoAlignment align = fh == 0.5f ? PANGO_ALIGN_CENTER : fh == 1.0f ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT;
  PangoContext* context = SharedContext(cr, antialias);
  // A dial lays out the same labels each time its face is drawn, and a text matrix measures its
  // text and then draws it: short texts' layouts are kept (per thread, as their context is),
  // already shaped while the context stays as it was. At most 64 of up to 1 KB each.
  constexpr size_t kKeptTextBytes = 1024;
  using Key = std::tuple<std::string, std::string, int, float, bool, int, int>;
  thread_local KeptValues<Key, KeptLayout, 64> kept;
  const bool keep = text.size() <= kKeptTextBytes;
  const Key key = keep ? Key(text, family.GetFamilyName(), style, pxSize, antialias, wrapWidth, int(align)) : Key();
  if (const KeptLayout* found = keep ? kept.Find(key) : nullptr) {
    out->layout = PANGO_LAYOUT(g_object_ref(found->Get()));
  } else {
    out->layout = NewLayout(context, text, family, style, pxSize, wrapWidth, align);
    if (keep) kept.Keep(key, KeptLayout(out->layout));
  }
  PangoLayout* layout = out->layout;

  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  float lx = float(logical.x) / PANGO_SCALE, ly = float(logical.y) / PANGO_SCALE;
  float lw = float(logical.width) / PANGO_SCALE, lh = float(logical.height) / PANGO_SCALE;
  // With a wrapping width Pango already places the lines inside it.
  float px = wrap ? layoutRect->X : anchor.X - lx - lw * fh;
  float py = anchor.Y - ly - lh * fv;
  out->position = PointF(px, py);
  out->box = RectF(px + lx, py + ly, lw, lh);
  return true;
}

RectF MeasureAt(const std::string& text, const FontFamily& family, int style, float pxSize, PointF origin,
                const StringFormat* format, bool antialias) {
  if (!origin.IsFinite()) {
    TextPlacement tp;
    LayoutText(ScratchContext(), text, family, style, pxSize, nullptr, origin, format, antialias, &tp);
    return tp.box;
  }
  // The size of a text laid out at a point depends neither on the point nor on the transform
  // (metrics are unhinted), and dials measure the same labels each time their face is built: the
  // last sizes measured are kept.
  using Key = std::tuple<std::string, std::string, int, float, bool>;
  thread_local KeptValues<Key, SizeF, 32> kept;
  const Key key(text, family.GetFamilyName(), style, pxSize, antialias);
  const SizeF* found = kept.Find(key);
  if (!found) {
    TextPlacement tp;
    LayoutText(ScratchContext(), text, family, style, pxSize, nullptr, PointF(0, 0), format, antialias, &tp);
    found = &kept.Keep(key, SizeF(tp.box.Width, tp.box.Height));
  }
  StringFormat defaults;
  const StringFormat& fmt = format ? *format : defaults;
  const SizeF e = *found;
  return RectF(origin.X - e.Width * Fraction(fmt.GetAlignment()), origin.Y - e.Height * Fraction(fmt.GetLineAlignment()),
               e.Width, e.Height);
}

namespace {

// Characters that draw nothing and advance nothing (Unicode's default-ignorable ones). The Hangul
// fillers are left out: the shaper shows them as ordinary spacing glyphs.
bool Ignorable(gunichar c) {
  return c == 0x00AD || c == 0x034F || c == 0x061C || (c >= 0x17B4 && c <= 0x17B5) || (c >= 0x180B && c <= 0x180F) ||
         (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) ||
         (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFF8) ||
         (c >= 0x1BCA0 && c <= 0x1BCA3) || (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE0FFF);
}

}  // namespace

std::string TextWithin(std::string_view text, float pxSize, float width, float height) {
  if (!(pxSize > 0) || !std::isfinite(width) || !std::isfinite(height)) return std::string(text);
  // A line with right-to-left characters is ordered by all of it: lines are kept whole then.
  const bool wholeLines = HasRightToLeft(text);
  // Lower bounds, far below any font's: a line a third of an em high, a character that advances
  // at all a thirty-second of an em wide. Two ems more for what glyphs draw past their boxes.
  const double margin = 2.0 * double(pxSize);
  const double rows = std::ceil((std::max(double(height), 0.0) + margin) / (double(pxSize) / 3));
  const double chars = std::ceil((std::max(double(width), 0.0) + margin) / (double(pxSize) / 32));
  if (rows > 1e9 || (chars > 1e9 && !wholeLines)) return std::string(text);
  // At least 17 lines: more than 16 breaks lay the text out as one paragraph (see JoinParagraphs).
  const size_t maxRows = size_t(rows) + 17, maxChars = wholeLines ? SIZE_MAX : size_t(chars) + 8;
  std::string out;
  constexpr size_t kIgnorableRun = 16;
  size_t row = 0, counted = 0, breaks = 0, keptBreaks = 0, ignorables = 0;
  bool skipping = false;
  for (size_t i = 0, n = 0; i < text.size(); i += n) {
    const gunichar c = NextChar(text, i, n);
    breaks += c == '\n' || c == '\r';
    // Lines surely end at these; a character count also restarts after those that may end one.
    const bool newRow = c == '\n' || (c == '\r' && !(i + 1 < text.size() && text[i + 1] == '\n')) ||
                        c == 0x2028 || c == 0x2029;
    if (newRow || c == '\r' || c == '\v' || c == '\f' || c == 0x85) {
      if (newRow && ++row == maxRows) break;
      counted = ignorables = 0;
      skipping = false;
      keptBreaks += c == '\n' || c == '\r';
      out.append(text.substr(i, n));
      continue;
    }
    // Characters that draw nothing are not counted; a long run of them still costs its layout
    // and is shortened (what follows it may show).
    const bool ignorable = Ignorable(c);
    ignorables = ignorable ? ignorables + 1 : 0;
    if (ignorables > kIgnorableRun && !wholeLines) continue;
    const bool advances =
        !ignorable && !g_unichar_iszerowidth(c) && (c == '\t' || g_unichar_type(c) != G_UNICODE_CONTROL);
    if (advances && counted++ == maxChars) skipping = true;
    if (!skipping) out.append(text.substr(i, n));
  }
  if (breaks > 16 && keptBreaks <= 16) out.append(17, '\n');  // lines below the box, laid out the same way
  return out;
}

}  // namespace detail

namespace {

// Copies Cairo's path, moved by offset; a move not followed by drawing adds nothing.
void CopyCairoPath(cairo_t* cr, GraphicsPath& path, PointF offset) {
  cairo_path_t* cp = cairo_copy_path(cr);
  if (cp->status == CAIRO_STATUS_SUCCESS) {
    path.StartFigure();
    bool pending = false;
    PointF start;
    for (int i = 0; i < cp->num_data; i += cp->data[i].header.length) {
      const cairo_path_data_t* d = &cp->data[i];
      auto pt = [&](int k) { return PointF(float(d[k].point.x) + offset.X, float(d[k].point.y) + offset.Y); };
      if (pending && d->header.type != CAIRO_PATH_MOVE_TO && d->header.type != CAIRO_PATH_CLOSE_PATH) {
        path.StartFigure();
        path.AppendRaw(start, PathPointTypeStart);
        pending = false;
      }
      switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO: pending = true; start = pt(1); break;
        case CAIRO_PATH_LINE_TO: path.AppendRaw(pt(1), PathPointTypeLine); break;
        case CAIRO_PATH_CURVE_TO:
          path.AppendRaw(pt(1), PathPointTypeBezier);
          path.AppendRaw(pt(2), PathPointTypeBezier);
          path.AppendRaw(pt(3), PathPointTypeBezier);
          break;
        case CAIRO_PATH_CLOSE_PATH:
          if (!pending) path.CloseFigure();
          break;
      }
    }
    path.StartFigure();
  }
  cairo_path_destroy(cp);
}

void AddText(GraphicsPath& path, const std::string& text, const FontFamily& family, int style, float emSize,
             const RectF* layout, PointF origin, const StringFormat* format) {
  cairo_t* cr = detail::ScratchContext();
  detail::TextPlacement tp;
  if (!detail::LayoutText(cr, text, family, style, emSize, layout, origin, format, true, &tp)) return;
  // Outlined at the scratch surface's origin (Pango skips glyphs far outside a surface), then moved.
  cairo_new_path(cr);
  cairo_move_to(cr, 0, 0);
  pango_cairo_layout_path(cr, tp.layout);
  CopyCairoPath(cr, path, tp.position);
  cairo_new_path(cr);
}

}  // namespace

void GraphicsPath::AddString(const std::string& text, const FontFamily& family, int style, float emSize,
                             PointF origin, const StringFormat* format) {
  AddText(*this, text, family, style, emSize, nullptr, origin, format);
}

void GraphicsPath::AddString(const std::string& text, const FontFamily& family, int style, float emSize,
                             const RectF& layoutRect, const StringFormat* format) {
  AddText(*this, text, family, style, emSize, &layoutRect, {}, format);
}

}  // namespace dw::gp
