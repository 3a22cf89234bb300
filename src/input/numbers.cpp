#include "input/numbers.hpp"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <system_error>

namespace rumo {

std::optional<int> parse_int_token(std::string_view token) {
  // from_chars takes a minus but no plus; a plus may stand only before a digit.
  if (!token.empty() && token.front() == '+') {
    token.remove_prefix(1);
    if (token.empty() || token.front() == '-' || token.front() == '+') return std::nullopt;
  }
  int value = 0;
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec != std::errc{} || end != token.data() + token.size()) return std::nullopt;
  return value;
}

namespace {

// The C library's conversion, for the rare tokens that from_chars leaves to it
// (magnitudes beyond the range of a double).
std::optional<double> parse_with_strtod(std::string_view token) {
  const std::string text(token);
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

bool starts_hex(std::string_view digits) {
  return digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
}

// The common data value: at most 15 digits with an optional point and no
// exponent. Its digits and the power of ten are both exact doubles, so one
// division gives the correctly rounded value, the same as any full conversion.
std::optional<double> parse_short_decimal(std::string_view token) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  std::size_t at = 0;
  const bool negative = token[0] == '-';
  if (negative || token[0] == '+') ++at;
  std::int64_t digits = 0;
  int count = 0;
  int decimals = -1;
  for (; at < token.size(); ++at) {
    const char c = token[at];
    if (c >= '0' && c <= '9') {
      if (++count > 15) return std::nullopt;
      digits = digits * 10 + (c - '0');
      if (decimals >= 0) ++decimals;
    } else if (c == '.' && decimals < 0) {
      decimals = 0;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0) return std::nullopt;
  double value = static_cast<double>(digits);
  if (decimals > 0) value /= kPowers[decimals];
  return negative ? -value : value;
}

}  // namespace

std::optional<double> parse_double_token(std::string_view token) {
  if (token.empty()) return std::nullopt;
  if (const auto value = parse_short_decimal(token)) return value;
  std::string_view digits = token;
  bool negative = false;
  if (digits.front() == '+' || digits.front() == '-') {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.front() == '+' || digits.front() == '-') return std::nullopt;

  auto format = std::chars_format::general;
  if (starts_hex(digits)) {
    digits.remove_prefix(2);
    format = std::chars_format::hex;
    // Only hexadecimal digits or a point follow the prefix ("0xinf" is no number).
    if (digits.empty() ||
        !(std::isxdigit(static_cast<unsigned char>(digits.front())) || digits.front() == '.')) {
      return std::nullopt;
    }
  }
  // "nan" is read without a parenthesised part after it.
  if (digits.find('(') != std::string_view::npos) return std::nullopt;
  double value = 0.0;
  const auto [end, ec] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, format);
  if (end != digits.data() + digits.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) return parse_with_strtod(token);
  if (ec != std::errc{}) return std::nullopt;
  return negative ? -value : value;
}

double parse_header_number(std::string_view token) {
  return read_header_number(token).value;
}

HeaderNumber read_header_number(std::string_view token) {
  const std::string text(token);
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return {value, static_cast<std::size_t>(end - text.c_str())};
}

}  // namespace rumo
