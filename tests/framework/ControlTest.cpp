#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "TestClasses.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/host/PixelBlock.h"

using namespace dw;
using namespace dwtest;

namespace {

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    SetHostServices(&Host);
  }
  void TearDown() override { SetHostServices(nullptr); }
  TManualHost Host;
};

// Holds a control's lock on another thread until released.
class TLockHolder {
 public:
  explicit TLockHolder(IKVControl& AControl) {
    FThread = std::thread([this, &AControl] {
      std::lock_guard lock(AControl.ControlLock());
      FHeld = true;
      while (!FRelease) std::this_thread::yield();
    });
    while (!FHeld) std::this_thread::yield();
  }
  ~TLockHolder() {
    FRelease = true;
    FThread.join();
  }

 private:
  std::thread FThread;
  std::atomic<bool> FHeld{false}, FRelease{false};
};

}  // namespace

TEST_F(ControlTest, IntRenderComposesOverTheBufferAtASubRectangleAndClips) {
  TTestGauge gauge;
  gauge.FillColor = 0x80FF0000;  // half-transparent red
  const int W = 20, H = 10;
  const uint32_t green = 0xFF00FF00;
  std::vector<uint32_t> buffer(W * H, green);
  ASSERT_TRUE(gauge.IntRender(5, 2, 8, 4, buffer.data(), W, H));
  uint32_t expected = PBOverPixel(green, PBPremultiply(0x80FF0000));
  EXPECT_EQ(GetAlpha(expected), 0xFF);
  EXPECT_GT(GetRed(expected), 0x70);
  EXPECT_LT(GetGreen(expected), 0x90);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      bool inside = x >= 5 && x < 13 && y >= 2 && y < 6;
      EXPECT_EQ(buffer[y * W + x], inside ? expected : green) << x << "," << y;
    }
  // Partly outside on the left and bottom: only the visible part is drawn, nothing overflows.
  std::vector<uint32_t> small(W * H, 0);
  ASSERT_TRUE(gauge.IntRender(-3, 7, 6, 10, small.data(), W, H));
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) EXPECT_EQ(small[y * W + x] != 0, x < 3 && y >= 7) << x << "," << y;
  // Bad sizes and places draw nothing.
  std::vector<uint32_t> untouched(W * H, green);
  EXPECT_FALSE(gauge.IntRender(0, 0, std::nanf(""), 4, untouched.data(), W, H));
  EXPECT_FALSE(gauge.IntRender(0, 0, -4, 4, untouched.data(), W, H));
  EXPECT_FALSE(gauge.IntRender(0, 0, 1e30f, 4, untouched.data(), W, H));
  EXPECT_FALSE(gauge.IntRender(30, 0, 4, 4, untouched.data(), W, H));
  EXPECT_FALSE(gauge.IntRender(INT32_MAX, INT32_MAX, 4, 4, untouched.data(), W, H));
  EXPECT_FALSE(gauge.IntRender(0, 0, 4, 4, nullptr, W, H));
  EXPECT_EQ(untouched, std::vector<uint32_t>(W * H, green));
}

TEST_F(ControlTest, DrawingWhileAnotherThreadHoldsTheControlLockDrawsNothing) {
  TTestGauge gauge;
  std::vector<uint32_t> buffer(16 * 16, 0);
  gp::Bitmap bitmap(16, 16);
  gp::CairoGraphics g(bitmap);
  {
    TLockHolder holder(gauge);
    Host.ClearRepaintCounts();
    EXPECT_FALSE(gauge.IntRender(0, 0, 16, 16, buffer.data(), 16, 16));
    EXPECT_EQ(Host.RepaintCount(gauge), 1u);  // the lost frame is asked for again
    gauge.Paint(g);
    EXPECT_EQ(Host.RepaintCount(gauge), 2u);
    // The instrument's own IntDraw takes the lock too: called directly, it draws nothing either.
    gauge.IntDraw(g, {1, 1, 16, 16, 16, 16, false, false});
  }
  EXPECT_EQ(gauge.Draws, 0);
  EXPECT_EQ(buffer, std::vector<uint32_t>(16 * 16, 0));
  EXPECT_EQ(bitmap.GetPixel(8, 8), 0u);
  gauge.Paint(g);
  EXPECT_EQ(gauge.Draws, 1);
  EXPECT_EQ(bitmap.GetPixel(8, 8), gauge.FillColor);
}

