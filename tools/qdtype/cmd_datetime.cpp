// cmd_datetime.cpp: qdtype's calendar command (weekday) and its tour step through
// datetime and timespan arithmetic.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/dtfields.h"
#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace {

using qdtype::print;

// Field codes and the header of the packed layout: the library's field table.
using qd::kDd;
using qd::kDtFields;
using qd::kHh;
using qd::kMi;
using qd::kMo;
using qd::kMs;
using qd::kSs;
using qd::kYy;
constexpr int kPositive = 1, kNegative = 2, kJulian = 3;
// Weekday and month names are the settings record's, which the tool fills in English at
// start (fill_english_settings), so the calendar speaks as the date templates do.

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

void show_sum(const Value& d, const Value& t, bool subtract) {
  char a[42], b[42], r[42];
  Value out;
  const int err = subtract ? dt_ts_sub(d.b, t.b, out.b) : dt_ts_add(d.b, t.b, out.b);
  print("  %s %c %s = ", dt_str(a, d.b), subtract ? '-' : '+', ts_str(b, t.b));
  if (err == 0) {
    print("%s\n", dt_str(r, out.b));
  } else {
    print("rejected, error %d\n", err);
    init_qderr();
  }
}

void show_difference(const Value& x, const Value& y) {
  char a[42], b[42], r[42];
  Value out;
  dt_sub(x.b, y.b, out.b);
  print("  %s - %s = %s\n", dt_str(a, x.b), dt_str(b, y.b), ts_str(r, out.b));
}

void show_weekday(const Value& d) {
  char a[42];
  qd_long w = 0;
  if (dt_weekday(d.b, &w) == 0) print("  %s is a %s\n", dt_str(a, d.b), qdxglob_val.wday_full[w]);
}

void tour_calendar() {
  print("The calendar switches from Julian to Gregorian in October 1582:\n");
  show_sum(date(kYy, kDd, {1582, 10, 4}), span(kDd, kDd, kPositive, {1}), false);
  show_weekday(date(kYy, kDd, {1582, 10, 4}));
  show_weekday(date(kYy, kDd, {1582, 10, 15}));
  show_difference(date(kYy, kDd, {1583, 1, 1}), date(kYy, kDd, {1582, 1, 1}));
  print("Days roll over month ends; months never meet days:\n");
  show_sum(date(kYy, kDd, {2000, 1, 31}), span(kDd, kDd, kPositive, {30}), false);
  show_sum(date(kYy, kDd, {2000, 1, 31}), span(kMo, kMo, kPositive, {1}), false);
  show_sum(date(kYy, kMo, {2007, 11}), span(kMo, kMo, kPositive, {3}), false);
  show_sum(date(kYy, kMi, {2000, 12, 31, 23, 30}), span(kHh, kHh, kPositive, {1}), false);
  print("Timespans carry their sign apart from their fields:\n");
  show_difference(date(kYy, kMo, {2007, 5}), date(kYy, kMo, {2008, 2}));
  {
    char a[42], b[42], r[42];
    const Value two = span(kHh, kMi, kPositive, {2, 0});
    const Value minus_three = span(kHh, kMi, kNegative, {3, 0});
    Value out;
    if (ts_add(two.b, minus_three.b, out.b) == 0) {
      print("  %s + %s = %s\n", ts_str(a, two.b), ts_str(b, minus_three.b), ts_str(r, out.b));
    }
    const Value hours = span(kHh, kHh, kPositive, {30});
    if (ts_cast(hours.b, out.b, kHh, kDd) == 0) {
      print("  %s as days and hours is %s\n", ts_str(a, hours.b), ts_str(r, out.b));
    }
  }
  show_sum(date(kYy, kDd, {2000, 1, 1}), span(kHh, kHh, kNegative, {25}), false);
}

// A date of the datetime[yy:dd] range, validated and marked with its calendar by the
// library; false when the library rejects it (its report is kept).
bool make_date(long long y, long long m, long long d, Value* out) {
  *out = pack<int16_t>(kYy, kDd, 0,
                       {static_cast<long>(y), static_cast<long>(m), static_cast<long>(d)});
  return dt_check(out->b) == 0;
}

constexpr size_t kDateBytes = 12;  // header, three 16-bit fields, two spare bytes

int cmd_weekday(int argc, char** argv) {
  if (argc != 3) return qdtype::bad_usage("qdtype weekday: three numbers, YEAR MONTH DAY");
  long long y = 0, m = 0, d = 0;
  if (!qdtype::arg_int(argv[0], kDtFields[kYy].min, kDtFields[kYy].max, "YEAR", &y) ||
      !qdtype::arg_int(argv[1], kDtFields[kMo].min, kDtFields[kMo].max, "MONTH", &m) ||
      !qdtype::arg_int(argv[2], kDtFields[kDd].min, kDtFields[kDd].max, "DAY", &d)) {
    return 2;
  }
  Value v;
  qd_long w = 0;
  if (!make_date(y, m, d, &v) || dt_weekday(v.b, &w) != 0) return qdtype::library_error();
  char text[42];
  uint32_t header;
  std::memcpy(&header, v.b, sizeof header);
  const bool julian = qd::range_mark(header) == kJulian;
  print("%s %s (%s calendar)\n", dt_str(text, v.b), qdxglob_val.wday_full[w],
        julian ? "Julian" : "Gregorian");
  qdtype::field("value", text);
  qdtype::field("type", "datetime[yy:dd]");
  qdtype::field_bytes(v.b, kDateBytes);
  qdtype::field("weekday", qdxglob_val.wday_full[w]);
  qdtype::field("calendar", julian ? "Julian" : "Gregorian");
  return 0;
}

