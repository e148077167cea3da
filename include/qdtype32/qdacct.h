/** @file qdacct.h
    The accounting log, one tab-separated line per recorded event. */
#ifndef QDTYPE32_QDACCT_H
#define QDTYPE32_QDACCT_H

#include "qdapi.h"

QD_BEGIN_DECLS

/* Event indexes for acct_write, and their bits in an event mask. */
#define ACCT_EV_ERROR 0  /**< mask 0x1: every reported error, written by the error status */
#define ACCT_EV_CONN 1   /**< mask 0x2, named "CONN" */
#define ACCT_EV_LOGIN 2  /**< mask 0x4, named "LOGIN" */
#define ACCT_EV_TA 3     /**< mask 0x8, named "TA" */
#define ACCT_EV_APPLIC 4 /**< mask 0x10, named "APPLIC" */
#define ACCT_EV_DDL 5    /**< mask 0x20, named "DDL" */
#define ACCT_EV_DML 6    /**< mask 0x40, named "DML" */
#define ACCT_EV_STATQ 7  /**< mask 0x4000, named "STATQ" */
#define ACCT_EV_STATS 8  /**< mask 0x8000, named "STATS" */
#define ACCT_EV_CTXT 9   /**< mask 0x10000, named "CTXT" */
#define ACCT_MASK_NONE 0x0u        /**< the mask of no event */
#define ACCT_MASK_ALL 0xFFFFFFFFu  /**< the mask of every event */

/** The events to record (a mask of the bits above). Set by acct_init(), cleared by
    acct_exit(); components test it before building a line. */
QD_API extern qd_ulong acct_act_events;
/** Non-zero while logging is on. Set by acct_init(), cleared by acct_exit(). */
QD_API extern qd_long acct_act_logon;

/** What acct_init reads from a component's configuration. The file name "---" (or a
    null name) means no file: lines are then formatted but go nowhere. */
typedef struct acct_config {
  qd_ulong events;  /**< event mask */
  qd_long logon;    /**< nonzero: logging on */
  const char* file; /**< base file name of the log, zero-terminated */
} acct_config;

/** Configures the log: closes a log left open, takes the switch, file name and mask,
    and opens the file for appending (created with permission bits 0666) when logging
    is on and a file is named. size is the room for one line's texts (at most 32672;
    72 bytes of it are kept back). A file that the system refuses to open with its
    "taken" error is passed over for the next generation name "FILE.1", "FILE.2", ...
    A null config configures logging off without a file. Returns 0, 6 (no memory for
    the line buffer), 1804 (the open log could not be closed) or 1818 (the file could
    not be opened; logging stays switched on and writes then go nowhere). */
QD_API int acct_init(const acct_config* config, qd_long size);

/** Sets the identity written in every line: number when not 0, the two halves of the
    pair (written as "first:second") when not -1, the texts (at most 127 and 128
    characters are kept) when not null. Values never set are written as "?"; a pair
    half never set counts as 0. Returns 0. */
QD_API int acct_set(qd_long number, qd_long pair_first, const char* text1, const char* text2,
                    qd_long pair_second);

/** Writes one line for event index event (0 to 9) with count (0 to 3) texts following;
    a null text is written as absent. The line is written whatever the mask says, so
    test acct_act_events first. When the file is full, the rest of the line goes to the
    next generation file, which stays in use. Returns 0, 2001 (no such event) or 1836
    (the line could not be written completely). Without a file, nothing is written and
    0 returned. A failure met while a failure of the log is being reported is not
    reported again, only returned. */
QD_API int acct_write(int event, int count, ...);

/** Switches logging off, frees the line buffer and closes the file. Returns 0 or 1804
    (the file could not be closed). */
QD_API int acct_exit(void);

/** The print routine of acct_evprint, called like printf. */
typedef int (*acct_print_proc)(const char* format, ...);

/** Writes the names of the events in mask ("ERROR", "CONN", "LOGIN", "TA", "APPLIC",
    "DDL", "DML", "STATQ", "STATS", "CTXT"), in that order, separated by separator (null:
    none): through print (when not null), each call with the format "%s%s", the
    separator (empty before the first name) and the name; and into buffer (when not
    null), which is emptied first and must hold 42 characters plus nine separators and
    the terminating zero. A mask without any of those bits gives "NONE". Returns 0. */
QD_API int acct_evprint(acct_print_proc print, char* buffer, qd_ulong mask, const char* separator);

/** Reads an event-mask text into *mask: names ("NONE" and "ALL" included, any case)
    separated by any of delimiters. "+NAME" adds, "-NAME" removes; a lone sign applies
    to the next name; inside a word a further sign starts another name ("CONN+DDL-DML").
    An unsigned first name starts from an empty mask, a signed one from *mask; an
    unsigned name after a signed one is an error. Returns 0 with the mask stored, or -1
    with *mask unchanged and *bad_token (when not null) pointing into text at the name
    that failed (it ends at the next delimiter or sign; a dangling sign is pointed at
    itself). */
QD_API int acct_evkeyscan(const char* text, const char* delimiters, qd_ulong* mask,
                          const char** bad_token);

QD_END_DECLS

#endif
