#include "dialworks/segment/DWSegmentClock.h"

#include <algorithm>
#include <cmath>

#include "dialworks/draw/Path.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/segment/DWSegmentGauge.h"

namespace dw {

namespace {

float FiniteOr0(float v) { return std::isfinite(v) ? v : 0.0f; }

// A lit dot: a path gradient over the ellipse from the lit centre colour to the segment colour.
std::unique_ptr<gp::PathGradientBrush> ClockDotBrush(const TDWSegmentCell& ACell, const gp::RectF& ARect) {
  gp::GraphicsPath path;
  path.AddEllipse(ARect);
  auto b = std::make_unique<gp::PathGradientBrush>(path);
  b->SetCenterColor(ACell.SegmentCenterColor);
  b->SetSurroundColors(&ACell.SegmentColor, 1);
  return b;
}

// A dot's glow: the half-alpha segment colour fading out towards the ellipse's edge (the blend
// of the segment glow).
std::unique_ptr<gp::PathGradientBrush> ClockDotGlowBrush(const TDWSegmentCell& ACell, const gp::RectF& ARect) {
  gp::GraphicsPath path;
  path.AddEllipse(ARect);
  auto b = std::make_unique<gp::PathGradientBrush>(path);
  const unsigned alpha = std::min(255u, unsigned(std::lround(GetAlpha(ACell.SegmentColor) * 0.5)));
  b->SetCenterColor((ACell.SegmentColor & 0x00FFFFFFu) | (TAlphaColor(alpha) << 24));
  const TAlphaColor clear = 0;
  b->SetSurroundColors(&clear, 1);
  static constexpr float factors[] = {0, 0.32f, 1, 1, 1};
  static constexpr float positions[] = {0, 0.2f, 0.5f, 0.7f, 1};
  b->SetBlend(factors, positions, 5);
  return b;
}

}  // namespace

// ---- property objects -------------------------------------------------------------------------

TDWPointOffset::TDWPointOffset(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ALeft,
                               float ATop)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FLeft(ALeft),
      FTop(ATop),
      FLeftDefault(ALeft),
      FTopFixed(ATop) {}

DW_PROPERTIES(TDWPointOffset) {
  using C = TDWPointOffset;
  t.Single("Left", &C::Left, &C::SetLeft, 0.1f)
      .DefaultFrom(&C::LeftDefault)
      .Limit(-C::Limit, C::Limit)
      .Doc("share of the width of its separator or block");
  t.Single("Top", &C::Top, &C::SetTop, 0.3f)
      .DefaultFrom(&C::TopDefault)
      .Limit(-C::Limit, C::Limit)
      .Doc("share of the height - 1");
}

TDWSegmentPoint::TDWSegmentPoint()
    : FOffset(std::make_unique<TDWPointOffset>([this] { DoChanged(); }, this, nullptr, 0.1f, TDWSegmentPoints::Step)),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, nullptr, 1.3f)) {
  // Saving and loading ask the same rule, so a point keeps its place through a form whatever
  // was moved after it was added.
  FOffset->SetTopDefaultFrom([this] { return NewTop(); });
}

float TDWSegmentPoint::NewTop() const {
  const auto* list = static_cast<const TDWSegmentPoints*>(Collection());
  const int i = Index();
  if (!list || i <= 0) return TDWSegmentPoints::Step;
  const float top = list->Items(size_t(i - 1)).Offset().Top() + TDWSegmentPoints::Step;
  return top <= 1.0f + 1e-4f ? top : TDWSegmentPoints::Step;
}

void TDWSegmentPoint::PlaceNew() { FOffset->SetTopQuiet(NewTop()); }

DW_PROPERTIES(TDWSegmentPoint) {
  using C = TDWSegmentPoint;
  t.Object("Offset", [](C& c) -> TDWPointOffset& { return c.Offset(); });
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); }).Doc("kept for forms; dots take DotSize");
}

TDWSegmentPoints::TDWSegmentPoints(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TTypedCollection<TDWSegmentPoint>(std::move(AOnChange), AOwner, AControl ? &AControl->ControlLock() : nullptr) {}

void TDWSegmentPoints::ItemAdded(TLockCollectionItem& AItem) { static_cast<TDWSegmentPoint&>(AItem).PlaceNew(); }

DW_PROPERTIES(TDWSegmentPoints) {}

TDWSegmentSeparator::TDWSegmentSeparator(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                                         float AWidth)
    : TKVOptionalInstrumentProperty(std::move(AOnChange), AOwner, AControl),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, AWidth)) {}

