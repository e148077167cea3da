// numform.cpp: number templates: the template compiler, and num2str, which prints
// integers, doubles and fix values in their default forms or through a template.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>

#include "base/memory.h"
#include "datetime/tmplscan.h"
#include "decimal/fix_internal.h"
#include "numform/numform_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdglob.h"
#include "qdtype32/qdnumform.h"
#include "status/report.h"

namespace qd {

namespace {

// Tried in this order; a digit keyword takes every following "9" and "0" with it.
constexpr TemplateKeyword kNumKeywords[] = {
    {".", kNumPoint, nullptr},        {"D", kNumDecSetting, nullptr}, {",", kNumComma, nullptr},
    {"G", kNumGroupSetting, nullptr}, {"C", kNumCurrency, nullptr},   {"L", kNumLocal, nullptr},
    {"U", kNumLocal, nullptr},        {"MI", kNumMinus, nullptr},     {"S", kNumSign, nullptr},
    {"9", kNumNines, "09"},           {"0", kNumZeros, "09"},         {"FM", kNumFill, nullptr},
};

bool is_digit_run(const TemplateElement& e) { return e.code == kNumNines || e.code == kNumZeros; }

// A run that starts with "0" is zero-padded; one that starts with "9" and ends with "0"
// has a code of its own (it keeps its last zero printed).
int run_code(const TemplateElement& e) {
  if (e.at[0] == '0') return kNumZeros;
  return e.at[e.span - 1] == '0' ? kNumNinesZero : kNumNines;
}

class Compiler {
 public:
  Compiler(const char* templ, NumTemplate* t, char* scratch, size_t size, const NumSettings& s)
      : templ_(templ),
        t_(t),
        scratch_(scratch),
        size_(size),
        s_(s),
        scanner_(templ, kNumKeywords, std::size(kNumKeywords)) {}

  int run() {
    TemplateElement e;
    // Prefix: fill mode, a leading sign, currency and literal text up to the number.
    for (;;) {
      if (int rc = scanner_.next(&e)) return rc;
      if (e.code == kNumFill) {
        if (t_->fill) return report<QDE_TEMPLATE_ELEMENT_TWICE, QDF_NUM_FORMAT>(templ_, kFillModeWord);
        t_->fill = true;
      } else if (e.code == kNumSign) {
        if (t_->sign_kind) return report<QDE_TEMPLATE_ELEMENT_TWICE, QDF_NUM_FORMAT>(templ_, kSignWord);
        t_->sign_kind = kNumLeadSign;
      } else if (e.code == kNumMinus) {
        return report<QDE_TEMPLATE_ELEMENT_MISPLACED, QDF_NUM_FORMAT>(templ_, kCurrencyWord);
      } else if (is_text(e)) {
        if (int rc = append(e)) return rc;
      } else {
        break;
      }
    }
    if (int rc = keep(&t_->prefix, &t_->prefix_len)) return rc;
    if (e.code == kTemplateEnd) return 0;

    // The number: digit runs and group separators, then a decimal separator and its run.
    int last_run = 0;
    for (;;) {
      if (is_digit_run(e)) {
        if (t_->groups == kTemplateGroupsMax)
          return report<QDE_TEMPLATE_TOO_MANY_GROUPS, QDF_NUM_FORMAT>(templ_, kTemplateGroupsMax);
        last_run = run_code(e);
        if (last_run == kNumZeros) t_->pad_kind = kNumZeros;
        t_->group_len[t_->groups++] = static_cast<int>(e.length);
        t_->int_digits += static_cast<int>(e.length);
      } else if (e.code == kNumComma || e.code == kNumGroupSetting) {
        if (t_->group_kind && t_->group_kind != e.code)
          return report<QDE_TEMPLATE_MIXED_SEPARATORS, QDF_NUM_FORMAT>(templ_, templ_);
        t_->group_kind = e.code;
      } else if (e.code == kNumFill) {
        return report<QDE_TEMPLATE_ELEMENT_MISPLACED, QDF_NUM_FORMAT>(templ_, kFillModeWord);
      } else {
        break;
      }
      if (int rc = scanner_.next(&e)) return rc;
    }
    if (t_->pad_kind != kNumZeros && last_run == kNumNinesZero) t_->pad_kind = kNumNinesZero;
    if (e.code == kNumPoint || e.code == kNumDecSetting) {
      t_->dec_kind = e.code;
      if (int rc = scanner_.next(&e)) return rc;
      if (!is_digit_run(e)) return report<QDE_TEMPLATE_NO_FRACTION_DIGITS, QDF_NUM_FORMAT>(templ_);
      t_->frac_digits = static_cast<int>(e.length);
      t_->frac_zero = run_code(e) == kNumNinesZero;
      if (int rc = scanner_.next(&e)) return rc;
    }

    // Suffix: a trailing sign, currency and literal text; its text starts afresh.
    for (;;) {
      if (e.code == kNumMinus || e.code == kNumSign) {
        if (t_->sign_kind) return report<QDE_TEMPLATE_ELEMENT_TWICE, QDF_NUM_FORMAT>(templ_, kSignWord);
        t_->sign_kind = e.code == kNumMinus ? kNumMinus : kNumTrailSign;
      } else if (is_text(e)) {
        if (int rc = append(e)) return rc;
      } else if (e.code == kTemplateEnd) {
        return keep(&t_->suffix, &t_->suffix_len);
      } else {
        return report<QDE_TEMPLATE_ELEMENT_AFTER_NUMBER, QDF_NUM_FORMAT>(templ_);
      }
      if (int rc = scanner_.next(&e)) return rc;
    }
  }

