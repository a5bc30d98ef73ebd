// The package unit: registers every unit of the library with the class registry.
#pragma once

#include "dialworks/Export.h"

namespace dw {

// Calls the RegisterPkg of every unit once (later calls do nothing); thread-safe.
DW_API void RegisterDialworksPackage();

}  // namespace dw
