#include "core/number_text.hpp"

#include <charconv>
#include <cmath>

namespace rumo {

char* write_integer(char* out, long value) {
  // Months, days and hours are the most of them.
  if (value >= 0 && value < 100) {
    if (value >= 10) *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
  }
  return std::to_chars(out, out + 24, value).ptr;
}

char* write_shortest(char* out, double value) {
  // Readings are mostly whole or have one decimal: below 1e5 such a value is
  // written as its tenths, which is the shortest form that reads back, and
  // needs no search for the digits.
  if (std::fabs(value) < 1e5) {
    const double scaled = value * 10.0;
    const long whole = static_cast<long>(scaled + (scaled < 0.0 ? -0.5 : 0.5));
    if (static_cast<double>(whole) / 10.0 == value && !(value == 0.0 && std::signbit(value))) {
      const long units = whole / 10;
      const long tenth = whole % 10;
      if (whole < 0) *out++ = '-';
      out = write_integer(out, units < 0 ? -units : units);
      if (tenth != 0) {
        *out++ = '.';
        *out++ = static_cast<char>('0' + (tenth < 0 ? -tenth : tenth));
      }
      return out;
    }
  }
  return std::to_chars(out, out + 32, value).ptr;
}

std::string shortest_text(double value) {
  char text[32];
  return std::string(text, write_shortest(text, value));
}

std::string six_digits(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  return std::string(text, result.ptr);
}

std::string counted(long count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace rumo
