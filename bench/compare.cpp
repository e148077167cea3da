// compare.cpp (bench): compare on char, integer, numeric and datetime pairs, and
// ipr_tuplecmp on three-key tuples, beside memcmp / plain integer baselines. The char and
// integer rows also time their baseline in turn with themselves and report "ratio", their
// time over the baseline's (below 1 is faster).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_util.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr int kAll = 0x7fffffff;
constexpr int kPairs = 1024;

std::vector<std::string> random_texts(unsigned seed, size_t length) {
  std::mt19937 rng(seed);
  std::vector<std::string> v(kPairs);
  for (auto& s : v) {
    s.assign(length, 'a');
    // Long common prefixes, as keys of one index tend to have.
    for (size_t i = length - 4; i < length; ++i) s[i] = static_cast<char>('a' + rng() % 26);
  }
  return v;
}

using Texts = std::vector<std::string>;

// memcmp's sign on every pair of texts, summed. Every batch here reads its operands
// through local pointers, which the compiler keeps in registers across the calls and
// DoNotOptimize's memory clobbers, as a row's own locals were kept.
auto memcmp_batch(const Texts& a, const Texts& b) {
  return [&a, &b] {
    const std::string *x = a.data(), *y = b.data();
    int sum = 0;
    for (int i = 0; i < kPairs; ++i) {
      int r = std::memcmp(x[i].data(), y[i].data(), x[i].size());
      sum += (r > 0) - (r < 0);
    }
    benchmark::DoNotOptimize(sum);
  };
}

void BM_CompareChar(benchmark::State& state) {
  Texts a = random_texts(1, state.range(0)), b = random_texts(2, state.range(0));
  qdbench::beside_peer(
      state, kPairs,
      [&] {
        std::string *x = a.data(), *y = b.data();
        int sum = 0;
        for (int i = 0; i < kPairs; ++i) sum += compare(x[i].data(), 4, y[i].data(), 4, kAll, kAll);
        benchmark::DoNotOptimize(sum);
      },
      memcmp_batch(a, b));
}
BENCHMARK(BM_CompareChar)->Arg(8)->Arg(20)->Arg(32)->Arg(200);

void BM_BaselineMemcmp(benchmark::State& state) {
  const Texts a = random_texts(1, state.range(0)), b = random_texts(2, state.range(0));
  const auto batch = memcmp_batch(a, b);
  for (auto _ : state) batch();
  state.SetItemsProcessed(state.iterations() * kPairs);
}
BENCHMARK(BM_BaselineMemcmp)->Arg(8)->Arg(20)->Arg(32)->Arg(200);

// The same random pairs of integers for every integer row (compare takes them as void*).
struct IntPairs {
  std::vector<int32_t> a, b;
};
IntPairs& int_pairs() {
  static IntPairs p = [] {
    std::mt19937 rng(3);
    IntPairs q{std::vector<int32_t>(kPairs), std::vector<int32_t>(kPairs)};
    for (int i = 0; i < kPairs; ++i) {
      q.a[i] = static_cast<int32_t>(rng());
      q.b[i] = static_cast<int32_t>(rng());
    }
    return q;
  }();
  return p;
}

// The inlined comparison of every pair, summed.
void baseline_integer_batch() {
  const int32_t *a = int_pairs().a.data(), *b = int_pairs().b.data();
  int sum = 0;
  for (int i = 0; i < kPairs; ++i) {
    benchmark::DoNotOptimize(&a[i]);
    sum += (a[i] > b[i]) - (a[i] < b[i]);
  }
  benchmark::DoNotOptimize(sum);
}

void BM_CompareInteger(benchmark::State& state) {
  IntPairs& p = int_pairs();
  qdbench::beside_peer(
      state, kPairs,
      [&p] {
        int32_t *a = p.a.data(), *b = p.b.data();
        int sum = 0;
        for (int i = 0; i < kPairs; ++i) sum += compare(&a[i], 1, &b[i], 1, kAll, kAll);
        benchmark::DoNotOptimize(sum);
      },
      baseline_integer_batch);
}
BENCHMARK(BM_CompareInteger);

void BM_BaselineInteger(benchmark::State& state) {
  for (auto _ : state) baseline_integer_batch();
  state.SetItemsProcessed(state.iterations() * kPairs);
}
BENCHMARK(BM_BaselineInteger);

