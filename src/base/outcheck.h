// outcheck.h: the output checks of the checking build (QD_CHECK_OUTPUTS, set by the
// sanitizer preset). An export that writes a value checks it with its kind's validator
// before it returns and stops the process, naming itself and dumping the value's bytes,
// when the value is not well formed. Outputs derived from malformed inputs are not
// checked: such a caller gets what it gave.
#pragma once

#include <cstddef>

namespace qd {

// Whether bytes at v (at most room of them may be read) are a well-formed value;
// *bytes (when given) gets the size the value claims, never above room.
using ValueValidator = bool (*)(const void* v, size_t room, size_t* bytes);

// Writes "<fn>: malformed <kind> output: <hex bytes>" to standard error and aborts.
[[noreturn]] void output_check_failed(const char* fn, const char* kind, const void* v,
                                      size_t bytes);

inline void check_output(const char* fn, const char* kind, ValueValidator valid,
                         bool inputs_ok, const void* v, size_t room) {
#ifdef QD_CHECK_OUTPUTS
  size_t bytes = 0;
  if (inputs_ok && v && !valid(v, room, &bytes)) output_check_failed(fn, kind, v, bytes);
#else
  (void)fn, (void)kind, (void)valid, (void)inputs_ok, (void)v, (void)room;
#endif
}

// The export's status, after checking the output when the status is 0 (success).
template <class Status>
inline Status checked_status(const char* fn, const char* kind, ValueValidator valid,
                             bool inputs_ok, Status status, const void* v, size_t room) {
  if (status == 0) check_output(fn, kind, valid, inputs_ok, v, room);
  return status;
}

// The export's result pointer, after checking the value it points to (null: a failure).
template <class P>
inline P* checked_pointer(const char* fn, const char* kind, ValueValidator valid,
                          bool inputs_ok, P* v, size_t room) {
  check_output(fn, kind, valid, inputs_ok, v, room);
  return v;
}

}  // namespace qd

// At an export's start: whether its value inputs are well formed (only evaluated in the
// checking build). The family macros at the export's return read it.
#ifdef QD_CHECK_OUTPUTS
#define QD_INPUTS_OK(...) const bool qd_inputs_ok_ = (__VA_ARGS__)
#else
#define QD_INPUTS_OK(...) [[maybe_unused]] constexpr bool qd_inputs_ok_ = true
#endif
