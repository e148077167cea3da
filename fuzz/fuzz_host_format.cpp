// fuzz_host_format.cpp: a caller's percent format through qd_dt_format and qd_ts_format,
// and the display styles, on a well-formed datetime or timespan of any range built from
// the input. The buffer has exactly the room the documented rule gives (the format's
// characters, each field at its widest): guard bytes behind it catch any write past it
// (AddressSanitizer anything further), and the text must end with its zero inside it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "datetime/dt_internal.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr uint8_t kGuard = 0x5a;
constexpr size_t kGuardBytes = 16;
constexpr size_t kFormatMax = 64;  // keeps the buffer small
constexpr size_t kStyleRoom = 80;  // what the header promises holds any style's text

// The widest text a field of a well-formed value prints: a datetime's year reaches five
// digits (32767), its milliseconds three, the rest two; a timespan field any 31-bit count.
size_t field_room(char conv, bool span) {
  if (!conv || !std::strchr("ymdHMSF", conv)) return 1;  // one character, or none
  if (span) return 10;
  return conv == 'y' ? 5 : conv == 'F' ? 3 : 2;
}

// The room the format needs, its terminating zero included.
size_t format_room(const std::string& format, bool span) {
  size_t room = 1;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      ++room;
    } else if (i + 1 < format.size()) {
      room += field_room(format[++i], span);
    }
  }
  return room;
}

// Calls print into a buffer of room bytes with guard bytes behind it: the text must end
// inside the room, the guards stay as they were, and the result is the buffer (or null
// where a style may refuse).
template <class Print>
void within(size_t room, bool may_be_null, Print print) {
  std::vector<char> buffer(room + kGuardBytes, static_cast<char>(kGuard));
  const char* rc = print(buffer.data());
  if (rc != buffer.data() && !(may_be_null && rc == nullptr)) __builtin_trap();
  if (!std::memchr(buffer.data(), '\0', room)) __builtin_trap();
  for (size_t i = room; i < buffer.size(); ++i) {
    if (static_cast<uint8_t>(buffer[i]) != kGuard) __builtin_trap();
  }
}

// A value of the range [low, high] from the input's bytes: each field brought into its
// limits; a datetime validated (a day its month lacks falls back to the 1st), a
// timespan given the sign the input picks.
void make_value(const uint8_t* bytes, int low, int high, bool span, bool negative,
                unsigned char* value) {
  qd::Unpacked u{};
  u.header = qd::make_header(low, high, span ? (negative ? qd::kMarkNegative : qd::kMarkPositive)
                                             : 0);
  for (int c = low; c <= high; ++c) {
    uint32_t raw;
    std::memcpy(&raw, bytes + 4 * c, 4);
    if (span) {
      const uint32_t bound = c == high ? 2147483647u : static_cast<uint32_t>(qd::ts_field_bound(c));
      u.field[c] = static_cast<int32_t>(raw % (bound + 1u));
    } else {
      const qd::DtFieldFacts& f = qd::kDtFields[c];
      u.field[c] = f.min + static_cast<int32_t>(raw % static_cast<uint32_t>(f.max - f.min + 1));
    }
  }
  if (span) {
    qd::PackedTs::pack(value, u);
    return;
  }
  qd::PackedDt::pack(value, u);
  if (dt_check(value) == 0) return;
  if (low <= qd::kDd) u.field[qd::kDd] = 1;
  if (high == qd::kYy && u.field[qd::kYy] == 1582) u.field[qd::kYy] = 1583;  // the reform's gap
  qd::PackedDt::pack(value, u);
  if (dt_check(value) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Byte 0: the kind and range; byte 1: the style; 28 bytes of fields; then the format.
  constexpr size_t kHead = 2 + 4 * qd::kDtFieldCount;
  if (size < kHead) return 0;
  const bool span = data[0] & 1;
  const bool negative = data[0] & 2;
  int low = (data[0] >> 2) % qd::kDtFieldCount;
  int high = low + (data[0] >> 5) % (qd::kDtFieldCount - low);
  if (span && !qd::ts_range_ok(low, high)) high = low >= qd::kMo ? qd::kYy : qd::kDd;
  const qd_long style = 9 + data[1] % 5;  // 9 and 13 name no style
  const std::string format(reinterpret_cast<const char*>(data) + kHead,
                           std::min(size - kHead, kFormatMax));
  const std::string terminated = format.c_str();  // the format ends at its first zero
  unsigned char value[qd::kTsLargest + 8];
  std::memset(value, 0, sizeof value);
  make_value(data + 2, low, high, span, negative, value);

  const size_t room = format_room(terminated, span);
  if (span) {
    within(room, false, [&](char* out) { return qd_ts_format(out, terminated.c_str(), value); });
    within(kStyleRoom, false, [&](char* out) { return qd_ts_timespan(out, style, value); });
  } else {
    within(room, false, [&](char* out) { return qd_dt_format(out, terminated.c_str(), value); });
    within(kStyleRoom, true, [&](char* out) { return qd_dt_date(out, style, value); });
    within(kStyleRoom, true, [&](char* out) { return qd_dt_time(out, style, value); });
    within(kStyleRoom, false, [&](char* out) { return qd_dt_dt(out, style, value); });
  }
  trace_pop();
  return 0;
}
