// heapctl.cpp: the heap layer over the process heap; it never hands out a zero-sized
// block, and a failure is told by a null result only.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "qdtype32/qdheap.h"
#include "types/bytes_internal.h"

namespace qd {
namespace {

// Allocations left before the test hook makes them fail; negative: never fail.
std::atomic<int> g_fail_after{-1};

// Whether the test hook fails this allocation.
bool forced_failure() {
  int left = g_fail_after.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) return true;
    if (g_fail_after.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
      return false;
    }
  }
  return false;
}

inline size_t at_least_one(size_t size) { return size ? size : 1; }

}  // namespace

void* heap_alloc(size_t size) {
  if (forced_failure()) return nullptr;
  return std::malloc(at_least_one(size));
}

void* heap_resize(void* block, size_t size) {
  if (forced_failure()) return nullptr;
  return std::realloc(block, at_least_one(size));
}

void heap_release(void* block) { std::free(block); }

void heap_fail_after(int n) { g_fail_after.store(n < 0 ? -1 : n, std::memory_order_relaxed); }

}  // namespace qd

QD_EXTERN_C QD_API void* heapctl_malloc(unsigned size, unsigned, void*, unsigned) {
  return qd::heap_alloc(size);
}

QD_EXTERN_C QD_API void* heapctl_calloc(unsigned size, unsigned, void*, unsigned) {
  void* block = qd::heap_alloc(size);
  if (block) std::memset(block, 0, size);
  return block;
}

QD_EXTERN_C QD_API void* heapctl_malloc_ptr(int size) {
  static char empty[] = "";
  return heapctl_malloc(static_cast<unsigned>(size), 0, empty, 0);
}

QD_EXTERN_C QD_API void* heapctl_realloc(void* block, unsigned, unsigned size) {
  return qd::heap_resize(block, size);
}

QD_EXTERN_C QD_API void heapctl_free(void* block) { qd::heap_release(block); }
