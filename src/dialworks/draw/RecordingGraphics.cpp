#include "dialworks/draw/RecordingGraphics.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>

#include "dialworks/draw/TextLayout.h"

namespace dw::gp {

// What a replay keeps while it runs: the graphics of each layer and the bitmaps they draw into,
// and the target's tokens for the recorded Save tokens.
class ReplayContext {
 public:
  explicit ReplayContext(Graphics& target) { targets_[0] = &target; }
  Graphics* Target(int layer) const {
    auto it = targets_.find(layer);
    return it == targets_.end() ? nullptr : it->second;
  }
  void OpenLayer(Graphics& parent, int layer, int w, int h) {
    auto bitmap = std::make_unique<Bitmap>(w, h);
    std::unique_ptr<Graphics> g = parent.CreateLayer(*bitmap);
    targets_[layer] = g.get();
    layers_[layer] = Layer{std::move(bitmap), std::move(g)};
  }
  const Bitmap* LayerBitmap(int layer) const {
    auto it = layers_.find(layer);
    return it == layers_.end() ? nullptr : it->second.Image.get();
  }
  std::map<std::pair<int, GraphicsState>, GraphicsState> Tokens;

 private:
  struct Layer {
    std::unique_ptr<Bitmap> Image;
    std::unique_ptr<Graphics> G;
  };
  std::map<int, Graphics*> targets_;
  std::map<int, Layer> layers_;  // graphics before their bitmaps go: declared after targets_
};

namespace {

std::vector<PointF> Corners(const RectF& r) {
  return {{r.X, r.Y}, {r.Right(), r.Y}, {r.Right(), r.Bottom()}, {r.X, r.Bottom()}};
}

std::vector<float> RectArgs(const RectF& r) { return {r.X, r.Y, r.Width, r.Height}; }

RectF DeviceBounds(const RectF& r, const Matrix& m) {
  if (!r.IsFinite()) return {};
  auto c = Corners(r);
  m.TransformPoints(c.data(), 4);
  float l = c[0].X, t = c[0].Y, rt = c[0].X, b = c[0].Y;
  for (auto& p : c) {
    l = std::min(l, p.X); t = std::min(t, p.Y);
    rt = std::max(rt, p.X); b = std::max(b, p.Y);
  }
  return RectF::FromLTRB(l, t, rt, b);
}

std::string FontText(const Font& f) {
  return f.GetFamily().GetFamilyName() + " " + std::to_string(f.GetSizeInPixels()) + "px style " +
         std::to_string(f.GetStyle());
}

}  // namespace

RecordingGraphics::RecordingGraphics(RecordingGraphics* root, int layer, std::unique_ptr<Graphics> forward,
                                     SizeF surface)
    : RecordingGraphics(forward.get(), surface) {
  ownedForward_ = std::move(forward);
  root_ = root;
  layer_ = layer;
}

RecordingGraphics::RecordingGraphics(Graphics* forward, SizeF surface) : forward_(forward), surface_(surface) {
  st_.clip = RectF(0, 0, surface.Width, surface.Height);
  if (forward_) {
    st_.clip = DeviceBounds(forward_->GetClipBounds(), forward_->GetTransform());
    surface_ = SizeF(st_.clip.Right(), st_.clip.Bottom());
  }
}

DrawCall& RecordingGraphics::Record(std::string op, std::vector<float> args) const {
  DrawCall c;
  c.Op = std::move(op);
  c.Args = std::move(args);
  c.Transform = st_.transform;
  c.Clip = st_.clip;
  c.Smoothing = st_.smoothing;
  c.Layer = layer_;
  Root().calls_.push_back(std::move(c));
  return Root().calls_.back();
}

DrawCall& RecordingGraphics::RecordShape(std::string op, std::vector<float> args, std::vector<PointF> pts) const {
  DrawCall& c = Record(std::move(op), std::move(args));
  st_.transform.TransformPoints(pts.data(), int(pts.size()));
  c.Points = std::move(pts);
  return c;
}

std::vector<const DrawCall*> RecordingGraphics::Find(std::string_view op) const {
  std::vector<const DrawCall*> out;
  for (const auto& c : Calls())
    if (c.Op == op && c.Layer == layer_) out.push_back(&c);
  return out;
}

std::vector<const DrawCall*> RecordingGraphics::Drawing() const {
  std::vector<const DrawCall*> out;
  for (const auto& c : Calls())
    if (c.Layer == layer_ && (c.Op.starts_with("Fill") || c.Op.starts_with("Draw") || c.Op == "Clear")) out.push_back(&c);
  return out;
}

// ---- state ----

GraphicsState RecordingGraphics::DoSave() {
  GraphicsState token = nextToken_++;
  Record("Save", {float(token)}).Replay = [token, layer = layer_](Graphics& g, ReplayContext& r) {
    r.Tokens[{layer, token}] = g.Save();
  };
  saved_.push_back(Saved{token, st_});
  if (forward_) forwardTokens_.emplace_back(token, forward_->Save());
  return token;
}

void RecordingGraphics::DoRestore(GraphicsState state) {
  Record("Restore", {float(state)}).Replay = [state, layer = layer_](Graphics& g, ReplayContext& r) {
    auto it = r.Tokens.find({layer, state});
    if (it != r.Tokens.end()) g.Restore(it->second);
  };
  for (size_t i = saved_.size(); i-- > 0;) {
    if (saved_[i].token == state) {
      st_ = saved_[i].state;
      saved_.resize(i);
      break;
    }
  }
  for (size_t i = forwardTokens_.size(); i-- > 0;) {
    if (forwardTokens_[i].first == state) {
      forward_->Restore(forwardTokens_[i].second);
      forwardTokens_.resize(i);
      break;
    }
  }
}

void RecordingGraphics::DoSetTransform(const Matrix& m) {
  float e[6];
  m.GetElements(e);
  st_.transform = m;
  Record("SetTransform", {e, e + 6}).Replay = [m](Graphics& g, ReplayContext&) { g.SetTransform(m); };
  if (forward_) forward_->SetTransform(m);
}

void RecordingGraphics::DoResetTransform() {
  st_.transform.Reset();
  Record("ResetTransform").Replay = [](Graphics& g, ReplayContext&) { g.ResetTransform(); };
  if (forward_) forward_->ResetTransform();
}

void RecordingGraphics::DoMultiplyTransform(const Matrix& m, MatrixOrder order) {
  float e[6];
  m.GetElements(e);
  st_.transform.Multiply(m, order);
  std::vector<float> args(e, e + 6);
  args.push_back(float(order));
  Record("MultiplyTransform", std::move(args)).Replay = [m, order](Graphics& g, ReplayContext&) {
    g.MultiplyTransform(m, order);
  };
  if (forward_) forward_->MultiplyTransform(m, order);
}

void RecordingGraphics::DoTranslateTransform(float dx, float dy, MatrixOrder order) {
  st_.transform.Translate(dx, dy, order);
  Record("TranslateTransform", {dx, dy, float(order)}).Replay = [=](Graphics& g, ReplayContext&) {
    g.TranslateTransform(dx, dy, order);
  };
  if (forward_) forward_->TranslateTransform(dx, dy, order);
}

void RecordingGraphics::DoScaleTransform(float sx, float sy, MatrixOrder order) {
  st_.transform.Scale(sx, sy, order);
  Record("ScaleTransform", {sx, sy, float(order)}).Replay = [=](Graphics& g, ReplayContext&) {
    g.ScaleTransform(sx, sy, order);
  };
  if (forward_) forward_->ScaleTransform(sx, sy, order);
}

void RecordingGraphics::DoRotateTransform(float angle, MatrixOrder order) {
  st_.transform.Rotate(angle, order);
  Record("RotateTransform", {angle, float(order)}).Replay = [=](Graphics& g, ReplayContext&) {
    g.RotateTransform(angle, order);
  };
  if (forward_) forward_->RotateTransform(angle, order);
}

void RecordingGraphics::DoSetSmoothingMode(SmoothingMode m) {
  st_.smoothing = m;
  Record("SetSmoothingMode", {float(m)}).Replay = [m](Graphics& g, ReplayContext&) { g.SetSmoothingMode(m); };
  if (forward_) forward_->SetSmoothingMode(m);
}

void RecordingGraphics::DoSetTextRenderingHint(TextRenderingHint h) {
  st_.textHint = h;
  Record("SetTextRenderingHint", {float(h)}).Replay = [h](Graphics& g, ReplayContext&) { g.SetTextRenderingHint(h); };
  if (forward_) forward_->SetTextRenderingHint(h);
}

void RecordingGraphics::DoSetCompositingMode(CompositingMode m) {
  st_.compositing = m;
  Record("SetCompositingMode", {float(m)}).Replay = [m](Graphics& g, ReplayContext&) { g.SetCompositingMode(m); };
  if (forward_) forward_->SetCompositingMode(m);
}

void RecordingGraphics::DoSetCompositingQuality(CompositingQuality q) {
  st_.quality = q;
  Record("SetCompositingQuality", {float(q)}).Replay = [q](Graphics& g, ReplayContext&) { g.SetCompositingQuality(q); };
  if (forward_) forward_->SetCompositingQuality(q);
}

void RecordingGraphics::DoSetInterpolationMode(InterpolationMode m) {
  st_.interpolation = m;
  Record("SetInterpolationMode", {float(m)}).Replay = [m](Graphics& g, ReplayContext&) { g.SetInterpolationMode(m); };
  if (forward_) forward_->SetInterpolationMode(m);
}

// ---- clipping (bounds only; exclusion keeps the bounds) ----

void RecordingGraphics::ClipTo(const RectF& b, CombineMode mode) {
  switch (mode) {
    case CombineModeReplace:
    case CombineModeComplement: st_.clip = b; break;
    case CombineModeIntersect: st_.clip = RectF::Intersect(st_.clip, b); break;
    case CombineModeUnion:
    case CombineModeXor: st_.clip = RectF::Union(st_.clip, b); break;
    case CombineModeExclude: break;
  }
}

void RecordingGraphics::DoSetClip(const RectF& rect, CombineMode mode) {
  ClipTo(DeviceBounds(rect, st_.transform), mode);
  RecordShape("SetClip", {rect.X, rect.Y, rect.Width, rect.Height, float(mode)}, Corners(rect)).Replay =
      [rect, mode](Graphics& g, ReplayContext&) { g.SetClip(rect, mode); };
  if (forward_) forward_->SetClip(rect, mode);
}

void RecordingGraphics::DoSetClip(const GraphicsPath& path, CombineMode mode) {
  ClipTo(path.GetBounds(&st_.transform), mode);
  RecordShape("SetClipPath", {float(mode)}, path.Points()).Replay = [path, mode](Graphics& g, ReplayContext&) {
    g.SetClip(path, mode);
  };
  if (forward_) forward_->SetClip(path, mode);
}

void RecordingGraphics::DoSetClip(const Region& region, CombineMode mode) {
  Region r(region);
  r.Transform(st_.transform);
  ClipTo(RectF::Intersect(r.GetBounds(), RectF(0, 0, surface_.Width, surface_.Height)), mode);
  RecordShape("SetClipRegion", {float(mode)}, Corners(region.GetBounds())).Replay =
      [region, mode](Graphics& g, ReplayContext&) { g.SetClip(region, mode); };
  if (forward_) forward_->SetClip(region, mode);
}

void RecordingGraphics::DoResetClip() {
  st_.clip = RectF(0, 0, surface_.Width, surface_.Height);
  if (forward_) {
    forward_->ResetClip();
    st_.clip = DeviceBounds(forward_->GetClipBounds(), forward_->GetTransform());
  }
  Record("ResetClip").Replay = [](Graphics& g, ReplayContext&) { g.ResetClip(); };
}

RectF RecordingGraphics::DoGetClipBounds() const {
  Matrix inv = st_.transform;
  if (!inv.Invert()) return {};
  return DeviceBounds(st_.clip, inv);
}

// ---- drawing ----

namespace {
// Records the brush; the replay gets a copy of it.
template <class Draw>
void WithBrush(DrawCall& c, const Brush& b, Draw draw) {
  c.Brush = b.Describe();
  c.Color = b.MainColor();
  c.Replay = [brush = std::shared_ptr<const Brush>(b.Clone()), draw](Graphics& g, ReplayContext&) { draw(g, *brush); };
}
template <class Draw>
void WithPen(DrawCall& c, const Pen& p, Draw draw) {
  c.Pen = p.Describe();
  c.Color = p.GetColor();
  c.PenWidth = p.GetWidth();
  c.Replay = [pen = std::make_shared<const Pen>(p), draw](Graphics& g, ReplayContext&) { draw(g, *pen); };
}
std::optional<StringFormat> Copy(const StringFormat* f) { return f ? std::optional<StringFormat>(*f) : std::nullopt; }
const StringFormat* Ptr(const std::optional<StringFormat>& f) { return f ? &*f : nullptr; }
}  // namespace

void RecordingGraphics::DoFillRectangle(const Brush& brush, const RectF& rect) {
  WithBrush(RecordShape("FillRectangle", RectArgs(rect), Corners(rect)), brush,
            [rect](Graphics& g, const Brush& b) { g.FillRectangle(b, rect); });
  if (forward_) forward_->FillRectangle(brush, rect);
}

void RecordingGraphics::DoFillEllipse(const Brush& brush, const RectF& rect) {
  WithBrush(RecordShape("FillEllipse", RectArgs(rect), Corners(rect)), brush,
            [rect](Graphics& g, const Brush& b) { g.FillEllipse(b, rect); });
  if (forward_) forward_->FillEllipse(brush, rect);
}

void RecordingGraphics::DoFillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode) {
  std::vector<PointF> v;
  if (pts && count > 0) v.assign(pts, pts + count);
  WithBrush(RecordShape("FillPolygon", {float(count), float(mode)}, v), brush,
            [v, count, mode](Graphics& g, const Brush& b) { g.FillPolygon(b, v.data(), count, mode); });
  if (forward_) forward_->FillPolygon(brush, pts, count, mode);
}

