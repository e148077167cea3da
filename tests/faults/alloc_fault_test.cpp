// Allocation failures: every export that allocates is called with each of its
// allocations failing in turn (through the allocation layer's test hook). Each must give
// its defined result, leave what the caller owns as it was, and leak nothing (the
// sanitizer build runs this with the leak checker on).
#include "base/memory.h"
#include "datetime/dt_test_util.h"
#include "decimal/fixtest.h"
#include "qderror.h"
#include "qdfid.h"
#include "report_support.h"

namespace {

constexpr uint32_t kGiver = 0x7a0001;
constexpr uint32_t kReceiver = 0x7a0002;

// What one call gave: its result, and whether the caller's values are as they were
// (only asked of calls that reached a failing allocation).
struct Outcome {
  long result = 0;
  bool intact = true;
};

// Whose report a call works on: the test thread's own, or a stand-in thread id.
void act_as(uint32_t tid) { qd::report_tid_override_for_test(tid); }

bool usable_report(const char* report) {
  return report && std::strlen(report) < qd::kReportSize && std::strlen(report) > 0;
}

class AllocFault : public qdtest::IsolatedTest {
 protected:
  void SetUp() override {
    qdtest::use_catalogues(dir_, "SETTING=value\nHOSTACCESS32=" + dir_.file("missing.so") + "\n");
  }
  void TearDown() override {
    qd::mem_fail_from_for_test(0);
    act_as(0);
  }

  // Each case: the call itself, what is prepared before the hook is set, and what is
  // given back afterwards (for every n, so nothing of a case outlives it); unless a case
  // says otherwise it starts without a report and gives back the one it made.
  struct Case {
    std::function<Outcome()> call;
    std::function<void()> prepare = trace_pop, finish = trace_pop;
  };
  std::map<std::string, Case> cases();

