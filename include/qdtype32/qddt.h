/** @file qddt.h
   The calendar types datetime and timespan: sizes, validation, the current datetime,
   casts, comparison, arithmetic and literal text.

   A value is a packed record in a caller buffer (any alignment): a 32-bit header word
   (bits 0-3 low field code, 4-7 high field code, 8-11 mark), then one field per code
   from the low code up: 16-bit fields and 2 spare bytes for a datetime, 32-bit fields
   for a timespan. Field codes: 0 ms, 1 ss, 2 mi, 3 hh, 4 dd, 5 mo, 6 yy. A datetime's
   mark is its calendar (3 Julian, 4 Gregorian), a timespan's its sign (1 positive,
   2 negative). 20 bytes hold any datetime, 24 bytes any timespan.

   Statuses are 0 or the error number also recorded in the thread's error report; an
   operation that fails leaves its result buffer untouched. The numbers: 1854 the local
   clock cannot be read (any operation that needs the current datetime while it is
   unset), 21001 a timespan beyond 2147483647 in a field, 21002 a range outside
   0 <= low <= high <= 6 or a timespan range mixing the groups, 21003 timespans of
   different groups (year-month and day-time) or a year-month span with a datetime
   holding day-time fields, 21004 an invalid datetime, 21005 an invalid timespan or a
   datetime before year 1 or after 32767, 21006 a timespan divided by zero. */
#ifndef QDTYPE32_QDDT_H
#define QDTYPE32_QDDT_H

#include "qdapi.h"

QD_BEGIN_DECLS

/** Reads the local clock into the process-wide current datetime (year down to
    milliseconds), the instant every operation takes missing high fields from.
    @return 0, or 1854 when the clock cannot be converted to local time (the current
    datetime stays as it was). */
QD_API int set_current(void);
/** Writes the current datetime (header and seven fields, 18 bytes; give it 20) into
    result, setting it from the clock first if it was never set.
    @return 0 or 1854 (the clock cannot be read; nothing written). */
QD_API int dt_current(void* result);

/** The size of a datetime value: 2 * (high - low) + 8 bytes. */
QD_API qd_long dt_size(const void* dt);
/** The size of a timespan value: 4 * (high - low) + 8 bytes. */
QD_API qd_long ts_size(const void* ts);
/** Copies dt_size(source) bytes from source to destination.
    @return that size. */
QD_API qd_long dt_copy(void* destination, const void* source);
/** Copies ts_size(source) bytes from source to destination.
    @return that size. */
QD_API qd_long ts_copy(void* destination, const void* source);
/** Points *bytes at the first field and sets *length to the fields' size (2 bytes a
    field): the header is not hashed. */
QD_API void dt_hash(const void* dt, const void** bytes, qd_long* length);
/** Points *bytes at the first field and sets *length to the fields' size (4 bytes a
    field): the header, and with it the sign, is not hashed. */
QD_API void ts_hash(const void* ts, const void** bytes, qd_long* length);

/** Validates a datetime and rewrites it normalised in place: the calendar mark set
    (Julian up to 4 October 1582, Gregorian from 15 October), 24:00 rolled to 00:00 of
    the next day.
    @return 0, or 21004 for an invalid value (a field outside its limits, hour 24 with a
    non-zero lower field, a day beyond its month, 5 to 14 October 1582), which stays
    unchanged. */
QD_API int dt_check(void* dt);
/** Validates a timespan (read only).
    @return 0, or 21005 when its range mixes the groups, a lower field lies outside its
    bound or the highest field is negative. */
QD_API int ts_check(const void* ts);

/** Casts a datetime to the range [high:low] into result. Fields added above the old
    range come from the current datetime, fields added below it get their fill values
    (0 for clock fields, 1 for dates).
    @return 0, 21002 (a range outside 0 <= low <= high <= 6), 21004 (the result is no
    valid datetime) or 1854. */
QD_API int dt_cast(const void* source, void* result, qd_long low, qd_long high);
/** Casts a timespan to the range [high:low] into result; the highest field is folded
    or spread across the new top (30 hours become 1 day 6 hours and back).
    @return 0, 21001 (a field beyond 2147483647), 21002 (low above high, or a range
    mixing the groups) or 21003 (a cast between the groups). */
