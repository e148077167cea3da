/* qderr.h: error status, per-thread error reports and the trace channel. */
#ifndef QDTYPE32_QDERR_H
#define QDTYPE32_QDERR_H

#include "qdapi.h"
#include "qdglob.h"

QD_BEGIN_DECLS

/* Set to 1 by the first hard error (1..4999) recorded; only the host clears it. */
QD_API extern int32_t qd_harderror;
/* Held for the host; the library never reads or writes it. */
QD_API extern int32_t qd_sigflag;

/* Records errnum (with up to twelve format values) in the calling thread's error
   report and returns errnum. errnum 0 is a pure trace record; 16811 hands the report
   of thread a1 over to thread a2 and returns 0. Never fails.
   When errno (or the library's error number) is set, the report gains the cause line
   of the failure and both are cleared. Starting a report (init_qderr, init_trace, and
   the first use below) also clears errno, so a report that trace itself has to start
   loses the cause: start the thread's report before the work that may fail, and again
   after each trace_pop. */
QD_API int trace(int errnum, int fid, ...);
/* The calling thread's 4096-byte error report, created with its header on first use.
   That first use starts the report and so clears errno: call it (or init_qderr) before
   the work whose failure should keep its cause line, not after it.
   Reports live in a table of 256 slots. While every slot is held, a thread that needs
   a report takes one over, with its buffer. What a host may rely on after that: a
   pointer this function returned stays readable memory for the life of the process
   and always holds a zero-terminated text of fewer than 4096 bytes, but once the
   thread's slot is taken over (or after trace_pop, or after its report was handed
   over) that text is another thread's report, which may change at any moment; the
   thread's next call of this function, trace or init_qderr gives it a report of its
   own again, started afresh. A host that keeps at most 256 threads holding reports
   (each releasing its report with trace_pop when it ends) never sees a takeover. */
QD_API char* qd_errtxt_adr(void);
/* The library's own error number: store an OS error code here when errno is not set. */
QD_API int* get_qderrno_adr(void);
/* A cause text printed instead of the runtime's text (never copied, never freed). */
QD_API void set_qderrstring(char* text);
QD_API qdxglob_record* get_qdxglob_adr(void);
/* Start a fresh report for the calling thread: default header / any header. */
QD_API int init_qderr(void);
QD_API int init_trace(const char* format, ...);
/* Release the calling thread's report and its slot. */
QD_API int trace_pop(void);
/* trace(errnum, 0, w1, w2, w3) while the message switch is on; returns errnum. */
QD_API int _merror(int errnum, ...);
QD_API int no_merror(void);
QD_API int yes_merror(void);
/* Turns a soft error into its hard counterpart, recording error 45. */
QD_API int trace_hard_error(int errnum, int fid, char convert);
/* Writes one formatted line to the trace channel chosen by qdxglob_val.trace_mode. */
QD_API int type(const char* format, ...);

QD_END_DECLS

#endif
