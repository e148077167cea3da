// fuzz_descriptor.cpp: type texts and integer literals from outside: txt_to_attr,
// attr_to_txt on what it read, and atonumber.
#include <cstddef>
#include <cstdint>
#include <string>

#include "qdtype32/qdtype32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  attrtype t = {};
  txt_to_attr(text.data(), &t);
  char buf[64];
  attr_to_txt(&t, 1, buf);
  attr_to_txt(&t, 0, buf);
  size_attrtype(&t);
  value_fine_space(static_cast<int>(size % 40), &t);
  qd_long v = 0;
  char* end = nullptr;
  atonumber(text.data(), &v, &end);
  if (end < text.data() || end > text.data() + text.size()) __builtin_trap();
  return 0;
}
