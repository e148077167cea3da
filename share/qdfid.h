/* qdfid.h: function ids of QDTYPE32 and their texts.

   Both a C header (the named constants) and the catalogue that the library reads at
   run time from the installation directory. Each entry is a line "#define NAME NUMBER"
   followed by its text, a comment block; the text of a hard error's function opens
   the error's lines in the report, and is the function's line in the trace output. */
#pragma once

#define QDF_LOCK 12203
/* in the lock service of the type library */

/* ---- Date and time ---- */

#define QDF_DT_CAST 5000
/* in the datetime cast */

#define QDF_DT_CHECK 5001
/* in the datetime validation */

#define QDF_DT_WEEKDAY 5002
/* in the weekday of a datetime */

#define QDF_TS_CAST 5004
/* in the timespan cast */

#define QDF_DT_FROM_DAYS 5005
/* in the datetime from a day number or a year-month sum */

#define QDF_TS_CHECK 5006
/* in the timespan validation */

#define QDF_TS_CMP 5007
/* in the timespan comparison */

#define QDF_TS_ZERO 5008
/* in the zero timespan of a range */

#define QDF_TS_MAG_SUM 5009
/* in the timespan magnitude sum */

#define QDF_TS_ADD 5010
/* in the timespan addition */

#define QDF_TS_SUB 5011
/* in the timespan subtraction */

#define QDF_TS_DOUBLE 5012
/* in the doubling of a timespan multiplication */

#define QDF_TS_MUL 5013
/* in the timespan multiplication */

#define QDF_TS_DIV 5014
/* in the timespan division */

#define QDF_DT_TS_ADD 5015
/* in the datetime plus or minus timespan */

#define QDF_SET_CURRENT 5017
/* in the setting of the current datetime */
