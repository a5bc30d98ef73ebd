// The segment clock: the cells a time shows, layout, separators, AM/PM, timer and bad sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/segment/DWSegmentClock.h"
#include "dialworks/segment/DWSegmentGauge.h"
#include "support/InstrumentTest.h"

using namespace dw;
using dwtest::TScopedHost;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TDateTime At(int h, int m, int s, int ms = 0) { return EncodeDateTime(2024, 5, 17, h, m, s, ms); }

// The cells of a reading, left to right: a digit, ' ' for a dark cell, '?' for any other mask.
std::string Text(const TDWSegmentClockReading& R, TDWSegmentsType AType = st7Segments) {
  std::string s;
  for (int i = R.Cells - 1; i >= 0; --i) {
    char c = R.Masks[size_t(i)] == 0 ? ' ' : '?';
    for (unsigned d = 0; d < 10; ++d)
      if (R.Masks[size_t(i)] == DWSegmentDigitMask(AType, d)) c = char('0' + d);
    s += c;
  }
  return s;
}

std::string Shown(TDateTime t, const TDWDigitalClockSections& S, TDWSegmentsType AType = st7Segments) {
  TDWSegmentClockReading R;
  DWSegmentClockReading(t, S, AType, R);
  return Text(R, AType);
}

// The texts drawn each frame (the lit AM or PM), not those of the cached face.
std::vector<std::string> LitTexts(const gp::RecordingGraphics& g) {
  std::vector<std::string> r;
  for (const gp::DrawCall& c : g.Calls())
    if (c.Layer == 0 && c.Op == "DrawString") r.push_back(c.Text.substr(0, 2));
  return r;
}

int FrameEllipses(const gp::RecordingGraphics& g) {
  int n = 0;
  for (const gp::DrawCall& c : g.Calls()) n += c.Layer == 0 && c.Op == "FillEllipse";
  return n;
}

}  // namespace

TEST(SegmentClockReading, SectionsHoursModesAndMilliseconds) {
  TScopedHost host;
  TDWSegmentClock clock;
  TDWDigitalClockSections& S = clock.Sections();
  EXPECT_EQ(Shown(At(9, 5, 7), S), "090507");
  EXPECT_EQ(Shown(At(23, 59, 59, 999), S), "235959");
  // Twelve-hour mode: midnight and noon are 12, afternoon hours keep their leading zero.
  S.Hours().SetMode24Hours(false);
  EXPECT_EQ(Shown(At(0, 30, 0), S), "123000");
  EXPECT_EQ(Shown(At(12, 0, 0), S), "120000");
  EXPECT_EQ(Shown(At(13, 15, 0), S), "011500");
  EXPECT_EQ(Shown(At(11, 59, 59), S), "115959");
  // Without the leading zero only the hours' tens cell goes dark; minutes keep theirs.
  S.Hours().SetLeadingZero(false);
  EXPECT_EQ(Shown(At(13, 5, 0), S), " 10500");
  EXPECT_EQ(Shown(At(22, 5, 0), S), "100500");
  S.Hours().SetLeadingZero(true);
  S.Hours().SetMode24Hours(true);
  // Milliseconds: tenths, hundredths, thousandths (truncated, not rounded).
  S.Milliseconds().SetVisible(true);
  S.Seconds().SetVisible(false);
  S.Hours().SetVisible(false);
  S.Milliseconds().SetNumberDigits(2);
  EXPECT_EQ(Shown(At(1, 2, 3, 123), S), "0212");
  S.Milliseconds().SetNumberDigits(3);
  EXPECT_EQ(Shown(At(1, 2, 3, 7), S), "02007");
  S.Milliseconds().SetNumberDigits(1);
  EXPECT_EQ(Shown(At(1, 2, 3, 987), S), "029");
  // The cell index handed to the custom-symbol hook restarts in every section.
  S.Seconds().SetVisible(true);
  TDWSegmentClockReading R;
  DWSegmentClockReading(At(1, 2, 3, 400), S, st16Segments, R);
  EXPECT_EQ(Text(R, st16Segments), "02034");
  EXPECT_EQ((std::vector<int>{R.Index[0], R.Index[1], R.Index[2], R.Index[3], R.Index[4]}),
            (std::vector<int>{0, 0, 1, 0, 1}));
  EXPECT_EQ(R.Chars[0], '4');
  // Everything hidden: no cells.
  S.Milliseconds().SetVisible(false);
  S.Seconds().SetVisible(false);
  S.Minutes().SetVisible(false);
  EXPECT_EQ(Shown(At(1, 2, 3), S), "");
}

