// numparse.cpp: str2num, which reads a number in the free form or in the layout of a
// number template, into a fix value.
#include <algorithm>
#include <cstring>

#include "base/limits.h"
#include "base/memory.h"
#include "decimal/fix_internal.h"
#include "numform/numform_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdnumform.h"
#include "status/report.h"

namespace qd {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool starts_with(const char* p, const char* s, size_t n) {
  if (n == 0 || p[0] != s[0]) return false;
  return n == 1 || std::strncmp(p + 1, s + 1, n - 1) == 0;
}

// The length of a separator text, which is mostly one character or none.
size_t short_len(const char* s) { return !s[0] ? 0 : !s[1] ? 1 : std::strlen(s); }

// Texts up to this length are worked on in a copy on the stack; longer ones on the heap.
constexpr size_t kStackText = 256;

// The free form: scan_fix's number with the host's decimal separator in place of ".".
int read_free(const char* text, uint8_t* value, const NumSettings& s) {
  const char* work = text;
  char local[kStackText];
  char* heap = nullptr;
  const char* at = *s.decimal_sep ? std::strstr(text, s.decimal_sep) : nullptr;
  if (at) {
    // The separator's first character becomes "."; a longer separator leaves the rest
    // of itself in the text (separators are one character).
    const size_t len = std::strlen(text);
    char* copy = local;
    if (len >= sizeof local) {
      copy = heap = static_cast<char*>(mem_alloc(len + 1));
      if (!heap) return report<QDE_NO_MEMORY, QDF_STR2NUM>();
    }
    std::memcpy(copy, text, len + 1);
    copy[at - text] = '.';
    work = copy;
  }
  int consumed = 0;
  int rc = scan_fix(work, value, &consumed);
  if (rc) {
    report<0, QDF_STR2NUM>();
  } else {
    const char* rest = work + consumed;
    while (is_blank(*rest)) ++rest;
    if (*rest) rc = report<QDE_TEXT_NOT_READABLE, QDF_STR2NUM>(text, "number");
  }
  mem_free(heap);
  return rc;
}

// Matching a text against a compiled template. The characters taken are kept as a
// number text for scan_fix: a sign character, the digits, "." and the fraction digits.
class Matcher {
 public:
  Matcher(const NumTemplate& t, const NumSettings& s, char* keep, size_t room)
      : t_(t),
        keep_(keep),
        room_(room),
        gsep_(t.group_text(s)),
        dsep_(t.dec_text(s)),
        decimal_(s.decimal_sep),
        gl_(short_len(gsep_)),
        dl_(short_len(dsep_)),
        decimal_len_(short_len(decimal_)) {}

  // Whether the whole text follows the template; keep() then holds the number.
  bool match(const char* p) {
    if (t_.prefix) {
      if (!starts_with(p, t_.prefix, t_.prefix_len)) return false;
      p += t_.prefix_len;
    }
    if (*p == ' ') {
      // Zero-padded and fill-mode templates print no padding blanks.
      if (t_.fill || t_.pad_kind == kNumZeros) return false;
      while (*p == ' ') ++p;
    }
    bool neg = false;
    if (*p == '-' && (t_.sign_kind == 0 || t_.sign_kind == kNumLeadSign)) {
      neg = true;
      ++p;
    } else if (*p == '+' && t_.sign_kind == kNumLeadSign) {
      ++p;
    }
    const size_t sign_at = n_;
    if (!put(' ')) return false;
    if (!integer_part(&p)) return false;
    if (t_.dec_kind) {
      if (starts_with(p, dsep_, dl_)) {
        p += dl_;
        if (!put('.')) return false;
        // Held in locals, as in integer_part.
        PlainDigits taken = digits_;
        const int most = t_.frac_digits;
        int k = 0;
        for (; k < most && is_digit(*p); ++k) {
          taken.add(static_cast<unsigned>(*p - '0'));
          if (!put(*p++)) return false;
        }
        digits_ = taken;
        frac_ = k;
      }
    } else if (*p == '.') {
      ++p;
    } else if (starts_with(p, decimal_, decimal_len_)) {
      p += decimal_len_;
    }
    if (t_.suffix) {
      if (!starts_with(p, t_.suffix, t_.suffix_len)) return false;
      p += t_.suffix_len;
    }
    if (*p == '-' && (t_.sign_kind == kNumTrailSign || t_.sign_kind == kNumMinus)) {
      neg = true;
      ++p;
    } else if (*p == '+' && t_.sign_kind == kNumTrailSign) {
      ++p;
    }
    while (*p == ' ') ++p;
    if (*p) return false;
    keep_[sign_at] = neg ? '-' : ' ';
    keep_[n_] = '\0';
    negative_ = neg;
    return true;
  }