  // State a case shares between its three steps.
  void* block_ = nullptr;
  qd_dynarr array_{};
  qd_dynarr array_before_{};
  acct_config acct_{};
};

std::map<std::string, AllocFault::Case> AllocFault::cases() {
  auto none = [] {};
  auto pop_all = [] {
    for (uint32_t tid : {kGiver, kReceiver, 0u}) {
      act_as(tid);
      trace_pop();
    }
  };
  auto free_block = [this] {
    heapctl_free(block_);
    block_ = nullptr;
  };
  auto free_array = [this] { free_space(&array_); };
  auto array_intact = [this] { return std::memcmp(&array_, &array_before_, sizeof array_) == 0; };
  auto open_acct = [this] {
    const std::string log = dir_.file("acct.log");
    acct_ = {ACCT_MASK_ALL, 1, log.c_str()};
    ASSERT_EQ(acct_init(&acct_, 4096), 0);
    acct_.file = nullptr;
  };
  // A heap block of the allocation layer's, taken by get().
  auto heap_call = [this, none, free_block](void* (*get)()) {
    return Case{[this, get] {
                  block_ = get();
                  return Outcome{block_ != nullptr};
                },
                none, free_block};
  };
  // A call that writes a fix result into a buffer of 0x5a bytes: on failure the buffer
  // stays as it was.
  auto fix_result_call = [](std::function<int(unsigned char*)> call) {
    return Case{[call] {
      unsigned char r[QD_FIX_MAX_BYTES], before[QD_FIX_MAX_BYTES];
      std::memset(r, 0x5a, sizeof r);
      std::memcpy(before, r, sizeof r);
      Outcome out{call(r)};
      out.intact = out.result == 0 || std::memcmp(r, before, sizeof r) == 0;
      return out;
    }};
  };
  std::map<std::string, Case> m;
  m["trace_fresh_report"] = {[] { return Outcome{trace(QDE_NO_MEMORY, 0)}; }};
  m["trace_hard_with_acct"] = {[] { return Outcome{trace(QDE_LIBRARY_LOAD_FAILED, 0, "lib")}; },
                               [open_acct] { trace_pop(), open_acct(); },
                               [] { trace_pop(), qd::acct_reset_for_test(); }};
  m["qd_errtxt_adr"] = {[] { return Outcome{usable_report(qd_errtxt_adr())}; }};
  m["init_qderr"] = {[] { return Outcome{init_qderr(), usable_report(qd_errtxt_adr())}; }};
  m["hand_over_then_trace"] = {[] {
                                 const std::string given = qd_errtxt_adr();
                                 trace(qd::kHandOver, 0, static_cast<int>(kGiver),
                                       static_cast<int>(kReceiver));
                                 Outcome out{trace(QDE_NO_MEMORY, 0)};  // the giver starts anew
                                 act_as(kReceiver);
                                 out.intact = given == qd_errtxt_adr();
                                 act_as(kGiver);
                                 return out;
                               },
                               [] {
                                 act_as(kGiver);
                                 init_qderr();
                                 trace(QDE_NO_MEMORY, 0);
                               },
                               pop_all};
  m["win_os_getenv"] = {[] {
                          const char* v = win_os_getenv("SETTING");
                          return Outcome{v && std::strcmp(v, "value") == 0};
                        },
                        none, none};
  m["load_function_missing"] = {[] {
                                  void* cell = &cell;
                                  Outcome out{load_function(0, &cell, "tcp_init")};
                                  out.intact = cell == &cell;
                                  return out;
                                },
                                trace_pop, [] { trace_pop(), qd::dll_reset_for_test(); }};
  // Tuples: a built row allocates nothing; a refused one only its report, and writes
  // nothing past the record either way.
  auto tuple_call = [](int extra) {
    return [extra] {
      static std::vector<unsigned char> block(QD_TUPLE_MAX + 8, 0xee);
      attrtype types[2] = {{1, {}, 0, 0}, {4, {}, 0, 0}};
      int32_t seven = 7;
      std::string text(32661 + extra, 'x');  // 6 + 4 + 32661 + 1 = 32672: fits exactly
      void* values[2] = {&seven, text.data()};
      Outcome out{constr_tup(2, values, types, block.data())};
      out.intact = block[QD_TUPLE_MAX] == 0xee;
      return out;
    };
  };
  m["constr_tup_row"] = {tuple_call(0), none, none};
  // The value paths the kernel runs per row: the four operations, calendar arithmetic and
  // comparison; the result counts the calls that did not return 0.
  const fixtest::Fix fa = fixtest::make("-12345678901234567890", 7),
                     fb = fixtest::make("9876543210987654", 12);
  const dtt::Value day = dtt::value("dtv[yy:ms](1582,10,4,23,59,59,999)"),
                   later = dtt::value("dtv[yy:dd](2007,11,28)"), days = dtt::value("ts[dd:dd](11)");
  m["value_paths"] = {[=] {
                        fixtest::Fix a = fa, b = fb, c;
                        dtt::Value out;
                        qd_long w = 0;
                        int32_t i = 7, j = -7;
                        char s[] = "abc", t[] = "abc  ";
                        const int rc[] = {fixadd(a.p(), b.p(), c.p()), fixsub(a.p(), b.p(), c.p()),
                                          fixmul(a.p(), b.p(), c.p()), fixdiv(a.p(), b.p(), c.p()),
                                          dt_sub(later.b, day.b, out.b),
                                          dt_ts_add(day.b, days.b, out.b),
                                          dt_weekday(day.b, &w),
                                          compare(s, 4, t, 4, 3, 5) == 0 ? 0 : 1,
                                          compare(&i, 1, &j, 1, 4, 4) > 0 ? 0 : 1};
                        return Outcome{static_cast<long>(std::count_if(
                            std::begin(rc), std::end(rc), [](int r) { return r != 0; }))};
                      },
                      none, none};
  m["constr_tup_too_long"] = {tuple_call(1)};
  m["acct_init"] = {[this] {
                      const acct_config before = acct_;
                      const std::string name = acct_.file;
                      Outcome out{acct_init(&acct_, 4096)};
                      out.intact =
                          std::memcmp(&before, &acct_, sizeof acct_) == 0 && name == acct_.file;
                      return out;
                    },
                    [this] {
                      trace_pop();
                      acct_ = {ACCT_MASK_ALL, 1, strdup(dir_.file("acct.log").c_str())};
                    },
                    [this] {
                      std::free(const_cast<char*>(acct_.file));
                      trace_pop(), qd::acct_reset_for_test();
                    }};
  m["acct_write"] = {[] { return Outcome{acct_write(ACCT_EV_ERROR, 1, "text")}; }, open_acct,
                     [] { qd::acct_reset_for_test(); }};
  m["heapctl_malloc"] = heap_call([] { return heapctl_malloc(16, 0, nullptr, 0); });
  m["heapctl_calloc"] = heap_call([] { return heapctl_calloc(16, 0, nullptr, 0); });
  m["heapctl_malloc_ptr"] = heap_call([] { return heapctl_malloc_ptr(0); });
  m["heapctl_malloc_ptr_16"] = heap_call([] { return heapctl_malloc_ptr(16); });
  m["heapctl_realloc"] = {
      [this] {
        void* grown = heapctl_realloc(block_, 0, 4096);
        if (grown) block_ = grown;
        return Outcome{grown != nullptr, std::memcmp(block_, "abcdefg", 8) == 0};
      },
      [this] {
        block_ = heapctl_malloc(8, 0, nullptr, 0);
        std::memcpy(block_, "abcdefg", 8);
      },
      free_block};
  m["need_space_fresh"] = {[this, array_intact] {
                             void* d = need_space(&array_, 10, 8);
                             return Outcome{d != nullptr, array_intact()};
                           },
                           [this] {
                             array_ = {0, 0, 0, 1, nullptr};
                             array_before_ = array_;
                           },
                           free_array};
  m["need_space_grow"] = {[this, array_intact] {
                            void* d = need_space(&array_, 100, 8);
                            const auto* data = static_cast<uint8_t*>(array_.data);
                            const bool kept = std::count(data, data + 32, 0x5a) == 32;
                            return Outcome{d != nullptr, kept && (d || array_intact())};
                          },
                          [this] {
                            array_ = {0, 0, 0, 1, nullptr};
                            ASSERT_NE(need_space(&array_, 4, 8), nullptr);
                            array_.used = 4;
                            std::memset(array_.data, 0x5a, 32);
                            array_before_ = array_;
                          },
                          free_array};
  m["literal_to_heapbinary"] = {
      [this] {
        attrtype type = {};
        std::memset(&type, 0x5a, sizeof type);
        const attrtype before = type;
        Outcome out{literal_to_heapbinary(&block_, &type, "123.45")};
        out.intact =
            out.result == 0 || (block_ == nullptr && std::memcmp(&type, &before, sizeof type) == 0);
        return out;
      },
      trace_pop, [free_block] { free_block(), trace_pop(); }};
  // Date templates: literal text past 128 bytes grows the scanner's buffer twice more;
  // the caller's buffer or result stays as it was when that fails.
  // 2007-11-28, datetime[yy:dd].
  static const std::string long_literal = "\"" + std::string(300, '-') + "\"yyyy";
  m["date2str_long_literal"] = {[] {
    const unsigned char dt[12] = {0x64, 0x04, 0, 0, 28, 0, 11, 0, 0xd7, 0x07, 0, 0};
    std::string buf(400, 'x');
    Outcome out{date2str(dt, buf.data(), 400, long_literal.c_str())};
    out.intact = out.result == 0 || buf == std::string(400, 'x');
    return out;
  }};
  m["str2date_long_literal"] = {[] {
    const std::string text = std::string(300, '-') + "2007";
    unsigned char dt[20];
    std::memset(dt, 0x5a, sizeof dt);
    Outcome out{str2date(text.c_str(), dt, long_literal.c_str())};
    out.intact = out.result == 0 || std::count(dt, dt + sizeof dt, 0x5a) == sizeof dt;
    return out;
  }};
  m["win_os_opn_dir"] = {[this] {
                           char entry[QD_DIR_BUFFER_SIZE] = {};
                           qd_dir_handle h = &h;
                           const std::string pattern = dir_.path() + "/*.ini";
                           Outcome out{win_os_opn_dir(pattern.c_str(), entry, &h)};
                           if (h) win_os_cls_dir(h);
                           return out;
                         },
                         none, none};
  // Number templates: the prefix copy, the scanner's literal buffer, the suffix copy.
  m["num2str_prefix_suffix"] = {[] {
    qdxglob_val.currency_sym = "$";
    const int32_t v = -1234;
    char buf[64];
    return Outcome{num2str(&v, 1, buf, sizeof buf, "C9,999.99\" net\"MI")};
  }};
  m["str2num_prefix_suffix"] = fix_result_call([](unsigned char* r) {
    qdxglob_val.currency_sym = "$";
    return str2num("$1,234.50 net-", r, "C9,999.99\" net\"MI");
  });
  // The free form copies a long text to put "." in place of the settings' separator.
  m["str2num_long_free"] = fix_result_call([](unsigned char* r) {
    qdxglob_val.decimal_sep = ",";
    return str2num((std::string(400, ' ') + "12,5").c_str(), r, nullptr);
  });
  return m;
}

TEST_F(AllocFault, EveryAllocationFailingInTurn) {
  std::map<std::string, Case> all = cases();
  int failed_sites = 0;
  for (const qdtest::Row& row : qdtest::read_cases("faults/alloc.txt", 4)) {
    SCOPED_TRACE(row[0]);
    auto it = all.find(row[0]);
    ASSERT_NE(it, all.end()) << "no such case";
    const Case& c = it->second;
    const long on_success = qdtest::num(row[2]);
    const long on_failure = qdtest::num(row[3]);
    uint64_t n = 1;
    for (;; ++n) {
      SCOPED_TRACE("failing from allocation " + std::to_string(n));
      ASSERT_LE(n, 64u) << "the call does not end";
      c.prepare();
      qd::report_spares_free_for_test();  // a report block is allocated, not reused
      qd::mem_fail_from_for_test(n);
      const Outcome out = c.call();
      const bool hit = qd::mem_failures_for_test() != 0;
      qd::mem_fail_from_for_test(0);
      c.finish();
      if (!hit) {
        EXPECT_EQ(out.result, on_success);
        break;
      }
      ++failed_sites;
      EXPECT_EQ(out.result, on_failure);
      EXPECT_TRUE(out.intact) << "the caller's values changed";
    }
    EXPECT_EQ(static_cast<long>(n - 1), qdtest::num(row[1])) << "allocations made";
    all.erase(it);
  }
  EXPECT_TRUE(all.empty()) << all.size() << " cases without a row";
  std::printf("allocation sites failed: %d\n", failed_sites);
}

}  // namespace
