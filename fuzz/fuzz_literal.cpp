// fuzz_literal.cpp: any text through the literal scanner's three entries. The value goes
// into a buffer of the area's size with guard bytes behind it; literal_scan's end lies
// inside the text; the heap literal is as large as its descriptor says; the entries agree
// on what they accept.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/limits.h"
#include "qdtype32/qdtype32.h"

namespace {
constexpr size_t kArea = qd::kRecordMax;
constexpr size_t kGuard = 16;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks the database encoding; the rest is the text.
  if (size == 0) return 0;
  qdxglob_val.db_encoding = data[0] % 12;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  static uint8_t value[kArea + kGuard];
  std::memset(value, 0x5a, sizeof value);
  attrtype t{}, t2{}, t3{};
  const int rc = literal_to_binary(value, &t, text.c_str());
  for (size_t i = kArea; i < sizeof value; ++i) {
    if (value[i] != 0x5a) __builtin_trap();
  }
  if (rc == 0 && value_len(value, t.code) > static_cast<int>(kArea)) __builtin_trap();

  void* block = nullptr;
  const int rc_heap = literal_to_heapbinary(&block, &t2, text.c_str());
  if (rc_heap != rc) __builtin_trap();
  if (rc_heap == 0) {
    if (!block || std::memcmp(&t, &t2, sizeof t) != 0) __builtin_trap();
    if (value_len(block, t2.code) > value_rough_space(&t2)) __builtin_trap();
  } else if (block) {
    __builtin_trap();
  }
  std::free(block);

  char* end = nullptr;
  const int rc_scan = literal_scan(&t3, &end, text.c_str());
  if (rc == 0 && rc_scan != 0) __builtin_trap();  // a whole literal is also a first literal
  if (rc_scan == 0 && (end < text.c_str() || end > text.c_str() + text.size())) __builtin_trap();
  trace_pop();
  return 0;
}
