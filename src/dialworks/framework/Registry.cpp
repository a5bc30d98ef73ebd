#include "dialworks/framework/Registry.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace dw {

namespace {

struct TRegistry {
  std::mutex Lock;
  std::vector<TRegistration> Entries;
  std::vector<const TClassInfo*> Classes;
  std::map<std::string, const TClassInfo*, std::less<>> ByName;
  std::map<const TClassInfo*, const TClassInfo*> Groups;
};

TRegistry& Reg() {
  static TRegistry r;
  return r;
}

thread_local std::string CurrentUnit;
thread_local const TClassInfo* CurrentGroup = nullptr;

void KnowClass(TRegistry& r, const TClassInfo& AClass) {
  auto it = r.ByName.find(AClass.Name());
  if (it == r.ByName.end()) {
    r.ByName.emplace(AClass.Name(), &AClass);
    r.Classes.push_back(&AClass);
  }
  if (CurrentGroup && !r.Groups.count(&AClass)) r.Groups[&AClass] = CurrentGroup;
}

void Add(const TClassInfo& AClass, TRegistrationKind AKind, std::string_view ACategory,
         TRXElementFamily AFamily = efComponent) {
  auto& r = Reg();
  std::lock_guard guard(r.Lock);
  KnowClass(r, AClass);
  if (AKind == rkClass) return;
  for (auto& e : r.Entries)
    if (e.Class == &AClass && e.Kind == AKind && (AKind != rkElement || e.Family == AFamily)) return;
  r.Entries.push_back(TRegistration{&AClass, AKind, CurrentUnit, std::string(ACategory), AFamily});
}

}  // namespace

TRegistrationUnit::TRegistrationUnit(std::string AUnit) : FPrevious(std::move(CurrentUnit)) {
  CurrentUnit = std::move(AUnit);
}
TRegistrationUnit::~TRegistrationUnit() { CurrentUnit = std::move(FPrevious); }

TClassGroupScope::TClassGroupScope(const TClassInfo& AGroup) : FPrevious(CurrentGroup) { CurrentGroup = &AGroup; }
TClassGroupScope::~TClassGroupScope() { CurrentGroup = FPrevious; }

void RegisterComponents(std::string_view APage, std::initializer_list<const TClassInfo*> AClasses) {
  for (const TClassInfo* c : AClasses)
    if (c) Add(*c, rkComponent, APage);
}

void RegisterClass(const TClassInfo& AClass) { Add(AClass, rkClass, {}); }

void GroupDescendentsWith(const TClassInfo& AClass, const TClassInfo& AGroup) {
  auto& r = Reg();
  std::lock_guard guard(r.Lock);
  r.Groups[&AClass] = &AGroup;
}

void RXRegisterLayerComponent(const TClassInfo& AClass, std::string_view ACategory) {
  Add(AClass, rkLayer, ACategory);
}
void RXRegisterComponentElement(const TClassInfo& AClass, std::string_view ACategory) {
  Add(AClass, rkElement, ACategory, efComponent);
}
void RXRegisterGaugeComponentElement(const TClassInfo& AClass, std::string_view ACategory) {
  Add(AClass, rkElement, ACategory, efGauge);
}
void RXRegisterClockComponentElement(const TClassInfo& AClass, std::string_view ACategory) {
  Add(AClass, rkElement, ACategory, efClock);
}
void RXRegisterAngularAnalogComponentElement(const TClassInfo& AClass, std::string_view ACategory) {
  Add(AClass, rkElement, ACategory, efAngularAnalog);
}
void RXRegisterLinearAnalogComponentElement(const TClassInfo& AClass, std::string_view ACategory) {
  Add(AClass, rkElement, ACategory, efLinearAnalog);
}
void RXRegisterMatrixComponentElement(const TClassInfo& AClass, std::string_view ACategory) {
  Add(AClass, rkElement, ACategory, efMatrix);
}

const TClassInfo* FindRegisteredClass(std::string_view AName) {
  auto& r = Reg();
  std::lock_guard guard(r.Lock);
  auto it = r.ByName.find(AName);
  return it == r.ByName.end() ? nullptr : it->second;
}

const TClassInfo* ClassGroupOf(const TClassInfo& AClass) {
  auto& r = Reg();
  std::lock_guard guard(r.Lock);
  for (const TClassInfo* c = &AClass; c; c = c->Parent()) {
    auto it = r.Groups.find(c);
    if (it != r.Groups.end()) return it->second;
  }
  return nullptr;
}

bool IsRegisteredForFamily(const TClassInfo& AClass, TRXElementFamily AFamily) {
  auto& r = Reg();
  std::lock_guard guard(r.Lock);
  return std::any_of(r.Entries.begin(), r.Entries.end(), [&](const TRegistration& e) {
    return e.Class == &AClass && e.Kind == rkElement && e.Family == AFamily;
  });
}

std::vector<TRegistration> Registrations(const TRegistrationFilter& AFilter) {
  auto& r = Reg();
  std::lock_guard guard(r.Lock);
  std::vector<TRegistration> result;
  for (auto& e : r.Entries) {
    if (!AFilter.Unit.empty() && e.Unit != AFilter.Unit) continue;
    if (!AFilter.Category.empty() && e.Category != AFilter.Category) continue;
    if (AFilter.Family && (e.Kind != rkElement || e.Family != *AFilter.Family)) continue;
    if (AFilter.Kind && e.Kind != *AFilter.Kind) continue;
    result.push_back(e);
  }
  return result;
}

std::vector<const TClassInfo*> RegisteredClasses() {
  auto& r = Reg();
  std::lock_guard guard(r.Lock);
  return r.Classes;
}

}  // namespace dw
