/** @file qdheap.h
   The heap layer and the growable array record.

   The heap layer never hands out a zero-sized block: a request for 0 bytes gets 1.
   Failures are told only by a null result; nothing is recorded. */
#ifndef QDTYPE32_QDHEAP_H
#define QDTYPE32_QDHEAP_H

#include "qdapi.h"

QD_BEGIN_DECLS

/** Allocates size bytes (1 for 0) on the process heap; the last three arguments are
    accepted and ignored.
    @return the block, or null when the heap is exhausted. */
QD_API void* heapctl_malloc(unsigned size, unsigned word, void* pointer, unsigned word2);
/** As heapctl_malloc(), with the first size bytes set to zero.
    @return the block, or null. */
QD_API void* heapctl_calloc(unsigned size, unsigned word, void* pointer, unsigned word2);
/** heapctl_malloc(size, 0, "", 0).
    @return the block, or null. */
QD_API void* heapctl_malloc_ptr(int size);
/** Resizes block to size bytes (size 0 shrinks to one byte); word is ignored.
    @return the block, or null on failure, block then unchanged. */
QD_API void* heapctl_realloc(void* block, unsigned word, unsigned size);
/** Releases a block of the heap layer. */
QD_API void heapctl_free(void* block);

/** A growable array. The host allocates the record, sets kind (1, 2 or 3: the block
    lives on the process heap) and data (null) before the first need_space(). On 32-bit
    targets the members sit at bytes 0, 4, 8, 12 and 16 (20 bytes); 64-bit targets keep
    the order with an 8-byte data pointer. */
typedef struct qd_dynarr {
  uint32_t element_size; /**< bytes per element, set by the first need_space() */
  uint32_t used;     /**< elements in use: 0 after the first need_space(), then the caller's */
  uint32_t capacity; /**< elements the block holds */
  uint32_t kind;     /**< 1, 2 or 3; anything else makes need_space() refuse */
  void* data;        /**< the block, or null */
} qd_dynarr;

/** Makes room for count more elements beyond used. The first call allocates count
    elements of element_size bytes (used 0); later calls ignore element_size and grow
    the capacity: doubling while the block is at most one megabyte, else about one
    megabyte a step. Nothing is recorded.
    @return the block, or null when the kind is not 1, 2 or 3 or the heap is exhausted
    (the record then still describes a block that free_space() releases). */
QD_API void* need_space(qd_dynarr* a, unsigned count, unsigned element_size);
/** Releases the block (nothing when there is none); data becomes null, used and
    capacity 0, element size and kind stay. */
QD_API void free_space(qd_dynarr* a);

QD_END_DECLS

#endif
