// datetime.cpp: calendar conversions and datetime operations beside a closed-form
// days-from-civil baseline (proleptic Gregorian, days since 1970-01-01). Each operation
// row has a baseline row doing the same work by the closed formulas on the same dates.
// The rows of dt_ts_add, dt_sub and dt_weekday also time their baseline in turn with
// themselves and report "ratio", their time over the baseline's (below 1 is faster).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "bench_util.h"
#include "datetime/dt_internal.h"
#include "qdtype32/qdtype32.h"

namespace {

struct Ymd {
  int y, m, d;
};

constexpr int kCount = 4096;

// Baseline: the well-known era-based conversion, both directions.
inline int32_t days_from_civil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int32_t>(doe) - 719468;
}

inline Ymd civil_from_days(int32_t z) {
  z += 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int y = static_cast<int>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), static_cast<int>(m), static_cast<int>(d)};
}

// Dates spread over the whole range, both calendars, fixed seed.
const std::array<qd::CivilDate, kCount>& dates() {
  static std::array<qd::CivilDate, kCount> list = [] {
    std::array<qd::CivilDate, kCount> a{};
    uint32_t x = 12345;
    for (auto& e : a) {
      x = x * 1664525u + 1013904223u;
      qd::date_from_day(static_cast<int32_t>(x % 11967000u), &e);
    }
    return a;
  }();
  return list;
}

