#include "core/number_text.hpp"

#include <charconv>

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
  return std::to_chars(out, out + 48, value).ptr;
}

std::string shortest_text(double value) {
  char text[48];
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
