// cmd_datetime.cpp: qdtype's calendar command (weekday) and its tour step through
// datetime and timespan arithmetic.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace {

// Field codes and marks of the packed layout (see qddt.h).
enum { kMs = 0, kSs, kMi, kHh, kDd, kMo, kYy };
constexpr int kPositive = 1, kNegative = 2;

// A packed value: header word, then the fields from the low code up (16-bit for a
// datetime, 32-bit for a timespan). Fields are given from the high code down.
struct Value {
  unsigned char b[24] = {};
};

template <class Field>
Value pack(int high, int low, int mark, std::initializer_list<long> fields) {
  Value v;
  const uint32_t header = static_cast<uint32_t>(low | high << 4 | mark << 8);
  std::memcpy(v.b, &header, sizeof header);
  int c = high;
  for (long f : fields) {
    const Field x = static_cast<Field>(f);
    std::memcpy(v.b + 4 + sizeof(Field) * (c - low), &x, sizeof x);
    --c;
  }
  return v;
}

Value date(int high, int low, std::initializer_list<long> fields) {
  Value v = pack<int16_t>(high, low, 0, fields);
  dt_check(v.b);  // sets the calendar mark
  return v;
}
Value span(int high, int low, int sign, std::initializer_list<long> fields) {
  return pack<int32_t>(high, low, sign, fields);
}

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

void show_sum(const Value& d, const Value& t, bool subtract) {
  char a[42], b[42], r[42];
  Value out;
  const int err = subtract ? dt_ts_sub(d.b, t.b, out.b) : dt_ts_add(d.b, t.b, out.b);
  std::printf("  %s %c %s = ", dt_str(a, d.b), subtract ? '-' : '+', ts_str(b, t.b));
  if (err == 0) {
    std::printf("%s\n", dt_str(r, out.b));
  } else {
    std::printf("rejected, error %d\n", err);
    init_qderr();
  }
}

void show_difference(const Value& x, const Value& y) {
  char a[42], b[42], r[42];
  Value out;
  dt_sub(x.b, y.b, out.b);
  std::printf("  %s - %s = %s\n", dt_str(a, x.b), dt_str(b, y.b), ts_str(r, out.b));
}

void show_weekday(const Value& d) {
  char a[42];
  qd_long w = 0;
  if (dt_weekday(d.b, &w) == 0) std::printf("  %s is a %s\n", dt_str(a, d.b), kDayNames[w]);
}

void tour_calendar() {
  std::printf("The calendar switches from Julian to Gregorian in October 1582:\n");
  show_sum(date(kYy, kDd, {1582, 10, 4}), span(kDd, kDd, kPositive, {1}), false);
  show_weekday(date(kYy, kDd, {1582, 10, 4}));
  show_weekday(date(kYy, kDd, {1582, 10, 15}));
  show_difference(date(kYy, kDd, {1583, 1, 1}), date(kYy, kDd, {1582, 1, 1}));
  std::printf("Days roll over month ends; months never meet days:\n");
  show_sum(date(kYy, kDd, {2000, 1, 31}), span(kDd, kDd, kPositive, {30}), false);
  show_sum(date(kYy, kDd, {2000, 1, 31}), span(kMo, kMo, kPositive, {1}), false);
  show_sum(date(kYy, kMo, {2007, 11}), span(kMo, kMo, kPositive, {3}), false);
  show_sum(date(kYy, kMi, {2000, 12, 31, 23, 30}), span(kHh, kHh, kPositive, {1}), false);
  std::printf("Timespans carry their sign apart from their fields:\n");
  show_difference(date(kYy, kMo, {2007, 5}), date(kYy, kMo, {2008, 2}));
  {
    char a[42], b[42], r[42];
    const Value two = span(kHh, kMi, kPositive, {2, 0});
    const Value minus_three = span(kHh, kMi, kNegative, {3, 0});
    Value out;
    if (ts_add(two.b, minus_three.b, out.b) == 0) {
      std::printf("  %s + %s = %s\n", ts_str(a, two.b), ts_str(b, minus_three.b), ts_str(r, out.b));
    }
    const Value hours = span(kHh, kHh, kPositive, {30});
    if (ts_cast(hours.b, out.b, kHh, kDd) == 0) {
      std::printf("  %s as days and hours is %s\n", ts_str(a, hours.b), ts_str(r, out.b));
    }
  }
  show_sum(date(kYy, kDd, {2000, 1, 1}), span(kHh, kHh, kNegative, {25}), false);
}

bool read_int(const char* text, long low, long high, long* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
  *out = v;
  return true;
}

int cmd_weekday(int argc, char** argv) {
  long y = 0, m = 0, d = 0;
  if (argc != 3 || !read_int(argv[0], 1, 32767, &y) || !read_int(argv[1], 1, 12, &m) ||
      !read_int(argv[2], 1, 31, &d)) {
    std::fprintf(stderr, "usage: qdtype weekday YEAR MONTH DAY\n");
    return 2;
  }
  Value v = pack<int16_t>(kYy, kDd, 0, {y, m, d});
  qd_long w = 0;
  if (dt_check(v.b) != 0 || dt_weekday(v.b, &w) != 0) {
    qdtype::print_error_report();
    return 1;
  }
  char text[42];
  std::printf("%s %s (%s calendar)\n", dt_str(text, v.b), kDayNames[w],
              (v.b[1] & 0xF) == 3 ? "Julian" : "Gregorian");
  return 0;
}

}  // namespace

QDTYPE_COMMAND("weekday", "YEAR MONTH DAY", "the day of the week of a date, either calendar",
               cmd_weekday);
QDTYPE_TOUR(60, "Calendar arithmetic", tour_calendar);
