// TPropValue: one property value as the tables hand it around (null, bool, signed or unsigned
// integer, double, string). Forms and the render command's --set read and write JSON, but only
// their .cpp files see the JSON library; component headers carry this small type instead.
// Reading follows JSON numbers: an integer read as double (and back) converts, a non-negative
// integer from a form is held unsigned, as the JSON reader keeps it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "dialworks/Export.h"

namespace dw {

class DW_API TPropValue {
 public:
  TPropValue() = default;
  TPropValue(std::nullptr_t) {}
  TPropValue(bool AValue) : FValue(AValue) {}
  TPropValue(const char* AValue) : FValue(std::string(AValue)) {}
  TPropValue(std::string AValue) : FValue(std::move(AValue)) {}
  TPropValue(std::string_view AValue) : FValue(std::string(AValue)) {}
  // Integers (signed held as int64_t, unsigned as uint64_t), enumerations as their ordinal,
  // floating point as double.
  template <class T, std::enable_if_t<(std::is_arithmetic_v<T> || std::is_enum_v<T>) && !std::is_same_v<T, bool>, int> = 0>
  TPropValue(T AValue) {
    if constexpr (std::is_enum_v<T>) FValue = static_cast<int64_t>(AValue);
    else if constexpr (std::is_floating_point_v<T>) FValue = static_cast<double>(AValue);
    else if constexpr (std::is_signed_v<T>) FValue = static_cast<int64_t>(AValue);
    else FValue = static_cast<uint64_t>(AValue);
  }

  bool is_null() const { return std::holds_alternative<std::monostate>(FValue); }
  bool is_boolean() const { return std::holds_alternative<bool>(FValue); }
  bool is_string() const { return std::holds_alternative<std::string>(FValue); }
  bool is_number_unsigned() const { return std::holds_alternative<uint64_t>(FValue); }
  bool is_number_integer() const { return is_number_unsigned() || std::holds_alternative<int64_t>(FValue); }
  bool is_number_float() const { return std::holds_alternative<double>(FValue); }
  bool is_number() const { return is_number_integer() || is_number_float(); }

  // The value as T: numbers convert between each other as static_cast does; a value of another
  // kind (a string read as a number, ...) gives T{}. Callers check the kind first.
  template <class T>
  T get() const {
    if constexpr (std::is_same_v<T, std::string>) {
      const auto* s = std::get_if<std::string>(&FValue);
      return s ? *s : std::string();
    } else if constexpr (std::is_same_v<T, bool>) {
      const auto* b = std::get_if<bool>(&FValue);
      return b && *b;
    } else {
      static_assert(std::is_arithmetic_v<T>, "TPropValue::get: bool, a number type or std::string");
      if (const auto* i = std::get_if<int64_t>(&FValue)) return static_cast<T>(*i);
      if (const auto* u = std::get_if<uint64_t>(&FValue)) return static_cast<T>(*u);
      if (const auto* d = std::get_if<double>(&FValue)) return static_cast<T>(*d);
      return T{};
    }
  }

  // Numbers compare by value whatever their representation (1 == 1u == 1.0); other kinds by
  // kind and value.
  bool Equals(const TPropValue& AOther) const;
  friend bool operator==(const TPropValue& A, const TPropValue& B) { return A.Equals(B); }

 private:
  std::variant<std::monostate, bool, int64_t, uint64_t, double, std::string> FValue;
};

}  // namespace dw
