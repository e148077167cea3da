/* qderror.h: error numbers of QDTYPE32 and their message texts.

   This file is both a C header (the named constants) and the message catalogue that
   the library reads at run time from the installation directory. Each entry is a
   line "#define NAME NUMBER" followed by its text, a comment block. The text is a
   format over the values the reporting site passes (at most twelve); "\n" in a text
   stands for a line break. Numbers 1 to 4999 are hard errors, all others soft. */
#pragma once

#define QDE_UNRECOVERABLE 5
/* An unrecoverable error ended the statement. */

#define QDE_NO_MEMORY 6
/* Out of memory. */

#define QDE_TUPLE_TOO_LONG 15
/* The row does not fit in a tuple of at most 32672 bytes. */

#define QDE_TYPE_NOT_STORABLE 30
/* Type code %d has no stored form and cannot be placed in a tuple. */

#define QDE_SOFT_TO_HARD 45
/* A failure of this operation cannot be recovered; it ends the statement. */

#define QDE_UNRECOVERABLE_9094 50
/* An unrecoverable error ended the statement (after error 9094). */

#define QDE_UNRECOVERABLE_9146 51
/* An unrecoverable error ended the statement (after error 9146). */

#define QDE_UNRECOVERABLE_5019 52
/* An unrecoverable error ended the statement (after error 5019). */

#define QDE_LOCK_FAILED 501
/* A lock of the type library could not be taken or given back: %s */

#define QDE_ACCT_CLOSE_FAILED 1804
/* The accounting log file (descriptor %d) could not be closed. */

#define QDE_ACCT_OPEN_FAILED 1818
/* The accounting log file %s could not be opened (mode %d). */

#define QDE_ACCT_WRITE_INCOMPLETE 1836
/* A line could not be written completely to the accounting log file (descriptor %d). */

#define QDE_CLOCK 1854
/* The local clock could not be read or converted to local time. */

#define QDE_ACCT_BAD_EVENT 2001
/* Accounting event %d is unknown; events are numbered 0 to 9. */

#define QDE_UNRECOVERABLE_16002 2418
/* An unrecoverable error ended the statement (after error 16002). */

#define QDE_UNRECOVERABLE_16003 2420
/* An unrecoverable error ended the statement (after error 16003). */

#define QDE_UNRECOVERABLE_9151 2423
/* An unrecoverable error ended the statement (after error 9151). */

#define QDE_CONVERSION_NOT_SUPPORTED 4200
/* A value of the source type cannot be converted to the target type. */

#define QDE_RECOVERABLE_5019 5019
/* The operation failed and may be retried (error 5019). */

#define QDE_SIGN_NOT_ALLOWED 9006
/* Operator %.0d%s is not allowed before this literal. */

#define QDE_INVALID_LITERAL 9030
/* Invalid literal: %s */

#define QDE_FIELD_NOT_INTEGER 9048
/* A datetime or timespan field is not a whole number in %s */

#define QDE_MISSING_OPEN_PARENTHESIS 9053
/* Missing ( before the datetime or timespan fields in %s */

#define QDE_MISSING_CLOSE_BRACKET 9068
/* Missing ] after the range of %s */

#define QDE_RECOVERABLE_9094 9094
/* The operation failed and may be retried (error 9094). */

#define QDE_BAD_FIELD_SEPARATOR 9096
/* Wrong separator between datetime or timespan fields in %s */

#define QDE_UNKNOWN_RANGE_NAME 9097
/* Unknown or missing range or interval name in %s */

#define QDE_FIELD_COUNT_MISMATCH 9098
/* The number of fields does not match the range in %s */

#define QDE_TIMESPAN_MIXED_RANGE 9099
/* A timespan cannot combine years or months with days or time units: %s */

#define QDE_RECOVERABLE_9146 9146
/* The operation failed and may be retried (error 9146). */

