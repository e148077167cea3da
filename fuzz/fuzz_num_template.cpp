// fuzz_num_template.cpp: number templates from outside text: compiled, a value printed
// through them into a buffer of any size (never written past), the text read back, and
// outside text read through them.
//
// Input: byte 0 picks the value's type (low two bits) and byte 1 the buffer size; the
// rest is the template, a newline, and the value's text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "decimal/fix_internal.h"
#include "numform/numform_internal.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr size_t kRoom = 256;
constexpr char kGuard = 0x5a;

// Whether the template is made of keywords only: literal text could hold digits, signs or
// separators that make the printed text ambiguous to read back.
bool keywords_only(const std::string& t) {
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = static_cast<char>(t[i] & ~0x20);
    if (t[i] == '9' || t[i] == '0' || t[i] == ',' || t[i] == '.' || c == 'G' || c == 'D' ||
        c == 'S' || c == 'C' || c == 'L' || c == 'U')
      continue;
    const char n = i + 1 < t.size() ? static_cast<char>(t[i + 1] & ~0x20) : 0;
    if ((c == 'M' && n == 'I') || (c == 'F' && n == 'M')) {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

bool same_value(const uint8_t* got, const uint8_t* want) {
  if (fixiszero(want)) return fixiszero(got);  // a zero prints without its sign
  return fixcmp(got, want) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static bool settings = [] {
    qdxglob_val.decimal_sep = ".";
    qdxglob_val.group_sep = ",";
    qdxglob_val.currency_sym = "$";
    qdxglob_val.local_currency_sym = "EUR";
    return true;
  }();
  (void)settings;
  const int type = (data[0] & 3) == 0 ? 1 : (data[0] & 3) == 1 ? 2 : 3;
  const unsigned room = data[1];
  const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const size_t nl = rest.find('\n');
  const std::string templ = rest.substr(0, nl);
  const std::string text = nl == std::string::npos ? "" : rest.substr(nl + 1);
  if (templ.find('\0') != std::string::npos || text.find('\0') != std::string::npos) return 0;

  // The value and, for the read-back, what it reads as once rounded to F places.
  qd::NumTemplate t;
  char scratch[kRoom];
  const bool compiled =
      qd::compile_num_template(templ.c_str(), &t, scratch, sizeof scratch, qd::num_settings()) == 0;
  const int F = t.frac_digits;
  int32_t i = 0;
  double d = 0;
  uint8_t fix[QD_FIX_MAX_BYTES] = {}, want[QD_FIX_MAX_BYTES] = {};
  const void* value = nullptr;
  bool comparable = compiled && keywords_only(templ);
  if (type == 1) {
    i = static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
    value = &i;
    long_fix(i, 0, want);
  } else if (type == 2) {
    d = std::strtod(text.c_str(), nullptr);
    value = &d;
    char fixed[512];
    comparable = comparable && std::isfinite(d) && std::fabs(d) < 1e30 && F <= 100;
    if (comparable) {
      std::snprintf(fixed, sizeof fixed, "%.*f", F, d);
      comparable = string_fix(fixed, want) == 0;
    }
  } else {
    if (string_fix(text.c_str(), fix) != 0) fixmkzero(fix);
    value = fix;
    if (getscale(fix) > F) {
      comparable = comparable && fix_fix(fix, F, want) != nullptr;
    } else {
      std::memcpy(want, fix, sizeof fix);
    }
  }

  char out[kRoom + 16];
  std::memset(out, kGuard, sizeof out);
  const int rc = num2str(value, type, out, room, templ.c_str());
  for (size_t k = room; k < sizeof out; ++k)
    if (out[k] != kGuard) __builtin_trap();
  if (rc == 0 && std::memchr(out, 0, room) == nullptr) __builtin_trap();
  // A row of "#" (empty for a template with a sign and no digit positions) is no number.
  if (rc == 0 && comparable && out[0] != '#' && out[0] != '\0') {
    uint8_t got[QD_FIX_MAX_BYTES];
    if (str2num(out, got, templ.c_str()) != 0 || !same_value(got, want)) __builtin_trap();
  }

  // Outside text through the template: a result, when there is one, is a fix value.
  uint8_t read[QD_FIX_MAX_BYTES + 8];
  std::memset(read, kGuard, sizeof read);
  if (str2num(text.c_str(), read, templ.c_str()) == 0 && !qd::valid_fix(read, QD_FIX_MAX_BYTES))
    __builtin_trap();
  for (size_t k = QD_FIX_MAX_BYTES; k < sizeof read; ++k)
    if (read[k] != static_cast<uint8_t>(kGuard)) __builtin_trap();
  trace_pop();
  return 0;
}
