// cmd_templates.cpp: "format" and "parse", dispatching to the sub-commands that the date
// and number template files register, and the English settings the tool runs with.
#include <cstring>
#include <string>
#include <vector>

#include "english_names.h"
#include "templates.h"

namespace qdtype {
namespace {

std::vector<SubCommand>& subcommands() {
  static std::vector<SubCommand> list;
  return list;
}

std::string synopsis(const char* parent) {
  std::string s;
  for (const SubCommand& c : subcommands()) {
    if (std::strcmp(c.parent, parent) != 0) continue;
    if (!s.empty()) s += "\n";
    s += std::string(c.name) + " " + c.usage + "   " + c.help;
  }
  return s.empty() ? std::string("(none built)") : s;
}

// argv holds the words after the parent's name: the kind first, which the sub-command
// gets as its argv[0].
int dispatch(const char* parent, int argc, char** argv) {
  if (argc >= 1) {
    for (const SubCommand& c : subcommands()) {
      if (std::strcmp(c.parent, parent) == 0 && std::strcmp(c.name, argv[0]) == 0)
        return c.run(argc, argv);
    }
  }
  return bad_usage("usage: qdtype %s KIND ...; KIND is one of:\n%s", parent,
                   synopsis(parent).c_str());
}

}  // namespace

int cmd_format(int argc, char** argv) { return dispatch("format", argc, argv); }
int cmd_parse(int argc, char** argv) { return dispatch("parse", argc, argv); }

bool register_subcommand(const SubCommand& s) {
#define QDTYPE_SETTINGS                                                                  \
  "\nMonth and weekday names are English; the decimal separator is \".\", the group " \
  "separator \",\" and the currency symbol \"$\""
  bool first = true;
  for (const SubCommand& c : subcommands()) first = first && std::strcmp(c.parent, s.parent) != 0;
  subcommands().push_back(s);
  if (!first) return true;
  if (std::strcmp(s.parent, "format") == 0)
    return register_command({"format", "KIND ARGS...",
                             "print a value through a template (KIND: date, number, host)",
                             cmd_format,
                             "KIND  date VALUE TEMPLATE | number VALUE [TEMPLATE] | host STYLE "
                             "VALUE" QDTYPE_SETTINGS,
                             s.example, "the text"});
  return register_command({"parse", "KIND ARGS...",
                           "read a value through a template (KIND: date, number)", cmd_parse,
                           "KIND  date TEXT TEMPLATE | number TEXT [TEMPLATE]" QDTYPE_SETTINGS,
                           s.example, "the value read, as a literal"});
#undef QDTYPE_SETTINGS
}

void fill_english_settings() {
  fill_english_names(qdxglob_val);
  qdxglob_val.decimal_sep = ".";
  qdxglob_val.group_sep = ",";
  qdxglob_val.currency_sym = "$";
  qdxglob_val.local_currency_sym = "$";
}

}  // namespace qdtype
