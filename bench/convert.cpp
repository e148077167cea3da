// convert.cpp: the commonest conversions through value_adapt_type beside their nearest
// peers in the same binary (a cast, strtol, strtod, std::from_chars), and literal_scan in
// MB/s beside strtod on the same numeric texts; values into char beside snprintf, and
// TIMESTAMP texts into datetime beside strptime. Each benchmark reports the library's time
// per value; "ns_peer" and "ns_from_chars" are the peers measured the same way, and
// "ratio" is the library's time divided by the first peer's.
#include <benchmark/benchmark.h>

#include <charconv>
#include <ctime>
#include <time.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <strings.h>
#include <vector>

#include "bench_util.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr int kBatch = 64;

// Nanoseconds per value of a batch of kBatch values (thread CPU time).
template <class F>
double ns_per_op(F&& batch) {
  return qdbench::ns_per_op(batch, kBatch);
}

struct Inputs {
  int32_t ints[kBatch];
  double doubles[kBatch];
  unsigned char fixes[kBatch][17];
  std::string int_texts[kBatch];
  std::string double_texts[kBatch];
  std::string decimal_texts[kBatch];
  std::string bool_texts[kBatch];
  unsigned char datetimes[kBatch][20];  // year down to milliseconds
  int fields[kBatch][7];                // the same, year first
  std::string timestamp_texts[kBatch];  // TIMESTAMP '2000-01-31 12:30:00.250'
  std::string clock_texts[kBatch];      // 2000-01-31 12:30:00.250, for strptime
};

const Inputs& inputs() {
  static Inputs in;
  static bool made = false;
  if (!made) {
    std::mt19937 rng(20240613);
    for (int i = 0; i < kBatch; ++i) {
      in.ints[i] = static_cast<int32_t>(rng() % 2000000000u) - 1000000000;
      in.doubles[i] = (static_cast<double>(rng()) - 2147483648.0) / 1024.0;
      char t[64];
      std::snprintf(t, sizeof t, "%d", static_cast<int>(in.ints[i]));
      in.int_texts[i] = t;
      std::snprintf(t, sizeof t, "%.17g", in.doubles[i] * 1e-3);
      in.double_texts[i] = t;
      std::snprintf(t, sizeof t, "%d.%02u", static_cast<int>(in.ints[i] / 1000),
                    static_cast<unsigned>(rng() % 100));
      in.decimal_texts[i] = t;
      string_fix(t, in.fixes[i]);
      in.bool_texts[i] = (rng() & 1) ? "TRUE" : "false";
      int* f = in.fields[i];
      f[0] = 1600 + static_cast<int>(rng() % 800);
      f[1] = 1 + static_cast<int>(rng() % 12);
      f[2] = 1 + static_cast<int>(rng() % 28);
      f[3] = static_cast<int>(rng() % 24);
      f[4] = static_cast<int>(rng() % 60);
      f[5] = static_cast<int>(rng() % 60);
      f[6] = static_cast<int>(rng() % 1000);
      char lit[96];
      std::snprintf(lit, sizeof lit, "datetime[yy:ms](%d-%d-%d %d:%d:%d.%03d)", f[0], f[1], f[2],
                    f[3], f[4], f[5], f[6]);
      attrtype lt{};
      literal_to_binary(in.datetimes[i], &lt, lit);
      std::snprintf(lit, sizeof lit, "%04d-%02d-%02d %02d:%02d:%02d", f[0], f[1], f[2], f[3], f[4],
                    f[5]);
      in.timestamp_texts[i] = std::string("TIMESTAMP '") + lit + "." + std::to_string(f[6]) + "'";
      in.clock_texts[i] = std::string(lit) + "." + std::to_string(f[6]);
    }
    made = true;
  }
  return in;
}

attrtype type_of(const char* text) {
  attrtype t{};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s", text);
  txt_to_attr(buf, &t);
  return t;
}

// The library's batch beside up to two peers' batches.
template <class Ours, class Peer, class Peer2>
void run(benchmark::State& state, Ours ours, Peer peer, Peer2 peer2) {
  for (auto _ : state) ours();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kBatch);
  const qdbench::PeerTimes t = qdbench::fastest_in_turn(ours, peer, kBatch);
  state.counters["ns_ours"] = t.ours;
  state.counters["ns_peer"] = t.peer;
  state.counters["ratio"] = t.ours / t.peer;
  if constexpr (!std::is_same_v<Peer2, std::nullptr_t>) {
    state.counters["ns_from_chars"] = ns_per_op(peer2);
  }
}

template <class Src, class Peer, class Peer2 = std::nullptr_t>
void adapt(benchmark::State& state, int code, const Src* src, size_t stride, const char* target,
           Peer peer, Peer2 peer2 = nullptr) {
  const attrtype t = type_of(target);
  alignas(8) unsigned char dst[64];  // the longest calendar literal and its zero byte
  run(
      state,
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          benchmark::DoNotOptimize(value_adapt_type(
              code, reinterpret_cast<const unsigned char*>(src) + i * stride, &t, dst, nullptr));
          benchmark::ClobberMemory();
        }
      },
      peer, peer2);
}

