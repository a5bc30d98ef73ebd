// A control with a window shape: the widget is cut to its region and its glow is shown over it,
// in an overlay window that follows the widget where windows have per-pixel alpha (X11 under
// xvfb-run), drawn into the widget elsewhere (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QtTest/QTest>

#include <cmath>

#include "QtTestSupport.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Region.h"
#include "dialworks/framework/WindowShape.h"
#include "dialworks/panel/DWGlassPanel.h"
#include "dialworks/qt/InstrumentWidget.h"
#include "dialworks/qt/ShapeOverlay.h"

using namespace dw;
using dw::qt::InstrumentWidget;
using dw::qt::TQtHost;
using dwtest::RunEvents;
using dwtest::RunUntil;

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
