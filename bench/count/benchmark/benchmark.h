// A stand-in for the benchmark library, for counting instructions (bench/count/count.sh):
// a program runs one row for a fixed number of loop iterations, so a counter of executed
// instructions sees the row's setup plus that many iterations, and two runs with different
// counts give the instructions of one. The timing the rows do beside their peers is
// skipped (bench_util.h): under an emulator it would only add noise.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#define QD_BENCH_COUNTING 1

namespace benchmark {

class State {
 public:
  State(int64_t iterations, int64_t arg) : n_(iterations), arg_(arg) {}
  struct __attribute__((unused)) Value {};  // the loop variable, never read
  struct Iterator {
    int64_t left;
    bool operator!=(const Iterator& o) const { return left != o.left; }
    void operator++() { --left; }
    Value operator*() const { return {}; }
  };
  Iterator begin() { return {n_}; }
  Iterator end() { return {0}; }
  int64_t iterations() const { return n_; }
  int64_t range(int) const { return arg_; }
  void SetItemsProcessed(int64_t items) { items_ = items; }
  void SetBytesProcessed(int64_t) {}
  int64_t items() const { return items_; }
  std::map<std::string, double> counters;

 private:
  int64_t n_, arg_, items_ = 0;
};

template <class T>
inline void DoNotOptimize(T const& v) {
  asm volatile("" : : "r,m"(v) : "memory");
}
// As the library itself constrains it: an operand larger than a pointer stays in memory.
// "+r,m" on such an operand (a result buffer) made GCC copy it after every call, through
// a load that waits for the call's last stores to reach it; no real row pays that.
template <class T>
inline void DoNotOptimize(T& v) {
  if constexpr (sizeof(T) > sizeof(void*)) {
    asm volatile("" : "+m"(v) : : "memory");
  } else {
#if defined(__clang__)
    asm volatile("" : "+r,m"(v) : : "memory");
#else
    asm volatile("" : "+m,r"(v) : : "memory");
#endif
  }
}
inline void ClobberMemory() { asm volatile("" : : : "memory"); }

struct Row {
  const char* name;
  void (*run)(State&);
  std::vector<int64_t> args;
  Row* Arg(int64_t a) {
    args.push_back(a);
    return this;
  }
};
inline std::vector<Row*>& rows() {
  static std::vector<Row*> all;
  return all;
}
inline Row* add_row(const char* name, void (*run)(State&)) {
  rows().push_back(new Row{name, run, {}});
  return rows().back();
}

// Whether the rows time their peers as well (bench_util.h), which counting skips.
inline bool& peers_timed() {
  static bool on = false;
  return on;
}

// PROGRAM --list: one line per row and argument. PROGRAM NAME ARG N: run the row N
// iterations; prints the items it reports per iteration to stderr. PROGRAM NAME ARG N
// peers: the same, with the row's timing beside its peer, whose counters ("speedup",
// "ns_peer", ...) go to stdout, one "name value" a line.
inline int stand_in_main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    for (const Row* r : rows()) {
      if (r->args.empty()) std::printf("%s 0\n", r->name);
      for (int64_t a : r->args) std::printf("%s %lld\n", r->name, static_cast<long long>(a));
    }
    return 0;
  }
  if (argc != 4 && !(argc == 5 && std::strcmp(argv[4], "peers") == 0)) return 2;
  peers_timed() = argc == 5;
  for (const Row* r : rows()) {
    if (std::strcmp(r->name, argv[1]) != 0) continue;
    State s(std::atoll(argv[3]), std::atoll(argv[2]));
    r->run(s);
    std::fprintf(stderr, "items %lld\n", static_cast<long long>(s.items() / s.iterations()));
    if (peers_timed()) {
      for (const auto& [name, value] : s.counters) std::printf("%s %g\n", name.c_str(), value);
    }
    return 0;
  }
  return 2;
}

}  // namespace benchmark

#define QD_BENCH_CAT2(a, b) a##b
#define QD_BENCH_CAT(a, b) QD_BENCH_CAT2(a, b)
#define BENCHMARK(fn) \
  static ::benchmark::Row* QD_BENCH_CAT(qd_bench_row_, __LINE__) = ::benchmark::add_row(#fn, fn)
#define BENCHMARK_MAIN() \
  int main(int argc, char** argv) { return ::benchmark::stand_in_main(argc, argv); }
