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

#define QDE_DIVISION_BY_ZERO 19000
/* Division by zero in the decimal %s. */

#define QDE_NOT_A_NUMBER 19003
/* The text "%s" is not a %s value. */

#define QDE_OUT_OF_RANGE 19004
/* The value %s is out of the range of %s. */

#define QDE_NUMERIC_OVERFLOW 19005
/* Decimal overflow in %s of %s and %s: the result does not fit %s. */

#define QDE_DOUBLE_OUT_OF_RANGE 19012
/* The floating-point number %s is out of the range of decimal values. */
