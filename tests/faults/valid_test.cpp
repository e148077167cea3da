// The validators of the stored value kinds against a table of well-formed and malformed
// byte strings; each reads no byte beyond those given (the sanitizer build sees to it),
// and in the checking build an export's malformed output stops the process by name.
#include "base/outcheck.h"
#include "bits/bits_internal.h"
#include "datetime/dt_internal.h"
#include "decimal/fix_internal.h"
#include "test_support.h"
#include "types/bytes_internal.h"
#include "types/types_internal.h"
#include "types/types_test_util.h"

namespace {

const std::map<std::string, qd::ValueValidator> kValidators = {
    {"fix", qd::valid_fix},           {"datetime", qd::valid_datetime},
    {"timespan", qd::valid_timespan}, {"bits", qd::valid_bits},
    {"bits2", qd::valid_bits2},       {"binchar", qd::valid_binchar},
    {"descriptor", qd::valid_descriptor}};

TEST(ValidValues, WellFormedAndMalformed) {
  std::map<std::string, int> seen;
  for (const qdtest::Row& row : qdtest::read_cases("faults/valid.txt", 4)) {
    SCOPED_TRACE(row[0] + ": " + row[3]);
    auto it = kValidators.find(row[0]);
    ASSERT_NE(it, kValidators.end()) << "no such kind";
    const std::vector<uint8_t> given = typetest::hex_bytes(row[1]);
    // A block of exactly the given size, so that a read past it is caught.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[given.size() + (given.empty() ? 1 : 0)]);
    std::copy(given.begin(), given.end(), bytes.get());
    size_t claimed = ~size_t{0};
    EXPECT_EQ(it->second(bytes.get(), given.size(), &claimed), row[2] == "1");
    EXPECT_LE(claimed, given.size());
    ++seen[row[0]];
  }
  EXPECT_EQ(seen.size(), kValidators.size()) << "a kind without cases";
}

TEST(ValidValues, MalformedOutputStopsNamingTheExport) {
#ifdef QD_CHECK_OUTPUTS
  const uint8_t bad[] = {0x02, 0x00, 0x5a};
  EXPECT_DEATH(qd::check_output("fixadd", "fix", qd::valid_fix, true, bad, sizeof bad),
               "fixadd: malformed fix output: 02 00 5a");
  // Outputs of malformed inputs are the caller's own.
  qd::check_output("fixadd", "fix", qd::valid_fix, false, bad, sizeof bad);
#else
  GTEST_SKIP() << "outputs are checked only in the checking build";
#endif
}

}  // namespace