void BM_Baseline_DaysFromCivil(benchmark::State& state) {
  const auto& list = dates();
  for (auto _ : state) {
    int32_t sum = 0;
    for (const auto& e : list) sum += days_from_civil(e.year, e.month, e.day);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_Baseline_DaysFromCivil);

void BM_DayNumber(benchmark::State& state) {
  const auto& list = dates();
  for (auto _ : state) {
    int32_t sum = 0;
    for (const auto& e : list) sum += qd::day_number(e.year, e.month, e.day, e.mark);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_DayNumber);

void BM_Baseline_CivilFromDays(benchmark::State& state) {
  const auto& list = dates();
  std::array<int32_t, kCount> days{};
  for (int i = 0; i < kCount; ++i)
    days[i] = days_from_civil(list[i].year, list[i].month, list[i].day);
  for (auto _ : state) {
    int sum = 0;
    for (int32_t z : days) {
      const Ymd r = civil_from_days(z);
      sum += r.y + r.m + r.d;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_Baseline_CivilFromDays);

void BM_DateFromDay(benchmark::State& state) {
  const auto& list = dates();
  std::array<int32_t, kCount> days{};
  for (int i = 0; i < kCount; ++i) {
    days[i] = qd::day_number(list[i].year, list[i].month, list[i].day, list[i].mark);
  }
  for (auto _ : state) {
    int sum = 0;
    for (int32_t z : days) {
      qd::CivilDate r;
      qd::date_from_day(z, &r);
      sum += r.year + r.month + r.day;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_DateFromDay);

// Packed [yy:ms] datetimes of the same dates at 12:34:56.789.
struct PackedList {
  unsigned char v[kCount][20];
};
const PackedList& packed() {
  static PackedList p = [] {
    PackedList out{};
    const auto& list = dates();
    for (int i = 0; i < kCount; ++i) {
      qd::Unpacked u{};
      u.header = qd::make_header(qd::kMs, qd::kYy, list[i].mark);
      u.field[qd::kYy] = list[i].year;
      u.field[qd::kMo] = list[i].month;
      u.field[qd::kDd] = list[i].day;
      u.field[qd::kHh] = 12;
      u.field[qd::kMi] = 34;
      u.field[qd::kSs] = 56;
      u.field[qd::kMs] = 789;
      qd::PackedDt::pack(out.v[i], u);
    }
    return out;
  }();
  return p;
}

// A day-time span of 40 days 13:00:00.500, the operand of the sums.
struct SpanParts {
  int days = 40, hh = 13, mi = 0, ss = 0, ms = 500;
};

const unsigned char* span_value() {
  static unsigned char span[24];
  static const bool made = [] {
    const SpanParts s;
    qd::Unpacked t{};
    t.header = qd::make_header(qd::kMs, qd::kDd, qd::kMarkPositive);
    t.field[qd::kDd] = s.days;
    t.field[qd::kHh] = s.hh;
    t.field[qd::kMi] = s.mi;
    t.field[qd::kSs] = s.ss;
    t.field[qd::kMs] = s.ms;
    qd::PackedTs::pack(span, t);
    return true;
  }();
  (void)made;
  return span;
}

constexpr int64_t kMsPerDay = 86400000;
inline int64_t clock_ms(int hh, int mi, int ss, int ms) {
  return ((hh * 60 + mi) * 60 + ss) * 1000LL + ms;
}

// The closed formulas' batch: f(list, i) on every date of the list, its results summed.
template <class F>
auto date_batch(F f) {
  return [f] {
    const auto& list = dates();
    int64_t sum = 0;
    for (int i = 0; i < kCount; ++i) sum += f(list, i);
    benchmark::DoNotOptimize(sum);
  };
}
// A baseline row: the batch alone.
template <class F>
void each_date(benchmark::State& state, F f) {
  const auto batch = date_batch(f);
  for (auto _ : state) batch();
  state.SetItemsProcessed(state.iterations() * kCount);
}
using DateList = std::array<qd::CivilDate, kCount>;

// The closed formulas on the same values: a datetime [yy:ms] plus the span, through one
// day count each way, with the clock carried over midnight.
const auto kAddFormula = [](const DateList& list, int i) {
  const SpanParts s;
  const int64_t span = s.days * kMsPerDay + clock_ms(s.hh, s.mi, s.ss, s.ms);
  const auto& e = list[i];
  const int64_t t =
      days_from_civil(e.year, e.month, e.day) * kMsPerDay + clock_ms(12, 34, 56, 789) + span;
  const Ymd r = civil_from_days(static_cast<int32_t>(t / kMsPerDay));
  return r.y + r.m + r.d + t % kMsPerDay;
};
void BM_Baseline_DateTimeAdd(benchmark::State& state) { each_date(state, kAddFormula); }
BENCHMARK(BM_Baseline_DateTimeAdd);

void BM_DtTsAdd(benchmark::State& state) {
  set_current();
  const auto& p = packed();
  const unsigned char* span = span_value();
  unsigned char out[20];
  qdbench::beside_peer(
      state, kCount,
      [&] {
        for (int i = 0; i < kCount; ++i) {
          benchmark::DoNotOptimize(dt_ts_add(p.v[i], span, out));
          benchmark::DoNotOptimize(out);
        }
      },
      date_batch(kAddFormula));
}
BENCHMARK(BM_DtTsAdd);

// Two datetimes [yy:ms] apart: days and the clock difference, by the closed formulas.
const auto kSubFormula = [](const DateList& list, int i) {
  const auto& a = list[i];
  const auto& b = list[(i + 1) & (kCount - 1)];
  const int64_t t =
      (days_from_civil(a.year, a.month, a.day) - days_from_civil(b.year, b.month, b.day)) *
      kMsPerDay;
  const int64_t d = t < 0 ? -t : t;
  return d / kMsPerDay + d % kMsPerDay;
};
void BM_Baseline_DateTimeSub(benchmark::State& state) { each_date(state, kSubFormula); }
BENCHMARK(BM_Baseline_DateTimeSub);

void BM_DtSub(benchmark::State& state) {
  set_current();
  const auto& p = packed();
  unsigned char out[24];
  qdbench::beside_peer(
      state, kCount,
      [&] {
        for (int i = 0; i < kCount; ++i) {
          benchmark::DoNotOptimize(dt_sub(p.v[i], p.v[(i + 1) & (kCount - 1)], out));
          benchmark::DoNotOptimize(out);
        }
      },
      date_batch(kSubFormula));
}
BENCHMARK(BM_DtSub);

// The weekday by the closed day count (day 0 of days_from_civil, 1970-01-01, was a
// Thursday), beside dt_weekday on the same dates.
const auto kWeekdayFormula = [](const DateList& list, int i) {
  const int32_t z = days_from_civil(list[i].year, list[i].month, list[i].day);
  return z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6;
};
void BM_Baseline_Weekday(benchmark::State& state) { each_date(state, kWeekdayFormula); }
BENCHMARK(BM_Baseline_Weekday);

void BM_Weekday(benchmark::State& state) {
  set_current();
  const auto& p = packed();
  qdbench::beside_peer(
      state, kCount,
      [&] {
        qd_long sum = 0, w = 0;
        for (int i = 0; i < kCount; ++i) {
          dt_weekday(p.v[i], &w);
          sum += w;
        }
        benchmark::DoNotOptimize(sum);
      },
      date_batch(kWeekdayFormula));
}
BENCHMARK(BM_Weekday);

void BM_DtCmp(benchmark::State& state) {
  set_current();
  const auto& p = packed();
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dt_cmp(p.v[i], p.v[(i + 1) & (kCount - 1)]));
    i = (i + 1) & (kCount - 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DtCmp);

}  // namespace

BENCHMARK_MAIN();
