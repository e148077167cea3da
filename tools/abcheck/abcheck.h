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

// Runs each decimal operation on `pairs` fresh operand pairs, gives every call to emit,
// and returns the four hashes (FNV-1a over each operation's calls).
template <class Emit>
Hashes run(long pairs, Emit&& emit) {
  Hashes hash;
  hash.fill(1469598103934665603ull);
  Operands gen;
  for (long it = 0; it < pairs; ++it) {
    for (int op = 0; op < 4; ++op) {
      uint8_t a[17], b[17], a0[17], b0[17], c[17];
      gen.make(a);
      gen.make(b);
      std::memcpy(a0, a, 17);
      std::memcpy(b0, b, 17);
      // Not a valid value: a division whose additions all fail returns 0 and leaves it.
      std::memset(c, 0xee, 17);
      qd_errtxt_adr()[0] = 0;
      const int rc = op == 0   ? fixadd(a, b, c)
                     : op == 1 ? fixsub(a, b, c)
                     : op == 2 ? fixmul(a, b, c)
                               : fixdiv(a, b, c);
      // Never past c's 17 bytes, whatever size it states. The report text counts also
      // when a step records one without stopping the division. fixmul may clear the
      // free half-byte of an odd precision in its operands, the same way in every build.
      int n = rc ? 0 : 2 + ((c[0] & 0x7f) + 1) / 2;
      if (n > 17) n = 17;
      const char* text = qd_errtxt_adr();
      hash_bytes(hash[op], &rc, sizeof rc);
      hash_bytes(hash[op], c, static_cast<size_t>(n));
      hash_bytes(hash[op], text, std::strlen(text));
      hash_bytes(hash[op], a, 17);
      hash_bytes(hash[op], b, 17);
      emit(Call{op, a0, b0, rc, c, n, text});
    }
  }
  return hash;
}

// The same for dt_sub, dt_ts_add, dt_weekday and dt_cmp (operations 4 to 7; a call's c
// is the whole 32-byte result buffer, so a write past the value shows too).
template <class Emit>
Hashes run_calendar(long pairs, Emit&& emit) {
  Hashes hash;
  hash.fill(1469598103934665603ull);
  Operands gen;
  for (long it = 0; it < pairs; ++it) {
    for (int op = 4; op < 8; ++op) {
      uint8_t a[32], b[32], a0[32], b0[32], c[32];
      gen.make_dt(a);
      if (op == 5) {
        gen.make_ts(b);
      } else {
        gen.make_dt(b);
      }
      std::memcpy(a0, a, 32);
      std::memcpy(b0, b, 32);
      std::memset(c, 0xa5, 32);
      qd_errtxt_adr()[0] = 0;
      qd_long n = 0;
      int rc = 0;
      switch (op) {
        case 4: rc = dt_sub(a, b, c); break;
        case 5: rc = dt_ts_add(a, b, c); break;
        case 6: rc = dt_weekday(a, &n); break;
        default: n = dt_cmp(a, b);
      }
      const int64_t wide = n;  // qd_long is as wide as the platform's long
      if (op >= 6) std::memcpy(c, &wide, sizeof wide);
      const char* text = qd_errtxt_adr();
      uint64_t& h = hash[op - 4];
      hash_bytes(h, &rc, sizeof rc);
      hash_bytes(h, c, 32);
      hash_bytes(h, text, std::strlen(text));
      hash_bytes(h, a, 32);
      hash_bytes(h, b, 32);
      emit(Call{op, a0, b0, rc, c, 32, text});
    }
  }
  return hash;
}

}  // namespace abcheck
