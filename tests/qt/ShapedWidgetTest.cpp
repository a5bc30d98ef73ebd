// A control with a window shape: the widget is cut to its region and its glow is shown over it,
// in an overlay window that follows the widget where windows have per-pixel alpha (X11 under
// xvfb-run), drawn into the widget elsewhere (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QPainter>
#include <QtTest/QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "QtTestSupport.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Region.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/framework/WindowShape.h"
#include "dialworks/panel/DWGlassPanel.h"
#include "dialworks/qt/InstrumentWidget.h"
#include "dialworks/qt/ShapeOverlay.h"

using namespace dw;
using dw::qt::InstrumentWidget;
using dw::qt::TQtHost;
using dwtest::RunEvents;
using dwtest::RunUntil;
using dwtest::OtherRatioScreen;

namespace {

// An ellipse filling the control, painted blue; its glow is a red band along the top edge.
class TRoundControl final : public TKVBasicControl, public IWindowShape {
 public:
  bool Round = true;
  uint64_t Version = 1;
  void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) override {
    TKVBasicControl::IntDraw(AGraphics, AArea);
    AGraphics.FillRectangle(gp::SolidBrush(0xFF0000FF), gp::RectF(0, 0, AArea.Width, AArea.Height));
  }
  bool WindowRegion(gp::Region& ARegion) const override {
    if (!Round) return false;
    ARegion = gp::Region::FromEllipse(gp::RectF(0, 0, float(Width()), float(Height())));
    return true;
  }
  bool HasGlow() const override { return true; }
  void PaintGlowPicture(gp::Graphics& AGraphics, int AWidth, int) override {
    AGraphics.FillRectangle(gp::SolidBrush(0xFFFF0000), gp::RectF(0, 0, float(AWidth), 6));
  }
  uint64_t WindowShapeVersion() const override { return Version; }
};

}  // namespace

TEST(QtShapedWidget, MaskFollowsTheRegionAndTheGlowTheWidget) {
  TQtHost host;
  auto control = std::make_unique<TRoundControl>();
  control->SetBounds(0, 0, 120, 80);
  TRoundControl* c = control.get();
  InstrumentWidget w(host, std::move(control));
  w.move(40, 40);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  RunEvents(50);

  // The ellipse: corners outside, centre and edge midpoints inside.
  const QRegion mask = w.mask();
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));
  EXPECT_FALSE(mask.contains(QPoint(119, 79)));
  EXPECT_FALSE(mask.contains(QPoint(10, 8)));
  EXPECT_TRUE(mask.contains(QPoint(60, 40)));
  EXPECT_TRUE(mask.contains(QPoint(1, 40)));
  EXPECT_TRUE(mask.contains(QPoint(60, 1)));

  // A resize cuts the widget anew.
  w.resize(200, 80);
  RunEvents(30);
  EXPECT_TRUE(w.mask().contains(QPoint(190, 40)));
  EXPECT_FALSE(w.mask().contains(QPoint(0, 0)));

  if (QGuiApplication::platformName() == "offscreen") {
    // No per-pixel alpha between windows: the glow lies on the widget's own picture.
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(shot.pixelColor(100, 2), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(100, 40), QColor(0, 0, 255));
  } else {
    // The overlay sits over the widget and follows it when its window moves.
    QWidget* overlay = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top != &w && top->isVisible() && (top->windowFlags() & Qt::Tool)) overlay = top;
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(RunUntil([&] { return overlay->geometry() == QRect(w.mapToGlobal(QPoint(0, 0)), w.size()); }, 3000));
    w.move(90, 70);
    EXPECT_TRUE(RunUntil([&] { return overlay->geometry() == QRect(w.mapToGlobal(QPoint(0, 0)), w.size()); }, 3000))
        << "overlay at " << overlay->x() << "," << overlay->y();
    w.hide();
    EXPECT_TRUE(RunUntil([&] { return !overlay->isVisible(); }, 3000));
  }

  // The shape given up: the window is rectangular again.
  c->Round = false;
  ++c->Version;
  c->Invalidate();
  RunEvents(30);
  EXPECT_TRUE(w.mask().isEmpty());

  // A shaped control replaced by a plain one: the window is rectangular again.
  c->Round = true;
  ++c->Version;
  c->Invalidate();
  RunEvents(30);
  ASSERT_FALSE(w.mask().isEmpty());
  auto plain = std::make_unique<TDWAngularGauge>();
  plain->SetBounds(0, 0, 120, 80);
  w.SetControl(std::move(plain));
  RunEvents(30);
  EXPECT_TRUE(w.mask().isEmpty());
}

