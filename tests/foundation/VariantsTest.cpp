#include <gtest/gtest.h>

#include <vector>

#include "FoundationTestClasses.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "support/TableCheck.h"

using namespace dw;
using namespace dwtest;

namespace {

// The device rectangle of the first filled rectangle drawn with the element's colour.
const gp::DrawCall* ElementFill(const gp::RecordingGraphics& g, size_t AIndex) {
  size_t n = 0;
  for (const gp::DrawCall* c : g.Find("FillRectangle"))
    if (n++ == AIndex) return c;
  return nullptr;
}

}  // namespace

TEST(Variants, ElementPlacementInsideTheHost) {
  TScopedHost host;
  TTestDial dial;
  dial.SetBounds(0, 0, 200, 200);
  auto* e = &dial.Elements().Add<TTestDialElement>();

  gp::RecordingGraphics g;
  dial.Paint(g);
  const gp::DrawCall* fill = ElementFill(g, 1);  // the host's face first, then the element
  ASSERT_NE(fill, nullptr);
  EXPECT_FLOAT_EQ(fill->Points[0].X, 69.5f);
  EXPECT_FLOAT_EQ(fill->Points[0].Y, 129.5f);
  EXPECT_FLOAT_EQ(e->LastWidth, 60);
  EXPECT_FLOAT_EQ(e->LastHeight, 60);
  EXPECT_TRUE(e->LastEmbedded);
  EXPECT_TRUE(g.GetTransform().IsIdentity());

  // Round instruments with the square switch draw their elements square.
  e->Size().Height().SetValue(0.6f);
  EXPECT_FLOAT_EQ(e->PlacementRect(100, 100, 200, 200).Height, 120);
  e->SetSquare(true);
  const gp::RectF r = e->PlacementRect(100, 100, 200, 200);
  EXPECT_FLOAT_EQ(r.Width, 60);
  EXPECT_FLOAT_EQ(r.Height, 60);

  // Hidden, empty or absurd placements draw nothing.
  const int draws = e->Draws;
  e->Size().Width().SetValue(-1);
  g.ClearCalls();
  dial.Paint(g);
  EXPECT_EQ(e->Draws, draws);
  e->Size().Width().SetValue(0.3f);
  e->SetVisible(false);
  dial.Paint(g);
  EXPECT_EQ(e->Draws, draws);
}

TEST(Variants, MirroringElementTakesTheHostValues) {
  TScopedHost host;
  TTestDial dial;
  dial.SetMin(20);
  dial.SetMax(80);
  dial.SetValue(50);
  auto* e = &dial.Elements().Add<TTestDialElement>();
  EXPECT_EQ(e->Min(), 20);
  EXPECT_EQ(e->Max(), 80);
  EXPECT_EQ(e->Value(), 50);
  dial.SetValue(70);
  EXPECT_EQ(e->Value(), 70);
  dial.SetMax(60);  // the element limits the value it is handed to its new range
  EXPECT_EQ(e->Max(), 60);
  EXPECT_EQ(e->Value(), 60);

  // An element with its own value ignores the host's.
  auto* x = &dial.Elements().Add<TExternalTestDialElement>();
  x->SetValue(5);
  dial.SetValue(30);
  EXPECT_EQ(x->Value(), 5);
  EXPECT_EQ(x->Max(), 100);
}

TEST(Variants, ListOwnerDisconnectsOnRemovalAndRepaintsOnJoining) {
  TScopedHost host;
  TTestDial dial;
  auto* x = &dial.Elements().Add<TExternalTestDialElement>();
  TPXRealAndRangedSourcePin source;
  ASSERT_TRUE(source.Connect(x->InputPin()));
  source.SendValue(42);
  EXPECT_EQ(x->Value(), 42);

  std::unique_ptr<TComponent> taken = dial.Elements().Extract(0);
  EXPECT_FALSE(x->InputPin().Connected());
  TTestDial other;
  const int before = x->ValueInvalidations;
  ASSERT_NE(other.Elements().Insert(std::move(taken)), nullptr);
  EXPECT_EQ(x->ValueInvalidations, before + 1);

  // Element changes repaint the host: a move through Invalidate, a resize through the size
  // invalidation (which drops the element's cached drawings).
  const uint64_t repaints = host.Host.RepaintCount(other);
  x->Position().X().SetValue(0.2f);
  EXPECT_GT(host.Host.RepaintCount(other), repaints);
  const int sizes = x->SizeInvalidations;
  x->Size().Width().SetValue(0.4f);
  EXPECT_EQ(x->SizeInvalidations, sizes + 1);
  other.Elements().InvalidateSizes();
  EXPECT_EQ(x->SizeInvalidations, sizes + 2);
}

