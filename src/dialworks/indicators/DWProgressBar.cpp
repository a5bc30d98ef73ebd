#include "dialworks/indicators/DWProgressBar.h"

#include <algorithm>
#include <cmath>

#include "dialworks/framework/Registry.h"
#include "dialworks/indicators/IndicatorMath.h"

namespace dw {

namespace {

using indicators::Finite0;

// Bar pictures stay within these sides (device pixels); longer bars stretch theirs.
constexpr int kMaxPictureLength = 8192;
constexpr int kMaxPictureThickness = 1024;

// Columns of the fill picture for a gauge at device scale AScale.
int PictureLength(const gp::RectF& AGauge, float AScale) {
  return int(std::clamp(std::ceil(double(AGauge.Width) * AScale), 1.0, double(kMaxPictureLength)));
}

}  // namespace

// ---- property objects ---------------------------------------------------------------------------

TDWProgressBarBorder::TDWProgressBarBorder(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlBorder(std::move(AOnChange), AOwner, AControl),
      FGap(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.05f)),
      FCornerRadius(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.05f)) {}

DW_PROPERTIES(TDWProgressBarBorder) {
  using C = TDWProgressBarBorder;
  t.Object("Gap", [](C& c) -> TKVElementSize& { return c.Gap(); }).Doc("free space between frame and bar");
  t.Object("CornerRadius", [](C& c) -> TKVElementSize& { return c.CornerRadius(); });
}

TDWProgressBarBlock::TDWProgressBarBlock(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.03f)),
      FGap(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.01f)),
      FEdgeRadius(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.0f)) {}

DW_PROPERTIES(TDWProgressBarBlock) {
  using C = TDWProgressBarBlock;
  t.Bool("Enabled", &C::Enabled, &C::SetEnabled, false);
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); }).Doc("share of the gauge length");
  t.Object("Gap", [](C& c) -> TKVElementSize& { return c.Gap(); }).Doc("share of the gauge length");
  t.Object("EdgeRadius", [](C& c) -> TKVElementSize& { return c.EdgeRadius(); }).Doc("share of the gauge thickness");
  t.Bool("Monolithic", &C::Monolithic, &C::SetMonolithic, true).Doc("only whole blocks are drawn");
  t.Bool("Monochrome", &C::Monochrome, &C::SetMonochrome, false).Doc("each block in the colour at its start");
}

DW_PROPERTIES(TDWProgressBarGaugeBackground) {
  using C = TDWProgressBarGaugeBackground;
  t.Color("Color", &C::Color, &C::SetColor, 0).Doc("behind the whole bar length; alpha 0: none");
  t.Color("BlockColor", &C::BlockColor, &C::SetBlockColor, 0).Doc("in the empty block slots; alpha 0: none");
}

TDWProgressBarGauge::TDWProgressBarGauge(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FBlocks(std::make_unique<TDWProgressBarBlock>([this] { DoChanged(); }, this, AControl)),
      FEdgeRadius(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.0f)),
      FColors(std::make_unique<TKVColorItems>([this] { DoChanged(); }, this,
                                              AControl ? &AControl->ControlLock() : nullptr)),
      FBackground(std::make_unique<TDWProgressBarGaugeBackground>([this] { DoChanged(); }, this, AControl)) {}

std::vector<TDWRampColor> TDWProgressBarGauge::RampColors() const {
  std::vector<TDWRampColor> out;
  for (size_t k = 0; k < FColors->Count(); ++k) {
    const TKVColorItem& item = FColors->Items(k);
    out.push_back({item.Color(), item.Weight(), item.Break()});
  }
  return out;
}

DW_PROPERTIES(TDWProgressBarGauge) {
  using C = TDWProgressBarGauge;
  t.Enum("Kind", &C::Kind, &C::SetKind, bkGlass);
  t.Object("Blocks", [](C& c) -> TDWProgressBarBlock& { return c.Blocks(); });
  t.Object("EdgeRadius", [](C& c) -> TKVElementSize& { return c.EdgeRadius(); }).Doc("share of the gauge thickness");
  t.Collection("Colors", [](C& c) -> TKVColorItems& { return c.Colors(); })
      .Doc("colour ramp along the bar; empty: the rainbow");
  t.Object("Background", [](C& c) -> TDWProgressBarGaugeBackground& { return c.Background(); });
}