TEST(SegmentClockLayout, CellsSeparatorsAndAmPmBlock) {
  TScopedHost host;
  TDWSegmentClock clock;
  clock.SetTimeSource(tsValue);
  clock.Init(162, 40, false);
  // Six cells and two separators of 0.3 digit widths share the width.
  EXPECT_EQ(clock.NumberDigitsInUse(), 6);
  const float w = 162 / 6.6f;
  EXPECT_NEAR(clock.DigitWidth(), w, 1e-4);
  EXPECT_NEAR(clock.CellLeft(0), 162 - w, 1e-3);                // seconds' units
  EXPECT_NEAR(clock.CellLeft(2), 162 - 2.3f * w - w, 1e-3);     // minutes' units, past a separator
  EXPECT_NEAR(clock.CellLeft(5), 0, 1e-3);                      // hours' tens at the left edge
  // AM/PM of 0.6 digit widths and a pixel-wide seconds separator.
  clock.Sections().AmPm().SetVisible(true);
  clock.Sections().Seconds().Separator().Width().SetProportional(false);
  clock.Sections().Seconds().Separator().Width().SetValue(10);
  clock.Init(162, 40, false);
  const float w2 = (162 - 10) / 6.9f;
  EXPECT_NEAR(clock.DigitWidth(), w2, 1e-4);
  EXPECT_NEAR(clock.AmPmLeft(), 162 - 0.6f * w2, 1e-3);
  EXPECT_NEAR(clock.CellLeft(0), 162 - 1.6f * w2, 1e-3);
  EXPECT_NEAR(clock.CellLeft(5), 0, 1e-3);
  // A hidden separator takes no room.
  clock.Sections().Minutes().Separator().SetVisible(false);
  clock.Sections().Seconds().Separator().SetVisible(false);
  clock.Init(162, 40, false);
  EXPECT_NEAR(clock.DigitWidth(), 162 / 6.6f, 1e-4);
  // Only AM/PM: the block fills the frame.
  for (auto* s : {static_cast<TKVOptionalInstrumentProperty*>(&clock.Sections().Hours()),
                  static_cast<TKVOptionalInstrumentProperty*>(&clock.Sections().Minutes()),
                  static_cast<TKVOptionalInstrumentProperty*>(&clock.Sections().Seconds())})
    s->SetVisible(false);
  clock.Init(162, 40, false);
  EXPECT_EQ(clock.NumberDigitsInUse(), 0);
  EXPECT_NEAR(clock.AmPmLeft(), 0, 1e-3);
}

