// Arrays whose first element is 64-byte aligned, for the vector kernels' aligned loads.
#pragma once

#include <cstdint>
#include <vector>

namespace pelzak::engine {

template <class T>
struct Aligned {
  std::vector<T> storage;
  T* data = nullptr;
  void resize(std::size_t n) {
    storage.assign(n + 64 / sizeof(T), T{});
    const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
    data = storage.data() + (64 - address % 64) % 64 / sizeof(T);
  }
};

}  // namespace pelzak::engine
