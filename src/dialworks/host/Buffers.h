// Data buffers carried by buffer pins and used by buffer-fed displays: a real buffer (double), an
// integer buffer (int32) and a byte block (uint8), all behind one interface that reads any of them
// as reals, so a display accepts whatever numeric buffer a source sends. Item access out of range
// reads 0 and ignores writes; conversion to integers rounds halves to even, limits to the type's
// range and turns NaN into 0. A zero-length buffer is valid everywhere.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/host/Helpers.h"

namespace dw {

class DW_API TMZBuffer {
 public:
  virtual ~TMZBuffer() = default;
  virtual size_t Size() const = 0;
  // Item as a real; 0 out of range.
  virtual double RealItem(size_t AIndex) const = 0;
  virtual std::unique_ptr<TMZBuffer> Clone() const = 0;
  bool Empty() const { return Size() == 0; }
};

template <class T>
class TMZTypedBuffer final : public TMZBuffer {
  static_assert(std::is_arithmetic_v<T>);

 public:
  using value_type = T;

  TMZTypedBuffer() = default;
  explicit TMZTypedBuffer(size_t ASize) : FData(ASize, T(0)) {}
  TMZTypedBuffer(std::initializer_list<T> AItems) : FData(AItems) {}
  TMZTypedBuffer(const T* AData, size_t ACount) : FData(AData, AData + (AData ? ACount : 0)) {}
  // Converts any numeric buffer.
  explicit TMZTypedBuffer(const TMZBuffer& ASource) { Assign(ASource); }
  TMZTypedBuffer(const TMZTypedBuffer&) = default;
  TMZTypedBuffer(TMZTypedBuffer&&) noexcept = default;
  TMZTypedBuffer& operator=(const TMZTypedBuffer&) = default;
  TMZTypedBuffer& operator=(TMZTypedBuffer&&) noexcept = default;

  void Assign(const TMZBuffer& ASource) {
    if (&ASource == this) return;
    if (auto* same = dynamic_cast<const TMZTypedBuffer*>(&ASource)) {
      FData = same->FData;
      return;
    }
    const size_t n = ASource.Size();
    FData.resize(n);
    for (size_t i = 0; i < n; ++i) FData[i] = FromReal(ASource.RealItem(i));
  }

  size_t Size() const override { return FData.size(); }
  double RealItem(size_t AIndex) const override {
    return AIndex < FData.size() ? double(FData[AIndex]) : 0.0;
  }
  std::unique_ptr<TMZBuffer> Clone() const override {
    return std::make_unique<TMZTypedBuffer>(*this);
  }

  // Keeps the first min(old, new) items; new items are 0.
  void Resize(size_t ASize) { FData.resize(ASize, T(0)); }
  void Zero() { std::fill(FData.begin(), FData.end(), T(0)); }
  T Item(size_t AIndex) const { return AIndex < FData.size() ? FData[AIndex] : T(0); }
  // False (nothing stored) out of range.
  bool SetItem(size_t AIndex, T AValue) {
    if (AIndex >= FData.size()) return false;
    FData[AIndex] = AValue;
    return true;
  }
  // Unchecked.
  T& operator[](size_t AIndex) { return FData[AIndex]; }
  const T& operator[](size_t AIndex) const { return FData[AIndex]; }
  T* Data() { return FData.data(); }
  const T* Data() const { return FData.data(); }
  auto begin() { return FData.begin(); }
  auto end() { return FData.end(); }
  auto begin() const { return FData.begin(); }
  auto end() const { return FData.end(); }
  bool operator==(const TMZTypedBuffer& AOther) const { return FData == AOther.FData; }

  static T FromReal(double AValue) {
    if constexpr (std::is_floating_point_v<T>) {
      return T(AValue);
    } else {
      if (std::isnan(AValue)) return T(0);
      const double r = RXRoundHalfEven(AValue);
      if (r <= double(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
      if (r >= double(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
      return T(r);
    }
  }

 private:
  std::vector<T> FData;
};

using TMZRealBuffer = TMZTypedBuffer<double>;
using TMZIntegerBuffer = TMZTypedBuffer<int32_t>;
using TMZByteBlockBuffer = TMZTypedBuffer<uint8_t>;

}  // namespace dw
