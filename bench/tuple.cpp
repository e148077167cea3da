// tuple.cpp (bench): constr_tup of a ten-column row (integers, numeric, varchar, datetime)
// under each alignment setting, beside a plain memcpy of the same value bytes into one
// buffer. Rows per second for both; the counter "memcpy_ratio" is constr_tup's time per
// row over memcpy's, both measured the same way in the same binary.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_util.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr int kColumns = 10;

struct Row {
  attrtype types[kColumns] = {};
  void* values[kColumns] = {};
  int32_t ints[4] = {7, -123456, 2147483647, 42};
  int16_t small = -2;
  unsigned char numeric[2][6] = {{0x84, 0x02, 0x43, 0x21}, {0x07, 0x02, 0x12, 0x34, 0x56, 0x70}};
  char names[2][24] = {"Quarendel customer", "Main street 12"};
  unsigned char when[20] = {0x60, 0x04, 0,    0, 0x39, 0x02, 0x0c, 0,    0x1e, 0,
                            0x0c, 0,    0x06, 0, 0x0c, 0,    0xea, 0x07, 0,    0};

  Row() {
    auto put = [this](int i, int code, void* v) {
      types[i].code = static_cast<int16_t>(code);
      values[i] = v;
    };
    put(0, 1, &ints[0]);
    put(1, 1, &ints[1]);
    put(2, 3, numeric[0]);
    put(3, 29, names[0]);
    put(4, 6, &small);
    put(5, 8, when);
    put(6, 1, &ints[2]);
    put(7, 3, numeric[1]);
    put(8, 29, names[1]);
    put(9, 1, &ints[3]);
  }
  // The values' own sizes, as a plain copy moves them.
  size_t size(int i) const {
    switch (types[i].code) {
      case 3:
        return i == 2 ? 4 : 6;
      case 29:
        return std::strlen(static_cast<const char*>(values[i])) + 1;
      case 6:
        return 2;
      case 8:
        return 20;
      default:
        return 4;
    }
  }
};

void BM_ConstrTup(benchmark::State& state) {
  Row row;
  std::vector<unsigned char> tuple(QD_TUPLE_MAX);
  const int32_t saved = qdxglob_val.tuple_align;
  qdxglob_val.tuple_align = static_cast<int32_t>(state.range(0));
  auto ours = [&] {
    benchmark::DoNotOptimize(constr_tup(kColumns, row.values, row.types, tuple.data()));
    benchmark::ClobberMemory();
  };
  size_t offsets[kColumns], at = 0;
  for (int i = 0; i < kColumns; ++i) offsets[i] = at, at += row.size(i);
  auto peer = [&] {
    for (int i = 0; i < kColumns; ++i)
      std::memcpy(tuple.data() + offsets[i], row.values[i], row.size(i));
    benchmark::ClobberMemory();
  };
  for (auto _ : state) ours();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  const qdbench::PeerTimes t = qdbench::fastest_in_turn(ours, peer, 1);
  state.counters["ns_row"] = t.ours;
  state.counters["ns_memcpy"] = t.peer;
  state.counters["memcpy_ratio"] = t.ours / t.peer;
  qdxglob_val.tuple_align = saved;
}
BENCHMARK(BM_ConstrTup)->Arg(0)->Arg(4)->Arg(8);

// The peer alone, as rows per second.
void BM_BaselineMemcpy(benchmark::State& state) {
  Row row;
  std::vector<unsigned char> tuple(QD_TUPLE_MAX);
  size_t sizes[kColumns], offsets[kColumns], at = 0;
  for (int i = 0; i < kColumns; ++i) sizes[i] = row.size(i), offsets[i] = at, at += sizes[i];
  for (auto _ : state) {
    for (int i = 0; i < kColumns; ++i)
      std::memcpy(tuple.data() + offsets[i], row.values[i], sizes[i]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_BaselineMemcpy);

}  // namespace

BENCHMARK_MAIN();
