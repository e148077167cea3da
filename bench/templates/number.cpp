// number.cpp: number templates beside the C library: num2str of a fix value through
// "S9G999G990D00" and in the default form beside snprintf("%.2f") of the same value as
// a double; str2num through the template and in the free form beside strtod. "ns_ours"
// and "ns_peer" are thread CPU times per value measured in the same run; "ratio" is
// ours divided by the peer's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "../bench_util.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr int kBatch = 64;
constexpr const char* kTemplate = "S9G999G990D00";

// Amounts with two decimals up to 9,999,999.99 of either sign: as fix values, as
// doubles, as the template prints them and as "%.2f" prints them.
struct Inputs {
  unsigned char fixes[kBatch][QD_FIX_MAX_BYTES];
  double doubles[kBatch];
  std::string templated[kBatch];
  std::string plain[kBatch];
};

const Inputs& inputs() {
  static const Inputs in = [] {
    Inputs in;
    qdxglob_val.decimal_sep = ".";
    qdxglob_val.group_sep = ",";
    std::mt19937 rng(20261206);
    for (int i = 0; i < kBatch; ++i) {
      const long long cents = static_cast<long long>(rng() % 2000000000u) - 1000000000;
      char t[64];
      std::snprintf(t, sizeof t, "%.2f", static_cast<double>(cents) / 100);
      in.plain[i] = t;
      string_fix(t, in.fixes[i]);
      in.doubles[i] = std::strtod(t, nullptr);
      num2str(in.fixes[i], 3, t, sizeof t, kTemplate);
      in.templated[i] = t;
    }
    return in;
  }();
  return in;
}

void print_peer() {
  const Inputs& in = inputs();
  char t[64];
  for (int i = 0; i < kBatch; ++i) {
    benchmark::DoNotOptimize(std::snprintf(t, sizeof t, "%.2f", in.doubles[i]));
    benchmark::ClobberMemory();
  }
}

void read_peer() {
  const Inputs& in = inputs();
  for (int i = 0; i < kBatch; ++i) {
    benchmark::DoNotOptimize(std::strtod(in.plain[i].c_str(), nullptr));
    benchmark::ClobberMemory();
  }
}

void print_through(benchmark::State& state, const char* templ) {
  const Inputs& in = inputs();
  qdbench::beside_peer(
      state, kBatch,
      [&] {
        char t[64];
        for (int i = 0; i < kBatch; ++i) {
          benchmark::DoNotOptimize(num2str(in.fixes[i], 3, t, sizeof t, templ));
          benchmark::ClobberMemory();
        }
      },
      print_peer);
}

void read_through(benchmark::State& state, const std::string* texts, const char* templ) {
  qdbench::beside_peer(
      state, kBatch,
      [&] {
        unsigned char r[QD_FIX_MAX_BYTES];
        for (int i = 0; i < kBatch; ++i) {
          benchmark::DoNotOptimize(str2num(texts[i].c_str(), r, templ));
          benchmark::ClobberMemory();
        }
      },
      read_peer);
}

void BM_num2str_template(benchmark::State& s) { print_through(s, kTemplate); }
void BM_num2str_default(benchmark::State& s) { print_through(s, nullptr); }
void BM_str2num_template(benchmark::State& s) { read_through(s, inputs().templated, kTemplate); }
void BM_str2num_free(benchmark::State& s) { read_through(s, inputs().plain, nullptr); }

BENCHMARK(BM_num2str_template);
BENCHMARK(BM_num2str_default);
BENCHMARK(BM_str2num_template);
BENCHMARK(BM_str2num_free);

}  // namespace
