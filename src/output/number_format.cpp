#include "output/number_format.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/number_text.hpp"
#include "core/vector_loop.hpp"

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

// v × 10 is p + e exactly, with p the rounded product (Dekker's product of
// two doubles; 10 splits into itself and 0, so the error term is short).
double product_error(double v, double p) {
  const double c = 134217729.0 * v;  // 2^27 + 1
  const double high = c - (c - v);
  const double low = v - high;
  return -((p - high * 10.0) - low * 10.0);
}

// The exact tenths of v (|v| < 1e9) rounded to the nearest integer, ties to
// even, as printf rounds the exact binary value; the sign is v's. Without
// branches, so that a loop over many values runs them side by side.
double rounded_tenths(double v) {
  const double p = v * 10.0;
  const double e = product_error(v, p);
  const double n = nearest_whole(p);
  const double d = p - n;  // exact: both lie within one unit of each other
  const double up = d == 0.5 && e > 0.0 ? 1.0 : 0.0;
  const double down = d == -0.5 && e < 0.0 ? 1.0 : 0.0;
  return n + up - down;
}

// The double nearest to the text "%.1lf" writes for v (|v| < 1e9): tenths as
// an integer divided by ten, as reading the text gives it, for both operands
// are exact and the division rounds once. The sign of a negative value that
// rounds to zero stays.
double tenths_as_written(double v) {
  return std::copysign(rounded_tenths(v) / 10.0, v);
}

// "%.1lf" for |v| < 1e9 without the general conversion.
char* format_tenths(char* out, double v) {
  auto tenths = static_cast<long long>(rounded_tenths(v));
  if (std::signbit(v)) {
    *out++ = '-';
    tenths = -tenths;
  }
  out = std::to_chars(out, out + 24, tenths / 10).ptr;
  *out++ = '.';
  *out++ = static_cast<char>('0' + tenths % 10);
  return out;
}

// Returns whether any value lies beyond the tenths' range, or is not a
// number: those are left to the general way.
RUMO_VECTOR_LOOP bool all_tenths_as_written(const double* in, double* out, std::size_t count) {
  std::uint64_t beyond = 0;
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = tenths_as_written(in[i]);
    beyond |= std::fabs(in[i]) < 1e9 ? 0 : 1;
  }
  return beyond != 0;
}

}  // namespace

char* format_general(char* out, double value) {
  if (value == 0.0 && !std::signbit(value)) {
    *out = '0';
    return out + 1;
  }
  return format(out, value, std::chars_format::general, 6);
}

char* format_no_decimals(char* out, double value) {
  return format(out, value, std::chars_format::fixed, 0);
}

char* format_decimals(char* out, double value, int decimals) {
  if (decimals == 1 && std::fabs(value) < 1e9) return format_tenths(out, value);
  return format(out, value, std::chars_format::fixed, decimals);
}

namespace {

// The value the text of `value` reads back as.
double value_as_written(double value, int decimals) {
  if (decimals == 1 && std::fabs(value) < 1e9) return tenths_as_written(value);
  char text[kMaxNumberText];
  char* const end =
      decimals < 0 ? format_general(text, value) : format_decimals(text, value, decimals);
  double read = 0.0;
  std::from_chars(text, end, read);
  return read;
}

}  // namespace

void values_as_written(std::span<const double> values, int decimals, std::span<double> out) {
  if (decimals != 1) {
    for (std::size_t i = 0; i < values.size(); ++i) out[i] = value_as_written(values[i], decimals);
    return;
  }
  const std::size_t count = values.size();
  const double* in = values.data();
  double* written = out.data();
  if (!all_tenths_as_written(in, written, count)) return;
  for (std::size_t i = 0; i < count; ++i) {
    if (!(std::fabs(in[i]) < 1e9)) written[i] = value_as_written(in[i], 1);
  }
}

}  // namespace rumo
