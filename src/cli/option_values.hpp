// The values of the command line's options, alike for the run, `rumo
// import` and `rumo export`. Every option is read as text and checked by the
// checker of its kind of value, so that a kind of mistake gets one message
// wherever it is made, one line on standard error with exit_code::usage:
//
//   rumo: --nodata "0": not a positive finite number (rumo --help lists the options)
#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/calendar.hpp"
#include "core/time_base.hpp"

namespace CLI {
class App;
}

namespace rumo {

// What a number may be: any, 0 or more, more than 0.
enum class Range { any, not_negative, positive };

// The items of a comma-separated list, empty ones included.
std::vector<std::string> comma_items(const std::string& text);

class OptionValues {
 public:
  // `help`: the command that lists the options ("rumo import --help").
  OptionValues(CLI::App& app, const char* help) : app_(app), help_(help) {}

  // Reads the arguments into the app: false where they asked for the help or
  // the version, which went to `out`.
  bool parse(int argc, const char* const* argv, std::ostream& out) const;
  bool given(const char* option) const;

  // "rumo: WHAT (HELP lists the options)".
  [[noreturn]] void usage_error(const std::string& what) const;
  // The same of a value: "OPTION "VALUE": EXPECTED".
  [[noreturn]] void bad_value(const std::string& option, const std::string& value,
                              const std::string& expected) const;

  // A decimal number as the whole text, finite; "inf" (any case, "infinity"
  // too) only where `infinity` allows it, and then no number of the range
  // but a positive one.
  double number(const std::string& option, const std::string& text, Range range,
                bool infinity = false) const;
  // Numbers separated by commas, each as number() reads it.
  std::vector<double> numbers(const std::string& option, const std::string& text, Range range,
                              bool infinity = false) const;
  int whole_number(const std::string& option, const std::string& text, int low, int high) const;
  // A whole number from 1 to `high`, or "all", read as 0.
  int count_or_all(const std::string& option, const std::string& text, int high) const;
  // Such counts separated by commas.
  std::vector<int> counts_or_all(const std::string& option, const std::string& text,
                                 int high) const;
  // YYYY-MM-DD, a real calendar date with a four-digit year; nothing is
  // corrected.
  Date date(const std::string& option, const std::string& text) const;
  // Stops where --end lies before --start.
  void in_order(const Date& start, const Date& end) const;
  // +HH:MM or -HH:MM (Z for +00:00).
  UtcOffset offset(const std::string& option, const std::string& text) const;
  // One of a few words, each standing for a value.
  template <class Value>
  Value choice(const std::string& option, const std::string& text,
               std::initializer_list<std::pair<const char*, Value>> choices) const {
    std::vector<std::string_view> words;
    for (const auto& [word, value] : choices) {
      if (text == word) return value;
      words.push_back(word);
    }
    bad_value(option, text, "not " + one_of(words));
  }
  // A CRS PROJ knows that gives planar coordinates: a geographic one (such
  // as EPSG:4326) is no CRS of station coordinates.
  const std::string& planar_crs(const char* option, const std::string& text) const;
  // The text of an option that must not be empty where it is given (a file
  // name, a CRS): "OPTION: the WHAT is empty".
  const std::string& not_empty(const char* option, const std::string& text,
                               const char* what = "file name") const;

 private:
  // "a, b or c".
  static std::string one_of(const std::vector<std::string_view>& words);

  CLI::App& app_;
  const char* help_;
};

}  // namespace rumo