void RecordingGraphics::DoFillPath(const Brush& brush, const GraphicsPath& path) {
  WithBrush(RecordShape("FillPath", {float(path.GetPointCount()), float(path.GetFillMode())}, path.Points()), brush,
            [path](Graphics& g, const Brush& b) { g.FillPath(b, path); });
  if (forward_) forward_->FillPath(brush, path);
}

void RecordingGraphics::DoFillPie(const Brush& brush, const RectF& rect, float startAngle, float sweepAngle) {
  WithBrush(RecordShape("FillPie", {rect.X, rect.Y, rect.Width, rect.Height, startAngle, sweepAngle}, Corners(rect)),
            brush, [=](Graphics& g, const Brush& b) { g.FillPie(b, rect, startAngle, sweepAngle); });
  if (forward_) forward_->FillPie(brush, rect, startAngle, sweepAngle);
}

void RecordingGraphics::DoFillRoundRectangle(const Brush& brush, const RectF& rect, SizeF corner) {
  WithBrush(RecordShape("FillRoundRectangle", {rect.X, rect.Y, rect.Width, rect.Height, corner.Width, corner.Height},
                        Corners(rect)),
            brush, [=](Graphics& g, const Brush& b) { g.FillRoundRectangle(b, rect, corner); });
  if (forward_) forward_->FillRoundRectangle(brush, rect, corner);
}