TEST(SegmentClockSeparators, PointsStackAndDrawLitDotsWithGlow) {
  TScopedHost host;
  TDWSegmentClock clock;
  clock.SetTimeSource(tsValue);
  TDWSegmentPoints& points = clock.Sections().Minutes().Separator().Points();
  std::vector<float> tops;
  for (int i = 0; i < 4; ++i) tops.push_back(points.Add().Offset().Top());
  EXPECT_NEAR(tops[0], 0.33f, 1e-5);
  EXPECT_NEAR(tops[1], 0.66f, 1e-5);
  EXPECT_NEAR(tops[2], 0.99f, 1e-5);
  EXPECT_NEAR(tops[3], 0.33f, 1e-5);
  // The new point follows the last one where it is now.
  points[3].Offset().SetTop(0.1f);
  EXPECT_NEAR(points.Add().Offset().Top(), 0.43f, 1e-5);
  points.Delete(4);
  points.Delete(3);
  points.Delete(2);
  // Two dots on the minutes separator, none on the empty seconds one; a glow ring each with Glow.
  gp::RecordingGraphics g;
  clock.Paint(g);
  EXPECT_EQ(FrameEllipses(g), 2);
  clock.SetGlow(true);
  gp::RecordingGraphics g2;
  clock.Paint(g2);
  EXPECT_EQ(FrameEllipses(g2), 4);
  // The dots sit inside the separator, DotSize x min(digit width, height - 1) across.
  const float w = clock.DigitWidth(), d = 0.2f * std::min(w, 39.0f);
  EXPECT_NEAR(points[0].Rect.Width, d, 1e-3);
  EXPECT_NEAR(points[0].Rect.Y, 0.33f * 39, 1e-3);
  EXPECT_NEAR(points[1].Rect.X, 0.1f * 0.3f * w, 1e-3);
  // A hidden section hides its separator's dots.
  clock.Sections().Minutes().SetVisible(false);
  gp::RecordingGraphics g3;
  clock.Paint(g3);
  EXPECT_EQ(FrameEllipses(g3), 0);
}

TEST(SegmentClockAmPm, ExactlyOneTextLitAcrossNoonAndMidnight) {
  TScopedHost host;
  TDWSegmentClock clock;
  clock.SetTimeSource(tsValue);
  clock.Sections().AmPm().SetVisible(true);
  clock.Sections().Hours().SetMode24Hours(false);
  auto lit = [&](TDateTime t) {
    clock.SetValue(t);
    gp::RecordingGraphics g;
    clock.Paint(g);
    return LitTexts(g);
  };
  EXPECT_EQ(lit(At(11, 59, 59, 999)), std::vector<std::string>{"AM"});
  EXPECT_EQ(lit(At(12, 0, 0)), std::vector<std::string>{"PM"});
  EXPECT_EQ(lit(At(23, 59, 59)), std::vector<std::string>{"PM"});
  EXPECT_EQ(lit(At(0, 0, 0)), std::vector<std::string>{"AM"});
  EXPECT_EQ(lit(kNaN), std::vector<std::string>{"AM"});
  // Both texts stand unlit in the face (rebuilt after an appearance change).
  clock.SetGlow(true);
  gp::RecordingGraphics g;
  clock.Paint(g);
  int faceTexts = 0;
  for (const gp::DrawCall& c : g.Calls()) faceTexts += c.Layer > 0 && c.Op == "DrawString";
  EXPECT_EQ(faceTexts, 2);
}

// One reading of the time per frame: read once for the digits and again for AM/PM, a frame across
// noon showed 11:59:59 with PM lit.
TEST(SegmentClockAmPm, DigitsAndAmPmShowOneInstant) {
  struct TTogglingHost : TManualHost {
    int Reads = 0;
    TDateTime Now() override { return Reads++ % 2 ? At(12, 0, 0) : At(11, 59, 59, 999); }
  } timeHost;
  SetHostServices(&timeHost);
  {
    TDWSegmentClock clock;  // shows the current time
    clock.Sections().AmPm().SetVisible(true);
    clock.Sections().Hours().SetMode24Hours(false);
    std::string digits;
    clock.SetOnCustomSymbol([&](int, int, char32_t AChar, uint32_t&, TAlphaColor&) { digits += char(AChar); });
    for (int frame = 0; frame < 4; ++frame) {
      digits.clear();
      gp::RecordingGraphics g;
      clock.Paint(g);
      const bool noon = digits.find('0') != std::string::npos;  // 12:00:00 rather than 11:59:59
      EXPECT_EQ(LitTexts(g), std::vector<std::string>{noon ? "PM" : "AM"}) << digits;
    }
  }
  SetHostServices(nullptr);
}

