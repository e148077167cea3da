// templates.h: the sub-commands of "format" and "parse" (date, number, host): each
// template family registers its own, as commands register themselves.
#pragma once

#include "commands.h"

namespace qdtype {

struct SubCommand {
  const char* parent;  // "format" or "parse"
  const char* name;    // "date", "number", "host"
  const char* usage;   // the words after "PARENT NAME"
  const char* help;    // one line
  CommandFn run;       // argv[0] is the sub-command's name
  const char* example; // a runnable example, "PARENT NAME ARGS" without "qdtype"
};

// The first sub-command of a parent also registers the parent command, with that
// sub-command's example; "format KIND" and "parse KIND" list the registered kinds.
bool register_subcommand(const SubCommand& s);
// "format KIND ..." and "parse KIND ...": run the registered sub-command KIND.
int cmd_format(int argc, char** argv);
int cmd_parse(int argc, char** argv);

// Fills the settings record with English month and weekday names and the separators
// "." and "," and the currency symbol "$", so templates work out of the box; a host
// fills it with its own language.
void fill_english_settings();

}  // namespace qdtype

#define QDTYPE_SUBCOMMAND(parent, name, usage, help, fn, example) \
  static const bool QDTYPE_CONCAT(qdtype_sub_, __LINE__) =     \
      ::qdtype::register_subcommand({parent, name, usage, help, fn, example})
