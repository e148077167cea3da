/** @file qdconfig.h
    Configuration lookup in the initialisation file, with built-in defaults.

    No lookup records an error: an absent file, section or key yields the default or
    null. */
#ifndef QDTYPE32_QDCONFIG_H
#define QDTYPE32_QDCONFIG_H

#include "qdapi.h"

QD_BEGIN_DECLS

/** The value of a setting. "TEMP", "TMP" and "TMPDIR" come from the process
    environment; every other name from the application's section of the initialisation
    file, else from the built-in defaults.

    Answers (unset ones too) are cached for the life of the process: a value returned
    stays valid until the cache is emptied, by win_set_appl_name(), win_set_ini_name(),
    or when 2048 bytes of answers have filled it (it then starts over). Any thread may
    call it: each thread is given its values from a cache of its own, which only that
    thread's later lookups fill and start over, so another thread's lookups never change
    a value a thread holds.
    @return the value, or null when it is not set. */
QD_API char* win_os_getenv(const char* name);
/** The same lookup as win_os_getenv() in the section "QDODBC".
    @return the value, or null when it is not set. */
QD_API char* odbc_os_getenv(const char* name);
/** Names the application section (cut to 30 characters; "QDWIN" until set) and
    empties the cache of answers.
    @return the name as kept. */
QD_API char* win_set_appl_name(const char* name);
/** Names the initialisation file (cut to 260 characters; "qdwin.ini" until set) and
    empties the cache of answers. An absolute path is used as it is; a plain name is
    searched for at the next lookup (beside the first loaded system module or the
    executable, then in the current directory).
    @return the file name as kept (for a path, its part after the last separator). */
QD_API char* win_set_ini_name(const char* name);

QD_END_DECLS

#endif
