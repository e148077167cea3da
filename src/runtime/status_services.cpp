// status_services.cpp: hands the error road the runtime's lock 4, installation directory
// and accounting error line, once, when the library is loaded.
#include "runtime/runtime_internal.h"

namespace qd {
namespace {

constexpr StatusServices kRuntimeServices = {
    lock_enter, lock_leave, install_path, acct_errors_on, acct_error_record,
};

// Runs during the library's static initialisation, before any host call can report.
[[maybe_unused]] const bool g_registered = (register_status_services(&kRuntimeServices), true);

}  // namespace
}  // namespace qd
