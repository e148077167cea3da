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

/* ---- Byte strings and bounded texts ---- */

#define QDE_TEXT_TOO_LONG 11025
/* The text "%s" is longer than the %d characters allowed here. */
