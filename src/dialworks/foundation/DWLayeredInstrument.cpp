#include "dialworks/foundation/DWLayeredInstrument.h"

#include <algorithm>
#include <cmath>


namespace dw {

float TDWInstrumentLayers::DeviceScale(const gp::Graphics& AGraphics) {
  const gp::Matrix m = AGraphics.GetTransform();
  const float scale = std::sqrt(std::fabs(m.M11() * m.M22() - m.M12() * m.M21()));
  return scale >= 0.25f && scale <= 16 ? scale : 1.0f;
}

void TDWInstrumentLayers::Drop(TDWLayerSet ASet) {
  if ((ASet & lsFace) && FFace) FSpares[0] = std::move(FFace), FFaceRuns = {};
  if (ASet & lsTop) {
    if (FTop) FSpares[1] = std::move(FTop), FTopRuns = {};
    FTopBuilt = false;
  }
}

size_t TDWInstrumentLayers::Bytes() const {
  size_t bytes = 0;
  for (const gp::Bitmap* b : {FFace.get(), FTop.get(), FSpares[0].get(), FSpares[1].get()})
    if (b) bytes += size_t(b->Stride()) * size_t(b->Height());
  return bytes + FFaceRuns.Bytes() + FTopRuns.Bytes();
}

std::unique_ptr<gp::Bitmap> TDWInstrumentLayers::NewLayer(int AWidth, int AHeight) {
  for (std::unique_ptr<gp::Bitmap>& spare : FSpares) {
    if (spare && spare->Width() == AWidth && spare->Height() == AHeight) {
      spare->Clear(0);
      return std::move(spare);
    }
  }
  return std::make_unique<gp::Bitmap>(AWidth, AHeight);
}

void TDWInstrumentLayers::Build(gp::Graphics& AFrameGraphics, IDWLayeredDrawing& AInstrument, TDWLayerFrame& AFrame,
                                float AScale, bool AAntiAliased, TDWLayerSet ASet) {
  ++FBuilds;
  FWidth = AFrame.Area.Width;
  FHeight = AFrame.Area.Height;
  FScale = AScale;
  FShape = AInstrument.FaceShape(AFrame);
  float scale = AScale;
  const double pixels = double(FWidth) * double(FHeight) * scale * scale;
  if (pixels > MaxLayerPixels) scale = float(scale * std::sqrt(MaxLayerPixels / pixels));
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
  for (std::unique_ptr<gp::Bitmap>& spare : FSpares) spare.reset();
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
  if (FWidth != AFrame.Area.Width || FHeight != AFrame.Area.Height || FScale != scale) Drop(lsBoth);
  const TDWLayerSet stale = TDWLayerSet((FFace ? 0 : lsFace) | (FTopBuilt ? 0 : lsTop));
  if (stale != lsNone) Build(g, AInstrument, AFrame, scale, AAntiAliased, stale);
  AFrame.TopLayer = static_cast<bool>(FTop);

  auto blit = [&](const gp::Bitmap& b, const gp::LayerRuns& ARuns) {
    if (scale == 1) g.DrawLayer(b, ARuns, gp::PointF(0, 0));
    else g.DrawImage(b, layer);
  };
  if (FFace) blit(*FFace, FFaceRuns);
  if (AAntiAliased) g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
  // Off-screen renders (exports, matrix layers) show the snapshot and leave what a window shows,
  // and so the held state, alone.
  AInstrument.SnapMovingParts();
  gp::RectF now;
  AFrame.ShowHeld = !AFrame.Offscreen && AFrame.Partial && FLastFrameValid &&
                    AInstrument.MovingPartsBounds(AFrame, false, now) &&
                    !AFrame.Visible.Contains(gp::RectF::Union(now, FLastMoving));
  const gp::GraphicsState moving = g.Save();
  AInstrument.DrawMovingParts(g, AFrame);
  g.Restore(moving);
  if (FTop) blit(*FTop, FTopRuns);
  g.Restore(state);
  if (!AFrame.Offscreen) {
    if (!AFrame.ShowHeld) AInstrument.HoldMovingParts();
    FLastFrame = AFrame;
    FLastFrameValid = AInstrument.MovingPartsBounds(AFrame, true, FLastMoving);
  }
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
