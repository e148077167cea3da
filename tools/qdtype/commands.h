// commands.h: how qdtype's commands and tour steps register themselves.
//
// Each command file defines its commands with QDTYPE_COMMAND and its tour steps with
// QDTYPE_TOUR; main.cpp finds them through the registry, so adding a command never
// touches another file.
#pragma once

namespace qdtype {

// A command gets the words after its name; it returns the process exit code
// (0 success, 1 the operation failed, 2 bad usage).
using CommandFn = int (*)(int argc, char** argv);
using TourFn = void (*)();

struct Command {
  const char* name;
  const char* usage;  // the words after the name, for the help text
  const char* help;   // one line
  CommandFn run;
};

struct TourStep {
  int order;  // steps run in ascending order
  const char* title;
  TourFn run;
};

bool register_command(const Command& c);
bool register_tour_step(const TourStep& s);

// Starts a fresh error report for the calling thread. Starting a report clears errno, so
// it is done before each command, each tour step and after each trace_pop, never after
// the work that may fail: the operating system's cause of a failure then stays in errno
// until the failure is recorded, and the report shows it.
void start_error_report();
// Prints the calling thread's error report (after a failure) and starts a fresh one.
void print_error_report();

}  // namespace qdtype

#define QDTYPE_CONCAT2(a, b) a##b
#define QDTYPE_CONCAT(a, b) QDTYPE_CONCAT2(a, b)
#define QDTYPE_COMMAND(name, usage, help, fn)              \
  static const bool QDTYPE_CONCAT(qdtype_cmd_, __LINE__) = \
      ::qdtype::register_command({name, usage, help, fn})
#define QDTYPE_TOUR(order, title, fn)                       \
  static const bool QDTYPE_CONCAT(qdtype_tour_, __LINE__) = \
      ::qdtype::register_tour_step({order, title, fn})
