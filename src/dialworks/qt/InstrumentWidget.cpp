#include "dialworks/qt/InstrumentWidget.h"

#include <QBackingStore>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QRegion>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <map>

#include "dialworks/draw/Brush.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/qt/QtHost.h"
#include "dialworks/qt/ShapeOverlay.h"

namespace dw::qt {

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers AModifiers, Qt::MouseButtons AButtons) {
  TShiftState s = 0;
  if (AModifiers & Qt::ShiftModifier) s |= ssShift;
  if (AModifiers & Qt::AltModifier) s |= ssAlt;
  if (AModifiers & Qt::ControlModifier) s |= ssCtrl;
  if (AButtons & Qt::LeftButton) s |= ssLeft;
  if (AButtons & Qt::RightButton) s |= ssRight;
  if (AButtons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

bool ButtonOf(Qt::MouseButton AButton, TMouseButton& AOut) {
  switch (AButton) {
    case Qt::LeftButton: AOut = mbLeft; return true;
    case Qt::RightButton: AOut = mbRight; return true;
    case Qt::MiddleButton: AOut = mbMiddle; return true;
    default: return false;
  }
}

// Instruments that offer the keyboard focus publish a TabStop property.
bool TabStopOf(TKVBasicControl& AControl) {
  const std::optional<TPropValue> v = GetPropertyValue(AControl, "TabStop");
  return v && v->is_boolean() && v->get<bool>();
}

int DevicePixels(int ALogical, qreal ARatio) { return std::max(0, int(std::ceil(ALogical * ARatio - 1e-6))); }

}  // namespace

InstrumentWidget::InstrumentWidget(TQtHost& AHost, std::unique_ptr<TKVBasicControl> AControl, QWidget* AParent)
    : QWidget(AParent), FHost(AHost) {
  setMouseTracking(true);
  SetControl(std::move(AControl));
}

InstrumentWidget::InstrumentWidget(TQtHost& AHost, std::unique_ptr<TDWForm> AForm, QWidget* AParent)
    : QWidget(AParent), FHost(AHost) {
  setMouseTracking(true);
  SetForm(std::move(AForm));
}

InstrumentWidget::~InstrumentWidget() { Detach(); }

void InstrumentWidget::SetControl(std::unique_ptr<TKVBasicControl> AControl) {
  Detach();
  FControl = std::move(AControl);
  if (FControl && FControl->Width() > 0 && FControl->Height() > 0) resize(FControl->Width(), FControl->Height());
  Attach();
}

void InstrumentWidget::SetForm(std::unique_ptr<TDWForm> AForm) {
  Detach();
  FForm = std::move(AForm);
  if (FForm) resize(std::max(1, FForm->Width()), std::max(1, FForm->Height()));
  Attach();
}

std::vector<TKVBasicControl*> InstrumentWidget::Shown() const {
  std::vector<TKVBasicControl*> out;
  if (FControl) out.push_back(FControl.get());
  if (FForm)
    for (size_t i = 0; i < FForm->ComponentCount(); ++i)
      if (auto* c = dynamic_cast<TKVBasicControl*>(&FForm->Components(i))) out.push_back(c);
  return out;
}

bool InstrumentWidget::IsShown(const TKVBasicControl* AControl) const {
  if (!AControl) return false;
  if (AControl == FControl.get()) return true;
  if (!FForm) return false;
  for (size_t i = 0; i < FForm->ComponentCount(); ++i)
    if (&FForm->Components(i) == static_cast<const TComponent*>(AControl)) return true;
  return false;
}

QPoint InstrumentWidget::Origin(const TKVBasicControl& AControl) const {
  return FForm ? QPoint(AControl.Left(), AControl.Top()) : QPoint(0, 0);
}

TKVBasicControl* InstrumentWidget::ControlAt(QPointF APoint) const {
  const std::vector<TKVBasicControl*> shown = Shown();
  for (auto it = shown.rbegin(); it != shown.rend(); ++it) {  // the topmost (last painted) first
    TKVBasicControl* c = *it;
    if (!c->Visible() || !c->Enabled()) continue;
    const QPoint o = Origin(*c);
    if (QRectF(o.x(), o.y(), c->Width(), c->Height()).contains(APoint)) return c;
  }
  return nullptr;
}

void InstrumentWidget::Attach() {
  FHost.Register(*this, Shown());
  UpdatePlaces(false);
  UpdateFocusPolicy();
  UpdateShape();
  updateGeometry();
  update();
}

void InstrumentWidget::Detach() {
  FHost.Unregister(*this);
  FPlaces.clear();
  // The window loses the shape with the control that gave it (what comes next may have none).
  if (FShape) clearMask();
  FShape.reset();
  FPressed = FHovered = FFocused = nullptr;
  if (FControl) TComponent::Destroy(std::move(FControl));
  if (FForm) TComponent::Destroy(std::move(FForm));
}

void InstrumentWidget::UpdateFocusPolicy() {
  const std::vector<TKVBasicControl*> shown = Shown();
  const bool tabStop = std::any_of(shown.begin(), shown.end(), [](TKVBasicControl* c) { return TabStopOf(*c); });
  setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
}

QSize InstrumentWidget::sizeHint() const {
  if (FControl) return QSize(std::max(1, FControl->Width()), std::max(1, FControl->Height()));
  if (FForm) return QSize(std::max(1, FForm->Width()), std::max(1, FForm->Height()));
  return QSize(1, 1);
}

QSize InstrumentWidget::minimumSizeHint() const { return FForm ? sizeHint() : QSize(1, 1); }

void InstrumentWidget::RepaintControl(const TKVBasicControl& AControl, const TRepaintRect* ARect) {
  if (!IsShown(&AControl)) return;
  if (FControl && (FControl->Width() != width() || FControl->Height() != height())) updateGeometry();
  if (FShape) FShape->Refresh();
  UpdatePlaces();
  const QPoint o = Origin(AControl);
  if (ARect)
    update(Dirty(QRect(o.x() + ARect->Left, o.y() + ARect->Top, ARect->Width, ARect->Height)));
  else
    update(Dirty(QRect(o.x(), o.y(), AControl.Width(), AControl.Height())));
}

// The picture of a control that moved, shrank, was hidden or left the form stays where it was
// until that place is repainted, and one that joined the form may never have asked to be drawn:
// every request (and paint) compares the controls' places with those of the last time and
// repaints where something left or arrived. (Inserting or removing a component tells nobody, so
// those show on the next request of any control or the next paint.)
void InstrumentWidget::UpdatePlaces(bool ARepaint) {
  std::map<const TKVBasicControl*, QRect> places;
  for (TKVBasicControl* c : Shown())
    if (c->Visible()) places[c] = QRect(Origin(*c), QSize(c->Width(), c->Height()));
  if (ARepaint) {
    for (const auto& [c, r] : FPlaces)
      if (auto it = places.find(c); it == places.end() || it->second != r) update(Dirty(r));
    for (const auto& [c, r] : places)
      if (auto it = FPlaces.find(c); it == FPlaces.end() || it->second != r) update(Dirty(r));
  }
  FPlaces = std::move(places);
}

// Qt rounds each edge of an update rectangle to the nearest device pixel: at a fractional ratio
// the device pixels a control's edges only partly cover would keep their old picture. One logical
// pixel more on each side takes them in (the paint draws whole device pixels of what it is given).
QRect InstrumentWidget::Dirty(const QRect& ARect) const {
  const qreal ratio = devicePixelRatioF();
  return ratio == std::floor(ratio) ? ARect : ARect.adjusted(-1, -1, 1, 1);
}

void InstrumentWidget::paintEvent(QPaintEvent* AEvent) {
  ++FPaints;
  const qreal ratio = devicePixelRatioF();
  const int w = DevicePixels(width(), ratio), h = DevicePixels(height(), ratio);
  if (w == 0 || h == 0) return;
  const QRegion region = AEvent->region();
  const bool whole = region.rectCount() <= 1 && AEvent->rect().contains(rect());
  UpdatePlaces(!whole);
  QPainter p(this);
  if (PaintIntoDevice(p, AEvent->rect(), ratio)) return;
  // The glow is shown once: by the overlay window on the screen, drawn here where there is none,
  // and drawn here too into a picture of the widget (grab, render), which the overlay is not in.
  FGlowHere = FShape && (FShape->PaintsIntoWidget() || !PaintsOnScreen(p));
  if (FBitmap.Width() != w || FBitmap.Height() != h) {
    FGraphics.reset();
    FImage = QImage();
    FBitmap = gp::Bitmap(w, h);
    // The image reads the bitmap's memory: 32-bit premultiplied ARGB in native byte order is the
    // layout of both.
    FImage = QImage(FBitmap.Data(), w, h, FBitmap.Stride(), QImage::Format_ARGB32_Premultiplied);
    // One graphics per bitmap: it keeps what it derived from the clips the instruments set (their
    // masks) from one paint to the next.
    FGraphics = std::make_unique<gp::CairoGraphics>(FBitmap);
  }
  FImage.setDevicePixelRatio(ratio);
  // Only what Qt asks for is cleared and drawn again (the rest of the bitmap is not shown). The
  // clip is set in device pixels, widened to whole pixels: a whole-pixel rectangle is cut by the
  // rasteriser itself, any other clip costs a mask. A paint of the whole widget sets none.
  // A region of several rectangles is drawn one rectangle at a time: Qt shows only the region,
  // and an instrument told to draw their bounding box would take parts of its moving hand for
  // shown that never reach the screen (and not erase them later).
  if (whole) {
    DrawShown(*FGraphics, QPoint(0, 0), ratio, nullptr, false);
  } else {
    for (const QRect& dirty : region) {
      const QRect clip = QRect(QPoint(int(std::floor(dirty.x() * ratio)), int(std::floor(dirty.y() * ratio))),
                               QPoint(int(std::ceil((dirty.x() + dirty.width()) * ratio)) - 1,
                                      int(std::ceil((dirty.y() + dirty.height()) * ratio)) - 1))
                             .intersected(QRect(0, 0, w, h));
      DrawShown(*FGraphics, QPoint(0, 0), ratio, &clip, false);
    }
  }
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.drawImage(QPointF(0, 0), FImage);
}

// Whether this paint goes into the window's buffer (what the screen shows), not into a picture
// of the widget that grab() or render() makes.
bool InstrumentWidget::PaintsOnScreen(QPainter& APainter) const {
  QPaintEngine* engine = APainter.paintEngine();
  QBackingStore* store = window()->backingStore();
  return engine && store && engine->paintDevice() == store->paintDevice();
}

// Straight into the window's buffer: when Qt paints this widget into a 32-bit image (the raster
// backing store, or render() into such an image) and the part it may change is one rectangle, the
// instruments draw there directly, over what Qt already painted below them. That is the picture
// the bitmap path gives (instruments draw with OVER only, and their own bitmap would be composed
// with OVER), without clearing, drawing and composing a bitmap of the widget's size.
// Anything else (a pixmap for grab(), a masked widget, a clip of several rectangles, a rotated
// painter) takes the bitmap.
bool InstrumentWidget::PaintIntoDevice(QPainter& APainter, const QRect& ADirty, qreal ARatio) {
  if (FShape) return false;
  QPaintEngine* engine = APainter.paintEngine();
  if (!engine || engine->type() != QPaintEngine::Raster) return false;
  QPaintDevice* device = engine->paintDevice();
  if (!device || device->devType() != QInternal::Image) return false;
  auto* image = static_cast<QImage*>(device);
  // RGB32 keeps 0xFF in its unused byte: drawing with OVER onto opaque pixels keeps them opaque.
  if (image->format() != QImage::Format_ARGB32_Premultiplied && image->format() != QImage::Format_RGB32)
    return false;
  const QTransform t = APainter.deviceTransform();
  if (t.type() > QTransform::TxScale || std::abs(t.m11() - ARatio) > 1e-9 || std::abs(t.m22() - ARatio) > 1e-9)
    return false;  // a painter scaled or turned by the caller: the bitmap, drawn as it says
  const QPointF at = t.map(QPointF(0, 0));
  const QPoint offset(int(std::lround(at.x())), int(std::lround(at.y())));
  if (std::abs(at.x() - offset.x()) > 1e-6 || std::abs(at.y() - offset.y()) > 1e-6) return false;
  // The part of the image this paint may change, in its pixels: the dirty rectangle widened to
  // whole device pixels, within the widget, the image and the clip Qt set for the paint.
  const QRectF dirty = t.mapRect(QRectF(ADirty).intersected(QRectF(rect())));
  QRect clip(QPoint(int(std::floor(dirty.left() + 1e-6)), int(std::floor(dirty.top() + 1e-6))),
             QPoint(int(std::ceil(dirty.right() - 1e-6)) - 1, int(std::ceil(dirty.bottom() - 1e-6)) - 1));
  clip &= image->rect();
  const QRegion system = engine->systemClip();
  if (!system.isEmpty()) {
    if (system.rectCount() != 1) return false;
    clip &= system.boundingRect();
  }
  if (clip.isEmpty()) {
    ++FDirectPaints;
    return true;
  }
  uchar* bits = image->bits();
  if (!FDirect || FDirect->Data != bits || FDirect->Width != image->width() || FDirect->Height != image->height() ||
      FDirect->Stride != image->bytesPerLine()) {
    FDirect.reset();
    cairo_surface_t* s = cairo_image_surface_create_for_data(bits, CAIRO_FORMAT_ARGB32, image->width(),
                                                             image->height(), int(image->bytesPerLine()));
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(s);
      return false;
    }
    FDirect = std::make_unique<TDirectTarget>(
        TDirectTarget{bits, image->width(), image->height(), int(image->bytesPerLine()),
                      std::make_unique<gp::CairoGraphics>(s)});
    cairo_surface_destroy(s);  // the graphics holds its own reference
  }
  DrawShown(*FDirect->Graphics, offset, ARatio, &clip, true);
  ++FDirectPaints;
  return true;
}

