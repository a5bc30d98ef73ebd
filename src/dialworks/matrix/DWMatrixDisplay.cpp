#include "dialworks/matrix/DWMatrixDisplay.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numeric>
#include <shared_mutex>

#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Path.h"
#include "dialworks/host/Helpers.h"
#include "dialworks/host/PixelBlock.h"

namespace dw {

TDWMatrixSegmnt::TDWMatrixSegmnt(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.9f)),
      FCornerRadius(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.1f)) {
  FSize->SetProportional(true);
  FCornerRadius->SetProportional(true);
}

DW_PROPERTIES(TDWMatrixSegmnt) {
  using C = TDWMatrixSegmnt;
  t.Enum("Shape", &C::Shape, &C::SetShape, ssEllipse);
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); }).Doc("share of the cell pitch");
  t.Bool("Proportional", &C::Proportional, &C::SetProportional, true).Doc("square cells from the smaller pitch");
  t.Object("CornerRadius", [](C& c) -> TKVElementSize& { return c.CornerRadius(); })
      .Doc("corner of ssRoundRectangle, share of the shape size");
  t.Bool("ShowReflection", &C::ShowReflection, &C::SetShowReflection, true);
}

TDWMatrixAxis TDWMatrixAxis::From(float APitch) {
  TDWMatrixAxis a;
  if (!(APitch >= 0 && APitch <= 1e6f)) return a;
  a.Pitch = APitch;
  a.Whole = int(APitch);
  a.Twentieths = std::clamp(RXRoundHalfEvenToInt(double(APitch) * 20) - a.Whole * 20, 0, 19);
  a.Phases = 20 / std::gcd(a.Twentieths, 20);
  return a;
}

// ---- the display ---------------------------------------------------------------------------------

TDWMatrixDisplay::TDWMatrixDisplay(TComponent* AOwner)
    : TDWBasicRotatableControl(AOwner),
      FSegmnts(std::make_unique<TDWMatrixSegmnt>([this] { Invalidate(); }, this, this)),
      FLayers(std::make_unique<TRXMatrixComponentElements>(this)),
      FRowInputPin(std::make_unique<TPXIntegerSinkPin>(this, [this](TPXPin&, int64_t v) {
        SetRow(uint32_t(std::clamp<int64_t>(v, 0, MaxCells)));
      })),
      FColInputPin(std::make_unique<TPXIntegerSinkPin>(this, [this](TPXPin&, int64_t v) {
        SetCol(uint32_t(std::clamp<int64_t>(v, 0, MaxCells)));
      })),
      FInputPins(std::make_unique<TPXPinList>(this)) {
  FRowInputPin->SetName("RowInputPin");
  FColInputPin->SetName("ColInputPin");
  const std::pair<const char*, int> channels[] = {{"Red", 16}, {"Green", 8}, {"Blue", 0}, {"Alpha", 24}};
  for (const auto& [name, shift] : channels)
    FInputPins->Add<TPXIntegerSinkPin>(name, [this, s = shift](TPXPin&, int64_t v) { SetCursorChannel(s, v); });
  InitSize(321, 201);
  std::lock_guard<TReadWriteLock> lock(FBufferLock);
  ResizeBuffersLocked();
}

TDWMatrixDisplay::~TDWMatrixDisplay() { DisconnectPins(); }

void TDWMatrixDisplay::DisconnectPins() {
  FRowInputPin->DisconnectAll();
  FColInputPin->DisconnectAll();
  for (size_t i = 0; i < FInputPins->Count(); ++i) (*FInputPins)[i].DisconnectAll();
}

void TDWMatrixDisplay::SetRows(uint32_t AValue) {
  SetterMinMax(*this, "Rows", FRows, AValue, 1u, MaxCells, [this] {
    InvalidateRange();
    FLayers->InvalidateSizes();
  });
}

void TDWMatrixDisplay::SetCols(uint32_t AValue) {
  SetterMinMax(*this, "Cols", FCols, AValue, 1u, MaxCells, [this] {
    InvalidateRange();
    FLayers->InvalidateSizes();
  });
}

