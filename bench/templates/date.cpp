// date.cpp: date templates beside the C library: date2str with "YYYY-MO-DD
// HH24:MI:SS.FFF" beside strftime with "%Y-%m-%d %H:%M:%S" (strftime has no fraction of
// a second; the peer row adds the milliseconds with one snprintf), qd_dt_format beside
// strftime with the same fields, and str2date beside strptime reading the same text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "qdtype32/qdtype32.h"

namespace {

constexpr int kCount = 64;
const char* const kTemplate = "YYYY-MO-DD HH24:MI:SS.FFF";

// Datetimes from year down to milliseconds, spread over years, months and clock fields.
struct Sample {
  unsigned char value[20];
  std::tm tm;
  int ms;
  char text[32];
};

const Sample* samples() {
  static Sample list[kCount];
  static bool done = false;
  if (done) return list;
  for (int i = 0; i < kCount; ++i) {
    Sample& s = list[i];
    const int16_t f[7] = {static_cast<int16_t>(i * 15), static_cast<int16_t>(i % 60),
                          static_cast<int16_t>((i * 7) % 60), static_cast<int16_t>(i % 24),
                          static_cast<int16_t>(1 + i % 28), static_cast<int16_t>(1 + i % 12),
                          static_cast<int16_t>(1990 + i)};
    const uint32_t header = 0x0060;  // ms up to yy
    std::memcpy(s.value, &header, 4);
    std::memcpy(s.value + 4, f, sizeof f);
    dt_check(s.value);
    s.tm = {};
    s.tm.tm_year = f[6] - 1900;
    s.tm.tm_mon = f[5] - 1;
    s.tm.tm_mday = f[4];
    s.tm.tm_hour = f[3];
    s.tm.tm_min = f[2];
    s.tm.tm_sec = f[1];
    s.ms = f[0];
    date2str(s.value, s.text, sizeof s.text, kTemplate);
  }
  done = true;
  return list;
}

void BM_date2str(benchmark::State& state) {
  const Sample* list = samples();
  char out[64];
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(date2str(list[i].value, out, sizeof out, kTemplate));
    benchmark::DoNotOptimize(out);
    i = (i + 1) % kCount;
  }
}
BENCHMARK(BM_date2str);

void BM_Peer_strftime(benchmark::State& state) {
  const Sample* list = samples();
  char out[64];
  int i = 0;
  for (auto _ : state) {
    const size_t n = std::strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &list[i].tm);
    std::snprintf(out + n, sizeof out - n, ".%03d", list[i].ms);
    benchmark::DoNotOptimize(out);
    i = (i + 1) % kCount;
  }
}
BENCHMARK(BM_Peer_strftime);

void BM_Peer_strftime_only(benchmark::State& state) {
  const Sample* list = samples();
  char out[64];
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &list[i].tm));
    benchmark::DoNotOptimize(out);
    i = (i + 1) % kCount;
  }
}
BENCHMARK(BM_Peer_strftime_only);

// The host format with the percent format nearest strftime's above: its %y is the
// four-digit year, and it has no weekday or locale to consult.
void BM_qd_dt_format(benchmark::State& state) {
  const Sample* list = samples();
  char out[64];
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(qd_dt_format(out, "%y-%m-%d %H:%M:%S", list[i].value));
    benchmark::DoNotOptimize(out);
    i = (i + 1) % kCount;
  }
}
BENCHMARK(BM_qd_dt_format);

void BM_str2date(benchmark::State& state) {
  const Sample* list = samples();
  unsigned char value[20];
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(str2date(list[i].text, value, kTemplate));
    benchmark::DoNotOptimize(value);
    i = (i + 1) % kCount;
  }
}
BENCHMARK(BM_str2date);

// strptime reads the text without its fraction (it has no directive for one).
void BM_Peer_strptime(benchmark::State& state) {
  const Sample* list = samples();
  std::tm tm{};
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(strptime(list[i].text, "%Y-%m-%d %H:%M:%S", &tm));
    benchmark::DoNotOptimize(tm);
    i = (i + 1) % kCount;
  }
}
BENCHMARK(BM_Peer_strptime);

}  // namespace
