// numform_internal.h: the compiled number template that num2str prints through and
// str2num reads through, and the template compiler they share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/limits.h"

namespace qd {

// The words the compiler's reports of a second or misplaced element carry: "FM", a sign
// element, and a currency element or "MI" (hosts read them in the report text). "FM" is
// reported by what it does, truncating the padding blanks and zeros; its word is written
// in two pieces, one word in the report. These bytes are report text that hosts match, so
// they never change.
inline constexpr const char* kFillModeWord = "truncation spec" "ification";
inline constexpr const char* kSignWord = "sign";
inline constexpr const char* kCurrencyWord = "group separator";

// Element codes of the number template language (literal text and the end of the
// template are the scanner's kTemplateLiteral and kTemplateEnd).
enum NumCode : int {
  kNumPoint = 1,         // "."
  kNumFill = 2,          // "FM"
  kNumMinus = 3,         // "MI"
  kNumCurrency = 4,      // "C"
  kNumGroupSetting = 5,  // "G"
  kNumSign = 6,          // "S"
  kNumComma = 7,         // ","
  kNumNines = 9,         // a digit run starting with "9"
  kNumDecSetting = 10,   // "D"
  kNumLocal = 11,        // "L", "U"
  kNumZeros = 12,        // a digit run starting with "0"
  kNumNinesZero = 13,    // a digit run starting with "9" and ending with "0"
  kNumLeadSign = 14,     // sign kind: "S" before the number
  kNumTrailSign = 15,    // sign kind: "S" after the number
};

// The separator and currency texts of the settings record, read once per call. A member
// the host left null reads as "." (decimal), "," (group) or the empty text (currency).
struct NumSettings {
  const char* decimal_sep;
  const char* group_sep;
  const char* currency;
  const char* local_currency;
};
NumSettings num_settings();

// A compiled template: a plain record on the caller's stack. The prefix and suffix are
// copies on the library's heap, released by the destructor on every road.
struct NumTemplate {
  int int_digits = 0;                 // I: the sum of the group lengths
  int frac_digits = 0;                // F
  int groups = 0;                     // N
  int group_len[kTemplateGroupsMax];  // left to right; only the first N are set
  char* prefix = nullptr;             // null when empty
  char* suffix = nullptr;
  size_t prefix_len = 0;
  size_t suffix_len = 0;
  int group_kind = 0;      // 0, kNumComma or kNumGroupSetting
  bool fill = false;       // "FM"
  int sign_kind = 0;       // 0, kNumLeadSign, kNumTrailSign or kNumMinus
  int dec_kind = 0;        // 0, kNumPoint or kNumDecSetting
  int pad_kind = 0;        // 0, kNumZeros or kNumNinesZero
  bool frac_zero = false;  // the fraction run ended in "0"
  bool has_text = false;   // a currency element or literal text was met

  NumTemplate() = default;
  ~NumTemplate();
  NumTemplate(const NumTemplate&) = delete;
  NumTemplate& operator=(const NumTemplate&) = delete;

  // The texts the separators of this template print as ("" when it has none).
  const char* group_text(const NumSettings& s) const;
  const char* dec_text(const NumSettings& s) const;
};

// Compiles templ into t. Prefix and suffix texts are gathered in scratch (size bytes,
// their terminating zero included) before they are copied to the heap. 0, or the error
// number after its report (21012, 21014 to 21018, 21020, 6).
int compile_num_template(const char* templ, NumTemplate* t, char* scratch, size_t size,
                         const NumSettings& s);

// The compiled form of templ for this call: *out is either local, compiled now, or the
// calling thread's copy of the same template compiled before. Only templates of keywords
// alone are kept (they hold no text, so neither the settings nor the scratch size can
// change what they compile to), and only the last one, so a host printing a column
// through one template compiles it once. 0, or compile_num_template's error.
int use_num_template(const char* templ, NumTemplate* local, const NumTemplate** out, char* scratch,
                     size_t size, const NumSettings& s);

}  // namespace qd
