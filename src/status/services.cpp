// services.cpp: the runtime's services as the error road sees them (registered at load).
#include <atomic>

#include "status/paths.h"
#include "status/status_internal.h"

namespace qd {
namespace {
std::atomic<const StatusServices*> g_services{nullptr};
}  // namespace

void register_status_services(const StatusServices* services) { g_services.store(services); }

StatusLock::StatusLock() {
  const StatusServices* s = g_services.load(std::memory_order_acquire);
  held_ = s && s->lock_enter(kLockErrorStatus) == 0;
}

StatusLock::~StatusLock() {
  if (!held_) return;
  if (const StatusServices* s = g_services.load(std::memory_order_acquire)) {
    s->lock_leave(kLockErrorStatus);
  }
}

char* status_install_path(char* out, size_t size, const char* sub, const char* file) {
  if (const StatusServices* s = g_services.load(std::memory_order_acquire)) {
    return s->install_path(out, size, sub, file);
  }
  return path_join(out, size, "", sub, file);
}

bool status_acct_errors_on() {
  const StatusServices* s = g_services.load(std::memory_order_acquire);
  return s && s->acct_errors_on();
}

void status_acct_error_record(const char* word, const char* name, const char* report) {
  if (const StatusServices* s = g_services.load(std::memory_order_acquire)) {
    s->acct_error_record(word, name, report);
  }
}

}  // namespace qd