TEST(SegmentClockTimer, IntervalsAndRedrawsInVirtualTime) {
  TScopedHost host;
  host.Host.SetNow(At(8, 0, 0, 10));
  TDWSegmentClock clock;
  EXPECT_TRUE(clock.TimerEnabled());
  EXPECT_EQ(clock.TimerInterval(), 50u);
  host.Host.Advance(100);
  host.Host.ClearRepaintCounts();
  // Without milliseconds: ticks within a second do not redraw.
  host.Host.Advance(3000);
  EXPECT_EQ(host.Host.RepaintCount(clock), 3u);
  // One, two, three millisecond digits: every 50, 10, 1 ms, each tick redrawing.
  const std::pair<uint32_t, uint32_t> cases[] = {{1, 50}, {2, 10}, {3, 1}};
  clock.Sections().Milliseconds().SetVisible(true);
  for (auto [digits, interval] : cases) {
    clock.Sections().Milliseconds().SetNumberDigits(digits);
    EXPECT_EQ(clock.TimerInterval(), interval);
    host.Host.Advance(interval);
    host.Host.ClearRepaintCounts();
    host.Host.Advance(1000);
    EXPECT_EQ(host.Host.RepaintCount(clock), 1000u / interval) << digits;
  }
  // The frame shows the host's time at the paint.
  clock.Sections().Hours().SetVisible(false);
  host.Host.SetNow(At(8, 7, 6, 543));
  gp::RecordingGraphics g;
  clock.Paint(g);
  TDWSegmentClockReading R;
  DWSegmentClockReading(clock.GetCurrentValue(), clock.Sections(), st7Segments, R);
  EXPECT_EQ(Text(R), "0706543");
  // tsValue stops the timer; the value shows at once.
  clock.SetTimeSource(tsValue);
  EXPECT_FALSE(clock.TimerEnabled());
  host.Host.ClearRepaintCounts();
  clock.SetValue(At(1, 0, 0));
  const uint64_t shown = host.Host.RepaintCount(clock);
  EXPECT_GE(shown, 1u);
  host.Host.Advance(1000);
  EXPECT_EQ(host.Host.RepaintCount(clock), shown);
}

// Leaving design mode kept the half-second interval (seconds shown late); entering it with
// milliseconds shown kept the millisecond ticks.
TEST(SegmentClockTimer, DesignModeSwitchesTheInterval) {
  TScopedHost host;
  const std::pair<uint32_t, uint32_t> cases[] = {{0, 50}, {1, 50}, {2, 10}, {3, 1}};
  for (auto [digits, interval] : cases) {
    TDWSegmentClock clock;
    clock.Sections().Milliseconds().SetVisible(digits > 0);
    if (digits > 0) clock.Sections().Milliseconds().SetNumberDigits(digits);
    clock.SetDesigning(true);
    dwtest::RenderControl(clock);
    EXPECT_EQ(clock.TimerInterval(), TDWSegmentClock::DesignInterval) << digits;
    clock.SetDesigning(false);
    dwtest::RenderControl(clock);
    EXPECT_EQ(clock.TimerInterval(), interval) << digits;
  }
}

