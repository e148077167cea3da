// bytes_internal.h: what the library shares of the byte strings, the heap layer and the
// growable arrays beyond their exports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/limits.h"
#include "base/outcheck.h"

namespace qd {

// ---- Byte strings (binchar) -------------------------------------------------------------

// A binchar is its count (kByteStringHeader bytes) and at most kBincharMax bytes.

// Byte count of a binchar as stored, and the bytes that may be read from it: a count
// above the largest binchar (outside the value model) reads as the largest.
uint32_t binchar_count(const void* v);
uint32_t binchar_readable(const void* v);
// Whether bytes are a well-formed binchar: a count of at most kBincharMax whose bytes lie
// within room. At most room bytes are read; *bytes gets the size the value claims (at
// most room).
bool valid_binchar(const void* v, size_t room, size_t* bytes = nullptr);
// At an export's return, in the checking build: the binchar v is checked when the
// status is 0, provided the export's QD_INPUTS_OK held.
#define QD_BINCHAR_OUT(status, v)                                                      \
  ::qd::checked_status(__func__, "binchar", ::qd::valid_binchar, qd_inputs_ok_, (status), \
                       (v), static_cast<size_t>(::qd::kRecordMax))

// ---- Heap layer ---------------------------------------------------------------------------

// Every block of the heap layer and the growable arrays comes from these three (over the
// library's allocation layer, base/memory.h, whose hook makes them fail in tests).
void* heap_alloc(size_t size);
void* heap_resize(void* block, size_t size);
void heap_release(void* block);

// ---- Growable arrays ----------------------------------------------------------------------

constexpr uint32_t kDynarrStep = 0x100000;  // bytes: doubling stops above this size

}  // namespace qd
