// The pieces of a round dial's face that every dial instrument draws the same way: the layout of
// the face in a drawing area, the face fill, the border ring and bands, the caption texts, the
// glass over the centre cap, and centred (plain or outlined) text.
// Lengths: border widths against the dial size S; fonts against the face radius R0.
#pragma once

#include <string>

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/draw/Path.h"
#include "dialworks/foundation/DWAnalogInstrumentDecorations.h"
#include "dialworks/framework/Decorations.h"

namespace dw {

// The face inside a control of AWidth x AHeight.
struct DW_API TDWDialLayout {
  float ShiftX = 0, ShiftY = 0;  // translation that centres a squared dial
  float Width = 0, Height = 0;   // the drawing area (squared when asked)
  float Size = 0;                // S: the smaller side
  float Inset = 0;               // border base width plus visible band widths
  float Radius = 0;              // R0: face radius, S/2 - inset (never negative)
  float OffsetX = 0, OffsetY = 0;  // centre offset in pixels (centre position resolved against S)
};
// AInset is the border's total width in pixels; ACenter the centre position as proportions of S.
DW_API TDWDialLayout DWDialLayout(float AWidth, float AHeight, bool ASquare, float AInset, gp::PointF ACenter);
// The layout of a dial with ABorder, its centre offset resolved through ACenter's size objects.
DW_API TDWDialLayout DWDialLayoutFor(float AWidth, float AHeight, const TKVProportionalControlBorder& ABorder,
                                     const TDWAnalogInstrumentCenter& ACenter);

// Centred both ways, not clipped.
DW_API gp::StringFormat DWCentredTextFormat();
// Text drawn as an outline path around the origin (the font's own path drawing).
DW_API void DWDrawOutlinedText(gp::Graphics& g, const TRXGPSimpleFont& AFont, const std::string& AText, float AEmSize,
                               float APenWidth);
// A font's text centred at the origin: plain, or outlined at pen width 0.001 W when the font asks.
DW_API void DWDrawCentredText(gp::Graphics& g, const TRXGPSimpleFont& AFont, const std::string& AText,
                              float AReference, float AWidth, const gp::RectF& ABrushBox);

// The dial's face layer drawing steps.
struct DW_API TDWDialFaceParts {
  const TKVProportionalControlBorder& Border;
  const TKVCaption& Caption;
  const TDWGlass& Glass;
  const TDWAnalogInstrumentCenter& Center;
  TAlphaColor Color;
  bool AntiAliased;
};
DW_API bool DWDialHasBands(const TKVProportionalControlBorder& ABorder, float ASize);
// The outline of the inside of the border (moving parts and the face's inner parts are clipped to it).
DW_API gp::GraphicsPath DWDialFaceShape(const TKVProportionalControlBorder& ABorder, const TDWDialLayout& L);
// Rendering hints, the face fill reaching under the border ring, and the ring itself when the
// border has no bands (with bands the ring goes to the top layer).
DW_API void DWDrawDialFaceBase(gp::Graphics& g, const TDWDialFaceParts& P, const TDWDialLayout& L);
DW_API void DWDrawDialRing(gp::Graphics& g, const TKVProportionalControlBorder& ABorder, const TDWDialLayout& L);
// The caption and its further items (only with a caption), plain ones or (AOutlinedPass) outlined ones.
DW_API void DWDrawDialCaption(gp::Graphics& g, const TKVCaption& ACaption, const TDWDialLayout& L, bool AOutlinedPass);
// The centre cap clipped to the face, and the glass gloss over it.
DW_API void DWDrawDialGlass(gp::Graphics& g, const TDWDialFaceParts& P, const TDWDialLayout& L,
                            const gp::GraphicsPath& AFaceShape);
// The top layer: glass over the cap, then the bands; without glass the cap lies over the bands.
DW_API void DWDrawDialTopLayer(gp::Graphics& g, const TDWDialFaceParts& P, const TDWDialLayout& L,
                               const gp::GraphicsPath& AFaceShape);

}  // namespace dw
