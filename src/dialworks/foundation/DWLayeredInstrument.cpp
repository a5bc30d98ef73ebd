#include "dialworks/foundation/DWLayeredInstrument.h"

#include <algorithm>
#include <cmath>


namespace dw {

float TDWInstrumentLayers::DeviceScale(const gp::Graphics& AGraphics) {
  const float scale = AGraphics.GetTransform().LengthScale();
  return scale >= 0.25f && scale <= 16 ? scale : 1.0f;
}

void TDWInstrumentLayers::Drop(TDWLayerSet ASet) {
  if (ASet != lsNone) FComposedValid = false, FComposedRuns = {};  // its bitmap is reused
  if ((ASet & lsFace) && FFace) FSpares[0] = std::move(FFace), FFaceRuns = {};
  if (ASet & lsFace) FResampled[0].Valid = false;
  if (ASet & lsTop) {
    if (FTop) FSpares[1] = std::move(FTop), FTopRuns = {};
    FTopBuilt = false;
    FResampled[1].Valid = false;
  }
}

void TDWInstrumentLayers::Release() {
  Drop(lsBoth);
  for (std::unique_ptr<gp::Bitmap>& spare : FSpares) spare.reset();
  FComposed.reset();
  for (TResampledLayer& r : FResampled) r = {};
}

size_t TDWInstrumentLayers::Bytes() const {
  size_t bytes = 0;
  for (const gp::Bitmap* b : {FFace.get(), FTop.get(), FComposed.get(), FSpares[0].get(), FSpares[1].get(),
                              FResampled[0].Bitmap.get(), FResampled[1].Bitmap.get()})
    if (b) bytes += b->Bytes();
  return bytes + FFaceRuns.Bytes() + FTopRuns.Bytes() + FComposedRuns.Bytes() + FResampled[0].Runs.Bytes() +
         FResampled[1].Runs.Bytes();
}

std::unique_ptr<gp::Bitmap> TDWInstrumentLayers::NewLayer(int AWidth, int AHeight) {
  for (std::unique_ptr<gp::Bitmap>& spare : FSpares) {
    if (spare && spare->Width() == AWidth && spare->Height() == AHeight) {
      spare->Clear(0);
      return std::move(spare);
    }
  }
  // Another size (a resize): a spare large enough keeps its memory.
  for (std::unique_ptr<gp::Bitmap>& spare : FSpares)
    if (spare && spare->Reuse(AWidth, AHeight)) return std::move(spare);
  return std::make_unique<gp::Bitmap>(AWidth, AHeight);
}

void TDWInstrumentLayers::Build(gp::Graphics& AFrameGraphics, IDWLayeredDrawing& AInstrument, TDWLayerFrame& AFrame,
                                float AScale, bool AAntiAliased, TDWLayerSet ASet) {
  ++FBuilds;
  FWidth = AFrame.Area.Width;
  FHeight = AFrame.Area.Height;
  FScale = AScale;
  FAntiAliased = AAntiAliased;
  FShape = AInstrument.FaceShape(AFrame);
  float scale = AScale;
  const double pixels = double(FWidth) * double(FHeight) * scale * scale;
  if (pixels > MaxLayerPixels) scale = float(scale * std::sqrt(MaxLayerPixels / pixels));
  FLayerScale = scale;
  const int w = std::max(int(std::ceil(FWidth * scale)), 1);
  const int h = std::max(int(std::ceil(FHeight * scale)), 1);
  Drop(ASet);
  // Layers are opened through the frame's graphics, so a recording frame records them too.
  auto open = [&](gp::Bitmap& ALayer) {
    std::unique_ptr<gp::Graphics> g = AFrameGraphics.CreateLayer(ALayer);
    g->ScaleTransform(scale, scale);
    if (AAntiAliased) g->SetSmoothingMode(gp::SmoothingModeAntiAlias);
    return g;
  };
  if (ASet & lsTop) {
    FTopBuilt = true;
    AFrame.TopLayer = AInstrument.HasTopLayer(AFrame);
    if (AFrame.TopLayer) {
      FTop = NewLayer(w, h);
      AInstrument.DrawTopLayer(*open(*FTop), AFrame);  // the layer's graphics is closed here
      FTopRuns = gp::LayerRuns(*FTop);
    }
  }
  AFrame.TopLayer = static_cast<bool>(FTop);
  if (ASet & lsFace) {
    FFace = NewLayer(w, h);
    AInstrument.DrawFaceLayer(*open(*FFace), AFrame);
    FFaceRuns = gp::LayerRuns(*FFace);
  }
  if (FFace && FTop && scale == 1 && AInstrument.MovingPartsOnlyInBounds() && FFace->Width() == FTop->Width() &&
      FFace->Height() == FTop->Height()) {
    // Drawn through the frame's graphics like the layers (a recording records it too).
    // The face copied whole (every pixel written, so the kept memory needs no clearing first).
    if (!(FComposed && FComposed->Reuse(w, h, false))) FComposed = std::make_unique<gp::Bitmap>(w, h);
    {
      std::unique_ptr<gp::Graphics> cg = AFrameGraphics.CreateLayer(*FComposed);
      cg->SetCompositingMode(gp::CompositingModeSourceCopy);
      cg->DrawImage(*FFace, gp::PointF(0, 0));
      cg->SetCompositingMode(gp::CompositingModeSourceOver);
      cg->DrawLayer(*FTop, FTopRuns, gp::PointF(0, 0));
    }
    FComposedRuns = gp::LayerRuns::Over(FFaceRuns, FTopRuns);
    FComposedValid = true;
  } else {
    FComposed.reset();
  }
  for (std::unique_ptr<gp::Bitmap>& spare : FSpares) spare.reset();
  if (scale == 1 && AScale == 1)
    for (TResampledLayer& r : FResampled) r = {};
}

bool TDWInstrumentLayers::Resample(gp::Graphics& AFrameGraphics, const gp::Matrix& ADevice, const gp::RectF& ALayer) {
  const float s = ADevice.M11(), ox = ADevice.OffsetX(), oy = ADevice.OffsetY();
  const float fx = ox - std::floor(ox), fy = oy - std::floor(oy);
  if (!(fx == FResampledX && fy == FResampledY)) FResampled[0].Valid = FResampled[1].Valid = false;
  FResampledX = fx, FResampledY = fy;
  const double w = std::ceil(fx + double(ALayer.Width) * s), h = std::ceil(fy + double(ALayer.Height) * s);
  if (w * h > MaxLayerPixels) {
    for (TResampledLayer& r : FResampled) r = {};
    return false;
  }
  const gp::Bitmap* layers[2] = {FFace.get(), FTop.get()};
  for (int k = 0; k < 2; ++k) {
    TResampledLayer& r = FResampled[k];
    if (!layers[k] || r.Valid) continue;
    // Reuse clears the pixels it keeps.
    if (!(r.Bitmap && r.Bitmap->Reuse(int(w), int(h)))) r.Bitmap = std::make_unique<gp::Bitmap>(int(w), int(h));
    {
      // The frame's resampling of the layer, whole, at the fraction of a pixel the frame starts at.
      std::unique_ptr<gp::Graphics> rg = AFrameGraphics.CreateLayer(*r.Bitmap);
      rg->SetInterpolationMode(AFrameGraphics.GetInterpolationMode());
      rg->SetSmoothingMode(AFrameGraphics.GetSmoothingMode());
      rg->SetTransform(gp::Matrix(s, 0, 0, s, fx, fy));
      rg->DrawImage(*layers[k], ALayer);
    }
    r.Runs = gp::LayerRuns(*r.Bitmap);
    r.Valid = true;
  }
  return true;
}

void TDWInstrumentLayers::DrawFrame(gp::Graphics& g, IDWLayeredDrawing& AInstrument, TDWLayerFrame& AFrame,
                                    bool AAntiAliased) {
  FDraws.fetch_add(1, std::memory_order_relaxed);
  AFrame.Area = AInstrument.LayerArea(AFrame.Width, AFrame.Height);
  if (!(AFrame.Area.Width >= 1 && AFrame.Area.Height >= 1)) return;
  const gp::GraphicsState state = g.Save();
  g.TranslateTransform(AFrame.Area.X, AFrame.Area.Y);

  // What this paint can change: a host repainting part of the control clips the graphics to it.
  const gp::RectF layer(0, 0, AFrame.Area.Width, AFrame.Area.Height);
  AFrame.Visible = gp::RectF::Intersect(g.GetClipBounds(), layer);
  AFrame.Partial = !(AFrame.Visible.X <= 0 && AFrame.Visible.Y <= 0 && AFrame.Visible.Right() >= layer.Width &&
                     AFrame.Visible.Bottom() >= layer.Height);

  const float scale = DeviceScale(g);
  if (FWidth != AFrame.Area.Width || FHeight != AFrame.Area.Height || FScale != scale ||
      FAntiAliased != AAntiAliased)
    Drop(lsBoth);
  const TDWLayerSet stale = TDWLayerSet((FFace ? 0 : lsFace) | (FTopBuilt ? 0 : lsTop));
  if (stale != lsNone) Build(g, AInstrument, AFrame, scale, AAntiAliased, stale);
  AFrame.TopLayer = static_cast<bool>(FTop);

  // Layers drawn at another scale than their own are resampled. A clipped draw of that would
  // sample from where the clip starts, and a repaint of part of the control would differ from a
  // whole one; so they are copied pixel for pixel onto the device's pixels instead: the layer
  // itself when it lies on them, else its resampling made once, whole (within MaxLayerPixels).
  const gp::Matrix m = g.GetTransform();
  const bool onGrid = m.M12() == 0 && m.M21() == 0 && m.M11() == scale && m.M22() == scale &&
                      std::fabs(m.OffsetX()) < 1e6f && std::fabs(m.OffsetY()) < 1e6f;
  const gp::PointF origin(std::floor(m.OffsetX()), std::floor(m.OffsetY()));
  const bool resampled = !(scale == 1 && FLayerScale == 1);
  // A layer holds whole pixels: where the control's size at the scale is not whole, its last
  // column and row are the partly covered device pixels, so the layer spans a little more than
  // the control (drawn into the control's rectangle it would be shrunk and resampled).
  const gp::Bitmap* any = FFace ? FFace.get() : FTop.get();
  const gp::RectF extent = any ? gp::RectF(0, 0, float(any->Width()) / FLayerScale, float(any->Height()) / FLayerScale)
                               : layer;
  const bool layerOnGrid = resampled && onGrid && FLayerScale == scale && origin.X == m.OffsetX() &&
                           origin.Y == m.OffsetY() && FFace &&
                           FFace->Width() == std::max(int(std::ceil(layer.Width * scale)), 1) &&
                           FFace->Height() == std::max(int(std::ceil(layer.Height * scale)), 1);
  const bool copies = resampled && onGrid && !layerOnGrid && Resample(g, m, extent);
  auto blit = [&](const gp::Bitmap& b, const gp::LayerRuns& ARuns, int ALayer) {
    if (!resampled) return g.DrawLayer(b, ARuns, gp::PointF(0, 0));
    if (!layerOnGrid && !copies) return g.DrawImage(b, extent);
    const gp::GraphicsState device = g.Save();
    g.ResetTransform();
    if (layerOnGrid) g.DrawLayer(b, ARuns, origin);
    else g.DrawLayer(*FResampled[ALayer].Bitmap, FResampled[ALayer].Runs, origin);
    g.Restore(device);
  };
  // Off-screen renders (exports, matrix layers) show the snapshot and leave what a window shows,
  // and so the held state, alone.
  AInstrument.SnapMovingParts();
  if (!AFrame.Offscreen && FWholeRequested.exchange(false)) FLastFrameValid = false;
  gp::RectF now, drawn;
  const bool bounded = AInstrument.MovingPartsBounds(AFrame, false, now);
  AFrame.ShowHeld = !AFrame.Offscreen && AFrame.Partial && FLastFrameValid && bounded &&
                    !AFrame.Visible.Contains(gp::RectF::Union(now, FLastMoving));
  // The precomposed layers serve frames at whole device pixels whose moving parts the instrument
  // bounds: around the parts' rectangle (whole pixels, one more on each side for their
  // anti-aliased edges) they are copied; inside it face, parts and top layer are drawn in turn.
  const bool whole = m.M11() == 1 && m.M12() == 0 && m.M21() == 0 && m.M22() == 1 &&
                     m.OffsetX() == std::floor(m.OffsetX()) && m.OffsetY() == std::floor(m.OffsetY());
  const bool composed = FComposed && FComposedValid && whole && AInstrument.MovingPartsOnlyInBounds() &&
                        (AFrame.ShowHeld ? AInstrument.MovingPartsBounds(AFrame, true, drawn) : (drawn = now, bounded)) &&
                        drawn.IsFinite();
  if (composed) {
    const float W = float(FComposed->Width()), H = float(FComposed->Height());
    const gp::RectF in = gp::RectF::Intersect(
        gp::RectF::FromLTRB(std::floor(drawn.X) - 1, std::floor(drawn.Y) - 1, std::ceil(drawn.Right()) + 1,
                            std::ceil(drawn.Bottom()) + 1),
        gp::RectF(0, 0, W, H));
    if (in.IsEmptyArea()) {
      g.DrawLayer(*FComposed, FComposedRuns, gp::PointF(0, 0));
    } else {
      for (const gp::RectF& band : {gp::RectF(0, 0, W, in.Y), gp::RectF(0, in.Bottom(), W, H - in.Bottom()),
                                    gp::RectF(0, in.Y, in.X, in.Height),
                                    gp::RectF(in.Right(), in.Y, W - in.Right(), in.Height)})
        if (band.Width > 0 && band.Height > 0) g.DrawLayer(*FComposed, FComposedRuns, gp::PointF(0, 0), band);
      g.DrawLayer(*FFace, FFaceRuns, gp::PointF(0, 0), in);
      DrawMoving(g, AInstrument, AFrame, AAntiAliased);
      g.DrawLayer(*FTop, FTopRuns, gp::PointF(0, 0), in);
    }
  } else {
    if (FFace) blit(*FFace, FFaceRuns, 0);
    DrawMoving(g, AInstrument, AFrame, AAntiAliased);
    if (FTop) blit(*FTop, FTopRuns, 1);
  }
  g.Restore(state);
  FinishFrame(AInstrument, AFrame);
}

void TDWInstrumentLayers::DrawMoving(gp::Graphics& g, IDWLayeredDrawing& AInstrument, const TDWLayerFrame& AFrame,
                                     bool AAntiAliased) {
  const gp::GraphicsState moving = g.Save();
  if (AAntiAliased) g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
  AInstrument.DrawMovingParts(g, AFrame);
  g.Restore(moving);
}

void TDWInstrumentLayers::FinishFrame(IDWLayeredDrawing& AInstrument, const TDWLayerFrame& AFrame) {
  if (!AFrame.Offscreen) {
    if (!AFrame.ShowHeld) AInstrument.HoldMovingParts();
    FLastFrame = AFrame;
    FLastFrameValid = AInstrument.MovingPartsBounds(AFrame, true, FLastMoving);
  }
}

gp::RectF DWTransformedBounds(const gp::Matrix& AMatrix, std::span<const gp::PointF> APoints) {
  if (APoints.empty()) return {};
  float l = 0, t = 0, r = 0, b = 0;
  for (size_t k = 0; k < APoints.size(); ++k) {
    gp::PointF p = APoints[k];
    AMatrix.TransformPoints(&p, 1);
    // Not finite: no bounds (std::min and std::max would pass over a NaN).
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return {std::nanf(""), 0, 0, 0};
    if (k == 0) l = r = p.X, t = b = p.Y;
    l = std::min(l, p.X), t = std::min(t, p.Y), r = std::max(r, p.X), b = std::max(b, p.Y);
  }
  return gp::RectF::FromLTRB(l, t, r, b);
}

TRepaintRect DWLayerRepaintRect(const TDWLayerFrame& AFrame, const gp::RectF& ALayerRect, int AWidth, int AHeight) {
  if (!(ALayerRect.Width > 0 && ALayerRect.Height > 0)) return {};
  const double x0 = std::floor(double(ALayerRect.X) + AFrame.Area.X) - 1;
  const double y0 = std::floor(double(ALayerRect.Y) + AFrame.Area.Y) - 1;
  const double x1 = std::ceil(double(ALayerRect.Right()) + AFrame.Area.X) + 1;
  const double y1 = std::ceil(double(ALayerRect.Bottom()) + AFrame.Area.Y) + 1;
  // Non-finite bounds fail every comparison and give the whole control.
  const int l = x0 >= 0 ? int(std::min(x0, double(AWidth))) : 0;
  const int t = y0 >= 0 ? int(std::min(y0, double(AHeight))) : 0;
  const int r = x1 <= AWidth ? int(std::max(x1, 0.0)) : AWidth;
  const int b = y1 <= AHeight ? int(std::max(y1, 0.0)) : AHeight;
  return {l, t, r - l, b - t};
}

}  // namespace dw