#define QDE_RECOVERABLE_9151 9151
/* The operation failed and may be retried (error 9151). */

#define QDE_INVALID_CHARACTER 9706
/* A character is not valid in the database encoding %s. */

#define QDE_TEXT_TOO_LONG 11025
/* The text "%s" is longer than the %d characters allowed here. */

#define QDE_MERGE_LIST_FULL 11031
/* The merged list would hold more than 64 entries. */

#define QDE_LIBRARY_NOT_CONFIGURED 11053
/* The setting %s, the path of a required library, is not configured. */

#define QDE_LIBRARY_LOAD_FAILED 11054
/* The library %s could not be loaded. */

#define QDE_LIBRARY_ENTRY_MISSING 11055
/* The entry %s was not found in the library %s. */

#define QDE_LIBRARY_INIT_FAILED 14012
/* The initialisation of the library %s failed. */

#define QDE_RECOVERABLE_16002 16002
/* The operation failed and may be retried (error 16002). */

#define QDE_RECOVERABLE_16003 16003
/* The operation failed and may be retried (error 16003). */

#define QDE_DIVISION_BY_ZERO 19000
/* Division by zero in the decimal %s. */

#define QDE_FLOAT_OUT_OF_RANGE 19001
/* Number %.15g is out of the range of type %s. */

#define QDE_INTEGER_OUT_OF_RANGE 19002
/* Number %lld is out of the range of type %s. */

#define QDE_TEXT_NOT_READABLE 19003
/* Text %s cannot be read as %s. */

#define QDE_VALUE_OVERFLOW 19004
/* Value %s does not fit type %s. */

#define QDE_NUMERIC_OVERFLOW 19005
/* Decimal overflow in %s of %s and %s: the result does not fit %s. */

#define QDE_UNSIGNED_TOO_LARGE 19006
/* Unsigned number %lld is too large for type %s. */

#define QDE_NOT_A_NUMBER 19007
/* Text '%s' is not a number. */

#define QDE_NOT_A_TRUTH_VALUE 19009
/* Text '%s' is not a truth value; only true and false are accepted. */

#define QDE_NUMBER_TEXT_OUT_OF_RANGE 19011
/* The number is too large or too small for double precision. */

#define QDE_DOUBLE_OUT_OF_RANGE 19012
/* The floating-point number %s is out of the range of decimal values. */

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

#define QDE_TEXT_LEFT_OVER 21009
/* Text '%s' goes on after the end of the date template '%s'. */

#define QDE_MERIDIAN_MISMATCH 21010
/* Text '%s' for the date template '%s': a 12-hour hour and AM or PM must be given together. */

#define QDE_DATE_FIELD_MISSING 21011
/* Text '%s' does not give every field that the date template '%s' needs. */

#define QDE_TEXT_DOES_NOT_FIT 21012
/* The formatted text does not fit in the output buffer. */

#define QDE_FIELD_GIVEN_TWICE 21013
/* The %s is given twice in the date text. */

#define QDE_TEMPLATE_ELEMENT_TWICE 21014
/* Number template '%s' gives the %s more than once. */

#define QDE_TEMPLATE_ELEMENT_MISPLACED 21015
/* Number template '%s' has a %s in a place where it is not allowed. */

#define QDE_TEMPLATE_MIXED_SEPARATORS 21016
/* Number template '%s'%.0s mixes the group separator G with the comma. */

#define QDE_TEMPLATE_NO_FRACTION_DIGITS 21017
/* Number template '%s' has a decimal separator without digits after it. */

#define QDE_TEMPLATE_ELEMENT_AFTER_NUMBER 21018
/* Number template '%s' has digits, separators or FM after the end of the number. */

#define QDE_TEXT_TEMPLATE_MISMATCH 21019
/* Text '%s' does not match the number template '%s'. */

#define QDE_TEMPLATE_TOO_MANY_GROUPS 21020
/* Number template '%s' has more than %d digit groups. */
