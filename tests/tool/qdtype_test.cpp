// Tests of the qdtype tool as scripts use it: exit statuses, which stream carries what,
// standard output empty on failure, commands from standard input, and JSON output that
// a JSON parser reads.
#include <fcntl.h>
#ifndef _WIN32
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#if QD_HAVE_JSON_PARSER
#include <nlohmann/json.hpp>
#endif

#include "test_support.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs qdtype with args (and input on standard input) in dir.
Outcome run(const std::vector<std::string>& args, const std::string& input = "",
            const qdtest::TempDir* dir = nullptr) {
  static qdtest::TempDir scratch;
  const qdtest::TempDir& d = dir ? *dir : scratch;
  const std::string in = d.write("stdin.txt", input);
  const std::string out = d.file("stdout.txt"), err = d.file("stderr.txt");
#ifdef _WIN32
  // The tool's streams write text: its line ends read back as "\n", as elsewhere.
  Outcome o;
  std::string line = "\"" QDTYPE_PATH "\"";
  for (const std::string& a : args) {
    line += " \"";
    for (char c : a) line += c == '"' ? std::string("\\\"") : std::string(1, c);
    line += "\"";
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const auto open = [&](const std::string& path, bool write) {
    return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ,
                       &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  };
  // A start that fails leaves the status at -1, which the tool never exits with: on a
  // loaded machine wine now and then fails to start a process (a CI run saw it once), so
  // such a start is tried once more before the case counts it.
  for (int attempt = 0; attempt < 2 && o.status == -1; ++attempt) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = open(in, false);
    si.hStdOutput = open(out, true);
    si.hStdError = open(err, true);
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
      WaitForSingleObject(pi.hProcess, INFINITE);
      DWORD code = 0;
      GetExitCodeProcess(pi.hProcess, &code);
      o.status = static_cast<int>(code);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError}) CloseHandle(h);
  }
  o.out = qdtest::read_file(out);
  o.err = qdtest::read_file(err);
  qdtest::replace_all(o.out, "\r\n", "\n");
  qdtest::replace_all(o.err, "\r\n", "\n");
  return o;
#else
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  // A cross build (32-bit programs on a host that cannot run them) starts the tool
  // through the build's emulator.
  std::vector<std::string> words = {QDTYPE_PATH};
  if (*QDTYPE_EMULATOR) words.insert(words.begin(), QDTYPE_EMULATOR);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Outcome o;
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  }
  posix_spawn_file_actions_destroy(&actions);
  o.out = qdtest::read_file(out);
  o.err = qdtest::read_file(err);
  return o;
#endif
}

// The command names qdtype help lists, one per line, name first.
std::vector<std::string> command_names() {
  std::vector<std::string> names;
  bool in_list = false;
  for (const std::string& line : qdtest::split(run({"help"}).out, '\n')) {
    if (line == "commands:") {
      in_list = true;
    } else if (in_list && line.size() > 2) {
      names.push_back(qdtest::words(line)[0]);
    }
  }
  return names;
}

TEST(Tool, StatusesAndStreams) {
  for (const auto& c : qdtest::read_cases("tool/runs.txt", 4)) {
    const int status = static_cast<int>(qdtest::num(c[0]));
    const Outcome o = run(qdtest::words(c[3]));
    SCOPED_TRACE("qdtype " + c[3] + "\nstdout: " + o.out + "\nstderr: " + o.err);
    EXPECT_EQ(o.status, status);
    EXPECT_TRUE(c[1] == "-" ? testing::AssertionResult(o.out.empty()) : qdtest::has(o.out, c[1]));
    EXPECT_TRUE(c[2] == "-" ? testing::AssertionResult(o.err.empty()) : qdtest::has(o.err, c[2]));
    if (status != 0) {
      EXPECT_EQ(o.out, "") << "a failing command writes no results";
    }
    if (status == 2 && c[3].rfind("nope", 0) != 0) {
      EXPECT_TRUE(qdtest::has(o.err, "usage: qdtype "));
    }
  }
}

