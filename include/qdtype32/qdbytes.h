/* qdbytes.h: byte strings (binchar), the printed forms of bit strings, and bounded
   text copies.

   A binchar value is an unsigned 32-bit byte count followed by the bytes; it holds at
   most 32668 bytes (32672 with its count). */
#ifndef QDTYPE32_QDBYTES_H
#define QDTYPE32_QDBYTES_H

#include "qdapi.h"

QD_BEGIN_DECLS

/* Reads hexadecimal text (no "0x") into a binchar: two digits make a byte, a lone last
   digit makes its high half. Returns 0, or 1 when the text stops at a character that is
   neither its end nor white space, or holds more than 32668 bytes; the count word then
   still holds the number of bytes read (only the first 32668 are stored). */
QD_API int hex_to_binchar(void* dst, char* text);
/* "0x" and two lower-case digits a byte. size 0: no limit; otherwise the text fits in
   size bytes (the three bytes of "0x" and its NUL are always written). */
QD_API char* binchar_to_string(char* dst, void* binchar, unsigned size);
QD_API void* binchar_copy(void* dst, void* src);
/* Hands out the bytes of a binchar and their count for hashing. */
QD_API void binchar_hash(void* value, void** data, unsigned* len);
/* Copies n bytes; nothing for n <= 0. */
QD_API void binstrcpy(void* dst, void* src, int n);

/* "0b" and the digits of a bit string, fitting in size bytes (no limit for size <= 0). */
QD_API char* bits_to_string(char* dst, void* bits, int size);
QD_API char* bits2_to_string(char* dst, void* bits2, int size);

/* Copies src (dst holds max+1 bytes), or returns 11025 (recorded through _merror) and
   leaves dst alone when src is longer than max or max is negative. */
QD_API int qd_strncpy(char* dst, char* src, int max);
/* 0 when text is at most max characters, else 11025 as qd_strncpy. */
QD_API int qd_strlen(char* text, int max);

QD_END_DECLS

#endif