// The glass panel shown by the host: the host shows its glow, so the panel leaves the gloss out of
// its own picture and the gloss lies on the window once, as on a picture rendered without a window.
TEST(QtShapedWidget, GlassPanelGlossIsShownOnce) {
  TQtHost host;
  auto panel = std::make_unique<TDWGlassPanel>();
  panel->SetBounds(0, 0, 200, 140);
  panel->SetColor(0xFF000000);
  TDWGlassPanel* p = panel.get();
  TDWGlassPanel reference;
  reference.SetBounds(0, 0, 200, 140);
  reference.SetColor(0xFF000000);
  InstrumentWidget w(host, std::move(panel));
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  RunEvents(50);
  EXPECT_TRUE(p->GlowOverlaid());
  if (QGuiApplication::platformName() == "offscreen") {
    // Both at the window's ratio, read at the same device pixel.
    const qreal ratio = w.devicePixelRatioF();
    gp::Bitmap alone(int(std::lround(200 * ratio)), int(std::lround(140 * ratio)));
    {
      gp::CairoGraphics g(alone);
      g.ScaleTransform(float(ratio), float(ratio));
      reference.Paint(g);
    }
    const int x = int(100 * ratio), y = int(30 * ratio);
    const QColor shown = w.grab().toImage().pixelColor(x, y);
    const TAlphaColor a = alone.GetPixel(x, y);
    EXPECT_GT(GetRed(a), 0u);
    EXPECT_NEAR(shown.red(), int(GetRed(a)), 3);
  }
}

// A shaped widget moved into another window, its first window then deleted: the overlay forgets
// the deleted window (destroying the widget crashed on it) and follows the window it is in now.
TEST(QtShapedWidget, ReparentedIntoAnotherWindowFollowsThatWindow) {
  TQtHost host;
  auto* first = new QWidget;
  QWidget second;
  second.resize(300, 200);
  auto control = std::make_unique<TRoundControl>();
  control->SetBounds(0, 0, 120, 80);
  auto* w = new InstrumentWidget(host, std::move(control), first);
  w->setParent(&second);
  delete first;
  w->move(20, 30);
  w->show();
  second.move(40, 40);
  second.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
  RunEvents(50);
  if (QGuiApplication::platformName() != "offscreen") {
    QWidget* overlay = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top != &second && top->isVisible() && (top->windowFlags() & Qt::Tool)) overlay = top;
    ASSERT_NE(overlay, nullptr);
    second.move(100, 90);
    EXPECT_TRUE(RunUntil([&] { return overlay->geometry() == QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }, 3000))
        << "overlay at " << overlay->x() << "," << overlay->y();
  }
  delete w;
}

namespace {

// The mask as it was built before: one point test per pixel, one rectangle per run.
QRegion PixelRegionPointByPoint(const gp::Region& ARegion, int AWidth, int AHeight) {
  QRegion out;
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0, run = -1; x <= AWidth; ++x) {
      const bool inside = x < AWidth && ARegion.IsVisible(float(x) + 0.5f, float(y) + 0.5f);
      if (inside && run < 0) run = x;
      if (!inside && run >= 0) {
        out += QRect(run, y, x - run, 1);
        run = -1;
      }
    }
  return out;
}

}  // namespace

