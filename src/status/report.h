// report.h: the library's one road for failures: qd::report(err, fid, args...).
//
// Every failing operation calls qd::report with its error number, its own function id
// and the values its message text formats, then returns what report returned (the
// error number). A function passing on a callee's failure records qd::report(0, fid)
// and returns the callee's number. The values are packed into tagged slots, so a
// catalogue text that asks for another kind or more values than were passed prints a
// placeholder instead of reading garbage. The exported variadic entries (trace, type,
// _merror, init_trace) are for hosts only: nothing in the library calls them, since a
// catalogue edited after the build could then make them read values never passed.
#pragma once

#include <cstdint>
#include <type_traits>

#include "qdcatalog_gen.h"
#include "status/qdconv.h"

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

template <class T>
constexpr ArgKind kind_of() {
  if constexpr (std::is_pointer_v<T> || std::is_same_v<T, std::nullptr_t>) {
    return ArgKind::kPointer;
  } else if constexpr (std::is_floating_point_v<T>) {
    return ArgKind::kDouble;
  } else if constexpr (std::is_enum_v<T> || sizeof(T) <= 4) {
    return ArgKind::kInt32;
  } else {
    return ArgKind::kInt64;
  }
}

namespace catalog {

constexpr const char* text_of(const Entry* table, long number) {
  for (const Entry* e = table; e->text; ++e) {
    if (e->number == number) return e->text;
  }
  return nullptr;
}

// Whether format consumes no more values than given and each of the kind given, read
// the way the formatter reads it (32-bit integers unless ll/I64; either integer kind
// serves an integer conversion).
constexpr bool accepts(const char* f, const ArgKind* kinds, int count) {
  int next = 0;
  auto take = [&](bool ok_int, bool ok_double, bool ok_pointer) {
    if (next >= count) return false;
    ArgKind k = kinds[next++];
    return ((k == ArgKind::kInt32 || k == ArgKind::kInt64) && ok_int) ||
           (k == ArgKind::kDouble && ok_double) || (k == ArgKind::kPointer && ok_pointer);
  };
  while (*f) {
    if (*f++ != '%') continue;
    if (*f == '%') {
      ++f;
      continue;
    }
    ConvSpec s;
    f = parse_conversion(f, s);
    if (s.width_star && !take(true, false, false)) return false;
    if (s.precision_star && !take(true, false, false)) return false;
    bool ok = true;
    switch (s.kind) {
      case ConvKind::kInteger:
      case ConvKind::kCharacter:
        ok = take(true, false, false);
        break;
      case ConvKind::kDouble:
        ok = take(false, true, false);
        break;
      case ConvKind::kString:
      case ConvKind::kPointer:
      case ConvKind::kCount:
        ok = take(false, false, true);
        break;
      case ConvKind::kLiteral:
        break;
      case ConvKind::kEnd:
        return true;
    }
    if (!ok) return false;
  }
  return true;
}

template <long E, long F, class... A>
constexpr bool site_matches() {
  constexpr ArgKind kinds[] = {kind_of<A>()..., ArgKind::kNone};
  constexpr int n = static_cast<int>(sizeof...(A));
  if (E != 0) {
    const char* m = text_of(kMessages, E);
    if (!m || !accepts(m, kinds, n)) return false;
  }
  if (F != 0) {
    const char* t = text_of(kFunctions, F);
    if (!t || !accepts(t, kinds, n)) return false;
  }
  return true;
}

}  // namespace catalog

// The trace entry behind report; defined with the error status.
int trace_args(int errnum, int fid, const Arg* args, int count);

// report(errnum, fid, values...): for numbers known only at run time (a callee's
// error passed on, a mapped number). The texts are then checked only as they print.
template <class... A>
inline int report(int errnum, int fid, A... values) {
  static_assert(sizeof...(A) <= kTraceMaxArgs, "trace takes at most twelve values");
  const Arg args[] = {make_arg(values)..., Arg{}};  // the extra slot is never read
  return trace_args(errnum, fid, args, static_cast<int>(sizeof...(A)));
}

// report<ERROR, FUNCTION>(values...): the usual form. Both numbers must have catalogue
// entries whose texts take these values; a mismatch does not compile.
template <long E, long F, class... A>
inline int report(A... values) {
  static_assert(E == 0 || catalog::text_of(catalog::kMessages, E) != nullptr,
                "error number without a catalogue entry in share/qderror.h");
  static_assert(F == 0 || catalog::text_of(catalog::kFunctions, F) != nullptr,
                "function id without a catalogue entry in share/qdfid.h");
  static_assert(catalog::site_matches<E, F, A...>(),
                "catalogue text asks for other values than this site passes");
  return report(static_cast<int>(E), static_cast<int>(F), values...);
}

// merror<ERROR>(values...): the message switch's road (hosts call _merror): records
// the error with no function id while the switch is on (no_merror turns it off) and
// returns the error number either way. Checked against the catalogue as report is.
int merror_args(int errnum, const Arg* args, int count);

template <long E, class... A>
inline int merror(A... values) {
  static_assert(sizeof...(A) <= kTraceMaxArgs, "trace takes at most twelve values");
  static_assert(catalog::text_of(catalog::kMessages, E) != nullptr,
                "error number without a catalogue entry in share/qderror.h");
  static_assert(catalog::site_matches<E, 0, A...>(),
                "catalogue text asks for other values than this site passes");
  const Arg args[] = {make_arg(values)..., Arg{}};  // the extra slot is never read
  return merror_args(static_cast<int>(E), args, static_cast<int>(sizeof...(A)));
}

// start_report(header format, values...): starts a fresh report for the calling thread
// with this header (what init_trace does for hosts), the values packed and checked.
int start_report_args(const char* format, const Arg* args, int count);

template <class... A>
inline int start_report(const char* format, A... values) {
  static_assert(sizeof...(A) <= 5, "a report header takes at most five values");
  const Arg args[] = {make_arg(values)..., Arg{}};  // the extra slot is never read
  return start_report_args(format, args, static_cast<int>(sizeof...(A)));
}

// start_report_named(name): start_report("%s", name), the header of an export that
// names itself, without formatting it on every call. name stays as it is (a literal).
int start_report_named(const char* name);

}  // namespace qd
