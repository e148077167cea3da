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

/** Prints value (type 1: 32-bit integer, 2: double, 3: fix value) into buffer of size
    bytes, through templ or, when templ is null, in the default form.
    @return 0, 21012 (the text does not fit), 21014 to 21018 (a malformed template), 6
    (no memory), or -1 when the value cannot be rounded to the template's fraction
    digits. */
QD_API int num2str(const void* value, int type, char* buffer, qd_ulong size, const char* templ);
/** Reads text into the fix value result, in the free form when templ is null, else in
    the layout of templ exactly. result is unchanged on failure.
    @return 0, 19003 (text after the number in the free form), 21019 (the text does not
    match the template), a template error as num2str() reports it, or 19004. */
QD_API int str2num(const char* text, qd_fix* result, const char* templ);
/** The digits written after a decimal point, read as an integer, as thousandths:
    5 -> 500, 25 -> 250, 1234 -> 123, 9995 -> 1000. */
QD_API qd_ulong mk_fractional(qd_ulong digits);

QD_END_DECLS

#endif
