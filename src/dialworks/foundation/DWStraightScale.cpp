#include "dialworks/foundation/DWStraightScale.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Path.h"

namespace dw {

namespace {
float StraightFinite0(float AValue) { return std::isfinite(AValue) && AValue > 0 ? AValue : 0.0f; }

gp::StringFormat StraightCentredFormat() {
  gp::StringFormat f(gp::StringFormatFlagsNoClip);
  f.SetAlignment(gp::StringAlignmentCenter);
  f.SetLineAlignment(gp::StringAlignmentCenter);
  return f;
}
}  // namespace

std::vector<TDWStraightRangeSegment> DWStraightRangeSegments(const TDWAnalogGaugeRanges& ARanges,
                                                             const TDWStraightLine& ALine, bool AReversed) {
  std::vector<TDWStraightRangeSegment> out;
  const float L = StraightFinite0(ALine.L);
  float done = 0;  // pixels stacked so far from the Min end
  for (size_t k = 0; k < ARanges.Count() && done < L; ++k) {
    const TDWAnalogGaugeRange& r = ARanges.Items(k);
    const float len = std::min(StraightFinite0(r.Range()) * L, L - done);
    const float a = done, b = done + len;
    done = b;
    if (len <= 0) continue;
    if (AReversed) out.push_back({ALine.T + a, ALine.T + b, r.Color()});
    else out.push_back({ALine.T + L - a, ALine.T + L - b, r.Color()});
  }
  return out;
}

void DWDrawStraightRanges(gp::Graphics& g, const TDWAnalogGaugeScaleRanges& R, const TDWStraightLine& ALine, float AX,
                          float AWidth, bool AReversed) {
  const float w = StraightFinite0(AWidth), L = StraightFinite0(ALine.L);
  if (!(w > 0 && L > 0) || !std::isfinite(AX) || !std::isfinite(ALine.T)) return;
  g.FillRectangle(gp::SolidBrush(R.Color()), gp::RectF(AX - w / 2, ALine.T, w, L));
  const float sw = 0.8f * w;
  for (const TDWStraightRangeSegment& s : DWStraightRangeSegments(R.Ranges(), ALine, AReversed)) {
    const float top = std::min(s.Y1, s.Y2);
    g.FillRectangle(gp::SolidBrush(s.Color), gp::RectF(AX - sw / 2, top, sw, std::fabs(s.Y2 - s.Y1)));
  }
}

void DWDrawStraightTicks(gp::Graphics& g, const TDWBasicGaugeScale& AScale, const TDWScaleTickList& AList,
                         const TDWStraightLine& ALine, const TDWStraightTickPlace& P) {
  if (AList.Ticks.empty() || !std::isfinite(ALine.T) || !std::isfinite(ALine.L)) return;
  const auto& major = AScale.MajorTicks();
  const auto& minor = AScale.MinorTicks();
  const gp::RectF box(P.BaseX, ALine.T, std::max(P.MajorEndX - P.BaseX, 1.0f), std::max(ALine.L, 1.0f));
  const gp::Pen majorPen(*major.Brush().GetGPBrush(box), StraightFinite0(major.Thickness().Get(P.ThicknessRef)));
  const gp::Pen minorPen(*minor.Brush().GetGPBrush(box), StraightFinite0(minor.Thickness().Get(P.ThicknessRef)));
  const gp::StringFormat format = StraightCentredFormat();
  constexpr float kRad = std::numbers::pi_v<float> / 180;
  for (const TDWScaleTick& t : AList.Ticks) {
    const float y = ALine.YAt(t.Fraction);
    g.DrawLine(t.Major ? majorPen : minorPen, gp::PointF(P.BaseX, y), gp::PointF(t.Major ? P.MajorEndX : P.MinorEndX, y));
    if (!t.HasLabel || t.Label.empty()) continue;
    const TDWInstrumentTicksText& labels = t.Major ? major.Labels() : minor.Labels();
    const TRXGPSimpleFont& font = labels.Font();
    const float a = labels.Angle();
    const gp::Font gpFont = font.GetGPFontFor(P.FontRef);
    const gp::RectF size = g.MeasureString(t.Label, gpFont, gp::RectF(0, 0, 1000, 1000), &format);
    const float e = std::fabs(std::cos(a * kRad)) * size.Width + std::fabs(std::sin(a * kRad)) * size.Height;
    const gp::GraphicsState state = g.Save();
    g.TranslateTransform((t.Major ? P.MajorLabelX : P.MinorLabelX) + (std::isfinite(e) ? e / 2 : 0.0f), y);
    g.RotateTransform(a);
    if (font.Outlined()) {
      gp::GraphicsPath path;
      font.AddText(path, t.Label, gp::PointF(0, 0), font.Size().Get(P.FontRef) * 2 * 1.33f, &format);
      g.ScaleTransform(0.4625f, 0.505f);
      font.DrawOnGraphics(g, path, 0.001f * P.FontRef);
    } else {
      g.DrawString(t.Label, gpFont, gp::PointF(0, 0), &format, *font.Brush().GetGPBrush(box));
    }
    g.Restore(state);
  }
}

}  // namespace dw
