// types_test_util.h: what several type tests share: descriptors built byte by byte, their
// full text form, and a guard that switches forced heap failures off again.
#pragma once

#include <string>

#include "qdtype32/qdtype32.h"
#include "types/bytes_internal.h"

namespace typetest {

// The flag byte is the host's: operations that build a descriptor clear it.
inline attrtype make(int code, int p0 = 0, int p1 = 0) {
  attrtype t = {};
  t.code = static_cast<int16_t>(code);
  t.param[0] = static_cast<uint8_t>(p0);
  t.param[1] = static_cast<uint8_t>(p1);
  t.flag = 0x5a;
  return t;
}
// A descriptor with a 16-bit length parameter.
inline attrtype len(int code, int n) { return make(code, n & 0xff, (n >> 8) & 0xff); }

inline std::string text_of(attrtype t, int full = 1) {
  char buf[64];
  return attr_to_txt(&t, full, buf);
}

struct FailGuard {
  ~FailGuard() { qd::heap_fail_after(-1); }
};

}  // namespace typetest
