// Tests of the calendar text reader, through value_adapt_type: both notations on every
// kind of range, qualifiers, leap days and the 1582 switch, negative spans, every error
// with its report lines, and texts cut anywhere.
#include "convert/convert_internal.h"
#include "convert_test_util.h"

namespace {

using convtest::type_of;

constexpr uint8_t kGuard = 0x5a;

// The message line of a reader error, for the text read.
std::string message(const std::string& number, const std::string& text) {
  if (number == "21004") return "Invalid datetime: a field is out of its limits, or the date does not exist.";
  if (number == "21005") {
    return "Calendar value out of range: a date before 1 January of year 1 or after year "
           "32767, or a timespan field out of its bounds.";
  }
  if (number == "9097") return "Unknown or missing range or interval name in " + text;
  ADD_FAILURE() << "no message for " << number;
  return "";
}

// Reads text into a target without a range, in a buffer of exactly the descriptor's size
// with guard bytes behind it. Returns the status; the literal of the result in *literal.
int read_text(const std::string& type, const std::string& text, std::string* literal) {
  attrtype t = type_of(type);
  const size_t room = static_cast<size_t>(size_attrtype(&t));
  std::vector<uint8_t> dst(room + 32, kGuard);
  qd_long len = -7;
  const int rc = value_adapt_type(4, text.c_str(), &t, dst.data(), &len);
  for (size_t i = room; i < dst.size(); ++i) EXPECT_EQ(dst[i], kGuard) << text << " byte " << i;
  if (rc != 0) {
    EXPECT_EQ(len, -7);
    return rc;
  }
  char out[64];
  *literal = t.code == 8 ? dt_str(out, dst.data()) : ts_str(out, dst.data());
  EXPECT_EQ(len, t.code == 8 ? dt_size(dst.data()) : ts_size(dst.data())) << text;
  return 0;
}

class CalendarTextTest : public convtest::ReportTest {};

// target | text | result | the reader's messages before the closing 19003
TEST_F(CalendarTextTest, ReadingTable) {
  for (const qdtest::Row& c : qdtest::read_cases("convert/calendar_text.txt", 4)) {
    SCOPED_TRACE(c[0] + " <- " + c[1]);
    init_qderr();
    std::string literal;
    const int rc = read_text(c[0], c[1], &literal);
    if (c[2].rfind("error ", 0) != 0) {
      ASSERT_EQ(rc, 0) << qd_errtxt_adr();
      EXPECT_EQ(literal, c[2]);
      EXPECT_EQ(body(), "");
      continue;
    }
    EXPECT_EQ(rc, std::stoi(c[2].substr(6)));
    std::string expect;
    std::istringstream numbers(c[3]);
    for (std::string n; numbers >> n;) expect += message(n, c[1]) + " \n";
    expect += "Text " + c[1] + " cannot be read as " + c[0] + ". \n";
    EXPECT_EQ(body(), expect);
  }
}

// Every strict beginning of a readable text fails with 19003 and writes nothing behind the
// target's room; the whole text reads.
TEST_F(CalendarTextTest, TextsCutAnywhere) {
  for (const qdtest::Row& c : qdtest::read_cases("convert/calendar_cut.txt", 2)) {
    const std::string whole = c[1];
    std::string literal;
    ASSERT_EQ(read_text(c[0], whole, &literal), 0) << whole;
    for (size_t n = 0; n < whole.size(); ++n) {
      init_qderr();
      EXPECT_EQ(read_text(c[0], whole.substr(0, n), &literal), 19003) << whole.substr(0, n);
    }
  }
}

}  // namespace
