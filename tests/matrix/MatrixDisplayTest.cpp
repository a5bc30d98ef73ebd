// The matrix display: cell buffers, cursor and channel pins, sub-pixel phases, stamps and layers.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/PixelBlock.h"
#include "dialworks/matrix/DWMatrixDisplay.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"
#include "dialworks/matrix/DWTextMatrixLayer.h"
#include "dialworks/panel/DWGlassPanel.h"
#include "support/InstrumentTest.h"
#include "support/PixelDiff.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

// The pixel at the centre of cell (ACol, ARow) of a display drawn without rotation.
TAlphaColor CellCentre(const gp::Bitmap& AImage, const TDWMatrixDisplay& ADisplay, int ACol, int ARow) {
  const float W = float(ADisplay.Width()), H = float(ADisplay.Height());
  float px = (W - 1) / float(ADisplay.Cols()), py = (H - 1) / float(ADisplay.Rows());
  if (ADisplay.Segmnts().Proportional()) px = py = std::min(px, py);
  const TDWMatrixAxis ax = TDWMatrixAxis::From(px), ay = TDWMatrixAxis::From(py);
  const int Wi = int(W), Hi = int(H);
  const int left = std::max(0, (Wi - 1 - ax.CellOffset(int(ADisplay.Cols()))) / 2);
  const int top = std::max(0, (Hi - 1 - ay.CellOffset(int(ADisplay.Rows()))) / 2);
  return AImage.GetPixel(left + ax.CellOffset(ACol) + ax.Whole / 2, top + ay.CellOffset(ARow) + ay.Whole / 2);
}

}  // namespace

TEST(MatrixDisplay, BufferFollowsTheGridAndKeepsCellsOtherwise) {
  TScopedHost host;
  TDWMatrixDisplay m;
  // Regression (cells lost to the first range invalidation): cells written before the first range invalidation (a colour change) are kept.
  m.SetPixel(3, 4, 0xFF112233);
  m.SetColor(0xFF202020);
  EXPECT_EQ(m.GetPixel(3, 4), 0xFF112233u);
  // A size change clears the cells and moves the cursor inside the new grid.
  m.SetRow(40);
  m.SetCol(70);
  m.SetRows(10);
  EXPECT_EQ(m.Row(), 9u);
  EXPECT_EQ(m.Col(), 70u);
  EXPECT_EQ(m.GetPixel(3, 4), 0u);
  m.SetCols(5);
  EXPECT_EQ(m.Col(), 4u);
  m.SetPixel(4, 9, 0xFF00FF00);
  EXPECT_EQ(m.GetPixel(4, 9), 0xFF00FF00u);
  // The cursor setters limit to the grid.
  m.SetRow(1000);
  EXPECT_EQ(m.Row(), 9u);
  // Regression (cursor wrapped to 4294967295): Rows or Cols of 0 keep one row or column (the cursor does not wrap around).
  m.SetRows(0);
  m.SetCols(0);
  EXPECT_EQ(m.Row(), 0u);
  EXPECT_EQ(m.Col(), 0u);
  // Very large grids are limited (the table check), so the buffer stays bounded.
  m.SetRows(4000000000u);
  m.SetCols(4000000000u);
  m.SetPixel(1023, 1023, 0xFFFFFFFF);
  EXPECT_EQ(m.GetPixel(1023, 1023), 0xFFFFFFFFu);
}

TEST(MatrixDisplay, PixelsOutsideTheGridAreIgnored) {
  TScopedHost host;
  TDWMatrixDisplay m;
  m.SetRows(4);
  m.SetCols(3);
  // Regression (unchecked cell coordinates): coordinates are checked; a write outside touches no cell, a read gives opaque black.
  for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {3, 0}, {0, 4}, {2, -1}, {INT32_MIN, 0}}) {
    m.SetPixel(x, y, 0xFFFFFFFF);
    EXPECT_EQ(m.GetPixel(x, y), 0xFF000000u);
    EXPECT_EQ(m.GetDisplayPixel(x, y), 0xFF000000u);
  }
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(m.GetPixel(x, y), 0u) << x << "," << y;
}

