// dt_test_util.h: building packed datetime and timespan values for the tests, and a
// fixture that pins the current datetime to a fixed instant and restores it afterwards.
#pragma once

#include "datetime/dt_internal.h"
#include "report_support.h"

namespace dtt {

// A value buffer with room for any datetime or timespan and a guard tail, filled with a
// pattern so that writes past the value or on failure show.
struct Value {
  unsigned char b[32];
  Value() { std::memset(b, 0xA5, sizeof b); }
  bool untouched() const { return std::count(b, b + sizeof b, 0xA5) == sizeof b; }
};

// Fields are given from the high code down to the low code, as they are written.
template <class Field>
inline Value make(int high, int low, int mark, const std::vector<long long>& fields) {
  Value v;
  qd::store<uint32_t>(v.b, qd::make_header(low, high, mark));
  int c = high;
  for (long long f : fields) {
    qd::store<Field>(v.b + 4 + sizeof(Field) * (c - low), static_cast<Field>(f));
    --c;
  }
  return v;
}

// The literal of a value printed as a timespan (span) or as a datetime.
inline std::string lit(const Value& v, bool span) {
  char buf[64];
  return span ? ts_str(buf, v.b) : dt_str(buf, v.b);
}
inline int mark(const Value& v) { return static_cast<int>((qd::load<uint32_t>(v.b) >> 8) & 0xF); }
// A calendar mark by name: julian, gregorian, or none (a datetime no check has marked).
inline int calendar(const std::string& name) {
  return name == "julian" ? qd::kMarkJulian : name == "gregorian" ? qd::kMarkGregorian : 0;
}
// An operation's error number and result: the literal `want` (read as a datetime or a
// timespan by its own first word) on success, an untouched buffer when want is null. A
// datetime literal may end in @julian, @gregorian or @none: the result's calendar mark.
inline void expect_result(int err, const Value& out, int want_err, const char* want) {
  EXPECT_EQ(err, want_err);
  if (want) {
    const std::string w = want, text = w.substr(0, w.find('@'));
    EXPECT_EQ(lit(out, want[0] != 'd'), text);
    if (text != w) {
      EXPECT_EQ(mark(out), calendar(w.substr(text.size() + 1))) << w;
    }
  } else {
    EXPECT_TRUE(out.untouched());
  }
}
// A field code in a case file: a range name (ms .. yy) or a number, for codes no value has.
inline int code(const std::string& s) {
  static const char* const kNames[] = {"ms", "ss", "mi", "hh", "dd", "mo", "yy"};
  for (int c = 0; c < 7; ++c) {
    if (s == kNames[c]) return c;
  }
  return static_cast<int>(qdtest::num(s));
}
// A value as the tables write it: dt, dtv (dt validated as the host would before use), dt@N
// (dt stored with calendar mark N, unchecked), ts or -ts, then [high:low](fields), the fields
// from the high code down, separated by commas: dtv[yy:dd](1582,10,4).
inline Value value(const std::string& s) {
  const size_t open = s.find('['), colon = s.find(':'), close = s.find(']');
  const std::string kind = s.substr(0, open);
  const int high = code(s.substr(open + 1, colon - open - 1));
  const int low = code(s.substr(colon + 1, close - colon - 1));
  std::istringstream body(s.substr(close + 2, s.rfind(')') - close - 2));
  std::vector<long long> f;
  for (std::string x; std::getline(body, x, ',');) f.push_back(qdtest::num(x));
  const int m = kind == "ts" ? qd::kMarkPositive : kind == "-ts" ? qd::kMarkNegative : 0;
  const int dt_mark = kind.rfind("dt@", 0) == 0 ? static_cast<int>(qdtest::num(kind.substr(3))) : 0;
  Value v = m ? make<int32_t>(high, low, m, f) : make<int16_t>(high, low, dt_mark, f);
  EXPECT_TRUE(kind == "dt" || kind == "dtv" || dt_mark || m) << "value kind " << s;
  if (kind == "dtv") {
    EXPECT_EQ(dt_check(v.b), 0) << s;
  }
  return v;
}
// An expected literal in a case file: "-" for none (the result buffer stays untouched).
inline const char* want(const std::string& s) { return s == "-" ? nullptr : s.c_str(); }
inline bool is_span(const Value& v) {
  return mark(v) == qd::kMarkPositive || mark(v) == qd::kMarkNegative;
}

// The fixed instant the tests run at: Wednesday 2007-11-28 13:05:07.042.
inline bool fixed_clock(qd::plat::LocalTime* t) {
  *t = {2007, 11, 28, 13, 5, 7, 42};
  return true;
}
inline bool broken_clock(qd::plat::LocalTime*) { return false; }

class PinnedNow : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = qd::save_current_for_test();
    old_clock_ = qd::set_clock_for_test(fixed_clock);
    ASSERT_EQ(set_current(), 0);
  }
  void TearDown() override {
    qd::set_clock_for_test(old_clock_);
    qd::restore_current_for_test(saved_);
    init_qderr();
  }

 private:
  qd::Unpacked saved_{};
  qd::ClockReader old_clock_ = nullptr;
};

// Error reports with the catalogue texts of the source tree and the function lines of
// every step, for tests that read a failure's report; the settings come back afterwards.
class ReportTexts {
 public:
  ReportTexts() {
    qdtest::use_catalogues(dir_);
    qdxglob_val.trace_to_errtext = 1;
  }
  ~ReportTexts() {
    init_qderr();
    qd::config_reset_for_test();
  }
  // The calling thread's report, started afresh after it is read.
  std::string take() {
    std::string text = qd_errtxt_adr();
    init_qderr();
    return text;
  }

 private:
  qdtest::GlobalsScope globals_;
  qdtest::TempDir dir_;
};

using namespace qd;  // field codes kYy .. kMs and calendar marks

}  // namespace dtt
