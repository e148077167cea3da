// abcheck: the four decimal operations on the random operands of abcheck.h, as one hash
// per operation or one line per call. Built against two builds of the library, its
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
  long it = 0;
  const auto hash = abcheck::run(std::atol(argv[1]), [&](const abcheck::Call& call) {
    if (!lines) return;
    std::printf("%ld %s", it++ / 4, abcheck::kOps[call.op]);
    for (const uint8_t* v : {call.a, call.b}) {
      std::printf(" ");
      for (int i = 0; i < 2 + ((v[0] & 0x7f) + 1) / 2; ++i) std::printf("%02x", v[i]);
    }
    std::printf(" -> %d ", call.rc);
    for (int i = 0; i < call.n; ++i) std::printf("%02x", call.c[i]);
    std::printf(" %s\n", call.text);
  });
  for (int op = 0; op < 4; ++op)
    std::printf("%s %016llx\n", abcheck::kOps[op], static_cast<unsigned long long>(hash[op]));
  return 0;
}