TEST(MatrixDisplay, ChannelPinsSetOneByteOfTheCursorCell) {
  TScopedHost host;
  TDWMatrixDisplay m;
  TPXIntegerSourcePin row, col, red, green, blue, alpha;
  ASSERT_TRUE(row.Connect(m.RowInputPin()));
  ASSERT_TRUE(col.Connect(m.ColInputPin()));
  ASSERT_EQ(m.InputPins().Count(), 4u);
  ASSERT_TRUE(red.Connect(*m.InputPins().Find("Red")));
  ASSERT_TRUE(green.Connect(*m.InputPins().Find("Green")));
  ASSERT_TRUE(blue.Connect(*m.InputPins().Find("Blue")));
  ASSERT_TRUE(alpha.Connect(*m.InputPins().Find("Alpha")));
  row.SendValue(7);
  col.SendValue(12);
  m.SetPixel(12, 7, 0x80102030);
  red.SendValue(0x1FF);  // the low byte only
  EXPECT_EQ(m.GetPixel(12, 7), 0x80FF2030u);
  green.SendValue(-1);
  blue.SendValue(0x42);
  alpha.SendValue(256);
  EXPECT_EQ(m.GetPixel(12, 7), 0x00FFFF42u);
  // Cursor values outside the grid are limited to it.
  row.SendValue(-5);
  col.SendValue(1LL << 40);
  EXPECT_EQ(m.Row(), 0u);
  EXPECT_EQ(m.Col(), 79u);
  red.SendValue(1);
  EXPECT_EQ(m.GetPixel(79, 0), 0x00010000u);
  // Shifts that name no channel change nothing.
  for (int shift : {-8, 3, 32, 40}) m.SetCursorChannel(shift, 0xFF);
  EXPECT_EQ(m.GetPixel(79, 0), 0x00010000u);
}

TEST(MatrixDisplay, PhasesFollowTheFractionOfThePitch) {
  EXPECT_EQ(TDWMatrixAxis::From(7.5f).Phases, 2);
  EXPECT_EQ(TDWMatrixAxis::From(7.05f).Phases, 20);
  EXPECT_EQ(TDWMatrixAxis::From(8.0f).Phases, 1);
  EXPECT_EQ(TDWMatrixAxis::From(8.2f).Phases, 5);
  EXPECT_EQ(TDWMatrixAxis::From(8.99f).Twentieths, 19);  // rounds to 20, capped
  const TDWMatrixAxis a = TDWMatrixAxis::From(7.5f);
  EXPECT_EQ(a.CellOffset(0), 0);
  EXPECT_EQ(a.CellOffset(1), 7);
  EXPECT_EQ(a.CellOffset(2), 15);
  EXPECT_EQ(a.CellPhase(1), 10);
  EXPECT_EQ(a.CellPhase(2), 0);
  EXPECT_EQ(TDWMatrixAxis::From(std::numeric_limits<float>::quiet_NaN()).Phases, 1);
}

TEST(MatrixDisplay, CellsAreTintedStampsOnTheBackground) {
  TScopedHost host;
  for (TDWSegmentShape shape : {ssEllipse, ssRectangle, ssRoundRectangle}) {
    SCOPED_TRACE(int(shape));
    TDWMatrixDisplay m;
    m.SetBounds(0, 0, 81, 51);  // pitch 1 pixel per cell would be too small: use a 10 x 5 grid
    m.SetCols(10);
    m.SetRows(5);
    m.Segmnts().SetShape(shape);
    m.Segmnts().CornerRadius().SetValue(1.0f);  // corners as round as the shape allows
    m.Segmnts().SetShowReflection(false);
    m.SetColor(0xFF000040);
    m.SetPixel(2, 1, 0xFFFF0000);
    m.SetPixel(3, 1, 0x00FF0000);  // transparent: the background shows
    const gp::Bitmap image = dwtest::RenderControl(m);
    EXPECT_EQ(CellCentre(image, m, 2, 1), 0xFFFF0000u);
    EXPECT_EQ(CellCentre(image, m, 3, 1), 0xFF000040u);
    EXPECT_EQ(CellCentre(image, m, 0, 0), 0xFF000040u);
    // Cell corners: the ellipse leaves them dark, the rectangle lights them, the rounded one
    // lights the edge middles but not the very corner.
    const float pitch = 8.0f;  // min((81 - 1) / 10, (51 - 1) / 5)
    const int x = int(pitch) * 2, y = int(pitch) * 1;
    const int left = (81 - 1 - 80) / 2, top = (51 - 1 - 40) / 2;
    const TAlphaColor corner = image.GetPixel(left + x + 1, top + y + 1);
    const TAlphaColor edge = image.GetPixel(left + x + 1, top + y + 4);
    if (shape == ssRectangle) EXPECT_EQ(corner, 0xFFFF0000u);
    else EXPECT_NE(corner, 0xFFFF0000u);
    EXPECT_EQ(edge >> 16 & 0xFF, 0xFFu) << std::hex << edge;
  }
}

