// A QWidget that shows one control, or a whole form, of the library live on a TQtHost.
//
// The widget owns what it shows. A single control fills the widget (it follows the widget's size;
// its size before showing is the widget's size hint); a form is drawn at its own size on its colour,
// each component at its place. Painting draws at device pixels, so a device pixel ratio of 2 draws
// twice the pixels and the instruments' cached layers are built at that scale: straight into the
// image Qt paints the window into where it can (no bitmap of the widget's own, no composing), else
// into a bitmap that a QImage shares (no copy per frame), composed by QPainter. Mouse, wheel, leave and focus reach the control under the
// pointer in control pixels; a control with TabStop takes the keyboard focus by tab.
//
// Destroying the widget (or replacing what it shows) unregisters the controls from the host first,
// so repaint requests still queued for them find nothing, then destroys them the way owners do
// (their timers and pins stop before their parts go).
#pragma once

#include <QImage>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Form.h"
#include "dialworks/host/HostServices.h"

namespace dw::gp {
class CairoGraphics;
}

class QPainter;

namespace dw::qt {

class TQtHost;
class TShapeOverlay;

class DW_API InstrumentWidget : public QWidget {
 public:
  InstrumentWidget(TQtHost& AHost, std::unique_ptr<TKVBasicControl> AControl, QWidget* AParent = nullptr);
  InstrumentWidget(TQtHost& AHost, std::unique_ptr<TDWForm> AForm, QWidget* AParent = nullptr);
  ~InstrumentWidget() override;
  InstrumentWidget(const InstrumentWidget&) = delete;
  InstrumentWidget& operator=(const InstrumentWidget&) = delete;

  // The single control shown (null when showing a form or nothing) and the form (null otherwise).
  TKVBasicControl* Control() const { return FControl.get(); }
  TDWForm* Form() const { return FForm.get(); }
  // Replace what the widget shows (null: nothing); what it showed before is destroyed.
  void SetControl(std::unique_ptr<TKVBasicControl> AControl);
  void SetForm(std::unique_ptr<TDWForm> AForm);

  // Paint events served so far (for tests and the benchmark).
  uint64_t PaintCount() const { return FPaints; }
  // Of those, the ones drawn straight into the image Qt painted into (see PaintIntoDevice).
  uint64_t DirectPaintCount() const { return FDirectPaints; }
  // Paints that drew a glass panel's glow into the widget's picture (for tests).
  uint64_t GlowPaintCount() const { return FGlowPaints; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* AEvent) override;
  void paintEvent(QPaintEvent* AEvent) override;
  void resizeEvent(QResizeEvent* AEvent) override;
  void moveEvent(QMoveEvent* AEvent) override;
  void showEvent(QShowEvent* AEvent) override;
  void hideEvent(QHideEvent* AEvent) override;
  void mousePressEvent(QMouseEvent* AEvent) override;
  void mouseMoveEvent(QMouseEvent* AEvent) override;
  void mouseReleaseEvent(QMouseEvent* AEvent) override;
  void wheelEvent(QWheelEvent* AEvent) override;
  void leaveEvent(QEvent* AEvent) override;
  void focusInEvent(QFocusEvent* AEvent) override;
  void focusOutEvent(QFocusEvent* AEvent) override;
  bool focusNextPrevChild(bool ANext) override;

 private:
  friend class TQtHost;
  // Called by the host on the user-interface thread for a control it found registered here.
  void RepaintControl(const TKVBasicControl& AControl, const TRepaintRect* ARect);
  void FocusControl(TKVBasicControl& AControl);

  // The controls shown, in paint order (a form's visible components; the single control).
  std::vector<TKVBasicControl*> Shown() const;
  bool IsShown(const TKVBasicControl* AControl) const;
  TKVBasicControl* ControlAt(QPointF APoint) const;
  QPoint Origin(const TKVBasicControl& AControl) const;  // the control's top left in the widget
  QRect Dirty(const QRect& ARect) const;  // what to update for a part of the widget
  void UpdatePlaces(bool ARepaint = true);
  void Attach();
  void Detach();  // unregisters and destroys what is shown
  void UpdateFocusPolicy();
  void SetFocusedControl(TKVBasicControl* AControl);
  void UpdateShape();
  bool PaintIntoDevice(QPainter& APainter, const QRect& ADirty, qreal ARatio);
  void DrawShown(gp::CairoGraphics& g, QPoint AOffset, qreal ARatio, const QRect* AClip, bool AOnto);
  bool PaintsOnScreen(QPainter& APainter) const;

  TQtHost& FHost;
  std::unique_ptr<TKVBasicControl> FControl;
  std::unique_ptr<TDWForm> FForm;
  gp::Bitmap FBitmap;  // device pixels; FImage shares its memory
  QImage FImage;
  std::unique_ptr<gp::CairoGraphics> FGraphics;  // draws into FBitmap; made with it
  // A graphics over the image Qt last painted this widget into directly (the window's buffer). It
  // is only drawn with inside a paint event, after checking that the image is still the one it
  // was made for (the same memory and layout); between paints it may name memory Qt has freed.
  struct TDirectTarget {
    uchar* Data;
    int Width, Height, Stride;
    std::unique_ptr<gp::CairoGraphics> Graphics;
  };
  std::unique_ptr<TDirectTarget> FDirect;
  // Where each visible control was drawn last (see UpdatePlaces).
  std::map<const TKVBasicControl*, QRect> FPlaces;
  uint64_t FPaints = 0, FDirectPaints = 0, FGlowPaints = 0;
  TKVBasicControl* FPressed = nullptr;  // holds the mouse from press to release
  TKVBasicControl* FHovered = nullptr;
  TKVBasicControl* FFocused = nullptr;
  std::unique_ptr<TShapeOverlay> FShape;
  bool FGlowHere = false;  // this paint draws the glow too (see paintEvent)
};

}  // namespace dw::qt