float TDWSegmentSeparator::PixelWidth(float ADigitWidth) const { return std::max(FiniteOr0(FWidth->Get(ADigitWidth)), 0.0f); }

DW_PROPERTIES(TDWSegmentSeparator) {
  using C = TDWSegmentSeparator;
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); }).Doc("share of the digit width");
}

TDWSegmentClockSeparator::TDWSegmentClockSeparator(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TDWSegmentSeparator(std::move(AOnChange), AOwner, AControl, DefaultWidth),
      FPoints(std::make_unique<TDWSegmentPoints>([this] { DoChanged(); }, this, AControl)) {}

DW_PROPERTIES(TDWSegmentClockSeparator) {
  using C = TDWSegmentClockSeparator;
  t.Collection("Points", [](C& c) -> TDWSegmentPoints& { return c.Points(); })
      .Stored([](const C& c) { return c.Points().Count() > 0; });
}

TDWSegmentFont::TDWSegmentFont(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl, float ASize)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, ASize)) {}

gp::Font TDWSegmentFont::GetGPFontFor(float AReference) const {
  int style = gp::FontStyleRegular;
  if (FBold) style |= gp::FontStyleBold;
  if (FItalic) style |= gp::FontStyleItalic;
  // Sizes under a tenth of a point draw nothing anyway; NaN and negative sizes give such a font.
  const float size = FiniteOr0(FSize->Get(AReference));
  return gp::Font(FName.empty() ? std::string("DejaVu Sans") : FName, size > 0.1f ? size : 0.0f, style);
}

DW_PROPERTIES(TDWSegmentFont) {
  using C = TDWSegmentFont;
  t.String("Name", &C::Name, &C::SetName, "DejaVu Sans").Doc("font family");
  t.Bool("Bold", &C::Bold, &C::SetBold, true);
  t.Bool("Italic", &C::Italic, &C::SetItalic, false);
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); }).Doc("points, share of the text block's reference");
}

DW_PROPERTIES(TDWDigitalHourSection) {
  using C = TDWDigitalHourSection;
  t.Bool("Mode24Hours", &C::Mode24Hours, &C::SetMode24Hours, true).Doc("hours 0..23 (off: 1..12)");
  t.Bool("LeadingZero", &C::LeadingZero, &C::SetLeadingZero, true).Doc("a leading zero of the hours is lit");
}

