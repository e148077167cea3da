// acctlog.cpp: the accounting log. Error records are not logged until it is opened.
#include "runtime/runtime_internal.h"

namespace qd {

bool acct_errors_on() { return false; }

void acct_error_record(const char*, const char*, const char*) {}

}  // namespace qd
