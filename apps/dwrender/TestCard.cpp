#include "TestCard.h"

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Shading.h"

namespace dw::apps {

using namespace gp;

void DrawTestCard(Graphics& g) {
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  g.Clear(0xFF2B2F36);
}

bool RenderTestCard(const std::string& path) {
  Bitmap bmp(kTestCardWidth, kTestCardHeight);
  {
    CairoGraphics g(bmp);
    DrawTestCard(g);
    g.Flush();
  }
  return bmp.SavePng(path);
}

}  // namespace dw::apps
