// bits_internal.h: what the rest of the library needs of the bit strings beyond the exports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/limits.h"
#include "base/outcheck.h"

namespace qd {

constexpr int kBitsHeader = kByteStringHeader;  // bits: 32-bit signed bit count
constexpr int32_t kBits2MaxLength = 65535;

// Data bytes of a string of n bits.
constexpr size_t bits_data_bytes(uint32_t n) { return (static_cast<size_t>(n) + 7) / 8; }

// Bit counts as stored; a negative bits count (outside the value model) reads as 0.
int32_t bits_length(const void* v);
int32_t bits2_length(const void* v);

// Stored size of a value: header plus data bytes.
size_t bits_value_size(const void* v);
size_t bits2_value_size(const void* v);

// The comparison of two bits values for the value comparison's function table: -1, 0
// or 1, strings that differ only by trailing 0 bits being equal.
int bits_compare(const void* a, const void* b);

// Whether bytes are a well-formed bits or bits2 value: a length that is not negative,
// its data within room bytes, the fill bits of the last data byte zero. At most room
// bytes are read; *bytes gets the size the value claims (at most room).
bool valid_bits(const void* v, size_t room, size_t* bytes = nullptr);
bool valid_bits2(const void* v, size_t room, size_t* bytes = nullptr);

// At an export's return, in the checking build: the bits or bits2 value v is checked
// (when not null), provided the export's QD_INPUTS_OK held. A bit string claims its
// own size; nothing bounds it beyond that.
constexpr size_t kBitsAnyRoom = ~size_t{0};
#define QD_BITS_PTR(v) \
  ::qd::checked_pointer(__func__, "bits", ::qd::valid_bits, qd_inputs_ok_, (v), ::qd::kBitsAnyRoom)
#define QD_BITS2_PTR(v) \
  ::qd::checked_pointer(__func__, "bits2", ::qd::valid_bits2, qd_inputs_ok_, (v), \
                        ::qd::kBitsAnyRoom)

// lit_to_bits storing at most max_bits bits; *cut (when given) tells whether the literal
// describes more. Returns the first character not consumed, as lit_to_bits does.
char* lit_to_bits_bounded(void* dst, char* lit, int32_t max_bits, bool* cut);

}  // namespace qd