QD_API int ts_cast(const void* source, void* result, qd_long low, qd_long high);

/** Compares two datetimes over their common range, fields missing in one taken from
    the current datetime.
    @return 0 when equal, else a number with the sign of a - b. */
QD_API qd_long dt_cmp(const void* a, const void* b);
/** Compares two timespans of one group; writes -1, 0 or 1 into *result.
    @return 0, or 21003 for timespans of different groups (*result untouched). */
QD_API int ts_cmp(const void* a, const void* b, qd_long* result);
/** The sign of a timespan.
    @return -1 for a negative value (a negative zero too), 0 for zero, 1 for positive. */
QD_API int ts_getsign(const void* ts);
/** Flips the sign of a timespan in place (a zero becomes a negative zero). */
QD_API void ts_change_sign(void* ts);

/** Writes a + b, over their common range, into result.
    @return 0, 21001 (a field beyond 2147483647) or 21003 (different groups). */
QD_API int ts_add(const void* a, const void* b, void* result);
/** Writes a - b, over their common range, into result.
    @return 0, 21001 or 21003, as ts_add(). */
QD_API int ts_sub(const void* a, const void* b, void* result);
/** Writes ts * factor into result.
    @return 0 or 21001 (a field beyond 2147483647). */
QD_API int ts_mul(const void* ts, qd_long factor, void* result);
/** Writes ts / divisor into result, truncated toward zero at the lowest field.
    @return 0, 21001 or 21006 (divisor 0; nothing written). */
QD_API int ts_div(const void* ts, qd_long divisor, void* result);

/** Writes a - b as a timespan into result: days and clock units when the values hold
    anything below the month, else years and months; fields missing in one value come
    from the current datetime.
    @return 0, or 1854 when the current datetime cannot be set. */
QD_API int dt_sub(const void* a, const void* b, void* result);
/** Writes dt + ts into result, in dt's range, across month ends and the 1582 calendar
    switch.
    @return 0, 21003 (a year-month span with a datetime holding day-time fields), 21005
    (a result before year 1 or after 32767) or 1854. */
QD_API int dt_ts_add(const void* dt, const void* ts, void* result);
/** Writes dt - ts into result, as dt_ts_add() with the span's sign flipped.
    @return as dt_ts_add(). */
QD_API int dt_ts_sub(const void* dt, const void* ts, void* result);
/** Writes the day of the week of dt into *weekday: 0 (Sunday) to 6 (Saturday); a
    date missing fields takes them from the current datetime.
    @return 0, or the error of that cast (21004 when the date is not valid, 1854). */
QD_API int dt_weekday(const void* dt, qd_long* weekday);

/** Writes the literal of a datetime, such as datetime[yy:dd](1582-10-4), into buffer.
    Never fails; a 42-byte buffer holds the literal of every valid value (the text of an
    invalid value is cut to 41 characters).
    @return buffer. */
QD_API char* dt_str(char* buffer, const void* dt);
/** Writes the literal of a timespan, such as -timespan[hh:mi](30:15), into buffer.
    Never fails; a 42-byte buffer holds the literal of every valid value.
    @return buffer. */
QD_API char* ts_str(char* buffer, const void* ts);

/* ---- Date format templates ------------------------------------------------------------

   A template is a run of keywords and literal text. Keywords are recognised anywhere,
   without regard to case: yyyy, yy, mm or mo (month number), month and mon (month names),
   rm (roman month), dd, dy and day (weekday names), hh12 or hh and hh24, mi, ss, a run of
   f (fraction digits), am and a.m. (meridian indicator). How a keyword is written sets
   the case of what it prints: MONTH, month, Month, mONTH. Other text is copied; text in
   double quotes ("" inside for one quote) is copied even where it contains a keyword.
   Month and weekday names come from the host's tables in qdxglob_val. */

