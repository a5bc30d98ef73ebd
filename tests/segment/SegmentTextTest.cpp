// The segment text display: the walk over the grid, character tables, UTF-8, pin and layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/segment/DWSegmentGauge.h"
#include "dialworks/segment/DWSegmentText.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

struct TCell {
  int Col, Row;
  char32_t Char;
  uint32_t Mask;
};

std::vector<TCell> Walk(std::u32string_view AText, int ARows, int ACols, TDWSegmentsType AType = st16Segments) {
  std::vector<TCell> cells;
  DWSegmentTextWalk(AText, ARows, ACols, AType,
                    [&](int c, int r, char32_t ch, uint32_t m) { cells.push_back({c, r, ch, m}); });
  return cells;
}

// The grid as text, one line per row: the character of each lit cell ('_' for a blank one), '.'
// after a cell whose point is lit.
std::string Grid(std::u32string_view AText, int ARows, int ACols, TDWSegmentsType AType = st16Segments) {
  std::string s;
  const uint32_t point = DWDecimalPointBit(AType);
  for (const TCell& c : Walk(AText, ARows, ACols, AType)) {
    if (c.Col == 0 && c.Row > 0) s += '|';
    s += (c.Mask & ~point) ? char(c.Char) : '_';
    if (c.Mask & point) s += '.';
  }
  return s;
}

}  // namespace

TEST(SegmentText, WalkLineBreaksWrappingAndDecimalPoints) {
  EXPECT_EQ(Grid(U"12.5", 1, 4), "12.5_");
  EXPECT_EQ(Grid(U"AB\r\nCD", 2, 3), "AB_|CD_");
  EXPECT_EQ(Grid(U"ABCDEFGHIJKLMNOPQRSTUVWXY", 2, 10), "ABCDEFGHIJ|KLMNOPQRST");  // the last 5 are cut
  EXPECT_EQ(Grid(U"A\nB\n\nC", 1, 4), "ABC_");                                    // line feeds are skipped
  EXPECT_EQ(Grid(U"AB\rCD", 1, 4), "AB__");  // the rest of a broken row stays blank
  EXPECT_EQ(Grid(U"AB\rCD\rEF", 3, 3), "AB_|CD_|EF_");
  // Issue: a line that filled its row exactly, then a line break, blanked the whole next row.
  EXPECT_EQ(Grid(U"ABC\r\nDE", 2, 3), "ABC|DE_");
  EXPECT_EQ(Grid(U"ABC\r\rDE", 3, 3), "ABC|___|DE_");  // a second return still gives an empty row
  // Each return ends exactly one row: returns after a short row, and a point before a line end,
  // neither lose a row nor take a cell.
  EXPECT_EQ(Grid(U"A\r\r\rB", 4, 3), "A__|___|___|B__");
  EXPECT_EQ(Grid(U"A\r\n\r\nB", 3, 2), "A_|__|B_");
  EXPECT_EQ(Grid(U"12.5.\rABC\r\nXY", 3, 3), "12.5.|ABC|XY_");
  EXPECT_EQ(Grid(U"1.\n2", 1, 3), "1.2_");
  EXPECT_EQ(Walk(U"A\rB", 1, 3)[2].Char, 0u);  // the rest of a broken row shows no character
  // A '.' where a cell begins is skipped once; of two, the second fills a cell (blank).
  EXPECT_EQ(Grid(U".5", 1, 2), "5_");
  EXPECT_EQ(Grid(U"1..2", 1, 4), "1._2_");
  EXPECT_EQ(Grid(U"1.2.3.", 1, 3), "1.2.3.");
  // Wrapping keeps the point with its character across the row end.
  EXPECT_EQ(Grid(U"AB1.2", 2, 3), "AB1.|2__");
  EXPECT_EQ(Grid(U"", 1, 3), "___");

  // Unknown characters: blank cells that still reach the hook with their character.
  const auto cells = Walk(U"5%A", 1, 4, st7Segments);
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[1].Char, U'%');
  EXPECT_EQ(cells[1].Mask, 0u);
  EXPECT_EQ(cells[3].Char, 0u);  // past the end
  EXPECT_EQ(Grid(U"a\tb\x01" U"c", 1, 5), "a_b_c");
}

