// Property tables: each class describes its published properties once; streaming, Assign, the
// render command's --set Path=Value and the generic table tests all work from these tables.
//
// How a class declares its table
// ------------------------------
// In the class body put DW_CLASS(ThisClass, ParentClass) (it leaves the access at public); in the
// .cpp file write the table with DW_PROPERTIES(ThisClass). The parent's entries come first, in
// the parent's order; entries are written, read and assigned in table order.
//
//   class TDWMinMaxInstrument : public TDWBasicMinMaxInstrument {
//     DW_CLASS(TDWMinMaxInstrument, TDWBasicMinMaxInstrument)
//     ...
//   };
//
//   DW_PROPERTIES(TDWMinMaxInstrument) {
//     using C = TDWMinMaxInstrument;
//     t.Pin("InputPin", &C::InputPin);
//     t.Real("Value", &C::Value, &C::SetValue, 0.0)
//         .Stored([](const C& c) { return !c.InputPin().Connected(); })
//         .LimitTo([](const C& c) { return std::pair(c.Min(), c.Max()); });
//     t.Real("Min", &C::Min, &C::SetMin, 0.0).Stored([](const C& c) { return !c.InputPin().GetRangePopulated(); });
//     t.Real("Max", &C::Max, &C::SetMax, 100.0).Stored(...);
//     t.Object("Scale", &C::Scale);           // nested TPersistent reached through a reference
//     t.Collection("Elements", &C::Elements); // a TCollectionBase (polymorphic ones carry "class")
//     t.Default("Width", 200);                // a new default for an inherited entry
//   }
//
// Entry kinds: Bool, Integer (any integral type), Cardinal (uint32_t), Real (double), Single
// (float), Enum (an enumeration with DW_ENUM names), Color (TAlphaColor as "0xAARRGGBB"), String,
// Object, Collection, Pin. Getters and setters are member-function pointers or lambdas taking the
// object. Each value entry has a default; it is streamed only when its value differs from the
// default AND its Stored predicate (if any) holds. AlwaysStored/NotStored override that.
// Bad-input policy of a numeric entry (what its setter does; the generic test checks it, the form
// reader refuses values outside the range of Limit and Refuse entries):
//   Finite (default for Real/Single): NaN and infinities are refused, the old value stays;
//   Limit(lo, hi): values are clamped into lo..hi, NaN is refused;
//   Fold(lo, hi): values are folded into lo..hi (periodic, e.g. angles), non-finite refused;
//   Refuse(lo, hi): values outside lo..hi (and NaN) are refused, the old value stays;
//   Accept: every value of the type is valid (the default for the non-numeric kinds).
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"
#include "dialworks/framework/Component.h"
#include "dialworks/framework/PropertyValue.h"
#include "dialworks/host/Pins.h"