void RecordingGraphics::DoFillRegion(const Brush& brush, const Region& region) {
  WithBrush(RecordShape("FillRegion", {}, Corners(region.GetBounds())), brush,
            [region](Graphics& g, const Brush& b) { g.FillRegion(b, region); });
  if (forward_) forward_->FillRegion(brush, region);
}

void RecordingGraphics::DoDrawLine(const Pen& pen, PointF a, PointF b) {
  WithPen(RecordShape("DrawLine", {a.X, a.Y, b.X, b.Y}, {a, b}), pen,
          [a, b](Graphics& g, const Pen& p) { g.DrawLine(p, a, b); });
  if (forward_) forward_->DrawLine(pen, a, b);
}

void RecordingGraphics::DoDrawLines(const Pen& pen, const PointF* pts, int count) {
  std::vector<PointF> v;
  if (pts && count > 0) v.assign(pts, pts + count);
  WithPen(RecordShape("DrawLines", {float(count)}, v), pen,
          [v, count](Graphics& g, const Pen& p) { g.DrawLines(p, v.data(), count); });
  if (forward_) forward_->DrawLines(pen, pts, count);
}

void RecordingGraphics::DoDrawRectangle(const Pen& pen, const RectF& rect) {
  WithPen(RecordShape("DrawRectangle", RectArgs(rect), Corners(rect)), pen,
          [rect](Graphics& g, const Pen& p) { g.DrawRectangle(p, rect); });
  if (forward_) forward_->DrawRectangle(pen, rect);
}

