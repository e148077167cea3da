// fuzz_values.cpp: value texts from outside: decimal literals (string_fix, scan_fix),
// bits2 literals, hexadecimal byte strings, and character walks in every encoding. Every
// value read is well formed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/limits.h"
#include "bits/bits_internal.h"
#include "decimal/fix_internal.h"
#include "qdtype32/qdtype32.h"
#include "runtime/coding.h"
#include "types/bytes_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  const char* t = text.c_str();

  qd_fix fix[QD_FIX_MAX_BYTES + 8];
  std::memset(fix, 0x5a, sizeof fix);
  if (string_fix(t, fix) == 0) {
    if (!qd::valid_fix(fix, QD_FIX_MAX_BYTES)) __builtin_trap();
    char out[QD_FIX_TEXT_SIZE];
    fix_string(fix, out);
  }
  int consumed = -1;
  if (scan_fix(t, fix, &consumed) == 0 && !qd::valid_fix(fix, QD_FIX_MAX_BYTES)) {
    __builtin_trap();
  }
  for (size_t i = QD_FIX_MAX_BYTES; i < sizeof fix; ++i) {
    if (fix[i] != 0x5a) __builtin_trap();  // a result never passes 17 bytes
  }

  // A bits2 value holds at most 65535 bits: room for the largest.
  std::vector<unsigned char> bits(2 + 65535 / 8 + 1);
  char* rest = lit_to_bits2(bits.data(), text.data());
  if (rest && (rest < text.data() || rest > text.data() + text.size())) __builtin_trap();
  if (!qd::valid_bits2(bits.data(), bits.size())) __builtin_trap();

  std::vector<unsigned char> bin(qd::kByteStringHeader + qd::kBincharMax);
  if (hex_to_binchar(bin.data(), text.data()) == 0 && !qd::valid_binchar(bin.data(), bin.size())) {
    __builtin_trap();
  }

  for (int32_t code = 0; code < qd::kEncCount; ++code) {
    qd::encoding_string_size(code, t);
    for (size_t i = 0; i < text.size(); ++i) {
      qd::encoding_valid_char_len(code, t + i, static_cast<int32_t>(text.size() - i));
    }
  }
  return 0;
}
