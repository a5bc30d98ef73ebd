// The window shape of an InstrumentWidget whose control implements IWindowShape: the widget's mask
// from the control's region, and the glow picture in a frameless translucent tool window kept over
// the widget (following the widget and its top-level window on move and resize, clipped to the
// widget's visible part). Platforms without per-pixel alpha in windows (the offscreen and minimal
// ones) get the glow drawn into the widget instead (PaintsIntoWidget).
#pragma once

#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/framework/WindowShape.h"

namespace dw::qt {

class InstrumentWidget;

// The region as a QRegion of whole pixels: a pixel belongs when its centre lies inside.
DW_API QRegion PixelRegion(const gp::Region& ARegion, int AWidth, int AHeight);

class DW_API TShapeOverlay : public QObject {
 public:
  // AIntoWidget: the glow is drawn into the widget, not shown in an overlay window; by default
  // where windows show no per-pixel alpha over others.
  TShapeOverlay(InstrumentWidget& AWidget, IWindowShape& AShape, bool AIntoWidget = WindowsHaveNoAlpha());
  ~TShapeOverlay() override;

  // The platforms whose windows cannot show per-pixel alpha over other windows (offscreen, minimal).
  static bool WindowsHaveNoAlpha();

  // Rebuilds the mask and the glow and places the overlay when the shape's version, the widget's
  // size or its device pixel ratio changed (called on every repaint request, so otherwise cheap).
  void Refresh();
  // Puts the overlay window over the widget's visible part (hidden with the widget).
  void Place();
  bool PaintsIntoWidget() const { return FIntoWidget; }
  // Draws the glow over the widget's own picture: the fallback without an overlay window, and a
  // picture of the widget (grab, render) that the overlay window is not part of.
  void PaintGlow(gp::Graphics& AGraphics);
  // The overlay window (null when the glow is drawn into the widget or not wanted).
  QWidget* Window() const { return FWindow.get(); }

 protected:
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

 private:
  InstrumentWidget& FWidget;
  IWindowShape& FShape;
  std::unique_ptr<QWidget> FWindow;
  // The widget's top-level window, watched for moves. It may go before us (the widget reparented
  // into another window and the old one deleted), hence a guarded pointer.
  QPointer<QObject> FWatched;
  uint64_t FVersion = ~uint64_t(0);
  QSize FSize;
  qreal FRatio = 0;
  bool FIntoWidget = false;
};

}  // namespace dw::qt