void RecordingGraphics::DoDrawEllipse(const Pen& pen, const RectF& rect) {
  WithPen(RecordShape("DrawEllipse", RectArgs(rect), Corners(rect)), pen,
          [rect](Graphics& g, const Pen& p) { g.DrawEllipse(p, rect); });
  if (forward_) forward_->DrawEllipse(pen, rect);
}

void RecordingGraphics::DoDrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) {
  WithPen(RecordShape("DrawArc", {rect.X, rect.Y, rect.Width, rect.Height, startAngle, sweepAngle}, Corners(rect)),
          pen, [=](Graphics& g, const Pen& p) { g.DrawArc(p, rect, startAngle, sweepAngle); });
  if (forward_) forward_->DrawArc(pen, rect, startAngle, sweepAngle);
}

void RecordingGraphics::DoDrawPie(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle) {
  WithPen(RecordShape("DrawPie", {rect.X, rect.Y, rect.Width, rect.Height, startAngle, sweepAngle}, Corners(rect)),
          pen, [=](Graphics& g, const Pen& p) { g.DrawPie(p, rect, startAngle, sweepAngle); });
  if (forward_) forward_->DrawPie(pen, rect, startAngle, sweepAngle);
}

void RecordingGraphics::DoDrawBezier(const Pen& pen, PointF p1, PointF p2, PointF p3, PointF p4) {
  WithPen(RecordShape("DrawBezier", {}, {p1, p2, p3, p4}), pen,
          [=](Graphics& g, const Pen& p) { g.DrawBezier(p, p1, p2, p3, p4); });
  if (forward_) forward_->DrawBezier(pen, p1, p2, p3, p4);
}

