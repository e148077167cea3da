// fuzz_format.cpp: the bounded formatter with any format text (catalogue texts come
// from installation files) over a fixed set of packed values.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "status/qdformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string format(reinterpret_cast<const char*>(data), size);
  char out[64];
  std::memset(out, 0x5a, sizeof out);
  size_t room = 1 + size % 60;
  size_t n = qd::format_values(out, room, format.c_str(), 42, "text", 2.5, int64_t{-7},
                               static_cast<const char*>(nullptr));
  if (n >= room || out[n] != 0) __builtin_trap();
  for (size_t i = room; i < sizeof out; ++i) {
    if (out[i] != 0x5a) __builtin_trap();
  }
  return 0;
}