// Texts as value_adapt_type reads them: pointers to zero-terminated strings.
const char* const* text_ptrs(const std::string* texts) {
  static std::vector<std::vector<const char*>> keep;
  keep.emplace_back();
  for (int i = 0; i < kBatch; ++i) keep.back().push_back(texts[i].c_str());
  return keep.back().data();
}

template <class Peer, class Peer2 = std::nullptr_t>
void adapt_text(benchmark::State& state, const std::string* texts, const char* target, Peer peer,
                Peer2 peer2 = nullptr) {
  const attrtype t = type_of(target);
  const char* const* p = text_ptrs(texts);
  alignas(8) unsigned char dst[32];
  run(
      state,
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          benchmark::DoNotOptimize(value_adapt_type(4, p[i], &t, dst, nullptr));
          benchmark::ClobberMemory();
        }
      },
      peer, peer2);
}

void BM_integer_to_integer(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 1, in.ints, 4, "integer", [&] {
    for (int i = 0; i < kBatch; ++i) {
      int32_t v = in.ints[i];
      benchmark::DoNotOptimize(v);
      benchmark::ClobberMemory();
    }
  });
}
void BM_integer_to_double(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 1, in.ints, 4, "double", [&] {
    for (int i = 0; i < kBatch; ++i) {
      double d = static_cast<double>(in.ints[i]);
      benchmark::DoNotOptimize(d);
      benchmark::ClobberMemory();
    }
  });
}
void BM_integer_to_numeric(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 1, in.ints, 4, "numeric(12,2)", [&] {
    unsigned char f[17];
    for (int i = 0; i < kBatch; ++i) {
      benchmark::DoNotOptimize(long_fix(in.ints[i], 2, f));
      benchmark::ClobberMemory();
    }
  });
}
void BM_double_to_integer(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 2, in.doubles, 8, "integer", [&] {
    for (int i = 0; i < kBatch; ++i) {
      int32_t v = static_cast<int32_t>(in.doubles[i]);
      benchmark::DoNotOptimize(v);
      benchmark::ClobberMemory();
    }
  });
}
void BM_double_to_double(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 2, in.doubles, 8, "double", [&] {
    for (int i = 0; i < kBatch; ++i) {
      double d = in.doubles[i];
      benchmark::DoNotOptimize(d);
      benchmark::ClobberMemory();
    }
  });
}
void BM_double_to_numeric(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 2, in.doubles, 8, "numeric(20,4)", [&] {
    char t[40];
    for (int i = 0; i < kBatch; ++i) {
      benchmark::DoNotOptimize(std::snprintf(t, sizeof t, "%.4f", in.doubles[i]));
      benchmark::ClobberMemory();
    }
  });
}
void BM_numeric_to_integer(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 3, in.fixes[0], 17, "integer", [&] {
    for (int i = 0; i < kBatch; ++i) {
      int32_t v = static_cast<int32_t>(fix_double(in.fixes[i]));
      benchmark::DoNotOptimize(v);
      benchmark::ClobberMemory();
    }
  });
}
void BM_numeric_to_double(benchmark::State& s) {
  const Inputs& in = inputs();
  const char* const* p = text_ptrs(in.decimal_texts);
  adapt(s, 3, in.fixes[0], 17, "double", [&] {
    for (int i = 0; i < kBatch; ++i) {
      benchmark::DoNotOptimize(std::strtod(p[i], nullptr));
      benchmark::ClobberMemory();
    }
  });
}
// A text conversion beside the C library's reader and std::from_chars into T, on the
// same texts.
template <class T, class CPeer>
void text_beside_peers(benchmark::State& s, const std::string* texts,
                       const char* type, CPeer c_peer) {
  const char* const* p = text_ptrs(texts);
  adapt_text(
      s, texts, type,
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          benchmark::DoNotOptimize(c_peer(p[i]));
          benchmark::ClobberMemory();
        }
      },
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          T v = 0;
          std::from_chars(p[i], p[i] + texts[i].size(), v);
          benchmark::DoNotOptimize(v);
          benchmark::ClobberMemory();
        }
      });
}
void BM_text_to_integer(benchmark::State& s) {
  text_beside_peers<int>(s, inputs().int_texts, "integer",
                         [](const char* t) { return std::strtol(t, nullptr, 10); });
}
void BM_text_to_double(benchmark::State& s) {
  text_beside_peers<double>(s, inputs().double_texts, "double",
                            [](const char* t) { return std::strtod(t, nullptr); });
}
void BM_text_to_numeric(benchmark::State& s) {
  text_beside_peers<double>(s, inputs().decimal_texts, "numeric(12,2)",
                            [](const char* t) { return std::strtod(t, nullptr); });
}
void BM_text_to_bool(benchmark::State& s) {
  const Inputs& in = inputs();
  const char* const* p = text_ptrs(in.bool_texts);
  adapt_text(s, in.bool_texts, "bool", [&] {
    for (int i = 0; i < kBatch; ++i) {
      benchmark::DoNotOptimize(strcasecmp(p[i], "true") == 0 || strcasecmp(p[i], "false"));
      benchmark::ClobberMemory();
    }
  });
}

