#include <gtest/gtest.h>

#include <string>

#include "FoundationTestClasses.h"
#include "dialworks/draw/RecordingGraphics.h"

using namespace dw;
using namespace dwtest;

namespace {

void ExpectRect(const gp::DrawCall& ACall, float AX, float AY, float AW, float AH) {
  ASSERT_EQ(ACall.Points.size(), 4u);
  EXPECT_NEAR(ACall.Points[0].X, AX, 1e-3);
  EXPECT_NEAR(ACall.Points[0].Y, AY, 1e-3);
  EXPECT_NEAR(ACall.Points[2].X - ACall.Points[0].X, AW, 1e-3);
  EXPECT_NEAR(ACall.Points[2].Y - ACall.Points[0].Y, AH, 1e-3);
}

}  // namespace

TEST(ScaleRanges, PaletteReuseStepDefaultAndRedraw) {
  TScopedHost host;
  TTestDialBasic dial;
  TDWAnalogGaugeRanges& ranges = dial.Ranges().Ranges();
  EXPECT_FALSE(Stored(dial.Ranges(), "Ranges"));
  for (int i = 0; i < 3; ++i) ranges.Add();
  EXPECT_EQ(ranges[0].Color(), 0xFF00FF00u);
  EXPECT_EQ(ranges[1].Color(), 0xFFFFFF00u);
  EXPECT_EQ(ranges[2].Color(), 0xFFFF0000u);
  EXPECT_TRUE(Stored(dial.Ranges(), "Ranges"));
  ranges.Delete(1);
  EXPECT_EQ(ranges.Add().Color(), 0xFFFFFF00u);  // the colour now used least
  EXPECT_EQ(ranges.GetCountOfColor(0xFFFF0000), 1u);
  EXPECT_EQ(ranges.GetNewColor(), 0xFF00FFFFu);

  // Share: the list's step is the default and is not streamed.
  TDWAnalogGaugeRange& r = ranges[0];
  EXPECT_FLOAT_EQ(r.Range(), 0.3f);
  EXPECT_FALSE(Stored(r, "Range"));
  EXPECT_TRUE(Stored(r, "Color"));
  const int before = dial.RangeInvalidations;
  r.SetRange(0.5f);
  EXPECT_TRUE(Stored(r, "Range"));
  EXPECT_GT(dial.RangeInvalidations, before);  // an item change redraws the range-dependent parts
  r.SetRange(-1);
  EXPECT_EQ(r.Range(), 0);
  r.SetRange(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(r.Range(), 0);
}

TEST(CenterCap, DiscsShadowAndSkippedTransparentDisc) {
  TDWAnalogInstrumentCenter center(nullptr, nullptr, nullptr);
  EXPECT_EQ(DWCenterShadowAlpha(0.2f), 130);
  EXPECT_EQ(DWCenterShadowAlpha(0.5f), 140);
  EXPECT_EQ(DWCenterShadowAlpha(-1.0f), 0);

  gp::RecordingGraphics g;
  center.Draw(g, 200, 200, 200, true);
  auto fills = g.Drawing();
  ASSERT_EQ(fills.size(), 3u);
  // Shadow: 1.1 x the bottom disc (0.2 x 201 = 40.2), moved by 0.014 x 201.
  EXPECT_NE(fills[0]->Brush.find("PathGradient"), std::string::npos);
  EXPECT_NE(fills[0]->Brush.find("colors 3"), std::string::npos);
  ExpectRect(*fills[0], 100 - 22.11f + 2.814f, 100 - 22.11f + 2.814f, 44.22f, 44.22f);
  ExpectRect(*fills[1], 100 - 20.1f, 100 - 20.1f, 40.2f, 40.2f);
  EXPECT_NE(fills[1]->Brush.find("Linear(0xFF000000->0x64808080 rect 0,0,201,201"), std::string::npos)
      << fills[1]->Brush;
  EXPECT_EQ(fills[1]->Smoothing, gp::SmoothingModeAntiAlias);
  ExpectRect(*fills[2], 100 - 14.3715f, 100 - 14.3715f, 28.743f, 28.743f);
  EXPECT_NE(fills[2]->Brush.find("colors 3"), std::string::npos);
  EXPECT_TRUE(g.GetTransform().IsIdentity());

  // Offset centre; no shadow; a bottom disc with alpha 0 draws neither disc nor shadow.
  center.Position().X().SetValue(0.1f);
  center.Shadow().SetVisible(false);
  g.ClearCalls();
  center.Draw(g, 200, 200, 200, false);
  fills = g.Drawing();
  ASSERT_EQ(fills.size(), 2u);
  ExpectRect(*fills[0], 120 - 20.1f, 100 - 20.1f, 40.2f, 40.2f);
  center.Shadow().SetVisible(true);
  center.Bottom().SetColor(0x00FFFFFF);
  g.ClearCalls();
  center.Draw(g, 200, 200, 200, false);
  fills = g.Drawing();
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_NEAR(fills[0]->Points[2].X - fills[0]->Points[0].X, 28.743f, 1e-3);
  center.Top().SetColor(0x00708090);
  g.ClearCalls();
  center.Draw(g, 200, 200, 200, false);
  EXPECT_TRUE(g.Drawing().empty());
}
