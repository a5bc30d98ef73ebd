// Change-notifying assignment: the one way setters store a published field.
//
//   bool Setter(object, "Name", FField, value [, follow-up])
//
// Under the object's change lock (TPersistent::ChangeLock(), the owning control's lock for nested
// objects): if the new value equals the stored one nothing happens and false is returned.
// Otherwise, in this order: the global listeners are told Before (object, property name), the
// field is stored, the listeners are told After, the follow-up runs, then the object's change
// callback (DoChanged: the owner's callback of a nested object, Invalidate of a control).
//
// Floating-point values: NaN is always refused (nothing changes); the plain Setter also refuses
// infinities. SetterMin / SetterMax / SetterMinMax limit the value first (so a value beyond the
// limit that is limited to the stored value changes nothing): below the minimum becomes the
// minimum, above the maximum the maximum; an infinity on the unlimited side is refused.
// Enumerations declared with DW_ENUM: ordinals outside the members are refused.
// Supported field types: double, TDWSharedReal, float, bool, integers (Cardinal = uint32_t), enumerations,
// std::string and TAlphaColor.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "dialworks/Export.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/framework/SharedReal.h"

namespace dw {

enum class TPropertyChangePhase : uint8_t { Before, After };
using TPropertyChangeListener =
    std::function<void(TPersistent& AObject, std::string_view AProperty, TPropertyChangePhase APhase)>;
using TListenerHandle = uint64_t;

// Global property-change listeners (property editors, undo, tests). Thread-safe; listeners run
// on the thread that assigns, in registration order, while the object's change lock is held.
DW_API TListenerHandle AddPropertyChangeListener(TPropertyChangeListener AListener);
DW_API void RemovePropertyChangeListener(TListenerHandle AHandle);
DW_API void NotifyPropertyChange(TPersistent& AObject, std::string_view AProperty, TPropertyChangePhase APhase);

// RAII registration.
class DW_API TPropertyChangeSubscription {
 public:
  explicit TPropertyChangeSubscription(TPropertyChangeListener AListener)
      : FHandle(AddPropertyChangeListener(std::move(AListener))) {}
  ~TPropertyChangeSubscription() { RemovePropertyChangeListener(FHandle); }
  TPropertyChangeSubscription(const TPropertyChangeSubscription&) = delete;
  TPropertyChangeSubscription& operator=(const TPropertyChangeSubscription&) = delete;

 private:
  TListenerHandle FHandle;
};

namespace detail {

struct DW_API TNoFollowUp {
  void operator()() const {}
};

// The value type a field stores: itself, or the double inside a TDWSharedReal.
template <class T>
struct TStoredAs {
  using type = T;
};
template <>
struct TStoredAs<TDWSharedReal> {
  using type = double;
};
template <class T>
using TStored = typename TStoredAs<T>::type;

template <class T>
bool ValueEquals(const T& a, const T& b) {
  return a == b;
}

// Holds the object's change lock (if it has one) for a scope.
class DW_API TChangeScope {
 public:
  explicit TChangeScope(const TPersistent& AObject) : FLock(AObject.ChangeLock()) {
    if (FLock) FLock->lock();
  }
  ~TChangeScope() {
    if (FLock) FLock->unlock();
  }
  TChangeScope(const TChangeScope&) = delete;
  TChangeScope& operator=(const TChangeScope&) = delete;

