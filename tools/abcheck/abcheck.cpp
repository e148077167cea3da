// abcheck: the four decimal operations on random operands of every shape, as one line
// per call (return code, result bytes, report text) or one hash per operation. Built
// against two builds of the library, its outputs must be identical: that is how a change
// that should only make the library faster shows that every result stayed what it was.
// abcheck.sh builds and compares; this program only prints.
//
// Usage: abcheck PAIRS [lines]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "qdtype32/qdtype32.h"

namespace {

std::mt19937_64 rng(20261207);

int pick(int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); }

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
    case 2: scale = pick(100, 127) * (rng() & 1 ? 1 : -1); break;
    default: scale = pick(-40, 40);
  }
  v[0] = static_cast<uint8_t>(p | (rng() & 1 ? 0x80 : 0));
  v[1] = static_cast<uint8_t>(static_cast<int8_t>(scale));
  for (int i = 1; i <= p; ++i) {
    int d = pick(0, 9);
    if (kind == 0) d = 9;
    if (kind == 1 && (rng() & 1)) d = 0;
    if (kind == 2) d = pick(4, 5);
    if (kind == 3 && i > p / 2) d = 0;  // leading zeros
    if (kind == 4) d = pick(0, 1);
    // Digit i: byte 2 + (i - 1) / 2, odd digits in the high half.
    v[2 + (i - 1) / 2] |= static_cast<uint8_t>(i & 1 ? d << 4 : d);
  }
}

struct Hash {
  uint64_t h = 1469598103934665603ull;
  void add(const void* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const uint8_t*>(p)[i]) * 1099511628211ull;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: abcheck PAIRS [lines]\n");
    return 2;
  }
  const long pairs = std::atol(argv[1]);
  const bool lines = argc > 2;
  const char* names[] = {"fixadd", "fixsub", "fixmul", "fixdiv"};
  Hash hash[4];
  for (long it = 0; it < pairs; ++it) {
    for (int op = 0; op < 4; ++op) {
      uint8_t a[17], b[17], a0[17], b0[17], c[17];
      make(a);
      make(b);
      std::memcpy(a0, a, 17);
      std::memcpy(b0, b, 17);
      std::memset(c, 0xee, 17);
      qd_errtxt_adr()[0] = 0;
      int rc = 0;
      switch (op) {
        case 0: rc = fixadd(a, b, c); break;
        case 1: rc = fixsub(a, b, c); break;
        case 2: rc = fixmul(a, b, c); break;
        default: rc = fixdiv(a, b, c);
      }
      // The result's own bytes on success (a division whose last addition fails returns 0
      // and leaves c as it was); the report (also one recorded by a step that does not stop
      // the division); the operands after the call (fixmul may clear the free half-byte of
      // an odd precision, the same way in both builds).
      int n = rc ? 0 : 2 + ((c[0] & 0x7f) + 1) / 2;
      if (n > 17) n = 17;
      const char* text = qd_errtxt_adr();
      Hash& h = hash[op];
      h.add(&rc, sizeof rc);
      h.add(c, static_cast<size_t>(n));
      h.add(text, std::strlen(text));
      h.add(a, 17);
      h.add(b, 17);
      if (lines) {
        std::printf("%ld %s", it, names[op]);
        for (const uint8_t* v : {a0, b0}) {
          std::printf(" ");
          for (int i = 0; i < 2 + ((v[0] & 0x7f) + 1) / 2; ++i) std::printf("%02x", v[i]);
        }
        std::printf(" -> %d ", rc);
        for (int i = 0; i < n; ++i) std::printf("%02x", c[i]);
        std::printf(" %s\n", text);
      }
    }
  }
  for (int op = 0; op < 4; ++op) std::printf("%s %016llx\n", names[op], static_cast<unsigned long long>(hash[op].h));
  return 0;
}
