/** @file qdfix.h
    Fix values, the exact decimals of numeric and money: representation, conversions
    and arithmetic.

    A fix value is a byte string of 2 + ceil(p/2) bytes: byte 0 holds the sign (bit 7,
    1 = negative) and the precision p (bits 6..0, the number of stored digits); byte 1
    the scale s (signed); then the digits, two per byte, least significant first, the
    odd digit in the high half. The value is the digit string divided by 10^s. Every
    operation keeps p <= 30, so a 17-byte buffer holds any result. Values may sit at any
    address; the library never assumes alignment.

    The accessors, constructors and comparisons record no error and trust the caller
    for valid values and buffers of fixsize() bytes. The conversions and the arithmetic
    record each failure in the calling thread's error report and return its number:
    19000 division by zero, 19003 text after a number, 19004 a value that does not fit
    its target, 19005 a result beyond 30 digits or the scale range (the report names
    the operation and both operands). Out parameters are written only on success. */
#ifndef QDTYPE32_QDFIX_H
#define QDTYPE32_QDFIX_H

#include "qdapi.h"
#include "qdattr.h"

/** One byte of a fix value; values are passed as qd_fix pointers. */
typedef unsigned char qd_fix;

/** The size of the largest fix value (30 digits). */
#define QD_FIX_MAX_BYTES 17
/** The size of a buffer that holds the text of any fix value (fix_string()). */
#define QD_FIX_TEXT_SIZE 38

QD_BEGIN_DECLS

/* Accessors and constructors. Digits are numbered 1 (least significant) to p. */
/** The precision p: bits 6..0 of byte 0. */
QD_API int getprec(const qd_fix* v);
/** The scale s, sign-extended from byte 1. */
QD_API int getscale(const qd_fix* v);
/** The sign bit: 0 or 1; 0 for p = 0 whatever the bit. */
QD_API int getsign(const qd_fix* v);
/** Digit i (0 to 9), i from 1 (least significant) to p. */
QD_API int getdigit(const qd_fix* v, int i);
/** Sets the precision to p & 127; the sign bit stays. */
QD_API void putprec(qd_fix* v, int p);
/** Sets the scale byte to the low 8 bits of s. */
QD_API void putscale(qd_fix* v, int s);
/** Sets the sign bit (0 or 1); the precision stays. */
QD_API void putsign(qd_fix* v, int sign);
/** Sets digit i (1 to p) to d & 15; the other half of its byte stays. */
QD_API void putdigit(qd_fix* v, int i, int d);
/** The size of the value in bytes: 2 + ceil(p/2). */
QD_API int fixsize(const qd_fix* v);
/** The space a value of the numeric descriptor t needs: 2 + ceil(p/2) for its
    precision. */
QD_API int fixattrsize(const attrtype* t);
/** Points *start at byte 2 and sets *length to floor(p/2), the digit bytes whose halves
    are both in use: equal values of one precision and scale hash alike. */
QD_API void fixhash(qd_fix* v, qd_fix** start, int* length);
/** Makes v zero with scale 0 (sign 0, p 0).
    @return v. */
QD_API qd_fix* fixmkzero(qd_fix* v);
/** Makes v zero with the given scale (sign 0, p 0).
    @return v. */
QD_API qd_fix* fixmksczero(qd_fix* v, int scale);
/** 1 when p is 0 or all p digits are 0, else 0. */
QD_API int fixiszero(const qd_fix* v);
/** -1 when the sign bit is set (also on a zero with p > 0), else 0 for a zero and 1. */
QD_API int fixgetsign(const qd_fix* v);
/** Writes -src into dst (a copy with the sign flipped, unless src is zero).
    @return dst. */
QD_API qd_fix* fixminus(const qd_fix* src, qd_fix* dst);
/** Flips the sign of v in place, unless v is zero. */
QD_API void fix_change_sign(qd_fix* v);
/** Copies fixsize(src) bytes from src to dst. */
QD_API void fixcopy(const qd_fix* src, qd_fix* dst);
/** Compares by value, whatever the precisions and scales.
    @return -1 (a < b), 0 or 1. */
QD_API int fixcmp(const qd_fix* a, const qd_fix* b);
/** 1 when v fits the descriptor's precision at the descriptor's scale, else 0. */
QD_API int size_compatible(const qd_fix* v, const attrtype* t);

/* Conversions. */
/** Casts src to scale with half-up rounding into dst (dst may be src).
    @return dst, or null after recording 19005 when more than 30 digits are needed or
    the scale lies outside -128..127. */
QD_API qd_fix* fix_fix(const qd_fix* src, int scale, qd_fix* dst);
/** Writes x as a fix value of the given scale (up to 30 significant digits, then
    rounded half-up to the scale) into dst.
    @return 0, or 19005 (after recording 19012 for a number beyond the scale range, or
    19005 for a cast that does not fit). */
