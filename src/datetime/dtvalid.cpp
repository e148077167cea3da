// dtvalid.cpp: what a well-formed datetime and timespan are, for validation and for the
// output checks of the checking build.
#include <algorithm>

#include "datetime/dt_internal.h"

namespace qd {

namespace {

// The header's claim, bounded by room; false when not even the header can be read or
// the claim does not fit.
template <class P>
bool sized(const void* v, size_t room, size_t* bytes) {
  size_t claim = kDtHeaderBytes;
  if (room >= kDtHeaderBytes) {
    const uint32_t h = load<uint32_t>(v);
    const int low = range_low(h), high = range_high(h);
    if (range_ok(low, high)) claim = static_cast<size_t>(P::size(v));
  }
  if (bytes) *bytes = std::min(claim, room);
  return room >= kDtHeaderBytes && claim <= room;
}

}  // namespace

bool valid_datetime(const void* v, size_t room, size_t* bytes) {
  if (!sized<PackedDt>(v, room, bytes)) return false;
  Unpacked u;
  PackedDt::unpack(v, u);
  if (!range_ok(u)) return false;
  for (int c = low_code(u); c <= high_code(u); ++c) {
    if (u.field[c] < kDtFields[c].min || u.field[c] > kDtFields[c].max) return false;
  }
  int mark = kMarkGregorian;
  if (!calendar_of(u, &mark)) return false;
  // Without a year the calendar is not known from the value: either mark will do.
  const int stored = mark_of(u);
  if (stored == 0) return true;
  if (high_code(u) < kYy) return stored == kMarkJulian || stored == kMarkGregorian;
  return stored == mark;
}

bool valid_timespan(const void* v, size_t room, size_t* bytes) {
  if (!sized<PackedTs>(v, room, bytes)) return false;
  Unpacked u;
  PackedTs::unpack(v, u);
  const int low = low_code(u), high = high_code(u);
  if (!ts_range_ok(low, high)) return false;
  if (mark_of(u) != kMarkPositive && mark_of(u) != kMarkNegative) return false;
  for (int c = low; c < high; ++c) {
    if (u.field[c] < 0 || u.field[c] > ts_field_bound(c)) return false;
  }
  return u.field[high] >= 0;
}

}  // namespace qd
