// dynarr_test.cpp: growable arrays: first allocation, growth steps at the bounds of both
// regimes, long runs of appends that keep what was written, failures, and release.
#include <tuple>

#include "qdtype32/qdheap.h"
#include "types/bytes_internal.h"
#include "types_test_util.h"

namespace {

using typetest::FailGuard;
using typetest::num;

// What a record holds: block, used, capacity, element size.
using State = std::tuple<void*, uint64_t, uint64_t, uint64_t>;
State state(const qd_dynarr& a) { return {a.data, a.used, a.capacity, a.element_size}; }

qd_dynarr fresh(uint32_t kind = 1) {
  qd_dynarr a;
  std::memset(&a, 0, sizeof a);
  a.kind = kind;
  return a;
}

TEST(NeedSpace, FirstAllocation) {
  for (const typetest::Row& row : typetest::read_cases("dynarr_first.txt")) {
    const auto kind = uint32_t(num(row[0]));
    const auto count = unsigned(num(row[1])), elem = unsigned(num(row[2]));
    SCOPED_TRACE(testing::Message() << "kind " << kind << " count " << count);
    qd_dynarr a = fresh(kind);
    a.used = 99;
    void* p = need_space(&a, count, elem);
    if (row[3] != "1") {
      EXPECT_EQ(p, nullptr);
      EXPECT_EQ(state(a), State(nullptr, 99, 0, 0));  // nothing changed
      continue;
    }
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(state(a), State(p, 0, count, elem));
    std::memset(p, 0x11, static_cast<size_t>(count) * elem);  // all of it is usable
    // Release empties the record once and keeps its kind and element size.
    a.used = count;
    free_space(&a);
    free_space(&a);
    EXPECT_EQ(state(a), State(nullptr, 0, 0, elem));
    EXPECT_EQ(a.kind, kind);
  }
}

TEST(NeedSpace, GrowthCases) {
  for (const typetest::Row& row : typetest::read_cases("dynarr_growth.txt")) {
    const auto elem = uint32_t(num(row[0])), used = uint32_t(num(row[2]));
    SCOPED_TRACE(testing::Message() << "elem " << elem << " cap " << row[1] << " used " << used
                                    << " count " << row[3]);
    qd_dynarr a = fresh();
    ASSERT_NE(need_space(&a, uint32_t(num(row[1])), elem), nullptr);
    a.used = used;
    void* p = need_space(&a, uint32_t(num(row[3])), 12345);  // the element size is ignored now
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(state(a), State(p, used, num(row[4]), elem));
    free_space(&a);
  }
}

// A long run of appends, in both regimes: room for every step, and the elements written
// so far still in place after every resize.
TEST(NeedSpace, GrowthSequences) {
  for (const typetest::Row& row : typetest::read_cases("dynarr_runs.txt")) {
    const auto elem = uint32_t(num(row[0])), count = unsigned(num(row[2]));
    SCOPED_TRACE(testing::Message() << "elem " << elem << " per step " << count);
    qd_dynarr a = fresh();
    uint8_t* p = static_cast<uint8_t*>(need_space(&a, unsigned(num(row[1])), elem));
    ASSERT_NE(p, nullptr);
    uint64_t used = 0;
    while (used < uint64_t(num(row[3]))) {
      p = static_cast<uint8_t*>(need_space(&a, count, 0));
      ASSERT_NE(p, nullptr);
      ASSERT_GE(a.capacity, used + count) << "at used " << used;
      // Mark the first byte of each new element; earlier marks must have survived.
      for (uint64_t i = used; i < used + count; ++i) p[i * elem] = static_cast<uint8_t>(i * 7);
      used += count;
      a.used = static_cast<uint32_t>(used);
    }
    for (uint64_t i = 0; i < used; ++i) ASSERT_EQ(p[i * elem], static_cast<uint8_t>(i * 7)) << i;
    free_space(&a);
  }
}

// Failed and refused requests leave the block, its contents and the capacity as they
// were, and the record still grows and releases normally.
TEST(NeedSpace, FailuresLeaveAFreeableRecord) {
  FailGuard guard;
  qd_dynarr a = fresh();  // (a failing first allocation: faults/alloc.txt)
  // Growth fails, and so does a resize that would keep the size.
  qd::mem_fail_from_for_test(2);
  uint8_t* p = static_cast<uint8_t*>(need_space(&a, 4, 2));
  ASSERT_NE(p, nullptr);
  std::memcpy(p, "abcdefg", 8);
  a.used = 4;
  EXPECT_EQ(need_space(&a, 1, 2), nullptr);
  EXPECT_EQ(need_space(&a, 0, 2), nullptr);
  EXPECT_EQ(state(a), State(p, 4, 4, 2));
  EXPECT_STREQ(reinterpret_cast<char*>(p), "abcdefg");

  // After the failures the array grows normally.
  qd::mem_fail_from_for_test(0);
  p = static_cast<uint8_t*>(need_space(&a, 1, 2));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(a.capacity, 8u);
  EXPECT_STREQ(reinterpret_cast<char*>(p), "abcdefg");

  // Counts beyond 32 bits of elements, and a kind changed to an invalid value, are refused.
  a.used = 0xFFFFFFF0u;
  EXPECT_EQ(need_space(&a, 0x20, 2), nullptr);
  a.used = 4;
  a.kind = 9;
  EXPECT_EQ(need_space(&a, 100, 2), nullptr);
  EXPECT_EQ(state(a), State(p, 4, 8, 2));
  free_space(&a);
  EXPECT_EQ(a.data, nullptr);
  EXPECT_EQ(a.kind, 9u);

  // Beyond the address space, or no record at all.
  qd_dynarr c = fresh();
  if (sizeof(void*) == 4) {
    EXPECT_EQ(need_space(&c, 0x10000, 0x10000), nullptr);  // 4 GiB on a 32-bit target
    EXPECT_EQ(c.data, nullptr);
  }
  EXPECT_EQ(need_space(nullptr, 1, 1), nullptr);
  free_space(nullptr);
}

// The record's documented byte positions.
static_assert(offsetof(qd_dynarr, element_size) == 0 && offsetof(qd_dynarr, used) == 4);
static_assert(offsetof(qd_dynarr, capacity) == 8 && offsetof(qd_dynarr, kind) == 12);
static_assert(offsetof(qd_dynarr, data) == 16);

}  // namespace