// The mask takes in the pixels whose centres lie in the region, for every shape and border of the
// glass panel at odd sizes, and a large panel's mask is built without a point test per pixel (a
// resize of a 3200 x 2400 panel took seconds).
TEST(QtShapedWidget, MaskIsThePixelsWhoseCentresLieInTheRegion) {
  TQtHost host;
  for (const char* shape : {"bsEllipse", "bsRoundRect", "bsDiamond", "bsRoundDiamond", "bsRectangle"})
    for (const float border : {0.0f, 0.02f, 0.13f})
      for (const auto& [w, h] : {std::pair(97, 61), std::pair(64, 151), std::pair(3, 2)}) {
        TDWGlassPanel p;
        p.SetBounds(0, 0, w, h);
        ASSERT_TRUE(SetPropertyValue(p, "Border.Shape", TPropValue(shape)));
        p.Border().Width().SetValue(border);
        gp::Region r;
        if (!p.WindowRegion(r)) r = gp::Region(gp::RectF(0, 0, float(w), float(h)));
        const QRegion mask = qt::PixelRegion(r, w, h);
        const QRegion expected = PixelRegionPointByPoint(r, w, h);
        EXPECT_TRUE((mask ^ expected).isEmpty())
            << shape << " border " << border << " " << w << "x" << h << ": " << (mask ^ expected).rectCount()
            << " rectangles differ";
        EXPECT_EQ(mask, expected);  // the same rectangles too: rows alike are joined as QRegion joins them
      }

  TDWGlassPanel big;
  big.SetBounds(0, 0, 3200, 2400);
  ASSERT_TRUE(SetPropertyValue(big, "Border.Shape", TPropValue("bsRoundDiamond")));
  gp::Region r;
  ASSERT_TRUE(big.WindowRegion(r));
  QElapsedTimer clock;
  clock.start();
  const QRegion mask = qt::PixelRegion(r, 3200, 2400);
  // A gross bound, far above the rows' tens of milliseconds, far below the point tests' 14 s.
  EXPECT_LT(clock.elapsed(), 4000);
  EXPECT_TRUE(gp::RectF(0, 0, 3200, 2400).Contains(r.GetBounds()));
  // A sparse grid and the whole middle row and column, point by point.
  int tested = 0, differ = 0;
  auto test = [&](int x, int y) {
    ++tested;
    differ += mask.contains(QPoint(x, y)) != r.IsVisible(float(x) + 0.5f, float(y) + 0.5f);
  };
  for (int y = 5; y < 2400; y += 89)
    for (int x = 3; x < 3200; x += 97) test(x, y);
  for (int x = 0; x < 3200; ++x) test(x, 1201);
  for (int y = 0; y < 2400; ++y) test(1599, y);
  EXPECT_EQ(differ, 0) << "of " << tested;
  EXPECT_GT(mask.rectCount(), 100);
}

// The glass panel's border, under the host's glow, lies on the window once: inside the mask the
// widget shows what the panel painted alone at the same ratio shows (drawn twice, the anti-aliased
// edges of the inner bevel came out up to 54 levels off). Run at ratios 1 and 1.5; under X the
// overlay window's picture is laid over the widget's as the screen shows them.
TEST(QtShapedWidget, GlassPanelBorderIsShownOnce) {
  TQtHost host;
  auto configure = [](TDWGlassPanel& APanel) {
    APanel.SetBounds(0, 0, 263, 187);
    APanel.SetColor(0xFF102030);
    APanel.Border().SetShape(bsEllipse);
  };
  auto panel = std::make_unique<TDWGlassPanel>();
  configure(*panel);
  TDWGlassPanel reference;
  configure(reference);
  InstrumentWidget w(host, std::move(panel));
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  RunEvents(50);
  const qreal ratio = w.devicePixelRatioF();
  gp::Bitmap alone(int(std::ceil(263 * ratio)), int(std::ceil(187 * ratio)));
  {
    gp::CairoGraphics g(alone);
    g.ScaleTransform(float(ratio), float(ratio));
    reference.Paint(g);
  }
  const QRegion mask = w.mask();
  ASSERT_FALSE(mask.isEmpty());
  auto expectLikeAlone = [&](const QImage& AShown, const char* AWhat) {
    const QImage shown = AShown.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int compared = 0, worst = 0, worstX = 0, worstY = 0;
    for (int y = 0; y < std::min(shown.height(), alone.Height()); ++y)
      for (int x = 0; x < std::min(shown.width(), alone.Width()); ++x) {
        // Device pixels wholly inside the mask, where the panel alone is opaque.
        const QRect covered(QPoint(int(std::floor(x / ratio)), int(std::floor(y / ratio))),
                            QPoint(int(std::ceil((x + 1) / ratio)) - 1, int(std::ceil((y + 1) / ratio)) - 1));
        const TAlphaColor a = alone.GetPixel(x, y);
        if (GetAlpha(a) != 255 || (mask & covered) != QRegion(covered)) continue;
        const QRgb s = shown.pixel(x, y);
        const int d = std::max({std::abs(qRed(s) - int(GetRed(a))), std::abs(qGreen(s) - int(GetGreen(a))),
                                std::abs(qBlue(s) - int(GetBlue(a)))});
        ++compared;
        if (d > worst) {
          worst = d;
          worstX = x;
          worstY = y;
        }
      }
    EXPECT_GT(compared, 263 * 187 / 2) << AWhat;
    EXPECT_LE(worst, 2) << AWhat << " at " << worstX << "," << worstY << ", ratio " << ratio;
  };
  // A picture of the widget holds the glow wherever the host shows it.
  expectLikeAlone(w.grab().toImage(), "the widget's picture");
  if (QGuiApplication::platformName() != "offscreen") {
    // On the screen the overlay window shows the glow: the window's own paints leave it out.
    const uint64_t before = w.GlowPaintCount();
    w.repaint();
    RunEvents(20);
    EXPECT_EQ(w.GlowPaintCount(), before);
    (void)w.grab();
    EXPECT_EQ(w.GlowPaintCount(), before + 1);
  }
}