void RecordingGraphics::DoDrawPath(const Pen& pen, const GraphicsPath& path) {
  WithPen(RecordShape("DrawPath", {float(path.GetPointCount())}, path.Points()), pen,
          [path](Graphics& g, const Pen& p) { g.DrawPath(p, path); });
  if (forward_) forward_->DrawPath(pen, path);
}

void RecordingGraphics::DoDrawPolygon(const Pen& pen, const PointF* pts, int count) {
  std::vector<PointF> v;
  if (pts && count > 0) v.assign(pts, pts + count);
  WithPen(RecordShape("DrawPolygon", {float(count)}, v), pen,
          [v, count](Graphics& g, const Pen& p) { g.DrawPolygon(p, v.data(), count); });
  if (forward_) forward_->DrawPolygon(pen, pts, count);
}

void RecordingGraphics::DoDrawRoundRectangle(const Pen& pen, const RectF& rect, SizeF corner) {
  WithPen(RecordShape("DrawRoundRectangle", {rect.X, rect.Y, rect.Width, rect.Height, corner.Width, corner.Height},
                      Corners(rect)),
          pen, [=](Graphics& g, const Pen& p) { g.DrawRoundRectangle(p, rect, corner); });
  if (forward_) forward_->DrawRoundRectangle(pen, rect, corner);
}

