/* qderror.h: error numbers of QDTYPE32 and their message texts.

   This file is both a C header (the named constants) and the message catalogue that
   the library reads at run time from the installation directory. Each entry is a
   line "#define NAME NUMBER" followed by its text, a comment block. The text is a
   format over the values the reporting site passes (at most twelve); "\n" in a text
   stands for a line break. Numbers 1 to 4999 are hard errors, all others soft. */
#pragma once

#define QDE_NO_MEMORY 6
/* Out of memory. */

#define QDE_SOFT_TO_HARD 45
/* A failure of this operation cannot be recovered; it ends the statement. */

#define QDE_LOCK_FAILED 501
/* A lock of the type library could not be taken or given back: %s */

/* ---- Date and time ---- */

#define QDE_CLOCK 1854
/* The local clock could not be read or converted to local time. */

#define QDE_TS_OVERFLOW 21001
/* Timespan overflow: a result field would exceed 2147483647. */

#define QDE_DT_RANGE 21002
/* Invalid range for a datetime or timespan: low field code %d, high field code %d. */

#define QDE_TS_INCOMPATIBLE 21003
/* Incompatible calendar values: years and months cannot be combined with days and clock units. */

#define QDE_DT_INVALID 21004
/* Invalid datetime: a field is out of its limits, or the date does not exist. */

#define QDE_DT_OUT_OF_RANGE 21005
/* Calendar value out of range: a date before 1 January of year 1 or after year 32767, or a timespan field out of its bounds. */

#define QDE_TS_DIVIDE_BY_ZERO 21006
/* A timespan cannot be divided by zero. */
