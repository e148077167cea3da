// abcheck: the decimal and calendar operations on the random operands of abcheck.h, as
// one hash per operation or one line per call. Built against two builds of the library, its
// outputs must be identical: that is how a change that should only make the library
// faster shows that every result stayed what it was. abcheck.sh builds and compares.
//
// Usage: abcheck PAIRS [lines]
#include <cstdio>
#include <cstdlib>

#include "abcheck.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: abcheck PAIRS [lines]\n");
    return 2;
  }
  const bool lines = argc > 2;
  const long pairs = std::atol(argv[1]);
  long calls = 0;
  const auto print = [&](const abcheck::Call& call) {
    if (!lines) return;
    std::printf("%ld %s", calls++ / 4, abcheck::kOps[call.op]);
    for (const uint8_t* v : {call.a, call.b}) {
      std::printf(" ");
      const int n = call.op < 4 ? 2 + ((v[0] & 0x7f) + 1) / 2 : 32;
      for (int i = 0; i < n; ++i) std::printf("%02x", v[i]);
    }
    std::printf(" -> %d ", call.rc);
    for (int i = 0; i < call.n; ++i) std::printf("%02x", call.c[i]);
    std::printf(" %s\n", call.text);
  };
  const abcheck::Hashes fix = abcheck::run(pairs, print);
  calls = 0;
  const abcheck::Hashes cal = abcheck::run_calendar(pairs, print);
  for (int op = 0; op < 8; ++op) {
    std::printf("%s %016llx\n", abcheck::kOps[op],
                static_cast<unsigned long long>(op < 4 ? fix[op] : cal[op - 4]));
  }
  return 0;
}