// The grid's size may change on another thread (a pin): read it under the control lock.
void TDWMatrixDisplay::SetRow(uint32_t AValue) {
  uint32_t rows;
  {
    std::lock_guard lock(ControlLock());
    rows = FRows;
  }
  SetterMax(*this, "Row", FRow, AValue, rows - 1, [this] { InvalidateRange(); });
}

void TDWMatrixDisplay::SetCol(uint32_t AValue) {
  uint32_t cols;
  {
    std::lock_guard lock(ControlLock());
    cols = FCols;
  }
  SetterMax(*this, "Col", FCol, AValue, cols - 1, [this] { InvalidateRange(); });
}

void TDWMatrixDisplay::ResizeBuffersLocked() {
  const int cols = int(FCols), rows = int(FRows);
  if (FBufferCols == cols && FBufferRows == rows) return;
  FBuffer.assign(size_t(cols) * size_t(rows), 0);
  FRenderBuffer.assign(FBuffer.size(), 0);
  FBufferCols = cols;
  FBufferRows = rows;
}

void TDWMatrixDisplay::InvalidateRange() {
  if (IsLoading()) return;
  // Rows and Cols are at least 1 (their setters limit), so the cursor stays inside the grid.
  if (FCol >= FCols) FCol = FCols - 1;
  if (FRow >= FRows) FRow = FRows - 1;
  {
    std::lock_guard<TReadWriteLock> lock(FBufferLock);
    ResizeBuffersLocked();
  }
  TDWBasicRotatableControl::InvalidateRange();
}

void TDWMatrixDisplay::Loaded() {
  TDWBasicRotatableControl::Loaded();
  InvalidateRange();
}

void TDWMatrixDisplay::SetPixel(int AX, int AY, TAlphaColor AColor) {
  {
    std::lock_guard<TReadWriteLock> lock(FBufferLock);
    if (!(AX >= 0 && AX < FBufferCols && AY >= 0 && AY < FBufferRows)) return;
    FBuffer[size_t(AY) * size_t(FBufferCols) + size_t(AX)] = AColor;
  }
  Invalidate();
}

TAlphaColor TDWMatrixDisplay::GetPixel(int AX, int AY) const {
  std::shared_lock<TReadWriteLock> lock(FBufferLock, std::try_to_lock);
  if (!lock.owns_lock() || !(AX >= 0 && AX < FBufferCols && AY >= 0 && AY < FBufferRows)) return DefaultColor;
  return FBuffer[size_t(AY) * size_t(FBufferCols) + size_t(AX)];
}

TAlphaColor TDWMatrixDisplay::GetDisplayPixel(int AX, int AY) const {
  std::shared_lock<TReadWriteLock> lock(FBufferLock, std::try_to_lock);
  if (!lock.owns_lock() || !(AX >= 0 && AX < FBufferCols && AY >= 0 && AY < FBufferRows)) return DefaultColor;
  return PBUnpremultiply(FRenderBuffer[size_t(AY) * size_t(FBufferCols) + size_t(AX)]);
}

void TDWMatrixDisplay::SetCursorChannel(int AShift, int64_t AValue) {
  if (!(AShift >= 0 && AShift <= 24 && AShift % 8 == 0)) return;
  // The cursor under the control lock (its setters hold it); the cell read and written in one
  // write-locked step, so two channel pins on different threads do not lose each other's byte.
  {
    std::lock_guard<TControlMutex> cursor(ControlLock());
    std::lock_guard<TReadWriteLock> lock(FBufferLock);
    const int x = int(FCol), y = int(FRow);
    if (!(x >= 0 && x < FBufferCols && y >= 0 && y < FBufferRows)) return;
    TAlphaColor& cell = FBuffer[size_t(y) * size_t(FBufferCols) + size_t(x)];
    const uint32_t mask = 0xFFu << AShift;
    cell = (cell & ~mask) | ((uint32_t(uint64_t(AValue) & 0xFF)) << AShift);
  }
  Invalidate();
}