  // The number of a match, straight from the digits taken when there are few enough of
  // them; false leaves it to scan_fix over keep().
  bool value(uint8_t* dst) const {
    if (!digits_.plain()) return false;
    fix_from_plain(digits_, frac_, negative_, dst);
    return true;
  }

 private:
  // Digits and group separators; the group lengths must fit the template's from the
  // right, the leftmost group may be short.
  bool integer_part(const char** at) {
    const char* p = *at;
    int groups = 1, in_group = 0, digits = 0;
    // The text's group lengths, right to left once the text's groups are known; a text
    // with more groups than the template does not match, so N + 1 entries suffice.
    const int cap = t_.groups + 1;
    bool significant = false, zeros_seen = false, first_zero_counted = false;
    int* lens = lens_;
    // Held in locals: the stores of kept characters could otherwise alias them.
    const char g0 = gl_ ? gsep_[0] : '\0';
    char* const keep = keep_;
    size_t n = n_;
    const size_t room = room_;
    PlainDigits taken;
    for (;;) {
      if (*p == g0 && g0 && starts_with(p, gsep_, gl_)) {
        if (groups >= cap) return false;
        lens[groups - 1] = in_group;
        ++groups;
        in_group = 0;
        p += gl_;
      } else if (is_digit(*p)) {
        if (*p == '0' && !significant) {
          zeros_seen = true;
          if (t_.pad_kind == kNumZeros) {
            if (!first_zero_counted) {
              // The first padding zero takes its place in the group, uncollected; the
              // zeros after it are ordinary digits.
              first_zero_counted = true;
              ++in_group;
              ++digits;
            } else {
              significant = true;
              continue;
            }
          }
          ++p;
          continue;
        }
        significant = true;
        if (n + 1 >= room) return false;
        taken.add(static_cast<unsigned>(*p - '0'));
        keep[n++] = *p++;
        ++in_group;
        ++digits;
      } else {
        break;
      }
    }
    n_ = n;
    digits_ = taken;
    lens[groups - 1] = in_group;
    // A template without integer digits still reads a text without them (one empty group).
    if (digits > t_.int_digits || groups > std::max(t_.groups, 1)) return false;
    if (!significant && zeros_seen) {
      if (!put('0')) return false;
      digits_.add(0);
    }
    if (groups > 1) {
      for (int k = 1; k <= groups; ++k) {
        const int text_len = lens[groups - k];
        const int templ_len = t_.group_len[t_.groups - k];
        if (k < groups ? text_len != templ_len : text_len > templ_len) return false;
      }
    }
    *at = p;
    return true;
  }

  bool put(char c) {
    if (n_ + 1 >= room_) return false;
    keep_[n_++] = c;
    return true;
  }

  const NumTemplate& t_;
  char* keep_;
  size_t room_;
  size_t n_ = 0;
  const char* gsep_;
  const char* dsep_;
  const char* decimal_;
  size_t gl_, dl_, decimal_len_;
  int lens_[kTemplateGroupsMax + 1];
  PlainDigits digits_;  // the digits kept, for fix_from_plain
  int frac_ = 0;
  bool negative_ = false;
};

int read_template(const char* text, uint8_t* value, const char* templ, const NumSettings& s) {
  NumTemplate local;
  const NumTemplate* t = nullptr;
  // The scratch of the compiler, then the number text the match keeps: the template
  // form reads at most a record's worth of characters of number.
  char scratch[kRecordMax];
  if (int rc = use_num_template(templ, &local, &t, scratch, sizeof scratch, s))
    return report<0, QDF_STR2NUM>(), rc;
  Matcher m(*t, s, scratch, sizeof scratch);
  if (!m.match(text)) return report<QDE_TEXT_TEMPLATE_MISMATCH, QDF_STR2NUM>(text, templ);
  if (m.value(value)) return 0;
  int consumed = 0;
  if (int rc = scan_fix(scratch, value, &consumed)) return report<0, QDF_STR2NUM>(), rc;
  return 0;
}

}  // namespace

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int str2num(const char* text, qd_fix* result, const char* templ) {
  QD_INPUTS_OK(true);
  const NumSettings s = num_settings();
  uint8_t value[kFixMaxBytes] = {};
  const int rc = templ ? read_template(text, value, templ, s) : read_free(text, value, s);
  if (rc == 0) std::memcpy(result, value, static_cast<size_t>(fx_size(fx_prec(value))));
  return QD_FIX_OUT(rc, result);
}
