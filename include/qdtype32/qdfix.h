/* qdfix.h: fix values, the exact decimals of numeric and money: representation,
   conversions and arithmetic.

   A fix value is a byte string of 2 + ceil(p/2) bytes: byte 0 holds the sign (bit 7,
   1 = negative) and the precision p (bits 6..0, the number of stored digits); byte 1
   the scale s (signed); then the digits, two per byte, least significant first, the
   odd digit in the high half. The value is the digit string divided by 10^s. Every
   operation keeps p <= 30, so a 17-byte buffer holds any result. Values may sit at any
   address; the library never assumes alignment. */
#ifndef QDTYPE32_QDFIX_H
#define QDTYPE32_QDFIX_H

#include "qdapi.h"
#include "qdattr.h"

/* One byte of a fix value; values are passed as qd_fix pointers. */
typedef unsigned char qd_fix;

#define QD_FIX_MAX_BYTES 17
#define QD_FIX_TEXT_SIZE 38

QD_BEGIN_DECLS

/* Accessors and constructors. Digits are numbered 1 (least significant) to p. */
QD_API int getprec(const qd_fix* v);
QD_API int getscale(const qd_fix* v);
QD_API int getsign(const qd_fix* v); /* 0 for p = 0, else the sign bit */
QD_API int getdigit(const qd_fix* v, int i);
QD_API void putprec(qd_fix* v, int p);
QD_API void putscale(qd_fix* v, int s);
QD_API void putsign(qd_fix* v, int sign);
QD_API void putdigit(qd_fix* v, int i, int d);
QD_API int fixsize(const qd_fix* v);
QD_API int fixattrsize(const attrtype* t);
/* The digit bytes whose halves are both in use: start at byte 2, floor(p/2) bytes. */
QD_API void fixhash(qd_fix* v, qd_fix** start, int* length);
QD_API qd_fix* fixmkzero(qd_fix* v);
QD_API qd_fix* fixmksczero(qd_fix* v, int scale);
QD_API int fixiszero(const qd_fix* v);
QD_API int fixgetsign(const qd_fix* v); /* -1, 0 or 1 */
QD_API qd_fix* fixminus(const qd_fix* src, qd_fix* dst);
QD_API void fix_change_sign(qd_fix* v);
QD_API void fixcopy(const qd_fix* src, qd_fix* dst);
/* -1, 0 or 1 by value, whatever the precisions and scales. */
QD_API int fixcmp(const qd_fix* a, const qd_fix* b);
/* 1 when v fits the descriptor's precision at the descriptor's scale. */
QD_API int size_compatible(const qd_fix* v, const attrtype* t);

/* Conversions. */
/* Cast to a scale with half-up rounding; dst may be src. dst, or null after 19005. */
QD_API qd_fix* fix_fix(const qd_fix* src, int scale, qd_fix* dst);
QD_API int double_fix(double x, int scale, qd_fix* dst);
QD_API qd_fix* long_fix(qd_long v, int scale, qd_fix* dst);
QD_API qd_fix* ulong_fix(qd_ulong v, int scale, qd_fix* dst);
/* The whole text must be a number: 0, 19003 or 19004. */
QD_API int string_fix(const char* text, qd_fix* dst);
/* Reads a number at the start of text (white space skipped); *consumed gets the index
   of the first character not taken. 0 or 19004. */
QD_API int scan_fix(const char* text, qd_fix* dst, int* consumed);
QD_API double fix_double(const qd_fix* v);
QD_API int fix_long(const qd_fix* v, qd_long* out);   /* 0 or 19004, half-up */
QD_API int fix_ulong(const qd_fix* v, qd_ulong* out); /* 0 or 19004, half-up */
/* The canonical text into a buffer of QD_FIX_TEXT_SIZE (38) bytes; returns buf. */
QD_API char* fix_string(const qd_fix* v, char* buf);
QD_API int truncatable_to_scale(const qd_fix* v, int scale);
QD_API int fix_is62(const qd_fix* v);
QD_API int fix_to62(const qd_fix* src, int scale, qd_fix* dst);

/* Arithmetic: results into a 17-byte c distinct from the operands (fixmul may write over
   a); all 17 bytes of c may be written, the digit bytes above the result's precision as
   0. fixsub flips b's sign for the time of the call and restores it. */
QD_API int fixadd(const qd_fix* a, const qd_fix* b, qd_fix* c);
QD_API int fixsub(const qd_fix* a, qd_fix* b, qd_fix* c);
QD_API int fixmul(qd_fix* a, qd_fix* b, qd_fix* c);
QD_API int fixdiv(const qd_fix* a, const qd_fix* b, qd_fix* c);
QD_API int __fixdiv(const qd_fix* a, const qd_fix* b, qd_fix* c, int precision);
/* Divides a's digit string, read as an integer, by divisor into q (q may be a); returns
   the remainder in units of a's last digit, or 19000 for divisor 0. */
QD_API unsigned int fixdivmod(qd_fix* q, char* quotient_is_zero, const qd_fix* a,
                              unsigned int divisor);

QD_END_DECLS

#endif
