// cmd_tuple.cpp: qdtype tuple, a row laid out as the kernel stores it (constr_tup), with
// its offset table, filler words, fields and padding annotated, under each alignment
// setting.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"

namespace qdtype {
namespace {

constexpr size_t kShownBytes = 16;  // a longer field shows its first bytes and its size

struct Column {
  attrtype type;
  std::string text;  // the argument's value text (empty for a template field)
  bool null = false;
  std::vector<unsigned char> value;
};

uint16_t word(const unsigned char* t, size_t at) {
  return static_cast<uint16_t>(t[at] | t[at + 1] << 8);
}

// One annotated line: byte range, bytes in hexadecimal, what they are.
void line(const unsigned char* t, size_t at, size_t n, const std::string& meaning) {
  std::string hex;
  char b[8];
  for (size_t i = 0; i < n && i < kShownBytes; ++i) {
    std::snprintf(b, sizeof b, "%s%02x", i ? " " : "", t[at + i]);
    hex += b;
  }
  if (n > kShownBytes) hex += " ...";
  char range[24];
  if (n <= 1) {
    std::snprintf(range, sizeof range, "%zu", at);
  } else {
    std::snprintf(range, sizeof range, "%zu-%zu", at, at + n - 1);
  }
  print("  %-11s %-48s %s\n", range, n ? hex.c_str() : "-", meaning.c_str());
}

std::string type_name(attrtype t) {
  char buf[64];
  return attr_to_txt(&t, 1, buf);
}

// The tuple under one setting: 0, or the library's error after it was recorded.
int show(const std::vector<Column>& columns, bool templated, int align) {
  const int n = static_cast<int>(columns.size());
  std::vector<attrtype> types;
  std::vector<void*> values;
  for (const Column& c : columns) {
    types.push_back(c.type);
    values.push_back(c.null ? nullptr : const_cast<unsigned char*>(c.value.data()));
  }
  // Bytes the library does not write stay zero.
  std::vector<unsigned char> tuple(QD_TUPLE_MAX, 0);
  qdxglob_record& settings = *get_qdxglob_adr();
  const int32_t saved = settings.tuple_align;
  settings.tuple_align = align;
  const int rc = constr_tup(n, templated ? nullptr : values.data(), types.data(), tuple.data());
  settings.tuple_align = saved;
  if (rc != 0) return rc;

  const unsigned char* t = tuple.data();
  const size_t table = 2 * static_cast<size_t>(n) + 2, length = word(t, 2 * n);
  std::vector<long long> offsets;
  std::string listed;
  for (int i = 0; i <= n; ++i) {
    offsets.push_back(word(t, 2 * i));
    listed += (i ? " " : "") + std::to_string(offsets.back());
  }
  print("align %d: %zu bytes\n", align, length);
  line(t, 0, table, "offsets " + listed);
  // Between the table and the first field start: filler words holding n, unless a field
  // that needs no alignment starts right after the table.
  const size_t filler_end =
      align == 0 ? table
                 : (table + (align == 8 ? 7 : 3)) / (align == 8 ? 8 : 4) * (align == 8 ? 8 : 4);
  auto gap = [&](size_t from, size_t to) {
    if (to > from)
      line(t, from, to - from,
           from < filler_end ? "filler (n = " + std::to_string(n) + ")" : "padding");
  };
  size_t at = table;
  for (int i = 0; i < n; ++i) {
    const size_t start = word(t, 2 * i), end = word(t, 2 * i + 2);
    const std::string what = "field " + std::to_string(i) + " " + type_name(columns[i].type);
    gap(at, start);
    at = std::max(at, start);
    if (start == end) {
      line(t, start, 0, what + " null");
      continue;
    }
    // The field's own bytes: the value's size; the rest up to the next offset pads.
    attrtype type = columns[i].type;
    // A template datetime holds the current datetime cast to its range (all of it when
    // the descriptor gives none).
    const size_t own = !templated       ? columns[i].value.size()
                       : type.code == 8 ? static_cast<size_t>(dt_size(t + start))
                                        : static_cast<size_t>(size_attrtype(&type));
    const size_t size = std::min(end - start, own);
    line(t, start, size, what + (templated ? " (template)" : " " + columns[i].text));
    at = start + size;
  }
  gap(at, length);

  field("align", static_cast<long long>(align));
  field("length", static_cast<long long>(length));
  field_numbers("offsets", offsets.data(), offsets.size());
  field_bytes(t, length);
  next_result();
  return 0;
}

int cmd_tuple(int argc, char** argv) {
  std::vector<int> settings = {0, 4, 8};
  std::vector<Column> columns;
  int templates = 0;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strncmp(arg, "--align=", 8) == 0) {
      const std::string a = arg + 8;
      if (a != "0" && a != "4" && a != "8") {
        return bad_usage("qdtype tuple: --align takes 0, 4 or 8, not '%s'", a.c_str());
      }
      settings = {std::stoi(a)};
      continue;
    }
    Column c;
    const char* eq = std::strchr(arg, '=');
    const std::string type_text = eq ? std::string(arg, eq) : std::string(arg);
    if (!arg_type(type_text.c_str(), &c.type)) return 2;
    if (eq) {
      c.text = eq + 1;
      if (int rc = read_value(eq + 1, c.type, &c.value, &c.null)) return rc;
    } else {
      ++templates;
    }
    columns.push_back(std::move(c));
  }
  if (columns.empty()) return bad_usage("qdtype tuple: at least one TYPE=VALUE");
  if (templates != 0 && templates != static_cast<int>(columns.size())) {
    return bad_usage("qdtype tuple: either every field has a value or none (a template)");
  }
  for (int align : settings) {
    if (show(columns, templates != 0, align) != 0) return library_error();
  }
  return 0;
}

void tour_tuple() {
  const char* rows[][5] = {{"integer=7", "char(3)=abc", "smallint=2", nullptr, nullptr},
                           {"tinyint=5", "integer=null", "double=2.5", nullptr, nullptr},
                           {"--align=4", "char(5)", "numeric(10,2)", "bits(12)", nullptr}};
  for (auto& row : rows) {
    int n = 0;
    while (n < 5 && row[n]) ++n;
    cmd_tuple(n, const_cast<char**>(row));
  }
}

}  // namespace

QDTYPE_COMMAND("tuple", "[--align=0|4|8] TYPE=VALUE ...",
               "a row laid out as a stored tuple: offsets, fillers, fields, padding", cmd_tuple,
               "--align     the alignment setting: 0 none, 4 up to four bytes, 8 up to eight\n"
               "            (default: the tuple under each of the three)\n"
               "TYPE=VALUE  a field: its descriptor and its value, read as qdtype bytes reads\n"
               "            it; null makes a null field. TYPE alone in every field builds a\n"
               "            template row of default values",
               "tuple integer=7 char(3)=abc smallint=2",
               "per setting: the length, then one line per part with its byte range, its\n"
               "bytes in hexadecimal and what it is: the offset table, the filler words\n"
               "(holding the field count), each field (null fields have no bytes) and padding");
QDTYPE_TOUR(96, "Stored rows under the three alignment settings (qdtype tuple)", tour_tuple);

}  // namespace qdtype
