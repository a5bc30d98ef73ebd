#include "dialworks/segment/DWSegmentText.h"

#include <algorithm>
#include <array>

#include "dialworks/framework/Registry.h"

namespace dw {

namespace {

struct TCharMask {
  char Char;
  uint32_t Mask;
};

// The character tables of the four layouts (masks in the base indicator's segment order).
constexpr TCharMask kChars7[] = {
    {'"', 0x22}, {'\'', 0x20}, {'+', 0x70}, {',', 0x10}, {'-', 0x40}, {'0', 0x3F}, {'1', 0x6}, {'2', 0x5B},
    {'3', 0x4F}, {'4', 0x66}, {'5', 0x6D}, {'6', 0x7D}, {'7', 0x7}, {'8', 0x7F}, {'9', 0x6F}, {'=', 0x41},
    {'?', 0x53}, {'@', 0x7B}, {'A', 0x77}, {'B', 0x7C}, {'C', 0x39}, {'D', 0x5E}, {'E', 0x79}, {'F', 0x71},
    {'G', 0x3D}, {'H', 0x76}, {'I', 0x30}, {'J', 0x1E}, {'K', 0x76}, {'L', 0x38}, {'M', 0x37}, {'N', 0x54},
    {'O', 0x3F}, {'P', 0x73}, {'Q', 0x67}, {'R', 0x50}, {'S', 0x6D}, {'T', 0x78}, {'U', 0x3E}, {'V', 0x72},
    {'W', 0x3E}, {'X', 0x76}, {'Y', 0x6E}, {'Z', 0x5B}, {'_', 0x8}, {'`', 0x2}, {'a', 0x77}, {'b', 0x7C},
    {'c', 0x58}, {'d', 0x5E}, {'e', 0x79}, {'f', 0x71}, {'g', 0x6F}, {'h', 0x74}, {'i', 0x10}, {'j', 0xE},
    {'k', 0x76}, {'l', 0x30}, {'m', 0x54}, {'n', 0x54}, {'o', 0x5C}, {'p', 0x73}, {'q', 0x67}, {'r', 0x50},
    {'s', 0x6D}, {'t', 0x78}, {'u', 0x1C}, {'v', 0x72}, {'w', 0x1C}, {'x', 0x76}, {'y', 0x6E}, {'z', 0x5B},
    {'{', 0x46}, {'|', 0x30}, {'}', 0x70}, {'~', 0x52}};
constexpr TCharMask kChars9[] = {
    {'"', 0x22}, {'%', 0x1A4}, {'\'', 0x20}, {'+', 0x1C0}, {',', 0x100}, {'-', 0x40}, {'/', 0x180},
    {'0', 0x1BF}, {'1', 0x86}, {'2', 0x5B}, {'3', 0xCD}, {'4', 0x66}, {'5', 0x6D}, {'6', 0x7D}, {'7', 0x181},
    {'8', 0x7F}, {'9', 0x6F}, {'=', 0x41}, {'?', 0x53}, {'@', 0xFB}, {'A', 0x77}, {'B', 0xFD}, {'C', 0x39},
    {'D', 0x5E}, {'E', 0x79}, {'F', 0x71}, {'G', 0x3D}, {'H', 0x76}, {'I', 0x30}, {'J', 0x1E}, {'K', 0xF4},
    {'L', 0x38}, {'M', 0xB6}, {'N', 0x54}, {'O', 0x3F}, {'P', 0x73}, {'Q', 0x67}, {'R', 0xF5}, {'S', 0x6D},
    {'T', 0x78}, {'U', 0x3E}, {'V', 0x1B0}, {'W', 0x136}, {'X', 0x76}, {'Y', 0x162}, {'Z', 0x189}, {'_', 0x8},
    {'`', 0x2}, {'a', 0x154}, {'b', 0x7C}, {'c', 0x58}, {'d', 0x5E}, {'e', 0x158}, {'f', 0x71}, {'g', 0x6F},
    {'h', 0x74}, {'i', 0x10}, {'j', 0xE}, {'k', 0xF4}, {'l', 0x30}, {'m', 0x154}, {'n', 0x54}, {'o', 0x5C},
    {'p', 0x73}, {'q', 0x67}, {'r', 0x50}, {'s', 0x6D}, {'t', 0x78}, {'u', 0x1C}, {'v', 0x110}, {'w', 0x11C},
    {'x', 0x76}, {'y', 0x162}, {'z', 0x148}, {'{', 0x46}, {'|', 0x30}, {'}', 0x70}, {'~', 0x52}};
constexpr TCharMask kChars14[] = {
    {'"', 0x202}, {'$', 0x12ED}, {'%', 0x2FE4}, {'\'', 0x200}, {'(', 0xC00}, {')', 0x2100}, {'*', 0x2DC0},
    {'+', 0x12C0}, {',', 0x2000}, {'-', 0xC0}, {'/', 0x2400}, {'0', 0x243F}, {'1', 0x406}, {'2', 0xDB},
    {'3', 0xCF}, {'4', 0xE6}, {'5', 0x869}, {'6', 0xFD}, {'7', 0x7}, {'8', 0xFF}, {'9', 0xEF}, {'<', 0xC00},
    {'=', 0xC1}, {'>', 0x2100}, {'?', 0x10A3}, {'@', 0x2BB}, {'A', 0xF7}, {'B', 0x128F}, {'C', 0x39},
    {'D', 0x120F}, {'E', 0x79}, {'F', 0x71}, {'G', 0xBD}, {'H', 0xF6}, {'I', 0x1209}, {'J', 0x1E},
    {'K', 0xC70}, {'L', 0x38}, {'M', 0x536}, {'N', 0x936}, {'O', 0x3F}, {'P', 0xF3}, {'Q', 0x83F},
    {'R', 0x8F3}, {'S', 0xED}, {'T', 0x1201}, {'U', 0x3E}, {'V', 0x2430}, {'W', 0x2836}, {'X', 0x2D00},
    {'Y', 0x1500}, {'Z', 0x2409}, {'\\', 0x900}, {'^', 0x2800}, {'_', 0x8}, {'`', 0x100}, {'a', 0x1058},
    {'b', 0xFC}, {'c', 0xD8}, {'d', 0xDE}, {'e', 0x2058}, {'f', 0x1281}, {'g', 0x88C}, {'h', 0xF4},
    {'i', 0x1000}, {'j', 0xE}, {'k', 0x1E00}, {'l', 0x1200}, {'m', 0x10D4}, {'n', 0xD4}, {'o', 0xDC},
    {'p', 0x2050}, {'q', 0x3050}, {'r', 0x50}, {'s', 0x888}, {'t', 0x78}, {'u', 0x1C}, {'v', 0x2010},
    {'w', 0x2814}, {'x', 0x10C8}, {'y', 0x80C}, {'z', 0x2048}, {'{', 0xC40}, {'|', 0x1200}, {'}', 0x2180},
    {'~', 0xD2}};
constexpr TCharMask kChars16[] = {
    {'"', 0x804}, {'$', 0x4BBB}, {'%', 0xDBA9}, {'\'', 0x800}, {'(', 0x3000}, {')', 0x8400}, {'*', 0xB700},
    {'+', 0x4B00}, {',', 0x8000}, {'-', 0x300}, {'/', 0x9000}, {'0', 0x90FF}, {'1', 0x100C}, {'2', 0x377},
    {'3', 0x33F}, {'4', 0x38C}, {'5', 0x21B3}, {'6', 0x3FB}, {'7', 0xF}, {'8', 0x3FF}, {'9', 0x3BF},
    {':', 0x11}, {';', 0x8001}, {'<', 0x3100}, {'=', 0x303}, {'>', 0x8600}, {'?', 0x4287}, {'@', 0xAF7},
    {'A', 0x3CF}, {'B', 0x4A3F}, {'C', 0xF3}, {'D', 0x483F}, {'E', 0x1F3}, {'F', 0x1C3}, {'G', 0x2FB},
    {'H', 0x3CC}, {'I', 0x4833}, {'J', 0x7C}, {'K', 0x31C0}, {'L', 0xF0}, {'M', 0x14CC}, {'N', 0x24CC},
    {'O', 0xFF}, {'P', 0x3C7}, {'Q', 0x20FF}, {'R', 0x23C7}, {'S', 0x3BB}, {'T', 0x4803}, {'U', 0xFC},
    {'V', 0x90C0}, {'W', 0xA0CC}, {'X', 0xB400}, {'Y', 0x5400}, {'Z', 0x9033}, {'[', 0x4822}, {'\\', 0x2400},
    {']', 0x4811}, {'^', 0xA000}, {'_', 0x30}, {'`', 0x400}, {'a', 0x4170}, {'b', 0x41D0}, {'c', 0x150},
    {'d', 0x4970}, {'e', 0x8150}, {'f', 0x1C1}, {'g', 0x2228}, {'h', 0x41C0}, {'i', 0x40}, {'j', 0x4810},
    {'k', 0x7800}, {'l', 0xC0}, {'m', 0x4348}, {'n', 0x4140}, {'o', 0x4150}, {'p', 0x8140}, {'q', 0xC140},
    {'r', 0x140}, {'s', 0x2220}, {'t', 0x4B20}, {'u', 0x4050}, {'v', 0x8040}, {'w', 0xA048}, {'x', 0x4330},
    {'y', 0x2028}, {'z', 0x8110}, {'{', 0x4922}, {'|', 0x4800}, {'}', 0x4A11}, {'~', 0x344}};

// Direct lookup by ASCII code, built once from the tables above.
struct TCharTables {
  std::array<std::array<uint32_t, 128>, 4> Masks{};
  std::array<int, 4> Sizes{};
  TCharTables() {
    auto fill = [this](size_t AType, const TCharMask* AFirst, size_t ACount) {
      for (size_t i = 0; i < ACount; ++i) Masks[AType][size_t(uint8_t(AFirst[i].Char))] = AFirst[i].Mask;
      Sizes[AType] = int(ACount);
    };
    fill(0, kChars7, std::size(kChars7));
    fill(1, kChars9, std::size(kChars9));
    fill(2, kChars14, std::size(kChars14));
    fill(3, kChars16, std::size(kChars16));
  }
};

const TCharTables& Tables() {
  static const TCharTables tables;
  return tables;
}

size_t TableIndex(TDWSegmentsType AType) { return AType <= st16Segments ? size_t(AType) : 3; }

}  // namespace

uint32_t DWSegmentCharMask(TDWSegmentsType AType, char32_t AChar) {
  return AChar < 128 ? Tables().Masks[TableIndex(AType)][size_t(AChar)] : 0;
}

int DWSegmentCharTableSize(TDWSegmentsType AType) { return Tables().Sizes[TableIndex(AType)]; }

std::u32string DWDecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const uint8_t b = uint8_t(s[i]);
    int len = 0;
    char32_t c = 0, min = 0;
    if (b < 0x80) len = 1, c = b;
    else if ((b & 0xE0) == 0xC0) len = 2, c = b & 0x1F, min = 0x80;
    else if ((b & 0xF0) == 0xE0) len = 3, c = b & 0x0F, min = 0x800;
    else if ((b & 0xF8) == 0xF0) len = 4, c = b & 0x07, min = 0x10000;
    bool ok = len > 0 && i + size_t(len) <= n;
    for (int k = 1; ok && k < len; ++k) {
      const uint8_t cb = uint8_t(s[i + size_t(k)]);
      if ((cb & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (cb & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are invalid too.
    if (ok && (c < min || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) ok = false;
    if (ok) {
      out.push_back(c);
      i += size_t(len);
    } else {
      out.push_back(0xFFFD);
      ++i;
    }
  }
  return out;
}

// ---- the display ------------------------------------------------------------------------------

TDWSegmentText::TDWSegmentText(TComponent* AOwner)
    : TDWCustomizableSegmentIndicator(AOwner),
      FInputPin(this, [this](TPXPin&, const std::string& AValue) { SetText(AValue); }),
      FElements(std::make_unique<TRXComponentElements>(this)) {
  FCell.SegmentsType = st16Segments;
  InitSize(DefaultWidth, DefaultHeight);
}

TDWSegmentText::~TDWSegmentText() {
  FInputPin.DisconnectAll();
  StopInputs();
}

std::string TDWSegmentText::Text() const {
  std::lock_guard lock(*ChangeLock());
  return FText;
}

std::u32string TDWSegmentText::Characters() const {
  std::lock_guard lock(*ChangeLock());
  return FChars;
}

void TDWSegmentText::SetText(const std::string& AValue) {
  // The input pin calls in from its data thread.
  std::lock_guard lock(ControlLock());
  Setter(*this, "Text", FText, AValue, [this] {
    FChars = DWDecodeUtf8(FText);
    Invalidate();
  });
}

DW_PROPERTIES(TDWSegmentText) {
  using C = TDWSegmentText;
  t.Pin("InputPin", [](C& c) -> TMZPXStringSinkPin& { return c.InputPin(); });
  DWDeclareSegmentIndicatorProperties(t, st16Segments);
  t.Cardinal("Rows", &C::Rows, &C::SetRows, 2).Limit(1, C::MaxCells).Doc("text rows");
  t.Cardinal("Cols", &C::Cols, &C::SetCols, 10).Limit(1, C::MaxCells).Doc("cells per row");
  t.Collection("Elements", [](C& c) -> TRXComponentElements& { return c.Elements(); });
  t.String("Text", &C::Text, &C::SetText)
      .Stored([](const C& c) { return !c.InputPin().Connected(); })
      .Doc("UTF-8; CR ends a row, LF is skipped, '.' after a character lights its point");
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultWidth)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultHeight)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

void TDWSegmentText::Init(float AWidth, float AHeight, bool) {
  FDigitWidth = AWidth / float(FCols);
  FDigitHeight = AHeight / float(FRows);
  InitCell(FDigitWidth, FDigitHeight);
}

void TDWSegmentText::DrawElements(gp::Graphics& g, const TDWLayerFrame& AFrame, float AWidth, float AHeight) {
  FElements->DrawElements(g, {AWidth / 2, AHeight / 2, AWidth, AHeight, AFrame.OuterWidth, AFrame.OuterHeight,
                              AFrame.Offscreen});
}

void TDWSegmentText::DrawCells(gp::Graphics& g, TDWSegmentPass APass) {
  if (FCell.ShapeCount() == 0) return;
  const gp::Matrix origin = g.GetTransform();
  // Cells outside the clip are skipped (a display embedded far larger than its host).
  const gp::RectF clip = g.GetClipBounds();
  auto visible = [&](int ACol, int ARow) {
    const float x = float(ACol) * FDigitWidth, y = float(ARow) * FDigitHeight;
    return !(x > clip.X + clip.Width || x + FDigitWidth < clip.X || y > clip.Y + clip.Height ||
             y + FDigitHeight < clip.Y);
  };
  auto place = [&](int ACol, int ARow) {
    g.SetTransform(origin);
    g.TranslateTransform(float(ACol) * FDigitWidth, float(ARow) * FDigitHeight);
  };
  if (APass == TDWSegmentPass::Unlit) {
    for (int row = 0; row < int(FRows); ++row)
      for (int col = 0; col < int(FCols); ++col) {
        if (!visible(col, row)) continue;
        place(col, row);
        DrawDigit(g, 0, 0, APass);
      }
  } else {
    DWSegmentTextWalk(FChars, int(FRows), int(FCols), SegmentsType(),
                      [&](int ACol, int ARow, char32_t AChar, uint32_t AMask) {
                        TAlphaColor extra = 0;
                        CheckCustomSymbol(ACol, ARow, AChar, AMask, extra);
                        if (AMask == 0 || !visible(ACol, ARow)) return;
                        place(ACol, ARow);
                        DrawDigit(g, AMask, extra, APass);
                      });
  }
  g.SetTransform(origin);
}

// ---- variants and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWSegmentTextLayer) {}
DW_PROPERTIES(TDWExternalSegmentTextElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalSegmentTextMatrixLayer) {}
DW_PROPERTIES(TDWExternalSegmentTextMatrixElement) {}

void DWSegmentText::RegisterPkg() {
  TRegistrationUnit unit("DWSegmentText");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWSegmentText::StaticClass(),
                                .Layer = &TDWSegmentTextLayer::StaticClass(),
                                .Category = "Indicators",
                                .ExternalElement = &TDWExternalSegmentTextElement::StaticClass(),
                                .MatrixLayer = &TDWExternalSegmentTextMatrixLayer::StaticClass(),
                                .StreamingOnly = {&TDWExternalSegmentTextMatrixElement::StaticClass()}});
}

}  // namespace dw
