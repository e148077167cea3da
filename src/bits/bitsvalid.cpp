// bitsvalid.cpp: what a well-formed bits and bits2 value is, for the output checks of
// the checking build and for tests.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "base/byteio.h"
#include "bits/bits_internal.h"

namespace qd {
namespace {

// A length n >= 0 in a header of `header` bytes: the claim fits room and the fill bits
// of the last data byte are zero.
bool valid_counted(const void* v, size_t room, size_t* bytes, size_t header, int64_t n) {
  size_t claim = header;
  if (room >= header && n >= 0) claim = header + bits_data_bytes(static_cast<uint32_t>(n));
  if (bytes) *bytes = std::min(claim, room);
  if (room < header || n < 0 || claim > room) return false;
  if (n % 8 == 0) return true;
  const uint8_t last = static_cast<const uint8_t*>(v)[claim - 1];
  const uint8_t fill = static_cast<uint8_t>(0xFFu >> (n % 8));
  return (last & fill) == 0;
}

}  // namespace

bool valid_bits(const void* v, size_t room, size_t* bytes) {
  const int64_t n = room >= kBitsHeader ? load<int32_t>(v) : -1;
  return valid_counted(v, room, bytes, kBitsHeader, n);
}

bool valid_bits2(const void* v, size_t room, size_t* bytes) {
  const int64_t n = room >= kBits2Header ? load<uint16_t>(v) : -1;
  return valid_counted(v, room, bytes, kBits2Header, n);
}

}  // namespace qd
