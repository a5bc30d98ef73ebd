#include "dialworks/foundation/DWAnalogInstrumentVariants.h"

#include <algorithm>

#include "dialworks/host/Helpers.h"

namespace dw {

TDWMatrixPlacement DWMatrixLayerPlacement(const TKVElement2DSize& ASize, const TKVElementOffsets& APosition,
                                          int AColumns, int ARows) {
  const float m = float(std::min(AColumns, ARows));
  TDWMatrixPlacement p;
  p.Width = ASize.Width().Get(m);
  p.Height = ASize.Height().Get(m);
  p.Left = RXRoundHalfEvenToInt(double(APosition.X().Get(float(AColumns))));
  p.Top = RXRoundHalfEvenToInt(double(APosition.Y().Get(float(ARows))));
  return p;
}

void DWRegisterInstrumentVariants(const TDWInstrumentRegistration& r) {
  if (r.Control) RegisterComponents("Dialworks", {r.Control});
  if (r.Layer) RXRegisterLayerComponent(*r.Layer, r.Category);
  if (r.MirroringElement) {
    if (r.MirroringFamily == efClock) RXRegisterClockComponentElement(*r.MirroringElement, r.Category);
    else RXRegisterGaugeComponentElement(*r.MirroringElement, r.Category);
  }
  if (r.ExternalElement) RXRegisterComponentElement(*r.ExternalElement, r.Category);
  if (r.MatrixLayer)
    RXRegisterMatrixComponentElement(*r.MatrixLayer, r.MatrixCategory.empty() ? r.Category : r.MatrixCategory);
  for (const TClassInfo* c : r.StreamingOnly)
    if (c) RegisterClass(*c);
}

}  // namespace dw
