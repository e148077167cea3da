// types_test_util.h: what several type tests share: descriptors built byte by byte, their
// full text form, a guard that switches forced heap failures off again, and the reader of
// the case files under tests/data/types.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qdtype32/qdtype32.h"
#include "types/bytes_internal.h"

namespace typetest {

// The flag byte is the host's: operations that build a descriptor clear it.
inline attrtype make(int code, int p0 = 0, int p1 = 0) {
  attrtype t = {};
  t.code = static_cast<int16_t>(code);
  t.param[0] = static_cast<uint8_t>(p0);
  t.param[1] = static_cast<uint8_t>(p1);
  t.flag = 0x5a;
  return t;
}
// A descriptor with a 16-bit length parameter.
inline attrtype len(int code, int n) { return make(code, n & 0xff, (n >> 8) & 0xff); }

inline std::string text_of(attrtype t, int full = 1) {
  char buf[64];
  return attr_to_txt(&t, full, buf);
}

struct FailGuard {
  ~FailGuard() { qd::heap_fail_after(-1); }
};

// A number field: decimal, or hexadecimal after "0x".
inline long long num(const std::string& s) {
  return std::stoll(s, nullptr, s.find("0x") == std::string::npos ? 10 : 16);
}

// Bytes written in hex, blank-separated ("04 02 43 21"); other words are skipped.
inline std::vector<uint8_t> hex_bytes(const std::string& s) {
  std::vector<uint8_t> out;
  std::istringstream in(s);
  for (std::string b; in >> b;) {
    if (b.size() == 2 && std::isxdigit(static_cast<unsigned char>(b[0]))) {
      out.push_back(static_cast<uint8_t>(std::stoi(b, nullptr, 16)));
    }
  }
  return out;
}

// A descriptor field: "code", "code,p0,p1" (the two parameter bytes) or "code/n" (a
// 16-bit length).
inline attrtype attr(const std::string& s) {
  size_t slash = s.find('/'), c1 = s.find(','), c2 = s.find(',', c1 + 1);
  if (slash != std::string::npos)
    return len(int(num(s.substr(0, slash))), int(num(s.substr(slash + 1))));
  if (c1 == std::string::npos) return make(int(num(s)));
  return make(int(num(s.substr(0, c1))), int(num(s.substr(c1 + 1, c2 - c1 - 1))),
              int(num(s.substr(c2 + 1))));
}

// The cases of tests/data/types/<name>: one case a line, fields split by '|', blanks
// around a field dropped, '#' starts a comment, blank lines skipped. In double quotes a
// field keeps its blanks, '|' and '#'. Anywhere, \xNN, \t, \n and \<char> give that byte.
// A missing file or one without cases fails the calling test.
using Row = std::vector<std::string>;
inline std::vector<Row> read_cases(const std::string& name) {
  std::vector<Row> rows;
  std::ifstream in(std::string(QD_TEST_DATA_DIR) + "/types/" + name, std::ios::binary);
  EXPECT_TRUE(in.is_open()) << "cannot open " << name;
  std::string line;
  while (std::getline(in, line)) {
    Row row(1);
    size_t keep = 0;  // length of the current field up to its last kept byte
    bool quoted = false, content = false;
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      std::string& f = row.back();
      if (c == '"') {
        quoted = !quoted;
        content = true;
        keep = f.size();
      } else if (!quoted && c == '#') {
        break;
      } else if (!quoted && c == '|') {
        f.resize(keep);
        row.emplace_back();
        keep = 0;
        content = true;
      } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
        if (!f.empty()) f += c;
      } else {
        if (c == '\\' && i + 1 < line.size()) {
          c = line[++i];
          if (c == 'x' && i + 2 < line.size()) {
            c = static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
            i += 2;
          } else if (c == 't') {
            c = '\t';
          } else if (c == 'n') {
            c = '\n';
          }
        }
        f += c;
        keep = f.size();
        content = true;
      }
    }
    row.back().resize(keep);
    if (content) rows.push_back(row);
  }
  EXPECT_FALSE(rows.empty()) << "no cases in " << name;
  return rows;
}

}  // namespace typetest
