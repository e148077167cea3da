// outcheck.cpp: the stop of the checking build when an export wrote a malformed value.
#include "base/outcheck.h"

#include <cstdio>
#include <cstdlib>

namespace qd {

void output_check_failed(const char* fn, const char* kind, const void* v, size_t bytes) {
  std::fprintf(stderr, "%s: malformed %s output:", fn, kind);
  const auto* b = static_cast<const unsigned char*>(v);
  for (size_t i = 0; i < bytes; ++i) std::fprintf(stderr, " %02x", b[i]);
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  std::abort();
}

}  // namespace qd
