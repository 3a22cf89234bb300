#include "input/dialogue.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <istream>
#include <optional>

#include "input/numbers.hpp"
#include "run/error.hpp"
#include "run/window.hpp"

namespace rumo {

namespace {

// The answers are read the way formatted input reads them: a word or a number
// first skips white space (line ends included) and then takes the longest run
// that forms its item; text that forms no number stays in the input, so every
// later number read fails on it too.
class Answers {
 public:
  explicit Answers(std::istream& in) : in_(in) {}

  // A word: up to the next white space. Nothing at the end of the input.
  std::optional<std::string> word(int memory_code) {
    if (!skip_space()) return std::nullopt;
    std::string text;
    take_memory(memory_code, [&] {
      while (!is_space(static_cast<char>(in_.peek())) && in_.peek() != EOF) {
        text.push_back(static_cast<char>(in_.get()));
      }
    });
    return text;
  }

  // The end of the first answer's line. A carriage return before the line
  // feed belongs to the line end.
  void drop_line_end() {
    if (in_.peek() == '\r') {
      in_.get();
      if (in_.peek() == '\n') in_.get();
      return;
    }
    if (in_.peek() != EOF) in_.get();
  }

  // The rest of the current line without its line end.
  std::optional<std::string> rest_of_line(int memory_code) {
    if (in_.peek() == EOF) return std::nullopt;
    std::string text;
    take_memory(memory_code, [&] { std::getline(in_, text); });
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
  }

  std::optional<double> decimal() {
    const std::string text = number_text(true);
    if (text.empty()) return std::nullopt;
    return parse_double_token(text);
  }

  std::optional<int> integer() {
    const std::string text = number_text(false);
    if (text.empty()) return std::nullopt;
    const auto value = parse_int_token(text);
    if (value) return value;
    // Digits beyond the range of an integer: the C library's conversion wraps
    // to the type's limits as strtol does.
    const long long wide = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(wide, INT32_MIN, INT32_MAX));
  }

 private:
  bool skip_space() {
    while (in_.peek() != EOF && is_space(static_cast<char>(in_.peek()))) in_.get();
    return in_.peek() != EOF;
  }

  bool take_if(bool (*accept)(int)) {
    const int c = in_.peek();
    if (c == EOF || !accept(c)) return false;
    text_.push_back(static_cast<char>(in_.get()));
    return true;
  }

  static bool is_digit(int c) { return c >= '0' && c <= '9'; }
  static bool is_sign(int c) { return c == '+' || c == '-'; }

  // The characters that form a number at the front of the input; empty if
  // none does. Consumed characters that end up forming no number are lost,
  // as with the C library's formatted input.
  std::string number_text(bool decimal) {
    text_.clear();
    if (!skip_space()) return {};
    take_if(is_sign);
    std::size_t digits = 0;
    while (take_if(is_digit)) ++digits;
    if (decimal) {
      if (digits == 0 && take_word("infinity", 3)) return text_;
      if (digits == 0 && take_word("nan", 3)) return text_;
      if (take_if([](int c) { return c == '.'; })) {
        while (take_if(is_digit)) ++digits;
      }
      if (digits == 0) return {};
      if (take_if([](int c) { return c == 'e' || c == 'E'; })) {
        take_if(is_sign);
        std::size_t exponent_digits = 0;
        while (take_if(is_digit)) ++exponent_digits;
        if (exponent_digits == 0) return {};
      }
      return text_;
    }
    return digits == 0 ? std::string{} : text_;
  }

  // "inf" or "infinity" (any case), or "nan": at least `shortest` letters
  // must match; a longer match is taken as far as it goes.
  bool take_word(const char* word, std::size_t shortest) {
    const std::size_t start = text_.size();
    std::size_t matched = 0;
    while (word[matched] != '\0' &&
           std::tolower(in_.peek()) == static_cast<unsigned char>(word[matched])) {
      text_.push_back(static_cast<char>(in_.get()));
      ++matched;
    }
    if (matched >= shortest) {
      // "infin" is not a number, but "inf" followed by "in" is read as far as
      // the C library goes: keep the three letters.
      if (matched < std::char_traits<char>::length(word) && word[0] == 'i') {
        text_.resize(start + 3);
      }
      return true;
    }
    return false;
  }

  std::istream& in_;
  std::string text_;
};

template <class T>
void ask_number(Console& console, Answers& answers, const char* prompt, T& field) {
  console.out << prompt << std::flush;
  std::optional<T> value;
  if constexpr (std::is_same_v<T, int>) {
    value = answers.integer();
  } else {
    value = answers.decimal();
  }
  if (value) field = *value;
}

bool is_leap_year(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

int days_in_month(int month, int year) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && is_leap_year(year)) return 29;
  return kDays[month - 1];
}

void correct_dates(RunParameters& params) {
  params.start_year = correct_year(params.start_year);
  params.end_year = correct_year(params.end_year);
  params.start_month = std::clamp(params.start_month, 1, 12);
  params.end_month = std::clamp(params.end_month, 1, 12);
  // Each day is limited by its own month in its own year, so a date entered
  // as valid stays as entered.
  params.end_day = std::clamp(params.end_day, 1, days_in_month(params.end_month, params.end_year));
  params.start_day =
      std::clamp(params.start_day, 1, days_in_month(params.start_month, params.start_year));
}

void read_parameters(Console& console, RunParameters& params) {
  Answers answers(console.in);
  auto& out = console.out;

  out << "hourly data         : " << std::flush;
  if (auto name = answers.word(8)) params.hourly_file = std::move(*name);
  answers.drop_line_end();
  out << "konventional data (2 or 3 values a day): " << std::flush;
  if (auto name = answers.rest_of_line(9)) params.climate_file = std::move(*name);
  out << "daily sums (e.g. of prec.): " << std::flush;
  if (auto name = answers.rest_of_line(10)) params.collector_file = std::move(*name);
  out << "output file: " << std::flush;
  if (auto name = answers.word(11)) params.result_file = std::move(*name);

  ask_number(console, answers,
             " nodata value (e.g. 998: all values <-998 or > 998 will be interpreted as nodata "
             "values)\n",
             params.nodata);
  params.start_hour = 1;
  ask_number(console, answers, "starting day   : ", params.start_day);
  ask_number(console, answers, "staring month  : ", params.start_month);
  ask_number(console, answers, "staring year   : ", params.start_year);
  ask_number(console, answers, "end day   : ", params.end_day);
  ask_number(console, answers, "end month : ", params.end_month);
  ask_number(console, answers, "end year  : ", params.end_year);
  ask_number(console, answers, "weighting of the inverse distance (power) : ", params.power);
  ask_number(console, answers,
             "maximum distance of e station to the interpolation cell: ", params.max_distance);
  ask_number(console, answers, "lower limit of values: ", params.lower_limit);
  ask_number(console, answers, "values below replacing with...: ", params.lower_replacement);
  ask_number(console, answers, "upper limit: ", params.upper_limit);
  ask_number(console, answers,
             "values grater than upper limit replacing with: ", params.upper_replacement);

  correct_dates(params);
}

}  // namespace rumo
