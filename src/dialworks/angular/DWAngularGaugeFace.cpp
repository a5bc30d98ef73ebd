// The dial's face: everything that does not move, painted into the two cached layers. The
// background holds the face, the border's base ring, the caption, the range arcs, the ticks and
// their labels; the top layer holds the border bands, the glass highlight and the centre cap and
// is drawn over the hands. Lengths: border widths against the dial size S; range band, fonts and
// hand against the face radius R0; tick lengths and thickness against the face diameter 2·R0.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <span>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/Shading.h"

namespace dw {

namespace {

// Largest cached layer, in pixels: bigger dials are cached at a lower resolution than the device's
// rather than allocating without bound.
constexpr double kMaxLayerPixels = 4.0 * 1024 * 1024;

float Finite0(float AValue) { return std::isfinite(AValue) && AValue > 0 ? AValue : 0.0f; }

gp::StringFormat CentredFormat() {
  gp::StringFormat f(gp::StringFormatFlagsNoClip);
  f.SetAlignment(gp::StringAlignmentCenter);
  f.SetLineAlignment(gp::StringAlignmentCenter);
  return f;
}

// The tick family's paint and labels, when the scale has them (they arrived later than the rest of
// the scale; until then ticks are black and unlabelled).
template <class T>
std::unique_ptr<gp::Brush> TickBrush(const T& ATicks, const gp::RectF& ARect) {
  if constexpr (requires { ATicks.Brush().GetGPBrush(ARect); }) return ATicks.Brush().GetGPBrush(ARect);
  else return std::make_unique<gp::SolidBrush>(0xFF000000);
}
template <class T>
const TDWInstrumentTicksText* TickLabels(const T& ATicks) {
  if constexpr (requires { ATicks.Labels(); }) return &ATicks.Labels();
  else return nullptr;
}

// Text drawn as an outline path around the origin (the font's own path drawing).
void DrawOutlinedText(gp::Graphics& g, const TRXGPSimpleFont& AFont, const std::string& AText, float AEmSize,
                      float APenWidth) {
  const gp::StringFormat format = CentredFormat();
  gp::GraphicsPath path;
  AFont.AddText(path, AText, gp::PointF(0, 0), AEmSize * 2 * 1.33f, &format);
  g.ScaleTransform(0.4625f, 0.505f);
  AFont.DrawOnGraphics(g, path, APenWidth);
}

gp::GraphicsPath BorderShapePath(TKVBorderShape AShape, const gp::RectF& R, float ACorner) {
  gp::GraphicsPath path;
  if (!(R.Width > 0 && R.Height > 0)) return path;
  const float corner = std::min(Finite0(ACorner), std::min(R.Width, R.Height));
  switch (AShape) {
    case bsRectangle: path.AddRectangle(R); break;
    case bsRoundRect: path.AddRoundRectangle(R, gp::SizeF(corner, corner)); break;
    case bsDiamond: {
      const gp::PointF pts[4] = {{R.X + R.Width / 2, R.Y},
                                 {R.X + R.Width, R.Y + R.Height / 2},
                                 {R.X + R.Width / 2, R.Y + R.Height},
                                 {R.X, R.Y + R.Height / 2}};
      path.AddPolygon(pts, 4);
      break;
    }
    case bsRoundDiamond: return RXCreateRoundDiamondPathF(R, corner);
    default: path.AddEllipse(R); break;
  }
  return path;
}

// A lit frame of the shape kind, AWidth wide along the inside of ARect.
void DrawShapeFrame(gp::Graphics& g, TKVBorderShape AShape, TAlphaColor ALight, TAlphaColor ADark,
                    const gp::RectF& ARect, float ACorner, float AWidth, bool AOuter) {
  if (!(AWidth > 0) || !(ARect.Width > 0 && ARect.Height > 0)) return;
  switch (AShape) {
    case bsRectangle: RXDrawFrame3DF(g, ALight, ADark, ARect, AWidth); break;
    case bsRoundRect: RXDrawRoundRectangle3DF(g, ALight, ADark, ARect, ACorner, AWidth); break;
    case bsDiamond: RXDrawDiamondFrame3DF(g, ALight, ADark, ARect, AWidth); break;
    case bsRoundDiamond: RXDrawRoundDiamondFrame3DF(g, ALight, ADark, ARect, ACorner, AWidth); break;
    default:
      if (AOuter) RXDrawGlobeEllipse3DF(g, ALight, ADark, ARect, AWidth);
      else RXDrawEllipse3DF(g, ALight, ADark, ARect, AWidth);
      break;
  }
}

void DrawGloss(gp::Graphics& g, TKVBorderShape AShape, TAlphaColor AColor1, TAlphaColor AColor2,
               const gp::RectF& ARect, float ACorner) {
  if (!(ARect.Width > 0 && ARect.Height > 0)) return;
  switch (AShape) {
    case bsRectangle: RXGlossRectangle3DF(g, AColor1, AColor2, ARect); break;
    case bsRoundRect: RXGlossRoundRectangle3DF(g, AColor1, AColor2, ARect, ACorner); break;
    case bsDiamond: RXGlossDiamond3DF(g, AColor1, AColor2, ARect); break;
    case bsRoundDiamond: RXGlossRoundDiamond3DF(g, AColor1, AColor2, ARect, ACorner); break;
    default: RXGlossEllipse3DF(g, AColor1, AColor2, ARect); break;
  }
}

// A transparent layer of the dial's size: a spare of that size cleared, or a new one.
std::unique_ptr<gp::Bitmap> NewLayer(const TDWDialLayout& L, float AScale,
                                     std::span<std::unique_ptr<gp::Bitmap>> ASpares) {
  const int w = std::max(int(std::ceil((L.Width + 1) * AScale)), 1);
  const int h = std::max(int(std::ceil((L.Height + 1) * AScale)), 1);
  for (std::unique_ptr<gp::Bitmap>& spare : ASpares) {
    if (spare && spare->Width() == w && spare->Height() == h) {
      spare->Clear(0);
      return std::move(spare);
    }
  }
  return std::make_unique<gp::Bitmap>(w, h);
}

}  // namespace

// The face clip turns every fill under it into a masked composite, so it is set only while a part
// is drawn that may reach past the shape's inner circle. Reaches are distances in pixels from the
// middle of the area (the clip shape's centre). The face's graphics has no clip of its own.
class TDWFaceClip {
 public:
  TDWFaceClip(gp::Graphics& g, gp::GraphicsPath AShape, float AInnerRadius)
      : FG(g), FShape(std::move(AShape)), FInner(AInnerRadius), FBase(g.GetTransform()) {}
  ~TDWFaceClip() {
    if (FOn) FG.ResetClip();
  }
  TDWFaceClip(const TDWFaceClip&) = delete;
  TDWFaceClip& operator=(const TDWFaceClip&) = delete;

