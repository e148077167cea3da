// heapctl.cpp: the heap layer over the process heap; it never hands out a zero-sized
// block, and a failure is told by a null result only.
#include <cstring>

#include "base/memory.h"
#include "qdtype32/qdheap.h"
#include "types/bytes_internal.h"

namespace qd {
namespace {

inline size_t at_least_one(size_t size) { return size ? size : 1; }

}  // namespace

void* heap_alloc(size_t size) { return mem_alloc(at_least_one(size)); }

void* heap_resize(void* block, size_t size) { return mem_realloc(block, at_least_one(size)); }

void heap_release(void* block) { mem_free(block); }

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
