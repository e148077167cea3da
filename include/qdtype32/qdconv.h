/** @file qdconv.h
    Conversion of a value into a target type, and the scanning of literals. */
#ifndef QDTYPE32_QDCONV_H
#define QDTYPE32_QDCONV_H

#include "qdapi.h"
#include "qdattr.h"

QD_BEGIN_DECLS

/** Writes the value src of type code srccode into dst in the memory form of dsttype,
    checking ranges, precision and lengths.

    src null is the SQL null: 0 at once, nothing written. dst is sized for dsttype
    (size_attrtype()). On success *dstlen (when given) receives the bytes written (not
    for a blob target); on failure dst is unspecified, *dstlen untouched, and the error
    (recorded in the thread's report with the source and the target's text) is
    returned.
    @return 0, or 4200 (no conversion between the two types), 19001 (a floating value
    out of the target's range), 19002 (an integer out of the target's range), 19004 (a
    decimal, text or bit string that does not fit the target), 19005 (a rescale beyond
    30 digits), 19006 (an unsigned value above 2147483647 for a signed target), 19007
    (a text without a number), 19009 (a text for bool that is neither true nor false),
    19011 (a text whose number is out of the floating range), 9706 (a text not valid
    in the database encoding), or the error of the calendar reading or cast. */
QD_API int value_adapt_type(int srccode, const void* src, const attrtype* dsttype, void* dst,
                            qd_long* dstlen);

/* One literal: a number, 'text' ('' a quote), 0x hexadecimal bytes, 0b bits, true, false,
   datetime[..](..) or timespan[..](..). The literal's type follows from its form and is
   stored in *type when type is not null. Each call starts a fresh error report. The
   errors: 9030 no literal (or text after it), 9006 a sign before a literal that takes
   none, 9706 a string character not valid in the database encoding, 6 no memory, the
   calendar literal's 9048 (a field that is no integer), 9053 (no "(" after the range),
   9068 (no "]"), 9096 (a wrong separator), 9097 (an unknown range name), 9098 (fields
   and range disagree), 9099 (a timespan range mixing the groups), and the errors of
   the number and calendar readers (19004, 21004, 21005). */
/** Reads text, which must be one literal as a whole, into value (32672 bytes hold any)
    and its type into *type (when type is not null). Starts a fresh error report.
    @return 0 or the error recorded: 9030, 9006, 9706, 6, 9048, 9053, 9068, 9096, 9097,
    9098, 9099, 19004, 21004, 21005. */
QD_API int literal_to_binary(void* value, attrtype* type, const char* text);
/** As literal_to_binary(), into a block from malloc that *value receives (release it
    with free). On failure *value is null.
    @return 0 or the error recorded, as literal_to_binary() (6 when the block cannot be
    allocated). */
QD_API int literal_to_heapbinary(void** value, attrtype* type, const char* text);
/** Reads one literal at the start of text, which may go on after it; *end (when end is
    not null) receives the first character after the literal and *type (when type is
    not null) its type. No value is delivered. Starts a fresh error report.
    @return 0 or the error recorded, as literal_to_binary(). */
QD_API int literal_scan(attrtype* type, char** end, const char* text);

QD_END_DECLS

#endif
