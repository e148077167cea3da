// shell.cpp: `qdtype shell`, the tool's commands one line at a time at a prompt.
//
// On a terminal, lines are read through libedit where the build has it: line editing,
// completion of command names and a history kept in $HOME/.qdtype_history. A build
// without libedit reads plain lines at the prompt. When standard input is not a
// terminal, the shell reads as `qdtype -` does, without a prompt, so a script piped
// into it gives the same results, errors and exit status; quit and exit still end it.
#include "shell.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"

#if QDTYPE_LINE_EDITING
#include <editline/readline.h>
#endif

// History lines kept, in memory and in the file (a macro, for the help text as well).
#define QDTYPE_HISTORY_LINES 500
#define QDTYPE_TEXT2(x) #x
#define QDTYPE_TEXT(x) QDTYPE_TEXT2(x)

namespace qdtype {
namespace {

constexpr char kPrompt[] = "qdtype> ";

// quit or exit alone on the line (blanks and a comment aside) leave the shell.
bool leaves(const std::string& line) {
  std::vector<std::string> words;
  return split_words(line, &words) && words.size() == 1 &&
         (words[0] == "quit" || words[0] == "exit");
}

#if QDTYPE_LINE_EDITING

constexpr int kHistoryLines = QDTYPE_HISTORY_LINES;

// The history file, or "" when HOME is not set.
std::string history_path() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.qdtype_history" : std::string();
}

// Command names for the first word of a line (readline's generator protocol: state 0
// starts a new walk, each call hands out one match in memory from malloc).
char* next_command_name(const char* text, int state) {
  static size_t next = 0;
  if (state == 0) next = 0;
  const std::vector<const char*> names = command_names();
  const size_t len = std::strlen(text);
  while (next < names.size()) {
    const char* name = names[next++];
    if (std::strncmp(name, text, len) == 0) return strdup(name);
  }
  return nullptr;
}

char** complete(const char* text, int start, int) {
  rl_attempted_completion_over = 1;  // no file names: only commands complete
  return start == 0 ? rl_completion_matches(text, next_command_name) : nullptr;
}

class Editor {
 public:
  Editor() : path_(history_path()) {
    rl_readline_name = "qdtype";
    rl_attempted_completion_function = complete;
    stifle_history(kHistoryLines);
    if (!path_.empty()) read_history(path_.c_str());
  }
  ~Editor() {
    if (path_.empty()) return;
    write_history(path_.c_str());
    history_truncate_file(path_.c_str(), kHistoryLines);
  }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  bool read(std::string* line) {
    char* got = readline(kPrompt);
    if (!got) return false;
    *line = got;
    std::free(got);
    if (line->find_first_not_of(" \t") != std::string::npos) add_history(line->c_str());
    return true;
  }

 private:
  std::string path_;
};

#else

// Without libedit: plain lines after the prompt.
class Editor {
 public:
  bool read(std::string* line) {
    std::fputs(kPrompt, stdout);
    std::fflush(stdout);
    return static_cast<bool>(std::getline(std::cin, *line));
  }
};

#endif

// Runs lines until quit, exit or the end of input (then *ended, when given, is set);
// the last failing command's status.
template <class Read>
int run_lines(Read read, bool* ended = nullptr) {
  int status = 0;
  for (std::string line;;) {
    if (!read(&line)) {
      if (ended) *ended = true;
      break;
    }
    if (leaves(line)) break;
    const int rc = run_line(line, "shell");
    if (rc != 0) status = rc;
  }
  return status;
}

int cmd_shell_alone(int, char**) {
  return bad_usage("qdtype shell: takes no arguments (each line is a command)");
}

bool input_is_terminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdin)) != 0;
#else
  return isatty(STDIN_FILENO) != 0;
#endif
}

}  // namespace

int run_shell() {
  if (!input_is_terminal()) {
    return run_lines(
        [](std::string* line) { return static_cast<bool>(std::getline(std::cin, *line)); });
  }
  // The greeting is no result: standard error, so --format=json keeps standard output
  // to objects and prompts.
  std::fprintf(stderr, "qdtype shell: help lists the commands, quit or Ctrl-D leaves\n");
  Editor editor;
  bool ended = false;
  const int status = run_lines([&editor](std::string* line) { return editor.read(line); }, &ended);
  if (ended) std::printf("\n");  // the prompt's line, left open by Ctrl-D
  return status;
}

}  // namespace qdtype

#if QDTYPE_LINE_EDITING
#define QDTYPE_SHELL_HELP "commands at a prompt, with line editing and history"
#define QDTYPE_SHELL_READS                                                              \
  "on a terminal lines are edited (libedit), command names complete with Tab, and the " \
  "last " QDTYPE_TEXT(QDTYPE_HISTORY_LINES) " lines are kept in $HOME/.qdtype_history"
#else
#define QDTYPE_SHELL_HELP "commands at a prompt (this build without line editing)"
#define QDTYPE_SHELL_READS \
  "this build has no line editing (built without libedit): lines are read plainly"
#endif

QDTYPE_COMMAND("shell", "", QDTYPE_SHELL_HELP, qdtype::cmd_shell_alone,
               "none; each line is a command with its arguments, as with - ('...' or \"...\" "
               "quote blanks, # starts a comment); help lists the commands; quit, exit or "
               "the end of input leave, a failing command does not\n" QDTYPE_SHELL_READS
               "; from a pipe or a file no prompt is shown",
               "shell",
               "each command's results as if run alone; the exit status is the last failing "
               "command's");