// One month as cal lays it out: a centred title, the weekday heads, then the days in
// their weekday columns, 20 characters wide. Days the calendar does not have (the ten
// days of the 1582 switch) are left out; their weekdays come from the library.
struct Month {
  std::vector<std::string> lines;
  std::vector<long long> days;
};

Month month_grid(long long year, int month, bool with_year) {
  Month m;
  char title[40];
  if (with_year) {
    std::snprintf(title, sizeof title, "%s %lld", qdxglob_val.month_full[month - 1], year);
  } else {
    std::snprintf(title, sizeof title, "%s", qdxglob_val.month_full[month - 1]);
  }
  const size_t pad = (20 - std::strlen(title)) / 2;
  m.lines.push_back(std::string(pad, ' ') + title);
  m.lines.push_back("Su Mo Tu We Th Fr Sa");
  // Week rows of seven cells; a day goes into its weekday's cell, and a new row starts
  // when the weekday does not move forward.
  std::vector<std::array<int, 7>> weeks;
  int last = 7;
  for (int day = 1; day <= 31; ++day) {
    Value v;
    qd_long w = 0;
    if (!make_date(year, month, day, &v) || dt_weekday(v.b, &w) != 0 || w < 0 || w > 6) continue;
    int16_t stored_day = 0;  // a date the library moved is not one of this month's
    std::memcpy(&stored_day, v.b + 4, 2);
    if (stored_day != day) continue;
    if (w <= last) weeks.push_back({});
    weeks.back()[static_cast<size_t>(w)] = day;
    last = static_cast<int>(w);
    m.days.push_back(day);
  }
  for (const auto& week : weeks) {
    std::string row;
    for (int c = 0; c < 7; ++c) {
      char cell[8];
      std::snprintf(cell, sizeof cell, week[c] ? "%2d" : "  ", week[c]);
      row += (c ? " " : "") + std::string(cell);
    }
    while (!row.empty() && row.back() == ' ') row.pop_back();
    m.lines.push_back(row);
  }
  init_qderr();  // the rejected days left their reports
  return m;
}

int cmd_calendar(int argc, char** argv) {
  if (argc < 1 || argc > 2) return qdtype::bad_usage("qdtype calendar: YEAR, or YEAR MONTH");
  long long year = 0, month = 0;
  if (!qdtype::arg_int(argv[0], kDtFields[kYy].min, kDtFields[kYy].max, "YEAR", &year)) return 2;
  if (argc == 2 &&
      !qdtype::arg_int(argv[1], kDtFields[kMo].min, kDtFields[kMo].max, "MONTH", &month)) {
    return 2;
  }
  if (month != 0) {
    const Month m = month_grid(year, static_cast<int>(month), true);
    for (const std::string& line : m.lines) print("%s\n", line.c_str());
    qdtype::field("year", year);
    qdtype::field("month", month);
    qdtype::field_numbers("days", m.days.data(), m.days.size());
    return 0;
  }
  // A year: three months side by side, as cal prints it; one JSON result per month.
  print("%*s%lld\n", 30, "", year);
  std::vector<Month> months;
  for (int i = 1; i <= 12; ++i) months.push_back(month_grid(year, i, false));
  for (int first = 0; first < 12; first += 3) {
    size_t rows = 0;
    for (int i = first; i < first + 3; ++i) rows = std::max(rows, months[i].lines.size());
    for (size_t r = 0; r < rows; ++r) {
      std::string line;
      for (int i = first; i < first + 3; ++i) {
        std::string cell = r < months[i].lines.size() ? months[i].lines[r] : "";
        cell.resize(20, ' ');
        line += cell + (i < first + 2 ? "  " : "");
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      print("%s\n", line.c_str());
    }
    if (first < 9) print("\n");
  }
  if (qdtype::json_output()) {
    for (int i = 0; i < 12; ++i) {
      qdtype::next_result();
      for (const std::string& line : months[i].lines) print("%s\n", line.c_str());
      qdtype::field("year", year);
      qdtype::field("month", static_cast<long long>(i + 1));
      qdtype::field_numbers("days", months[i].days.data(), months[i].days.size());
    }
  }
  return 0;
}

void tour_calendar_grid() {
  std::vector<std::string> lines = month_grid(1582, 10, true).lines;
  for (const std::string& line : lines) print("  %s\n", line.c_str());
}

}  // namespace

QDTYPE_COMMAND("weekday", "YEAR MONTH DAY", "the day of the week of a date, either calendar",
               cmd_weekday, "YEAR   1..32767\nMONTH  1..12\nDAY    1..31, a day the month has",
               "weekday 1582 10 15",
               "the date, its weekday and its calendar (Julian up to 4 October 1582,\n"
               "Gregorian from 15 October 1582)");
QDTYPE_COMMAND("calendar", "YEAR [MONTH]", "a month, or a year, laid out by weekdays", cmd_calendar,
               "YEAR   1..32767\nMONTH  1..12; without it, the twelve months", "calendar 1582 10",
               "the month grid as cal prints it, weekdays from the library: October 1582\n"
               "goes from Thursday the 4th to Friday the 15th");
QDTYPE_TOUR(60, "Calendar arithmetic", tour_calendar);
QDTYPE_TOUR(61, "The month of the calendar switch (qdtype calendar 1582 10)", tour_calendar_grid);
