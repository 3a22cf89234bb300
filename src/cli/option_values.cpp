#include "cli/option_values.hpp"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>

#include "core/error.hpp"
#include "core/projection.hpp"
#include "core/stamp_text.hpp"

namespace rumo {

std::vector<std::string> comma_items(const std::string& text) {
  std::vector<std::string> items;
  std::size_t at = 0;
  for (;;) {
    const std::size_t comma = text.find(',', at);
    items.push_back(text.substr(at, comma == std::string::npos ? comma : comma - at));
    if (comma == std::string::npos) return items;
    at = comma + 1;
  }
}

bool OptionValues::parse(int argc, const char* const* argv, std::ostream& out) const {
  try {
    app_.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app_.help();
    return false;
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << '\n';
    return false;
  } catch (const CLI::ParseError& error) {
    usage_error(error.what());
  }
  return true;
}

bool OptionValues::given(const char* option) const {
  return app_.count(option) > 0;
}

void OptionValues::usage_error(const std::string& what) const {
  throw RunError{exit_code::usage, Stream::err,
                 "rumo: " + what + " (" + help_ + " lists the options)\n"};
}

void OptionValues::bad_value(const std::string& option, const std::string& value,
                             const std::string& expected) const {
  usage_error(option + " \"" + value + "\": " + expected);
}

double OptionValues::number(const std::string& option, const std::string& text, Range range,
                            bool infinity) const {
  std::string expected = "not a finite number";
  if (range == Range::not_negative) expected = "not a finite number of 0 or more";
  if (range == Range::positive) expected = "not a positive finite number";
  if (infinity)
    expected = range == Range::any ? "not a number or inf" : "not a positive number or inf";
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  const bool read = !digits.empty() && digits.front() != '+' && ec == std::errc{} &&
                    end == digits.data() + digits.size() && !std::isnan(value) &&
                    (!std::isinf(value) || (infinity && value > 0.0));
  if (!read || (range == Range::not_negative && !(value >= 0.0)) ||
      (range == Range::positive && !(value > 0.0))) {
    bad_value(option, text, expected);
  }
  return value;
}

std::vector<double> OptionValues::numbers(const std::string& option, const std::string& text,
                                          Range range, bool infinity) const {
  std::vector<double> values;
  for (const std::string& item : comma_items(text)) {
    if (item.empty()) bad_value(option, text, "an empty entry in the list");
    values.push_back(number(option, item, range, infinity));
  }
  return values;
}

int OptionValues::whole_number(const std::string& option, const std::string& text, int low,
                               int high) const {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
    bad_value(option, text,
              "not a whole number from " + std::to_string(low) + " to " + std::to_string(high));
  }
  return value;
}

int OptionValues::count_or_all(const std::string& option, const std::string& text, int high) const {
  if (text == "all") return 0;
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || value < 1 || value > high) {
    bad_value(option, text, "not all or a whole number from 1 to " + std::to_string(high));
  }
  return value;
}

std::vector<int> OptionValues::counts_or_all(const std::string& option, const std::string& text,
                                             int high) const {
  std::vector<int> values;
  for (const std::string& item : comma_items(text)) {
    if (item.empty()) bad_value(option, text, "an empty entry in the list");
    values.push_back(count_or_all(option, item, high));
  }
  return values;
}

Date OptionValues::date(const std::string& option, const std::string& text) const {
  const auto digits = [&](std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-';
  const Date date = shaped ? Date{digits(0, 4), digits(5, 2), digits(8, 2)} : Date{-1, -1, -1};
  if (date.year < 1000 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > days_in_month(date.month, date.year)) {
    bad_value(option, text, "not a calendar date as YYYY-MM-DD");
  }
  return date;
}

void OptionValues::in_order(const Date& start, const Date& end) const {
  // Dates as date() reads them are written back as they were given.
  if (end < start)
    usage_error("--end \"" + iso_date(end) + "\" lies before --start \"" + iso_date(start) + "\"");
}

UtcOffset OptionValues::offset(const std::string& option, const std::string& text) const {
  const auto offset = parse_utc_offset(text);
  if (!offset) bad_value(option, text, "not a fixed offset from UTC as +HH:MM or -HH:MM");
  return *offset;
}

const std::string& OptionValues::planar_crs(const char* option, const std::string& text) const {
  std::string reason;
  const auto projection = Projection::create(not_empty(option, text, "CRS"), reason);
  if (!projection) {
    bad_value(option, text, "PROJ does not know it" + (reason.empty() ? "" : ": " + reason));
  }
  if (projection->geographic()) {
    bad_value(option, text,
              std::string(kGeographicCrs) +
                  "; the station table's latitude and longitude are read without --crs");
  }
  return text;
}

const std::string& OptionValues::not_empty(const char* option, const std::string& text,
                                           const char* what) const {
  if (given(option) && text.empty())
    usage_error(std::string(option) + ": the " + what + " is empty");
  return text;
}

std::string OptionValues::one_of(const std::vector<std::string_view>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
    text += words[i];
  }
  return text;
}

}  // namespace rumo