 private:

  static bool is_text(const TemplateElement& e) {
    return e.code == kNumCurrency || e.code == kNumLocal || e.code == kTemplateLiteral;
  }

  // Currency symbols (one in the whole template) and literal text join the scratch text.
  int append(const TemplateElement& e) {
    const char* text = scanner_.literal();
    t_->has_text = true;
    if (e.code != kTemplateLiteral) {
      if (currency_)
        return report<QDE_TEMPLATE_ELEMENT_TWICE, QDF_NUM_FORMAT>(templ_, kCurrencyWord);
      currency_ = true;
      text = e.code == kNumCurrency ? s_.currency : s_.local_currency;
    }
    const size_t n = std::strlen(text);
    if (n == 0) return 0;
    if (len_ + n + 1 > size_) return report<QDE_TEXT_DOES_NOT_FIT, QDF_NUM_FORMAT>();
    std::memcpy(scratch_ + len_, text, n);
    len_ += n;
    scratch_[len_] = '\0';
    return 0;
  }

  // The scratch text, if any, becomes a heap copy; the scratch starts afresh.
  int keep(char** out, size_t* out_len) {
    if (len_ == 0) return 0;
    char* copy = static_cast<char*>(mem_alloc(len_ + 1));
    if (!copy) return report<QDE_NO_MEMORY, QDF_NUM_FORMAT>();
    std::memcpy(copy, scratch_, len_);
    copy[len_] = '\0';
    *out = copy;
    *out_len = len_;
    len_ = 0;
    return 0;
  }

  const char* templ_;
  NumTemplate* t_;
  char* scratch_;
  size_t size_;
  const NumSettings& s_;
  TemplateScanner scanner_;
  size_t len_ = 0;
  bool currency_ = false;
};

// Bounded output: pieces are written only while they leave room for the terminating
// zero; the count goes on, so finish() knows whether the whole text fitted.
class Out {
 public:
  Out(char* buffer, size_t size) : b_(buffer), size_(size) {}
  void put(const char* s, size_t k) {
    if (n_ + k < size_) std::memcpy(b_ + n_, s, k);
    n_ += k;
  }
  void put(const char* s) { put(s, std::strlen(s)); }
  void repeat(char c, size_t k) {
    if (n_ + k < size_) std::memset(b_ + n_, c, k);
    n_ += k;
  }
  bool finish() {
    if (n_ >= size_) return false;
    b_[n_] = '\0';
    return true;
  }

 private:
  char* b_;
  size_t size_;
  size_t n_ = 0;
};

int does_not_fit() { return report<QDE_TEXT_DOES_NOT_FIT, QDF_NUM_FORMAT>(); }

// A double's decimal expansion has at most 309 integer and 1074 fraction digits, so a
// fixed text rounded to more places only adds zeros (which printing drops anyway).
constexpr int kDoubleFracMax = 1080;
constexpr int kDoubleTextMax = 320 + kDoubleFracMax;

// The digits of a value as printing needs them: integer digits without leading zeros
// (a lone "0" for none), fraction digits without trailing zeros.
struct Digits {
  char text[kDoubleTextMax];
  const char* ip = text;
  size_t il = 0;
  const char* fp = text;
  size_t fl = 0;
  bool neg = false;

