// Controls whose window is not a plain rectangle (the glass panel). A host that shows such a control
// in a window of its own cuts that window to WindowRegion and, when HasGlow says so, shows the glow
// picture in a translucent overlay window over it, clipped to the part of the control that is
// visible on screen (a region's edge is hard and jagged; the glow repaints the anti-aliased border
// over it). Hosts find the interface with dynamic_cast on the control. Everything here runs on the
// user-interface thread.
#pragma once

#include <cstdint>

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/draw/Region.h"

namespace dw {

class DW_API IWindowShape {
 public:
  virtual ~IWindowShape() = default;
  // The window region in the control's own pixels (0, 0 at its top left corner); a host tests
  // pixel centres against it. False: the window stays rectangular (no region).
  virtual bool WindowRegion(gp::Region& ARegion) const = 0;
  // Whether an overlay window is wanted at all.
  virtual bool HasGlow() const = 0;
  // Paints the overlay picture over the control's area (AWidth x AHeight control pixels) into
  // AGraphics, whose target the host has cleared to transparent and scaled to device pixels.
  virtual void PaintGlowPicture(gp::Graphics& AGraphics, int AWidth, int AHeight) = 0;
  // The host says whether it shows the glow picture itself (in the overlay window, or painted over
  // the control's picture where windows have no per-pixel alpha); a control that otherwise paints
  // its glow with its own picture leaves it out then, so it is not painted twice. Without the call
  // (a picture rendered without a window) the control paints everything itself.
  virtual void SetGlowOverlaid(bool AHostShowsGlow) { (void)AHostShowsGlow; }
  // Grows whenever the region or the glow picture changes (border, bounds, glass), so a host knows
  // when to rebuild its mask and overlay.
  virtual uint64_t WindowShapeVersion() const = 0;
};

}  // namespace dw
