// The class registry: which classes forms may name, and which controls, layers and elements each
// unit offers in which family and category.
//
// A unit's RegisterPkg opens a TRegistrationUnit scope with its unit name and registers inside it:
//
//   void RegisterPkg() {
//     TRegistrationUnit unit("DWAngularGauge");
//     TClassGroupScope group(TKVBasicControl::StaticClass());  // the class-group bracket
//     RegisterComponents("Dialworks", {&TDWAngularGauge::StaticClass()});
//     RXRegisterLayerComponent(TDWAngularGaugeLayer::StaticClass(), "Gauges");
//     RXRegisterAngularAnalogComponentElement(TDWGaugeMinMaxHandElement::StaticClass(), "Hands");
//     RegisterClass(TDWExternalAngularGaugeMatrixElement::StaticClass());  // streaming only
//   }
//
// Registering is idempotent (the same class in the same role twice is one entry) and thread-safe.
// Every registration also makes the class known by name to the form reader.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/framework/PropertyTable.h"

namespace dw {

// Element families: which element collections accept a class (see TRXComponentElements).
enum TRXElementFamily : uint8_t {
  efComponent,      // RXRegisterComponentElement: any element collection of instruments
  efGauge,          // RXRegisterGaugeComponentElement: mirroring elements of value gauges
  efAngularAnalog,  // RXRegisterAngularAnalogComponentElement: hands of angular gauges
  efLinearAnalog,   // RXRegisterLinearAnalogComponentElement: hands of linear gauges
  efClock,          // RXRegisterClockComponentElement: clock elements and clock hands
  efMatrix,         // RXRegisterMatrixComponentElement: layers of dot-matrix displays
};
DW_ENUM(TRXElementFamily, "efComponent", "efGauge", "efAngularAnalog", "efLinearAnalog", "efClock", "efMatrix")

enum TRegistrationKind : uint8_t {
  rkClass,      // RegisterClass: known to streaming only
  rkComponent,  // RegisterComponents: offered as a control
  rkLayer,      // RXRegisterLayerComponent
  rkElement,    // RXRegister...ComponentElement
};

struct DW_API TRegistration {
  const TClassInfo* Class = nullptr;
  TRegistrationKind Kind = rkClass;
  std::string Unit;
  std::string Category;             // palette page for components, category otherwise
  TRXElementFamily Family = efComponent;  // elements only
};

// Sets the unit name recorded by the registrations made while it lives (per thread).
class DW_API TRegistrationUnit {
 public:
  explicit TRegistrationUnit(std::string AUnit);
  ~TRegistrationUnit();
  TRegistrationUnit(const TRegistrationUnit&) = delete;
  TRegistrationUnit& operator=(const TRegistrationUnit&) = delete;

 private:
  std::string FPrevious;
};

// The class-group bracket: classes registered inside resolve in AGroup's class group.
class DW_API TClassGroupScope {
 public:
  explicit TClassGroupScope(const TClassInfo& AGroup);
  ~TClassGroupScope();
  TClassGroupScope(const TClassGroupScope&) = delete;
  TClassGroupScope& operator=(const TClassGroupScope&) = delete;

 private:
  const TClassInfo* FPrevious;
};

DW_API void RegisterComponents(std::string_view APage, std::initializer_list<const TClassInfo*> AClasses);
DW_API void RegisterClass(const TClassInfo& AClass);
// Puts AClass (and, for lookups, its descendants) into AGroup's class group.
DW_API void GroupDescendentsWith(const TClassInfo& AClass, const TClassInfo& AGroup);
DW_API void RXRegisterLayerComponent(const TClassInfo& AClass, std::string_view ACategory);
DW_API void RXRegisterComponentElement(const TClassInfo& AClass, std::string_view ACategory);
DW_API void RXRegisterGaugeComponentElement(const TClassInfo& AClass, std::string_view ACategory);
DW_API void RXRegisterClockComponentElement(const TClassInfo& AClass, std::string_view ACategory);
DW_API void RXRegisterAngularAnalogComponentElement(const TClassInfo& AClass, std::string_view ACategory);
DW_API void RXRegisterLinearAnalogComponentElement(const TClassInfo& AClass, std::string_view ACategory);
DW_API void RXRegisterMatrixComponentElement(const TClassInfo& AClass, std::string_view ACategory);

// Class lookup by name for forms (any registration makes a class known); nullptr when unknown.
DW_API const TClassInfo* FindRegisteredClass(std::string_view AName);
// The class group a class resolves in (nullptr: none).
DW_API const TClassInfo* ClassGroupOf(const TClassInfo& AClass);
// Whether AClass is registered for AFamily.
DW_API bool IsRegisteredForFamily(const TClassInfo& AClass, TRXElementFamily AFamily);

// Every registration in registration order; the filters are ignored when empty / null.
struct DW_API TRegistrationFilter {
  std::string Unit;
  std::string Category;
  const TRXElementFamily* Family = nullptr;
  const TRegistrationKind* Kind = nullptr;
};
DW_API std::vector<TRegistration> Registrations(const TRegistrationFilter& AFilter = {});
// Every class known by name, in first-registration order.
DW_API std::vector<const TClassInfo*> RegisteredClasses();

}  // namespace dw