TEST(Tool, EveryCommandHasHelpWithARunnableExample) {
  const std::vector<std::string> names = command_names();
  ASSERT_GE(names.size(), 20u);
  qdtest::TempDir dir;  // examples that write files write them here
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const Outcome help = run({"help", name});
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"usage: qdtype ", "example:", "prints:"}) {
      EXPECT_TRUE(qdtest::has(help.out, part));
    }
    EXPECT_EQ(run({name, "--help"}).out, help.out);
    const size_t at = help.out.find("example:\n  qdtype ");
    if (at == std::string::npos || name == "-") continue;
    const size_t from = at + std::strlen("example:\n  qdtype ");
    std::vector<std::string> example =
        qdtest::words(help.out.substr(from, help.out.find('\n', from) - from));
    for (std::string& w : example) {  // the shell's quotes
      if (w.size() > 1 && w.front() == '\'') w = w.substr(1);
      if (!w.empty() && w.back() == '\'') w.pop_back();
    }
    const Outcome o = run(example, "", &dir);
    EXPECT_NE(o.status, 2) << o.err;  // a library failure (dll without a library) is fine
  }
}

// The shell over a pipe reads as `qdtype -` does, without a prompt, until quit or exit
// (alone on their line) or the end of input; an error does not end it. Both exit with the
// status of the last failing command (2: the tool's own, 1: the library's), else 0.
TEST(Tool, ShellFromAPipe) {
  for (const qdtest::Row& c : qdtest::read_cases("tool/shell.txt", 5)) {
    SCOPED_TRACE(c[4]);
    const Outcome o = run({"shell"}, c[4]);
    EXPECT_EQ(o.status, qdtest::num(c[0]));
    EXPECT_EQ(o.out.find("qdtype>"), std::string::npos);
    EXPECT_EQ(o.out.find("qdtype shell: help"), std::string::npos);  // no banner
    EXPECT_EQ(o.out.empty(), c[1].empty()) << o.out;
    EXPECT_TRUE(qdtest::has(o.out, c[1]));
    EXPECT_EQ(o.err.empty(), c[2].empty()) << o.err;
    EXPECT_TRUE(qdtest::has(o.err, c[2]));
    if (c[3] == "1") {
      const Outcome s = run({"-"}, c[4]);
      EXPECT_EQ(o.status, s.status);
      EXPECT_EQ(o.out, s.out);
      EXPECT_EQ(o.err, s.err);
    }
  }
  EXPECT_EQ(run({"--format=json", "shell"}, "calc 1 + 2\nquit\n").out,
            run({"--format=json", "-"}, "calc 1 + 2\n").out);
  EXPECT_EQ(run({"shell", "now"}).status, 2);
  EXPECT_EQ(run({"-"}, "calc 'unbalanced\n").status, 2);
}

