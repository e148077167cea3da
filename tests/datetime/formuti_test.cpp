// formuti_test.cpp: date templates printed and read with English names, at a pinned
// current datetime: every keyword in its case styles, the century window, the 12-hour
// pair, fraction digits and their rounding, buffer limits, the restart rule and every
// failure with its report.
#include "datetime/tmplscan.h"
#include "dt_test_util.h"
#include "tools/qdtype/english_names.h"

namespace dtt {
namespace {

// The pinned instant, and the host's name tables filled in English (as the tool fills them).
class Templates : public PinnedNow {
 protected:
  void SetUp() override {
    PinnedNow::SetUp();
    qdtype::fill_english_names(qdxglob_val);
  }
  qdtest::GlobalsScope globals_;
};

constexpr unsigned char kGuard = 0x5A;

TEST_F(Templates, Printing) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/date2str.txt", 5)) {
    SCOPED_TRACE(r[0] + " | " + r[1] + " | " + r[2]);
    const Value v = value(r[0]);
    const long size = qdtest::num(r[2]);
    std::vector<char> buf(80, static_cast<char>(kGuard));
    EXPECT_EQ(date2str(v.b, buf.data(), static_cast<qd_long>(size), r[1].c_str()),
              qdtest::num(r[3]));
    if (r[4] != "-") {
      EXPECT_EQ(std::string(buf.data()), r[4]);
    }
    // Nothing is written beyond the buffer, whatever the outcome.
    for (size_t i = size > 0 ? static_cast<size_t>(size) : 0; i < buf.size(); ++i)
      ASSERT_EQ(static_cast<unsigned char>(buf[i]), kGuard) << "written at " << i;
  }
}

TEST_F(Templates, Reading) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/str2date.txt", 4)) {
    SCOPED_TRACE(r[0] + " | " + r[1]);
    Value out;
    EXPECT_EQ(str2date(r[0].c_str(), out.b, r[1].c_str()), qdtest::num(r[2]));
    if (r[3] == "-") {
      EXPECT_TRUE(out.untouched());
    } else {
      EXPECT_EQ(lit(out, false), r[3]);
    }
  }
}

// What a failure leaves in the thread's report: the function, and the texts or word the
// message carries.
TEST_F(Templates, Reports) {
  ReportTexts reports;
  reports.take();
  for (const qdtest::Row& c : qdtest::read_cases("datetime/str2date_reports.txt", 3)) {
    Value out;
    EXPECT_NE(str2date(c[0].c_str(), out.b, c[1].c_str()), 0) << c[0];
    EXPECT_TRUE(qdtest::has(reports.take(), c[2])) << c[0];
  }
  char buf[4];
  Value v = value("dtv[yy:dd](2007,11,28)");
  EXPECT_EQ(date2str(v.b, buf, sizeof buf, "yyyy"), 21012);
  EXPECT_TRUE(qdtest::has(reports.take(), "in date2str"));
}

// Two-digit years fall in the current century for 0-49 and the one before for 50-99;
// the window moves with the clock, which str2date reads on every call.
bool clock_2051(qd::plat::LocalTime* t) {
  *t = {2051, 1, 1, 0, 0, 0, 0};
  return true;
}
TEST_F(Templates, CenturyWindowFollowsTheClock) {
  Value out;
  const qd::ClockReader old = qd::set_clock_for_test(clock_2051);
  ASSERT_EQ(str2date("1.1.49", out.b, "dd.mm.yy"), 0);
  EXPECT_EQ(lit(out, false), "datetime[yy:dd](2049-1-1)");
  ASSERT_EQ(str2date("1.1.50", out.b, "dd.mm.yy"), 0);
  EXPECT_EQ(lit(out, false), "datetime[yy:dd](1950-1-1)");
  qd::set_clock_for_test(broken_clock);
  Value untouched;
  EXPECT_EQ(str2date("1.1.50", untouched.b, "dd.mm.yy"), 1854);
  EXPECT_TRUE(untouched.untouched());
  qd::set_clock_for_test(old);
}

// Names the host left out print empty and are never matched; a match takes the first
// entry that is a prefix of the input, and its value is the month.
TEST_F(Templates, HostTables) {
  qdxglob_val.month_full[10] = nullptr;
  Value v = value("dtv[yy:dd](2007,11,28)");
  char buf[32];
  ASSERT_EQ(date2str(v.b, buf, sizeof buf, "[Month]"), 0);
  EXPECT_STREQ(buf, "[]");
  qdxglob_val.month_abbr_in[0] = {nullptr, 1};
  qdxglob_val.month_abbr_in[1] = {"", 2};
  qdxglob_val.month_abbr_in[2] = {"M", 0x70003};  // only the low 16 bits count
  Value out;
  ASSERT_EQ(str2date("Mar 2007", out.b, "mon\"ar\" yyyy"), 0);
  EXPECT_EQ(lit(out, false), "datetime[yy:mo](2007-3)");
  EXPECT_EQ(str2date("Jan 2007", out.b, "mon yyyy"), 21009);
}

