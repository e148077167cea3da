// memory.h: the one allocation layer of the library. Every block the library takes from
// the process heap comes from here, so that a test can make the n-th allocation fail and
// show that each caller turns the failure into its defined error, leaks nothing and
// leaves the caller's values alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace qd {

// std::malloc, std::realloc and std::free, with the test hook in front. A failed
// mem_realloc leaves the block as it was.
void* mem_alloc(size_t size);
void* mem_realloc(void* block, size_t size);
void mem_free(void* block);

// An object of T in a block of the layer, value-initialised; null when the block
// cannot be had. mem_delete destroys and releases it (null is harmless).
template <class T>
T* mem_new() {
  void* block = mem_alloc(sizeof(T));
  return block ? new (block) T{} : nullptr;
}
template <class T>
void mem_delete(T* object) {
  if (!object) return;
  object->~T();
  mem_free(object);
}

// Test hook: counting from this call, the n-th allocation (mem_alloc or mem_realloc,
// from any thread) and every one after it fail; 0 switches failures off. Not exported.
void mem_fail_from_for_test(uint64_t n);
// Allocations refused by the hook since it was last set.
uint64_t mem_failures_for_test();

}  // namespace qd