#ifndef _WIN32  // pseudo terminals: tests/platform_only.txt
// Runs qdtype shell on a terminal of its own with HOME set to home (unset when empty),
// typing each line once the prompt for it is shown; what the terminal showed.
Outcome run_on_terminal(const std::vector<std::string>& lines, const std::string& home) {
  std::vector<std::string> words = {QDTYPE_PATH, "shell"};
  if (*QDTYPE_EMULATOR) words.insert(words.begin(), QDTYPE_EMULATOR);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int fd = -1;
  const pid_t pid = forkpty(&fd, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (home.empty()) {
      unsetenv("HOME");
    } else {
      setenv("HOME", home.c_str(), 1);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  Outcome o;
  if (pid < 0) return o;
  auto count = [&o](const std::string& what) {
    size_t n = 0;
    for (size_t at = o.out.find(what); at != std::string::npos; at = o.out.find(what, at + 1)) ++n;
    return n;
  };
  // Reads until wanted prompts were shown, the terminal closes or 20 s pass.
  auto read_until = [&](size_t wanted) {
    char buf[4096];
    for (int waited = 0; count("qdtype> ") < wanted && waited < 200;) {
      pollfd p = {fd, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) {
        ++waited;
        continue;
      }
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) return;
      o.out.append(buf, static_cast<size_t>(n));
    }
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    read_until(i + 1);
    const std::string typed = lines[i] + "\r";
    EXPECT_EQ(write(fd, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  }
  read_until(lines.size() + 2);  // to the end
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  close(fd);
  o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  return o;
}

// On a terminal: a prompt before each line, errors that do not end the shell, and (with
// line editing) a history in $HOME/.qdtype_history that keeps only the last 500 lines.
TEST(Tool, ShellOnATerminal) {
  qdtest::TempDir home;
  std::string old;
  for (int i = 0; i < 700; ++i) old += "calc " + std::to_string(i) + "\n";
  home.write(".qdtype_history", "_HiStOrY_V2_\n" + old);
  const Outcome o =
      run_on_terminal({"calc 1 + 2", "nope", "weekday 1582 10 15", "quit"}, home.path());
  EXPECT_EQ(o.status, 2) << o.out;
  for (const char* part :
       {"help lists the commands", " 3  (precision 1", "unknown command 'nope'", "Friday"})
    EXPECT_TRUE(qdtest::has(o.out, part));
  const std::string history = qdtest::read_file(home.file(".qdtype_history"));
  if (!QDTYPE_LINE_EDITING) {
    EXPECT_EQ(history, "_HiStOrY_V2_\n" + old);  // plain reading keeps no history
    return;
  }
  const auto kept = std::count(history.begin(), history.end(), '\n');  // a head line too
  EXPECT_LE(kept, 501) << history;
  EXPECT_GE(kept, 400) << history;
  EXPECT_TRUE(qdtest::has(history, "weekday"));
  EXPECT_EQ(history.find("calc 0\n"), std::string::npos);
  // Without HOME the shell still runs, keeping no history.
  EXPECT_EQ(run_on_terminal({"calc 1 + 2", "exit"}, "").status, 0);
}

#endif

#if QD_HAVE_JSON_PARSER
// Each line of text is one JSON object with a "command" member.
std::vector<nlohmann::json> objects(const std::string& text) {
  std::vector<nlohmann::json> out;
  for (const std::string& line : qdtest::split(text, '\n')) {
    nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << line;
    if (j.is_discarded()) continue;
    EXPECT_TRUE(j.is_object() && j.contains("command")) << line;
    out.push_back(j);
  }
  return out;
}

// Every command's results parse, success or failure, and carry what scripts read.
TEST(Tool, JsonOutputOfEveryCommandParses) {
  std::set<std::string> seen;
  qdtest::TempDir dir;
  for (const auto& c : qdtest::read_cases("tool/runs.txt", 4)) {
    std::vector<std::string> args = qdtest::words(c[3]);
    args.insert(args.begin(), "--format=json");
    const Outcome o = run(args, "", &dir);
    SCOPED_TRACE(c[3] + "\nstdout: " + o.out + "\nstderr: " + o.err);
    EXPECT_EQ(o.status, qdtest::num(c[0]));
    const auto results = objects(o.out);
    const auto failures = objects(o.err);
    if (o.status == 0) {
      EXPECT_FALSE(results.empty());
      EXPECT_TRUE(failures.empty());
      for (const auto& r : results) EXPECT_TRUE(r["text"].is_string());
      seen.insert(results.empty() ? "" : results[0]["command"].get<std::string>());
    } else {
      EXPECT_TRUE(results.empty());
      ASSERT_EQ(failures.size(), 1u);
      EXPECT_EQ(failures[0]["status"], o.status);
      if (failures[0].contains("error")) {
        const auto& e = failures[0]["error"];
        EXPECT_TRUE(e["number"].is_number_integer());
        EXPECT_TRUE(e["report"].is_array() && e["report"].size() >= 3);
      }
    }
  }
  for (const std::string& name : command_names()) {
    if (name != "-" && name != "shell" && name != "dll" && name != "acct") {
      EXPECT_TRUE(seen.count(name)) << name;
    }
  }
  // A value's text, descriptor and stored bytes.
  const auto v = objects(run({"--format=json", "calc", "1.5", "+", "2.25"}).out);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0]["value"], "3.75");
  EXPECT_EQ(v[0]["type"], "numeric(3,2)");
  EXPECT_EQ(v[0]["bytes"], "03025730");
  // An error's number, symbolic name and report lines.
  const auto e = objects(run({"--format=json", "calc", "1", "/", "0"}).err);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0]["error"]["number"], 19000);
  EXPECT_EQ(e[0]["error"]["name"], "QDE_DIVISION_BY_ZERO");
  EXPECT_TRUE(qdtest::has(e[0]["error"]["report"].back().get<std::string>(), "Division by zero"));
  // Bytes that are not UTF-8 still make valid JSON; the year is twelve results.
  EXPECT_EQ(objects(run({"--format=json", "encoding", "3", "caf\\xE9"}).out).size(), 1u);
  EXPECT_EQ(objects(run({"--format=json", "calendar", "1582"}).out).size(), 13u);
  const auto oct = objects(run({"--format=json", "calendar", "1582", "10"}).out);
  ASSERT_EQ(oct.size(), 1u);
  EXPECT_EQ(oct[0]["days"].size(), 21u);  // 31 days less the ten of the switch
}
#endif

}  // namespace
