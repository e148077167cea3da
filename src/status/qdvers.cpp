// qdvers.cpp: the version line of every error report, and the catalogue lookups.
#include <cstring>

#include "base/byteio.h"
#include "status/status_internal.h"

#ifndef QD_RELEASE_TEXT
#define QD_RELEASE_TEXT "QDTYPE32"
#endif
#ifndef QD_STATE_TEXT
#define QD_STATE_TEXT "Release $"
#endif

namespace qd {
namespace {

constexpr int month_number(const char* m) {
  constexpr const char* kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  for (int i = 0; i < 12; ++i) {
    if (kMonths[3 * i] == m[0] && kMonths[3 * i + 1] == m[1] && kMonths[3 * i + 2] == m[2]) {
      return i + 1;
    }
  }
  return 0;
}

// The compile date of this file as "year/month/day hh:mm:ss".
struct BuildDate {
  char text[20] = {};
  constexpr BuildDate() {
    const char* d = __DATE__;  // "Mmm dd yyyy"
    const char* t = __TIME__;  // "hh:mm:ss"
    int month = month_number(d);
    text[0] = d[7];
    text[1] = d[8];
    text[2] = d[9];
    text[3] = d[10];
    text[4] = '/';
    text[5] = static_cast<char>('0' + month / 10);
    text[6] = static_cast<char>('0' + month % 10);
    text[7] = '/';
    text[8] = d[4] == ' ' ? '0' : d[4];
    text[9] = d[5];
    text[10] = ' ';
    for (int i = 0; i < 8; ++i) text[11 + i] = t[i];
    text[19] = 0;
  }
};
constexpr BuildDate kBuildDate;

constexpr size_t kVersionLineMax = 67;

}  // namespace

struct VersionLine {
  char text[kVersionLineMax + 1];
  VersionLine() {
    char state[16];
    size_t n = 0;
    for (const char* s = QD_STATE_TEXT; *s && *s != ' ' && *s != '$' && n + 1 < sizeof state; ++s) {
      state[n++] = *s;
    }
    state[n] = 0;
    format_values(text, sizeof text, "%9.9s: %s %10.10s (%s)", "Version", QD_RELEASE_TEXT,
                  kBuildDate.text, +state);
  }
};

const char* version_line() {
  static const VersionLine line;  // built once, on first use
  return line.text;
}

}  // namespace qd