TEST(Variants, MatrixLayerRendersAtItsPlaceInTheBuffer) {
  TScopedHost host;
  TTestMatrixHost matrix;
  auto* layer = &matrix.Layers().Add<TExternalTestDialMatrixLayer>();
  // The matrix defaults replace the element's, and are not written as changes.
  EXPECT_FALSE(Stored(layer->Position().Y(), "Value"));
  TDWMatrixPlacement p = layer->MatrixPlacement(32, 16);
  EXPECT_FLOAT_EQ(p.Width, 9.6f);
  EXPECT_FLOAT_EQ(p.Height, 9.6f);
  EXPECT_EQ(p.Left, 0);
  EXPECT_EQ(p.Top, 0);

  std::vector<uint32_t> buffer(32 * 16, 0);
  layer->Render(buffer.data(), 32, 16);
  EXPECT_FLOAT_EQ(layer->LastWidth, 9.6f);
  EXPECT_EQ(buffer[5 * 32 + 5], 0xFF0000FFu);  // the test dial fills its area blue
  EXPECT_EQ(buffer[5 * 32 + 20], 0u);
  EXPECT_EQ(buffer[14 * 32 + 5], 0u);

  // Placed by its position, rounded halves to even: 0.25 x 10 = 2.5 -> 2, 0.5 x 5 = 2.5 -> 2.
  layer->Position().X().SetValue(0.25f);
  layer->Position().Y().SetValue(0.5f);
  layer->Size().Width().SetValue(0.5f);
  layer->Size().Height().SetValue(0.5f);
  p = layer->MatrixPlacement(10, 5);
  EXPECT_EQ(p.Left, 2);
  EXPECT_EQ(p.Top, 2);
  layer->Position().Y().SetValue(0);
  layer->SetVisible(false);
  std::fill(buffer.begin(), buffer.end(), 0u);
  layer->Render(buffer.data(), 32, 16);
  EXPECT_EQ(buffer[5 * 32 + 10], 0u);
  layer->SetVisible(true);
  layer->Render(nullptr, 32, 16);  // no buffer: nothing, no crash
  layer->Render(buffer.data(), 0, 16);
}

TEST(Variants, RegistrationAndFocusRedraw) {
  TScopedHost host;
  TRegistrationFilter filter;
  filter.Unit = "TestDial";
  const std::vector<TRegistration> regs = Registrations(filter);
  ASSERT_EQ(regs.size(), 5u);  // streaming-only classes are known by name, not offered
  EXPECT_EQ(FindRegisteredClass("TExternalTestDialMatrixElement"), &TExternalTestDialMatrixElement::StaticClass());

  // A matrix collection takes only matrix layers (a gauge collection's mirroring elements: above).
  TTestMatrixHost matrix;
  EXPECT_THROW(matrix.Layers().Add<TTestDialElement>(), TElementRefused);
  TTestDial dial;

  const uint64_t repaints = host.Host.RepaintCount(dial);
  dial.FocusGained();
  EXPECT_EQ(host.Host.RepaintCount(dial), repaints + 1);
  dial.FocusLost();
  EXPECT_EQ(host.Host.RepaintCount(dial), repaints + 2);

  // The standalone control paints its background under the instrument, not when embedded.
  dial.Background().SetColor(0xFF00FF00);
  gp::RecordingGraphics g;
  dial.Paint(g);
  ASSERT_FALSE(g.Drawing().empty());
  EXPECT_EQ(g.Drawing()[0]->Color, 0xFF00FF00u);
  std::vector<uint32_t> buffer(16 * 16, 0);
  ASSERT_TRUE(dial.IntRender(0, 0, 16, 16, buffer.data(), 16, 16));
  EXPECT_EQ(buffer[0], 0xFF0000FFu);
}

// Every class registered here passes the framework's generic table check (defaults, no
// notification on unchanged values, round trips, bad-input policies), nested objects included.
TEST(Variants, RegisteredClassesPassTheGenericTableCheck) {
  TScopedHost host;
  int checked = 0;
  for (const TClassInfo* c : RegisteredClasses()) {
    if (!c->CanCreate()) continue;
    ++checked;
    EXPECT_EQ(CheckClassTables(*c), std::vector<std::string>{}) << c->Name();
  }
  EXPECT_GE(checked, 6);
}
