// numform_test.h: what the number template tests share: the two settings the case files
// name, and fix values from their case-file notation.
#pragma once

#include "convert/convert_test_util.h"
#include "decimal/fixtest.h"
#include "qderror.h"

namespace numtest {

// "en": "." decimal, "," group, "$" and "EUR"; "de": "," decimal, "." group, "DM" and "Fr".
inline void use_settings(const std::string& name) {
  const bool de = name == "de";
  qdxglob_val.decimal_sep = de ? "," : ".";
  qdxglob_val.group_sep = de ? "." : ",";
  qdxglob_val.currency_sym = de ? "DM" : "$";
  qdxglob_val.local_currency_sym = de ? "Fr" : "EUR";
}

inline const char* templ_of(const std::string& field) {
  return field == "NULL" ? nullptr : field.c_str();
}

// The report of the calling thread, real catalogue texts, settings given back at the end.
class NumTest : public convtest::ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    use_settings("en");
  }
};

}  // namespace numtest
