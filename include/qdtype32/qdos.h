/** @file qdos.h
    Console, process and directory services shared by the system's tools. None of them
    records an error; failures show in their results. */
#ifndef QDTYPE32_QDOS_H
#define QDTYPE32_QDOS_H

#include "qdapi.h"

QD_BEGIN_DECLS

/** Reads a password from the console without echo. The prompt is shown as it is (not
    as a format); each accepted key is echoed as "*". Enter ends the input, Ctrl-C
    empties it, Backspace takes back the last key. Only printable characters (blank to
    tilde) are kept, at most size - 1 of them; the buffer is always terminated. Returns
    buffer; with a null buffer or a size below 1 nothing is read. On POSIX the prompt,
    the stars and the line end go to the controlling terminal (a redirected standard
    output never holds them), whose erase and interrupt keys count as Backspace and
    Ctrl-C; without a terminal, standard input is read, standard error shows the
    output, and the end of the input ends the password as Enter would. */
QD_API char* win_os_getpass(const char* prompt, char* buffer, int size);

/** Runs a command (its first 1023 characters) through the system's command
    interpreter. A command ending in "&" is started without that "&" and not waited for;
    any other is waited for, polling every 200 milliseconds. Returns 0, or -1 when the
    process cannot be started. On POSIX the interpreter is /bin/sh -c; a waited command
    whose interpreter ends with status 126 or 127 (the command cannot be found or run)
    also gives -1, so a command that itself exits with 126 or 127 cannot be told from
    it. A command not waited for gives -1 only when the interpreter cannot start. */
QD_API int win_os_system(const char* command);

/** The application's abort check, called by win_test_peekmessage. */
typedef void (*qd_abort_proc)(void);
/** Stores the abort check (null removes it). Returns 0. */
QD_API int win_set_abortproc(qd_abort_proc proc);
/** Calls the abort check if one is set: always when force is nonzero, otherwise only
    when more than the gap has passed since its last call. The gap is the setting
    "PEEKTIMEGAP" in milliseconds (30 when not set), read at the first call. Returns 0. */
QD_API int win_test_peekmessage(int force);

/** Shows text under caption as a stopping message, then ends the process abnormally.
    On POSIX the message goes to standard error. */
#if defined(__GNUC__)
__attribute__((noreturn))
#endif
QD_API void
QdMessageBoxStop(const char* text, const char* caption);

/* ---- Directory listing ----
   The entry buffer holds two entries: the first receives the entry just fetched, the
   second the one whose name was last handed out. Hosts size it QD_DIR_BUFFER_SIZE
   bytes; it needs no alignment. */
/** Bytes of a file name in a directory entry, its terminating zero included. */
#define QD_DIR_NAME_SIZE 260
/** The attribute bit of a directory. */
#define QD_DIR_ATTR_DIRECTORY 0x10u
/** One entry of a directory listing. */
typedef struct qd_dir_entry {
  uint32_t attributes; /**< QD_DIR_ATTR_DIRECTORY for a directory */
  uint32_t size_low;   /**< size of a regular file, low 32 bits */
  uint32_t size_high;  /**< size of a regular file, high 32 bits */
  char name[QD_DIR_NAME_SIZE]; /**< zero-terminated file name, without its directory */
} qd_dir_entry;
/** The size of the entry buffer of a listing: two entries. */
#define QD_DIR_BUFFER_SIZE (2 * sizeof(qd_dir_entry))
/** An open directory listing. */
typedef void* qd_dir_handle;

/** Opens a listing of the files that match pattern: a path whose file-name part may
    hold '*' and '?' ("*.*" matches every name; on POSIX names are compared with case
    and "." and ".." are listed when the pattern matches them). The first entry goes
    into the first half of entry_buffer, the listing into *handle. Returns 0, or 1 when
    nothing matches or the listing cannot be opened (*handle is then null). */
QD_API int win_os_opn_dir(const char* pattern, void* entry_buffer, qd_dir_handle* handle);
/** Hands out the name of the entry fetched last, through *name (it points into the
    second half of entry_buffer and stays valid until the next call), and fetches the
    following entry. Returns 0 when one was fetched, 1 when there is none: the name
    handed out with the 1 is the listing's last. A further call hands out "". So:
    @code
      if (win_os_opn_dir(p, buf, &h) == 0) {
        do { rc = win_os_rd_dir(buf, h, &name); use(name); } while (rc == 0);
        win_os_cls_dir(h);
      }
    @endcode */
QD_API int win_os_rd_dir(void* entry_buffer, qd_dir_handle handle, char** name);
/** Closes the listing (a null handle is ignored). Returns 0. */
QD_API int win_os_cls_dir(qd_dir_handle handle);

QD_END_DECLS

#ifdef __cplusplus
static_assert(offsetof(qd_dir_entry, attributes) == 0, "attributes");
static_assert(offsetof(qd_dir_entry, size_low) == 4, "size_low");
static_assert(offsetof(qd_dir_entry, size_high) == 8, "size_high");
static_assert(offsetof(qd_dir_entry, name) == 12, "name");
static_assert(sizeof(qd_dir_entry) == 272, "entry size");
#endif

#endif