// Draws what is shown with the widget's top left at AOffset (device pixels of g's surface), within
// AClip when given. AOnto: g's surface already holds what lies below the widget (the form's colour
// is laid over it); otherwise the painted part is first cleared to the form's colour (or clear).
void InstrumentWidget::DrawShown(gp::CairoGraphics& g, QPoint AOffset, qreal ARatio, const QRect* AClip, bool AOnto) {
  const gp::GraphicsState initial = g.Save();  // restored below: every paint starts untransformed, unclipped
  if (AClip) {
    // A part that covers the whole surface (a window's full repaint) needs no clip, and the
    // instruments' own clips then stay single shapes.
    const gp::RectF part(float(AClip->x()), float(AClip->y()), float(AClip->width()), float(AClip->height()));
    if (!part.Contains(g.GetClipBounds())) g.SetClip(part);
  }
  g.TranslateTransform(float(AOffset.x()), float(AOffset.y()));
  g.ScaleTransform(float(ARatio), float(ARatio));
  const TAlphaColor ground = FForm ? FForm->Color() : 0;
  if (!AOnto)
    g.Clear(ground);
  else if (GetAlpha(ground) != 0)
    g.FillRectangle(gp::SolidBrush(ground), gp::RectF(0, 0, float(width()), float(height())));
  for (TKVBasicControl* c : Shown()) {
    if (!c->Visible()) continue;
    const QPoint o = Origin(*c);
    const gp::GraphicsState state = g.Save();
    g.TranslateTransform(float(o.x()), float(o.y()));
    c->Paint(g);
    g.Restore(state);
  }
  if (FGlowHere && FShape) {
    FShape->PaintGlow(g);
    ++FGlowPaints;
  }
  g.Restore(initial);
  g.Flush();
}