  // Splits text at "." (from `from` on) and trims as above. A value whose digits are all
  // zero is not negative: a zero never prints with a minus, whatever its sign bit or
  // the sign of a double that rounded to it.
  void split(size_t from, size_t len) {
    const char* end = text + len;
    const char* p = text + from;
    const char* dot = std::find(p, end, '.');
    while (dot - p > 1 && *p == '0') ++p;
    ip = p;
    il = static_cast<size_t>(dot - p);
    if (il == 0) ip = "0", il = 1;
    fp = dot < end ? dot + 1 : end;
    fl = static_cast<size_t>(end - fp);
    while (fl > 0 && fp[fl - 1] == '0') --fl;
    if (il == 1 && ip[0] == '0' && fl == 0) neg = false;
  }
};

// The integer's digits.
void int_digits(int32_t v, Digits* d) {
  d->neg = v < 0;
  uint32_t m = d->neg ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  // Written from the right (the standard library's integer conversion would export its
  // digit table from the library).
  constexpr size_t kDigits = 10;
  size_t k = kDigits;
  do {
    d->text[--k] = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m);
  std::memmove(d->text, d->text + k, kDigits - k);
  d->split(0, kDigits - k);
}

// The double rounded to F places as fixed notation gives them (round half to even on
// the exact binary value, on every C library alike). False for infinities and NaN,
// which no decimal text holds.
bool double_digits(double x, int frac, Digits* d) {
  if (!std::isfinite(x)) return false;
  d->neg = x < 0;
  const auto r = std::to_chars(d->text, d->text + sizeof d->text, std::fabs(x),
                               std::chars_format::fixed, std::min(frac, kDoubleFracMax));
  d->split(0, static_cast<size_t>(r.ptr - d->text));
  return true;
}

// Width of the fixed text of a fix value of precision p and scale s with a separator of
// L characters: sign, digits, separator, and the 0 before the separator when every digit
// is a fraction digit.
int fix_fixed_width(int p, int s, int L) {
  int w = 2 + (s > 0 ? L : 0) + (s < 0 ? p - s : std::max(s, p));
  if (s >= 0 && p <= s) ++w;
  return w;
}

// The fix value brought to at most F fraction digits (half up). False when the rounding
// needs a 31st digit (reported by the cast).
bool fix_digits(const uint8_t* v, int frac, Digits* d) {
  uint8_t cast[kFixMaxBytes];
  if (fx_scale(v) > frac) {
    if (!fix_fix(v, frac, cast)) return false;
    v = cast;
  }
  const int p = fx_prec(v), s = fx_scale(v);
  fix_text(v, nullptr, d->text, fix_fixed_width(p, s, 1));
  d->neg = d->text[0] == '-';
  d->split(1, std::strlen(d->text));
  return true;
}

// The default form of a double: its 18 significant digits as "%.17le" gives them, laid
// out without an exponent.
int double_default(double x, const char* sep, Out* out) {
  if (x == 0) {
    out->put("0", 1);
    return 0;
  }
  char sci[64];
  const auto r =
      std::to_chars(sci, sci + sizeof sci, std::fabs(x), std::chars_format::scientific, 17);
  *r.ptr = '\0';
  char digits[18];
  digits[0] = sci[0];
  std::memcpy(digits + 1, sci + 2, 17);
  const int e = std::atoi(std::strchr(sci, 'e') + 1);
  int u = e - 17;
  int n = 18;
  while (n > 1 && digits[n - 1] == '0') --n, ++u;
  if (x < 0) out->put("-", 1);
  if (u >= 0) {
    out->put(digits, static_cast<size_t>(n));
    out->repeat('0', static_cast<size_t>(u));
  } else if (-u <= n) {
    out->put(digits, static_cast<size_t>(n + u));
    out->put(sep);
    out->put(digits + n + u, static_cast<size_t>(-u));
  } else {
    out->put(sep);
    out->repeat('0', static_cast<size_t>(-u - n));
    out->put(digits, static_cast<size_t>(n));
  }
  return 0;
}

int default_form(const void* value, int type, char* buffer, size_t size, const NumSettings& s) {
  Out out(buffer, size);
  switch (type) {
    case 1: {
      // Room for any 32-bit integer, whatever this one needs.
      constexpr size_t kIntRoom = 12;
      if (size < kIntRoom) return does_not_fit();
      Digits d;
      int_digits(load<int32_t>(value), &d);
      if (d.neg) out.put("-", 1);
      out.put(d.ip, d.il);
      break;
    }
    case 2: {
      const double x = load<double>(value);
      if (!std::isfinite(x)) return fix_report_double(x), report<0, QDF_NUM2STR>(), -1;
      double_default(x, s.decimal_sep, &out);
      break;
    }
    case 3: {
      const uint8_t* v = static_cast<const uint8_t*>(value);
      const int w =
          fix_fixed_width(fx_prec(v), fx_scale(v), static_cast<int>(std::strlen(s.decimal_sep)));
      if (static_cast<size_t>(w) > size) return does_not_fit();
      fix_text(v, s.decimal_sep, buffer, w);
      if (buffer[0] == ' ') std::memmove(buffer, buffer + 1, std::strlen(buffer));
      return 0;
    }
    default:
      // Other type codes have no number to print: the text is empty.
      break;
  }
  return out.finish() ? 0 : does_not_fit();
}

int template_form(const void* value, int type, char* buffer, size_t size, const char* templ,
                  const NumSettings& s) {
  NumTemplate local;
  const NumTemplate* compiled = nullptr;
  if (int rc = use_num_template(templ, &local, &compiled, buffer, size, s))
    return report<0, QDF_NUM2STR>(), rc;
  const NumTemplate& t = *compiled;
  const int F = t.frac_digits, I = t.int_digits, N = t.groups;
  Digits d;
  switch (type) {
    case 1:
      int_digits(load<int32_t>(value), &d);
      break;
    case 2:
      if (!double_digits(load<double>(value), F, &d))
        return fix_report_double(load<double>(value)), report<0, QDF_NUM2STR>(), -1;
      break;
    case 3:
      if (!fix_digits(static_cast<const uint8_t*>(value), F, &d))
        return report<0, QDF_NUM2STR>(), -1;
      break;
    default:
      // Other type codes have no number to print: the text is empty, as in the default
      // form, whatever the template.
      if (size == 0) return does_not_fit();
      buffer[0] = '\0';
      return 0;
  }

  // A lone 0 before the fraction is left out unless the template pads the integer part.
  if (d.il == 1 && d.ip[0] == '0' && t.pad_kind == 0 &&
      (d.fl > 0 || (F > 0 && !t.fill) || t.frac_zero))
    d.il = 0;

  const char* gsep = t.group_text(s);
  const char* dsep = t.dec_text(s);
  const size_t gl = std::strlen(gsep), dl = std::strlen(dsep);
  Out out(buffer, size);
  if (d.il > static_cast<size_t>(I)) {
    // Too many integer digits: the width of the template in "#". A template without
    // digit positions has room for no integer digit, so every value whose integer part
    // is printed comes out this way: such a template shows where a number was, never a
    // number that reads as another.
    const size_t width = t.prefix_len + (t.sign_kind == 0 ? 1 : 0) + static_cast<size_t>(I) +
                         static_cast<size_t>(std::max(N - 1, 0)) * gl + dl +
                         static_cast<size_t>(F) + t.suffix_len;
    out.repeat('#', width);
    return out.finish() ? 0 : does_not_fit();
  }

  // The group that holds the leftmost digit (left) and how many digits it holds (in_left).
  int left = N;
  size_t in_left = 0;
  for (size_t rest = d.il; rest > 0;) {
    --left;
    in_left = std::min(static_cast<size_t>(t.group_len[left]), rest);
    rest -= in_left;
  }
  const bool zeros = t.pad_kind == kNumZeros;
  const int first = zeros ? 0 : left;  // the first group printed

  if (t.prefix) out.put(t.prefix, t.prefix_len);
  if (!zeros && !t.fill) {
    const size_t free_seps =
        static_cast<size_t>(N > 0 ? N - 1 : 0) - static_cast<size_t>(d.il > 0 ? N - 1 - left : 0);
    out.repeat(' ', static_cast<size_t>(I) - d.il + free_seps);
  }
  if (t.sign_kind == kNumLeadSign) out.put(d.neg ? "-" : "+", 1);
  if (t.sign_kind == 0 && d.neg) out.put("-", 1);
  const char* digit = d.ip;
  for (int j = first; j < N; ++j) {
    size_t in_group = static_cast<size_t>(t.group_len[j]);
    if (j < left) {
      out.repeat('0', in_group);
    } else {
      if (j == left) {
        if (zeros) out.repeat('0', in_group - in_left);
        in_group = in_left;
      }
      out.put(digit, in_group);
      digit += in_group;
    }
    if (j < N - 1) out.put(gsep, gl);
  }
  out.put(dsep, dl);
  out.put(d.fp, d.fl);
  if (d.fl < static_cast<size_t>(F) && (t.frac_zero || !t.fill))
    out.repeat('0', static_cast<size_t>(F) - d.fl);
  if (t.suffix) out.put(t.suffix, t.suffix_len);
  if (t.sign_kind == kNumTrailSign) out.put(d.neg ? "-" : "+", 1);
  if (t.sign_kind == kNumMinus && (d.neg || !t.fill)) out.put(d.neg ? "-" : " ", 1);
  return out.finish() ? 0 : does_not_fit();
}

}  // namespace

NumSettings num_settings() {
  const qdxglob_record& g = qdxglob_val;
  return {g.decimal_sep ? g.decimal_sep : ".", g.group_sep ? g.group_sep : ",",
          g.currency_sym ? g.currency_sym : "", g.local_currency_sym ? g.local_currency_sym : ""};
}

NumTemplate::~NumTemplate() {
  // Most templates have neither text: no call for them.
  if (prefix) mem_free(prefix);
  if (suffix) mem_free(suffix);
}

const char* NumTemplate::group_text(const NumSettings& s) const {
  return group_kind == kNumComma ? "," : group_kind == kNumGroupSetting ? s.group_sep : "";
}
const char* NumTemplate::dec_text(const NumSettings& s) const {
  return dec_kind == kNumPoint ? "." : dec_kind == kNumDecSetting ? s.decimal_sep : "";
}

int compile_num_template(const char* templ, NumTemplate* t, char* scratch, size_t size,
                         const NumSettings& s) {
  return Compiler(templ, t, scratch, size, s).run();
}

namespace {

// Templates up to this length (terminating zero included) are kept.
constexpr size_t kKeptTemplateMax = 64;

struct KeptTemplate {
  bool valid = false;
  size_t len = 0;
  char text[kKeptTemplateMax];
  NumTemplate t;
};

}  // namespace

int use_num_template(const char* templ, NumTemplate* local, const NumTemplate** out, char* scratch,
                     size_t size, const NumSettings& s) {
  thread_local KeptTemplate kept;
  if (kept.valid) {
    size_t i = 0;
    while (i < kept.len && templ[i] == kept.text[i]) ++i;
    if (i == kept.len && templ[i] == '\0') {
      *out = &kept.t;
      return 0;
    }
  }
  const size_t len = strnlen(templ, kKeptTemplateMax);
  if (int rc = compile_num_template(templ, local, scratch, size, s)) return rc;
  *out = local;
  if (local->has_text || len == kKeptTemplateMax) return 0;
  NumTemplate& k = kept.t;
  k.int_digits = local->int_digits;
  k.frac_digits = local->frac_digits;
  k.groups = local->groups;
  std::copy(local->group_len, local->group_len + local->groups, k.group_len);
  k.group_kind = local->group_kind;
  k.fill = local->fill;
  k.sign_kind = local->sign_kind;
  k.dec_kind = local->dec_kind;
  k.pad_kind = local->pad_kind;
  k.frac_zero = local->frac_zero;
  std::memcpy(kept.text, templ, len);
  kept.len = len;
  kept.valid = true;
  return 0;
}

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int num2str(const void* value, int type, char* buffer, qd_ulong size,
                               const char* templ) {
  const NumSettings s = num_settings();
  if (!templ) return default_form(value, type, buffer, size, s);
  return template_form(value, type, buffer, size, templ, s);
}
