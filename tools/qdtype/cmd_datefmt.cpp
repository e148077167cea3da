// cmd_datefmt.cpp: qdtype's date templates and the host's display forms: "format date",
// "format host" and "parse date", with their tour step.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/dtfields.h"
#include "base/limits.h"
#include "commands.h"
#include "qdtype32/qdtype32.h"
#include "templates.h"

namespace qdtype {
namespace {

constexpr int kDatetimeCode = 8;
constexpr int kTimespanCode = 9;
constexpr size_t kLiteralText = 42;  // the longest literal of a value and its zero
constexpr size_t kStyleText = 2 * 80 + 2;  // a style's date and time parts, a blank, a zero

// A datetime literal, or a timespan literal where span_too, read as the literal command
// reads it. 0, or the exit status after the failure was reported.
int read_calendar(const char* text, bool span_too, std::vector<unsigned char>* value,
                  int* code) {
  value->assign(qd::kRecordMax, 0);
  attrtype t{};
  if (literal_to_binary(value->data(), &t, text) != 0) return library_error();
  if (t.code != kDatetimeCode && !(span_too && t.code == kTimespanCode)) {
    return bad_usage("VALUE must be a %s literal such as datetime[yy:dd](2007-11-28)%s, not %s",
                     span_too ? "datetime or timespan" : "datetime",
                     span_too ? " or timespan[hh:mi](30:15)" : "", text);
  }
  *code = t.code;
  return 0;
}

std::string range_text(const unsigned char* dt) {
  const int low = dt[0] & 0xF, high = dt[0] >> 4;
  if (low > qd::kYy || high > qd::kYy) return "datetime";
  return std::string("datetime[") + qd::kDtFields[high].name + ":" + qd::kDtFields[low].name + "]";
}

// The text of value (datetime or timespan) printed through the template or format.
void show(const char* text, const unsigned char* value, int code) {
  char lit[kLiteralText];
  print("%s\n", text);
  field("text", text);
  field("value", code == kDatetimeCode ? dt_str(lit, value) : ts_str(lit, value));
}

int cmd_format_date(int argc, char** argv) {
  if (argc != 3) return bad_usage("qdtype format date: a datetime literal and a template");
  std::vector<unsigned char> value;
  int code = 0;
  if (int rc = read_calendar(argv[1], false, &value, &code)) return rc;
  std::vector<char> text(qd::kRecordMax);
  if (date2str(value.data(), text.data(), static_cast<qd_long>(text.size()), argv[2]) != 0)
    return library_error();
  show(text.data(), value.data(), code);
  return 0;
}

int cmd_format_host(int argc, char** argv) {
  if (argc != 3) return bad_usage("qdtype format host: a style (10, 11, 12 or a %%format) and a value");
  const char* style_text = argv[1];
  long long style = 0;
  const bool percent = style_text[0] == '%';
  if (!percent && !arg_int(style_text, 10, 12, "STYLE", &style)) return 2;
  std::vector<unsigned char> value;
  int code = 0;
  if (int rc = read_calendar(argv[2], true, &value, &code)) return rc;
  // A format's longest text: every two characters of it one 32-bit number.
  std::vector<char> text(percent ? 8 * std::strlen(style_text) + 16 : kStyleText);
  const bool span = code == kTimespanCode;
  const qd_long s = static_cast<qd_long>(style);
  if (percent) {
    span ? qd_ts_format(text.data(), style_text, value.data())
         : qd_dt_format(text.data(), style_text, value.data());
  } else {
    span ? qd_ts_timespan(text.data(), s, value.data()) : qd_dt_dt(text.data(), s, value.data());
  }
  show(text.data(), value.data(), code);
  return 0;
}

int cmd_parse_date(int argc, char** argv) {
  if (argc != 3) return bad_usage("qdtype parse date: a text and a template");
  unsigned char value[24] = {};
  if (str2date(argv[1], value, argv[2]) != 0) return library_error();
  char lit[kLiteralText];
  dt_str(lit, value);
  print("%s\n", lit);
  field("text", lit);
  field("type", range_text(value).c_str());
  field_bytes(value, static_cast<size_t>(dt_size(value)));
  return 0;
}

void tour_line(const char* what, int rc, const char* text) {
  print("  %-44s -> ", what);
  if (rc == 0) {
    print("%s\n", text);
  } else {
    print("refused, error %d\n", rc);
    init_qderr();
  }
}

void tour() {
  std::vector<unsigned char> v(qd::kRecordMax);
  attrtype t{};
  literal_to_binary(v.data(), &t, "datetime[yy:ms](2007-11-28 13:05:07.042)");
  char text[128];
  print("Printing 2007-11-28 13:05:07.042 through templates (English names):\n");
  for (const char* templ : {"YYYY-MO-DD HH24:MI:SS.FFF", "Day, dd Month yyyy hh:mi a.m.",
                            "dy DD.RM.YY \"at\" HH24\"h\"", "ss.ff\" (two digits)\""}) {
    tour_line(templ, date2str(v.data(), text, sizeof text, templ), text);
  }
  tour_line("Day (a buffer of 9 bytes)", date2str(v.data(), text, 9, "Day"), text);
  print("Reading through templates; leading elements may be left out:\n");
  const char* const reads[][2] = {{"28 November 2007", "dd Month yyyy"},
                                  {"7.3.51", "dd.mm.yy"},
                                  {"05.2007", "dd.mm.yyyy"},
                                  {"12:30 am", "hh:mi am"},
                                  {"2007-02-30", "yyyy-mm-dd"}};
  for (const auto& r : reads) {
    unsigned char d[24];
    char what[64], lit[kLiteralText] = "";
    std::snprintf(what, sizeof what, "%s  as  %s", r[0], r[1]);
    const int rc = str2date(r[0], d, r[1]);
    if (rc == 0) dt_str(lit, d);
    tour_line(what, rc, lit);
  }
  print("The host's display styles 10, 11 and 12, and a timespan:\n");
  for (int style = 10; style <= 12; ++style) {
    char what[16];
    std::snprintf(what, sizeof what, "style %d", style);
    tour_line(what, 0, qd_dt_dt(text, style, v.data()));
  }
  literal_to_binary(v.data(), &t, "-timespan[dd:ms](3 4:05:06.007)");
  tour_line("-timespan[dd:ms](3 4:05:06.007)", 0, qd_ts_timespan(text, 0, v.data()));
}

}  // namespace
}  // namespace qdtype

QDTYPE_SUBCOMMAND("format", "date", "VALUE TEMPLATE",
                  "print a datetime literal through a date template (English names)",
                  qdtype::cmd_format_date,
                  "format date datetime[yy:dd](2007-11-28) Day,dd.Month.yyyy");
QDTYPE_SUBCOMMAND("format", "host", "STYLE VALUE",
                  "a datetime or timespan literal in display style 10, 11 or 12, or "
                  "through a %format (%y %m %d %H %M %S %F, %- the sign)",
                  qdtype::cmd_format_host, "format host 10 datetime[hh:mi](13:05)");
QDTYPE_SUBCOMMAND("parse", "date", "TEXT TEMPLATE",
                  "read a datetime through a date template (English names)",
                  qdtype::cmd_parse_date, "parse date 28.Nov.2007 dd.Mon.yyyy");
QDTYPE_TOUR(62, "Date templates and the host's display forms", qdtype::tour);
