// The host contract every host keeps, run against the Qt host.
#include "QtTestSupport.h"
#include "host/HostContract.h"

namespace dwtest {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, HostContract, TQtDriver);
}  // namespace dwtest
