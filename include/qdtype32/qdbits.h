/** @file qdbits.h
   The bit string types bits and bits2 and their operations.

   A bits value is a 32-bit signed bit count n followed by (n+7)/8 data bytes; a bits2
   value is a 16-bit unsigned bit count followed by the same data bytes. Both live
   unaligned in caller buffers. Bit i is in data byte i/8 under the mask 0x80 >> (i mod 8).
   The bits of the last data byte beyond n (fill bits) are zero in every value these
   functions produce, and the whole-byte operations rely on that in their inputs.
   Every buffer that receives a bit string has room for at least one data byte.
   None of these functions allocates, locks or records an error. */
#ifndef QDTYPE32_QDBITS_H
#define QDTYPE32_QDBITS_H

#include "qdapi.h"

QD_BEGIN_DECLS

/** Writes a bits value of zeros 0 bits followed by ones 1 bits into dst; 0 and 0 give
    the single bit 0.
    @return dst. */
QD_API void* make_bits(void* dst, int zeros, int ones);
/** make_bits() for bits2 (zeros + ones at most 65535).
    @return dst. */
QD_API void* make_bits2(void* dst, uint16_t zeros, uint16_t ones);

/** Reads the digit form ("0", "1", a repetition group "(c)" after a digit, so
    1(3)0(2)1 is 111001) from lit into the bits value dst. The scan stops at the first
    other character, or at the "(" of a malformed group. The caller provides room for
    every bit the literal produces.
    @return a pointer to the first character not consumed (the terminating zero for a
    well-formed literal). */
QD_API char* lit_to_bits(void* dst, char* lit);
/** lit_to_bits() for bits2: a bits2 value takes at most 65535 bits.
    @return a pointer to the first character not consumed. */
QD_API char* lit_to_bits2(void* dst, char* lit);

/** Writes one '0' or '1' per bit of the n bits at data into out, then a zero; limit > 0
    bounds the output to limit bytes (the text then cut), limit <= 0 sets no bound.
    @return out. */
QD_API char* bits_to_asci(int n, void* data, char* out, int limit);

/** Compares two bit strings given by length and data bytes; strings differing only by
    trailing 0 bits compare equal.
    @return -1, 0 or 1. */
QD_API int sub_bit_compare(int len1, void* data1, int len2, void* data2);
/** sub_bit_compare() on two bits2 values.
    @return -1, 0 or 1. */
QD_API int bits2_compare(void* a, void* b);

/* Result length is the larger length; the shorter operand counts as extended with 0
   bits. res may be the same buffer as an operand. */
/** Writes a AND b into res.
    @return res. */
QD_API void* bit_and(void* a, void* b, void* res);
/** bit_and() for bits2.
    @return res. */
QD_API void* bits2_and(void* a, void* b, void* res);
/** Writes a OR b into res.
    @return res. */
QD_API void* bit_or(void* a, void* b, void* res);
/** bit_or() for bits2.
    @return res. */
QD_API void* bits2_or(void* a, void* b, void* res);
/** Writes the complement of src, of the same length, into dst.
    @return dst. */
QD_API void* bit_not(void* src, void* dst);
/** bit_not() for bits2.
    @return dst. */
QD_API void* bits2_not(void* src, void* dst);

/** Copies the bits value src (count and data bytes) to dst; destination first. */
QD_API void bit_copy(void* dst, void* src);
/** Copies the bits2 value src to dst; destination first. */
QD_API void bits2_copy(void* dst, void* src);

/** The hash key of a bits value is its data bytes: *key points at them and *len is
    (n+7)/8. */
QD_API void bits_hash(void* v, void** key, int* len);
/** bits_hash() for bits2. */
QD_API void bits2_hash(void* v, void** key, int* len);

/** Writes count bits of src from bit start into dst; bits past the end of src are 0.
    @return dst. */
QD_API void* bits_range(void* src, int start, int count, void* dst);
/** bits_range() for bits2.
    @return dst. */
QD_API void* bits2_range(void* src, int start, int count, void* dst);

/** Overwrites dst from bit pos with the bits of src; dst keeps its length (bits beyond
    it are dropped); nothing changes when pos lies beyond dst or src is empty.
    @return dst. */
QD_API void* bits2_replace(void* dst, void* src, uint16_t pos);

/** The number of 1 bits of a bits value. */
QD_API int count_bit(void* v);
/** Finds a set bit of a bits value.
    @return for k >= 1 the position of the k-th set bit, for k <= 0 the position of the
    last one; -1 if there is none. */
QD_API int find_nbit(void* v, int k);
/** find_nbit() for bits2.
    @return the position, or -1. */
QD_API int find_nbit_2(void* v, int k);

/** 1 if bit i of a bits value is set, 0 if clear or at or beyond the length. */
QD_API int bits_test_bit(void* v, int i);
/** bits_test_bit() for bits2. */
QD_API int bits2_test_bit(void* v, int i);

/** Sets bit i of a bits value, lengthening it to i+1 bits (the new bits 0) when
    needed; the caller provides room for (i+8)/8 data bytes.
    @return v. */
QD_API void* add_single_bit(void* v, int i);
/** Clears bit i of a bits value when it is inside the string; the length stays.
    @return v. */
QD_API void* del_single_bit(void* v, int i);

QD_END_DECLS

#endif
