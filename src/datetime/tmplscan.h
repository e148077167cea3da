// tmplscan.h: the template scanner shared by the date templates (here) and the number
// templates (numform): a keyword table tried in its order, the case style of a keyword as
// written, and literal text, quoted or not.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qd {

// One keyword of a template language. A table is tried in its order at the current
// template position; an entry matches when the template continues with its text,
// compared without regard to case over the entry's length; the first match wins. So a
// keyword that begins with another ("yyyy" before "yy") must come first.
struct TemplateKeyword {
  const char* text;
  int code;
  // Characters that extend a match into one element, compared without regard to case:
  // "f" makes every following f of a date template one fraction element, "09" makes a
  // run of digit positions one element. Null: the keyword stands alone.
  const char* run;
};

constexpr int kTemplateLiteral = -1;
constexpr int kTemplateEnd = -2;

struct TemplateElement {
  int code;                        // the keyword's code, kTemplateLiteral or kTemplateEnd
  const TemplateKeyword* keyword;  // null for literal text and the end
  const char* at;                  // where the element starts in the template
  size_t span;                     // template characters the element took
  // Letters of a keyword with its run (3 for "fff", 4 for "9990"); for literal text the
  // length of the text as it reads (quotes removed, doubled quotes single); 0 at the end.
  size_t length;
  // Case style of a keyword as written, from its first letter and the letter after it
  // (the third character for a keyword whose second is "."): 0 both upper, 1 both
  // lower, 2 upper then lower, 3 anything else. 0 for literal text and the end.
  int style;
};

// Scans one template element by element. Literal text is collected in a buffer of the
// library's heap that grows 128 bytes at a time and is released with the scanner.
class TemplateScanner {
 public:
  TemplateScanner(const char* templ, const TemplateKeyword* table, size_t count);
  ~TemplateScanner();
  TemplateScanner(const TemplateScanner&) = delete;
  TemplateScanner& operator=(const TemplateScanner&) = delete;

  // The next element; 0, or 6 (reported with the function id 5019) when the literal
  // buffer cannot grow. At the end of the template every call answers the end.
  int next(TemplateElement* element);
  // The text of the last literal element, zero-terminated (valid until the next call).
  const char* literal() const { return literal_ ? literal_ : ""; }

  // Offset of the next element in the template; seek returns to an offset that
  // position() gave (str2date restarts the template after a mismatch).
  size_t position() const { return pos_; }
  void seek(size_t offset) { pos_ = offset; }

  // The table entry that matches at p, or null.
  const TemplateKeyword* match(const char* p) const;

 private:
  int append(char c);

  const char* templ_;
  const TemplateKeyword* table_;
  size_t count_;
  // By a character's lower-case form: the first table entry whose keyword begins with it
  // (entries before it cannot match there), or kNoEntry. Most template characters begin
  // no keyword, and literal text is scanned one character at a time.
  static constexpr unsigned char kNoEntry = 255;
  unsigned char first_entry_[256];
  size_t pos_ = 0;
  char* literal_ = nullptr;
  size_t literal_len_ = 0;
  size_t literal_cap_ = 0;
};

}  // namespace qd
