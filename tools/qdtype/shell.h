// shell.h: what the shell (shell.cpp) and the dispatcher (main.cpp) share.
#pragma once

#include <string>
#include <vector>

namespace qdtype {

// main.cpp: splits a line into words: blanks separate, '...' and "..." quote, '#' starts a
// comment. false for an unbalanced quote.
bool split_words(const std::string& line, std::vector<std::string>* words);
// main.cpp: one line of a script or of the shell run as a command line ('...' and "..."
// quote blanks, # starts a comment); its exit status, 0 for a blank or comment line.
// from names the reader ("-", "shell") in the message about an unbalanced quote.
int run_line(const std::string& line, const char* from);
// main.cpp: the command names, sorted.
std::vector<const char*> command_names();

// shell.cpp: `qdtype shell`. Its exit status is the last failing command's, as with
// `qdtype -`.
int run_shell();

}  // namespace qdtype
