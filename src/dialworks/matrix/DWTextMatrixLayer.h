// The text layer of the matrix display: writes Text into the display's cells every frame, one
// cell per pixel, in any installed font. The font size is a share of the grid's height (1: as tall
// as the grid); Position is the text's top-left cell as shares of the grid's width and height.
// Crop renders only the leading characters that reach the grid's right edge (the last one cut);
// AntiAlias gives partially lit cells at glyph edges, off gives one-bit glyphs. With the font's
// Outlined switch the text is filled from its glyph outlines, larger and heavier (OutlineEm).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dialworks/Export.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Elements.h"

namespace dw {

namespace gp {
class Graphics;
class Font;
}  // namespace gp

class DW_API TDWTextMatrixLayer : public TRXBasicMatrixElement {
  DW_CLASS(TDWTextMatrixLayer, TRXBasicMatrixElement)
  static void RegisterUnit();
  // The outlined font (Font.Outlined): glyph outlines at this many em sizes, drawn scaled by these.
  static constexpr float OutlineEm = 2 * 1.33f, OutlineScaleX = 0.4625f, OutlineScaleY = 0.505f;
  explicit TDWTextMatrixLayer(TComponent* AOwner = nullptr);
  ~TDWTextMatrixLayer() override;

  const std::string& Text() const { return FText; }
  void SetText(const std::string& AValue) { Setter(*this, "Text", FText, AValue); }
  TKVControlFont& Font() { return *FFont; }
  const TKVControlFont& Font() const { return *FFont; }
  void SetFont(const TKVControlFont& AValue) { FFont->Assign(AValue); }
  bool Crop() const { return FCrop; }
  void SetCrop(bool AValue) { Setter(*this, "Crop", FCrop, AValue); }
  bool AntiAlias() const { return FAntiAlias; }
  void SetAntiAlias(bool AValue) { Setter(*this, "AntiAlias", FAntiAlias, AValue); }

  void Render(uint32_t* ABuffer, int AWidth, int AHeight) override;

  // Byte length of the shortest prefix of AText (whole UTF-8 characters) whose width, rounded,
  // exceeds ARoom pixels; the whole text when none does. Widths are measured O(log n) times.
  static size_t CropLength(const gp::Graphics& AGraphics, const gp::Font& AFont, const std::string& AText,
                           int ARoom);

 private:
  std::string FText;
  std::unique_ptr<TKVControlFont> FFont;
  bool FCrop = false, FAntiAlias = false;
};

// The same layer registered for streaming as an element.
class DW_API TDWTextMatrixElement : public TDWTextMatrixLayer {
  DW_CLASS(TDWTextMatrixElement, TDWTextMatrixLayer)
  using TDWTextMatrixLayer::TDWTextMatrixLayer;
};

}  // namespace dw