// Text: Points are the corners of the measured box; Args the origin or layout rectangle.
void RecordingGraphics::DoDrawString(const std::string& text, const Font& font, PointF origin,
                                   const StringFormat* format, const Brush& brush) {
  RectF box = MeasureBox(text, font, nullptr, origin, format);
  DrawCall& c = RecordShape("DrawString", {origin.X, origin.Y, font.GetSizeInPixels()}, Corners(box));
  WithBrush(c, brush, [text, font, origin, f = Copy(format)](Graphics& g, const Brush& b) {
    g.DrawString(text, font, origin, Ptr(f), b);
  });
  c.Text = text + " | " + FontText(font);
  if (forward_) forward_->DrawString(text, font, origin, format, brush);
}

void RecordingGraphics::DoDrawString(const std::string& text, const Font& font, const RectF& layout,
                                   const StringFormat* format, const Brush& brush) {
  RectF box = MeasureBox(text, font, &layout, {}, format);
  DrawCall& c = RecordShape("DrawString", {layout.X, layout.Y, layout.Width, layout.Height, font.GetSizeInPixels()},
                            Corners(box));
  WithBrush(c, brush, [text, font, layout, f = Copy(format)](Graphics& g, const Brush& b) {
    g.DrawString(text, font, layout, Ptr(f), b);
  });
  c.Text = text + " | " + FontText(font);
  if (forward_) forward_->DrawString(text, font, layout, format, brush);
}

RectF RecordingGraphics::MeasureBox(const std::string& text, const Font& font, const RectF* layout, PointF origin,
                                    const StringFormat* format) const {
  const float size = font.IsUsable() ? font.GetSizeInPixels() : 0.0f;
  if (!layout) return detail::MeasureAt(text, font.GetFamily(), font.GetStyle(), size, origin, format, true);
  detail::TextPlacement tp;
  detail::LayoutText(detail::ScratchContext(), text, font.GetFamily(), font.GetStyle(), size, layout, origin, format,
                     true, &tp);
  return tp.box;
}

RectF RecordingGraphics::DoMeasureString(const std::string& text, const Font& font, PointF origin,
                                       const StringFormat* format) const {
  RectF box = forward_ ? forward_->MeasureString(text, font, origin, format)
                       : MeasureBox(text, font, nullptr, origin, format);
  Record("MeasureString", {origin.X, origin.Y, font.GetSizeInPixels()}).Text = text;
  return box;
}

RectF RecordingGraphics::DoMeasureString(const std::string& text, const Font& font, const RectF& layout,
                                       const StringFormat* format) const {
  RectF box = forward_ ? forward_->MeasureString(text, font, layout, format)
                       : MeasureBox(text, font, &layout, {}, format);
  Record("MeasureString", {layout.X, layout.Y, layout.Width, layout.Height, font.GetSizeInPixels()}).Text = text;
  return box;
}

template <class Draw>
std::function<void(Graphics&, ReplayContext&)> RecordingGraphics::ReplayImage(const Bitmap& image, Draw draw) const {
  // A layer's bitmap is the one the replay drew for that layer; any other image is copied now.
  if (const int layer = LayerOf(image))
    return [layer, draw](Graphics& g, ReplayContext& r) {
      if (const Bitmap* b = r.LayerBitmap(layer)) draw(g, *b);
    };
  return [copy = std::make_shared<const Bitmap>(image), draw](Graphics& g, ReplayContext&) { draw(g, *copy); };
}