TEST(MatrixDisplay, ReflectionShowsOnTransparentCellsToo) {
  TScopedHost host;
  TDWMatrixDisplay m;
  m.SetBounds(0, 0, 161, 81);
  m.SetCols(8);
  m.SetRows(4);
  m.SetColor(0xFF000000);
  m.SetPixel(1, 1, 0xFF000000);  // black cells are raised to at least 30 under the gloss
  const gp::Bitmap image = dwtest::RenderControl(m);
  const TAlphaColor empty = CellCentre(image, m, 4, 2), black = CellCentre(image, m, 1, 1);
  EXPECT_GT(empty & 0xFF, 0u) << std::hex << empty;  // the highlight on a transparent cell
  EXPECT_GT(black & 0xFF, empty & 0xFF) << std::hex << black;
  m.Segmnts().SetShowReflection(false);
  EXPECT_EQ(CellCentre(dwtest::RenderControl(m), m, 4, 2), 0xFF000000u);
}

TEST(MatrixDisplay, LayersDrawIntoTheShownCellsOnly) {
  TScopedHost host;
  TDWMatrixDisplay m;
  m.SetBounds(0, 0, 321, 201);
  auto& text = m.Layers().Add<TDWTextMatrixLayer>();
  text.SetText("88");
  text.Font().Size().SetValue(1);
  auto& gauge = m.Layers().Add<TDWExternalAngularGaugeMatrixLayer>();
  gauge.Position().X().SetValue(0.5f);
  dwtest::RenderControl(m);
  ASSERT_EQ(m.Cols(), 80u);
  // Text lights cells in the left half, the gauge (placed at half the width) in the right half.
  int leftLit = 0, rightLit = 0, written = 0;
  for (int y = 0; y < int(m.Rows()); ++y)
    for (int x = 0; x < 80; ++x) {
      (x < 40 ? leftLit : rightLit) += m.GetDisplayPixel(x, y) != 0;
      written += m.GetPixel(x, y) != 0;
    }
  EXPECT_GT(leftLit + rightLit, 100);
  EXPECT_EQ(written, 0);
  EXPECT_GT(leftLit, 20);
  EXPECT_GT(rightLit, 20);
  // The written cells are shown under the layers.
  m.SetPixel(79, 49, 0xFF00FF00);
  dwtest::RenderControl(m);
  EXPECT_EQ(m.GetDisplayPixel(79, 49), 0xFF00FF00u);
}

TEST(MatrixDisplay, SettleEndsTheAnimationsOfTheLayersWhichFollowTheDesigningState) {
  TScopedHost host;
  TDWMatrixDisplay m;
  m.SetBounds(0, 0, 321, 201);
  auto& gauge = m.Layers().Add<TDWExternalAngularGaugeMatrixLayer>();
  gauge.SetValue(10);
  gauge.SetValue(90);
  m.Settle();
  EXPECT_FALSE(gauge.Animating());
  auto cells = [&] {
    dwtest::RenderControl(m);
    std::vector<TAlphaColor> c;
    for (int y = 0; y < int(m.Rows()); ++y)
      for (int x = 0; x < int(m.Cols()); ++x) c.push_back(m.GetDisplayPixel(x, y));
    return c;
  };
  const std::vector<TAlphaColor> settled = cells();
  host.Host.Advance(3000);
  EXPECT_EQ(cells(), settled);
  // The layers follow the display's designing state.
  m.SetDesigning(true);
  EXPECT_TRUE(gauge.IsDesigning());
  m.SetDesigning(false);
  EXPECT_FALSE(gauge.IsDesigning());
}

