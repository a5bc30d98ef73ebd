#include "dialworks/thermometer/DWThermometerScale.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Path.h"
#include "dialworks/thermometer/ThermometerMath.h"

namespace dw {

namespace {

using thermometer::CentredFormat;
using thermometer::Finite0;

}  // namespace

void DWDrawVerticalScale(gp::Graphics& g, const TDWBasicGaugeScale& AScale, double AMin, double AMax,
                         const TDWVerticalScalePlace& P) {
  if (!(P.Length >= 0) || !std::isfinite(P.Bottom) || !std::isfinite(P.Length)) return;
  const TDWScaleTickList list = AScale.ListTicks(AMin, AMax);
  if (list.Ticks.empty()) return;
  const auto& major = AScale.MajorTicks();
  const auto& minor = AScale.MinorTicks();
  const gp::RectF box(0, P.Bottom - P.Length, std::max(P.MajorLabelX, P.MajorEndX), std::max(P.Length, 1.0f));
  const gp::Pen majorPen(*major.Brush().GetGPBrush(box), Finite0(major.Thickness().Get(P.ThicknessReference)));
  const gp::Pen minorPen(*minor.Brush().GetGPBrush(box), Finite0(minor.Thickness().Get(P.ThicknessReference)));
  const gp::StringFormat format = CentredFormat();
  gp::StringFormat leftFormat = CentredFormat();
  leftFormat.SetAlignment(gp::StringAlignmentNear);
  const gp::RectF measureBox(0, 0, 1000, 1000);
  constexpr float kRad = std::numbers::pi_v<float> / 180;
  // Each family's font and text paint, made once for all its labels.
  const gp::Font majorFont = major.Labels().Font().GetGPFontFor(P.FontReference);
  const gp::Font minorFont = minor.Labels().Font().GetGPFontFor(P.FontReference);
  const std::unique_ptr<gp::Brush> majorText = major.Labels().Font().Brush().GetGPBrush(box);
  const std::unique_ptr<gp::Brush> minorText = minor.Labels().Font().Brush().GetGPBrush(box);

  for (const TDWScaleTick& t : list.Ticks) {
    const float y = P.Bottom - t.Fraction * P.Length;
    g.DrawLine(t.Major ? majorPen : minorPen, gp::PointF(P.TickX, y), gp::PointF(t.Major ? P.MajorEndX : P.MinorEndX, y));
    if (!t.HasLabel || t.Label.empty()) continue;
    const TDWInstrumentTicksText& labels = t.Major ? major.Labels() : minor.Labels();
    const TRXGPSimpleFont& font = labels.Font();
    const float em = font.Size().Get(P.FontReference);
    if (!(em > 0) || !std::isfinite(em)) continue;
    // The label's left edge stays at the label x whatever its angle: its extent along x is
    // measured unturned and projected.
    const gp::Font& gpFont = t.Major ? majorFont : minorFont;
    const gp::Brush& text = t.Major ? *majorText : *minorText;
    const float labelX = t.Major ? P.MajorLabelX : P.MinorLabelX;
    if (labels.Angle() == 0 && !font.Outlined()) {
      // Unturned: the same place as below without measuring the text first (a face rebuild
      // spends much of its time in text layout).
      g.DrawString(t.Label, gpFont, gp::PointF(labelX, y), &leftFormat, text);
      continue;
    }
    const gp::RectF size = g.MeasureString(t.Label, gpFont, measureBox, &format);
    const float a = labels.Angle() * kRad;
    const float e = std::fabs(std::cos(a)) * size.Width + std::fabs(std::sin(a)) * size.Height;
    const gp::Matrix saved = g.GetTransform();
    g.TranslateTransform(labelX + e / 2, y);
    g.RotateTransform(labels.Angle());
    if (font.Outlined()) {
      gp::GraphicsPath path;
      font.AddText(path, t.Label, gp::PointF(0, 0), em * 2 * 1.33f, &format);
      g.ScaleTransform(0.4625f, 0.505f);
      font.DrawOnGraphics(g, path, 0.001f * P.FontReference);
    } else {
      g.DrawString(t.Label, gpFont, gp::PointF(0, 0), &format, text);
    }
    g.SetTransform(saved);
  }
}

void DWDrawVerticalRanges(gp::Graphics& g, const TDWAnalogGaugeScaleRanges& ARanges, float AX, float AWidth,
                          float ABottom, float ALength) {
  const float w = Finite0(AWidth), L = Finite0(ALength);
  if (!(w > 0 && L > 0) || !std::isfinite(AX) || !std::isfinite(ABottom)) return;
  g.FillRectangle(gp::SolidBrush(ARanges.Color()), gp::RectF(AX - w / 2, ABottom - L, w, L));
  const TDWAnalogGaugeRanges& list = ARanges.Ranges();
  float y = ABottom;  // where the next range starts
  const float top = ABottom - L;
  for (size_t k = 0; k < list.Count() && y > top; ++k) {
    // Shares are limited before they are scaled, so a huge one fills the rest rather than overflowing.
    const float share = std::min(list.Items(k).Range(), 1.0f);
    const float length = std::min(Finite0(share * L), y - top);
    if (length > 0) g.FillRectangle(gp::SolidBrush(list.Items(k).Color()), gp::RectF(AX - 0.4f * w, y - length, 0.8f * w, length));
    y -= length;
  }
}

}  // namespace dw
