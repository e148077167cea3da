/* qdbits.h: the bit string types bits and bits2 and their operations.

   A bits value is a 32-bit signed bit count n followed by (n+7)/8 data bytes; a bits2
   value is a 16-bit unsigned bit count followed by the same data bytes. Both live
   unaligned in caller buffers. Bit i is in data byte i/8 under the mask 0x80 >> (i%8).
   The bits of the last data byte beyond n (fill bits) are zero in every value these
   functions produce, and the whole-byte operations rely on that in their inputs.
   Every buffer that receives a bit string has room for at least one data byte.
   None of these functions allocates, locks or records an error. */
#ifndef QDTYPE32_QDBITS_H
#define QDTYPE32_QDBITS_H

#include "qdapi.h"

QD_BEGIN_DECLS

/* zeros 0 bits followed by ones 1 bits; 0 and 0 give the single bit 0. */
QD_API void* make_bits(void* dst, int zeros, int ones);
QD_API void* make_bits2(void* dst, uint16_t zeros, uint16_t ones);

/* Reads the digit form ("0", "1", a repetition group "(c)" after a digit) from lit and
   returns a pointer to the first character not consumed. The caller provides room for
   every bit the literal produces; a bits2 value takes at most 65535 bits. */
QD_API char* lit_to_bits(void* dst, char* lit);
QD_API char* lit_to_bits2(void* dst, char* lit);

/* One '0' or '1' per bit, then a NUL; limit > 0 bounds the output to limit bytes. */
QD_API char* bits_to_asci(int n, void* data, char* out, int limit);

/* -1, 0 or 1; strings differing only by trailing 0 bits compare equal. */
QD_API int sub_bit_compare(int len1, void* data1, int len2, void* data2);
QD_API int bits2_compare(void* a, void* b);

/* Result length is the larger length; the shorter operand counts as extended with 0
   bits. res may be the same buffer as an operand. */
QD_API void* bit_and(void* a, void* b, void* res);
QD_API void* bits2_and(void* a, void* b, void* res);
QD_API void* bit_or(void* a, void* b, void* res);
QD_API void* bits2_or(void* a, void* b, void* res);
QD_API void* bit_not(void* src, void* dst);
QD_API void* bits2_not(void* src, void* dst);

/* Destination first. */
QD_API void bit_copy(void* dst, void* src);
QD_API void bits2_copy(void* dst, void* src);

/* The key is the data bytes: *key points at them and *len is (n+7)/8. */
QD_API void bits_hash(void* v, void** key, int* len);
QD_API void bits2_hash(void* v, void** key, int* len);

/* count bits from start; bits past the end of src are 0. */
QD_API void* bits_range(void* src, int start, int count, void* dst);
QD_API void* bits2_range(void* src, int start, int count, void* dst);

/* Overwrites dst from bit pos with the bits of src; dst keeps its length. */
QD_API void* bits2_replace(void* dst, void* src, uint16_t pos);

QD_API int count_bit(void* v);
/* k >= 1: position of the k-th set bit; k <= 0: position of the last one; -1 if none. */
QD_API int find_nbit(void* v, int k);
QD_API int find_nbit_2(void* v, int k);

/* 1 if bit i is set, 0 if clear or at or beyond the length. */
QD_API int bits_test_bit(void* v, int i);
QD_API int bits2_test_bit(void* v, int i);

/* Sets bit i, lengthening the string to i+1 bits when needed (room for (i+8)/8 data
   bytes); del_single_bit clears bit i when it is inside the string. */
QD_API void* add_single_bit(void* v, int i);
QD_API void* del_single_bit(void* v, int i);

QD_END_DECLS

#endif
