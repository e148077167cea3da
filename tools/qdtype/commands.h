// commands.h: how qdtype's commands and tour steps register themselves, and how a
// command hands back its results and failures.
//
// Each command file defines its commands with QDTYPE_COMMAND and its tour steps with
// QDTYPE_TOUR; they all land in the one command table that main.cpp dispatches from,
// so adding a command never touches another file.
//
// Conventions every command follows (main.cpp enforces the streams):
//  - results are written with print() and described for --format=json with the field
//    functions; they reach standard output only when the command succeeds, so a failing
//    command leaves standard output empty;
//  - failures return through library_error() (exit status 1, the thread's error report
//    in words), failure() (1, a failure the library does not report) or bad_usage() (2;
//    the usage line is added); all of them go to standard error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "qdtype32/qdtype32.h"

// The tool's printf-style functions take the C99 conversions (%zu, %lld) on every
// platform; on Windows the build selects MinGW's C99 printf, which GCC checks as
// gnu_printf.
#if defined(__MINGW32__)
#define QDTYPE_PRINTF __attribute__((format(gnu_printf, 1, 2)))
#else
#define QDTYPE_PRINTF __attribute__((format(printf, 1, 2)))
#endif

namespace qdtype {

// A command gets the words after its name; it returns the process exit status
// (0 success, 1 the operation failed, 2 bad usage).
using CommandFn = int (*)(int argc, char** argv);
using TourFn = void (*)();

struct Command {
  const char* name;
  const char* usage;  // the words after the name, for the help text
  const char* help;   // one line
  CommandFn run;
  // For `qdtype help NAME`: one line per argument, an example command line (the words
  // after "qdtype") and what a result shows.
  const char* arguments = nullptr;
  const char* example = nullptr;
  const char* prints = nullptr;
};

struct TourStep {
  int order;  // steps run in ascending order
  const char* title;
  TourFn run;
};

bool register_command(const Command& c);
bool register_tour_step(const TourStep& s);

// ---- Results ----------------------------------------------------------------------------

// Text of the current result (what the text format prints).
void print(const char* format, ...) QDTYPE_PRINTF;
// Fields of the current result in --format=json (a later field of the same name wins;
// a null text is JSON's null).
void field(const char* name, const char* text);
void field(const char* name, long long number);
void field_bool(const char* name, bool yes);
void field_numbers(const char* name, const long long* numbers, size_t count);
// "type": the descriptor's text form.
void field_type(const attrtype& t);
// "bytes": the stored bytes, in hexadecimal.
void field_bytes(const void* data, size_t size);
// Ends the current result; what follows starts the next one.
void next_result();
bool json_output();

// ---- Failures: each returns the exit status for the command to return -------------------

// 1: the calling thread's error report, with the error's number and name; the report is
// started afresh for the next command.
int library_error();
// 1: a failure the library does not report, in a clear message.
int failure(const char* format, ...) QDTYPE_PRINTF;
// 2: a bad argument; the usage line of the command follows the message.
int bad_usage(const char* format, ...) QDTYPE_PRINTF;

// Tour steps show an error report as part of the result instead: the report, started
// afresh afterwards.
void print_error_report();
// Starts a fresh error report for the calling thread. Starting a report clears errno, so
// it is done before each command, each tour step and after each trace_pop, never after
// the work that may fail: the operating system's cause of a failure then stays in errno
// until the failure is recorded, and the report shows it.
void start_error_report();

// ---- Strict arguments ----------------------------------------------------------------

// A value of type t read from its text into out (stored form, as the library keeps it):
// integers and bool in their ranges, double and float finite, decimals that fit the
// descriptor, texts, hexadecimal byte strings and 0/1 bit strings within its length,
// datetimes and timespans as their fields separated by - : . or blanks (a leading -
// makes a negative timespan). "null" is the SQL null when null is given. 0, or the exit
// status after the failure was reported.
int read_value(const char* text, const attrtype& t, std::vector<unsigned char>* out,
               bool* null = nullptr);

// A whole decimal integer from low to high; otherwise false after bad_usage naming what.
bool arg_int(const char* text, long long low, long long high, const char* what,
             long long* out);
// A type descriptor exactly as the library writes it (case aside; "string" for char(*)),
// with parameters the library can hold: lengths 1..the type's maximum, numeric precision
// 1..30 with scale 0..precision, ranges from a larger to a smaller field. Otherwise false
// after bad_usage explaining why.
bool arg_type(const char* text, attrtype* t);

}  // namespace qdtype

#define QDTYPE_CONCAT2(a, b) a##b
#define QDTYPE_CONCAT(a, b) QDTYPE_CONCAT2(a, b)
// QDTYPE_COMMAND(name, usage, help, fn[, arguments, example, prints])
#define QDTYPE_COMMAND(name, usage, help, ...)             \
  static const bool QDTYPE_CONCAT(qdtype_cmd_, __LINE__) = \
      ::qdtype::register_command({name, usage, help, __VA_ARGS__})
#define QDTYPE_TOUR(order, title, fn)                       \
  static const bool QDTYPE_CONCAT(qdtype_tour_, __LINE__) = \
      ::qdtype::register_tour_step({order, title, fn})
