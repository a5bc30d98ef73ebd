#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestClasses.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"
#include "support/InstrumentTest.h"
#include "support/TableCheck.h"

using namespace dw;
using namespace dwtest;

TEST(PropertyObjects, BrushesFollowTheirStyleAndFallBackOnEmptyRectangles) {
  TTestDecorated d;
  TRXGPBrush& b = d.Brush();
  EXPECT_EQ(b.Color(), 0xFFFF0000u);  // SetColorDefault: value and streaming default
  EXPECT_TRUE(SaveProperties(b).empty());
  gp::RectF r(0, 0, 100, 50);
  EXPECT_EQ(b.GetGPBrush(r)->GetType(), gp::BrushTypeSolidColor);
  b.SetStyle(gbsLinearGradient);
  b.SetEndColor(0xFF0000FF);
  auto linear = b.GetGPBrush(r);
  ASSERT_EQ(linear->GetType(), gp::BrushTypeLinearGradient);
  auto& lg = static_cast<gp::LinearGradientBrush&>(*linear);
  EXPECT_EQ(lg.GetColor1(), 0xFFFF0000u);
  EXPECT_EQ(lg.GetColor2(), 0xFF0000FFu);
  b.SetStyle(gbsRadialGradient);
  auto radial = b.GetGPBrush(r);
  ASSERT_EQ(radial->GetType(), gp::BrushTypePathGradient);
  EXPECT_EQ(static_cast<gp::PathGradientBrush&>(*radial).GetCenterColor(), 0xFFFF0000u);
  // No extent to spread a gradient over: a solid brush of the colour.
  for (gp::RectF bad : {gp::RectF(0, 0, 0, 10), gp::RectF(0, 0, std::nanf(""), 10), gp::RectF(0, 0, INFINITY, 1)}) {
    auto s = b.GetGPBrush(bad);
    EXPECT_EQ(s->GetType(), gp::BrushTypeSolidColor);
    EXPECT_EQ(s->MainColor(), 0xFFFF0000u);
  }
  b.SetStyle(gbsClear);
  EXPECT_EQ(GetAlpha(b.GetGPBrush(r)->MainColor()), 0);
  b.SetGradientAngle(-90);
  EXPECT_EQ(b.GradientAngle(), 270.0f);

  TRXGPPen& pen = d.Pen();
  EXPECT_EQ(pen.GetGPPen(3).GetWidth(), 6.0f);  // width 2 scaled
  EXPECT_EQ(pen.GetGPPen(std::nanf("")).GetWidth(), 0.0f);
  pen.SetStyle(gpsDot);
  EXPECT_EQ(pen.GetGPPen().GetDashStyle(), gp::DashStyleDot);
  pen.SetStyle(gpsClear);
  EXPECT_FALSE(pen.Draws());
}

TEST(PropertyObjects, FontsAndOutlinedTextDrawing) {
  TTestDecorated d;
  TRXGPSimpleFont& f = d.Labels().Font();
  f.SetBold(true);
  f.SetItalic(true);
  EXPECT_EQ(f.GPStyle(), gp::FontStyleBold | gp::FontStyleItalic);
  gp::Font font = f.GetGPFontFor(200);
  EXPECT_FLOAT_EQ(font.GetSize(), 13.0f);
  EXPECT_EQ(font.GetFamily().GetFamilyName(), "DejaVu Sans");
  f.SetName("");
  EXPECT_EQ(f.Family().GetFamilyName(), gp::FontFamily::GenericSansSerif().GetFamilyName());
  EXPECT_EQ(f.GetGPFont(std::nanf("")).GetSize(), 1.0f);

  gp::GraphicsPath path;
  f.AddText(path, "42", gp::PointF(0, 0), 20);
  f.AddText(path, "x", gp::PointF(0, 0), std::nanf(""));  // ignored
  ASSERT_TRUE(path.GetBounds().IsValid());
  f.Brush().SetColor(0xFF00FF00);
  f.SetOutlineColor(0xFF112233);
  gp::RecordingGraphics rec;
  f.DrawOnGraphics(rec, path, 1.5f);
  auto drawn = rec.Drawing();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0]->Op, "FillPath");
  EXPECT_EQ(drawn[0]->Color, 0xFF00FF00u);
  EXPECT_EQ(drawn[1]->Op, "DrawPath");
  EXPECT_EQ(drawn[1]->Color, 0xFF112233u);
  EXPECT_FLOAT_EQ(drawn[1]->PenWidth, 1.5f);
  rec.ClearCalls();
  f.DrawOnGraphics(rec, path, std::nanf(""));  // fill only
  EXPECT_EQ(rec.Drawing().size(), 1u);

  d.Font().SetColor(0xFF123456);
  EXPECT_EQ(d.Font().Brush().Color(), 0xFF123456u);
}

