// tmplscan.cpp: the template scanner of the date and number templates.
#include "datetime/tmplscan.h"

#include <cstring>

#include "base/memory.h"
#include "status/report.h"

namespace qd {

namespace {

constexpr size_t kLiteralGrowth = 128;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }

bool in_run(const char* run, char c) {
  for (; *run; ++run)
    if (lower(*run) == lower(c)) return true;
  return false;
}

int case_style(char first, char second) {
  if (is_upper(first)) return is_upper(second) ? 0 : is_lower(second) ? 2 : 3;
  if (is_lower(first) && is_lower(second)) return 1;
  return 3;
}

}  // namespace

TemplateScanner::TemplateScanner(const char* templ, const TemplateKeyword* table, size_t count)
    : templ_(templ), table_(table), count_(count) {
  std::memset(first_entry_, kNoEntry, sizeof first_entry_);
  for (size_t i = count; i-- > 0;) {
    const auto c = static_cast<unsigned char>(lower(table[i].text[0]));
    // A table too long for the index is searched from its start for every character.
    first_entry_[c] = i < kNoEntry ? static_cast<unsigned char>(i) : 0;
  }
}

TemplateScanner::~TemplateScanner() { mem_free(literal_); }

const TemplateKeyword* TemplateScanner::match(const char* p) const {
  // The first character is lowered once; the index skips the entries that cannot begin
  // there, and most of the rest differ from the template at their first character.
  const char first = lower(p[0]);
  const unsigned char from = first_entry_[static_cast<unsigned char>(first)];
  if (from == kNoEntry) return nullptr;
  for (size_t i = from; i < count_; ++i) {
    const char* k = table_[i].text;
    if (lower(k[0]) != first || !k[0]) continue;
    size_t n = 1;
    // A template that ends inside the keyword stops the comparison at its zero byte.
    while (k[n] && lower(p[n]) == lower(k[n])) ++n;
    if (!k[n]) return &table_[i];
  }
  return nullptr;
}

int TemplateScanner::append(char c) {
  if (literal_len_ + 1 >= literal_cap_) {
    void* grown = mem_realloc(literal_, literal_cap_ + kLiteralGrowth);
    if (!grown) return report<6, 5019>();
    literal_ = static_cast<char*>(grown);
    literal_cap_ += kLiteralGrowth;
  }
  literal_[literal_len_++] = c;
  literal_[literal_len_] = '\0';
  return 0;
}

int TemplateScanner::next(TemplateElement* e) {
  const char* p = templ_ + pos_;
  *e = TemplateElement{kTemplateEnd, nullptr, p, 0, 0, 0};
  if (!*p) return 0;

  if (const TemplateKeyword* k = match(p)) {
    size_t n = 0;
    while (k->text[n]) ++n;
    e->code = k->code;
    e->keyword = k;
    e->style = case_style(p[0], k->text[1] == '.' ? p[2] : p[1]);
    size_t span = n;
    if (k->run)
      while (p[span] && in_run(k->run, p[span])) ++span;
    e->span = e->length = span;
    pos_ += span;
    return 0;
  }

  // Literal text: a quoted string (two quotes stand for one; it ends at the next single
  // quote or at the end of the template), or a run up to the next keyword or quote.
  e->code = kTemplateLiteral;
  literal_len_ = 0;
  if (literal_) literal_[0] = '\0';
  size_t i = 0;
  if (p[0] == '"') {
    i = 1;
    while (p[i]) {
      if (p[i] == '"') {
        if (p[i + 1] != '"') {
          ++i;
          break;
        }
        ++i;
      }
      if (int rc = append(p[i])) return rc;
      ++i;
    }
  } else {
    while (p[i] && p[i] != '"' && (i == 0 || !match(p + i))) {
      if (int rc = append(p[i])) return rc;
      ++i;
    }
  }
  e->span = i;
  e->length = literal_len_;
  pos_ += i;
  return 0;
}

}  // namespace qd
