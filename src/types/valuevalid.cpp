// valuevalid.cpp: what a well-formed binchar and type descriptor are, for the output
// checks of the checking build and for tests.
#include <algorithm>
#include <cstring>

#include "base/byteio.h"
#include "qdtype32/qdattr.h"
#include "types/bytes_internal.h"
#include "types/types_internal.h"

namespace qd {

bool valid_binchar(const void* v, size_t room, size_t* bytes) {
  size_t claim = kByteStringHeader;
  const size_t header = kByteStringHeader;
  const uint32_t n = room >= header ? load<uint32_t>(v) : kBincharMax + 1;
  if (n <= kBincharMax) claim += n;
  if (bytes) *bytes = std::min(claim, room);
  return n <= kBincharMax && claim <= room;
}

bool valid_descriptor(const void* v, size_t room, size_t* bytes) {
  if (bytes) *bytes = std::min(sizeof(attrtype), room);
  if (room < sizeof(attrtype)) return false;
  attrtype t;
  std::memcpy(&t, v, sizeof t);
  const int code = t.code;
  if (!is_valid_type(code)) return false;
  if (code == kNumeric) return at_precision(&t) >= 0;
  if (has_length_param(code) || code == kFileref) {
    return at_length(&t) >= 0 && (code != kFileref || at_length(&t) == 0);
  }
  if (code == kDatetime || code == kTimespan) {
    const int low = at_range_low(&t), high = at_range_high(&t);
    if (low == kRangeUnset) return true;
    if (low > high || high > kYy) return false;
    return code == kDatetime || timespan_class(low, high) != TimespanClass::kMixed;
  }
  return true;
}

}  // namespace qd