TEST(PropertyObjects, BordersBevelsAndBackground) {
  TTestDecorated d;
  TKVProportionalControlBorder& b = d.Border();
  // Outer band switched off by the owner: base 0.02 + inner 0.03.
  EXPECT_FLOAT_EQ(b.Inset(100), 5.0f);
  b.OuterBevel().SetStyle(bvRaised);
  EXPECT_FLOAT_EQ(b.Inset(100), 8.0f);
  TAlphaColor light, dark;
  b.OuterBevel().Tones(0xFF808080, light, dark);
  EXPECT_EQ(light, 0xFFFFFFFFu);
  EXPECT_NE(dark, 0xFFFFFFFFu);
  b.InnerBevel().Tones(0xFF808080, light, dark);
  EXPECT_EQ(dark, 0xFFFFFFFFu);
  EXPECT_EQ(d.RectBorder().Shape(), bsRoundRect);
  EXPECT_FALSE(SaveProperties(d.RectBorder()).contains("Shape"));

  gp::RecordingGraphics rec;
  d.Background().Paint(rec, gp::RectF(0, 0, 10, 10));
  EXPECT_TRUE(rec.Drawing().empty());  // transparent by default
  d.Background().SetColor(0xFF202020);
  d.Background().Paint(rec, gp::RectF(0, 0, 10, 10));
  d.Background().Paint(rec, gp::RectF(0, 0, -1, 10));
  EXPECT_EQ(rec.Drawing().size(), 1u);
}

TEST(PropertyObjects, ColorItemsTakeThePaletteAndCaptionItemsStream) {
  TManualHost host;
  SetHostServices(&host);
  RegisterTestClasses();
  TDWForm form;
  auto& d = TComponent::Create<TTestDecorated>(form);
  d.SetName("D");
  for (int i = 0; i < 9; ++i) d.Colors().Add();
  const std::vector<TAlphaColor> palette(std::begin(TRXGPBasicColorItems::Palette),
                                         std::end(TRXGPBasicColorItems::Palette));
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(d.Colors()[i].Color(), palette[i % 7]) << i;
  d.Colors()[1].SetWeight(-3);
  EXPECT_EQ(d.Colors()[1].Weight(), 0.0f);
  d.Colors()[2].SetBreak(true);
  d.Colors().Delete(0);
  // A list without classes in forms holds its own class only (a descendant would not load back).
  EXPECT_EQ(d.Colors().Insert(std::make_unique<TDWSpectrumBarColorGroup>()), nullptr);
  d.Caption().SetText("Speed");
  auto& item = d.Caption().Items().Add();
  item.SetText("km/h");
  item.Position().X().SetValue(-0.25f);
  item.Font().Brush().SetStyle(gbsLinearGradient);
  // A change deep inside a caption item reaches the control.
  uint64_t repaints = host.RepaintCount(d);
  item.Font().SetBold(true);
  EXPECT_EQ(host.RepaintCount(d), repaints + 1);
  EXPECT_EQ(item.Font().ChangeLock(), &d.ControlLock());

  d.Caption().Items().Assign(d.Colors());  // items of another class: left as they are
  EXPECT_EQ(d.Caption().Items().Count(), 1u);

  const std::unique_ptr<TDWForm> loaded = RoundTripForm(SaveForm(form));
  ASSERT_NE(loaded, nullptr);
  auto& d2 = static_cast<TTestDecorated&>(loaded->Components(0));
  ASSERT_EQ(d2.Colors().Count(), 8u);
  EXPECT_EQ(d2.Colors().Colors(), d.Colors().Colors());  // colours are always written
  EXPECT_TRUE(d2.Colors()[1].Break());
  EXPECT_EQ(d2.Caption().GetText(), "Speed");
  ASSERT_EQ(d2.Caption().Items().Count(), 1u);
  EXPECT_EQ(d2.Caption().Items()[0].Text(), "km/h");
  EXPECT_EQ(d2.Caption().Items()[0].Position().X().Value(), -0.25f);
  EXPECT_TRUE(d2.Caption().Items()[0].Font().Bold());
  EXPECT_EQ(d2.Caption().Items()[0].Font().Brush().Style(), gbsLinearGradient);
  SetHostServices(nullptr);
}