  // Before a part that reaches AReach (NaN or infinity: unknown, clipped).
  void Reach(float AReach) {
    const bool on = !(AReach <= FInner);
    if (on == FOn) return;
    FOn = on;
    if (!on) {
      FG.ResetClip();
      return;
    }
    const gp::Matrix m = FG.GetTransform();  // the shape is laid out in the face's own coordinates
    FG.SetTransform(FBase);
    FG.SetClip(FShape, gp::CombineModeIntersect);
    FG.SetTransform(m);
  }
  // Text: its extent is not known before it is laid out.
  void Text() { Reach(std::numeric_limits<float>::infinity()); }

 private:
  gp::Graphics& FG;
  const gp::GraphicsPath FShape;
  const float FInner;
  const gp::Matrix FBase;
  bool FOn = false;
};

gp::GraphicsPath TDWBasicAngularGauge::ClipShape(const TDWDialLayout& L) const {
  const float c = L.Inset;
  return BorderShapePath(FBorder->Shape(), gp::RectF(c / 2, c / 2, L.Width - c, L.Height - c),
                         FBorder->CornerSize().Get(L.Size));
}

void TDWBasicAngularGauge::DrawBack(gp::Graphics& AFrame, const TDWDialLayout& L, float ADeviceScale) {
  ++FFaceBuilds;
  FCacheWidth = L.Width;
  FCacheHeight = L.Height;
  FCacheScale = ADeviceScale;
  FClipPath = ClipShape(L);
  FClipInnerRadius = DWShapeInnerRadius(FBorder->Shape(), L.Width - L.Inset, L.Height - L.Inset);
  float scale = ADeviceScale;
  const double pixels = double(L.Width + 1) * double(L.Height + 1) * scale * scale;
  if (pixels > kMaxLayerPixels) scale = float(scale * std::sqrt(kMaxLayerPixels / pixels));

  DropFaceCache();
  FBackBitmap = NewLayer(L, scale, FSpareLayers);
  // The bands lie over the glass, and the cap under it. Painting over is associative, so the
  // bands are painted straight onto the top layer after the glass instead of into a layer of
  // their own composed over it afterwards.
  const bool bands = FBorder->OuterBevel().WidthFor(L.Size) > 0 || FBorder->InnerBevel().WidthFor(L.Size) > 0;
  const bool glass = FGlass->Visible();
  std::unique_ptr<gp::Graphics> top;
  if (glass || bands) {
    FTopBitmap = NewLayer(L, scale, FSpareLayers);
    top = AFrame.CreateLayer(*FTopBitmap);
    top->ScaleTransform(scale, scale);
    if (AntiAliased()) top->SetSmoothingMode(gp::SmoothingModeAntiAlias);
  }
  if (glass) DrawGlass(*top, L);
  {
    const std::unique_ptr<gp::Graphics> back = AFrame.CreateLayer(*FBackBitmap);
    gp::Graphics& g = *back;
    g.ScaleTransform(scale, scale);
    DrawFace(g, L, bands ? top.get() : nullptr);
  }
  if (!glass && bands) FCenter->Draw(*top, L.Size, L.Height, L.Width, AntiAliased());
  for (std::unique_ptr<gp::Bitmap>& spare : FSpareLayers) spare.reset();
}

void TDWBasicAngularGauge::DrawFace(gp::Graphics& g, const TDWDialLayout& L, gp::Graphics* ABands) {
  const float W = L.Width, H = L.Height, S = L.Size, R0 = L.Radius;
  if (AntiAliased()) {
    g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAlias);
  } else {
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
  }

