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

#define QDE_UNRECOVERABLE_16002 2418
/* An unrecoverable error ended the statement (after error 16002). */

#define QDE_UNRECOVERABLE_16003 2420
/* An unrecoverable error ended the statement (after error 16003). */

#define QDE_UNRECOVERABLE_9151 2423
/* An unrecoverable error ended the statement (after error 9151). */

#define QDE_RECOVERABLE_5019 5019
/* The operation failed and may be retried (error 5019). */

#define QDE_RECOVERABLE_9094 9094
/* The operation failed and may be retried (error 9094). */

#define QDE_RECOVERABLE_9146 9146
/* The operation failed and may be retried (error 9146). */

#define QDE_RECOVERABLE_9151 9151
/* The operation failed and may be retried (error 9151). */

#define QDE_RECOVERABLE_16002 16002
/* The operation failed and may be retried (error 16002). */

#define QDE_RECOVERABLE_16003 16003
/* The operation failed and may be retried (error 16003). */