// The overlay's picture, drawn at the device pixel ratio, is drawn again when the widget moves to
// a screen of another ratio (it kept the old ratio's picture, scaled). The overlay window is
// asked for here even where windows have no per-pixel alpha, and refreshed as the widget does on
// the screen change. ctest runs it on two offscreen screens of ratios 1 and 2.
TEST(QtWidget, MovedToAScreenOfAnotherRatioRedrawsTheGlowOverlay) {
  QScreen* first = QGuiApplication::primaryScreen();
  QScreen* other = OtherRatioScreen();
  if (!other) GTEST_SKIP() << "needs two screens of different device pixel ratios";
  TQtHost host;
  auto plain = std::make_unique<TKVBasicControl>();
  plain->SetBounds(0, 0, 163, 117);
  InstrumentWidget w(host, std::move(plain));
  TDWGlassPanel panel;
  panel.SetBounds(0, 0, 163, 117);
  panel.Border().SetShape(bsEllipse);
  w.move(first->geometry().topLeft() + QPoint(20, 20));
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  qt::TShapeOverlay overlay(w, panel, false);

  // The overlay window as shown at the ratio of the screen it is on, against the glow picture drawn
  // straight at that ratio: the worst difference of a channel.
  auto worstDifference = [&](QScreen* AScreen) {
    const qreal ratio = AScreen->devicePixelRatio();
    EXPECT_TRUE(RunUntil([&] { return w.devicePixelRatioF() == ratio; }, 3000));
    overlay.Refresh();
    overlay.Place();
    QWidget* window = overlay.Window();
    if (!window) return 255;
    EXPECT_TRUE(RunUntil([&] { return window->devicePixelRatioF() == ratio; }, 3000));
    const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    gp::Bitmap direct(int(std::ceil(163 * ratio)), int(std::ceil(117 * ratio)));
    {
      gp::CairoGraphics g(direct);
      g.Clear(0);
      g.ScaleTransform(float(ratio), float(ratio));
      panel.PaintGlowPicture(g, 163, 117);
    }
    EXPECT_EQ(shown.size(), QSize(direct.Width(), direct.Height()));
    int worst = 0;
    for (int y = 0; y < std::min(shown.height(), direct.Height()); ++y)
      for (int x = 0; x < std::min(shown.width(), direct.Width()); ++x) {
        const QRgb s = shown.pixel(x, y);  // premultiplied, as the bitmap's colours are not
        const TAlphaColor d = direct.GetPixel(x, y);
        const int a = int(GetAlpha(d));
        auto premultiplied = [a](uint32_t AChannel) { return (int(AChannel) * a + 127) / 255; };
        worst = std::max({worst, std::abs(qAlpha(s) - a), std::abs(qRed(s) - premultiplied(GetRed(d))),
                          std::abs(qGreen(s) - premultiplied(GetGreen(d))),
                          std::abs(qBlue(s) - premultiplied(GetBlue(d)))});
      }
    return worst;
  };
  EXPECT_LE(worstDifference(first), 2);
  w.move(other->geometry().topLeft() + QPoint(20, 20));
  EXPECT_LE(worstDifference(other), 2) << "at the ratio of the screen it moved to";
  w.move(first->geometry().topLeft() + QPoint(20, 20));
  EXPECT_LE(worstDifference(first), 2) << "back at the first ratio";
}
