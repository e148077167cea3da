/** @file qdbytes.h
   Byte strings (binchar), the printed forms of bit strings, and bounded text copies.

   A binchar value is an unsigned 32-bit byte count followed by the bytes; it holds at
   most 32668 bytes (32672 with its count). */
#ifndef QDTYPE32_QDBYTES_H
#define QDTYPE32_QDBYTES_H

#include "qdapi.h"

QD_BEGIN_DECLS

/** Reads hexadecimal text (no "0x") into the binchar dst: two digits make a byte, a lone
    last digit makes its high half. Nothing is recorded.
    @return 0, or 1 when the text stops at a character that is neither its end nor white
    space, or holds more than 32668 bytes; the count word then still holds the number of
    bytes read (only the first 32668 are stored). */
QD_API int hex_to_binchar(void* dst, char* text);
/** Writes a binchar as "0x" and two lower-case digits a byte into dst. size 0: no
    limit; otherwise the text fits in size bytes, cut at a whole byte (the three bytes
    of "0x" and its zero are always written).
    @return dst. */
QD_API char* binchar_to_string(char* dst, void* binchar, unsigned size);
/** Copies a binchar (its count and its bytes) from src to dst.
    @return dst. */
QD_API void* binchar_copy(void* dst, void* src);
/** Hands out the bytes of a binchar (*data, just after the count) and their count
    (*len) for hashing. */
QD_API void binchar_hash(void* value, void** data, unsigned* len);
/** Copies n bytes from src to dst; nothing for n <= 0. */
QD_API void binstrcpy(void* dst, void* src, int n);

/** Writes "0b" and the digits of a bits value into dst, fitting in size bytes (no limit
    for size <= 0).
    @return dst. */
QD_API char* bits_to_string(char* dst, void* bits, int size);
/** bits_to_string() for a bits2 value.
    @return dst. */
QD_API char* bits2_to_string(char* dst, void* bits2, int size);

/** Copies src into dst, which holds max+1 bytes.
    @return 0, or 11025 (recorded through _merror() with the text and max) when src is
    longer than max or max is negative; dst is then left alone. */
QD_API int qd_strncpy(char* dst, char* src, int max);
/** Checks a text's length against max.
    @return 0 when text is at most max characters, else 11025, recorded as by
    qd_strncpy(). */
QD_API int qd_strlen(char* text, int max);

QD_END_DECLS

#endif
