// decimal.cpp: fix value operations beside GCC's decimal128 (and strtod/snprintf for text)
// on the same 10-, 20- and 30-digit operands of mixed scales. Each benchmark reports the
// library's time per operation; the counter "speedup" is the peer's time divided by the
// library's, both measured the same way in the same binary.
//
// Two operand sets per width. The plain rows (BM_add, ...) take 64 pairs of full-width
// values; the _mixed rows take 4096 pairs as the columns of a table hold them: a column
// of that precision with its own scale, values of any length up to it and either sign.
// The mixed set is large enough that the branch predictor cannot learn the sequence of
// shapes, which is what a scan over a real column sees.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "bench_util.h"
#include "decimal/fix_internal.h"
#include "qdtype32/qdtype32.h"

namespace {

typedef float dec128 __attribute__((mode(TD)));  // GCC's decimal128

constexpr int kBatch = 64;
constexpr int kMixed = 4096;

struct Operand {
  unsigned char fix[17];
  dec128 dec;
  double dbl;
  char text[40];
};

struct Set {
  std::vector<Operand> a, b;
};

dec128 pow10_dec(int k) {
  dec128 r = 1, ten = 10;
  for (int i = 0; i < k; ++i) r = r * ten;
  return r;
}

// digits stored digits at the given scale: the lowest len of them random with a non-zero
// top one, leading zeros above them.
Operand make_operand(std::mt19937& rng, int digits, int len, int scale) {
  Operand o{};
  const bool neg = rng() & 1;
  dec128 coeff = 0, ten = 10;
  o.fix[0] = static_cast<unsigned char>(digits | (neg ? 0x80 : 0));
  o.fix[1] = static_cast<unsigned char>(scale);
  for (int i = digits; i >= 1; --i) {
    int d = i > len ? 0 : static_cast<int>(rng() % 10);
    if (i == len && d == 0) d = 7;
    putdigit(o.fix, i, d);
    coeff = coeff * ten + static_cast<dec128>(d);
  }
  o.dec = coeff / pow10_dec(scale);
  if (neg) o.dec = -o.dec;
  o.dbl = fix_double(o.fix);
  fix_string(o.fix, o.text);
  return o;
}

const Set& operands(int digits) {
  static Set sets[3];
  Set& s = sets[digits / 10 - 1];
  if (s.a.empty()) {
    std::mt19937 rng(static_cast<unsigned>(digits) * 7919u);
    for (int i = 0; i < kBatch; ++i) {
      for (auto* side : {&s.a, &s.b}) {
        const int scale = static_cast<int>(rng() % static_cast<unsigned>(digits));
        side->push_back(make_operand(rng, digits, digits, scale));
      }
    }
  }
  return s;
}

// A value of a numeric(digits, scale) column: 1 to digits significant digits at the
// column's scale, either sign; stored at the column's full precision (leading zeros) when
// padded, else with just its own digits.
Operand column_value(std::mt19937& rng, int digits, int scale, bool padded) {
  const int len = 1 + static_cast<int>(rng() % static_cast<unsigned>(digits));
  return make_operand(rng, padded ? digits : len, len, scale);
}

const Set& mixed_operands(int digits) {
  static Set sets[3];
  Set& s = sets[digits / 10 - 1];
  if (s.a.empty()) {
    std::mt19937 rng(static_cast<unsigned>(digits) * 104729u);
    // Sixteen columns per side, each with its own scale, every other one padded; pairs
    // drawn across them.
    int scales[2][16];
    for (auto& side : scales)
      for (int& sc : side) sc = static_cast<int>(rng() % static_cast<unsigned>(digits));
    for (int i = 0; i < kMixed; ++i) {
      const unsigned ca = rng() % 16, cb = rng() % 16;
      s.a.push_back(column_value(rng, digits, scales[0][ca], ca & 1));
      s.b.push_back(column_value(rng, digits, scales[1][cb], cb & 1));
    }
  }
  return s;
}

template <class Ours, class Peer>
void run(benchmark::State& state, Ours ours, Peer peer, int n = kBatch) {
  for (auto _ : state) ours();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
  const qdbench::PeerTimes t = qdbench::fastest_in_turn(ours, peer, n);
  state.counters["ns_fix"] = t.ours;
  state.counters["ns_peer"] = t.peer;
  state.counters["speedup"] = t.peer / t.ours;
}

// One of the four operations on every operand pair, beside decimal128 doing the same.
template <class Ours, class Peer>
void binary_op(benchmark::State& state, const Set& set, Ours ours, Peer peer) {
  Set s = set;  // a copy: fixsub, fixmul may write
  const int n = static_cast<int>(s.a.size());
  unsigned char c[17];
  dec128 d;
  run(
      state,
      [&] {
        for (int i = 0; i < n; ++i) {
          ours(s.a[i].fix, s.b[i].fix, c);
          benchmark::DoNotOptimize(c);
        }
      },
      [&] {
        for (int i = 0; i < n; ++i) {
          d = peer(s.a[i].dec, s.b[i].dec);
          benchmark::DoNotOptimize(d);
        }
      },
      n);
}

const auto kAdd = [](qd_fix* a, qd_fix* b, qd_fix* c) { fixadd(a, b, c); };
const auto kSub = [](qd_fix* a, qd_fix* b, qd_fix* c) { fixsub(a, b, c); };
const auto kMul = [](qd_fix* a, qd_fix* b, qd_fix* c) { fixmul(a, b, c); };
const auto kDiv = [](qd_fix* a, qd_fix* b, qd_fix* c) { fixdiv(a, b, c); };
const auto kPlus = [](dec128 x, dec128 y) { return x + y; };
const auto kMinus = [](dec128 x, dec128 y) { return x - y; };
const auto kTimes = [](dec128 x, dec128 y) { return x * y; };
const auto kOver = [](dec128 x, dec128 y) { return x / y; };

int width(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

void BM_add(benchmark::State& state) { binary_op(state, operands(width(state)), kAdd, kPlus); }
void BM_sub(benchmark::State& state) { binary_op(state, operands(width(state)), kSub, kMinus); }
void BM_mul(benchmark::State& state) { binary_op(state, operands(width(state)), kMul, kTimes); }
void BM_div(benchmark::State& state) { binary_op(state, operands(width(state)), kDiv, kOver); }
void BM_add_mixed(benchmark::State& state) {
  binary_op(state, mixed_operands(width(state)), kAdd, kPlus);
}
void BM_sub_mixed(benchmark::State& state) {
  binary_op(state, mixed_operands(width(state)), kSub, kMinus);
}
void BM_mul_mixed(benchmark::State& state) {
  binary_op(state, mixed_operands(width(state)), kMul, kTimes);
}
void BM_div_mixed(benchmark::State& state) {
  binary_op(state, mixed_operands(width(state)), kDiv, kOver);
}

// Rounding to two places. decimal128 has no quantize in GCC's runtime; adding and
// subtracting 10^31 rounds to the place 10^-2 (its 34 digits reach from 10^31 down to
// 10^-2), which is the same work for values below 10^31.
void BM_cast(benchmark::State& state) {
  const Set& s = operands(static_cast<int>(state.range(0)));
  unsigned char c[17];
  dec128 d;
  const dec128 magic = pow10_dec(31);
  run(
      state,
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          benchmark::DoNotOptimize(fix_fix(s.a[i].fix, 2, c));
        }
      },
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          const dec128 x = s.a[i].dec;
          d = x < 0 ? (x - magic) + magic : (x + magic) - magic;
          benchmark::DoNotOptimize(d);
        }
      });
}

void BM_text_to_fix(benchmark::State& state) {
  const Set& s = operands(static_cast<int>(state.range(0)));
  unsigned char c[17];
  double x;
  run(
      state,
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          benchmark::DoNotOptimize(string_fix(s.a[i].text, c));
        }
      },
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          x = std::strtod(s.a[i].text, nullptr);
          benchmark::DoNotOptimize(x);
        }
      });
}

void BM_fix_to_text(benchmark::State& state) {
  const Set& s = operands(static_cast<int>(state.range(0)));
  char buf[40];
  run(
      state,
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          fix_string(s.a[i].fix, buf);
          benchmark::DoNotOptimize(buf);
        }
      },
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          std::snprintf(buf, sizeof buf, "%.17g", s.a[i].dbl);
          benchmark::DoNotOptimize(buf);
        }
      });
}

BENCHMARK(BM_add)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_sub)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_mul)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_div)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_add_mixed)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_sub_mixed)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_mul_mixed)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_div_mixed)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_cast)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_text_to_fix)->Arg(10)->Arg(20)->Arg(30);
BENCHMARK(BM_fix_to_text)->Arg(10)->Arg(20)->Arg(30);

}  // namespace

BENCHMARK_MAIN();
