#include "dialworks/package/DialworksPkg.h"

#include <mutex>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/indicators/DWLevelLed.h"
#include "dialworks/indicators/DWProgressBar.h"
#include "dialworks/matrix/DWMatrixDisplay.h"

namespace dw {

void RegisterDialworksPackage() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Each instrument unit's RegisterPkg is called here, in unit order, as the units arrive.
    DWAngularGauge::RegisterPkg();
    DWProgressBar::RegisterPkg();
    DWLevelLed::RegisterPkg();
    DWMatrixDisplay::RegisterPkg();
  });
}

}  // namespace dw