// ---- drawing -------------------------------------------------------------------------------------

namespace {

// The shape of a cell filled with ABrush inside ARect.
void FillCellShape(gp::Graphics& g, const gp::Brush& ABrush, TDWSegmentShape AShape, const gp::RectF& ARect,
                   gp::SizeF ACorner) {
  switch (AShape) {
    case ssRectangle: g.FillRectangle(ABrush, ARect); break;
    case ssRoundRectangle: g.FillRoundRectangle(ABrush, ARect, ACorner); break;
    default: g.FillEllipse(ABrush, ARect); break;
  }
}

}  // namespace

void TDWMatrixDisplay::BuildStamps(gp::Graphics& AGraphics, const TStampKey& AKey, const TDWMatrixAxis& AX,
                                   const TDWMatrixAxis& AY) {
  FStampKey = AKey;
  FStampW = AX.Whole + 2;
  FStampH = AY.Whole + 2;
  const size_t block = size_t(FStampW) * size_t(FStampH);
  const size_t count = size_t(AKey.PhasesX) * size_t(AKey.PhasesY);
  FStamps.assign(block * count, 0);
  FHighlights.assign(AKey.Reflection ? block * count : 0, 0);
  const float gx = AKey.PitchX - AKey.SizeX, gy = AKey.PitchY - AKey.SizeY;
  gp::Bitmap scratch(FStampW, FStampH);
  const gp::SolidBrush white(0xFFFFFFFF);
  for (int py = 0; py < AKey.PhasesY; ++py)
    for (int px = 0; px < AKey.PhasesX; ++px) {
      const size_t base = (size_t(py) * size_t(AKey.PhasesX) + size_t(px)) * block;
      // Phase px is the cell whose offset carries (px * k mod 20) twentieths.
      const float fx = float(AX.CellPhase(px)) / 20, fy = float(AY.CellPhase(py)) / 20;
      // Pixel (0, 0) covers [0, 1): the shape's edge lies half a pixel in from the cell's.
      const gp::RectF shape(gx / 2 + fx, gy / 2 + fy, AKey.SizeX - 1, AKey.SizeY - 1);
      const gp::SizeF corner(AKey.CornerX, AKey.CornerY);
      for (int pass = 0; pass < (AKey.Reflection ? 2 : 1); ++pass) {
        scratch.Clear(0);
        {
          std::unique_ptr<gp::Graphics> g = AGraphics.CreateLayer(scratch);
          g->SetSmoothingMode(AKey.AntiAlias ? gp::SmoothingModeAntiAlias : gp::SmoothingModeNone);
          if (pass == 0) {
            FillCellShape(*g, white, TDWSegmentShape(AKey.Shape), shape, corner);
          } else {
            const float w = shape.Width, h = shape.Height;
            gp::GraphicsPath glossPath;
            glossPath.AddEllipse(gp::RectF(shape.X - w / 22, shape.Y - h / 22, std::max(w - w / 5.3f, 0.0005f),
                                           std::max(h - h / 5.3f, 0.0005f)));
            gp::PathGradientBrush gloss(glossPath);
            gloss.SetCenterColor(0xD7FFFFFF);
            const TAlphaColor surround = 0x00FFFFFF;
            gloss.SetSurroundColors(&surround, 1);
            FillCellShape(*g, gloss, TDWSegmentShape(AKey.Shape), shape, corner);
          }
          g->Flush();
        }
        for (int y = 0; y < FStampH; ++y) {
          const uint32_t* row = scratch.ScanLine(y);
          for (int x = 0; x < FStampW; ++x) {
            const size_t i = base + size_t(y) * size_t(FStampW) + size_t(x);
            if (pass == 0) FStamps[i] = uint8_t(row[x] >> 24);
            else FHighlights[i] = row[x];
          }
        }
      }
    }
}