  // Border widths in pixels.
  const TKVBorderShape shape = FBorder->Shape();
  const float corner = Finite0(FBorder->CornerSize().Get(S));
  const float B = Finite0(FBorder->Width().Get(S));
  const float o = Finite0(FBorder->OuterBevel().WidthFor(S));
  const float i = Finite0(FBorder->InnerBevel().WidthFor(S));
  const float p = B + o / 2 + i / 2;
  const float c = L.Inset;

  // The face, reaching under the border ring.
  g.FillPath(gp::SolidBrush(FColor), BorderShapePath(shape, gp::RectF(p / 2, p / 2, W - p, H - p), corner));

  // The ring: the base ring between the bands, the outer band at the edge, the inner band inside
  // the base ring. The shaded helpers draw along the inside of their rectangle, so each band's
  // rectangle is its outer edge.
  gp::Graphics& ring = ABands ? *ABands : g;
  if (ABands && AntiAliased()) ABands->SetSmoothingMode(gp::SmoothingModeAntiAlias);
  if (B > 0) {
    const float m = o + B / 2;
    gp::Pen pen(FBorder->Color(), B);
    ring.DrawPath(pen, BorderShapePath(shape, gp::RectF(m, m, W - 2 * m, H - 2 * m), corner));
  }
  TAlphaColor light, dark;
  FBorder->OuterBevel().Tones(FBorder->Color(), light, dark);
  DrawShapeFrame(ring, shape, light, dark, gp::RectF(0, 0, W, H), corner, o, true);
  FBorder->InnerBevel().Tones(FBorder->Color(), light, dark);
  const float e = o + B;
  DrawShapeFrame(ring, shape, light, dark, gp::RectF(e, e, W - 2 * e, H - 2 * e), corner, i, false);

