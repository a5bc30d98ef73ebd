// A few values kept by key, the one used longest ago giving way to a new one: for costly results
// asked for again and again (gradient tables, text sizes). Not shared between threads: keep one
// per thread (thread_local).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace dw::gp {

template <class K, class V, size_t N>
class KeptValues {
 public:
  // The value kept for the key, or nullptr.
  const V* Find(const K& key) {
    return FindIf([&](const K& kept) { return kept == key; });
  }
  // The value kept for a key the predicate takes (to look up without making a key).
  template <class Match>
  const V* FindIf(Match match) {
    for (Slot& s : slots_)
      if (s.Used != 0 && match(s.Key)) {
        s.Used = ++uses_;
        return &s.Value;
      }
    return nullptr;
  }
  // Keeps the value in place of the one used longest ago.
  const V& Keep(const K& key, const V& value) {
    Slot* oldest = &slots_[0];
    for (Slot& s : slots_)
      if (s.Used < oldest->Used) oldest = &s;
    oldest->Key = key;
    oldest->Value = value;
    oldest->Used = ++uses_;
    return oldest->Value;
  }

 private:
  struct Slot {
    K Key{};
    V Value{};
    uint64_t Used = 0;  // 0: empty
  };
  std::array<Slot, N> slots_{};
  uint64_t uses_ = 0;
};

}  // namespace dw::gp
