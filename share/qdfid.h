/* qdfid.h: function ids of QDTYPE32 and their texts.

   Both a C header (the named constants) and the catalogue that the library reads at
   run time from the installation directory. Each entry is a line "#define NAME NUMBER"
   followed by its text, a comment block; the text of a hard error's function opens
   the error's lines in the report, and is the function's line in the trace output. */
#pragma once

#define QDF_LOCK 12203
/* in the lock service of the type library */

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
