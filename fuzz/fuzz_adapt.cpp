// fuzz_adapt.cpp: any text through value_adapt_type: the number reader into every number
// and truth-value target, and the text and its bytes (as a binchar) into every
// byte-sequence target under a declared length, encoding and character-length switch
// taken from the input. Each result lands in a buffer of exactly the size the descriptor
// asks for, with guard bytes behind it; dstlen is written only on success and never beyond
// that size, and byte and bit strings written are well formed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bits/bits_internal.h"
#include "qdtype32/qdtype32.h"
#include "types/bytes_internal.h"
#include "types/types_internal.h"

namespace {

constexpr uint8_t kGuard = 0x5a;
constexpr size_t kGuardBytes = 64;

// One conversion into t with the buffer the descriptor asks for (room: its size).
void adapt_into(int srccode, const void* src, attrtype t, size_t room) {
  std::vector<uint8_t> dst(room + kGuardBytes, kGuard);
  qd_long len = -1;
  const int rc = value_adapt_type(srccode, src, &t, dst.data(), &len);
  for (size_t i = room; i < dst.size(); ++i) {
    if (dst[i] != kGuard) __builtin_trap();
  }
  if (rc != 0) {
    if (len != -1) __builtin_trap();
    return;
  }
  if (len < 1 || static_cast<size_t>(len) > room) __builtin_trap();
  const size_t n = static_cast<size_t>(len);
  switch (t.code) {
    case 4: case 28: case 29:
      if (dst[n - 1] != 0) __builtin_trap();
      break;
    case 12:
      if (!qd::valid_binchar(dst.data(), n)) __builtin_trap();
      break;
    case 14:
      if (!qd::valid_bits(dst.data(), n)) __builtin_trap();
      break;
    case 30:
      if (!qd::valid_bits2(dst.data(), n)) __builtin_trap();
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // The first byte picks a numeric target's precision and scale; the second and third the
  // declared length of the byte-sequence targets and the settings; the rest is the text.
  const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);
  static const int16_t kTargets[] = {1, 2, 3, 5, 6, 7, 11, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
  for (int16_t code : kTargets) {
    attrtype t{};
    t.code = code;
    if (code == 3) {
      t.param[0] = static_cast<uint8_t>(data[0] % 31);
      t.param[1] = static_cast<uint8_t>(static_cast<int8_t>(data[0] / 31) - 4);
    }
    adapt_into(4, text.c_str(), t, static_cast<size_t>(size_attrtype(&t)));
  }

  const qdxglob_record saved = qdxglob_val;
  qdxglob_val.db_encoding = data[2] % 12;
  qdxglob_val.charlen_switch = data[2] >= 128;
  // Lengths around the text's, small ones, and "at most" ones (negative).
  const int16_t declared = static_cast<int16_t>(
      data[1] < 64 ? data[1] : data[1] < 128 ? static_cast<int>(text.size()) + data[1] - 96
                                              : -static_cast<int>(data[1] - 127) * 3);
  std::vector<uint8_t> bytes(4 + text.size());
  const uint32_t count = static_cast<uint32_t>(text.size());
  std::memcpy(bytes.data(), &count, 4);
  std::memcpy(bytes.data() + 4, text.data(), text.size());
  static const int16_t kByteTargets[] = {4, 12, 14, 28, 29, 30};
  for (int16_t code : kByteTargets) {
    attrtype t{};
    t.code = code;
    if (code != 28) std::memcpy(t.param, &declared, 2);
    const size_t room =
        code == 28 ? text.size() + 1
                   : static_cast<size_t>(code == 29 ? value_fine_space(0, &t) : size_attrtype(&t));
    adapt_into(4, text.c_str(), t, room);
    if (text.size() <= qd::kBincharMax) {
      adapt_into(12, bytes.data(), t, code == 28 ? text.size() + 1 : room);
    }
  }
  qdxglob_val = saved;
  trace_pop();
  return 0;
}