// The overlay's picture is drawn at the device pixel ratio: moved to a screen of another ratio (or
// the screen's ratio changed), it is drawn again.
bool InstrumentWidget::event(QEvent* AEvent) {
  const bool handled = QWidget::event(AEvent);
  switch (AEvent->type()) {
    case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
      if (FShape) FShape->Refresh();
      break;
    default:
      break;
  }
  return handled;
}

void InstrumentWidget::resizeEvent(QResizeEvent* AEvent) {
  QWidget::resizeEvent(AEvent);
  if (FControl) FControl->SetBounds(0, 0, width(), height());
  UpdateShape();
}

void InstrumentWidget::moveEvent(QMoveEvent* AEvent) {
  QWidget::moveEvent(AEvent);
  if (FShape) FShape->Place();
}

void InstrumentWidget::showEvent(QShowEvent* AEvent) {
  QWidget::showEvent(AEvent);
  UpdateShape();
  if (FShape) FShape->Place();
}

void InstrumentWidget::hideEvent(QHideEvent* AEvent) {
  QWidget::hideEvent(AEvent);
  if (FShape) FShape->Place();
}

void InstrumentWidget::mousePressEvent(QMouseEvent* AEvent) {
  TMouseButton button;
  if (!ButtonOf(AEvent->button(), button)) return;
  TKVBasicControl* c = FPressed && IsShown(FPressed) ? FPressed : ControlAt(AEvent->position());
  if (!c) return;
  FPressed = c;
  const QPoint o = Origin(*c);
  const QPointF p = AEvent->position();
  c->MouseDown(button, ShiftOf(AEvent->modifiers(), AEvent->buttons()), int(std::floor(p.x())) - o.x(),
               int(std::floor(p.y())) - o.y());
}

