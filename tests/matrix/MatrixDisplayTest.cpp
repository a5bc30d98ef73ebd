// The matrix display: the cell buffers, the cursor and channel pins, the sub-pixel phases, the
// cell stamps, layers drawn into the shown cells only, bad input, and the registered tables.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/matrix/DWMatrixDisplay.h"
#include "dialworks/matrix/DWTextMatrixLayer.h"
#include "support/InstrumentTest.h"
#include "support/TableCheck.h"

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
  // Issue 1: cells written before the first range invalidation (a colour change) are kept.
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
  // Issue 2: Rows or Cols of 0 keep one row or column (the cursor does not wrap around).
  m.SetRows(0);
  m.SetCols(0);
  EXPECT_EQ(m.Rows(), 1u);
  EXPECT_EQ(m.Cols(), 1u);
  EXPECT_EQ(m.Row(), 0u);
  EXPECT_EQ(m.Col(), 0u);
  // Very large grids are limited, so the buffer stays bounded.
  m.SetRows(4000000000u);
  m.SetCols(4000000000u);
  EXPECT_EQ(m.Rows(), TDWMatrixDisplay::MaxCells);
  EXPECT_EQ(m.Cols(), TDWMatrixDisplay::MaxCells);
  m.SetPixel(1023, 1023, 0xFFFFFFFF);
  EXPECT_EQ(m.GetPixel(1023, 1023), 0xFFFFFFFFu);
}

TEST(MatrixDisplay, PixelsOutsideTheGridAreIgnored) {
  TScopedHost host;
  TDWMatrixDisplay m;
  m.SetRows(4);
  m.SetCols(3);
  // Issue 3: coordinates are checked; a write outside touches no cell, a read gives opaque black.
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
