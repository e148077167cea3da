// fuzz_fix.cpp: fix values as raw bytes from outside (any header, precisions up to 127,
// scales at the ends of the range, stray free half-bytes) through every decimal operation.
// Each operand sits in a heap block of exactly its size, so a read past a value shows;
// results go into 17-byte buffers with guard bytes behind them. The division in
// registers must agree with the division step by step wherever results are defined
// (every digit a decimal digit), and every result of well-formed operands is itself
// well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "decimal/fix_internal.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr size_t kGuarded = QD_FIX_MAX_BYTES + 8;

// The next operand from the input: two header bytes, then the digit bytes its precision
// needs (the input repeated when it runs short). Null when the input is used up.
uint8_t* take_operand(const uint8_t* data, size_t size, size_t* at) {
  if (*at + 2 > size) return nullptr;
  const size_t n = static_cast<size_t>(qd::fx_size(data[*at] & 0x7f));
  auto* v = static_cast<uint8_t*>(std::malloc(n));
  for (size_t i = 0; i < n; ++i) v[i] = data[(*at + i) % size];
  *at += n < size ? n : size;
  return v;
}

// Every digit a decimal digit: only such values have defined results.
bool well_formed(const uint8_t* v) {
  for (int i = 1; i <= qd::fx_prec(v); ++i) {
    if (qd::fx_digit(v, i) > 9) return false;
  }
  return true;
}

void check_guard(const uint8_t* buf) {
  for (size_t i = QD_FIX_MAX_BYTES; i < kGuarded; ++i) {
    if (buf[i] != 0x5a) __builtin_trap();  // a result never passes 17 bytes
  }
}

// A result of well-formed operands that its operation gave as a success, where it claims
// a stored precision (a product or quotient may claim more digits than a value holds).
void check_result(bool defined, bool success, const uint8_t* buf) {
  if (defined && success && qd::fx_prec(buf) <= qd::kFixMaxDigits &&
      !qd::valid_fix(buf, QD_FIX_MAX_BYTES)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t at = 0;
  uint8_t* a = take_operand(data, size, &at);
  uint8_t* b = take_operand(data, size, &at);
  if (!a || !b) {
    std::free(a);
    std::free(b);
    return 0;
  }
  const int param = at < size ? static_cast<int8_t>(data[at]) : 0;
  // Operands whose digits are all decimal have defined results; those that are also
  // well-formed values in every header field must give well-formed results.
  const bool defined = well_formed(a) && well_formed(b);
  const bool valid =
      defined && qd::valid_fix(a, QD_FIX_MAX_BYTES) && qd::valid_fix(b, QD_FIX_MAX_BYTES);
  const size_t nb = static_cast<size_t>(qd::fx_size(qd::fx_prec(b)));

  uint8_t c[kGuarded], d[kGuarded];
  std::memset(c, 0x5a, sizeof c);
  check_result(valid, fixadd(a, b, c) == 0, c);
  check_guard(c);

  uint8_t* b_before = static_cast<uint8_t*>(std::malloc(nb));
  std::memcpy(b_before, b, nb);
  check_result(valid, fixsub(a, b, c) == 0, c);
  if (std::memcmp(b, b_before, nb) != 0) __builtin_trap();  // fixsub restores b
  check_guard(c);
  std::free(b_before);

  std::memset(c, 0x5a, sizeof c);
  std::memset(d, 0x5a, sizeof d);
  const int rc = fixdiv(a, b, c);
  bool wrote = false;
  const int rc_steps = qd::divide_by_steps(a, b, d, &wrote);
  if (defined && rc_steps != rc) __builtin_trap();
  // A division whose additions all failed returns 0 and leaves c as it was.
  check_result(valid, rc == 0 && wrote, c);
  if (defined && rc == 0 && qd::fx_prec(c) <= qd::kFixMaxDigits &&
      std::memcmp(c, d, static_cast<size_t>(qd::fx_size(qd::fx_prec(c)))) != 0) {
    __builtin_trap();
  }
  check_guard(c);
  check_guard(d);

  fixcmp(a, b);
  fix_double(a);
  truncatable_to_scale(a, param);
  char text[QD_FIX_TEXT_SIZE + 8];
  std::memset(text, 0x5a, sizeof text);
  fix_string(a, text);
  for (size_t i = QD_FIX_TEXT_SIZE; i < sizeof text; ++i) {
    if (text[i] != 0x5a) __builtin_trap();
  }
  qd_long l;
  qd_ulong u;
  fix_long(a, &l);
  fix_ulong(a, &u);
  check_result(valid, fix_fix(a, param, c) != nullptr, c);
  check_guard(c);
  check_result(valid, fix_to62(a, param, c) == 0, c);
  check_guard(c);
  char zero = 0;
  const unsigned divisor = static_cast<unsigned>(param) & 0xffffu;
  fixdivmod(c, &zero, a, divisor);
  check_result(valid, divisor != 0, c);
  check_guard(c);

  check_result(valid, fixmul(a, b, c) == 0, c);  // may clear the free half-byte of an operand
  check_guard(c);
  std::free(a);
  std::free(b);
  trace_pop();  // failures leave this thread's report behind
  return 0;
}