void RecordingGraphics::DoDrawImage(const Bitmap& image, PointF at) {
  RectF r(at.X, at.Y, float(image.Width()), float(image.Height()));
  RecordShape("DrawImage", {at.X, at.Y, r.Width, r.Height}, Corners(r)).Replay = ReplayImage(image, [at](Graphics& g, const Bitmap& b) { g.DrawImage(b, at); });
  if (forward_) forward_->DrawImage(image, at);
}

void RecordingGraphics::DoDrawImage(const Bitmap& image, const RectF& dest) {
  RecordShape("DrawImage", RectArgs(dest), Corners(dest)).Replay =
      ReplayImage(image, [dest](Graphics& g, const Bitmap& b) { g.DrawImage(b, dest); });
  if (forward_) forward_->DrawImage(image, dest);
}

void RecordingGraphics::DoDrawImage(const Bitmap& image, const RectF& dest, const RectF& src) {
  RecordShape("DrawImage", {dest.X, dest.Y, dest.Width, dest.Height, src.X, src.Y, src.Width, src.Height},
              Corners(dest))
      .Replay = ReplayImage(image, [dest, src](Graphics& g, const Bitmap& b) { g.DrawImage(b, dest, src); });
  if (forward_) forward_->DrawImage(image, dest, src);
}

void RecordingGraphics::DoClear(TAlphaColor color) {
  DrawCall& c = Record("Clear");
  c.Color = color;
  c.Replay = [color](Graphics& g, ReplayContext&) { g.Clear(color); };
  if (forward_) forward_->Clear(color);
}

void RecordingGraphics::DoFlush() {
  Record("Flush").Replay = [](Graphics& g, ReplayContext&) { g.Flush(); };
  if (forward_) forward_->Flush();
}

// ---- layers and replay ----

namespace {

// A number marking a layer bitmap's surface for as long as that surface lives (0: none); no other
// surface ever gets the same one, whatever address it takes.
const cairo_user_data_key_t kLayerMark{};
uintptr_t SurfaceMark(const Bitmap& bitmap, bool make) {
  cairo_surface_t* s = bitmap.Surface();
  if (const auto mark = reinterpret_cast<uintptr_t>(cairo_surface_get_user_data(s, &kLayerMark))) return mark;
  if (!make) return 0;
  static std::atomic<uintptr_t> last{0};
  const uintptr_t mark = ++last;
  return cairo_surface_set_user_data(s, &kLayerMark, reinterpret_cast<void*>(mark), nullptr) == CAIRO_STATUS_SUCCESS
             ? mark
             : 0;
}

}  // namespace

int RecordingGraphics::LayerOf(const Bitmap& image) const {
  const auto& kept = Root().layerBitmaps_;
  const uintptr_t mark = kept.empty() ? 0 : SurfaceMark(image, false);
  if (!mark) return 0;
  for (size_t i = kept.size(); i-- > 0;)
    if (kept[i].first == mark) return kept[i].second;
  return 0;
}

std::unique_ptr<Graphics> RecordingGraphics::DoCreateLayer(Bitmap& bitmap) {
  const int layer = ++Root().layers_;
  const int w = bitmap.Width(), h = bitmap.Height();
  Record("CreateLayer", {float(layer), float(w), float(h)}).Replay = [layer, w, h](Graphics& g, ReplayContext& r) {
    r.OpenLayer(g, layer, w, h);
  };
  if (const uintptr_t mark = SurfaceMark(bitmap, true)) Root().layerBitmaps_.emplace_back(mark, layer);
  return std::unique_ptr<Graphics>(new RecordingGraphics(&Root(), layer, forward_ ? forward_->CreateLayer(bitmap) : nullptr,
                                                         SizeF(float(w), float(h))));
}

void RecordingGraphics::ReplayOnto(Graphics& target) const {
  ReplayContext r(target);
  for (const DrawCall& c : Calls()) {
    Graphics* g = r.Target(c.Layer);
    if (c.Replay && g) c.Replay(*g, r);
  }
}

}  // namespace dw::gp
