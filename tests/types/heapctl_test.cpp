// heapctl_test.cpp: the heap layer: never a zero-sized block (failures: faults/alloc.txt).
#include "qdtype32/qdheap.h"
#include "types/bytes_internal.h"
#include "types_test_util.h"

namespace {

TEST(Heapctl, ZeroSizesGetOneByte) {
  char empty[] = "";
  void* p = heapctl_malloc(0, 7, empty, 9);
  ASSERT_NE(p, nullptr);
  static_cast<char*>(p)[0] = 'x';  // a usable byte (the sanitizer build checks it)
  void* q = heapctl_realloc(p, 0, 0);
  ASSERT_NE(q, nullptr);  // shrinks to one byte instead of freeing
  EXPECT_EQ(static_cast<char*>(q)[0], 'x');
  heapctl_free(q);

  void* r = heapctl_malloc_ptr(0);
  ASSERT_NE(r, nullptr);
  static_cast<char*>(r)[0] = 'y';
  heapctl_free(r);
  heapctl_free(nullptr);
}

TEST(Heapctl, CallocZeroesAndReallocKeepsContents) {
  void* p = heapctl_calloc(1000, 0, nullptr, 0);
  ASSERT_NE(p, nullptr);
  const uint8_t* b = static_cast<const uint8_t*>(p);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(b[i], 0) << i;
  std::memset(p, 0x5a, 1000);
  void* q = heapctl_realloc(p, 0, 100000);
  ASSERT_NE(q, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(static_cast<uint8_t*>(q)[i], 0x5a) << i;
  heapctl_free(q);
}

}  // namespace
