/* qdconfig.h: configuration lookup in the initialisation file, with built-in defaults. */
#ifndef QDTYPE32_QDCONFIG_H
#define QDTYPE32_QDCONFIG_H

#include "qdapi.h"

QD_BEGIN_DECLS

/* The value of a setting, or null when it is not set. "TEMP", "TMP" and "TMPDIR" come
   from the process environment; every other name from the application's section of
   the initialisation file, else from the built-in defaults. Answers (unset ones too)
   are cached for the life of the process: a value returned stays valid until the cache
   is emptied, by win_set_appl_name, win_set_ini_name, or when 2048 bytes of answers
   have filled it (it then starts over). Any thread may call it: each thread is given
   its values from a cache of its own, which only that thread's later lookups fill and
   start over, so another thread's lookups never change a value a thread holds. */
QD_API char* win_os_getenv(const char* name);
/* The same lookup in the section "QDODBC". */
QD_API char* odbc_os_getenv(const char* name);
/* Names the application section (at most 30 characters; "QDWIN" until set). */
QD_API char* win_set_appl_name(const char* name);
/* Names the initialisation file (at most 260 characters; "qdwin.ini" until set). An
   absolute path is used as it is; a plain name is searched for at the next lookup. */
QD_API char* win_set_ini_name(const char* name);

QD_END_DECLS

#endif