void TDWMatrixDisplay::ComposeCells(const TDWMatrixAxis& AX, const TDWMatrixAxis& AY, int ALeft, int ATop,
                                    bool AReflection) {
  TPixelBlock frame = PBBitmapBlock(*FFrame);
  const int cols = FBufferCols, rows = FBufferRows;
  const size_t block = size_t(FStampW) * size_t(FStampH);
  const bool highlight = AReflection && !FHighlights.empty();
  for (int cy = 0; cy < rows; ++cy) {
    const int y0 = ATop + AY.CellOffset(cy);
    if (y0 >= frame.Height) break;
    const int phaseY = cy % FStampKey.PhasesY;
    const int r0 = std::max(0, -y0), r1 = std::min(FStampH, frame.Height - y0);
    for (int cx = 0; cx < cols; ++cx) {
      const int x0 = ALeft + AX.CellOffset(cx);
      if (x0 >= frame.Width) break;
      uint32_t c = FRenderBuffer[size_t(cy) * size_t(cols) + size_t(cx)];
      if (AReflection && (c >> 24) != 0) {
        // A lit cell never goes fully dark under the gloss: each colour channel at least 30.
        const bool opaque = (c >> 24) == 0xFF;  // premultiplied and straight are the same
        TAlphaColor s = opaque ? c : PBUnpremultiply(c);
        for (int sh : {16, 8, 0})
          if (((s >> sh) & 0xFF) < 30) s = (s & ~(0xFFu << sh)) | (30u << sh);
        c = opaque ? s : PBPremultiply(s);
      }
      const uint32_t ca = c >> 24, cr = (c >> 16) & 0xFF, cg = (c >> 8) & 0xFF, cb = c & 0xFF;
      const size_t base = (size_t(phaseY) * size_t(FStampKey.PhasesX) + size_t(cx % FStampKey.PhasesX)) * block;
      const int q0 = std::max(0, -x0), q1 = std::min(FStampW, frame.Width - x0);
      for (int r = r0; r < r1; ++r) {
        uint32_t* out = frame.Row(y0 + r) + x0;
        const uint8_t* cov = FStamps.data() + base + size_t(r) * size_t(FStampW);
        const uint32_t* hl = highlight ? FHighlights.data() + base + size_t(r) * size_t(FStampW) : nullptr;
        for (int q = q0; q < q1; ++q) {
          const uint32_t k = cov[q];
          uint32_t d = out[q];
          if (k != 0 && ca != 0) {
            // The stamp tinted with the cell colour, atop the frame (the frame keeps its alpha).
            const uint32_t sa = PBDiv255(k * ca), sr = PBDiv255(k * cr), sg = PBDiv255(k * cg), sb = PBDiv255(k * cb);
            const uint32_t da = d >> 24, inv = 255 - sa;
            if (da == 255) {  // the usual opaque background: s + d·(1 − sa)
              d = 0xFF000000u | ((sr + PBDiv255(((d >> 16) & 0xFF) * inv)) << 16) |
                  ((sg + PBDiv255(((d >> 8) & 0xFF) * inv)) << 8) | (sb + PBDiv255((d & 0xFF) * inv));
            } else {
              const uint32_t rr = PBDiv255(sr * da + ((d >> 16) & 0xFF) * inv);
              const uint32_t rg = PBDiv255(sg * da + ((d >> 8) & 0xFF) * inv);
              const uint32_t rb = PBDiv255(sb * da + (d & 0xFF) * inv);
              d = (da << 24) | (rr << 16) | (rg << 8) | rb;
            }
          }
          if (hl && hl[q] != 0) {
            const uint32_t h = hl[q];
            uint32_t sum = 0;
            for (int sh = 0; sh < 32; sh += 8)
              sum |= std::min<uint32_t>(((d >> sh) & 0xFF) + ((h >> sh) & 0xFF), 255) << sh;
            d = sum;
          }
          out[q] = d;
        }
      }
    }
  }
}

void TDWMatrixDisplay::SetDesigning(bool ADesigning) {
  TDWBasicRotatableControl::SetDesigning(ADesigning);
  FLayers->SetDesigning(ADesigning);
}

