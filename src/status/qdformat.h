// qdformat.h: the one bounded formatter behind trace, type and every report line.
//
// Conversions are read as on the system's original 32-bit platform: %d %i %u %x %X %o %c
// with or without l/h take a 32-bit integer, ll and I64 a 64-bit one, %e %f %g a double,
// %s and %p a pointer; flags, width, precision and '*' work as in printf. Output never
// passes the end of the buffer and is always zero-terminated (size > 0).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "status/report.h"

namespace qd {

// Where the values of one format run come from. Every run starts at the first value.
class ArgSource {
 public:
  virtual void reset() = 0;
  // Each take consumes one value; false means there is no value of that kind (the
  // formatter then prints a placeholder).
  virtual bool take_int32(int32_t* v) = 0;
  virtual bool take_int64(int64_t* v) = 0;
  virtual bool take_double(double* v) = 0;
  virtual bool take_pointer(const void** v) = 0;

 protected:
  ~ArgSource() = default;
};

// Values packed by qd::report: kinds are checked, a missing value is reported.
class PackSource final : public ArgSource {
 public:
  PackSource(const Arg* args, int count) : args_(args), count_(count) {}
  void reset() override { next_ = 0; }
  bool take_int32(int32_t* v) override;
  bool take_int64(int64_t* v) override;
  bool take_double(double* v) override;
  bool take_pointer(const void** v) override;

 private:
  const Arg* take();
  const Arg* args_;
  int count_;
  int next_ = 0;
};

// Values of an exported variadic function; they are trusted as the caller passed them.
class VaSource final : public ArgSource {
 public:
  explicit VaSource(va_list ap);
  ~VaSource();
  VaSource(const VaSource&) = delete;
  VaSource& operator=(const VaSource&) = delete;
  void reset() override;
  bool take_int32(int32_t* v) override;
  bool take_int64(int64_t* v) override;
  bool take_double(double* v) override;
  bool take_pointer(const void** v) override;

 private:
  va_list origin_;
  va_list cur_;
};

// The placeholder printed for a value that is missing or of another kind.
inline constexpr char kArgPlaceholder[] = "<?>";

// Writes format into out[0..size), returns the length written (at most size - 1).
size_t format_into(char* out, size_t size, const char* format, ArgSource& args);
// Appends to the zero-terminated text in out[0..size); returns the new length.
size_t append_format(char* out, size_t size, const char* format, ArgSource& args);

// Appends format with values (packed as qd::report packs them); returns the new length.
template <class... A>
inline size_t append_values(char* out, size_t size, const char* format, A... values) {
  const Arg args[] = {make_arg(values)..., Arg{}};  // the extra slot is never read
  PackSource src(args, static_cast<int>(sizeof...(A)));
  return append_format(out, size, format, src);
}

// Writes format with values into out[0..size); returns the length written.
template <class... A>
inline size_t format_values(char* out, size_t size, const char* format, A... values) {
  if (out && size) out[0] = 0;
  return append_values(out, size, format, values...);
}

}  // namespace qd
