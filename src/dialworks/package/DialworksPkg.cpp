#include "dialworks/package/DialworksPkg.h"

#include <mutex>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/clock/DWAnalogClock.h"
#include "dialworks/indicators/DWLevelLed.h"
#include "dialworks/indicators/DWProgressBar.h"
#include "dialworks/linear/DWLinearGauge.h"
#include "dialworks/thermometer/DWThermometer.h"
#include "dialworks/segment/DWSegmentClock.h"
#include "dialworks/segment/DWSegmentGauge.h"
#include "dialworks/segment/DWSegmentText.h"
#include "dialworks/matrix/DWMatrixDisplay.h"
#include "dialworks/panel/DWGlassPanel.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"

namespace dw {

void RegisterDialworksPackage() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Each instrument unit's RegisterPkg is called here, in unit order, as the units arrive.
    DWAngularGauge::RegisterPkg();
    DWAnalogClock::RegisterPkg();
    DWProgressBar::RegisterPkg();
    DWLevelLed::RegisterPkg();
    DWLinearGauge::RegisterPkg();
    DWThermometer::RegisterPkg();
    DWSegmentGauge::RegisterPkg();
    DWSegmentClock::RegisterPkg();
    DWSegmentText::RegisterPkg();
    DWMatrixDisplay::RegisterPkg();
    DWGlassPanel::RegisterPkg();
    DWSpectrumDisplay::RegisterPkg();
  });
}

}  // namespace dw
