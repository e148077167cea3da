// output.cpp: the results and failures of one command run, written out by the
// dispatcher in text or JSON once the command has returned.
#include "output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "qdcatalog_gen.h"
#include "status/status_internal.h"

namespace qdtype {
namespace {

struct Result {
  std::string text;
  std::vector<std::pair<std::string, std::string>> fields;  // name, JSON value
  bool used = false;
};

struct Run {
  const char* command = "";
  const char* usage = "";
  bool json = false;
  std::vector<Result> results;
  Result current;
  std::string message;      // failure() and bad_usage()
  bool library = false;     // library_error() was called
  int error_number = 0;
  std::string report;
};

// Runs nest when the tour shows a command line: the inner run's output then becomes
// text of the outer one.
std::vector<Run> g_outer;
Run g_run;

void write_stream(FILE* stream, const std::string& text) {
  if (g_outer.empty()) {
    std::fputs(text.c_str(), stream);
  } else {
    g_outer.back().current.text += text;
    g_outer.back().current.used = true;
  }
}

std::string vformat(const char* format, va_list ap) {
  va_list copy;
  va_copy(copy, ap);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string s(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(s.data(), s.size(), format, ap);
  s.resize(static_cast<size_t>(n));
  return s;
}

void set_field(const char* name, std::string json) {
  g_run.current.used = true;
  for (auto& f : g_run.current.fields) {
    if (f.first == name) {
      f.second = std::move(json);
      return;
    }
  }
  g_run.current.fields.emplace_back(name, std::move(json));
}

const char* error_name(int number) {
  for (const auto& e : qd::catalog::kMessages) {
    if (e.number == number) return e.name;
  }
  return nullptr;
}

std::string json_lines(const std::string& text) {
  std::string out = "[";
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    out += (first ? "" : ",") + json_string(text.substr(at, end - at));
    first = false;
    at = end + 1;
  }
  return out + "]";
}

void write_json(FILE* to, const std::vector<std::pair<std::string, std::string>>& members) {
  std::string line = "{";
  for (size_t i = 0; i < members.size(); ++i) {
    line += (i ? "," : "") + json_string(members[i].first) + ":" + members[i].second;
  }
  line += "}\n";
  write_stream(to, line);
}

}  // namespace

std::string json_string(const std::string& s) {
  std::string out = "\"";
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  char esc[8];
  for (size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c == '\n') {
      out += "\\n";
      ++i;
    } else if (c == '\t') {
      out += "\\t";
      ++i;
    } else if (c < 0x20 || c == 0x7f) {
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      // A well-formed UTF-8 sequence is copied; any other byte stands for the
      // character of the same number, so the output is always valid JSON.
      const int len = c >= 0xf0 && c <= 0xf4 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 && c < 0xe0 ? 2 : 0;
      bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
      for (int k = 1; ok && k < len; ++k) ok = (p[i + k] & 0xc0) == 0x80;
      if (ok && len == 3) {
        const unsigned cp = (c & 0x0fu) << 12 | (p[i + 1] & 0x3fu) << 6;
        ok = cp >= 0x800 && (cp < 0xd800 || cp > 0xdfff);
      }
      if (ok && len == 4) {
        const unsigned cp = (c & 0x07u) << 18 | (p[i + 1] & 0x3fu) << 12;
        ok = cp >= 0x10000 && cp <= 0x10ffff;
      }
      if (ok) {
        out.append(s, i, static_cast<size_t>(len));
        i += static_cast<size_t>(len);
      } else {
        std::snprintf(esc, sizeof esc, "\\u%04x", c);
        out += esc;
        ++i;
      }
    }
  }
  return out + "\"";
}

int write_run(int status);

void print(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  g_run.current.text += vformat(format, ap);
  g_run.current.used = true;
  va_end(ap);
}

void field(const char* name, const char* text) {
  set_field(name, text ? json_string(text) : std::string("null"));
}
void field(const char* name, long long number) { set_field(name, std::to_string(number)); }
void field_bool(const char* name, bool yes) { set_field(name, yes ? "true" : "false"); }