// What a hand-written comparator costs when it is called, as sort routines call one.
[[gnu::noinline]] int plain_int_cmp(const void* a, const void* b) {
  const int32_t x = *static_cast<const int32_t*>(a), y = *static_cast<const int32_t*>(b);
  return (x > y) - (x < y);
}

void BM_BaselineIntegerCalled(benchmark::State& state) {
  const int32_t *a = int_pairs().a.data(), *b = int_pairs().b.data();
  for (auto _ : state) {
    int sum = 0;
    for (int i = 0; i < kPairs; ++i) sum += plain_int_cmp(&a[i], &b[i]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kPairs);
}
BENCHMARK(BM_BaselineIntegerCalled);

void BM_CompareNumeric(benchmark::State& state) {
  std::mt19937 rng(4);
  std::vector<std::vector<unsigned char>> a(kPairs), b(kPairs);
  for (int i = 0; i < kPairs; ++i) {
    for (auto* v : {&a[i], &b[i]}) {
      v->assign(QD_FIX_MAX_BYTES, 0);
      long_fix(static_cast<qd_long>(rng()), static_cast<int>(rng() % 4), v->data());
    }
  }
  for (auto _ : state) {
    int sum = 0;
    for (int i = 0; i < kPairs; ++i) sum += compare(a[i].data(), 3, b[i].data(), 3, kAll, kAll);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kPairs);
}
BENCHMARK(BM_CompareNumeric);

void BM_CompareDatetime(benchmark::State& state) {
  std::mt19937 rng(5);
  // datetime[yy:dd]: header word then year, month, day as 16-bit fields.
  std::vector<std::vector<unsigned char>> a(kPairs), b(kPairs);
  for (int i = 0; i < kPairs; ++i) {
    for (auto* v : {&a[i], &b[i]}) {
      v->assign(20, 0);
      uint32_t header = 4u | (6u << 4) | (4u << 8);  // range dd..yy, Gregorian mark
      std::memcpy(v->data(), &header, 4);
      int16_t f[3] = {static_cast<int16_t>(1 + rng() % 28), static_cast<int16_t>(1 + rng() % 12),
                      static_cast<int16_t>(1900 + rng() % 200)};
      std::memcpy(v->data() + 4, f, sizeof f);
    }
  }
  for (auto _ : state) {
    int sum = 0;
    for (int i = 0; i < kPairs; ++i) sum += compare(a[i].data(), 8, b[i].data(), 8, kAll, kAll);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kPairs);
}
BENCHMARK(BM_CompareDatetime);

void BM_TupleCompare3Keys(benchmark::State& state) {
  std::mt19937 rng(6);
  // Fields: integer, char(12), integer; equal first keys make the walk go on.
  auto make = [&](int32_t k1) {
    std::vector<unsigned char> t(8);
    auto put = [&](const void* p, size_t n) {
      t.insert(t.end(), static_cast<const unsigned char*>(p),
               static_cast<const unsigned char*>(p) + n);
    };
    uint16_t off[4];
    off[0] = static_cast<uint16_t>(t.size());
    put(&k1, 4);
    off[1] = static_cast<uint16_t>(t.size());
    std::string s = "customer" + std::to_string(rng() % 4);
    put(s.c_str(), s.size() + 1);
    off[2] = static_cast<uint16_t>(t.size());
    int32_t k3 = static_cast<int32_t>(rng());
    put(&k3, 4);
    off[3] = static_cast<uint16_t>(t.size());
    std::memcpy(t.data(), off, 8);
    return t;
  };
  std::vector<std::vector<unsigned char>> a(kPairs), b(kPairs);
  for (int i = 0; i < kPairs; ++i) a[i] = make(i % 3), b[i] = make(i % 3);
  short keys[] = {3, 0, 1, 1, 4, 2, 1};
  for (auto _ : state) {
    int sum = 0;
    for (int i = 0; i < kPairs; ++i)
      sum += ipr_tuplecmp(a[i].data(), b[i].data(), keys, keys, nullptr);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kPairs);
}
BENCHMARK(BM_TupleCompare3Keys);

}  // namespace

BENCHMARK_MAIN();
