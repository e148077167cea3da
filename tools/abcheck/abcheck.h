// abcheck.h: the four decimal operations, and the calendar arithmetic, on reproducible
// random operands of every shape, hashed per operation (results, return codes, report
// texts, operands after the call). The generator is fixed, so every platform and width
// draws the same operands, and two builds that give the same hashes gave the same bytes.
// tools/abcheck runs two builds side by side; the decimal and datetime tests hold the
// hashes fixed.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <random>

#include "qdtype32/qdtype32.h"

namespace abcheck {

inline constexpr const char* kOps[8] = {"fixadd", "fixsub",    "fixmul",     "fixdiv",
                                         "dt_sub", "dt_ts_add", "dt_weekday", "dt_cmp"};

// One call as it went: the operands before it, the return code, the result's own bytes
// (n of them: none after a failure), and the report text.
struct Call {
  int op;
  const uint8_t *a, *b;
  int rc;
  const uint8_t* c;
  int n;
  const char* text;
};

class Operands {
 public:
  // A datetime reaching from the year down to any field (so no field comes from the
  // clock), the years crowded around the calendar switch and the ends of the range, the
  // fields mostly in range; unmarked, or marked as dt_check marks it.
  void make_dt(uint8_t* v) {
    std::memset(v, 0xa5, 32);
    const int low = pick(0, 6);
    int year;
    switch (pick(0, 3)) {
      case 0: year = pick(1578, 1586); break;
      case 1: year = pick(1, 3) + (rng_() & 1 ? 0 : 32764); break;
      default: year = pick(1, 9999);
    }
    const int fields[7] = {pick(0, 999), pick(0, 59), pick(0, 59), pick(0, 23),
                           pick(1, 31),  pick(1, 12), year};
    put_header(v, low, 6, 0);
    for (int c = low; c <= 6; ++c) {
      int f = fields[c];
      if (pick(0, 49) == 0) f = pick(-2, 40000);  // out of its range now and then
      const int16_t x = static_cast<int16_t>(f);
      std::memcpy(v + 4 + 2 * (c - low), &x, 2);
    }
    if (pick(0, 1)) dt_check(v);
  }
  // A timespan of years and months or of days down to any clock field, either sign, the
  // highest field at times large.
  void make_ts(uint8_t* v) {
    std::memset(v, 0xa5, 32);
    const bool ym = pick(0, 3) == 0;
    const int high = ym ? pick(5, 6) : pick(0, 4), low = ym ? pick(5, high) : pick(0, high);
    put_header(v, low, high, pick(1, 2));
    static constexpr int kPer[7] = {1000, 60, 60, 24, 0, 12, 0};
    for (int c = low; c <= high; ++c) {
      int32_t f = c == high ? (pick(0, 2) ? pick(0, 400) : pick(0, 3000000))
                            : pick(0, kPer[c] - 1);
      std::memcpy(v + 4 + 4 * (c - low), &f, 4);
    }
  }

  // A valid value of up to 30 digits: any scale, leading zeros, signed zeros, runs of 9s,
  // digits at the rounding edge 4/5, sparse digits.
  void make(uint8_t* v) {
    std::memset(v, 0, 17);
    const int p = pick(0, 4) == 0 ? pick(0, 3) : pick(0, 30);
    const int kind = pick(0, 5);
    int scale;
    switch (pick(0, 3)) {
      case 0: scale = pick(-128, 127); break;
      case 1: scale = pick(-5, 35); break;
      case 2: scale = pick(100, 127) * (rng_() & 1 ? 1 : -1); break;
      default: scale = pick(-40, 40);
    }
    v[0] = static_cast<uint8_t>(p | (rng_() & 1 ? 0x80 : 0));
    v[1] = static_cast<uint8_t>(static_cast<int8_t>(scale));
    for (int i = 1; i <= p; ++i) {
      int d = pick(0, 9);
      if (kind == 0) d = 9;
      if (kind == 1 && (rng_() & 1)) d = 0;
      if (kind == 2) d = pick(4, 5);
      if (kind == 3 && i > p / 2) d = 0;  // leading zeros
      if (kind == 4) d = pick(0, 1);
      // Digit i: byte 2 + (i - 1) / 2, odd digits in the high half.
      v[2 + (i - 1) / 2] |= static_cast<uint8_t>(i & 1 ? d << 4 : d);
    }
  }

