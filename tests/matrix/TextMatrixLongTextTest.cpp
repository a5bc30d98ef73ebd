// Long and unusual texts on the text layer: only what can reach the grid is laid out, and the
// picture is the one the whole text gives.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/TextLayout.h"
#include "dialworks/matrix/DWTextMatrixLayer.h"
#include "support/InstrumentTest.h"

using namespace dw;
using dwtest::TScopedHost;

namespace {

std::string Repeat(const std::string& AText, size_t ACount) {
  std::string out;
  for (size_t i = 0; i < ACount; ++i) out += AText;
  return out;
}

// AText drawn from (AX, AY) on a AW x AH bitmap, as the layer draws it (plain or outlined).
std::vector<uint32_t> Draw(const std::string& AText, float AEm, int AX, int AY, int AW, int AH, bool AAntiAlias,
                           bool AOutlined, int AStyle) {
  gp::Bitmap bitmap(AW, AH);
  {
    gp::CairoGraphics g(bitmap);
    g.SetTextRenderingHint(AAntiAlias ? gp::TextRenderingHintAntiAlias : gp::TextRenderingHintSingleBitPerPixelGridFit);
    g.SetSmoothingMode(AAntiAlias ? gp::SmoothingModeAntiAlias : gp::SmoothingModeNone);
    if (AOutlined) {
      gp::GraphicsPath path;
      path.AddString(AText, gp::FontFamily(), AStyle, AEm, gp::PointF(float(AX), float(AY)));
      g.FillPath(gp::SolidBrush(0xFFFFFFFF), path);
    } else {
      g.DrawString(AText, gp::Font(gp::FontFamily(), AEm, AStyle, gp::UnitPixel), gp::PointF(float(AX), float(AY)),
                   gp::SolidBrush(0xFFFFFFFF));
    }
    g.Flush();
  }
  std::vector<uint32_t> pixels;
  for (int y = 0; y < AH; ++y)
    for (int x = 0; x < AW; ++x) pixels.push_back(bitmap.GetPixel(x, y));
  return pixels;
}

}  // namespace

TEST(TextWithin, TrimmedTextsDrawAsTheWholeText) {
  TScopedHost host;
  const std::string wide = Repeat("Wm", 400);
  const std::string accents = Repeat("e\xCC\x81\xCC\xA3 ", 400);  // base letters with combining marks
  const std::string lines = Repeat(Repeat("Hg", 100) + "\n", 60);
  const std::vector<std::string> texts = {
      "Hello",
      wide,
      accents,
      Repeat("i", 3000),
      Repeat("\xE2\x80\x8B" "a\t", 900),                // zero-width spaces and tabs
      Repeat("\xC3\xA9\xFF\xE6\xBC\xA2", 700),          // Latin, an invalid byte, CJK
      lines,
      Repeat("ab\r\ncd\rx\xE2\x80\xA8y\n", 40) + wide,  // every kind of line break
      Repeat("x\xE2\x80\xA8", 100) + Repeat("\n", 20) + "z",  // more than 16 breaks, all of them cut off
      Repeat("\n", 200) + "tail",
      Repeat("\xC2\xAD", 2000) + "HELLO",                     // soft hyphens advance nothing
      Repeat("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ab\n", 200),  // right-to-left lines, all as wide
  };
  struct TBox {
    float Em;
    int X, Y, W, H;
  };
  const std::vector<TBox> boxes = {{12, 0, 0, 60, 20}, {12, -300, -40, 60, 20}, {9, 3, 2, 120, 70}, {30, 0, 0, 40, 40}};
  int trimmed = 0;
  for (const std::string& text : texts)
    for (const TBox& b : boxes) {
      const std::string part = gp::detail::TextWithin(text, b.Em, float(b.W - b.X), float(b.H - b.Y));
      ASSERT_LE(part.size(), text.size() + 17);
      trimmed += part.size() < text.size();
      for (int mode = 0; mode < 4; ++mode) {
        const bool aa = mode & 1, outlined = mode & 2;
        const int style = mode == 3 ? gp::FontStyleItalic | gp::FontStyleUnderline : 0;
        EXPECT_EQ(Draw(part, b.Em, b.X, b.Y, b.W, b.H, aa, outlined, style),
                  Draw(text, b.Em, b.X, b.Y, b.W, b.H, aa, outlined, style))
            << "text " << text.substr(0, 40) << "... (" << text.size() << " bytes), em " << b.Em << ", origin "
            << b.X << "," << b.Y << ", mode " << mode;
      }
    }
  EXPECT_GT(trimmed, 20);  // the cases do straddle the limits
  // Right-to-left text is ordered and aligned by the whole text: kept whole.
  const std::string hebrew = Repeat("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ", 5000);
  EXPECT_EQ(gp::detail::TextWithin(hebrew, 12, 60, 20), hebrew);
  EXPECT_EQ(gp::detail::TextWithin("", 12, 60, 20), "");
}

