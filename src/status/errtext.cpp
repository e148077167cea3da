// errtext.cpp: message and function-id texts from the installation's catalogue files
// "qderror.h" and "qdfid.h", and the clean-up of their comment blocks.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/byteio.h"
#include "platform/platform.h"
#include "status/status_internal.h"

namespace qd {
namespace {

constexpr char kMessageFile[] = "qderror.h";
constexpr char kFunctionFile[] = "qdfid.h";
constexpr size_t kLineMax = 299;  // characters of a catalogue line that count
constexpr size_t kPathMax = 1024;

// One line, cut to kLineMax characters (the rest of a longer line is skipped), with its
// newline kept when it had one. False at the end of the file.
bool read_line(FILE* f, char* line) {
  size_t n = 0;
  int c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\r') continue;  // CRLF files read like LF files
    if (n < kLineMax) line[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  line[n] = 0;
  return any;
}

bool starts_define(const char* line) { return std::strncmp(line, "#define", 7) == 0; }

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Reads "#define NAME NUMBER": the name (cut) into name, the number (0 if none).
long parse_define(const char* line, char* name, size_t name_size) {
  const char* p = line + 7;
  while (is_blank(*p)) ++p;
  size_t n = 0;
  while (*p && !is_blank(*p) && *p != '\n' && *p != '\r') {
    if (n + 1 < name_size) name[n++] = *p;
    ++p;
  }
  name[n] = 0;
  while (is_blank(*p)) ++p;
  return std::strtol(p, nullptr, 10);
}

enum class Scan { kNoFile, kNoEntry, kFound };

// Finds entry `number` in `file`; on a match its name and text (at most 299
// characters in all) are stored in out.
Scan scan_catalog(const char* path, long number, CatalogEntry* out) {
  out->name[0] = 0;
  out->text[0] = 0;
  FILE* f = plat::regular_file_read(path);
  if (!f) return Scan::kNoFile;
  char line[kLineMax + 2];
  bool found = false;
  while (!found && read_line(f, line)) {
    if (starts_define(line) && parse_define(line, out->name, sizeof out->name) == number) {
      found = true;
    }
  }
  if (!found) {
    std::fclose(f);
    out->name[0] = 0;
    return Scan::kNoEntry;
  }
  size_t len = 0;
  while (read_line(f, line) && !starts_define(line)) {
    size_t n = std::strlen(line);
    if (n > kCatalogTextMax - len) n = kCatalogTextMax - len;
    std::memcpy(out->text + len, line, n);
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
