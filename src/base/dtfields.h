// dtfields.h: the fields of datetime and timespan values, one table for every writer and
// reader of them (descriptor texts, literal text, the accounting log's date).
#pragma once

namespace qd {

// A field's code is its place in a value: 0 milliseconds up to 6 years, stored from the
// lowest code after the header. Code 7, the weekday, exists only as a range name.
constexpr int kDtFieldCount = 7;
constexpr int kDtRangeNameCount = 8;

struct DtFieldFacts {
  const char* name;  // the range name, as descriptors and literals write it
  char separator;    // written in front of the field after a higher field; none for
                     // the year and the weekday, which no field precedes
};
inline constexpr DtFieldFacts kDtFields[kDtRangeNameCount] = {
    {"ms", '.'}, {"ss", ':'}, {"mi", ':'}, {"hh", ' '},
    {"dd", '-'}, {"mo", '-'}, {"yy", '\0'}, {"weekday", '\0'},
};

}  // namespace qd
