// abcheck.h: the four decimal operations on reproducible random operands of every shape,
// hashed per operation (results, return codes, report texts, operands after the call).
// The generator is fixed, so every platform and width draws the same operands, and two
// builds that give the same hashes gave the same bytes. tools/abcheck runs two builds side
// by side; the decimal tests hold the hashes fixed.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <random>

#include "qdtype32/qdtype32.h"

namespace abcheck {

inline constexpr const char* kOps[4] = {"fixadd", "fixsub", "fixmul", "fixdiv"};

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
  int pick(int lo, int hi) {
    return lo + static_cast<int>(rng_() % static_cast<uint64_t>(hi - lo + 1));
  }
  std::mt19937_64 rng_{20261207};
};

// Runs each operation on `pairs` fresh operand pairs, gives every call to emit, and
// returns the four hashes (FNV-1a over each operation's calls).
template <class Emit>
std::array<uint64_t, 4> run(long pairs, Emit&& emit) {
  std::array<uint64_t, 4> hash;
  hash.fill(1469598103934665603ull);
  auto add = [](uint64_t& h, const void* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const uint8_t*>(p)[i]) * 1099511628211ull;
  };
  Operands gen;
  for (long it = 0; it < pairs; ++it) {
    for (int op = 0; op < 4; ++op) {
      uint8_t a[17], b[17], a0[17], b0[17], c[17];
      gen.make(a);
      gen.make(b);
      std::memcpy(a0, a, 17);
      std::memcpy(b0, b, 17);
      // A valid value (7E-5) that stays when a division returns 0 without writing (its
      // last addition failed); the checking build checks every output of status 0.
      std::memset(c, 0xee, 17);
      c[0] = 1, c[1] = 5, c[2] = 0x70;
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
      add(hash[op], &rc, sizeof rc);
      add(hash[op], c, static_cast<size_t>(n));
      add(hash[op], text, std::strlen(text));
      add(hash[op], a, 17);
      add(hash[op], b, 17);
      emit(Call{op, a0, b0, rc, c, n, text});
    }
  }
  return hash;
}

}  // namespace abcheck
