// output.h: what the dispatcher (main.cpp) needs of output.cpp beyond commands.h.
#pragma once

#include <string>

namespace qdtype {

// Starts collecting the results and failures of one command run; usage is the words
// after the command's name in its usage line (null: no usage line).
void run_begin(const char* command, const char* usage, bool json);
// Forgets the fields of the current result (the tour keeps only its own).
void drop_fields();
// Writes them out: results to standard output when status is 0, else the failure to
// standard error (with the usage line for status 2). Returns status.
int run_end(int status);
// s as a JSON string literal; bytes that are not well-formed UTF-8 are escaped as the
// characters of the same numbers, so the output always parses.
std::string json_string(const std::string& s);

}  // namespace qdtype
