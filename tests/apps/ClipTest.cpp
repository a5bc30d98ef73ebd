// A host that repaints part of a control clips the graphics to it: whatever a control draws, it
// draws within that clip, so the pixels outside keep what the host showed there.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"
#include "dialworks/package/DialworksPkg.h"
#include "dialworks/panel/DWGlassPanel.h"

namespace {

using namespace dw;

constexpr TAlphaColor kShown = 0xFFFF00FF;  // what the host showed before the repaint

// Pixels outside the clip that a clipped paint of AControl changed.
int PaintedOutsideTheClip(TKVBasicControl& AControl) {
  AControl.SetBounds(0, 0, 200, 100);
  AControl.Settle();
  gp::Bitmap b(200, 100);
  gp::CairoGraphics g(b);
  g.Clear(kShown);
  const gp::RectF clip(30, 20, 40, 30);
  g.SetClip(clip);
  AControl.Paint(g);
  g.Flush();
  int outside = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (!clip.Contains(float(x) + 0.5f, float(y) + 0.5f) && b.GetPixel(x, y) != kShown) ++outside;
  return outside;
}

TEST(Clip, EveryControlAndAnEmbeddedSpectrumPaintOnlyWithinTheCallersClip) {
  TManualHost host;
  SetHostServices(&host);
  RegisterDialworksPackage();
  int controls = 0;
  for (const TClassInfo* c : RegisteredClasses()) {
    if (!c->IsComponent() || !c->CanCreate()) continue;
    std::unique_ptr<TPersistent> made = c->Create();
    std::unique_ptr<TComponent> component(static_cast<TComponent*>(made.release()));
    if (auto* control = dynamic_cast<TKVBasicControl*>(component.get())) {
      ++controls;
      EXPECT_EQ(PaintedOutsideTheClip(*control), 0) << c->Name();
    }
    TComponent::Destroy(std::move(component));
  }
  EXPECT_GE(controls, 10);
  // An element draws within its host's clip too (a spectrum with bars showing).
  {
    TDWGlassPanel panel;
    TDWExternalSpectrumDisplayElement& spectrum = panel.Elements().Add<TDWExternalSpectrumDisplayElement>();
    spectrum.SetData("0,900,800,700,600,500,400,300,200,100");
    EXPECT_EQ(PaintedOutsideTheClip(panel), 0);
  }
  {
    TDWSpectrumDisplay spectrum;
    spectrum.SetData("0,900,800,700,600,500,400,300,200,100");
    EXPECT_EQ(PaintedOutsideTheClip(spectrum), 0);
  }
  SetHostServices(nullptr);
}

}  // namespace
