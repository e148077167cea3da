// bits_internal.h: what the rest of the library needs of the bit strings beyond the exports.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qd {

constexpr size_t kBitsHeader = 4;   // bits: 32-bit signed bit count
constexpr size_t kBits2Header = 2;  // bits2: 16-bit unsigned bit count
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

// lit_to_bits storing at most max_bits bits; *cut (when given) tells whether the literal
// describes more. Returns the first character not consumed, as lit_to_bits does.
char* lit_to_bits_bounded(void* dst, char* lit, int32_t max_bits, bool* cut);

}  // namespace qd