/** Prints the datetime dt through the template templ into buffer, which holds size
    bytes, zero-terminated.

    A value whose range does not cover the template's fields is cast to them first: the
    fields above its range come from the current datetime, those below it are 0 (clock
    fields) or 1 (dates). yyyy prints a year above 9999 with its five digits; fraction
    digits fewer than three are rounded half up and stop at nines (995 milliseconds
    print as 99 for ff), so they never change the seconds.

    Errors: 21012 when size is 0 or the text needs more than size - 2 characters (the
    buffer may then hold part of the text); 21002 for a template without any field
    keyword or a value whose range codes are out of order; 21004 for an unvalidated
    value whose month (printed as a name or numeral) or milliseconds (printed as
    fraction digits) lie outside their limits, and from the cast; 1854 when the clock
    cannot be read for a field the value lacks; 6 when the template's literal text
    cannot be held. Returns 0 on success. */
QD_API int date2str(const void* dt, char* buffer, qd_long size, const char* templ);

/** Reads a datetime from text through the template templ into result (20 bytes hold
    any datetime). The result's range runs from the lowest to the highest field read,
    and the value is validated.

    The current datetime is refreshed from the clock; two-digit years 0-49 fall in its
    century, 50-99 in the century before. Numbers take one or two digits (yyyy up to
    four); fraction digits beyond the third are rounded by the fourth. Names match the
    host's tables as prefixes, without regard to case; literal text must match exactly.
    When an element does not match, reading starts again from the start of text and one
    element further into the template, so text may leave out leading elements:
    "05.2007" read through "dd.mm.yyyy" gives May 2007.

    Errors (result untouched): 21009 text left after the template ends; 21010 a 12-hour
    hour without am/pm or the reverse; 21011 a field missing between the lowest and
    the highest read, or no field read at all (an empty text); 21013 a field given
    twice; 21004 an invalid datetime (31 February, 1000 milliseconds); 1854 when the
    clock cannot be read; 6 when the template's literal text cannot be held. */
QD_API int str2date(const char* text, void* result, const char* templ);

/* ---- Host display forms ----------------------------------------------------------------

   The functions below write into buffer with no size given: the caller provides room for
   the longest text the format can produce (80 bytes hold any style's text). They
   validate nothing, never read the current datetime and print only the fields the
   value's range holds. Styles: 10 month/day/year and a 12-hour clock with AM or PM, 11
   day.month.year, 12 year-month-day (both with a 24-hour clock). */

/** Copies format into buffer with %y %m %d %H %M %S %F replaced by the datetime's year
    (4 digits), month, day, hour, minute, second (2 digits) and milliseconds (3 digits);
    a field outside the value's range prints nothing. %n is a line feed, %t a tab, %
    with any other character that character; a lone % at the end is dropped. Never
    fails; returns buffer. */
QD_API char* qd_dt_format(char* buffer, const char* format, const void* dt);
/** As qd_dt_format for a timespan: the fields print as plain numbers and %- prints the
    sign, "-" for a negative timespan and a blank otherwise. Never fails; returns
    buffer. */
QD_API char* qd_ts_format(char* buffer, const char* format, const void* ts);
/** The date of dt in style 10, 11 or 12 (11/28/2007, 28.11.2007, 2007-11-28), with the
    date fields it holds (11/2007, 28.11., ...); empty when it holds none. Returns
    buffer, or null (and an empty text) for any other style. */
QD_API char* qd_dt_date(char* buffer, qd_long style, const void* dt);
/** The time of day of dt down to its lowest field: style 10 on the 12-hour clock
    (01:05:07.042 PM), styles 11 and 12 on the 24-hour clock (13:05:07.042); without an
    hour, from its highest clock field (05:07). Returns buffer, or null (and an empty
    text) for a style other than 10, 11 and 12. */
QD_API char* qd_dt_time(char* buffer, qd_long style, const void* dt);
/** The date and the time of dt as qd_dt_date and qd_dt_time give them, with a blank
    between when it holds both a day and an hour. An empty text for a style other than
    10, 11 and 12. Returns buffer. */
QD_API char* qd_dt_dt(char* buffer, qd_long style, const void* dt);
/** A timespan with its unit: 3d 04:05:06.007h, 30:15h, 5.042s, 42ms, 2y 03mo, -5d; the
    highest field without leading zeros. style is not used. Returns buffer. */
QD_API char* qd_ts_timespan(char* buffer, qd_long style, const void* ts);

QD_END_DECLS

#endif