  // From here on everything stays inside the face.
  TDWFaceClip clip(g, BorderShapePath(shape, gp::RectF(c / 2, c / 2, W - c, H - c), corner),
                   DWShapeInnerRadius(shape, W - c, H - c));
  DrawCaption(g, L, clip, false);

  // Range arcs around the scale (centred on the hand's pivot, like the ticks).
  const float offset = std::hypot(L.OffsetX, L.OffsetY);
  const TDWDialAngles angles = FScale->Angles();
  const bool reversed = FScale->Reversed();
  g.TranslateTransform(L.OffsetX, L.OffsetY);
  if (FRanges->Visible()) {
    const float w = Finite0(FRanges->Width().Get(R0)) * 2;
    const float d = FRanges->Size().Get(2 * R0) - w / 2;
    if (w > 0 && d > 0 && std::isfinite(d)) {
      clip.Reach(offset + d / 2 + w / 2 + 1);
      const gp::RectF r((W - d) / 2, (H - d) / 2, d, d);
      g.DrawArc(gp::Pen(FRanges->Color(), w), r, angles.Start, angles.Sweep);
      std::vector<TDWRangeShare> shares;
      const TDWAnalogGaugeRanges& list = FRanges->Ranges();
      for (size_t k = 0; k < list.Count(); ++k) shares.push_back({list.Items(k).Range(), list.Items(k).Color()});
      for (const TDWRangeArc& arc : DWDialRangeArcs(angles, reversed, shares))
        g.DrawArc(gp::Pen(arc.Color, 0.8f * w), r, arc.StartAngle, arc.SweepAngle);
    }
  }
  DrawTicks(g, L, clip);
  g.TranslateTransform(-L.OffsetX, -L.OffsetY);
  DrawCaption(g, L, clip, true);
}

void TDWBasicAngularGauge::DrawTicks(gp::Graphics& g, const TDWDialLayout& L, TDWFaceClip& AClip) {
  const float W = L.Width, H = L.Height, S = L.Size, R0 = L.Radius;
  const gp::RectF box(0, 0, S, S);
  const TDWScaleTickList list = FScale->ListTicks(FMin, FMax);
  if (list.Ticks.empty()) return;
  const auto& major = FScale->MajorTicks();
  const auto& minor = FScale->MinorTicks();
  const gp::Pen majorPen(*TickBrush(major, box), Finite0(major.Thickness().Get(2 * R0)));
  const gp::Pen minorPen(*TickBrush(minor, box), Finite0(minor.Thickness().Get(2 * R0)));
  const float R = FScale->Size().Get(R0);
  const float majorInner = R - major.Length().Get(2 * R0);
  const float minorInner = R - minor.Length().Get(2 * R0);
  const float cx = W / 2, cy = H / 2;
  const TDWDialAngles angles = FScale->Angles();
  const gp::StringFormat format = CentredFormat();
  constexpr float kRad = std::numbers::pi_v<float> / 180;
  // A tick line reaches no farther than its outer end plus its width (square caps, joins).
  const float offset = std::hypot(L.OffsetX, L.OffsetY);
  const float lines = offset +
                      std::max({std::fabs(R), std::fabs(majorInner), std::fabs(minorInner)}) +
                      std::max(majorPen.GetWidth(), minorPen.GetWidth()) + 1;

  for (const TDWScaleTick& t : list.Ticks) {
    const float a = DWDialTickAngle(angles, t.Position, list.Steps) * kRad;
    const float ca = std::cos(a), sa = std::sin(a);
    const float inner = t.Major ? majorInner : minorInner;
    AClip.Reach(lines);
    g.DrawLine(t.Major ? majorPen : minorPen, gp::PointF(cx + R * ca, cy + R * sa),
               gp::PointF(cx + inner * ca, cy + inner * sa));
    if (!t.HasLabel || t.Label.empty()) continue;
    const TDWInstrumentTicksText* labels = t.Major ? TickLabels(major) : TickLabels(minor);
    if (!labels) continue;
    const float r = labels->Position().Get(R);
    const TRXGPSimpleFont& font = labels->Font();
    const gp::Matrix saved = g.GetTransform();
    g.TranslateTransform(cx + r * ca, cy + r * sa);
    g.RotateTransform(labels->Angle());
    if (font.Outlined()) {
      AClip.Text();
      DrawOutlinedText(g, font, t.Label, font.Size().Get(R0), 0.001f * W);
    } else {
      // A label well inside the face needs no clip (under a clip Cairo composes the text through
      // a mask of the whole clip shape): its box, turned about its centre, reaches no farther
      // than its farthest corner.
      const gp::Font gpFont = font.GetGPFontFor(R0);
      const gp::RectF extent = g.MeasureString(t.Label, gpFont, gp::PointF(0, 0), &format);
      AClip.Reach(offset + std::fabs(r) +
                  std::hypot(std::max(std::fabs(extent.X), std::fabs(extent.Right())),
                             std::max(std::fabs(extent.Y), std::fabs(extent.Bottom()))) +
                  1);
      g.DrawString(t.Label, gpFont, gp::PointF(0, 0), &format, *font.Brush().GetGPBrush(box));
    }
    g.SetTransform(saved);
  }
}

