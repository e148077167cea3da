// report.h: the library's one road for failures: qd::report(err, fid, args...).
//
// Every failing operation calls qd::report with its error number, its own function id
// and the values its message text formats, then returns what report returned (the
// error number). A function passing on a callee's failure records qd::report(0, fid)
// and returns the callee's number. The values are packed into tagged slots, so a
// catalogue text that asks for another kind or more values than were passed prints a
// placeholder instead of reading garbage.
#pragma once

#include <cstdint>
#include <type_traits>

namespace qd {

enum class ArgKind : uint8_t { kNone, kInt32, kInt64, kDouble, kPointer };

struct Arg {
  ArgKind kind = ArgKind::kNone;
  union {
    int32_t i32;
    int64_t i64;
    double d;
    const void* p;
  };
  Arg() : i64(0) {}
};

constexpr int kTraceMaxArgs = 12;

template <class T>
inline Arg make_arg(T v) {
  Arg a;
  if constexpr (std::is_pointer_v<T>) {
    a.kind = ArgKind::kPointer;
    a.p = static_cast<const void*>(v);
  } else if constexpr (std::is_floating_point_v<T>) {
    a.kind = ArgKind::kDouble;
    a.d = static_cast<double>(v);
  } else if constexpr (std::is_enum_v<T>) {
    a.kind = ArgKind::kInt32;
    a.i32 = static_cast<int32_t>(v);
  } else {
    static_assert(std::is_integral_v<T>, "report takes integers, doubles and pointers");
    if constexpr (sizeof(T) <= 4) {
      a.kind = ArgKind::kInt32;
      a.i32 = static_cast<int32_t>(v);
    } else {
      a.kind = ArgKind::kInt64;
      a.i64 = static_cast<int64_t>(v);
    }
  }
  return a;
}

inline Arg make_arg(std::nullptr_t) {
  Arg a;
  a.kind = ArgKind::kPointer;
  a.p = nullptr;
  return a;
}

// The trace entry behind report; defined with the error status.
int trace_args(int errnum, int fid, const Arg* args, int count);

template <class... A>
inline int report(int errnum, int fid, A... values) {
  static_assert(sizeof...(A) <= kTraceMaxArgs, "trace takes at most twelve values");
  if constexpr (sizeof...(A) == 0) {
    return trace_args(errnum, fid, nullptr, 0);
  } else {
    const Arg args[] = {make_arg(values)...};
    return trace_args(errnum, fid, args, static_cast<int>(sizeof...(A)));
  }
}

}  // namespace qd