TEST(SegmentText, CharacterTables) {
  EXPECT_EQ(DWSegmentCharTableSize(st7Segments), 76);
  EXPECT_EQ(DWSegmentCharTableSize(st9Segments), 78);
  EXPECT_EQ(DWSegmentCharTableSize(st14Segments), 86);
  EXPECT_EQ(DWSegmentCharTableSize(st16Segments), 90);
  for (TDWSegmentsType type : {st7Segments, st9Segments, st14Segments, st16Segments}) {
    for (unsigned d = 0; d < 10; ++d) EXPECT_EQ(DWSegmentCharMask(type, U'0' + d), DWSegmentDigitMask(type, d));
    EXPECT_EQ(DWSegmentCharMask(type, U'-'), DWSegmentOverflowMask(type));
    EXPECT_EQ(DWSegmentCharMask(type, U'.'), 0u);
    EXPECT_EQ(DWSegmentCharMask(type, U'\u00C9'), 0u);
    EXPECT_EQ(DWSegmentCharMask(type, 0x1F600), 0u);
    for (char32_t c = 0; c < 128; ++c) EXPECT_LT(DWSegmentCharMask(type, c), DWDecimalPointBit(type));
  }
  EXPECT_EQ(DWSegmentCharMask(st7Segments, U'M'), 0x37u);  // a wide U turned over
  EXPECT_EQ(DWSegmentCharMask(st7Segments, U'm'), 0x54u);  // like n
  EXPECT_EQ(DWSegmentCharMask(st7Segments, U'%'), 0u);
  EXPECT_EQ(DWSegmentCharMask(st9Segments, U'%'), 0x1A4u);
  EXPECT_EQ(DWSegmentCharMask(st9Segments, U'/'), 0x180u);  // both diagonals
  EXPECT_EQ(DWSegmentCharMask(st14Segments, U'\\'), 0x900u);
  EXPECT_EQ(DWSegmentCharMask(st14Segments, U'\''), 0x200u);
  EXPECT_EQ(DWSegmentCharMask(st14Segments, U'~'), 0xD2u);
  EXPECT_EQ(DWSegmentCharMask(st16Segments, U'$'), 0x4BBBu);
  EXPECT_EQ(DWSegmentCharMask(st16Segments, U'z'), 0x8110u);
  EXPECT_EQ(DWSegmentCharMask(st16Segments, U'['), 0x4822u);
  EXPECT_EQ(DWSegmentCharMask(st16Segments, U'_'), 0x30u);  // both bottom halves
}

TEST(SegmentText, Utf8IsDecodedNotReadByteByByte) {
  EXPECT_EQ(DWDecodeUtf8("A\xC3\xA9" "B"), U"A\u00E9B");
  EXPECT_EQ(DWDecodeUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80"), U"\u20AC\U0001F600");
  // Invalid, truncated, overlong and surrogate sequences: one U+FFFD per byte.
  EXPECT_EQ(DWDecodeUtf8("\xFF" "A"), U"\uFFFDA");
  EXPECT_EQ(DWDecodeUtf8("A\xE2\x82"), U"A\uFFFD\uFFFD");
  EXPECT_EQ(DWDecodeUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");
  EXPECT_EQ(DWDecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(DWDecodeUtf8("\xF4\x90\x80\x80"), std::u32string(4, U'\uFFFD'));
  EXPECT_EQ(DWDecodeUtf8(std::string("a\0b", 3)), std::u32string(U"a\0b", 3));

  TScopedHost host;
  TDWSegmentText T;
  T.SetText("\xC3\xA9t\xC3\xA9" "1.5");  // "été1.5": é is one (blank) cell, not two
  EXPECT_EQ(T.Characters().size(), 6u);
  EXPECT_EQ(Grid(T.Characters(), 1, 6), "_t_1.5_");
}

TEST(SegmentText, CellsPinAndPaintedFrame) {
  TScopedHost host;
  TDWSegmentText T;
  T.SetBounds(0, 0, 200, 60);
  T.SetRows(2);
  T.SetCols(4);
  T.SetText("12.5\r\nAB");
  gp::RecordingGraphics g;
  T.Paint(g);
  EXPECT_FLOAT_EQ(T.DigitWidth(), 50);
  EXPECT_FLOAT_EQ(T.DigitHeight(), 30);
  // Lit polygons of the frame, by cell: "1", "2." , "5" in row 0; "A", "B" in row 1.
  auto litCells = [&] {
    gp::RecordingGraphics r;
    T.Paint(r);
    std::vector<std::pair<int, int>> cells;
    std::vector<int> counts(8, 0);
    for (const gp::DrawCall* c : r.Find("FillPolygon")) {
      if (c->Layer != 0) continue;
      const int col = int(c->Points[0].X / 50), row = int(c->Points[0].Y / 30);
      ++counts[size_t(row * 4 + col)];
    }
    return counts;
  };
  const auto popcount = [](uint32_t m) { return int(__builtin_popcount(m)); };
  const std::vector<int> expected{popcount(0x100C), popcount(0x377) + 1, popcount(0x21B3), 0,
                                  popcount(0x3CF),  popcount(0x4A3F),    0,                 0};
  EXPECT_EQ(litCells(), expected);

  // The pin's string becomes Text.
  TMZPXStringSourcePin source;
  source.Connect(T.InputPin());
  source.SendValue("HI");
  EXPECT_EQ(T.Text(), "HI");
  const std::vector<int> hi{popcount(0x3CC), popcount(0x4833), 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(litCells(), hi);

  // The hook sees blank cells too and may light them.
  T.SetOnCustomSymbol([](int ACol, int ARow, char32_t, uint32_t& AMask, TAlphaColor&) {
    if (ACol == 3 && ARow == 1) AMask = 0x3;
  });
  EXPECT_EQ(litCells()[7], 2);
}

TEST(SegmentText, HugeTextsAndGridsAtHostileSizes) {
  TScopedHost host;
  std::string huge(100000, 'A');
  huge.append("\r\r\n\n...\xFF\xFE\x01\x7F");
  for (TDWSegmentsType type : {st7Segments, st9Segments, st14Segments, st16Segments})
    for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {5, 400}, {400, 5}, {3000, 3000}}) {
      TDWSegmentText T;
      T.SetSegmentsType(type);
      T.SetBounds(0, 0, w, h);
      T.SetRows(TDWSegmentText::MaxCells);
      T.SetCols(TDWSegmentText::MaxCells);
      T.SetText(huge);
      gp::Bitmap b(std::max(w, 1), std::max(h, 1));
      gp::CairoGraphics g(b);
      T.Paint(g);
    }
}
