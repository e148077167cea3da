/** @file qddll.h
    The kernel and network libraries, loaded on first use. */
#ifndef QDTYPE32_QDDLL_H
#define QDTYPE32_QDDLL_H

#include "qdapi.h"

QD_BEGIN_DECLS

/* Library slots. The network library's path is the setting "HOSTACCESS32" (required;
   its built-in default is "qdwsoc32.dll" in the installation directory); the kernel
   library's is "QDKERNELDLL32", else "qdker32.dll" as the system finds it. The network
   library's "tcp_init" runs once when it is loaded (-1 means failure) and its
   "tcp_cleanup" when it is unloaded. */
/** Slot of the network library (setting "HOSTACCESS32", required). */
#define QD_DLL_HOSTACCESS 0
/** Slot of the kernel library (setting "QDKERNELDLL32", else "qdker32.dll"). */
#define QD_DLL_KERNEL 1

/** Stores the address of entry name (one leading underscore is skipped) of the slot's
    library in the function-pointer variable that out_fn points to (null when absent),
    loading the library first if needed. A library that a parent process loaded is
    unloaded and loaded again for this process. The library is loaded with its own
    directory as the current directory, which is given back afterwards. After a failure
    the slot stays as it was.
    @return 0, or the error recorded: 11053 (a required path is not configured), 11054
    (the library cannot be loaded, also for a slot other than 0 and 1), 11055 (no such
    entry) or 14012 (the library's initialisation failed; the library stays loaded). */
QD_API int load_function(qd_long slot, void* out_fn, const char* name);

/** Unloads the slot's library, running its clean-up entry, when this process loaded it.
    @return 0. */
QD_API int unload_dll(qd_long slot);

QD_END_DECLS

#endif
