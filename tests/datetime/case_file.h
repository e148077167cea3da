// case_file.h: reads the case files under tests/data, one case a line, for every test program.
//
// A line holds fields separated by blanks; '#' outside quotes starts a comment, and blank
// lines are skipped. A field written in "..." keeps its blanks ("" is the empty text). In
// and out of quotes, \xNN is the byte NN, \t \n \r are tab, newline and carriage return,
// and \\ and \" stand for themselves.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace qdcase {

using Row = std::vector<std::string>;

inline std::vector<Row> split_lines(const std::string& text) {
  std::vector<Row> rows(1);
  std::string field;
  bool in_field = false, quoted = false, comment = false;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '\n';
    const bool ends_line = c == '\n', blank = c == ' ' || c == '\t' || c == '\r';
    comment = !ends_line && (comment || (c == '#' && !quoted));
    if ((comment || ends_line || blank) && !quoted) {
      if (in_field) rows.back().push_back(field);
      if (ends_line && !rows.back().empty()) rows.emplace_back();
      field.clear(), in_field = false;
    } else if (c == '"') {
      quoted = !quoted, in_field = true;
    } else if (c == '\\' && i + 1 < text.size() && text[++i] == 'x') {
      field += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2, in_field = true;
    } else {
      const char e = text[i];  // the byte after a backslash, or c itself
      field += c != '\\' ? c : e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
      in_field = true;
    }
  }
  rows.pop_back();
  return rows;
}

// The cases of tests/data/<name>, each with `fields` fields. A file that cannot be read,
// holds no case or has a row of another width fails the calling test.
inline std::vector<Row> read_cases(const std::string& name, size_t fields) {
  std::ifstream in(std::string(QD_TEST_DATA_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.is_open()) << "cannot read " << name;
  std::vector<Row> rows = split_lines({std::istreambuf_iterator<char>(in), {}});
  EXPECT_FALSE(rows.empty()) << name << " holds no case";
  for (const Row& r : rows) EXPECT_EQ(r.size(), fields) << name << ": " << r[0];
  std::erase_if(rows, [fields](const Row& r) { return r.size() != fields; });
  return rows;
}

// A decimal number field.
inline long long num(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 10); }

}  // namespace qdcase
