// english_names.h: English month and weekday names put into the host's name tables, for
// the tool (which starts with them) and for the tests of the templates that read and
// print names. A host fills the tables in its own language.
#pragma once

#include "qdtype32/qdglob.h"

namespace qdtype {

inline void fill_english_names(qdxglob_record& g) {
  static const char* const kWdayAbbr[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kWdayFull[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
  static const char* const kMonthAbbr[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char* const kMonthFull[12] = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  for (int i = 0; i < 7; ++i) {
    g.wday_abbr[i] = kWdayAbbr[i];
    g.wday_full[i] = kWdayFull[i];
    g.wday_abbr_in[i] = {kWdayAbbr[i], i};
    g.wday_full_in[i] = {kWdayFull[i], i};
  }
  for (int i = 0; i < 12; ++i) {
    g.month_abbr[i] = kMonthAbbr[i];
    g.month_full[i] = kMonthFull[i];
    g.month_abbr_in[i] = {kMonthAbbr[i], i + 1};
    g.month_full_in[i] = {kMonthFull[i], i + 1};
  }
}

}  // namespace qdtype
