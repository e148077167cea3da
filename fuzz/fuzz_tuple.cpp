// fuzz_tuple.cpp: constr_tup (and bb_constr_tup) over random descriptors and values. The
// input is a setting byte, a mode byte, then fields: two descriptor bytes for the code, two
// parameter bytes, then either a literal (read by literal_to_binary) or raw value bytes, up
// to a newline. The tuple buffer is exactly QD_TUPLE_MAX bytes between guard bytes: nothing
// may be written past it, and a built tuple's offsets must be sound.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "qdtype32/qdtype32.h"
#include "tuple/tuple_internal.h"

namespace {

constexpr size_t kGuard = 64;
constexpr int kFieldsMax = 24;
constexpr uint8_t kGuardByte = 0xa5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static const int32_t kSettings[] = {0, 4, 8, 1};
  qdxglob_val.tuple_align = kSettings[data[0] & 3];
  const bool templated = data[1] & 1, raw = data[1] & 2, bare = data[1] & 4;
  // Each value lives in a record-sized buffer, so no size a value claims reads past it.
  static std::vector<uint8_t> pool(static_cast<size_t>(kFieldsMax) * QD_TUPLE_MAX);
  attrtype types[kFieldsMax] = {};
  short codes[kFieldsMax] = {};
  void* values[kFieldsMax] = {};
  int n = 0;
  size_t at = 2;
  while (at + 4 <= size && n < kFieldsMax) {
    attrtype& t = types[n];
    t.code = static_cast<int16_t>(static_cast<int8_t>(data[at]) % 34);
    t.param[0] = data[at + 2], t.param[1] = data[at + 3];
    codes[n] = t.code;
    at += 4;
    const uint8_t* end = static_cast<const uint8_t*>(std::memchr(data + at, '\n', size - at));
    const size_t len = end ? static_cast<size_t>(end - (data + at)) : size - at;
    uint8_t* v = pool.data() + static_cast<size_t>(n) * QD_TUPLE_MAX;
    std::memset(v, 0, QD_TUPLE_MAX);
    if (raw) {
      std::memcpy(v, data + at, len < QD_TUPLE_MAX ? len : QD_TUPLE_MAX);
      values[n] = v;
    } else {
      const std::string text(reinterpret_cast<const char*>(data + at), len);
      attrtype lt{};
      values[n] = literal_to_binary(v, &lt, text.c_str()) == 0 ? v : nullptr;
    }
    at += len + 1;
    ++n;
  }
  static std::vector<uint8_t> block(QD_TUPLE_MAX + 2 * kGuard);
  std::memset(block.data(), kGuardByte, block.size());
  uint8_t* tuple = block.data() + kGuard;
  const int rc = bare ? bb_constr_tup(n, templated ? nullptr : values, codes, tuple)
                      : constr_tup(n, templated ? nullptr : values, types, tuple);
  for (size_t i = 0; i < kGuard; ++i) {
    if (block[i] != kGuardByte || block[kGuard + QD_TUPLE_MAX + i] != kGuardByte) __builtin_trap();
  }
  if (rc == 0 && !qd::valid_tuple(tuple, n, QD_TUPLE_MAX)) __builtin_trap();
  if (rc == 0 && !templated) {
    // Every value starts at its offset as it was given.
    for (int i = 0; i < n; ++i) {
      const int code = bare ? codes[i] : types[i].code;
      if (!values[i] || code == 15) continue;
      uint16_t start, stop;
      std::memcpy(&start, tuple + 2 * i, 2);
      std::memcpy(&stop, tuple + 2 * i + 2, 2);
      if (stop <= start || tuple[start] != *static_cast<const uint8_t*>(values[i]))
        __builtin_trap();
    }
  }
  trace_pop();
  qdxglob_val.tuple_align = 0;
  return 0;
}
