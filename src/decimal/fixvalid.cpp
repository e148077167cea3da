// fixvalid.cpp: what a well-formed fix value is, for the output checks of the checking
// build and for tests.
#include <algorithm>
#include <cstddef>

#include "decimal/fix_internal.h"

namespace qd {

bool valid_fix(const void* v, size_t room, size_t* bytes) {
  const auto* b = static_cast<const uint8_t*>(v);
  size_t claim = 2;
  if (room >= 2 && fx_prec(b) <= kFixMaxDigits) claim = static_cast<size_t>(fx_size(fx_prec(b)));
  if (bytes) *bytes = std::min(claim, room);
  if (room < 2 || fx_prec(b) > kFixMaxDigits || claim > room) return false;
  // Every stored digit is a decimal digit; the unused half of an odd precision's last
  // byte may hold anything.
  for (int i = 1; i <= fx_prec(b); ++i) {
    if (fx_digit(b, i) > 9) return false;
  }
  return true;
}

}  // namespace qd
