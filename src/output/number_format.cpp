#include "output/number_format.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace rumo {

namespace {

// printf writes a NaN with its sign ("-nan"), which to_chars need not do.
char* format_special(char* out, double value) {
  if (std::signbit(value)) *out++ = '-';
  const char* text = std::isnan(value) ? "nan" : "inf";
  std::memcpy(out, text, 3);
  return out + 3;
}

template <class... Form>
char* format(char* out, double value, Form... form) {
  if (!std::isfinite(value)) return format_special(out, value);
  return std::to_chars(out, out + kMaxNumberText, value, form...).ptr;
}

}  // namespace

char* format_general(char* out, double value) {
  return format(out, value, std::chars_format::general, 6);
}

char* format_one_decimal(char* out, double value) {
  return format(out, value, std::chars_format::fixed, 1);
}

char* format_no_decimals(char* out, double value) {
  return format(out, value, std::chars_format::fixed, 0);
}

char* format_int(char* out, int value) { return std::to_chars(out, out + 16, value).ptr; }

}  // namespace rumo