TEST(MatrixDisplay, ReadsAndWritesFromAnotherThreadWhileDrawing) {
  TScopedHost host;
  TDWMatrixDisplay m;
  m.SetBounds(0, 0, 161, 101);
  TPXIntegerSourcePin red, row;
  ASSERT_TRUE(red.Connect(*m.InputPins().Find("Red")));
  ASSERT_TRUE(row.Connect(m.RowInputPin()));
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop; ++i) {
      m.SetPixel(i % 80, (i / 80) % 50, 0xFF000000u | uint32_t(i));
      red.SendValue(i);
      row.SendValue(i % 60);
      (void)m.GetPixel(i % 80, 0);
      if (i > 200000) break;
    }
  });
  for (int frame = 0; frame < 20; ++frame) {
    dwtest::RenderControl(m);
    m.SetRows(frame % 2 ? 50 : 40);  // resizing while the writer runs
  }
  stop = true;
  writer.join();
}

TEST(MatrixDisplay, DegenerateSizesDrawOnlyTheBackground) {
  TScopedHost host;
  TDWMatrixDisplay m;
  for (auto [w, h] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 300}, {30, 1}}) {
    m.SetBounds(0, 0, w, h);
    m.SetPixel(0, 0, 0xFFFFFFFF);
    dwtest::RenderControl(m);
  }
  m.SetRows(1024);
  m.SetCols(1024);
  m.SetBounds(0, 0, 400, 400);
  m.SetPixel(0, 0, 0xFFFFFFFF);
  dwtest::RenderControl(m);
  m.SetRows(1);
  m.SetCols(1);
  m.SetBounds(0, 0, 400, 300);
  m.SetPixel(0, 0, 0xFFFFFFFF);
  const gp::Bitmap one = dwtest::RenderControl(m);
  EXPECT_EQ(one.GetPixel(200, 150) >> 16 & 0xFF, 0xFFu);
  // One cell wider than a bitmap holds (its stamp once read an empty bitmap's rows): the
  // background alone.
  m.Segmnts().SetProportional(false);
  m.SetBounds(0, 0, gp::Bitmap::MaxSide, 3);
  EXPECT_EQ(dwtest::RenderControl(m).GetPixel(20000, 1), PBPremultiply(m.Color()));
}

// Issue: an element's size is a multiple of its host's, and the frame was composed at that whole
// size on every paint (minutes and gigabytes at a few hundred times a small panel).
TEST(MatrixDisplay, HugeElementFrameIsComposedSmallerAndStretched) {
  TScopedHost host;
  TDWGlassPanel panel;
  panel.SetBounds(0, 0, 120, 80);
  auto& e = panel.Elements().Add<TDWExternalMatrixDisplayElement>();
  auto frame = [&] {
    gp::RecordingGraphics g;
    panel.Paint(g);
    for (const gp::DrawCall& c : g.Calls())
      if (c.Op == "DrawImage" && c.Args.size() == 4) return c;
    ADD_FAILURE() << "no frame drawn";
    return gp::DrawCall{};
  };
  // A usual size (0.3 x 0.15 of the panel): the frame is the element's pixels, drawn one to one.
  const gp::DrawCall small = frame();
  EXPECT_EQ(small.Transform.M11(), 1);
  EXPECT_EQ(small.Args[2], 36);
  EXPECT_EQ(small.Args[3], 12);
  e.Size().Width().SetValue(30);
  e.Size().Height().SetValue(30);
  const gp::DrawCall big = frame();
  EXPECT_LE(double(big.Args[2]) * big.Args[3], TDWMatrixDisplay::MaxFramePixels + 2 * 4096);
  // Still stretched over the whole element (centred on the panel).
  float left = 0, top = 0, right = 0, bottom = 0;
  for (const gp::PointF& p : big.Points) {
    left = std::min(left, p.X), top = std::min(top, p.Y);
    right = std::max(right, p.X), bottom = std::max(bottom, p.Y);
  }
  EXPECT_NEAR(right - left, 120 * 30, 2);
  EXPECT_NEAR(bottom - top, 80 * 30, 2);
}

TEST(MatrixDisplay, OddSizesDrawNothingPastTheBounds) {
  TScopedHost host;
  TDWMatrixDisplay m;
  m.SetBounds(0, 0, 321, 201);
  gp::Bitmap b(400, 300);
  gp::CairoGraphics g(b);
  m.Paint(g);
  g.Flush();
  EXPECT_EQ(b.GetPixel(320, 50) >> 24, 0xFFu);
  EXPECT_EQ(b.GetPixel(50, 200) >> 24, 0xFFu);
  EXPECT_EQ(b.GetPixel(321, 50), 0u);
  EXPECT_EQ(b.GetPixel(50, 201), 0u);
}