namespace dw {

// ---- enumerations ---------------------------------------------------------------------------

struct DW_API TEnumInfo {
  std::string Name;
  std::vector<std::string> Members;  // member i has ordinal i
  int IndexOf(std::string_view AName) const;
};

// DW_ENUM(TKVBevelStyle, "bsNone", "bsRaised", "bsLowered") after the enumeration, in the same
// namespace: the member names used by forms. Ordinals must be 0..n-1 in this order.
#define DW_ENUM(EnumName, ...)                                                  \
  DW_API inline const ::dw::TEnumInfo& DWEnumInfo(EnumName*) {                  \
    static const ::dw::TEnumInfo info{#EnumName, {__VA_ARGS__}};                \
    return info;                                                                \
  }

template <class E>
const TEnumInfo& EnumInfoOf() {
  return DWEnumInfo(static_cast<E*>(nullptr));
}

// ---- property entries -----------------------------------------------------------------------

enum class TPropKind : uint8_t { Bool, Integer, Cardinal, Real, Single, Enum, Color, String, Object, Collection, Pin };
enum class TBadInput : uint8_t { Accept, Finite, Limit, Fold, Refuse };

DW_API const char* PropKindName(TPropKind AKind);
DW_API const char* BadInputName(TBadInput APolicy);

// Colours in forms: "0xAARRGGBB", upper-case hex digits.
DW_API std::string ColorToText(TAlphaColor AColor);
DW_API bool ColorFromText(std::string_view AText, TAlphaColor& AColor);
// AText with control characters written as escapes (\n, \t, \xNN): messages stay one line.
DW_API std::string PrintableText(std::string_view AText);
// The shortest decimal text that reads back as the same float, as a double (0.3f -> 0.3).
DW_API double SingleToShortestDouble(float AValue);

class DW_API TPropInfo {
 public:
  TPropInfo(std::string AName, TPropKind AKind) : FName(std::move(AName)), FKind(AKind) {}
  virtual ~TPropInfo() = default;
  virtual std::shared_ptr<TPropInfo> Clone() const = 0;

  const std::string& Name() const { return FName; }
  TPropKind Kind() const { return FKind; }
  bool IsValue() const { return FKind <= TPropKind::String; }
  TBadInput Policy() const { return FPolicy; }
  double Lo() const { return FLo; }
  double Hi() const { return FHi; }
  // The range of a Limit/Refuse entry for this object (static or computed from the object).
  std::pair<double, double> Range(const TPersistent& AObject) const;
  bool HasDynamicRange() const { return static_cast<bool>(FRangeFn); }
  const TEnumInfo* Enum() const { return FEnum; }
  const std::string& Doc() const { return FDoc; }

  // Values as forms write them: bool, integers, doubles, enum member names, "0xAARRGGBB",
  // strings.
  virtual TPropValue Get(const TPersistent& AObject) const;
  virtual void Set(TPersistent& AObject, const TPropValue& AValue) const;
  virtual TPropValue Default(const TPersistent& AObject) const;
  virtual void SetDefault(const TPropValue& AValue);
  // Whether the writer writes this entry (values: differs from default and predicate holds).
  virtual bool IsStored(const TPersistent& AObject) const;
  // Checks a value read from a form or a path for a value entry: empty when acceptable, else the
  // reason. (Forms check nested objects, collections and pins themselves.)
  std::string Check(const TPersistent& AObject, const TPropValue& AValue) const;

  virtual TPersistent* Object(TPersistent& AObject) const;
  virtual TCollectionBase* Collection(TPersistent& AObject) const;
  virtual TPXPin* Pin(TPersistent& AObject) const;

  bool AlwaysStored() const { return FAlwaysStored; }
  bool NeverStored() const { return FNeverStored; }

 protected:
  bool PredicateHolds(const TPersistent& AObject) const { return !FStored || FStored(AObject); }

 public:  // set by the TProps builder
  std::string FName;
  TPropKind FKind;
  TBadInput FPolicy = TBadInput::Accept;
  double FLo = 0, FHi = 0;
  std::function<std::pair<double, double>(const TPersistent&)> FRangeFn;
  const TEnumInfo* FEnum = nullptr;
  std::string FDoc;
  std::function<bool(const TPersistent&)> FStored;
  bool FAlwaysStored = false, FNeverStored = false;
};

using TPropTable = std::vector<std::shared_ptr<TPropInfo>>;

namespace detail {

template <class T>
TPropValue ValueToProp(TPropKind AKind, const T& AValue, const TEnumInfo* AEnum) {
  if constexpr (std::is_enum_v<T>) {
    auto i = static_cast<size_t>(AValue);
    return AEnum && i < AEnum->Members.size() ? TPropValue(AEnum->Members[i]) : TPropValue(int64_t(i));
  } else if constexpr (std::is_same_v<T, bool>) {
    return AValue;
  } else if constexpr (std::is_same_v<T, std::string>) {
    return AValue;
  } else if constexpr (std::is_floating_point_v<T>) {
    if (AKind == TPropKind::Single) return SingleToShortestDouble(static_cast<float>(AValue));
    return static_cast<double>(AValue);
  } else {
    static_assert(std::is_integral_v<T>, "unsupported property value type");
    if (AKind == TPropKind::Color) return ColorToText(static_cast<TAlphaColor>(AValue));
    if constexpr (std::is_signed_v<T>) return static_cast<int64_t>(AValue);
    else return static_cast<uint64_t>(AValue);
  }
}

// Converts a value that Check has accepted (or one produced by ValueToProp).
template <class T>
T ValueFromProp(TPropKind AKind, const TPropValue& AValue, const TEnumInfo* AEnum) {
  if constexpr (std::is_enum_v<T>) {
    if (AValue.is_string()) return static_cast<T>(AEnum ? AEnum->IndexOf(AValue.get<std::string>()) : 0);
    return static_cast<T>(AValue.get<int64_t>());
  } else if constexpr (std::is_same_v<T, bool>) {
    return AValue.get<bool>();
  } else if constexpr (std::is_same_v<T, std::string>) {
    return AValue.get<std::string>();
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(AValue.get<double>());
  } else {
    if (AKind == TPropKind::Color && AValue.is_string()) {
      TAlphaColor c = 0;
      ColorFromText(AValue.get<std::string>(), c);
      return static_cast<T>(c);
    }
    if (AValue.is_number_float()) return static_cast<T>(AValue.get<double>());
    if constexpr (std::is_signed_v<T>) return static_cast<T>(AValue.get<int64_t>());
    else return static_cast<T>(AValue.get<uint64_t>());
  }
}

}  // namespace detail

// A value entry of class C with value type T (the part the builder's modifiers reach).
template <class C, class T>
class TTypedValueProp : public TPropInfo {
 public:
  TTypedValueProp(std::string AName, TPropKind AKind, T ADefault)
      : TPropInfo(std::move(AName), AKind), FDefault(std::move(ADefault)) {}
  virtual T GetT(const TPersistent& AObject) const = 0;
  T DefaultT(const TPersistent& AObject) const {
    return FDefaultFn ? FDefaultFn(static_cast<const C&>(AObject)) : FDefault;
  }
  TPropValue Get(const TPersistent& AObject) const override {
    return detail::ValueToProp<T>(FKind, GetT(AObject), FEnum);
  }
  TPropValue Default(const TPersistent& AObject) const override {
    return detail::ValueToProp<T>(FKind, DefaultT(AObject), FEnum);
  }
  void SetDefault(const TPropValue& AValue) override { FDefault = detail::ValueFromProp<T>(FKind, AValue, FEnum); }
  bool IsStored(const TPersistent& AObject) const override {
    if (FNeverStored) return false;
    if (FAlwaysStored) return PredicateHolds(AObject);
    if constexpr (std::is_floating_point_v<T>) {  // Single: compare as streamed (0.1f vs 0.1)
      if (FKind == TPropKind::Single && static_cast<float>(GetT(AObject)) == static_cast<float>(DefaultT(AObject)))
        return false;
    }
    if (GetT(AObject) == DefaultT(AObject)) return false;
    return PredicateHolds(AObject);
  }

  T FDefault;
  std::function<T(const C&)> FDefaultFn;
};

template <class C, class T, class G, class S>
class TValueProp final : public TTypedValueProp<C, T> {
 public:
  TValueProp(std::string AName, TPropKind AKind, G AGet, S ASet, T ADefault)
      : TTypedValueProp<C, T>(std::move(AName), AKind, std::move(ADefault)), FGet(AGet), FSet(ASet) {}
  std::shared_ptr<TPropInfo> Clone() const override { return std::make_shared<TValueProp>(*this); }
  T GetT(const TPersistent& AObject) const override {
    return static_cast<T>(std::invoke(FGet, static_cast<const C&>(AObject)));
  }
  void Set(TPersistent& AObject, const TPropValue& AValue) const override {
    std::invoke(FSet, static_cast<C&>(AObject), detail::ValueFromProp<T>(this->FKind, AValue, this->FEnum));
  }

  G FGet;
  S FSet;
};

template <class C, class G>
class TObjectProp final : public TPropInfo {
 public:
  TObjectProp(std::string AName, TPropKind AKind, G AGet) : TPropInfo(std::move(AName), AKind), FGet(AGet) {}
  std::shared_ptr<TPropInfo> Clone() const override { return std::make_shared<TObjectProp>(*this); }
  decltype(auto) Target(TPersistent& AObject) const { return std::invoke(FGet, static_cast<C&>(AObject)); }
  TPersistent* Object(TPersistent& AObject) const override {
    if constexpr (std::is_base_of_v<TPersistent, std::remove_cvref_t<decltype(Target(AObject))>>) {
      if (FKind == TPropKind::Object) return &const_cast<TPersistent&>(static_cast<const TPersistent&>(Target(AObject)));
    }
    return nullptr;
  }
  TCollectionBase* Collection(TPersistent& AObject) const override {
    using R = std::remove_cvref_t<decltype(Target(AObject))>;
    if constexpr (std::is_base_of_v<TCollectionBase, R>) {
      if (FKind == TPropKind::Collection) return &const_cast<R&>(Target(AObject));
    }
    return nullptr;
  }
  TPXPin* Pin(TPersistent& AObject) const override {
    using R = std::remove_cvref_t<decltype(Target(AObject))>;
    if constexpr (std::is_base_of_v<TPXPin, R>) {
      if (FKind == TPropKind::Pin) return &const_cast<R&>(Target(AObject));
    }
    return nullptr;
  }
  bool IsStored(const TPersistent& AObject) const override { return !FNeverStored && PredicateHolds(AObject); }

  G FGet;
};

// Builder handle returned by the TProps methods; every modifier returns the handle again.
template <class C, class T>
class TPropSpec {
 public:
  explicit TPropSpec(TPropInfo& AInfo) : FInfo(AInfo) {}
  // Streamed only while APredicate holds (and the value differs from its default).
  template <class F>
  TPropSpec& Stored(F APredicate) {
    FInfo.FStored = [p = std::move(APredicate)](const TPersistent& o) { return p(static_cast<const C&>(o)); };
    return *this;
  }
  TPropSpec& AlwaysStored() { FInfo.FAlwaysStored = true; return *this; }
  TPropSpec& NotStored() { FInfo.FNeverStored = true; return *this; }
  TPropSpec& Limit(double ALo, double AHi) { return Policy(TBadInput::Limit, ALo, AHi); }
  TPropSpec& Fold(double ALo, double AHi) { return Policy(TBadInput::Fold, ALo, AHi); }
  TPropSpec& Refuse(double ALo, double AHi) { return Policy(TBadInput::Refuse, ALo, AHi); }
  TPropSpec& Finite() { FInfo.FPolicy = TBadInput::Finite; return *this; }
  TPropSpec& Accept() { FInfo.FPolicy = TBadInput::Accept; return *this; }
  // Limit to a range that depends on the object (e.g. Value to Min..Max).
  template <class F>
  TPropSpec& LimitTo(F ARange) {
    FInfo.FPolicy = TBadInput::Limit;
    FInfo.FRangeFn = [r = std::move(ARange)](const TPersistent& o) { return r(static_cast<const C&>(o)); };
    return *this;
  }
  // The streaming default read from the object (for defaults set at run time).
  template <class F>
  TPropSpec& DefaultFrom(F ADefault) {
    static_assert(!std::is_void_v<T>, "DefaultFrom is for value entries");
    static_cast<TTypedValueProp<C, T>&>(FInfo).FDefaultFn = [d = std::move(ADefault)](const C& c) {
      return static_cast<T>(std::invoke(d, c));
    };
    return *this;
  }
  TPropSpec& Doc(std::string AText) { FInfo.FDoc = std::move(AText); return *this; }

 private:
  TPropSpec& Policy(TBadInput APolicy, double ALo, double AHi) {
    FInfo.FPolicy = APolicy;
    FInfo.FLo = ALo;
    FInfo.FHi = AHi;
    return *this;
  }
  TPropInfo& FInfo;
};

template <class C>
class TProps {
 public:
  explicit TProps(TPropTable& ATable) : FTable(ATable) {}

  template <class G, class S>
  auto Bool(const char* AName, G AGet, S ASet, bool ADefault) {
    return Add<bool>(AName, TPropKind::Bool, AGet, ASet, ADefault, TBadInput::Accept);
  }
  template <class G, class S, class T = std::remove_cvref_t<std::invoke_result_t<G, const C&>>>
  auto Integer(const char* AName, G AGet, S ASet, T ADefault) {
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
    return Add<T>(AName, TPropKind::Integer, AGet, ASet, ADefault, TBadInput::Accept);
  }
  template <class G, class S>
  auto Cardinal(const char* AName, G AGet, S ASet, uint32_t ADefault) {
    return Add<uint32_t>(AName, TPropKind::Cardinal, AGet, ASet, ADefault, TBadInput::Accept);
  }
  template <class G, class S>
  auto Real(const char* AName, G AGet, S ASet, double ADefault) {
    return Add<double>(AName, TPropKind::Real, AGet, ASet, ADefault, TBadInput::Finite);
  }
  template <class G, class S>
  auto Single(const char* AName, G AGet, S ASet, float ADefault) {
    return Add<float>(AName, TPropKind::Single, AGet, ASet, ADefault, TBadInput::Finite);
  }
  template <class G, class S>
  auto Color(const char* AName, G AGet, S ASet, TAlphaColor ADefault) {
    return Add<TAlphaColor>(AName, TPropKind::Color, AGet, ASet, ADefault, TBadInput::Accept);
  }
  template <class G, class S>
  auto String(const char* AName, G AGet, S ASet, std::string ADefault = {}) {
    return Add<std::string>(AName, TPropKind::String, AGet, ASet, std::move(ADefault), TBadInput::Accept);
  }
  template <class G, class S, class E>
  auto Enum(const char* AName, G AGet, S ASet, E ADefault) {
    static_assert(std::is_enum_v<E>);
    auto entry = Add<E>(AName, TPropKind::Enum, AGet, ASet, ADefault, TBadInput::Accept);
    FTable.back()->FEnum = &EnumInfoOf<E>();
    return entry;
  }
  // Nested object: AGet returns a reference to a TPersistent the object owns.
  template <class R>
  auto Object(const char* AName, R& (C::*AGet)()) { return AddObject(AName, TPropKind::Object, AGet); }
  template <class G>
  auto Object(const char* AName, G AGet) { return AddObject(AName, TPropKind::Object, AGet); }
  // Collection: AGet returns a reference to a TCollectionBase the object owns.
  template <class R>
  auto Collection(const char* AName, R& (C::*AGet)()) { return AddObject(AName, TPropKind::Collection, AGet); }
  template <class G>
  auto Collection(const char* AName, G AGet) { return AddObject(AName, TPropKind::Collection, AGet); }
  // Pin: AGet returns a reference to a host pin (TPXPin) the object owns; links name it by path.
  template <class R>
  auto Pin(const char* AName, R& (C::*AGet)()) { return AddObject(AName, TPropKind::Pin, AGet); }
  template <class G>
  auto Pin(const char* AName, G AGet) { return AddObject(AName, TPropKind::Pin, AGet); }

  // A new default for an inherited value entry of this class.
  template <class V>
  void Default(const char* AName, V AValue) {
    for (auto& p : FTable) {
      if (p->Name() == AName) {
        auto copy = p->Clone();
        copy->SetDefault(TPropValue(AValue));
        p = copy;
        return;
      }
    }
  }

 private:
  template <class T, class G, class S>
  TPropSpec<C, T> Add(const char* AName, TPropKind AKind, G AGet, S ASet, T ADefault, TBadInput APolicy) {
    auto p = std::make_shared<TValueProp<C, T, G, S>>(AName, AKind, AGet, ASet, std::move(ADefault));
    p->FPolicy = APolicy;
    Put(p);
    return TPropSpec<C, T>(*p);
  }
  template <class G>
  TPropSpec<C, void> AddObject(const char* AName, TPropKind AKind, G AGet) {
    auto p = std::make_shared<TObjectProp<C, G>>(AName, AKind, AGet);
    Put(p);
    return TPropSpec<C, void>(*p);
  }
  void Put(std::shared_ptr<TPropInfo> AProp) {
    for (auto& p : FTable) {
      if (p->Name() == AProp->Name()) {  // redeclared in a descendant: replaces, keeps the place
        p = std::move(AProp);
        return;
      }
    }
    FTable.push_back(std::move(AProp));
  }
  TPropTable& FTable;
};

// ---- class information ----------------------------------------------------------------------

class DW_API TClassInfo {
 public:
  using TCreate = std::unique_ptr<TPersistent> (*)();
  using TDeclare = void (*)(TPropTable&);
  TClassInfo(const char* AName, const TClassInfo* AParent, TCreate ACreate, TDeclare ADeclare);
  TClassInfo(const TClassInfo&) = delete;

  template <class C>
  static TClassInfo Make(const char* AName);

  const std::string& Name() const { return FName; }
  const TClassInfo* Parent() const { return FParent; }
  bool InheritsFrom(const TClassInfo& AClass) const;
  const TPropTable& Properties() const { return FProps; }
  const TPropInfo* FindProperty(std::string_view AName) const;
  // Creatable by name: components (constructed without owner) and default-constructible objects.
  bool CanCreate() const { return FCreate != nullptr; }
  std::unique_ptr<TPersistent> Create() const { return FCreate ? FCreate() : nullptr; }
  bool IsComponent() const;

 private:
  std::string FName;
  const TClassInfo* FParent;
  TCreate FCreate;
  TPropTable FProps;
};

template <class C>
TClassInfo TClassInfo::Make(const char* AName) {
  TCreate create = nullptr;
  if constexpr (!std::is_abstract_v<C>) {
    if constexpr (std::is_base_of_v<TComponent, C> && std::is_constructible_v<C, TComponent*>) {
      create = []() -> std::unique_ptr<TPersistent> { return std::make_unique<C>(nullptr); };
    } else if constexpr (!std::is_base_of_v<TComponent, C> && std::is_default_constructible_v<C>) {
      create = []() -> std::unique_ptr<TPersistent> { return std::make_unique<C>(); };
    }
  }
  return TClassInfo(AName, &C::inherited::StaticClass(), create, [](TPropTable& table) {
    TProps<C> t(table);
    C::DeclareProperties(t);
  });
}

#define DW_PROPERTIES(ClassName)                                                 \
  const ::dw::TClassInfo& ClassName::StaticClass() {                             \
    static const ::dw::TClassInfo info = ::dw::TClassInfo::Make<ClassName>(#ClassName); \
    return info;                                                                 \
  }                                                                              \
  void ClassName::DeclareProperties([[maybe_unused]] ::dw::TProps<ClassName>& t)

// ---- paths --------------------------------------------------------------------------------------

// A place reached by a property path: the object holding the entry and the entry itself. A path
// that ends at a nested object or collection item ("Elements[1]") has Prop == nullptr.
struct DW_API TPropertyLocation {
  TPersistent* Object = nullptr;
  const TPropInfo* Prop = nullptr;
};

// Resolves "Scale.MajorTicks.Count", "Elements[1].Mode" or "Elements[0].StatePin" from ARoot.
// Returns nullopt with the reason in AError when a segment does not exist.
DW_API std::optional<TPropertyLocation> FindPropertyPath(TPersistent& ARoot, std::string_view APath,
                                                  std::string* AError = nullptr);
// Reads or writes a value entry by path (checked as the form reader does).
DW_API std::optional<TPropValue> GetPropertyValue(TPersistent& ARoot, std::string_view APath, std::string* AError = nullptr);
DW_API bool SetPropertyValue(TPersistent& ARoot, std::string_view APath, const TPropValue& AValue, std::string* AError = nullptr);
// The same with text ("--set Scale.Count=5", "Color=0xFF00FF00", "Style=bsRaised", "Caption=abc").
DW_API bool SetPropertyText(TPersistent& ARoot, std::string_view APath, std::string_view AText, std::string* AError = nullptr);

}  // namespace dw