void TDWMatrixDisplay::SettleMotion() {
  for (size_t i = 0; i < FLayers->Count(); ++i)
    if (auto* control = dynamic_cast<TKVBasicControl*>(&FLayers->ItemComponent(i))) control->Settle();
}

void TDWMatrixDisplay::ReleaseOwnCaches() {
  FStampKey = TStampKey();
  FStampW = FStampH = 0;
  std::vector<uint8_t>().swap(FStamps);
  std::vector<uint32_t>().swap(FHighlights);
  FFrame.reset();
}

void TDWMatrixDisplay::IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) {
  TDWBasicRotatableControl::IntDraw(AGraphics, AArea);
  std::lock_guard<TReadWriteLock> lock(FBufferLock);
  const TDWTransformParams tp = TransformParams(AArea.Width, AArea.Height);
  const float W = tp.Width, H = tp.Height;
  if (!(W >= 1 && H >= 1 && W <= float(MaxSize) * 2 && H <= float(MaxSize) * 2)) return;
  AGraphics.MultiplyTransform(tp.Matrix);
  const double pixels = double(W) * double(H);
  const float scale = pixels > MaxFramePixels ? float(std::sqrt(MaxFramePixels / pixels)) : 1.0f;
  const float FW = W * scale, FH = H * scale;  // the frame's size
  const int Wi = RXRoundHalfEvenToInt(double(FW) + 0.5), Hi = RXRoundHalfEvenToInt(double(FH) + 0.5);

  const TDWMatrixSegmnt& seg = *FSegmnts;
  float px = (FW - 1) / float(FBufferCols), py = (FH - 1) / float(FBufferRows);
  if (seg.Proportional()) px = py = std::min(px, py);
  const TDWMatrixAxis ax = TDWMatrixAxis::From(px), ay = TDWMatrixAxis::From(py);

  if (!FFrame || FFrame->Width() != Wi || FFrame->Height() != Hi) FFrame = std::make_unique<gp::Bitmap>(Wi, Hi);
  PBFill(PBBitmapBlock(*FFrame), PBPremultiply(FColor));

  // The cells as written, then every layer on top, in collection order.
  for (size_t i = 0; i < FBuffer.size(); ++i) FRenderBuffer[i] = PBPremultiply(FBuffer[i]);
  for (size_t i = 0; i < FLayers->Count(); ++i)
    if (auto* layer = dynamic_cast<IRXMatrixLayer*>(&FLayers->Items(i)))
      layer->Render(FRenderBuffer.data(), FBufferCols, FBufferRows);

  // A cell's stamp is drawn in a bitmap: cells wider or taller than one holds are not drawn.
  if (ax.Whole + ay.Whole > 0 && ax.Whole + 2 <= gp::Bitmap::MaxSide && ay.Whole + 2 <= gp::Bitmap::MaxSide) {
    TStampKey key;
    key.PitchX = px;
    key.PitchY = py;
    // Sizes in pixels are the control's pixels: the frame has scale times as many.
    auto inFrame = [scale](const TKVElementSize& ASize, float ARef) {
      return ASize.Proportional() ? ASize.Get(ARef) : ASize.Get(ARef) * scale;
    };
    key.SizeX = inFrame(seg.Size(), px);
    key.SizeY = inFrame(seg.Size(), py);
    key.CornerX = inFrame(seg.CornerRadius(), key.SizeX);
    key.CornerY = inFrame(seg.CornerRadius(), key.SizeY);
    // Only as many phases as there are cells: the stamps together stay about the frame's size.
    key.PhasesX = std::min(ax.Phases, FBufferCols);
    key.PhasesY = std::min(ay.Phases, FBufferRows);
    key.Shape = int(seg.Shape());
    key.AntiAlias = AntiAliased();
    key.Reflection = seg.ShowReflection();
    if (!(key == FStampKey)) BuildStamps(AGraphics, key, ax, ay);
    const int gridW = ax.CellOffset(FBufferCols), gridH = ay.CellOffset(FBufferRows);
    const int left = std::max(0, (Wi - 1 - gridW) / 2), top = std::max(0, (Hi - 1 - gridH) / 2);
    ComposeCells(ax, ay, left, top, key.Reflection);
  }
  FFrame->MarkDirty();
  // The frame keeps the background's alpha (cells go atop it): with an opaque background it
  // covers the area by itself and the fill under it would be hidden. A frame larger than a
  // bitmap holds is empty, and the background is all that is drawn.
  if ((FColor >> 24) != 0xFF || FFrame->Empty())
    AGraphics.FillRectangle(gp::SolidBrush(FColor), gp::RectF(0, 0, W, H));
  // An odd width or height gives a frame one pixel larger (the rounding above places the cells):
  // that column or row is outside the control. Only then is a clip worth its cost per frame.
  if (scale == 1 && FFrame->Width() <= W && FFrame->Height() <= H) {
    AGraphics.DrawImage(*FFrame, 0, 0);
    return;
  }
  const gp::GraphicsState state = AGraphics.Save();
  AGraphics.IntersectClip(gp::RectF(0, 0, W, H));
  if (scale != 1) AGraphics.ScaleTransform(1 / scale, 1 / scale);
  AGraphics.DrawImage(*FFrame, 0, 0);
  AGraphics.Restore(state);
}

}  // namespace dw

