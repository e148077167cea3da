// memory.cpp: the allocation layer over the process heap, with its failure hook.
#include "base/memory.h"

#include <atomic>
#include <cstdlib>

namespace qd {
namespace {

std::atomic<uint64_t> g_fail_from{0};  // 0: never fail
std::atomic<uint64_t> g_counted{0};    // allocations since the hook was set
std::atomic<uint64_t> g_refused{0};

bool refuse() {
  const uint64_t from = g_fail_from.load(std::memory_order_relaxed);
  if (from == 0) return false;
  if (g_counted.fetch_add(1, std::memory_order_relaxed) + 1 < from) return false;
  g_refused.fetch_add(1, std::memory_order_relaxed);
  return true;
}

}  // namespace

void* mem_alloc(size_t size) { return refuse() ? nullptr : std::malloc(size); }

void* mem_realloc(void* block, size_t size) {
  return refuse() ? nullptr : std::realloc(block, size);
}

void mem_free(void* block) { std::free(block); }

void mem_fail_from_for_test(uint64_t n) {
  g_fail_from.store(0, std::memory_order_relaxed);
  g_counted.store(0, std::memory_order_relaxed);
  g_refused.store(0, std::memory_order_relaxed);
  g_fail_from.store(n, std::memory_order_relaxed);
}

uint64_t mem_failures_for_test() { return g_refused.load(std::memory_order_relaxed); }

}  // namespace qd