TEST(PropertyObjects, MatrixLayersRenderThroughTheirCollection) {
  RegisterTestClasses();
  TTestGauge host;  // any control can own a layer list
  TRXMatrixComponentElements layers(&host);
  auto* dot = &layers.Add<TTestDotLayer>();
  EXPECT_THROW(layers.Add<TTestHandElement>(), TElementRefused);
  dot->Position().X().SetValue(0.5f);
  dot->Position().Y().SetValue(0.25f);
  std::vector<uint32_t> cells(32 * 16, 0);
  for (IRXMatrixLayer* layer : layers.Query<IRXMatrixLayer>()) layer->Render(cells.data(), 32, 16);
  EXPECT_EQ(cells[4 * 32 + 16], 0xFFFFFFFFu);
  int x = 0, y = 0;
  dot->Position().X().SetValue(2.5f / 32);  // 2.5 cells: halves to even
  dot->CellOrigin(32, 16, x, y);
  EXPECT_EQ(x, 2);
  EXPECT_EQ(ClassGroupOf(TTestDotLayer::StaticClass()), &TKVBasicControl::StaticClass());
}

namespace {

// A deliberately faulty class: the generic check must catch each fault.
class TFaultyGauge : public TKVBasicControl {
  DW_CLASS(TFaultyGauge, TKVBasicControl)
  using TKVBasicControl::TKVBasicControl;
  double Level() const { return FLevel; }
  void SetLevel(double AValue) { FLevel = AValue; Invalidate(); }  // no compare, no limit
  int Ticks() const { return FTicks; }
  void SetTicks(int AValue) { Setter(*this, "Ticks", FTicks, AValue); }  // table says Limit
  float Size() const { return FSize; }
  void SetSize(float) {}  // ignores valid values

 private:
  double FLevel = 0;
  int FTicks = 3;  // table default 5
  float FSize = 1;
};

bool Mentions(const std::vector<std::string>& AFaults, const std::string& AText) {
  for (auto& f : AFaults)
    if (f.find(AText) != std::string::npos) return true;
  return false;
}

}  // namespace

DW_PROPERTIES(TFaultyGauge) {
  using C = TFaultyGauge;
  t.Real("Level", &C::Level, &C::SetLevel, 0.0).Limit(0, 1);
  t.Integer("Ticks", &C::Ticks, &C::SetTicks, 5).Limit(0, 10);
  t.Single("Size", &C::Size, &C::SetSize, 1.0f);
}

// Walks every registered class, so classes registered later are covered without new tests.
TEST(PropertyTables, EveryRegisteredClassPassesTheGenericCheck) {
  RegisterTestClasses();
  auto classes = RegisteredClasses();
  ASSERT_FALSE(classes.empty());
  int checked = 0;
  for (const TClassInfo* c : classes) {
    if (!c->CanCreate()) continue;
    ++checked;
    EXPECT_EQ(CheckClassTables(*c), std::vector<std::string>{}) << c->Name();
  }
  EXPECT_GE(checked, 3);
}

TEST(PropertyTables, GenericCheckFindsRealFaults) {
  auto faults = CheckClassTables(TFaultyGauge::StaticClass());
  EXPECT_TRUE(Mentions(faults, "Level (Real): assigning the unchanged value asked for a repaint") ||
              Mentions(faults, "Level (Real): after NaN: value is NaN"))
      << ::testing::PrintToString(faults);
  EXPECT_TRUE(Mentions(faults, "Level (Real): after 1e+300: value")) << ::testing::PrintToString(faults);
  EXPECT_TRUE(Mentions(faults, "Ticks (Integer): new object has 3, table default is 5"));
  EXPECT_TRUE(Mentions(faults, "Ticks (Integer): after 2.14748e+09: value"));
  EXPECT_TRUE(Mentions(faults, "Size (Single): setter ignored the valid value"));
}