 private:
  static void put_header(uint8_t* v, int low, int high, int mark) {
    const uint32_t h = static_cast<uint32_t>(low | high << 4 | mark << 8);
    std::memcpy(v, &h, 4);
  }
  int pick(int lo, int hi) {
    return lo + static_cast<int>(rng_() % static_cast<uint64_t>(hi - lo + 1));
  }
  std::mt19937_64 rng_{20261207};
};

using Hashes = std::array<uint64_t, 4>;

inline void hash_bytes(uint64_t& h, const void* p, size_t n) {
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const uint8_t*>(p)[i]) * 1099511628211ull;
}

// Runs operations first_op to first_op + 3 on `pairs` fresh operand pairs each, gives
// every call to emit, and returns the four hashes (FNV-1a over each operation's calls).
// make(gen, op, a, b) draws the operands; call(op, a, b, c, &n) makes the call and sets n
// to the number of c's bytes that count. c starts as bytes that are not a valid value.
template <size_t kSize, class Make, class CallOp, class Emit>
Hashes run_ops(long pairs, int first_op, Make make, CallOp call, Emit& emit) {
  Hashes hash;
  hash.fill(1469598103934665603ull);
  Operands gen;
  for (long it = 0; it < pairs; ++it) {
    for (int k = 0; k < 4; ++k) {
      const int op = first_op + k;
      uint8_t a[kSize], b[kSize], a0[kSize], b0[kSize], c[kSize];
      make(gen, op, a, b);
      std::memcpy(a0, a, kSize);
      std::memcpy(b0, b, kSize);
      std::memset(c, 0xee, kSize);
      qd_errtxt_adr()[0] = 0;
      int n = 0;
      const int rc = call(op, a, b, c, &n);
      // The report text counts also when a step records one without stopping the call.
      // The operands count as they are after the call (fixmul may clear the free
      // half-byte of an odd precision, the same way in every build).
      const char* text = qd_errtxt_adr();
      hash_bytes(hash[k], &rc, sizeof rc);
      hash_bytes(hash[k], c, static_cast<size_t>(n));
      hash_bytes(hash[k], text, std::strlen(text));
      hash_bytes(hash[k], a, kSize);
      hash_bytes(hash[k], b, kSize);
      emit(Call{op, a0, b0, rc, c, n, text});
    }
  }
  return hash;
}

// fixadd, fixsub, fixmul and fixdiv (operations 0 to 3).
template <class Emit>
Hashes run(long pairs, Emit&& emit) {
  const auto make = [](Operands& gen, int, uint8_t* a, uint8_t* b) {
    gen.make(a);
    gen.make(b);
  };
  const auto call = [](int op, uint8_t* a, uint8_t* b, uint8_t* c, int* n) {
    const int rc = op == 0   ? fixadd(a, b, c)
                   : op == 1 ? fixsub(a, b, c)
                   : op == 2 ? fixmul(a, b, c)
                             : fixdiv(a, b, c);
    // The result's own bytes, never past its 17 whatever size it states: a division
    // whose additions all fail returns 0 and leaves c as it was.
    *n = rc ? 0 : 2 + ((c[0] & 0x7f) + 1) / 2;
    if (*n > 17) *n = 17;
    return rc;
  };
  return run_ops<17>(pairs, 0, make, call, emit);
}

// dt_sub, dt_ts_add, dt_weekday and dt_cmp (operations 4 to 7). The whole 32-byte result
// buffer counts, so a write past the value shows too; a weekday or comparison result is
// written into it as 8 bytes.
template <class Emit>
Hashes run_calendar(long pairs, Emit&& emit) {
  const auto make = [](Operands& gen, int op, uint8_t* a, uint8_t* b) {
    gen.make_dt(a);
    if (op == 5) {
      gen.make_ts(b);
    } else {
      gen.make_dt(b);
    }
  };
  const auto call = [](int op, uint8_t* a, uint8_t* b, uint8_t* c, int* n) {
    qd_long v = 0;
    int rc = 0;
    switch (op) {
      case 4: rc = dt_sub(a, b, c); break;
      case 5: rc = dt_ts_add(a, b, c); break;
      case 6: rc = dt_weekday(a, &v); break;
      default: v = dt_cmp(a, b);
    }
    const int64_t wide = v;  // qd_long is as wide as the platform's long
    if (op >= 6) std::memcpy(c, &wide, sizeof wide);
    *n = 32;
    return rc;
  };
  return run_ops<32>(pairs, 4, make, call, emit);
}

}  // namespace abcheck
