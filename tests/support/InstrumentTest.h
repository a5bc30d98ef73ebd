// What the instrument tests share: a manual host with every unit registered, a render of a control
// into a bitmap of its size, the save-load-save round trip of a form, and the cells a matrix layer
// lights inside and outside its place.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Form.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/package/DialworksPkg.h"

namespace dwtest {

struct TScopedHost {
  dw::TManualHost Host;
  TScopedHost() {
    dw::SetHostServices(&Host);
    dw::RegisterDialworksPackage();
  }
  ~TScopedHost() { dw::SetHostServices(nullptr); }
};

// Paints AControl into a new bitmap of its size (at least 1 x 1) over ABackground (0: transparent).
inline dw::gp::Bitmap RenderControl(dw::TKVBasicControl& AControl, dw::TAlphaColor ABackground = 0) {
  dw::gp::Bitmap b(std::max(AControl.Width(), 1), std::max(AControl.Height(), 1));
  dw::gp::CairoGraphics g(b);
  if (ABackground != 0) g.Clear(ABackground);
  AControl.Paint(g);
  return b;
}

// Loads AJson, saves it, loads the saved text and saves again: the two saves must be equal. Returns
// the second form (null, with the test failed, when a load fails).
inline std::unique_ptr<dw::TDWForm> RoundTripForm(const std::string& AJson) {
  dw::TFormLoadResult first = dw::LoadForm(AJson);
  EXPECT_TRUE(first) << first.Error;
  if (!first) return nullptr;
  const std::string saved = dw::SaveForm(*first.Form);
  dw::TFormLoadResult second = dw::LoadForm(saved);
  EXPECT_TRUE(second) << second.Error;
  if (!second) return nullptr;
  EXPECT_EQ(dw::SaveForm(*second.Form), saved);
  return std::move(second.Form);
}

// Lit cells of a AWidth x AHeight matrix buffer inside the AInsideW x AInsideH block at its top-left
// corner (first) and outside it (second).
inline std::pair<int, int> LitCells(const std::vector<uint32_t>& ACells, int AWidth, int AHeight, int AInsideW,
                                    int AInsideH) {
  std::pair<int, int> lit{0, 0};
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x)
      if (ACells[size_t(y * AWidth + x)] != 0) ++(x < AInsideW && y < AInsideH ? lit.first : lit.second);
  return lit;
}

}  // namespace dwtest
