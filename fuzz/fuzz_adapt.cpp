// fuzz_adapt.cpp: any text through the number reader into every number and truth-value
// target of value_adapt_type. Each result lands in a buffer of exactly the target's size
// with guard bytes behind it; dstlen is written only on success and never beyond the size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "qdtype32/qdtype32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks a numeric target's precision and scale; the rest is the text.
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  static const int16_t kTargets[] = {1, 2, 3, 5, 6, 7, 11, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
  for (int16_t code : kTargets) {
    attrtype t{};
    t.code = code;
    if (code == 3) {
      t.param[0] = static_cast<uint8_t>(data[0] % 31);
      t.param[1] = static_cast<uint8_t>(static_cast<int8_t>(data[0] / 31) - 4);
    }
    const size_t n = static_cast<size_t>(size_attrtype(&t));
    uint8_t dst[64];
    std::memset(dst, 0x5a, sizeof dst);
    qd_long len = -1;
    const int rc = value_adapt_type(4, text.c_str(), &t, dst, &len);
    for (size_t i = n; i < sizeof dst; ++i) {
      if (dst[i] != 0x5a) __builtin_trap();
    }
    if (rc == 0 && (len < 1 || static_cast<size_t>(len) > n)) __builtin_trap();
    if (rc != 0 && len != -1) __builtin_trap();
  }
  trace_pop();
  return 0;
}
