// The layered instrument base through its smallest instrument: which layers each kind of change
// drops, the order of the hooks, the frame (device scale, layer size cap, what lies over what),
// the element walk with its mouse routing, and the destruction protocol.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "TestLayeredInstrument.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/ManualHost.h"

namespace dwtest {

DW_PROPERTIES(TTestLayered) { t.Bool("Glass", &TTestLayered::Glass, &TTestLayered::SetGlass, false); }
DW_PROPERTIES(TTestLayeredExternal) { DWDeclareMinMaxValueProperties(t); }

namespace {

using P = TDWLayeredInstrumentProbe;

// An element that notes every call its host makes on it ("B:down", "A:unselect", ...); it is hit
// inside its own bounds. OnDown and OnMove run user code inside the handler.
class TLogElement : public TRXTransparentControl, public TRXDrawComponentElement {
  DW_CLASS(TLogElement, TRXTransparentControl)
  using TRXTransparentControl::TRXTransparentControl;
  static inline std::vector<std::string>* Log = nullptr;
  std::function<void()> OnDown, OnMove;
  void Note(const std::string& AWhat) {
    if (Log) Log->push_back(Name() + ":" + AWhat);
  }
  void Draw(gp::Graphics&, const TRXElementArea&) override { Note("draw"); }
  bool HitTest(int X, int Y) override { return X >= Left() && X < Left() + Width() && Y >= Top() && Y < Top() + Height(); }
  void MouseDown(TMouseButton, TShiftState, int, int) override {
    TKVBasicControl* host = dynamic_cast<TKVBasicControl*>(ListOwner()->Owner());
    Note(host->Focused() ? "down(focused)" : "down");
    if (OnDown) OnDown();
  }
  void MouseMove(TShiftState, int, int) override {
    Note("move");
    if (OnMove) OnMove();
  }
  void MouseUp(TMouseButton, TShiftState, int, int) override { Note("up"); }
  bool MouseWheel(TShiftState, int ADelta, int, int) override {
    Note("wheel" + std::to_string(ADelta));
    return Name() == "A";
  }
  void MouseEnter() override { Note("enter"); }
  void MouseLeave() override { Note("leave"); }
  void Unselect() override { Note("unselect"); }
};
DW_PROPERTIES(TLogElement) {}

struct THost {
  TManualHost Host;
  std::vector<std::string> Log;
  THost() {
    SetHostServices(&Host);
    TRegistrationUnit unit("LayeredInstrumentTest");
    RXRegisterGaugeComponentElement(TLogElement::StaticClass(), "Test");
    TLogElement::Log = &Log;
  }
  ~THost() {
    TLogElement::Log = nullptr;
    SetHostServices(nullptr);
  }
  std::vector<std::string> Take() { return std::exchange(Log, {}); }
};

std::vector<std::string> Frame(TTestLayered& AInstrument, float AScale = 1) {
  AInstrument.Log.clear();
  gp::Bitmap b{int(AInstrument.Width() * AScale), int(AInstrument.Height() * AScale)};
  gp::CairoGraphics g(b);
  g.ScaleTransform(AScale, AScale);
  AInstrument.Paint(g);
  return std::exchange(AInstrument.Log, {});
}

using TLog = std::vector<std::string>;

TEST(LayeredInstrument, EachKindOfChangeDropsItsLayers) {
  THost h;
  TTestLayered i;
  i.SetGlass(true);
  EXPECT_EQ(Frame(i), (TLog{"area", "top", "face", "moving+top"}));
  EXPECT_EQ(P::Builds(i), 1u);
  // Memory: two layers; drops without a paint between them keep at most two spares.
  const size_t layers = P::Bytes(i);
  EXPECT_GT(layers, 0u);
  for (int k = 0; k < 3; ++k) i.SetMax(100 + k);
  EXPECT_LE(P::Bytes(i), layers);  // the pixels kept as spares, the runs found in them let go
  EXPECT_EQ(Frame(i), (TLog{"area", "top", "face", "moving+top"}));
  EXPECT_EQ(P::Bytes(i), layers);
  i.SetValue(50);  // a value: only the moving parts
  EXPECT_EQ(Frame(i), (TLog{"area", "moving+top"}));
  i.ValueDrops = lsTop;  // an instrument whose top layer shows the value
  i.SetValue(60);
  EXPECT_EQ(Frame(i), (TLog{"area", "top", "moving+top"}));
  i.ValueDrops = lsFace;
  i.SetValue(70);
  EXPECT_EQ(Frame(i), (TLog{"area", "face", "moving+top"}));
  i.SetMax(200);  // a range: both
  EXPECT_EQ(Frame(i), (TLog{"area", "top", "face", "moving+top"}));
  i.ScaleDrops = lsFace;  // an instrument whose top layer does not show the range
  i.SetMax(300);
  i.SetMin(-5);
  EXPECT_EQ(Frame(i), (TLog{"area", "face", "moving+top"}));
  i.SetGlass(true);  // any other range change still drops both
  i.InvalidateRange();
  EXPECT_EQ(Frame(i), (TLog{"area", "top", "face", "moving+top"}));
  i.SetWidth(50);  // a size: both
  EXPECT_EQ(Frame(i), (TLog{"area", "top", "face", "moving+top"}));
  const size_t two = P::Bytes(i);
  i.SetGlass(false);  // the top layer goes away with its appearance
  EXPECT_EQ(Frame(i), (TLog{"area", "face", "moving"}));
  EXPECT_FALSE(P::HasTop(i));
  EXPECT_LT(P::Bytes(i), two * 3 / 4);  // one layer, the top layer's spare released by the build
  // Another device scale or layer size builds again, an equal one does not.
  EXPECT_EQ(Frame(i, 2), (TLog{"area", "face", "moving"}));
  EXPECT_EQ(Frame(i, 2), (TLog{"area", "moving"}));
  i.Inset = 2;
  EXPECT_EQ(Frame(i, 2), (TLog{"area", "face", "moving"}));
  i.SetAntiAliased(!i.AntiAliased());  // drawn the other way: built again
  EXPECT_EQ(Frame(i, 2), (TLog{"area", "face", "moving"}));
  i.Inset = 30;  // nothing left to draw: no build, no moving parts
  EXPECT_EQ(Frame(i), (TLog{"area"}));
  EXPECT_EQ(P::Draws(i), 15u);
}

TEST(LayeredInstrument, LifecycleCallsTheHooksInOrder) {
  THost h;
  TTestLayered i;
  i.SetLoading(true);
  i.SetValue(30);
  i.Log.clear();
  i.Loaded();
  EXPECT_EQ(i.Log, (TLog{"loaded", "value"}));
  i.Log.clear();
  i.SetMin(10);
  EXPECT_EQ(i.Log, (TLog{"value"}));
  i.Log.clear();
  i.SetBounds(0, 0, 1, 100);  // below the minimum size: raised
  EXPECT_EQ(i.Width(), 4);
  EXPECT_EQ(i.Log, (TLog{"size", "size"}));  // the control's size invalidation, then SetBounds
}

TEST(LayeredInstrument, TopLayerLiesOverTheMovingPartsAtTheDeviceScale) {
  THost h;
  TTestLayered i;
  i.SetGlass(true);
  i.SetValue(100);
  gp::Bitmap b(80, 40);
  {
    gp::CairoGraphics g(b);
    g.ScaleTransform(2, 2);
    i.Paint(g);
  }
  // Bottom half: the red bar over the blue face; top half: half-transparent green over the bar.
  EXPECT_EQ(b.GetPixel(40, 30), 0xFFFF0000u);
  const TAlphaColor top = b.GetPixel(40, 10);
  EXPECT_EQ(top >> 24, 0xFFu);
  EXPECT_GT((top >> 8) & 0xFF, 0x70u);
  EXPECT_LT((top >> 16) & 0xFF, 0x90u);
  // The layers were built at the device's resolution: no half-pixel seam at the bar's edge.
  EXPECT_EQ(b.GetPixel(79, 39), 0xFFFF0000u);
}

// At a scale where the control's size is not whole device pixels (61 x 41 at 1.5 is 91.5 x 61.5)
// an opaque face covers every device pixel it lies over wholly and the last ones by their share,
// on the device's pixels and half a pixel off them: the layers are not shrunk into that size.
TEST(LayeredInstrument, FacesAtFractionalSizesCoverTheirDevicePixels) {
  THost h;
  TTestLayered i;
  i.SetBounds(0, 0, 61, 41);
  for (const float scale : {1.5f, 1.25f})
    for (const float offset : {0.0f, 0.5f}) {
      gp::Bitmap b(int(61 * scale) + 3, int(41 * scale) + 3);
      {
        gp::CairoGraphics g(b);
        g.SetTransform(gp::Matrix(scale, 0, 0, scale, offset, offset));
        i.Paint(g);
      }
      const float right = offset + 61 * scale, bottom = offset + 41 * scale;
      const int lastX = int(std::ceil(right)) - 1, lastY = int(std::ceil(bottom)) - 1;
      auto alpha = [&](int x, int y) { return int(b.GetPixel(x, y) >> 24); };
      const std::string at = "at " + std::to_string(scale) + " + " + std::to_string(offset);
      EXPECT_EQ(alpha(lastX - 1, 20), 255) << at;
      EXPECT_EQ(alpha(30, lastY - 1), 255) << at;
      // Off the device's pixels the layers are resampled, which spreads the last column's share
      // over two (it keeps their sum); on them the last column holds it alone.
      EXPECT_NEAR(alpha(lastX, 20) + alpha(lastX + 1, 20), 255 * (right - float(lastX)), 3) << at;
      EXPECT_NEAR(alpha(30, lastY) + alpha(30, lastY + 1), 255 * (bottom - float(lastY)), 3) << at;
      if (offset == 0) {
        EXPECT_EQ(alpha(lastX + 1, 20), 0) << at;
      }
    }
}

TEST(LayeredInstrument, LayersShrunkToTheirPixelLimitCoverTheWholeControl) {
  THost h;
  TTestLayered i;
  i.SetGlass(true);
  i.SetBounds(0, 0, 3000, 1600);  // over MaxLayerPixels: the layers are built smaller
  gp::Bitmap b(3000, 1600);
  {
    gp::CairoGraphics g(b);
    i.Paint(g);
  }
  EXPECT_EQ(b.GetPixel(2990, 1590), 0xFF0000FFu);  // face
  EXPECT_EQ(b.GetPixel(10, 1590), 0xFF0000FFu);
  EXPECT_GT((b.GetPixel(2990, 10) >> 8) & 0xFF, 0x70u);  // glass over the face
}

// Face and glass with detail at every device pixel, so any resampling of the layers shows.
class TDetailedLayered : public TTestLayered {
  DW_CLASS(TDetailedLayered, TTestLayered)
  using TTestLayered::TTestLayered;

