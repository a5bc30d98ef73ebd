// The dot-matrix display: a grid of Rows x Cols cells, each one 32-bit colour, drawn as small lit
// shapes (dots, squares, rounded squares) with an optional gloss highlight. Cells are written by
// code (SetPixel), by the cursor pins (Row, Col) with the four colour-channel pins, and by the
// matrix layers of Layers, which render into a copy of the cells every frame.
//
// Buffers: FBuffer holds the cells as written (TAlphaColor, straight alpha), row-major, cell
// (x, y) at y * Cols + x. FRenderBuffer is its premultiplied copy into which the layers draw each
// frame (the layers' pixel format); GetDisplayPixel reads it back. Both are guarded by the buffer
// read/write lock (cell reads: read lock; writes and drawing: write lock). Lock order: the control
// lock (setters, Paint) before the buffer lock; nothing calls out while holding the buffer lock
// except the layers' Render during drawing.
//
// Drawing: one anti-aliased stamp per sub-pixel phase of the cell pitch (twentieths of a pixel, at
// most 20 x 20, only as many as there are cells), rasterised through the frame's graphics when the
// geometry changes; each cell is its stamp tinted with the cell colour and composed into one frame
// bitmap, which is drawn once. A steady frame allocates nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/foundation/DWAnalogInstrumentVariants.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/GPProperties.h"
#include "dialworks/framework/Persistents.h"
#include "dialworks/host/Locks.h"
#include "dialworks/host/Pins.h"

namespace dw {

// Registers the unit DWMatrixDisplay: the display's control, layer and element variants under
// "Displays", the text layer under "Text".
namespace DWMatrixDisplay {
DW_API void RegisterPkg();
}  // namespace DWMatrixDisplay

enum TDWSegmentShape : uint8_t { ssEllipse, ssRectangle, ssRoundRectangle };
DW_ENUM(TDWSegmentShape, "ssEllipse", "ssRectangle", "ssRoundRectangle")

// The cell shape: Shape, Size (share of the pitch, 0.9), Proportional (square cells from the
// smaller pitch), CornerRadius (share of the shape size, 0.1) and ShowReflection.
class DW_API TDWMatrixSegmnt : public TKVBasicControlProperty {
  DW_CLASS(TDWMatrixSegmnt, TKVBasicControlProperty)
  TDWMatrixSegmnt(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TDWSegmentShape Shape() const { return FShape; }
  void SetShape(TDWSegmentShape AValue) { Setter(*this, "Shape", FShape, AValue); }
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }
  bool Proportional() const { return FProportional; }
  void SetProportional(bool AValue) { Setter(*this, "Proportional", FProportional, AValue); }
  TKVElementSize& CornerRadius() { return *FCornerRadius; }
  const TKVElementSize& CornerRadius() const { return *FCornerRadius; }
  void SetCornerRadius(const TKVElementSize& AValue) { FCornerRadius->Assign(AValue); }
  bool ShowReflection() const { return FShowReflection; }
  void SetShowReflection(bool AValue) { Setter(*this, "ShowReflection", FShowReflection, AValue); }

 private:
  TDWSegmentShape FShape = ssEllipse;
  std::unique_ptr<TKVElementSize> FSize;
  bool FProportional = true;
  std::unique_ptr<TKVElementSize> FCornerRadius;
  bool FShowReflection = true;
};

// Cell geometry of one axis: the pitch, its whole pixels and twentieths, and the phases drawn.
struct DW_API TDWMatrixAxis {
  float Pitch = 0;   // pixels per cell
  int Whole = 0;     // Trunc(Pitch)
  int Twentieths = 0;  // fractional part in twentieths, 0..19
  int Phases = 1;    // 20 / gcd(Twentieths, 20): the cell pattern repeats after so many cells
  // Geometry of APitch (finite, >= 0).
  static TDWMatrixAxis From(float APitch);
  // Pixel offset of cell AIndex from the grid's start, and its phase (twentieths).
  int CellOffset(int AIndex) const { return AIndex * Whole + (AIndex * Twentieths) / 20; }
  int CellPhase(int AIndex) const { return (AIndex * Twentieths) % 20; }
};

class DW_API TDWMatrixDisplay : public TDWBasicRotatableControl {
  DW_CLASS(TDWMatrixDisplay, TDWBasicRotatableControl)
  // Rows and Cols are limited to 1..MaxCells each (a buffer of at most 1 M cells).
  static constexpr uint32_t MaxCells = 1024;
  // Pixels of the composed frame: a larger display (an element may be many times its host's
  // size) is composed smaller and stretched over its area, as the layered instruments do.
  static constexpr double MaxFramePixels = 4.0 * 1024 * 1024;
  static constexpr TAlphaColor DefaultColor = 0xFF000000;
  explicit TDWMatrixDisplay(TComponent* AOwner = nullptr);
  ~TDWMatrixDisplay() override;