// ---- the bar ------------------------------------------------------------------------------------

TDWBasicProgressBar::TDWBasicProgressBar(TComponent* AOwner)
    : TDWLayeredInstrument(AOwner), FRotation([this] { InvalidateBrush(); }) {
  auto brush = [this] { InvalidateBrush(); };
  FRotationProperty = std::make_unique<TDWRotationProperty>(brush, this, this, FRotation);
  FBorder = std::make_unique<TDWProgressBarBorder>(brush, this, this);
  FGauge = std::make_unique<TDWProgressBarGauge>(brush, this, this);
  FElements = std::make_unique<TRXGaugeComponentElements>(this);
  InitSize(DefaultWidth, DefaultHeight);
}

TDWBasicProgressBar::~TDWBasicProgressBar() { StopInputs(); }

DW_PROPERTIES(TDWBasicProgressBar) {
  using C = TDWBasicProgressBar;
  t.Color("Color", &C::Color, &C::SetColor, 0xFFFFFFFF).Doc("fill of the bar body");
  t.Object("Border", [](C& c) -> TDWProgressBarBorder& { return c.Border(); });
  t.Object("Gauge", [](C& c) -> TDWProgressBarGauge& { return c.Gauge(); });
  t.Object("Rotation", [](C& c) -> TDWRotationProperty& { return c.RotationProperty(); });
  t.Collection("Elements", [](C& c) -> TRXGaugeComponentElements& { return c.Elements(); });
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultWidth)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultHeight)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

void TDWBasicProgressBar::InvalidateBrush() {
  FBrush.reset();
  InvalidateRange();
}

TDWProgressBarLayout TDWBasicProgressBar::Layout(float AWidth, float AHeight) const {
  TDWProgressBarLayout L;
  L.Transform = RXCalcTransformParams(FRotation, AWidth, AHeight);
  const float fw = L.Transform.Width, fh = L.Transform.Height;
  if (!(fw > 0 && fh > 0)) return L;
  const float angle = FRotation.NormalizedAngle();
  L.Flip = angle >= 135 && angle < 315;
  L.Reference = std::min(fw, fh);
  if (L.Reference < 3) {
    // Too thin for a frame: the bar fills the whole frame.
    L.Body = gp::RectF(0, 0, fw, fh);
    L.Gauge = L.Body;
    return L;
  }
  const float R = L.Reference;
  L.Body = gp::RectF(0.5f, 0.5f, fw - 1, fh - 1);
  L.Corner = 2 * std::clamp(Finite0(FBorder->CornerRadius().Get(R)), 0.0f, (R - 1) / 2);
  const float inset = std::max(Finite0(FBorder->Inset(R)) + Finite0(FBorder->Gap().Get(R)), 0.0f);
  const gp::RectF gauge(L.Body.X + inset, L.Body.Y + inset, L.Body.Width - 2 * inset, L.Body.Height - 2 * inset);
  if (gauge.Width > 0 && gauge.Height > 0) L.Gauge = gauge;
  L.GaugeRadius = std::max(L.Corner / 2 - inset, 0.0f);
  return L;
}

float TDWBasicProgressBar::FilledLength(float AGaugeLength) const {
  if (!(AGaugeLength > 0 && std::isfinite(AGaugeLength))) return 0;
  return float(DWBarFilledShare(FValue, FMin, FMax) * AGaugeLength);
}

TDWLayerArea TDWBasicProgressBar::LayerArea(float AWidth, float AHeight) {
  FFrameLayout = Layout(AWidth, AHeight);
  if (!(AWidth > 0 && AHeight > 0)) return {};
  return {0, 0, AWidth, AHeight};
}

TDWBarBlocks TDWBasicProgressBar::BlockLayout(const TDWProgressBarLayout& L) const {
  const TDWProgressBarBlock& b = FGauge->Blocks();
  return DWBarBlocks(b.Size().Get(L.Gauge.Width), b.Gap().Get(L.Gauge.Width));
}

