// fuzz_caltext.cpp: any text through the calendar text reader, as value_adapt_type reads it
// into datetime and timespan targets without a range and with the range the input picks.
// Results land in buffers of exactly the descriptor's size with guard bytes behind them,
// and every value written is a well-formed datetime or timespan of the target's range.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "datetime/dt_internal.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr uint8_t kGuard = 0x5a;

void read_into(const std::string& text, int code, int low, int high) {
  attrtype t{};
  t.code = static_cast<int16_t>(code);
  t.param[0] = static_cast<uint8_t>(low);
  t.param[1] = static_cast<uint8_t>(high);
  const size_t room = static_cast<size_t>(size_attrtype(&t));
  uint8_t dst[64];
  std::memset(dst, kGuard, sizeof dst);
  qd_long len = -1;
  const int rc = value_adapt_type(4, text.c_str(), &t, dst, &len);
  for (size_t i = room; i < sizeof dst; ++i) {
    if (dst[i] != kGuard) __builtin_trap();
  }
  if (rc != 0) {
    if (len != -1) __builtin_trap();
    return;
  }
  const bool ok = code == 8 ? qd::valid_datetime(dst, qd::kDtLargest)
                            : qd::valid_timespan(dst, qd::kTsLargest);
  if (!ok || len < 8 || len > (code == 8 ? qd::kDtLargest : qd::kTsLargest)) __builtin_trap();
  uint32_t header;
  std::memcpy(&header, dst, 4);
  if (low != 8 && (qd::range_low(header) != low || qd::range_high(header) != high)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the target range: its low and high codes, 8 for none.
  const int low = data[0] % 9 == 8 ? 8 : data[0] % 7;
  const int high = low == 8 ? 0 : low + (data[0] / 9) % (7 - low);
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  read_into(text, 8, 8, 0);
  read_into(text, 9, 8, 0);
  read_into(text, 8, low, high);
  if (low == 8 || (low >= 5) == (high >= 5)) read_into(text, 9, low, high);
  trace_pop();
  return 0;
}