  uint32_t Rows() const { return FRows; }
  void SetRows(uint32_t AValue);
  uint32_t Cols() const { return FCols; }
  void SetCols(uint32_t AValue);
  uint32_t Row() const { return FRow; }
  void SetRow(uint32_t AValue);
  uint32_t Col() const { return FCol; }
  void SetCol(uint32_t AValue);
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue, [this] { InvalidateRange(); }); }
  TDWMatrixSegmnt& Segmnts() { return *FSegmnts; }
  const TDWMatrixSegmnt& Segmnts() const { return *FSegmnts; }
  void SetSegmnts(const TDWMatrixSegmnt& AValue) { FSegmnts->Assign(AValue); }
  TRXMatrixComponentElements& Layers() { return *FLayers; }
  const TRXMatrixComponentElements& Layers() const { return *FLayers; }

  TPXIntegerSinkPin& RowInputPin() { return *FRowInputPin; }
  TPXIntegerSinkPin& ColInputPin() { return *FColInputPin; }
  // "Red", "Green", "Blue", "Alpha", in this order.
  TPXPinList& InputPins() { return *FInputPins; }

  // Cells outside the grid are ignored (writes) or read as opaque black, as is a cell whose lock
  // cannot be had.
  void SetPixel(int AX, int AY, TAlphaColor AColor);
  TAlphaColor GetPixel(int AX, int AY) const;
  // The cell as shown in the last frame, with what the layers drew (straight alpha).
  TAlphaColor GetDisplayPixel(int AX, int AY) const;

  // Cursor limiting, buffer resizing (clearing the cells when the size changes), redraw.
  void InvalidateRange() override;
  void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) override;
  void Loaded() override;
  // Also sets the layers' state.
  void SetDesigning(bool ADesigning) override;

  // Channel byte AShift (16 red, 8 green, 0 blue, 24 alpha) of the cursor cell set to the low byte
  // of AValue (what the channel pins do); other shifts change nothing.
  void SetCursorChannel(int AShift, int64_t AValue);

 protected:
  void DisconnectPins();
  // The layers are not the element list (Settle walks that), so they are settled here.
  void SettleMotion() override;
  // The stamps and the composed frame (rebuilt by the next paint).
  void ReleaseOwnCaches() override;

 private:
  struct TStampKey {
    float PitchX = -1, PitchY = -1, SizeX = 0, SizeY = 0, CornerX = 0, CornerY = 0;
    int PhasesX = 0, PhasesY = 0, Shape = -1;
    bool AntiAlias = false, Reflection = false;
    bool operator==(const TStampKey&) const = default;
  };
  void ResizeBuffersLocked();
  void BuildStamps(gp::Graphics& AGraphics, const TStampKey& AKey, const TDWMatrixAxis& AX, const TDWMatrixAxis& AY);
  void ComposeCells(const TDWMatrixAxis& AX, const TDWMatrixAxis& AY, int ALeft, int ATop, bool AReflection);

  uint32_t FRows = 50, FCols = 80, FRow = 0, FCol = 0;
  TAlphaColor FColor = DefaultColor;
  std::unique_ptr<TDWMatrixSegmnt> FSegmnts;
  std::unique_ptr<TRXMatrixComponentElements> FLayers;
  std::unique_ptr<TPXIntegerSinkPin> FRowInputPin, FColInputPin;
  std::unique_ptr<TPXPinList> FInputPins;

  mutable TReadWriteLock FBufferLock;
  // Cells as written and as shown; FBufferCols x FBufferRows is the grid they hold (it follows
  // Rows and Cols at range invalidation, not while loading).
  std::vector<TAlphaColor> FBuffer;
  std::vector<uint32_t> FRenderBuffer;
  int FBufferCols = 0, FBufferRows = 0;

  // Drawing caches (the drawing thread only).
  TStampKey FStampKey;
  int FStampW = 0, FStampH = 0;
  std::vector<uint8_t> FStamps;        // coverage, one FStampW x FStampH block per phase pair
  std::vector<uint32_t> FHighlights;   // premultiplied highlight, same layout (empty: none)
  std::unique_ptr<gp::Bitmap> FFrame;
};

// A drawing layer of a layered host.
class DW_API TDWMatrixDisplayLayer : public TDWMatrixDisplay {
  DW_CLASS(TDWMatrixDisplayLayer, TDWMatrixDisplay)
  using TDWMatrixDisplay::TDWMatrixDisplay;
};

// The display embedded in another instrument (Position, Size).
class DW_API TDWExternalMatrixDisplayElement : public TDWPlacedElement<TDWMatrixDisplay> {
  DW_CLASS(TDWExternalMatrixDisplayElement, TDWMatrixDisplay)
  static void RegisterUnit() { DWMatrixDisplay::RegisterPkg(); }
  explicit TDWExternalMatrixDisplayElement(TComponent* AOwner = nullptr) : TDWPlacedElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.15f}, {0, 0.6f});
  }

 protected:
  void DisconnectElementPins() override { DisconnectPins(); }
  void JoinedList() override { Invalidate(); }
};

class DW_API TDWExternalMatrixDisplayMatrixLayer : public TDWMatrixLayerOf<TDWExternalMatrixDisplayElement> {
  DW_CLASS(TDWExternalMatrixDisplayMatrixLayer, TDWExternalMatrixDisplayElement)
  explicit TDWExternalMatrixDisplayMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.6f}, {0, 0});
  }
};

class DW_API TDWExternalMatrixDisplayMatrixElement : public TDWExternalMatrixDisplayMatrixLayer {
  DW_CLASS(TDWExternalMatrixDisplayMatrixElement, TDWExternalMatrixDisplayMatrixLayer)
  using TDWExternalMatrixDisplayMatrixLayer::TDWExternalMatrixDisplayMatrixLayer;
};

}  // namespace dw