void field_numbers(const char* name, const long long* numbers, size_t count) {
  std::string list = "[";
  for (size_t i = 0; i < count; ++i) list += (i ? "," : "") + std::to_string(numbers[i]);
  set_field(name, list + "]");
}

void field_type(const attrtype& t) {
  char text[64];
  field("type", attr_to_txt(const_cast<attrtype*>(&t), 1, text));
}

void field_bytes(const void* data, size_t size) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    hex += kHex[p[i] >> 4];
    hex += kHex[p[i] & 15];
  }
  field("bytes", hex.c_str());
}

void drop_fields() { g_run.current.fields.clear(); }

void next_result() {
  if (g_run.current.used) g_run.results.push_back(std::move(g_run.current));
  g_run.current = Result{};
}

bool json_output() { return g_run.json; }

int library_error() {
  g_run.library = true;
  g_run.error_number = qd::first_error_number();
  g_run.report = qd_errtxt_adr();
  init_qderr();
  return 1;
}

int failure(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  g_run.message += vformat(format, ap) + "\n";
  va_end(ap);
  return 1;
}

int bad_usage(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  g_run.message += vformat(format, ap) + "\n";
  va_end(ap);
  return 2;
}

void print_error_report() {
  print("%s", qd_errtxt_adr());
  init_qderr();
}

void run_begin(const char* command, const char* usage, bool json) {
  if (g_run.command[0]) g_outer.push_back(std::move(g_run));
  g_run = Run{};
  g_run.command = command;
  g_run.usage = usage;
  g_run.json = json;
}

int run_end(int status) {
  const int rc = write_run(status);
  if (g_outer.empty()) {
    g_run = Run{};
  } else {
    g_run = std::move(g_outer.back());
    g_outer.pop_back();
  }
  return rc;
}

int write_run(int status) {
  next_result();
  const bool has_usage = g_run.usage != nullptr;
  const std::string usage_line =
      has_usage ? std::string("usage: qdtype ") + g_run.command + (*g_run.usage ? " " : "") +
                      g_run.usage
                : std::string();
  if (status == 0) {
    if (g_run.json && g_run.results.empty()) g_run.results.emplace_back();
    for (const Result& r : g_run.results) {
      if (!g_run.json) {
        write_stream(stdout, r.text);
        continue;
      }
      std::vector<std::pair<std::string, std::string>> members = {
          {"command", json_string(g_run.command)}, {"text", json_string(r.text)}};
      members.insert(members.end(), r.fields.begin(), r.fields.end());
      write_json(stdout, members);
    }
    std::fflush(stdout);
    return 0;
  }
  if (status != 2 && !g_run.library && g_run.message.empty()) {
    g_run.message = std::string("qdtype ") + g_run.command + ": the command failed\n";
  }
  if (!g_run.json) {
    write_stream(stderr, g_run.message);
    if (g_run.library) write_stream(stderr, g_run.report);
    if (status == 2 && has_usage) {
      write_stream(stderr, usage_line + "\n(qdtype help " + g_run.command + " tells more)\n");
    }
  } else {
    std::vector<std::pair<std::string, std::string>> members = {
        {"command", json_string(g_run.command)}, {"status", std::to_string(status)}};
    if (!g_run.message.empty()) {
      std::string m = g_run.message;
      m.pop_back();
      members.emplace_back("message", json_string(m));
    }
    if (g_run.library) {
      const char* name = error_name(g_run.error_number);
      std::string error = "{\"number\":" + std::to_string(g_run.error_number) +
                          ",\"name\":" + (name ? json_string(name) : "null") +
                          ",\"report\":" + json_lines(g_run.report) + "}";
      members.emplace_back("error", error);
    }
    if (status == 2 && has_usage) members.emplace_back("usage", json_string(usage_line));
    write_json(stderr, members);
  }
  std::fflush(stderr);
  return status;
}

}  // namespace qdtype