TEST(TextMatrixLayer, CropsAndCutsAtTheGridEdges) {
  TScopedHost host;
  const int W = 40, H = 16;
  std::vector<uint32_t> cells(size_t(W * H));
  TDWTextMatrixLayer layer;
  layer.Font().Size().SetValue(0.75f);
  auto lit = [&](int x0, int x1) {
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = x0; x < x1; ++x) n += cells[size_t(y * W + x)] != 0;
    return n;
  };
  // An empty text leaves the grid untouched.
  layer.Render(cells.data(), W, H);
  EXPECT_EQ(lit(0, W), 0);

  gp::Bitmap probe(1, 1);
  gp::CairoGraphics g(probe);
  const gp::Font font(gp::FontFamily(), 12, 0, gp::UnitPixel);
  const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
  const float w5 = g.MeasureString(twenty.substr(0, 5), font, gp::RectF(0, 0, 10000, 10000)).Width;
  const float w6 = g.MeasureString(twenty.substr(0, 6), font, gp::RectF(0, 0, 10000, 10000)).Width;
  const int room = int((w5 + w6) / 2);
  // Five characters fit: the sixth is shown too, cut at the edge.
  EXPECT_EQ(TDWTextMatrixLayer::CropLength(g, font, twenty, room), 6u);
  EXPECT_EQ(TDWTextMatrixLayer::CropLength(g, font, twenty, 100000), 20u);
  EXPECT_EQ(TDWTextMatrixLayer::CropLength(g, font, twenty, -3), 1u);
  EXPECT_EQ(TDWTextMatrixLayer::CropLength(g, font, "\xC3\xA9\xC3\xA9\xC3\xA9", 0), 2u);  // whole characters

  // Negative positions show the lower-right part; nothing lands outside the grid.
  layer.SetText("HHHHHHHHHH");
  layer.Render(cells.data(), W, H);
  const int whole = lit(0, W);
  EXPECT_GT(whole, 0);
  std::fill(cells.begin(), cells.end(), 0);
  // Issue: Crop cut the text as one string, so a first line past the edge dropped the lines below.
  layer.Font().Size().SetValue(0.45f);
  for (const char* text : {"WWWWWWWWWWWW\nI", "WWWWWWWWWWWW\r\nI"}) {
    layer.SetText(text);
    int below[2] = {};
    for (bool crop : {false, true}) {
      layer.SetCrop(crop);
      std::fill(cells.begin(), cells.end(), 0);
      layer.Render(cells.data(), W, H);
      below[crop] = int(std::count_if(cells.begin() + H / 2 * W, cells.end(), [](uint32_t c) { return c != 0; }));
    }
    EXPECT_GT(below[0], 0);
    EXPECT_EQ(below[1], below[0]);
  }
  layer.SetCrop(false);
  layer.Font().Size().SetValue(0.75f);
  layer.SetText("HHHHHHHHHH");
  std::fill(cells.begin(), cells.end(), 0);
  layer.Position().X().SetValue(-0.5f);
  layer.Position().Y().SetValue(-0.25f);
  layer.Render(cells.data(), W, H);
  EXPECT_GT(lit(0, W), 0);
  EXPECT_LT(lit(0, W), whole);
}

TEST(TextMatrixLayer, LongTextIsMeasuredUnwrapped) {
  TScopedHost host;
  // Issue: text measured in a 10000 pixel layout box wrapped, so a marquee of about 17000 pixels
  // went blank once shifted more than 10000 pixels left, and Crop found nothing past 10000.
  const int W = 100, H = 16;
  TDWTextMatrixLayer layer;
  layer.Font().Size().SetValue(1.0f);
  std::string text;
  for (int i = 0; i < 300; ++i) text += "HELLO ";
  layer.SetText(text);
  layer.Position().X().SetProportional(false);
  for (float x : {-12000.f, -16000.f}) {
    layer.Position().X().SetValue(x);
    std::vector<uint32_t> cells(size_t(W * H));
    layer.Render(cells.data(), W, H);
    EXPECT_GT(std::count_if(cells.begin(), cells.end(), [](uint32_t c) { return c != 0; }), 50) << x;
  }
  gp::Bitmap probe(1, 1);
  gp::CairoGraphics g(probe);
  const gp::Font font(gp::FontFamily(), 16, 0, gp::UnitPixel);
  EXPECT_LT(TDWTextMatrixLayer::CropLength(g, font, text, 12000), text.size());
}