 private:
  TControlMutex* FLock;
};

template <class T, class V, class F>
bool Assign(TPersistent& AObject, std::string_view AName, T& AField, V&& AValue, F&& AFollowUp) {
  detail::TChangeScope scope(AObject);
  if (ValueEquals<TStored<T>>(AField, AValue)) return false;
  NotifyPropertyChange(AObject, AName, TPropertyChangePhase::Before);
  AField = std::forward<V>(AValue);
  NotifyPropertyChange(AObject, AName, TPropertyChangePhase::After);
  std::forward<F>(AFollowUp)();
  AObject.DoChanged();
  return true;
}

}  // namespace detail

template <class T, class F = detail::TNoFollowUp>
bool Setter(TPersistent& AObject, std::string_view AName, T& AField, detail::TStored<T> AValue,
            F&& AFollowUp = {}) {
  if constexpr (std::is_floating_point_v<detail::TStored<T>>) {
    if (!std::isfinite(AValue)) return false;
  }
  if constexpr (std::is_enum_v<detail::TStored<T>>) {  // ordinals outside the DW_ENUM members are refused
    if constexpr (requires { DWEnumInfo(static_cast<T*>(nullptr)); }) {
      auto i = static_cast<long long>(AValue);
      if (!(i >= 0 && i < static_cast<long long>(DWEnumInfo(static_cast<T*>(nullptr)).Members.size())))
        return false;
    }
  }
  return detail::Assign(AObject, AName, AField, std::move(AValue), std::forward<F>(AFollowUp));
}

template <class T, class F = detail::TNoFollowUp>
bool SetterMin(TPersistent& AObject, std::string_view AName, T& AField, detail::TStored<T> AValue,
               detail::TStored<T> AMin, F&& AFollowUp = {}) {
  if constexpr (std::is_floating_point_v<detail::TStored<T>>) {
    if (std::isnan(AValue)) return false;
  }
  if (!(AValue >= AMin)) AValue = AMin;
  if constexpr (std::is_floating_point_v<detail::TStored<T>>) {
    if (!std::isfinite(AValue)) return false;
  }
  return detail::Assign(AObject, AName, AField, AValue, std::forward<F>(AFollowUp));
}

template <class T, class F = detail::TNoFollowUp>
bool SetterMax(TPersistent& AObject, std::string_view AName, T& AField, detail::TStored<T> AValue,
               detail::TStored<T> AMax, F&& AFollowUp = {}) {
  if constexpr (std::is_floating_point_v<detail::TStored<T>>) {
    if (std::isnan(AValue)) return false;
  }
  if (!(AValue <= AMax)) AValue = AMax;
  if constexpr (std::is_floating_point_v<detail::TStored<T>>) {
    if (!std::isfinite(AValue)) return false;
  }
  return detail::Assign(AObject, AName, AField, AValue, std::forward<F>(AFollowUp));
}

template <class T, class F = detail::TNoFollowUp>
bool SetterMinMax(TPersistent& AObject, std::string_view AName, T& AField, detail::TStored<T> AValue,
                  detail::TStored<T> AMin, detail::TStored<T> AMax, F&& AFollowUp = {}) {
  if constexpr (std::is_floating_point_v<detail::TStored<T>>) {
    if (std::isnan(AValue)) return false;
  }
  if (!(AValue >= AMin)) AValue = AMin;
  else if (!(AValue <= AMax)) AValue = AMax;
  if constexpr (std::is_floating_point_v<detail::TStored<T>>) {
    if (!std::isfinite(AValue)) return false;
  }
  return detail::Assign(AObject, AName, AField, AValue, std::forward<F>(AFollowUp));
}

// Folds a value into [ALo, AHi) (angles: FoldValue(a, 0, 360)); non-finite values stay as they are.
DW_API double FoldValue(double AValue, double ALo, double AHi);

// Like Setter, after folding the value into [ALo, AHi); non-finite values are refused.
template <class T, class F = detail::TNoFollowUp>
bool SetterFold(TPersistent& AObject, std::string_view AName, T& AField, detail::TStored<T> AValue,
                detail::TStored<T> ALo, detail::TStored<T> AHi, F&& AFollowUp = {}) {
  static_assert(std::is_floating_point_v<detail::TStored<T>>);
  if (!std::isfinite(AValue)) return false;
  AValue = static_cast<detail::TStored<T>>(FoldValue(AValue, ALo, AHi));
  // A value just below the low end folds to just below AHi, which a float may round up to AHi.
  if (!(AValue < AHi)) AValue = ALo;
  return detail::Assign(AObject, AName, AField, AValue, std::forward<F>(AFollowUp));
}

// Refuses (returns false, keeps the field) a value outside [ALo, AHi] or NaN.
template <class T, class F = detail::TNoFollowUp>
bool SetterInRange(TPersistent& AObject, std::string_view AName, T& AField, detail::TStored<T> AValue,
                   detail::TStored<T> ALo, detail::TStored<T> AHi, F&& AFollowUp = {}) {
  if (!(AValue >= ALo && AValue <= AHi)) return false;
  return detail::Assign(AObject, AName, AField, AValue, std::forward<F>(AFollowUp));
}

}  // namespace dw
