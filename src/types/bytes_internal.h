// bytes_internal.h: what the library shares of the byte strings, the heap layer and the
// growable arrays beyond their exports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/limits.h"

namespace qd {

// ---- Byte strings (binchar) -------------------------------------------------------------

// A binchar is its count (kByteStringHeader bytes) and at most kBincharMax bytes.

// Byte count of a binchar as stored, and the bytes that may be read from it: a count
// above the largest binchar (outside the value model) reads as the largest.
uint32_t binchar_count(const void* v);
uint32_t binchar_readable(const void* v);

// ---- Heap layer ---------------------------------------------------------------------------

// Every block of the heap layer and the growable arrays comes from these three, so that
// tests can make allocation fail.
void* heap_alloc(size_t size);
void* heap_resize(void* block, size_t size);
void heap_release(void* block);

// Test hook: after n more successful allocations or resizes, every further one fails
// until the hook is called again; a negative n switches failures off. Not exported.
void heap_fail_after(int n);

// ---- Growable arrays ----------------------------------------------------------------------

constexpr uint32_t kDynarrStep = 0x100000;  // bytes: doubling stops above this size

}  // namespace qd
