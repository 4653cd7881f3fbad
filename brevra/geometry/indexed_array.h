// A fixed-size array with a declared index range Lo..Hi (for example 1..10000), as the
// library's records and tables declare them. Every index is checked: one outside the range
// throws std::out_of_range, which nothing in the library catches.
#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace brevra::geometry {

template <typename T, int Lo, int Hi>
class IndexedArray {
  static_assert(Lo <= Hi, "an indexed array needs at least one element");

 public:
  static constexpr int Low = Lo;
  static constexpr int High = Hi;
  static constexpr std::size_t Size = static_cast<std::size_t>(Hi - Lo + 1);

  T& operator[](int i) { return items_[offset(i)]; }
  const T& operator[](int i) const { return items_[offset(i)]; }

  void fill(const T& value) { items_.fill(value); }
  T* data() { return items_.data(); }
  const T* data() const { return items_.data(); }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Plain element storage (value-initialised: all zero for arithmetic and record types), so an
  // indexed array can also be brace-initialised: IndexedArray<double, 1, 3>{{1, 2, 3}}.
  std::array<T, Size> items_{};

 private:
  static std::size_t offset(int i) {
    if (i < Lo || i > Hi) {
      throw std::out_of_range("index " + std::to_string(i) + " outside " + std::to_string(Lo) +
                              ".." + std::to_string(Hi));
    }
    return static_cast<std::size_t>(i - Lo);
  }
};

}  // namespace brevra::geometry