std::vector<TAlphaColor> TDWBasicProgressBar::FillColumns(const TDWProgressBarLayout& L, int ALength) const {
  std::vector<TAlphaColor> columns = DWBarColumnColors(FGauge->RampColors(), ALength);
  const TDWProgressBarBlock& b = FGauge->Blocks();
  if (!(b.Enabled() && b.Monochrome()) || columns.empty()) return columns;
  // Each column takes the colour of the column where its block starts.
  const TDWBarBlocks blocks = BlockLayout(L);
  const double perPixel = double(ALength) / L.Gauge.Width, pitch = double(blocks.Size) + blocks.Gap;
  for (size_t x = 0; x < columns.size(); ++x) {
    const double start = std::floor((double(x) + 0.5) / perPixel / pitch) * pitch * perPixel;
    columns[x] = columns[std::min(size_t(std::max(start, 0.0)), x)];
  }
  return columns;
}

std::unique_ptr<gp::TextureBrush> TDWBasicProgressBar::MakeBarBrush(const TDWProgressBarLayout& L,
                                                                   const std::vector<TAlphaColor>& AColumns,
                                                                   float AScale) const {
  const gp::RectF& G = L.Gauge;
  const int w = PictureLength(G, AScale);
  const int h = int(std::clamp(std::ceil(double(G.Height) * AScale), 1.0, double(kMaxPictureThickness)));
  gp::Bitmap picture(w, h);
  DWPaintBarPicture(picture, AColumns, FGauge->Kind(), L.Flip);
  // Mirrored edges: the smoothing filter then repeats the edge pixels instead of fading them.
  auto brush = std::make_unique<gp::TextureBrush>(picture, gp::WrapModeTileFlipXY);
  brush->TranslateTransform(G.X, G.Y);
  brush->ScaleTransform(G.Width / float(w), G.Height / float(h));
  return brush;
}

void TDWBasicProgressBar::FillPart(gp::Graphics& g, const gp::Brush& ABrush, const gp::RectF& APart, float ARadius) {
  if (!(APart.Width > 0 && APart.Height > 0)) return;
  const float r = std::min(Finite0(ARadius), std::min(APart.Width, APart.Height) / 2);
  if (r > 0) g.FillRoundRectangle(ABrush, APart, 2 * r);
  else g.FillRectangle(ABrush, APart);
}

void TDWBasicProgressBar::ClipToGauge(gp::Graphics& g, const TDWProgressBarLayout& L) const {
  // Blocks with less rounding than the frame's would reach past its corners at the ends: they keep
  // to the outline the continuous bar is drawn with.
  const gp::RectF& G = L.Gauge;
  const float r = std::min(std::max(Finite0(FGauge->EdgeRadius().Get(G.Height)), L.GaugeRadius),
                           std::min(G.Width, G.Height) / 2);
  if (!(r > 0)) return;
  gp::GraphicsPath outline;
  outline.AddRoundRectangle(G, gp::SizeF(2 * r, 2 * r));
  g.SetClip(outline, gp::CombineModeIntersect);
}

void TDWBasicProgressBar::DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame&) {
  const TDWProgressBarLayout& L = FFrameLayout;
  if (!(L.Body.Width > 0 && L.Body.Height > 0)) return;
  const float scale = TDWInstrumentLayers::DeviceScale(g);
  g.MultiplyTransform(L.Transform.Matrix);
  const float R = L.Reference, corner = L.Corner;
  // The body, then the frame: its outline, the outer bevel at the edge, the border band and the
  // inner bevel inside it.
  FillPart(g, gp::SolidBrush(FColor), L.Body, corner / 2);
  if (R >= 3) {
    g.DrawRoundRectangle(gp::Pen(FBorder->Color(), 1), L.Body, gp::SizeF(corner, corner));
    DWDrawBorderRing(g, *FBorder, bsRoundRect, gp::RectF(0, 0, L.Transform.Width, L.Transform.Height), corner, R);
  }
  // The unfilled bar: the background colour over the whole length, the block colour in every slot.
  const gp::RectF& G = L.Gauge;
  if (!(G.Width > 0 && G.Height > 0)) return;
  const TDWProgressBarGaugeBackground& back = FGauge->Background();
  const int n = PictureLength(G, scale);
  if (GetAlpha(back.Color()) != 0) {
    const auto brush = MakeBarBrush(L, std::vector<TAlphaColor>(size_t(n), back.Color()), scale);
    FillPart(g, *brush, G, std::max(FGauge->EdgeRadius().Get(G.Height), L.GaugeRadius));
  }
  const TDWProgressBarBlock& blocks = FGauge->Blocks();
  if (blocks.Enabled() && GetAlpha(back.BlockColor()) != 0) {
    const auto brush = MakeBarBrush(L, std::vector<TAlphaColor>(size_t(n), back.BlockColor()), scale);
    const TDWBarBlocks layout = BlockLayout(L);
    const float radius = blocks.EdgeRadius().Get(G.Height);
    const gp::GraphicsState state = g.Save();
    ClipToGauge(g, L);
    for (int k = 0, count = layout.SlotCount(G.Width); k < count; ++k) {
      const TDWBarBlock b = layout.Block(k, G.Width, false);
      FillPart(g, *brush, gp::RectF(G.X + b.Start, G.Y, b.Length, G.Height), radius);
    }
    g.Restore(state);
  }
}