void TDWBasicAngularGauge::DrawCaption(gp::Graphics& g, const TDWDialLayout& L, TDWFaceClip& AClip,
                                       bool AOutlinedPass) {
  const float W = L.Width, H = L.Height, S = L.Size, R0 = L.Radius;
  const gp::RectF box(0, 0, S, S);
  const gp::StringFormat format = CentredFormat();
  auto draw = [&](const std::string& AText, const TRXGPSimpleFont& AFont, const TKVElementOffsets& APos,
                  float AAngle) {
    if (AText.empty() || AFont.Outlined() != AOutlinedPass) return;
    AClip.Text();
    const gp::Matrix saved = g.GetTransform();
    g.TranslateTransform(W / 2 + APos.X().Get(R0), H / 2 + APos.Y().Get(R0));
    g.RotateTransform(AAngle);
    if (AOutlinedPass) DrawOutlinedText(g, AFont, AText, AFont.Size().Get(R0), 0.001f * W);
    else g.DrawString(AText, AFont.GetGPFontFor(R0), gp::PointF(0, 0), &format, *AFont.Brush().GetGPBrush(box));
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

void TDWBasicAngularGauge::DrawGlass(gp::Graphics& g, const TDWDialLayout& L) {
  const float W = L.Width, H = L.Height, S = L.Size;
  // The cap is clipped to the face only when it can reach past the shape's inner circle: its
  // discs and the shadow's offset disc about the offset centre.
  const float ref = S + 1, bottom = FCenter->Bottom().Size().Get(ref);
  float cap = std::max(bottom, FCenter->Top().Size().Get(ref)) / 2;
  if (FCenter->Shadow().Visible()) cap = std::max(cap, 0.014f * ref * std::numbers::sqrt2_v<float> + 0.55f * bottom);
  const float reach = std::hypot(L.OffsetX, L.OffsetY) + cap + 1;
  const gp::GraphicsState state = g.Save();
  if (!(reach <= DWShapeInnerRadius(FBorder->Shape(), W - L.Inset, H - L.Inset)))
    g.SetClip(ClipShape(L), gp::CombineModeIntersect);
  FCenter->Draw(g, S, H, W, AntiAliased());
  g.Restore(state);
  const float d = L.Inset;
  // The gloss gradient mixes colour channels unpremultiplied: a fully transparent end would
  // drag its black channels into the middle and darken the glass. A transparent colour has no
  // colour of its own, so it takes the other end's.
  TAlphaColor c1 = FGlass->Color(), c2 = FGlass->LightColor();
  if (GetAlpha(c1) == 0) c1 = c2 & 0x00FFFFFF;
  if (GetAlpha(c2) == 0) c2 = c1 & 0x00FFFFFF;
  DrawGloss(g, FBorder->Shape(), c1, c2, gp::RectF(d, d, W - 2 * d, H - 2 * d), Finite0(FBorder->CornerSize().Get(S)));
}

}  // namespace dw
