// main.cpp: qdtype, the command-line tool over the type library: the command registry,
// the help text and the tour.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace qdtype {
namespace {

std::vector<Command>& commands() {
  static std::vector<Command> list;
  return list;
}

std::vector<TourStep>& tour_steps() {
  static std::vector<TourStep> list;
  return list;
}

void usage(FILE* out) {
  std::fprintf(out, "usage: qdtype COMMAND [ARGS]\n\ncommands:\n");
  std::fprintf(out, "  %-34s %s\n", "tour", "a short tour of what the library does");
  std::vector<Command> sorted = commands();
  std::sort(sorted.begin(), sorted.end(),
            [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const Command& c : sorted) {
    char head[128];
    std::snprintf(head, sizeof head, "%s %s", c.name, c.usage);
    std::fprintf(out, "  %-34s %s\n", head, c.help);
  }
}

int run_tour() {
  std::vector<TourStep> steps = tour_steps();
  std::stable_sort(steps.begin(), steps.end(),
                   [](const TourStep& a, const TourStep& b) { return a.order < b.order; });
  for (const TourStep& s : steps) {
    std::printf("== %s\n", s.title);
    start_error_report();
    s.run();
    std::printf("\n");
  }
  return 0;
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

void start_error_report() { init_qderr(); }

void print_error_report() {
  std::fputs(qd_errtxt_adr(), stdout);
  start_error_report();
}

}  // namespace qdtype

int main(int argc, char** argv) {
  using namespace qdtype;
  // A host names itself in its error reports: the user and the machine.
  const char* user = std::getenv("USER");
  std::snprintf(qdxglob_val.header_name1, sizeof qdxglob_val.header_name1, "%s",
                user ? user : "qdtype");
  if (gethostname(qdxglob_val.header_name2, sizeof qdxglob_val.header_name2 - 1) != 0) {
    std::snprintf(qdxglob_val.header_name2, sizeof qdxglob_val.header_name2, "localhost");
  }
  if (argc < 2 || std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0) {
    usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "tour") == 0) return run_tour();
  for (const Command& c : commands()) {
    if (std::strcmp(c.name, argv[1]) != 0) continue;
    start_error_report();
    return c.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "qdtype: unknown command '%s'\n\n", argv[1]);
  usage(stderr);
  return 2;
}
