// The thermometer's drawing: the face layer (caption, bevel, bulb, cap, empty tube, ranges, scale)
// and, every frame, the liquid, the full cap, the filled bulb and the elements. Everything is drawn
// in the unrotated frame, turned by the rotation's matrix.
#include <algorithm>
#include <cmath>

#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Path.h"
#include "dialworks/thermometer/ThermometerMath.h"
#include "dialworks/draw/Shading.h"
#include "dialworks/thermometer/DWThermometer.h"
#include "dialworks/thermometer/DWThermometerScale.h"

namespace dw {

namespace {

using thermometer::CentredFormat;
using thermometer::Finite0;

bool HasArea(const gp::RectF& R) { return R.Width > 0 && R.Height > 0; }

}  // namespace

void TDWBasicThermometer::DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame&) {
  const TDWThermometerGeometry& G = FFrameGeometry;
  if (!(G.Width >= 1 && G.Height >= 1)) return;
  if (AntiAliased()) {
    g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAlias);
  } else {
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
  }
  g.MultiplyTransform(FFrameTransform.Matrix);
  DrawCaption(g, G, false);
  DrawBevel(g, G);

  // The bulb up to the tube's bottom (full, or empty when it shows the empty state), the cap's
  // upper half (its lower half lies in the tube), the empty tube.
  const TDWThermometerIndicator& ind = *FIndicator;
  const gp::SolidBrush back(ind.BackColor());
  if (!FBulbPath.Empty())
    g.FillPath(gp::SolidBrush(ind.Reservoir().ShowEmpty() ? ind.BackColor() : ind.Color()), FBulbPath);
  if (HasArea(G.Cap)) g.FillPie(back, G.Cap, 180, 180);
  if (HasArea(G.Tube)) g.FillRectangle(back, G.Tube);

  const float Wi = G.InnerWidth, b = G.Bevel;
  const float length = G.Tube.Height;
  if (FRanges->Visible())
    DWDrawVerticalRanges(g, *FRanges, b + FRanges->Size().Get(Wi), FRanges->Width().Get(Wi), G.TubeBottom(), length);

  // Ticks and labels start right of the tube, one bevel width further out.
  const float right = G.Tube.X + G.TubeWidth + b;
  TDWVerticalScalePlace place;
  place.Bottom = G.TubeBottom();
  place.Length = length;
  place.TickX = right + FScale->Size().Get(Wi);
  place.MajorEndX = place.TickX + FScale->MajorTicks().Length().Get(Wi);
  place.MinorEndX = place.TickX + FScale->MinorTicks().Length().Get(Wi);
  place.MajorLabelX = right + FScale->MajorTicks().Labels().Position().Get(Wi);
  place.MinorLabelX = right + FScale->MinorTicks().Labels().Position().Get(Wi);
  place.ThicknessReference = length;
  place.FontReference = Wi;
  const bool finite = std::isfinite(place.TickX) && std::isfinite(place.MajorEndX) && std::isfinite(place.MinorEndX) &&
                      std::isfinite(place.MajorLabelX) && std::isfinite(place.MinorLabelX);
  if (finite) DWDrawVerticalScale(g, *FScale, FMin, FMax, place);
  DrawCaption(g, G, true);
}

void TDWBasicThermometer::DrawCaption(gp::Graphics& g, const TDWThermometerGeometry& G, bool AOutlinedPass) const {
  const float W = G.Width, H = G.Height;
  const gp::RectF box(0, 0, W, H);
  const gp::StringFormat format = CentredFormat();
  auto draw = [&](const std::string& AText, const TRXGPSimpleFont& AFont, const TKVElementOffsets& APos,
                  float AAngle) {
    if (AText.empty() || AFont.Outlined() != AOutlinedPass) return;
    const float x = W / 2 + APos.X().Get(W / 2), y = H / 2 + APos.Y().Get(H / 2);
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    const gp::Matrix saved = g.GetTransform();
    g.TranslateTransform(x, y);
    g.RotateTransform(AAngle);
    if (AOutlinedPass) {
      gp::GraphicsPath path;
      AFont.AddText(path, AText, gp::PointF(0, 0), AFont.Size().Get(W) * 2 * 1.33f, &format);
      g.ScaleTransform(0.4625f, 0.505f);
      AFont.DrawOnGraphics(g, path, 0.001f * W);
    } else {
      g.DrawString(AText, AFont.GetGPFontFor(W), gp::PointF(0, 0), &format, *AFont.Brush().GetGPBrush(box));
    }
    g.SetTransform(saved);
  };
  // Further items are drawn only with a caption, the same way.
  if (FCaption->GetText().empty()) return;
  draw(FCaption->GetText(), FCaption->Font(), FCaption->Position(), FCaption->Angle());
  for (size_t k = 0; k < FCaption->Items().Count(); ++k) {
    const TKVCaptionItem& item = FCaption->Items()[k];
    draw(item.Text(), item.Font(), item.Position(), item.Angle());
  }
}