void InstrumentWidget::mouseMoveEvent(QMouseEvent* AEvent) {
  const QPointF p = AEvent->position();
  const TShiftState shift = ShiftOf(AEvent->modifiers(), AEvent->buttons());
  TKVBasicControl* target = FPressed && IsShown(FPressed) ? FPressed : ControlAt(p);
  if (!FPressed && target != FHovered) {
    if (FHovered && IsShown(FHovered)) FHovered->MouseLeave();
    FHovered = target;
  }
  if (!target) return;
  const QPoint o = Origin(*target);
  target->MouseMove(shift, int(std::floor(p.x())) - o.x(), int(std::floor(p.y())) - o.y());
}

void InstrumentWidget::mouseReleaseEvent(QMouseEvent* AEvent) {
  TMouseButton button;
  if (!ButtonOf(AEvent->button(), button)) return;
  TKVBasicControl* c = FPressed;
  if (AEvent->buttons() == Qt::NoButton) FPressed = nullptr;
  if (!c || !IsShown(c)) return;
  const QPoint o = Origin(*c);
  const QPointF p = AEvent->position();
  c->MouseUp(button, ShiftOf(AEvent->modifiers(), AEvent->buttons()), int(std::floor(p.x())) - o.x(),
             int(std::floor(p.y())) - o.y());
}

