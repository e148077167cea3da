// main.cpp: qdtype, the command-line tool over the type library: the command table, the
// dispatcher with its output conventions, help, the tour and script input.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "output.h"
#include "shell.h"
#include "templates.h"
#include "qdtype32/qdtype32.h"
#include "platform/platform.h"
#include "status/status_internal.h"

namespace qdtype {
namespace {

// The one command table: every command file registers its commands here.
std::vector<Command>& commands() {
  static std::vector<Command> list;
  return list;
}

std::vector<TourStep>& tour_steps() {
  static std::vector<TourStep> list;
  return list;
}

const Command* find_command(const char* name) {
  for (const Command& c : commands()) {
    if (std::strcmp(c.name, name) == 0) return &c;
  }
  return nullptr;
}

std::vector<Command> sorted_commands() {
  std::vector<Command> sorted = commands();
  std::sort(sorted.begin(), sorted.end(),
            [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
  return sorted;
}

void overview(FILE* out) {
  std::fprintf(out,
               "usage: qdtype [--format=text|json] COMMAND [ARGS]   (COMMAND --help for one)\n"
               "       qdtype [--format=text|json] -                 (commands from stdin)\n"
               "       qdtype [--format=text|json] shell             (interactive)\n"
               "       qdtype --version\n\ncommands:\n");
  for (const Command& c : sorted_commands()) {
    char head[128];
    std::snprintf(head, sizeof head, "%s %s", c.name, c.usage);
    std::fprintf(out, "  %-34s %s\n", head, c.help);
  }
}

// The help of one command, indented blocks under headings.
void command_help(const Command& c) {
  auto block = [](const char* heading, const char* text, const char* prefix) {
    if (!text || !*text) return;
    print("%s:\n", heading);
    for (const char* p = text; *p;) {
      const char* nl = std::strchr(p, '\n');
      const int n = static_cast<int>(nl ? nl - p : static_cast<long>(std::strlen(p)));
      print("  %s%.*s\n", prefix, n, p);
      p += n + (nl ? 1 : 0);
    }
  };
  print("usage: qdtype %s%s%s\n  %s\n", c.name, *c.usage ? " " : "", c.usage, c.help);
  block("arguments", c.arguments, "");
  block("example", c.example, "qdtype ");
  block("prints", c.prints, "");
  field("name", c.name);
  field("synopsis", c.usage);
}

int cmd_help(int argc, char** argv) {
  if (argc > 1) return bad_usage("qdtype help: one command name at most");
  if (argc == 0) {
    for (const Command& c : sorted_commands()) {
      print("%-10s %s %s\n", c.name, c.usage, c.help);
    }
    return 0;
  }
  const Command* c = find_command(argv[0]);
  if (!c) return bad_usage("qdtype help: no command '%s'", argv[0]);
  command_help(*c);
  return 0;
}

int cmd_tour(int argc, char**) {
  if (argc != 0) return bad_usage("qdtype tour: no arguments");
  std::vector<TourStep> steps = tour_steps();
  // Error reports name the user and the machine; the tour's name a made-up pair, so it
  // prints the same wherever it runs.
  std::snprintf(qdxglob_val.header_name1, sizeof qdxglob_val.header_name1, "user");
  std::snprintf(qdxglob_val.header_name2, sizeof qdxglob_val.header_name2, "host");
  std::stable_sort(steps.begin(), steps.end(),
                   [](const TourStep& a, const TourStep& b) { return a.order < b.order; });
  for (const TourStep& s : steps) {
    print("== %s\n", s.title);
    start_error_report();
    s.run();
    print("\n");
    drop_fields();
    field("step", s.title);
    next_result();
  }
  return 0;
}

int cmd_version(int argc, char**) {
  if (argc != 0) return bad_usage("qdtype --version: no arguments");
  // The library's own version line; its release text comes from the one project
  // version of the build, as the installed library's file name does.
  print("qdtype, %d-bit build\n%s\n", static_cast<int>(8 * sizeof(void*)), qd::version_line());
  field("bits", static_cast<long long>(8 * sizeof(void*)));
  field("version_line", qd::version_line());
  return 0;
}

bool g_json = false;

// Runs one command line (the command's name first); the exit status.
int run(int argc, char** argv) {
  const Command* c = find_command(argv[0]);
  if (!c) {
    run_begin(argv[0], nullptr, g_json);
    bad_usage("qdtype: unknown command '%s' (qdtype help lists them)", argv[0]);
    return run_end(2);
  }
  run_begin(c->name, c->usage, g_json);
  std::vector<char*> args(argv + 1, argv + argc);
  const bool help = std::any_of(args.begin(), args.end(),
                                [](char* a) { return std::strcmp(a, "--help") == 0; });
  if (help) {
    command_help(*c);
    return run_end(0);
  }
  start_error_report();
  return run_end(c->run(static_cast<int>(args.size()), args.data()));
}

}  // namespace

bool split_words(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  std::string word;
  bool in_word = false;
  char quote = 0;
  for (char ch : line) {
    if (quote) {
      if (ch == quote) {
        quote = 0;
      } else {
        word += ch;
      }
    } else if (ch == '\'' || ch == '"') {
      quote = ch;
      in_word = true;
    } else if (ch == ' ' || ch == '\t' || ch == '\r') {
      if (in_word) words->push_back(word);
      word.clear();
      in_word = false;
    } else if (ch == '#' && !in_word) {
      break;
    } else {
      word += ch;
      in_word = true;
    }
  }
  if (in_word) words->push_back(word);
  return quote == 0;
}

// One line of a script or of the shell, run as a command line; 0 for a blank or comment
// line. from names the reader in the message about an unbalanced quote.
int run_line(const std::string& line, const char* from) {
  std::vector<std::string> words;
  if (!split_words(line, &words)) {
    run_begin(from, "", g_json);
    bad_usage("qdtype %s: unbalanced quote in '%s'", from, line.c_str());
    return run_end(2);
  }
  if (words.empty()) return 0;
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  return run(static_cast<int>(argv.size()), argv.data());
}

std::vector<const char*> command_names() {
  std::vector<const char*> names;
  for (const Command& c : sorted_commands()) names.push_back(c.name);
  return names;
}

namespace {

// `qdtype -`: one command per line of standard input; each prints its results and a
// failure does not stop the rest. The exit status is the last failing command's.
int run_script() {
  int status = 0;
  for (std::string line; std::getline(std::cin, line);) {
    const int rc = run_line(line, "-");
    if (rc != 0) status = rc;
  }
  return status;
}

int cmd_script_dummy(int, char**) { return bad_usage("qdtype -: takes no arguments"); }

// Shows a command line of the tool and what it writes (both streams) and returns.
int show_line(const char* line) {
  print("$ qdtype %s\n", line);
  std::vector<std::string> words;
  split_words(line, &words);
  std::vector<char*> argv;
  const bool saved = g_json;
  for (std::string& w : words) {
    if (w == "--format=json") {
      g_json = true;
    } else {
      argv.push_back(w.data());
    }
  }
  const int rc = run(static_cast<int>(argv.size()), argv.data());
  g_json = saved;
  return rc;
}

void tour_tool() {
  print("The tool's own conventions: results on standard output, reports and usage on\n"
        "standard error; exit status 0, 1 (the library reported an error) or 2 (usage).\n");
  show_line("--version");
  show_line("help weekday");
  show_line("--format=json weekday 1582 10 15");
  print("(exit status %d)\n", show_line("weekday 1582 10 10"));
  print("(exit status %d)\n", show_line("compare 300 tinyint 1 integer"));
  print("With -, commands come one per line from standard input; each runs as if alone,\n"
        "and the exit status is the last failing command's:\n");
  int status = 0;
  for (const char* line : {"calc 1 + 2", "calc 1 / 0", "cast 12.345 numeric(5,2)"}) {
    const int rc = show_line(line);
    if (rc != 0) status = rc;
  }
  print("(exit status %d)\n", status);
  print("qdtype shell reads the same commands at a prompt, with line editing and history;\n"
        "quit leaves it.\n");
}

}  // namespace

bool register_command(const Command& c) {
  commands().push_back(c);
  return true;
}

bool register_tour_step(const TourStep& s) {
  tour_steps().push_back(s);
  return true;
}

}  // namespace qdtype

QDTYPE_COMMAND("help", "[COMMAND]", "the commands, or one command's synopsis and example",
               qdtype::cmd_help, "COMMAND  a command name; without it, every command in a line",
               "help calc", "the usage line, the arguments, an example and what a result shows");
QDTYPE_COMMAND("tour", "", "a short tour of what the library does", qdtype::cmd_tour, nullptr,
               "tour", "one section per part of the library, each titled with ==");
QDTYPE_COMMAND("--version", "", "the library's version and whether the build is 32- or 64-bit",
               qdtype::cmd_version, nullptr, "--version",
               "a line with the build's word size, then the version line of error reports");
QDTYPE_COMMAND("-", "", "read commands from standard input, one per line",
               qdtype::cmd_script_dummy,
               "none; each input line is a command with its arguments ('...' or \"...\" quote "
               "blanks, # starts a comment)",
               "- < commands.txt",
               "each command's results as if run alone; the exit status is the last failing "
               "command's");

QDTYPE_TOUR(99, "The tool in scripts: --version, help, --format=json, exit statuses, -",
            qdtype::tour_tool);

int main(int argc, char** argv) {
  using namespace qdtype;
  fill_english_settings();
  // A host names itself in its error reports: the user and the machine.
  if (!qd::plat::user_name(qdxglob_val.header_name1, sizeof qdxglob_val.header_name1)) {
    std::snprintf(qdxglob_val.header_name1, sizeof qdxglob_val.header_name1, "qdtype");
  }
  if (!qd::plat::host_name(qdxglob_val.header_name2, sizeof qdxglob_val.header_name2)) {
    std::snprintf(qdxglob_val.header_name2, sizeof qdxglob_val.header_name2, "localhost");
  }
  // --format anywhere on the line applies to the whole run.
  std::vector<char*> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--format=json") == 0) {
      g_json = true;
    } else if (std::strcmp(argv[i], "--format=text") == 0) {
      g_json = false;
    } else if (std::strncmp(argv[i], "--format", 8) == 0) {
      std::fprintf(stderr, "qdtype: the format is --format=text or --format=json\n");
      overview(stderr);
      return 2;
    } else {
      args.push_back(argv[i]);
    }
  }
  if (args.empty()) {
    overview(stderr);
    return 2;
  }
  if (std::strcmp(args[0], "--help") == 0 && args.size() == 1) {
    overview(stdout);
    return 0;
  }
  if (std::strcmp(args[0], "help") == 0 && args.size() == 1 && !g_json) {
    overview(stdout);
    return 0;
  }
  if (std::strcmp(args[0], "-") == 0 && args.size() == 1) return run_script();
  if (std::strcmp(args[0], "shell") == 0 && args.size() == 1) return run_shell();
  return run(static_cast<int>(args.size()), args.data());
}
