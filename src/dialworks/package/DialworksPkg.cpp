#include "dialworks/package/DialworksPkg.h"

#include <mutex>

namespace dw {

void RegisterDialworksPackage() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Each instrument unit's RegisterPkg is called here, in unit order, as the units arrive.
  });
}

}  // namespace dw