// literal_scan over a mix of literals, and strtod over the numeric ones of the same mix.
void BM_literal_scan(benchmark::State& state) {
  const Inputs& in = inputs();
  std::vector<std::string> mix, numbers;
  for (int i = 0; i < kBatch; ++i) {
    mix.push_back(in.int_texts[i]);
    mix.push_back(in.decimal_texts[i]);
    mix.push_back(in.double_texts[i]);
    numbers.push_back(in.int_texts[i]);
    numbers.push_back(in.decimal_texts[i]);
    numbers.push_back(in.double_texts[i]);
    if (i % 8 == 0) mix.push_back("'a string literal'");
    if (i % 8 == 1) mix.push_back("datetime[yy:dd](2000-1-31)");
    if (i % 8 == 2) mix.push_back("0x0aFF17");
  }
  size_t mix_bytes = 0, number_bytes = 0;
  for (const std::string& t : mix) mix_bytes += t.size();
  for (const std::string& t : numbers) number_bytes += t.size();
  auto ours = [&] {
    attrtype t;
    for (const std::string& text : mix) benchmark::DoNotOptimize(literal_scan(&t, nullptr, text.c_str()));
  };
  auto peer = [&] {
    for (const std::string& text : numbers) benchmark::DoNotOptimize(std::strtod(text.c_str(), nullptr));
  };
  for (auto _ : state) ours();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * mix_bytes));
  // ns_per_op divides by kBatch; scale to nanoseconds per byte, then MB/s.
  const double ns_ours = ns_per_op(ours) * kBatch / static_cast<double>(mix_bytes);
  const double ns_peer = ns_per_op(peer) * kBatch / static_cast<double>(number_bytes);
  state.counters["MBps_literal_scan"] = 1e3 / ns_ours;
  state.counters["MBps_strtod"] = 1e3 / ns_peer;
}

}  // namespace

// ---- Values into texts, texts into calendar values ----------------------------------

// A value into a character type beside the C library printing the same text.
void BM_integer_to_char(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 1, in.ints, 4, "char(11)", [&] {
    char out[32];
    for (int i = 0; i < kBatch; ++i) {
      benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%-11ld", static_cast<long>(in.ints[i])));
      benchmark::ClobberMemory();
    }
  });
}
void BM_double_to_char(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 2, in.doubles, 8, "varchar(30)", [&] {
    char out[32];
    for (int i = 0; i < kBatch; ++i) {
      benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%.15e", in.doubles[i]));
      benchmark::ClobberMemory();
    }
  });
}
void BM_numeric_to_char(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 3, in.fixes[0], 17, "varchar(40)", [&] {
    char out[48];
    for (int i = 0; i < kBatch; ++i) {
      benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%.2f", in.doubles[i]));
      benchmark::ClobberMemory();
    }
  });
}
void BM_datetime_to_char(benchmark::State& s) {
  const Inputs& in = inputs();
  adapt(s, 8, in.datetimes[0], 20, "varchar(45)", [&] {
    char out[64];
    for (int i = 0; i < kBatch; ++i) {
      const int* f = in.fields[i];
      benchmark::DoNotOptimize(std::snprintf(out, sizeof out,
                                             "datetime[yy:ms](%d-%d-%d %d:%d:%d.%03d)", f[0],
                                             f[1], f[2], f[3], f[4], f[5], f[6]));
      benchmark::ClobberMemory();
    }
  });
}
// TIMESTAMP texts read, validated and packed, beside strptime reading the same date and
// clock time into a struct tm and strtol the fraction after it.
void BM_text_to_datetime(benchmark::State& s) {
  const Inputs& in = inputs();
  const char* const* clock = text_ptrs(in.clock_texts);
  adapt_text(s, in.timestamp_texts, "datetime[yy:ms]", [&] {
    for (int i = 0; i < kBatch; ++i) {
      std::tm tm{};
      const char* rest = strptime(clock[i], "%Y-%m-%d %H:%M:%S", &tm);
      benchmark::DoNotOptimize(rest ? std::strtol(rest + 1, nullptr, 10) : 0);
      benchmark::ClobberMemory();
    }
  });
}

BENCHMARK(BM_integer_to_integer);
BENCHMARK(BM_integer_to_double);
BENCHMARK(BM_integer_to_numeric);
BENCHMARK(BM_double_to_integer);
BENCHMARK(BM_double_to_double);
BENCHMARK(BM_double_to_numeric);
BENCHMARK(BM_numeric_to_integer);
BENCHMARK(BM_numeric_to_double);
BENCHMARK(BM_text_to_integer);
BENCHMARK(BM_text_to_double);
BENCHMARK(BM_text_to_numeric);
BENCHMARK(BM_text_to_bool);
BENCHMARK(BM_literal_scan);
BENCHMARK(BM_integer_to_char);
BENCHMARK(BM_double_to_char);
BENCHMARK(BM_numeric_to_char);
BENCHMARK(BM_datetime_to_char);
BENCHMARK(BM_text_to_datetime);
BENCHMARK_MAIN();