namespace dw {

// ---- properties and registration ----------------------------------------------------------------

DW_PROPERTIES(TDWMatrixDisplay) {
  using C = TDWMatrixDisplay;
  t.Pin("RowInputPin", [](C& c) -> TPXIntegerSinkPin& { return c.RowInputPin(); });
  t.Pin("ColInputPin", [](C& c) -> TPXIntegerSinkPin& { return c.ColInputPin(); });
  t.Cardinal("Rows", &C::Rows, &C::SetRows, 50).Limit(1, C::MaxCells);
  t.Cardinal("Cols", &C::Cols, &C::SetCols, 80).Limit(1, C::MaxCells);
  t.Cardinal("Row", &C::Row, &C::SetRow, 0).LimitTo([](const C& c) { return std::pair(0.0, c.Rows() - 1.0); }).Doc("cursor row, below Rows");
  t.Cardinal("Col", &C::Col, &C::SetCol, 0).LimitTo([](const C& c) { return std::pair(0.0, c.Cols() - 1.0); }).Doc("cursor column, below Cols");
  t.Color("Color", &C::Color, &C::SetColor, C::DefaultColor).Doc("background behind and between the cells");
  t.Object("Segmnts", [](C& c) -> TDWMatrixSegmnt& { return c.Segmnts(); });
  t.Collection("Layers", [](C& c) -> TRXMatrixComponentElements& { return c.Layers(); });
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, 321)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, 201)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}
DW_PROPERTIES(TDWMatrixDisplayLayer) {}
DW_PROPERTIES(TDWExternalMatrixDisplayElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalMatrixDisplayMatrixLayer) {}
DW_PROPERTIES(TDWExternalMatrixDisplayMatrixElement) {}

}  // namespace dw

#include "dialworks/matrix/DWTextMatrixLayer.h"

namespace dw {

void DWMatrixDisplay::RegisterPkg() {
  TRegistrationUnit unit("DWMatrixDisplay");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWMatrixDisplay::StaticClass(),
                                .Layer = &TDWMatrixDisplayLayer::StaticClass(),
                                .Category = "Displays",
                                .MirroringElement = nullptr,
                                .ExternalElement = &TDWExternalMatrixDisplayElement::StaticClass(),
                                .MatrixLayer = &TDWExternalMatrixDisplayMatrixLayer::StaticClass(),
                                .StreamingOnly = {}});
  RXRegisterMatrixComponentElement(TDWTextMatrixLayer::StaticClass(), "Text");
  RegisterClass(TDWExternalMatrixDisplayMatrixElement::StaticClass());
  RegisterClass(TDWTextMatrixElement::StaticClass());
  GroupDescendentsWith(TRXBasicMatrixElement::StaticClass(), TKVBasicControl::StaticClass());
}

}  // namespace dw