// Hidden clocks kept asking for repaints (1000 a second with milliseconds shown), a hidden
// external element for its host's. Shown again, they repaint at once with the time then.
TEST(SegmentClockTimer, HiddenClockAndElementAskNoRepaints) {
  TScopedHost host;
  host.Host.SetNow(At(5, 0, 0));
  TDWSegmentClock clock, outer;
  clock.Sections().Milliseconds().SetVisible(true);
  auto& mirror = clock.Elements().Add<TDWSegmentClockElement>();
  outer.SetTimeSource(tsValue);  // only the element asks for the host's repaints
  auto& external = outer.Elements().Add<TDWExternalSegmentClockElement>();
  external.Sections().Milliseconds().SetVisible(true);
  dwtest::RenderControl(clock);
  dwtest::RenderControl(outer);
  clock.SetVisible(false);
  external.SetVisible(false);
  host.Host.ClearRepaintCounts();
  host.Host.Advance(1000);
  EXPECT_EQ(host.Host.RepaintCount(clock), 0u);
  EXPECT_EQ(host.Host.RepaintCount(outer), 0u);
  clock.SetVisible(true);
  external.SetVisible(true);
  EXPECT_GE(host.Host.RepaintCount(clock), 1u);
  EXPECT_GE(host.Host.RepaintCount(outer), 1u);
  EXPECT_EQ(Shown(mirror.GetCurrentValue(), mirror.Sections()), Shown(host.Host.Now(), mirror.Sections()));
}

// A source toggled while the pin was connected left the timer off for good once the pin went.
TEST(SegmentClockTimer, FollowsTheHostOnceThePinIsDisconnected) {
  TScopedHost host;
  host.Host.SetNow(At(9, 0, 0));
  TDWSegmentClock clock;
  TPXDateTimeSourcePin source;
  ASSERT_TRUE(source.Connect(clock.InputPin()));
  source.SendValue(At(3, 0, 0));
  clock.SetTimeSource(tsValue);
  clock.SetTimeSource(tsAuto);
  host.Host.Advance(2000);
  EXPECT_EQ(clock.GetCurrentValue(), At(3, 0, 0));
  source.Disconnect(clock.InputPin());
  host.Host.SetNow(At(9, 30, 0));
  host.Host.ClearRepaintCounts();
  host.Host.Advance(1000);
  EXPECT_TRUE(clock.TimerEnabled());
  EXPECT_GE(host.Host.RepaintCount(clock), 1u);  // the host's new time redraws
}

TEST(SegmentClockElements, MirroringElementGetsTheShownTime) {
  TScopedHost host;
  host.Host.SetNow(At(4, 0, 0));
  TDWSegmentClock clock;
  auto& element = clock.Elements().Add<TDWSegmentClockElement>();
  EXPECT_EQ(element.GetCurrentValue(), At(4, 0, 0));
  clock.SetTimeSource(tsValue);
  clock.SetValue(At(7, 30, 0));
  EXPECT_EQ(element.GetCurrentValue(), At(7, 30, 0));
  // The timer hands the shown value while a connected pin decides, not the host's time.
  clock.SetTimeSource(tsAuto);
  TPXDateTimeSourcePin source;
  ASSERT_TRUE(source.Connect(clock.InputPin()));
  source.SendValue(At(2, 0, 0));
  host.Host.Advance(200);
  EXPECT_EQ(element.GetCurrentValue(), At(2, 0, 0));
  gp::RecordingGraphics g;
  clock.Paint(g);
}

// A mirroring element repainted its host wholly on every 50 ms tick (210 requests in 10 s); it
// repaints when what it shows changes, and still shows each new second.
TEST(SegmentClockElements, MirroringElementRepaintsOncePerShownSecond) {
  TScopedHost host;
  host.Host.SetNow(At(4, 0, 0));
  TDWSegmentClock clock;
  auto& element = clock.Elements().Add<TDWSegmentClockElement>();
  dwtest::RenderControl(clock);
  host.Host.Advance(100);
  host.Host.ClearRepaintCounts();
  for (int s = 0; s < 10; ++s) {
    host.Host.Advance(1000);
    EXPECT_EQ(Shown(element.GetCurrentValue(), element.Sections()), Shown(host.Host.Now(), clock.Sections())) << s;
  }
  EXPECT_LE(host.Host.RepaintCount(clock), 20u);  // the clock's own and the element's, once a second
  // Tenths shown on the element: it repaints on each tick that changes them.
  element.Sections().Milliseconds().SetVisible(true);
  element.Sections().Milliseconds().SetNumberDigits(1);
  host.Host.ClearRepaintCounts();
  host.Host.Advance(1000);
  EXPECT_GE(host.Host.RepaintCount(clock), 10u);
}

