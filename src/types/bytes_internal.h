// bytes_internal.h: what the library shares of the byte strings, the heap layer and the
// growable arrays beyond their exports.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qd {

// ---- Byte strings (binchar) -------------------------------------------------------------

constexpr size_t kBincharHeader = 4;                              // unsigned 32-bit byte count
constexpr uint32_t kBincharMax = 32668;                           // most bytes a binchar holds
constexpr size_t kBincharMaxSize = kBincharHeader + kBincharMax;  // 32672

// Byte count of a binchar as stored, and the bytes that may be read from it: a count
// above the largest binchar (outside the value model) reads as the largest.
uint32_t binchar_count(const void* v);
uint32_t binchar_readable(const void* v);

// ---- Heap layer ---------------------------------------------------------------------------

// Every block of the heap layer and the growable arrays comes from these three (over the
// library's allocation layer, base/memory.h, whose hook makes them fail in tests).
void* heap_alloc(size_t size);
void* heap_resize(void* block, size_t size);
void heap_release(void* block);

// ---- Growable arrays ----------------------------------------------------------------------

constexpr uint32_t kDynarrStep = 0x100000;  // bytes: doubling stops above this size

}  // namespace qd
