// errtext.cpp: message and function-id texts from the installation's catalogue files
// "qderror.h" and "qdfid.h", and the clean-up of their comment blocks.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/byteio.h"
#include "base/limits.h"
#include "status/status_internal.h"

namespace qd {
namespace {

constexpr char kMessageFile[] = "qderror.h";
constexpr char kFunctionFile[] = "qdfid.h";
enum class Scan { kNoFile, kNoEntry, kFound };

// Finds entry `number` in `file`; on a match its name and text (at most 299
// characters in all) are stored in out.
Scan scan_catalog(const char* path, long number, CatalogEntry* out) {
  out->name[0] = 0;
  out->text[0] = 0;
  FILE* f = std::fopen(path, "rb");
  if (!f) return Scan::kNoFile;
  CatalogLine line;
  bool found = false;
  while (!found && read_catalog_line(f, &line)) {
    if (line.define && line.number == number) {
      std::memcpy(out->name, line.name, sizeof out->name);
      found = true;
    }
  }
  if (!found) {
    std::fclose(f);
    out->name[0] = 0;
    return Scan::kNoEntry;
  }
  size_t len = 0;
  while (read_catalog_line(f, &line) && !line.define) {
    size_t n = std::strlen(line.text);
    if (n > kCatalogTextMax - len) n = kCatalogTextMax - len;
    std::memcpy(out->text + len, line.text, n);
    len += n;
  }
  out->text[len] = 0;
  std::fclose(f);
  return Scan::kFound;
}

// "\n" and "\t" written in a message become a blank and a line break or tab.
void replace_escapes(char* text) {
  for (char* p = text; p[0] && p[1]; ++p) {
    if (p[0] == '\\' && (p[1] == 'n' || p[1] == 't')) {
      p[1] = p[1] == 'n' ? '\n' : '\t';
      p[0] = ' ';
      ++p;
    }
  }
}

}  // namespace

ErrnoKeeper::ErrnoKeeper() : saved_(errno) {}
ErrnoKeeper::~ErrnoKeeper() { errno = saved_; }

bool lookup_message(int errnum, char* report, CatalogEntry* out) {
  ErrnoKeeper keep;
  char path[kPathMax];
  status_install_path(path, sizeof path, nullptr, kMessageFile);
  switch (scan_catalog(path, errnum, out)) {
    case Scan::kNoFile: {
      static constexpr char kLine[] = "For error %d, error output failed: can't open file %s\n";
      const Arg args[] = {make_arg(errnum), make_arg(+path)};
      PackSource src(args, 2);
      if (report) append_format(report, kReportSize, kLine, src);
      trace_output(report, kLine, src);
      return false;
    }
    case Scan::kNoEntry:
      if (report) {
        append_values(report, kReportSize,
                      "For error %d, error output failed: did not find message in file %s\n",
                      errnum, kMessageFile);
      }
      return false;
    case Scan::kFound:
      replace_escapes(out->text);
      return true;
  }
  return false;
}

bool lookup_function(int fid, char* report, CatalogEntry* out) {
  ErrnoKeeper keep;
  char path[kPathMax];
  status_install_path(path, sizeof path, nullptr, kFunctionFile);
  switch (scan_catalog(path, fid, out)) {
    case Scan::kNoFile: {
      const Arg args[] = {make_arg(+path)};
      PackSource src(args, 1);
      trace_output(report, "trace : can't open %s\n", src);
      return false;
    }
    case Scan::kNoEntry:
      return false;
    case Scan::kFound:
      return true;
  }
  return false;
}

void clean_comment(char* text) {
  const char* in = text;
  char* out = text;
  while (*in == ' ' || *in == '\t' || *in == '\n') ++in;
  int indent = 0;
  while (*in) {
    if (in[0] == '/' && in[1] == '*') {
      const char* start = in;
      in += 2;
      while (*in == ' ' || *in == '\t') ++in;
      indent = static_cast<int>(in - start);
      continue;
    }
    if (in[0] == '*' && in[1] == '/') {
      in += 2;
      while (*in == ' ' || *in == '\t' || *in == '\n' || *in == '\r') ++in;
      *out++ = '\n';
      indent = 0;
      continue;
    }
    const char c = *in++;
    *out++ = c;
    if (c == '\n') {
      for (int i = 0; i < indent && *in == ' '; ++i) ++in;
    }
  }
  *out = 0;
}

}  // namespace qd