TEST(SegmentClockBadInput, TinyZeroAndHugeSizesAndHiddenSections) {
  TScopedHost host;
  TDWSegmentClock clock;
  clock.SetTimeSource(tsValue);
  clock.SetValue(kNaN);
  clock.Sections().AmPm().SetVisible(true);
  clock.Sections().Milliseconds().SetVisible(true);
  clock.Sections().Minutes().Separator().Points().Add();
  for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {2, 40}, {162, 1}, {3, 3}, {20000, 30}}) {
    clock.SetBounds(0, 0, w, h);
    gp::RecordingGraphics g;
    clock.Paint(g);
    EXPECT_TRUE(std::isfinite(clock.DigitWidth())) << w << "x" << h;
  }
  // Huge separator widths leave no room for digits: a background and nothing else.
  clock.SetBounds(0, 0, 162, 40);
  clock.Sections().Seconds().Separator().Width().SetValue(1e6f);
  clock.Sections().Seconds().Separator().Width().SetProportional(false);
  gp::RecordingGraphics g;
  clock.Paint(g);
  EXPECT_EQ(clock.DigitWidth(), 0);
  // Everything hidden: the background alone, no cells drawn.
  clock.Sections().AmPm().SetVisible(false);
  clock.Sections().Hours().SetVisible(false);
  clock.Sections().Minutes().SetVisible(false);
  clock.Sections().Seconds().SetVisible(false);
  clock.Sections().Milliseconds().SetVisible(false);
  dw::gp::Bitmap b = dwtest::RenderControl(clock);
  EXPECT_EQ(b.GetPixel(80, 20), TDWSegmentCell::DefaultColor);
}

// The separator's points (a collection inside nested objects) survive a form round trip, and an
// empty separator writes none.
TEST(SegmentClock, FormRoundTripOfSeparatorPoints) {
  TScopedHost host;
  auto form = dwtest::RoundTripForm(R"({
  "format": "dialworks-form", "version": 1, "width": 200, "height": 60, "color": "0xFF101010",
  "components": [{"class": "TDWSegmentClock", "name": "C", "left": 0, "top": 0, "properties": {
    "Width": 200, "Height": 60, "TimeSource": "tsValue", "Value": 45000.75, "Glow": true,
    "Sections": {"Hours": {"Mode24Hours": false, "LeadingZero": false},
                 "Minutes": {"Separator": {"Points": [{}, {"Offset": {"Top": 0.7}}]}},
                 "Milliseconds": {"Visible": true, "NumberDigits": 2},
                 "AmPm": {"Visible": true, "Font": {"Bold": false}}},
    "Elements": [{"class": "TDWSegmentClockElement"}, {"class": "TDWExternalSegmentClockElement"}]
  }}]})");
  ASSERT_NE(form, nullptr);
  auto* clock = dynamic_cast<TDWSegmentClock*>(&form->Components(0));
  ASSERT_NE(clock, nullptr);
  const TDWSegmentPoints& points = clock->Sections().Minutes().Separator().Points();
  ASSERT_EQ(points.Count(), 2u);
  EXPECT_NEAR(points[0].Offset().Top(), 0.33f, 1e-5);
  EXPECT_NEAR(points[1].Offset().Top(), 0.7f, 1e-5);
  EXPECT_EQ(clock->Sections().Milliseconds().NumberDigits(), 2u);
  EXPECT_FALSE(clock->Sections().AmPm().Font().Bold());
  EXPECT_EQ(clock->Elements().Count(), 2u);
  // An empty separator writes no Points.
  EXPECT_EQ(SaveForm(*form).find("\"Points\": []"), std::string::npos);
}