TEST(TextMatrixLayer, ItalicOverhangIsKept) {
  TScopedHost host;
  // Issue: the bitmap ended at the logical width, cutting the overhang of the last italic glyph:
  // "Tf" lost cells of the f that "Tf" with trailing spaces showed.
  const int W = 80, H = 24;
  for (bool outlined : {false, true}) {
    std::vector<uint32_t> cells[2];
    for (int k = 0; k < 2; ++k) {
      TDWTextMatrixLayer layer;
      layer.Font().Size().SetValue(outlined ? 0.6f : 0.9f);
      layer.Font().SetItalic(true);
      layer.Font().SetBold(true);
      layer.Font().SetOutlined(outlined);
      layer.Position().X().SetValue(0.1f);
      layer.SetText(k ? "Tf     " : "Tf");
      cells[k].resize(size_t(W * H));
      layer.Render(cells[k].data(), W, H);
    }
    EXPECT_EQ(cells[0], cells[1]) << outlined;
  }
}

TEST(TextMatrixLayer, AntiAliasLightsCellsPartly) {
  TScopedHost host;
  const int W = 40, H = 16;
  TDWTextMatrixLayer layer;
  layer.SetText("Ow");
  layer.Font().Size().SetValue(0.8f);
  auto partial = [&](bool AAntiAlias) {
    std::vector<uint32_t> cells(size_t(W * H));
    layer.SetAntiAlias(AAntiAlias);
    layer.Render(cells.data(), W, H);
    int n = 0;
    for (uint32_t c : cells) n += (c >> 24) != 0 && (c >> 24) != 0xFF;
    return n;
  };
  EXPECT_EQ(partial(false), 0);
  EXPECT_GT(partial(true), 5);
}

TEST(MatrixDisplay, FormCursorIsLimitedToTheLoadedGrid) {
  TScopedHost host;
  const std::unique_ptr<TDWForm> small = dwtest::RoundTripForm(R"({
  "format": "dialworks-form", "version": 1, "width": 50, "height": 50,
  "components": [{"class": "TDWMatrixDisplay", "name": "M", "left": 0, "top": 0, "properties": {
    "Rows": 2, "Cols": 2, "Row": 900, "Col": 5}}]})");
  ASSERT_NE(small, nullptr);
  auto* s = dynamic_cast<TDWMatrixDisplay*>(small->FindComponent("M"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Row(), 1u);
  EXPECT_EQ(s->Col(), 1u);
}

TEST(MatrixDisplay, QuarterTurnsTurnTheWholePicture) {
  TScopedHost host;
  // The same display, upright at 120 x 80 and turned by 90° and 270° in an 80 x 120 control:
  // every pixel of the turned picture is the upright one's, moved by the quarter turn (cells,
  // the text layer, the gloss and the centring margins alike).
  auto make = [](TDWMatrixDisplay& m, int AWidth, int AHeight, float AAngle) {
    m.SetBounds(0, 0, AWidth, AHeight);
    m.SetCols(24);
    m.SetRows(12);
    m.SetColor(0xFF101828);
    m.SetPixel(0, 0, 0xFFFF0000);
    m.SetPixel(23, 11, 0x8000FF00);
    auto& text = m.Layers().Add<TDWTextMatrixLayer>();
    text.SetText("F7");
    text.Font().Size().SetValue(0.9f);
    text.Position().X().SetValue(0.1f);
    m.RotationProperty().SetAngle(AAngle);
  };
  TDWMatrixDisplay upright, left, right;
  make(upright, 120, 80, 0);
  make(left, 80, 120, 90);
  make(right, 80, 120, 270);
  const gp::Bitmap u = dwtest::RenderControl(upright), l = dwtest::RenderControl(left),
                   r = dwtest::RenderControl(right);
  int lit = 0, leftDiff = 0, rightDiff = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x) {
      const TAlphaColor c = u.GetPixel(x, y);
      lit += c != 0xFF101828u;
      // Counter-clockwise: the upright top edge becomes the left edge.
      leftDiff += l.GetPixel(y, 119 - x) != c;
      rightDiff += r.GetPixel(79 - y, x) != c;
    }
  EXPECT_GT(lit, 500);
  EXPECT_EQ(leftDiff, 0);
  EXPECT_EQ(rightDiff, 0);
  // The cells are the same in every orientation: turning is drawing, not data.
  EXPECT_EQ(left.GetDisplayPixel(0, 0), upright.GetDisplayPixel(0, 0));
  EXPECT_EQ(left.GetPixel(23, 11), 0x8000FF00u);
}

