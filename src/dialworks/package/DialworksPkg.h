// The package unit: registers every unit of the library with the class registry.
#pragma once

namespace dw {

// Calls the RegisterPkg of every unit once (later calls do nothing); thread-safe.
void RegisterDialworksPackage();

}  // namespace dw
