/** @file qdnumform.h
   Numbers printed and read through number templates such as
   "S9G999G990D00" or in their default forms; fractions of a second.

   Separators and currency symbols come from the shared settings record qdxglob_val
   (qdglob.h), which the host fills before the first call. Statuses are 0 or the error
   number also recorded in the thread's error report. */
#ifndef QDTYPE32_QDNUMFORM_H
#define QDTYPE32_QDNUMFORM_H

#include "qdapi.h"
#include "qdfix.h"

QD_BEGIN_DECLS

/**
 * Prints a number as text, in its default form or through a number template.
 *
 * @param value  the number: a 32-bit signed integer (type 1), a double (type 2) or a fix
 *               value (type 3); it may sit at any address.
 * @param type   1, 2 or 3; any other type prints the empty text.
 * @param buffer receives the zero-terminated text; it is also the template's scratch
 *               space, so on a failure its content is unspecified.
 * @param size   bytes of buffer, the terminating zero included.
 * @param templ  a template such as "S9G999G990D00" (digit positions 9 and 0, group
 *               separators "," and G, decimal separators "." and D, currency C, L, U,
 *               sign S before or after the number, MI after it, fill mode FM, literal
 *               text, quoted where it holds keyword letters), or null for the default
 *               form: the integer in decimal, the double with all its digits and no
 *               exponent, the fix value with its scale in full. D, G, C and L/U print the
 *               texts of qdxglob_val (decimal_sep, group_sep, currency_sym,
 *               local_currency_sym).
 * @return 0; 21012 when the text does not fit size (the integer default form asks for
 *         12 bytes whatever the value); 21014 to 21018 for a malformed template (an
 *         element given twice, misplaced, mixed group separators, a decimal separator
 *         without digits, an element after the number); 21020 for a template of more
 *         than 1024 digit groups; 6 when a prefix or suffix text cannot be copied;
 *         -1 when the value cannot be rounded to the template's fraction digits
 *         (a fix value whose rounding needs a 31st digit) or is an infinity or NaN.
 *         A value with more integer digits than the template has positions prints as
 *         a row of "#" and returns 0.
 */
QD_API int num2str(const void* value, int type, char* buffer, qd_ulong size, const char* templ);
/**
 * Reads a number from text into a fix value.
 *
 * @param text   the text, zero-terminated.
 * @param result receives the value (at most 17 bytes); unchanged on any failure.
 * @param templ  null for the free form: a decimal number (leading and trailing blanks,
 *               tabs and newlines allowed, an exponent after e or N) whose decimal
 *               separator may be qdxglob_val's decimal_sep as well as "."; otherwise a
 *               number template (see num2str) whose layout the text must follow: its
 *               prefix and suffix texts, padding blanks, sign, group lengths and at most
 *               its fraction digits. A text num2str printed through a template reads
 *               back through it to the printed value.
 * @return 0; 19003 when text follows the number in the free form; 21019 when the text
 *         does not match the template; a template error as num2str reports it; 19004
 *         when the number does not fit a fix value; 6 when no memory is left for a copy.
 */
QD_API int str2num(const char* text, qd_fix* result, const char* templ);
/**
 * Converts the digits written after a decimal point, read as an integer, to
 * thousandths: 5 -> 500, 25 -> 250, 125 -> 125, 1234 -> 123, 1235 -> 124, 9995 -> 1000
 * (digits beyond the third are rounded half up). Leading zeros of the written fraction
 * cannot be seen here: the caller counts them.
 *
 * @param digits the fraction digits as an integer.
 * @return the thousandths, 0 to 1000.
 */
QD_API qd_ulong mk_fractional(qd_ulong digits);

QD_END_DECLS

#endif
