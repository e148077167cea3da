// bench_util.h: what the benchmark programs share: thread CPU time, the time per value of
// a batch function, and a row that measures the library's batch beside its peer's.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>

#include <cstdint>
#include <ctime>

namespace qdbench {

// Thread CPU time: the machine is shared, and wall time would count other work.
inline double cpu_ns() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// Nanoseconds per value of a batch function handling `values` values, over enough
// repetitions to take 20 ms.
template <class F>
double ns_per_op(F&& batch, int values) {
#if defined(QD_BENCH_COUNTING)
  if (!benchmark::peers_timed()) {
    (void)batch, (void)values;
    return 1;  // counting instructions: only the rows' own loops are wanted
  }
#endif
  int reps = 64;
  for (;;) {
    const double t0 = cpu_ns();
    for (int r = 0; r < reps; ++r) batch();
    const double ns = cpu_ns() - t0;
    if (ns > 2e7 || reps > (1 << 22)) return ns / (static_cast<double>(reps) * values);
    reps *= 4;
  }
}

// The time per value of ours and of the peer, each the fastest of three timings taken in
// turn (ours, peer, ours, ...): a burst of other work on the shared machine slows one round
// of one side, not the comparison.
struct PeerTimes {
  double ours, peer;
};
template <class Ours, class Peer>
PeerTimes fastest_in_turn(Ours&& ours, Peer&& peer, int values) {
  PeerTimes t{1e300, 1e300};
  for (int round = 0; round < 3; ++round) {
    t.ours = std::min(t.ours, ns_per_op(ours, values));
    t.peer = std::min(t.peer, ns_per_op(peer, values));
  }
  return t;
}

// The benchmark loop runs ours; then both are timed in turn and the row reports
// "ns_ours", "ns_peer" and "ratio" (ours over the peer's: below 1 is faster).
template <class Ours, class Peer>
void beside_peer(benchmark::State& state, int values, Ours ours, Peer peer) {
  for (auto _ : state) ours();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * values);
  const PeerTimes t = fastest_in_turn(ours, peer, values);
  state.counters["ns_ours"] = t.ours;
  state.counters["ns_peer"] = t.peer;
  state.counters["ratio"] = t.ours / t.peer;
}

}  // namespace qdbench