void TDWBasicProgressBar::DrawMovingParts(gp::Graphics& g, const TDWLayerFrame& AFrame) {
  const TDWProgressBarLayout& L = FFrameLayout;
  FElements->DrawElements(g, {AFrame.Area.Width / 2, AFrame.Area.Height / 2, AFrame.Area.Width, AFrame.Area.Height,
                              AFrame.OuterWidth, AFrame.OuterHeight, AFrame.Offscreen});
  const gp::RectF& G = L.Gauge;
  const float filled = FilledLength(G.Width);
  if (!(filled > 0 && G.Height > 0)) return;
  g.MultiplyTransform(L.Transform.Matrix);
  const float scale = TDWInstrumentLayers::DeviceScale(g);
  if (!FBrush || !(FBrushGauge == G) || FBrushScale != scale) {
    FBrush = MakeBarBrush(L, FillColumns(L, PictureLength(G, scale)), scale);
    FBrushGauge = G;
    FBrushScale = scale;
  }
  const TDWProgressBarBlock& blocks = FGauge->Blocks();
  if (!blocks.Enabled()) {
    FillPart(g, *FBrush, gp::RectF(G.X, G.Y, filled, G.Height),
             std::max(FGauge->EdgeRadius().Get(G.Height), L.GaugeRadius));
    return;
  }
  const TDWBarBlocks layout = BlockLayout(L);
  const bool monolithic = blocks.Monolithic();
  const float radius = blocks.EdgeRadius().Get(G.Height);
  ClipToGauge(g, L);
  for (int k = 0, count = layout.FilledCount(filled, monolithic); k < count; ++k) {
    const TDWBarBlock b = layout.Block(k, filled, monolithic);
    FillPart(g, *FBrush, gp::RectF(G.X + b.Start, G.Y, std::min(b.Length, G.Width - b.Start), G.Height), radius);
  }
}

// ---- variants and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWExternalProgressBar) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWProgressBar) { DWDeclareBackgroundProperty(t); }
DW_PROPERTIES(TDWProgressBarLayer) {}
DW_PROPERTIES(TDWBasicProgressBarElement) {}
DW_PROPERTIES(TDWProgressBarElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalProgressBarElement) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWExternalProgressBarMatrixLayer) {}
DW_PROPERTIES(TDWExternalProgressBarMatrixElement) {}

void DWProgressBar::RegisterPkg() {
  TRegistrationUnit unit("DWProgressBar");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWProgressBar::StaticClass(),
                                .Layer = &TDWProgressBarLayer::StaticClass(),
                                .Category = "Gauges",
                                .MirroringElement = &TDWProgressBarElement::StaticClass(),
                                .MirroringFamily = efGauge,
                                .ExternalElement = &TDWExternalProgressBarElement::StaticClass(),
                                .MatrixLayer = &TDWExternalProgressBarMatrixLayer::StaticClass(),
                                .StreamingOnly = {&TDWExternalProgressBarMatrixElement::StaticClass()}});
}

}  // namespace dw