TDWDigitalClockSection::TDWDigitalClockSection(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVOptionalInstrumentProperty(std::move(AOnChange), AOwner, AControl),
      FSeparator(std::make_unique<TDWSegmentClockSeparator>([this] { DoChanged(); }, this, AControl)) {}

DW_PROPERTIES(TDWDigitalClockSection) {
  using C = TDWDigitalClockSection;
  t.Object("Separator", [](C& c) -> TDWSegmentClockSeparator& { return c.Separator(); });
}

TDWMillisecondsClockSection::TDWMillisecondsClockSection(TChangeCallback AOnChange, TPersistent* AOwner,
                                                         IKVControl* AControl)
    : TDWDigitalClockSection(std::move(AOnChange), AOwner, AControl) {
  SetVisibleDefault(false);
}

DW_PROPERTIES(TDWMillisecondsClockSection) {
  using C = TDWMillisecondsClockSection;
  t.Cardinal("NumberDigits", &C::NumberDigits, &C::SetNumberDigits, 3).Limit(1, 3).Doc("1 tenths .. 3 thousandths");
}

TDWDigitalAmPmSection::TDWDigitalAmPmSection(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TDWSegmentSeparator(std::move(AOnChange), AOwner, AControl, 0.6f),
      FFont(std::make_unique<TDWSegmentFont>([this] { DoChanged(); }, this, AControl, 0.3f)),
      FAmPosition(std::make_unique<TDWPointOffset>([this] { DoChanged(); }, this, AControl, 0.1f, 0.7f)),
      FPmPosition(std::make_unique<TDWPointOffset>([this] { DoChanged(); }, this, AControl, 0.1f, 0.2f)) {
  SetVisibleDefault(false);
}

DW_PROPERTIES(TDWDigitalAmPmSection) {
  using C = TDWDigitalAmPmSection;
  t.Object("Font", [](C& c) -> TDWSegmentFont& { return c.Font(); });
  t.Object("AmPosition", [](C& c) -> TDWPointOffset& { return c.AmPosition(); }).Doc("top-left corner of \"AM\"");
  t.Object("PmPosition", [](C& c) -> TDWPointOffset& { return c.PmPosition(); }).Doc("top-left corner of \"PM\"");
}

TDWDigitalClockSections::TDWDigitalClockSections(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FHours(std::make_unique<TDWDigitalHourSection>([this] { DoChanged(); }, this, AControl)),
      FMinutes(std::make_unique<TDWDigitalClockSection>([this] { DoChanged(); }, this, AControl)),
      FSeconds(std::make_unique<TDWDigitalClockSection>([this] { DoChanged(); }, this, AControl)),
      FMilliseconds(std::make_unique<TDWMillisecondsClockSection>([this] { DoChanged(); }, this, AControl)),
      FAmPm(std::make_unique<TDWDigitalAmPmSection>([this] { DoChanged(); }, this, AControl)) {}

int TDWDigitalClockSections::CellCount() const {
  int n = 0;
  if (FHours->Visible()) n += 2;
  if (FMinutes->Visible()) n += 2;
  if (FSeconds->Visible()) n += 2;
  if (FMilliseconds->Visible()) n += int(std::clamp(FMilliseconds->NumberDigits(), 1u, 3u));
  return n;
}

uint32_t TDWDigitalClockSections::TimerInterval() const {
  if (!FMilliseconds->Visible()) return 50;
  switch (std::clamp(FMilliseconds->NumberDigits(), 1u, 3u)) {
    case 1: return 50;
    case 2: return 10;
    default: return 1;
  }
}

DW_PROPERTIES(TDWDigitalClockSections) {
  using C = TDWDigitalClockSections;
  t.Object("Hours", [](C& c) -> TDWDigitalHourSection& { return c.Hours(); });
  t.Object("Minutes", [](C& c) -> TDWDigitalClockSection& { return c.Minutes(); });
  t.Object("Seconds", [](C& c) -> TDWDigitalClockSection& { return c.Seconds(); });
  t.Object("Milliseconds", [](C& c) -> TDWMillisecondsClockSection& { return c.Milliseconds(); });
  t.Object("AmPm", [](C& c) -> TDWDigitalAmPmSection& { return c.AmPm(); });
}

// ---- reading ----------------------------------------------------------------------------------

void DWSegmentClockReading(TDateTime ATime, const TDWDigitalClockSections& S, TDWSegmentsType AType,
                           TDWSegmentClockReading& R) {
  const TDWTimeOfDay t = DWDecodeTimeOfDay(ATime);
  R.Cells = 0;
  R.Pm = t.Hour >= 12;
  auto put = [&](int AValue, int ACells, bool ABlankLeadingZero) {
    for (int i = 0; i < ACells && R.Cells < kDWMaxSegmentClockCells; ++i) {
      const int digit = AValue % 10;
      AValue /= 10;
      const bool blank = ABlankLeadingZero && i == ACells - 1 && digit == 0;
      R.Masks[size_t(R.Cells)] = blank ? 0 : DWSegmentDigitMask(AType, unsigned(digit));
      R.Chars[size_t(R.Cells)] = blank ? ' ' : char('0' + digit);
      R.Index[size_t(R.Cells)] = i;
      ++R.Cells;
    }
  };
  if (S.Milliseconds().Visible()) {
    const unsigned n = std::clamp(S.Milliseconds().NumberDigits(), 1u, 3u);
    put(n == 1 ? t.MilliSecond / 100 : n == 2 ? t.MilliSecond / 10 : t.MilliSecond, int(n), false);
  }
  if (S.Seconds().Visible()) put(t.Second, 2, false);
  if (S.Minutes().Visible()) put(t.Minute, 2, false);
  if (S.Hours().Visible()) {
    int h = t.Hour;
    if (!S.Hours().Mode24Hours()) h = h % 12 == 0 ? 12 : h % 12;
    put(h, 2, !S.Hours().LeadingZero());
  }
}

// ---- the clock --------------------------------------------------------------------------------

TDWBasicSegmentClock::TDWBasicSegmentClock(TComponent* AOwner)
    : TDWCustomizableSegmentIndicator(AOwner),
      FSections(std::make_unique<TDWDigitalClockSections>([this] { InvalidateRange(); }, this, this)),
      FDotSize(std::make_unique<TKVElementSize>([this] { InvalidateRange(); }, this, this, DefaultDotSize)),
      FElements(std::make_unique<TRXClockComponentElements>(this)) {
  InitSize(DefaultWidth, DefaultHeight);
}

TDWBasicSegmentClock::~TDWBasicSegmentClock() { StopInputs(); }

DW_PROPERTIES(TDWBasicSegmentClock) {
  using C = TDWBasicSegmentClock;
  DWDeclareSegmentIndicatorProperties(t);
  t.Object("Sections", [](C& c) -> TDWDigitalClockSections& { return c.Sections(); });
  t.Object("DotSize", [](C& c) -> TKVElementSize& { return c.DotSize(); })
      .Doc("separator dot diameter, share of min(digit width, height - 1)");
  t.Collection("Elements", [](C& c) -> TRXClockComponentElements& { return c.Elements(); });
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultWidth)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultHeight)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

void TDWBasicSegmentClock::SendChildValues(TDateTime ATime) {
  for (size_t k = 0; k < FElements->Count(); ++k)
    if (auto* e = dynamic_cast<IDWClockElement*>(&FElements->Items(k))) e->SetTime(ATime);
}

void TDWBasicSegmentClock::Init(float AWidth, float AHeight, bool AFlag) {
  const TDWDigitalClockSections& S = *FSections;
  FNumberDigits = S.CellCount();
  // While designing one redraw per half second does; else the flag keeps a millisecond interval.
  if (IsDesigning()) SetInterval(DesignInterval);
  else if (!S.Milliseconds().Visible() || !AFlag) SetInterval(S.TimerInterval());

  // Separators and the AM/PM block take digit widths (proportional) or pixels.
  float shares = 0, pixels = 0;
  auto extra = [&](const TDWSegmentSeparator& ASep) {
    const float v = std::max(FiniteOr0(ASep.Width().Value()), 0.0f);
    (ASep.Width().Proportional() ? shares : pixels) += v;
  };
  const TDWDigitalClockSection* seps[3] = {&S.Milliseconds(), &S.Seconds(), &S.Minutes()};
  for (const TDWDigitalClockSection* s : seps)
    if (s->Visible() && s->Separator().Visible()) extra(s->Separator());
  if (S.AmPm().Visible()) extra(S.AmPm());
  const float w = (AWidth - pixels) / (float(FNumberDigits) + shares);
  FDigitWidth = std::isfinite(w) && w > 0 ? w : 0;
  FCellHeight = AHeight;
  InitCell(FDigitWidth, AHeight);

  // Cell and separator places, right to left.
  float x = AWidth;
  FAmPmWidth = S.AmPm().Visible() ? S.AmPm().PixelWidth(FDigitWidth) : 0;
  x -= FAmPmWidth;
  FAmPmLeft = x;
  int cell = 0;
  auto cells = [&](int ACount) {
    for (int i = 0; i < ACount && cell < kDWMaxSegmentClockCells; ++i) FCellLeft[size_t(cell++)] = (x -= FDigitWidth);
  };
  for (int k = 0; k < 3; ++k) {
    const TDWDigitalClockSection& s = *seps[k];
    if (!s.Visible()) continue;
    cells(k == 0 ? int(std::clamp(S.Milliseconds().NumberDigits(), 1u, 3u)) : 2);
    if (s.Separator().Visible()) x -= s.Separator().PixelWidth(FDigitWidth);
    FSeparatorLeft[size_t(k)] = x;
  }
  if (S.Hours().Visible()) cells(2);

  // Dots (separator coordinates).
  const float h = AHeight - 1, m = std::min(FDigitWidth, h);
  const float d = std::max(FiniteOr0(FDotSize->Get(m)), 0.0f);
  for (const TDWDigitalClockSection* s : seps) {
    TDWSegmentPoints& points = const_cast<TDWSegmentClockSeparator&>(s->Separator()).Points();
    for (size_t i = 0; i < points.Count(); ++i) {
      TDWSegmentPoint& p = points[i];
      const float sw = s->Separator().PixelWidth(FDigitWidth);
      p.Rect = gp::RectF(FiniteOr0(p.Offset().Left() * sw), FiniteOr0(p.Offset().Top() * h), d, d);
      p.HighlightRect = gp::RectF(p.Rect.X - 0.8f * d, p.Rect.Y - 0.8f * d, 2.6f * d, 2.6f * d);
      const bool shaded = d > 0.5f && FCell.Shaded() && s->Visible() && s->Separator().Visible();
      p.Brush = shaded ? ClockDotBrush(FCell, p.Rect) : nullptr;
      p.HighlightBrush = shaded ? ClockDotGlowBrush(FCell, p.HighlightRect) : nullptr;
    }
  }
  // The AM/PM texts need a graphics to be measured: built on the first frame of this layout.
  FAmPmBuilt = false;
  FAmPmFont.reset();
}

void TDWBasicSegmentClock::DrawElements(gp::Graphics& g, const TDWLayerFrame& AFrame, float AWidth, float AHeight) {
  FElements->DrawElements(g, {AWidth / 2, AHeight / 2, AWidth, AHeight, AFrame.OuterWidth, AFrame.OuterHeight,
                              AFrame.Offscreen});
}

void TDWBasicSegmentClock::DrawCells(gp::Graphics& g, TDWSegmentPass APass) {
  const gp::Matrix origin = g.GetTransform();
  // One reading per frame, so that the digits and AM/PM show the same instant.
  if (APass == TDWSegmentPass::Lit) DWSegmentClockReading(GetCurrentValue(), *FSections, SegmentsType(), FReading);
  if (FSections->AmPm().Visible() && FAmPmWidth > 0) {
    g.TranslateTransform(FAmPmLeft, 0);
    DrawAmPm(g, APass);
    g.SetTransform(origin);
  }
  if (!(FDigitWidth > 0) || FCell.ShapeCount() == 0) return;
  for (int i = 0; i < FNumberDigits && i < kDWMaxSegmentClockCells; ++i) {
    g.SetTransform(origin);
    g.TranslateTransform(FCellLeft[size_t(i)], 0);
    if (APass == TDWSegmentPass::Unlit) {
      DrawDigit(g, 0, 0, APass);
      continue;
    }
    uint32_t mask = FReading.Masks[size_t(i)];
    TAlphaColor extra = 0;
    CheckCustomSymbol(FReading.Index[size_t(i)], 0, char32_t(FReading.Chars[size_t(i)]), mask, extra);
    DrawDigit(g, mask, extra, APass);
  }
  g.SetTransform(origin);
  if (APass == TDWSegmentPass::Unlit) return;
  // Dots are always lit: drawn with the lit segments, over the elements.
  const TDWDigitalClockSection* seps[3] = {&FSections->Milliseconds(), &FSections->Seconds(), &FSections->Minutes()};
  for (int k = 0; k < 3; ++k)
    if (seps[k]->Visible() && seps[k]->Separator().Visible()) DrawSeparator(g, seps[k]->Separator(), FSeparatorLeft[size_t(k)]);
  g.SetTransform(origin);
}

void TDWBasicSegmentClock::DrawSeparator(gp::Graphics& g, const TDWSegmentClockSeparator& ASeparator, float AX) {
  const TDWSegmentPoints& points = ASeparator.Points();
  if (points.Count() == 0) return;
  const gp::Matrix origin = g.GetTransform();
  g.TranslateTransform(AX, 0);
  gp::SolidBrush plain(FCell.SegmentColor);
  for (size_t i = 0; i < points.Count(); ++i) {
    const TDWSegmentPoint& p = points[i];
    if (!(p.Rect.Width > 0)) continue;
    if (!p.Brush) {
      g.FillEllipse(plain, p.Rect);
      continue;
    }
    if (FCell.Glow && p.HighlightBrush) g.FillEllipse(*p.HighlightBrush, p.HighlightRect);
    g.FillEllipse(*p.Brush, p.Rect);
  }
  g.SetTransform(origin);
}

void TDWBasicSegmentClock::BuildAmPm(gp::Graphics& g) {
  FAmPmBuilt = true;
  const TDWDigitalAmPmSection& S = FSections->AmPm();
  const float a = FAmPmWidth, h = FCellHeight - 1, f = std::min(a, h);
  FAmPmFont = std::make_unique<gp::Font>(S.Font().GetGPFontFor(f));
  const float glow = std::max(FiniteOr0(FCell.Style.SegmentWidth * f), 0.0f);
  auto build = [&](TAmPmText& T, const TDWPointOffset& AOffset, const char* AText) {
    T.Point = gp::PointF(FiniteOr0(AOffset.Left() * a), FiniteOr0(AOffset.Top() * h));
    T.Brush.reset();
    T.HighlightBrush.reset();
    T.Path.clear();
    if (!FAmPmFont->IsUsable() || !FCell.Shaded()) return;
    const gp::RectF box = g.MeasureString(AText, *FAmPmFont, T.Point);
    if (!(box.Width > 0 && box.Height > 0)) return;
    const gp::PointF corners[4] = {{box.X, box.Y},
                                   {box.X + box.Width, box.Y},
                                   {box.X + box.Width, box.Y + box.Height},
                                   {box.X, box.Y + box.Height}};
    T.Brush = FCell.LitBrush(corners, 4);
    T.Path = ExpandPath(corners, 4, glow);
    T.HighlightBrush = FCell.GlowBrush(T.Path);
  };
  build(FAm, S.AmPosition(), "AM");
  build(FPm, S.PmPosition(), "PM");
}

void TDWBasicSegmentClock::DrawAmPm(gp::Graphics& g, TDWSegmentPass APass) {
  if (!FAmPmBuilt) BuildAmPm(g);
  if (!FAmPmFont || !FAmPmFont->IsUsable()) return;
  if (APass == TDWSegmentPass::Unlit) {
    // Both texts unlit in the face; the frame lights one of them over it.
    gp::SolidBrush unlit(FCell.UnlitColor());
    g.DrawString("AM", *FAmPmFont, FAm.Point, unlit);
    g.DrawString("PM", *FAmPmFont, FPm.Point, unlit);
    return;
  }
  const bool pm = FReading.Pm;  // the frame's reading (DrawCells)
  const TAmPmText& T = pm ? FPm : FAm;
  const char* text = pm ? "PM" : "AM";
  if (!T.Brush) {
    g.DrawString(text, *FAmPmFont, T.Point, gp::SolidBrush(FCell.SegmentColor));
    return;
  }
  // The text glow is drawn whatever the glow switch says: the text alone reads too faint lit.
  if (T.HighlightBrush && T.Path.size() >= 3) g.FillPolygon(*T.HighlightBrush, T.Path.data(), int(T.Path.size()));
  g.DrawString(text, *FAmPmFont, T.Point, *T.Brush);
}

// ---- the standalone clock -----------------------------------------------------------------------

TDWSegmentClock::TDWSegmentClock(TComponent* AOwner)
    : TDWBasicSegmentClock(AOwner), FInputPin(this, [this](TPXPin&, TDateTime AValue) { SetValue(AValue); }) {
  FTimer = std::make_unique<TDWClockTimer>([this](TDateTime, bool ARedraw) { DoTimer(ARedraw); },
                                           [this] { return !Sections().Milliseconds().Visible(); },
                                           IsDesigning() ? DesignInterval : Sections().TimerInterval());
  FTimer->SetEnabled(DWClockTimerRuns(FTimeSource));
}

TDWSegmentClock::~TDWSegmentClock() {
  FInputPin.DisconnectAll();
  if (FTimer) FTimer->Shutdown();
  StopInputs();
}

void TDWSegmentClock::BeforeDestruction() {
  FInputPin.DisconnectAll();
  TDWBasicSegmentClock::BeforeDestruction();
}

void TDWSegmentClock::StopMotion() {
  if (FTimer) FTimer->Shutdown();
  TDWBasicSegmentClock::StopMotion();
}

void TDWSegmentClock::InvalidateRange() {
  TDWBasicSegmentClock::InvalidateRange();
  // The interval follows the sections at once, not only at the next frame's layout.
  if (!IsDesigning()) SetInterval(Sections().TimerInterval());
}

void TDWSegmentClock::SetDesigning(bool ADesigning) {
  TDWBasicSegmentClock::SetDesigning(ADesigning);
  // Nothing else sets the interval on the switch: a clock leaving design mode would keep showing
  // its seconds up to half a second late, one entering it would keep its millisecond ticks.
  SetInterval(ADesigning ? DesignInterval : Sections().TimerInterval());
  Invalidate();
}

void TDWSegmentClock::SetInterval(uint32_t AMilliseconds) {
  if (FTimer && FTimer->Interval() != AMilliseconds) FTimer->SetInterval(AMilliseconds);
}

TDateTime TDWSegmentClock::GetCurrentValue() { return DWShownTime(FTimeSource, FInputPin.Connected(), FValue); }

void TDWSegmentClock::SetValue(TDateTime AValue) {
  // Shown at once whenever Value is what the clock shows: with tsValue, and with tsAuto while the
  // pin is connected (not left to the next timer redraw).
  std::lock_guard guard(ControlLock());
  Setter(*this, "Value", FValue, AValue, [this] {
    if (!GetIsCurrentTime()) InvalidateValue();
  });
}

void TDWSegmentClock::SetTimeSource(TDWTimeSource AValue) {
  if (!(AValue >= tsAuto && AValue <= tsValue)) AValue = tsAuto;
  Setter(*this, "TimeSource", FTimeSource, AValue, [this] {
    if (FTimer) FTimer->SetEnabled(DWClockTimerRuns(FTimeSource));
    InvalidateValue();
  });
}

void TDWSegmentClock::DoChanged() {
  TDWBasicSegmentClock::DoChanged();
  // Shown again after skipped ticks: the elements take the time now, with the whole repaint.
  if (FTicksSkipped && Visible()) {
    FTicksSkipped = false;
    UpdateEmbeddedValues();
  }
}

void TDWSegmentClock::DoTimer(bool ARedraw) {
  if (Stopped()) return;
  // A hidden clock (or element) asks for no repaint, not even of its host; the cells read the
  // time when painted, so only the elements need it again when shown (DoChanged).
  if (!Visible()) {
    FTicksSkipped = true;
    return;
  }
  // Under the control lock: the pin's thread sets Value, and the shown time may be Value.
  std::lock_guard guard(ControlLock());
  if (ARedraw) InvalidateValue();
  // The elements get the time the clock shows, so a mirroring element never disagrees with it.
  else SendChildValues(GetCurrentValue());
}

DW_PROPERTIES(TDWSegmentClock) {
  using C = TDWSegmentClock;
  t.Pin("InputPin", [](C& c) -> TPXDateTimeSinkPin& { return c.InputPin(); });
  t.Enum("TimeSource", &C::TimeSource, &C::SetTimeSource, tsAuto);
  t.Real("Value", &C::Value, &C::SetValue, 0.0).Stored([](const C& c) { return !c.InputPin().Connected(); });
}

// ---- variants and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWSegmentClockLayer) {}
DW_PROPERTIES(TDWBasicSegmentClockElement) {}

TDWSegmentClockElement::TDWSegmentClockElement(TComponent* AOwner) : TDWPlacedElement(AOwner) {
  SetPlacementDefaults({0.3f, 0.1f}, {0, 0.5f});
}

void TDWSegmentClockElement::SetTime(TDateTime ATime) {
  if (FTime == ATime || (std::isnan(FTime) && std::isnan(ATime))) return;
  // The host hands a new time on every tick: repaint (the host, wholly) only when the cells or
  // AM/PM show something else.
  TDWSegmentClockReading before, after;
  DWSegmentClockReading(FTime, Sections(), SegmentsType(), before);
  DWSegmentClockReading(ATime, Sections(), SegmentsType(), after);
  FTime = ATime;
  if (before.Cells == after.Cells && before.Chars == after.Chars && before.Pm == after.Pm) SendChildValues(ATime);
  else InvalidateValue();
}

void TDWSegmentClockElement::JoinedList() {
  TRXComponentElements* list = ListOwner();
  if (auto* host = list ? dynamic_cast<TKVBasicControl*>(list->Owner()) : nullptr) host->UpdateEmbeddedValues();
  InvalidateValue();
}

DW_PROPERTIES(TDWSegmentClockElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalSegmentClockElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalSegmentClockMatrixLayer) {}
DW_PROPERTIES(TDWExternalSegmentClockMatrixElement) {}

void DWSegmentClock::RegisterPkg() {
  TRegistrationUnit unit("DWSegmentClock");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWSegmentClock::StaticClass(),
                                .Layer = &TDWSegmentClockLayer::StaticClass(),
                                .Category = "Clocks",
                                .MirroringElement = &TDWSegmentClockElement::StaticClass(),
                                .MirroringFamily = efClock,
                                .ExternalElement = &TDWExternalSegmentClockElement::StaticClass(),
                                .MatrixLayer = &TDWExternalSegmentClockMatrixLayer::StaticClass(),
                                .MatrixCategory = "Clocks",
                                .StreamingOnly = {&TDWExternalSegmentClockMatrixElement::StaticClass()}});
}

}  // namespace dw