void TDWBasicThermometer::DrawBevel(gp::Graphics& g, const TDWThermometerGeometry& G) const {
  const float b = G.Bevel;
  if (!(b > 0)) return;
  TAlphaColor light, dark;
  FBorder->Tones(FBorder->Color(), light, dark);
  const gp::RectF& T = G.OuterTube;
  const float top = T.Y + b / 2, bottom = T.Y + T.Height;
  // The rings leave out the band the tube covers, from half a pixel below the cap's centre down
  // to the tube's bottom: the cap ring keeps what lies above the band, the bulb ring what lies
  // below it (rectangular clips, which cost the rebuild far less than an excluded band).
  // What the bulb ring shows inside the tube below the band is covered by the tube and bulb.
  auto grown = [b](const gp::RectF& r) { return gp::RectF(r.X - b / 2, r.Y - b / 2, r.Width + b, r.Height + b); };
  const gp::GraphicsState state = g.Save();
  if (bottom > top + 0.5f) g.IntersectClip(gp::RectF(-b, bottom, G.Width + 2 * b, G.Height - bottom + b));
  RXDrawEllipse3DF(g, light, dark, grown(G.OuterBulb), b);
  g.Restore(state);
  const gp::GraphicsState capState = g.Save();
  if (bottom > top + 0.5f) g.IntersectClip(gp::RectF(-b, -b, G.Width + 2 * b, top + 0.5f + b));
  RXDrawEllipse3DF(g, light, dark, grown(G.OuterCap), b);
  g.Restore(capState);
  if (bottom > top) {
    RXDrawLine3DF(g, light, dark, gp::PointF(T.X, top), gp::PointF(T.X, bottom), b, false);
    RXDrawLine3DF(g, light, dark, gp::PointF(T.X + T.Width, top), gp::PointF(T.X + T.Width, bottom), b, false);
  }
}

TAlphaColor DWThermometerLiquidColor(TAlphaColor AColor, float AT) {
  static constexpr float kPositions[] = {0.0f, 0.35f, 0.6f, 0.73f, 1.0f};
  static constexpr float kFactors[] = {0.1f, 0.55f, 0.3f, 0.0f, 0.0f};
  const float t = std::isfinite(AT) ? std::clamp(AT, 0.0f, 1.0f) : 0.0f;
  size_t k = 1;
  while (k < 4 && t > kPositions[k]) ++k;
  const float u = (t - kPositions[k - 1]) / (kPositions[k] - kPositions[k - 1]);
  return RXInterpolateColorF(AColor, 0xFFFFFFFF, kFactors[k - 1] + u * (kFactors[k] - kFactors[k - 1]));
}

const gp::TextureBrush& TDWBasicThermometer::LiquidBrush(const TDWThermometerGeometry& G, float AScale) {
  if (!FLiquidBrush || !(FLiquidBrushTube == G.Tube) || FLiquidBrushScale != AScale) {
    // One device pixel per column, at most a screenful.
    const int w = int(std::clamp(std::ceil(double(G.TubeWidth) * AScale), 1.0, 4096.0));
    gp::Bitmap picture(w, 1);
    uint32_t* row = picture.ScanLine(0);
    for (int x = 0; x < w; ++x)
      row[x] = gp::Bitmap::Premultiply(DWThermometerLiquidColor(FIndicator->Color(), (float(x) + 0.5f) / float(w)));
    picture.MarkDirty();
    // Mirrored edges: the smoothing filter then repeats the edge pixels instead of fading them.
    FLiquidBrush = std::make_unique<gp::TextureBrush>(picture, gp::WrapModeTileFlipXY);
    FLiquidBrush->TranslateTransform(G.Tube.X, 0);
    FLiquidBrush->ScaleTransform(G.TubeWidth / float(w), 1);
    FLiquidBrushTube = G.Tube;
    FLiquidBrushScale = AScale;
  }
  return *FLiquidBrush;
}

void TDWBasicThermometer::DrawMovingParts(gp::Graphics& g, const TDWLayerFrame& AFrame) {
  const TDWThermometerGeometry& G = FFrameGeometry;
  if (!(G.Width >= 1 && G.Height >= 1)) return;
  g.MultiplyTransform(FFrameTransform.Matrix);
  const TDWThermometerIndicator& ind = *FIndicator;
  const TDWThermometerLiquid liquid = DWThermometerLiquid(G, FLevel.Drawn(AFrame), ind.Reservoir().ShowEmpty());
  if (HasArea(liquid.Cap)) g.FillEllipse(gp::SolidBrush(ind.Color()), liquid.Cap);
  if (HasArea(liquid.Bulb) && !FBulbPath.Empty()) g.FillPath(gp::SolidBrush(ind.Color()), FBulbPath);
  if (HasArea(liquid.Column))
    g.FillRectangle(LiquidBrush(G, TDWInstrumentLayers::DeviceScale(g)), liquid.Column);

  // The elements lie over the liquid, inside the tube's outline.
  if (FElements->Count() == 0) return;
  g.SetClip(BuiltFaceShape().Path, gp::CombineModeIntersect);
  g.TranslateTransform(G.Bevel, G.Bevel);
  FElements->DrawElements(g, {G.InnerWidth / 2, G.InnerHeight / 2, G.InnerWidth, G.InnerHeight, AFrame.OuterWidth,
                              AFrame.OuterHeight, AFrame.Offscreen});
}

}  // namespace dw
