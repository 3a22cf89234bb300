// Numbers as text: the conversions of data tokens and header tokens.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace rumo {

// A whole token read as "%d" reads a well-formed integer: an optional sign and
// decimal digits, within the range of a 32-bit integer. Anything else in the
// token, or a value out of range, is no integer.
std::optional<int> parse_int_token(std::string_view token);

// A whole token read as "%lf" reads a well-formed decimal number: optional
// sign, digits with an optional point and exponent, hexadecimal forms, "inf",
// "infinity" and "nan" in any case. Values beyond the range of a double become
// infinities, values below it zero or subnormal, exactly as the C library
// converts them. A token with anything else in it is no number.
std::optional<double> parse_double_token(std::string_view token);

// Header numbers: the longest leading part of the text that forms a number,
// after leading white space; text that does not begin with a number is 0.0.
double parse_header_number(std::string_view token);

// The same, with how many characters of the text the number took: 0 for
// text that does not begin with a number.
struct HeaderNumber {
  double value = 0.0;
  std::size_t length = 0;
};
HeaderNumber read_header_number(std::string_view token);

// The white space of formatted reads: blank, tab, line feed, vertical tab,
// form feed, carriage return.
inline bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace rumo
