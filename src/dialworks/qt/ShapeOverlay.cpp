#include "dialworks/qt/ShapeOverlay.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Region.h"
#include "dialworks/qt/InstrumentWidget.h"

namespace dw::qt {

QRegion PixelRegion(const gp::Region& ARegion, int AWidth, int AHeight) {
  // The runs of rows alike make one band of taller rectangles: Y-X sorted, apart, bands of one
  // height, as QRegion::setRects wants them.
  std::vector<QRect> rects;
  std::vector<int> band;  // the runs (start, end) of the rows from bandTop on
  int bandTop = 0;
  auto closeBand = [&](int ABottom) {
    for (size_t i = 0; i + 1 < band.size(); i += 2)
      rects.emplace_back(band[i], bandTop, band[i + 1] - band[i], ABottom - bandTop);
  };
  ARegion.ForEachPixelRow(AWidth, AHeight, [&](int y, const std::vector<int>& ARuns) {
    if (ARuns == band) return;
    closeBand(y);
    band = ARuns;
    bandTop = y;
  });
  closeBand(std::max(AHeight, 0));
  QRegion out;
  if (!rects.empty()) out.setRects(rects.data(), int(rects.size()));
  return out;
}

namespace {

// The overlay: shows a picture with per-pixel alpha, takes no input and no focus.
class TGlowWindow final : public QWidget {
 public:
  TGlowWindow()
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                             Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  QImage Picture;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(QPointF(0, 0), Picture);
  }
};

}  // namespace

bool TShapeOverlay::WindowsHaveNoAlpha() {
  const QString platform = QGuiApplication::platformName();
  return platform == "offscreen" || platform == "minimal";
}

TShapeOverlay::TShapeOverlay(InstrumentWidget& AWidget, IWindowShape& AShape, bool AIntoWidget)
    : FWidget(AWidget), FShape(AShape), FIntoWidget(AIntoWidget) {}

TShapeOverlay::~TShapeOverlay() {
  if (FWatched) FWatched->removeEventFilter(this);
}

void TShapeOverlay::Refresh() {
  const QSize size = FWidget.size();
  const uint64_t version = FShape.WindowShapeVersion();
  const qreal ratio = FWidget.devicePixelRatioF();
  if (version == FVersion && size == FSize && ratio == FRatio) return;  // moves and visibility come through Place
  {
    FVersion = version;
    FSize = size;
    FRatio = ratio;
    // The glow is ours to show (overlay window or over the widget's picture), never the control's too.
    FShape.SetGlowOverlaid(FShape.HasGlow());
    gp::Region region;
    if (FShape.WindowRegion(region))
      FWidget.setMask(PixelRegion(region, size.width(), size.height()));
    else
      FWidget.clearMask();
    if (!FIntoWidget && FShape.HasGlow() && !size.isEmpty()) {
      if (!FWindow) FWindow = std::make_unique<TGlowWindow>();
      gp::Bitmap bitmap(int(std::ceil(size.width() * ratio)), int(std::ceil(size.height() * ratio)));
      {
        gp::CairoGraphics g(bitmap);
        g.Clear(0);
        g.ScaleTransform(float(ratio), float(ratio));
        FShape.PaintGlowPicture(g, size.width(), size.height());
        g.Flush();
      }
      auto* window = static_cast<TGlowWindow*>(FWindow.get());
      window->Picture = QImage(bitmap.Data(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                               QImage::Format_ARGB32_Premultiplied)
                            .copy();  // the bitmap goes at the end of this block
      window->Picture.setDevicePixelRatio(ratio);
      window->update();
    } else {
      FWindow.reset();
    }
  }
  Place();
}

void TShapeOverlay::Place() {
  QObject* top = FWidget.window();
  if (top != FWatched.data()) {
    if (FWatched) FWatched->removeEventFilter(this);
    FWatched = top;
    if (FWatched && FWatched.data() != &FWidget) FWatched->installEventFilter(this);
  }
  if (!FWindow) return;
  const QRegion visible = FWidget.visibleRegion();
  if (!FWidget.isVisible() || visible.isEmpty()) {
    FWindow->hide();
    return;
  }
  FWindow->setGeometry(QRect(FWidget.mapToGlobal(QPoint(0, 0)), FWidget.size()));
  FWindow->setMask(visible);
  if (!FWindow->isVisible()) FWindow->show();
  FWindow->raise();
}

void TShapeOverlay::PaintGlow(gp::Graphics& AGraphics) {
  if (FShape.HasGlow()) FShape.PaintGlowPicture(AGraphics, FWidget.width(), FWidget.height());
}

bool TShapeOverlay::eventFilter(QObject* AWatched, QEvent* AEvent) {
  switch (AEvent->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
      Place();
      break;
    default:
      break;
  }
  return QObject::eventFilter(AWatched, AEvent);
}

}  // namespace dw::qt
