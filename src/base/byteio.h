// byteio.h: reading and writing fields of values that live unaligned in caller buffers.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

static_assert(std::endian::native == std::endian::little,
              "values are laid out little-endian; a big-endian host needs byte swaps here");

namespace qd {

// Reads a T from p, whatever p's alignment.
template <class T>
inline T load(const void* p) {
  static_assert(std::is_trivially_copyable_v<T>);
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Writes v to p, whatever p's alignment.
template <class T>
inline void store(void* p, T v) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::memcpy(p, &v, sizeof v);
}

}  // namespace qd
