// dynarr.cpp: growable arrays (need_space, free_space): geometric growth while the block
// is small, about a megabyte a step once it is large.
#include <cstddef>
#include <cstdint>
#include <limits>

#include "qdtype32/qdheap.h"
#include "types/bytes_internal.h"

// The record is shared with the host: documented byte positions on 32-bit targets, the
// same order with a native-width pointer elsewhere.
static_assert(offsetof(qd_dynarr, element_size) == 0);
static_assert(offsetof(qd_dynarr, used) == 4);
static_assert(offsetof(qd_dynarr, capacity) == 8);
static_assert(offsetof(qd_dynarr, kind) == 12);
static_assert(offsetof(qd_dynarr, data) == 16);
static_assert(sizeof(void*) != 4 || sizeof(qd_dynarr) == 20);
static_assert(sizeof(void*) != 8 || sizeof(qd_dynarr) == 24);

namespace qd {
namespace {

inline bool heap_kind(uint32_t kind) { return kind >= 1 && kind <= 3; }

// Bytes of n elements, or false when they do not fit the address space.
bool block_bytes(uint64_t elements, uint32_t element_size, size_t* bytes) {
  if (element_size != 0 && elements > std::numeric_limits<size_t>::max() / element_size) {
    return false;
  }
  *bytes = static_cast<size_t>(elements * element_size);
  return true;
}

// The capacity that holds `needed` elements, grown from cap by the rule chosen once from
// the block's size before growing. A capacity of 0 doubles to 1, so growth from an empty
// block still reaches the request.
uint64_t grown_capacity(uint64_t cap, uint64_t needed, uint32_t element_size) {
  if (cap >= needed) return cap;
  if (cap * element_size <= kDynarrStep) {
    while (cap < needed) cap = cap ? cap * 2 : 1;
    return cap;
  }
  // Whole steps only, counted rather than looped: with huge elements a step is 1.
  const uint64_t step = kDynarrStep / element_size + 1;
  return cap + (needed - cap + step - 1) / step * step;
}

}  // namespace
}  // namespace qd

QD_EXTERN_C QD_API void* need_space(qd_dynarr* a, unsigned count, unsigned element_size) {
  if (a == nullptr || !qd::heap_kind(a->kind)) return nullptr;
  if (a->data == nullptr) {
    size_t bytes;
    if (!qd::block_bytes(count, element_size, &bytes)) return nullptr;
    void* block = qd::heap_alloc(bytes);
    if (block == nullptr) return nullptr;
    a->data = block;
    a->used = 0;
    a->capacity = count;
    a->element_size = element_size;
    return block;
  }
  // used + count is counted in 64 bits, so a request beyond the 32-bit capacity fails
  // instead of wrapping.
  const uint64_t needed = uint64_t{a->used} + count;
  if (needed > std::numeric_limits<uint32_t>::max()) return nullptr;
  uint64_t cap = qd::grown_capacity(a->capacity, needed, a->element_size);
  if (cap > std::numeric_limits<uint32_t>::max()) cap = std::numeric_limits<uint32_t>::max();
  size_t bytes;
  if (!qd::block_bytes(cap, a->element_size, &bytes)) return nullptr;
  // On failure the record keeps its old block and capacity: the caller's elements stay
  // where they were and free_space still releases them.
  void* block = qd::heap_resize(a->data, bytes);
  if (block == nullptr) return nullptr;
  a->data = block;
  a->capacity = static_cast<uint32_t>(cap);
  return block;
}

QD_EXTERN_C QD_API void free_space(qd_dynarr* a) {
  if (a == nullptr || a->data == nullptr) return;
  qd::heap_release(a->data);
  a->data = nullptr;
  a->used = 0;
  a->capacity = 0;
}
