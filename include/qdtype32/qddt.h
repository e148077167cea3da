/* qddt.h: the calendar types datetime and timespan: sizes, validation, the current
   datetime, casts, comparison, arithmetic and literal text.

   A value is a packed record in a caller buffer (any alignment): a 32-bit header word
   (bits 0-3 low field code, 4-7 high field code, 8-11 mark), then one field per code
   from the low code up: 16-bit fields and 2 spare bytes for a datetime, 32-bit fields
   for a timespan. Field codes: 0 ms, 1 ss, 2 mi, 3 hh, 4 dd, 5 mo, 6 yy. A datetime's
   mark is its calendar (3 Julian, 4 Gregorian), a timespan's its sign (1 positive,
   2 negative). 20 bytes hold any datetime, 24 bytes any timespan.

   Statuses are 0 or the error number also recorded in the thread's error report; an
   operation that fails leaves its result buffer untouched. */
#ifndef QDTYPE32_QDDT_H
#define QDTYPE32_QDDT_H

#include "qdapi.h"

QD_BEGIN_DECLS

/* Reads the local clock into the process-wide current datetime (year down to
   milliseconds). Fails with 1854, leaving the current datetime as it was, when the
   clock cannot be converted to local time. */
QD_API int set_current(void);
/* Writes the current datetime (header and seven fields, 18 bytes; give it 20),
   setting it from the clock first if it was never set. */
QD_API int dt_current(void* result);

QD_API qd_long dt_size(const void* dt);
QD_API qd_long ts_size(const void* ts);
/* Copy the value's own size from source to destination; return that size. */
QD_API qd_long dt_copy(void* destination, const void* source);
QD_API qd_long ts_copy(void* destination, const void* source);
/* Point *bytes at the first field and set *length to the fields' size: the header, and
   with it a timespan's sign, is not hashed. */
QD_API void dt_hash(const void* dt, const void** bytes, qd_long* length);
QD_API void ts_hash(const void* ts, const void** bytes, qd_long* length);

/* Validates a datetime and rewrites it normalised in place (calendar mark set, 24:00
   rolled to 00:00 of the next day). 21004 for an invalid value, which stays unchanged. */
QD_API int dt_check(void* dt);
/* Validates a timespan (read only): 21005 when invalid. */
QD_API int ts_check(const void* ts);

/* Casts to the range [high:low]. Fields added above the old range come from the current
   datetime, fields added below it get their fill values (0 for clock fields, 1 for
   dates); a timespan's highest field is folded or spread across the new top. */
QD_API int dt_cast(const void* source, void* result, qd_long low, qd_long high);
QD_API int ts_cast(const void* source, void* result, qd_long low, qd_long high);

/* 0 when equal, else a number with the sign of a - b. */
QD_API qd_long dt_cmp(const void* a, const void* b);
/* *result = -1, 0 or 1; 21003 for timespans of different groups. */
QD_API int ts_cmp(const void* a, const void* b, qd_long* result);
/* -1 for a negative value (a negative zero too), 0 for zero, 1 for positive. */
QD_API int ts_getsign(const void* ts);
QD_API void ts_change_sign(void* ts);

QD_API int ts_add(const void* a, const void* b, void* result);
QD_API int ts_sub(const void* a, const void* b, void* result);
QD_API int ts_mul(const void* ts, qd_long factor, void* result);
/* Truncates toward zero. A zero divisor fails with 21006. */
QD_API int ts_div(const void* ts, qd_long divisor, void* result);

/* a - b as a timespan: days and clock units when the values hold anything below the
   month, else years and months. */
QD_API int dt_sub(const void* a, const void* b, void* result);
QD_API int dt_ts_add(const void* dt, const void* ts, void* result);
QD_API int dt_ts_sub(const void* dt, const void* ts, void* result);
/* *weekday = 0 (Sunday) to 6 (Saturday). */
QD_API int dt_weekday(const void* dt, qd_long* weekday);

/* The literal of a value, such as datetime[yy:dd](1582-10-4) or -timespan[hh:mi](30:15).
   Never fails; a 42-byte buffer holds the literal of every valid value (the text of an
   invalid value is cut to 41 characters). Returns buffer. */
QD_API char* dt_str(char* buffer, const void* dt);
QD_API char* ts_str(char* buffer, const void* ts);

QD_END_DECLS

#endif