 protected:
  void DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame& F) override {
    for (int k = 0; k < int(F.Area.Width); ++k)
      g.FillRectangle(gp::SolidBrush(k % 2 ? 0xFF204080 : 0xFFE0C030), gp::RectF(float(k), 0, 1, F.Area.Height));
  }
  void DrawTopLayer(gp::Graphics& g, const TDWLayerFrame& F) override {
    for (int k = 0; k < int(F.Area.Height); k += 2)
      g.FillRectangle(gp::SolidBrush(0x80FFFFFF), gp::RectF(0, float(k), F.Area.Width, 1));
  }
};
DW_PROPERTIES(TDetailedLayered) {}

// A frame clipped to small parts of the control (what a host repaints after the bar moved) shows
// the layers exactly as a whole frame does, at a device scale that resamples them and a device
// offset of half a pixel: no seams where the parts meet.
TEST(LayeredInstrument, FramesOfSmallPartsAtAFractionalScaleEqualAWholeFrame) {
  THost h;
  for (const float scale : {1.25f, 1.5f}) {
    TDetailedLayered i;
    i.SetGlass(true);
    i.SetBounds(0, 0, 61, 41);
    i.SetValue(20);
    const int w = int(std::ceil(61 * scale + 1)), hgt = int(std::ceil(41 * scale + 1));
    auto paint = [&](gp::Bitmap& ABitmap, const gp::RectF* APart) {
      gp::CairoGraphics g(ABitmap);
      if (APart) g.SetClip(*APart);  // device pixels
      g.Clear(0xFFFFFFFF);              // what a host lays below the control
      g.SetTransform(gp::Matrix(scale, 0, 0, scale, 0.5f, 0.5f));
      i.Paint(g);
    };
    gp::Bitmap shown(w, hgt), whole(w, hgt);
    paint(shown, nullptr);
    i.SetValue(60);
    // The bar grew from a fifth to three fifths of the width: repaint that band in small parts.
    for (int y = 0; y < hgt; y += 7)
      for (int x = int(12 * scale); x < int(38 * scale) + 2; x += 5) {
        const gp::RectF part(float(x), float(y), 5, 7);
        paint(shown, &part);
      }
    paint(whole, nullptr);
    int differing = 0;
    for (int y = 0; y < hgt; ++y)
      for (int x = 0; x < w; ++x) differing += shown.GetPixel(x, y) != whole.GetPixel(x, y);
    EXPECT_EQ(differing, 0) << "at a scale of " << scale;
  }
}

struct TWalk : THost {
  TTestLayered I;
  TLogElement* A;
  TLogElement* B;
  TLogElement* C;
  TWalk() {
    // C lies on top, then B, then A; A and B overlap at (15, 5), all three at (5, 5).
    A = Add("A", 0, 0, 20, 10);
    B = Add("B", 10, 0, 10, 10);
    C = Add("C", 0, 0, 8, 10);
    Take();
  }
  TLogElement* Add(const char* AName, int X, int Y, int W, int H) {
    auto* e = &I.Elements().Add<TLogElement>();
    e->SetName(AName);
    e->SetBounds(X, Y, W, H);
    return e;
  }
};

TEST(LayeredInstrument, ElementsAreDrawnInCollectionOrderBetweenTheLayers) {
  TWalk w;
  Frame(w.I);
  EXPECT_EQ(w.Take(), (TLog{"A:draw", "B:draw", "C:draw"}));
  w.B->SetVisible(false);
  Frame(w.I);
  EXPECT_EQ(w.Take(), (TLog{"A:draw", "C:draw"}));
}

TEST(LayeredInstrument, MouseWalksFromTheTopElement) {
  TWalk w;
  // A press goes to the first element hit from the top; those passed are unselected. The host
  // has the focus before the element sees the press.
  w.I.MouseDown(mbLeft, 0, 15, 5);
  EXPECT_EQ(w.Take(), (TLog{"C:unselect", "B:down(focused)"}));
  EXPECT_TRUE(w.I.Focused());
  // A move visits from the top until the first hit, which is entered; the others passed leave.
  w.I.MouseMove(0, 15, 5);
  EXPECT_EQ(w.Take(), (TLog{"C:move", "C:leave", "B:move", "B:enter"}));
  // The pressed element follows the pointer while it lies under another one.
  w.I.MouseMove(0, 5, 5);
  EXPECT_EQ(w.Take(), (TLog{"C:move", "C:enter", "B:move"}));
  // Release, wheel (one notch whatever the delta) and leave go to every element.
  w.I.MouseUp(mbLeft, 0, 5, 5);
  EXPECT_EQ(w.Take(), (TLog{"C:up", "B:up", "A:up"}));
  EXPECT_TRUE(w.I.MouseWheel(0, -240, 5, 5));
  EXPECT_EQ(w.Take(), (TLog{"C:wheel-1", "B:wheel-1", "A:wheel-1"}));
  EXPECT_FALSE(w.I.MouseWheel(0, 0, 5, 5));
  w.I.MouseLeave();
  EXPECT_EQ(w.Take(), (TLog{"C:leave", "B:leave", "A:leave"}));
  // Disabled or designing: only the release and the leave.
  w.I.SetEnabled(false);
  w.I.MouseDown(mbLeft, 0, 5, 5);
  w.I.MouseMove(0, 5, 5);
  EXPECT_FALSE(w.I.MouseWheel(0, 120, 5, 5));
  EXPECT_TRUE(w.Take().empty());
  w.I.MouseUp(mbLeft, 0, 5, 5);
  EXPECT_EQ(w.Take().size(), 3u);
  w.I.SetEnabled(true);
  w.I.SetDesigning(true);
  w.I.MouseDown(mbLeft, 0, 5, 5);
  w.I.MouseMove(0, 5, 5);
  EXPECT_TRUE(w.Take().empty());
}

TEST(LayeredInstrument, MouseWalkSurvivesTheListChangingUnderIt) {
  TWalk w;
  // B removes C (already visited) and itself during the move: the walk goes on at A.
  w.B->OnMove = [&] {
    w.I.Elements().Delete(2);
    w.I.Elements().Delete(1);
  };
  w.I.MouseMove(0, 5, 5);
  EXPECT_EQ(w.Take(), (TLog{"C:move", "C:enter"}));  // C was hit: the walk ends there
  w.I.MouseMove(0, 15, 5);
  EXPECT_EQ(w.Take(), (TLog{"C:move", "C:leave", "B:move"}));
  ASSERT_EQ(w.I.Elements().Count(), 1u);
  // A press whose handler clears the list ends the walk without touching freed elements.
  w.A->OnDown = [&] { w.I.Elements().Clear(); };
  w.I.MouseDown(mbLeft, 0, 5, 5);
  EXPECT_EQ(w.Take(), (TLog{"A:down(focused)"}));
  w.I.MouseUp(mbLeft, 0, 5, 5);
  EXPECT_TRUE(w.Take().empty());
}

TEST(LayeredInstrument, DestructionStopsInputsBeforeAnyPartGoes) {
  THost h;
  auto owner = std::make_unique<TComponent>();
  auto* i = new TTestLayeredExternal(owner.get());
  i->Elements().Add<TLogElement>().SetName("E");
  TPXRealSourcePin source(nullptr);
  ASSERT_TRUE(source.Connect(i->InputPin()));
  source.SendValue(40);
  EXPECT_EQ(i->Value(), 40);
  i->Log.clear();
  h.Take();
  i->BeforeDestruction();
  // The pin is gone first, then motion stops, then the elements (destroyed while the host is whole).
  EXPECT_FALSE(source.Connected());
  EXPECT_EQ(i->Log, (TLog{"stop"}));
  EXPECT_EQ(i->Elements().Count(), 0u);
  owner.reset();
}

}  // namespace
}  // namespace dwtest