// Every element printed and read back gives the value again, in every case style.
TEST_F(Templates, RoundTrips) {
  const char* const templates[] = {
      "YYYY-MM-DD HH24:MI:SS.FFF", "dd.Mon.yyyy hh:mi:ss am",  "Day, dd Month yyyy hh12 A.M.",
      "yyyy rm dd hh24 mi ss fff", "DY DD MONTH YYYY HH24.MI", "mONTH dd yyyy"};
  const char* const values[] = {"dtv[yy:ms](2007,11,28,0,5,7,42)", "dtv[yy:ms](1582,10,4,12,0,0,0)",
                                "dtv[yy:ms](1,1,1,23,59,59,999)", "dtv[yy:ms](9999,12,31,11,1,2,3)"};
  for (const char* t : templates) {
    for (const char* s : values) {
      SCOPED_TRACE(std::string(t) + " " + s);
      const Value v = value(s);
      char text[80];
      ASSERT_EQ(date2str(v.b, text, sizeof text, t), 0);
      Value back;
      ASSERT_EQ(str2date(text, back.b, t), 0) << text;
      Value want;
      int low = 0, high = 0;
      {
        qd::TemplateScanner sc(t, qd::kDateKeywords, qd::kDateKeywordCount);
        ASSERT_EQ(qd::date_template_range(sc, &low, &high), 0);
      }
      ASSERT_EQ(dt_cast(v.b, want.b, low, high), 0);
      EXPECT_EQ(dt_cmp(back.b, want.b), 0) << text << " read as " << lit(back, false);
    }
  }
}

// A thread keeps its last template compiled: the same buffer with a new text is a new
// template, and templates too long or with too many elements for the compiled copy are
// read the same way.
TEST_F(Templates, CompiledTemplatesFollowTheirText) {
  const Value v = value("dtv[yy:dd](2007,11,28)");
  char templ[16] = "yyyy";
  char buf[256];
  ASSERT_EQ(date2str(v.b, buf, sizeof buf, templ), 0);
  EXPECT_STREQ(buf, "2007");
  std::strcpy(templ, "mm");
  ASSERT_EQ(date2str(v.b, buf, sizeof buf, templ), 0);
  EXPECT_STREQ(buf, "11");
  for (size_t dashes : {90u, 91u, 92u, 93u}) {  // templates of 94 to 97 characters
    const std::string t = "yyyy" + std::string(dashes, '-');
    ASSERT_EQ(date2str(v.b, buf, sizeof buf, t.c_str()), 0);
    EXPECT_EQ(std::string(buf), "2007" + std::string(dashes, '-'));
  }
  std::string many;  // 60 elements
  for (int i = 0; i < 15; ++i) many += "\"a\"dd\"b\"-";  // "b""a" would be b"a
  ASSERT_EQ(date2str(v.b, buf, sizeof buf, many.c_str()), 0);
  std::string want;
  for (int i = 0; i < 15; ++i) want += "a28b-";
  EXPECT_EQ(std::string(buf), want);
  for (const char* tail : {"dd.mm.yyyy", "\"x\"\"x\"dd.mm.yyyy"}) {
    std::string t;
    for (int i = 0; i < 20; ++i) t += "ss-";  // 40 elements, each attempt reads one ss
    t += tail;
    Value out;
    ASSERT_EQ(str2date("05.2007", out.b, t.c_str()), 0) << t;
    EXPECT_EQ(lit(out, false), "datetime[yy:mo](2007-5)");
    EXPECT_EQ(str2date("05.2007", out.b, tail), 0);
    EXPECT_EQ(lit(out, false), "datetime[yy:mo](2007-5)");
  }
}

// The literal buffer grows past 128 bytes in both directions.
TEST_F(Templates, LongLiterals) {
  const std::string words(300, '-');
  const std::string templ = "\"" + words + "\"yyyy" + words;
  const Value v = value("dtv[yy:dd](2007,11,28)");
  std::vector<char> buf(700);
  ASSERT_EQ(date2str(v.b, buf.data(), static_cast<qd_long>(buf.size()), templ.c_str()), 0);
  EXPECT_EQ(std::string(buf.data()), words + "2007" + words);
  Value out;
  ASSERT_EQ(str2date(buf.data(), out.b, templ.c_str()), 0);
  EXPECT_EQ(lit(out, false), "datetime[yy:yy](2007)");
}

}  // namespace
}  // namespace dtt