// Values set from another thread as fast as it can while this one paints back to back: the
// painter gets its turn every frame (first come, first served) and the writer gets in between.
TEST_F(ControlTest, PaintingKeepsItsTurnAgainstASpinningWriter) {
  TTestGauge gauge;
  gp::Bitmap bitmap(16, 16);
  gp::CairoGraphics g(bitmap);
  std::atomic<bool> stop{false};
  std::atomic<int> writes{0};
  std::thread writer([&] {
    while (!stop) {
      std::lock_guard lock(gauge.ControlLock());
      writes.fetch_add(1, std::memory_order_relaxed);
    }
  });
  while (writes == 0) std::this_thread::yield();
  constexpr int kPaints = 200;
  int paints = 0;
  for (; paints < kPaints; ++paints) gauge.Paint(g);
  // The writer gets in between frames; a loaded machine (sanitizers, parallel tests) may not run
  // it for a while, so painting goes on until it has had half as many turns, within reason.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (; writes < kPaints / 2 && std::chrono::steady_clock::now() < deadline; ++paints) gauge.Paint(g);
  stop = true;
  writer.join();
  // A frame may be lost when the machine stalls the writer inside the lock for the painter's whole
  // wait; an unfair lock loses most of them.
  EXPECT_GE(gauge.Draws, paints - 5);
  EXPECT_GE(writes.load(), kPaints / 2);
}

TEST_F(ControlTest, BoundsDefaultsAndInvalidationReachTheHost) {
  TTestGauge gauge;
  gauge.SetBounds(5, 5, -10, 1 << 20);
  EXPECT_EQ(gauge.Width(), 0);
  EXPECT_EQ(gauge.Height(), TRXTransparentControl::MaxSize);
  uint64_t before = Host.RepaintCount(gauge);
  gauge.SetBounds(5, 5, 0, TRXTransparentControl::MaxSize);  // unchanged
  EXPECT_EQ(Host.RepaintCount(gauge), before);
  gauge.SetLeft(7);
  gauge.InvalidateValue();
  gauge.InvalidateRange();
  gauge.SetAntiAliased(false);
  EXPECT_EQ(Host.RepaintCount(gauge), before + 4);
  gauge.SetLoading(true);
  gauge.SetWidth(50);
  gauge.Invalidate();
  EXPECT_EQ(Host.RepaintCount(gauge), before + 4);  // nothing while loading
  gauge.Loaded();
  // An element's repaint also repaints its host instrument.
  TTestHandElement* hand = &gauge.Elements().Add<TTestHandElement>();
  uint64_t hostBefore = Host.RepaintCount(gauge);
  hand->SetMode(hmMin);
  EXPECT_EQ(Host.RepaintCount(*hand), 1u);
  EXPECT_EQ(Host.RepaintCount(gauge), hostBefore + 1);
  // The anti-alias switch reaches the graphics.
  gp::Bitmap bitmap(4, 4);
  gp::CairoGraphics g(bitmap);
  gauge.Paint(g);
  EXPECT_EQ(static_cast<gp::Graphics&>(g).GetSmoothingMode(), gp::SmoothingModeDefault);  // restored after
  gauge.IntDraw(g, {1, 1, 4, 4, 4, 4, false, false});
  EXPECT_EQ(static_cast<gp::Graphics&>(g).GetSmoothingMode(), gp::SmoothingModeNone);
}

