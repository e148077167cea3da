// tuple_internal.h: what the tuple files, the tool and the tests share about the stored
// row: its offset words, the alignment settings, the structural check, the entry order of
// merge lists.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/limits.h"

namespace qd {

// A tuple opens with n + 1 unsigned 16-bit offsets; the last one is the tuple's length.
constexpr int kTupleOffsetBytes = 2;
// Most fields whose offset table alone still fits a record.
constexpr int kTupleMaxFields = (kRecordMax - kTupleOffsetBytes) / kTupleOffsetBytes;
// The alignment setting (qdxglob_val.tuple_align): off, eight-byte; any other value is
// four-byte.
constexpr int kTupleAlignOff = 0;
constexpr int kTupleAlign8 = 8;

// The byte alignment of a field of type code `code` under an alignment setting.
int tuple_field_align(int code, int setting);

// Whether the n + 1 offsets at t are a tuple's: the first at or after the table, none
// smaller than the one before, the last within room (and the table itself within room).
bool valid_tuple(const void* t, int n, size_t room);

// The order of two 24-byte merge list entries: -1, 0 or 1.
int merge_entry_cmp(const unsigned char* a, const unsigned char* b);

}  // namespace qd