TEST(TextMatrixLayer, LongTextsPaintAsFastAsTheGridShows) {
  TScopedHost host;
  const int W = 64, H = 16;
  // Two megabytes: the whole text took the old layout seconds (a minute with Crop).
  const std::vector<std::string> texts = {Repeat("ABCDEFGHIJ", 200'000), Repeat("0123456789\n", 180'000),
                                          Repeat("\xD7\xA9\xD7\x9C\n", 300'000)};
  for (const std::string& text : texts)
    for (bool crop : {false, true}) {
      TDWTextMatrixLayer layer, shortLayer;
      for (TDWTextMatrixLayer* l : {&layer, &shortLayer}) {
        l->Font().Size().SetValue(0.8f);
        l->SetCrop(crop);
      }
      layer.SetText(text);
      shortLayer.SetText(text.substr(0, 400));
      EXPECT_EQ(layer.Text().size(), text.size());  // the property keeps the text whole
      std::vector<uint32_t> cells(size_t(W * H)), shortCells(size_t(W * H));
      const auto start = std::chrono::steady_clock::now();
      layer.Render(cells.data(), W, H);
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      EXPECT_LT(seconds, 1.5) << "crop " << crop;
      shortLayer.Render(shortCells.data(), W, H);
      EXPECT_EQ(cells, shortCells) << "crop " << crop;
    }
  // Text below half a cell high is not drawn, nor laid out.
  TDWTextMatrixLayer tiny;
  tiny.Font().Size().SetValue(1e-6f);
  tiny.SetText(texts[0]);
  std::vector<uint32_t> cells(size_t(W * H));
  const auto start = std::chrono::steady_clock::now();
  tiny.Render(cells.data(), W, H);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.5);
  EXPECT_EQ(cells, std::vector<uint32_t>(size_t(W * H)));
}

// Crop cuts each line at the right edge and keeps the lines below, whatever character ends them.
TEST(TextMatrixLayer, CropKeepsTheLinesBelowALongOne) {
  TScopedHost host;
  const int W = 32, H = 16;
  for (const char* lineEnd : {"\n", "\r\n", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
    const std::string text = Repeat("A", 40) + lineEnd + "B";
    std::vector<uint32_t> cropped(size_t(W * H)), whole(size_t(W * H));
    for (bool crop : {true, false}) {
      TDWTextMatrixLayer layer;
      layer.Font().Size().SetValue(0.4f);
      layer.SetCrop(crop);
      layer.SetText(text);
      layer.Render((crop ? cropped : whole).data(), W, H);
    }
    EXPECT_NE(whole, std::vector<uint32_t>(size_t(W * H)));
    EXPECT_EQ(cropped, whole) << "line end " << std::string(lineEnd).size() << " bytes";
  }
}

// Marks stacked on one letter reach far above the line: the layer shows all of them.
TEST(TextMatrixLayer, StackedMarksShowWhole) {
  TScopedHost host;
  const int W = 40, H = 60;
  TDWTextMatrixLayer layer;
  layer.Font().Size().SetValue(0.2f);  // 12 cells
  layer.Position().Y().SetValue(0.7f);
  layer.SetText("a" + Repeat("\xCC\x81", 40));  // forty combining acute accents
  std::vector<uint32_t> cells(size_t(W * H));
  layer.Render(cells.data(), W, H);
  int x0 = 0, y0 = 0;
  layer.CellOrigin(W, H, x0, y0);
  const std::vector<uint32_t> whole = Draw(layer.Text(), 12, x0, y0, W, H, false, false, 0);
  std::vector<bool> shown, drawn;
  int above = 0;  // lit more than half an em above the text's top
  for (size_t i = 0; i < cells.size(); ++i) {
    shown.push_back(cells[i] >> 24 != 0);
    drawn.push_back(whole[i] >> 24 != 0);
    above += drawn.back() && int(i) < (y0 - 6) * W;
  }
  EXPECT_GT(above, 0);
  EXPECT_EQ(shown, drawn);
}

// Texts of many lines go to the layout as one paragraph; each line still takes its own direction
// (Hebrew lines right-aligned), as in a text of a few lines.
TEST(TextLayout, ManyLinesKeepEachLinesDirection) {
  TScopedHost host;
  std::string fewer, more;  // 16 line breaks, 17
  for (int i = 0; i < 18; ++i) {
    const std::string line = i % 2 ? "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D" : "abcdefghijklmnopqrstuvwxyz";
    if (i < 17) fewer += (i ? "\n" : "") + line;
    more += (i ? "\n" : "") + line;
  }
  EXPECT_EQ(Draw(more, 12, 0, 0, 260, 120, false, false, 0), Draw(fewer, 12, 0, 0, 260, 120, false, false, 0));
}
