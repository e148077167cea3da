// qdformat.cpp: the bounded formatter and its two value sources.
#include "status/qdformat.h"

#include <cstdio>
#include <cstring>

#include "status/qdconv.h"

namespace qd {

const Arg* PackSource::take() { return next_ < count_ ? &args_[next_++] : nullptr; }

bool PackSource::take_int32(int32_t* v) {
  const Arg* a = take();
  if (!a) return false;
  if (a->kind == ArgKind::kInt32) {
    *v = a->i32;
  } else if (a->kind == ArgKind::kInt64) {
    *v = static_cast<int32_t>(a->i64);
  } else {
    return false;
  }
  return true;
}

bool PackSource::take_int64(int64_t* v) {
  const Arg* a = take();
  if (!a) return false;
  if (a->kind == ArgKind::kInt64) {
    *v = a->i64;
  } else if (a->kind == ArgKind::kInt32) {
    *v = a->i32;
  } else {
    return false;
  }
  return true;
}

bool PackSource::take_double(double* v) {
  const Arg* a = take();
  if (!a || a->kind != ArgKind::kDouble) return false;
  *v = a->d;
  return true;
}

bool PackSource::take_pointer(const void** v) {
  const Arg* a = take();
  if (!a || a->kind != ArgKind::kPointer) return false;
  *v = a->p;
  return true;
}

VaSource::VaSource(va_list ap) {
  va_copy(origin_, ap);
  va_copy(cur_, origin_);
}

VaSource::~VaSource() {
  va_end(cur_);
  va_end(origin_);
}

void VaSource::reset() {
  va_end(cur_);
  va_copy(cur_, origin_);
}

bool VaSource::take_int32(int32_t* v) {
  *v = static_cast<int32_t>(va_arg(cur_, int));
  return true;
}

bool VaSource::take_int64(int64_t* v) {
  *v = static_cast<int64_t>(va_arg(cur_, long long));
  return true;
}

bool VaSource::take_double(double* v) {
  *v = va_arg(cur_, double);
  return true;
}

bool VaSource::take_pointer(const void** v) {
  *v = va_arg(cur_, const void*);
  return true;
}

namespace {

class Writer {
 public:
  Writer(char* out, size_t size, size_t start) : out_(out), size_(size), n_(start) {}
  void put(char c) {
    if (n_ + 1 < size_) out_[n_++] = c;
  }
  void put(const char* s, size_t len) {
    for (size_t i = 0; i < len; ++i) put(s[i]);
  }
  // Lets snprintf write straight into the free rest of the buffer.
  template <class T>
  void conv(const char* spec, T value) {
    size_t room = size_ - n_;
    int r = std::snprintf(out_ + n_, room, spec, value);
    if (r < 0) {
      out_[n_] = 0;
      return;
    }
    n_ += static_cast<size_t>(r) < room ? static_cast<size_t>(r) : room - 1;
  }
  size_t finish() {
    out_[n_] = 0;
    return n_;
  }

