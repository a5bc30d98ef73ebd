// The segment text display: a string on a grid of Rows x Cols segment character cells (an
// alphanumeric LED/LCD module); with its layer, element and matrix-layer variants.
//
// The text is UTF-8; it is decoded once when it changes (invalid bytes become U+FFFD), and each
// frame walks the decoded characters over the grid (DWSegmentTextWalk): row by row, left to right;
// line feeds are skipped, a carriage return ends its row (the rest of the row stays blank; after a
// row the text filled exactly it ends that row, not the next), a "."
// after a character lights that character's decimal point and takes no cell, a text longer than
// the grid wraps to the next row and what does not fit is not shown. Characters outside the
// layout's table (control characters, anything beyond ASCII) show a blank cell, but still reach
// the custom-symbol hook.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dialworks/Export.h"
#include "dialworks/foundation/DWAnalogInstrumentVariants.h"
#include "dialworks/foundation/DWSegmentIndicator.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/host/Pins.h"

namespace dw {

// Registers the unit DWSegmentText: control, layer and element variants, all under "Indicators".
namespace DWSegmentText {
DW_API void RegisterPkg();
}  // namespace DWSegmentText

// The mask of a character in a layout's table (0: not in the table).
DW_API uint32_t DWSegmentCharMask(TDWSegmentsType AType, char32_t AChar);
// The number of entries of a layout's table (76, 78, 86, 90).
DW_API int DWSegmentCharTableSize(TDWSegmentsType AType);
// UTF-8 to code points; every byte of an invalid or truncated sequence gives U+FFFD.
DW_API std::u32string DWDecodeUtf8(std::string_view AText);

// Walks AText over ARows x ACols cells, calling AVisit(column, row, character, mask) for every
// cell in row order (character 0 past the end of the text). Allocation-free.
template <class F>
void DWSegmentTextWalk(std::u32string_view AText, int ARows, int ACols, TDWSegmentsType AType, F&& AVisit) {
  const size_t n = AText.size();
  const uint32_t point = DWDecimalPointBit(AType);
  size_t p = 0;
  bool lineBreak = false;
  for (int row = 0; row < ARows; ++row) {
    // A row the text filled to its end, followed by a carriage return (after the point of its last
    // cell, if any): that return ends this full row rather than blanking the next one.
    if (row > 0 && !lineBreak) {
      size_t q = p;
      if (q < n && AText[q] == U'.') ++q;
      while (q < n && AText[q] == U'\n') ++q;
      if (q < n && AText[q] == U'\r') p = q + 1;
    }
    lineBreak = false;
    for (int col = 0; col < ACols; ++col) {
      char32_t c = 0;
      // After a return the rest of the row reads nothing: each return ends exactly one row.
      if (!lineBreak) {
        while (p < n && AText[p] == U'\n') ++p;
        if (p < n) {
          c = AText[p];
          if (c == U'.') {  // skipped once; line feeds after it are skipped too
            ++p;
            while (p < n && AText[p] == U'\n') ++p;
            c = p < n ? AText[p] : 0;
          }
          if (c == U'\r') {
            lineBreak = true;
            ++p;
          }
        }
      }
      uint32_t mask = 0;
      // A broken row keeps its character for the next row; an exhausted text shows blanks.
      if (!lineBreak && p < n) {
        mask = DWSegmentCharMask(AType, c);
        if (p + 1 < n && AText[p + 1] == U'.') mask |= point;
        ++p;
      }
      AVisit(col, row, c, mask);
    }
  }
}

class DW_API TDWSegmentText : public TDWCustomizableSegmentIndicator<TKVBasicControl> {
  DW_CLASS(TDWSegmentText, TKVBasicControl)
  static constexpr int DefaultWidth = 250, DefaultHeight = 80;
  // Upper limit of Rows and Cols (a frame walks every cell).
  static constexpr uint32_t MaxCells = 256;
  explicit TDWSegmentText(TComponent* AOwner = nullptr);
  ~TDWSegmentText() override;

  TMZPXStringSinkPin& InputPin() { return FInputPin; }
  const TMZPXStringSinkPin& InputPin() const { return FInputPin; }
  // Rows and Cols: 1..MaxCells, limited.
  uint32_t Rows() const { return FRows; }
  void SetRows(uint32_t AValue) { SetterMinMax(*this, "Rows", FRows, AValue, 1u, MaxCells, [this] { InvalidateRange(); }); }
  uint32_t Cols() const { return FCols; }
  void SetCols(uint32_t AValue) { SetterMinMax(*this, "Cols", FCols, AValue, 1u, MaxCells, [this] { InvalidateRange(); }); }
  TRXComponentElements& Elements() { return *FElements; }
  const TRXComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }
  // A copy taken under the control lock (the input pin sets the text from its own thread).
  std::string Text() const;
  void SetText(const std::string& AValue);
  // The decoded text the frames walk: a copy taken under the control lock, like Text().
  std::u32string Characters() const;

  void Init(float AWidth, float AHeight, bool AFlag) override;
  float DigitWidth() const { return FDigitWidth; }
  float DigitHeight() const { return FDigitHeight; }

  void BeforeDestruction() override {
    FInputPin.DisconnectAll();
    TDWCustomizableSegmentIndicator::BeforeDestruction();
  }

 protected:
  void DrawCells(gp::Graphics& g, TDWSegmentPass APass) override;
  void DrawElements(gp::Graphics& g, const TDWLayerFrame& AFrame, float AWidth, float AHeight) override;

 private:
  TMZPXStringSinkPin FInputPin;
  uint32_t FRows = 2, FCols = 10;
  std::unique_ptr<TRXComponentElements> FElements;
  std::string FText;
  std::u32string FChars;
  float FDigitWidth = 0, FDigitHeight = 0;
};

class DW_API TDWSegmentTextLayer : public TDWSegmentText {
  DW_CLASS(TDWSegmentTextLayer, TDWSegmentText)
  using TDWSegmentText::TDWSegmentText;
};

class DW_API TDWExternalSegmentTextElement : public TDWPlacedElement<TDWSegmentText> {
  DW_CLASS(TDWExternalSegmentTextElement, TDWSegmentText)
  static void RegisterUnit() { DWSegmentText::RegisterPkg(); }
  explicit TDWExternalSegmentTextElement(TComponent* AOwner = nullptr) : TDWPlacedElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.1f}, {0, 0.5f});
  }
};

class DW_API TDWExternalSegmentTextMatrixLayer : public TDWMatrixLayerOf<TDWExternalSegmentTextElement> {
  DW_CLASS(TDWExternalSegmentTextMatrixLayer, TDWExternalSegmentTextElement)
  explicit TDWExternalSegmentTextMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.3f}, {0, 0});
  }
};

class DW_API TDWExternalSegmentTextMatrixElement : public TDWExternalSegmentTextMatrixLayer {
  DW_CLASS(TDWExternalSegmentTextMatrixElement, TDWExternalSegmentTextMatrixLayer)
  using TDWExternalSegmentTextMatrixLayer::TDWExternalSegmentTextMatrixLayer;
};

}  // namespace dw