TEST_F(ControlTest, ElementFamiliesQueryOrderAndDrawing) {
  TTestGauge gauge;
  auto& elements = gauge.Elements();
  TTestHandElement* a = &elements.Add<TTestHandElement>();
  try {
    elements.Add<TTestClockElement>();  // clock family only
    ADD_FAILURE() << "a clock element joined a gauge's elements";
  } catch (const TElementRefused& e) {
    EXPECT_NE(std::string(e.what()).find("TRXAngularAnalogComponentElements does not accept TTestClockElement"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(elements.Count(), 1u);
  TTestHandElement* b = &elements.Add<TTestHandElement>();
  EXPECT_EQ(a->ListOwner(), &elements);
  EXPECT_EQ(b->ElementIndex(), 1);
  EXPECT_EQ(elements.Query<TTestHandElement>(), (std::vector<TTestHandElement*>{a, b}));
  EXPECT_EQ(elements.Query<TRXDrawComponentElement>().size(), 2u);
  EXPECT_TRUE(elements.Query<IRXMatrixLayer>().empty());

  TRXClockComponentElements clock(&gauge);
  EXPECT_NO_THROW(clock.Add<TTestClockElement>());
  EXPECT_THROW(clock.Add<TTestHandElement>(), TElementRefused);
  TRXMatrixComponentElements matrix(&gauge);
  EXPECT_THROW(matrix.Add<TTestClockElement>(), TElementRefused);
  // A standalone element of the wrong family handed in is refused and destroyed.
  std::string why;
  EXPECT_EQ(elements.Insert(std::make_unique<TTestClockElement>(), &why), nullptr);
  EXPECT_FALSE(why.empty());

  // Drawing goes in collection order; each element's graphics state is restored; invisible
  // elements are skipped.
  b->SetVisible(false);
  gp::Bitmap bitmap(10, 10);
  gp::CairoGraphics cairo(bitmap);
  gp::Graphics& g = cairo;
  elements.DrawElements(g, {5, 5, 10, 10, 10, 10, false});
  EXPECT_EQ(a->Draws, 1);
  EXPECT_EQ(b->Draws, 0);
  EXPECT_TRUE(g.GetTransform().IsIdentity());
  elements.InvalidateSizes();
  EXPECT_EQ(a->SizeInvalidations, 1);
}

TEST_F(ControlTest, MouseGoesToTheTopmostHitElementAndSelectionIsReleased) {
  TTestGauge gauge;
  TTestHandElement* low = &gauge.Elements().Add<TTestHandElement>();
  TTestHandElement* top = &gauge.Elements().Add<TTestHandElement>();
  top->HitLeft = 5;
  gauge.MouseDown(mbLeft, 0, 7, 3);  // both are hit: the later one lies on top
  EXPECT_EQ(top->Downs, 1);
  EXPECT_EQ(low->Downs, 0);
  gauge.MouseMove(0, 100, 100);  // captured: moves go to the pressed element even off it
  EXPECT_EQ(top->Moves, 1);
  gauge.MouseUp(mbLeft, 0, 100, 100);
  EXPECT_EQ(top->Ups, 1);
  top->SetEnabled(false);
  gauge.MouseDown(mbLeft, 0, 7, 3);  // disabled: the one below gets it
  EXPECT_EQ(low->Downs, 1);
  EXPECT_EQ(top->Unselects, 1);
  // Deleting the selected element leaves no dangling selection.
  gauge.Elements().Delete(0);
  EXPECT_EQ(gauge.SelectedElement(), nullptr);
  EXPECT_FALSE(gauge.MouseWheel(0, 120, 1, 1));
  gauge.MouseUp(mbLeft, 0, 1, 1);
  gauge.MouseLeave();
}

// The selected element moved to another host is no longer this host's: its mouse stays away.
TEST_F(ControlTest, AnElementThatLeftTheListIsNoLongerSelected) {
  TTestGauge gauge, other;
  TTestHandElement* h = &gauge.Elements().Add<TTestHandElement>();
  gauge.MouseDown(mbLeft, 0, 5, 5);
  ASSERT_EQ(gauge.SelectedElement(), h);
  other.Elements().Insert(gauge.Elements().Extract(0));
  EXPECT_EQ(gauge.SelectedElement(), nullptr);
  gauge.MouseMove(0, 50, 50);
  gauge.MouseUp(mbLeft, 0, 50, 50);
  gauge.FocusGained();
  gauge.FocusLost();
  EXPECT_EQ(h->Moves, 0);
  EXPECT_EQ(h->Ups, 0);
  EXPECT_EQ(h->Unselects, 0);
}

TEST_F(ControlTest, DestroyedComponentsLeaveNothingDangling) {
  // Pins: destroying the gauge disconnects the hand's link to its input pin.
  auto gauge = std::make_unique<TTestGauge>();
  TTestGauge knob;
  TTestHandElement* hand = &knob.Elements().Add<TTestHandElement>();
  ASSERT_TRUE(TPXPin::Link(hand->StatePin(), gauge->InputPin()));
  gauge.reset();
  EXPECT_TRUE(hand->StatePin().LinkedPins().empty());
  EXPECT_EQ(hand->StatePin().SubmitValueRange(1, 0, 2), 0u);

  // An element extracted from its list outlives the list and forgets it; it disconnects its pin.
  TTestGauge other;
  ASSERT_TRUE(TPXPin::Link(hand->StatePin(), other.InputPin()));
  std::unique_ptr<TComponent> extracted;
  {
    TTestGauge host;
    host.Elements().Insert(knob.Elements().Extract(0));
    EXPECT_EQ(hand->ListOwner(), &host.Elements());
    extracted = host.Elements().Extract(0);
  }
  EXPECT_EQ(hand->ListOwner(), nullptr);
  EXPECT_FALSE(hand->StatePin().Connected());
  hand->Invalidate();  // no list owner: only itself

  // References and ownership.
  TComponent owner;
  auto* child = new TTestGauge(&owner);
  TComponentRef<TTestGauge> ref(child);
  int freed = 0;
  ref.OnFree = [&] { ++freed; };
  EXPECT_EQ(owner.ComponentCount(), 1u);
  delete child;  // deleting an owned component takes it out of its owner
  EXPECT_EQ(owner.ComponentCount(), 0u);
  EXPECT_EQ(ref.Get(), nullptr);
  EXPECT_EQ(freed, 1);
  auto& c2 = TComponent::Create<TTestGauge>(owner);
  ref.Set(&c2);
  TComponentRef<TTestGauge> copy = ref;
  owner.DestroyComponents();
  EXPECT_EQ(ref.Get(), nullptr);
  EXPECT_EQ(copy.Get(), nullptr);
}

TEST_F(ControlTest, AnOwnedComponentInsertedAsElementLeavesItsOwner) {
  auto owner = std::make_unique<TComponent>();
  TTestGauge host;
  auto* hand = new TTestHandElement(owner.get());
  ASSERT_EQ(host.Elements().Insert(std::unique_ptr<TComponent>(hand)), hand);
  EXPECT_EQ(owner->ComponentCount(), 0u);
  owner.reset();  // the list's element lives on
  ASSERT_EQ(host.Elements().Count(), 1u);
  EXPECT_EQ(&host.Elements().ItemComponent(0), hand);
  // Refused and destroyed: the owner does not keep the deleted component either.
  TComponent other;
  EXPECT_EQ(host.Elements().Insert(std::unique_ptr<TComponent>(new TTestClockElement(&other))), nullptr);
  EXPECT_EQ(other.ComponentCount(), 0u);
}

TEST_F(ControlTest, ProportionalSizesRotationAndAssign) {
  TTestHandElement e;
  TKVElementSize& y = e.Position().Y();
  EXPECT_FLOAT_EQ(y.Get(200), 120.0f);
  y.SetProportional(false);
  EXPECT_FLOAT_EQ(y.Get(200), 0.6f);
  y.SetValue(std::nanf(""));
  EXPECT_FLOAT_EQ(y.Value(), 0.6f);
  y.SetValue(1e30f);
  EXPECT_EQ(y.Value(), TKVElementSize::MaxMagnitude);
  y.SetValueDefault(0.25f);
  EXPECT_EQ(y.Value(), 0.25f);
  EXPECT_TRUE(SaveProperties(y).contains("Proportional"));
  EXPECT_FALSE(SaveProperties(y).contains("Value"));

  TTestGauge a, b;
  a.Scale().SetVisibleDefault(false);
  EXPECT_FALSE(a.Scale().Visible());
  EXPECT_TRUE(SaveProperties(a.Scale()).empty());
  b.Scale().SetCount(3);
  b.Scale().SetCaption("rpm");
  b.Scale().SetStyle(tsDot);
  a.SetScale(b.Scale());
  EXPECT_EQ(a.Scale().Count(), 3);
  EXPECT_EQ(a.Scale().Caption(), "rpm");
  EXPECT_EQ(a.Scale().Style(), tsDot);
  b.Ranges().Add().SetStart(4);
  a.Assign(b);
  ASSERT_EQ(a.Ranges().Count(), 1u);
  EXPECT_EQ(a.Ranges()[0].Start(), 4);
  EXPECT_EQ(a.Ranges()[0].Collection(), &a.Ranges());

  TDWBasicRotatableControl rot;
  uint64_t before = Host.RepaintCount(rot);
  rot.RotationProperty().SetAngle(std::nanf(""));
  EXPECT_EQ(Host.RepaintCount(rot), before);
  ASSERT_TRUE(SetPropertyText(rot, "Rotation.Angle", "90"));
  EXPECT_EQ(rot.Rotation().Angle(), 90.0f);
  EXPECT_EQ(Host.RepaintCount(rot), before + 1);
  EXPECT_TRUE(rot.TransformParams(100, 40).Turned);
}