TEST(TextMatrixLayer, OutlinedFontIsLargerAndStaysInsideTheGrid) {
  TScopedHost host;
  const int W = 80, H = 40;
  TDWTextMatrixLayer layer;
  layer.SetText("HEH");
  layer.Font().Size().SetValue(0.4f);
  struct TBox {
    int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1, Lit = 0;
  };
  auto render = [&](bool AOutlined) {
    layer.Font().SetOutlined(AOutlined);
    std::vector<uint32_t> cells(size_t(W * H));
    layer.Render(cells.data(), W, H);
    TBox b;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (cells[size_t(y * W + x)] != 0) {
          b.Left = std::min(b.Left, x), b.Right = std::max(b.Right, x);
          b.Top = std::min(b.Top, y), b.Bottom = std::max(b.Bottom, y);
          ++b.Lit;
        }
    return b;
  };
  const TBox plain = render(false), outlined = render(true);
  ASSERT_GT(plain.Lit, 0);
  // The outlines at 2.66 em scaled by 0.4625 x 0.505: about 1.23 times as wide, 1.34 times as tall.
  const double wide = double(outlined.Right - outlined.Left + 1) / double(plain.Right - plain.Left + 1);
  const double tall = double(outlined.Bottom - outlined.Top + 1) / double(plain.Bottom - plain.Top + 1);
  EXPECT_NEAR(wide, 1.23, 0.12);
  EXPECT_NEAR(tall, 1.34, 0.15);
  EXPECT_GT(outlined.Lit, plain.Lit * 3 / 2);
  // Cropped and shifted out of the grid's corner, it is still cut at the edges.
  layer.SetCrop(true);
  layer.Position().X().SetValue(-0.1f);
  layer.Position().Y().SetValue(0.8f);
  const TBox cut = render(true);
  EXPECT_EQ(cut.Bottom, H - 1);  // the stems run on below the grid
  EXPECT_GT(cut.Lit, 0);
  EXPECT_LT(cut.Lit, outlined.Lit);
}

// Regression (the displays kept their drawing caches through ReleaseCaches, so a one-shot render of
// a form grew by a frame or a set of colour strips per display): what a paint builds is let go on
// request, and the next paint builds it again.
TEST(MatrixDisplay, DrawingCachesOfBothDisplaysAreReleasedOnRequest) {
  TScopedHost host;
  auto inUse = [] {
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks) + double(m.hblkhd);  // small blocks and mapped ones
  };
  TDWMatrixDisplay matrix;
  matrix.SetBounds(0, 0, 1500, 1500);  // a 9 MB frame
  matrix.SetPixel(0, 0, 0xFFFF0000);
  TDWSpectrumDisplay spectrum;
  spectrum.SetBounds(0, 0, 2000, 4000);
  spectrum.Bars().ColorGroups().Add();
  spectrum.Bars().ColorGroups().Add();  // a strip per bar: 1000 x 3900 pixels
  spectrum.Values().SetCount(1000);
  for (TKVBasicControl* control : std::initializer_list<TKVBasicControl*>{&matrix, &spectrum}) {
    const double before = inUse();
    const gp::Bitmap first = dwtest::RenderControl(*control);
    const double painted = inUse();
    if (painted - before < 4e6) GTEST_SKIP() << "the allocator's figures are not available (a sanitizer's allocator)";
    control->ReleaseCaches();
    EXPECT_LT(inUse(), painted - 4e6) << control->ClassName();
    EXPECT_EQ(dwtest::DifferingPixels(dwtest::RenderControl(*control), first), 0) << control->ClassName();
  }
}
