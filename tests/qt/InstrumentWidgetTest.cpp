// Instruments in Qt widgets over real time: mouse drags, tab focus, the device pixel ratio, and
// requests that outlive what they name. (The refresh timer's pace and stop: the gauge's tests in
// virtual time; a host keeping a switched-on timer's countdown: the host contract.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QtTest/QTest>

#include <cmath>
#include <cstdlib>
#include <thread>

#include "QtTestSupport.h"
#include "support/PixelDiff.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/indicators/DWLevelLed.h"
#include "dialworks/package/DialworksPkg.h"
#include "dialworks/qt/InstrumentWidget.h"

using namespace dw;
using dw::qt::InstrumentWidget;
using dw::qt::TQtHost;
using dwtest::RunEvents;
using dwtest::RunUntil;
using dwtest::OtherRatioScreen;
using dwtest::ShownEqualsAFullRepaint;

namespace {

std::unique_ptr<TDWAngularGauge> NewGauge(int ASize = 200) {
  RegisterDialworksPackage();
  auto g = std::make_unique<TDWAngularGauge>();
  g->SetBounds(0, 0, ASize, ASize);
  return g;
}

void Send(QWidget& AWidget, QEvent::Type AType, QPoint AAt, Qt::MouseButton AButton, Qt::MouseButtons AButtons) {
  QMouseEvent e(AType, QPointF(AAt), QPointF(AWidget.mapToGlobal(AAt)), AButton, AButtons, Qt::NoModifier);
  QApplication::sendEvent(&AWidget, &e);
}

bool ShowAndActivate(QWidget& AWidget) {
  AWidget.show();
  if (!QTest::qWaitForWindowExposed(&AWidget)) return false;
  AWidget.activateWindow();
  return QTest::qWaitForWindowActive(&AWidget);
}

// The largest channel difference between the widget's picture and the control rendered directly
// at ARatio (-1: the picture is not ARatio's size). Compare opaque controls: the widget composes
// over the window's colour.
int WorstDifferenceFromRender(QWidget& AWidget, TKVBasicControl& AControl, qreal ARatio) {
  const QImage shot = AWidget.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int w = int(std::ceil(AControl.Width() * ARatio)), h = int(std::ceil(AControl.Height() * ARatio));
  if (shot.width() != w || shot.height() != h) return -1;
  gp::Bitmap expected(w, h);
  {
    gp::CairoGraphics cg(expected);
    cg.ScaleTransform(float(ARatio), float(ARatio));
    AControl.Paint(cg);
    cg.Flush();
  }
  int worst = 0;
  for (int y = 0; y < h; ++y) {
    const auto* want = reinterpret_cast<const uint32_t*>(expected.Data() + size_t(y) * size_t(expected.Stride()));
    const auto* got = reinterpret_cast<const uint32_t*>(shot.constScanLine(y));
    for (int x = 0; x < w; ++x) worst = std::max(worst, dwtest::ChannelDiff(want[x], got[x]));
  }
  return worst;
}

}  // namespace

