// dtfields.h: the fields of datetime and timespan values, one table for every writer and
// reader of them: the packing and the checks (datetime/), the literal printer and
// reader, descriptor texts (types/typeuti.cpp) and the accounting log's date.
#pragma once

#include <cstdint>

namespace qd {

// A field's code is its place in a value, in order from the smallest unit: 0
// milliseconds up to 6 years. Code 7, the weekday, exists only as a range name.
enum DtField : int { kMs = 0, kSs = 1, kMi = 2, kHh = 3, kDd = 4, kMo = 5, kYy = 6, kWeekday = 7 };
constexpr int kDtFieldCount = 7;
constexpr int kDtRangeNameCount = 8;

// The largest timespan field: the highest field of a timespan takes any 31-bit count.
constexpr int32_t kTsFieldMax = 2147483647;

struct DtFieldFacts {
  const char* name;  // the range name, as descriptors and literals write it
  char separator;    // written in front of the field after a higher field; none for
                     // the year and the weekday, which no field precedes
  int8_t digits;     // digits a literal always writes (zero-padded); 0: as many as needed
  int32_t min, max;  // a datetime field's range; min is also what a datetime field
                     // below a value's range reads as
  int32_t per_next;  // a timespan field's units in one unit of the next field; 0 where
                     // none carries over (days to months, years), the field then
                     // taking up to kTsFieldMax
};
inline constexpr DtFieldFacts kDtFields[kDtRangeNameCount] = {
    {"ms", '.', 3, 0, 999, 1000},        {"ss", ':', 0, 0, 59, 60},
    {"mi", ':', 0, 0, 59, 60},           {"hh", ' ', 0, 0, 23, 24},
    {"dd", '-', 0, 1, 31, 0},            {"mo", '-', 0, 1, 12, 12},
    {"yy", '\0', 0, 1, 32767, 0},        {"weekday", '\0', 0, 0, 6, 0},
};

// A datetime field's limits as one unsigned comparison takes them: a value below the
// minimum wraps past the span.
struct DtLimits {
  uint16_t min;
  uint16_t span;  // max - min
};
constexpr DtLimits dt_limits_of(int c) {
  return {static_cast<uint16_t>(kDtFields[c].min),
          static_cast<uint16_t>(kDtFields[c].max - kDtFields[c].min)};
}
inline constexpr DtLimits kDtLimits[kDtFieldCount] = {
    dt_limits_of(0), dt_limits_of(1), dt_limits_of(2), dt_limits_of(3),
    dt_limits_of(4), dt_limits_of(5), dt_limits_of(6)};
// Whether v lies within the limits of datetime field c (0..6).
constexpr bool dt_within_limits(int c, int32_t v) {
  return static_cast<uint32_t>(v) - kDtLimits[c].min <= kDtLimits[c].span;
}

// The largest value of timespan field c when a higher field follows it.
constexpr int32_t ts_field_bound(int c) {
  return kDtFields[c].per_next != 0 ? kDtFields[c].per_next - 1 : kTsFieldMax;
}

// ---- Stored layout ------------------------------------------------------------------------

// A stored value starts with a 32-bit header: the lowest field's code in bits 0-3, the
// highest field's in bits 4-7, the mark in bits 8-11. Its first byte alone (the range
// byte) carries the two codes. The fields follow from the lowest code up, 16-bit in a
// datetime and 32-bit in a timespan.
constexpr int kDtHeaderBytes = 4;
constexpr int kDtFieldBytes = 2;
constexpr int kTsFieldBytes = 4;

constexpr int range_low(uint32_t header) { return static_cast<int>(header & 0xF); }
constexpr int range_high(uint32_t header) { return static_cast<int>((header >> 4) & 0xF); }
constexpr int range_mark(uint32_t header) { return static_cast<int>((header >> 8) & 0xF); }
constexpr uint32_t range_header(int low, int high, int mark) {
  return static_cast<uint32_t>(low) | static_cast<uint32_t>(high) << 4 |
         static_cast<uint32_t>(mark) << 8;
}

// The size every size function reports for a range, from the header's codes as they
// stand: field width times (high - low) plus 8, which for a timespan is the header and
// its fields and for a datetime two bytes more.
constexpr int32_t dt_stored_size(int low, int high, int field_bytes) {
  return field_bytes * (high - low) + 8;
}

}  // namespace qd
