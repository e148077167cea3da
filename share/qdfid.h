/* qdfid.h: function ids of QDTYPE32 and their texts.

   Both a C header (the named constants) and the catalogue that the library reads at
   run time from the installation directory. Each entry is a line "#define NAME NUMBER"
   followed by its text, a comment block; the text of a hard error's function opens
   the error's lines in the report, and is the function's line in the trace output. */
#pragma once

#define QDF_LITERAL_SCAN 13
/* in literal scanning */

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

#define QDF_TMPL_LITERAL_GROW 5019
/* in enlarging the literal text of a template */

#define QDF_DATE2STR 5020
/* in date2str */

#define QDF_STR2DATE 5021
/* in str2date */

#define QDF_NUM_FORMAT 5022
/* in the number template compiler and formatter */

#define QDF_NUM2STR 5023
/* in num2str */

#define QDF_STR2NUM 5024
/* in str2num */

#define QDF_FIXADD 7002
/* in the decimal addition */

#define QDF_FIXDIV 7003
/* in the decimal division */

#define QDF_FIXSUB 7005
/* in the decimal subtraction */

#define QDF_FIX_INTEGER 7006
/* in the conversion of a decimal to an integer */

#define QDF_FIX_READ 7009
/* in the reading of a decimal number */

#define QDF_LOCK 12203
/* in the lock service of the type library */

#define QDF_VALUE_ADAPT_TYPE 15005
/* in value_adapt_type */

#define QDF_CALENDAR_FROM_TEXT 15007
/* in reading a datetime or timespan from text */

#define QDF_READ_RANGE_QUALIFIER 15009
/* in reading a range or interval qualifier */

#define QDF_CONSTR_TUP 16004
/* in constr_tup */

#define QDF_BB_CONSTR_TUP 16005
/* in bb_constr_tup */

#define QDF_ACCT_INIT 26100
/* in acct_init */

#define QDF_ACCT_EXIT 26101
/* in acct_exit */

#define QDF_ACCT_WRITE 26102
/* in acct_write */
