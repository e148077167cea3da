// fuzz_descriptor.cpp: type texts and integer literals from outside: txt_to_attr,
// attr_to_txt on what it read, and atonumber. A rough descriptor of any known code, and
// the result type of two well-formed descriptors (unless it is 0, no type), are well formed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "qdtype32/qdtype32.h"
#include "types/types_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  attrtype t = {};
  txt_to_attr(text.data(), &t);
  char buf[64];
  attr_to_txt(&t, 1, buf);
  attr_to_txt(&t, 0, buf);
  size_attrtype(&t);
  value_fine_space(static_cast<int>(size % 40), &t);

  attrtype rough = {};
  const int code = static_cast<int>(size % 40) - 4;
  mk_rough_attrtype(static_cast<short>(code), &rough);
  if (is_valid_type(code) && !qd::valid_descriptor(&rough, sizeof rough)) __builtin_trap();
  attrtype result = {};
  fine_result_typ(&t, &rough, &result);
  if (qd::valid_descriptor(&t, sizeof t) && qd::valid_descriptor(&rough, sizeof rough) &&
      result.code != qd::kTypeNone &&
      !qd::valid_descriptor(&result, sizeof result)) {
    __builtin_trap();
  }
  qd_long v = 0;
  char* end = nullptr;
  atonumber(text.data(), &v, &end);
  if (end < text.data() || end > text.data() + text.size()) __builtin_trap();
  return 0;
}