// Issue 21: a control hand dragged with synthesized mouse events follows the pointer, sends its
// value, and its press moves the keyboard focus to the widget.
TEST(QtWidget, DragMovesAControlHandAndTakesTheFocus) {
  TQtHost host;
  auto gauge = NewGauge();
  TDWAngularGauge* g = gauge.get();
  auto* knob = &g->Elements().Add<TDWExternalGaugeControlHandElement>();
  knob->Hand().Animation().SetEnabled(false);
  knob->SetValue(50);
  double sent = -1;
  knob->OnChange = [&](TDWExternalGaugeControlHandElement&, double AValue, double, double) { sent = AValue; };
  InstrumentWidget w(host, std::move(gauge));
  ASSERT_TRUE(ShowAndActivate(w));
  // The hand points up through (100, 50); dragged to (20, 100) it turns 45 degrees to the left.
  Send(w, QEvent::MouseButtonPress, {100, 50}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(knob->ControlHand().Selected());
  EXPECT_TRUE(w.hasFocus());
  EXPECT_TRUE(g->Focused());
  Send(w, QEvent::MouseMove, {20, 100}, Qt::NoButton, Qt::LeftButton);
  Send(w, QEvent::MouseButtonRelease, {20, 100}, Qt::LeftButton, Qt::NoButton);
  EXPECT_NEAR(knob->Value(), 100.0 * 45 / 270, 1e-3);
  EXPECT_NEAR(sent, knob->Value(), 1e-9);
  // Released, the pointer moves without dragging.
  Send(w, QEvent::MouseMove, {180, 100}, Qt::NoButton, Qt::NoButton);
  EXPECT_NEAR(knob->Value(), 100.0 * 45 / 270, 1e-3);
  // One wheel notch turns the selected hand by 1 % of the range.
  QWheelEvent wheel(QPointF(100, 100), QPointF(w.mapToGlobal(QPoint(100, 100))), QPoint(), QPoint(0, 120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&w, &wheel);
  EXPECT_TRUE(wheel.isAccepted());
  EXPECT_NEAR(knob->Value(), 100.0 * 45 / 270 + 1, 1e-3);
}

// Tab moves the focus between gauges that offer it and passes over those that do not.
TEST(QtWidget, TabMovesTheFocusBetweenTabStopGauges) {
  TQtHost host;
  QWidget window;
  auto* layout = new QHBoxLayout(&window);
  TDWAngularGauge* gauges[3];
  InstrumentWidget* widgets[3];
  for (int i = 0; i < 3; ++i) {
    auto g = NewGauge(80);
    g->SetTabStop(i != 1);
    gauges[i] = g.get();
    widgets[i] = new InstrumentWidget(host, std::move(g), &window);
    layout->addWidget(widgets[i]);
  }
  ASSERT_TRUE(ShowAndActivate(window));
  widgets[0]->setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(RunUntil([&] { return widgets[0]->hasFocus(); }, 2000));
  EXPECT_TRUE(gauges[0]->Focused());
  QTest::keyClick(widgets[0], Qt::Key_Tab);
  ASSERT_TRUE(RunUntil([&] { return widgets[2]->hasFocus(); }, 2000));
  EXPECT_TRUE(gauges[2]->Focused());
  EXPECT_FALSE(gauges[0]->Focused());
  EXPECT_FALSE(gauges[1]->Focused());
}

// The widget draws at device pixels: at a ratio of 2 its picture is the 2x render of the
// control, not the 1x one scaled up (ctest runs this again with QT_SCALE_FACTOR=2).
TEST(QtWidget, DrawsAtTheDevicePixelRatio) {
  TQtHost host;
  auto gauge = NewGauge(120);
  gauge->Background().SetColor(0xFF204060);  // opaque: no compositing over the window's colour
  gauge->SetValue(37);
  TDWAngularGauge* g = gauge.get();
  InstrumentWidget w(host, std::move(gauge));
  ASSERT_TRUE(ShowAndActivate(w));
  const qreal ratio = w.devicePixelRatioF();
  if (const char* expected = std::getenv("DW_EXPECT_DEVICE_RATIO")) {
    ASSERT_EQ(ratio, std::atof(expected));
  }
  EXPECT_LE(WorstDifferenceFromRender(w, *g, ratio), 2);
}

// At a fractional device pixel ratio a control's edges fall inside device pixels: its repaint
// takes those pixels in as well, so what is shown equals a full repaint (ctest runs this at 1.25,
// where the led's edges at 10 and 50 lie mid-pixel).
TEST(QtWidget, ARepaintAtAFractionalRatioLeavesNoOldEdges) {
  TQtHost host;
  RegisterDialworksPackage();
  auto form = std::make_unique<TDWForm>();
  form->SetWidth(100);
  form->SetHeight(100);
  auto& led = static_cast<TKVBasicControl&>(form->InsertComponent(std::make_unique<TDWLevelLed>()));
  led.SetBounds(10, 10, 40, 40);
  SetPropertyValue(led, "Shape", TPropValue("bsRectangle"));
  SetPropertyValue(led, "Value", TPropValue(15.0));
  InstrumentWidget w(host, std::move(form));
  ASSERT_TRUE(ShowAndActivate(w));
  if (const char* expected = std::getenv("DW_EXPECT_DEVICE_RATIO")) {
    ASSERT_EQ(w.devicePixelRatioF(), std::atof(expected));
  }
  RunEvents(50);
  for (const double value : {90.0, 15.0}) {
    SetPropertyValue(led, "Value", TPropValue(value));
    led.Settle();
    EXPECT_TRUE(ShownEqualsAFullRepaint(w)) << "value " << value;
  }
}

// The widget keeps its graphics from paint to paint: a repaint of part of it (clipped to that
// part) leaves no clip or transform behind, so the next paint draws the whole new picture.
TEST(QtWidget, APartialRepaintLeavesTheNextPaintWhole) {
  TQtHost host;
  auto gauge = NewGauge(120);
  gauge->Background().SetColor(0xFF204060);
  gauge->Hand().Animation().SetEnabled(false);
  gauge->SetValue(20);
  TDWAngularGauge* g = gauge.get();
  InstrumentWidget w(host, std::move(gauge));
  ASSERT_TRUE(ShowAndActivate(w));
  const uint64_t painted = w.PaintCount();
  w.repaint(QRect(5, 5, 20, 20));
  EXPECT_GT(w.PaintCount(), painted);
  g->SetValue(80);  // the hand swings to the other side, far from the repainted corner
  EXPECT_LE(WorstDifferenceFromRender(w, *g, w.devicePixelRatioF()), 2);
}

// Painted straight into a 32-bit image (as into a window's buffer), the widget gives the picture
// of its own bitmap composed over what lay below: over an opaque RGB32 picture every pixel stays
// opaque (its unused byte 0xFF), a partial paint changes only its part, and an image of another
// size (a resized window's new buffer) is drawn into rather than the memory of the one before.
TEST(QtWidget, PaintsStraightIntoTheWindowImage) {
  TQtHost host;
  auto gauge = NewGauge(120);  // transparent corners: drawn over what lies below
  gauge->Hand().Animation().SetEnabled(false);
  gauge->SetValue(30);
  InstrumentWidget w(host, std::move(gauge));
  const QRgb below = qRgb(200, 100, 50);
  // Images at the window's ratio, as its buffer is: read in device pixels.
  const qreal ratio = w.devicePixelRatioF();
  auto image = [&](QImage::Format AFormat) {
    QImage i(w.size() * ratio, AFormat);
    i.setDevicePixelRatio(ratio);
    i.fill(below);
    return i;
  };
  auto render = [&](QImage::Format AFormat, const QRegion& ARegion = QRegion()) {
    QImage i = image(AFormat);
    // Over the fill, not the window's colour; the region drawn where it lies in the widget.
    w.render(&i, ARegion.boundingRect().topLeft(), ARegion, QWidget::DrawChildren);
    i = i.convertToFormat(QImage::Format_RGB32);
    i.setDevicePixelRatio(1);
    return i;
  };
  auto worst = [](const QImage& A, const QImage& B, const QRect& AIn) {
    int d = 0;
    for (int y = AIn.top(); y <= AIn.bottom(); ++y)
      for (int x = AIn.left(); x <= AIn.right(); ++x) {
        const QRgb a = A.pixel(x, y), b = B.pixel(x, y);
        d = std::max({d, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
      }
    return d;
  };
  for (const int size : {120, 150}) {
    w.resize(size, size);
    const uint64_t direct = w.DirectPaintCount();
    QImage straight = image(QImage::Format_RGB32);
    w.render(&straight, QPoint(), QRegion(), QWidget::DrawChildren);
    straight.setDevicePixelRatio(1);
    const QImage composed = render(QImage::Format_ARGB32);  // a layout not drawn into directly
    EXPECT_EQ(w.DirectPaintCount(), direct + 1);
    int notOpaque = 0, drawn = 0;
    for (int y = 0; y < straight.height(); ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(straight.constScanLine(y));
      for (int x = 0; x < straight.width(); ++x) {
        notOpaque += (row[x] >> 24) != 0xFF;
        drawn += (row[x] & 0xFFFFFF) != (below & 0xFFFFFF);
      }
    }
    EXPECT_EQ(notOpaque, 0);
    EXPECT_GT(drawn, straight.width() * straight.height() / 2);
    EXPECT_LE(worst(straight, composed, straight.rect()), 2) << size;

    const QRect part(10, 20, 30, 40);
    const QImage partial = render(QImage::Format_RGB32, QRegion(part));
    EXPECT_EQ(w.DirectPaintCount(), direct + 2);
    // The part in device pixels: those it covers wholly, and those it touches.
    const QRectF at(part.x() * ratio, part.y() * ratio, part.width() * ratio, part.height() * ratio);
    const QRect inner(QPoint(int(std::ceil(at.left())), int(std::ceil(at.top()))),
                      QPoint(int(std::floor(at.right())) - 1, int(std::floor(at.bottom())) - 1));
    const QRect touched(QPoint(int(std::floor(at.left())), int(std::floor(at.top()))),
                        QPoint(int(std::ceil(at.right())) - 1, int(std::ceil(at.bottom())) - 1));
    EXPECT_LE(worst(partial, straight, inner), 2);
    QImage outside = partial;
    QPainter(&outside).fillRect(touched, QColor(below));
    QImage plain = image(QImage::Format_RGB32);
    plain.setDevicePixelRatio(1);
    EXPECT_EQ(worst(outside, plain, plain.rect()), 0);  // nothing drawn outside the part
  }
}

// Requests that outlive what they name: a repaint queued from another thread for a control that
// is then removed, and a widget destroyed while its gauge animates (timers and clock running).
// ASan runs of these catch any touch of the freed control.
TEST(QtWidget, QueuedRequestsForRemovedControlsAndDestroyedWidgetsAreDropped) {
  TQtHost host;
  auto gauge = NewGauge();
  TDWAngularGauge* g = gauge.get();
  auto w = std::make_unique<InstrumentWidget>(host, std::move(gauge));
  ASSERT_TRUE(ShowAndActivate(*w));
  RunEvents(50);

  // From another thread, a request reaches the widget that shows the control.
  uint64_t painted = w->PaintCount();
  std::thread([&] { host.RequestRepaint(*g, TRepaintRect{10, 10, 20, 20}); }).join();
  EXPECT_TRUE(RunUntil([&] { return w->PaintCount() > painted; }, 5000));
  EXPECT_EQ(host.WidgetOf(*g), w.get());

  // Queued, then its control goes: nothing is painted for it.
  std::thread([&] { host.RequestRepaint(*g); }).join();
  w->SetControl(nullptr);
  painted = w->PaintCount();
  RunEvents(100);
  EXPECT_LE(w->PaintCount(), painted + 1);  // at most the repaint of the now empty widget

  auto next = NewGauge();
  TDWAngularGauge* n = next.get();
  w->SetControl(std::move(next));
  n->SetValue(20);
  n->SetValue(90);  // animating: the refresh timer and the clock run
  RunEvents(60);
  std::thread([&] { host.RequestRepaint(*n); }).join();
  w.reset();
  RunEvents(200);
  EXPECT_EQ(host.AnimationClock().SubscriberCount(), 0u);
}

// Controls joining and leaving the shown form: a control inserted later is repainted on its
// requests; one taken out and kept is sent nowhere once the widget is gone (the host forgets every
// control the widget registered, not only those still shown).
TEST(QtWidget, ControlsJoiningAndLeavingTheShownFormReachOnlyLiveWidgets) {
  TQtHost host;
  auto w = std::make_unique<InstrumentWidget>(host, std::make_unique<TDWForm>());
  ASSERT_TRUE(ShowAndActivate(*w));
  RunEvents(30);
  auto& g = static_cast<TDWAngularGauge&>(w->Form()->InsertComponent(NewGauge()));
  const uint64_t painted = w->PaintCount();
  std::thread([&] { host.RequestRepaint(g); }).join();
  EXPECT_TRUE(RunUntil([&] { return w->PaintCount() > painted; }, 5000));
  EXPECT_EQ(host.WidgetOf(g), w.get());
  const std::unique_ptr<TComponent> taken = w->Form()->RemoveComponent(g);
  w.reset();
  EXPECT_EQ(host.WidgetOf(g), nullptr);
  host.RequestRepaint(g);
  RunEvents(30);
}

// A control moved from one shown form to another is repainted, and focused, by the widget that
// shows it now, also on a request from another thread: the first widget mapped it on its request.
TEST(QtWidget, AControlMovedToAnotherShownFormIsServedByItsNewWidget) {
  TQtHost host;
  InstrumentWidget w1(host, std::make_unique<TDWForm>()), w2(host, std::make_unique<TDWForm>());
  ASSERT_TRUE(ShowAndActivate(w1));
  ASSERT_TRUE(ShowAndActivate(w2));
  auto& g = static_cast<TDWAngularGauge&>(w1.Form()->InsertComponent(NewGauge()));
  host.RequestRepaint(g);
  RunEvents(30);
  ASSERT_EQ(host.WidgetOf(g), &w1);
  w2.Form()->InsertComponent(w1.Form()->RemoveComponent(g));
  EXPECT_EQ(host.WidgetOf(g), &w2);
  const uint64_t painted = w2.PaintCount();
  std::thread([&] { host.RequestRepaint(g); }).join();
  EXPECT_TRUE(RunUntil([&] { return w2.PaintCount() > painted; }, 5000));
  // A control that joined a shown form and asks for the focus before any repaint gets it.
  auto& n = static_cast<TDWAngularGauge&>(w2.Form()->InsertComponent(NewGauge(50)));
  host.RequestFocus(n);
  EXPECT_TRUE(RunUntil([&] { return n.Focused(); }, 3000));
}

// Two small controls repainting in the same pass as an animating gauge make a dirty region of
// several rectangles whose bounding box is the whole window: the gauge must see only the parts Qt
// shows, or it takes hand positions for shown that never reached the screen and never erases them.
TEST(QtWidget, ARegionOfSeveralRectanglesLeavesNoOldHandsBehind) {
  TQtHost host;
  host.AnimationClock().SetInterval(1000);  // the hand steps only on the ticks below
  auto form = std::make_unique<TDWForm>();
  form->SetWidth(300);
  form->SetHeight(300);
  auto& g = static_cast<TDWAngularGauge&>(form->InsertComponent(NewGauge()));
  g.SetBounds(50, 50, 200, 200);
  auto& c1 = form->InsertComponent(std::make_unique<TKVBasicControl>());
  auto& c2 = form->InsertComponent(std::make_unique<TKVBasicControl>());
  static_cast<TKVBasicControl&>(c1).SetBounds(0, 0, 10, 10);
  static_cast<TKVBasicControl&>(c2).SetBounds(290, 290, 10, 10);
  InstrumentWidget w(host, std::move(form));
  ASSERT_TRUE(ShowAndActivate(w));
  g.SetValue(10);
  g.Settle();
  RunEvents(50);
  g.SetValue(100);
  for (int i = 0; i < 400 && g.Animating(); ++i) {
    host.AnimationClock().Tick();
    static_cast<TKVBasicControl&>(c1).Invalidate();
    static_cast<TKVBasicControl&>(c2).Invalidate();
    RunEvents(30);
  }
  ASSERT_FALSE(g.Animating());
  EXPECT_TRUE(ShownEqualsAFullRepaint(w, 100)) << "a full repaint changed the picture: old hands were left on screen";
}

// A gauge moved, shrunk, taken out of and put back into a shown form: the place it left is
// repainted and it is drawn where it is now, so what is shown equals a full repaint. Taking out
// and putting in tell the widget nothing: they show with the next request of another control.
TEST(QtWidget, AControlMovedOrRemovedInAShownFormLeavesNoOldPicture) {
  TQtHost host;
  auto form = std::make_unique<TDWForm>();
  form->SetWidth(300);
  form->SetHeight(300);
  TDWForm* f = form.get();
  auto& g = static_cast<TDWAngularGauge&>(form->InsertComponent(NewGauge(100)));
  auto& other = static_cast<TKVBasicControl&>(form->InsertComponent(std::make_unique<TKVBasicControl>()));
  other.SetBounds(290, 290, 10, 10);
  InstrumentWidget w(host, std::move(form));
  ASSERT_TRUE(ShowAndActivate(w));
  RunEvents(50);
  auto likeAFullRepaint = [&] { return ShownEqualsAFullRepaint(w); };
  g.SetBounds(150, 150, 100, 100);
  EXPECT_TRUE(likeAFullRepaint()) << "moved";
  g.SetBounds(150, 150, 20, 20);
  EXPECT_TRUE(likeAFullRepaint()) << "shrunk";
  std::unique_ptr<TComponent> taken = f->RemoveComponent(g);
  other.Invalidate();
  EXPECT_TRUE(likeAFullRepaint()) << "taken out";
  f->InsertComponent(std::move(taken));
  other.Invalidate();
  EXPECT_TRUE(likeAFullRepaint()) << "put back";
}

// A window dragged to a screen of another ratio while its gauge animates keeps animating, draws
// at the new ratio (its bitmap and the gauge's layers rebuilt at the new device pixels, not the
// old picture scaled) and again at the old one when it comes back. ctest runs it on two offscreen
// screens of ratios 1 and 2; elsewhere it needs two screens of different ratios to run.
TEST(QtWidget, MovedToAScreenOfAnotherRatioWhileAnimatingDrawsSharp) {
  QScreen* first = QGuiApplication::primaryScreen();
  QScreen* other = OtherRatioScreen();
  if (!other) GTEST_SKIP() << "needs two screens of different device pixel ratios";
  TQtHost host;
  auto gauge = NewGauge(120);
  gauge->Background().SetColor(0xFF204060);
  gauge->SetValue(10);
  TDWAngularGauge* g = gauge.get();
  InstrumentWidget w(host, std::move(gauge));
  w.move(first->geometry().topLeft() + QPoint(20, 20));
  ASSERT_TRUE(ShowAndActivate(w));
  ASSERT_EQ(w.devicePixelRatioF(), first->devicePixelRatio());
  EXPECT_LE(WorstDifferenceFromRender(w, *g, first->devicePixelRatio()), 2);

  auto arrived = [&] { return g->Hand().GetCurrentAngle() == g->Hand().GetTargetAngle(); };
  auto moveWhileAnimating = [&](QScreen* ATo, double AValue) {
    g->SetValue(AValue);
    RunEvents(60);  // the hand is on its way
    const float before = g->Hand().GetCurrentAngle();
    w.move(ATo->geometry().topLeft() + QPoint(20, 20));
    EXPECT_TRUE(RunUntil([&] { return w.devicePixelRatioF() == ATo->devicePixelRatio(); }, 3000));
    EXPECT_FALSE(arrived()) << "the hand arrived before the move: nothing animated across it";
    const uint64_t painted = w.PaintCount();
    EXPECT_TRUE(RunUntil([&] { return w.PaintCount() >= painted + 3; }, 3000));  // still animating
    EXPECT_NE(g->Hand().GetCurrentAngle(), before);
    EXPECT_TRUE(RunUntil(arrived, 10000));
    RunEvents(50);
    EXPECT_LE(WorstDifferenceFromRender(w, *g, ATo->devicePixelRatio()), 2);
  };
  moveWhileAnimating(other, 90);
  moveWhileAnimating(first, 30);
}