QD_API int double_fix(double x, int scale, qd_fix* dst);
/** Writes v at the given scale into dst.
    @return dst. */
QD_API qd_fix* long_fix(qd_long v, int scale, qd_fix* dst);
/** Writes the unsigned v at the given scale into dst.
    @return dst. */
QD_API qd_fix* ulong_fix(qd_ulong v, int scale, qd_fix* dst);
/** Reads text, which must be one number with nothing after it (a sign, or one blank
    in its place, before it; fixed notation or an exponent after "e" or "N"), into
    dst.
    @return 0, 19003 (characters after the number) or 19004 (a number beyond the
    range of fix values); each is recorded. */
QD_API int string_fix(const char* text, qd_fix* dst);
/** Reads a number at the start of text (white space skipped) into dst; *consumed gets
    the index of the first character not taken.
    @return 0 or 19004 (recorded: a number beyond the range of fix values). */
QD_API int scan_fix(const char* text, qd_fix* dst, int* consumed);
/** The value as the nearest double. */
QD_API double fix_double(const qd_fix* v);
/** Writes v rounded half-up to an integer into *out.
    @return 0, or 19004 (recorded; *out untouched) when it lies outside 32 bits. */
QD_API int fix_long(const qd_fix* v, qd_long* out);
/** Writes v rounded half-up to an unsigned integer into *out.
    @return 0, or 19004 (recorded; *out untouched) when it is negative or beyond 32
    bits. */
QD_API int fix_ulong(const qd_fix* v, qd_ulong* out);
/** Writes the canonical text of v into buf, which holds QD_FIX_TEXT_SIZE (38) bytes.
    @return buf. */
QD_API char* fix_string(const qd_fix* v, char* buf);
/** 1 when no non-zero digit of v lies below scale, else 0. */
QD_API int truncatable_to_scale(const qd_fix* v, int scale);
/** 1 when v's scale is at most 30 and its precision at least its scale, else 0. */
QD_API int fix_is62(const qd_fix* v);
/** Writes src cast to scale (as fix_fix()), with at most 30 fraction digits and its
    precision lengthened to at least its scale, into dst: the form fix_is62() accepts.
    @return 0, or 19005 (recorded) when that needs more than 30 digits. */
QD_API int fix_to62(const qd_fix* src, int scale, qd_fix* dst);

/* Arithmetic: results into a 17-byte c distinct from the operands (fixmul may write over
   a); all 17 bytes of c may be written, the digit bytes above the result's precision as
   0. After a failure c holds an unspecified state; the operands are unchanged. */
/** Writes a + b into c (17 bytes, distinct from the operands).
    @return 0, or 19005 (recorded with both operands) when the sum needs more than 30
    digits. */
QD_API int fixadd(const qd_fix* a, const qd_fix* b, qd_fix* c);
/** Writes a - b into c (17 bytes, distinct from the operands). b's sign is flipped for
    the time of the call and restored, also after a failure, so b must be writable.
    @return 0, or 19005 (recorded) when the difference needs more than 30 digits. */
QD_API int fixsub(const qd_fix* a, qd_fix* b, qd_fix* c);
/** Writes a * b into c (17 bytes; c may be a), rounded to 30 digits. The unused half
    byte of an operand of odd precision is cleared.
    @return 0, or 19005 (recorded) when the product's scale falls below -127. */
QD_API int fixmul(qd_fix* a, qd_fix* b, qd_fix* c);
/** Writes a / b, to 30 significant digits, into c (17 bytes, distinct from the
    operands). Near the magnitude limit the additions that refine the quotient may fail:
    their 19005 reports stay recorded, the division still returns 0, and c holds the last
    sum that succeeded, or what it held before the call when none did.
    @return 0, 19000 (recorded: b is zero) or 19005 (the quotient lies beyond the scale
    range). */
QD_API int fixdiv(const qd_fix* a, const qd_fix* b, qd_fix* c);
/** fixdiv(a, b, c); precision does not change the result.
    @return as fixdiv(). */
QD_API int __fixdiv(const qd_fix* a, const qd_fix* b, qd_fix* c, int precision);
/** Divides a's digit string, read as an integer, by divisor into q (q may be a);
    *quotient_is_zero (when not null) tells whether the quotient is zero.
    @return the remainder in units of a's last digit, or 19000 (recorded) for divisor 0,
    which a remainder cannot be told from. */
QD_API unsigned int fixdivmod(qd_fix* q, char* quotient_is_zero, const qd_fix* a,
                              unsigned int divisor);

QD_END_DECLS

#endif