 private:
  char* out_;
  size_t size_;
  size_t n_;
};

}  // namespace

size_t append_format(char* out, size_t size, const char* format, ArgSource& args) {
  if (!out || size == 0) return 0;
  size_t start = strnlen(out, size);
  if (start >= size) start = size - 1;  // an unterminated buffer is cut, not overrun
  args.reset();
  Writer w(out, size, start);
  const char* f = format ? format : "";
  while (*f) {
    if (*f != '%') {
      w.put(*f++);
      continue;
    }
    const char* spec_start = f++;
    if (*f == '%') {
      w.put('%');
      ++f;
      continue;
    }
    ConvSpec cs;
    f = parse_conversion(f, cs);
    if (cs.kind == ConvKind::kEnd) {
      w.put(spec_start, static_cast<size_t>(f - spec_start));
      break;
    }
    char* flags = cs.flags;
    int nflags = cs.nflags;
    int width = cs.width;
    if (cs.width_star) {
      int32_t v = 0;
      if (!args.take_int32(&v)) v = 0;
      if (v < 0) {
        if (nflags < 7) flags[nflags++] = '-';  // a negative '*' width left-aligns
        v = v == INT32_MIN ? kMaxFieldWidth : -v;
      }
      width = v > kMaxFieldWidth ? kMaxFieldWidth : v;
    }
    int precision = cs.precision;
    if (cs.precision_star) {
      int32_t v = 0;
      if (!args.take_int32(&v)) v = 0;
      precision = v < 0 ? -1 : (v > kMaxFieldWidth ? kMaxFieldWidth : v);  // negative: none
    }
    const ConvLen len = cs.len;
    const char conv = cs.conv;
    // The conversion rebuilt with resolved width and precision.
    char spec[48];
    int sl = 0;
    spec[sl++] = '%';
    for (int i = 0; i < nflags; ++i) spec[sl++] = flags[i];
    if (width >= 0) sl += std::snprintf(spec + sl, sizeof spec - sl, "%d", width);
    if (precision >= 0) sl += std::snprintf(spec + sl, sizeof spec - sl, ".%d", precision);
    switch (cs.kind) {
      case ConvKind::kInteger: {
        if (len == ConvLen::kWide) {
          int64_t v;
          if (!args.take_int64(&v)) {
            w.put(kArgPlaceholder, sizeof kArgPlaceholder - 1);
            break;
          }
          spec[sl++] = 'l';
          spec[sl++] = 'l';
          spec[sl++] = conv;
          spec[sl] = 0;
          w.conv(spec, static_cast<long long>(v));
        } else {
          int32_t v;
          if (!args.take_int32(&v)) {
            w.put(kArgPlaceholder, sizeof kArgPlaceholder - 1);
            break;
          }
          if (len == ConvLen::kShort) spec[sl++] = 'h';
          if (len == ConvLen::kChar) {
            spec[sl++] = 'h';
            spec[sl++] = 'h';
          }
          spec[sl++] = conv;
          spec[sl] = 0;
          w.conv(spec, static_cast<int>(v));
        }
        break;
      }
      case ConvKind::kCharacter: {
        int32_t v;
        if (!args.take_int32(&v)) {
          w.put(kArgPlaceholder, sizeof kArgPlaceholder - 1);
          break;
        }
        spec[sl++] = 'c';
        spec[sl] = 0;
        w.conv(spec, static_cast<int>(static_cast<unsigned char>(v)));
        break;
      }
      case ConvKind::kDouble: {
        double v;
        if (!args.take_double(&v)) {
          w.put(kArgPlaceholder, sizeof kArgPlaceholder - 1);
          break;
        }
        spec[sl++] = conv;
        spec[sl] = 0;
        w.conv(spec, v);
        break;
      }
      case ConvKind::kString: {
        const void* p;
        if (!args.take_pointer(&p)) {
          w.put(kArgPlaceholder, sizeof kArgPlaceholder - 1);
          break;
        }
        spec[sl++] = 's';
        spec[sl] = 0;
        w.conv(spec, p ? static_cast<const char*>(p) : "(null)");
        break;
      }
      case ConvKind::kPointer: {
        const void* p;
        if (!args.take_pointer(&p)) {
          w.put(kArgPlaceholder, sizeof kArgPlaceholder - 1);
          break;
        }
        // C libraries differ on %p ("0x1f", "0000001F", "(nil)", "00000000"); the
        // library's texts are the same bytes on every host: 0x and lower-case hex
        // digits, "(nil)" for null, placed by the flags and width as a text.
        char text[2 + 2 * sizeof(uintptr_t) + 1];
        if (p) {
          std::snprintf(text, sizeof text, "0x%llx",
                        static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
        } else {
          std::snprintf(text, sizeof text, "(nil)");
        }
        int tl = 0;
        char tspec[16];
        tspec[tl++] = '%';
        for (int i = 0; i < nflags; ++i) {
          if (flags[i] == '-') tspec[tl++] = '-';
        }
        tspec[tl] = 0;
        char pspec[48];
        std::snprintf(pspec, sizeof pspec, width >= 0 ? "%s%ds" : "%ss", tspec, width);
        w.conv(pspec, static_cast<const char*>(text));
        break;
      }
      case ConvKind::kCount: {
        const void* p;
        args.take_pointer(&p);  // consumed, never written through
        break;
      }
      case ConvKind::kLiteral:
      case ConvKind::kEnd:
        // Not a conversion: the text stands as written.
        w.put(spec_start, static_cast<size_t>(f - spec_start));
        break;
    }
  }
  return w.finish();
}

size_t format_into(char* out, size_t size, const char* format, ArgSource& args) {
  if (!out || size == 0) return 0;
  out[0] = 0;
  return append_format(out, size, format, args);
}

}  // namespace qd
