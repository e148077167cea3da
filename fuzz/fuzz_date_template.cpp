// fuzz_date_template.cpp: date templates from outside: a template and a text (split at
// the first zero byte, or the input's middle) read through str2date, whose result must be
// well formed; then values printed through the template into small buffers, which are
// never written past their size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "datetime/dt_internal.h"
#include "qdtype32/qdtype32.h"

namespace {

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};
const char* const kDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

void fill_names() {
  for (int i = 0; i < 7; ++i) {
    qdxglob_val.wday_abbr[i] = qdxglob_val.wday_full[i] = kDays[i];
    qdxglob_val.wday_abbr_in[i] = qdxglob_val.wday_full_in[i] = {kDays[i], i};
  }
  for (int i = 0; i < 12; ++i) {
    qdxglob_val.month_abbr[i] = qdxglob_val.month_full[i] = kMonths[i];
    qdxglob_val.month_abbr_in[i] = qdxglob_val.month_full_in[i] = {kMonths[i], i + 1};
  }
}

constexpr unsigned char kGuard = 0xA5;

// Prints v through templ into buffers of a few small sizes with a guard tail.
void print_bounded(const unsigned char* v, const char* templ) {
  for (qd_long size : {0, 1, 2, 5, 11, 24}) {
    std::vector<unsigned char> buf(static_cast<size_t>(size) + 16, kGuard);
    const int rc = date2str(v, reinterpret_cast<char*>(buf.data()), size, templ);
    for (size_t i = static_cast<size_t>(size); i < buf.size(); ++i) {
      if (buf[i] != kGuard) __builtin_trap();
    }
    if (rc == 0 && std::memchr(buf.data(), 0, static_cast<size_t>(size)) == nullptr) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool named = (fill_names(), true);
  (void)named;
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t cut = input.find('\0');
  if (cut == std::string::npos) cut = size / 2;
  const std::string templ = input.substr(0, cut);
  const std::string text = cut < size ? input.substr(cut + 1) : std::string();

  unsigned char value[qd::kDtLargest + 8];
  std::memset(value, kGuard, sizeof value);
  if (str2date(text.c_str(), value, templ.c_str()) == 0) {
    if (!qd::valid_datetime(value, qd::kDtLargest)) __builtin_trap();
    for (size_t i = static_cast<size_t>(dt_size(value)); i < sizeof value; ++i) {
      if (value[i] != kGuard) __builtin_trap();
    }
    print_bounded(value, templ.c_str());
  }
  // A full value, and one of the largest year, through the template.
  static const unsigned char kFull[20] = {0x60, 0x04, 0, 0, 42, 0, 7, 0, 5, 0, 13, 0, 28, 0, 11, 0, 0xd7, 0x07, 0, 0};
  static const unsigned char kBig[12] = {0x64, 0x04, 0, 0, 31, 0, 12, 0, 0xff, 0x7f, 0, 0};
  print_bounded(kFull, templ.c_str());
  print_bounded(kBig, templ.c_str());
  init_qderr();
  return 0;
}
