/** @file qderr.h
    The error status: per-thread error reports, the hard-error flag and the trace
    channel.

    Every failing operation of the library records its error here, through trace(),
    before it returns the error number: the calling thread's report gains the error's
    message text from the installation's catalogue "qderror.h" (and, for a hard error,
    the reporting function's text from "qdfid.h"). A host reads the report with
    qd_errtxt_adr(). */
#ifndef QDTYPE32_QDERR_H
#define QDTYPE32_QDERR_H

#include "qdapi.h"
#include "qdglob.h"

QD_BEGIN_DECLS

/** Set to 1 by the first hard error (1 to 4999) that trace() records; only the host
    clears it. */
QD_API extern int32_t qd_harderror;
/** Held for the host; the library never reads or writes it. */
QD_API extern int32_t qd_sigflag;

/** Records error errnum of function fid in the calling thread's error report and
    returns errnum.

    Up to twelve 32-bit values follow, the values of the formats of errnum's message
    text and fid's function text. The report gains, in this order: fid's text for a
    hard error; the cause line "TEXT(N):" when errno or the library's error number
    (get_qderrno_adr()) is set, after which both are cleared; errnum's message text.
    A hard error sets qd_harderror. When the accounting log records errors, the report
    also goes there as an ERROR line. errnum 0 is a pure trace record: only fid's
    trace line, and only while tracing is on. errnum 16811 is a command: it hands the
    report of thread a1 over to thread a2 and returns 0. A report that already holds
    more than 3000 characters gains nothing more.

    Starting a report (init_qderr(), init_trace(), and the first use of a thread's
    report) also clears errno, so a report that trace itself has to start loses the
    cause: start the thread's report before the work that may fail, and again after
    each trace_pop().
    @return errnum (0 for 16811); trace never fails. A catalogue that cannot be read
    adds its own line to the report instead of the text. */
QD_API int trace(int errnum, int fid, ...);
/** The calling thread's 4096-byte error report, created with its header on first use.

    That first use starts the report and so clears errno: call it (or init_qderr())
    before the work whose failure should keep its cause line, not after it.
    Reports live in a table of 256 slots. While every slot is held, a thread that needs
    a report takes one over, with its buffer. What a host may rely on after that: a
    pointer this function returned stays readable memory for the life of the process
    and always holds a zero-terminated text of fewer than 4096 bytes, but once the
    thread's slot is taken over (or after trace_pop(), or after its report was handed
    over) that text is another thread's report, which may change at any moment; the
    thread's next call of this function, trace() or init_qderr() gives it a report of
    its own again, started afresh. A host that keeps at most 256 threads holding reports
    (each releasing its report with trace_pop() when it ends) never sees a takeover.
    @return the report, a zero-terminated text. */
QD_API char* qd_errtxt_adr(void);
/** The address of the library's own error number: store an operating-system error code
    there when errno is not set, and the next recorded error shows its cause line.
    @return the address, the same for the life of the process. */
QD_API int* get_qderrno_adr(void);
/** Sets the cause text that a recorded error shows instead of the runtime's text of
    errno, when errno itself is 0 (text is never copied and never freed). */
QD_API void set_qderrstring(char* text);
/** The address of the settings record qdxglob_val, for the host to fill.
    @return the address of qdxglob_val. */
QD_API qdxglob_record* get_qdxglob_adr(void);
/** Starts a fresh report for the calling thread with the default header: "Quarendel
    Kernel", the user and machine names of qdxglob_val (header_name1, header_name2) in
    angle brackets, "error report:", then the version line. Clears errno.
    @return 0. */
QD_API int init_qderr(void);
/** Starts a fresh report for the calling thread with the header format (five 32-bit
    values follow), then " error report:" and the version line; clears errno.
    @return 0. */
QD_API int init_trace(const char* format, ...);
/** Releases the calling thread's report and its slot; the thread's next report starts
    afresh.
    @return 0. */
QD_API int trace_pop(void);
/** Records trace(errnum, 0, w1, w2, w3) while the message switch is on (the default);
    records nothing while it is off.
    @return errnum. */
QD_API int _merror(int errnum, ...);
/** Switches _merror() off for the whole process.
    @return 0. */
QD_API int no_merror(void);
/** Switches _merror() on again.
    @return 0. */
QD_API int yes_merror(void);
/** Turns a soft error into its hard counterpart: when errnum is soft and convert is
    non-zero, records error 45 with function fid and returns the hard error (5019 to 52,
    9094 to 50, 9146 to 51, 9151 to 2423, 16002 to 2418, 16003 to 2420, any other
    to 5).
    @return the hard error, or errnum unchanged (nothing recorded) when it is already
    hard or convert is 0. */
QD_API int trace_hard_error(int errnum, int fid, char convert);
/** Writes one formatted line (twelve 32-bit values follow the format) to the trace
    channel chosen by qdxglob_val.trace_mode: the file "qdk.PID" in the trace directory
    (1), the console (2) or standard error (3). The channel opens on the first line;
    one that cannot be opened, or whose mode the host has set back to 0, stays closed
    for the life of the process.
    @return 0. */
QD_API int type(const char* format, ...);

QD_END_DECLS

#endif