void InstrumentWidget::wheelEvent(QWheelEvent* AEvent) {
  const QPointF p = AEvent->position();
  TKVBasicControl* c = ControlAt(p);
  const int delta = AEvent->angleDelta().y();
  const QPoint o = c ? Origin(*c) : QPoint();
  if (c && delta != 0 &&
      c->MouseWheel(ShiftOf(AEvent->modifiers(), AEvent->buttons()), delta, int(std::floor(p.x())) - o.x(),
                    int(std::floor(p.y())) - o.y()))
    AEvent->accept();
  else
    AEvent->ignore();
}

void InstrumentWidget::leaveEvent(QEvent* AEvent) {
  QWidget::leaveEvent(AEvent);
  if (FHovered && IsShown(FHovered)) FHovered->MouseLeave();
  FHovered = nullptr;
}

void InstrumentWidget::SetFocusedControl(TKVBasicControl* AControl) {
  if (AControl == FFocused) return;
  if (FFocused && IsShown(FFocused) && hasFocus()) FFocused->FocusLost();
  FFocused = AControl;
  if (FFocused && hasFocus()) FFocused->FocusGained();
}

void InstrumentWidget::FocusControl(TKVBasicControl& AControl) {
  if (!IsShown(&AControl)) return;
  SetFocusedControl(&AControl);
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
}

void InstrumentWidget::focusInEvent(QFocusEvent* AEvent) {
  QWidget::focusInEvent(AEvent);
  if (!FFocused || !IsShown(FFocused)) {
    FFocused = nullptr;
    for (TKVBasicControl* c : Shown())
      if (c == FControl.get() || TabStopOf(*c)) {
        FFocused = c;
        break;
      }
  }
  if (FFocused) FFocused->FocusGained();
}

void InstrumentWidget::focusOutEvent(QFocusEvent* AEvent) {
  QWidget::focusOutEvent(AEvent);
  if (FFocused && IsShown(FFocused)) FFocused->FocusLost();
}

// Tab inside a form moves between its tab-stop controls before leaving the widget.
bool InstrumentWidget::focusNextPrevChild(bool ANext) {
  if (FForm && hasFocus()) {
    std::vector<TKVBasicControl*> stops;
    for (TKVBasicControl* c : Shown())
      if (c->Visible() && c->Enabled() && TabStopOf(*c)) stops.push_back(c);
    auto at = std::find(stops.begin(), stops.end(), FFocused);
    if (at != stops.end()) {
      const ptrdiff_t i = (at - stops.begin()) + (ANext ? 1 : -1);
      if (i >= 0 && i < ptrdiff_t(stops.size())) {
        SetFocusedControl(stops[size_t(i)]);
        return true;
      }
    }
  }
  return QWidget::focusNextPrevChild(ANext);
}

void InstrumentWidget::UpdateShape() {
  auto* shape = FControl ? dynamic_cast<IWindowShape*>(FControl.get()) : nullptr;
  if (!shape) {
    if (FShape) clearMask();
    FShape.reset();
    return;
  }
  if (!FShape) FShape = std::make_unique<TShapeOverlay>(*this, *shape);
  FShape->Refresh();
}

}  // namespace dw::qt
